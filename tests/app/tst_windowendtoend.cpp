// SPDX-License-Identifier: LGPL-2.1-or-later
// The window with the real reader library against a reader-sim process: over loopback TCP
// (port chosen in the port dialog) and over a pseudo-terminal reached as COM1.

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "params/CommPortPage.h"
#include "session/ReaderLibrary.h"
#include "tests/support/SimProcess.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace windowtest;

namespace {

constexpr int kTcp = 0;
constexpr int kCom1 = 2;
constexpr std::uint8_t kMac[6] = {0x02, 0xA1, 0x5C, 0x00, 0x7E, 0xF0};

}  // namespace

class TestWindowEndToEnd : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<SimProcess> sim_;
    SharedReaderLibrary library_;
    std::unique_ptr<TForm1> window_;

    ConnectionGroup& group() { return *window_->connectionGroup(); }

    QStringList macTexts() const {
        QStringList texts;
        for (int index = 0; index < 6; ++index) {
            texts << window_->commPortPage()->macEdit(index)->text();
        }
        return texts;
    }

    // Sets the TCP port as the user does: F1, the port in the dialog, Enter.
    void choosePort(quint16 port) {
        auto seen = whenModal(window_.get(), [port](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            edit->setText(QString::number(port));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::keyClick(window_.get(), Qt::Key_F1);
        QVERIFY(*seen);
    }

    QStringList messagesSince(int line) const { return logMessages(*window_).mid(line); }

  private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(dir_.isValid());
        std::array<std::uint8_t, 256> memory{};
        std::copy(std::begin(kMac), std::end(kMac), memory.begin() + 0xAC);
        const QString memoryFile = dir_.filePath(QStringLiteral("memory.txt"));
        SimProcess::writeMemoryFile(memoryFile, memory);
        SimProcess::Options options;
        options.pty = true;
        options.firmware = QStringLiteral("3.1.4.1");
        options.memoryFile = memoryFile;
        sim_ = std::make_unique<SimProcess>(options);
        QVERIFY(sim_->start());
        qputenv("READER_COM1", sim_->ptyLink().toLocal8Bit());
    }

    void cleanupTestCase() { sim_.reset(); }

    void init() {
        window_ = std::make_unique<TForm1>(library_);
        window_->show();
    }

    void cleanup() {
        // Closing restores 9600 bps and closes a link left open by a failed check.
        if (window_) {
            window_->close();
        }
        window_.reset();
    }

    void connectQueryAndUpdate_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("openMessages");
        QTest::addColumn<QString>("panel0");
        const QString firmware = QStringLiteral("读写器固件程序版本是V3.1.4.1 !");
        const QString sdk = QStringLiteral("读写器SDK版本是V1.4.2.1 !");
        QTest::newRow("TCP/IP") << kTcp << 2 << QStringList{"打开读写器成功 !", firmware, sdk}
                                << "TCP/IP:打开";
        QTest::newRow("COM1 pseudo-terminal, 9600 bps")
            << kCom1 << 2 << QStringList{"打开读写器成功 !", "设置波特率成功 !", firmware, sdk}
            << "COM1:打开";
        QTest::newRow("COM1 pseudo-terminal, 38400 bps")
            << kCom1 << 4 << QStringList{"打开读写器成功 !", "设置波特率成功 !", firmware, sdk}
            << "COM1:打开";
    }

    void connectQueryAndUpdate() {
        QFETCH(int, link);
        QFETCH(int, rate);
        QFETCH(QStringList, openMessages);
        QFETCH(QString, panel0);
        choosePort(sim_->tcpPort());
        chooseItem(group().ComboBox1(), link);
        group().Edit71()->setText(QStringLiteral("127.0.0.1"));
        chooseItem(group().ComboBox2(), rate);

        // Before connecting, opening page 2 fails silently: the handle is not open.
        window_->PageControl1()->setCurrentIndex(TForm1::CommPortPageIndex);
        QCOMPARE(macTexts(), QStringList(6, QStringLiteral("FF")));
        QCOMPARE(logLines(*window_).size(), 1);
        window_->PageControl1()->setCurrentIndex(TForm1::ReaderParametersPageIndex);

        group().Button1()->click();
        QCOMPARE(messagesSince(1), openMessages);
        QCOMPARE(window_->statusPanelText(0), panel0);
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("通信正常"));
        QVERIFY(window_->BitBtn3()->isEnabled());
        QVERIFY(group().Button2()->isEnabled());

        // The reader's MAC address shows when page 2 opens.
        window_->PageControl1()->setCurrentIndex(TForm1::CommPortPageIndex);
        QCOMPARE(macTexts(), (QStringList{"02", "A1", "5C", "00", "7E", "F0"}));

        // "更新数据" resets the reader and returns to the disconnected state.
        const int before = static_cast<int>(logLines(*window_).size());
        group().Button3()->click();
        QCOMPARE(messagesSince(before), QStringList{"更新读写器工作参数成功 !"});
        QCOMPARE(window_->statusPanelText(0), group().ComboBox1()->currentText() + ":关闭");
        QCOMPARE(window_->statusPanelText(1), QString());
        QVERIFY(!group().Button2()->isEnabled());
        QVERIFY(!window_->BitBtn3()->isEnabled());
        QVERIFY(!window_->BitBtn4()->isEnabled());

        // The reader came back at 9600 bps: the start settings connect again.
        chooseItem(group().ComboBox1(), link);
        group().Button1()->click();
        QVERIFY2(group().Button2()->isEnabled(), qPrintable(logLines(*window_).join(u'\n')));
        group().Button2()->click();
        QVERIFY(group().Button1()->isEnabled());
    }

    void openFailsWhenNothingListens() {
        // A port of the dialog where no reader listens.
        SimProcess gone;
        QVERIFY(gone.start());
        const quint16 port = gone.tcpPort();
        gone.stop();
        choosePort(port);
        chooseItem(group().ComboBox1(), kTcp);
        group().Edit71()->setText(QStringLiteral("127.0.0.1"));
        group().Button1()->click();
        // The message as it always was, then the library's reason naming the address.
        QCOMPARE(messagesSince(1),
                 (QStringList{"打开读写器不成功 !",
                              QStringLiteral("原因: 127.0.0.1:%1: connection refused").arg(port)}));
        QCOMPARE(window_->statusPanelText(0), QStringLiteral("  TCP/IP:Closed"));
        QVERIFY(group().Button1()->isEnabled());
        QVERIFY(!window_->BitBtn3()->isEnabled());
    }
};

QTEST_MAIN(TestWindowEndToEnd)
#include "tst_windowendtoend.moc"
