#pragma once

// Writing a batch text into one reader: only the blocks that differ (block 6 as its two
// pieces around the PCB identity), merged into as few requests as the identity bytes allow,
// then read back and compared.

#include "ReaderLink.h"

#include "model/Addresses.h"
#include "model/BatchText.h"

#include <array>
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

struct WritePlan {
    batchtext::Memory target{};  // the reader's memory as it will be
    std::vector<Field> writes;   // merged runs, in address order, each at most one request
    int blocksWritten = 0;       // blocks with at least one writable byte that differs
    int bytesChanged = 0;        // writable bytes that differ
};

WritePlan planWrites(const batchtext::Memory& current, const BatchFile& file);

enum class Verify { Passed, Failed, Skipped, None };
const char* verifyText(Verify verify);

struct ImportOptions {
    bool verify = true;
    bool reset = false;
};

struct ImportResult {
    WritePlan plan;
    Verify verify = Verify::None;
    bool wrote = false;  // a write went out: the reader may have changed even when it failed
    std::string error;   // empty on success
    bool ok() const { return error.empty(); }
};

// Reads the reader, writes what differs, verifies. Reader faults end up in result.error;
// verify mismatches name the first differing address.
ImportResult importInto(ReaderLink& link, const BatchFile& file, const ImportOptions& options);

}  // namespace ctl
