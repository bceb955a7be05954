// SPDX-License-Identifier: LGPL-2.1-or-later
// The traffic trace: every request and reply as timestamped hex with its link and the time
// since the request, switched by READER_TRACE at load time or by ReaderSetTrace; and the
// same events handed to a program's callback (ReaderSetTraceCallback). When both are off, a
// call costs one relaxed atomic load.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "Reader.h"

namespace reader::trace {

namespace detail {
// Which of the two sinks are on: kFile, kCallback.
extern std::atomic<unsigned> sinks;
inline constexpr unsigned kFile = 1;
inline constexpr unsigned kCallback = 2;
}  // namespace detail

inline bool enabled() {
    return detail::sinks.load(std::memory_order_relaxed) != 0;
}

// target: nullptr or "" off, "1" or "stderr" standard error, else a file appended to.
// False when the file cannot be opened (tracing is then off).
bool setTarget(const char* target);
// callback nullptr switches the callback off.
void setCallback(ReaderTraceCallback callback, void* context);

// One line: "<time> <link> -> <hex>" for a request, "<- <hex> (+elapsed)" for a reply.
// The callback gets tcpHeader (a TCP frame's MBAP header) and frame together: the frame as on
// the wire. The text line shows frame alone.
void request(const std::string& link, std::span<const uint8_t> frame,
             std::span<const uint8_t> tcpHeader = {});
void reply(const std::string& link, std::span<const uint8_t> frame,
           std::chrono::steady_clock::time_point sent, std::span<const uint8_t> tcpHeader = {});
// A line without bytes: "no answer within 520 ms (+520.3 ms)".
void note(const std::string& link, const std::string& text,
          std::chrono::steady_clock::time_point sent);

}  // namespace reader::trace
