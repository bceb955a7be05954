#pragma once

#include <climits>
#include <cstdint>
#include <optional>

class QLineEdit;
class QString;

// A change rule of a numeric edit: a number above the maximum, or a text that is not a
// number, is replaced at once by a fixed text. The digit key filter keeps signs out of
// typed text, so a negative number (pasted) counts as not a number.
struct RangeRule {
    std::int64_t maximum = INT_MAX;
    std::int64_t aboveValue = INT_MAX;
    // Without one, a text that is not a number is left for the set to refuse.
    std::optional<std::int64_t> notNumberValue;
    // The largest number a text may hold; above it the text is not a number. By default the
    // signed 32-bit range, as the toolkit's integer conversion reads it.
    std::int64_t largestNumber = INT_MAX;
};

namespace range {
// Seconds and other one-byte fields whose edits fall back to "10".
inline constexpr RangeRule ByteOr10{255, 255, 10};
// The user code: 16 bits, empty is "0".
inline constexpr RangeRule UserCode{65535, 65535, 0};
// The tag refresh interval: 16 bits; an empty edit stays empty.
inline constexpr RangeRule TagRefresh{65535, 65535, std::nullopt};
// The offline record interval: 16 bits, anything else is "10".
inline constexpr RangeRule OfflineInterval{65535, 65535, 10};
// The tag value bounds: the whole unsigned 32-bit range, anything else is "0".
inline constexpr RangeRule TagBound{UINT32_MAX, 0, 0, UINT32_MAX};
}  // namespace range

// The text's number when the rule reads it as one: 0 to the rule's largest number.
std::optional<std::int64_t> ruleNumber(const QString& text, const RangeRule& rule);

// Applies the rule to the edit's current text; the replacement text runs the edit's change
// reaction again, which then finds it in range.
void applyRangeRule(QLineEdit* edit, const RangeRule& rule);
