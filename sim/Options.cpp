#include "Options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace sim {
namespace {

// Decimal, or hex with 0x. A leading 0 is not octal: "010" is ten.
long number(const std::string& text, const std::string& option, long min, long max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(digits.c_str(), &end, hex ? 16 : 10);
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0])) || *end != '\0' ||
        errno != 0 || value < min || value > max) {
        throw std::invalid_argument(option + ": '" + text + "' is not a number from " +
                                    std::to_string(min) + " to " + std::to_string(max));
    }
    return value;
}

FailRange failRange(const std::string& text, const std::string& option = "--fail") {
    const auto dash = text.find('-');
    const std::string first = dash == std::string::npos ? text : text.substr(0, dash);
    const std::string last = dash == std::string::npos ? text : text.substr(dash + 1);
    FailRange range{static_cast<int>(number(first, option, 0, 0xFF)),
                    static_cast<int>(number(last, option, 0, 0xFF))};
    if (range.last < range.first) {
        throw std::invalid_argument(option + ": '" + text + "' ends before it starts");
    }
    return range;
}

std::array<std::uint16_t, 4> firmware(const std::string& text) {
    std::array<std::uint16_t, 4> parts{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto dot = text.find('.', start);
        if ((i < 3) == (dot == std::string::npos)) {
            throw std::invalid_argument("--firmware: '" + text + "' is not A.B.C.D");
        }
        const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) {
            throw std::invalid_argument("--firmware: '" + text + "' is not A.B.C.D");
        }
        parts[i] = static_cast<std::uint16_t>(number(part, "--firmware", 0, 255));
        start = dot + 1;
    }
    return parts;
}

}  // namespace

const char* usage() {
    return "usage: reader-sim [--tcp ADDR:PORT] [--serial DEVICE | --pty LINK] [--station N]\n"
           "                  [--memory FILE] [--firmware A.B.C.D] [--line-rate]\n"
           "                  [--fail ADDR[-ADDR]]... [--stuck ADDR[-ADDR]]...\n"
           "A virtual RFID reader: Modbus TCP and/or RTU with a 256-byte parameter memory.\n"
           "  --tcp ADDR:PORT   serve Modbus TCP (port 0 picks a free port); the default\n"
           "                    when neither --serial nor --pty is given is 127.0.0.1:4001\n"
           "  --serial DEVICE   serve Modbus RTU on a serial device (9600 8N1 at start)\n"
           "  --pty LINK        serve Modbus RTU on a new pseudo-terminal linked as LINK\n"
           "  --station N       station number 1..247 (default 1); unit 255 always answers\n"
           "  --memory FILE     keep the parameter memory in FILE (created when missing)\n"
           "  --firmware A.B.C.D  firmware version (default 2.1.0.7)\n"
           "  --line-rate       pace serial bytes at the current rate\n"
           "  --fail ADDR[-ADDR]  accesses touching these parameter addresses fail (exception "
           "04)\n"
           "  --stuck ADDR[-ADDR]  writes to these parameter addresses are acknowledged but the\n"
           "                    bytes keep their values\n";
}

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--tcp") {
            const std::string& text = value();
            const auto colon = text.rfind(':');
            if (colon == std::string::npos || colon == 0) {
                throw std::invalid_argument("--tcp: '" + text + "' is not ADDR:PORT");
            }
            options.tcpAddress = text.substr(0, colon);
            options.tcpPort =
                static_cast<std::uint16_t>(number(text.substr(colon + 1), "--tcp port", 0, 65535));
        } else if (arg == "--serial") {
            options.serialDevice = value();
        } else if (arg == "--pty") {
            options.ptyLink = value();
        } else if (arg == "--station") {
            options.handler.station = static_cast<int>(number(value(), "--station", 1, 247));
        } else if (arg == "--memory") {
            options.memoryFile = value();
        } else if (arg == "--firmware") {
            options.handler.firmware = firmware(value());
        } else if (arg == "--line-rate") {
            options.lineRate = true;
        } else if (arg == "--fail") {
            options.handler.fail.push_back(failRange(value()));
        } else if (arg == "--stuck") {
            options.handler.stuck.push_back(failRange(value(), "--stuck"));
        } else {
            throw std::invalid_argument("unknown option '" + arg + "'");
        }
    }
    if (options.serialDevice && options.ptyLink) {
        throw std::invalid_argument("--serial and --pty exclude each other");
    }
    if (!options.tcpAddress && !options.serialDevice && !options.ptyLink) {
        options.tcpAddress = "127.0.0.1";
        options.tcpPort = 4001;
    }
    return options;
}

}  // namespace sim
