// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RfPage.h"

#include "RfBasicPage.h"
#include "RfChannelPage.h"
#include "ui_RfPage.h"

RfPage::RfPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::RfPage>()),
      rfBasicPage_(new RfBasicPage(session, log)),
      rfChannel1Page_(new RfChannelPage(rf::ChannelOne, session, log)),
      rfChannel2Page_(new RfChannelPage(rf::ChannelTwo, session, log)) {
    ui_->setupUi(this);
    rfChannel1Page_->setObjectName(QStringLiteral("RfChannel1Page"));
    rfChannel2Page_->setObjectName(QStringLiteral("RfChannel2Page"));
    ui_->PageControl4->addTab(rfBasicPage_, tr("基本参数"));
    ui_->PageControl4->addTab(rfChannel1Page_, tr("通道一设置"));
    ui_->PageControl4->addTab(rfChannel2Page_, tr("通道二设置"));
}

RfPage::~RfPage() = default;

QTabWidget* RfPage::PageControl4() const {
    return ui_->PageControl4;
}

void RfPage::SetRfBasicParameters() {
    rfBasicPage_->SetRfBasicParameters();
}

void RfPage::QueryRfBasicParameters() {
    rfBasicPage_->QueryRfBasicParameters();
}

void RfPage::SetRfChannel1Parameters() {
    rfChannel1Page_->SetRfChannelParameters();
}

void RfPage::QueryRfChannel1Parameters() {
    rfChannel1Page_->QueryRfChannelParameters();
}

void RfPage::SetRfChannel2Parameters() {
    rfChannel2Page_->SetRfChannelParameters();
}

void RfPage::QueryRfChannel2Parameters() {
    rfChannel2Page_->QueryRfChannelParameters();
}
