// SPDX-License-Identifier: LGPL-2.1-or-later
// The settings of an open handle for probing a line (ReaderSetStation, ReaderSetAnswerTime,
// ReaderSetLineRate): scripted peers show the timeouts and the quiet line they give, and a
// simulated RS-485 bus shows one open line reaching its readers station by station and rate
// by rate.
#include <QtTest>

#include <array>
#include <chrono>

#include "FakePeers.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/Reader.h"
#include "tests/support/SimProcess.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

QString lastReason() {
    std::array<char, 300> text{};
    ReaderLastError(text.data(), static_cast<int32_t>(text.size()));
    return QString::fromUtf8(text.data());
}

int32_t openSerial(const QString& device, int32_t station) {
    int32_t handle = 0;
    const QByteArray path = device.toLocal8Bit();
    return OpenReaderAt(&handle, READER_LINK_SERIAL, path.constData(), 0, station) == 0 ? handle
                                                                                        : 0;
}

// The firmware read of a scan's probe: four input registers.
constexpr reader::Request kFirmwareRead{reader::Function::ReadInput, 0, 4};

std::chrono::milliseconds firmwareTimeout(std::chrono::milliseconds answerTime) {
    return std::chrono::round<std::chrono::milliseconds>(
        answerTime + reader::exchangeWireTime(reader::rtuRequestBytes(kFirmwareRead),
                                              reader::rtuReplyBytes(kFirmwareRead),
                                              reader::kOpeningRate));
}

QString serialNumberAt(int32_t handle) {
    std::array<uint8_t, 16> bytes{};
    if (GetParameter(handle, 0x20, 16, bytes.data()) != 0) {
        return QStringLiteral("(failed: %1)").arg(lastReason());
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), 16);
}

}  // namespace

class tst_LineSettings : public QObject {
    Q_OBJECT

  private slots:
    void init() { SelectStation(0); }

    void answerTime_data() {
        QTest::addColumn<int>("answerMs");
        QTest::addColumn<int>("readerMs");  // when the reader answers, after the request
        QTest::addColumn<bool>("answered");
        QTest::newRow("short, reader quicker") << 80 << 0 << true;
        QTest::newRow("short, reader slower") << 80 << 250 << false;
        QTest::newRow("long, slow reader") << 600 << 250 << true;
        QTest::newRow("least, silent") << 1 << -1 << false;
        QTest::newRow("short, silent") << 40 << -1 << false;
    }

    // The reply timeout is the answer time set plus the exchange's wire time: a reader slower
    // than the answer time is not waited for, a quicker one is heard.
    void answerTime() {
        QFETCH(int, answerMs);
        QFETCH(int, readerMs);
        QFETCH(bool, answered);
        FakeRtuPeer peer([readerMs](const Bytes& r, int) {
            if (readerMs < 0) {
                return FakeRtuPeer::Answer{};
            }
            auto answer = normalAnswer(r, 0x20);
            answer.delay = std::chrono::milliseconds(readerMs);
            return answer;
        });
        const int32_t h = openSerial(peer.device(), 7);
        QVERIFY(h != 0);
        QCOMPARE(ReaderSetAnswerTime(h, answerMs), 0);
        std::array<uint8_t, 4> version{};
        const auto start = Clock::now();
        const int result = GetFirmwareVersion(h, version.data());
        const auto elapsed = Clock::now() - start;
        const auto timeout = firmwareTimeout(std::chrono::milliseconds(answerMs));
        if (answered) {
            QCOMPARE(result, 0);
            QCOMPARE(version, (std::array<uint8_t, 4>{0x20, 0x21, 0x22, 0x23}));
        } else {
            QCOMPARE(result, int(READER_ERROR_TIMEOUT));
            QCOMPARE(lastReason(), QStringLiteral("%1: no answer within %2 ms")
                                       .arg(peer.device())
                                       .arg(timeout.count()));
            QVERIFY2(elapsed >= timeout - 2ms,
                     qPrintable(QString::number(
                         std::chrono::duration<double, std::milli>(elapsed).count())));
        }
        QCOMPARE(CloseReader(h), 0);
    }

    // Over TCP the answer time is the whole timeout.
    void answerTimeOverTcp() {
        SilentTcpPeer peer;
        int32_t h = 0;
        QCOMPARE(OpenReaderAt(&h, READER_LINK_TCP, "127.0.0.1", peer.port(), 1), 0);
        QCOMPARE(ReaderSetAnswerTime(h, 30), 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(int(GetFirmwareVersion(h, version.data())), int(READER_ERROR_TIMEOUT));
        QCOMPARE(lastReason(),
                 QStringLiteral("127.0.0.1:%1: no answer within 30 ms").arg(peer.port()));
        QCOMPARE(CloseReader(h), 0);
    }

    void refusedSettings_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("reason");
        QTest::newRow("answer time 0") << "answer" << 0 << "answer time 0 ms outside 1..5000";
        QTest::newRow("answer time 5001")
            << "answer" << 5001 << "answer time 5001 ms outside 1..5000";
        QTest::newRow("answer time -20") << "answer" << -20 << "answer time -20 ms outside 1..5000";
        QTest::newRow("rate 1200")
            << "rate" << 1200
            << "line rate 1200 is not one of 2400, 4800, 9600, 19200, 38400, 57600, 115200";
        QTest::newRow("rate 0")
            << "rate" << 0
            << "line rate 0 is not one of 2400, 4800, 9600, 19200, 38400, 57600, 115200";
    }

    // A setting outside its range is refused with a reason and changes nothing: the next
    // timeout is still the default one. No setting sends anything.
    void refusedSettings() {
        QFETCH(QString, setting);
        QFETCH(int, value);
        QFETCH(QString, reason);
        FakeRtuPeer peer([](const Bytes&, int) { return FakeRtuPeer::Answer{}; });
        const int32_t h = openSerial(peer.device(), 7);
        QVERIFY(h != 0);
        const int result =
            setting == u"answer" ? ReaderSetAnswerTime(h, value) : ReaderSetLineRate(h, value);
        QCOMPARE(result, int(READER_ERROR_ARGUMENT));
        QCOMPARE(lastReason(), reason);
        QCOMPARE(ReaderSetAnswerTime(h, 250), 0);
        QCOMPARE(ReaderSetLineRate(h, 19200), 0);
        QCOMPARE(ReaderSetStation(h, 9), 0);
        QTest::qWait(50);
        QCOMPARE(peer.bytesReceived(), std::size_t(0));
        QCOMPARE(CloseReader(h), 0);
        // A closed handle takes no setting.
        QCOMPARE(int(ReaderSetAnswerTime(h, 20)), int(READER_ERROR_NOT_OPEN));
        QCOMPARE(int(ReaderSetLineRate(h, 9600)), int(READER_ERROR_NOT_OPEN));
        QCOMPARE(int(ReaderSetStation(h, 3)), int(READER_ERROR_NOT_OPEN));
    }

    void quietGuardFollowsTheAnswerTime_data() {
        QTest::addColumn<int>("answerMs");
        QTest::addColumn<int>("guardMs");
        QTest::newRow("default") << int(reader::kAnswerTime.count())
                                 << int(reader::kQuietGuard.count());
        QTest::newRow("30 ms") << 30 << 30;
    }

    // After a garbled reply the line must stay quiet before the next request, so that the
    // rest of that reply is drained; a handle with a short answer time waits as long as its
    // answer time, not the default's 200 ms.
    void quietGuardFollowsTheAnswerTime() {
        QFETCH(int, answerMs);
        QFETCH(int, guardMs);
        FakeRtuPeer peer([](const Bytes& r, int index) {
            auto answer = normalAnswer(r, 0);
            if (index == 0) {
                answer.bytes.back() ^= 0x5A;  // a bad CRC
            }
            return answer;
        });
        const int32_t h = openSerial(peer.device(), 7);
        QVERIFY(h != 0);
        QCOMPARE(ReaderSetAnswerTime(h, answerMs), 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(int(GetFirmwareVersion(h, version.data())), int(READER_ERROR_GARBLED));
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(CloseReader(h), 0);
        QTRY_COMPARE(peer.timings().size(), std::size_t(2));
        const auto timings = peer.timings();
        const auto quiet = timings[1].requestStart - timings[0].answerEnd;
        const QByteArray shown =
            QByteArray::number(std::chrono::duration<double, std::milli>(quiet).count());
        QVERIFY2(quiet >= std::chrono::milliseconds(guardMs) - 1ms, shown.constData());
        if (guardMs < reader::kQuietGuard.count()) {
            QVERIFY2(quiet < reader::kQuietGuard, shown.constData());
        }
    }

    // One open line reaches every reader of a bus: the station and the local rate change per
    // handle, without traffic and without asking any reader to change its rate; a station
    // that is absent, or at another rate, stays silent.
    void oneLineReachesTheBus() {
        SimProcess bus(SimProcess::busOptions({"3", "5", "6@19200"}));
        QVERIFY(bus.start());
        const int32_t h = openSerial(bus.ptyLink(), 3);
        QVERIFY(h != 0);
        QCOMPARE(ReaderSetAnswerTime(h, 100), 0);
        SelectStation(5);  // the handle keeps its own station
        QCOMPARE(serialNumberAt(h), bus.serialNumber(3));
        QCOMPARE(ReaderSetStation(h, 5), 0);
        QCOMPARE(serialNumberAt(h), bus.serialNumber(5));
        std::array<uint8_t, 4> version{};
        for (const int absent : {4, 6}) {
            QCOMPARE(ReaderSetStation(h, absent), 0);
            QCOMPARE(int(GetFirmwareVersion(h, version.data())), int(READER_ERROR_TIMEOUT));
        }
        QCOMPARE(ReaderSetLineRate(h, 19200), 0);
        QCOMPARE(serialNumberAt(h), bus.serialNumber(6));
        QCOMPARE(ReaderSetStation(h, 5), 0);
        QCOMPARE(int(GetFirmwareVersion(h, version.data())), int(READER_ERROR_TIMEOUT));
        QCOMPARE(ReaderSetLineRate(h, 9600), 0);
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{2, 1, 0, 7}));
        QCOMPARE(CloseReader(h), 0);
    }
};

QTEST_GUILESS_MAIN(tst_LineSettings)
#include "tst_linesettings.moc"
