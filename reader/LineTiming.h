// SPDX-License-Identifier: LGPL-2.1-or-later
// Serial rate codes and the time Modbus RTU frames take on the wire, shared by the library's
// timeouts and the benchmark's wire-time limit.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

namespace reader {

// Rate codes of SetBaudRate, in bits per second.
inline constexpr std::array<int32_t, 7> kRates{2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr int32_t kOpeningRate = 9600;

constexpr int32_t rateForCode(int32_t code) {
    return code >= 0 && code < static_cast<int32_t>(kRates.size()) ? kRates[code] : 0;
}

// The rate code of bitsPerSecond, or -1 when it is not one of kRates.
constexpr int32_t codeForRate(int32_t bitsPerSecond) {
    for (std::size_t code = 0; code < kRates.size(); ++code) {
        if (kRates[code] == bitsPerSecond) {
            return static_cast<int32_t>(code);
        }
    }
    return -1;
}
static_assert(codeForRate(kOpeningRate) == 2 && codeForRate(1200) == -1);

// One byte on an 8N1 line is 10 bits.
inline constexpr int kBitsPerByte = 10;

// The time bytes take on the line, to the nanosecond: at 115200 bps a byte takes 86.8 us, and
// a whole-microsecond byte time would understate a 45-byte exchange by 36 us.
constexpr std::chrono::nanoseconds wireTime(int bytes, int32_t bitsPerSecond) {
    return std::chrono::nanoseconds(1'000'000'000LL * kBitsPerByte * bytes / bitsPerSecond);
}

constexpr std::chrono::nanoseconds byteTime(int32_t bitsPerSecond) {
    return wireTime(1, bitsPerSecond);
}

// The silence that must end an RTU frame before the next one starts: 3.5 characters, fixed
// at 1750 us above 19200 bps where receivers use that fixed timer.
constexpr std::chrono::nanoseconds frameGap(int32_t bitsPerSecond) {
    return bitsPerSecond > 19200 ? std::chrono::nanoseconds(1'750'000)
                                 : wireTime(7, bitsPerSecond) / 2;
}

// The least time a request of requestBytes and its reply of replyBytes occupy the line: their
// bytes and the frame-ending silence after each. No exchange on this line can be faster.
constexpr std::chrono::nanoseconds exchangeWireTime(int requestBytes, int replyBytes,
                                                    int32_t bitsPerSecond) {
    return wireTime(requestBytes + replyBytes, bitsPerSecond) + 2 * frameGap(bitsPerSecond);
}
static_assert(wireTime(45, 115200).count() == 3'906'250 && frameGap(9600).count() == 3'645'833 &&
              exchangeWireTime(8, 37, 115200).count() == 7'406'250);

// A reader answers within kAnswerTime once the request is on the wire; a serial line adds the
// frames' own wire time. Short enough that a dead link does not freeze the window long. A
// handle may assume another answer time (ReaderSetAnswerTime), within these bounds.
inline constexpr std::chrono::milliseconds kAnswerTime{500};
inline constexpr std::chrono::milliseconds kMinAnswerTime{1};
inline constexpr std::chrono::milliseconds kMaxAnswerTime{5000};
inline constexpr std::chrono::milliseconds kConnectTimeout{1000};
// After answering a rate change the reader switches its own port; a request that comes
// within this pause is lost.
inline constexpr std::chrono::milliseconds kRateSwitchPause{20};
// After a timeout or a garbled reply the line must stay quiet this long before the next
// request goes out, so that a reply that comes late is drained instead of taken as the next
// answer. kMaxDrain bounds the wait on a line that keeps chattering.
inline constexpr std::chrono::milliseconds kQuietGuard{200};
inline constexpr std::chrono::milliseconds kMaxDrain{1000};

// The quiet guard for a link that assumes answerTime. A reply that has not begun when the
// timeout ran out comes, if at all, within about one more answer time: a link probing with a
// short answer time (a scan of a bus) waits no longer than that, and the default keeps
// kQuietGuard.
constexpr std::chrono::milliseconds quietGuard(std::chrono::milliseconds answerTime) {
    return answerTime < kQuietGuard ? answerTime : kQuietGuard;
}
static_assert(quietGuard(kAnswerTime) == kQuietGuard &&
              quietGuard(std::chrono::milliseconds{10}).count() == 10);

// A TCP reader that keeps failing is reconnected after a growing pause: none after the first
// failed call, then kFirstReconnectPause, doubling up to kMaxReconnectPause. Within the pause
// a call fails at once without a connection attempt, so a hung reader whose kernel still
// completes handshakes never collects a backlog of our connections.
inline constexpr std::chrono::milliseconds kFirstReconnectPause{500};
inline constexpr std::chrono::milliseconds kMaxReconnectPause{5000};

// The pause before the next connection attempt after failures calls in a row failed.
constexpr std::chrono::milliseconds reconnectPause(int failures) {
    if (failures <= 1) {
        return std::chrono::milliseconds{0};
    }
    const int doublings = failures - 2 < 4 ? failures - 2 : 4;
    const auto pause = kFirstReconnectPause * (1 << doublings);
    return pause < kMaxReconnectPause ? pause : kMaxReconnectPause;
}
static_assert(reconnectPause(1).count() == 0 && reconnectPause(2).count() == 500 &&
              reconnectPause(3).count() == 1000 && reconnectPause(4).count() == 2000 &&
              reconnectPause(5).count() == 4000 && reconnectPause(6).count() == 5000 &&
              reconnectPause(60).count() == 5000);

}  // namespace reader
