// SPDX-License-Identifier: LGPL-2.1-or-later
// The traffic monitor's reading of frames: requests and replies over TCP (MBAP header) and
// RTU (CRC) named in the parameter model's terms, in English and Chinese.

#include "app/TrafficFrame.h"
#include "reader/ModbusCrc.h"

#include <QTest>

#include <vector>

namespace {

std::vector<std::uint8_t> bytesOf(const QString& hex) {
    std::vector<std::uint8_t> bytes;
    for (const QString& pair : hex.split(u' ', Qt::SkipEmptyParts)) {
        bytes.push_back(static_cast<std::uint8_t>(pair.toUInt(nullptr, 16)));
    }
    return bytes;
}

// The frame as on the wire: "tcp" puts an MBAP header before unit and PDU, "rtu" appends the
// CRC, "raw" takes the bytes as they are.
std::vector<std::uint8_t> frame(const QString& framing, const QString& unitAndPdu) {
    std::vector<std::uint8_t> bytes = bytesOf(unitAndPdu);
    if (framing == QLatin1String("tcp")) {
        const auto length = static_cast<std::uint8_t>(bytes.size());
        bytes.insert(bytes.begin(), {0x00, 0x07, 0x00, 0x00, 0x00, length});
    } else if (framing == QLatin1String("rtu")) {
        reader::appendCrc(bytes);
    }
    return bytes;
}

}  // namespace

class TestTrafficFrame : public QObject {
    Q_OBJECT

  private slots:
    void describesFrames_data();
    void describesFrames();
    void replyBelongsToItsOwnLink();
};

void TestTrafficFrame::describesFrames_data() {
    QTest::addColumn<QString>("framing");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("request");  // unit and PDU, sent first; empty for none
    QTest::addColumn<QString>("reply");    // unit and PDU of the reply; empty: the request alone
    QTest::addColumn<QString>("meaning");  // of the reply when there is one, else the request
    QTest::addColumn<bool>("failed");      // marked as a refusal or garbled

    QTest::newRow("tcp read one field") << "tcp"
                                        << "en"
                                        << "FF 03 00 91 00 01"
                                        << ""
                                        << "read 0x91 trigger mode" << false;
    QTest::newRow("rtu write single with list value")
        << "rtu"
        << "en"
        << "FF 06 00 87 00 02"
        << ""
        << "write 0x87 Wiegand protocol = Wiegand 34" << false;
    QTest::newRow("tcp write multiple, four-byte field")
        << "tcp"
        << "en"
        << "FF 10 00 B2 00 04 08 00 C0 00 A8 00 00 00 B2"
        << ""
        << "write 0xB2-0xB5 IP address = 192.168.0.178" << false;
    QTest::newRow("write of unnamed bytes shows them") << "tcp"
                                                       << "en"
                                                       << "FF 10 00 10 00 02 04 00 01 00 02"
                                                       << ""
                                                       << "write 0x10-0x11 = 01 02" << false;
    QTest::newRow("rtu read reply decoded against its request")
        << "rtu"
        << "en"
        << "FF 03 00 87 00 01"
        << "FF 03 02 00 03"
        << "0x87 Wiegand protocol = Wiegand 42" << false;
    QTest::newRow("tcp exception reply") << "tcp"
                                         << "en"
                                         << "FF 03 00 40 00 01"
                                         << "FF 83 02"
                                         << "exception 02 illegal data address" << true;
    QTest::newRow("rtu exception from a failing reader")
        << "rtu"
        << "en"
        << "FF 06 00 87 00 01"
        << "FF 86 04"
        << "exception 04 server device failure" << true;
    QTest::newRow("firmware version reply") << "rtu"
                                            << "en"
                                            << "FF 04 00 00 00 04"
                                            << "FF 04 08 00 02 00 01 00 00 00 07"
                                            << "firmware version = 2.1.0.7" << false;
    QTest::newRow("write reply") << "tcp"
                                 << "en"
                                 << "FF 06 00 87 00 02"
                                 << "FF 06 00 87 00 02"
                                 << "written" << false;
    QTest::newRow("serial rate register") << "rtu"
                                          << "en"
                                          << "FF 06 01 00 00 03"
                                          << ""
                                          << "write serial rate code = 3" << false;
    QTest::newRow("station other than the point-to-point unit")
        << "rtu"
        << "en"
        << "03 03 00 87 00 01"
        << ""
        << "read 0x87 Wiegand protocol (station 3)" << false;
    QTest::newRow("rtu frame with a bad crc")
        << "raw"
        << "en"
        << "FF 03 00 87 00 01 00 00"
        << ""
        << "garbled frame (neither a TCP header nor a valid CRC)" << true;
    QTest::newRow("chinese read") << "tcp"
                                  << "zh"
                                  << "FF 03 00 87 00 01"
                                  << ""
                                  << "读 0x87 通信协议" << false;
    QTest::newRow("chinese write") << "rtu"
                                   << "zh"
                                   << "FF 06 00 87 00 02"
                                   << ""
                                   << "写 0x87 通信协议 = Wiegand 34" << false;
    QTest::newRow("chinese exception") << "rtu"
                                       << "zh"
                                       << "FF 03 00 40 00 01"
                                       << "FF 83 02"
                                       << "异常 02 非法数据地址" << true;
}

void TestTrafficFrame::describesFrames() {
    QFETCH(QString, framing);
    QFETCH(QString, language);
    QFETCH(QString, request);
    QFETCH(QString, reply);
    QFETCH(QString, meaning);
    QFETCH(bool, failed);
    traffic::FrameDecoder decoder(language == QLatin1String("zh") ? model::Language::Chinese
                                                                  : model::Language::English);
    const std::string link = "COM1 (/dev/ttyS0)";
    std::string described =
        decoder.describe(link, traffic::Direction::Request, frame(framing, request));
    if (!reply.isEmpty()) {
        described = decoder.describe(link, traffic::Direction::Reply, frame(framing, reply));
    }
    QCOMPARE(QString::fromStdString(described), meaning);
    QCOMPARE(decoder.failed(), failed);
}

void TestTrafficFrame::replyBelongsToItsOwnLink() {
    // Two links with requests under way: each reply is read against its own link's request.
    traffic::FrameDecoder decoder;
    decoder.describe("a", traffic::Direction::Request, frame("tcp", "FF 03 00 87 00 01"));
    decoder.describe("b", traffic::Direction::Request, frame("tcp", "FF 03 00 91 00 01"));
    QCOMPARE(decoder.describe("a", traffic::Direction::Reply, frame("tcp", "FF 03 02 00 01")),
             std::string("0x87 Wiegand protocol = Wiegand 26"));
    // A reply without its request is shown as the registers it carries.
    QCOMPARE(decoder.describe("a", traffic::Direction::Reply, frame("tcp", "FF 03 02 00 01")),
             std::string("1 register = 1"));
}

QTEST_APPLESS_MAIN(TestTrafficFrame)
#include "tst_trafficframe.moc"
