// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RtuLink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "reader/ModbusCrc.h"

namespace sim {
namespace {

using namespace std::chrono_literals;
using reader::appendCrc;
using reader::hasValidCrc;

// Serial drivers and USB adapters hand bytes over in bursts a few milliseconds apart, so the
// silence that ends a frame is never taken shorter than this.
constexpr Clock::duration kMinSilence = 20ms;

constexpr std::size_t kMaxFrame = 256;  // the largest Modbus RTU frame
constexpr std::size_t kMaxPending = 16 * kMaxFrame;

constexpr std::array<speed_t, 7> kSpeeds{B2400, B4800, B9600, B19200, B38400, B57600, B115200};

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void makeRaw(int fd, speed_t speed) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        throw systemError("not a terminal");
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CRTSCTS);
    // VMIN 1: an empty non-blocking read says EAGAIN, so a read of 0 bytes means hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        throw systemError("cannot set up the terminal");
    }
}

}  // namespace

int expectedRequestLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2) {
        return 0;
    }
    switch (bytes[1]) {
        case 0x03:
        case 0x04:
        case 0x06:
            return 8;
        case 0x10:
            return bytes.size() < 7 ? 0 : 9 + bytes[6];
        default:
            return -1;
    }
}

namespace {

bool validRequestAt(std::span<const std::uint8_t> bytes, std::size_t* length) {
    const int expected = expectedRequestLength(bytes);
    if (expected <= 0 || bytes.size() < static_cast<std::size_t>(expected) ||
        !hasValidCrc(bytes.first(static_cast<std::size_t>(expected)))) {
        return false;
    }
    *length = static_cast<std::size_t>(expected);
    return true;
}

}  // namespace

FrameScan findRequest(std::span<const std::uint8_t> bytes, bool lineQuiet) {
    std::size_t length = 0;
    if (validRequestAt(bytes, &length)) {
        return {0, length};
    }
    if (!lineQuiet || bytes.empty()) {
        return {};
    }
    if (bytes.size() >= 4 && hasValidCrc(bytes)) {
        return {0, bytes.size()};
    }
    for (std::size_t offset = 1; offset < bytes.size(); ++offset) {
        if (validRequestAt(bytes.subspan(offset), &length)) {
            return {offset, length};
        }
    }
    return {bytes.size(), 0};
}

int baudRate(int rateCode) {
    return reader::kRates.at(static_cast<std::size_t>(rateCode));
}

RtuLink::RtuLink(int fd, bool lineRate) : fd_(fd), lineRate_(lineRate) {}

std::unique_ptr<RtuLink> RtuLink::openDevice(const std::string& device, bool lineRate) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw systemError("cannot open " + device);
    }
    std::unique_ptr<RtuLink> link(new RtuLink(fd, lineRate));
    link->device_ = device;
    try {
        makeRaw(fd, B9600);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(device + ": " + e.what());
    }
    ::tcflush(fd, TCIOFLUSH);
    return link;
}

std::unique_ptr<RtuLink> RtuLink::createPty(const std::string& linkPath, bool lineRate) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        throw systemError("cannot create a pseudo-terminal");
    }
    std::unique_ptr<RtuLink> link(new RtuLink(master, lineRate));
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        throw systemError("cannot unlock the pseudo-terminal");
    }
    const char* name = ::ptsname(master);
    if (!name) {
        throw systemError("pseudo-terminal without a name");
    }
    link->device_ = name;
    link->slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (link->slaveFd_ < 0) {
        throw systemError("cannot open " + link->device_);
    }
    // Echo or line editing on the terminal side would mangle binary frames until a client
    // sets the line up itself.
    makeRaw(link->slaveFd_, B9600);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            throw std::runtime_error(linkPath + " exists and is not a symbolic link");
        }
        ::unlink(linkPath.c_str());
    }
    if (::symlink(name, linkPath.c_str()) != 0) {
        throw systemError("cannot create " + linkPath);
    }
    link->link_ = linkPath;
    return link;
}

RtuLink::~RtuLink() {
    if (!link_.empty()) {
        // Only remove the link while it still leads to this reader's terminal.
        char target[256] = {};
        const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
        if (n > 0 && device_ == std::string(target, static_cast<std::size_t>(n))) {
            ::unlink(link_.c_str());
        }
    }
    if (slaveFd_ >= 0) {
        ::close(slaveFd_);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string RtuLink::describe() const {
    return link_.empty() ? device_ : link_ + " (" + device_ + ")";
}

namespace {

Clock::duration byteTime(int bitsPerSecond) {
    return std::chrono::duration_cast<Clock::duration>(reader::byteTime(bitsPerSecond));
}

}  // namespace

std::vector<std::uint8_t> collide(const std::vector<std::vector<std::uint8_t>>& answers) {
    std::vector<std::uint8_t> line;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        line.resize(std::max(line.size(), i + answers[i].size()), 0);
        for (std::size_t j = 0; j < answers[i].size(); ++j) {
            line[i + j] |= answers[i][j];
        }
    }
    if (answers.size() > 1 && hasValidCrc(line)) {
        line.back() ^= 0xFF;  // a garbled frame whose CRC happens to hold is still garbled
    }
    return line;
}

void RtuLink::serve(ModbusHandler& handler) {
    bus_ = false;
    stations_.assign(1, Station{});
    stations_.front().handler = &handler;
}

void RtuLink::addBusStation(ModbusHandler& handler, int rateCode) {
    bus_ = true;
    Station station;
    station.handler = &handler;
    station.rateCode = rateCode;
    stations_.push_back(std::move(station));
}

int RtuLink::lineBitsPerSecond() const {
    // On a pseudo-terminal's master side the terminal settings are those of the other side,
    // where the master of the bus set its speed.
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        return 0;
    }
    const auto speed = std::find(kSpeeds.begin(), kSpeeds.end(), ::cfgetospeed(&tio));
    return speed == kSpeeds.end() ? 0 : baudRate(static_cast<int>(speed - kSpeeds.begin()));
}

int RtuLink::inputBitsPerSecond() const {
    if (!bus_) {
        return baudRate(stations_.front().rateCode);
    }
    return heardBitsPerSecond_ != 0 ? heardBitsPerSecond_ : reader::kOpeningRate;
}

Clock::duration RtuLink::silence() const {
    return std::max<Clock::duration>(byteTime(inputBitsPerSecond()) * 7 / 2, kMinSilence);
}

void RtuLink::switchRate(const ModbusHandler& handler, int rateCode) {
    for (Station& station : stations_) {
        if (station.handler != &handler) {
            continue;
        }
        if (outSent_ == out_.size()) {
            applyRate(station, rateCode);
        } else {
            station.pendingRate = rateCode;
        }
    }
}

void RtuLink::applyPendingRates() {
    if (outSent_ != out_.size()) {
        return;
    }
    for (Station& station : stations_) {
        if (station.pendingRate) {
            applyRate(station, *station.pendingRate);
        }
    }
}

void RtuLink::applyRate(Station& station, int rateCode) {
    station.pendingRate.reset();
    station.rateCode = rateCode;
    // A pseudo-terminal has no line speed of its own: the rate paces the bytes. A bus station
    // switches its own port, never the line's.
    if (slaveFd_ >= 0 || bus_) {
        return;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfsetispeed(&tio, kSpeeds.at(static_cast<std::size_t>(rateCode)));
        ::cfsetospeed(&tio, kSpeeds.at(static_cast<std::size_t>(rateCode)));
        // TCSADRAIN: the answer still leaves at the old rate.
        ::tcsetattr(fd_, TCSADRAIN, &tio);
    }
}

void RtuLink::prepare(PollSet& poll, Clock::time_point now) {
    short events = POLLIN;
    if (outSent_ < out_.size()) {
        if (!lineRate_) {
            events |= POLLOUT;
        } else {
            // A byte is handed over once it would have been fully on the wire.
            const auto due =
                outStart_ + byteTime(outBitsPerSecond_) * static_cast<long>(outSent_ + 1);
            if (due <= now) {
                events |= POLLOUT;
            } else {
                poll.wakeAt(due);
            }
        }
    }
    pollIndex_ = poll.add(fd_, events);
    if (deferred_) {
        poll.wakeAt(deferred_->end);
    }
    for (const Station& station : stations_) {
        if (station.processing) {
            poll.wakeAt(station.due);
        }
    }
    if (!in_.empty()) {
        poll.wakeAt(lastRx_ + silence());
    }
}

bool RtuLink::dispatch(const PollSet& poll, Clock::time_point now) {
    const short events = poll.revents(pollIndex_);
    if (events & (POLLIN | POLLHUP | POLLERR)) {
        if (!readInput(now, (events & POLLHUP) != 0)) {
            return false;
        }
        if (events & (POLLHUP | POLLERR)) {
            // Never poll a dead line in a busy loop.
            error_ = "serial device " + device_ + " went away: hang-up";
            return false;
        }
    }
    applyPendingRates();
    if (deferred_ && deferred_->end <= now) {
        Request request = std::move(*deferred_);
        deferred_.reset();
        deliver(std::move(request), now);
    }
    answerDue(now);
    scanFrames(now, now - lastRx_ >= silence());
    if (!writeOutput(Clock::now())) {
        return false;
    }
    applyPendingRates();
    return true;
}

bool RtuLink::readInput(Clock::time_point now, bool hungUp) {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            if (in_.empty()) {
                firstRx_ = now;
            }
            lastRx_ = now;
            if (bus_) {
                heardBitsPerSecond_ = lineBitsPerSecond();
            }
            in_.insert(in_.end(), buffer, buffer + n);
            if (in_.size() > kMaxPending) {
                // A line that never goes quiet: keep room for one frame at the end.
                in_.erase(in_.begin(), in_.end() - kMaxFrame);
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        if (n == 0 && !hungUp) {
            return true;  // someone set VMIN 0 on the line: an empty read, not an end
        }
        // End of file or EIO: the device was unplugged or its other end closed.
        error_ = "serial device " + device_ + " went away: " +
                 (n == 0 ? std::string("end of file") : std::string(std::strerror(errno)));
        return false;
    }
}

void RtuLink::scanFrames(Clock::time_point now, bool lineQuiet) {
    while (!in_.empty() && !deferred_) {
        const FrameScan scan = findRequest(in_, lineQuiet);
        in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(scan.skip));
        if (scan.length == 0) {
            return;
        }
        takeFrame(scan.length, now);
    }
}

void RtuLink::takeFrame(std::size_t length, Clock::time_point now) {
    Request request;
    request.frame.assign(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
    request.bitsPerSecond = bus_ ? heardBitsPerSecond_ : inputBitsPerSecond();
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
    request.end = now;
    if (!lineRate_) {
        deliver(std::move(request), now);
        return;
    }
    // On a real line the last byte arrives length byte times after the first.
    request.end =
        std::max(now, firstRx_ + byteTime(inputBitsPerSecond()) * static_cast<long>(length));
    firstRx_ = request.end;
    if (request.end <= now) {
        deliver(std::move(request), now);
    } else {
        deferred_ = std::move(request);
    }
}

void RtuLink::deliver(Request request, Clock::time_point now) {
    const std::uint8_t unit = request.frame[0];
    const std::uint64_t number = ++frames_;
    std::vector<std::vector<std::uint8_t>> answers;
    int rateCode = reg::kDefaultRateCode;
    for (Station& station : stations_) {
        // A station busy with an earlier request misses the frame, as does one at another
        // rate, to which the bytes are noise.
        if (!station.handler->answers(unit) || station.processing ||
            (bus_ && baudRate(station.rateCode) != request.bitsPerSecond)) {
            continue;
        }
        rateCode = station.rateCode;
        if (replyDelay_ > Clock::duration::zero()) {
            station.processing = request;
            station.due = request.end + replyDelay_;
            station.frameNumber = number;
            continue;
        }
        const auto pdu = std::span(request.frame).subspan(1, request.frame.size() - 3);
        if (auto reply = station.handler->handle(unit, pdu)) {
            reply->insert(reply->begin(), unit);
            appendCrc(*reply);
            answers.push_back(std::move(*reply));
        }
    }
    send(std::move(answers), request, rateCode, now);
}

void RtuLink::answerDue(Clock::time_point now) {
    for (;;) {
        const auto next = std::find_if(stations_.begin(), stations_.end(), [&](const Station& s) {
            return s.processing && s.due <= now;
        });
        if (next == stations_.end()) {
            return;
        }
        // Every station that heard this frame answers it now, together.
        const std::uint64_t number = next->frameNumber;
        const Request request = *next->processing;
        std::vector<std::vector<std::uint8_t>> answers;
        for (Station& station : stations_) {
            if (!station.processing || station.frameNumber != number) {
                continue;
            }
            station.processing.reset();
            const std::uint8_t unit = request.frame[0];
            const auto pdu = std::span(request.frame).subspan(1, request.frame.size() - 3);
            if (auto reply = station.handler->handle(unit, pdu)) {
                reply->insert(reply->begin(), unit);
                appendCrc(*reply);
                answers.push_back(std::move(*reply));
            }
        }
        send(std::move(answers), request, next->rateCode, now);
    }
}

void RtuLink::send(std::vector<std::vector<std::uint8_t>> answers, const Request& request,
                   int rateCode, Clock::time_point now) {
    if (answers.empty()) {
        return;
    }
    const std::vector<std::uint8_t> out =
        answers.size() == 1 ? std::move(answers.front()) : collide(answers);
    if (outSent_ == out_.size()) {
        out_.clear();
        outSent_ = 0;
        // An answer nobody read (its client gave up and closed the terminal) must not be
        // taken for the answer to this request.
        if (slaveFd_ >= 0) {
            ::tcflush(slaveFd_, TCIFLUSH);
        }
        outBitsPerSecond_ = baudRate(rateCode);
        // A reader keeps the frame-ending silence before it answers, 1750 us above 19200 bps.
        outStart_ = lineRate_
                        ? std::max(now, request.end + std::chrono::duration_cast<Clock::duration>(
                                                          reader::frameGap(outBitsPerSecond_)))
                        : now;
    }
    out_.insert(out_.end(), out.begin(), out.end());
}

bool RtuLink::writeOutput(Clock::time_point now) {
    while (outSent_ < out_.size()) {
        std::size_t due = out_.size();
        if (lineRate_) {
            if (now < outStart_) {
                return true;
            }
            due = std::min(out_.size(), static_cast<std::size_t>((now - outStart_) /
                                                                 byteTime(outBitsPerSecond_)));
            if (due <= outSent_) {
                return true;
            }
        }
        const ssize_t n = ::write(fd_, out_.data() + outSent_, due - outSent_);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return true;
            }
            error_ = "serial device " + device_ + " went away: " + std::strerror(errno);
            return false;
        }
        outSent_ += static_cast<std::size_t>(n);
        if (lineRate_) {
            return true;
        }
    }
    return true;
}

}  // namespace sim
