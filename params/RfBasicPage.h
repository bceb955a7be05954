#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class RfBasicPage;
}

// The sub-page "基本参数" of "射频参数".
class RfBasicPage : public QWidget {
    Q_OBJECT
  public:
    RfBasicPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfBasicPage() override;

  private:
    std::unique_ptr<Ui::RfBasicPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
