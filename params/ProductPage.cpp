#include "ProductPage.h"

#include "ui_ProductPage.h"

ProductPage::ProductPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ProductPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

ProductPage::~ProductPage() = default;
