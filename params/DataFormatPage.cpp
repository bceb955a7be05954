#include "DataFormatPage.h"

#include "DataFramePage.h"
#include "UploadPage.h"
#include "ui_DataFormatPage.h"

DataFormatPage::DataFormatPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::DataFormatPage>()),
      session_(session),
      log_(log),
      uploadPage_(new UploadPage(session, log)),
      dataFramePage_(new DataFramePage(session, log)) {
    ui_->setupUi(this);
    ui_->PageControl2->addTab(uploadPage_, tr("主动上传"));
    ui_->PageControl2->addTab(dataFramePage_, tr("数据格式"));
}

DataFormatPage::~DataFormatPage() = default;

QTabWidget* DataFormatPage::PageControl2() const {
    return ui_->PageControl2;
}
