// SPDX-License-Identifier: LGPL-2.1-or-later
// The reason a call leaves for its thread (ReaderLastError): a code of its kind and a text
// naming the device or address; and the trace of the traffic (ReaderSetTrace).
#include <QtTest>

#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

#include "FakePeers.h"
#include "reader/LineTiming.h"
#include "reader/LinkFailure.h"
#include "reader/Reader.h"

namespace {

QString lastReason() {
    std::array<char, 300> text{};
    ReaderLastError(text.data(), static_cast<int32_t>(text.size()));
    return QString::fromUtf8(text.data());
}

// A loopback port nobody listens on.
uint16_t closedPort() {
    SilentTcpPeer peer;
    return peer.port();  // closed when peer goes
}

QString hex(const Bytes& bytes) {
    QStringList pairs;
    for (uint8_t b : bytes) {
        pairs << QStringLiteral("%1").arg(b, 2, 16, QChar(u'0')).toUpper();
    }
    return pairs.join(u' ');
}

FakeRtuPeer::Answer echoOrRead(const Bytes& r) {
    if (r[1] == 0x03 || r[1] == 0x04) {
        return {rtuFrame(r[0], {r[1], 0x04, 0x00, 0x11, 0x00, 0x22})};
    }
    return {rtuFrame(r[0], Bytes(r.begin() + 1, r.begin() + 6))};
}

// A scripted peer over loopback TCP ("tcp") or a pseudo-terminal as COM5 ("rtu"), opened;
// name is how the library names the link.
struct PeerLink {
    PeerLink(const QString& link, const FakeRtuPeer::Script& script) {
        if (link == "tcp") {
            tcp = std::make_unique<FakeTcpPeer>(script);
            SelectPort(tcp->port());
            if (OpenReader(&handle, READER_LINK_TCP, "127.0.0.1") != 0) {
                handle = 0;
            }
            name = QStringLiteral("127.0.0.1:%1").arg(tcp->port());
        } else {
            rtu = std::make_unique<FakeRtuPeer>(script);
            qputenv("READER_COM5", rtu->device().toLocal8Bit());
            if (OpenReader(&handle, READER_LINK_SERIAL, "COM5") != 0) {
                handle = 0;
            }
            name = QStringLiteral("COM5 (%1)").arg(rtu->device());
        }
    }

    std::unique_ptr<FakeRtuPeer> rtu;
    std::unique_ptr<FakeTcpPeer> tcp;
    int32_t handle = 0;
    QString name;
};

}  // namespace

class tst_ReaderFailures : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        SelectStation(0);
        SelectPort(4001);
    }

    void linkFailureKinds_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("linkFailure");
        QTest::newRow("success") << int(READER_OK) << false;
        QTest::newRow("not open") << int(READER_ERROR_NOT_OPEN) << false;
        QTest::newRow("argument") << int(READER_ERROR_ARGUMENT) << false;
        QTest::newRow("no device") << int(READER_ERROR_NO_DEVICE) << true;
        QTest::newRow("permission") << int(READER_ERROR_PERMISSION) << true;
        QTest::newRow("busy") << int(READER_ERROR_BUSY) << true;
        QTest::newRow("refused") << int(READER_ERROR_REFUSED) << true;
        QTest::newRow("unreachable") << int(READER_ERROR_UNREACHABLE) << true;
        QTest::newRow("timeout") << int(READER_ERROR_TIMEOUT) << true;
        QTest::newRow("garbled") << int(READER_ERROR_GARBLED) << true;
        QTest::newRow("link lost") << int(READER_ERROR_LINK_LOST) << true;
        QTest::newRow("exception") << int(READER_ERROR_EXCEPTION) << false;
        QTest::newRow("bad value") << int(READER_ERROR_BAD_VALUE) << false;
    }

    void linkFailureKinds() {
        QFETCH(int, code);
        QFETCH(bool, linkFailure);
        QCOMPARE(ReaderIsLinkFailure(static_cast<int16_t>(code)) != 0, linkFailure);
    }

    void systemErrors_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ENOENT") << ENOENT << int(READER_ERROR_NO_DEVICE) << "no such device";
        QTest::newRow("EACCES") << EACCES << int(READER_ERROR_PERMISSION)
                                << "permission denied: add the user to the dialout group";
        QTest::newRow("EBUSY") << EBUSY << int(READER_ERROR_BUSY)
                               << "busy: the device is in use by another program";
        QTest::newRow("ECONNREFUSED")
            << ECONNREFUSED << int(READER_ERROR_REFUSED) << "connection refused";
        QTest::newRow("ECONNRESET")
            << ECONNRESET << int(READER_ERROR_LINK_LOST) << "connection reset";
        QTest::newRow("EIO") << EIO << int(READER_ERROR_LINK_LOST) << "device gone (I/O error)";
    }

    void systemErrors() {
        QFETCH(int, error);
        QFETCH(int, code);
        QFETCH(QString, reason);
        const auto failure = reader::failureFromErrno(error);
        QCOMPARE(int(failure.code), code);
        QCOMPARE(QString::fromStdString(failure.reason), reason);
    }

    void openFailures_data() {
        QTest::addColumn<int>("linkType");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");  // %1: the TCP port
        QTest::newRow("missing device")
            << int(READER_LINK_SERIAL) << "COM1" << int(READER_ERROR_NO_DEVICE)
            << "COM1 (/nonexistent/ttyREADER): no such device";
        QTest::newRow("TCP refused")
            << int(READER_LINK_TCP) << "127.0.0.1" << int(READER_ERROR_REFUSED)
            << "127.0.0.1:%1: connection refused";
        QTest::newRow("not a port name")
            << int(READER_LINK_SERIAL) << "COM9" << int(READER_ERROR_ARGUMENT)
            << "COM9: not a serial port name (COM1..COM8)";
    }

    void openFailures() {
        QFETCH(int, linkType);
        QFETCH(QString, address);
        QFETCH(int, code);
        QFETCH(QString, reason);
        qputenv("READER_COM1", "/nonexistent/ttyREADER");
        const uint16_t port = closedPort();
        SelectPort(port);
        int32_t h = 0;
        QCOMPARE(int(OpenReader(&h, static_cast<uint8_t>(linkType), qPrintable(address))), code);
        QCOMPARE(int(ReaderLastError(nullptr, 0)), code);
        QCOMPARE(lastReason(), reason.contains(u'%') ? reason.arg(port) : reason);
        // A success clears it.
        QCOMPARE(SelectStation(1), 0);
        QCOMPARE(int(ReaderLastError(nullptr, 0)), int(READER_OK));
        QCOMPARE(lastReason(), QString());
    }

    // A device file the user may not open; root opens anything, so there only the mapping
    // of EACCES (systemErrors) shows the reason.
    void permissionDenied() {
        if (geteuid() == 0) {
            QSKIP("root may open any device");
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("ttyLOCKED");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QFile::setPermissions(path, {}));
        qputenv("READER_COM4", path.toLocal8Bit());
        int32_t h = 0;
        QCOMPARE(int(OpenReader(&h, READER_LINK_SERIAL, "COM4")), int(READER_ERROR_PERMISSION));
        QCOMPARE(lastReason(), QStringLiteral("COM4 (%1): permission denied: add the user to the "
                                              "dialout group")
                                   .arg(path));
    }

    // A device another program holds (flock, as terminal programs take it) or that an open
    // handle of this library holds is busy.
    void busyDevice() {
        FakeRtuPeer peer([](const Bytes& r, int) { return echoOrRead(r); });
        const QByteArray device = peer.device().toLocal8Bit();
        qputenv("READER_COM2", device);
        const int other = ::open(device.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(flock(other, LOCK_EX | LOCK_NB), 0);
        int32_t h = 0;
        QCOMPARE(int(OpenReader(&h, READER_LINK_SERIAL, "COM2")), int(READER_ERROR_BUSY));
        QCOMPARE(lastReason(), QStringLiteral("COM2 (%1): busy: the device is in use by another "
                                              "program")
                                   .arg(peer.device()));
        ::close(other);
        QCOMPARE(OpenReader(&h, READER_LINK_SERIAL, "COM2"), 0);
        int32_t second = 0;
        QCOMPARE(int(OpenReader(&second, READER_LINK_SERIAL, "COM2")), int(READER_ERROR_BUSY));
        std::array<uint8_t, 2> bytes{};
        QCOMPARE(GetParameter(h, 0x10, 2, bytes.data()), 0);  // the first handle works on
        QCOMPARE(CloseReader(h), 0);
        QCOMPARE(OpenReader(&second, READER_LINK_SERIAL, "COM2"), 0);
        QCOMPARE(CloseReader(second), 0);
    }

    void exchangeFailures_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("station");
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");  // after "<link name>: "
        const auto rtuTimeout =
            QStringLiteral("no answer within %1 ms")
                .arg(std::chrono::round<std::chrono::milliseconds>(
                         reader::kAnswerTime + reader::exchangeWireTime(8, 9, 9600))
                         .count());
        QTest::newRow("TCP never answers")
            << "tcp" << 1 << "silent" << int(READER_ERROR_TIMEOUT) << "no answer within 500 ms";
        QTest::newRow("TCP exception 03")
            << "tcp" << 1 << "exception" << int(READER_ERROR_EXCEPTION)
            << "exception 03 from the reader";
        for (int station : {7, 255}) {
            const QByteArray unit = " unit " + QByteArray::number(station);
            QTest::newRow("RTU never answers" + unit)
                << "rtu" << station << "silent" << int(READER_ERROR_TIMEOUT) << rtuTimeout;
            QTest::newRow("RTU exception 03" + unit)
                << "rtu" << station << "exception" << int(READER_ERROR_EXCEPTION)
                << "exception 03 from the reader";
            QTest::newRow("RTU bad CRC" + unit)
                << "rtu" << station << "bad CRC" << int(READER_ERROR_GARBLED) << "garbled reply";
            QTest::newRow("RTU value above 255" + unit)
                << "rtu" << station << "above 255" << int(READER_ERROR_BAD_VALUE)
                << "value 256 from the reader is above 255";
        }
    }

    void exchangeFailures() {
        QFETCH(QString, link);
        QFETCH(int, station);
        QFETCH(QString, behaviour);
        QFETCH(int, code);
        QFETCH(QString, reason);
        const FakeRtuPeer::Script script = [behaviour](const Bytes& r, int) -> FakeRtuPeer::Answer {
            if (behaviour == "silent") {
                return {};
            }
            if (behaviour == "exception") {
                return {rtuFrame(r[0], {static_cast<uint8_t>(r[1] | 0x80), 0x03})};
            }
            if (behaviour == "above 255") {
                return {rtuFrame(r[0], {r[1], 0x04, 0x00, 0x11, 0x01, 0x00})};
            }
            auto answer = echoOrRead(r);
            answer.bytes.back() ^= 0x5A;
            return answer;
        };
        PeerLink peer(link, script);
        QVERIFY(peer.handle != 0);
        SelectStation(station);
        std::array<uint8_t, 2> bytes{};
        QCOMPARE(int(GetParameter(peer.handle, 0x10, 2, bytes.data())), code);
        QCOMPARE(lastReason(), peer.name + QStringLiteral(": ") + reason);
        QCOMPARE(CloseReader(peer.handle), 0);
    }

    // The reason belongs to the thread that made the call.
    void reasonPerThread() {
        int32_t h = 0;
        qputenv("READER_COM1", "/nonexistent/ttyREADER");
        QVERIFY(OpenReader(&h, READER_LINK_SERIAL, "COM1") != 0);
        int16_t otherCode = -1;
        std::thread([&] { otherCode = ReaderLastError(nullptr, 0); }).join();
        QCOMPARE(int(otherCode), int(READER_OK));
        QCOMPARE(int(ReaderLastError(nullptr, 0)), int(READER_ERROR_NO_DEVICE));
        std::array<char, 8> shortText{};
        ReaderLastError(shortText.data(), static_cast<int32_t>(shortText.size()));
        QCOMPARE(QByteArray(shortText.data()), QByteArray("COM1 (/"));
    }

    void trace_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("station");
        QTest::newRow("tcp") << "tcp" << 1;
        QTest::newRow("rtu unit 7") << "rtu" << 7;
        QTest::newRow("rtu unit 255") << "rtu" << 255;
    }

    // Every request and reply appear in the trace as the peer saw and sent them; nothing is
    // traced once it is off.
    void trace() {
        QFETCH(QString, link);
        QFETCH(int, station);
        QTemporaryDir dir;
        const QString path = dir.filePath("trace.txt");
        std::vector<Bytes> replies;
        std::mutex mutex;
        const FakeRtuPeer::Script script = [&](const Bytes& r, int) {
            auto answer = echoOrRead(r);
            std::lock_guard lock(mutex);
            replies.push_back(answer.bytes);
            return answer;
        };
        QCOMPARE(ReaderSetTrace(path.toLocal8Bit().constData()), 0);
        PeerLink peer(link, script);
        QVERIFY(peer.handle != 0);
        const int32_t h = peer.handle;
        const QString name = peer.name;
        const auto& tcp = peer.tcp;
        const auto& rtu = peer.rtu;
        SelectStation(station);
        std::array<uint8_t, 2> bytes{0x05, 0x06};
        QCOMPARE(GetParameter(h, 0x10, 2, bytes.data()), 0);
        QCOMPARE(SetParameter(h, 0x20, 2, bytes.data()), 0);
        QCOMPARE(ReaderSetTrace(nullptr), 0);
        QCOMPARE(GetParameter(h, 0x10, 2, bytes.data()), 0);  // not traced
        QCOMPARE(CloseReader(h), 0);

        std::vector<Bytes> requests = tcp ? tcp->requests() : rtu->requests();
        QCOMPARE(requests.size(), std::size_t(3));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        const QRegularExpression form(QStringLiteral(
            R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6} (.+) (->|<-) ([0-9A-F ]+?)( \(\+\d+\.\d ms\))?$)"));
        for (int i = 0; i < 4; ++i) {
            const auto match = form.match(lines[i]);
            QVERIFY2(match.hasMatch(), qPrintable(lines[i]));
            QCOMPARE(match.captured(1), name);
            QCOMPARE(match.captured(2), i % 2 == 0 ? QStringLiteral("->") : QStringLiteral("<-"));
            QCOMPARE(match.captured(4).isEmpty(), i % 2 == 0);  // replies give the elapsed time
            Bytes expected =
                i % 2 == 0 ? requests[std::size_t(i / 2)] : replies[std::size_t(i / 2)];
            if (tcp) {
                expected.resize(expected.size() - 2);  // TCP: unit and PDU, no CRC
            }
            QCOMPARE(match.captured(3), hex(expected));
        }
    }

    void traceToAFileThatCannotBeOpened() {
        QVERIFY(ReaderSetTrace("/nonexistent/dir/trace.txt") != 0);
        QCOMPARE(ReaderSetTrace(nullptr), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ReaderFailures)
#include "tst_readerfailures.moc"
