// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "model/Addresses.h"
#include "params/ParameterPage.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class FieldRun;
class OperationLog;
class QLineEdit;
class ReaderSession;

namespace Ui {
class CommPortPage;
}

// The page "通信口参数": the reader's TCP/IP, RS-485 and Wiegand settings.
//
// The TCP/IP settings are one 29-byte record, converted whole before it is written and
// moved in one call. The MAC edits belong to the reader they were read from: the record
// carries them only when they were read from the reader connected now, in this connection,
// or typed since it was connected, and never as a group (multicast or broadcast) address.
// Otherwise the record carries the connected reader's own MAC, read first and shown.
class CommPortPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    CommPortPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~CommPortPage() override;

    void SetCommPortParameters();
    void QueryCommPortParameters();

    void query() override { QueryCommPortParameters(); }
    void set() override { SetCommPortParameters(); }
    // The RS-485, Wiegand and TCP/IP address start values; "ID应答传输" unticked and
    // disabled for the rest of the run.
    void applyDefaultSet() override;
    // The reader takes up its new ports before the next request.
    int pauseAfterSetMs() const override { return 1000; }

    // Shows the reader's MAC address when the page opens; silent when the read fails.
    void QueryMacAddress();

    // The MAC edits Edit8..Edit13, first MAC byte first (index 0..5).
    QLineEdit* macEdit(int index) const;

  private:
    void Edit21Change();
    void Edit36Change();
    void Edit39Change();
    void Edit40Change();
    void Edit22Change();
    void Edit2Change();
    // The octet edits other than Edit22 and the pulse width Edit1.
    void ByteEditChange(QLineEdit* edit);
    void Edit9Change(QLineEdit* edit);
    void CheckBox11Click();
    void CheckBox12Click();
    // ComboBox27's typed text selects the item it names.
    void ComboBox27Change(const QString& text);

    // Keeps another reader's MAC and a group MAC address out of the converted record: true
    // when the record may be written.
    bool withConnectedReadersMac(FieldRun& run, Bytes& tcpIp);

    struct Fields;

    std::unique_ptr<Ui::CommPortPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
    // The connection whose reader the MAC edits show (read then, or typed then); 0, which no
    // connection has, while they hold their start texts.
    std::uint64_t macConnection_ = 0;
};
