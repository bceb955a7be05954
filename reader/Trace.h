// SPDX-License-Identifier: LGPL-2.1-or-later
// The traffic trace: every request and reply as timestamped hex with its link and the time
// since the request. Switched by READER_TRACE at load time or by ReaderSetTrace. When it is
// off, a call costs one relaxed atomic load.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace reader::trace {

namespace detail {
extern std::atomic<bool> on;
}

inline bool enabled() {
    return detail::on.load(std::memory_order_relaxed);
}

// target: nullptr or "" off, "1" or "stderr" standard error, else a file appended to.
// False when the file cannot be opened (tracing is then off).
bool setTarget(const char* target);

// One line: "<time> <link> -> <hex>" for a request, "<- <hex> (+elapsed)" for a reply.
void request(const std::string& link, std::span<const uint8_t> frame);
void reply(const std::string& link, std::span<const uint8_t> frame,
           std::chrono::steady_clock::time_point sent);
// A line without bytes: "no answer within 520 ms (+520.3 ms)".
void note(const std::string& link, const std::string& text,
          std::chrono::steady_clock::time_point sent);

}  // namespace reader::trace
