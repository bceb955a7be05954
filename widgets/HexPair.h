// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Two uppercase hex digits, high nibble first: 0x0A gives "0A".
QString ByteToHexPair(std::uint8_t byte);

// The byte of the first two characters (a third is ignored). Digits up to '9' count
// c - '0', anything else c - 'A' + 10, so only uppercase letters give their hex value; the
// hex key filter makes typed letters uppercase. A one-character text is the low nibble
// ("A" gives 0x0A); an empty text gives 0.
std::uint8_t HexPairToByte(const QString& text);

// The bytes of the complete hex pairs at the start of a text, at most maxBytes of them; an
// odd last digit is dropped ("AA5" gives 0xAA).
std::vector<std::uint8_t> HexPairsToBytes(const QString& text, int maxBytes);
