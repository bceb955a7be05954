// readerctl's parts in-process: reader names and lists, batch texts, the write plan under
// the identity rule, the field-level difference, and the link and the import against a
// scripted Modbus TCP reader whose requests the test sees one by one.

#include "ctl/Apply.h"
#include "ctl/Fields.h"
#include "ctl/Import.h"
#include "ctl/MemoryDiff.h"
#include "ctl/Profile.h"
#include "ctl/ReaderLink.h"
#include "model/Codec.h"
#include "model/IdentityRule.h"
#include "reader/Reader.h"
#include "reader/ReaderRegisters.h"
#include "tests/reader/FakePeers.h"
#include "tests/support/ReaderIdentity.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

using namespace ctl;

namespace {

using Memory = batchtext::Memory;
using Given = std::array<bool, batchtext::kBlockCount>;

QString runsText(const std::vector<Field>& runs) {
    QStringList parts;
    for (const Field run : runs) {
        parts << QString("%1+%2").arg(run.address, 2, 16, QChar(u'0')).arg(run.width);
    }
    return parts.join(u' ');
}

Memory filled(std::uint8_t value) {
    Memory memory{};
    memory.fill(value);
    return memory;
}

BatchFile fileOf(const Memory& memory, std::initializer_list<int> blocks) {
    BatchFile file;
    file.blocks = memory;
    for (int block : blocks) {
        file.given[static_cast<std::size_t>(block)] = true;
    }
    return file;
}

int wordAt(const Bytes& request, std::size_t index) {
    return request[index] << 8 | request[index + 1];
}

// A request as the reader sees it: "read 90+16", "write 90+16", "reset" or "function 04".
QString requestText(const Bytes& request) {
    const int function = request[1];
    const int address = wordAt(request, 2);
    const int count = function == 0x06 ? 1 : wordAt(request, 4);
    if ((function == 0x06 || function == 0x10) && address == reader::reg::kCommand) {
        return "reset";
    }
    const QString range = QString("%1+%2").arg(address, 2, 16, QChar(u'0')).arg(count);
    switch (function) {
        case 0x03:
            return "read " + range;
        case 0x06:
        case 0x10:
            return "write " + range;
        default:
            return QString("function %1").arg(function, 2, 16, QChar(u'0'));
    }
}

QStringList requestTexts(const std::vector<Bytes>& requests) {
    QStringList texts;
    for (const Bytes& request : requests) {
        texts << requestText(request);
    }
    return texts;
}

// "read 70+16", "read 80+16", ...: the single-block reads of blocks first..last.
QStringList blockReads(int first, int last) {
    QStringList reads;
    for (int block = first; block <= last; ++block) {
        reads << QString("read %1+16").arg(block * 16, 2, 16, QChar(u'0'));
    }
    return reads;
}

// A reader behind a scripted Modbus TCP peer: it holds memory, acknowledges writes but keeps
// the bytes at the stuck addresses as they were, and refuses (exception 04) the first request
// whose requestText() is refuseOnce, answering it when it comes again.
FakeRtuPeer::Script readerScript(Memory memory, QList<int> stuck = {}, QString refuseOnce = {}) {
    return [memory, stuck, refuseOnce, refused = false](const Bytes& request, int) mutable {
        if (!refused && requestText(request) == refuseOnce) {
            refused = true;
            return FakeRtuPeer::Answer(exceptionReply(request, 0x04));
        }
        const int function = request[1];
        const int address = wordAt(request, 2);
        const int count = wordAt(request, 4);
        if (function == 0x03 && address + count <= batchtext::kMemorySize) {
            Bytes pdu{0x03, static_cast<std::uint8_t>(2 * count)};
            for (int i = 0; i < count; ++i) {
                pdu.push_back(0);
                pdu.push_back(memory[static_cast<std::size_t>(address + i)]);
            }
            return FakeRtuPeer::Answer(rtuFrame(request[0], pdu));
        }
        auto store = [&](int at, std::uint8_t value) {
            if (at < batchtext::kMemorySize && !stuck.contains(at)) {
                memory[static_cast<std::size_t>(at)] = value;
            }
        };
        if (function == 0x06) {
            store(address, request[5]);
        } else if (function == 0x10) {
            for (int i = 0; i < count; ++i) {
                store(address + i, request[7 + 2 * static_cast<std::size_t>(i) + 1]);
            }
        }
        return normalAnswer(request, 0);  // writes: their echo
    };
}

// "key@address: bytes" for each assignment, in order.
QStringList assignmentTexts(const std::vector<Assignment>& assignments) {
    QStringList texts;
    for (const Assignment& assignment : assignments) {
        texts << QString("%1@%2: %3")
                     .arg(QString::fromUtf8(assignment.field->key))
                     .arg(assignment.field->address, 2, 16, QChar(u'0'))
                     .arg(QString::fromStdString(model::hexBytes(assignment.bytes)));
    }
    return texts;
}

std::string tcpName(const FakeTcpPeer& peer) {
    return "tcp:127.0.0.1:" + std::to_string(peer.port());
}

}  // namespace

class CtlCoreTest : public QObject {
    Q_OBJECT
  private slots:
    void readerNames_data();
    void readerNames();
    void badReaderNames_data();
    void badReaderNames();
    void readerList();
    void badReaderLists_data();
    void badReaderLists();
    void batchFileRejectsEveryMalformedLine();
    void writableRunsKeepTheIdentity();
    void planWritesOnlyDifferingBlocksInFewRequests_data();
    void planWritesOnlyDifferingBlocksInFewRequests();
    void wholeMemoryTakesThreeRequests();
    void wholeMemoryReadGetsPastARefusalThatClears_data();
    void wholeMemoryReadGetsPastARefusalThatClears();
    void failedVerifyRollsBack_data();
    void failedVerifyRollsBack();
    void readerLostMidWriteIsLeftPartlyWritten();
    void oneTransactionAtATimeOnEachBus();
    void retryTakesTheReadersThatFailed();
    void profiles_data();
    void profiles();
    void badProfiles_data();
    void badProfiles();
    void profileWritesOnlyItsFields();
    void diffLines_data();
    void diffLines();
    void diffOnlyOfGivenBlocks();
    void reportsNameEveryReader();
    void assignments_data();
    void assignments();
    void badAssignments_data();
    void badAssignments();
    void setFieldsWritesOnlyWhatDiffers();
    void setFieldsVerifiesWhatItWrote();
};

void CtlCoreTest::readerNames_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("rate");
    QTest::newRow("tcp default port")
        << "tcp:10.0.0.5" << int(READER_LINK_TCP) << "10.0.0.5" << 4001 << 0;
    QTest::newRow("tcp port") << "tcp:10.0.0.5:502" << int(READER_LINK_TCP) << "10.0.0.5" << 502
                              << 0;
    QTest::newRow("serial path") << "serial:/dev/ttyUSB0" << int(READER_LINK_SERIAL)
                                 << "/dev/ttyUSB0" << 4001 << 0;
    QTest::newRow("serial short name")
        << "serial:ttyS1@115200" << int(READER_LINK_SERIAL) << "/dev/ttyS1" << 4001 << 115200;
    QTest::newRow("serial COM") << "serial:COM3@9600" << int(READER_LINK_SERIAL) << "COM3" << 4001
                                << 9600;
    QTest::newRow("usb found") << "usb" << int(READER_LINK_USB) << "" << 4001 << 0;
    QTest::newRow("usb device") << "usb:ttyACM1" << int(READER_LINK_USB) << "/dev/ttyACM1" << 4001
                                << 0;
}

void CtlCoreTest::readerNames() {
    QFETCH(QString, text);
    QFETCH(int, linkType);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(int, rate);
    const ReaderName name = parseReaderName(text.toStdString(), 12);
    QCOMPARE(int(name.linkType), linkType);
    QCOMPARE(QString::fromStdString(name.address), address);
    QCOMPARE(name.port, port);
    QCOMPARE(name.rate, rate);
    QCOMPARE(name.station, 12);
    QCOMPARE(QString::fromStdString(name.display()), text + " station 12");
}

void CtlCoreTest::badReaderNames_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown scheme") << "modbus:10.0.0.5"
                                    << "unknown scheme";
    QTest::newRow("no scheme") << "10.0.0.5"
                               << "unknown scheme";
    QTest::newRow("tcp without host") << "tcp:"
                                      << "no host";
    QTest::newRow("tcp port zero") << "tcp:10.0.0.5:0"
                                   << "TCP port '0'";
    QTest::newRow("tcp port too big") << "tcp:10.0.0.5:65536"
                                      << "TCP port '65536'";
    QTest::newRow("tcp port not a number") << "tcp:10.0.0.5:http"
                                           << "TCP port 'http'";
    QTest::newRow("serial without device") << "serial:@9600"
                                           << "no device";
    QTest::newRow("serial odd rate") << "serial:ttyS0@12345"
                                     << "line rate";
    QTest::newRow("usb without device") << "usb:"
                                        << "no device";
}

void CtlCoreTest::badReaderNames() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        parseReaderName(text.toStdString());
        QFAIL("accepted");
    } catch (const UsageError& error) {
        const QString what = error.what();
        QVERIFY2(what.contains(message) && what.contains(text), qPrintable(what));
    }
}

void CtlCoreTest::readerList() {
    const auto readers = parseReaderList(
        "# fleet\r\n"
        "tcp:10.0.0.1   # door 1\n"
        "\n"
        "   tcp:10.0.0.2:502 --station 7\n"
        "serial:ttyS0@19200\n",
        "list", 3);
    QCOMPARE(readers.size(), std::size_t{3});
    QCOMPARE(QString::fromStdString(readers[0].display()), QString("tcp:10.0.0.1 station 3"));
    QCOMPARE(QString::fromStdString(readers[1].display()), QString("tcp:10.0.0.2:502 station 7"));
    QCOMPARE(readers[1].port, 502);
    QCOMPARE(readers[2].rate, 19200);
    QCOMPARE(readers[2].station, 3);
}

void CtlCoreTest::badReaderLists_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("only comments") << "# nothing\n\n"
                                   << "list: names no reader";
    QTest::newRow("unknown scheme") << "tcp:10.0.0.1\nftp:10.0.0.2\n"
                                    << "list line 2: reader 'ftp:";
    QTest::newRow("bad station") << "tcp:10.0.0.1 --station 300\n"
                                 << "list line 1: station '300'";
    QTest::newRow("extra words") << "\n\ntcp:10.0.0.1 tcp:10.0.0.2\n"
                                 << "list line 3: expected";
}

void CtlCoreTest::badReaderLists() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        parseReaderList(text.toStdString(), "list", kAnyStation);
        QFAIL("accepted");
    } catch (const UsageError& error) {
        QVERIFY2(QString(error.what()).startsWith(message), error.what());
    }
}

void CtlCoreTest::batchFileRejectsEveryMalformedLine() {
    const std::string good = batchtext::formatBlockLine(3, batchtext::Block{});
    const std::string text = good + "\r\n\r\n3:00\r\nX:" + std::string(32, '0') + "\r\n" + good;
    try {
        parseBatchFile(text, "config.txt");
        QFAIL("accepted");
    } catch (const UsageError& error) {
        QCOMPARE(QString(error.what()),
                 QString("config.txt: line 3: not exactly 32 hex digits after ':'; line 4: block "
                         "number is not a hex digit"));
    }
    const BatchFile file =
        parseBatchFile(good + "\n\n" + batchtext::formatBlockLine(4, batchtext::Block{}), "f");
    Given expected{};
    expected[3] = expected[4] = true;
    QCOMPARE(file.given, expected);
}

void CtlCoreTest::writableRunsKeepTheIdentity() {
    QCOMPARE(runsText(batchtext::writableRuns(0)), QString());
    QCOMPARE(runsText(batchtext::writableRuns(1)), QString("10+16"));
    QCOMPARE(runsText(batchtext::writableRuns(2)), QString());
    QCOMPARE(runsText(batchtext::writableRuns(6)), QString("60+7 6a+6"));
    QCOMPARE(runsText(batchtext::writableRuns(10)), QString("a0+12"));
    QCOMPARE(runsText(batchtext::writableRuns(11)), QString("b2+14"));
    QCOMPARE(runsText(batchtext::writableRuns(15)), QString("f0+16"));
    int identity = 0;
    for (int address = 0; address < 256; ++address) {
        identity += batchtext::isIdentityByte(address) ? 1 : 0;
    }
    QCOMPARE(identity, 16 + 16 + 3 + 6);
}

void CtlCoreTest::planWritesOnlyDifferingBlocksInFewRequests_data() {
    QTest::addColumn<QList<int>>("changed");  // addresses whose byte the file changes
    QTest::addColumn<QString>("writes");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("bytes");
    QTest::newRow("nothing") << QList<int>{} << "" << 0 << 0;
    QTest::newRow("one byte") << QList<int>{0x94} << "90+16" << 1 << 1;
    QTest::newRow("neighbours merge") << QList<int>{0x94, 0xA0, 0xB5} << "90+28 b2+14" << 3 << 3;
    QTest::newRow("gap stays apart") << QList<int>{0x30, 0x50} << "30+16 50+16" << 2 << 2;
    QTest::newRow("identity only")
        << QList<int>{0x00, 0x25, 0x67, 0x69, 0xAC, 0xB1} << "" << 0 << 0;
    QTest::newRow("block 6 around the PCB") << QList<int>{0x61, 0x68} << "60+7 6a+6" << 1 << 1;
    QTest::newRow("block 6 joins block 7") << QList<int>{0x6F, 0x70} << "60+7 6a+22" << 2 << 2;
    QTest::newRow("all blocks") << QList<int>{0x10, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80,
                                              0x90, 0xA0, 0xB5, 0xC0, 0xD0, 0xE0, 0xF0}
                                << "10+16 30+55 6a+66 b2+78" << 14 << 14;
}

void CtlCoreTest::planWritesOnlyDifferingBlocksInFewRequests() {
    QFETCH(QList<int>, changed);
    QFETCH(QString, writes);
    QFETCH(int, blocks);
    QFETCH(int, bytes);
    const Memory current = filled(0x11);
    Memory wanted = current;
    for (int address : changed) {
        wanted[static_cast<std::size_t>(address)] = 0x22;
    }
    const WritePlan plan = planWrites(
        current,
        configurationOf(fileOf(wanted, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})));
    QCOMPARE(runsText(plan.writes), writes);
    QCOMPARE(plan.blocksWritten, blocks);
    QCOMPARE(plan.bytesChanged, bytes);
    for (const Field run : plan.writes) {
        QVERIFY(run.width <= kMaxWrite);
        for (int address = run.address; address < run.end(); ++address) {
            QVERIFY2(!belongsToTheReader(static_cast<std::size_t>(address)),
                     qPrintable(QString::number(address, 16)));
        }
    }
    for (std::size_t address = 0; address < plan.target.size(); ++address) {
        QCOMPARE(plan.target[address],
                 belongsToTheReader(address) ? current[address] : wanted[address]);
    }
}

void CtlCoreTest::wholeMemoryTakesThreeRequests() {
    QCOMPARE(runsText(readRequests({0, 256})), QString("00+125 7d+125 fa+6"));
    QCOMPARE(runsText(readRequests({0x6a, 118})), QString("6a+118"));
}

void CtlCoreTest::wholeMemoryReadGetsPastARefusalThatClears_data() {
    QTest::addColumn<QString>("refused");     // the request refused once
    QTest::addColumn<QStringList>("blocks");  // the block reads in its place
    QTest::newRow("first request") << "read 00+125" << blockReads(0x0, 0x7);
    QTest::newRow("middle request") << "read 7d+125" << blockReads(0x7, 0xF);
    QTest::newRow("last request") << "read fa+6" << blockReads(0xF, 0xF);
}

void CtlCoreTest::wholeMemoryReadGetsPastARefusalThatClears() {
    QFETCH(QString, refused);
    QFETCH(QStringList, blocks);
    Memory memory{};
    for (std::size_t address = 0; address < memory.size(); ++address) {
        memory[address] = static_cast<std::uint8_t>(address * 7 + 3);
    }
    FakeTcpPeer peer(readerScript(memory, {}, refused));
    QVERIFY(peer.port() != 0);
    ReaderLink link(parseReaderName(tcpName(peer)));
    try {
        QCOMPARE(link.readMemory(), memory);
    } catch (const ReaderError& error) {
        QFAIL(error.what());
    }
    // The blocks of the refused request are read singly, within the memory; the other
    // requests go out as they are.
    QStringList expected{"read 00+125", "read 7d+125", "read fa+6"};
    const qsizetype at = expected.indexOf(refused) + 1;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        expected.insert(at + i, blocks[i]);
    }
    QCOMPARE(requestTexts(peer.requests()).filter("read "), expected);
}

void CtlCoreTest::failedVerifyRollsBack_data() {
    QTest::addColumn<bool>("rollback");
    QTest::addColumn<QStringList>("afterReadBack");  // the requests after the failed read-back
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<int>>("partlyWritten");
    QTest::newRow("rolled back, last run first")
        << true << QStringList{"write f0+16", "read f0+16", "write 90+16", "read 90+16"}
        << int(Rollback::Done) << QList<int>{};
    QTest::newRow("no rollback") << false << QStringList{} << int(Rollback::Off)
                                 << QList<int>{9, 15};
}

void CtlCoreTest::failedVerifyRollsBack() {
    QFETCH(bool, rollback);
    QFETCH(QStringList, afterReadBack);
    QFETCH(int, state);
    QFETCH(QList<int>, partlyWritten);
    const Memory reader = filled(0x55);
    Memory wanted = reader;
    wanted[0x94] = 0x0F;  // 0x94 and 0x95 do not take a write
    wanted[0x95] = 0x0F;
    wanted[0xF0] = 0x0F;
    FakeTcpPeer peer(readerScript(reader, {0x94, 0x95}));
    QVERIFY(peer.port() != 0);
    ReaderLink link(parseReaderName(tcpName(peer)));
    const ImportResult result =
        importInto(link, configurationOf(fileOf(wanted, {9, 15})), {true, true, rollback});
    QCOMPARE(
        QString::fromStdString(result.error),
        QString::fromStdString(tcpName(peer)) + ": verify failed at 0x94: wrote 0F, read back 55");
    QVERIFY(result.verify == Verify::Failed);
    QCOMPARE(int(result.rollback), state);
    QCOMPARE(QList<int>(result.partlyWritten.begin(), result.partlyWritten.end()), partlyWritten);
    QCOMPARE(result.changed(), !rollback);
    QCOMPARE(resultText(result), rollback ? "rolled back" : "failed");
    // Both runs were written; the read-back stops at the first that differs, and a reader
    // that did not take its parameters is not reset.
    const QStringList requests = requestTexts(peer.requests());
    QCOMPARE(requests.mid(requests.indexOf("write 90+16")),
             QStringList({"write 90+16", "write f0+16", "read 90+16"}) + afterReadBack);
}

void CtlCoreTest::readerLostMidWriteIsLeftPartlyWritten() {
    const Memory reader = filled(0x55);
    Memory wanted = reader;
    wanted[0x94] = 0x0F;
    wanted[0xF0] = 0x0F;
    // Three reads of the memory and the first write are answered; then the reader is gone.
    FakeTcpPeer peer([script = readerScript(reader)](const Bytes& request, int index) mutable {
        return index < 4 ? script(request, index) : FakeRtuPeer::Answer();
    });
    QVERIFY(peer.port() != 0);
    ReaderLink link(parseReaderName(tcpName(peer)));
    const ImportResult result =
        importInto(link, configurationOf(fileOf(wanted, {9, 15})), ImportOptions{});
    QVERIFY(!result.ok());
    QVERIFY(result.wrote);
    QCOMPARE(int(result.rollback), int(Rollback::Failed));
    // The first run was written, the second may have been: neither could be restored.
    QCOMPARE(result.partlyWritten, (std::vector<int>{9, 15}));
    ReaderOutcome outcome;
    outcome.name = link.name();
    outcome.result = result;
    QVERIFY2(QString::fromStdString(outcomeLine(outcome))
                 .endsWith("; rollback failed: blocks 9, 15 left partly written"),
             outcomeLine(outcome).c_str());
}

void CtlCoreTest::diffLines_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("line");
    auto bytes = [](std::initializer_list<int> values) {
        QByteArray array;
        for (int v : values) {
            array.append(char(v));
        }
        return array;
    };
    QTest::newRow("number") << 0x94 << bytes({0, 60}) << bytes({0, 120})
                            << "0x94-0x95 tag refresh interval: 60 -> 120";
    QTest::newRow("wide number") << 0x78 << bytes({0, 1, 0, 0}) << bytes({0, 0, 0x0F, 0xA1})
                                 << "0x78-0x7B tag value range lower bound: 65536 -> 4001";
    QTest::newRow("signed") << 0xA1 << bytes({0x05}) << bytes({0xB0})
                            << "0xA1 RSSI threshold: 0x05 -> -80";
    QTest::newRow("on off") << 0x65 << bytes({1}) << bytes({0}) << "0x65 buzzer: on -> off";
    QTest::newRow("on off odd value")
        << 0x65 << bytes({0}) << bytes({7}) << "0x65 buzzer: off -> 0x07";
    QTest::newRow("flags") << 0x97 << bytes({0x00}) << bytes({0x31})
                           << "0x97 ID match control: none -> Match, Relay 1, Relay 2";
    QTest::newRow("interfaces") << 0x82 << bytes({0x01}) << bytes({0x14})
                                << "0x82 output interfaces: RS-232 -> Wiegand, TCP/IP";
    QTest::newRow("list") << 0x83 << bytes({2}) << bytes({6})
                          << "0x83 RS-485 baud rate: 9600bps -> 115200bps";
    QTest::newRow("list out of range")
        << 0x83 << bytes({2}) << bytes({9}) << "0x83 RS-485 baud rate: 9600bps -> 0x09";
    QTest::newRow("tcp ip address") << 0xB2 << bytes({192, 168, 1, 10}) << bytes({10, 0, 0, 7})
                                    << "0xB2-0xB5 IP address: 192.168.1.10 -> 10.0.0.7";
    QTest::newRow("tcp port") << 0xBE << bytes({0x0F, 0xA1}) << bytes({0x01, 0xF6})
                              << "0xBE-0xBF TCP port: 4001 -> 502";
    QTest::newRow("tcp mac") << 0xAC << bytes({0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})
                             << bytes({0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F})
                             << "0xAC-0xB1 MAC address: 00:1A:2B:3C:4D:5E -> 00:1A:2B:3C:4D:5F "
                                "(kept)";
    QTest::newRow("tcp client mode")
        << 0xA9 << bytes({0}) << bytes({2}) << "0xA9 TCP/IP work mode: none -> Client mode";
    QTest::newRow("frequency in MHz")
        << 0xDB << bytes({4}) << bytes({9}) << "0xDB module 4 frequency: 2404 MHz -> 2409 MHz";
    QTest::newRow("list with offset")
        << 0x87 << bytes({3}) << bytes({1}) << "0x87 Wiegand protocol: Wiegand 42 -> Wiegand 26";
    QTest::newRow("terminated") << 0xF8 << bytes({0xAA, 0xBB, 0xFF, 0x00})
                                << bytes({0xFF, 0xBB, 0xFF, 0x00})
                                << "0xF8-0xFB frame preamble: AABB -> (none)";
    QTest::newRow("mode and flag")
        << 0x40 << bytes({0x01}) << bytes({0x83})
        << "0x40 encryption mode: Manufacturer -> Customer, Static store";
    QTest::newRow("nibble pair") << 0xD0 << bytes({0x2A}) << bytes({0x3B})
                                 << "0xD0 module 1 rate / power: 1000 Kbps / Level 10 -> 2000 "
                                    "Kbps / Level 11";
    QTest::newRow("raw field") << 0xAB << bytes({0}) << bytes({7})
                               << "0xAB TCP/IP reserved byte: 00 -> 07";
    QTest::newRow("raw bytes outside fields")
        << 0x12 << bytes({1, 2, 3}) << bytes({1, 9, 8}) << "0x13-0x14: 02 03 -> 09 08";
    QTest::newRow("identity kept")
        << 0x67 << bytes({4}) << bytes({20}) << "0x67 PCB identifier: 0x04 -> QLX_PCB_020 (kept)";
    QTest::newRow("serial number kept")
        << 0x20 << QByteArray("QLX1") << QByteArray("QLX2")
        << "0x20-0x2F product serial number: "
           "QLX1\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00 -> "
           "QLX2\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00 (kept)";
}

void CtlCoreTest::diffLines() {
    QFETCH(int, address);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QString, line);
    Memory current{};
    Memory target{};
    for (qsizetype i = 0; i < before.size(); ++i) {
        current[static_cast<std::size_t>(address + i)] = static_cast<std::uint8_t>(before[i]);
        target[static_cast<std::size_t>(address + i)] = static_cast<std::uint8_t>(after[i]);
    }
    Given all{};
    all.fill(true);
    const std::vector<DiffLine> lines = diffMemory(current, target, all);
    QCOMPARE(lines.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(lines[0].text), line);
    QCOMPARE(lines[0].kept, line.endsWith("(kept)"));
}

void CtlCoreTest::diffOnlyOfGivenBlocks() {
    const Memory current = filled(0);
    const Memory target = filled(1);
    Given given{};
    given[1] = true;
    const std::vector<DiffLine> lines = diffMemory(current, target, given);
    QCOMPARE(lines.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(lines[0].text),
             QString("0x10-0x1F: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 -> 01 01 01 01 01 "
                     "01 01 01 01 01 01 01 01 01 01 01"));
}

void CtlCoreTest::reportsNameEveryReader() {
    std::vector<ReaderOutcome> outcomes(2);
    outcomes[0].name = parseReaderName("tcp:10.0.0.1:502", 4);
    outcomes[0].result.plan.blocksWritten = 2;
    outcomes[0].result.plan.bytesChanged = 5;
    outcomes[0].result.wrote = true;
    outcomes[0].result.verify = Verify::Passed;
    outcomes[0].milliseconds = 17;
    outcomes[1].name = parseReaderName("tcp:10.0.0.2");
    outcomes[1].result.error = "tcp:10.0.0.2: cannot open the link: \"no\", really";
    outcomes[1].milliseconds = 3;
    QCOMPARE(QString::fromStdString(csvReport(outcomes)),
             QString("reader,result,blocks_written,bytes_changed,verify,rollback,milliseconds,"
                     "error\r\n"
                     "tcp:10.0.0.1:502 station 4,ok,2,5,passed,not needed,17,\r\n"
                     "tcp:10.0.0.2,failed,0,0,none,not needed,3,\"tcp:10.0.0.2: cannot open the "
                     "link: "
                     "\"\"no\"\", really\"\r\n"));
    const QString json = QString::fromStdString(jsonReport(outcomes));
    QVERIFY(json.contains("\"station\": 4"));
    QVERIFY(json.contains("\"changed\": true"));
    QVERIFY(json.contains("\"changed\": false"));
    QVERIFY(json.contains("\"failed\": 1"));
}

void CtlCoreTest::assignments_data() {
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("fields");  // "key@address: bytes", in the order given
    QTest::newRow("on/off") << QStringList{"buzzer=on"} << QStringList{"buzzer@65: 01"};
    QTest::newRow("list item by its text, stored with its offset")
        << QStringList{"wiegand_protocol=Wiegand 26"} << QStringList{"wiegand_protocol@87: 01"};
    QTest::newRow("dotted IPv4 and a wide number")
        << QStringList{"ip_address=192.168.1.11", "tag_refresh_interval=120"}
        << QStringList{"ip_address@b2: C0 A8 01 0B", "tag_refresh_interval@94: 00 78"};
}

void CtlCoreTest::assignments() {
    QFETCH(QStringList, words);
    QFETCH(QStringList, fields);
    std::vector<std::string> arguments;
    for (const QString& word : words) {
        arguments.push_back(word.toStdString());
    }
    QStringList parsed;
    try {
        parsed = assignmentTexts(parseAssignments(arguments));
    } catch (const UsageError& error) {
        QFAIL(error.what());
    }
    QCOMPARE(parsed, fields);
}

void CtlCoreTest::badAssignments_data() {
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("message");
    QTest::newRow("no '='") << QStringList{"buzzer=on", "buzzer"} << "'buzzer' is not KEY=VALUE";
    QTest::newRow("unknown key") << QStringList{"buzzer=on", "buzer=off"}
                                 << "no field is named 'buzer'; closest: buzzer";
    QTest::newRow("item that does not exist")
        << QStringList{"wiegand_protocol=Wiegand 27"}
        << "'Wiegand 27' is not an item of wiegand_protocol: Wiegand 26, Wiegand 34, Wiegand "
           "42, Wiegand 50";
    QTest::newRow("number out of range")
        << QStringList{"tag_refresh_interval=65536"} << "is not a number 0..65535";
    QTest::newRow("not on or off") << QStringList{"buzzer=yes"} << "'yes' is not on or off";
    QTest::newRow("identity field") << QStringList{"buzzer=on", "pcb_version=V1.0"}
                                    << "pcb_version (0x68) belongs to the reader's identity";
    QTest::newRow("MAC address") << QStringList{"mac_address=02:00:00:00:00:01"}
                                 << "mac_address (0xAC-0xB1) belongs to the reader's identity";
    QTest::newRow("key given twice")
        << QStringList{"buzzer=on", "buzzer=off"} << "buzzer is given twice";
}

void CtlCoreTest::badAssignments() {
    QFETCH(QStringList, words);
    QFETCH(QString, message);
    std::vector<std::string> arguments;
    for (const QString& word : words) {
        arguments.push_back(word.toStdString());
    }
    try {
        parseAssignments(arguments);
        QFAIL("no UsageError");
    } catch (const UsageError& error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
    }
}

void CtlCoreTest::setFieldsWritesOnlyWhatDiffers() {
    Memory reader = filled(0x00);
    reader[0x65] = 1;  // buzzer on already
    FakeTcpPeer peer(readerScript(reader));
    QVERIFY(peer.port() != 0);
    const std::vector<Assignment> assignments = parseAssignments(
        {"subnet_mask=255.255.255.0", "buzzer=on", "ip_address=10.0.0.7", "tcp_port=502"});
    QStringList changed;
    QStringList unchanged;
    {
        ReaderLink link(parseReaderName(tcpName(peer)));
        const FieldSetResult result = setFields(link, assignments);
        for (const model::Parameter* field : result.plan.changed) {
            changed << QString::fromUtf8(field->key);
        }
        for (const model::Parameter* field : result.plan.unchanged) {
            unchanged << QString::fromUtf8(field->key);
        }
    }
    // In address order; the IP address and the mask are neighbours and go out together.
    QCOMPARE(changed, (QStringList{"ip_address", "subnet_mask", "tcp_port"}));
    QCOMPARE(unchanged, QStringList{"buzzer"});
    const QStringList requests = requestTexts(peer.requests());
    QCOMPARE(requests.filter("write "), (QStringList{"write b2+8", "write be+2"}));
    QCOMPARE(requests.mid(requests.indexOf("write b2+8")),
             (QStringList{"write b2+8", "write be+2", "read b2+8", "read be+2"}));

    // The same values again: one read of the memory, nothing written.
    const auto before = static_cast<qsizetype>(peer.requests().size());
    {
        ReaderLink link(parseReaderName(tcpName(peer)));
        const FieldSetResult again = setFields(link, assignments);
        QVERIFY(again.plan.changed.empty());
        QCOMPARE(again.plan.unchanged.size(), std::size_t{4});
    }
    QCOMPARE(requestTexts(peer.requests()).mid(before),
             (QStringList{"read 00+125", "read 7d+125", "read fa+6"}));
}

void CtlCoreTest::setFieldsVerifiesWhatItWrote() {
    FakeTcpPeer peer(readerScript(filled(0x55), {0x95}));
    QVERIFY(peer.port() != 0);
    ReaderLink link(parseReaderName(tcpName(peer)));
    try {
        setFields(link, parseAssignments({"tag_refresh_interval=120"}));
        QFAIL("no ReaderError");
    } catch (const ReaderError& error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 QString::fromStdString(tcpName(peer)) +
                     ": verify failed at 0x95: wrote 78, read back 55");
    }
}

void CtlCoreTest::oneTransactionAtATimeOnEachBus() {
    // Two RS-485 lines (one named twice, through a link) and TCP readers, four jobs.
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString dir = temporary.path();
    QFile(dir + "/line").open(QIODevice::WriteOnly);
    QFile::link(dir + "/line", dir + "/alias");
    std::vector<ReaderName> readers;
    for (int station = 1; station <= 3; ++station) {
        readers.push_back(parseReaderName("serial:" + (dir + "/line").toStdString(), station));
        readers.push_back(parseReaderName("serial:" + (dir + "/alias").toStdString(), station + 3));
        readers.push_back(parseReaderName("serial:/dev/ttyS7@19200", station));
        readers.push_back(parseReaderName("tcp:10.0.0." + std::to_string(station)));
    }
    std::mutex mutex;
    std::map<std::string, int> active;
    int mostOnOneBus = 0;
    int mostAtOnce = 0;
    int running = 0;
    std::vector<std::string> order;
    ApplyOptions options;
    options.jobs = 4;
    options.importOne = [&](const ReaderName& name) {
        const std::string bus = busOf(name).empty() ? name.text : busOf(name);
        {
            std::lock_guard lock(mutex);
            mostOnOneBus = std::max(mostOnOneBus, ++active[bus]);
            mostAtOnce = std::max(mostAtOnce, ++running);
            order.push_back(name.display());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        std::lock_guard lock(mutex);
        --active[bus];
        --running;
        return ImportResult{};
    };
    const std::vector<ReaderOutcome> outcomes = applyToReaders(readers, Configuration{}, options);
    QCOMPARE(busOf(readers[0]), busOf(readers[1]));
    QVERIFY(busOf(readers[3]).empty());
    QCOMPARE(mostOnOneBus, 1);
    QVERIFY2(mostAtOnce > 1, "readers on different buses run side by side");
    QCOMPARE(outcomes.size(), readers.size());
    for (std::size_t i = 0; i < readers.size(); ++i) {
        QCOMPARE(outcomes[i].name.display(), readers[i].display());  // list order
    }
    // On one line the readers keep the list's order.
    std::vector<std::string> onLine;
    for (const std::string& name : order) {
        if (name.find("/ttyS7") != std::string::npos) {
            onLine.push_back(name);
        }
    }
    QCOMPARE(onLine, (std::vector<std::string>{readers[2].display(), readers[6].display(),
                                               readers[10].display()}));
}

void CtlCoreTest::retryTakesTheReadersThatFailed() {
    std::vector<ReaderOutcome> outcomes(4);
    outcomes[0].name = parseReaderName("tcp:10.0.0.1");
    outcomes[1].name = parseReaderName("tcp:10.0.0.2:502", 7);
    outcomes[1].result.error = "tcp:10.0.0.2:502 station 7: no answer";
    outcomes[2].name = parseReaderName("serial:/dev/ttyUSB0@19200", 3);
    outcomes[2].result.error = "verify failed";
    outcomes[2].result.rollback = Rollback::Done;
    outcomes[3].name = parseReaderName("tcp:10.0.0.4");
    const std::vector<ReaderName> again = parseRetryReport(jsonReport(outcomes), "r.json");
    QCOMPARE(again.size(), std::size_t{2});
    QCOMPARE(again[0].display(), outcomes[1].name.display());
    QCOMPARE(again[1].display(), outcomes[2].name.display());
    QCOMPARE(again[1].rate, 19200);
    for (const char* notAReport : {"[]", "{\"readers\": 3}", "{\"readers\": [{\"x\": 1}]}", "{"}) {
        QVERIFY_THROWS_EXCEPTION(UsageError, parseRetryReport(notAReport, "r.json"));
    }
}

void CtlCoreTest::profiles_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QStringList>("fields");  // "key@address: bytes", in the order written
    QTest::newRow("yaml") << "# door 3\nbuzzer: off\nwiegand_protocol: Wiegand 26\n"
                          << false << QStringList{"buzzer@65: 00", "wiegand_protocol@87: 01"};
    QTest::newRow("yaml booleans and numbers")
        << "buzzer: true\ntag_refresh_interval: 120\nip_address: 10.0.0.7" << false
        << QStringList{"buzzer@65: 01", "tag_refresh_interval@94: 00 78",
                       "ip_address@b2: 0A 00 00 07"};
    QTest::newRow("json") << R"({"buzzer": false, "tag_refresh_interval": 60,
                              "wiegand_protocol": "Wiegand 34"})"
                          << true
                          << QStringList{"buzzer@65: 00", "tag_refresh_interval@94: 00 3C",
                                         "wiegand_protocol@87: 02"};
}

void CtlCoreTest::profiles() {
    QFETCH(QString, text);
    QFETCH(bool, json);
    QFETCH(QStringList, fields);
    QStringList parsed;
    try {
        parsed = assignmentTexts(parseProfile(text.toStdString(), "p",
                                              json ? ProfileFormat::Json : ProfileFormat::Yaml));
    } catch (const UsageError& error) {
        QFAIL(error.what());
    }
    QCOMPARE(parsed, fields);
}

void CtlCoreTest::badProfiles_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("message");
    QTest::newRow("yaml syntax") << "buzzer: on\n  bad: [\n" << false << "p:2:6: illegal map value";
    QTest::newRow("json syntax")
        << "{\"buzzer\": true,,}" << true
        << "p:1:17: syntax error while parsing object key - unexpected ','; "
           "expected string literal";
    QTest::newRow("trailing comma is not JSON")
        << "{\"buzzer\": true,\n}" << true
        << "p:2:1: syntax error while parsing object key - unexpected '}'; expected string literal";
    QTest::newRow("unknown key")
        << "buzzer: on\nbuzer: off" << false
        << "p:2:1: no field is named 'buzer'; closest: buzzer, gateway, user_code";
    QTest::newRow("bad value")
        << "\n  tag_refresh_interval: 70000" << false
        << "p:2:25: '70000' is not a number 0..65535 for tag_refresh_interval";
    QTest::newRow("quoted true is a text, not a switch")
        << "buzzer: \"true\"" << false << "p:1:9: 'true' is not on or off for buzzer";
    QTest::newRow("twice") << "buzzer: on\nbuzzer: off" << false << "p:2:1: buzzer is given twice";
    QTest::newRow("identity")
        << "{\"mac_address\": \"00:11:22:33:44:55\"}" << true
        << "p:1:2: mac_address (0xAC-0xB1) belongs to the reader's identity (blocks 0 and 2, "
           "0x67-0x69, MAC 0xAC-0xB1) and is never written";
    QTest::newRow("list value") << "buzzer: [on]" << false
                                << "p:1:9: buzzer needs one value, a word or a number";
    QTest::newRow("no value") << "buzzer:" << false
                              << "p:1:1: buzzer needs one value, a word or a number";
    QTest::newRow("not a mapping")
        << "- buzzer" << false << "p:1:1: a profile is a mapping of field keys to values";
    QTest::newRow("empty") << "# nothing yet\n" << false << "p: names no field";
}

void CtlCoreTest::badProfiles() {
    QFETCH(QString, text);
    QFETCH(bool, json);
    QFETCH(QString, message);
    try {
        parseProfile(text.toStdString(), "p", json ? ProfileFormat::Json : ProfileFormat::Yaml);
        QFAIL("a bad profile was taken");
    } catch (const UsageError& error) {
        QCOMPARE(QString::fromStdString(error.what()), message);
    }
}

void CtlCoreTest::profileWritesOnlyItsFields() {
    const Memory current = filled(0x11);
    const Configuration configuration = configurationOf(
        parseProfile("wiegand_pulse_width: 18\nbuzzer: on\ntag_refresh_interval: 4369\n", "p",
                     ProfileFormat::Yaml));
    const WritePlan plan = planWrites(current, configuration);
    // 0x94-0x95 already holds 4369 (0x1111): only the two one-byte fields go out.
    QCOMPARE(runsText(plan.writes), QString("65+1 88+1"));
    QCOMPARE(plan.bytesChanged, 2);
    QCOMPARE(plan.blocksWritten, 2);
    for (std::size_t address = 0; address < current.size(); ++address) {
        if (address != 0x65 && address != 0x88) {
            QCOMPARE(plan.target[address], current[address]);
        }
    }
    QCOMPARE(int(plan.target[0x65]), 1);
    QCOMPARE(int(plan.target[0x88]), 18);
}

QTEST_APPLESS_MAIN(CtlCoreTest)
#include "tst_ctlcore.moc"
