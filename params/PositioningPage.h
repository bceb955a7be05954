#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class PositioningPage;
}

// The page "Kelvarn": the positioning mode.
class PositioningPage : public QWidget {
    Q_OBJECT
  public:
    PositioningPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~PositioningPage() override;

  private:
    std::unique_ptr<Ui::PositioningPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
