#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class ExtendedFunctionPage;
}

// The sub-page "扩展功能" of "读写器参数".
class ExtendedFunctionPage : public QWidget {
    Q_OBJECT
  public:
    ExtendedFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ExtendedFunctionPage() override;

  private:
    std::unique_ptr<Ui::ExtendedFunctionPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
