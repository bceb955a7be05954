// The eleven calls of Reader.h over ModbusLink. Nothing may throw across the C ABI.
#include "Reader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "LineTiming.h"
#include "LinkTable.h"
#include "ModbusLink.h"
#include "ReaderRegisters.h"
#include "SerialPortNames.h"

using namespace reader;

namespace {

// Results; callers only tell 0 from the rest, the values help when debugging.
enum : int16_t {
    kOk = 0,
    kNotOpen = 1,      // handle 0, unknown or closed
    kBadArgument = 2,  // refused before any traffic
    kLinkFailed = 3,   // timeout, garbled reply, connection lost
    kRefused = 4,      // the reader answered with an exception or an impossible value
    kInternal = 5,
};

constexpr int32_t kDefaultPort = 4001;
// Pause after a rate change, while the reader switches its own port.
constexpr auto kRateSwitchPause = std::chrono::milliseconds(20);

LinkTable& links() {
    static LinkTable table;
    return table;
}

// Library-wide settings: they apply to the calls that follow, whatever the handle.
std::atomic<int32_t> selectedStation{0};
std::atomic<int32_t> selectedPort{kDefaultPort};

int16_t resultOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok:
            return kOk;
        case Outcome::Exception:
            return kRefused;
        case Outcome::Garbled:
        case Outcome::Broken:
            return kLinkFailed;
    }
    return kInternal;
}

template <class Body>
int16_t guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return kInternal;
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
    return resultOf(link.execute(stationFor(link), request));
}

// A device path ("/dev/...") names the device itself.
std::optional<std::string> devicePath(const char* address) {
    if (address != nullptr && address[0] == '/') {
        return std::string(address);
    }
    return std::nullopt;
}

// Opens a link. With station given, a serial or USB address may name its device directly and
// station, when given, stays with the link.
int16_t openLink(int32_t* handle, uint8_t linkType, const char* address, int32_t port,
                 std::optional<int32_t> station) {
    if (handle == nullptr) {
        return kBadArgument;
    }
    const bool ownSettings = station.has_value();
    std::unique_ptr<ModbusLink> link;
    switch (linkType) {
        case READER_LINK_SERIAL: {
            auto device = ownSettings ? devicePath(address) : std::nullopt;
            if (!device) {
                device = serialDeviceFor(address);
            }
            if (device) {
                link = ModbusLink::openSerial(*device, LinkKind::Serial);
            }
            break;
        }
        case READER_LINK_TCP:
            if (port < 1 || port > 65535) {
                return kBadArgument;
            }
            if (address != nullptr) {
                link = ModbusLink::openTcp(address, port);
            }
            break;
        case READER_LINK_USB: {
            auto device = ownSettings ? devicePath(address) : std::nullopt;
            if (!device && (!ownSettings || address == nullptr)) {
                device = usbDevice();
            }
            if (device) {
                link = ModbusLink::openSerial(*device, LinkKind::Usb);
            }
            break;
        }
        default:
            return kBadArgument;
    }
    if (!link) {
        return kLinkFailed;
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
        return link.switchLineRate(rate) ? kOk : kLinkFailed;
    });
}

int16_t SelectStation(int32_t station) {
    selectedStation.store(station);
    return kOk;
}

int16_t SelectPort(int32_t port) {
    if (port < 1 || port > 65535) {
        return kBadArgument;
    }
    selectedPort.store(port);
    return kOk;
}

int16_t GetParameter(int32_t handle, int32_t address, int32_t length, uint8_t* buffer) {
    return withLink(handle, [&](ModbusLink& link) -> int16_t {
        if (buffer == nullptr || !validRange(address, length)) {
            return kBadArgument;
        }
        std::array<uint16_t, reg::kMaxTransfer> values{};
        const Request request{Function::ReadHolding, static_cast<uint16_t>(address),
                              static_cast<uint16_t>(length)};
        const int16_t result = resultOf(link.execute(stationFor(link), request, values.data()));
        if (result != kOk) {
            return result;
        }
        for (int32_t i = 0; i < length; ++i) {
            if (values[i] > 0xFF) {
                return kRefused;
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
            const int16_t result = resultOf(link.execute(stationFor(link), request));
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
        const int16_t result = resultOf(link.execute(stationFor(link), request, values.data()));
        if (result != kOk) {
            return result;
        }
        for (uint16_t v : values) {
            if (v > 0xFF) {
                return kRefused;
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

int16_t OpenReaderAt(int32_t* handle, uint8_t linkType, const char* address, int32_t port,
                     int32_t station) {
    return guarded([&]() -> int16_t { return openLink(handle, linkType, address, port, station); });
}

}  // extern "C"
