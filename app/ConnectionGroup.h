// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QGroupBox>

#include <memory>

class OperationLog;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ReaderSession;

namespace Ui {
class ConnectionGroup;
}

// The group "通信设置": chooses the link (TCP/IP, USB, COM1..COM8), the serial rate or the
// reader's IP address and the station, and connects, disconnects and updates the reader.
// The window shows the status texts and switches the query and set buttons through the
// signals.
class ConnectionGroup : public QGroupBox {
    Q_OBJECT
  public:
    // The station box names stations 1 to this one.
    static constexpr int kLastStation = 20;

    ConnectionGroup(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ConnectionGroup() override;

    // A reader is connected exactly while "断开连接" is enabled.
    bool isConnected() const;
    // The link box's item index at the last successful connection (0 TCP/IP, 1 USB, 2..9
    // serial ports), kept in the link box's "tag" property; 0 until then.
    int openLinkIndex() const;
    // The serial port the link box names ("COM1".."COM8"); empty for TCP/IP and USB.
    QString selectedSerialPort() const;
    // The station the box names: -1 while the box has never been changed, 0 for "任意站",
    // 1 to 20 for "站1" to "站20". A text being typed counts once it is finished (Enter,
    // Tab or a click elsewhere in the window, or "联机").
    int stationIndex() const;

    // Puts the reader back to 9600 bps and closes the link, both results ignored: the
    // disconnect and the window's close leave every reader at the rate a session starts with.
    void restoreRateAndClose();

    // Shows the rate list or the IP address box for the selected link; start-up runs it too.
    void ComboBox1Change();

    // Sets each link item's tooltip to the device it stands for now (path, description, maker,
    // serial number); runs at start and whenever the link box opens.
    void refreshLinkDevices();

    // A reader the finder found on the selected serial port: selects its station and rate
    // as the user would. The next "联机" with that link, station and rate reaches it at that
    // rate, although it does not hear the 9600 bps a connection opens with.
    void useFoundReader(int station, int bitsPerSecond);

    QComboBox* ComboBox1() const;
    QComboBox* ComboBox2() const;
    QComboBox* ComboBox7() const;
    QLineEdit* Edit71() const;
    QLabel* Label2() const;
    QPushButton* Button1() const;
    QPushButton* Button2() const;
    QPushButton* Button3() const;

  signals:
    // Status bar panel 0 (link and state) or 1 (communication state) gets a new text.
    void statusTextChanged(int panel, const QString& text);
    // Connected: the query and set buttons are enabled; disconnected: disabled.
    void connectionChanged(bool connected);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Sends the station at once, connected or not.
    void ComboBox7Change();
    // An item picked from the list (or by the arrow keys or the wheel).
    void stationPicked(int index);
    // Takes up a typed station text; refuses a text that names no station, puts the box
    // back to the station before and says so in the log. False when refused.
    bool commitTypedStation();
    // The item a typed text names: "任意站", "站1".."站20" or a number 1..20 (full-width
    // digits too); -1 for none.
    int stationItemForText(const QString& text) const;
    // Shows the current station in the box ("任意站" with no item while never changed).
    void showStation();
    void Button1Click();
    void Button2Click();
    void Button3Click();

    void setConnectedState(bool connected);
    void logVersion(const QString& prefix, const unsigned char* version);

    std::unique_ptr<Ui::ConnectionGroup> ui_;
    ReaderSession& session_;
    OperationLog& log_;
    int station_ = -1;
    bool stationTyped_ = false;  // the box's text was edited since the last station
    struct FoundReader {
        int link = -1;
        int station = -1;
        int rateCode = -1;
    };
    FoundReader found_;  // the reader last chosen in the finder
};
