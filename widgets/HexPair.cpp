// SPDX-License-Identifier: LGPL-2.1-or-later
#include "HexPair.h"

namespace {

int digitValue(QChar c) {
    const int code = c.unicode();
    return code < 58 ? code - 48 : code - 55;
}

}  // namespace

QString ByteToHexPair(std::uint8_t byte) {
    static const char digits[] = "0123456789ABCDEF";
    const QChar pair[2] = {QChar(digits[byte >> 4]), QChar(digits[byte & 0x0F])};
    return QString(pair, 2);
}

std::uint8_t HexPairToByte(const QString& text) {
    int value = 0;
    for (qsizetype i = 0; i < qMin<qsizetype>(text.size(), 2); ++i) {
        value = value * 16 + digitValue(text[i]);
    }
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::vector<std::uint8_t> HexPairsToBytes(const QString& text, int maxBytes) {
    std::vector<std::uint8_t> bytes;
    for (qsizetype pair = 0; pair + 1 < text.size() && std::ssize(bytes) < maxBytes; pair += 2) {
        bytes.push_back(HexPairToByte(text.mid(pair, 2)));
    }
    return bytes;
}
