#pragma once

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

// The page "数据格式": the sub-pages "主动上传" and "数据格式".
class DataFormatPage : public QWidget {
    Q_OBJECT
  public:
    DataFormatPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~DataFormatPage() override;

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
