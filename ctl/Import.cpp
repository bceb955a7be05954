#include "Import.h"

#include "Profile.h"

#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <algorithm>
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

std::string readTextFile(const std::string& path, std::size_t maxSize, std::string_view kind) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw UsageError(fmt::format("{}: cannot be read", path));
    }
    std::string text(maxSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        throw UsageError(fmt::format("{}: cannot be read", path));
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxSize) {
        throw UsageError(fmt::format("{}: larger than {} bytes, not {}", path, maxSize, kind));
    }
    return text;
}

BatchFile loadBatchFile(const std::string& path) {
    return parseBatchFile(readTextFile(path, kMaxFileSize, "a batch text"), path);
}

Configuration configurationOf(const BatchFile& file) {
    Configuration configuration;
    configuration.bytes = file.blocks;
    configuration.givenBlocks = file.given;
    for (int block = 0; block < batchtext::kBlockCount; ++block) {
        if (file.given[static_cast<std::size_t>(block)]) {
            configuration.units.push_back(batchtext::writableRuns(block));
        }
    }
    return configuration;
}

Configuration configurationOf(const std::vector<Assignment>& assignments) {
    Configuration configuration;
    for (const Assignment& assignment : assignments) {
        const Field range = assignment.field->range();
        std::copy(assignment.bytes.begin(), assignment.bytes.end(),
                  configuration.bytes.begin() + range.address);
        configuration.units.push_back({range});
    }
    std::sort(configuration.units.begin(), configuration.units.end(),
              [](const Configuration::Unit& a, const Configuration::Unit& b) {
                  return a.front().address < b.front().address;
              });
    return configuration;
}

Configuration loadConfiguration(const std::string& path) {
    return isProfilePath(path) ? configurationOf(loadProfile(path))
                               : configurationOf(loadBatchFile(path));
}

WritePlan planWrites(const batchtext::Memory& current, const Configuration& configuration) {
    WritePlan plan;
    plan.target = current;
    std::array<bool, batchtext::kBlockCount> touched{};
    for (const Configuration::Unit& unit : configuration.units) {
        int changed = 0;
        for (const Field run : unit) {
            for (int address = run.address; address < run.end(); ++address) {
                const auto index = static_cast<std::size_t>(address);
                if (current[index] != configuration.bytes[index]) {
                    ++changed;
                    touched[static_cast<std::size_t>(address / batchtext::kBlockSize)] = true;
                }
                plan.target[index] = configuration.bytes[index];
            }
        }
        if (changed == 0) {
            continue;
        }
        plan.bytesChanged += changed;
        // Neighbouring runs go out together, up to one request's worth.
        for (const Field run : unit) {
            if (!plan.writes.empty() && plan.writes.back().end() == run.address &&
                plan.writes.back().width + run.width <= kMaxWrite) {
                plan.writes.back().width += run.width;
            } else {
                plan.writes.push_back(run);
            }
        }
    }
    plan.blocksWritten = static_cast<int>(std::count(touched.begin(), touched.end(), true));
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

const char* rollbackText(Rollback rollback) {
    switch (rollback) {
        case Rollback::NotNeeded:
            return "not needed";
        case Rollback::Done:
            return "done";
        case Rollback::Failed:
            return "failed";
        case Rollback::Off:
            break;
    }
    return "off";
}

namespace {

std::vector<int> blocksOf(const std::vector<Field>& runs) {
    std::vector<int> blocks;
    for (const Field run : runs) {
        for (int block = run.address / batchtext::kBlockSize;
             block <= (run.end() - 1) / batchtext::kBlockSize; ++block) {
            if (std::find(blocks.begin(), blocks.end(), block) == blocks.end()) {
                blocks.push_back(block);
            }
        }
    }
    std::sort(blocks.begin(), blocks.end());
    return blocks;
}

// Writes the plan and reads it back. Returns the error that ends the transaction, or empty;
// attempted collects every run that may have reached the reader.
std::string writeAndVerify(ReaderLink& link, ImportResult& result, bool verify,
                           std::vector<Field>& attempted) {
    const batchtext::Memory& target = result.plan.target;
    try {
        for (const Field run : result.plan.writes) {
            try {
                link.write(run.address, target.data() + run.address, run.width);
            } catch (const ReaderError& error) {
                if (!error.refused()) {
                    attempted.push_back(run);  // it may have arrived before the link failed
                }
                throw;
            }
            attempted.push_back(run);
            result.wrote = true;
        }
    } catch (const ReaderError& error) {
        return error.what();
    }
    if (result.plan.writes.empty()) {
        return {};
    }
    if (!verify) {
        result.verify = Verify::Skipped;
        return {};
    }
    result.verify = Verify::Failed;
    try {
        for (const Field run : result.plan.writes) {
            if (auto mismatch = link.readBackMismatch(run, target)) {
                return std::move(*mismatch);
            }
        }
    } catch (const ReaderError& error) {
        return error.what();  // the read-back itself failed
    }
    result.verify = Verify::Passed;
    return {};
}

// Writes back what the reader held in every run that may have been written, last first, and
// reads each back.
void rollBack(ReaderLink& link, ImportResult& result, const std::vector<Field>& attempted) {
    std::vector<Field> unrestored;
    for (auto run = attempted.rbegin(); run != attempted.rend(); ++run) {
        try {
            link.write(run->address, result.before.data() + run->address, run->width);
            if (link.readBackMismatch(*run, result.before)) {
                unrestored.push_back(*run);
            }
        } catch (const ReaderError&) {
            unrestored.push_back(*run);
        }
    }
    result.rollback = unrestored.empty() ? Rollback::Done : Rollback::Failed;
    result.partlyWritten = blocksOf(unrestored);
}

}  // namespace

ImportResult importInto(ReaderLink& link, const Configuration& configuration,
                        const ImportOptions& options) {
    ImportResult result;
    try {
        result.before = link.readMemory();
    } catch (const ReaderError& error) {
        result.error = error.what();
        return result;
    }
    result.read = true;
    result.plan = planWrites(result.before, configuration);
    std::vector<Field> attempted;
    result.error = writeAndVerify(link, result, options.verify, attempted);
    if (!result.ok()) {
        if (attempted.empty()) {
            return result;  // nothing reached the reader
        }
        result.wrote = true;
        if (options.rollback) {
            rollBack(link, result, attempted);
        } else {
            result.rollback = Rollback::Off;
            result.partlyWritten = blocksOf(attempted);
        }
        return result;
    }
    if (options.reset) {
        try {
            link.reset();
        } catch (const ReaderError& error) {
            result.error = error.what();  // the bytes are in and verified: nothing to undo
        }
    }
    return result;
}

}  // namespace ctl
