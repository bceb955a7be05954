// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// What one named field of the parameter memory is: where it lies, how its bytes encode a
// value, the texts it is shown with and what it may hold. Every tool that names, shows or
// checks a field takes it from here (model/Parameters.h declares them all).

#include "model/MemoryMap.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace model {

enum class Language { Chinese, English };

// A text as the window shows it: the Chinese original and its English form. A text the
// window has no Chinese caption for shows its English form in both languages.
struct Text {
    std::string_view zh;
    std::string_view en;

    constexpr std::string_view in(Language language) const {
        return language == Language::Chinese && !zh.empty() ? zh : en;
    }
};

// The page (or sub-page) of the window that shows a field; Batch: only the batch text moves
// it.
enum class Page {
    Product,
    BasicFunction,
    ExtendedFunction,
    CommPort,
    Upload,
    DataFrame,
    RfBasic,
    RfChannel1,
    RfChannel2,
    Positioning,
    Batch,
};

enum class Kind {
    Unsigned,        // high byte first
    Signed,          // one byte, two's complement
    OnOff,           // 1 on, 0 off
    Flags,           // named bits of one byte
    List,            // one item of a list
    Ipv4,            // four octets, first octet first
    Mac,             // six bytes
    Ascii,           // characters
    HexTerminated,   // bytes shown as hex pairs, ended by 0xFF when shorter than the field
    NibblePair,      // one list in the high nibble, another in the low nibble
    NumberWithFlag,  // a list in bits 0-6, a switch in bit 7
    Raw,             // bytes without a meaning of their own
};

// The items of a list. Named items are stored as their position plus offset, or as the
// value at their position when values are given. A number sequence (no names) has the items
// first..last shown through format ("%1 dB"), each stored as its number minus base; the RF
// frequency lists take first, last and base from the band (Band).
struct List {
    std::span<const Text> names{};
    int offset = 0;
    std::span<const std::uint8_t> values{};
    int first = 0;
    int last = -1;
    Text format{"%1", "%1"};
    int base = 0;
    bool bandFrequencies = false;
};

// One named bit of a flag byte.
struct Flag {
    int bit;
    Text label;
};

struct Parameter {
    std::string_view key;  // stable, snake_case
    Text label;
    Page page;
    int address;
    int width;
    Kind kind;
    const List* list = nullptr;     // List; NumberWithFlag's number; NibblePair's high nibble
    const List* low = nullptr;      // NibblePair's low nibble
    std::span<const Flag> flags{};  // Flags; NumberWithFlag's switch
    std::int64_t minimum = 0;       // Unsigned and Signed
    std::int64_t maximum = 0;
    std::string_view unit{};

    constexpr Field range() const { return {address, width}; }
    constexpr int end() const { return address + width; }
    // A field is also where it lies: the window's operations move it by its range.
    constexpr operator Field() const { return range(); }  // NOLINT(google-explicit-constructor)
};

// The RF band the frequency lists show: the window's band variant 0 is 387-464 MHz, 1 the
// 2.4 GHz band 2400-2524 MHz (the window's default). Channel n is the band's first MHz + n.
struct Band {
    int firstMhz;
    int lastMhz;
};
inline constexpr int kDefaultBandVariant = 1;
inline constexpr Band kLowBand{387, 464};
inline constexpr Band kHighBand{2400, 2524};
// Null for a variant without frequency lists.
constexpr const Band* bandOf(int bandVariant) {
    return bandVariant == 0 ? &kLowBand : bandVariant == 1 ? &kHighBand : nullptr;
}

}  // namespace model
