// SPDX-License-Identifier: LGPL-2.1-or-later
#include "SerialPortNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string_view>

namespace reader {

namespace {

namespace fs = std::filesystem;

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

// by-id link target (canonical path) -> link; of two links to one device, the first by name.
std::map<std::string, std::string> byIdLinks(const fs::path& directory) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(directory, ec)) {
        std::error_code ignored;
        const auto target = fs::canonical(entry.path(), ignored);
        if (ignored) {
            continue;
        }
        const auto [link, added] = links.emplace(target.string(), entry.path().string());
        if (!added && entry.path().string() < link->second) {
            link->second = entry.path().string();
        }
    }
    return links;
}

// The first line of a sysfs attribute, white space runs made one space and none at either
// end; nullopt when there is no such attribute.
std::optional<std::string> attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return std::nullopt;
    }
    std::string text;
    bool space = false;
    for (const char c : line) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            space = !text.empty();
            continue;
        }
        if (space) {
            text += ' ';
            space = false;
        }
        text += c;
    }
    return text;
}

// The port type of a serial-core tty (the kernel's PORT_* number: 0 is PORT_UNKNOWN, a
// placeholder without a UART behind it); nullopt for other ttys.
std::optional<int> portType(const fs::path& tty) {
    const auto text = attribute(tty / "type");
    int type = 0;
    if (!text ||
        std::from_chars(text->data(), text->data() + text->size(), type).ec != std::errc()) {
        return std::nullopt;
    }
    return type;
}

// The USB device (the directory with idVendor) that hardware sits on, walking up from it
// while inside sysRoot; nullopt when it is not on USB.
std::optional<fs::path> usbDeviceAbove(const fs::path& hardware, const fs::path& sysRoot) {
    std::error_code ec;
    const fs::path top = fs::canonical(sysRoot, ec);
    if (ec) {
        return std::nullopt;
    }
    for (fs::path dir = fs::canonical(hardware, ec); !ec && dir != top && dir != dir.parent_path();
         dir = dir.parent_path()) {
        if (dir.string().compare(0, top.string().size(), top.string()) != 0) {
            break;  // left the sysfs tree
        }
        if (fs::exists(dir / "idVendor", ec)) {
            return dir;
        }
    }
    return std::nullopt;
}

// Ttys without hardware of their own that are still serial ports: Bluetooth RFCOMM, the USB
// gadget's serial function and tty0tty null-modem pairs.
bool isVirtualSerialPort(std::string_view name) {
    return startsWith(name, "rfcomm") || startsWith(name, "ttyGS") || startsWith(name, "tnt");
}

}  // namespace

std::vector<SerialDevice> serialDevicesIn(const std::string& sysRoot, const std::string& devRoot) {
    const fs::path ttyClass = fs::path(sysRoot) / "class" / "tty";
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ttyClass, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), naturalLess);
    const auto links = byIdLinks(fs::path(devRoot) / "serial" / "by-id");
    std::vector<SerialDevice> devices;
    for (const std::string& name : names) {
        if (startsWith(name, "ttyACM")) {
            continue;  // the reader's own USB port: "USB", not a COM name
        }
        const fs::path tty = ttyClass / name;
        std::string node = name;  // sysfs writes a '/' of a device name as '!'
        std::replace(node.begin(), node.end(), '!', '/');
        const fs::path path = fs::path(devRoot) / node;
        std::error_code ignored;
        if (!fs::exists(path, ignored)) {
            continue;
        }
        SerialDevice device;
        device.path = path.string();
        if (fs::exists(tty / "device", ignored)) {
            if (portType(tty) == 0) {
                continue;  // a serial port the kernel keeps a name for, with no UART behind it
            }
            if (const auto usb = usbDeviceAbove(tty / "device", sysRoot)) {
                device.usb = true;
                device.description = attribute(*usb / "product").value_or("");
                device.manufacturer = attribute(*usb / "manufacturer").value_or("");
                device.serialNumber = attribute(*usb / "serial").value_or("");
            }
        } else if (!isVirtualSerialPort(name)) {
            continue;  // consoles, virtual terminals, the pseudo-terminal master
        }
        const auto link = links.find(fs::canonical(path, ignored).string());
        if (!ignored && link != links.end()) {
            device.byId = link->second;
        }
        device.usb = device.usb || !device.byId.empty() || startsWith(name, "ttyUSB");
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<SerialDevice> systemSerialDevices() {
    return serialDevicesIn("/sys", "/dev");
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
