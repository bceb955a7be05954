// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// What a frame of the reader's Modbus traffic means, in the parameter model's terms: a
// request as "read 0x91 trigger mode" or "write 0x87 Wiegand protocol = Wiegand 34", a reply
// as the values it carries or the reader's refusal. No Qt: the traffic monitor shows these
// texts, and they are tested on their own.

#include "model/Parameter.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace traffic {

enum class Direction { Request, Reply };

class FrameDecoder {
  public:
    explicit FrameDecoder(model::Language language = model::Language::English)
        : language_(language) {}

    // The meaning of one frame as on the wire: Modbus TCP with its MBAP header, or RTU with
    // its CRC (told apart by the header). A reply is read against the last request of the
    // same link, so a read reply shows the values of the fields read.
    std::string describe(const std::string& link, Direction direction,
                         std::span<const std::uint8_t> frame);
    // Whether the frame last described was a refusal (an exception reply) or garbled.
    bool failed() const { return failed_; }

  private:
    struct Request {
        int function = 0;
        int address = 0;
        int count = 0;
    };
    std::string request(std::span<const std::uint8_t> pdu, const std::string& link);
    std::string reply(std::span<const std::uint8_t> pdu, const std::string& link);
    // "0x91 trigger mode = off; ..." for parameter bytes from address on; values are shown
    // only for fields that lie wholly in the bytes.
    std::string fields(int address, std::span<const std::uint8_t> bytes, bool values) const;
    std::string registerName(int function, int address, int count) const;
    const char* text(const char* english, const char* chinese) const;

    model::Language language_;
    std::map<std::string, Request> pending_;
    bool failed_ = false;
};

}  // namespace traffic
