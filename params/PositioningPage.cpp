#include "PositioningPage.h"

#include "ui_PositioningPage.h"

PositioningPage::PositioningPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::PositioningPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

PositioningPage::~PositioningPage() = default;
