// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Trace.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

namespace reader::trace {

namespace detail {
std::atomic<unsigned> sinks{0};
}

namespace {

std::mutex outputMutex;
std::FILE* output = nullptr;
bool ownsOutput = false;

// The callback and its context, swapped whole. A sink once set is kept for the life of the
// process: another thread may still be calling through it when it is switched.
struct CallbackSink {
    ReaderTraceCallback callback;
    void* context;
};
std::mutex callbackMutex;
std::atomic<const CallbackSink*> callbackSink{nullptr};

bool fileOn() {
    return (detail::sinks.load(std::memory_order_relaxed) & detail::kFile) != 0;
}

void setSink(unsigned sink, bool on) {
    if (on) {
        detail::sinks.fetch_or(sink);
    } else {
        detail::sinks.fetch_and(~sink);
    }
}

// Hands one event to the callback, if one is set.
void emit(uint8_t direction, const std::string& link, std::span<const uint8_t> frame,
          std::span<const uint8_t> tcpHeader, const char* text,
          std::chrono::steady_clock::time_point sent) {
    const CallbackSink* sink = callbackSink.load(std::memory_order_acquire);
    if (sink == nullptr) {
        return;
    }
    std::vector<uint8_t> wire;
    if (!tcpHeader.empty()) {
        wire.assign(tcpHeader.begin(), tcpHeader.end());
        wire.insert(wire.end(), frame.begin(), frame.end());
        frame = wire;
    }
    const auto now = std::chrono::system_clock::now();
    ReaderTraceEvent event{};
    event.time_us =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
    event.link = link.c_str();
    event.direction = direction;
    event.bytes = direction == READER_TRACE_NOTE ? nullptr : frame.data();
    event.length = direction == READER_TRACE_NOTE ? 0 : static_cast<int32_t>(frame.size());
    event.elapsed_us =
        direction == READER_TRACE_REQUEST
            ? 0
            : static_cast<int32_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - sent)
                                       .count());
    event.note = text;
    sink->callback(sink->context, &event);
}

void closeOutput() {
    if (ownsOutput && output != nullptr) {
        std::fclose(output);
    }
    output = nullptr;
    ownsOutput = false;
}

// READER_TRACE is honoured as soon as the library is loaded.
[[maybe_unused]] const bool fromEnvironment = [] {
    setTarget(std::getenv("READER_TRACE"));
    return true;
}();

std::string timestamp() {
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%06ld", static_cast<long>(now.tv_usec));
    return text;
}

std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    char pair[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += pair;
    }
    return text;
}

std::string elapsedSince(std::chrono::steady_clock::time_point sent) {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
    char text[32];
    std::snprintf(text, sizeof text, "(+%.1f ms)", ms);
    return text;
}

void writeLine(const std::string& line) {
    std::lock_guard lock(outputMutex);
    if (output != nullptr) {
        std::fprintf(output, "%s\n", line.c_str());
        std::fflush(output);
    }
}

}  // namespace

bool setTarget(const char* target) {
    std::lock_guard lock(outputMutex);
    setSink(detail::kFile, false);
    closeOutput();
    if (target == nullptr || *target == '\0' || std::strcmp(target, "0") == 0) {
        return true;
    }
    if (std::strcmp(target, "1") == 0 || std::strcmp(target, "stderr") == 0) {
        output = stderr;
    } else {
        output = std::fopen(target, "a");
        if (output == nullptr) {
            return false;
        }
        ownsOutput = true;
    }
    setSink(detail::kFile, true);
    return true;
}

void setCallback(ReaderTraceCallback callback, void* context) {
    static std::vector<std::unique_ptr<CallbackSink>> kept;
    std::lock_guard lock(callbackMutex);
    if (callback == nullptr) {
        callbackSink.store(nullptr, std::memory_order_release);
        setSink(detail::kCallback, false);
        return;
    }
    kept.push_back(std::make_unique<CallbackSink>(CallbackSink{callback, context}));
    callbackSink.store(kept.back().get(), std::memory_order_release);
    setSink(detail::kCallback, true);
}

void request(const std::string& link, std::span<const uint8_t> frame,
             std::span<const uint8_t> tcpHeader) {
    if (fileOn()) {
        writeLine(timestamp() + ' ' + link + " -> " + hex(frame));
    }
    emit(READER_TRACE_REQUEST, link, frame, tcpHeader, nullptr, std::chrono::steady_clock::now());
}

void reply(const std::string& link, std::span<const uint8_t> frame,
           std::chrono::steady_clock::time_point sent, std::span<const uint8_t> tcpHeader) {
    if (fileOn()) {
        writeLine(timestamp() + ' ' + link + " <- " + hex(frame) + ' ' + elapsedSince(sent));
    }
    emit(READER_TRACE_REPLY, link, frame, tcpHeader, nullptr, sent);
}

void note(const std::string& link, const std::string& text,
          std::chrono::steady_clock::time_point sent) {
    if (fileOn()) {
        writeLine(timestamp() + ' ' + link + " !! " + text + ' ' + elapsedSince(sent));
    }
    emit(READER_TRACE_NOTE, link, {}, {}, text.c_str(), sent);
}

}  // namespace reader::trace
