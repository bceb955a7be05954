// SPDX-License-Identifier: LGPL-2.1-or-later
// The virtual reader's parts without processes: the request logic against a table of
// requests, the memory file, the RTU frame lengths and the command line.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "LoopbackSocket.h"
#include "model/BatchText.h"
#include "reader/ModbusCrc.h"
#include "sim/FactoryImage.h"
#include "sim/ModbusHandler.h"
#include "sim/Options.h"
#include "sim/ParameterStore.h"
#include "sim/RtuLink.h"
#include "sim/TcpServer.h"

namespace {

std::vector<std::uint8_t> bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

QByteArray hex(const std::vector<std::uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()),
                      static_cast<qsizetype>(data.size()))
        .toHex(' ');
}

sim::ModbusHandler::Config tableConfig() {
    sim::ModbusHandler::Config config;
    config.station = 7;
    config.firmware = {2, 1, 0, 9};
    config.fail = {{0x40, 0x4F}};
    return config;
}

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll().toStdString();
}

// A non-blocking client of a TcpServer in this process.
class TcpClient {
  public:
    explicit TcpClient(std::uint16_t port, int sendBuffer = 0)
        : fd_(connectLoopback(port, sendBuffer)) {
        // Loopback connects complete in the backlog, before the server accepts.
        if (fd_ >= 0) {
            ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~TcpClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Bytes taken by the kernel (fewer once the connection pushes back).
    std::size_t send(const std::vector<std::uint8_t>& data) {
        const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // Appends what has arrived to received; false once the server closed or reset.
    bool receive() {
        for (;;) {
            std::uint8_t chunk[65536];
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                received.insert(received.end(), chunk, chunk + n);
                continue;
            }
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
        }
    }
    std::vector<std::uint8_t> received;

  private:
    int fd_ = -1;
};

// A Modbus TCP read of count holding registers from 0 for unit 255.
std::vector<std::uint8_t> readRequest(std::uint16_t transaction, std::uint8_t count) {
    return {static_cast<std::uint8_t>(transaction >> 8),
            static_cast<std::uint8_t>(transaction & 0xFF),
            0,
            0,
            0,
            6,
            0xFF,
            0x03,
            0,
            0,
            0,
            count};
}

// One turn of the simulator's loop over the server alone; waits at most timeoutMs.
int turn(sim::TcpServer& server, sim::ModbusHandler& handler, int timeoutMs = 0) {
    sim::PollSet poll;
    server.prepare(poll);
    const int ready = ::poll(poll.fds().data(), poll.fds().size(), timeoutMs);
    server.dispatch(poll, handler);
    return ready;
}

// Checks that received holds exactly the answers of `count` reads of `registers` registers
// with the transactions first.., in order, each with the memory's bytes.
bool holdsAnswers(const std::vector<std::uint8_t>& received, std::uint16_t first, std::size_t count,
                  std::uint8_t registers, const batchtext::Memory& memory) {
    const std::size_t size = 9 + 2 * std::size_t{registers};
    if (received.size() != count * size) {
        qWarning("%zu bytes for %zu answers of %zu", received.size(), count, size);
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto* answer = received.data() + i * size;
        const auto transaction = static_cast<std::uint16_t>(first + i);
        if (answer[0] != transaction >> 8 || answer[1] != (transaction & 0xFF) || answer[7] != 3 ||
            answer[8] != 2 * registers) {
            qWarning("answer %zu is wrong", i);
            return false;
        }
        for (std::size_t r = 0; r < registers; ++r) {
            if (answer[9 + 2 * r] != 0 || answer[10 + 2 * r] != memory[r]) {
                qWarning("answer %zu register %zu is wrong", i, r);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

class TestSimCore : public QObject {
    Q_OBJECT

  private slots:
    void crcOfKnownFrame();
    void handlesRequests_data();
    void handlesRequests();
    void readsUpToTheModbusLimit();
    void rateOfflineAndResetRegisters();
    void storeCreatesFactoryFile();
    void storeReplacesFileOnEveryChange();
    void storeRefusesMalformedFile_data();
    void storeRefusesMalformedFile();
    void storeKeepsMemoryWhenFileCannotBeWritten();
    void storeFailsWhenTheFolderCannotBeSynced();
    void storeRemovesItsLeftoverTemporaryFiles();
    void rtuRequestLengths_data();
    void rtuRequestLengths();
    void tcpClientThatTakesNoAnswersIsHeldBack();
    void tcpStuckClientIsDropped();
    void tcpWaitsAreNoStall_data();
    void tcpWaitsAreNoStall();
    void tcpClientLimit_data();
    void tcpClientLimit();
    void tcpOutOfDescriptorsRefusesWithoutSpinning();
    void parsesOptions();
    void optionNumbers_data();
    void optionNumbers();
    void refusesBadOptions_data();
    void refusesBadOptions();
};

void TestSimCore::crcOfKnownFrame() {
    // Read holding registers 0..1 of station 1: the CRC bytes on the wire are C4 0B.
    const auto frame = bytes("010300000002c40b");
    QCOMPARE(reader::crc16(std::span(frame).first(6)), 0x0BC4);
    QVERIFY(reader::hasValidCrc(frame));
    auto corrupted = frame;
    corrupted[3] ^= 0x01;
    QVERIFY(!reader::hasValidCrc(corrupted));
}

void TestSimCore::handlesRequests_data() {
    QTest::addColumn<int>("unit");
    QTest::addColumn<QByteArray>("request");   // PDU, hex
    QTest::addColumn<QByteArray>("response");  // PDU, hex; empty = no answer
    QTest::addColumn<int>("changedAt");        // first changed parameter byte, -1 = none
    QTest::addColumn<QByteArray>("changedTo");

    // Reads. The table's reader is station 7, firmware 2.1.0.9, failing at 0x40-0x4F.
    QTest::newRow("read IP, unit 255") << 255 << QByteArray("0300b20004")
                                       << QByteArray("030800c000a8000000b2") << -1 << QByteArray();
    QTest::newRow("read IP, own station")
        << 7 << QByteArray("0300b20004") << QByteArray("030800c000a8000000b2") << -1
        << QByteArray();
    QTest::newRow("other station")
        << 8 << QByteArray("0300b20004") << QByteArray() << -1 << QByteArray();
    QTest::newRow("default station is not ours")
        << 1 << QByteArray("0300b20001") << QByteArray() << -1 << QByteArray();
    QTest::newRow("input: firmware and station")
        << 255 << QByteArray("0400000005") << QByteArray("040a00020001000000090007") << -1
        << QByteArray();
    QTest::newRow("input beyond station")
        << 255 << QByteArray("0400040002") << QByteArray("8402") << -1 << QByteArray();
    QTest::newRow("input 5") << 255 << QByteArray("0400050001") << QByteArray("8402") << -1
                             << QByteArray();
    QTest::newRow("across 0xFF into rate, offline, command")
        << 255 << QByteArray("0300ff0004") << QByteArray("030800ff0002000000 00") << -1
        << QByteArray();
    QTest::newRow("holding 0x0103")
        << 255 << QByteArray("0301030001") << QByteArray("8302") << -1 << QByteArray();
    QTest::newRow("read running past 0x0102")
        << 255 << QByteArray("0301000004") << QByteArray("8302") << -1 << QByteArray();
    QTest::newRow("read quantity 0")
        << 255 << QByteArray("0300000000") << QByteArray("8303") << -1 << QByteArray();
    QTest::newRow("read quantity 126")
        << 255 << QByteArray("030000007e") << QByteArray("8303") << -1 << QByteArray();
    QTest::newRow("quantity checked before address")
        << 255 << QByteArray("03ff00007e") << QByteArray("8303") << -1 << QByteArray();
    QTest::newRow("read request too long")
        << 255 << QByteArray("030000000100") << QByteArray("8303") << -1 << QByteArray();
    QTest::newRow("read request too short")
        << 255 << QByteArray("03000000") << QByteArray("8303") << -1 << QByteArray();

    // Unknown functions.
    QTest::newRow("read coils") << 255 << QByteArray("0100000001") << QByteArray("8101") << -1
                                << QByteArray();
    QTest::newRow("write coil") << 255 << QByteArray("050065ff00") << QByteArray("8501") << -1
                                << QByteArray();
    QTest::newRow("read/write multiple") << 255 << QByteArray("170000000100650001020000")
                                         << QByteArray("9701") << -1 << QByteArray();
    QTest::newRow("device identification")
        << 255 << QByteArray("2b0e0100") << QByteArray("ab01") << -1 << QByteArray();

    // Writes.
    QTest::newRow("write single") << 255 << QByteArray("0600650000") << QByteArray("0600650000")
                                  << 0x65 << QByteArray("00");
    QTest::newRow("write single, unit 0 ignored")
        << 0 << QByteArray("0600650000") << QByteArray() << -1 << QByteArray();
    QTest::newRow("write multiple, unit 0 ignored")
        << 0 << QByteArray("1000b20002040001000a") << QByteArray() << -1 << QByteArray();
    QTest::newRow("write single, other station")
        << 9 << QByteArray("0600650000") << QByteArray() << -1 << QByteArray();
    QTest::newRow("write single 256")
        << 255 << QByteArray("0600650100") << QByteArray("8603") << -1 << QByteArray();
    QTest::newRow("write single 0xFFFF")
        << 7 << QByteArray("060065ffff") << QByteArray("8603") << -1 << QByteArray();
    QTest::newRow("write single 0x0103")
        << 255 << QByteArray("0601030001") << QByteArray("8602") << -1 << QByteArray();
    QTest::newRow("rate code 7") << 255 << QByteArray("0601000007") << QByteArray("8603") << -1
                                 << QByteArray();
    QTest::newRow("offline 2") << 255 << QByteArray("0601010002") << QByteArray("8603") << -1
                               << QByteArray();
    QTest::newRow("command 2") << 255 << QByteArray("0601020002") << QByteArray("8603") << -1
                               << QByteArray();
    QTest::newRow("write multiple IP")
        << 255 << QByteArray("1000b20004080001000200030004") << QByteArray("1000b20004") << 0xB2
        << QByteArray("01020304");
    QTest::newRow("write multiple, second value 256") << 255
                                                      << QByteArray(
                                                             "1000b20002040001"
                                                             "0100")
                                                      << QByteArray("9003") << -1 << QByteArray();
    QTest::newRow("write multiple quantity 0")
        << 255 << QByteArray("1000b2000000") << QByteArray("9003") << -1 << QByteArray();
    QTest::newRow("write multiple quantity 124")
        << 255 << QByteArray("100000007cf8") + QByteArray(248 * 2, '0') << QByteArray("9003") << -1
        << QByteArray();
    QTest::newRow("byte count not twice the quantity")
        << 255 << QByteArray("1000b20002030001") << QByteArray("9003") << -1 << QByteArray();
    QTest::newRow("fewer values than the byte count")
        << 255 << QByteArray("1000b2000204000100") << QByteArray("9003") << -1 << QByteArray();
    QTest::newRow("write multiple past 0x0102") << 255 << QByteArray("1001010003060000000000 00")
                                                << QByteArray("9002") << -1 << QByteArray();
    // Failing addresses.
    QTest::newRow("read inside fail range")
        << 255 << QByteArray("0300400001") << QByteArray("8304") << -1 << QByteArray();
    QTest::newRow("read overlapping fail range")
        << 255 << QByteArray("03003f0002") << QByteArray("8304") << -1 << QByteArray();
    QTest::newRow("read next to fail range")
        << 255 << QByteArray("0300500001") << QByteArray("0302 0001") << -1 << QByteArray();
    QTest::newRow("write single in fail range")
        << 255 << QByteArray("06004f0001") << QByteArray("8604") << -1 << QByteArray();
    QTest::newRow("write multiple into fail range")
        << 7 << QByteArray("10003e000306000100020003") << QByteArray("9004") << -1 << QByteArray();
    QTest::newRow("bad value before failing address")
        << 255 << QByteArray("0600400100") << QByteArray("8603") << -1 << QByteArray();
}

void TestSimCore::handlesRequests() {
    QFETCH(int, unit);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, response);
    QFETCH(int, changedAt);
    QFETCH(QByteArray, changedTo);

    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, tableConfig());
    auto expectedMemory = store.memory();
    const auto change = bytes(changedTo);
    if (changedAt >= 0) {
        std::copy(change.begin(), change.end(), expectedMemory.begin() + changedAt);
    }

    const auto reply = handler.handle(static_cast<std::uint8_t>(unit), bytes(request));
    if (response.isEmpty()) {
        // The message is built whether or not the check fails: never from an empty reply.
        QVERIFY2(!reply, reply ? hex(*reply).constData() : "");
    } else {
        QVERIFY(reply);
        QCOMPARE(hex(*reply), hex(bytes(response)));
    }
    QVERIFY(store.memory() == expectedMemory);
    QCOMPARE(handler.rateCode(), 2);
    const auto effects = handler.takeEffects();
    QVERIFY(!effects.reset);
    QVERIFY(!effects.rateCode);
}

void TestSimCore::readsUpToTheModbusLimit() {
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    const auto reply = handler.handle(255, bytes("03 0083 007d"));  // 0x83..0xFF
    QVERIFY(reply);
    QCOMPARE(reply->size(), 2 + 250u);
    QCOMPARE((*reply)[1], 250);
    for (std::size_t i = 0; i < 125; ++i) {
        QCOMPARE((*reply)[2 + 2 * i], 0);
        QCOMPARE((*reply)[3 + 2 * i], store.memory()[0x83 + i]);
    }

    std::vector<std::uint8_t> write = bytes("10 0000 007b f6");
    for (int i = 0; i < 123; ++i) {
        write.push_back(0);
        write.push_back(static_cast<std::uint8_t>(i));
    }
    QCOMPARE(hex(*handler.handle(1, write)), hex(bytes("10 0000 007b")));
    for (std::size_t i = 0; i < 123; ++i) {
        QCOMPARE(store.memory()[i], i);
    }
}

void TestSimCore::rateOfflineAndResetRegisters() {
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});

    QCOMPARE(hex(*handler.handle(255, bytes("06 0100 0006"))), hex(bytes("06 0100 0006")));
    auto effects = handler.takeEffects();
    QCOMPARE(effects.rateCode, std::optional<int>(6));
    QVERIFY(!effects.reset);
    QCOMPARE(hex(*handler.handle(255, bytes("03 0100 0001"))), hex(bytes("03 02 0006")));
    // One write may run from the parameters into the rate register.
    QCOMPARE(hex(*handler.handle(255, bytes("10 00ff 0002 04 0042 0005"))),
             hex(bytes("10 00ff 0002")));
    QCOMPARE(store.memory()[0xFF], 0x42);
    QCOMPARE(handler.takeEffects().rateCode, std::optional<int>(5));

    QCOMPARE(hex(*handler.handle(255, bytes("06 0101 0001"))), hex(bytes("06 0101 0001")));
    QCOMPARE(store.memory()[0x57], 1);
    QCOMPARE(hex(*handler.handle(255, bytes("03 0057 0001"))), hex(bytes("03 02 0001")));
    QCOMPARE(hex(*handler.handle(255, bytes("03 0101 0001"))), hex(bytes("03 02 0001")));
    QVERIFY(!handler.takeEffects().reset);

    // Command 0 does nothing; 1 resets and brings the rate back to 9600.
    QVERIFY(handler.handle(255, bytes("06 0102 0000")));
    QVERIFY(!handler.takeEffects().reset);
    QCOMPARE(hex(*handler.handle(255, bytes("06 0102 0001"))), hex(bytes("06 0102 0001")));
    effects = handler.takeEffects();
    QVERIFY(effects.reset);
    QCOMPARE(effects.rateCode, std::optional<int>(2));
    QCOMPARE(handler.rateCode(), 2);
    QCOMPARE(store.memory()[0x57], 1);  // parameters survive the reset

    // The offline register fails with its parameter byte.
    sim::ModbusHandler::Config failingConfig;
    failingConfig.fail = {{0x57, 0x57}};
    sim::ModbusHandler failing(store, failingConfig);
    QCOMPARE(hex(*failing.handle(255, bytes("06 0101 0000"))), hex(bytes("86 04")));
    QCOMPARE(hex(*failing.handle(255, bytes("03 0100 0002"))), hex(bytes("83 04")));
    QCOMPARE(store.memory()[0x57], 1);

    // A stuck byte acknowledges a write and keeps its value; its neighbours take theirs.
    sim::ModbusHandler::Config stuckConfig;
    stuckConfig.stuck = {{0x95, 0x95}};
    sim::ModbusHandler stuck(store, stuckConfig);
    const std::uint8_t before = store.memory()[0x95];
    QCOMPARE(hex(*stuck.handle(255, bytes("10 0094 0003 06 0011 00AA 0033"))),
             hex(bytes("10 0094 0003")));
    QCOMPARE(store.memory()[0x94], 0x11);
    QCOMPARE(store.memory()[0x95], before);
    QCOMPARE(store.memory()[0x96], 0x33);
    QCOMPARE(hex(*stuck.handle(255, bytes("03 0095 0001"))),
             hex(bytes("03 02 00" + QByteArray::number(before, 16).rightJustified(2, '0'))));
}

void TestSimCore::storeCreatesFactoryFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("memory.txt");
    const auto store = sim::ParameterStore::open(path.toStdString());
    QVERIFY(store.memory() == sim::factoryImage());
    QCOMPARE(readFile(path), batchtext::formatMemory(sim::factoryImage()));

    // The image agrees with the window's start values.
    const auto& m = store.memory();
    QCOMPARE(std::string(m.begin() + 0x20, m.begin() + 0x30), std::string("QLX7321E26010001"));
    QCOMPARE((std::vector<int>{m[0xB2], m[0xB3], m[0xB4], m[0xB5]}),
             (std::vector<int>{192, 168, 0, 178}));
    QCOMPARE(m[0xBE] << 8 | m[0xBF], 4001);
    QCOMPARE(m[0x65], 1);
    QCOMPARE(m[0x94] << 8 | m[0x95], 60);
}

void TestSimCore::storeReplacesFileOnEveryChange() {
    QTemporaryDir dir;
    const QString path = dir.filePath("memory.txt");
    auto memory = sim::factoryImage();
    memory[0x10] = 0x5A;
    std::string error;
    QVERIFY(sim::ParameterStore::save(path.toStdString(), memory, &error));

    auto store = sim::ParameterStore::open(path.toStdString());
    QCOMPARE(store.memory()[0x10], 0x5A);
    // A reader of the old file keeps the old text whole: the file is replaced, never
    // rewritten in place, so a kill in the middle cannot leave a torn file.
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const std::vector<std::uint8_t> ip{10, 0, 0, 9};
    QVERIFY(store.write(0xB2, ip));
    QCOMPARE(before.readAll().toStdString(), batchtext::formatMemory(memory));
    memory[0xB2] = 10;
    memory[0xB3] = 0;
    memory[0xB4] = 0;
    memory[0xB5] = 9;
    QVERIFY(store.memory() == memory);
    QCOMPARE(readFile(path), batchtext::formatMemory(memory));
    QVERIFY(sim::ParameterStore::load(path.toStdString()) == memory);
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"memory.txt"});
}

void TestSimCore::storeRefusesMalformedFile_data() {
    QTest::addColumn<QByteArray>("text");
    const QByteArray full = QByteArray::fromStdString(batchtext::formatMemory(sim::factoryImage()));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("block missing") << full.left(full.lastIndexOf("F:"));
    QTest::newRow("bad digit") << QByteArray(full).replace("3:0000", "3:00G0");
    QTest::newRow("short line") << QByteArray(full).replace("7:00000000", "7:000000");
    // All 16 blocks are there, but a 17th line would be lost on the first change.
    QTest::newRow("block given twice")
        << full + QByteArray::fromStdString(batchtext::formatBlockLine(3, {}) + "\r\n");
}

void TestSimCore::storeRefusesMalformedFile() {
    QFETCH(QByteArray, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("memory.txt");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, sim::ParameterStore::open(path.toStdString()));
    QCOMPARE(QByteArray::fromStdString(readFile(path)), text);  // left as it was
}

void TestSimCore::storeKeepsMemoryWhenFileCannotBeWritten() {
    QTemporaryDir dir;
    const QString sub = dir.filePath("gone");
    QVERIFY(QDir().mkpath(sub));
    auto store = sim::ParameterStore::open((sub + "/memory.txt").toStdString());
    QVERIFY(QDir(sub).removeRecursively());

    sim::ModbusHandler handler(store, {});
    QCOMPARE(hex(*handler.handle(255, bytes("06 0065 0000"))), hex(bytes("86 04")));
    QCOMPARE(store.memory()[0x65], 1);
    QVERIFY(!store.lastError().empty());

    // A refused write of the rate and the offline flag switches no rate either: a reader
    // that answered 04 and then changed its line speed would be lost to its client.
    QCOMPARE(hex(*handler.handle(255, bytes("10 0100 0002 04 0006 0001"))), hex(bytes("90 04")));
    QCOMPARE(hex(*handler.handle(255, bytes("10 00ff 0002 04 0001 0006"))), hex(bytes("90 04")));
    QCOMPARE(handler.rateCode(), 2);
    const auto effects = handler.takeEffects();
    QVERIFY(!effects.rateCode);
    QVERIFY(!effects.reset);
    QCOMPARE(store.memory()[0x57], 0);
    QCOMPARE(store.memory()[0xFF], 0xFF);
}

// A change whose rename cannot be made durable is answered with exception 04 like any other
// failed save; memory and file still agree, so a read shows what a restart would load.
void TestSimCore::storeFailsWhenTheFolderCannotBeSynced() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("memory.txt").toStdString();
    auto store = sim::ParameterStore::open(path);
    sim::ModbusHandler handler(store, {});
    const auto saved = sim::ParameterStore::directorySync();
    sim::ParameterStore::directorySync() = [](int) {
        errno = EIO;
        return -1;
    };
    const auto answer = handler.handle(255, bytes("10 00ff 0002 04 0001 0005"));
    const auto offline = handler.handle(255, bytes("06 0065 0007"));
    sim::ParameterStore::directorySync() = saved;
    QCOMPARE(hex(*answer), hex(bytes("90 04")));
    QCOMPARE(hex(*offline), hex(bytes("86 04")));
    QVERIFY(QString::fromStdString(store.lastError()).contains("sync"));
    QCOMPARE(handler.rateCode(), 2);  // a failed write switches no rate
    QVERIFY(!handler.takeEffects().rateCode);
    QVERIFY(sim::ParameterStore::load(path) == store.memory());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"memory.txt"});

    QCOMPARE(hex(*handler.handle(255, bytes("06 0065 0009"))), hex(bytes("06 0065 0009")));
    QCOMPARE(sim::ParameterStore::load(path)[0x65], 9);
}

// Temporary files that a killed reader left beside its memory file are removed at start;
// other files are not touched.
void TestSimCore::storeRemovesItsLeftoverTemporaryFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("mem.txt");
    std::string error;
    QVERIFY(sim::ParameterStore::save(path.toStdString(), sim::factoryImage(), &error));
    const QStringList leftovers{"mem.txt.a1B2c3", "mem.txt.XXXXXX"};
    const QStringList others{"mem.txt.bak", "mem.txt.a1B2c3d", "mem.txt.a1-2c3", "other.txt.a1B2c3",
                             "mem.txt"};
    for (const QString& name : leftovers + others) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
    }
    QVERIFY(QDir(dir.path()).mkdir("mem.txt.folder"));
    // mem.txt itself was emptied above: a fresh save makes it a memory file again.
    QVERIFY(sim::ParameterStore::save(path.toStdString(), sim::factoryImage(), &error));

    const auto store = sim::ParameterStore::open(path.toStdString());
    QVERIFY(store.memory() == sim::factoryImage());
    QStringList expected = others;
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), expected);
    QVERIFY(QFileInfo(dir.filePath("mem.txt.folder")).isDir());
}

void TestSimCore::rtuRequestLengths_data() {
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<int>("length");
    QTest::newRow("one byte") << QByteArray("01") << 0;
    QTest::newRow("read holding") << QByteArray("0103") << 8;
    QTest::newRow("read input") << QByteArray("ff04") << 8;
    QTest::newRow("write single") << QByteArray("0106") << 8;
    QTest::newRow("write multiple, no byte count yet") << QByteArray("011000b20002") << 0;
    QTest::newRow("write multiple") << QByteArray("011000b2000204") << 13;
    QTest::newRow("unknown function") << QByteArray("012b") << -1;
}

void TestSimCore::rtuRequestLengths() {
    QFETCH(QByteArray, start);
    QFETCH(int, length);
    QCOMPARE(sim::expectedRequestLength(bytes(start)), length);
}

// A client that pipelines requests without reading the answers neither grows the server's
// memory nor holds up another client; once it reads, it gets every answer, in order.
void TestSimCore::tcpClientThatTakesNoAnswersIsHeldBack() {
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    const sim::TcpServer::Limits limits;
    sim::TcpServer server("127.0.0.1", 0, limits);
    TcpClient hostile(server.port(), 4096);
    TcpClient good(server.port());
    QVERIFY(hostile.isOpen() && good.isOpen());
    turn(server, handler);
    QCOMPARE(server.clientCount(), std::size_t(2));

    constexpr std::uint8_t kRegisters = 125;  // 12 request bytes, 259 answer bytes
    std::uint16_t sent = 0;
    std::size_t partial = 0;  // bytes of the current request already taken
    bool pushedBack = false;
    for (std::uint16_t round = 0; round < 300; ++round) {
        // The hostile client sends until its connection pushes back.
        for (;;) {
            const auto request = readRequest(sent, kRegisters);
            const std::vector<std::uint8_t> rest(request.begin() + static_cast<long>(partial),
                                                 request.end());
            const std::size_t n = hostile.send(rest);
            partial += n;
            if (partial == request.size()) {
                partial = 0;
                ++sent;
            }
            if (n < rest.size()) {
                pushedBack = true;
                break;
            }
        }
        QVERIFY(good.send(readRequest(round, 1)) == 12);
        const std::size_t before = good.received.size();
        for (int wait = 0; wait < 100 && good.received.size() < before + 11; ++wait) {
            turn(server, handler, 10);
            QVERIFY(good.receive());
        }
        QCOMPARE(good.received.size(), before + 11);
        QVERIFY2(server.bufferedBytes() <= limits.maxInput + limits.maxOutput + 260,
                 qPrintable(QString::number(server.bufferedBytes())));
    }
    QVERIFY(pushedBack);
    QVERIFY(holdsAnswers(good.received, 0, 300, 1, store.memory()));
    QCOMPARE(server.clientCount(), std::size_t(2));

    // Once it reads, the hostile client gets all its answers: none was dropped.
    // A request still half sent is completed here, so the answers expected grow with sent.
    const auto expected = [&] { return std::size_t{sent} * (9 + 2 * kRegisters); };
    for (int wait = 0; wait < 10000 && (partial > 0 || hostile.received.size() < expected());
         ++wait) {
        if (partial > 0) {
            const auto request = readRequest(sent, kRegisters);
            partial += hostile.send({request.begin() + static_cast<long>(partial), request.end()});
            if (partial == request.size()) {
                partial = 0;
                ++sent;
            }
        }
        turn(server, handler, 10);
        QVERIFY(hostile.receive());
    }
    QVERIFY(sent > 100);
    QVERIFY(holdsAnswers(hostile.received, 0, sent, kRegisters, store.memory()));
}

// A client that stops taking its answers is dropped after a while; one that reads them
// stays connected.
void TestSimCore::tcpStuckClientIsDropped() {
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    sim::TcpServer::Limits limits;
    limits.stallTimeout = std::chrono::milliseconds(100);
    sim::TcpServer server("127.0.0.1", 0, limits);
    TcpClient stuck(server.port(), 4096);
    TcpClient good(server.port());
    turn(server, handler);
    QCOMPARE(server.clientCount(), std::size_t(2));
    std::uint16_t transaction = 0;
    while (stuck.send(readRequest(transaction, 125)) == 12) {
        ++transaction;
        turn(server, handler);
    }
    QElapsedTimer timer;
    timer.start();
    bool open = true;
    for (std::uint16_t round = 0; open && timer.elapsed() < 10000; ++round) {
        QVERIFY(good.send(readRequest(round, 1)) == 12);
        turn(server, handler, 10);
        QVERIFY(good.receive());
        open = server.clientCount() == 2;
    }
    QVERIFY(!open);
    QCOMPARE(server.clientCount(), std::size_t(1));
    // The good client is still served.
    const std::size_t before = good.received.size();
    for (int wait = 0; wait < 100 && good.received.size() % 11 != 0; ++wait) {
        turn(server, handler, 10);
        QVERIFY(good.receive());
    }
    const std::size_t answered = good.received.size();
    QVERIFY(answered >= before);
    QVERIFY(good.send(readRequest(0xABCD, 1)) == 12);
    for (int wait = 0; wait < 100 && good.received.size() < answered + 11; ++wait) {
        turn(server, handler, 10);
        QVERIFY(good.receive());
    }
    QCOMPARE(good.received.size(), answered + 11);
    QCOMPARE(good.received[answered], 0xAB);
    QCOMPARE(good.received[answered + 1], 0xCD);
}

void TestSimCore::tcpWaitsAreNoStall_data() {
    QTest::addColumn<int>("idleMs");   // the client sends nothing this long first
    QTest::addColumn<int>("splitMs");  // pause between the two halves of its request
    QTest::addColumn<int>("delayMs");  // the reader's processing time
    // The stall clock of a request starts with its first byte, not at the last answer.
    QTest::newRow("request split after a long idle time") << 400 << 50 << 0;
    // While the reader works on a request, the client waits for the reader, not the reverse.
    QTest::newRow("reply delay beyond the stall timeout") << 0 << 0 << 400;
}

void TestSimCore::tcpWaitsAreNoStall() {
    QFETCH(int, idleMs);
    QFETCH(int, splitMs);
    QFETCH(int, delayMs);
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    sim::TcpServer::Limits limits;
    limits.stallTimeout = std::chrono::milliseconds(200);
    sim::TcpServer server("127.0.0.1", 0, limits);
    server.setReplyDelay(std::chrono::milliseconds(delayMs));
    TcpClient client(server.port());
    QVERIFY(client.isOpen());
    auto turnFor = [&](int ms) {
        QElapsedTimer timer;
        timer.start();
        do {
            turn(server, handler, 10);
        } while (timer.elapsed() < ms);
    };
    turnFor(idleMs);
    QCOMPARE(server.clientCount(), std::size_t(1));

    const auto request = readRequest(0x1234, 1);
    QCOMPARE(client.send({request.begin(), request.begin() + 5}), std::size_t(5));
    turnFor(splitMs);
    QCOMPARE(client.send({request.begin() + 5, request.end()}), request.size() - 5);
    for (int wait = 0; wait < 300 && client.received.size() < 11; ++wait) {
        turn(server, handler, 10);
        QVERIFY(client.receive());
    }
    QVERIFY(holdsAnswers(client.received, 0x1234, 1, 1, store.memory()));
    QCOMPARE(server.clientCount(), std::size_t(1));
}

void TestSimCore::tcpClientLimit_data() {
    QTest::addColumn<int>("idleSeconds");
    QTest::addColumn<bool>("newcomerServed");
    // Every place taken by clients that were active just now: the newcomer is refused.
    QTest::newRow("busy clients") << 3600 << false;
    // The place of the longest idle client goes to the newcomer.
    QTest::newRow("idle clients") << 0 << true;
}

void TestSimCore::tcpClientLimit() {
    QFETCH(int, idleSeconds);
    QFETCH(bool, newcomerServed);
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    sim::TcpServer::Limits limits;
    limits.maxClients = 2;
    limits.idleTimeout = std::chrono::seconds(idleSeconds);
    sim::TcpServer server("127.0.0.1", 0, limits);
    TcpClient first(server.port());
    turn(server, handler);
    TcpClient second(server.port());
    turn(server, handler);
    TcpClient newcomer(server.port());
    QVERIFY(first.isOpen() && second.isOpen() && newcomer.isOpen());
    turn(server, handler);
    QCOMPARE(server.clientCount(), std::size_t(2));
    QCOMPARE(server.refusedCount(), std::size_t(newcomerServed ? 0 : 1));

    // Each client asks once; the one without a place learns it at once.
    TcpClient* clients[] = {&first, &second, &newcomer};
    for (TcpClient* client : clients) {
        client->send(readRequest(7, 1));
    }
    bool served[3] = {};
    bool closed[3] = {};
    for (int wait = 0; wait < 200; ++wait) {
        turn(server, handler, 10);
        for (int i = 0; i < 3; ++i) {
            closed[i] = closed[i] || !clients[i]->receive();
            served[i] = clients[i]->received.size() == 11;
        }
        if ((served[0] || closed[0]) && (served[1] || closed[1]) && (served[2] || closed[2])) {
            break;
        }
    }
    QCOMPARE(served[0], !newcomerServed);  // the first one was idle longest
    QCOMPARE(closed[0], newcomerServed);
    QVERIFY(served[1] && !closed[1]);
    QCOMPARE(served[2], newcomerServed);
    QCOMPARE(closed[2], !newcomerServed);
}

// Without a free descriptor the server can neither take nor serve a new connection. It
// refuses it with its spare descriptor instead of leaving it in the backlog, where the
// readable listening socket would make every wait return at once.
void TestSimCore::tcpOutOfDescriptorsRefusesWithoutSpinning() {
    sim::ParameterStore store(sim::factoryImage());
    sim::ModbusHandler handler(store, {});
    sim::TcpServer server("127.0.0.1", 0);
    TcpClient refused(server.port());
    QVERIFY(refused.isOpen());

    rlimit previous{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &previous), 0);
    {
        // Every descriptor below the limit is in use.
        const int probe = ::dup(0);
        QVERIFY(probe >= 0);
        ::close(probe);
        rlimit lowered = previous;
        lowered.rlim_cur = static_cast<rlim_t>(probe);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        turn(server, handler, 100);
        // Nothing is left to wake the loop up.
        const int ready = turn(server, handler, 0);
        const int second = turn(server, handler, 0);
        ::setrlimit(RLIMIT_NOFILE, &previous);
        QCOMPARE(ready, 0);
        QCOMPARE(second, 0);
    }
    QCOMPARE(server.clientCount(), std::size_t(0));
    QCOMPARE(server.refusedCount(), std::size_t(1));
    QVERIFY(!refused.receive());

    // With descriptors back, the next client is served.
    TcpClient next(server.port());
    turn(server, handler, 100);
    QVERIFY(next.send(readRequest(9, 1)) == 12);
    for (int wait = 0; wait < 100 && next.received.size() < 11; ++wait) {
        turn(server, handler, 10);
        QVERIFY(next.receive());
    }
    QVERIFY(holdsAnswers(next.received, 9, 1, 1, store.memory()));
}

void TestSimCore::parsesOptions() {
    const auto options =
        sim::parseOptions({"--tcp", "0.0.0.0:0", "--pty", "/tmp/x", "--station", "12", "--firmware",
                           "3.0.10.255", "--fail", "0x40-0x4F", "--fail", "200", "--line-rate",
                           "--memory", "m.txt", "--stuck", "0x95-0x96"});
    QCOMPARE(options.tcpAddress.value(), std::string("0.0.0.0"));
    QCOMPARE(options.tcpPort, 0);
    QCOMPARE(options.ptyLink.value(), std::string("/tmp/x"));
    QCOMPARE(options.handler.station, 12);
    QVERIFY((options.handler.firmware == std::array<std::uint16_t, 4>{3, 0, 10, 255}));
    QCOMPARE(options.handler.fail.size(), 2u);
    QCOMPARE(options.handler.fail[0].first, 0x40);
    QCOMPARE(options.handler.fail[0].last, 0x4F);
    QCOMPARE(options.handler.fail[1].first, 200);
    QCOMPARE(options.handler.fail[1].last, 200);
    QCOMPARE(options.handler.stuck.size(), 1u);
    QCOMPARE(options.handler.stuck[0].first, 0x95);
    QCOMPARE(options.handler.stuck[0].last, 0x96);
    QVERIFY(options.lineRate);
    QCOMPARE(options.memoryFile.value(), std::string("m.txt"));

    const auto defaults = sim::parseOptions({});
    QCOMPARE(defaults.tcpAddress.value(), std::string("127.0.0.1"));
    QCOMPARE(defaults.tcpPort, 4001);
    QCOMPARE(defaults.handler.station, 1);
    QCOMPARE(defaults.replyDelay.count(), 0);
    QVERIFY(defaults.bus.empty());

    const auto bus =
        sim::parseOptions({"--serial", "/dev/ttyUSB0", "--bus", "3:/tmp/r3.txt", "--bus",
                           "7@19200:r7.txt", "--bus", "0x0c@115200:a:b", "--reply-delay", "250"});
    QCOMPARE(bus.replyDelay.count(), 250);
    QVERIFY(!bus.tcpAddress);
    QCOMPARE(bus.bus.size(), 3u);
    QCOMPARE(bus.bus[0].station, 3);
    QCOMPARE(bus.bus[0].rateCode, 2);
    QCOMPARE(bus.bus[0].memoryFile, std::string("/tmp/r3.txt"));
    QCOMPARE(bus.bus[1].station, 7);
    QCOMPARE(bus.bus[1].rateCode, 3);
    QCOMPARE(bus.bus[1].memoryFile, std::string("r7.txt"));
    QCOMPARE(bus.bus[2].station, 12);
    QCOMPARE(bus.bus[2].rateCode, 6);
    QCOMPARE(bus.bus[2].memoryFile, std::string("a:b"));
}

// Numbers are decimal unless they start with 0x; a leading zero never makes them octal.
void TestSimCore::optionNumbers_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("failFirst");
    QTest::addColumn<int>("firmwareLast");
    const QStringList base{"--tcp", "127.0.0.1:0"};
    QTest::newRow("plain") << base + QStringList{"--station", "10",         "--fail",
                                                 "10",        "--firmware", "1.2.3.10"}
                           << 10 << 10 << 10;
    QTest::newRow("leading zeros are decimal")
        << base + QStringList{"--station", "010", "--fail", "010", "--firmware", "1.2.3.010"} << 10
        << 10 << 10;
    QTest::newRow("leading zero before 8 and 9")
        << base + QStringList{"--station", "09", "--fail", "019", "--firmware", "1.2.3.08"} << 9
        << 19 << 8;
    QTest::newRow("hex") << base + QStringList{"--station", "0x10",       "--fail",
                                               "0X4f",      "--firmware", "1.2.3.4"}
                         << 16 << 0x4F << 4;
}

void TestSimCore::optionNumbers() {
    QFETCH(QStringList, args);
    QFETCH(int, station);
    QFETCH(int, failFirst);
    QFETCH(int, firmwareLast);
    std::vector<std::string> list;
    for (const QString& arg : args) {
        list.push_back(arg.toStdString());
    }
    const auto options = sim::parseOptions(list);
    QCOMPARE(options.handler.station, station);
    QCOMPARE(options.handler.fail.size(), 1u);
    QCOMPARE(options.handler.fail[0].first, failFirst);
    QCOMPARE(int(options.handler.firmware[3]), firmwareLast);
}

void TestSimCore::refusesBadOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("station 0") << QStringList{"--station", "0"};
    QTest::newRow("station 248") << QStringList{"--station", "248"};
    QTest::newRow("station text") << QStringList{"--station", "one"};
    QTest::newRow("station signed") << QStringList{"--station", "+7"};
    QTest::newRow("station with blank") << QStringList{"--station", " 7"};
    QTest::newRow("station hex without digits") << QStringList{"--station", "0x"};
    QTest::newRow("fail negative hex") << QStringList{"--fail", "0x-1"};
    QTest::newRow("tcp port with leading blank") << QStringList{"--tcp", "127.0.0.1: 80"};
    QTest::newRow("fail reversed") << QStringList{"--fail", "0x50-0x40"};
    QTest::newRow("fail beyond memory") << QStringList{"--fail", "0x100"};
    QTest::newRow("firmware three parts") << QStringList{"--firmware", "1.2.3"};
    QTest::newRow("firmware five parts") << QStringList{"--firmware", "1.2.3.4.5"};
    QTest::newRow("firmware 256") << QStringList{"--firmware", "1.2.3.256"};
    QTest::newRow("tcp without port") << QStringList{"--tcp", "127.0.0.1"};
    QTest::newRow("serial and pty") << QStringList{"--serial", "/dev/ttyS0", "--pty", "/tmp/p"};
    QTest::newRow("missing value") << QStringList{"--memory"};
    QTest::newRow("reply delay negative") << QStringList{"--reply-delay", "-1"};
    QTest::newRow("reply delay above 10 s") << QStringList{"--reply-delay", "10001"};
    QTest::newRow("reply delay text") << QStringList{"--reply-delay", "1s"};
    QTest::newRow("unknown") << QStringList{"--verbose"};
}

void TestSimCore::refusesBadOptions() {
    QFETCH(QStringList, args);
    std::vector<std::string> list;
    for (const QString& arg : args) {
        list.push_back(arg.toStdString());
    }
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, sim::parseOptions(list));
}

QTEST_GUILESS_MAIN(TestSimCore)
#include "tst_simcore.moc"
