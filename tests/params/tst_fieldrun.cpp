// SPDX-License-Identifier: LGPL-2.1-or-later
// An operation's run of steps: the reason line after a failed step, a dead link that stops
// costing a timeout per step while a refusing reader does not, and the next run trying it.

#include "params/FieldRun.h"
#include "tests/support/PageTestSupport.h"

#include <QApplication>

namespace {

using Failure = RecordingReaderLibrary::Failure;

constexpr int kSteps = 6;

struct Run {
    RecordingReaderLibrary library;
    ReaderSession session{library};
    QPlainTextEdit memo;
    OperationLog log{&memo};

    Run() { *session.handleSlot() = 3; }

    // Six one-byte writes at 0x10.. with the messages "step 1".. "step 6".
    void writeSteps() {
        FieldRun run(session, log);
        for (int step = 0; step < kSteps; ++step) {
            run.write({0x10 + step, 1}, {std::uint8_t(step)}, QString("step %1").arg(step + 1));
        }
        run.finish("ok", "failed");
    }
};

}  // namespace

class TestFieldRun : public QObject {
    Q_OBJECT

  private slots:
    void failedStepLogsReason();
    void deadLinkStopsTraffic_data();
    void deadLinkStopsTraffic();
    void everyRunBeginsAnOperation();
};

void TestFieldRun::failedStepLogsReason() {
    Run r;
    r.library.failCallIndex(1, Failure::Link);
    r.library.failCallIndex(3, Failure::Exception);
    r.writeSteps();
    const QString link =
        QString::fromStdString(RecordingReaderLibrary::errorOf(Failure::Link).text);
    const QString refused =
        QString::fromStdString(RecordingReaderLibrary::errorOf(Failure::Exception).text);
    QCOMPARE(logLines(r.memo),
             (QStringList{"step 2", "原因: " + link, "step 4", "原因: " + refused, "failed"}));
    QCOMPARE(logMessages(r.memo), (QStringList{"step 2", "step 4", "failed"}));
}

void TestFieldRun::deadLinkStopsTraffic_data() {
    QTest::addColumn<QList<int>>("linkFailures");  // call indices
    QTest::addColumn<QList<int>>("refusals");      // call indices answered with an exception
    QTest::addColumn<int>("calls");                // calls that reached the library
    QTest::addColumn<QStringList>("messages");

    const QStringList fromThird{"step 3", "step 4", "step 5", "step 6", "failed"};
    QTest::newRow("two in a row give up") << QList<int>{2, 3} << QList<int>{} << 4 << fromThird;
    QTest::newRow("every call fails")
        << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{} << 2
        << QStringList{"step 1", "step 2", "step 3", "step 4", "step 5", "step 6", "failed"};
    QTest::newRow("a lost frame costs its step only")
        << QList<int>{1, 3, 5} << QList<int>{} << kSteps
        << QStringList{"step 2", "step 4", "step 6", "failed"};
    QTest::newRow("a refusing reader is alive")
        << QList<int>{} << QList<int>{2, 3, 4} << kSteps
        << QStringList{"step 3", "step 4", "step 5", "failed"};
    QTest::newRow("an answer between link failures")
        << QList<int>{2, 4} << QList<int>{3} << kSteps
        << QStringList{"step 3", "step 4", "step 5", "failed"};
    QTest::newRow("all well") << QList<int>{} << QList<int>{} << kSteps << QStringList{"ok"};
}

void TestFieldRun::deadLinkStopsTraffic() {
    QFETCH(QList<int>, linkFailures);
    QFETCH(QList<int>, refusals);
    QFETCH(int, calls);
    QFETCH(QStringList, messages);
    Run r;
    for (int index : linkFailures) {
        r.library.failCallIndex(index, Failure::Link);
    }
    for (int index : refusals) {
        r.library.failCallIndex(index, Failure::Exception);
    }
    r.writeSteps();
    QCOMPARE(int(r.library.calls().size()), calls);
    // The library heard of the operation once, before its first call.
    QCOMPARE(r.library.operationsBegun, (std::vector<RecordingReaderLibrary::Begin>{{3, 0}}));
    // Every step still logs its own message; the skipped ones give no reason.
    QCOMPARE(logMessages(r.memo), messages);
    QCOMPARE(logLines(r.memo).size() - messages.size(),
             int(std::count_if(linkFailures.begin(), linkFailures.end(),
                               [&](int index) { return index < calls; })) +
                 int(refusals.size()));
}

// A link given up by one run is tried again by the next: each run tells the library that an
// operation begins before its first call, so that call is made even within a reconnect pause.
// A run that makes no call begins nothing.
void TestFieldRun::everyRunBeginsAnOperation() {
    Run r;
    { FieldRun idle(r.session, r.log); }
    QCOMPARE(r.library.operationsBegun.size(), std::size_t{0});
    r.library.failOperation("SetParameter", Failure::Link);
    r.writeSteps();
    r.writeSteps();
    QCOMPARE(int(r.library.calls().size()), 2 * DeadLinkGuard::kFailuresBeforeGivingUp);
    QCOMPARE(r.library.operationsBegun,
             (std::vector<RecordingReaderLibrary::Begin>{{3, 0}, {3, 2}}));
}

QTEST_MAIN(TestFieldRun)
#include "tst_fieldrun.moc"
