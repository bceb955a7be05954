#include "SerialPortNames.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>

namespace reader {

namespace {

std::optional<std::string> environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The number at the end of a device name (ttyS12 -> 12), -1 without one.
int trailingNumber(std::string_view path) {
    std::size_t first = path.size();
    while (first > 0 && path[first - 1] >= '0' && path[first - 1] <= '9') {
        --first;
    }
    int number = -1;
    std::from_chars(path.data() + first, path.data() + path.size(), number);
    return number;
}

// ttyS2 before ttyS10: by the name without its number, then by the number.
bool naturalLess(const std::string& a, const std::string& b) {
    const auto stem = [](const std::string& s) {
        return s.substr(0, s.find_last_not_of("0123456789") + 1);
    };
    const std::string stemA = stem(a);
    const std::string stemB = stem(b);
    if (stemA != stemB) {
        return stemA < stemB;
    }
    return trailingNumber(a) < trailingNumber(b);
}

std::mutex sourceMutex;
std::function<std::vector<SerialDevice>()> deviceSource;

// by-id link target (canonical path) -> link.
std::map<std::string, std::string> byIdLinks() {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/serial/by-id", ec)) {
        std::error_code ignored;
        const auto target = std::filesystem::canonical(entry.path(), ignored);
        if (!ignored) {
            links.emplace(target.string(), entry.path().string());
        }
    }
    return links;
}

}  // namespace

std::vector<SerialDevice> systemSerialDevices() {
    const auto links = byIdLinks();
    std::vector<SerialDevice> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDevice device;
        device.path = port.systemLocation().toStdString();
        if (startsWith(port.portName().toStdString(), "ttyACM")) {
            continue;  // the reader's own USB port: "USB", not a COM name
        }
        const auto link = links.find(device.path);
        if (link != links.end()) {
            device.byId = link->second;
        }
        device.usb = !device.byId.empty() || port.hasVendorIdentifier() ||
                     startsWith(port.portName().toStdString(), "ttyUSB");
        device.description = port.description().toStdString();
        device.manufacturer = port.manufacturer().toStdString();
        device.serialNumber = port.serialNumber().toStdString();
        devices.push_back(std::move(device));
    }
    return devices;
}

std::array<ComPort, kComPortCount> comPortsFrom(
    std::vector<SerialDevice> found,
    const std::array<std::optional<std::string>, kComPortCount>& configured) {
    std::erase_if(found, [&](const SerialDevice& d) {
        return std::any_of(configured.begin(), configured.end(), [&](const auto& path) {
            return path && (*path == d.path || (!d.byId.empty() && *path == d.byId));
        });
    });
    std::stable_sort(found.begin(), found.end(), [](const SerialDevice& a, const SerialDevice& b) {
        if (a.usb != b.usb) {
            return a.usb;
        }
        if (a.usb) {
            const std::string& keyA = a.byId.empty() ? a.path : a.byId;
            const std::string& keyB = b.byId.empty() ? b.path : b.byId;
            return keyA < keyB;
        }
        return naturalLess(a.path, b.path);
    });
    std::array<ComPort, kComPortCount> ports{};
    auto next = found.begin();
    for (int i = 0; i < kComPortCount; ++i) {
        if (configured[i]) {
            ports[i].device = *configured[i];
            ports[i].configured = true;
            continue;
        }
        if (next != found.end()) {
            ports[i].device = next->path;
            ports[i].info = *next;
            ++next;
        }
    }
    return ports;
}

std::array<ComPort, kComPortCount> comPorts() {
    std::array<std::optional<std::string>, kComPortCount> configured;
    for (int i = 0; i < kComPortCount; ++i) {
        configured[i] = environment("READER_COM" + std::to_string(i + 1));
    }
    std::vector<SerialDevice> found;
    {
        std::lock_guard lock(sourceMutex);
        found = deviceSource ? deviceSource() : systemSerialDevices();
    }
    const std::vector<SerialDevice> all = found;
    auto ports = comPortsFrom(std::move(found), configured);
    // A configured path that the system also reports keeps the system's description.
    for (ComPort& port : ports) {
        if (!port.configured) {
            continue;
        }
        for (const SerialDevice& d : all) {
            if (port.device == d.path || (!d.byId.empty() && port.device == d.byId)) {
                port.info = d;
            }
        }
    }
    return ports;
}

int comPortNumber(const char* portName) {
    if (portName == nullptr) {
        return 0;
    }
    const std::string_view name(portName);
    if (name.size() < 4 || name.substr(0, 3) != "COM") {
        return 0;
    }
    int number = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || *first == '0' || number < 1 ||
        number > kComPortCount) {
        return 0;
    }
    return number;
}

std::optional<std::string> serialDeviceFor(const char* portName) {
    const int number = comPortNumber(portName);
    if (number == 0) {
        return std::nullopt;
    }
    // The configured name alone needs no enumeration.
    if (auto configured = environment("READER_COM" + std::to_string(number))) {
        return configured;
    }
    const auto ports = comPorts();
    const std::string& device = ports[static_cast<std::size_t>(number - 1)].device;
    if (device.empty()) {
        return std::nullopt;
    }
    return device;
}

void setSerialDeviceSource(std::function<std::vector<SerialDevice>()> source) {
    std::lock_guard lock(sourceMutex);
    deviceSource = std::move(source);
}

std::optional<std::string> usbDevice() {
    if (auto configured = environment("READER_USB")) {
        return configured;
    }
    // Lowest number first: ttyACM2 before ttyACM10.
    std::optional<std::string> best;
    int bestNumber = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        const std::string file = entry.path().filename().string();
        constexpr std::string_view prefix = "ttyACM";
        if (file.size() <= prefix.size() || file.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        int number = 0;
        const char* first = file.data() + prefix.size();
        const char* last = file.data() + file.size();
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last) {
            continue;
        }
        if (!best || number < bestNumber) {
            best = entry.path().string();
            bestNumber = number;
        }
    }
    return best;
}

}  // namespace reader
