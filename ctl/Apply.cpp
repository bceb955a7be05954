#include "Apply.h"

#include "Fields.h"
#include "MemoryDiff.h"

#include "reader/Reader.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace ctl {

namespace {

constexpr std::size_t kMaxListSize = 16 * 1024 * 1024;
constexpr std::array<bool, batchtext::kBlockCount> kAllBlocks = [] {
    std::array<bool, batchtext::kBlockCount> all{};
    all.fill(true);
    return all;
}();

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
    return parseReaderList(readTextFile(path, kMaxListSize, "a list of readers"), path,
                           defaultStation);
}

std::vector<ReaderName> parseRetryReport(std::string_view text, std::string_view fileName) {
    const auto fault = [&](std::string_view what) {
        return UsageError(fmt::format("{}: {}", fileName, what));
    };
    nlohmann::json report;
    try {
        report = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error&) {
        throw fault("not a JSON report of apply or import");
    }
    if (!report.is_object() || !report.contains("readers") || !report["readers"].is_array()) {
        throw fault("not a JSON report of apply or import (no \"readers\" list)");
    }
    std::vector<ReaderName> readers;
    for (const nlohmann::json& row : report["readers"]) {
        if (!row.is_object() || !row.contains("reader") || !row["reader"].is_string() ||
            !row.contains("result") || !row["result"].is_string()) {
            throw fault("a reader without \"reader\" and \"result\"");
        }
        if (row["result"] == "ok") {
            continue;
        }
        int station = kAnyStation;
        if (row.contains("station") && row["station"].is_number_integer()) {
            station = parseStation(std::to_string(row["station"].get<long long>()));
        }
        readers.push_back(parseReaderName(row["reader"].get<std::string>(), station));
    }
    return readers;
}

std::vector<ReaderName> loadRetryReport(const std::string& path) {
    return parseRetryReport(readTextFile(path, kMaxListSize, "a report"), path);
}

std::string busOf(const ReaderName& name) {
    switch (name.linkType) {
        case READER_LINK_SERIAL: {
            std::error_code error;
            const std::filesystem::path device =
                name.address.starts_with('/')
                    ? std::filesystem::weakly_canonical(name.address, error)
                    : std::filesystem::path(name.address);
            return "serial:" + (error ? name.address : device.string());
        }
        case READER_LINK_USB:
            return "usb:" + name.address;
        default:
            return {};
    }
}

const char* resultText(const ImportResult& result) {
    if (result.ok()) {
        return "ok";
    }
    return result.rollback == Rollback::Done ? "rolled back" : "failed";
}

std::vector<ReaderOutcome> applyToReaders(const std::vector<ReaderName>& readers,
                                          const Configuration& configuration,
                                          const ApplyOptions& options) {
    // One queue per bus, in the order of each bus's first reader; a TCP reader is a queue alone.
    std::vector<std::vector<std::size_t>> queues;
    std::map<std::string, std::size_t> queueOfBus;
    for (std::size_t index = 0; index < readers.size(); ++index) {
        const std::string bus = busOf(readers[index]);
        if (bus.empty()) {
            queues.push_back({index});
            continue;
        }
        const auto [entry, added] = queueOfBus.try_emplace(bus, queues.size());
        if (added) {
            queues.emplace_back();
        }
        queues[entry->second].push_back(index);
    }

    const auto importOne = [&](const ReaderName& name) {
        if (options.importOne) {
            return options.importOne(name);
        }
        ReaderLink link(name);
        return importInto(link, configuration, options.import);
    };

    std::vector<ReaderOutcome> outcomes(readers.size());
    std::atomic<std::size_t> nextQueue{0};
    std::mutex reportMutex;
    ApplyProgress progress{0, 0, readers.size()};
    auto work = [&] {
        for (std::size_t queue = nextQueue++; queue < queues.size(); queue = nextQueue++) {
            for (const std::size_t index : queues[queue]) {
                ReaderOutcome& outcome = outcomes[index];
                outcome.name = readers[index];
                const auto start = std::chrono::steady_clock::now();
                try {
                    outcome.result = importOne(readers[index]);
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
        }
    };

    const auto jobs = static_cast<std::size_t>(std::max(1, options.jobs));
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < std::min(jobs, queues.size()); ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    return outcomes;
}

namespace {

std::string blockList(const std::vector<int>& blocks) {
    return fmt::format("block{} {}", blocks.size() == 1 ? "" : "s", fmt::join(blocks, ", "));
}

// What a failure left in the reader, for the line after the error.
std::string failureAftermath(const ImportResult& result) {
    switch (result.rollback) {
        case Rollback::Failed:
            return fmt::format("; rollback failed: {} left partly written",
                               blockList(result.partlyWritten));
        case Rollback::Off:
            return fmt::format("; not rolled back: {} written", blockList(result.partlyWritten));
        case Rollback::Done:
        case Rollback::NotNeeded:
            break;
    }
    return {};
}

}  // namespace

std::string outcomeLine(const ReaderOutcome& outcome) {
    const ImportResult& result = outcome.result;
    if (!result.ok()) {
        // The error names the reader already.
        const std::string prefix = outcome.name.display() + ": ";
        const std::string_view error = result.error;
        return fmt::format("{}{}: {}{}", prefix, resultText(result),
                           error.starts_with(prefix) ? error.substr(prefix.size()) : error,
                           failureAftermath(result));
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
    std::string csv =
        "reader,result,blocks_written,bytes_changed,verify,rollback,milliseconds,error\r\n";
    for (const ReaderOutcome& outcome : outcomes) {
        const ImportResult& result = outcome.result;
        csv += fmt::format("{},{},{},{},{},{},{},{}\r\n", csvField(outcome.name.display()),
                           resultText(result), result.plan.blocksWritten, result.plan.bytesChanged,
                           verifyText(result.verify), rollbackText(result.rollback),
                           outcome.milliseconds, csvField(result.error));
    }
    return csv;
}

std::string jsonReport(const std::vector<ReaderOutcome>& outcomes) {
    nlohmann::ordered_json readers = nlohmann::ordered_json::array();
    std::size_t failed = 0;
    std::size_t changed = 0;
    for (const ReaderOutcome& outcome : outcomes) {
        const ImportResult& result = outcome.result;
        failed += result.ok() ? 0 : 1;
        changed += outcome.changed() ? 1 : 0;
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        if (result.read) {
            for (const DiffLine& line : diffMemory(result.before, result.plan.target, kAllBlocks)) {
                fields.push_back(diffJson(line));
            }
        }
        readers.push_back({
            {"reader", outcome.name.text},
            {"station", outcome.name.station == kAnyStation
                            ? nlohmann::ordered_json(nullptr)
                            : nlohmann::ordered_json(outcome.name.station)},
            {"result", resultText(result)},
            {"changed", outcome.changed()},
            {"blocks_written", result.plan.blocksWritten},
            {"bytes_changed", result.plan.bytesChanged},
            {"verify", verifyText(result.verify)},
            {"rollback", rollbackText(result.rollback)},
            {"partly_written_blocks", result.partlyWritten},
            {"fields", fields},
            {"milliseconds", outcome.milliseconds},
            {"error",
             result.ok() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(result.error)},
        });
    }
    const nlohmann::ordered_json report{
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
