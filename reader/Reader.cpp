// SPDX-License-Identifier: LGPL-2.1-or-later
// The eleven calls of Reader.h over ModbusLink. Nothing may throw across the C ABI.
#include "Reader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "LineTiming.h"
#include "LinkTable.h"
#include "ModbusLink.h"
#include "ReaderRegisters.h"
#include "SerialPortNames.h"
#include "Trace.h"

using namespace reader;

namespace {

constexpr int16_t kOk = READER_OK;
constexpr int16_t kNotOpen = READER_ERROR_NOT_OPEN;
constexpr int16_t kBadArgument = READER_ERROR_ARGUMENT;
constexpr int16_t kInternal = READER_ERROR_INTERNAL;

// The result and reason of the calling thread's last call.
thread_local int16_t lastCode = kOk;
thread_local std::string lastReason;

int16_t fail(int16_t code, std::string reason) {
    lastCode = code;
    lastReason = std::move(reason);
    return code;
}

int16_t succeed() {
    lastCode = kOk;
    lastReason.clear();
    return kOk;
}

// The reason of a failure on link: "<link>: <what happened>".
int16_t failOn(const ModbusLink& link, const LinkFailure& failure) {
    return fail(failure.code, link.label() + ": " + failure.reason);
}

constexpr int32_t kDefaultPort = 4001;

LinkTable& links() {
    static LinkTable table;
    return table;
}

// Library-wide settings: they apply to the calls that follow, whatever the handle.
std::atomic<int32_t> selectedStation{0};
std::atomic<int32_t> selectedPort{kDefaultPort};

// The result of one exchange on link; the reason is left for the calling thread.
int16_t resultOf(const ModbusLink& link, Outcome outcome) {
    return outcome == Outcome::Ok ? kOk : failOn(link, link.lastFailure());
}

// A value that no parameter byte or version number can hold: the reader answered, wrongly.
int16_t badValue(const ModbusLink& link, uint16_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "value %u from the reader is above 255", value);
    return fail(READER_ERROR_BAD_VALUE, link.label() + ": " + text);
}

// Runs body and leaves its reason: a success clears the last error; a failure that left no
// reason of its own gets a general one.
template <class Body>
int16_t guarded(Body&& body) noexcept {
    try {
        lastCode = kOk;
        lastReason.clear();
        const int16_t result = body();
        if (result == kOk) {
            return succeed();
        }
        if (lastCode != result) {
            switch (result) {
                case kNotOpen:
                    return fail(result, "the handle is not open");
                case kBadArgument:
                    return fail(result, "invalid argument");
                default:
                    return fail(result, "internal error");
            }
        }
        return result;
    } catch (...) {
        return fail(kInternal, "internal error");
    }
}

// Runs body on the open link of handle, with the link to itself.
template <class Body>
int16_t withLink(int32_t handle, Body&& body) noexcept {
    return guarded([&]() -> int16_t {
        const auto link = links().find(handle);
        if (!link) {
            return kNotOpen;
        }
        std::lock_guard lock(link->mutex());
        return body(*link);
    });
}

int32_t stationFor(const ModbusLink& link) {
    return link.stationOr(selectedStation.load());
}

int16_t writeRegister(ModbusLink& link, uint16_t address, uint16_t value) {
    const Request request{Function::WriteSingle, address, 1, &value};
    return resultOf(link, link.execute(stationFor(link), request));
}

// A device path ("/dev/...") names the device itself.
std::optional<std::string> devicePath(const char* address) {
    if (address != nullptr && address[0] == '/') {
        return std::string(address);
    }
    return std::nullopt;
}

// Opens a link. With a station of its own (OpenReaderAt), a serial or USB address may name
// its device directly, and the port and station stay with the link.
int16_t openLink(int32_t* handle, uint8_t linkType, const char* address, int32_t port,
                 std::optional<int32_t> station) {
    if (handle == nullptr) {
        return kBadArgument;
    }
    const bool ownSettings = station.has_value();
    std::unique_ptr<ModbusLink> link;
    LinkFailure failure;
    std::string label;
    switch (linkType) {
        case READER_LINK_SERIAL: {
            std::optional<std::string> device = ownSettings ? devicePath(address) : std::nullopt;
            if (device) {
                label = *device;
            } else if (comPortNumber(address) == 0) {
                return fail(kBadArgument, std::string(address ? address : "(null)") +
                                              ": not a serial port name (COM1..COM8)");
            } else if ((device = serialDeviceFor(address))) {
                label = std::string(address) + " (" + *device + ")";
            } else {
                return fail(READER_ERROR_NO_DEVICE,
                            std::string(address) + ": no such device (no serial port)");
            }
            link = ModbusLink::openSerial(*device, LinkKind::Serial, label, failure);
            break;
        }
        case READER_LINK_TCP:
            if (address == nullptr) {
                return fail(kBadArgument, "no IP address");
            }
            if (port < 1 || port > 65535) {
                return fail(kBadArgument, "TCP port " + std::to_string(port) + " outside 1..65535");
            }
            label = std::string(address) + ':' + std::to_string(port);
            link = ModbusLink::openTcp(address, port, failure);
            break;
        case READER_LINK_USB: {
            std::optional<std::string> device = ownSettings ? devicePath(address) : std::nullopt;
            if (!device && (!ownSettings || address == nullptr)) {
                device = usbDevice();
            }
            if (!device) {
                return fail(READER_ERROR_NO_DEVICE, "USB: no such device (no /dev/ttyACM*)");
            }
            label = "USB (" + *device + ")";
            link = ModbusLink::openSerial(*device, LinkKind::Usb, label, failure);
            break;
        }
        default:
            return fail(kBadArgument, "unknown link type " + std::to_string(linkType));
    }
    if (!link) {
        return fail(failure.code, label + ": " + failure.reason);
    }
    if (station) {
        link->keepStation(*station);
    }
    const int32_t opened = links().add(std::move(link));
    if (opened == 0) {
        return kInternal;
    }
    *handle = opened;
    return kOk;
}

bool validRange(int32_t address, int32_t length) {
    return address >= 0 && address < reg::kMemorySize && length >= 1 &&
           length <= reg::kMaxTransfer && address + length <= reg::kMemorySize;
}

}  // namespace

extern "C" {

int16_t OpenReader(int32_t* handle, uint8_t linkType, const char* address) {
    return guarded([&]() -> int16_t {
        return openLink(handle, linkType, address, selectedPort.load(), std::nullopt);
    });
}

int16_t CloseReader(int32_t handle) {
    // The link closes when the last call still running on it returns.
    return guarded([&]() -> int16_t { return links().remove(handle) ? kOk : kNotOpen; });
}

int16_t ResetReader(int32_t handle) {
    return withLink(handle, [](ModbusLink& link) -> int16_t {
        const int16_t result = writeRegister(link, reg::kCommand, reg::kResetCommand);
        if (result == kOk) {
            link.readerRestarted();
        }
        return result;
    });
}

int16_t SetBaudRate(int32_t handle, int32_t rateCode) {
    const int32_t rate = rateForCode(rateCode);
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (rate == 0) {
            return kBadArgument;
        }
        if (link.kind() != LinkKind::Serial) {
            return kOk;  // no serial line to switch
        }
        // The reader answers at the old rate, then switches.
        const int16_t result = writeRegister(link, reg::kRateCode, static_cast<uint16_t>(rateCode));
        if (result != kOk) {
            return result;
        }
        std::this_thread::sleep_for(kRateSwitchPause);
        if (!link.switchLineRate(rate)) {
            return fail(READER_ERROR_LINK_LOST, link.label() + ": the line rate " +
                                                    std::to_string(rate) + " was not taken");
        }
        return kOk;
    });
}

int16_t SelectStation(int32_t station) {
    selectedStation.store(station);
    return succeed();
}

int16_t SelectPort(int32_t port) {
    if (port < 1 || port > 65535) {
        return fail(kBadArgument, "port " + std::to_string(port) + " is not 1..65535");
    }
    selectedPort.store(port);
    return succeed();
}

int16_t GetParameter(int32_t handle, int32_t address, int32_t length, uint8_t* buffer) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (buffer == nullptr || !validRange(address, length)) {
            return kBadArgument;
        }
        std::array<uint16_t, reg::kMaxTransfer> values{};
        const Request request{Function::ReadHolding, static_cast<uint16_t>(address),
                              static_cast<uint16_t>(length)};
        const int16_t result =
            resultOf(link, link.execute(stationFor(link), request, values.data()));
        if (result != kOk) {
            return result;
        }
        for (int32_t i = 0; i < length; ++i) {
            if (values[i] > 0xFF) {
                return badValue(link, values[i]);
            }
        }
        for (int32_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<uint8_t>(values[i]);
        }
        return kOk;
    });
}

int16_t SetParameter(int32_t handle, int32_t address, int32_t length, const uint8_t* buffer) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (buffer == nullptr || !validRange(address, length)) {
            return kBadArgument;
        }
        std::array<uint16_t, reg::kMaxTransfer> values{};
        for (int32_t i = 0; i < length; ++i) {
            values[i] = buffer[i];
        }
        // Function 16 moves at most 123 registers: a longer write goes out in two parts.
        for (int32_t done = 0; done < length;) {
            const int32_t part = std::min(length - done, reg::kMaxWriteTransfer);
            const Request request{Function::WriteMultiple, static_cast<uint16_t>(address + done),
                                  static_cast<uint16_t>(part), values.data() + done};
            const int16_t result = resultOf(link, link.execute(stationFor(link), request));
            if (result != kOk) {
                return result;
            }
            done += part;
        }
        return kOk;
    });
}

int16_t GetFirmwareVersion(int32_t handle, uint8_t* version) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (version == nullptr) {
            return kBadArgument;
        }
        std::array<uint16_t, reg::kFirmwareCount> values{};
        const Request request{Function::ReadInput, reg::kFirmwareFirst, reg::kFirmwareCount};
        const int16_t result =
            resultOf(link, link.execute(stationFor(link), request, values.data()));
        if (result != kOk) {
            return result;
        }
        for (uint16_t v : values) {
            if (v > 0xFF) {
                return badValue(link, v);
            }
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            version[i] = static_cast<uint8_t>(values[i]);
        }
        return kOk;
    });
}

int16_t GetSdkVersion(int32_t handle, uint8_t* version) {
    return withLink(handle, [&](ModbusLink&) -> int16_t {
        if (version == nullptr) {
            return kBadArgument;
        }
        version[0] = READER_VERSION_MAJOR;
        version[1] = READER_VERSION_MINOR;
        version[2] = READER_VERSION_PATCH;
        version[3] = READER_VERSION_TWEAK;
        return kOk;
    });
}

int16_t SetOLEnable(int32_t handle, uint8_t enable) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        return writeRegister(link, reg::kOffline, enable != 0 ? 1 : 0);
    });
}

int16_t ReaderLastError(char* text, int32_t size) {
    if (text != nullptr && size > 0) {
        const std::size_t room = static_cast<std::size_t>(size) - 1;
        const std::size_t length = std::min(room, lastReason.size());
        std::memcpy(text, lastReason.data(), length);
        text[length] = '\0';
    }
    return lastCode;
}

int16_t ReaderIsLinkFailure(int16_t result) {
    return result >= READER_ERROR_NO_DEVICE && result < READER_ERROR_EXCEPTION ? 1 : 0;
}

int16_t ReaderSetTrace(const char* target) {
    return trace::setTarget(target) ? kOk : kBadArgument;
}

int16_t OpenReaderAt(int32_t* handle, uint8_t linkType, const char* address, int32_t port,
                     int32_t station) {
    return guarded([&]() -> int16_t { return openLink(handle, linkType, address, port, station); });
}

int16_t ReaderSetStation(int32_t handle, int32_t station) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        link.keepStation(station);
        return kOk;
    });
}

int16_t ReaderSetAnswerTime(int32_t handle, int32_t milliseconds) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        const std::chrono::milliseconds answerTime{milliseconds};
        if (answerTime < kMinAnswerTime || answerTime > kMaxAnswerTime) {
            return fail(kBadArgument, "answer time " + std::to_string(milliseconds) +
                                          " ms outside " + std::to_string(kMinAnswerTime.count()) +
                                          ".." + std::to_string(kMaxAnswerTime.count()));
        }
        link.setAnswerTime(answerTime);
        return kOk;
    });
}

int16_t ReaderSetLineRate(int32_t handle, int32_t bitsPerSecond) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (codeForRate(bitsPerSecond) < 0) {
            return fail(kBadArgument, "line rate " + std::to_string(bitsPerSecond) +
                                          " is not one of 2400, 4800, 9600, 19200, 38400, "
                                          "57600, 115200");
        }
        if (link.kind() != LinkKind::Serial) {
            return kOk;  // no serial line to switch
        }
        if (!link.setLineRate(bitsPerSecond)) {
            return fail(READER_ERROR_LINK_LOST, link.label() + ": the line rate " +
                                                    std::to_string(bitsPerSecond) +
                                                    " was not taken");
        }
        return kOk;
    });
}

int16_t ReaderSetTraceCallback(ReaderTraceCallback callback, void* context) {
    trace::setCallback(callback, context);
    return succeed();
}

int16_t ReaderBeginOperation(int32_t handle) {
    return withLink(handle, [](ModbusLink& link) -> int16_t {
        link.beginOperation();
        return kOk;
    });
}

}  // extern "C"
