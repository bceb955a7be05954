// SPDX-License-Identifier: LGPL-2.1-or-later
// The parameter model without widgets: what the window shows for given bytes, in both
// languages, what text is refused, and that every value of every field goes back to the
// bytes it came from.

#include "model/Catalog.h"
#include "model/Codec.h"
#include "model/Parameters.h"

#include <QTest>

#include <algorithm>
#include <set>

using namespace model;

Q_DECLARE_METATYPE(const model::Parameter*)

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

Bytes bytesOf(std::initializer_list<int> values) {
    Bytes bytes;
    for (int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

const Context kChinese{Language::Chinese, kDefaultBandVariant};
const Context kEnglish{Language::English, kDefaultBandVariant};

}  // namespace

class TestModel : public QObject {
    Q_OBJECT

  private slots:
    void catalogIsOneMapOfTheMemory();
    void shownAsTheWindowShowsIt_data();
    void shownAsTheWindowShowsIt();
    void everyByteGoesBackUnchanged();
    void textBecomesBytes_data();
    void textBecomesBytes();
    void badTextIsRefusedWithWhatTheFieldTakes_data();
    void badTextIsRefusedWithWhatTheFieldTakes();
    void frequenciesFollowTheBand();
    void keysAreFoundAndMisspellingsNamed();
    void identityIsTheReadersOwnBytes();
};

void TestModel::catalogIsOneMapOfTheMemory() {
    std::set<std::string_view> keys;
    int end = 0;
    const auto snakeCase = [](std::string_view key) {
        return !key.empty() && key.front() >= 'a' && key.front() <= 'z' &&
               std::all_of(key.begin(), key.end(), [](char c) {
                   return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
               });
    };
    for (const Parameter* field : allParameters()) {
        QVERIFY2(field->address >= end, field->key.data());
        QVERIFY(field->width >= 1 && field->end() <= kParameterMemorySize);
        QVERIFY2(keys.insert(field->key).second, field->key.data());
        QVERIFY2(snakeCase(field->key), field->key.data());
        QVERIFY(!field->label.en.empty());
        QCOMPARE(parameterAt(field->address), field);
        end = field->end();
    }
    QCOMPARE(parameterAt(0x10), nullptr);  // block 1: moved whole, named by nothing
    QCOMPARE(findParameter("wiegand_protocol"), &wiegandProtocol);
}

void TestModel::shownAsTheWindowShowsIt_data() {
    QTest::addColumn<const Parameter*>("field");
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    QTest::newRow("list with offset") << &wiegandProtocol << bytesOf({3}) << "Wiegand 42"
                                      << "Wiegand 42";
    QTest::newRow("list value without item") << &wiegandProtocol << bytesOf({0}) << "0x00"
                                             << "0x00";
    QTest::newRow("translated item") << &cardReadMode << bytesOf({1}) << "定位读卡"
                                     << "Positioning";
    QTest::newRow("explicit item values") << &pcbIdentifier << bytesOf({32}) << "QLX_PCB_032"
                                          << "QLX_PCB_032";
    QTest::newRow("number sequence") << &attenuation2 << bytesOf({31}) << "31 dB"
                                     << "31 dB";
    QTest::newRow("sequence from 6") << &tagFailureJudgement << bytesOf({6}) << "6"
                                     << "6";
    QTest::newRow("signed") << &rssiThreshold << bytesOf({0x92}) << "-110"
                            << "-110";
    QTest::newRow("signed outside its list") << &rssiThreshold << bytesOf({0x05}) << "0x05"
                                             << "0x05";
    QTest::newRow("unsigned high byte first") << &tcpPort << bytesOf({0x0F, 0xA1}) << "4001"
                                              << "4001";
    QTest::newRow("four-byte bound")
        << &tagRangeUpper << bytesOf({0xFF, 0xFF, 0xFF, 0xFF}) << "4294967295"
        << "4294967295";
    QTest::newRow("on") << &buzzer << bytesOf({1}) << "on"
                        << "on";
    QTest::newRow("neither on nor off") << &buzzer << bytesOf({2}) << "0x02"
                                        << "0x02";
    QTest::newRow("flags") << &idMatchControl << bytesOf({0x32})
                           << "使能失配功能, 继电器1自动闭合, 继电器2自动闭合"
                           << "Mismatch, Relay 1, Relay 2";
    QTest::newRow("no flags") << &outputInterfaces << bytesOf({0}) << "无"
                              << "none";
    QTest::newRow("unnamed bit") << &automaticIp << bytesOf({0x41}) << "自动获取IP, bit 6"
                                 << "Auto IP, bit 6";
    QTest::newRow("mode with flag")
        << &encryptionMode << bytesOf({0x82}) << "分享加密模式, 静态存储"
        << "Shared, Static store";
    QTest::newRow("mode without item") << &encryptionMode << bytesOf({0x09}) << "0x09"
                                       << "0x09";
    QTest::newRow("nibble pair") << &rfModules[0].powerRate << bytesOf({0x2F})
                                 << "1000 Kbps / Level 15"
                                 << "1000 Kbps / Level 15";
    QTest::newRow("nibble without item") << &outputIdPart << bytesOf({0x90}) << "0x09 / 0x00"
                                         << "0x09 / 0x00";
    QTest::newRow("ipv4") << &ipAddress << bytesOf({192, 168, 0, 178}) << "192.168.0.178"
                          << "192.168.0.178";
    QTest::newRow("mac") << &macAddress << bytesOf({0x02, 0x1A, 0, 0xFF, 0x10, 0x01})
                         << "02:1A:00:FF:10:01"
                         << "02:1A:00:FF:10:01";
    QTest::newRow("hex ended by FF")
        << &framePreamble << bytesOf({0xAA, 0x0B, 0xFF, 0xFF}) << "AA0B"
        << "AA0B";
    QTest::newRow("empty code") << &frameEndCode << bytesOf({0xFF, 0xFF, 0xFF, 0xFF}) << ""
                                << "";
    QTest::newRow("ascii") << &productSerialNumber
                           << bytesOf({'Q', 'L', 'X', '7', '3', '1', '1', 'E', '2', '6', '1', '2',
                                       '0', '0', '0', 0})
                           << "QLX7311E2612000\\x00"
                           << "QLX7311E2612000\\x00";
}

void TestModel::shownAsTheWindowShowsIt() {
    QFETCH(const Parameter*, field);
    QFETCH(Bytes, bytes);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    QCOMPARE(q(toText(*field, bytes, kChinese)), chinese);
    QCOMPARE(q(toText(*field, bytes, kEnglish)), english);
    // What is shown is also what may be typed, in either language.
    QCOMPARE(fromText(*field, chinese.toStdString(), kEnglish), bytes);
    QCOMPARE(fromText(*field, english.toStdString(), kChinese), bytes);
}

void TestModel::everyByteGoesBackUnchanged() {
    for (const Parameter* field : allParameters()) {
        for (const Context& context : {kChinese, kEnglish}) {
            for (int value = 0; value < 256; ++value) {
                Bytes bytes(static_cast<std::size_t>(field->width),
                            static_cast<std::uint8_t>(value));
                bytes.front() = static_cast<std::uint8_t>(255 - value);
                if (field->kind == Kind::HexTerminated) {
                    // Bytes after the first 0xFF are not the field's: the set writes 0xFF.
                    const auto end = std::find(bytes.begin(), bytes.end(), 0xFF);
                    std::fill(end, bytes.end(), 0xFF);
                }
                const std::string text = toText(*field, bytes, context);
                try {
                    QCOMPARE(fromText(*field, text, context), bytes);
                } catch (const ValueError& error) {
                    QFAIL(qPrintable(QStringLiteral("%1 '%2': %3")
                                         .arg(field->key.data(), q(text), error.what())));
                }
            }
        }
    }
}

void TestModel::textBecomesBytes_data() {
    QTest::addColumn<const Parameter*>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("bytes");
    QTest::newRow("item, any case") << &wiegandProtocol << "wiegand 26" << bytesOf({1});
    QTest::newRow("number in hex") << &tagRefreshInterval << "0x78" << bytesOf({0, 0x78});
    QTest::newRow("blanks around") << &tagRefreshInterval << " 120 " << bytesOf({0, 120});
    QTest::newRow("flags by name")
        << &relaysOpenAfterDelay << "Open relay 2, 继电器1自动延时断开" << bytesOf({3});
    QTest::newRow("flags none") << &uploadMode << "none" << bytesOf({0});
    QTest::newRow("mode without flag") << &encryptionMode << "Customer" << bytesOf({3});
    QTest::newRow("short preamble")
        << &framePreamble << "AA BB" << bytesOf({0xAA, 0xBB, 0xFF, 0xFF});
    QTest::newRow("off") << &rs485IdResponse << "OFF" << bytesOf({0});
    QTest::newRow("signed") << &rssiThreshold << "-60" << bytesOf({0xC4});
}

void TestModel::textBecomesBytes() {
    QFETCH(const Parameter*, field);
    QFETCH(QString, text);
    QFETCH(Bytes, bytes);
    QCOMPARE(fromText(*field, text.toStdString()), bytes);
}

void TestModel::badTextIsRefusedWithWhatTheFieldTakes_data() {
    QTest::addColumn<const Parameter*>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("above range") << &wiegandPulseWidth << "256"
                                 << "'256' is not a number 0..255 for wiegand_pulse_width";
    QTest::newRow("negative") << &tcpPort << "-1"
                              << "'-1' is not a number 0..65535 for tcp_port";
    QTest::newRow("not a number") << &userCode << "12a"
                                  << "'12a' is not a number 0..65535 for user_code";
    QTest::newRow("signed range") << &rssiThreshold << "-5"
                                  << "'-5' is not a number -110..-10 for rssi_threshold";
    QTest::newRow("no such item")
        << &wiegandProtocol << "Wiegand 99"
        << "'Wiegand 99' is not an item of wiegand_protocol: Wiegand 26, Wiegand 34, "
           "Wiegand 42, Wiegand 50";
    QTest::newRow("long list") << &rfModules[2].frequency << "2399 MHz"
                               << "'2399 MHz' is not an item of rf_module3_frequency: 2400 MHz "
                                  "… 2524 MHz";
    QTest::newRow("stored byte beyond a nibble")
        << &outputIdPart << "0x10 / 1"
        << "'0x10' is not an item of output_id_part: 0, 1, 2, 3, 4, 5, 6, 7";
    QTest::newRow("unknown flag") << &uploadMode << "daily"
                                  << "'daily' is not a flag of upload_mode: Timed (or none)";
    QTest::newRow("short ipv4") << &gateway << "192.168.1"
                                << "'192.168.1' is not a dotted IPv4 address for gateway";
    QTest::newRow("octet too big") << &ipAddress << "192.168.1.256"
                                   << "'192.168.1.256' is not a dotted IPv4 address for "
                                      "ip_address";
    QTest::newRow("long preamble") << &framePreamble << "0102030405"
                                   << "'0102030405' is more than 4 bytes for frame_preamble";
    QTest::newRow("neither on nor off") << &buzzer << "yes"
                                        << "'yes' is not on or off for buzzer";
}

void TestModel::badTextIsRefusedWithWhatTheFieldTakes() {
    QFETCH(const Parameter*, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        fromText(*field, text.toStdString());
        QFAIL("accepted");
    } catch (const ValueError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
}

void TestModel::frequenciesFollowTheBand() {
    const Parameter& frequency = rfModules[0].frequency;
    QCOMPARE(q(toText(frequency, bytesOf({50}))), QStringLiteral("2450 MHz"));
    const Context lowBand{Language::Chinese, 0};
    QCOMPARE(q(toText(frequency, bytesOf({46}), lowBand)), QStringLiteral("433 MHz"));
    QCOMPARE(itemCount(*frequency.list, lowBand), 78);
    QCOMPARE(itemCount(*frequency.list), 125);
    // Channel 100 lies beyond the low band: kept as it is.
    QCOMPARE(q(toText(frequency, bytesOf({100}), lowBand)), QStringLiteral("0x64"));
    const Context noBand{Language::English, 2};
    QCOMPARE(itemCount(*frequency.list, noBand), 0);
    QCOMPARE(fromText(frequency, "0x32", noBand), bytesOf({50}));
}

void TestModel::keysAreFoundAndMisspellingsNamed() {
    QCOMPARE(findParameter("no_such_key"), nullptr);
    QCOMPARE(findParameter("rf_module8_frequency"), &rfModules[7].frequency);
    const auto close = closestKeys("wiegand_protocl");
    QVERIFY(!close.empty());
    QCOMPARE(close.front(), std::string_view("wiegand_protocol"));
    QCOMPARE(closestKeys("refresh").front(), std::string_view("tag_refresh_interval"));
}

void TestModel::identityIsTheReadersOwnBytes() {
    std::set<std::string_view> identity;
    for (const Parameter* field : allParameters()) {
        if (isIdentity(*field)) {
            identity.insert(field->key);
        }
    }
    const std::set<std::string_view> expected{"identity_block", "product_serial_number",
                                              "pcb_identifier", "pcb_version",
                                              "pcb_type",       "mac_address"};
    QVERIFY(identity == expected);
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
