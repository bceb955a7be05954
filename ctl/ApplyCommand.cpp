// readerctl apply FILE --readers LIST | --retry REPORT: a batch text or a profile into every
// reader of a list, a few at a time and one at a time on each bus, with a progress line or one
// line a reader, a summary and a report.

#include "Commands.h"

#include "Apply.h"
#include "Import.h"

#include <fmt/format.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ctl {

namespace {

struct ApplyCommandOptions {
    std::string file;
    std::string readers;
    std::string retry;
    std::string report;
    int jobs = 1;
    bool noVerify = false;
    bool noRollback = false;
    bool reset = false;
    bool json = false;
};

int runApply(const ApplyCommandOptions& options, const GlobalOptions& global) {
    if (options.jobs < 1) {
        throw UsageError("--jobs must be at least 1");
    }
    const bool jsonFile = options.report.ends_with(".json");
    if (!options.report.empty() && !jsonFile && !options.report.ends_with(".csv")) {
        throw UsageError(fmt::format("report '{}': name it OUT.csv or OUT.json", options.report));
    }
    if (options.readers.empty() && options.retry.empty()) {
        throw UsageError("apply needs the readers: --readers LIST or --retry REPORT");
    }
    const Configuration configuration = loadConfiguration(options.file);
    const std::vector<ReaderName> readers =
        options.retry.empty() ? loadReaderList(options.readers, global.stationNumber())
                              : loadRetryReport(options.retry);
    if (readers.empty()) {
        fmt::print(stderr, "readerctl: {}: no reader failed, nothing to retry\n", options.retry);
    }
    if (!options.report.empty()) {
        writeFile(options.report, {});  // a report that cannot be written stops before any reader
    }

    // On a terminal one line on stderr, redrawn as readers finish and as time passes; failures
    // are listed above it. Elsewhere one line per reader on stdout.
    std::optional<ProgressLine> progressLine;
    if (isatty(STDERR_FILENO) == 1) {
        progressLine.emplace(readers.size());
    }
    ApplyOptions apply;
    apply.jobs = options.jobs;
    apply.import = {!options.noVerify, options.reset, !options.noRollback};
    apply.finished = [&](const ReaderOutcome& outcome, const ApplyProgress& progress) {
        if (!progressLine) {
            if (options.json) {
                return;  // stdout holds the one JSON document
            }
            fmt::print("{}\n", outcomeLine(outcome));
            std::fflush(stdout);
            return;
        }
        progressLine->update(progress.done, progress.failed,
                             outcome.result.ok() ? std::string() : outcomeLine(outcome));
    };
    const std::vector<ReaderOutcome> outcomes = applyToReaders(readers, configuration, apply);
    if (progressLine) {
        progressLine->finish();
    }

    std::size_t failed = 0;
    std::size_t changed = 0;  // of the readers that succeeded
    for (const ReaderOutcome& outcome : outcomes) {
        failed += outcome.result.ok() ? 0 : 1;
        changed += outcome.result.ok() && outcome.changed() ? 1 : 0;
    }
    const std::size_t ok = outcomes.size() - failed;
    if (options.json) {
        fmt::print("{}", jsonReport(outcomes));
    } else if (changed == 0 && failed == 0) {
        fmt::print("{} reader{}: all ok, nothing changed\n", outcomes.size(),
                   outcomes.size() == 1 ? "" : "s");
    } else {
        fmt::print("{} reader{}: {} ok ({} changed, {} unchanged), {} failed\n", outcomes.size(),
                   outcomes.size() == 1 ? "" : "s", ok, changed, ok - changed, failed);
    }
    if (!options.report.empty()) {
        writeFile(options.report, jsonFile ? jsonReport(outcomes) : csvReport(outcomes));
    }
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace

void addApplyCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ApplyCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "apply", "import FILE into every reader of a list, N at a time, with a report");
    command->add_option("FILE", options->file, "batch text, or profile (.yaml, .yml, .json)")
        ->required();
    CLI::Option* readersOption =
        command
            ->add_option("--readers", options->readers,
                         "one reader a line ('READER [--station N]'), '#' comments")
            ->type_name("LIST");
    CLI::Option* retryOption =
        command
            ->add_option("--retry", options->retry,
                         "the readers that did not end \"ok\" in a JSON report of an earlier run")
            ->type_name("REPORT");
    readersOption->excludes(retryOption);
    command->add_option("--jobs", options->jobs, "readers at a time (default 1)")->type_name("N");
    command->add_option("--report", options->report, "one row per reader: OUT.csv or OUT.json")
        ->type_name("OUT");
    command->add_flag("--no-verify", options->noVerify, "skip the read-back");
    command->add_flag("--no-rollback", options->noRollback,
                      "on a failure, leave what was written instead of restoring it");
    command->add_flag("--reset", options->reset, "reset each reader afterwards");
    command->add_flag("--json", options->json,
                      "print the report as JSON on stdout instead of the lines and the summary");
    describeCommand(
        *command,
        "Each reader gets what import does, a transaction of its own. Readers on one serial\n"
        "line are done one after another; other lines and TCP readers side by side, up to\n"
        "--jobs at once. On a terminal a progress line on stderr shows done, failed and\n"
        "remaining readers and the time, failures listed above it; elsewhere one line a reader\n"
        "goes to stdout. A summary line follows. The report has one row a reader: result,\n"
        "blocks written, bytes changed, verify, rollback, milliseconds, error. --retry runs\n"
        "again the readers that failed in a JSON report (--report OUT.json or --json).");
    setAction(*command, [options, &global] { return runApply(*options, global); });
}

}  // namespace ctl
