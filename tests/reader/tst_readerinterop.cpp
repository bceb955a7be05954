// SPDX-License-Identifier: LGPL-2.1-or-later
// libReader against a Modbus server it was not written with: pymodbus (Debian's
// python3-pymodbus), over TCP and over RTU on a socat pseudo-terminal pair. The server keeps
// two units with different contents, unit 255 and station 7, so addressing shows in the data.
#include <fcntl.h>
#include <unistd.h>

#include <QtTest>

#include <array>
#include <memory>

#include "reader/Reader.h"

namespace {

constexpr int kStation = 7;
const QString kPython = QStringLiteral("/usr/bin/python3");

// What the server script seeds: byte n of unit 255 is n, of station 7 is 0x80 + n.
uint8_t seeded(int station, int address) {
    return static_cast<uint8_t>((station == kStation ? 0x80 : 0) + address);
}

bool waitForLine(QProcess& process, QByteArray& line, int msecs) {
    QDeadlineTimer deadline(msecs);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning) {
            return false;
        }
        process.waitForReadyRead(100);
    }
    line = process.readLine().trimmed();
    return true;
}

void stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
}

}  // namespace

class tst_ReaderInterop : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess tcpServer_;
    QProcess socat_;
    QProcess rtuServer_;
    quint16 tcpPort_ = 0;
    QString readerSide_;
    int lineKeeper_ = -1;  // keeps socat's pty up while the library has it closed

    int32_t open(const QString& link) {
        int32_t handle = 0;
        if (link == "tcp") {
            SelectPort(tcpPort_);
            return OpenReader(&handle, READER_LINK_TCP, "127.0.0.1") == 0 ? handle : 0;
        }
        qputenv("READER_COM3", readerSide_.toLocal8Bit());
        return OpenReader(&handle, READER_LINK_SERIAL, "COM3") == 0 ? handle : 0;
    }

    static QString script() { return QFINDTESTDATA("pymodbus_server.py"); }

    static void addRows() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("station");
        for (const QString link : {"tcp", "rtu"}) {
            for (int station : {255, kStation}) {
                QTest::addRow("%s unit %d", qPrintable(link), station) << link << station;
            }
        }
    }

  private slots:
    void initTestCase() {
        if (QProcess::execute(kPython, {"-c", "import pymodbus.server, serial"}) != 0) {
            QSKIP("/usr/bin/python3 has no pymodbus");
        }
        QVERIFY(!script().isEmpty());
        QVERIFY(dir_.isValid());
        QByteArray line;

        tcpServer_.start(
            kPython, {script(), "--tcp", "127.0.0.1:0", "--station", QString::number(kStation)});
        QVERIFY2(waitForLine(tcpServer_, line, 30000) && line.startsWith("ready "),
                 tcpServer_.readAllStandardError().constData());
        tcpPort_ = static_cast<quint16>(line.mid(6).toUInt());
        QVERIFY(tcpPort_ != 0);

        const QString serverSide = dir_.filePath("ttyServer");
        readerSide_ = dir_.filePath("ttyReader");
        socat_.start("socat",
                     {"pty,raw,echo=0,link=" + serverSide, "pty,raw,echo=0,link=" + readerSide_});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(serverSide) && QFile::exists(readerSide_), 10000);
        lineKeeper_ = ::open(readerSide_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(lineKeeper_ >= 0);
        rtuServer_.start(
            kPython, {script(), "--serial", serverSide, "--station", QString::number(kStation)});
        QVERIFY2(waitForLine(rtuServer_, line, 30000) && line == "ready",
                 rtuServer_.readAllStandardError().constData());
    }

    void cleanupTestCase() {
        stop(rtuServer_);
        stop(tcpServer_);
        if (lineKeeper_ >= 0) {
            ::close(lineKeeper_);
        }
        stop(socat_);
    }

    void init() { SelectStation(0); }

    void readsTheServersData_data() { addRows(); }

    void readsTheServersData() {
        QFETCH(QString, link);
        QFETCH(int, station);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        SelectStation(station);
        for (const auto& [address, length] :
             {std::pair{0x00, 29}, {0xA9, 29}, {0xF0, 16}, {0xFF, 1}}) {
            std::array<uint8_t, 29> buffer{};
            QCOMPARE(GetParameter(h, address, length, buffer.data()), 0);
            for (int i = 0; i < length; ++i) {
                QCOMPARE(buffer[i], seeded(station, address + i));
            }
        }
        std::array<uint8_t, 4> version{};
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{9, 8, 7, 6}));
        QCOMPARE(CloseReader(h), 0);
    }

    void writesReachTheServer_data() { addRows(); }

    // What one unit stores, a new link reads back from that unit only.
    void writesReachTheServer() {
        QFETCH(QString, link);
        QFETCH(int, station);
        const int address = link == "tcp" ? 0x20 : 0x60;
        std::array<uint8_t, 16> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(0xC0 ^ (station + 3 * i));
        }
        int32_t h = open(link);
        QVERIFY(h != 0);
        SelectStation(station);
        QCOMPARE(SetParameter(h, address, 16, bytes.data()), 0);
        QCOMPARE(SetOLEnable(h, 1), 0);
        QCOMPARE(CloseReader(h), 0);

        h = open(link);
        QVERIFY(h != 0);
        std::array<uint8_t, 16> back{};
        QCOMPARE(GetParameter(h, address, 16, back.data()), 0);
        QCOMPARE(back, bytes);
        const int other = station == kStation ? 255 : kStation;
        SelectStation(other);
        QCOMPARE(GetParameter(h, address + 16, 16, back.data()), 0);
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(back[i], seeded(other, address + 16 + i));
        }
        QCOMPARE(CloseReader(h), 0);
    }

    void unknownStationFails_data() {
        QTest::addColumn<QString>("link");
        QTest::newRow("tcp") << "tcp";
        QTest::newRow("rtu") << "rtu";
    }

    void unknownStationFails() {
        QFETCH(QString, link);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        SelectStation(8);
        std::array<uint8_t, 1> buffer{0xEE};
        QVERIFY(GetParameter(h, 0x00, 1, buffer.data()) != 0);
        QCOMPARE(buffer[0], uint8_t(0xEE));
        SelectStation(kStation);
        QCOMPARE(GetParameter(h, 0x01, 1, buffer.data()), 0);
        QCOMPARE(buffer[0], seeded(kStation, 0x01));
        QCOMPARE(CloseReader(h), 0);
    }
};

QTEST_GUILESS_MAIN(tst_ReaderInterop)
#include "tst_readerinterop.moc"
