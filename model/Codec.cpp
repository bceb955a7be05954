// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Codec.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace model {

namespace {

constexpr std::uint8_t kEndByte = 0xFF;
constexpr std::uint8_t kModeMask = 0x7F;
constexpr int kNibbleBits = 4;
constexpr std::uint8_t kNibbleMask = 0x0F;
// A flag byte with no flag set.
constexpr Text kNoFlags{"无", "none"};

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isText(std::string_view text, const Text& shown) {
    return (!shown.zh.empty() && text == shown.zh) || equalsIgnoringCase(text, shown.en);
}

// A decimal number with an optional sign, or 0x and hex digits.
std::optional<std::int64_t> parseInteger(std::string_view text) {
    text = trim(text);
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "0x05": a stored byte (or nibble) written as it is, for values no item shows.
std::optional<int> parseStored(std::string_view text, int maximum) {
    text = trim(text);
    if (!(text.starts_with("0x") || text.starts_with("0X"))) {
        return std::nullopt;
    }
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > maximum) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::string storedText(int stored) {
    return fmt::format("0x{:02X}", stored);
}

std::string replacePlaceholder(std::string_view format, int number) {
    std::string text(format);
    const auto at = text.find("%1");
    return at == std::string::npos ? text : text.replace(at, 2, std::to_string(number));
}

const Band* bandFor(const List& list, const Context& context) {
    return list.bandFrequencies ? bandOf(context.bandVariant) : nullptr;
}

// The first and last number of a sequence list, and what it subtracts before storing.
struct Sequence {
    int first;
    int last;
    int base;
};
std::optional<Sequence> sequenceOf(const List& list, const Context& context) {
    if (!list.names.empty()) {
        return std::nullopt;
    }
    if (list.bandFrequencies) {
        const Band* band = bandFor(list, context);
        if (band == nullptr) {
            return Sequence{0, -1, 0};
        }
        return Sequence{band->firstMhz, band->lastMhz, band->firstMhz};
    }
    return Sequence{list.first, list.last, list.base};
}

std::string itemsDescription(const List& list, const Context& context) {
    const int count = itemCount(list, context);
    if (count == 0) {
        return "no items";
    }
    constexpr int kListedItems = 12;
    std::string text;
    if (count > kListedItems) {
        return fmt::format("{} … {}", itemText(list, 0, context),
                           itemText(list, count - 1, context));
    }
    for (int position = 0; position < count; ++position) {
        text += (position == 0 ? "" : ", ") + itemText(list, position, context);
    }
    return text;
}

Choice parseChoice(const Parameter& field, const List& list, std::string_view text,
                   int maximumStored, const Context& context) {
    text = trim(text);
    const int count = itemCount(list, context);
    for (int position = 0; position < count; ++position) {
        const std::string shown = itemText(list, position, context);
        bool matches = equalsIgnoringCase(text, shown);
        if (!matches && list.names.size() > static_cast<std::size_t>(position)) {
            matches = isText(text, list.names[static_cast<std::size_t>(position)]);
        }
        if (matches) {
            return {position, storedValue(list, position, context)};
        }
    }
    if (const auto stored = parseStored(text, maximumStored)) {
        return choiceOf(list, *stored, context);
    }
    throw ValueError(fmt::format("'{}' is not an item of {}: {}", text, field.key,
                                 itemsDescription(list, context)));
}

std::string choiceText(const List& list, const Choice& choice, const Context& context) {
    return choice.position >= 0 ? itemText(list, choice.position, context)
                                : storedText(choice.stored);
}

std::uint8_t flagsByte(const Parameter& field, std::string_view text) {
    text = trim(text);
    if (text.empty() || equalsIgnoringCase(text, kNoFlags.en) || text == kNoFlags.zh) {
        return 0;
    }
    if (const auto stored = parseStored(text, 0xFF)) {
        return static_cast<std::uint8_t>(*stored);
    }
    std::uint8_t byte = 0;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view name = trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const auto flag = std::find_if(field.flags.begin(), field.flags.end(),
                                       [&](const Flag& f) { return isText(name, f.label); });
        int bit = -1;
        if (flag != field.flags.end()) {
            bit = flag->bit;
        } else if (name.starts_with("bit ")) {
            const auto number = parseInteger(name.substr(4));
            bit = number && *number >= 0 && *number < 8 ? static_cast<int>(*number) : -1;
        }
        if (bit < 0) {
            std::string names;
            for (const Flag& f : field.flags) {
                names += (names.empty() ? "" : ", ") + std::string(f.label.en);
            }
            throw ValueError(
                fmt::format("'{}' is not a flag of {}: {} (or none)", name, field.key, names));
        }
        byte = static_cast<std::uint8_t>(byte | (1u << bit));
    }
    return byte;
}

std::string flagsText(const Parameter& field, std::uint8_t byte, const Context& context) {
    std::string text;
    for (int bit = 0; bit < 8; ++bit) {
        if (((byte >> bit) & 1u) == 0) {
            continue;
        }
        const auto flag = std::find_if(field.flags.begin(), field.flags.end(),
                                       [bit](const Flag& f) { return f.bit == bit; });
        const std::string name = flag != field.flags.end()
                                     ? std::string(flag->label.in(context.language))
                                     : fmt::format("bit {}", bit);
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? std::string(kNoFlags.in(context.language)) : text;
}

Bytes parseHexPairs(const Parameter& field, std::string_view text, int most) {
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.erase(0, 2);
    }
    if (digits.size() % 2 != 0 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        throw ValueError(fmt::format("'{}' is not hex pairs for {}", text, field.key));
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    if (static_cast<int>(bytes.size()) > most) {
        throw ValueError(fmt::format("'{}' is more than {} bytes for {}", text, most, field.key));
    }
    return bytes;
}

Bytes parseSeparated(const Parameter& field, std::string_view text, char separator, int base,
                     std::string_view what) {
    Bytes bytes;
    std::string_view rest = trim(text);
    for (int i = 0; i < field.width; ++i) {
        const auto end = rest.find(separator);
        const std::string_view part = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{"\x01"} : rest.substr(end + 1);
        unsigned value = 0;
        const auto [stop, error] =
            std::from_chars(part.data(), part.data() + part.size(), value, base);
        if (part.empty() || error != std::errc() || stop != part.data() + part.size() ||
            value > 0xFF || (base == 16 && part.size() != 2) ||
            (i + 1 == field.width) != (end == std::string_view::npos)) {
            throw ValueError(fmt::format("'{}' is not {} for {}", text, what, field.key));
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::string asciiText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += fmt::format("\\x{:02X}", byte);
        }
    }
    return text;
}

Bytes asciiBytes(const Parameter& field, std::string_view text) {
    Bytes bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() + 0 && text[i + 1] == 'x') {
            const auto value = parseInteger(fmt::format("0x{}", text.substr(i + 2, 2)));
            if (!value) {
                throw ValueError(fmt::format("'{}' has a bad \\x escape", text));
            }
            bytes.push_back(static_cast<std::uint8_t>(*value));
            i += 3;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(text[i]));
        }
    }
    if (static_cast<int>(bytes.size()) > field.width) {
        throw ValueError(
            fmt::format("'{}' is longer than {} characters for {}", text, field.width, field.key));
    }
    bytes.resize(static_cast<std::size_t>(field.width), 0);
    return bytes;
}

const List& listOf(const Parameter& field) {
    if (field.list == nullptr) {
        throw ValueError(fmt::format("{} has no list", field.key));
    }
    return *field.list;
}

}  // namespace

int itemCount(const List& list, const Context& context) {
    if (const auto sequence = sequenceOf(list, context)) {
        return std::max(0, sequence->last - sequence->first + 1);
    }
    return static_cast<int>(list.names.size());
}

std::string itemText(const List& list, int position, const Context& context) {
    if (const auto sequence = sequenceOf(list, context)) {
        return replacePlaceholder(list.format.in(context.language), sequence->first + position);
    }
    return std::string(list.names[static_cast<std::size_t>(position)].in(context.language));
}

int storedValue(const List& list, int position, const Context& context) {
    if (const auto sequence = sequenceOf(list, context)) {
        return sequence->first + position - sequence->base;
    }
    if (!list.values.empty()) {
        return list.values[static_cast<std::size_t>(position)];
    }
    return position + list.offset;
}

int itemPosition(const List& list, int stored, const Context& context) {
    const int count = itemCount(list, context);
    for (int position = 0; position < count; ++position) {
        if (storedValue(list, position, context) == stored) {
            return position;
        }
    }
    return -1;
}

Choice choiceOf(const List& list, int stored, const Context& context) {
    return {itemPosition(list, stored, context), stored};
}

Value decode(const Parameter& field, std::span<const std::uint8_t> bytes, const Context& context) {
    const Bytes copy(bytes.begin(), bytes.end());
    switch (field.kind) {
        case Kind::Unsigned:
            return Number{fromBigEndian(copy)};
        case Kind::Signed:
            return Number{static_cast<std::int8_t>(bytes[0])};
        case Kind::OnOff:
        case Kind::Flags:
            return Bits{bytes[0]};
        case Kind::List:
            return choiceOf(listOf(field), static_cast<int>(fromBigEndian(copy)), context);
        case Kind::NibblePair:
            return ChoicePair{choiceOf(listOf(field), bytes[0] >> kNibbleBits, context),
                              choiceOf(*field.low, bytes[0] & kNibbleMask, context)};
        case Kind::NumberWithFlag:
            return ChoiceWithFlag{choiceOf(listOf(field), bytes[0] & kModeMask, context),
                                  hasBit(bytes[0], field.flags[0].bit)};
        case Kind::HexTerminated:
            return Octets{Bytes(bytes.begin(), std::find(bytes.begin(), bytes.end(), kEndByte))};
        case Kind::Ipv4:
        case Kind::Mac:
        case Kind::Ascii:
        case Kind::Raw:
            break;
    }
    return Octets{copy};
}

Bytes encode(const Parameter& field, const Value& value, const Context& /*context*/) {
    const auto wrongKind = [&field]() -> Bytes {
        throw ValueError(fmt::format("not a value of {}", field.key));
    };
    return std::visit(Overloaded{
                          [&](const Number& number) {
                              return field.kind == Kind::Unsigned || field.kind == Kind::Signed
                                         ? bigEndian(number.value, field.width)
                                         : wrongKind();
                          },
                          [&](const Bits& bits) {
                              return field.kind == Kind::OnOff || field.kind == Kind::Flags
                                         ? Bytes{bits.byte}
                                         : wrongKind();
                          },
                          [&](const Choice& choice) {
                              return field.kind == Kind::List
                                         ? bigEndian(choice.stored, field.width)
                                         : wrongKind();
                          },
                          [&](const ChoicePair& pair) {
                              return field.kind == Kind::NibblePair
                                         ? Bytes{static_cast<std::uint8_t>(
                                               ((pair.high.stored & kNibbleMask) << kNibbleBits) |
                                               (pair.low.stored & kNibbleMask))}
                                         : wrongKind();
                          },
                          [&](const ChoiceWithFlag& mode) {
                              return field.kind == Kind::NumberWithFlag
                                         ? Bytes{static_cast<std::uint8_t>(
                                               (mode.choice.stored & kModeMask) |
                                               flagBit(field.flags[0].bit, mode.flag))}
                                         : wrongKind();
                          },
                          [&](const Octets& octets) {
                              switch (field.kind) {
                                  case Kind::HexTerminated: {
                                      Bytes bytes = octets.bytes;
                                      bytes.resize(static_cast<std::size_t>(field.width), kEndByte);
                                      return bytes;
                                  }
                                  case Kind::Ipv4:
                                  case Kind::Mac:
                                  case Kind::Ascii:
                                  case Kind::Raw:
                                      if (static_cast<int>(octets.bytes.size()) == field.width) {
                                          return octets.bytes;
                                      }
                                      break;
                                  default:
                                      break;
                              }
                              return wrongKind();
                          },
                      },
                      value);
}

std::string format(const Parameter& field, const Value& value, const Context& context) {
    return std::visit(
        Overloaded{
            [&](const Number& number) {
                if (field.kind == Kind::Signed &&
                    (number.value < field.minimum || number.value > field.maximum)) {
                    return storedText(static_cast<std::uint8_t>(number.value));
                }
                return std::to_string(number.value);
            },
            [&](const Bits& bits) {
                if (field.kind == Kind::Flags) {
                    return flagsText(field, bits.byte, context);
                }
                return bits.byte <= 1 ? std::string(isOnByte(bits.byte) ? "on" : "off")
                                      : storedText(bits.byte);
            },
            [&](const Choice& choice) { return choiceText(listOf(field), choice, context); },
            [&](const ChoicePair& pair) {
                return choiceText(listOf(field), pair.high, context) + " / " +
                       choiceText(*field.low, pair.low, context);
            },
            [&](const ChoiceWithFlag& mode) {
                std::string text = choiceText(listOf(field), mode.choice, context);
                if (mode.flag) {
                    text += ", " + std::string(field.flags[0].label.in(context.language));
                }
                return text;
            },
            [&](const Octets& octets) -> std::string {
                switch (field.kind) {
                    case Kind::Ipv4:
                        return fmt::format("{}", fmt::join(octets.bytes, "."));
                    case Kind::Mac: {
                        std::string text = hexBytes(octets.bytes);
                        std::replace(text.begin(), text.end(), ' ', ':');
                        return text;
                    }
                    case Kind::Ascii:
                        return asciiText(octets.bytes);
                    case Kind::HexTerminated: {
                        std::string text = hexBytes(octets.bytes);
                        std::erase(text, ' ');
                        return text;
                    }
                    default:
                        return hexBytes(octets.bytes);
                }
            },
        },
        value);
}

Value parse(const Parameter& field, std::string_view text, const Context& context) {
    switch (field.kind) {
        case Kind::Unsigned:
        case Kind::Signed: {
            const auto number = parseInteger(text);
            if (field.kind == Kind::Signed) {
                if (const auto stored = parseStored(text, 0xFF)) {
                    return Number{static_cast<std::int8_t>(*stored)};
                }
            }
            if (!number || *number < field.minimum || *number > field.maximum) {
                throw ValueError(fmt::format("'{}' is not a number {}..{} for {}", trim(text),
                                             field.minimum, field.maximum, field.key));
            }
            return Number{*number};
        }
        case Kind::OnOff: {
            const std::string_view word = trim(text);
            if (equalsIgnoringCase(word, "on") || word == "1") {
                return Bits{1};
            }
            if (equalsIgnoringCase(word, "off") || word == "0") {
                return Bits{0};
            }
            if (const auto stored = parseStored(word, 0xFF)) {
                return Bits{static_cast<std::uint8_t>(*stored)};
            }
            throw ValueError(fmt::format("'{}' is not on or off for {}", word, field.key));
        }
        case Kind::Flags:
            return Bits{flagsByte(field, text)};
        case Kind::List:
            return parseChoice(field, listOf(field), text, 0xFF, context);
        case Kind::NibblePair: {
            const auto slash = text.find('/');
            if (slash == std::string_view::npos) {
                throw ValueError(fmt::format("'{}' is not two items 'HIGH / LOW' for {}",
                                             trim(text), field.key));
            }
            return ChoicePair{
                parseChoice(field, listOf(field), text.substr(0, slash), kNibbleMask, context),
                parseChoice(field, *field.low, text.substr(slash + 1), kNibbleMask, context)};
        }
        case Kind::NumberWithFlag: {
            std::string_view choice = trim(text);
            bool flag = false;
            const auto comma = choice.rfind(',');
            if (comma != std::string_view::npos &&
                isText(trim(choice.substr(comma + 1)), field.flags[0].label)) {
                flag = true;
                choice = choice.substr(0, comma);
            }
            return ChoiceWithFlag{parseChoice(field, listOf(field), choice, kModeMask, context),
                                  flag};
        }
        case Kind::Ipv4:
            return Octets{parseSeparated(field, text, '.', 10, "a dotted IPv4 address")};
        case Kind::Mac:
            return Octets{
                parseSeparated(field, text, ':', 16, "a MAC address (AA:BB:CC:DD:EE:FF)")};
        case Kind::Ascii:
            return Octets{asciiBytes(field, text)};
        case Kind::HexTerminated:
            return Octets{parseHexPairs(field, text, field.width)};
        case Kind::Raw: {
            Bytes bytes = parseHexPairs(field, text, field.width);
            if (static_cast<int>(bytes.size()) != field.width) {
                throw ValueError(fmt::format("'{}' is not {} hex bytes for {}", trim(text),
                                             field.width, field.key));
            }
            return Octets{std::move(bytes)};
        }
    }
    throw ValueError(fmt::format("{} cannot be parsed", field.key));
}

std::string toText(const Parameter& field, std::span<const std::uint8_t> bytes,
                   const Context& context) {
    return format(field, decode(field, bytes, context), context);
}

Bytes fromText(const Parameter& field, std::string_view text, const Context& context) {
    return encode(field, parse(field, text, context), context);
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += fmt::format("{}{:02X}", text.empty() ? "" : " ", byte);
    }
    return text;
}

std::string addressText(Field range) {
    return range.width == 1 ? fmt::format("0x{:02X}", range.address)
                            : fmt::format("0x{:02X}-0x{:02X}", range.address, range.end() - 1);
}

}  // namespace model
