#include "SerialPortNames.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace reader {

namespace {

constexpr int kHighestPort = 8;

std::optional<std::string> environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace

std::optional<std::string> serialDeviceFor(const char* portName) {
    if (portName == nullptr) {
        return std::nullopt;
    }
    const std::string_view name(portName);
    if (name.size() < 4 || name.substr(0, 3) != "COM") {
        return std::nullopt;
    }
    int number = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || *first == '0' || number < 1 ||
        number > kHighestPort) {
        return std::nullopt;
    }
    if (auto configured = environment("READER_COM" + std::to_string(number))) {
        return configured;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
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
