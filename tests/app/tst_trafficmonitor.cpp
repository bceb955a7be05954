// SPDX-License-Identifier: LGPL-2.1-or-later
// The traffic monitor: its rows, pause, clear and save, and against a reader-sim the
// exchanges of a query listed with their meaning while the monitor is open, none while closed.

#include "WindowTestSupport.h"
#include "app/TrafficMonitor.h"
#include "session/ReaderLibrary.h"
#include "tests/support/SimProcess.h"
#include "tests/support/SimWindow.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

TrafficEvent traced(TrafficEvent::Kind kind, const QByteArray& hex, const QString& note = {}) {
    TrafficEvent made;
    made.timeUs = 1'700'000'000'000'000;
    made.link = QStringLiteral("127.0.0.1:4001");
    made.kind = kind;
    made.bytes = QByteArray::fromHex(hex);
    made.elapsedUs = kind == TrafficEvent::Kind::Request ? 0 : 12'300;
    made.note = note;
    return made;
}

QStringList column(const QTreeWidget* rows, int column) {
    QStringList texts;
    for (int i = 0; i < rows->topLevelItemCount(); ++i) {
        texts << rows->topLevelItem(i)->text(column);
    }
    return texts;
}

}  // namespace

class TestTrafficMonitor : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void rowsPauseClearAndSave();
    void listsTheExchangesOfAQueryWhileOpen();
};

void TestTrafficMonitor::rowsPauseClearAndSave() {
    TrafficMonitor monitor;
    monitor.append(traced(TrafficEvent::Kind::Request, "000100000006FF0300870001"));
    monitor.append(traced(TrafficEvent::Kind::Reply, "000100000005FF03020002"));
    monitor.append(traced(TrafficEvent::Kind::Note, {}, QStringLiteral("no answer")));
    QTreeWidget* rows = monitor.rows();
    QCOMPARE(column(rows, 2), (QStringList{"请求", "应答", "提示"}));
    QCOMPARE(column(rows, 3), (QStringList{"00 01 00 00 00 06 FF 03 00 87 00 01",
                                           "00 01 00 00 00 05 FF 03 02 00 02", ""}));
    QCOMPARE(column(rows, 4),
             (QStringList{"读 0x87 通信协议", "0x87 通信协议 = Wiegand 34（12.3 ms）",
                          "no answer（12.3 ms）"}));
    // The note is marked, the answered exchange is not.
    QCOMPARE(rows->topLevelItem(2)->foreground(4).color(), QColor(Qt::red));
    QVERIFY(rows->topLevelItem(1)->foreground(4).color() != QColor(Qt::red));

    monitor.pauseButton()->click();
    monitor.append(traced(TrafficEvent::Kind::Request, "000200000006FF0300910001"));
    QCOMPARE(rows->topLevelItemCount(), 3);
    monitor.pauseButton()->click();

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("traffic.txt"));
    QVERIFY(monitor.saveTo(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).split(u'\t').mid(1),
             (QStringList{"127.0.0.1:4001", "请求", "00 01 00 00 00 06 FF 03 00 87 00 01",
                          "读 0x87 通信协议"}));
    QVERIFY(!monitor.saveTo(folder.filePath(QStringLiteral("missing/traffic.txt"))));

    monitor.clearButton()->click();
    QCOMPARE(rows->topLevelItemCount(), 0);
}

void TestTrafficMonitor::listsTheExchangesOfAQueryWhileOpen() {
#ifndef READER_HAS_TRACE_CALLBACK
    QSKIP("this libReader has no trace callback");
#else
    SimProcess sim;
    QVERIFY(sim.start());
    SharedReaderLibrary library;
    SimWindow window(library, sim.tcpPort());
    QVERIFY(window.connected());
    QTest::keyClick(window.form.Memo1(), Qt::Key_F2);
    TrafficMonitor* monitor = window.form.trafficMonitor();
    QVERIFY(monitor->isVisible());
    QTreeWidget* rows = monitor->rows();
    rows->clear();

    window.showPage(TForm1::ReaderParametersPageIndex, 0);
    window.query();
    // Every field of the basic page read: a request naming the field, its answer with the value.
    QTRY_VERIFY(column(rows, 4).contains(QStringLiteral("读 0x91 触发参数")));
    const QStringList meanings = column(rows, 4);
    const QStringList directions = column(rows, 2);
    QCOMPARE(directions.count(QStringLiteral("请求")), directions.count(QStringLiteral("应答")));
    const qsizetype trigger = meanings.indexOf(QStringLiteral("读 0x91 触发参数"));
    QVERIFY(meanings.value(trigger + 1).startsWith(QStringLiteral("0x91 触发参数 = ")));
    QCOMPARE(column(rows, 1).value(trigger), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()));

    // Closed, the monitor takes nothing.
    monitor->close();
    const int count = rows->topLevelItemCount();
    window.query();
    QTest::qWait(100);
    QCOMPARE(rows->topLevelItemCount(), count);
#endif
}

QTEST_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
