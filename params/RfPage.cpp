#include "RfPage.h"

#include "RfBasicPage.h"
#include "RfChannel1Page.h"
#include "RfChannel2Page.h"
#include "ui_RfPage.h"

RfPage::RfPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::RfPage>()),
      session_(session),
      log_(log),
      rfBasicPage_(new RfBasicPage(session, log)),
      rfChannel1Page_(new RfChannel1Page(session, log)),
      rfChannel2Page_(new RfChannel2Page(session, log)) {
    ui_->setupUi(this);
    ui_->PageControl4->addTab(rfBasicPage_, tr("基本参数"));
    ui_->PageControl4->addTab(rfChannel1Page_, tr("通道一设置"));
    ui_->PageControl4->addTab(rfChannel2Page_, tr("通道二设置"));
}

RfPage::~RfPage() = default;

QTabWidget* RfPage::PageControl4() const {
    return ui_->PageControl4;
}
