// SPDX-License-Identifier: LGPL-2.1-or-later
// libReader end to end against reader-sim, over loopback TCP and over its pseudo-terminal.
#include <fcntl.h>
#include <modbus/modbus.h>
#include <termios.h>
#include <unistd.h>

#include <QtTest>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "reader/Reader.h"
#include "tests/support/SimProcess.h"

namespace {

constexpr uint8_t kSentinel = 0xEE;
constexpr int kStation = 7;

SimProcess::Options simOptions() {
    SimProcess::Options options;
    options.tcp = true;
    options.pty = true;
    options.station = kStation;
    options.firmware = QStringLiteral("3.4.5.6");
    return options;
}

// A plain libmodbus TCP client of the simulator, to look at it from outside the library.
struct Observer {
    explicit Observer(quint16 port) : ctx(modbus_new_tcp("127.0.0.1", port), &modbus_free) {
        modbus_set_response_timeout(ctx.get(), 2, 0);
        connected = modbus_connect(ctx.get()) == 0;
        modbus_set_slave(ctx.get(), 255);
    }
    ~Observer() { modbus_close(ctx.get()); }
    int holding(int address) {
        uint16_t value = 0;
        return modbus_read_registers(ctx.get(), address, 1, &value) == 1 ? value : -1;
    }
    std::unique_ptr<modbus_t, decltype(&modbus_free)> ctx;
    bool connected = false;
};

// The speed the pseudo-terminal is set to (shared by every descriptor of it).
speed_t lineSpeed(const QString& device) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tios{};
    const bool ok = fd >= 0 && tcgetattr(fd, &tios) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return ok ? cfgetospeed(&tios) : B0;
}

}  // namespace

class tst_ReaderLink : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> sim_;
    std::vector<int32_t> opened_;

    // Opens "tcp" or "rtu" on sim; 0 on failure.
    int32_t open(const QString& link, SimProcess& sim) {
        int32_t handle = 0;
        int16_t result = 1;
        if (link == "tcp") {
            SelectPort(sim.tcpPort());
            result = OpenReader(&handle, READER_LINK_TCP, "127.0.0.1");
        } else {
            qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
            result = OpenReader(&handle, READER_LINK_SERIAL, "COM1");
        }
        if (result != 0) {
            return 0;
        }
        opened_.push_back(handle);
        return handle;
    }
    int32_t open(const QString& link) { return open(link, *sim_); }

    static void addLinkRows(const char* tag = "") {
        QTest::addColumn<QString>("link");
        QTest::newRow(QByteArray("tcp").append(tag)) << QStringLiteral("tcp");
        QTest::newRow(QByteArray("rtu").append(tag)) << QStringLiteral("rtu");
    }

  private slots:
    void initTestCase() {
        sim_ = std::make_unique<SimProcess>(simOptions());
        QVERIFY(sim_->start());
    }

    void init() { SelectStation(0); }

    void cleanup() {
        for (int32_t h : opened_) {
            CloseReader(h);
        }
        opened_.clear();
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("length");
        const QList<QPair<int, int>> ranges{
            {0x00, 1},  {0x0F, 2},  {0x10, 16}, {0x37, 13}, {0x57, 1},   {0x7B, 27},
            {0xA9, 29}, {0xE3, 29}, {0xF0, 16}, {0xFF, 1},  {0x00, 125}, {0x83, 125},
        };
        for (const QString link : {"tcp", "rtu"}) {
            for (const auto& [address, length] : ranges) {
                QTest::addRow("%s %02X+%d", qPrintable(link), address, length)
                    << link << address << length;
            }
        }
    }

    // The library moves bytes as they are: what is written lands at its addresses in the
    // reader's memory, nothing else changes, and reading gives back exactly those bytes.
    void roundTrip() {
        QFETCH(QString, link);
        QFETCH(int, address);
        QFETCH(int, length);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        const auto before = sim_->readMemoryFile();
        std::vector<uint8_t> bytes(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) {
            bytes[i] = static_cast<uint8_t>(~before[address + i] ^ (i * 37));
        }
        QCOMPARE(SetParameter(h, address, length, bytes.data()), 0);

        std::vector<uint8_t> read(bytes.size() + 4, kSentinel);
        QCOMPARE(GetParameter(h, address, length, read.data()), 0);
        QVERIFY(std::equal(bytes.begin(), bytes.end(), read.begin()));
        QCOMPARE(read[bytes.size()], kSentinel);

        auto expected = before;
        std::copy(bytes.begin(), bytes.end(), expected.begin() + address);
        QCOMPARE(sim_->readMemoryFile(), expected);
    }

    void failedCallsTouchNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("handle 0") << "zero";
        QTest::newRow("unknown handle") << "unknown";
        QTest::newRow("closed tcp handle") << "closed tcp";
        QTest::newRow("closed rtu handle") << "closed rtu";
    }

    void failedCallsTouchNothing() {
        QFETCH(QString, kind);
        int32_t h = 0;
        if (kind == "unknown") {
            h = 4242;
        } else if (kind.startsWith("closed")) {
            h = open(kind.mid(7));
            QVERIFY(h != 0);
            QCOMPARE(CloseReader(h), 0);
        }
        const auto memory = sim_->readMemoryFile();
        std::array<uint8_t, 29> buffer;
        buffer.fill(kSentinel);
        const std::array<uint8_t, 29> untouched = buffer;
        QVERIFY(GetParameter(h, 0xA9, 29, buffer.data()) != 0);
        QVERIFY(GetParameter(h, 0xAC, 6, buffer.data()) != 0);
        QVERIFY(GetFirmwareVersion(h, buffer.data()) != 0);
        QVERIFY(GetSdkVersion(h, buffer.data()) != 0);
        QCOMPARE(buffer, untouched);
        const std::array<uint8_t, 3> bytes{1, 2, 3};
        QVERIFY(SetParameter(h, 0x10, 3, bytes.data()) != 0);
        QVERIFY(SetOLEnable(h, 1) != 0);
        QVERIFY(SetBaudRate(h, 2) != 0);
        QVERIFY(ResetReader(h) != 0);
        QVERIFY(CloseReader(h) != 0);
        QCOMPARE(sim_->readMemoryFile(), memory);
    }

    void handlesAreDistinctAndNeverZero() {
        const int32_t a = open("tcp");
        const int32_t b = open("tcp");
        QVERIFY(a > 0);
        QVERIFY(b > 0);
        QVERIFY(a != b);
        QCOMPARE(CloseReader(a), 0);
        const int32_t c = open("rtu");
        QVERIFY(c > 0);
        QVERIFY(c != a);  // a closed handle never comes back to life
        std::array<uint8_t, 1> byte{};
        QVERIFY(GetParameter(a, 0, 1, byte.data()) != 0);
        QCOMPARE(GetParameter(b, 0, 1, byte.data()), 0);
        QCOMPARE(GetParameter(c, 0, 1, byte.data()), 0);
    }

    // Calls from several threads share a link one at a time; a close in the middle ends the
    // link once the running call returns, and later calls fail cleanly.
    void concurrentCallsAndClose() {
        const int32_t h = open("tcp");
        QVERIFY(h != 0);
        const auto memory = sim_->readMemoryFile();
        std::atomic<int> wrong{0};
        std::atomic<int> succeeded{0};
        std::atomic<bool> closed{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 200; ++i) {
                    const bool afterClose = closed.load();
                    std::array<uint8_t, 16> block;
                    block.fill(kSentinel);
                    const int address = 16 * ((t + i) % 16);
                    if (GetParameter(h, address, 16, block.data()) == 0) {
                        ++succeeded;
                        if (afterClose ||
                            !std::equal(block.begin(), block.end(), memory.begin() + address)) {
                            ++wrong;
                        }
                    } else if (block[0] != kSentinel) {
                        ++wrong;
                    }
                }
            });
        }
        QTRY_VERIFY_WITH_TIMEOUT(succeeded.load() >= 20, 10000);
        QCOMPARE(CloseReader(h), 0);
        closed = true;
        for (auto& thread : threads) {
            thread.join();
        }
        opened_.clear();
        QCOMPARE(wrong.load(), 0);
        std::array<uint8_t, 1> byte{kSentinel};
        QVERIFY(GetParameter(h, 0, 1, byte.data()) != 0);
    }

    void openFailures_data() {
        QTest::addColumn<int>("linkType");
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("no serial device behind COM2") << 1 << QByteArray("COM2");
        QTest::newRow("COM9 is not a port") << 1 << QByteArray("COM9");
        QTest::newRow("serial without name") << 1 << QByteArray();
        QTest::newRow("tcp not an address") << 2 << QByteArray("reader.local");
        QTest::newRow("tcp without address") << 2 << QByteArray();
        QTest::newRow("unknown link type") << 4 << QByteArray("COM1");
    }

    void openFailures() {
        QFETCH(int, linkType);
        QFETCH(QByteArray, address);
        qputenv("READER_COM2", "/nonexistent/ttyREADER");
        int32_t handle = -5;
        QVERIFY(OpenReader(&handle, static_cast<uint8_t>(linkType),
                           address.isNull() ? nullptr : address.constData()) != 0);
        QCOMPARE(handle, -5);
    }

    void station_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("station");
        QTest::addColumn<bool>("reaches");
        for (const QString link : {"tcp", "rtu"}) {
            for (const auto& [station, reaches] : std::vector<std::pair<int, bool>>{
                     {kStation, true}, {8, false}, {255, true}, {0, true}, {-1, true}}) {
                QTest::addRow("%s station %d", qPrintable(link), station)
                    << link << station << reaches;
            }
        }
    }

    void station() {
        QFETCH(QString, link);
        QFETCH(int, station);
        QFETCH(bool, reaches);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        SelectStation(station);
        std::array<uint8_t, 4> buffer;
        buffer.fill(kSentinel);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(GetParameter(h, 0xA9, 4, buffer.data()) == 0, reaches);
        if (!reaches) {
            QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
            QCOMPARE(buffer, (std::array<uint8_t, 4>{kSentinel, kSentinel, kSentinel, kSentinel}));
        }
        // The link stays usable for the right station.
        SelectStation(kStation);
        QCOMPARE(GetParameter(h, 0xA9, 4, buffer.data()), 0);
        QCOMPARE(buffer, (std::array<uint8_t, 4>{
                             sim_->readMemoryFile()[0xA9], sim_->readMemoryFile()[0xAA],
                             sim_->readMemoryFile()[0xAB], sim_->readMemoryFile()[0xAC]}));
    }

    // Both ends switch: the reader (its rate register) and the local port (its line speed).
    void baudRateOnSerial() {
        const int32_t h = open("rtu");
        QVERIFY(h != 0);
        Observer observer(sim_->tcpPort());
        QVERIFY(observer.connected);
        std::array<uint8_t, 29> record{};
        QCOMPARE(SetBaudRate(h, 6), 0);
        QCOMPARE(observer.holding(0x100), 6);
        QCOMPARE(lineSpeed(sim_->ptyLink()), speed_t(B115200));
        QCOMPARE(GetParameter(h, 0xA9, 29, record.data()), 0);
        QCOMPARE(SetOLEnable(h, 0), 0);
        QCOMPARE(SetBaudRate(h, 2), 0);
        QCOMPARE(observer.holding(0x100), 2);
        QCOMPARE(lineSpeed(sim_->ptyLink()), speed_t(B9600));
        QCOMPARE(GetParameter(h, 0xA9, 29, record.data()), 0);
        QVERIFY(SetBaudRate(h, 7) != 0);
        QCOMPARE(observer.holding(0x100), 2);
    }

    void baudRateOnTcpLeavesTheReader() {
        const int32_t h = open("tcp");
        QVERIFY(h != 0);
        Observer observer(sim_->tcpPort());
        QCOMPARE(SetBaudRate(h, 6), 0);
        QCOMPARE(observer.holding(0x100), 2);
    }

    // USB is RTU framing on a CDC-ACM port: no serial rate to switch.
    void usbLink() {
        qputenv("READER_USB", sim_->ptyLink().toLocal8Bit());
        int32_t h = 0;
        QCOMPARE(OpenReader(&h, READER_LINK_USB, nullptr), 0);
        opened_.push_back(h);
        std::array<uint8_t, 6> mac{};
        QCOMPARE(GetParameter(h, 0xAC, 6, mac.data()), 0);
        const auto memory = sim_->readMemoryFile();
        QVERIFY(std::equal(mac.begin(), mac.end(), memory.begin() + 0xAC));
        Observer observer(sim_->tcpPort());
        QCOMPARE(SetBaudRate(h, 6), 0);
        QCOMPARE(observer.holding(0x100), 2);
        QCOMPARE(lineSpeed(sim_->ptyLink()), speed_t(B9600));
        qunsetenv("READER_USB");
    }

    void offlineFunction_data() { addLinkRows(); }

    void offlineFunction() {
        QFETCH(QString, link);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        // Any non-zero byte switches the function on: the reader stores 1 for it.
        for (const auto& [enable, stored] : {std::pair{1, 1}, std::pair{0, 0}, std::pair{2, 1},
                                             std::pair{0, 0}, std::pair{255, 1}}) {
            std::array<uint8_t, 1> flag{kSentinel};
            QCOMPARE(SetOLEnable(h, static_cast<uint8_t>(enable)), 0);
            QCOMPARE(GetParameter(h, 0x57, 1, flag.data()), 0);
            QCOMPARE(int(flag[0]), stored);
        }
    }

    void versions_data() { addLinkRows(); }

    void versions() {
        QFETCH(QString, link);
        const int32_t h = open(link);
        QVERIFY(h != 0);
        std::array<uint8_t, 4> version{};
        QCOMPARE(GetFirmwareVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{3, 4, 5, 6}));
        QCOMPARE(GetSdkVersion(h, version.data()), 0);
        QCOMPARE(version, (std::array<uint8_t, 4>{EXPECTED_SDK_VERSION}));
    }

    // After a reset the reader drops its TCP clients; the library's next call connects anew.
    void resetOverTcp() {
        const int32_t h = open("tcp");
        QVERIFY(h != 0);
        Observer observer(sim_->tcpPort());
        QVERIFY(observer.holding(0x100) >= 0);
        QCOMPARE(ResetReader(h), 0);
        QTRY_VERIFY_WITH_TIMEOUT(observer.holding(0x100) < 0, 10000);
        std::array<uint8_t, 4> record{};
        QTRY_COMPARE_WITH_TIMEOUT(GetParameter(h, 0xA9, 4, record.data()), int16_t(0), 10000);
    }

    // After a reset the reader's line is back at 9600, and so is the library's.
    void resetOverSerial() {
        const int32_t h = open("rtu");
        QVERIFY(h != 0);
        QCOMPARE(SetBaudRate(h, 6), 0);
        QCOMPARE(lineSpeed(sim_->ptyLink()), speed_t(B115200));
        QCOMPARE(ResetReader(h), 0);
        QCOMPARE(lineSpeed(sim_->ptyLink()), speed_t(B9600));
        std::array<uint8_t, 4> record{};
        QTRY_COMPARE_WITH_TIMEOUT(GetParameter(h, 0xA9, 4, record.data()), int16_t(0), 10000);
        Observer observer(sim_->tcpPort());
        QCOMPARE(observer.holding(0x100), 2);
    }

    void killedReader_data() { addLinkRows(); }

    // TCP notices the closed connection at once; RTU within the timeout. Later calls keep
    // failing quickly while the reader is gone.
    void killedReader() {
        QFETCH(QString, link);
        SimProcess sim(simOptions());
        QVERIFY(sim.start());
        const int32_t h = open(link, sim);
        QVERIFY(h != 0);
        std::array<uint8_t, 4> buffer{};
        QCOMPARE(GetParameter(h, 0xA9, 4, buffer.data()), 0);
        sim.kill();
        buffer.fill(kSentinel);
        for (int call = 0; call < 2; ++call) {
            QElapsedTimer timer;
            timer.start();
            QVERIFY(GetParameter(h, 0xA9, 4, buffer.data()) != 0);
            const qint64 limit = link == "tcp" ? 450 : 5000;
            QVERIFY2(timer.elapsed() < limit, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(buffer, (std::array<uint8_t, 4>{kSentinel, kSentinel, kSentinel, kSentinel}));
        QCOMPARE(CloseReader(h), 0);
        opened_.clear();
    }
};

QTEST_GUILESS_MAIN(tst_ReaderLink)
#include "tst_readerlink.moc"
