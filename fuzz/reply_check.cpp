// SPDX-License-Identifier: LGPL-2.1-or-later
// The library's check of an RTU reply to unit 255 on any received bytes. Besides not
// crashing: a call that fails leaves the caller's buffer untouched; Ok only for a reply of
// exactly the expected length, unit, function and CRC, with the values it carries; an
// exception only as a 5-byte frame with a valid CRC; a good reply received in pieces is
// Incomplete at every piece, never Bad; and the correct reply built from the request is Ok.
//
// Input: function selector (0..3: 03, 04, 06, 16), address (2 bytes), quantity, unit, the
// written values of a write (2 bytes each), then the received bytes.

#include <algorithm>
#include <array>

#include "FuzzCheck.h"
#include "reader/ModbusCrc.h"
#include "reader/ReaderRegisters.h"
#include "reader/RtuRawUnit.h"

namespace {

using reader::Function;
using reader::ReplyCheck;

constexpr std::uint16_t kSentinel = 0xBEEF;

void put(std::vector<std::uint8_t>& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

// Checks received; returns the verdict after checking what holds for every verdict.
ReplyCheck check(const reader::Request& request, std::uint8_t unit,
                 std::span<const std::uint8_t> received) {
    std::array<std::uint16_t, 128> values;
    values.fill(kSentinel);
    const ReplyCheck result = reader::checkReply(request, unit, received, values.data());
    const auto function = static_cast<std::uint8_t>(request.function);
    const bool read = reader::isRead(request.function);
    if (result != ReplyCheck::Ok || !read) {
        FUZZ_CHECK(std::all_of(values.begin(), values.end(),
                               [](std::uint16_t v) { return v == kSentinel; }));
    }
    switch (result) {
        case ReplyCheck::Ok:
            FUZZ_CHECK(received.size() == static_cast<std::size_t>(reader::rtuReplyBytes(request)));
            FUZZ_CHECK(received[0] == unit && received[1] == function);
            FUZZ_CHECK(reader::hasValidCrc(received));
            if (read) {
                for (std::size_t i = 0; i < request.count; ++i) {
                    FUZZ_CHECK(values[i] == (received[3 + 2 * i] << 8 | received[4 + 2 * i]));
                }
                FUZZ_CHECK(std::all_of(values.begin() + request.count, values.end(),
                                       [](std::uint16_t v) { return v == kSentinel; }));
            }
            break;
        case ReplyCheck::Exception:
            FUZZ_CHECK(received.size() == 5 && received[0] == unit &&
                       received[1] == (function | 0x80) && reader::hasValidCrc(received));
            break;
        case ReplyCheck::Incomplete:
            FUZZ_CHECK(received.size() < static_cast<std::size_t>(reader::rtuReplyBytes(request)) ||
                       received.size() < 5);
            break;
        case ReplyCheck::Bad:
            break;
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    static constexpr Function kFunctions[] = {Function::ReadHolding, Function::ReadInput,
                                              Function::WriteSingle, Function::WriteMultiple};
    reader::Request request{kFunctions[input.u8() & 3], input.u16(), 0};
    request.count = static_cast<std::uint16_t>(1 + input.u8() % reader::reg::kMaxTransfer);
    const std::uint8_t unit = input.u8();
    const bool write =
        request.function == Function::WriteSingle || request.function == Function::WriteMultiple;
    if (request.function == Function::WriteSingle) {
        request.count = 1;
    } else if (request.function == Function::WriteMultiple) {
        request.count = std::min<std::uint16_t>(request.count, reader::reg::kMaxWriteTransfer);
    }
    std::array<std::uint16_t, reader::reg::kMaxTransfer> written{};
    for (std::size_t i = 0; i < request.count; ++i) {
        written[i] = write ? input.u16() : static_cast<std::uint16_t>(i * 0x0101);
    }
    request.values = written.data();
    const auto function = static_cast<std::uint8_t>(request.function);

    // Whatever arrived.
    const auto received = input.rest();
    const ReplyCheck verdict = check(request, unit, received);
    if (verdict == ReplyCheck::Ok || verdict == ReplyCheck::Exception) {
        for (std::size_t cut = 0; cut < received.size(); ++cut) {
            FUZZ_CHECK(check(request, unit, std::span(received).first(cut)) ==
                       ReplyCheck::Incomplete);
        }
    }

    // The right reply, with values from the input, and its exception form.
    std::vector<std::uint8_t> reply{unit, function};
    std::vector<std::uint16_t> answered;
    switch (request.function) {
        case Function::ReadHolding:
        case Function::ReadInput:
            reply.push_back(static_cast<std::uint8_t>(2 * request.count));
            for (std::size_t i = 0; i < request.count; ++i) {
                const auto value = static_cast<std::uint16_t>(written[i] ^ received.size());
                put(reply, value);
                answered.push_back(value);
            }
            break;
        case Function::WriteSingle:
            put(reply, request.address);
            put(reply, written[0]);
            break;
        case Function::WriteMultiple:
            put(reply, request.address);
            put(reply, request.count);
            break;
    }
    reader::appendCrc(reply);
    const std::vector<std::uint8_t>& good = reply;
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        const ReplyCheck part = check(request, unit, std::span(good).first(cut));
        FUZZ_CHECK(part == (cut == good.size() ? ReplyCheck::Ok : ReplyCheck::Incomplete));
    }
    std::array<std::uint16_t, reader::reg::kMaxTransfer> values{};
    FUZZ_CHECK(reader::checkReply(request, unit, good, values.data()) == ReplyCheck::Ok);
    FUZZ_CHECK(std::equal(answered.begin(), answered.end(), values.begin()));
    std::vector<std::uint8_t> refused{unit, static_cast<std::uint8_t>(function | 0x80),
                                      static_cast<std::uint8_t>(1 + received.size() % 4)};
    reader::appendCrc(refused);
    FUZZ_CHECK(check(request, unit, refused) == ReplyCheck::Exception);
    // A corrupted byte in the good reply is never accepted.
    if (!received.empty()) {
        std::vector<std::uint8_t> corrupted = good;
        corrupted[received[0] % corrupted.size()] ^=
            static_cast<std::uint8_t>(1 + received.size() % 255);
        FUZZ_CHECK(check(request, unit, corrupted) != ReplyCheck::Ok);
    }
    return 0;
}
