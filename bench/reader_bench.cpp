// SPDX-License-Identifier: LGPL-2.1-or-later
// Round trips of libReader against one reader-sim:
//  - over loopback TCP, GetParameter (1, 16, 29 bytes) and SetParameter (16 bytes) next to the
//    same requests on a plain libmodbus context (the baseline);
//  - over RTU on the simulator's pseudo-terminal with --line-rate, a 16-block export (16 reads
//    of 16 bytes) at 9600 and 115200 bps next to the frame limit of those exchanges (their bytes
//    and the frame-ending silence, 1750 us above 19200 bps, between frames) and next to the
//    bare bytes;
//  - with the simulator stopped (SIGSTOP), 20 queries of the basic page in the real window over
//    TCP and over RTU at 9600 bps, and the longest time the GUI thread went without processing
//    events meanwhile.
// Every row gives the median (p50) and the 99th percentile (p99) of its samples.
// Usage: reader-bench [--iterations N] [--exports N]
#include <modbus/modbus.h>

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTimer>

#include <signal.h>
#include <csignal>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Samples.h"
#include "params/PageIndex.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/Reader.h"
#include "session/ReaderLibrary.h"
#include "tests/support/SimProcess.h"
#include "tests/support/SimWindow.h"

namespace {

// The time of one call in `unit`; every call must succeed.
template <typename Unit>
double timedCall(const std::function<bool()>& call) {
    const auto start = Clock::now();
    if (!call()) {
        std::fprintf(stderr, "reader-bench: a call failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double, Unit>(Clock::now() - start).count();
}

// Two calls measured in alternation, so that both meet the same machine state (CPU
// frequency, scheduler wake-up latency) instead of one block each.
std::pair<Samples, Samples> pairedSamples(int iterations, const std::function<bool()>& first,
                                          const std::function<bool()>& second) {
    for (int i = 0; i < std::max(5, iterations / 20); ++i) {
        first();  // warm-up
        second();
    }
    std::pair<Samples, Samples> samples;
    for (int i = 0; i < iterations; ++i) {
        samples.first.add(timedCall<std::micro>(first));
        samples.second.add(timedCall<std::micro>(second));
    }
    return samples;
}

// A count option's value: a whole number of at least 1 (a median needs one sample), or
// nothing when the text is not one.
std::optional<int> count(const QCommandLineParser& parser, const QCommandLineOption& option) {
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    return ok && value >= 1 ? std::optional<int>(value) : std::nullopt;
}

void printTcpRow(const char* call, std::pair<Samples, Samples> samples) {
    auto& [lib, base] = samples;
    std::printf("  %-22s %8.1f %8.1f %9.1f %8.1f %7.2f\n", call, lib.p50(), lib.p99(), base.p50(),
                base.p99(), lib.p50() / base.p50());
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
    std::printf("Loopback TCP, %d round trips a call (us); ratio of the medians\n", iterations);
    std::printf("  %-22s %8s %8s %9s %8s %7s\n", "call", "lib p50", "lib p99", "raw p50", "raw p99",
                "ratio");
    for (int length : {1, 16, 29}) {
        char call[32];
        std::snprintf(call, sizeof call, "GetParameter %2d bytes", length);
        printTcpRow(
            call,
            pairedSamples(
                iterations,
                [&] { return GetParameter(h, 0xA9 - 29 + length, length, bytes.data()) == 0; },
                [&] {
                    return modbus_read_registers(raw, 0xA9 - 29 + length, length,
                                                 registers.data()) == length;
                }));
    }
    std::array<uint8_t, 16> block{};
    std::array<uint16_t, 16> blockRegisters{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(0x30 + i);
        blockRegisters[i] = block[i];
    }
    // The bench's own block: 0xF0-0xFF of the simulator's throw-away memory file.
    printTcpRow(
        "SetParameter 16 bytes",
        pairedSamples(
            iterations, [&] { return SetParameter(h, 0xF0, 16, block.data()) == 0; },
            [&] { return modbus_write_registers(raw, 0xF0, 16, blockRegisters.data()) == 16; }));
    modbus_close(raw);
    modbus_free(raw);
    CloseReader(h);
}

// An RTU row takes at least this long, so that a fast rate gets enough samples for a median
// that moves little between runs.
constexpr std::chrono::seconds kRtuRowTime{4};

void rtuExports(SimProcess& sim, int exports) {
    qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
    const reader::Request block{reader::Function::ReadHolding, 0, 16};
    const int requestBytes = reader::rtuRequestBytes(block);
    const int replyBytes = reader::rtuReplyBytes(block);
    std::printf(
        "\nRTU on the pseudo-terminal with --line-rate, 16-block export (16 x GetParameter of 16 "
        "bytes), at least %d exports or %lld s a row (ms)\n"
        "  limit: the frames' bytes and the frame-ending silence between them (3.5 characters, "
        "1750 us above 19200 bps); bytes: the bare bytes\n",
        exports, static_cast<long long>(kRtuRowTime.count()));
    std::printf("  %-19s %7s %8s %8s %8s %8s %7s %7s\n", "rate, unit", "exports", "p50", "p99",
                "limit", "bytes", "/limit", "/bytes");
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
            // Nobody waits out the silence after the last reply: the length ends the frame.
            const auto limit = 16 * reader::exchangeWireTime(requestBytes, replyBytes, rate) -
                               reader::frameGap(rate);
            const auto bare = 16 * reader::wireTime(requestBytes + replyBytes, rate);
            const int rounds = std::max(
                exports,
                static_cast<int>(std::ceil(std::chrono::duration<double>(kRtuRowTime) / limit)));
            std::array<uint8_t, 16> bytes{};
            const auto exportAll = [&] {
                for (int b = 0; b < 16; ++b) {
                    if (GetParameter(h, b * 16, 16, bytes.data()) != 0) {
                        return false;
                    }
                }
                return true;
            };
            exportAll();  // warm-up
            Samples times;
            for (int i = 0; i < rounds; ++i) {
                times.add(timedCall<std::milli>(exportAll));
            }
            const double limitMs = milliseconds(limit);
            const double bareMs = milliseconds(bare);
            std::printf("  %6d bps, unit %-3s %7d %8.1f %8.1f %8.1f %8.1f %7.3f %7.3f\n", rate,
                        station == 0 ? "255" : "1", rounds, times.p50(), times.p99(), limitMs,
                        bareMs, times.p50() / limitMs, times.p50() / bareMs);
        }
        SetBaudRate(h, 2);
        CloseReader(h);
    }
}

// Queries of the basic page against a hung reader (reader-sim stopped with SIGSTOP), clicked in
// the real window over TCP and over RTU at 9600 bps, while a 1 ms timer on the GUI thread
// measures the longest time without event processing.
void stoppedReaderQueries(SimProcess& sim, int queries) {
    SharedReaderLibrary library;
    qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
    struct Link {
        const char* name;
        std::unique_ptr<SimWindow> window;
    };
    std::array<Link, 2> links{
        Link{"TCP", std::make_unique<SimWindow>(library, sim.tcpPort())},
        Link{"RTU 9600 bps", std::make_unique<SimWindow>(library, QStringLiteral("COM1"))}};
    for (const Link& link : links) {
        if (!link.window->connected()) {
            std::fprintf(stderr, "reader-bench: the window did not connect over %s\n", link.name);
            std::exit(1);
        }
        link.window->showPage(page::ReaderParameters, 0);
    }
    const auto pid = static_cast<pid_t>(sim.processId());
    ::kill(pid, SIGSTOP);
    std::printf(
        "\nStopped reader, the basic page's query (14 fields) in the window, %d queries in a row "
        "(ms)\n",
        queries);
    std::printf("  %-18s %8s %8s %8s %14s\n", "link", "first", "p50", "p99", "longest stall");
    for (const Link& link : links) {
        Samples times;
        double first = 0;
        double longestStall = 0;
        auto lastTick = Clock::now();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            longestStall = std::max(longestStall, milliseconds(now - lastTick));
            lastTick = now;
        });
        ticker.start(1);
        for (int q = 0; q < queries; ++q) {
            link.window->form.Memo1()->clear();
            const auto start = Clock::now();
            lastTick = start;
            link.window->query();
            const auto end = Clock::now();
            longestStall = std::max(longestStall, milliseconds(end - lastTick));
            const double time = milliseconds(end - start);
            first = q == 0 ? time : first;
            times.add(time);
            // Every field reports its failure, then the summary: the whole query ran.
            if (link.window->messages().size() != 15) {
                std::fprintf(stderr, "reader-bench: a query over %s logged %lld lines, not 15\n",
                             link.name, static_cast<long long>(link.window->messages().size()));
                std::exit(1);
            }
        }
        ticker.stop();
        std::printf("  %-18s %8.1f %8.1f %8.1f %14.1f\n", link.name, first, times.p50(),
                    times.p99(), longestStall);
    }
    ::kill(pid, SIGCONT);
}

}  // namespace

int main(int argc, char** argv) {
    // The window of the stopped-reader rows is never shown on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(READER_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times libReader against reader-sim: round trips next to raw libmodbus "
                       "over TCP, exports next to the frame limit over RTU, and the window's "
                       "basic-page query against a stopped reader."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption iterationsOption(
        QStringLiteral("iterations"), QStringLiteral("Round trips per TCP figure (default 500)."),
        QStringLiteral("N"), QStringLiteral("500"));
    const QCommandLineOption exportsOption(
        QStringLiteral("exports"),
        QStringLiteral("Least exports per RTU figure (default 7); a fast rate takes more, to "
                       "fill %1 s.")
            .arg(kRtuRowTime.count()),
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
