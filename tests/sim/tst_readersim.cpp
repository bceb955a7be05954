// SPDX-License-Identifier: LGPL-2.1-or-later
// reader-sim as a process: Modbus TCP with libmodbus and mbpoll, RTU on its pseudo-terminal
// with raw frames and mbpoll, the memory file, reset, signals and a vanishing serial device.

#include <errno.h>
#include <fcntl.h>
#include <modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "LoopbackSocket.h"
#include "reader/ModbusCrc.h"
#include "tests/support/SimProcess.h"

namespace {

constexpr int kAnswerTimeoutMs = 10000;
// How long a frame that must stay unanswered is watched; the reader drops noise after 20 ms.
constexpr int kSilenceMs = 400;

struct ModbusDeleter {
    void operator()(modbus_t* ctx) const {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using Modbus = std::unique_ptr<modbus_t, ModbusDeleter>;

Modbus connectTcp(quint16 port, int unit = 255) {
    Modbus ctx(modbus_new_tcp("127.0.0.1", port));
    if (!ctx) {
        return nullptr;
    }
    modbus_set_slave(ctx.get(), unit);
    modbus_set_response_timeout(ctx.get(), 10, 0);
    if (modbus_connect(ctx.get()) != 0) {
        return nullptr;
    }
    return ctx;
}

// A Modbus RTU master on a serial line at bitsPerSecond, addressing station.
Modbus connectRtu(const QString& path, int bitsPerSecond, int station) {
    Modbus ctx(modbus_new_rtu(QFile::encodeName(path).constData(), bitsPerSecond, 'N', 8, 1));
    if (!ctx || modbus_set_slave(ctx.get(), station) != 0) {
        return nullptr;
    }
    modbus_set_response_timeout(ctx.get(), 10, 0);
    if (modbus_connect(ctx.get()) != 0) {
        return nullptr;
    }
    return ctx;
}

// unit + PDU from hex, with its CRC appended.
QByteArray rtuFrame(const QByteArray& hex) {
    QByteArray frame = QByteArray::fromHex(hex);
    const std::uint16_t crc =
        reader::crc16({reinterpret_cast<const std::uint8_t*>(frame.constData()),
                       static_cast<std::size_t>(frame.size())});
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

// Reads from fd until `count` bytes arrived, the other end closed (*closed set) or
// timeoutMs passed.
QByteArray receiveBytes(int fd, qsizetype count, int timeoutMs, bool* closed = nullptr) {
    QByteArray got;
    const QDeadlineTimer deadline(timeoutMs);
    while (got.size() < count && !deadline.hasExpired()) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            if (closed) {
                *closed = true;
            }
            break;
        }
        if (n > 0) {
            got.append(buffer, n);
        }
    }
    return got;
}

// The test's end of the reader's serial line: raw bytes on a terminal.
class RawLine {
  public:
    // speed 0 leaves the line's speed as it is.
    explicit RawLine(const QString& path, speed_t speed = 0) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios tio{};
            ::tcgetattr(fd_, &tio);
            ::cfmakeraw(&tio);
            if (speed != 0) {
                ::cfsetspeed(&tio, speed);
            }
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~RawLine() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool isOpen() const { return fd_ >= 0; }
    bool send(const QByteArray& bytes) {
        return ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // Collects bytes until `count` have arrived or timeoutMs passed.
    QByteArray receive(qsizetype count, int timeoutMs) {
        return receiveBytes(fd_, count, timeoutMs);
    }

  private:
    int fd_ = -1;
};

// A plain TCP connection for hand-made Modbus TCP frames.
class RawTcp {
  public:
    explicit RawTcp(quint16 port) : fd_(connectLoopback(port)) {}
    ~RawTcp() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool isOpen() const { return fd_ >= 0; }
    bool send(const QByteArray& bytes) {
        return ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) ==
               bytes.size();
    }
    // Bytes until `count` arrived, the peer closed (*closed set) or timeoutMs passed.
    QByteArray receive(qsizetype count, int timeoutMs, bool* closed = nullptr) {
        return receiveBytes(fd_, count, timeoutMs, closed);
    }
    // What has arrived already, without waiting.
    QByteArray arrived() {
        QByteArray got;
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
            got.append(buffer, n);
        }
        return got;
    }

  private:
    int fd_ = -1;
};

// Runs mbpoll once; returns its exit code, output in *output.
int mbpoll(const QStringList& args, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("mbpoll"), QStringList{"-1", "-0", "-o", "5"} + args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        *output = QStringLiteral("mbpoll did not finish");
        return -1;
    }
    *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace

class TestReaderSim : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void tcpServesSeveralClients();
    void tcpStationAndFirmware();
    void tcpBadInput();
    void failRangeAnswersException4();
    void mbpollOverTcp();
    void mbpollOverRtu();
    void rtuRawFrames_data();
    void rtuRawFrames();
    void rtuKeepsSyncAcrossOtherStations();
    void resetDropsTcpClients();
    void memoryFileSurvivesKill();
    void sigtermExitsCleanly();
    void serialDevice();
    void refusesMalformedMemoryFile();
    void replyDelay();
    void busStations();
    void busUnit255_data();
    void busUnit255();
    void busUsageErrors_data();
    void busUsageErrors();
};

void TestReaderSim::initTestCase() {
    QVERIFY2(QFileInfo(SimProcess::executable()).isExecutable(),
             qPrintable(SimProcess::executable()));
}

void TestReaderSim::tcpServesSeveralClients() {
    SimProcess sim;
    QVERIFY(sim.start());
    QVERIFY(sim.tcpPort() != 0);

    std::vector<Modbus> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(connectTcp(sim.tcpPort(), i % 2 ? 1 : 255));
        QVERIFY(clients.back());
    }
    std::array<std::uint16_t, 6> ip{};
    QCOMPARE(modbus_read_registers(clients[0].get(), 0xB2, 6, ip.data()), 6);
    QCOMPARE(ip, (std::array<std::uint16_t, 6>{192, 168, 0, 178, 255, 255}));

    // Each client writes its own byte while all stay connected; each sees all writes.
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(
            modbus_write_register(clients[i].get(), 0x10 + i, static_cast<std::uint16_t>(0xA0 + i)),
            1);
    }
    for (int i = 4; i >= 0; --i) {
        std::array<std::uint16_t, 5> got{};
        QCOMPARE(modbus_read_registers(clients[i].get(), 0x10, 5, got.data()), 5);
        QCOMPARE(got, (std::array<std::uint16_t, 5>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4}));
    }
    const auto memory = sim.readMemoryFile();
    QCOMPARE(memory[0x10], 0xA0);
    QCOMPARE(memory[0x14], 0xA4);
}

void TestReaderSim::tcpStationAndFirmware() {
    SimProcess::Options options;
    options.station = 7;
    options.firmware = QStringLiteral("3.4.5.6");
    SimProcess sim(options);
    QVERIFY(sim.start());

    Modbus ctx = connectTcp(sim.tcpPort(), 7);
    QVERIFY(ctx);
    std::array<std::uint16_t, 5> input{};
    QCOMPARE(modbus_read_input_registers(ctx.get(), 0, 5, input.data()), 5);
    QCOMPARE(input, (std::array<std::uint16_t, 5>{3, 4, 5, 6, 7}));

    // Station 8 gets no answer at all.
    Modbus other = connectTcp(sim.tcpPort(), 8);
    QVERIFY(other);
    modbus_set_response_timeout(other.get(), 0, 300000);
    std::uint16_t value = 0;
    QCOMPARE(modbus_read_registers(other.get(), 0x65, 1, &value), -1);
    QCOMPARE(errno, ETIMEDOUT);
}

void TestReaderSim::tcpBadInput() {
    SimProcess sim;
    QVERIFY(sim.start());
    const auto before = sim.readMemoryFile();
    RawTcp client(sim.tcpPort());
    QVERIFY(client.isOpen());

    // Exceptions carry the request's transaction and unit.
    struct Case {
        const char* request;
        const char* answer;
    };
    const Case cases[] = {
        {"1234 0000 0005 ff 2b0e0100", "1234 0000 0003 ff ab01"},      // unknown function
        {"1235 0000 0006 01 0300000000", "1235 0000 0003 01 8303"},    // quantity 0
        {"1236 0000 0006 ff 0401000001", "1236 0000 0003 ff 8402"},    // input 0x0100
        {"1237 0000 0006 ff 0600650100", "1237 0000 0003 ff 8603"},    // value 256
        {"1238 0000 0007 ff 030065000100", "1238 0000 0003 ff 8303"},  // PDU too long
    };
    for (const Case& c : cases) {
        const QByteArray answer = QByteArray::fromHex(c.answer);
        QVERIFY(client.send(QByteArray::fromHex(c.request)));
        QCOMPARE(client.receive(answer.size(), kAnswerTimeoutMs).toHex(' '), answer.toHex(' '));
    }
    // A request split across segments is put together; unit 0 and other units stay silent.
    QVERIFY(client.send(QByteArray::fromHex("0001 0000 0006 00 0600650000")));
    QVERIFY(client.send(QByteArray::fromHex("0002 0000 0006 09 0600650000")));
    QVERIFY(client.send(QByteArray::fromHex("0003 0000 00")));
    QTest::qWait(50);
    QVERIFY(client.send(QByteArray::fromHex("06 ff 0300650001")));
    const QByteArray answer = QByteArray::fromHex("0003 0000 0005 ff 030200 01");
    QCOMPARE(client.receive(answer.size(), kAnswerTimeoutMs).toHex(' '), answer.toHex(' '));

    // Something that is not Modbus TCP ends that connection only.
    RawTcp bystander(sim.tcpPort());
    QVERIFY(bystander.isOpen());
    QVERIFY(client.send(QByteArray::fromHex("0004 0001 0006 ff 0300650001")));
    bool closed = false;
    QCOMPARE(client.receive(1, kAnswerTimeoutMs, &closed), QByteArray());
    QVERIFY(closed);
    QVERIFY(bystander.send(QByteArray::fromHex("0005 0000 0006 ff 0300650001")));
    const QByteArray stillServed = QByteArray::fromHex("0005 0000 0005 ff 030200 01");
    QCOMPARE(bystander.receive(stillServed.size(), kAnswerTimeoutMs).toHex(' '),
             stillServed.toHex(' '));
    QVERIFY(sim.readMemoryFile() == before);
}

void TestReaderSim::failRangeAnswersException4() {
    SimProcess::Options options;
    options.fail = QStringList{QStringLiteral("0x40-0x4F"), QStringLiteral("0xB2")};
    SimProcess sim(options);
    QVERIFY(sim.start());
    Modbus ctx = connectTcp(sim.tcpPort());
    QVERIFY(ctx);

    std::array<std::uint16_t, 29> record{};
    QCOMPARE(modbus_read_registers(ctx.get(), 0xA9, 29, record.data()), -1);
    QCOMPARE(errno, int(EMBXSFAIL));
    QCOMPARE(modbus_write_register(ctx.get(), 0x4F, 1), -1);
    QCOMPARE(errno, int(EMBXSFAIL));
    QCOMPARE(modbus_read_registers(ctx.get(), 0x30, 16, record.data()), 16);
    QCOMPARE(modbus_write_register(ctx.get(), 0x50, 2), 1);
    QCOMPARE(sim.readMemoryFile()[0x4F], 0);
}

void TestReaderSim::mbpollOverTcp() {
    if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty()) {
        QSKIP("mbpoll is not installed (scripts/setup installs it)");
    }
    SimProcess sim;
    QVERIFY(sim.start());
    const QStringList tcp{"-m", "tcp", "-p", QString::number(sim.tcpPort())};
    QString out;

    QCOMPARE(mbpoll(tcp + QStringList{"-a", "255", "-r", "190", "-c", "2", "127.0.0.1"}, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("[190]: \t15")) && out.contains("[191]: \t161"),
             qPrintable(out));

    QCOMPARE(mbpoll(tcp + QStringList{"-a", "1", "-r", "101", "127.0.0.1", "0", "7"}, &out), 0);
    QCOMPARE(
        mbpoll(tcp + QStringList{"-a", "1", "-t", "3", "-r", "0", "-c", "5", "127.0.0.1"}, &out),
        0);
    QVERIFY2(out.contains("[0]: \t2") && out.contains("[3]: \t7") && out.contains("[4]: \t1"),
             qPrintable(out));

    // A value above 255 is refused and changes nothing.
    QVERIFY(mbpoll(tcp + QStringList{"-a", "255", "-r", "101", "127.0.0.1", "300"}, &out) != 0);
    QVERIFY2(out.contains(QStringLiteral("Illegal data value")), qPrintable(out));
    const auto memory = sim.readMemoryFile();
    QCOMPARE(memory[0x65], 0);
    QCOMPARE(memory[0x66], 7);
}

void TestReaderSim::mbpollOverRtu() {
    if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty()) {
        QSKIP("mbpoll is not installed (scripts/setup installs it)");
    }
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.lineRate = true;
    options.station = 3;
    SimProcess sim(options);
    QVERIFY(sim.start());
    // mbpoll's libmodbus refuses unit 255 on RTU; the station number reaches the reader.
    const QStringList rtu{"-m", "rtu", "-b", "9600", "-P", "none", "-a", "3"};
    QString out;

    QCOMPARE(mbpoll(rtu + QStringList{"-r", "178", "-c", "4", sim.ptyLink()}, &out), 0);
    QVERIFY2(out.contains("[178]: \t192") && out.contains("[181]: \t178"), qPrintable(out));
    QCOMPARE(mbpoll(rtu + QStringList{"-r", "178", sim.ptyLink(), "10", "1", "2", "3"}, &out), 0);
    QVERIFY(mbpoll(rtu + QStringList{"-r", "178", sim.ptyLink(), "10", "256"}, &out) != 0);
    QVERIFY2(out.contains(QStringLiteral("Illegal data value")), qPrintable(out));
    QCOMPARE(mbpoll(rtu + QStringList{"-t", "3", "-r", "4", sim.ptyLink()}, &out), 0);
    QVERIFY2(out.contains("[4]: \t3"), qPrintable(out));

    const auto memory = sim.readMemoryFile();
    QCOMPARE(memory[0xB2], 10);
    QCOMPARE(memory[0xB3], 1);
    QCOMPARE(memory[0xB5], 3);
}

void TestReaderSim::rtuRawFrames_data() {
    QTest::addColumn<QByteArray>("frame");   // bytes sent
    QTest::addColumn<QByteArray>("answer");  // expected answer; empty = none

    const QByteArray write65 = rtuFrame("ff 06 0065 0000");
    QTest::newRow("read, unit 255")
        << rtuFrame("ff 03 00b2 0002") << rtuFrame("ff 03 04 00c0 00a8");
    QTest::newRow("read, own station") << rtuFrame("01 04 0004 0001") << rtuFrame("01 04 02 0001");
    QTest::newRow("write, unit 255") << write65 << write65;
    QTest::newRow("write, unit 0") << rtuFrame("00 06 0065 0000") << QByteArray();
    QTest::newRow("other station") << rtuFrame("02 06 0065 0000") << QByteArray();
    QTest::newRow("value 256") << rtuFrame("ff 06 0065 0100") << rtuFrame("ff 86 03");
    QTest::newRow("unknown function") << rtuFrame("ff 2b 0e 01 00") << rtuFrame("ff ab 01");
    QTest::newRow("address 0x0103") << rtuFrame("ff 03 0103 0001") << rtuFrame("ff 83 02");
    QTest::newRow("quantity 0") << rtuFrame("ff 03 0000 0000") << rtuFrame("ff 83 03");
    QTest::newRow("write quantity 124")
        << rtuFrame("ff 10 0000 007c f8" + QByteArray(248 * 2, '0')) << rtuFrame("ff 90 03");
    QTest::newRow("truncated read") << rtuFrame("ff 03 00b2 0002").left(5) << QByteArray();
    QTest::newRow("truncated write") << write65.left(7) << QByteArray();
    QTest::newRow("truncated write multiple")
        << rtuFrame("ff 10 0060 0002 04 0001 0002").left(10) << QByteArray();
    QByteArray corrupted = write65;
    corrupted[4] = 0x01;
    QTest::newRow("corrupted data") << corrupted << QByteArray();
    QByteArray badCrc = write65;
    badCrc[7] = static_cast<char>(badCrc[7] ^ 0x80);
    QTest::newRow("corrupted CRC") << badCrc << QByteArray();
    QTest::newRow("single byte") << QByteArray::fromHex("ff") << QByteArray();
    QTest::newRow("noise") << QByteArray::fromHex("00ff00ff13579bdf") << QByteArray();
}

void TestReaderSim::rtuRawFrames() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, answer);
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    SimProcess sim(options);
    QVERIFY(sim.start());
    const auto before = sim.readMemoryFile();
    RawLine line(sim.ptyLink());
    QVERIFY(line.isOpen());

    QVERIFY(line.send(frame));
    if (answer.isEmpty()) {
        QCOMPARE(line.receive(1, kSilenceMs).toHex(' '), QByteArray());
    } else {
        QCOMPARE(line.receive(answer.size(), kAnswerTimeoutMs).toHex(' '), answer.toHex(' '));
        QCOMPARE(line.receive(1, 50).toHex(' '), QByteArray());  // nothing more
    }
    // Whatever came before, the next request is answered and the reader is still there.
    QVERIFY(line.send(rtuFrame("ff 03 0065 0001")));
    const auto memory = sim.readMemoryFile();
    const QByteArray expected = rtuFrame(
        QByteArray("ff 03 02 00") + QByteArray::number(memory[0x65], 16).rightJustified(2, '0'));
    QCOMPARE(line.receive(expected.size(), kAnswerTimeoutMs).toHex(' '), expected.toHex(' '));
    QVERIFY(sim.isRunning());

    const bool writes = answer == frame;  // only the accepted write echoes its request
    auto expectedMemory = before;
    if (writes) {
        expectedMemory[0x65] = 0;
    }
    QVERIFY(memory == expectedMemory);
}

void TestReaderSim::rtuKeepsSyncAcrossOtherStations() {
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.station = 5;
    SimProcess sim(options);
    QVERIFY(sim.start());
    RawLine line(sim.ptyLink());
    QVERIFY(line.isOpen());

    // A write for station 9, the answer of station 9 to a read, then our request, all in one
    // burst as on a busy bus: only our request is answered.
    const QByteArray burst = rtuFrame("09 10 0065 0002 04 0000 0000") +
                             rtuFrame("09 03 06 0001 0002 0003") + rtuFrame("05 03 0065 0001");
    QVERIFY(line.send(burst));
    const QByteArray expected = rtuFrame("05 03 02 0001");
    QCOMPARE(line.receive(expected.size(), kAnswerTimeoutMs).toHex(' '), expected.toHex(' '));
    QCOMPARE(line.receive(1, kSilenceMs).toHex(' '), QByteArray());
    QCOMPARE(sim.readMemoryFile()[0x65], 1);
}

void TestReaderSim::resetDropsTcpClients() {
    SimProcess::Options options;
    options.pty = true;
    SimProcess sim(options);
    QVERIFY(sim.start());
    Modbus resetter = connectTcp(sim.tcpPort());
    Modbus bystander = connectTcp(sim.tcpPort());
    QVERIFY(resetter && bystander);

    QCOMPARE(modbus_write_register(resetter.get(), 0x0101, 1), 1);  // offline on
    QCOMPARE(modbus_write_register(resetter.get(), 0x0100, 6), 1);  // 115200
    std::uint16_t value = 0;
    QCOMPARE(modbus_read_registers(bystander.get(), 0x0100, 1, &value), 1);
    QCOMPARE(value, 6);
    QCOMPARE(modbus_write_register(resetter.get(), 0x0102, 1), 1);  // reset is answered

    // Both connections are closed by the reader.
    QCOMPARE(modbus_read_registers(bystander.get(), 0x57, 1, &value), -1);
    QCOMPARE(modbus_read_registers(resetter.get(), 0x57, 1, &value), -1);

    // It comes back with its parameters and the serial rate at 9600.
    Modbus again = connectTcp(sim.tcpPort());
    QVERIFY(again);
    std::array<std::uint16_t, 2> regs{};
    QCOMPARE(modbus_read_registers(again.get(), 0x0100, 2, regs.data()), 2);
    QCOMPARE(regs, (std::array<std::uint16_t, 2>{2, 1}));
    QCOMPARE(sim.readMemoryFile()[0x57], 1);

    // The serial side keeps serving after the reset.
    RawLine line(sim.ptyLink());
    QVERIFY(line.isOpen());
    QVERIFY(line.send(rtuFrame("ff 03 0057 0001")));
    const QByteArray expected = rtuFrame("ff 03 02 0001");
    QCOMPARE(line.receive(expected.size(), kAnswerTimeoutMs).toHex(' '), expected.toHex(' '));
}

void TestReaderSim::memoryFileSurvivesKill() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reader.txt"));
    std::array<std::uint8_t, 256> custom{};
    for (std::size_t i = 0; i < custom.size(); ++i) {
        custom[i] = static_cast<std::uint8_t>(255 - i);
    }
    SimProcess::writeMemoryFile(path, custom);

    SimProcess::Options options;
    options.memoryFile = path;
    {
        SimProcess sim(options);
        QVERIFY(sim.start());
        QCOMPARE(sim.memoryFile(), path);
        Modbus ctx = connectTcp(sim.tcpPort());
        QVERIFY(ctx);
        std::uint16_t value = 0;
        QCOMPARE(modbus_read_registers(ctx.get(), 0x01, 1, &value), 1);
        QCOMPARE(value, 254);  // the existing file is used, not the factory image
        std::array<std::uint16_t, 16> block{};
        for (int round = 0; round < 20; ++round) {
            block.fill(static_cast<std::uint16_t>(round));
            QCOMPARE(modbus_write_registers(ctx.get(), 0x40, 16, block.data()), 16);
        }
        sim.kill();
        QCOMPARE(sim.exitStatus(), QProcess::CrashExit);
    }
    // Every acknowledged write is in the file, which parses whole.
    custom.fill(0);
    auto expected = std::array<std::uint8_t, 256>{};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expected[i] = static_cast<std::uint8_t>(255 - i);
    }
    std::fill(expected.begin() + 0x40, expected.begin() + 0x50, 19);
    SimProcess restarted(options);
    QVERIFY(restarted.start());
    QVERIFY(restarted.readMemoryFile() == expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"reader.txt"});
}

void TestReaderSim::sigtermExitsCleanly() {
    SimProcess::Options options;
    options.pty = true;
    SimProcess sim(options);
    QVERIFY(sim.start());
    Modbus ctx = connectTcp(sim.tcpPort());
    QVERIFY(ctx);
    RawLine line(sim.ptyLink());
    QVERIFY(line.isOpen());
    QVERIFY(QFileInfo(sim.ptyLink()).isSymLink());

    sim.stop();
    QVERIFY(!sim.isRunning());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(sim.ptyLink()) && !QFileInfo(sim.ptyLink()).isSymLink());
}

void TestReaderSim::serialDevice() {
    // The test holds the other end of a pseudo-terminal the reader uses as its serial device;
    // on the master side tcgetattr shows the line settings the reader made.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);  // not for the reader
    QVERIFY(master >= 0);
    QCOMPARE(::grantpt(master), 0);
    QCOMPARE(::unlockpt(master), 0);
    const QString device = QString::fromLocal8Bit(::ptsname(master));

    SimProcess::Options options;
    options.tcp = false;
    options.extraArguments = QStringList{QStringLiteral("--serial"), device};
    SimProcess sim(options);
    QVERIFY(sim.start());

    auto lineSpeed = [master] {
        termios tio{};
        ::tcgetattr(master, &tio);
        return ::cfgetospeed(&tio);
    };
    auto exchange = [master](const QByteArray& request, const QByteArray& expected) {
        if (::write(master, request.constData(), static_cast<size_t>(request.size())) !=
            request.size()) {
            return QByteArray("write failed");
        }
        QByteArray got;
        const QDeadlineTimer deadline(kAnswerTimeoutMs);
        while (got.size() < expected.size() && !deadline.hasExpired()) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 100) > 0) {
                char buffer[64];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    got.append(buffer, n);
                }
            }
        }
        return got.toHex(' ');
    };
    auto waitForSpeed = [&](speed_t speed) {
        const QDeadlineTimer deadline(kAnswerTimeoutMs);
        while (lineSpeed() != speed && !deadline.hasExpired()) {
            QTest::qWait(10);
        }
        return lineSpeed() == speed;
    };

    // 9600 at start; rate code 6 is answered, then the line runs at 115200; a reset brings
    // it back to 9600.
    QCOMPARE(lineSpeed(), speed_t(B9600));
    QByteArray expected = rtuFrame("ff 04 02 0002");
    QCOMPARE(exchange(rtuFrame("ff 04 0000 0001"), expected), expected.toHex(' '));
    expected = rtuFrame("ff 06 0100 0006");
    QCOMPARE(exchange(expected, expected), expected.toHex(' '));
    QVERIFY(waitForSpeed(B115200));
    expected = rtuFrame("01 03 02 0006");
    QCOMPARE(exchange(rtuFrame("01 03 0100 0001"), expected), expected.toHex(' '));
    expected = rtuFrame("ff 06 0102 0001");
    QCOMPARE(exchange(expected, expected), expected.toHex(' '));
    QVERIFY(waitForSpeed(B9600));

    // The reader ends with a message, not a busy loop, when the device goes away.
    ::close(master);
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 1);
    QVERIFY2(sim.errorOutput().contains(QStringLiteral("went away")),
             qPrintable(sim.errorOutput()));
}

void TestReaderSim::refusesMalformedMemoryFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("0:00\r\n");
    }
    SimProcess::Options options;
    options.memoryFile = path;
    SimProcess sim(options);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("did not become ready"));
    QVERIFY(!sim.start());
    QCOMPARE(sim.exitCode(), 1);
    QVERIFY2(sim.errorOutput().contains(QStringLiteral("broken.txt")),
             qPrintable(sim.errorOutput()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("0:00\r\n"));
}

// With a processing time every answer comes at least that long after its request; a client's
// requests are handled one after the other, but no client waits for another's.
void TestReaderSim::replyDelay() {
    constexpr int kDelayMs = 500;
    SimProcess::Options options;
    options.pty = true;
    options.replyDelayMs = kDelayMs;
    SimProcess sim(options);
    QVERIFY(sim.start());
    RawTcp first(sim.tcpPort());
    RawTcp second(sim.tcpPort());
    QVERIFY(first.isOpen() && second.isOpen());

    const QByteArray answer1 = QByteArray::fromHex("0001 0000 0005 ff 030200 01");
    const QByteArray answer2 = QByteArray::fromHex("0002 0000 0005 ff 030200 01");
    const QByteArray answer3 = QByteArray::fromHex("0003 0000 0005 ff 030200 01");
    QElapsedTimer clock;
    clock.start();
    // The first client pipelines two requests, then the second client asks once.
    QVERIFY(first.send(QByteArray::fromHex("0001 0000 0006 ff 0300650001") +
                       QByteArray::fromHex("0002 0000 0006 ff 0300650001")));
    QVERIFY(second.send(QByteArray::fromHex("0003 0000 0006 ff 0300650001")));

    QCOMPARE(first.receive(answer1.size(), kAnswerTimeoutMs).toHex(' '), answer1.toHex(' '));
    QVERIFY2(clock.elapsed() >= kDelayMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(first.receive(answer2.size(), kAnswerTimeoutMs).toHex(' '), answer2.toHex(' '));
    QVERIFY2(clock.elapsed() >= 2 * kDelayMs, qPrintable(QString::number(clock.elapsed())));
    // The second client's answer went out before the first client's second one: it is
    // already there, without waiting.
    QCOMPARE(second.arrived().toHex(' '), answer3.toHex(' '));

    // A fresh request on the serial line waits its processing time too.
    RawLine line(sim.ptyLink());
    QVERIFY(line.isOpen());
    const QByteArray expected = rtuFrame("ff 03 02 0001");
    clock.restart();
    QVERIFY(line.send(rtuFrame("ff 03 0065 0001")));
    QCOMPARE(line.receive(expected.size(), kAnswerTimeoutMs).toHex(' '), expected.toHex(' '));
    QVERIFY2(clock.elapsed() >= kDelayMs, qPrintable(QString::number(clock.elapsed())));
}

namespace {

// What a station of a bus answers at bitsPerSecond to a read of count registers (holding or
// input) from address; empty when the line stays silent.
std::vector<std::uint16_t> busRead(const QString& line, int bitsPerSecond, int station, int address,
                                   int count, bool input = false) {
    Modbus ctx = connectRtu(line, bitsPerSecond, station);
    if (!ctx) {
        qWarning("cannot open %s", qPrintable(line));
        return {};
    }
    modbus_set_response_timeout(ctx.get(), 1, 0);
    std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
    const int got = input ? modbus_read_input_registers(ctx.get(), address, count, values.data())
                          : modbus_read_registers(ctx.get(), address, count, values.data());
    if (got != count) {
        if (errno != ETIMEDOUT) {
            qWarning("station %d: %s", station, modbus_strerror(errno));
        }
        return {};
    }
    return values;
}

std::vector<std::uint16_t> registersOf(std::string_view text) {
    return {text.begin(), text.end()};
}

}  // namespace

// Three stations on one line, each with its memory file and rate, at --line-rate: each
// answers its own station at its own rate and is silent otherwise.
void TestReaderSim::busStations() {
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.lineRate = true;
    options.bus = QStringList{"3", "7@19200", "12"};
    SimProcess sim(options);
    const auto existing = SimProcess::randomMemory(12);
    SimProcess::writeMemoryFile(sim.memoryFile(12), existing);
    QVERIFY(sim.start());
    QVERIFY2(sim.readyLine().endsWith(QStringLiteral(", stations 3, 7@19200, 12")),
             qPrintable(sim.readyLine()));
    const QString line = sim.ptyLink();
    constexpr int kSerialNumber = 0x20;  // 16 ASCII characters

    // New files get serial numbers of their own; an existing file is used as it is.
    QCOMPARE(busRead(line, 9600, 3, kSerialNumber, 16), registersOf("QLX7321E26010003"));
    const std::vector<std::uint16_t> existingSerial(existing.begin() + kSerialNumber,
                                                    existing.begin() + kSerialNumber + 16);
    QCOMPARE(busRead(line, 9600, 12, kSerialNumber, 16), existingSerial);
    QCOMPARE(busRead(line, 9600, 7, kSerialNumber, 16), std::vector<std::uint16_t>());
    QCOMPARE(busRead(line, 9600, 5, kSerialNumber, 16), std::vector<std::uint16_t>());
    QCOMPARE(busRead(line, 19200, 7, kSerialNumber, 16), registersOf("QLX7321E26010007"));
    QCOMPARE(busRead(line, 19200, 7, 0, 5, true), (std::vector<std::uint16_t>{2, 1, 0, 7, 7}));
    QCOMPARE(busRead(line, 19200, 3, 0x0100, 1), std::vector<std::uint16_t>());

    // A write reaches one station's file only.
    const auto before7 = sim.readMemoryFile(7);
    {
        Modbus ctx = connectRtu(line, 9600, 3);
        QVERIFY(ctx);
        QCOMPARE(modbus_write_register(ctx.get(), 0x65, 0), 1);
    }
    QCOMPARE(sim.readMemoryFile(3)[0x65], 0);
    QCOMPARE(sim.readMemoryFile(7)[0x65], 1);
    QVERIFY(sim.readMemoryFile(7) == before7);
    QVERIFY(sim.readMemoryFile(12) == existing);

    // A rate written to station 12 is answered at the old rate and switches that station
    // alone.
    {
        Modbus ctx = connectRtu(line, 9600, 12);
        QVERIFY(ctx);
        QCOMPARE(modbus_write_register(ctx.get(), 0x0100, 3), 1);
    }
    QCOMPARE(busRead(line, 9600, 12, 0x0100, 1), std::vector<std::uint16_t>());
    QCOMPARE(busRead(line, 19200, 12, 0x0100, 1), std::vector<std::uint16_t>{3});
    QCOMPARE(busRead(line, 9600, 3, 0x0100, 1), std::vector<std::uint16_t>{2});
}

void TestReaderSim::busUnit255_data() {
    QTest::addColumn<int>("speed");  // the master's line speed (speed_t)
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");  // the one clean answer; empty: answers collide
    QTest::newRow("firmware, two stations at 9600")
        << int(B9600) << rtuFrame("ff 04 0000 0004") << QByteArray();
    QTest::newRow("serial numbers, two stations at 9600")
        << int(B9600) << rtuFrame("ff 03 0020 0010") << QByteArray();
    QTest::newRow("one station at 19200")
        << int(B19200) << rtuFrame("ff 04 0004 0001") << rtuFrame("ff 04 02 0007");
}

// Unit 255 means "whoever is at the other end": on a bus every station at the line's speed
// answers at once, and what comes back is no answer at all.
void TestReaderSim::busUnit255() {
    QFETCH(int, speed);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.bus = QStringList{"3", "7@19200", "12"};
    SimProcess sim(options);
    QVERIFY(sim.start());
    RawLine line(sim.ptyLink(), static_cast<speed_t>(speed));
    QVERIFY(line.isOpen());

    QVERIFY(line.send(request));
    const QByteArray got = line.receive(512, 1000);
    if (!answer.isEmpty()) {
        QCOMPARE(got.toHex(' '), answer.toHex(' '));
        return;
    }
    QVERIFY2(!got.isEmpty(), "the stations stayed silent");
    // However much of it a master takes for the frame, the CRC fails.
    for (qsizetype length = 4; length <= got.size(); ++length) {
        QVERIFY2(!reader::hasValidCrc({reinterpret_cast<const std::uint8_t*>(got.constData()),
                                       static_cast<std::size_t>(length)}),
                 qPrintable(got.toHex(' ')));
    }
}

void TestReaderSim::busUsageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QStringList pty{"--pty", "LINK"};
    QTest::newRow("no serial line") << QStringList{"--bus", "3:F"} << "needs --serial or --pty";
    QTest::newRow("with tcp") << pty + QStringList{"--tcp", "127.0.0.1:0", "--bus", "3:F"}
                              << "--bus excludes --tcp";
    QTest::newRow("with station") << pty + QStringList{"--station", "3", "--bus", "3:F"}
                                  << "--bus excludes --station";
    QTest::newRow("with memory") << pty + QStringList{"--memory", "G", "--bus", "3:F"}
                                 << "--bus excludes --memory";
    QTest::newRow("station twice")
        << pty + QStringList{"--bus", "3:F", "--bus", "3@19200:G"} << "station 3 given twice";
    QTest::newRow("file twice") << pty + QStringList{"--bus", "3:F", "--bus", "4:F"}
                                << "given twice";
    QTest::newRow("station 0") << pty + QStringList{"--bus", "0:F"} << "from 1 to 247";
    QTest::newRow("station 248") << pty + QStringList{"--bus", "248:F"} << "from 1 to 247";
    QTest::newRow("station text") << pty + QStringList{"--bus", "x:F"} << "from 1 to 247";
    QTest::newRow("no file") << pty + QStringList{"--bus", "3"} << "STATION[@RATE]:FILE";
    QTest::newRow("empty file") << pty + QStringList{"--bus", "3:"} << "STATION[@RATE]:FILE";
    QTest::newRow("no station") << pty + QStringList{"--bus", ":F"} << "STATION[@RATE]:FILE";
    QTest::newRow("rate 1200") << pty + QStringList{"--bus", "3@1200:F"} << "is not a rate";
    QTest::newRow("rate text") << pty + QStringList{"--bus", "3@fast:F"} << "is not a rate";
    QTest::newRow("rate empty") << pty + QStringList{"--bus", "3@:F"} << "is not a rate";
    QTest::newRow("reply delay too long")
        << pty + QStringList{"--reply-delay", "10001"} << "from 0 to 10000";
}

// Errors in the options end the program with code 2 before it creates anything.
void TestReaderSim::busUsageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(SimProcess::executable(), args);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList());
}

QTEST_GUILESS_MAIN(TestReaderSim)
#include "tst_readersim.moc"
