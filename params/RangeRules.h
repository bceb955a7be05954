// SPDX-License-Identifier: LGPL-2.1-or-later
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
// The timed-upload period: 16 bits, empty is "10".
inline constexpr RangeRule UploadPeriod{65535, 65535, 10};
// The tag refresh interval: 16 bits; an empty edit stays empty.
inline constexpr RangeRule TagRefresh{65535, 65535, std::nullopt};
// A one-byte number without a fallback (address octets, the Wiegand pulse width): an
// emptied edit stays empty for the set to refuse.
inline constexpr RangeRule Byte{255, 255, std::nullopt};
// The first octet of the reader's IP address: emptied is "192".
inline constexpr RangeRule FirstIpOctet{255, 255, 192};
// The Wiegand pulse period: emptied is "12".
inline constexpr RangeRule PulsePeriod{255, 255, 12};
// The TCP ports and the keep-alive time: 16 bits, above or emptied is the start value.
inline constexpr RangeRule ReaderPort{65535, 4001, 4001};
inline constexpr RangeRule TargetPort{65535, 10000, 10000};
inline constexpr RangeRule ClientPort{65535, 4002, 4002};
inline constexpr RangeRule KeepAlive{65535, 300, 300};
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
