#pragma once

// One configuration into many readers, a few at a time, and the report of what each did.
// Readers on one serial line share its bus: they are done one after another, each transaction
// whole, while different lines and TCP readers go side by side.

#include "Import.h"
#include "ReaderLink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// One reader a line: "READER [--station N]"; '#' starts a comment, blank lines are skipped.
// A line without its own station takes defaultStation. Throws UsageError naming the line.
std::vector<ReaderName> parseReaderList(std::string_view text, std::string_view fileName,
                                        int defaultStation);
std::vector<ReaderName> loadReaderList(const std::string& path, int defaultStation);

// The readers of a failed run again: every reader whose result in a JSON report (jsonReport) is
// not "ok", with its station. Throws UsageError for a file that is no such report.
std::vector<ReaderName> parseRetryReport(std::string_view text, std::string_view fileName);
std::vector<ReaderName> loadRetryReport(const std::string& path);

// The bus a reader shares with others: its serial device (symbolic links followed) or the USB
// port; empty for a TCP reader, whose connection is its own.
std::string busOf(const ReaderName& name);

struct ReaderOutcome {
    ReaderName name;
    ImportResult result;
    std::int64_t milliseconds = 0;
    // Bytes were written and stay written (not rolled back).
    bool changed() const { return result.changed(); }
};

// "ok", "failed" or "rolled back" (failed, and the reader holds what it held before).
const char* resultText(const ImportResult& result);

struct ApplyProgress {
    std::size_t done = 0;  // finished, succeeded or failed
    std::size_t failed = 0;
    std::size_t total = 0;
};

struct ApplyOptions {
    int jobs = 1;
    ImportOptions import;
    // Called once per finished reader, one call at a time, from the worker threads.
    std::function<void(const ReaderOutcome&, const ApplyProgress&)> finished;
    // The transaction with one reader; empty: open a ReaderLink and importInto it.
    std::function<ImportResult(const ReaderName&)> importOne;
};

// Imports configuration into every reader, at most options.jobs transactions at once and one
// per bus; the outcomes in list order.
std::vector<ReaderOutcome> applyToReaders(const std::vector<ReaderName>& readers,
                                          const Configuration& configuration,
                                          const ApplyOptions& options);

// "reader,result,blocks_written,bytes_changed,verify,rollback,milliseconds,error" and one row a
// reader.
std::string csvReport(const std::vector<ReaderOutcome>& outcomes);
// {"readers":[{"reader":..,"station":..,"result":"ok"|"failed"|"rolled back","changed":bool,
//  ..., "fields":[CHANGE...], "error":..}], "summary":{...}}, indented, ending in a line end.
std::string jsonReport(const std::vector<ReaderOutcome>& outcomes);
// One line for a reader: "tcp:10.0.0.5: ok, 3 blocks written, 40 bytes changed, verify passed,
// 12 ms", "...: ok, unchanged, 9 ms", "...: rolled back: <error>" or "...: failed: <error>"
// followed by what the failure left written.
std::string outcomeLine(const ReaderOutcome& outcome);

}  // namespace ctl
