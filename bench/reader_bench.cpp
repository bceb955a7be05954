// Round trips of libReader against one reader-sim:
//  - over loopback TCP, GetParameter (1, 16, 29 bytes) and SetParameter (16 bytes) next to the
//    same requests on a plain libmodbus context (the baseline);
//  - over RTU on the simulator's pseudo-terminal with --line-rate, a 16-block export (16 reads
//    of 16 bytes) at 9600 and 115200 bps next to the wire-time limit of those frames;
//  - with the simulator stopped (SIGSTOP), 20 page queries of 14 fields over TCP and over RTU
//    at 9600 bps, as the window makes them (off-thread library, dead-link guard), and the
//    longest time the calling thread went without processing events.
// Usage: reader-bench [--iterations N] [--exports N]
#include <modbus/modbus.h>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <signal.h>
#include <csignal>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "reader/DeadLinkGuard.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/OffThreadReaderLibrary.h"
#include "reader/Reader.h"
#include "reader/ReaderLibrary.h"
#include "tests/support/SimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double medianOf(std::vector<double>& times) {
    std::nth_element(times.begin(), times.begin() + static_cast<long>(times.size() / 2),
                     times.end());
    return times[times.size() / 2];
}

double timedCall(const std::function<bool()>& call) {
    const auto start = Clock::now();
    if (!call()) {
        std::fprintf(stderr, "reader-bench: a call failed\n");
        std::exit(1);
    }
    return microseconds(Clock::now() - start);
}

// Median time of one call in microseconds; every call must succeed.
double median(int iterations, const std::function<bool()>& call) {
    for (int i = 0; i < std::max(5, iterations / 20); ++i) {
        call();  // warm-up
    }
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        times.push_back(timedCall(call));
    }
    return medianOf(times);
}

// Median times of two calls measured in alternation, so that both meet the same machine
// state (CPU frequency, scheduler wake-up latency) instead of one block each.
std::pair<double, double> pairedMedians(int iterations, const std::function<bool()>& first,
                                        const std::function<bool()>& second) {
    for (int i = 0; i < std::max(5, iterations / 20); ++i) {
        first();  // warm-up
        second();
    }
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    firstTimes.reserve(static_cast<std::size_t>(iterations));
    secondTimes.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        firstTimes.push_back(timedCall(first));
        secondTimes.push_back(timedCall(second));
    }
    return {medianOf(firstTimes), medianOf(secondTimes)};
}

// A count option's value: a whole number of at least 1 (a median needs one sample), or
// nothing when the text is not one.
std::optional<int> count(const QCommandLineParser& parser, const QCommandLineOption& option) {
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    return ok && value >= 1 ? std::optional<int>(value) : std::nullopt;
}

void tcpRoundTrips(SimProcess& sim, int iterations) {
    SelectPort(sim.tcpPort());
    SelectStation(0);
    int32_t h = 0;
    if (OpenReader(&h, READER_LINK_TCP, "127.0.0.1") != 0) {
        std::fprintf(stderr, "reader-bench: OpenReader over TCP failed\n");
        std::exit(1);
    }
    modbus_t* raw = modbus_new_tcp("127.0.0.1", sim.tcpPort());
    if (raw == nullptr || modbus_connect(raw) != 0) {
        std::fprintf(stderr, "reader-bench: libmodbus connect failed\n");
        std::exit(1);
    }
    modbus_set_slave(raw, 255);

    std::array<uint8_t, 29> bytes{};
    std::array<uint16_t, 29> registers{};
    std::printf("Loopback TCP, median of %d round trips (us)\n", iterations);
    std::printf("  %-24s %10s %10s %7s\n", "call", "libReader", "libmodbus", "ratio");
    for (int length : {1, 16, 29}) {
        const auto [lib, base] = pairedMedians(
            iterations,
            [&] { return GetParameter(h, 0xA9 - 29 + length, length, bytes.data()) == 0; },
            [&] {
                return modbus_read_registers(raw, 0xA9 - 29 + length, length, registers.data()) ==
                       length;
            });
        std::printf("  GetParameter %2d bytes    %10.1f %10.1f %7.2f\n", length, lib, base,
                    lib / base);
    }
    std::array<uint8_t, 16> block{};
    std::array<uint16_t, 16> blockRegisters{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(0x30 + i);
        blockRegisters[i] = block[i];
    }
    // The bench's own block: 0xF0-0xFF of the simulator's throw-away memory file.
    const auto [lib, base] = pairedMedians(
        iterations, [&] { return SetParameter(h, 0xF0, 16, block.data()) == 0; },
        [&] { return modbus_write_registers(raw, 0xF0, 16, blockRegisters.data()) == 16; });
    std::printf("  SetParameter 16 bytes    %10.1f %10.1f %7.2f\n", lib, base, lib / base);
    modbus_close(raw);
    modbus_free(raw);
    CloseReader(h);
}

void rtuExports(SimProcess& sim, int exports) {
    qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
    const reader::Request block{reader::Function::ReadHolding, 0, 16};
    std::printf(
        "\nRTU on the pseudo-terminal with --line-rate, 16-block export "
        "(16 x GetParameter of 16 bytes), median of %d (ms)\n",
        exports);
    std::printf("  %-22s %10s %12s %7s\n", "rate, unit", "libReader", "wire limit", "ratio");
    for (const int station : {0, 1}) {
        SelectStation(station);
        int32_t h = 0;
        if (OpenReader(&h, READER_LINK_SERIAL, "COM1") != 0) {
            std::fprintf(stderr, "reader-bench: OpenReader over RTU failed\n");
            std::exit(1);
        }
        for (const int code : {2, 6}) {
            if (SetBaudRate(h, code) != 0) {
                std::fprintf(stderr, "reader-bench: SetBaudRate(%d) failed\n", code);
                std::exit(1);
            }
            const int32_t rate = reader::rateForCode(code);
            std::array<uint8_t, 16> bytes{};
            const double lib = median(exports,
                                      [&] {
                                          for (int b = 0; b < 16; ++b) {
                                              if (GetParameter(h, b * 16, 16, bytes.data()) != 0) {
                                                  return false;
                                              }
                                          }
                                          return true;
                                      }) /
                               1000.0;
            const double limit =
                16 *
                microseconds(reader::exchangeWireTime(reader::rtuRequestBytes(block),
                                                      reader::rtuReplyBytes(block), rate)) /
                1000.0;
            std::printf("  %6d bps, unit %-6s %10.1f %12.1f %7.2f\n", rate,
                        station == 0 ? "255" : "1", lib, limit, lib / limit);
        }
        SetBaudRate(h, 2);
        CloseReader(h);
    }
}

// A page query of 14 two-byte fields against a hung reader (reader-sim stopped with SIGSTOP),
// made as the window makes it: through the off-thread library and a dead-link guard, while a
// 1 ms timer on this (the "GUI") thread measures the longest time without event processing.
void stoppedReaderQueries(SimProcess& sim, int queries) {
    SharedReaderLibrary shared;
    OffThreadReaderLibrary library(shared);
    qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
    library.SelectStation(0);
    library.SelectPort(sim.tcpPort());
    int32_t tcp = 0;
    int32_t rtu = 0;
    if (library.OpenReader(&tcp, READER_LINK_TCP, "127.0.0.1") != 0 ||
        library.OpenReader(&rtu, READER_LINK_SERIAL, "COM1") != 0) {
        std::fprintf(stderr, "reader-bench: OpenReader before the stop failed\n");
        std::exit(1);
    }
    const auto pid = static_cast<pid_t>(sim.processId());
    ::kill(pid, SIGSTOP);
    std::printf(
        "\nStopped reader, basic page query (14 fields of 2 bytes) through the off-thread "
        "library, %d queries (ms)\n",
        queries);
    std::printf("  %-18s %8s %8s %8s %14s\n", "link", "first", "p50", "p99", "longest stall");
    for (const auto& [name, handle] : {std::pair{"TCP", tcp}, std::pair{"RTU 9600 bps", rtu}}) {
        std::vector<double> times;
        double longestStall = 0;
        auto lastTick = Clock::now();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            longestStall = std::max(longestStall, microseconds(now - lastTick) / 1000.0);
            lastTick = now;
        });
        ticker.start(1);
        for (int q = 0; q < queries; ++q) {
            DeadLinkGuard guard;
            std::array<uint8_t, 2> bytes{};
            const auto start = Clock::now();
            lastTick = start;
            for (int field = 0; field < 14; ++field) {
                guard.run(library, [&] {
                    return library.GetParameter(handle, 0x10 + 2 * field, 2, bytes.data());
                });
            }
            const auto end = Clock::now();
            longestStall = std::max(longestStall, microseconds(end - lastTick) / 1000.0);
            times.push_back(microseconds(end - start) / 1000.0);
        }
        ticker.stop();
        const double first = times.front();
        std::sort(times.begin(), times.end());
        const auto at = [&times](double fraction) {
            return times[std::min(times.size() - 1,
                                  static_cast<std::size_t>(fraction * double(times.size())))];
        };
        std::printf("  %-18s %8.1f %8.1f %8.1f %14.1f\n", name, first, at(0.5), at(0.99),
                    longestStall);
    }
    ::kill(pid, SIGCONT);
    library.CloseReader(tcp);
    library.CloseReader(rtu);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(READER_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times libReader round trips against reader-sim, next to raw libmodbus "
                       "over TCP and next to the wire-time limit over RTU."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption iterationsOption(
        QStringLiteral("iterations"), QStringLiteral("Round trips per TCP figure (default 500)."),
        QStringLiteral("N"), QStringLiteral("500"));
    const QCommandLineOption exportsOption(QStringLiteral("exports"),
                                           QStringLiteral("Exports per RTU figure (default 7)."),
                                           QStringLiteral("N"), QStringLiteral("7"));
    parser.addOptions({iterationsOption, exportsOption});
    const auto usageError = [&parser](const QString& message) {
        std::fprintf(stderr, "reader-bench: %s\n\n%s", qPrintable(message),
                     qPrintable(parser.helpText()));
        return 2;
    };
    if (!parser.parse(QCoreApplication::arguments())) {
        return usageError(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(QStringLiteral("unexpected argument '%1'")
                              .arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("reader-bench %s\n", READER_VERSION);
        return 0;
    }
    const std::optional<int> iterations = count(parser, iterationsOption);
    const std::optional<int> exports = count(parser, exportsOption);
    if (!iterations || !exports) {
        return usageError(QStringLiteral("--iterations and --exports take a number of at least 1"));
    }

    SimProcess::Options options;
    options.tcp = true;
    options.pty = true;
    options.lineRate = true;
    SimProcess sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "reader-bench: reader-sim did not start\n");
        return 1;
    }
    tcpRoundTrips(sim, *iterations);
    rtuExports(sim, *exports);
    stoppedReaderQueries(sim, 20);
    sim.stop();
    return 0;
}
