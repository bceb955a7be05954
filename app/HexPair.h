#pragma once

#include <QString>

#include <cstdint>

// Two uppercase hex digits, high nibble first: 0x0A gives "0A".
QString ByteToHexPair(std::uint8_t byte);

// The byte of the first two characters (a third is ignored). Digits up to '9' count
// c - '0', anything else c - 'A' + 10, so only uppercase letters give their hex value; the
// hex key filter makes typed letters uppercase. A one-character text is the low nibble
// ("A" gives 0x0A); an empty text gives 0.
std::uint8_t HexPairToByte(const QString& text);
