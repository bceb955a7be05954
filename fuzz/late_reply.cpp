// SPDX-License-Identifier: LGPL-2.1-or-later
// The reply reader of a request sent while a late reply to an earlier one may still come, on
// any received bytes in any pieces. Besides not crashing: Ok only for exactly the request's
// own reply frame, with its values; a put-aside frame is exactly the late request's complete
// reply; the late reply alone, in any pieces, never ends the exchange; the late reply followed
// by the request's own reply gives that reply's values; and the request sent in place of the
// asked one covers what was asked.
//
// Input: for the late request and then the asked one each: function selector (0..3: 03, 04, 06,
// 16), address (2 bytes), quantity, written value (2 bytes); the unit; how many values the
// reader answers with, and they (2 bytes each, the others 0); how many piece sizes (up to 8),
// and they (0 = 1); the received bytes.

#include <algorithm>
#include <array>
#include <optional>

#include "FuzzCheck.h"
#include "reader/ModbusCrc.h"
#include "reader/ReaderRegisters.h"
#include "reader/RtuRawUnit.h"

namespace {

using reader::Function;
using reader::Outcome;
using reader::Request;

constexpr std::uint16_t kSentinel = 0xBEEF;

struct Shape {
    Request request;
    std::array<std::uint16_t, reader::reg::kMaxTransfer> written{};
};

Shape shapeFrom(FuzzInput& input) {
    static constexpr Function kFunctions[] = {Function::ReadHolding, Function::ReadInput,
                                              Function::WriteSingle, Function::WriteMultiple};
    Shape shape;
    const Function function = kFunctions[input.u8() & 3];
    const std::uint16_t address = input.u16();
    auto count = static_cast<std::uint16_t>(1 + input.u8() % reader::reg::kMaxTransfer);
    if (function == Function::WriteSingle) {
        count = 1;
    } else if (function == Function::WriteMultiple) {
        count = std::min<std::uint16_t>(count, reader::reg::kMaxWriteTransfer);
    }
    shape.written.fill(input.u16());
    shape.request = {function, address, count, nullptr};
    return shape;
}

std::vector<std::uint8_t> frameOf(std::uint8_t unit, const Request& request,
                                  const std::uint16_t* values) {
    std::vector<std::uint8_t> frame = reader::replyAdu(unit, request, values);
    reader::appendCrc(frame);
    return frame;
}

struct Result {
    std::optional<Outcome> outcome;
    reader::ExchangeDetail detail;
    std::array<std::uint16_t, 126> values{};
    std::vector<std::uint8_t> judged;
};

// Feeds received to a fresh reader in pieces of the given sizes (repeated), until it ends.
Result feed(const Request& request, std::uint8_t unit, const reader::LateReply* late,
            std::span<const std::uint8_t> received, std::span<const std::uint8_t> pieces) {
    Result result;
    result.values.fill(kSentinel);
    reader::ReplyReader reader(request, unit, result.values.data(), late);
    std::size_t at = 0;
    for (std::size_t i = 0; at < received.size() && !result.outcome; ++i) {
        const std::size_t piece =
            pieces.empty() ? 1 : std::max<std::size_t>(1, pieces[i % pieces.size()]);
        const std::size_t n = std::min(piece, received.size() - at);
        result.outcome = reader.take(received.subspan(at, n), result.detail);
        at += n;
    }
    const auto judged = reader.received();
    result.judged.assign(judged.begin(), judged.end());
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Shape lateShape = shapeFrom(input);
    Shape askedShape = shapeFrom(input);
    lateShape.request.values = lateShape.written.data();
    askedShape.request.values = askedShape.written.data();
    const std::uint8_t unit = input.u8();
    std::array<std::uint16_t, 126> answered{};
    const std::size_t answeredCount = input.u8() % (answered.size() + 1);
    for (std::size_t i = 0; i < answeredCount; ++i) {
        answered[i] = input.u16();
    }
    const std::vector<std::uint8_t> pieces = input.bytes(input.u8() % 9);
    const std::vector<std::uint8_t> received = input.rest();

    const reader::LateReply late(unit, lateShape.request, {});
    const std::optional<Request> sent = reader::requestApartFrom(late, unit, askedShape.request);
    if (!sent) {
        return 0;  // the library drains the line instead
    }
    const Request& asked = askedShape.request;
    FUZZ_CHECK(sent->function == asked.function && sent->address <= asked.address &&
               sent->address + sent->count >= asked.address + asked.count);
    FUZZ_CHECK(isRead(asked.function) ? sent->count <= asked.count + 1
                                      : sent->count == asked.count);

    // Whatever arrived.
    const Result any = feed(*sent, unit, &late, received, pieces);
    // Silent means nothing of the request's own reply has come, whatever was put aside.
    FUZZ_CHECK(any.detail.silent == any.judged.empty());
    if (any.outcome == Outcome::Ok) {
        FUZZ_CHECK(any.judged == frameOf(unit, *sent, any.values.data()));
    } else {
        FUZZ_CHECK(std::all_of(any.values.begin(), any.values.end(),
                               [](std::uint16_t v) { return v == kSentinel; }));
    }
    const std::vector<std::uint8_t> lateFrame = frameOf(unit, late.request(), answered.data());
    if (any.detail.lateReplyDropped) {
        FUZZ_CHECK(std::equal(lateFrame.begin(), lateFrame.begin() + 3, received.begin()) ||
                   received[1] == (static_cast<std::uint8_t>(late.function) | 0x80));
    }

    // The late reply alone never ends the exchange; followed by the request's own reply, that
    // reply's values are taken.
    const Result lateAlone = feed(*sent, unit, &late, lateFrame, pieces);
    FUZZ_CHECK(!lateAlone.outcome && lateAlone.detail.lateReplyDropped);
    std::vector<std::uint8_t> both = lateFrame;
    std::array<std::uint16_t, 126> own{};
    for (std::size_t i = 0; i < own.size(); ++i) {
        own[i] = static_cast<std::uint16_t>(answered[i] ^ 0x5A5A);
    }
    const std::vector<std::uint8_t> ownFrame = frameOf(unit, *sent, own.data());
    both.insert(both.end(), ownFrame.begin(), ownFrame.end());
    const Result lateThenOwn = feed(*sent, unit, &late, both, pieces);
    FUZZ_CHECK(lateThenOwn.outcome == Outcome::Ok && lateThenOwn.detail.lateReplyDropped);
    if (isRead(sent->function)) {
        FUZZ_CHECK(std::equal(own.begin(), own.begin() + sent->count, lateThenOwn.values.begin()));
    }
    return 0;
}
