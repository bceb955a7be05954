// SPDX-License-Identifier: LGPL-2.1-or-later
#include "DataFormatPage.h"

#include "DataFramePage.h"
#include "UploadPage.h"
#include "ui_DataFormatPage.h"

#include "params/FieldRun.h"

DataFormatPage::DataFormatPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::DataFormatPage>()),
      session_(session),
      log_(log),
      uploadPage_(new UploadPage),
      dataFramePage_(new DataFramePage) {
    ui_->setupUi(this);
    ui_->PageControl2->addTab(uploadPage_, tr("主动上传"));
    ui_->PageControl2->addTab(dataFramePage_, tr("数据格式"));
    ui_->PageControl2->setCurrentWidget(dataFramePage_);
}

DataFormatPage::~DataFormatPage() = default;

QTabWidget* DataFormatPage::PageControl2() const {
    return ui_->PageControl2;
}

void DataFormatPage::SetDataFrameParameters() {
    FieldRun run(session_, log_);
    uploadPage_->setSteps(run);
    dataFramePage_->setSteps(run);
    run.finish(tr("设置数据帧参数成功 !"), tr("设置数据帧参数失败 !"));
}

void DataFormatPage::QueryDataFrameParameters() {
    FieldRun run(session_, log_);
    uploadPage_->querySteps(run);
    dataFramePage_->querySteps(run);
    run.finish(tr("查询数据帧参数成功 !"), tr("查询数据帧参数失败 !"));
}
