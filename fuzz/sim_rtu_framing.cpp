// SPDX-License-Identifier: LGPL-2.1-or-later
// The simulator's RTU framing on any byte stream cut into bursts, some of them followed by
// a quiet line. Besides not crashing: a frame is taken only with a valid CRC and never
// shorter than unit + function + CRC (the handler relies on that); nothing but a frame at the
// very start is taken while the line is busy; a quiet line always makes progress, so the
// buffer drains; every byte is either part of exactly one frame or skipped as noise; and a
// well-formed request is found whole, also behind noise.
//
// Input: a request (unit, function selector, address, then the quantity and values of a
// write of several registers or the 2-byte field of the others), then bursts as a flags byte
// (bit 0: the line goes quiet after it), length, bytes.

#include <algorithm>

#include "FuzzCheck.h"
#include "reader/ModbusCrc.h"
#include "reader/ReaderRegisters.h"
#include "sim/RtuLink.h"

namespace {

struct Framer {
    std::vector<std::uint8_t> buffer;
    std::size_t framed = 0;   // bytes taken as frames
    std::size_t skipped = 0;  // bytes dropped as noise
    std::vector<std::vector<std::uint8_t>> frames;

    void scan(bool quiet) {
        while (!buffer.empty()) {
            const sim::FrameScan scan = sim::findRequest(buffer, quiet);
            FUZZ_CHECK(scan.skip + scan.length <= buffer.size());
            FUZZ_CHECK(quiet || scan.skip == 0);
            FUZZ_CHECK(!quiet || scan.skip + scan.length > 0);
            if (scan.length > 0) {
                const auto frame = std::span(buffer).subspan(scan.skip, scan.length);
                FUZZ_CHECK(scan.length >= 4);
                FUZZ_CHECK(reader::hasValidCrc(frame));
                const int expected = sim::expectedRequestLength(frame);
                FUZZ_CHECK(static_cast<std::size_t>(expected) == scan.length ||
                           (quiet && scan.skip == 0 && scan.length == buffer.size()));
                frames.emplace_back(frame.begin(), frame.end());
            }
            skipped += scan.skip;
            framed += scan.length;
            buffer.erase(buffer.begin(),
                         buffer.begin() + static_cast<std::ptrdiff_t>(scan.skip + scan.length));
            if (scan.length == 0) {
                break;
            }
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);

    // A well-formed request made from the input.
    const std::uint8_t unit = input.u8();
    static constexpr std::uint8_t kFunctions[] = {0x03, 0x04, 0x06, 0x10};
    const std::uint8_t function = kFunctions[input.u8() & 3];
    std::vector<std::uint8_t> request{unit, function, input.u8(), input.u8()};
    if (function == 0x10) {
        const auto count =
            static_cast<std::uint8_t>(1 + input.u8() % reader::reg::kMaxWriteTransfer);
        request.insert(request.end(), {0, count, static_cast<std::uint8_t>(2 * count)});
        for (int i = 0; i < 2 * count; ++i) {
            request.push_back(input.u8());
        }
    } else {
        request.push_back(input.u8());
        request.push_back(input.u8());
    }
    reader::appendCrc(request);
    FUZZ_CHECK(sim::expectedRequestLength(request) == static_cast<int>(request.size()));
    for (std::size_t cut = 0; cut < request.size(); ++cut) {
        const int length = sim::expectedRequestLength(std::span(request).first(cut));
        FUZZ_CHECK(length == 0 || length == static_cast<int>(request.size()));
    }

    // On a fresh line the request is one frame, even before the line is quiet.
    {
        Framer framer;
        framer.buffer = request;
        framer.scan(false);
        FUZZ_CHECK(framer.frames.size() == 1 && framer.frames[0] == request);
    }

    // The rest of the input as bursts of noise, each maybe followed by a quiet line.
    Framer framer;
    std::size_t total = 0;
    while (input.remaining() > 0) {
        const bool quiet = (input.u8() & 1) != 0;
        const auto burst = input.bytes(input.u8());
        framer.buffer.insert(framer.buffer.end(), burst.begin(), burst.end());
        total += burst.size();
        framer.scan(false);
        if (quiet) {
            framer.scan(true);
        }
    }
    // Noise, then the request: once the line is quiet everything is taken or dropped, and
    // the request is the last frame, whole, unless the noise ends in a request of its own
    // that swallows its first bytes.
    framer.buffer.insert(framer.buffer.end(), request.begin(), request.end());
    total += request.size();
    framer.scan(false);
    framer.scan(true);
    FUZZ_CHECK(framer.buffer.empty());
    FUZZ_CHECK(framer.framed + framer.skipped == total);
    if (framer.framed > 0) {
        std::size_t sum = 0;
        for (const auto& frame : framer.frames) {
            sum += frame.size();
        }
        FUZZ_CHECK(sum == framer.framed);
    }
    return 0;
}
