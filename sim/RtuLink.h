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
#include "reader/LineTiming.h"

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
//
// The line serves either one reader (serve) or a bus of stations (addBusStation), each with
// its own request logic and rate. On a bus a frame reaches the stations whose rate is the
// line's speed when it comes (the speed the other end set on the terminal); the stations
// that heard a frame for unit 255 all answer at once and their answers collide.
class RtuLink {
  public:
    // Throws std::runtime_error when the device cannot be opened or set up.
    static std::unique_ptr<RtuLink> openDevice(const std::string& device, bool lineRate);
    // Creates a pseudo-terminal and makes link a symbolic link to its terminal side.
    static std::unique_ptr<RtuLink> createPty(const std::string& link, bool lineRate);
    ~RtuLink();
    RtuLink(const RtuLink&) = delete;
    RtuLink& operator=(const RtuLink&) = delete;

    // The one reader of a point-to-point line: it answers whatever speed the line runs at,
    // and a rate written to it switches the line (a serial device's speed, the pacing).
    void serve(ModbusHandler& handler);
    // A reader on a shared bus, at rateCode: a rate written to it switches that station only.
    void addBusStation(ModbusHandler& handler, int rateCode);
    // A station answers this long after its request came in, and ignores the line meanwhile.
    void setReplyDelay(Clock::duration delay) { replyDelay_ = delay; }

    // "LINK (/dev/pts/N)" for a pseudo-terminal, else the device.
    std::string describe() const;

    void prepare(PollSet& poll, Clock::time_point now);
    // Returns false when the device has gone away; error() says so.
    bool dispatch(const PollSet& poll, Clock::time_point now);
    const std::string& error() const { return error_; }

    // Switches the station of handler to rateCode once the answers already queued have been
    // sent.
    void switchRate(const ModbusHandler& handler, int rateCode);

  private:
    // A request frame and when its last byte came, at the line's speed then (bits per second;
    // 0 when it is none of the readers' rates).
    struct Request {
        std::vector<std::uint8_t> frame;
        Clock::time_point end;
        int bitsPerSecond = 0;
    };
    struct Station {
        ModbusHandler* handler = nullptr;
        int rateCode = reg::kDefaultRateCode;
        std::optional<int> pendingRate;
        // The request being processed (reply delay) and when it is answered; stations that
        // heard the same frame share its number.
        std::optional<Request> processing;
        Clock::time_point due{};
        std::uint64_t frameNumber = 0;
    };

    RtuLink(int fd, bool lineRate);
    bool readInput(Clock::time_point now, bool hungUp);
    void scanFrames(Clock::time_point now, bool lineQuiet);
    void takeFrame(std::size_t length, Clock::time_point now);
    void deliver(Request request, Clock::time_point now);
    void answerDue(Clock::time_point now);
    void send(std::vector<std::vector<std::uint8_t>> answers, const Request& request, int rateCode,
              Clock::time_point now);
    bool writeOutput(Clock::time_point now);
    void applyRate(Station& station, int rateCode);
    void applyPendingRates();
    int lineBitsPerSecond() const;
    int inputBitsPerSecond() const;
    Clock::duration silence() const;

    int fd_ = -1;
    int slaveFd_ = -1;  // held open so the pseudo-terminal survives its clients
    std::string device_;
    std::string link_;
    bool lineRate_ = false;
    bool bus_ = false;
    std::vector<Station> stations_;
    Clock::duration replyDelay_{};
    std::uint64_t frames_ = 0;
    std::size_t pollIndex_ = 0;
    std::string error_;

    std::vector<std::uint8_t> in_;
    Clock::time_point firstRx_{};  // when the first byte in in_ arrived
    Clock::time_point lastRx_{};
    int heardBitsPerSecond_ = 0;  // on a bus: the line's speed when the last bytes came

    // A request held back until its last byte would have arrived on a real line.
    std::optional<Request> deferred_;

    std::vector<std::uint8_t> out_;
    std::size_t outSent_ = 0;
    Clock::time_point outStart_{};  // with line rate: when the first byte of out_ goes out
    int outBitsPerSecond_ = reader::kOpeningRate;
};

// What the master hears when several stations answer one frame at once: each starts a byte
// after the one before and the bits on the line are the OR of theirs; never a valid frame.
std::vector<std::uint8_t> collide(const std::vector<std::vector<std::uint8_t>>& answers);

}  // namespace sim
