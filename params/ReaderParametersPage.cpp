// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ReaderParametersPage.h"

#include "BasicFunctionPage.h"
#include "ExtendedFunctionPage.h"
#include "ui_ReaderParametersPage.h"

ReaderParametersPage::ReaderParametersPage(ReaderSession& session, OperationLog& log,
                                           QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::ReaderParametersPage>()),
      session_(session),
      log_(log),
      basicFunctionPage_(new BasicFunctionPage(session, log)),
      extendedFunctionPage_(new ExtendedFunctionPage(session, log)) {
    ui_->setupUi(this);
    ui_->PageControl3->addTab(basicFunctionPage_, tr("基本功能"));
    ui_->PageControl3->addTab(extendedFunctionPage_, tr("扩展功能"));
}

ReaderParametersPage::~ReaderParametersPage() = default;

QTabWidget* ReaderParametersPage::PageControl3() const {
    return ui_->PageControl3;
}
