#include "ReaderLink.h"

#include "reader/LineTiming.h"
#include "reader/Reader.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

namespace ctl {

namespace {

constexpr std::string_view kTcp = "tcp:";
constexpr std::string_view kSerial = "serial:";
constexpr std::string_view kUsb = "usb";

std::optional<long long> parseInteger(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string blockText(int block) {
    return fmt::format("block {:X} (0x{:02X}-0x{:02X})", block, block * batchtext::kBlockSize,
                       block * batchtext::kBlockSize + batchtext::kBlockSize - 1);
}

}  // namespace

int parseNumber(std::string_view text, int low, int high, std::string_view what) {
    const auto value = parseInteger(text);
    if (!value || *value < low || *value > high) {
        throw UsageError(fmt::format("{} '{}' is not a number from {} to {} (0x{:X})", what, text,
                                     low, high, high));
    }
    return static_cast<int>(*value);
}

int parseStation(std::string_view text) {
    return parseNumber(text, 1, 247, "station");
}

std::string ReaderName::display() const {
    return station == kAnyStation ? text : fmt::format("{} station {}", text, station);
}

ReaderName parseReaderName(std::string_view text, int station) {
    ReaderName name;
    name.text = std::string(text);
    name.station = station;
    auto bad = [&](std::string_view why) {
        return UsageError(fmt::format("reader '{}': {}", text, why));
    };
    auto number = [&](std::string_view digits, int low, int high, std::string_view what) {
        try {
            return parseNumber(digits, low, high, what);
        } catch (const UsageError& error) {
            throw bad(error.what());
        }
    };
    if (text.starts_with(kTcp)) {
        name.linkType = READER_LINK_TCP;
        std::string_view rest = text.substr(kTcp.size());
        const auto colon = rest.rfind(':');
        if (colon != std::string_view::npos) {
            name.port = number(rest.substr(colon + 1), 1, 65535, "TCP port");
            rest = rest.substr(0, colon);
        }
        if (rest.empty()) {
            throw bad("no host after 'tcp:'");
        }
        name.address = std::string(rest);
    } else if (text.starts_with(kSerial)) {
        name.linkType = READER_LINK_SERIAL;
        std::string_view rest = text.substr(kSerial.size());
        const auto at = rest.rfind('@');
        if (at != std::string_view::npos) {
            name.rate = number(rest.substr(at + 1), 1, 1'000'000, "line rate");
            if (reader::codeForRate(name.rate) < 0) {
                throw bad(
                    "the line rate is not one of 2400, 4800, 9600, 19200, 38400, 57600, "
                    "115200");
            }
            rest = rest.substr(0, at);
        }
        if (rest.empty()) {
            throw bad("no device after 'serial:'");
        }
        const bool comName = rest.starts_with("COM");
        name.address =
            rest.starts_with('/') || comName ? std::string(rest) : "/dev/" + std::string(rest);
    } else if (text == kUsb || text.starts_with("usb:")) {
        name.linkType = READER_LINK_USB;
        if (text.size() > kUsb.size() + 1) {
            const std::string_view device = text.substr(kUsb.size() + 1);
            name.address =
                device.starts_with('/') ? std::string(device) : "/dev/" + std::string(device);
        } else if (text.size() == kUsb.size() + 1) {
            throw bad("no device after 'usb:'");
        }
    } else {
        throw bad("unknown scheme (use tcp:HOST[:PORT], serial:DEVICE[@RATE] or usb[:DEVICE])");
    }
    return name;
}

std::string describeResult(int result) {
    if (result == READER_ERROR_NOT_OPEN) {
        return "link not open";
    }
    if (result == READER_ERROR_ARGUMENT) {
        return "outside the library's limits";
    }
    if (ReaderIsLinkFailure(static_cast<std::int16_t>(result)) != 0) {
        return "no valid answer (timeout or lost link)";
    }
    if (result == READER_ERROR_EXCEPTION || result == READER_ERROR_BAD_VALUE) {
        return "refused by the reader";
    }
    return fmt::format("library error {}", result);
}

std::vector<Field> splitRequests(Field range, int maxBytes) {
    std::vector<Field> requests;
    for (int address = range.address; address < range.end(); address += maxBytes) {
        requests.push_back({address, std::min(maxBytes, range.end() - address)});
    }
    return requests;
}

std::optional<std::string> ReaderLink::readBackMismatch(Field run,
                                                        const batchtext::Memory& target) {
    for (const Field request : readRequests(run)) {
        const Bytes back = read(request);
        for (int i = 0; i < request.width; ++i) {
            const int address = request.address + i;
            const std::uint8_t wrote = target[static_cast<std::size_t>(address)];
            const std::uint8_t held = back[static_cast<std::size_t>(i)];
            if (wrote != held) {
                return fmt::format("{}: verify failed at 0x{:02X}: wrote {}, read back {}",
                                   name_.display(), address, batchtext::hexPair(wrote),
                                   batchtext::hexPair(held));
            }
        }
    }
    return std::nullopt;
}

std::vector<Field> readRequests(Field range) {
    return splitRequests(range, kMaxRead);
}

ReaderLink::ReaderLink(ReaderName name) : name_(std::move(name)) {
    const char* address = name_.address.empty() ? nullptr : name_.address.c_str();
    const int result = OpenReaderAt(&handle_, name_.linkType, address, name_.port, name_.station);
    if (ReaderIsLinkFailure(static_cast<std::int16_t>(result)) != 0) {
        handle_ = 0;
        throw ReaderError(
            fmt::format("{}: cannot open the link: no connection (refused, "
                        "unreachable or no such device)",
                        name_.display()));
    }
    if (result != 0) {
        handle_ = 0;
        fail("cannot open the link", result);
    }
    if (name_.rate != 0 && name_.rate != reader::kOpeningRate) {
        if (const int rateResult = SetBaudRate(handle_, reader::codeForRate(name_.rate));
            rateResult != 0) {
            // Silent at 9600: the reader may run at RATE already (as readerctl scan finds
            // it), and then keeps it when the link closes.
            std::uint8_t version[4] = {};
            if (rateResult != READER_ERROR_TIMEOUT ||
                ReaderSetLineRate(handle_, name_.rate) != READER_OK ||
                GetFirmwareVersion(handle_, version) != READER_OK) {
                CloseReader(handle_);
                handle_ = 0;
                fail(fmt::format("cannot switch the line to {} bps", name_.rate), rateResult);
            }
            return;
        }
        rateSwitched_ = true;
    }
}

ReaderLink::~ReaderLink() {
    if (handle_ == 0) {
        return;
    }
    if (rateSwitched_) {
        // Back to the rate the reader answers at after it starts.
        SetBaudRate(handle_, reader::codeForRate(
                                 reader::kOpeningRate));  // best effort: the link closes either way
    }
    CloseReader(handle_);
}

void ReaderLink::fail(const std::string& what, int result) const {
    throw ReaderError(fmt::format("{}: {}: {}", name_.display(), what, describeResult(result)),
                      result >= READER_ERROR_EXCEPTION);
}

Bytes ReaderLink::read(Field range) {
    Bytes bytes(static_cast<std::size_t>(std::max(range.width, 0)));
    ++requests_;
    const int result = GetParameter(handle_, range.address, range.width, bytes.data());
    if (result != 0) {
        fail(fmt::format("reading 0x{:02X}+{}", range.address, range.width), result);
    }
    return bytes;
}

batchtext::Memory ReaderLink::readMemory() {
    batchtext::Memory memory{};
    for (const Field request : readRequests({0, batchtext::kMemorySize})) {
        ++requests_;
        const int result =
            GetParameter(handle_, request.address, request.width, memory.data() + request.address);
        if (result == 0) {
            continue;
        }
        // Name the block that fails: read the request's blocks one by one.
        const int first = request.address / batchtext::kBlockSize;
        const int last = (request.end() - 1) / batchtext::kBlockSize;
        for (int block = first; block <= last; ++block) {
            const int address = block * batchtext::kBlockSize;
            ++requests_;
            const int blockResult =
                GetParameter(handle_, address, batchtext::kBlockSize, memory.data() + address);
            if (blockResult != 0) {
                fail("reading " + blockText(block), blockResult);
            }
        }
    }
    return memory;
}

void ReaderLink::write(int address, const std::uint8_t* bytes, int length) {
    for (const Field part : splitRequests({address, length}, kMaxWrite)) {
        ++requests_;
        const int result =
            SetParameter(handle_, part.address, part.width, bytes + (part.address - address));
        if (result != 0) {
            fail(fmt::format("writing 0x{:02X}-0x{:02X}", part.address, part.end() - 1), result);
        }
    }
}

std::string ReaderLink::firmwareVersion() {
    std::uint8_t version[4] = {};
    ++requests_;
    if (const int result = GetFirmwareVersion(handle_, version); result != 0) {
        fail("reading the firmware version", result);
    }
    return fmt::format("{}.{}.{}.{}", version[0], version[1], version[2], version[3]);
}

void ReaderLink::reset() {
    ++requests_;
    if (const int result = ResetReader(handle_); result != 0) {
        fail("reset", result);
    }
    rateSwitched_ = false;  // the reader and the line are back at 9600
}

}  // namespace ctl
