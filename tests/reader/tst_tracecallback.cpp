// SPDX-License-Identifier: LGPL-2.1-or-later
// ReaderSetTraceCallback: every request, reply and note handed to a program as on the wire
// (TCP with its MBAP header, RTU with its CRC), on the calling thread, beside the text trace
// and independent of it; nothing once switched off.
#include <QtTest>

#include <array>
#include <chrono>
#include <mutex>
#include <thread>

#include "FakePeers.h"
#include "reader/Reader.h"

namespace {

struct Event {
    int64_t timeUs = 0;
    QString link;
    int direction = 0;
    Bytes bytes;
    bool nullBytes = false;
    int32_t elapsedUs = 0;
    QString note;
    std::thread::id thread;
};

struct Recorder {
    std::mutex mutex;
    std::vector<Event> events;

    static void record(void* context, const ReaderTraceEvent* e) {
        auto* self = static_cast<Recorder*>(context);
        Event event{e->time_us,
                    QString::fromUtf8(e->link),
                    e->direction,
                    e->bytes ? Bytes(e->bytes, e->bytes + e->length) : Bytes{},
                    e->bytes == nullptr,
                    e->elapsed_us,
                    e->note ? QString::fromUtf8(e->note) : QString(),
                    std::this_thread::get_id()};
        std::lock_guard lock(self->mutex);
        self->events.push_back(event);
    }
};

int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

FakeRtuPeer::Answer readOrEcho(const Bytes& r) {
    return normalAnswer(r, 0x30);
}

}  // namespace

class tst_TraceCallback : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() {
        ReaderSetTraceCallback(nullptr, nullptr);
        ReaderSetTrace(nullptr);
    }

    void framesAsOnTheWire_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("station");
        QTest::newRow("tcp") << "tcp" << 1;
        QTest::newRow("rtu unit 7") << "rtu" << 7;
        QTest::newRow("rtu unit 255") << "rtu" << 255;
    }

    // Requests and replies alternate, each as the peer received and sent it, with the link's
    // label, the time and, for replies, the time since the request; all on the thread that
    // made the call.
    void framesAsOnTheWire() {
        QFETCH(QString, link);
        QFETCH(int, station);
        std::mutex mutex;
        std::vector<Bytes> replies;
        const FakeRtuPeer::Script script = [&](const Bytes& r, int) {
            auto answer = readOrEcho(r);
            std::lock_guard lock(mutex);
            replies.push_back(answer.bytes);
            return answer;
        };
        std::unique_ptr<FakeTcpPeer> tcp;
        std::unique_ptr<FakeRtuPeer> rtu;
        int32_t h = 0;
        QString label;
        if (link == u"tcp") {
            tcp = std::make_unique<FakeTcpPeer>(script);
            QCOMPARE(OpenReaderAt(&h, READER_LINK_TCP, "127.0.0.1", tcp->port(), station), 0);
            label = QStringLiteral("127.0.0.1:%1").arg(tcp->port());
        } else {
            rtu = std::make_unique<FakeRtuPeer>(script);
            const QByteArray device = rtu->device().toLocal8Bit();
            QCOMPARE(OpenReaderAt(&h, READER_LINK_SERIAL, device.constData(), 0, station), 0);
            label = rtu->device();
        }
        Recorder recorder;
        QCOMPARE(ReaderSetTraceCallback(&Recorder::record, &recorder), 0);
        const int64_t before = nowUs();
        std::thread::id caller;
        std::thread([&] {
            caller = std::this_thread::get_id();
            std::array<uint8_t, 3> bytes{1, 2, 3};
            QCOMPARE(GetParameter(h, 0x10, 3, bytes.data()), 0);
            QCOMPARE(SetParameter(h, 0x40, 3, bytes.data()), 0);
        }).join();
        const int64_t after = nowUs();
        QCOMPARE(ReaderSetTraceCallback(nullptr, nullptr), 0);
        std::array<uint8_t, 3> bytes{};
        QCOMPARE(GetParameter(h, 0x10, 3, bytes.data()), 0);  // not handed over
        QCOMPARE(CloseReader(h), 0);

        const std::vector<Bytes> requests = tcp ? tcp->requests() : rtu->requests();
        QCOMPARE(requests.size(), std::size_t(3));
        QCOMPARE(recorder.events.size(), std::size_t(4));
        for (std::size_t i = 0; i < 4; ++i) {
            const Event& event = recorder.events[i];
            const bool request = i % 2 == 0;
            QCOMPARE(event.direction,
                     request ? int(READER_TRACE_REQUEST) : int(READER_TRACE_REPLY));
            QCOMPARE(event.link, label);
            QCOMPARE(event.thread, caller);
            QVERIFY(event.timeUs >= before && event.timeUs <= after);
            QVERIFY(event.note.isEmpty());
            if (!request) {
                QVERIFY(event.elapsedUs >= 0 && event.elapsedUs <= after - before);
            }
            Bytes expected = request ? requests[i / 2] : replies[i / 2];
            if (tcp) {
                // RTU form from the peer: unit and PDU, then CRC; on TCP the MBAP header
                // (transaction id, protocol 0, length) comes first and there is no CRC.
                expected.resize(expected.size() - 2);
                const auto transaction = static_cast<uint8_t>(i / 2 + 1);
                const auto length = static_cast<uint8_t>(expected.size());
                expected.insert(expected.begin(), {0, transaction, 0, 0, 0, length});
            }
            QCOMPARE(event.bytes, expected);
        }
    }

    // A request that stays unanswered ends in a note without bytes.
    void notes() {
        FakeRtuPeer peer([](const Bytes&, int) { return FakeRtuPeer::Answer{}; });
        const QByteArray device = peer.device().toLocal8Bit();
        int32_t h = 0;
        QCOMPARE(OpenReaderAt(&h, READER_LINK_SERIAL, device.constData(), 0, 9), 0);
        QCOMPARE(ReaderSetAnswerTime(h, 30), 0);
        Recorder recorder;
        ReaderSetTraceCallback(&Recorder::record, &recorder);
        std::array<uint8_t, 4> version{};
        QCOMPARE(int(GetFirmwareVersion(h, version.data())), int(READER_ERROR_TIMEOUT));
        QCOMPARE(CloseReader(h), 0);
        QCOMPARE(recorder.events.size(), std::size_t(2));
        const Event& note = recorder.events[1];
        QCOMPARE(note.direction, int(READER_TRACE_NOTE));
        QCOMPARE(note.note, QStringLiteral("no answer"));
        QVERIFY(note.nullBytes);
        QVERIFY(note.bytes.empty());
        QVERIFY2(note.elapsedUs >= 30'000, qPrintable(QString::number(note.elapsedUs)));
    }

    // The text trace and the callback are switched apart: each gets every event while on.
    void independentOfTheTextTrace() {
        QTemporaryDir dir;
        const QString path = dir.filePath("trace.txt");
        FakeRtuPeer peer([](const Bytes& r, int) { return readOrEcho(r); });
        const QByteArray device = peer.device().toLocal8Bit();
        int32_t h = 0;
        QCOMPARE(OpenReaderAt(&h, READER_LINK_SERIAL, device.constData(), 0, 3), 0);
        Recorder recorder;
        std::array<uint8_t, 4> version{};
        QCOMPARE(ReaderSetTrace(path.toLocal8Bit().constData()), 0);
        ReaderSetTraceCallback(&Recorder::record, &recorder);
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);  // both
        QCOMPARE(ReaderSetTrace(nullptr), 0);
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);  // the callback alone
        ReaderSetTraceCallback(nullptr, nullptr);
        QCOMPARE(ReaderSetTrace(path.toLocal8Bit().constData()), 0);
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);  // the text alone
        QCOMPARE(ReaderSetTrace(nullptr), 0);
        QCOMPARE(CloseReader(h), 0);
        QCOMPARE(recorder.events.size(), std::size_t(4));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 4);
    }
};

QTEST_GUILESS_MAIN(tst_TraceCallback)
#include "tst_tracecallback.moc"
