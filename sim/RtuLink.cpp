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

#include "reader/LineTiming.h"
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

Clock::duration RtuLink::byteTime() const {
    return std::chrono::duration_cast<Clock::duration>(reader::byteTime(baudRate(rateCode_)));
}

Clock::duration RtuLink::silence() const {
    return std::max<Clock::duration>(byteTime() * 7 / 2, kMinSilence);
}

void RtuLink::switchRate(int rateCode) {
    if (outSent_ == out_.size()) {
        applyRate(rateCode);
    } else {
        pendingRate_ = rateCode;
    }
}

void RtuLink::applyRate(int rateCode) {
    pendingRate_.reset();
    rateCode_ = rateCode;
    if (slaveFd_ >= 0) {
        return;  // a pseudo-terminal has no line speed; the rate only paces the bytes
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
            const auto due = outStart_ + byteTime() * static_cast<long>(outSent_ + 1);
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
    if (!in_.empty()) {
        poll.wakeAt(lastRx_ + silence());
    }
}

bool RtuLink::dispatch(const PollSet& poll, ModbusHandler& handler, Clock::time_point now) {
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
    if (pendingRate_ && outSent_ == out_.size()) {
        applyRate(*pendingRate_);
    }
    if (deferred_ && deferred_->end <= now) {
        const Deferred request = std::move(*deferred_);
        deferred_.reset();
        answer(request.frame, handler, request.end, now);
    }
    scanFrames(handler, now, now - lastRx_ >= silence());
    if (!writeOutput(Clock::now())) {
        return false;
    }
    if (pendingRate_ && outSent_ == out_.size()) {
        applyRate(*pendingRate_);
    }
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

void RtuLink::scanFrames(ModbusHandler& handler, Clock::time_point now, bool lineQuiet) {
    while (!in_.empty() && !deferred_) {
        const FrameScan scan = findRequest(in_, lineQuiet);
        in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(scan.skip));
        if (scan.length == 0) {
            return;
        }
        takeFrame(scan.length, handler, now);
    }
}

void RtuLink::takeFrame(std::size_t length, ModbusHandler& handler, Clock::time_point now) {
    std::vector<std::uint8_t> frame(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
    if (!lineRate_) {
        answer(frame, handler, now, now);
        return;
    }
    // On a real line the last byte arrives length byte times after the first.
    const auto end = std::max(now, firstRx_ + byteTime() * static_cast<long>(length));
    firstRx_ = end;
    if (end <= now) {
        answer(frame, handler, end, now);
    } else {
        deferred_ = Deferred{std::move(frame), end};
    }
}

void RtuLink::answer(const std::vector<std::uint8_t>& frame, ModbusHandler& handler,
                     Clock::time_point frameEnd, Clock::time_point now) {
    const std::uint8_t unit = frame[0];
    const auto pdu = std::span(frame).subspan(1, frame.size() - 3);
    const auto reply = handler.handle(unit, pdu);
    if (!reply) {
        return;
    }
    std::vector<std::uint8_t> out{unit};
    out.insert(out.end(), reply->begin(), reply->end());
    appendCrc(out);

    if (outSent_ == out_.size()) {
        out_.clear();
        outSent_ = 0;
        // An answer nobody read (its client gave up and closed the terminal) must not be
        // taken for the answer to this request.
        if (slaveFd_ >= 0) {
            ::tcflush(slaveFd_, TCIFLUSH);
        }
        // A reader keeps the frame-ending silence before it answers, 1750 us above 19200 bps.
        outStart_ = lineRate_
                        ? std::max(now, frameEnd + std::chrono::duration_cast<Clock::duration>(
                                                       reader::frameGap(baudRate(rateCode_))))
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
            due = std::min(out_.size(), static_cast<std::size_t>((now - outStart_) / byteTime()));
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
