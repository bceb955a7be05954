#include "DataFramePage.h"

#include "ui_DataFramePage.h"

DataFramePage::DataFramePage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::DataFramePage>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

DataFramePage::~DataFramePage() = default;
