// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Trace.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace reader::trace {

namespace detail {
std::atomic<bool> on{false};
}

namespace {

std::mutex outputMutex;
std::FILE* output = nullptr;
bool ownsOutput = false;

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
    detail::on.store(false);
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
    detail::on.store(true);
    return true;
}

void request(const std::string& link, std::span<const uint8_t> frame) {
    writeLine(timestamp() + ' ' + link + " -> " + hex(frame));
}

void reply(const std::string& link, std::span<const uint8_t> frame,
           std::chrono::steady_clock::time_point sent) {
    writeLine(timestamp() + ' ' + link + " <- " + hex(frame) + ' ' + elapsedSince(sent));
}

void note(const std::string& link, const std::string& text,
          std::chrono::steady_clock::time_point sent) {
    writeLine(timestamp() + ' ' + link + " !! " + text + ' ' + elapsedSince(sent));
}

}  // namespace reader::trace
