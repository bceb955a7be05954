// SPDX-License-Identifier: LGPL-2.1-or-later
// The reader finder (F3) against a bus of two simulated readers on a pseudo-terminal reached
// as COM1: both found with station, rate, firmware and serial number while the window stays
// responsive; choosing one sets the window's station and rate boxes, and "联机" then reaches
// a reader found at another rate than 9600; stop ends a scan.

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "app/FindReaderDialog.h"
#include "session/ReaderLibrary.h"
#include "tests/support/RecordingReaderLibrary.h"
#include "tests/support/SimProcess.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace windowtest;

namespace {

QStringList rowTexts(const QTreeWidget* readers) {
    QStringList rows;
    for (int i = 0; i < readers->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = readers->topLevelItem(i);
        rows << QStringLiteral("%1 %2 %3").arg(row->text(0), row->text(1), row->text(2));
    }
    return rows;
}

}  // namespace

class TestFindReader : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void findsTheReadersOfABusAndChoosesOne();
    void connectsToAReaderFoundAtAnotherRate();
    void readerBeyondTheStationBoxIsNotChosen();
    void stopEndsTheScan();
    void noSerialPortSelected();

  private:
    std::unique_ptr<SimProcess> sim_;
};

void TestFindReader::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.bus = {QStringLiteral("3"), QStringLiteral("7")};
    sim_ = std::make_unique<SimProcess>(options);
    QVERIFY(sim_->start());
    qputenv("READER_COM1", sim_->ptyLink().toLocal8Bit());
}

void TestFindReader::findsTheReadersOfABusAndChoosesOne() {
    RecordingReaderLibrary library;
    TForm1 window(library);
    window.show();
    window.connectionGroup()->ComboBox1()->setCurrentIndex(2);  // COM1

    // F3 opens the finder as a modal dialog; the rest happens while it runs.
    bool scanned = false;
    int timerTicks = 0;
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, [&timerTicks] { ++timerTicks; });
    auto seen = whenModal(&window, [&](QWidget* widget) {
        auto* dialog = qobject_cast<FindReaderDialog*>(widget);
        QVERIFY(dialog);
        QCOMPARE(dialog->stationsEdit()->text(), QStringLiteral("1-20"));
        dialog->stationsEdit()->setText(QStringLiteral("1-8"));
        ticking.start(10);
        dialog->startButton()->click();
        QVERIFY(dialog->isScanning());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isScanning(), 60000);
        // The window kept handling its events while the scan ran.
        QVERIFY(timerTicks > 5);
        QCOMPARE(rowTexts(dialog->readers()), (QStringList{"3 9600 2.1.0.7", "7 9600 2.1.0.7"}));
        QVERIFY(!dialog->readers()->topLevelItem(0)->text(3).isEmpty());
        QCOMPARE(dialog->progressBar()->value(), dialog->progressBar()->maximum());
        dialog->readers()->setCurrentItem(dialog->readers()->topLevelItem(1));
        dialog->chooseButton()->click();
        scanned = true;
    });
    QTest::keyClick(window.Memo1(), Qt::Key_F3);
    QTRY_VERIFY_WITH_TIMEOUT(*seen && scanned, 90000);
    QCOMPARE(window.connectionGroup()->ComboBox7()->currentIndex(), 7);
    QVERIFY(window.connectionGroup()->ComboBox2()->currentText().startsWith("9600 "));
    QCOMPARE(library.callTexts().filter(QStringLiteral("SelectStation")).value(0),
             QStringLiteral("SelectStation(7)"));
}

void TestFindReader::connectsToAReaderFoundAtAnotherRate() {
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.bus = {QStringLiteral("7@19200")};
    SimProcess sim(options);
    QVERIFY(sim.start());
    qputenv("READER_COM2", sim.ptyLink().toLocal8Bit());
    SharedReaderLibrary library;
    TForm1 window(library);
    window.show();
    ConnectionGroup* group = window.connectionGroup();
    group->ComboBox1()->setCurrentIndex(3);  // COM2
    const auto log = [&window] { return window.Memo1()->toPlainText(); };

    // Picked by hand, the reader is asked for the rate at 9600 bps, which it does not hear.
    group->ComboBox7()->setCurrentIndex(7);
    emit group->ComboBox7()->activated(7);
    group->ComboBox2()->setCurrentIndex(3);  // 19200
    group->Button1()->click();
    QVERIFY(log().contains(QStringLiteral("设置波特率不成功 !")));
    QVERIFY(!group->isConnected());

    auto seen = whenModal(&window, [&](QWidget* widget) {
        auto* dialog = qobject_cast<FindReaderDialog*>(widget);
        QVERIFY(dialog);
        dialog->stationsEdit()->setText(QStringLiteral("7"));
        dialog->startButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isScanning(), 30000);
        QCOMPARE(rowTexts(dialog->readers()), QStringList{"7 19200 2.1.0.7"});
        dialog->readers()->setCurrentItem(dialog->readers()->topLevelItem(0));
        dialog->chooseButton()->click();
    });
    QTest::keyClick(window.Memo1(), Qt::Key_F3);
    QTRY_VERIFY_WITH_TIMEOUT(*seen, 60000);
    QVERIFY(group->ComboBox2()->currentText().startsWith(QStringLiteral("19200")));

    group->Button1()->click();
    QVERIFY(group->isConnected());
    QVERIFY(log().contains(QStringLiteral("设置波特率成功 !")));
    std::array<std::uint8_t, 4> version{};
    QCOMPARE(library.GetFirmwareVersion(window.session().handle(), version.data()), 0);
    QCOMPARE(int(version[0]), 2);
    // The disconnect leaves the reader at 9600 bps, where the next session starts.
    group->Button2()->click();
    QVERIFY(!group->isConnected());
}

void TestFindReader::readerBeyondTheStationBoxIsNotChosen() {
    // A window that names stations 1 to 5 only: station 7 is listed but cannot be chosen.
    FindReaderDialog dialog(QStringLiteral("COM1"), 5);
    QSignalSpy chosen(&dialog, &FindReaderDialog::readerChosen);
    dialog.stationsEdit()->setText(QStringLiteral("3-7"));
    dialog.startButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isScanning(), 60000);
    QCOMPARE(rowTexts(dialog.readers()), (QStringList{"3 9600 2.1.0.7", "7 9600 2.1.0.7"}));
    QTreeWidgetItem* beyond = dialog.readers()->topLevelItem(1);
    dialog.readers()->setCurrentItem(beyond);
    QVERIFY(!dialog.chooseButton()->isEnabled());
    QVERIFY(dialog.statusLabel()->text().startsWith(QStringLiteral("查找完成，找到2台读写器")));
    QVERIFY(dialog.statusLabel()->text().contains(QStringLiteral("1-5")));
    emit dialog.readers()->itemDoubleClicked(beyond, 0);
    QCOMPARE(chosen.count(), 0);
    dialog.readers()->setCurrentItem(dialog.readers()->topLevelItem(0));
    QVERIFY(dialog.chooseButton()->isEnabled());
    dialog.chooseButton()->click();
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 3);
}

void TestFindReader::stopEndsTheScan() {
    FindReaderDialog dialog(QStringLiteral("COM1"), ConnectionGroup::kLastStation);
    dialog.stationsEdit()->setText(QStringLiteral("10-247"));
    dialog.startButton()->click();
    QTRY_VERIFY(dialog.progressBar()->value() >= 2);
    QElapsedTimer stopping;
    stopping.start();
    dialog.stopButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isScanning(), 5000);
    QVERIFY(stopping.elapsed() < 2000);
    QVERIFY(dialog.statusLabel()->text().startsWith(QStringLiteral("已停止")));
}

void TestFindReader::noSerialPortSelected() {
    FindReaderDialog dialog(QString{}, ConnectionGroup::kLastStation);
    QVERIFY(!dialog.startButton()->isEnabled());
    QVERIFY(!dialog.statusLabel()->text().isEmpty());
}

QTEST_MAIN(TestFindReader)
#include "tst_findreader.moc"
