#pragma once

#include <climits>
#include <optional>

class QLineEdit;

// A change rule of a numeric edit: a number above the maximum, or a text that is not a
// number, is replaced at once by a fixed text. The digit key filter keeps signs out of
// typed text, so a negative number (pasted) counts as not a number.
struct RangeRule {
    int maximum = INT_MAX;
    int aboveValue = INT_MAX;
    // Without one, a text that is not a number is left for the set to refuse.
    std::optional<int> notNumberValue;
};

namespace range {
// Seconds and other one-byte fields whose edits fall back to "10".
inline constexpr RangeRule ByteOr10{255, 255, 10};
// The user code: 16 bits, empty is "0".
inline constexpr RangeRule UserCode{65535, 65535, 0};
// The timed-upload period: 16 bits, empty is "10".
inline constexpr RangeRule UploadPeriod{65535, 65535, 10};
// The tag refresh interval: 16 bits; an empty edit stays empty.
inline constexpr RangeRule TagRefresh{65535, 65535, std::nullopt};
}  // namespace range

// Applies the rule to the edit's current text; the replacement text runs the edit's change
// reaction again, which then finds it in range.
void applyRangeRule(QLineEdit* edit, const RangeRule& rule);
