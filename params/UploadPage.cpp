#include "UploadPage.h"

#include "ui_UploadPage.h"

UploadPage::UploadPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::UploadPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

UploadPage::~UploadPage() = default;
