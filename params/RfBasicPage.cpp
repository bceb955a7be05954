#include "RfBasicPage.h"

#include "ui_RfBasicPage.h"

RfBasicPage::RfBasicPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RfBasicPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

RfBasicPage::~RfBasicPage() = default;
