#pragma once

#include "params/ParameterPage.h"

#include <QWidget>

#include <memory>

class OperationLog;
class QLineEdit;
class ReaderSession;

namespace Ui {
class CommPortPage;
}

// The page "通信口参数": the reader's TCP/IP, RS-485 and Wiegand settings.
class CommPortPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    CommPortPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~CommPortPage() override;

    void query() override {}
    void set() override {}
    // The reader takes up its new ports before the next request.
    int pauseAfterSetMs() const override { return 1000; }

    // Shows the reader's MAC address when the page opens; silent when the read fails.
    void QueryMacAddress();

    // The MAC edits Edit8..Edit13, first MAC byte first (index 0..5).
    QLineEdit* macEdit(int index) const;

  private:
    std::unique_ptr<Ui::CommPortPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
