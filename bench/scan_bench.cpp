// SPDX-License-Identifier: LGPL-2.1-or-later
// The scan routine (scan/) against a simulated RS-485 bus (reader-sim --bus --line-rate, so
// every byte takes its time on the pseudo-terminal as on a real line), with the scan's own
// answer time:
//  - three readers among stations 1-20 at 9600 bps;
//  - three readers among stations 1-247 at 9600 bps.
// Each row gives the median and the longest of its runs next to the wire limit: the least
// time the scan's frames and the silences that end them occupy the line, every probe's
// request and (awaited) reply, and the firmware and serial number reads of each reader found
// (reader/LineTiming.h). A silent station costs the answer time beyond that.
// Usage: reader-scan-bench [--runs N] [--answer-time MS]
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Samples.h"
#include "reader/LineTiming.h"
#include "scan/LineScan.h"
#include "tests/support/SimProcess.h"

namespace {

struct Row {
    const char* name;
    std::string stations;
    QStringList readers;  // stations at 9600 bps
    double targetSeconds;
};

int numberArgument(int argc, char** argv, const char* option, int fallback, int low, int high) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) {
            const int value = std::atoi(argv[i + 1]);
            if (value < low || value > high) {
                std::fprintf(stderr, "reader-scan-bench: %s takes %d..%d\n", option, low, high);
                std::exit(2);
            }
            return value;
        }
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: reader-scan-bench [--runs N] [--answer-time MS]\n"
                "Times scans of a simulated bus (reader-sim --bus --line-rate) next to the wire "
                "limit of their frames.\n");
            return 0;
        }
    }
    const int runs = numberArgument(argc, argv, "--runs", 3, 1, 100);
    const auto answerTime = std::chrono::milliseconds(numberArgument(
        argc, argv, "--answer-time", static_cast<int>(scan::kScanAnswerTime.count()), 1, 5000));
    constexpr int kRate = reader::kOpeningRate;

    const std::vector<Row> rows{
        {"3 readers, stations 1-20", "1-20", {"3", "9", "17"}, 1.5},
        {"3 readers, stations 1-247", "1-247", {"5", "120", "247"}, 12.0},
    };
    std::printf(
        "Scans at %d bps on reader-sim --bus --line-rate, answer time %lld ms "
        "(a silent station: %.1f ms), %d runs a row (s)\n",
        kRate, static_cast<long long>(answerTime.count()),
        milliseconds(scan::probeTimeout(answerTime, kRate)), runs);
    std::printf(
        "  limit: each probe's request and reply and the silence after each, and each "
        "reader's serial number read\n");
    std::printf("  %-27s %6s %7s %7s %7s %7s %7s\n", "row", "probes", "p50", "max", "limit",
                "/limit", "target");
    bool everyReader = true;
    for (const Row& row : rows) {
        SimProcess::Options options = SimProcess::busOptions(row.readers);
        options.lineRate = true;
        SimProcess bus(options);
        if (!bus.start()) {
            std::fprintf(stderr, "reader-scan-bench: reader-sim --bus did not start\n");
            return 1;
        }
        scan::ScanPlan plan;
        plan.device = bus.ptyLink().toStdString();
        plan.stations = scan::parseStationList(row.stations);
        plan.rates = {kRate};
        plan.answerTime = answerTime;
        Samples times;
        int probes = 0;
        int missed = 0;
        for (int run = 0; run < runs; ++run) {
            const std::atomic<bool> stop{false};
            const auto start = Clock::now();
            const scan::ScanResult result = scan::scanLine(plan, stop);
            times.add(milliseconds(Clock::now() - start) / 1000.0);
            if (!result.lineError.empty()) {
                std::fprintf(stderr, "reader-scan-bench: %s: %s\n", row.name,
                             result.lineError.c_str());
                return 1;
            }
            // A reader missed (answering later than the answer time) spoils the row's figure.
            missed +=
                static_cast<int>(row.readers.size()) - static_cast<int>(result.readers.size());
            probes = result.probed;
        }
        const auto limit = probes * scan::probeWireTime(kRate) +
                           static_cast<int>(row.readers.size()) * scan::identifyWireTime(kRate);
        const double limitSeconds = milliseconds(limit) / 1000.0;
        const double median = times.p50();
        std::printf("  %-27s %6d %7.2f %7.2f %7.2f %7.2f %7.1f\n", row.name, probes, median,
                    times.percentile(100), limitSeconds, median / limitSeconds, row.targetSeconds);
    }
    return everyReader ? 0 : 1;
}
