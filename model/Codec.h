// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// A field's bytes as a typed value, the value as the window's text, and back. Text goes to
// bytes only through a check against the field: a number out of range or a list item that
// does not exist is refused with a message that names the range or the items. A stored value
// that no list item shows stays representable ("0x05") and goes back to the same byte.

#include "model/Parameter.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace model {

struct Context {
    Language language = Language::English;
    int bandVariant = kDefaultBandVariant;
};

// A text that is not a value of the field.
class ValueError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Unsigned and Signed fields.
struct Number {
    std::int64_t value = 0;
    bool operator==(const Number&) const = default;
};
// OnOff and Flags fields: the byte as stored.
struct Bits {
    std::uint8_t byte = 0;
    bool operator==(const Bits&) const = default;
};
// A list's item: its position, or -1 when the stored value has no item.
struct Choice {
    int position = -1;
    int stored = 0;
    bool operator==(const Choice&) const = default;
};
struct ChoicePair {
    Choice high;
    Choice low;
    bool operator==(const ChoicePair&) const = default;
};
struct ChoiceWithFlag {
    Choice choice;
    bool flag = false;
    bool operator==(const ChoiceWithFlag&) const = default;
};
// Ipv4, Mac, Ascii, Raw: every byte; HexTerminated: the bytes before the first 0xFF.
struct Octets {
    Bytes bytes;
    bool operator==(const Octets&) const = default;
};

using Value = std::variant<Number, Bits, Choice, ChoicePair, ChoiceWithFlag, Octets>;

// The list's items for the context (the frequency lists follow its band; without a band
// they have none).
int itemCount(const List& list, const Context& context = {});
std::string itemText(const List& list, int position, const Context& context = {});
int storedValue(const List& list, int position, const Context& context = {});
// -1 when no item stores that value.
int itemPosition(const List& list, int stored, const Context& context = {});
Choice choiceOf(const List& list, int stored, const Context& context = {});

// bytes holds the field's width.
Value decode(const Parameter& field, std::span<const std::uint8_t> bytes,
             const Context& context = {});
// The field's bytes for a value of its kind. Throws ValueError for a value of another kind.
Bytes encode(const Parameter& field, const Value& value, const Context& context = {});

std::string format(const Parameter& field, const Value& value, const Context& context = {});
// Throws ValueError naming the field and what it takes.
Value parse(const Parameter& field, std::string_view text, const Context& context = {});

// The two steps at once.
std::string toText(const Parameter& field, std::span<const std::uint8_t> bytes,
                   const Context& context = {});
Bytes fromText(const Parameter& field, std::string_view text, const Context& context = {});

// "3C 00 FF".
std::string hexBytes(std::span<const std::uint8_t> bytes);
// "0x94" for one byte, "0x94-0x95" for more.
std::string addressText(Field range);

}  // namespace model
