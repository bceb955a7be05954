// SPDX-License-Identifier: LGPL-2.1-or-later
// libReader against scripted peers that show the bytes on the wire: the unit and encoding of
// each request, no traffic for refused calls, and a line kept in step after timeouts and
// garbled replies.
#include <QtTest>

#include <array>
#include <atomic>
#include <mutex>
#include <optional>

#include "FakePeers.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/Reader.h"

namespace {

using namespace std::chrono_literals;

constexpr uint8_t kSentinel = 0xEE;

// The whole time a one-register read at 9600 bps may take before the library gives up.
constexpr auto kReadTimeout =
    reader::kAnswerTime + std::chrono::duration_cast<std::chrono::milliseconds>(
                              reader::exchangeWireTime(8, 7, reader::kOpeningRate));

}  // namespace

class tst_ReaderPeer : public QObject {
    Q_OBJECT

    static int32_t openOn(const FakeRtuPeer& peer) {
        qputenv("READER_COM2", peer.device().toLocal8Bit());
        int32_t handle = 0;
        return OpenReader(&handle, READER_LINK_SERIAL, "COM2") == 0 ? handle : 0;
    }

    static int32_t openOn(const SilentTcpPeer& peer) {
        SelectPort(peer.port());
        int32_t handle = 0;
        return OpenReader(&handle, READER_LINK_TCP, "127.0.0.1") == 0 ? handle : 0;
    }

  private slots:
    void init() { SelectStation(0); }

    void unitOnTheWire_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("unit");
        QTest::newRow("station 1") << 1 << 1;
        QTest::newRow("station 7") << 7 << 7;
        QTest::newRow("station 247") << 247 << 247;
        QTest::newRow("any station 255") << 255 << 255;
        QTest::newRow("connect without station 0") << 0 << 255;
        QTest::newRow("connect without selection -1") << -1 << 255;
        QTest::newRow("out of range 248") << 248 << 255;
    }

    // Unit 0 (broadcast) would reconfigure every reader on a shared bus: it must never go out.
    void unitOnTheWire() {
        QFETCH(int, station);
        QFETCH(int, unit);
        FakeRtuPeer peer([](const Bytes& r, int) { return normalAnswer(r, 0); });
        QVERIFY(peer.isOpen());
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        std::array<uint8_t, 3> buffer{};
        QCOMPARE(GetParameter(h, 0x40, 3, buffer.data()), 0);
        QCOMPARE(buffer, (std::array<uint8_t, 3>{0x40, 0x41, 0x42}));
        QCOMPARE(SetParameter(h, 0x40, 3, buffer.data()), 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{0, 1, 2, 3}));
        QCOMPARE(CloseReader(h), 0);
        const auto requests = peer.requests();
        QCOMPARE(requests.size(), std::size_t(3));
        for (const Bytes& request : requests) {
            QCOMPARE(int(request[0]), unit);
        }
    }

    void requestEncoding_data() {
        QTest::addColumn<int>("station");
        QTest::newRow("libmodbus unit 7") << 7;
        QTest::newRow("own frames unit 255") << 255;
    }

    void requestEncoding() {
        QFETCH(int, station);
        const auto unit = static_cast<uint8_t>(station);
        FakeRtuPeer peer([](const Bytes& r, int) { return normalAnswer(r, 0); });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        const std::array<uint8_t, 3> bytes{0x01, 0x02, 0xFF};
        std::array<uint8_t, 29> record{};
        std::array<uint8_t, 4> version{};
        QCOMPARE(SetParameter(h, 0x20, 3, bytes.data()), 0);
        QCOMPARE(GetParameter(h, 0xA9, 29, record.data()), 0);
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(SetOLEnable(h, 1), 0);
        QCOMPARE(SetOLEnable(h, 0), 0);
        QCOMPARE(ResetReader(h), 0);
        QCOMPARE(SetBaudRate(h, 6), 0);
        const std::vector<Bytes> expected{
            rtuFrame(unit,
                     {0x10, 0x00, 0x20, 0x00, 0x03, 0x06, 0x00, 0x01, 0x00, 0x02, 0x00, 0xFF}),
            rtuFrame(unit, {0x03, 0x00, 0xA9, 0x00, 0x1D}),
            rtuFrame(unit, {0x04, 0x00, 0x00, 0x00, 0x04}),
            rtuFrame(unit, {0x06, 0x01, 0x01, 0x00, 0x01}),
            rtuFrame(unit, {0x06, 0x01, 0x01, 0x00, 0x00}),
            rtuFrame(unit, {0x06, 0x01, 0x02, 0x00, 0x01}),
            rtuFrame(unit, {0x06, 0x01, 0x00, 0x00, 0x06}),
        };
        QCOMPARE(peer.requests(), expected);
        QCOMPARE(CloseReader(h), 0);
    }

    void refusedAccessSendsNothing_data() {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("length");
        QTest::newRow("length 0") << 0x10 << 0;
        QTest::newRow("negative length") << 0x10 << -1;
        QTest::newRow("length 126") << 0x00 << 126;
        QTest::newRow("crosses 0xFF by one") << 0xF0 << 17;
        QTest::newRow("two bytes from 0xFF") << 0xFF << 2;
        QTest::newRow("29 bytes from 0xE4") << 0xE4 << 29;
        QTest::newRow("address 0x100") << 0x100 << 1;
        QTest::newRow("negative address") << -1 << 1;
    }

    void refusedAccessSendsNothing() {
        QFETCH(int, address);
        QFETCH(int, length);
        FakeRtuPeer rtu([](const Bytes& r, int) { return normalAnswer(r, 0); });
        SilentTcpPeer tcp;
        QVERIFY(tcp.port() != 0);
        for (const int32_t h : {openOn(rtu), openOn(tcp)}) {
            QVERIFY(h != 0);
            std::array<uint8_t, 200> buffer;
            buffer.fill(kSentinel);
            QVERIFY(GetParameter(h, address, length, buffer.data()) != 0);
            QVERIFY(SetParameter(h, address, length, buffer.data()) != 0);
            for (uint8_t b : buffer) {
                QCOMPARE(b, kSentinel);
            }
            QCOMPARE(CloseReader(h), 0);
        }
        QCOMPARE(rtu.bytesReceived(), std::size_t(0));
        QCOMPARE(tcp.bytesReceived(), std::size_t(0));
    }

    void baudRateOnTcpSendsNothing() {
        SilentTcpPeer tcp;
        const int32_t h = openOn(tcp);
        QVERIFY(h != 0);
        QCOMPARE(SetBaudRate(h, 6), 0);
        QCOMPARE(SetBaudRate(h, 2), 0);
        QVERIFY(SetBaudRate(h, 7) != 0);
        QVERIFY(SetBaudRate(h, -1) != 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(GetSdkVersion(h, version.data()), 0);
        QCOMPARE(tcp.bytesReceived(), std::size_t(0));
        QCOMPARE(CloseReader(h), 0);
    }

    void lateReplyIsNeverTheNextAnswer_data() {
        QTest::addColumn<int>("station");
        QTest::newRow("libmodbus unit 7") << 7;
        QTest::newRow("own frames unit 255") << 255;
    }

    // The first reply comes shortly after the library gave up on it, while the next call is
    // already due: it must be drained, and the next call must get its own answer.
    void lateReplyIsNeverTheNextAnswer() {
        QFETCH(int, station);
        FakeRtuPeer peer([](const Bytes& r, int index) {
            auto answer = normalAnswer(r, index == 0 ? 0x40 : 0x00);
            if (index == 0) {
                answer.delay = kReadTimeout + 80ms;
            }
            return answer;
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        std::array<uint8_t, 2> first{kSentinel, kSentinel};
        if (GetParameter(h, 0x10, 2, first.data()) == 0) {
            // Only a heavily loaded machine lets the late reply in before the timeout.
            QCOMPARE(first, (std::array<uint8_t, 2>{0x50, 0x51}));
        } else {
            QCOMPARE(first, (std::array<uint8_t, 2>{kSentinel, kSentinel}));
        }
        std::array<uint8_t, 2> second{};
        QCOMPARE(GetParameter(h, 0x10, 2, second.data()), 0);
        QCOMPARE(second, (std::array<uint8_t, 2>{0x10, 0x11}));
        QCOMPARE(peer.requests().size(), std::size_t(2));
        QCOMPARE(CloseReader(h), 0);
    }

    // A call of the table below: "get A N" reads N bytes from A (hex), "set A N" writes N
    // bytes from A, "firmware" reads the version, "offline V" is SetOLEnable(V).
    static int16_t call(int32_t h, const QString& text, std::array<uint8_t, 8>& bytes) {
        const QStringList words = text.split(u' ');
        const int address = words.size() > 1 ? words[1].toInt(nullptr, 16) : 0;
        const int length = words.size() > 2 ? words[2].toInt() : 0;
        if (words[0] == u"get") {
            return GetParameter(h, address, length, bytes.data());
        }
        if (words[0] == u"set") {
            return SetParameter(h, address, length, bytes.data());
        }
        if (words[0] == u"firmware") {
            return GetFirmwareVersion(h, bytes.data());
        }
        return SetOLEnable(h, static_cast<uint8_t>(address));
    }

    void lateReplyIsPutAside_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QByteArray>("secondOnWire");  // function, address, count or value
        QTest::addColumn<int>("lateMs");  // when the first reply comes, after the request
        // The same shape again: a read grows by one register, after it or before it at the end
        // of the memory, so that its reply is longer than the late one.
        QTest::newRow("same read") << "get 10 2"
                                   << "get 10 2" << QByteArray("0300100003") << 620;
        QTest::newRow("same read at the end") << "get FF 1"
                                              << "get FF 1" << QByteArray("0300FE0002") << 620;
        QTest::newRow("same firmware read") << "firmware"
                                            << "firmware" << QByteArray("0400000005") << 620;
        QTest::newRow("reply after the window") << "get 10 2"
                                                << "get 10 2" << QByteArray("0300100003") << 900;
        // Another length, function or echo needs no change.
        QTest::newRow("other length") << "get 10 2"
                                      << "get 20 1" << QByteArray("0300200001") << 620;
        QTest::newRow("write after read") << "get 10 2"
                                          << "set 10 2" << QByteArray("1000100002") << 620;
        QTest::newRow("read after write") << "set 10 2"
                                          << "get 10 2" << QByteArray("0300100002") << 620;
        QTest::newRow("other single write") << "offline 1"
                                            << "offline 0" << QByteArray("0601010000") << 620;
        // The same write again cannot be told apart: the line is drained first.
        QTest::newRow("same write") << "set 10 2"
                                    << "set 10 2" << QByteArray("1000100002") << 620;
        QTest::newRow("same single write") << "offline 1"
                                           << "offline 1" << QByteArray("0601010001") << 620;
    }

    // The first request's reply comes whole, but only after the library gave up on it; the
    // next request goes out at once when its reply cannot be mistaken for that late one, and
    // gets its own answer either way.
    void lateReplyIsPutAside() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QByteArray, secondOnWire);
        QFETCH(int, lateMs);
        FakeRtuPeer peer([lateMs](const Bytes& r, int index) {
            auto answer = normalAnswer(r, index == 0 ? 0x40 : 0x00);
            if (index == 0) {
                answer.delay = std::chrono::milliseconds(lateMs);
            }
            return answer;
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(0);
        std::array<uint8_t, 8> bytes{};
        const int16_t firstResult = call(h, first, bytes);
        if (firstResult == 0) {
            QSKIP("the machine was too slow to see the first reply come late");
        }
        QCOMPARE(firstResult, int16_t(READER_ERROR_TIMEOUT));
        bytes.fill(kSentinel);
        QCOMPARE(call(h, second, bytes), int16_t(0));
        if (second.startsWith(u"get")) {
            const int address = second.split(u' ')[1].toInt(nullptr, 16);
            QCOMPARE(bytes[0], static_cast<uint8_t>(address));  // its own answer (seed 0)
        } else if (second == u"firmware") {
            QCOMPARE(bytes[0], uint8_t(0));
        }
        const auto requests = peer.requests();
        QCOMPARE(requests.size(), std::size_t(2));
        const Bytes& wire = requests[1];
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(wire.data()) + 1, 5).toHex(),
                 secondOnWire.toLower());
        QCOMPARE(CloseReader(h), 0);
    }

    // A reader still busy with the late request loses the next one; once its late reply is in,
    // the library sends the request again and gets its answer, so a slow reader does not look
    // like a dead link.
    void requestLostWhileTheReaderWasBusyIsSentAgain() {
        FakeRtuPeer peer([](const Bytes& r, int index) {
            if (index == 0) {
                return FakeRtuPeer::Answer{normalAnswer(r, 0x40).bytes, 620ms};
            }
            if (index == 1) {
                return FakeRtuPeer::Answer{};  // came while the reader was busy
            }
            return normalAnswer(r, 0x00);
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(0);
        std::array<uint8_t, 2> bytes{kSentinel, kSentinel};
        if (GetParameter(h, 0x10, 2, bytes.data()) == 0) {
            QSKIP("the machine was too slow to see the first reply come late");
        }
        QCOMPARE(GetParameter(h, 0x30, 2, bytes.data()), int16_t(0));
        QCOMPARE(bytes, (std::array<uint8_t, 2>{0x30, 0x31}));
        const auto requests = peer.requests();
        QCOMPARE(requests.size(), std::size_t(3));
        QCOMPARE(requests[2], requests[1]);
        QCOMPARE(CloseReader(h), 0);
    }

    // An exception reply may be the late request's as much as the next one's: the call takes
    // it, and the line is drained before the call after it, so that the reply the reader still
    // sends is never taken for a third request's answer.
    void lateExceptionLeavesTheLineDrained() {
        FakeRtuPeer peer([](const Bytes& r, int index) {
            if (index == 0) {
                return FakeRtuPeer::Answer{rtuFrame(r[0], {0x83, 0x02}), 620ms};
            }
            return FakeRtuPeer::Answer{normalAnswer(r, index == 1 ? 0x20 : 0x00).bytes,
                                       index == 1 ? 60ms : 0ms};
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(0);
        std::array<uint8_t, 3> bytes{};
        const int16_t first = GetParameter(h, 0x10, 2, bytes.data());
        if (first == int16_t(READER_ERROR_EXCEPTION)) {
            QSKIP("the machine was too slow to see the first reply come late");
        }
        QCOMPARE(first, int16_t(READER_ERROR_TIMEOUT));
        const int16_t second = GetParameter(h, 0x10, 2, bytes.data());
        QVERIFY2(second == READER_ERROR_EXCEPTION || second == 0,
                 qPrintable(QString::number(second)));
        // The second request went out widened to three registers, like this one.
        bytes.fill(kSentinel);
        QCOMPARE(GetParameter(h, 0x10, 3, bytes.data()), int16_t(0));
        QCOMPARE(bytes, (std::array<uint8_t, 3>{0x10, 0x11, 0x12}));
        QCOMPARE(peer.requests().size(), std::size_t(3));
        QCOMPARE(CloseReader(h), 0);
    }

    // On TCP the late reply goes with the connection the library drops after the timeout;
    // the next call connects anew and gets its own answer.
    void lateReplyOverTcp() {
        FakeTcpPeer peer([](const Bytes& r, int index) {
            auto answer = normalAnswer(r, index == 0 ? 0x40 : 0x00);
            if (index == 0) {
                answer.delay = reader::kAnswerTime + 150ms;
            }
            return answer;
        });
        QVERIFY(peer.port() != 0);
        SelectPort(peer.port());
        int32_t h = 0;
        QCOMPARE(OpenReader(&h, READER_LINK_TCP, "127.0.0.1"), 0);
        std::array<uint8_t, 2> first{kSentinel, kSentinel};
        if (GetParameter(h, 0x10, 2, first.data()) == 0) {
            QCOMPARE(first, (std::array<uint8_t, 2>{0x50, 0x51}));  // a heavily loaded machine
        } else {
            QCOMPARE(first, (std::array<uint8_t, 2>{kSentinel, kSentinel}));
        }
        std::array<uint8_t, 2> second{};
        QCOMPARE(GetParameter(h, 0x10, 2, second.data()), 0);
        QCOMPARE(second, (std::array<uint8_t, 2>{0x10, 0x11}));
        QCOMPARE(CloseReader(h), 0);
    }

    // A hung TCP reader (its kernel still takes connections, nothing answers): the library
    // reconnects at most once per call and pauses longer between attempts while the reader
    // keeps failing, so twenty calls do not pile up connections on it; once it answers again
    // a call after the pause reaches it.
    void hungTcpReaderIsNotFloodedWithConnections() {
        std::atomic<bool> answering{false};
        FakeTcpPeer peer([&answering](const Bytes& r, int) {
            return answering ? normalAnswer(r, 0) : FakeRtuPeer::Answer{};
        });
        QVERIFY(peer.port() != 0);
        SelectPort(peer.port());
        int32_t h = 0;
        QCOMPARE(OpenReader(&h, READER_LINK_TCP, "127.0.0.1"), 0);
        std::array<uint8_t, 2> buffer{};
        for (int call = 0; call < 20; ++call) {
            const int16_t result = GetParameter(h, 0x10, 2, buffer.data());
            QVERIFY(result != 0);
            QVERIFY2(ReaderIsLinkFailure(result), qPrintable(QString::number(result)));
        }
        // The open, one reconnection after the first failure, and perhaps one after the
        // first pause: never one connection per call, and each one closed before the next.
        QVERIFY2(peer.connections() <= 3, qPrintable(QString::number(peer.connections())));
        QCOMPARE(peer.mostOpenAtOnce(), 1);
        const std::size_t requestsWhileHung = peer.requests().size();
        QVERIFY(requestsWhileHung <= 3);

        answering = true;
        bool reached = false;
        QElapsedTimer clock;
        clock.start();
        while (!reached && clock.elapsed() < 8000) {
            reached = GetParameter(h, 0x10, 2, buffer.data()) == 0;
            if (!reached) {
                QTest::qWait(100);
            }
        }
        QVERIFY(reached);
        QCOMPARE(peer.mostOpenAtOnce(), 1);
        QCOMPARE(CloseReader(h), 0);
    }

    // A call that failed on TCP must never be carried out later: the library resets the
    // connection, so the kernel drops the request instead of retransmitting it after the
    // failure was reported.
    void failedCallOverTcpResetsTheConnection() {
        SilentTcpPeer peer;
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        std::array<uint8_t, 2> buffer{kSentinel, kSentinel};
        QVERIFY(SetParameter(h, 0x10, 2, buffer.data()) != 0);
        QCOMPARE(peer.connectionEnds(), std::vector<SilentTcpPeer::End>{SilentTcpPeer::End::Reset});
        // The next call connects anew and fails the same way.
        QVERIFY(GetParameter(h, 0x10, 2, buffer.data()) != 0);
        QCOMPARE(buffer, (std::array<uint8_t, 2>{kSentinel, kSentinel}));
        QCOMPARE(peer.connectionEnds(), (std::vector<SilentTcpPeer::End>{
                                            SilentTcpPeer::End::Reset, SilentTcpPeer::End::Reset}));
        QCOMPARE(CloseReader(h), 0);
    }

    void badReplyFailsAndNextCallWorks_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        const struct {
            const char* operation;
            const char* fault;
            int code;
        } rows[] = {
            {"read", "bad CRC", READER_ERROR_GARBLED},
            {"read", "other unit", READER_ERROR_GARBLED},
            {"read", "cut short", READER_ERROR_TIMEOUT},
            {"read", "exception 02", READER_ERROR_EXCEPTION},
            {"read", "exception with bad CRC", READER_ERROR_GARBLED},
            {"read", "wrong byte count", READER_ERROR_GARBLED},
            {"read", "register above 255", READER_ERROR_BAD_VALUE},
            // The echo of a write names what was written; another address, value or
            // quantity is no answer to this request, whatever its CRC.
            {"offline", "echo of another address", READER_ERROR_GARBLED},
            {"offline", "echo of another value", READER_ERROR_GARBLED},
            {"rate", "echo of another value", READER_ERROR_GARBLED},
            {"reset", "echo of another value", READER_ERROR_GARBLED},
            {"write", "echo of another address", READER_ERROR_GARBLED},
            {"write", "echo of another quantity", READER_ERROR_GARBLED},
            {"write", "exception with bad CRC", READER_ERROR_GARBLED},
        };
        for (int station : {7, 255}) {
            const QByteArray unit = station == 7 ? " unit 7" : " unit 255";
            for (const auto& row : rows) {
                QTest::newRow(QByteArray(row.operation) + ", " + row.fault + unit)
                    << station << QString(row.operation) << QString(row.fault) << row.code;
            }
        }
    }

    // A reply that is no answer fails the call with its kind of failure, and the link stays
    // in step: a late proper reply sent after it is drained, and the same call made again gets
    // its own answer.
    void badReplyFailsAndNextCallWorks() {
        QFETCH(int, station);
        QFETCH(QString, operation);
        QFETCH(QString, fault);
        QFETCH(int, code);
        FakeRtuPeer peer([fault](const Bytes& r, int index) {
            auto answer = normalAnswer(r, 0);
            if (index > 0) {
                return answer;
            }
            Bytes& frame = answer.bytes;
            Bytes pdu(frame.begin() + 1, frame.end() - 2);
            if (fault == "bad CRC") {
                frame.back() ^= 0x5A;
            } else if (fault == "other unit") {
                frame = rtuFrame(static_cast<uint8_t>(r[0] - 1), pdu);
            } else if (fault == "cut short") {
                frame.resize(5);
            } else if (fault == "exception 02") {
                frame = exceptionReply(r, 0x02);
            } else if (fault == "exception with bad CRC") {
                frame = exceptionReply(r, 0x02);
                frame.back() ^= 0x5A;
                // The proper reply after the garbage: drained, never taken for the next answer.
                answer.later = normalAnswer(r, 0x40).bytes;
                answer.laterDelay = 40ms;
            } else if (fault == "wrong byte count") {
                pdu.resize(pdu.size() - 2);  // one register short
                pdu[1] = static_cast<uint8_t>(pdu[1] - 2);
                frame = rtuFrame(r[0], pdu);
            } else if (fault == "register above 255") {
                pdu[2] = 0x01;
                frame = rtuFrame(r[0], pdu);
            } else if (fault == "echo of another address") {
                pdu[2] ^= 0x01;
                frame = rtuFrame(r[0], pdu);
            } else if (fault == "echo of another value" || fault == "echo of another quantity") {
                pdu[4] ^= 0x01;
                frame = rtuFrame(r[0], pdu);
            }
            return answer;
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        std::array<uint8_t, 2> buffer{kSentinel, kSentinel};
        const std::array<uint8_t, 2> bytes{0x05, 0x06};
        const auto call = [&]() -> int {
            if (operation == "offline") {
                return SetOLEnable(h, 1);
            }
            if (operation == "rate") {
                return SetBaudRate(h, 2);
            }
            if (operation == "reset") {
                return ResetReader(h);
            }
            if (operation == "write") {
                return SetParameter(h, 0x30, 2, bytes.data());
            }
            return GetParameter(h, 0x30, 2, buffer.data());
        };
        QCOMPARE(call(), code);
        QCOMPARE(buffer, (std::array<uint8_t, 2>{kSentinel, kSentinel}));
        QCOMPARE(call(), 0);
        QCOMPARE(GetParameter(h, 0x30, 2, buffer.data()), 0);
        QCOMPARE(buffer, (std::array<uint8_t, 2>{0x30, 0x31}));
        QCOMPARE(peer.requests().size(), std::size_t(3));
        QCOMPARE(CloseReader(h), 0);
    }

    void strayInputIsDroppedBeforeARequest_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<QString>("stray");
        for (int station : {7, 255}) {
            const QByteArray unit = station == 7 ? " unit 7" : " unit 255";
            QTest::newRow("noise" + unit) << station << "noise";
            QTest::newRow("stale reply" + unit) << station << "stale reply";
            QTest::newRow("noise and stale reply" + unit) << station << "both";
        }
    }

    // Bytes that come between two calls (noise, a late or repeated reply of the same shape as
    // the next answer) are dropped before the next request goes out.
    void strayInputIsDroppedBeforeARequest() {
        QFETCH(int, station);
        QFETCH(QString, stray);
        FakeRtuPeer peer([stray](const Bytes& r, int index) {
            auto answer = normalAnswer(r, 0);
            if (index == 0) {
                if (stray != "stale reply") {
                    answer.later = {0x00, 0xFF, 0x13, 0x37};
                }
                if (stray != "noise") {
                    const Bytes stale = normalAnswer(r, 0x40).bytes;
                    answer.later.insert(answer.later.end(), stale.begin(), stale.end());
                }
                answer.laterDelay = 10ms;
            }
            return answer;
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        std::array<uint8_t, 2> first{};
        QCOMPARE(GetParameter(h, 0x10, 2, first.data()), 0);
        QCOMPARE(first, (std::array<uint8_t, 2>{0x10, 0x11}));
        // The stray bytes are in before the next call.
        QTRY_COMPARE_WITH_TIMEOUT(peer.unsolicitedWrites(), 1, 5000);
        std::array<uint8_t, 2> second{kSentinel, kSentinel};
        QCOMPARE(GetParameter(h, 0x10, 2, second.data()), 0);
        QCOMPARE(second, (std::array<uint8_t, 2>{0x10, 0x11}));
        QCOMPARE(CloseReader(h), 0);
    }

    void replyTimeoutFollowsTheWireTime_data() {
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("registers");
        QTest::addColumn<bool>("answers");  // paced at the line rate, or silent
        QTest::newRow("2400 bps, 125 registers, unit 7") << 0 << 7 << 125 << true;
        QTest::newRow("2400 bps, 125 registers, unit 255") << 0 << 255 << 125 << true;
        QTest::newRow("2400 bps, 125 registers, silent") << 0 << 255 << 125 << false;
        QTest::newRow("2400 bps, 1 register, silent") << 0 << 7 << 1 << false;
    }

    // The reply timeout is the reader's answer time plus the wire time of request and reply at
    // the current rate: the longest read at 2400 bps (255 bytes, 1.06 s on the wire) succeeds;
    // a reader that stays silent costs exactly that timeout.
    void replyTimeoutFollowsTheWireTime() {
        QFETCH(int, rateCode);
        QFETCH(int, station);
        QFETCH(int, registers);
        QFETCH(bool, answers);
        const int32_t rate = reader::rateForCode(rateCode);
        FakeRtuPeer peer([rate, answers](const Bytes& r, int) {
            if (r[1] == 0x06) {
                return normalAnswer(r, 0);  // the rate change, still at 9600
            }
            if (!answers) {
                return FakeRtuPeer::Answer{};
            }
            auto answer = normalAnswer(r, 0);
            answer.perByte = reader::byteTime(rate);
            return answer;
        });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        QCOMPARE(SetBaudRate(h, rateCode), 0);
        const auto count = static_cast<uint16_t>(registers);
        const reader::Request read{reader::Function::ReadHolding, 0, count};
        const auto timeout =
            reader::kAnswerTime + reader::exchangeWireTime(reader::rtuRequestBytes(read),
                                                           reader::rtuReplyBytes(read), rate);
        std::array<uint8_t, 125> buffer{};
        QElapsedTimer timer;
        timer.start();
        const int result = GetParameter(h, 0, registers, buffer.data());
        const auto elapsed = std::chrono::milliseconds(timer.elapsed());
        if (answers) {
            QCOMPARE(result, 0);
            QCOMPARE(int(buffer[124 % registers]), 124 % registers);
        } else {
            QCOMPARE(result, int(READER_ERROR_TIMEOUT));
            // It waited as long as the reply needs on the wire, and then gave up.
            QVERIFY2(elapsed >= timeout - 5ms, qPrintable(QString::number(elapsed.count())));
            QVERIFY2(elapsed < timeout + 1500ms, qPrintable(QString::number(elapsed.count())));
        }
        QCOMPARE(CloseReader(h), 0);
    }

    void pauseAfterRateChange_data() {
        QTest::addColumn<int>("station");
        QTest::newRow("unit 7") << 7;
        QTest::newRow("unit 255") << 255;
    }

    // A reader switches its port after answering a rate change and loses what comes
    // meanwhile: the first request at the new rate waits for it.
    void pauseAfterRateChange() {
        using Clock = std::chrono::steady_clock;
        std::mutex mutex;
        Clock::time_point switchedAt{};
        std::optional<FakeRtuPeer> peer;
        peer.emplace([&](const Bytes& r, int) {
            std::lock_guard lock(mutex);
            const auto now = Clock::now();
            if (switchedAt != Clock::time_point{} && now - switchedAt < reader::kRateSwitchPause) {
                return FakeRtuPeer::Answer{};  // still switching
            }
            if (r[1] == 0x06 && r[2] == 0x01 && r[3] == 0x00) {
                switchedAt = now;  // answered right away, then switching
            }
            return normalAnswer(r, 0);
        });
        QFETCH(int, station);
        const int32_t h = openOn(*peer);
        QVERIFY(h != 0);
        SelectStation(station);
        QCOMPARE(SetBaudRate(h, 6), 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{0, 1, 2, 3}));
        QCOMPARE(CloseReader(h), 0);
        peer.reset();
    }

    void silenceBetweenFrames_data() {
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<int>("station");
        QTest::newRow("9600 bps unit 7") << 2 << 7;
        QTest::newRow("9600 bps unit 255") << 2 << 255;
        QTest::newRow("115200 bps unit 7") << 6 << 7;
        QTest::newRow("115200 bps unit 255") << 6 << 255;
    }

    // Every request starts at least 3.5 characters (1.75 ms above 19200 bps) after the end of
    // the frame before it, which is how the other stations on the bus tell frames apart.
    void silenceBetweenFrames() {
        QFETCH(int, rateCode);
        QFETCH(int, station);
        FakeRtuPeer peer([](const Bytes& r, int) { return normalAnswer(r, 0); });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(station);
        QCOMPARE(SetBaudRate(h, rateCode), 0);
        std::array<uint8_t, 4> bytes{1, 2, 3, 4};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(GetParameter(h, 0x10, 4, bytes.data()), 0);
            QCOMPARE(SetParameter(h, 0x20, 4, bytes.data()), 0);
            QCOMPARE(SetOLEnable(h, 1), 0);
            QCOMPARE(GetFirmwareVersion(h, bytes.data()), 0);
        }
        QCOMPARE(CloseReader(h), 0);
        // The peer notes an exchange just after its answer went out: wait for the last note.
        QTRY_COMPARE(peer.timings().size(), std::size_t(13));
        const auto timings = peer.timings();
        const auto gap = reader::frameGap(reader::rateForCode(rateCode));
        for (std::size_t i = 1; i < timings.size(); ++i) {
            const auto silence = timings[i].requestStart - timings[i - 1].answerEnd;
            QVERIFY2(
                silence >= gap,
                qPrintable(QStringLiteral("request %1 after %2 us")
                               .arg(i)
                               .arg(std::chrono::duration<double, std::micro>(silence).count())));
        }
    }

    // Any non-zero byte switches the offline function on: the reader is sent 1.
    void offlineEnableSendsOne() {
        FakeRtuPeer peer([](const Bytes& r, int) { return normalAnswer(r, 0); });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        for (const int station : {7, 255}) {
            SelectStation(station);
            for (const int enable : {2, 0x80, 255, 0, 1}) {
                QCOMPARE(SetOLEnable(h, static_cast<uint8_t>(enable)), 0);
            }
        }
        QCOMPARE(CloseReader(h), 0);
        std::vector<Bytes> expected;
        for (const int unit : {7, 255}) {
            for (const int value : {1, 1, 1, 0, 1}) {
                expected.push_back(rtuFrame(static_cast<uint8_t>(unit),
                                            {0x06, 0x01, 0x01, 0x00, static_cast<uint8_t>(value)}));
            }
        }
        QCOMPARE(peer.requests(), expected);
    }

    // A station that does not answer costs one timeout, not more.
    void silentStationFailsWithinTheTimeout() {
        FakeRtuPeer peer([](const Bytes&, int) { return FakeRtuPeer::Answer{}; });
        const int32_t h = openOn(peer);
        QVERIFY(h != 0);
        SelectStation(8);
        std::array<uint8_t, 1> buffer{kSentinel};
        QElapsedTimer timer;
        timer.start();
        QVERIFY(GetParameter(h, 0x00, 1, buffer.data()) != 0);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(buffer[0], kSentinel);
        QCOMPARE(CloseReader(h), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ReaderPeer)
#include "tst_readerpeer.moc"
