#include "Apply.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace ctl {

namespace {

constexpr std::size_t kMaxListSize = 16 * 1024 * 1024;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < line.size()) {
        start = line.find_first_not_of(" \t", start);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find_first_of(" \t", start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        result.push_back(line.substr(start, end - start));
        start = end;
    }
    return result;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

}  // namespace

std::vector<ReaderName> parseReaderList(std::string_view text, std::string_view fileName,
                                        int defaultStation) {
    std::vector<ReaderName> readers;
    std::size_t number = 0;
    for (std::string_view line : batchtext::splitLines(text)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        const std::vector<std::string_view> parts = words(line);
        if (parts.empty()) {
            continue;
        }
        try {
            int station = defaultStation;
            if (parts.size() == 3 && parts[1] == "--station") {
                station = parseStation(parts[2]);
            } else if (parts.size() != 1) {
                throw UsageError("expected 'READER' or 'READER --station N'");
            }
            readers.push_back(parseReaderName(parts[0], station));
        } catch (const UsageError& error) {
            throw UsageError(fmt::format("{} line {}: {}", fileName, number, error.what()));
        }
    }
    if (readers.empty()) {
        throw UsageError(fmt::format("{}: names no reader", fileName));
    }
    return readers;
}

std::vector<ReaderName> loadReaderList(const std::string& path, int defaultStation) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw UsageError(fmt::format("{}: cannot be read", path));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad() || text.str().size() > kMaxListSize) {
        throw UsageError(fmt::format("{}: cannot be read as a list of readers", path));
    }
    return parseReaderList(text.str(), path, defaultStation);
}

std::vector<ReaderOutcome> applyToReaders(const std::vector<ReaderName>& readers,
                                          const BatchFile& file, const ApplyOptions& options) {
    std::vector<ReaderOutcome> outcomes(readers.size());
    std::atomic<std::size_t> next{0};
    std::mutex reportMutex;
    ApplyProgress progress{0, 0, readers.size()};

    auto work = [&] {
        for (std::size_t index = next++; index < readers.size(); index = next++) {
            ReaderOutcome& outcome = outcomes[index];
            outcome.name = readers[index];
            const auto start = std::chrono::steady_clock::now();
            try {
                ReaderLink link(readers[index]);
                outcome.result = importInto(link, file, options.import);
            } catch (const ReaderError& error) {
                outcome.result.error = error.what();
            } catch (const std::exception& error) {
                outcome.result.error =
                    fmt::format("{}: {}", readers[index].display(), error.what());
            }
            outcome.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count();
            std::lock_guard lock(reportMutex);
            ++progress.done;
            progress.failed += outcome.result.ok() ? 0 : 1;
            if (options.finished) {
                options.finished(outcome, progress);
            }
        }
    };

    const auto jobs = static_cast<std::size_t>(std::max(1, options.jobs));
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < std::min(jobs, readers.size()); ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    return outcomes;
}

std::string outcomeLine(const ReaderOutcome& outcome) {
    const ImportResult& result = outcome.result;
    if (!result.ok()) {
        // The error names the reader already.
        const std::string prefix = outcome.name.display() + ": ";
        const std::string_view error = result.error;
        return fmt::format("{}failed: {}", prefix,
                           error.starts_with(prefix) ? error.substr(prefix.size()) : error);
    }
    if (!outcome.changed()) {
        return fmt::format("{}: ok, unchanged, {} ms", outcome.name.display(),
                           outcome.milliseconds);
    }
    const int blocks = result.plan.blocksWritten;
    const int bytes = result.plan.bytesChanged;
    return fmt::format("{}: ok, {} block{} written, {} byte{} changed, verify {}, {} ms",
                       outcome.name.display(), blocks, blocks == 1 ? "" : "s", bytes,
                       bytes == 1 ? "" : "s", verifyText(result.verify), outcome.milliseconds);
}

std::string csvReport(const std::vector<ReaderOutcome>& outcomes) {
    std::string csv = "reader,result,blocks_written,bytes_changed,verify,milliseconds,error\r\n";
    for (const ReaderOutcome& outcome : outcomes) {
        const ImportResult& result = outcome.result;
        csv += fmt::format("{},{},{},{},{},{},{}\r\n", csvField(outcome.name.display()),
                           result.ok() ? "ok" : "failed", result.plan.blocksWritten,
                           result.plan.bytesChanged, verifyText(result.verify),
                           outcome.milliseconds, csvField(result.error));
    }
    return csv;
}

std::string jsonReport(const std::vector<ReaderOutcome>& outcomes) {
    nlohmann::json readers = nlohmann::json::array();
    std::size_t failed = 0;
    std::size_t changed = 0;
    for (const ReaderOutcome& outcome : outcomes) {
        const ImportResult& result = outcome.result;
        failed += result.ok() ? 0 : 1;
        changed += outcome.changed() ? 1 : 0;
        readers.push_back({
            {"reader", outcome.name.text},
            {"station", outcome.name.station == kAnyStation ? nlohmann::json(nullptr)
                                                            : nlohmann::json(outcome.name.station)},
            {"result", result.ok() ? "ok" : "failed"},
            {"changed", outcome.changed()},
            {"blocks_written", result.plan.blocksWritten},
            {"bytes_changed", result.plan.bytesChanged},
            {"verify", verifyText(result.verify)},
            {"milliseconds", outcome.milliseconds},
            {"error", result.ok() ? nlohmann::json(nullptr) : nlohmann::json(result.error)},
        });
    }
    const nlohmann::json report{
        {"readers", readers},
        {"summary",
         {{"total", outcomes.size()},
          {"ok", outcomes.size() - failed},
          {"failed", failed},
          {"changed", changed}}},
    };
    return report.dump(2) + "\n";
}

}  // namespace ctl
