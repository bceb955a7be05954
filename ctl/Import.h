#pragma once

// Writing a configuration into one reader as a transaction: only the bytes that differ go out
// (a batch text's blocks, block 6 as its two pieces around the PCB identity; a profile's
// fields), merged into as few requests as the identity bytes allow, then read back and
// compared. When a write or the read-back fails after the first write went out, the bytes the
// reader held before are written back and verified.

#include "Fields.h"
#include "ReaderLink.h"

#include "model/Addresses.h"
#include "model/BatchText.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// A batch text as the tool takes it: blank lines are skipped; any other line that is not a
// block line makes the whole text unusable.
struct BatchFile {
    batchtext::Memory blocks{};  // the given blocks' bytes
    std::array<bool, batchtext::kBlockCount> given{};
};

// Throws UsageError naming the first malformed line(s) when the text has any.
BatchFile parseBatchFile(std::string_view text, std::string_view fileName);
// Reads and parses a file; throws UsageError when it cannot be read or is malformed.
BatchFile loadBatchFile(const std::string& path);

// A file's text, at most maxSize bytes. Throws UsageError when it cannot be read or is larger
// ("PATH: larger than N bytes, not KIND").
std::string readTextFile(const std::string& path, std::size_t maxSize, std::string_view kind);

// What a file asks a reader to hold: bytes in units, each written whole when any of its bytes
// differs from the reader's. A batch text's unit is a block (block 6 two runs around the PCB
// identity), a profile's a field.
struct Configuration {
    using Unit = std::vector<Field>;
    batchtext::Memory bytes{};
    std::vector<Unit> units;  // address order, never an identity byte
    // A batch text's blocks (diff lists their identity bytes that differ as kept); none for a
    // profile.
    std::array<bool, batchtext::kBlockCount> givenBlocks{};
};

Configuration configurationOf(const BatchFile& file);
Configuration configurationOf(const std::vector<Assignment>& assignments);
// A profile (.yaml, .yml, .json) or else a batch text. Throws UsageError.
Configuration loadConfiguration(const std::string& path);

struct WritePlan {
    batchtext::Memory target{};  // the reader's memory as it will be
    std::vector<Field> writes;   // merged units, in address order, each at most one request
    int blocksWritten = 0;       // blocks with at least one byte that differs
    int bytesChanged = 0;        // bytes that differ
};

WritePlan planWrites(const batchtext::Memory& current, const Configuration& configuration);

enum class Verify { Passed, Failed, Skipped, None };
const char* verifyText(Verify verify);

enum class Rollback {
    NotNeeded,  // nothing failed after a write went out
    Done,       // the reader holds again what it held before, verified
    Failed,     // some written bytes could not be restored: see ImportResult::partlyWritten
    Off,        // --no-rollback: the written bytes stay
};
const char* rollbackText(Rollback rollback);

struct ImportOptions {
    bool verify = true;
    bool reset = false;
    bool rollback = true;
};

struct ImportResult {
    batchtext::Memory before{};  // what the reader held (valid once read)
    bool read = false;           // before holds the reader's memory
    WritePlan plan;
    Verify verify = Verify::None;
    bool wrote = false;  // a write went out: the reader may have changed even when it failed
    Rollback rollback = Rollback::NotNeeded;
    // Blocks that may hold neither what they held nor what was to be written.
    std::vector<int> partlyWritten;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
    // Bytes were written and stay written.
    bool changed() const { return wrote && rollback != Rollback::Done; }
};

// Reads the reader, writes what differs, verifies, and on a failure after the first write
// restores what the reader held (unless options.rollback is off). Reader faults end up in
// result.error; verify mismatches name the first differing address.
ImportResult importInto(ReaderLink& link, const Configuration& configuration,
                        const ImportOptions& options);

}  // namespace ctl
