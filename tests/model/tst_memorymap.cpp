// SPDX-License-Identifier: LGPL-2.1-or-later
// The shared encodings of the parameter memory: numbers high byte first, list positions with
// an offset, flag bits and on/off bytes.

#include "model/Addresses.h"
#include "model/Codec.h"

#include <array>

#include <QTest>

Q_DECLARE_METATYPE(Bytes)

class TestMemoryMap : public QObject {
    Q_OBJECT

  private slots:
    void bigEndianNumbers_data();
    void bigEndianNumbers();
    void listPositions_data();
    void listPositions();
    void flagBitsAndOnOffBytes();
};

void TestMemoryMap::bigEndianNumbers_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<quint32>("readBack");  // what the stored bytes read as

    QTest::newRow("4001 in 2") << qint64{4001} << 2 << Bytes{0x0F, 0xA1} << 4001u;
    QTest::newRow("1000 in 2") << qint64{1000} << 2 << Bytes{0x03, 0xE8} << 1000u;
    QTest::newRow("65535 in 2") << qint64{65535} << 2 << Bytes{0xFF, 0xFF} << 65535u;
    QTest::newRow("bound in 4") << qint64{2147483647} << 4 << Bytes{0x7F, 0xFF, 0xFF, 0xFF}
                                << 2147483647u;
    QTest::newRow("0x12345678 in 4")
        << qint64{0x12345678} << 4 << Bytes{0x12, 0x34, 0x56, 0x78} << 0x12345678u;
    // A one-byte field takes the low 8 bits; a two-byte field the low 16.
    QTest::newRow("300 in 1") << qint64{300} << 1 << Bytes{0x2C} << 0x2Cu;
    QTest::newRow("70000 in 2") << qint64{70000} << 2 << Bytes{0x11, 0x70} << 0x1170u;
}

void TestMemoryMap::bigEndianNumbers() {
    QFETCH(qint64, value);
    QFETCH(int, width);
    QFETCH(Bytes, bytes);
    QFETCH(quint32, readBack);
    QCOMPARE(bigEndian(value, width), bytes);
    QCOMPARE(fromBigEndian(bytes), readBack);
    Bytes record{0xAA};
    record.insert(record.end(), bytes.begin(), bytes.end());
    QCOMPARE(fromBigEndian(record, 1, width), readBack);
}

void TestMemoryMap::listPositions_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("position");

    QTest::newRow("first") << 0 << 8 << 0 << 0;
    QTest::newRow("last") << 7 << 8 << 0 << 7;
    QTest::newRow("past the list") << 8 << 8 << 0 << -1;
    QTest::newRow("offset first") << 1 << 4 << 1 << 0;
    QTest::newRow("offset last") << 4 << 4 << 1 << 3;
    QTest::newRow("below offset") << 0 << 4 << 1 << -1;
    QTest::newRow("offset past") << 5 << 4 << 1 << -1;
    QTest::newRow("0xFF") << 255 << 10 << 1 << -1;
}

void TestMemoryMap::listPositions() {
    QFETCH(int, stored);
    QFETCH(int, count);
    QFETCH(int, offset);
    QFETCH(int, position);
    static const std::array<model::Text, 10> kNames{};
    const model::List list{.names = std::span(kNames).first(static_cast<std::size_t>(count)),
                           .offset = offset};
    QCOMPARE(model::itemPosition(list, stored), position);
    if (position >= 0) {
        QCOMPARE(model::storedValue(list, position), stored);
    }
}

void TestMemoryMap::flagBitsAndOnOffBytes() {
    QCOMPARE(flagBit(0, true) | flagBit(1, false) | flagBit(5, true), 0x21);
    QCOMPARE(flagBit(7, true), 0x80);
    QVERIFY(hasBit(0x26, 1) && hasBit(0x26, 2) && hasBit(0x26, 5));
    QVERIFY(!hasBit(0x26, 0) && !hasBit(0x26, 3) && !hasBit(0x26, 4));
    QCOMPARE(onOffByte(true), 1);
    QCOMPARE(onOffByte(false), 0);
    QVERIFY(isOnByte(1));
    QVERIFY(!isOnByte(2) && !isOnByte(0) && !isOnByte(0x81));
}

QTEST_APPLESS_MAIN(TestMemoryMap)
#include "tst_memorymap.moc"
