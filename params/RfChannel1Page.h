#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class RfChannel1Page;
}

// The sub-page "通道一设置" of "射频参数": radio modules 1 to 4.
class RfChannel1Page : public QWidget {
    Q_OBJECT
  public:
    RfChannel1Page(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfChannel1Page() override;

  private:
    std::unique_ptr<Ui::RfChannel1Page> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
