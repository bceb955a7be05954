// Round trips of libReader against one reader-sim:
//  - over loopback TCP, GetParameter (1, 16, 29 bytes) and SetParameter (16 bytes) next to the
//    same requests on a plain libmodbus context (the baseline);
//  - over RTU on the simulator's pseudo-terminal with --line-rate, a 16-block export (16 reads
//    of 16 bytes) at 9600 and 115200 bps next to the wire-time limit of those frames.
// Usage: reader-bench [--iterations N] [--exports N]
#include <modbus/modbus.h>

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/Reader.h"
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

int argument(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A median needs at least one sample; 0, a negative count or a typo would read past it.
    const int iterations = std::max(1, argument(argc, argv, "--iterations", 500));
    const int exports = std::max(1, argument(argc, argv, "--exports", 7));

    SimProcess::Options options;
    options.tcp = true;
    options.pty = true;
    options.lineRate = true;
    SimProcess sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "reader-bench: reader-sim did not start\n");
        return 1;
    }
    tcpRoundTrips(sim, iterations);
    rtuExports(sim, exports);
    sim.stop();
    return 0;
}
