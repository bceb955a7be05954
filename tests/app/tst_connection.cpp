// SPDX-License-Identifier: LGPL-2.1-or-later
// The connection group "通信设置": connect, disconnect and update with their exact library
// calls, log lines and status texts; with the recording fake library.

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "reader/SerialPortNames.h"
#include "tests/support/RecordingReaderLibrary.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace windowtest;

namespace {

constexpr int kTcp = 0;
constexpr int kUsb = 1;
constexpr int kCom1 = 2;
constexpr int kCom2 = 3;
constexpr int kCom3 = 4;

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<RecordingReaderLibrary> library_;
    std::unique_ptr<TForm1> window_;

    ConnectionGroup& group() { return *window_->connectionGroup(); }

    void expectConnected(bool connected) {
        QCOMPARE(group().Button1()->isEnabled(), !connected);
        QCOMPARE(group().Button2()->isEnabled(), connected);
        QCOMPARE(group().Button3()->isEnabled(), connected);
        QCOMPARE(window_->BitBtn3()->isEnabled(), connected);
        QCOMPARE(window_->BitBtn4()->isEnabled(), connected);
        // The link, rate, address and station boxes stay usable in both states.
        QVERIFY(group().ComboBox1()->isEnabled());
        QVERIFY(group().ComboBox7()->isEnabled());
    }

    // Messages logged since start, without the start line.
    QStringList newMessages() const { return logMessages(*window_).mid(1); }

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // Each COM item names the device it stands for; opening the list looks again, so an
    // adapter plugged in meanwhile shows without a restart.
    void linkItemsNameTheirDevices() {
        using reader::SerialDevice;
        std::vector<SerialDevice> devices{{"/dev/ttyS0", {}, false, {}, {}, {}},
                                          {"/dev/ttyUSB3", "/dev/serial/by-id/usb-FTDI_A1", true,
                                           "FT232R USB UART", "FTDI", "A1"}};
        reader::setSerialDeviceSource([&] { return devices; });
        qunsetenv("READER_COM1");
        qunsetenv("READER_COM2");
        qunsetenv("READER_COM3");
        QComboBox* box = group().ComboBox1();
        box->showPopup();
        box->hidePopup();
        const auto tip = [box](int item) {
            return box->itemData(item, Qt::ToolTipRole).toString();
        };
        QCOMPARE(tip(kCom1), QStringLiteral("/dev/ttyUSB3\n/dev/serial/by-id/usb-FTDI_A1\n"
                                            "FT232R USB UART\nFTDI\nA1"));
        QCOMPARE(tip(kCom2), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(tip(kCom3), QStringLiteral("无串口设备"));
        devices.push_back({"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_B2", true, {}, {}, {}});
        QCOMPARE(tip(kCom3), QStringLiteral("无串口设备"));  // not before the list opens
        box->showPopup();
        box->hidePopup();
        QCOMPARE(tip(kCom2), QStringLiteral("/dev/ttyUSB0\n/dev/serial/by-id/usb-FTDI_B2"));
        QCOMPARE(tip(kCom3), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(box->itemText(kCom3), QStringLiteral("COM3"));
        reader::setSerialDeviceSource({});
    }

    void init() {
        library_ = std::make_unique<RecordingReaderLibrary>();
        window_ = std::make_unique<TForm1>(*library_);
        window_->show();
    }

    void cleanup() {
        window_.reset();
        library_.reset();
    }

    void linkBoxShowsRateOrAddress_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("addressShown");
        QTest::newRow("TCP/IP") << kTcp << "IP地址" << true;
        QTest::newRow("USB") << kUsb << "波特率" << false;
        QTest::newRow("COM8") << 9 << "波特率" << false;
    }

    void linkBoxShowsRateOrAddress() {
        QFETCH(int, link);
        QFETCH(QString, label);
        QFETCH(bool, addressShown);
        group().ComboBox2()->setCurrentIndex(6);
        chooseItem(group().ComboBox1(), link);
        QCOMPARE(group().Label2()->text(), label);
        QCOMPARE(group().Edit71()->isVisible(), addressShown);
        QCOMPARE(group().ComboBox2()->isVisible(), !addressShown);
        // A serial or USB link starts again at 9600 bps; TCP/IP leaves the hidden list alone.
        QCOMPARE(group().ComboBox2()->currentIndex(), addressShown ? 6 : 2);
        QCOMPARE(group().Edit71()->text(), QStringLiteral("192.168.0.178"));
        QCOMPARE(library_->callTexts(), QStringList());
    }

    void connect_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("rate");  // -1 keeps the rate list as it is
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("panel0");
        const QStringList versions{"读写器固件程序版本是V2.1.0.7 !", "读写器SDK版本是V1.4.2.1 !"};
        const QStringList versionCalls{"GetFirmwareVersion(1)", "GetSdkVersion(1)"};
        QTest::newRow("TCP/IP, address as typed")
            << kTcp << -1 << " 10.0.0.7x"
            << QStringList{"SelectStation(-1)", "OpenReader(2, \" 10.0.0.7x\")"} + versionCalls
            << QStringList{"打开读写器成功 !"} + versions << "TCP/IP:打开";
        QTest::newRow("USB, null address")
            << kUsb << -1 << ""
            << QStringList{"SelectStation(-1)", "OpenReader(3, null)"} + versionCalls
            << QStringList{"打开读写器成功 !"} + versions << "USB:打开";
        QTest::newRow("COM1 at the start settings")
            << kCom1 << -1 << ""
            << QStringList{"SelectStation(-1)", "OpenReader(1, \"COM1\")", "SetBaudRate(1, 2)"} +
                   versionCalls
            << QStringList{"打开读写器成功 !", "设置波特率成功 !"} + versions << "COM1:打开";
        QTest::newRow("COM2 at 115200 bps")
            << kCom2 << 6 << ""
            << QStringList{"SelectStation(-1)", "OpenReader(1, \"COM2\")", "SetBaudRate(1, 6)"} +
                   versionCalls
            << QStringList{"打开读写器成功 !", "设置波特率成功 !"} + versions << "COM2:打开";
    }

    void connect() {
        QFETCH(int, link);
        QFETCH(int, rate);
        QFETCH(QString, address);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, messages);
        QFETCH(QString, panel0);
        chooseItem(group().ComboBox1(), link);
        if (rate >= 0) {
            chooseItem(group().ComboBox2(), rate);
        }
        if (link == kTcp) {
            group().Edit71()->clear();
            QTest::keyClicks(group().Edit71(), address);
        }
        group().Button1()->click();
        QCOMPARE(library_->callTexts(), calls);
        QCOMPARE(newMessages(), messages);
        QCOMPARE(window_->statusPanelText(0), panel0);
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("通信正常"));
        QCOMPARE(window_->session().handle(), 1);
        QCOMPARE(group().openLinkIndex(), link);
        expectConnected(true);
    }

    void station_data() {
        QTest::addColumn<QString>("before");   // station actions whose calls are not checked
        QTest::addColumn<QString>("actions");  // see stationActions()
        QTest::addColumn<QStringList>("atOnce");
        QTest::addColumn<QString>("refusal");  // the log line of a refused text, or empty
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("onConnect");  // the SelectStation calls of "联机"
        const QStringList none;
        const QStringList any{"SelectStation(-1)"};
        const QStringList five{"SelectStation(5)"};
        QTest::newRow("untouched") << ""
                                   << "" << none << ""
                                   << "任意站" << any;
        QTest::newRow("任意站 picked") << ""
                                       << "pick 0" << QStringList{"SelectStation(255)"} << ""
                                       << "任意站" << QStringList{"SelectStation(0)"};
        QTest::newRow("站5 picked") << ""
                                    << "pick 5" << five << ""
                                    << "站5" << five;
        QTest::newRow("站20 picked") << ""
                                     << "pick 20" << QStringList{"SelectStation(20)"} << ""
                                     << "站20" << QStringList{"SelectStation(20)"};
        QTest::newRow("站5 typed, Enter") << ""
                                          << "type 站5 enter" << five << ""
                                          << "站5" << five;
        QTest::newRow("站5 typed, Tab") << ""
                                        << "type 站5 tab" << five << ""
                                        << "站5" << five;
        QTest::newRow("5 typed, Enter") << ""
                                        << "type 5 enter" << five << ""
                                        << "站5" << five;
        QTest::newRow("20 typed, Tab") << ""
                                       << "type 20 tab" << QStringList{"SelectStation(20)"} << ""
                                       << "站20" << QStringList{"SelectStation(20)"};
        QTest::newRow("full-width ５ typed, Enter") << ""
                                                    << "type ５ enter" << five << ""
                                                    << "站5" << five;
        QTest::newRow("任意站 typed, Enter")
            << "pick 7"
            << "type 任意站 enter" << QStringList{"SelectStation(255)"} << ""
            << "任意站" << QStringList{"SelectStation(0)"};
        // A text still being typed is taken up by "联机" itself, through the change handler.
        QTest::newRow("站5 typed, then 联机")
            << ""
            << "type 站5 none" << none << ""
            << "站5" << QStringList{"SelectStation(5)", "SelectStation(5)"};
        QTest::newRow("站5 typed over 站9, Tab") << "pick 9"
                                                 << "type 站5 tab" << five << ""
                                                 << "站5" << five;
        // A text that names no station is refused; the station before stays.
        QTest::newRow("站21 typed into the untouched box")
            << ""
            << "type 站21 enter" << none << "站地址“站21”无效，仍为“任意站” !"
            << "任意站" << any;
        QTest::newRow("站21 typed over 站5")
            << "pick 5"
            << "type 站21 enter" << none << "站地址“站21”无效，仍为“站5” !"
            << "站5" << five;
        QTest::newRow("x typed over 站5, Tab")
            << "pick 5"
            << "type x tab" << none << "站地址“x”无效，仍为“站5” !"
            << "站5" << five;
        QTest::newRow("0 typed over 站5") << "pick 5"
                                          << "type 0 enter" << none << "站地址“0”无效，仍为“站5” !"
                                          << "站5" << five;
        QTest::newRow("21 typed over 站5")
            << "pick 5"
            << "type 21 enter" << none << "站地址“21”无效，仍为“站5” !"
            << "站5" << five;
        QTest::newRow("emptied 站5, Enter") << "type 站5 tab"
                                            << "type  enter" << none << "站地址“”无效，仍为“站5” !"
                                            << "站5" << five;
        QTest::newRow("9 added to 站3, then 联机") << "pick 3"
                                                   << "type 站39 none" << none << ""
                                                   << "站3" << QStringList{"SelectStation(3)"};
    }

    void station() {
        QFETCH(QString, before);
        QFETCH(QString, actions);
        QFETCH(QStringList, atOnce);
        QFETCH(QString, refusal);
        QFETCH(QString, shown);
        QFETCH(QStringList, onConnect);
        QComboBox* box = group().ComboBox7();
        stationActions(box, before);
        library_->clearCalls();
        const QStringList messagesBefore = newMessages();
        stationActions(box, actions);
        // The station takes effect at once, connected or not.
        QCOMPARE(library_->callTexts(), atOnce);
        QCOMPARE(newMessages().mid(messagesBefore.size()),
                 refusal.isEmpty() ? QStringList() : QStringList{refusal});
        if (actions.endsWith(QStringLiteral(" none"))) {
            QCOMPARE(box->currentText(), actions.section(u' ', 1, 1));
        } else {
            QCOMPARE(box->currentText(), shown);
        }
        library_->clearCalls();
        group().Button1()->click();
        QStringList stationCalls = library_->callTexts();
        stationCalls.erase(
            std::remove_if(stationCalls.begin(), stationCalls.end(),
                           [](const QString& call) {
                               return !call.startsWith(QStringLiteral("SelectStation"));
                           }),
            stationCalls.end());
        QCOMPARE(stationCalls, onConnect);
        // The calls come before the link is opened.
        QCOMPARE(library_->callTexts().mid(0, onConnect.size()), onConnect);
        QCOMPARE(box->currentText(), shown);
        QVERIFY(group().isConnected());
    }

    // Only the user's own finishing takes a typed text up: closing the window, or a dialog
    // taking the focus, sends and logs nothing.
    void closingWhileTypingSendsNothing() {
        QComboBox* box = group().ComboBox7();
        stationActions(box, QStringLiteral("pick 4; type 站9 none"));
        library_->clearCalls();
        const QStringList messages = newMessages();
        window_->close();
        QVERIFY(!window_->isVisible());
        QCOMPARE(library_->callTexts(), QStringList());
        QCOMPARE(newMessages(), messages);
    }

    void clickElsewhereFinishesTyping() {
        QComboBox* box = group().ComboBox7();
        stationActions(box, QStringLiteral("type 站6 none"));
        library_->clearCalls();
        // A click on another control of the window ("清除操作提示") takes the focus.
        QTest::mouseClick(window_->BitBtn2(), Qt::LeftButton);
        QVERIFY(!box->hasFocus());
        QCOMPARE(library_->callTexts(), QStringList{"SelectStation(6)"});
    }

    void refusedTextAtConnectIsLogged() {
        stationActions(group().ComboBox7(), QStringLiteral("pick 3; type 站39 none"));
        group().Button1()->click();
        QCOMPARE(newMessages().value(0), QStringLiteral("站地址“站39”无效，仍为“站3” !"));
        QCOMPARE(newMessages().value(1), QStringLiteral("打开读写器成功 !"));
    }

    void leavingTheStationBoxSelectsNothing() {
        // Focus leaving the box (editing finished) keeps "任意站" unselected.
        emit group().ComboBox7()->lineEdit()->editingFinished();
        QCOMPARE(group().ComboBox7()->currentIndex(), -1);
        QCOMPARE(library_->callTexts(), QStringList());
        group().Button1()->click();
        QCOMPARE(library_->callTexts().value(0), QStringLiteral("SelectStation(-1)"));
    }

    void openFailure_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("panel0");
        QTest::addColumn<RecordingReaderLibrary::Failure>("failure");
        QTest::newRow("TCP/IP") << kTcp << "  TCP/IP:Closed"
                                << RecordingReaderLibrary::Failure::Link;
        QTest::newRow("COM3") << kCom3 << "  COM3:Closed" << RecordingReaderLibrary::Failure::Link;
        QTest::newRow("COM3 refused by the reader")
            << kCom3 << "  COM3:Closed" << RecordingReaderLibrary::Failure::Exception;
    }

    // The failure's message stays as it is; the reason the library gives follows on a line of
    // its own.
    void openFailure() {
        QFETCH(int, link);
        QFETCH(QString, panel0);
        QFETCH(RecordingReaderLibrary::Failure, failure);
        chooseItem(group().ComboBox1(), link);
        library_->failOperation(QStringLiteral("OpenReader"), failure);
        group().Button1()->click();
        QCOMPARE(library_->callTexts().size(), 2);  // station and open, nothing after
        const QString reason =
            QString::fromStdString(RecordingReaderLibrary::errorOf(failure).text);
        QCOMPARE(newMessages(), (QStringList{"打开读写器不成功 !", "原因: " + reason}));
        QCOMPARE(window_->statusPanelText(0), panel0);
        QCOMPARE(window_->statusPanelText(1), QString());
        QCOMPARE(group().openLinkIndex(), 0);
        expectConnected(false);
    }

    void serialRateFailure() {
        chooseItem(group().ComboBox1(), kCom2);
        library_->failOperation(QStringLiteral("SetBaudRate"));
        group().Button1()->click();
        QCOMPARE(library_->callTexts(), (QStringList{"SelectStation(-1)", "OpenReader(1, \"COM2\")",
                                                     "SetBaudRate(1, 2)", "CloseReader(1)"}));
        QCOMPARE(newMessages(), (QStringList{"打开读写器成功 !", "设置波特率不成功 !"}));
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("通信异常"));
        // The link was closed again, so panel 0 must not say it is open.
        QCOMPARE(window_->statusPanelText(0), QStringLiteral("COM2:关闭"));
        QCOMPARE(group().openLinkIndex(), 0);
        expectConnected(false);
    }

    void versionLines_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("both answer")
            << "" << QStringList{"读写器固件程序版本是V3.0.10.255 !", "读写器SDK版本是V1.4.2.1 !"};
        // A failed call is not detected: the line shows what the buffer holds.
        QTest::newRow("firmware fails")
            << "GetFirmwareVersion"
            << QStringList{"读写器固件程序版本是V0.0.0.0 !", "读写器SDK版本是V1.4.2.1 !"};
        QTest::newRow("SDK fails")
            << "GetSdkVersion"
            << QStringList{"读写器固件程序版本是V3.0.10.255 !", "读写器SDK版本是V3.0.10.255 !"};
    }

    void versionLines() {
        QFETCH(QString, failing);
        QFETCH(QStringList, messages);
        chooseItem(group().ComboBox1(), kTcp);
        library_->firmwareVersion = {3, 0, 10, 255};
        if (!failing.isEmpty()) {
            library_->failOperation(failing);
        }
        group().Button1()->click();
        QCOMPARE(newMessages().mid(1), messages);
        expectConnected(true);
    }

    void disconnectAndUpdate_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("panel0");
        QTest::addColumn<QString>("panel1");
        const QStringList closeCalls{"SetBaudRate(1, 2)", "CloseReader(1)"};
        QTest::newRow("disconnect TCP/IP") << kTcp << "Button2"
                                           << "" << closeCalls << QStringList() << "TCP/IP:关闭"
                                           << "";
        QTest::newRow("disconnect COM1") << kCom1 << "Button2"
                                         << "" << closeCalls << QStringList() << "COM1:关闭"
                                         << "";
        QTest::newRow("disconnect, close fails")
            << kUsb << "Button2"
            << "CloseReader" << closeCalls << QStringList() << "USB:关闭"
            << "";
        QTest::newRow("update TCP/IP") << kTcp << "Button3"
                                       << "" << QStringList{"ResetReader(1)", "CloseReader(1)"}
                                       << QStringList{"更新读写器工作参数成功 !"} << "TCP/IP:关闭"
                                       << "";
        QTest::newRow("update USB") << kUsb << "Button3"
                                    << "" << QStringList{"ResetReader(1)", "CloseReader(1)"}
                                    << QStringList{"更新读写器工作参数成功 !"} << "USB:关闭"
                                    << "";
        QTest::newRow("update COM1")
            << kCom1 << "Button3"
            << "" << QStringList{"SetBaudRate(1, 2)", "ResetReader(1)", "CloseReader(1)"}
            << QStringList{"更新读写器工作参数成功 !"} << "COM1:关闭"
            << "";
        QTest::newRow("update COM1, rate fails")
            << kCom1 << "Button3"
            << "SetBaudRate" << QStringList{"SetBaudRate(1, 2)", "ResetReader(1)", "CloseReader(1)"}
            << QStringList{"更新读写器工作参数不成功 !"} << "COM1:关闭"
            << "";
        QTest::newRow("update TCP/IP, reset fails")
            << kTcp << "Button3"
            << "ResetReader" << QStringList{"ResetReader(1)", "CloseReader(1)"}
            << QStringList{"更新读写器工作参数不成功 !"} << "TCP/IP:关闭"
            << "";
        QTest::newRow("update COM1, close fails")
            << kCom1 << "Button3"
            << "CloseReader" << QStringList{"SetBaudRate(1, 2)", "ResetReader(1)", "CloseReader(1)"}
            << QStringList{"更新读写器工作参数不成功 !"} << "COM1:打开"
            << "通信正常";
    }

    void disconnectAndUpdate() {
        QFETCH(int, link);
        QFETCH(QString, button);
        QFETCH(QString, failing);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, messages);
        QFETCH(QString, panel0);
        QFETCH(QString, panel1);
        chooseItem(group().ComboBox1(), link);
        group().Button1()->click();
        expectConnected(true);
        const int connectLines = static_cast<int>(logLines(*window_).size());
        library_->clearCalls();
        library_->operationsBegun.clear();
        if (!failing.isEmpty()) {
            library_->failOperation(failing);
        }
        group().findChild<QPushButton*>(button)->click();
        QCOMPARE(library_->callTexts(), calls);
        // The update is an operation on the reader: its first call tries a link that came back.
        using Begun = std::vector<RecordingReaderLibrary::Begin>;
        const Begun begun = button == "Button3" ? Begun{{1, 0}} : Begun{};
        QCOMPARE(library_->operationsBegun, begun);
        QCOMPARE(logMessages(*window_).mid(connectLines), messages);
        QCOMPARE(window_->statusPanelText(0), panel0);
        QCOMPARE(window_->statusPanelText(1), panel1);
        expectConnected(false);
    }

    void linkBoxChangedWhileConnected_data() {
        QTest::addColumn<int>("openedOn");
        QTest::addColumn<int>("changedTo");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("panel0");
        QTest::newRow("COM1 then COM3, disconnect")
            << kCom1 << kCom3 << "Button2" << QStringList{"SetBaudRate(1, 2)", "CloseReader(1)"}
            << "COM3:关闭";
        QTest::newRow("COM1 then TCP/IP, update still serial")
            << kCom1 << kTcp << "Button3"
            << QStringList{"SetBaudRate(1, 2)", "ResetReader(1)", "CloseReader(1)"}
            << "TCP/IP:关闭";
        QTest::newRow("TCP/IP then COM2, update not serial")
            << kTcp << kCom2 << "Button3" << QStringList{"ResetReader(1)", "CloseReader(1)"}
            << "COM2:关闭";
    }

    void linkBoxChangedWhileConnected() {
        QFETCH(int, openedOn);
        QFETCH(int, changedTo);
        QFETCH(QString, button);
        QFETCH(QStringList, calls);
        QFETCH(QString, panel0);
        chooseItem(group().ComboBox1(), openedOn);
        group().Button1()->click();
        chooseItem(group().ComboBox1(), changedTo);
        QCOMPARE(group().openLinkIndex(), openedOn);
        library_->clearCalls();
        group().findChild<QPushButton*>(button)->click();
        QCOMPARE(library_->callTexts(), calls);
        QCOMPARE(window_->statusPanelText(0), panel0);
    }

    void reconnectAfterDisconnect() {
        group().Button1()->click();
        group().Button2()->click();
        library_->nextHandle = 2;
        library_->clearCalls();
        group().Button1()->click();
        QCOMPARE(
            library_->callTexts().mid(0, 3),
            (QStringList{"SelectStation(-1)", "OpenReader(1, \"COM1\")", "SetBaudRate(2, 2)"}));
        QCOMPARE(window_->session().handle(), 2);
        expectConnected(true);
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
