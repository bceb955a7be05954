#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class UploadPage;
}

// The sub-page "主动上传" of "数据格式".
class UploadPage : public QWidget {
    Q_OBJECT
  public:
    UploadPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~UploadPage() override;

  private:
    std::unique_ptr<Ui::UploadPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
