// SPDX-License-Identifier: LGPL-2.1-or-later
#include "model/BatchText.h"

#include <QRandomGenerator>
#include <QTest>

#include <string>
#include <vector>

using namespace batchtext;

Q_DECLARE_METATYPE(batchtext::LineError)
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

std::string digits(int count, char digit = '5') {
    return std::string(std::size_t(count), digit);
}

}  // namespace

class BatchTextTest : public QObject {
    Q_OBJECT
  private slots:
    void roundTripOfRandomMemories_data();
    void roundTripOfRandomMemories();
    void hexPairs_data();
    void hexPairs();
    void digitsOfEitherCaseAreRead();
    void malformedLinesAreRejected_data();
    void malformedLinesAreRejected();
    void laterLineForABlockWins();
    void splitLines_data();
    void splitLines();
};

void BatchTextTest::roundTripOfRandomMemories_data() {
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 77u, 4001u, 0xC0FFEEu}) {
        QTest::addRow("seed %u", seed) << seed;
    }
}

void BatchTextTest::roundTripOfRandomMemories() {
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    Memory memory{};
    for (std::uint8_t& byte : memory) {
        byte = static_cast<std::uint8_t>(random.bounded(256));
    }

    const std::string text = formatMemory(memory);
    const std::vector<std::string_view> lines = batchtext::splitLines(text);
    QCOMPARE(lines.size(), std::size_t(kBlockCount));
    QCOMPARE(text.size(), std::size_t(kBlockCount) * (kLineLength + 2));
    for (int block = 0; block < kBlockCount; ++block) {
        const std::string_view line = lines[std::size_t(block)];
        QCOMPARE(line.size(), kLineLength);
        QCOMPARE(line[0], "0123456789ABCDEF"[block]);
        QCOMPARE(line.find_first_of("abcdef"), std::string_view::npos);
    }

    const ParsedText parsed = parse(text);
    QVERIFY(parsed.rejected.empty());
    QCOMPARE(parsed.blocks.size(), std::size_t(kBlockCount));
    Memory decoded{};
    const auto given = applyBlocks(parsed, decoded);
    QVERIFY(decoded == memory);
    QVERIFY(std::all_of(given.begin(), given.end(), [](bool g) { return g; }));
}

void BatchTextTest::hexPairs_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("pair");
    QTest::newRow("A0") << 0xA0 << "A0";
    QTest::newRow("9F") << 0x9F << "9F";
    QTest::newRow("0A") << 0x0A << "0A";
    QTest::newRow("00") << 0x00 << "00";
    QTest::newRow("FF") << 0xFF << "FF";
}

void BatchTextTest::hexPairs() {
    QFETCH(int, byte);
    QFETCH(QString, pair);
    QCOMPARE(QString::fromStdString(hexPair(std::uint8_t(byte))), pair);

    Block bytes{};
    bytes.fill(std::uint8_t(byte));
    const std::string line = formatBlockLine(0xB, bytes);
    QCOMPARE(QString::fromStdString(line), "B:" + pair.repeated(16));
    const auto parsed = parseBlockLine(line);
    QVERIFY(parsed);
    QCOMPARE(parsed->block, 0xB);
    QVERIFY(parsed->bytes == bytes);
}

void BatchTextTest::digitsOfEitherCaseAreRead() {
    const auto parsed = parseBlockLine("a:0123456789abcdefABCDEF0a9fA0fFfe");
    QVERIFY(parsed);
    QCOMPARE(parsed->block, 0xA);
    const Block expected{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                         0xAB, 0xCD, 0xEF, 0x0A, 0x9F, 0xA0, 0xFF, 0xFE};
    QVERIFY(parsed->bytes == expected);
}

void BatchTextTest::malformedLinesAreRejected_data() {
    QTest::addColumn<std::string>("line");
    QTest::addColumn<LineError>("error");
    QTest::newRow("empty") << std::string() << LineError::Empty;
    QTest::newRow("no colon") << "3" + digits(32) << LineError::MissingColon;
    QTest::newRow("other separator") << "3;" + digits(32) << LineError::MissingColon;
    QTest::newRow("only the block digit") << std::string("3") << LineError::MissingColon;
    QTest::newRow("block in two digits") << "10:" + digits(32) << LineError::MissingColon;
    QTest::newRow("31 digits") << "3:" + digits(31) << LineError::WrongLength;
    QTest::newRow("33 digits") << "3:" + digits(33) << LineError::WrongLength;
    QTest::newRow("no digits") << std::string("3:") << LineError::WrongLength;
    QTest::newRow("trailing blank") << "3:" + digits(32) + " " << LineError::WrongLength;
    QTest::newRow("very long line") << "3:" + digits(100000) << LineError::WrongLength;
    QTest::newRow("letter G") << "3:" + digits(20) + "G" + digits(11) << LineError::BadHexDigit;
    QTest::newRow("blank among digits")
        << "3:" + digits(10) + " " + digits(21) << LineError::BadHexDigit;
    QTest::newRow("sign") << "3:-" + digits(31) << LineError::BadHexDigit;
    QTest::newRow("NUL among digits")
        << "3:" + digits(7) + std::string(1, '\0') + digits(24) << LineError::BadHexDigit;
    QTest::newRow("byte above 0x7F")
        << "3:" + digits(31) + std::string(1, '\xC6') << LineError::BadHexDigit;
    QTest::newRow("block digit G") << "G:" + digits(32) << LineError::BadBlockDigit;
    QTest::newRow("block digit blank") << " :" + digits(32) << LineError::BadBlockDigit;
    QTest::newRow("NUL as block digit")
        << std::string(1, '\0') + ":" + digits(32) << LineError::BadBlockDigit;
    QTest::newRow("colon first") << ":3" + digits(32) << LineError::BadBlockDigit;
}

void BatchTextTest::malformedLinesAreRejected() {
    QFETCH(std::string, line);
    QFETCH(LineError, error);

    LineError found = LineError::Empty;
    if (error == LineError::Empty) {
        found = LineError::BadHexDigit;  // must be overwritten
    }
    QVERIFY(!parseBlockLine(line, &found));
    QCOMPARE(found, error);
    QVERIFY(describe(found)[0] != '\0');

    // In a text, the line is reported by its number and the lines around it still count.
    const std::string text = "1:" + digits(32, 'A') + "\r\n" + line + "\r\n4:" + digits(32, 'B');
    const ParsedText parsed = parse(text);
    QCOMPARE(parsed.rejected.size(), std::size_t(1));
    QCOMPARE(parsed.rejected[0].lineNumber, std::size_t(2));
    QCOMPARE(parsed.rejected[0].error, error);
    QCOMPARE(parsed.blocks.size(), std::size_t(2));
    QCOMPARE(parsed.blocks[0].block, 1);
    QCOMPARE(parsed.blocks[1].block, 4);
}

void BatchTextTest::laterLineForABlockWins() {
    Memory memory{};
    memory.fill(0x11);
    const ParsedText parsed =
        parse("3:" + digits(32, 'A') + "\n5:" + digits(32, 'C') + "\n3:" + digits(32, 'B'));
    const auto given = applyBlocks(parsed, memory);
    for (int address = 0; address < kMemorySize; ++address) {
        const int block = address / kBlockSize;
        const std::uint8_t expected = block == 3 ? 0xBB : block == 5 ? 0xCC : 0x11;
        QCOMPARE(memory[std::size_t(address)], expected);
        QCOMPARE(given[std::size_t(block)], block == 3 || block == 5);
    }
}

void BatchTextTest::splitLines_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::vector<std::string>>("lines");
    const std::vector<std::string> abc{"a", "b", "c"};
    QTest::newRow("CR LF") << std::string("a\r\nb\r\nc\r\n") << abc;
    QTest::newRow("CR") << std::string("a\rb\rc\r") << abc;
    QTest::newRow("LF") << std::string("a\nb\nc\n") << abc;
    QTest::newRow("mixed, no end") << std::string("a\rb\r\nc") << abc;
    QTest::newRow("empty text") << std::string() << std::vector<std::string>{};
    QTest::newRow("one line end") << std::string("\r\n") << std::vector<std::string>{""};
    QTest::newRow("empty lines kept")
        << std::string("a\n\nb\r\r\nc") << std::vector<std::string>{"a", "", "b", "", "c"};
    QTest::newRow("LF CR is two ends")
        << std::string("a\n\rb") << std::vector<std::string>{"a", "", "b"};
}

void BatchTextTest::splitLines() {
    QFETCH(std::string, text);
    QFETCH(std::vector<std::string>, lines);
    std::vector<std::string> found;
    for (std::string_view line : batchtext::splitLines(text)) {
        found.emplace_back(line);
    }
    QCOMPARE(found, lines);
}

QTEST_APPLESS_MAIN(BatchTextTest)
#include "tst_batchtext.moc"
