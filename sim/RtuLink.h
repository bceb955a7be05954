// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ModbusHandler.h"
#include "PollSet.h"

namespace sim {

// Length of the request frame at the start of bytes, when its function code fixes it:
// 0 when more bytes are needed to tell, -1 when the code does not fix a length.
int expectedRequestLength(std::span<const std::uint8_t> bytes);

// Where the next request lies in the bytes received from the line: skip bytes of noise come
// first, then a request frame of length bytes (0: none yet). Until the line goes quiet only
// a frame of known length with a valid CRC at the very start counts. Once it is quiet the
// whole burst is one frame if its CRC holds (an unknown function code, a malformed
// request); otherwise the bytes before the first valid request are noise (a cut-off or
// corrupted frame that reached the reader together with the next one), and without such a
// request all of it is.
struct FrameScan {
    std::size_t skip = 0;
    std::size_t length = 0;
};
FrameScan findRequest(std::span<const std::uint8_t> bytes, bool lineQuiet);

// Serial rate of a rate code 0..6 (2400..115200 bps).
int baudRate(int rateCode);

// Modbus RTU on a serial device or on the reader's own pseudo-terminal. Frames are found by
// their length and CRC, or ended by a silence on the line; frames for other stations are
// skipped whole, so the reader keeps its sync on a shared bus. A frame with a bad CRC, or cut
// short, gets no answer.
class RtuLink {
  public:
    // Throws std::runtime_error when the device cannot be opened or set up.
    static std::unique_ptr<RtuLink> openDevice(const std::string& device, bool lineRate);
    // Creates a pseudo-terminal and makes link a symbolic link to its terminal side.
    static std::unique_ptr<RtuLink> createPty(const std::string& link, bool lineRate);
    ~RtuLink();
    RtuLink(const RtuLink&) = delete;
    RtuLink& operator=(const RtuLink&) = delete;

    // "LINK (/dev/pts/N)" for a pseudo-terminal, else the device.
    std::string describe() const;
    int rateCode() const { return rateCode_; }

    void prepare(PollSet& poll, Clock::time_point now);
    // Returns false when the device has gone away; error() says so.
    bool dispatch(const PollSet& poll, ModbusHandler& handler, Clock::time_point now);
    const std::string& error() const { return error_; }

    // Switches the line to rateCode once the answers already queued have been sent.
    void switchRate(int rateCode);

  private:
    RtuLink(int fd, bool lineRate);
    bool readInput(Clock::time_point now, bool hungUp);
    void scanFrames(ModbusHandler& handler, Clock::time_point now, bool lineQuiet);
    void takeFrame(std::size_t length, ModbusHandler& handler, Clock::time_point now);
    void answer(const std::vector<std::uint8_t>& frame, ModbusHandler& handler,
                Clock::time_point frameEnd, Clock::time_point now);
    bool writeOutput(Clock::time_point now);
    void applyRate(int rateCode);
    Clock::duration byteTime() const;
    Clock::duration silence() const;

    int fd_ = -1;
    int slaveFd_ = -1;  // held open so the pseudo-terminal survives its clients
    std::string device_;
    std::string link_;
    bool lineRate_ = false;
    int rateCode_ = reg::kDefaultRateCode;
    std::optional<int> pendingRate_;
    std::size_t pollIndex_ = 0;
    std::string error_;

    std::vector<std::uint8_t> in_;
    Clock::time_point firstRx_{};  // when the first byte in in_ arrived
    Clock::time_point lastRx_{};

    // A request held back until its last byte would have arrived on a real line.
    struct Deferred {
        std::vector<std::uint8_t> frame;
        Clock::time_point end;
    };
    std::optional<Deferred> deferred_;

    std::vector<std::uint8_t> out_;
    std::size_t outSent_ = 0;
    Clock::time_point outStart_{};  // with line rate: when the first byte of out_ goes out
};

}  // namespace sim
