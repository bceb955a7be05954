// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QWidget>

#include <memory>

class OperationLog;
class QTabWidget;
class ReaderSession;
class UploadPage;
class DataFramePage;

namespace Ui {
class DataFormatPage;
}

// The page "数据格式": the sub-pages "主动上传" and "数据格式" ("数据格式" shown first). One
// query and one set cover both sub-pages, whichever shows.
class DataFormatPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    DataFormatPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~DataFormatPage() override;

    void SetDataFrameParameters();
    void QueryDataFrameParameters();

    void query() override { QueryDataFrameParameters(); }
    void set() override { SetDataFrameParameters(); }

    QTabWidget* PageControl2() const;
    UploadPage* uploadPage() const { return uploadPage_; }
    DataFramePage* dataFramePage() const { return dataFramePage_; }

  private:
    std::unique_ptr<Ui::DataFormatPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
    UploadPage* uploadPage_;
    DataFramePage* dataFramePage_;
};
