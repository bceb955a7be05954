#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class RfChannel2Page;
}

// The sub-page "通道二设置" of "射频参数": radio modules 5 to 8.
class RfChannel2Page : public QWidget {
    Q_OBJECT
  public:
    RfChannel2Page(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfChannel2Page() override;

  private:
    std::unique_ptr<Ui::RfChannel2Page> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
