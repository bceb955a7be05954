#include "ExtendedFunctionPage.h"

#include "ui_ExtendedFunctionPage.h"

ExtendedFunctionPage::ExtendedFunctionPage(ReaderSession& session, OperationLog& log,
                                           QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::ExtendedFunctionPage>()),
      session_(session),
      log_(log) {
    ui_->setupUi(this);
}

ExtendedFunctionPage::~ExtendedFunctionPage() = default;
