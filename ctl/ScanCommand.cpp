// SPDX-License-Identifier: LGPL-2.1-or-later
// readerctl scan serial:DEVICE [--stations LIST] [--rates LIST] [--answer-time MS] [--json]:
// the readers on a serial line, station by station and rate by rate, with a progress line on
// a terminal; Ctrl+C stops between two probes and still reports what was found.

#include "Commands.h"

#include "scan/LineScan.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace ctl {

namespace {

struct ScanOptions {
    std::string line;
    std::string stations;
    std::string rates;
    int answerTime = static_cast<int>(scan::kScanAnswerTime.count());
    bool json = false;
};

// Set by SIGINT or SIGTERM: the scan stops before its next probe.
std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

void requestStop(int signalNumber) {
    stopSignal.store(signalNumber);
    stopRequested.store(true);
}

// Catches SIGINT and SIGTERM while it lives; a second signal of the same kind ends the
// program as usual (SA_RESETHAND).
class StopOnSignal {
  public:
    StopOnSignal() {
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~StopOnSignal() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

  private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// How later commands name a reader found: the line as the user gave it, at the reader's rate
// (with --station N).
std::string readerName(const ReaderName& line, int rate) {
    return fmt::format("{}@{}", line.text, rate);
}

std::string foundLine(const scan::FoundReader& reader) {
    const std::string serial =
        reader.problem.empty() ? "serial number " + reader.serialNumber : reader.problem;
    return fmt::format("station {}, {} bps, firmware {}, {}", reader.station, reader.rate,
                       reader.firmware, serial);
}

std::string oddLine(const scan::OddAnswer& odd) {
    return fmt::format("station {}, {} bps: an answer, but no reader's: {}", odd.station, odd.rate,
                       odd.reason);
}

std::string jsonReport(const ReaderName& line, const scan::ScanPlan& plan,
                       const scan::ScanResult& result, long long milliseconds) {
    nlohmann::ordered_json readers = nlohmann::ordered_json::array();
    for (const scan::FoundReader& reader : result.readers) {
        nlohmann::ordered_json entry;
        entry["station"] = reader.station;
        entry["rate"] = reader.rate;
        entry["firmware"] = reader.firmware;
        entry["serial_number"] = reader.problem.empty()
                                     ? nlohmann::ordered_json(reader.serialNumber)
                                     : nlohmann::ordered_json(nullptr);
        entry["reader"] = readerName(line, reader.rate);
        readers.push_back(entry);
    }
    nlohmann::ordered_json odd = nlohmann::ordered_json::array();
    for (const scan::OddAnswer& answer : result.oddAnswers) {
        odd.push_back(
            {{"station", answer.station}, {"rate", answer.rate}, {"error", answer.reason}});
    }
    nlohmann::ordered_json report;
    report["line"] = line.text;
    report["rates"] = plan.rates;
    report["stations_probed"] = result.probed;
    report["milliseconds"] = milliseconds;
    report["stopped"] = result.stopped;
    report["error"] = result.lineError.empty() ? nlohmann::ordered_json(nullptr)
                                               : nlohmann::ordered_json(result.lineError);
    report["readers"] = readers;
    report["odd_answers"] = odd;
    return report.dump(2) + "\n";
}

std::string summary(const scan::ScanPlan& plan, const scan::ScanResult& result,
                    std::chrono::steady_clock::duration elapsed) {
    const std::size_t found = result.readers.size();
    return fmt::format("{} {} found, {} {} at {} bps, {:.1f} s{}", found,
                       found == 1 ? "reader" : "readers", result.probed,
                       result.probed == 1 ? "probe" : "probes", fmt::join(plan.rates, "/"),
                       std::chrono::duration<double>(elapsed).count(),
                       result.stopped ? "; stopped before the end" : "");
}

std::string status(const scan::ScanProgress& progress) {
    return fmt::format("probed {}/{}, station {} at {} bps", progress.probed, progress.total,
                       progress.station, progress.rate);
}

int runScan(const ScanOptions& options, const GlobalOptions& global) {
    if (!global.station.empty()) {
        throw UsageError("scan probes the stations of --stations, not --station");
    }
    const ReaderName line = parseReaderName(options.line);
    if (line.linkType != READER_LINK_SERIAL) {
        throw UsageError(fmt::format("'{}': scan needs a serial line, serial:DEVICE", line.text));
    }
    if (line.rate != 0) {
        throw UsageError(
            fmt::format("'{}': scan takes its rates from --rates, not from @RATE", line.text));
    }
    scan::ScanPlan plan;
    plan.device = line.address;
    try {
        if (!options.stations.empty()) {
            plan.stations = scan::parseStationList(options.stations);
        }
        if (!options.rates.empty()) {
            plan.rates = scan::parseRateList(options.rates);
        }
        plan.answerTime = std::chrono::milliseconds(options.answerTime);
        scan::checkPlan(plan);
    } catch (const scan::PlanError& error) {
        throw UsageError(error.what());
    }

    std::optional<ProgressLine> progressLine;
    if (isatty(STDERR_FILENO) == 1) {
        progressLine.emplace(fmt::format("scanning {}", line.text));
    }
    scan::ScanCallbacks callbacks;
    std::string lastStatus;
    callbacks.progress = [&](const scan::ScanProgress& progress) {
        lastStatus = status(progress);
        if (progressLine) {
            progressLine->show(lastStatus);
        }
    };
    callbacks.found = [&](const scan::FoundReader& reader) {
        if (options.json) {
            return;  // stdout holds the one JSON document
        }
        if (progressLine) {
            progressLine->show(lastStatus, foundLine(reader), stdout);
        } else {
            fmt::print("{}\n", foundLine(reader));
            std::fflush(stdout);
        }
    };

    stopRequested.store(false);
    const auto start = std::chrono::steady_clock::now();
    scan::ScanResult result;
    {
        const StopOnSignal stopOnSignal;
        result = scan::scanLine(plan, stopRequested, callbacks);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (progressLine) {
        progressLine->finish();
    }

    if (options.json) {
        fmt::print(
            "{}",
            jsonReport(line, plan, result,
                       std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    } else {
        for (const scan::OddAnswer& odd : result.oddAnswers) {
            fmt::print("{}\n", oddLine(odd));
        }
        fmt::print("{}\n", summary(plan, result, elapsed));
    }
    std::fflush(stdout);
    if (!result.lineError.empty()) {
        fmt::print(stderr, "readerctl: {}: {}\n", line.text, result.lineError);
        return kExitFailed;
    }
    if (result.stopped) {
        fmt::print(stderr, "readerctl: scan stopped ({}) after {} probes\n",
                   stopSignal.load() == SIGTERM ? "SIGTERM" : "Ctrl+C", result.probed);
        return 128 + stopSignal.load();
    }
    return kExitOk;
}

}  // namespace

void addScanCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ScanOptions>();
    CLI::App* command = app.add_subcommand(
        "scan", "find the readers on a serial line: stations, rates, serial numbers");
    command->add_option("LINE", options->line, "serial:DEVICE (/dev/ttyUSB0, ttyS0 or COM1..COM8)")
        ->required();
    command
        ->add_option("--stations", options->stations,
                     "stations to probe, as \"1-20,33,40-47\" (default 1-247)")
        ->type_name("LIST");
    command
        ->add_option("--rates", options->rates,
                     "rates to probe in this order, as \"9600,19200\" (default 9600, then 2400, "
                     "4800, 19200, 38400, 57600, 115200)")
        ->type_name("LIST");
    command
        ->add_option("--answer-time", options->answerTime,
                     fmt::format("time a reader is given to start its answer, 1..5000 ms "
                                 "(default {})",
                                 scan::kScanAnswerTime.count()))
        ->type_name("MS");
    command->add_flag("--json", options->json,
                      "print one JSON object on stdout instead of the lines and the summary");
    describeCommand(
        *command,
        "Probes one station at a time with a one-byte read, which every reader answers, and\n"
        "never addresses unit 255 (on a bus every reader would answer at once). A silent station\n"
        "costs the answer time plus the exchange's wire time (at 9600 bps with the default 20 ms:\n"
        "43 ms). A station that answers is asked for its firmware and serial number and is not\n"
        "probed again at the other rates. The line is opened at 9600 bps and switched locally\n"
        "from rate to rate; no reader is asked to change its rate. Each reader found is one line\n"
        "on stdout, \"station 3, 9600 bps, firmware 2.1.0.7, serial number QLX7321E26010003\",\n"
        "then a summary; on a terminal a progress line on stderr shows the probes, the station,\n"
        "the rate and the time. Ctrl+C stops before the next probe and still reports what was\n"
        "found. Later commands reach a reader found as --station N serial:DEVICE@RATE.\n"
        "Exit codes: 0 the scan ran to its end, whether or not it found a reader; 1 the line\n"
        "could not be opened or used; 2 usage; 130 (143) stopped by Ctrl+C (SIGTERM).");
    setAction(*command, [options, &global] { return runScan(*options, global); });
}

}  // namespace ctl
