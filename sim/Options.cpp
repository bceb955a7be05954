// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include "reader/LineTiming.h"

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

// STATION[@RATE]:FILE, the rate in bits per second.
BusStation busStation(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        throw std::invalid_argument("--bus: '" + text + "' is not STATION[@RATE]:FILE");
    }
    const std::string head = text.substr(0, colon);
    const auto at = head.find('@');
    BusStation station;
    station.station = static_cast<int>(number(head.substr(0, at), "--bus station", 1, 247));
    if (at != std::string::npos) {
        const std::string rate = head.substr(at + 1);
        const bool digits = !rate.empty() && rate.size() <= 6 &&
                            rate.find_first_not_of("0123456789") == std::string::npos;
        const int code = digits ? reader::codeForRate(std::stoi(rate)) : -1;
        if (code < 0) {
            throw std::invalid_argument("--bus: '" + rate +
                                        "' is not a rate (2400, 4800, 9600, 19200, 38400, "
                                        "57600, 115200)");
        }
        station.rateCode = code;
    }
    station.memoryFile = text.substr(colon + 1);
    return station;
}

}  // namespace

const char* usage() {
    return "usage: reader-sim [--tcp ADDR:PORT] [--serial DEVICE | --pty LINK] [--station N]\n"
           "                  [--memory FILE] [--firmware A.B.C.D] [--line-rate]\n"
           "                  [--fail ADDR[-ADDR]]... [--stuck ADDR[-ADDR]]...\n"
           "                  [--reply-delay MS]\n"
           "       reader-sim (--serial DEVICE | --pty LINK) --bus STATION[@RATE]:FILE...\n"
           "                  [--firmware A.B.C.D] [--line-rate] [--fail ...] [--stuck ...]\n"
           "                  [--reply-delay MS]\n"
           "A virtual RFID reader: Modbus TCP and/or RTU with a 256-byte parameter memory.\n"
           "  --tcp ADDR:PORT   serve Modbus TCP (port 0 picks a free port); the default\n"
           "                    when neither --serial nor --pty is given is 127.0.0.1:4001\n"
           "  --serial DEVICE   serve Modbus RTU on a serial device (9600 8N1 at start)\n"
           "  --pty LINK        serve Modbus RTU on a new pseudo-terminal linked as LINK\n"
           "  --station N       station number 1..247 (default 1); unit 255 always answers\n"
           "  --memory FILE     keep the parameter memory in FILE (created when missing)\n"
           "  --firmware A.B.C.D  firmware version (default 2.1.0.7)\n"
           "  --line-rate       pace serial bytes at the current rate\n"
           "  --reply-delay MS  answer every request MS milliseconds (0..10000) after it came,\n"
           "                    as a reader's processing time; other clients are served meanwhile\n"
           "  --bus STATION[@RATE]:FILE  a reader on a shared serial line (repeatable): its\n"
           "                    station 1..247, its rate in bps (default 9600) and its memory\n"
           "                    file (created with a serial number ending in the station when\n"
           "                    missing). It answers frames for its station sent at its rate;\n"
           "                    unit 255 reaches every station at that rate and the answers\n"
           "                    collide. Needs --serial or --pty; excludes --tcp, --station\n"
           "                    and --memory\n"
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
    const QCommandLineOption replyDelay(QStringLiteral("reply-delay"), QString(),
                                        QStringLiteral("MS"));
    const QCommandLineOption bus(QStringLiteral("bus"), QString(), QStringLiteral("STATION"));
    parser.addOptions({help, version, tcp, serial, pty, station, memory, firmwareOption, lineRate,
                       fail, stuck, replyDelay, bus});

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
    if (parser.isSet(replyDelay)) {
        options.replyDelay =
            std::chrono::milliseconds(number(value(replyDelay), "--reply-delay", 0, 10000));
    }
    for (const QString& text : parser.values(bus)) {
        const BusStation next = busStation(text.toStdString());
        for (const BusStation& earlier : options.bus) {
            if (earlier.station == next.station) {
                throw std::invalid_argument("--bus: station " + std::to_string(next.station) +
                                            " given twice");
            }
            if (earlier.memoryFile == next.memoryFile) {
                throw std::invalid_argument("--bus: memory file " + next.memoryFile +
                                            " given twice");
            }
        }
        options.bus.push_back(next);
    }
    if (options.serialDevice && options.ptyLink) {
        throw std::invalid_argument("--serial and --pty exclude each other");
    }
    if (!options.bus.empty()) {
        if (!options.serialDevice && !options.ptyLink) {
            throw std::invalid_argument("--bus needs --serial or --pty");
        }
        for (const auto* excluded : {&tcp, &station, &memory}) {
            if (parser.isSet(*excluded)) {
                throw std::invalid_argument("--bus excludes --" +
                                            excluded->names().constFirst().toStdString());
            }
        }
    }
    if (!options.tcpAddress && !options.serialDevice && !options.ptyLink) {
        options.tcpAddress = "127.0.0.1";
        options.tcpPort = 4001;
    }
    return options;
}

}  // namespace sim
