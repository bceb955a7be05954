#include "Import.h"

#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <fstream>
#include <sstream>

namespace ctl {

namespace {

// The batch dialog never loads more than this; a larger file is not a batch text.
constexpr std::size_t kMaxFileSize = 1024 * 1024;
constexpr std::size_t kListedLines = 5;

}  // namespace

BatchFile parseBatchFile(std::string_view text, std::string_view fileName) {
    BatchFile file;
    std::vector<std::string> faults;
    std::size_t number = 0;
    for (const std::string_view line : batchtext::splitLines(text)) {
        ++number;
        if (line.empty()) {
            continue;
        }
        batchtext::LineError error{};
        const auto parsed = batchtext::parseBlockLine(line, &error);
        if (!parsed) {
            if (faults.size() < kListedLines) {
                faults.push_back(fmt::format("line {}: {}", number, batchtext::describe(error)));
            } else if (faults.size() == kListedLines) {
                faults.emplace_back("...");
            }
            continue;
        }
        std::copy(parsed->bytes.begin(), parsed->bytes.end(),
                  file.blocks.begin() + parsed->block * batchtext::kBlockSize);
        file.given[static_cast<std::size_t>(parsed->block)] = true;
    }
    if (!faults.empty()) {
        std::string joined;
        for (const std::string& fault : faults) {
            joined += (joined.empty() ? "" : "; ") + fault;
        }
        throw UsageError(fmt::format("{}: {}", fileName, joined));
    }
    return file;
}

BatchFile loadBatchFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw UsageError(fmt::format("{}: cannot be read", path));
    }
    std::string text(kMaxFileSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        throw UsageError(fmt::format("{}: cannot be read", path));
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileSize) {
        throw UsageError(
            fmt::format("{}: larger than {} bytes, not a batch text", path, kMaxFileSize));
    }
    return parseBatchFile(text, path);
}

WritePlan planWrites(const batchtext::Memory& current, const BatchFile& file) {
    WritePlan plan;
    plan.target = current;
    std::vector<Field> runs;
    for (int block = 0; block < batchtext::kBlockCount; ++block) {
        if (!file.given[static_cast<std::size_t>(block)]) {
            continue;
        }
        const std::vector<Field> blockRuns = batchtext::writableRuns(block);
        int changed = 0;
        for (const Field run : blockRuns) {
            for (int address = run.address; address < run.end(); ++address) {
                const auto index = static_cast<std::size_t>(address);
                changed += current[index] != file.blocks[index] ? 1 : 0;
                plan.target[index] = file.blocks[index];
            }
        }
        if (changed == 0) {
            continue;
        }
        ++plan.blocksWritten;
        plan.bytesChanged += changed;
        runs.insert(runs.end(), blockRuns.begin(), blockRuns.end());
    }
    // Neighbouring runs go out together, up to one request's worth.
    for (const Field run : runs) {
        if (!plan.writes.empty() && plan.writes.back().end() == run.address &&
            plan.writes.back().width + run.width <= kMaxWrite) {
            plan.writes.back().width += run.width;
        } else {
            plan.writes.push_back(run);
        }
    }
    return plan;
}

const char* verifyText(Verify verify) {
    switch (verify) {
        case Verify::Passed:
            return "passed";
        case Verify::Failed:
            return "failed";
        case Verify::Skipped:
            return "skipped";
        case Verify::None:
            break;
    }
    return "none";
}

ImportResult importInto(ReaderLink& link, const BatchFile& file, const ImportOptions& options) {
    ImportResult result;
    bool verifying = false;
    try {
        result.plan = planWrites(link.readMemory(), file);
        for (const Field run : result.plan.writes) {
            result.wrote = true;
            link.write(run.address, result.plan.target.data() + run.address, run.width);
        }
        if (!result.plan.writes.empty()) {
            result.verify = options.verify ? Verify::Passed : Verify::Skipped;
        }
        if (options.verify) {
            verifying = true;
            for (const Field run : result.plan.writes) {
                if (auto mismatch = link.readBackMismatch(run, result.plan.target)) {
                    result.verify = Verify::Failed;
                    result.error = std::move(*mismatch);
                    return result;
                }
            }
        }
        verifying = false;
        if (options.reset) {
            link.reset();
        }
    } catch (const ReaderError& error) {
        if (verifying) {
            result.verify = Verify::Failed;  // the read-back itself failed
        }
        result.error = error.what();
    }
    return result;
}

}  // namespace ctl
