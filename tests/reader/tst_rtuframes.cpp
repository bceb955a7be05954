// SPDX-License-Identifier: LGPL-2.1-or-later
// The library's own RTU frames: whatever request follows a late reply, the request it sends in
// its place must never accept that late reply as its answer, and must cover what was asked.
#include <QtTest>

#include <array>
#include <vector>

#include "reader/ModbusCrc.h"
#include "reader/ReaderRegisters.h"
#include "reader/RtuRawUnit.h"

namespace {

using reader::Function;
using reader::Request;

struct Shape {
    Function function;
    uint16_t address;
    uint16_t count;
    uint16_t value;  // the written value (all of them, for a multiple write)
};

// Reads and writes at the edges of both register spaces, of the lengths the library sends.
std::vector<Shape> shapes() {
    std::vector<Shape> all;
    using Words = std::initializer_list<uint16_t>;
    for (const uint16_t address : Words{0, 1, 0x10, 0x80, 0xF0, 0xFE, 0xFF}) {
        for (const uint16_t count : Words{1, 2, 16, 125}) {
            if (address + count <= reader::reg::kMemorySize) {
                all.push_back({Function::ReadHolding, address, count, 0});
                all.push_back({Function::WriteMultiple, address, count, 7});
                all.push_back({Function::WriteMultiple, address, count, 8});
            }
        }
    }
    for (const uint16_t address : Words{0, 3, 4}) {
        for (const uint16_t count : Words{1, 4, 5}) {
            if (address + count <= reader::reg::kInputCount) {
                all.push_back({Function::ReadInput, address, count, 0});
            }
        }
    }
    for (const uint16_t value : Words{0, 1}) {
        all.push_back({Function::WriteSingle, reader::reg::kOffline, 1, value});
        all.push_back({Function::WriteSingle, reader::reg::kRateCode, 1, value});
    }
    return all;
}

Request requestOf(const Shape& shape, std::array<uint16_t, 125>& values) {
    values.fill(shape.value);
    return {shape.function, shape.address, shape.count, values.data()};
}

}  // namespace

class tst_RtuFrames : public QObject {
    Q_OBJECT

  private slots:
    void lateReplyNeverPassesForTheNextAnswer() {
        constexpr uint8_t kUnit = 255;
        const std::vector<Shape> all = shapes();
        int keptApart = 0;
        int refused = 0;
        for (const Shape& lateShape : all) {
            std::array<uint16_t, 125> lateValues{};
            const reader::LateReply late(kUnit, requestOf(lateShape, lateValues), {});
            // The late reply as the reader sends it, values or echo and CRC.
            std::array<uint16_t, 125> replyValues{};
            replyValues.fill(0x1234);
            std::vector<uint8_t> lateFrame =
                reader::replyAdu(kUnit, late.request(), replyValues.data());
            reader::appendCrc(lateFrame);
            for (const Shape& nextShape : all) {
                std::array<uint16_t, 125> nextValues{};
                const Request next = requestOf(nextShape, nextValues);
                const std::optional<Request> sent = reader::requestApartFrom(late, kUnit, next);
                const QByteArray pair = QByteArray::number(int(lateShape.function)) + " " +
                                        QByteArray::number(lateShape.address) + "x" +
                                        QByteArray::number(lateShape.count) + " then " +
                                        QByteArray::number(int(nextShape.function)) + " " +
                                        QByteArray::number(nextShape.address) + "x" +
                                        QByteArray::number(nextShape.count);
                if (!sent) {
                    ++refused;
                    // Only what cannot be told apart: the same write, or a read at full size.
                    QVERIFY2(isRead(next.function) ? next.count == lateShape.count
                                                   : next.address == lateShape.address &&
                                                         next.count == lateShape.count,
                             pair.constData());
                    continue;
                }
                ++keptApart;
                std::array<uint16_t, 126> taken{};
                QVERIFY2(reader::checkReply(*sent, kUnit, lateFrame, taken.data()) !=
                             reader::ReplyCheck::Ok,
                         pair.constData());
                // It asks for everything the call asked for, and only readable registers.
                QCOMPARE(sent->function, next.function);
                QVERIFY2(sent->address <= next.address &&
                             sent->address + sent->count >= next.address + next.count,
                         pair.constData());
                if (isRead(next.function)) {
                    QVERIFY2(sent->count <= next.count + 1 && sent->count <= 125, pair.constData());
                    const int end = next.function == Function::ReadInput ? reader::reg::kInputCount
                                                                         : reader::reg::kMemorySize;
                    QVERIFY2(sent->address + sent->count <= end, pair.constData());
                } else {
                    QCOMPARE(sent->count, next.count);  // a write is never changed
                    QCOMPARE(sent->address, next.address);
                }
            }
        }
        // Both outcomes occur, so neither check above is idle.
        QVERIFY(keptApart > 0);
        QVERIFY(refused > 0);
    }

    void lateReplyThenOwnReply_data() {
        QTest::addColumn<int>("lateCount");      // registers of the late read
        QTest::addColumn<QList<int>>("pieces");  // sizes of the reads from the port
        QTest::newRow("together") << 2 << QList<int>{256};
        QTest::newRow("byte by byte") << 2 << QList<int>{1};
        QTest::newRow("split inside the late reply") << 2 << QList<int>{4, 256};
        // The longest late reply and the own reply overflow one frame's room together.
        QTest::newRow("longest late reply, together") << 123 << QList<int>{256};
        QTest::newRow("longest late reply, two pieces") << 123 << QList<int>{200, 62};
    }

    // The late reply and the start of the request's own reply in one piece: the exchange
    // waits for the rest, and counts as answered (not silent) should the rest never come.
    void lateReplyThenPartOfOwnReply() {
        constexpr uint8_t kUnit = 255;
        const reader::LateReply late(kUnit, {Function::ReadHolding, 0, 2, nullptr}, {});
        const Request sent{Function::ReadHolding, 0, 3, nullptr};
        std::array<uint16_t, 3> values{};
        std::vector<uint8_t> bytes = reader::replyAdu(kUnit, late.request(), values.data());
        reader::appendCrc(bytes);
        bytes.insert(bytes.end(), {kUnit, 0x03, 0x06});
        std::array<uint16_t, 125> taken{};
        reader::ReplyReader reader(sent, kUnit, taken.data(), &late);
        reader::ExchangeDetail detail;
        QCOMPARE(reader.take(bytes, detail), std::nullopt);
        QVERIFY(detail.lateReplyDropped);
        QVERIFY(!detail.silent);
        QCOMPARE(reader.received().size(), std::size_t(3));
    }

    // A late reply and the request's own reply, as the port hands them over: the late one is
    // put aside and the own one's values are taken.
    void lateReplyThenOwnReply() {
        QFETCH(int, lateCount);
        QFETCH(QList<int>, pieces);
        constexpr uint8_t kUnit = 255;
        std::array<uint16_t, 125> values{};
        const Request lateRead{Function::ReadHolding, 0, static_cast<uint16_t>(lateCount), nullptr};
        const reader::LateReply late(kUnit, lateRead, {});
        const Request read{Function::ReadHolding, 0x80, 3, nullptr};
        const std::optional<Request> sent = reader::requestApartFrom(late, kUnit, read);
        QVERIFY(sent.has_value());
        values.fill(0x4444);
        std::vector<uint8_t> bytes = reader::replyAdu(kUnit, late.request(), values.data());
        reader::appendCrc(bytes);
        const std::array<uint16_t, 4> own{0x11, 0x22, 0x33, 0x44};
        std::vector<uint8_t> ownFrame = reader::replyAdu(kUnit, *sent, own.data());
        reader::appendCrc(ownFrame);
        bytes.insert(bytes.end(), ownFrame.begin(), ownFrame.end());

        std::array<uint16_t, 125> taken{};
        reader::ReplyReader reader(*sent, kUnit, taken.data(), &late);
        reader::ExchangeDetail detail;
        std::optional<reader::Outcome> outcome;
        std::size_t at = 0;
        for (int i = 0; at < bytes.size() && !outcome; ++i) {
            const auto n =
                std::min<std::size_t>(std::size_t(pieces[i % pieces.size()]), bytes.size() - at);
            outcome = reader.take(std::span(bytes).subspan(at, n), detail);
            at += n;
        }
        QCOMPARE(outcome, std::optional(reader::Outcome::Ok));
        QVERIFY(detail.lateReplyDropped);
        QVERIFY(!detail.silent);
        QCOMPARE(at, bytes.size());
        QCOMPARE(taken[0], own[0]);
        QCOMPARE(taken[sent->count - 1], own[sent->count - 1]);
    }
};

QTEST_APPLESS_MAIN(tst_RtuFrames)
#include "tst_rtuframes.moc"
