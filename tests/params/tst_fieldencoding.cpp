// SPDX-License-Identifier: LGPL-2.1-or-later
// The shared field encodings on real controls: every one round-trips controls -> bytes ->
// controls, and refuses what it cannot encode.

#include "model/Parameters.h"
#include "params/FieldEncoding.h"
#include "widgets/ErrorReporting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

Q_DECLARE_METATYPE(Bytes)

namespace {

// Whether encoding the controls throws the conversion error, and its text.
std::optional<QString> conversionErrorOf(const FieldEncoding& encoding, int width) {
    try {
        encoding.encode(width);
    } catch (const ConversionError& error) {
        return error.text();
    }
    return std::nullopt;
}

void fillNumbers(QComboBox& list, int first, int last) {
    for (int number = first; number <= last; ++number) {
        list.addItem(QString::number(number));
    }
}

}  // namespace

class TestFieldEncoding : public QObject {
    Q_OBJECT

  private slots:
    void numberRoundTrips_data();
    void numberRoundTrips();
    void numberRefusesWhatIsNotANumber_data();
    void numberRefusesWhatIsNotANumber();
    void onOffByte_data();
    void onOffByte();
    void flagBits_data();
    void flagBits();
    void listKeepsAValueWithoutItem_data();
    void listKeepsAValueWithoutItem();
    void listWithoutSelectionOrValueIsRefused();
    void nibblePairKeepsEachHalf_data();
    void nibblePairKeepsEachHalf();
    void hexPairsAndOctets();
    void recordPlacesPartsAtTheirOffsets();
};

void TestFieldEncoding::numberRoundTrips_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("bytes");

    QTest::newRow("1: 0") << 1 << "0" << Bytes{0x00};
    QTest::newRow("1: 255") << 1 << "255" << Bytes{0xFF};
    QTest::newRow("2: 4001") << 2 << "4001" << Bytes{0x0F, 0xA1};
    QTest::newRow("2: 65535") << 2 << "65535" << Bytes{0xFF, 0xFF};
    QTest::newRow("4: 0") << 4 << "0" << Bytes{0, 0, 0, 0};
    QTest::newRow("4: 2147483648") << 4 << "2147483648" << Bytes{0x80, 0, 0, 0};
    QTest::newRow("4: 4294967295") << 4 << "4294967295" << Bytes{0xFF, 0xFF, 0xFF, 0xFF};
}

void TestFieldEncoding::numberRoundTrips() {
    QFETCH(int, width);
    QFETCH(QString, text);
    QFETCH(Bytes, bytes);
    QLineEdit edit(text);
    QCOMPARE(encoding::number(&edit).encode(width), bytes);
    QLineEdit shown;
    encoding::number(&shown).decode(bytes);
    QCOMPARE(shown.text(), text);
}

void TestFieldEncoding::numberRefusesWhatIsNotANumber_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");

    QTest::newRow("1: empty") << 1 << "";
    QTest::newRow("2: negative") << 2 << "-1";
    QTest::newRow("2: beyond int") << 2 << "2147483648";
    QTest::newRow("4: beyond 32 bits") << 4 << "4294967296";
    QTest::newRow("4: negative") << 4 << "-5";
    QTest::newRow("4: letters") << 4 << "12a";
}

void TestFieldEncoding::numberRefusesWhatIsNotANumber() {
    QFETCH(int, width);
    QFETCH(QString, text);
    QLineEdit edit(text);
    QCOMPARE(conversionErrorOf(encoding::number(&edit), width), std::optional<QString>(text));
}

void TestFieldEncoding::onOffByte_data() {
    QTest::addColumn<std::uint8_t>("byte");
    QTest::addColumn<bool>("on");

    QTest::newRow("1") << std::uint8_t{1} << true;
    QTest::newRow("0") << std::uint8_t{0} << false;
    QTest::newRow("2") << std::uint8_t{2} << false;
    QTest::newRow("0xFF") << std::uint8_t{0xFF} << false;
}

void TestFieldEncoding::onOffByte() {
    QFETCH(std::uint8_t, byte);
    QFETCH(bool, on);
    QCheckBox box;
    box.setChecked(!on);
    const FieldEncoding single = encoding::onOffByte(&box);
    single.decode({byte});
    QCOMPARE(box.isChecked(), on);
    QCOMPARE(single.encode(1), Bytes{std::uint8_t(on ? 1 : 0)});

    // A radio pair: any byte but 1 checks the other button.
    QWidget pair;
    auto* onButton = new QRadioButton(&pair);
    auto* offButton = new QRadioButton(&pair);
    (on ? offButton : onButton)->setChecked(true);
    encoding::onOffByte(onButton, offButton).decode({byte});
    QCOMPARE(onButton->isChecked(), on);
    QCOMPARE(offButton->isChecked(), !on);
}

void TestFieldEncoding::flagBits_data() {
    QTest::addColumn<std::uint8_t>("stored");
    QTest::addColumn<QString>("buttons");  // bit 0 box, bit 1 box, bit 5 radio on
    QTest::addColumn<std::uint8_t>("written");

    QTest::newRow("none") << std::uint8_t{0x00} << "001" << std::uint8_t{0x00};
    QTest::newRow("bit 0") << std::uint8_t{0x01} << "101" << std::uint8_t{0x01};
    QTest::newRow("bits 1 and 5") << std::uint8_t{0x22} << "010" << std::uint8_t{0x22};
    // Bits that no control shows are written 0.
    QTest::newRow("every bit") << std::uint8_t{0xFF} << "110" << std::uint8_t{0x23};
}

void TestFieldEncoding::flagBits() {
    QFETCH(std::uint8_t, stored);
    QFETCH(QString, buttons);
    QFETCH(std::uint8_t, written);
    QWidget page;
    auto* bit0 = new QCheckBox(&page);
    auto* bit1 = new QCheckBox(&page);
    auto* bit5 = new QRadioButton(&page);
    auto* bit5Off = new QRadioButton(&page);
    bit0->setChecked(true);
    bit1->setChecked(true);
    bit5->setChecked(true);
    const FieldEncoding flags = encoding::flagBits({{0, bit0}, {1, bit1}, {5, bit5, bit5Off}});
    flags.decode({stored});
    const QString shown = QString::number(bit0->isChecked()) + QString::number(bit1->isChecked()) +
                          QString::number(bit5Off->isChecked());
    QCOMPARE(shown, buttons);
    QCOMPARE(flags.encode(1), Bytes{written});
}

void TestFieldEncoding::listKeepsAValueWithoutItem_data() {
    QTest::addColumn<bool>("numbers");  // item numbers instead of positions
    QTest::addColumn<std::uint8_t>("stored");
    QTest::addColumn<QString>("shown");  // "" = no selection

    // Positions plus 6 over the items "6" to "30".
    QTest::newRow("first") << false << std::uint8_t{6} << "6";
    QTest::newRow("last") << false << std::uint8_t{30} << "30";
    QTest::newRow("below") << false << std::uint8_t{5} << "";
    QTest::newRow("above") << false << std::uint8_t{40} << "";
    QTest::newRow("0xFF") << false << std::uint8_t{0xFF} << "";
    // Item numbers "-110" to "-10", stored as two's complement.
    QTest::newRow("-110") << true << std::uint8_t{0x92} << "-110";
    QTest::newRow("-10") << true << std::uint8_t{0xF6} << "-10";
    QTest::newRow("0") << true << std::uint8_t{0x00} << "";
    QTest::newRow("127") << true << std::uint8_t{0x7F} << "";
}

void TestFieldEncoding::listKeepsAValueWithoutItem() {
    QFETCH(bool, numbers);
    QFETCH(std::uint8_t, stored);
    QFETCH(QString, shown);
    QComboBox list;
    numbers ? fillNumbers(list, -110, -10) : fillNumbers(list, 6, 30);
    list.setCurrentIndex(3);
    const FieldEncoding field =
        encoding::list(numbers ? ListValue::itemNumber(&list)
                               : ListValue::items(&list, model::lists::kTagFailureJudgement));

    field.decode({stored});
    QCOMPARE(list.currentIndex() < 0 ? QString() : list.currentText(), shown);
    // A set right after the query writes the stored byte back, with or without an item.
    QCOMPARE(field.encode(1), Bytes{stored});

    // An item the user picks afterwards wins.
    list.setCurrentIndex(0);
    QCOMPARE(field.encode(1), Bytes{std::uint8_t(numbers ? 0x92 : 6)});
    // And a later query of a known value forgets the kept one.
    field.decode({std::uint8_t(numbers ? 0xF6 : 30)});
    list.setCurrentIndex(-1);
    QVERIFY(conversionErrorOf(field, 1).has_value());
}

void TestFieldEncoding::listWithoutSelectionOrValueIsRefused() {
    QComboBox empty;
    QCOMPARE(
        conversionErrorOf(encoding::list(ListValue::items(&empty, model::lists::kRs485Rates)), 1),
        std::optional<QString>(QString()));
}

void TestFieldEncoding::nibblePairKeepsEachHalf_data() {
    QTest::addColumn<std::uint8_t>("stored");
    QTest::addColumn<int>("high");  // selected positions, -1 = none
    QTest::addColumn<int>("low");

    // High nibble over 5 items from 0, low nibble over 10 items from 1.
    QTest::newRow("both") << std::uint8_t{0x3A} << 3 << 9;
    QTest::newRow("zero low") << std::uint8_t{0x20} << 2 << -1;
    QTest::newRow("high past") << std::uint8_t{0x71} << -1 << 0;
    QTest::newRow("every bit") << std::uint8_t{0xFF} << -1 << -1;
}

void TestFieldEncoding::nibblePairKeepsEachHalf() {
    QFETCH(std::uint8_t, stored);
    QFETCH(int, high);
    QFETCH(int, low);
    QComboBox highList;
    QComboBox lowList;
    fillNumbers(highList, 0, 4);
    fillNumbers(lowList, 1, 10);
    static constexpr model::List kHigh{.first = 0, .last = 4};
    static constexpr model::List kLow{.first = 1, .last = 10};
    const FieldEncoding pair =
        encoding::nibblePair(ListValue::items(&highList, kHigh), ListValue::items(&lowList, kLow));
    pair.decode({stored});
    QCOMPARE(highList.currentIndex(), high);
    QCOMPARE(lowList.currentIndex(), low);
    QCOMPARE(pair.encode(1), Bytes{stored});
    // Picking the high half changes only that half.
    highList.setCurrentIndex(1);
    QCOMPARE(pair.encode(1), Bytes{std::uint8_t(0x10 | (stored & 0x0F))});
}

void TestFieldEncoding::hexPairsAndOctets() {
    QLineEdit a("0A");
    QLineEdit b("FF");
    QLineEdit c("00");
    const FieldEncoding hex = encoding::hexPairs({&a, &b, &c});
    QCOMPARE(hex.encode(3), (Bytes{0x0A, 0xFF, 0x00}));
    hex.decode({0x9F, 0xA0, 0x01});
    QCOMPARE(QStringList({a.text(), b.text(), c.text()}), QStringList({"9F", "A0", "01"}));

    QLineEdit first("192");
    QLineEdit second("0");
    QLineEdit third("255");
    const FieldEncoding octets = encoding::octets({&first, &second, &third});
    QCOMPARE(octets.encode(3), (Bytes{192, 0, 255}));
    octets.decode({10, 255, 0});
    QCOMPARE(QStringList({first.text(), second.text(), third.text()}),
             QStringList({"10", "255", "0"}));
    second.clear();
    QCOMPARE(conversionErrorOf(octets, 3), std::optional<QString>(QString()));
}

void TestFieldEncoding::recordPlacesPartsAtTheirOffsets() {
    QCheckBox flag;
    QLineEdit port("4001");
    QLineEdit octet("7");
    const Field whole{0x10, 6};
    const FieldEncoding record =
        encoding::record(whole, {{{0x10, 1}, encoding::flagBits({{1, &flag}})},
                                 {{0x12, 2}, encoding::number(&port)},
                                 {{0x15, 1}, encoding::octets({&octet})}});
    flag.setChecked(true);
    // Bytes that no part covers are 0.
    QCOMPARE(record.encode(6), (Bytes{0x02, 0x00, 0x0F, 0xA1, 0x00, 0x07}));

    record.decode({0x00, 0x55, 0xFF, 0xFF, 0x55, 0x80});
    QVERIFY(!flag.isChecked());
    QCOMPARE(port.text(), QString("65535"));
    QCOMPARE(octet.text(), QString("128"));
    // A part that cannot convert refuses the whole record.
    port.setText("x");
    QCOMPARE(conversionErrorOf(record, 6), std::optional<QString>("x"));
}

QTEST_MAIN(TestFieldEncoding)
#include "tst_fieldencoding.moc"
