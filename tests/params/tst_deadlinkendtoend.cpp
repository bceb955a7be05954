// SPDX-License-Identifier: LGPL-2.1-or-later
// Page queries against readers that stop answering, lose one reply, refuse values or hang: the
// real window over the real library, off the GUI thread, and a scripted peer over loopback TCP
// and over a pseudo-terminal.

#include "tests/reader/FakePeers.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <signal.h>

#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

namespace {

using Failure = RecordingReaderLibrary::Failure;

// The query of the sub-page "基本功能": one read per field, in this order, each with the
// message its failure logs.
const QStringList kQueryFailures{
    "查询触发参数失败 !",
    "查询触发延时工作时间参数失败 !",
    "查询触发自动关机延时参数失败 !",
    "查询触发清除残留数据使能参数失败 !",
    "查询触发清除残留数据等待时间参数失败 !",
    "查询蜂鸣器参数失败 !",
    "查询用户编码参数失败 !",
    "查询标签刷新时间间隔参数失败 !",
    "查询继电器自动闭合参数失败 ! ",
    "查询继电器自动断开参数失败 ! ",
    "查询继电器1延时参数失败！",
    "查询继电器2延时参数失败！",
    "查询ID匹配检测时间间隔参数失败 !",
    "查询ID匹配控制参数失败 !",
};
const int kQueryReads = int(kQueryFailures.size());
const QString kQueryDone = QStringLiteral("查询读写器参数成功 !");
const QString kQueryFailed = QStringLiteral("查询读写器参数失败 !");

// The messages of a query whose reads with these numbers (1 = first) failed.
QStringList failedQuery(const QList<int>& failedReads, const QString& summary) {
    QStringList messages;
    for (int read : failedReads) {
        messages << kQueryFailures[read - 1];
    }
    return messages << summary;
}

QList<int> readsFrom(int first) {
    QList<int> reads;
    for (int read = first; read <= kQueryReads; ++read) {
        reads << read;
    }
    return reads;
}

const QString kReasonMark = QStringLiteral("原因: ");

// The log with each reason line cut to its mark: where the reasons stand, whatever their text.
QStringList logShape(const QPlainTextEdit& memo) {
    QStringList shape = logLines(memo);
    for (QString& line : shape) {
        if (isReasonLine(line)) {
            line = kReasonMark;
        }
    }
    return shape;
}

QStringList reasonLines(const QPlainTextEdit& memo) {
    QStringList reasons = logLines(memo);
    reasons.removeIf([](const QString& line) { return !isReasonLine(line); });
    return reasons;
}

// The same query in the same window over the recording fake, whose calls from the query's
// start fail as given: its log shape and how many calls reached the library.
struct FakeQuery {
    QStringList shape;
    int calls = 0;
};

FakeQuery queryOnFake(const QList<int>& lostReads, const QList<int>& refusedReads) {
    RecordingReaderLibrary fake;
    SimWindow window(fake, quint16{4001});
    window.showPage(1, 0);
    fake.clearCalls();
    for (int read : lostReads) {
        fake.failCallIndex(read - 1, Failure::Link);
    }
    for (int read : refusedReads) {
        fake.failCallIndex(read - 1, Failure::Exception);
    }
    window.query();
    return {logShape(*window.form.Memo1()), int(fake.calls().size())};
}

// Counts the paint events of one widget, read from any thread.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
    int paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints_;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::atomic<int> paints_{0};
};

// A reader that answers every request of a query normally, except those with the numbers
// given (1 = the query's first request): it leaves the lost ones unanswered and answers the
// refused ones with exception 03 (illegal value). Requests before the query are answered.
// It notes how many paints the window had made when each request of the query came in.
class ScriptedReader {
  public:
    ScriptedReader(QList<int> lost, QList<int> refused)
        : lost_(std::move(lost)), refused_(std::move(refused)) {}

    FakeRtuPeer::Script script() {
        return [this](const Bytes& request, int index) -> FakeRtuPeer::Answer {
            const int number = index - queryStart_ + 1;
            if (number >= 1) {
                const std::lock_guard lock(mutex_);
                const PaintCounter* paints = paints_;
                paintsAtRequest_.push_back(paints ? paints->paints() : 0);
            }
            if (lost_.contains(number)) {
                return {};
            }
            if (refused_.contains(number)) {
                return {exceptionReply(request, 0x03)};
            }
            return normalAnswer(request, 0);
        };
    }
    // From now on requests count as the query's; the window's paints are noted.
    void startQuery(int requestsSoFar, const PaintCounter& paints) {
        paints_ = &paints;
        queryStart_ = requestsSoFar;
    }
    // Later requests (the window's disconnection) are answered and not noted.
    void endQuery() {
        queryStart_ = INT_MAX;
        paints_ = nullptr;
    }
    std::vector<int> paintsAtRequest() const {
        const std::lock_guard lock(mutex_);
        return paintsAtRequest_;
    }

  private:
    const QList<int> lost_;
    const QList<int> refused_;
    std::atomic<int> queryStart_{INT_MAX};
    std::atomic<const PaintCounter*> paints_{nullptr};
    mutable std::mutex mutex_;
    std::vector<int> paintsAtRequest_;
};

// The scripted reader behind a TCP peer or a serial line, and the real window connected to
// it, showing the sub-page "基本功能".
struct WindowOnPeer {
    std::unique_ptr<FakeTcpPeer> tcp;
    std::unique_ptr<FakeRtuPeer> rtu;
    std::unique_ptr<SimWindow> window;

    WindowOnPeer(ReaderLibrary& library, bool serial, const FakeRtuPeer::Script& script) {
        if (serial) {
            rtu = std::make_unique<FakeRtuPeer>(script);
            qputenv("READER_COM1", rtu->device().toLocal8Bit());
            window = std::make_unique<SimWindow>(library, QStringLiteral("COM1"));
        } else {
            tcp = std::make_unique<FakeTcpPeer>(script);
            window = std::make_unique<SimWindow>(library, tcp->port());
        }
        window->showPage(1, 0);
    }
    int requests() const { return int(tcp ? tcp->requests().size() : rtu->requests().size()); }
    QPlainTextEdit& memo() const { return *window->form.Memo1(); }
};

}  // namespace

class TestDeadLinkEndToEnd : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void queryAgainstFailingReader_data();
    void queryAgainstFailingReader();
    void hungReaderGetsOneConnectionAtATime();
    void stoppedReaderIsReachedByTheNextQuery();

  private:
    SharedReaderLibrary library_;
};

void TestDeadLinkEndToEnd::queryAgainstFailingReader_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QList<int>>("lost");     // requests of the query left unanswered
    QTest::addColumn<QList<int>>("refused");  // requests answered with exception 03
    QTest::addColumn<int>("requests");        // requests the reader sees
    QTest::addColumn<QStringList>("messages");

    const QList<int> none;
    for (bool serial : {false, true}) {
        const char* link = serial ? "serial" : "tcp";
        // Two reads in a row without an answer: the rest fail at once, each with its message.
        QTest::addRow("%s: stops answering after three", link)
            << serial << readsFrom(4) << none << 5 << failedQuery(readsFrom(4), kQueryFailed);
        QTest::addRow("%s: sixth reply lost", link)
            << serial << QList<int>{6} << none << kQueryReads
            << failedQuery({6}, kQueryDone);  // the buzzer's failure keeps the summary
        QTest::addRow("%s: every value refused", link)
            << serial << none << readsFrom(1) << kQueryReads
            << failedQuery(readsFrom(1), kQueryFailed);
    }
    QTest::newRow("tcp: first reply lost")
        << false << QList<int>{1} << none << kQueryReads << failedQuery({1}, kQueryFailed);
    QTest::newRow("tcp: eleventh reply lost")
        << false << QList<int>{11} << none << kQueryReads << failedQuery({11}, kQueryFailed);
    QTest::newRow("tcp: last reply lost")
        << false << QList<int>{14} << none << kQueryReads << failedQuery({14}, kQueryFailed);
    QTest::newRow("tcp: two lost with an answer between")
        << false << QList<int>{3, 5} << none << kQueryReads << failedQuery({3, 5}, kQueryFailed);
    QTest::newRow("tcp: two refused in a row")
        << false << none << QList<int>{4, 5} << kQueryReads << failedQuery({4, 5}, kQueryFailed);
    QTest::newRow("tcp: refused, lost, refused")
        << false << QList<int>{5} << QList<int>{4, 6} << kQueryReads
        << failedQuery({4, 5, 6}, kQueryFailed);
}

// A query's log over a real link equals the log of the same failures injected into the fake,
// the reader sees one request per read until the link is given up, and the window keeps
// painting while it waits for the missing answers.
void TestDeadLinkEndToEnd::queryAgainstFailingReader() {
    QFETCH(bool, serial);
    QFETCH(QList<int>, lost);
    QFETCH(QList<int>, refused);
    QFETCH(int, requests);
    QFETCH(QStringList, messages);

    const FakeQuery expected = queryOnFake(lost, refused);
    QCOMPARE(expected.calls, requests);

    ScriptedReader reader(lost, refused);
    WindowOnPeer on(library_, serial, reader.script());
    QVERIFY(on.window->connected());

    // The log is repainted by a timer while the query runs.
    QWidget* painted = on.memo().viewport();
    const PaintCounter paints(painted);
    QTimer repaint;
    repaint.setInterval(40);
    connect(&repaint, &QTimer::timeout, painted, qOverload<>(&QWidget::update));
    repaint.start();
    const int requestsBefore = on.requests();
    reader.startQuery(requestsBefore, paints);
    on.window->query();
    reader.endQuery();
    const int paintsAtEnd = paints.paints();
    repaint.stop();

    QCOMPARE(on.window->messages(), messages);
    QCOMPARE(logShape(on.memo()), expected.shape);
    QCOMPARE(on.requests() - requestsBefore, requests);
    QCOMPARE(on.window->errors.errors, QStringList{});

    // Each failed read that was sent gives the real library's reason.
    QStringList reasons;
    for (int number = 1; number <= requests; ++number) {
        if (lost.contains(number)) {
            reasons << "no answer within";
        } else if (refused.contains(number)) {
            reasons << "exception 03 from the reader";
        }
    }
    const QStringList logged = reasonLines(on.memo());
    QCOMPARE(logged.size(), reasons.size());
    for (int i = 0; i < reasons.size(); ++i) {
        QVERIFY2(logged[i].contains(reasons[i]), qPrintable(logged[i]));
    }

    // While each unanswered request waited out its time, the window painted.
    const std::vector<int> paintsAt = reader.paintsAtRequest();
    QCOMPARE(int(paintsAt.size()), requests);
    for (int number : lost) {
        if (number > requests) {
            continue;
        }
        const auto index = static_cast<std::size_t>(number - 1);
        const int after = index + 1 < paintsAt.size() ? paintsAt[index + 1] : paintsAtEnd;
        QVERIFY2(
            after - paintsAt[index] >= 3,
            qPrintable(
                QStringLiteral("request %1: %2 paints").arg(number).arg(after - paintsAt[index])));
    }
}

// A reader that accepts connections but stopped answering: each query the user starts tries
// it again (two reads in the first, then one a query, each after the first on a connection of
// its own), never holding more than one connection to it; once it answers again the very next
// query succeeds, with no pause to wait out.
void TestDeadLinkEndToEnd::hungReaderGetsOneConnectionAtATime() {
    std::atomic<bool> answering{true};
    FakeTcpPeer peer([&answering](const Bytes& request, int) {
        return answering ? normalAnswer(request, 0) : FakeRtuPeer::Answer{};
    });
    SimWindow window(library_, peer.port());
    QVERIFY(window.connected());
    window.showPage(1, 0);
    answering = false;
    const int connectionsBefore = peer.connections();

    const QStringList allFailed = failedQuery(readsFrom(1), kQueryFailed);
    int requestsWhileHung = 0;
    for (int query = 1; query <= 4; ++query) {
        const int requestsBefore = int(peer.requests().size());
        window.query();
        QVERIFY2(window.messages() == allFailed, qPrintable(QString::number(query)));
        window.form.Memo1()->clear();
        const int requests = int(peer.requests().size()) - requestsBefore;
        QVERIFY2(query == 1 ? requests == 2 : requests >= 1 && requests <= 2,
                 qPrintable(QStringLiteral("query %1: %2 requests").arg(query).arg(requests)));
        requestsWhileHung += requests;
    }
    QCOMPARE(peer.connections() - connectionsBefore, requestsWhileHung - 1);
    QCOMPARE(peer.mostOpenAtOnce(), 1);

    answering = true;
    window.query();
    QCOMPARE(window.messages(), QStringList{kQueryDone});
    QCOMPARE(peer.mostOpenAtOnce(), 1);
    QCOMPARE(window.errors.errors, QStringList{});
}

// reader-sim stopped (SIGSTOP) and continued (SIGCONT) as a reader that hangs and comes back:
// a query while it is stopped fails, and so does the next one, again by a read that got no
// answer rather than by a refusal of the library; the query right after it continues succeeds.
void TestDeadLinkEndToEnd::stoppedReaderIsReachedByTheNextQuery() {
    SimProcess sim;
    QVERIFY(sim.start());
    SimWindow window(library_, sim.tcpPort());
    QVERIFY(window.connected());
    window.showPage(1, 0);
    const auto pid = static_cast<pid_t>(sim.processId());

    ::kill(pid, SIGSTOP);
    const QStringList allFailed = failedQuery(readsFrom(1), kQueryFailed);
    for (int query = 1; query <= 2; ++query) {
        window.query();
        QCOMPARE(window.messages(), allFailed);
        const QStringList reasons = reasonLines(*window.form.Memo1());
        QVERIFY(!reasons.isEmpty());
        QVERIFY2(reasons.constFirst().contains("no answer within"),
                 qPrintable(reasons.constFirst()));
        window.form.Memo1()->clear();
    }
    ::kill(pid, SIGCONT);
    window.query();
    QCOMPARE(window.messages(), QStringList{kQueryDone});
    QCOMPARE(window.errors.errors, QStringList{});
}

QTEST_MAIN(TestDeadLinkEndToEnd)
#include "tst_deadlinkendtoend.moc"
