#pragma once

// One batch text into many readers, a few at a time, and the report of what each did.

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

struct ReaderOutcome {
    ReaderName name;
    ImportResult result;
    std::int64_t milliseconds = 0;
    // A write went out to the reader (for a failed reader: it may have changed).
    bool changed() const { return result.wrote; }
};

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
};

// Imports file into every reader, at most options.jobs at once; the outcomes in list order.
std::vector<ReaderOutcome> applyToReaders(const std::vector<ReaderName>& readers,
                                          const BatchFile& file, const ApplyOptions& options);

// "reader,result,blocks_written,bytes_changed,verify,milliseconds,error" and one row a reader.
std::string csvReport(const std::vector<ReaderOutcome>& outcomes);
// {"readers":[{"reader":..,"station":..,"result":"ok"|"failed","changed":bool,...}],
//  "summary":{...}}, indented, ending in a line end.
std::string jsonReport(const std::vector<ReaderOutcome>& outcomes);
// One line for a reader: "tcp:10.0.0.5: ok, 3 blocks written, 40 bytes changed, verify passed,
// 12 ms", "...: ok, unchanged, 9 ms" or "...: failed: <error>".
std::string outcomeLine(const ReaderOutcome& outcome);

}  // namespace ctl
