// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

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
           "                    bytes keep their values\n"
           "  -h, --help        print this text and exit\n"
           "  -v, --version     print the version and exit\n"
           "An unknown option is a usage error: exit code 2.\n";
}

const char* version() {
    return "reader-sim " READER_VERSION "\n";
}

Options parseOptions(const std::vector<std::string>& args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption tcp(QStringLiteral("tcp"), QString(), QStringLiteral("ADDR:PORT"));
    const QCommandLineOption serial(QStringLiteral("serial"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption pty(QStringLiteral("pty"), QString(), QStringLiteral("LINK"));
    const QCommandLineOption station(QStringLiteral("station"), QString(), QStringLiteral("N"));
    const QCommandLineOption memory(QStringLiteral("memory"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption firmwareOption(QStringLiteral("firmware"), QString(),
                                            QStringLiteral("A.B.C.D"));
    const QCommandLineOption lineRate(QStringLiteral("line-rate"));
    const QCommandLineOption fail(QStringLiteral("fail"), QString(), QStringLiteral("ADDR"));
    const QCommandLineOption stuck(QStringLiteral("stuck"), QString(), QStringLiteral("ADDR"));
    parser.addOptions(
        {help, version, tcp, serial, pty, station, memory, firmwareOption, lineRate, fail, stuck});

    QStringList arguments{QStringLiteral("reader-sim")};
    for (const std::string& arg : args) {
        arguments << QString::fromStdString(arg);
    }
    if (!parser.parse(arguments)) {
        throw std::invalid_argument(parser.errorText().toStdString());
    }
    if (!parser.positionalArguments().isEmpty()) {
        throw std::invalid_argument("unexpected argument '" +
                                    parser.positionalArguments().constFirst().toStdString() + "'");
    }
    auto value = [&parser](const QCommandLineOption& option) {
        return parser.value(option).toStdString();
    };

    Options options;
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (parser.isSet(tcp)) {
        const std::string text = value(tcp);
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || colon == 0) {
            throw std::invalid_argument("--tcp: '" + text + "' is not ADDR:PORT");
        }
        options.tcpAddress = text.substr(0, colon);
        options.tcpPort =
            static_cast<std::uint16_t>(number(text.substr(colon + 1), "--tcp port", 0, 65535));
    }
    if (parser.isSet(serial)) {
        options.serialDevice = value(serial);
    }
    if (parser.isSet(pty)) {
        options.ptyLink = value(pty);
    }
    if (parser.isSet(station)) {
        options.handler.station = static_cast<int>(number(value(station), "--station", 1, 247));
    }
    if (parser.isSet(memory)) {
        options.memoryFile = value(memory);
    }
    if (parser.isSet(firmwareOption)) {
        options.handler.firmware = firmware(value(firmwareOption));
    }
    options.lineRate = parser.isSet(lineRate);
    for (const QString& range : parser.values(fail)) {
        options.handler.fail.push_back(failRange(range.toStdString()));
    }
    for (const QString& range : parser.values(stuck)) {
        options.handler.stuck.push_back(failRange(range.toStdString(), "--stuck"));
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
