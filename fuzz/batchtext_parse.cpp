// SPDX-License-Identifier: LGPL-2.1-or-later
// The batch text parser on any bytes. Besides not crashing: every line is accepted or rejected
// exactly once, in order; an accepted line is exactly a block line and formats back to itself
// (up to the case of its digits); a rejected line has the reason the form rules give; and a
// memory formatted from the accepted blocks parses back to the same memory.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "FuzzCheck.h"
#include "model/BatchText.h"

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = batchtext::splitLines(text);
    const batchtext::ParsedText parsed = batchtext::parse(text);
    FUZZ_CHECK(parsed.blocks.size() + parsed.rejected.size() == lines.size());

    std::size_t accepted = 0;
    std::size_t rejected = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        if (rejected < parsed.rejected.size() && parsed.rejected[rejected].lineNumber == i + 1) {
            const batchtext::LineError error = parsed.rejected[rejected].error;
            FUZZ_CHECK(batchtext::describe(error) != nullptr);
            FUZZ_CHECK((error == batchtext::LineError::Empty) == line.empty());
            FUZZ_CHECK(error != batchtext::LineError::BadHexDigit ||
                       line.size() == batchtext::kLineLength);
            ++rejected;
            continue;
        }
        FUZZ_CHECK(accepted < parsed.blocks.size());
        const batchtext::BlockLine& block = parsed.blocks[accepted++];
        FUZZ_CHECK(line.size() == batchtext::kLineLength && line[1] == ':');
        FUZZ_CHECK(block.block >= 0 && block.block < batchtext::kBlockCount);
        FUZZ_CHECK(sameIgnoringCase(line, batchtext::formatBlockLine(block.block, block.bytes)));
    }
    FUZZ_CHECK(accepted == parsed.blocks.size() && rejected == parsed.rejected.size());

    // Memory round trip: later lines win, and the formatted text gives all 16 blocks back.
    batchtext::Memory memory{};
    std::fill(memory.begin(), memory.end(), size > 0 ? data[size - 1] : 0);
    const auto given = batchtext::applyBlocks(parsed, memory);
    std::array<const batchtext::BlockLine*, batchtext::kBlockCount> last{};
    for (const batchtext::BlockLine& line : parsed.blocks) {
        last[static_cast<std::size_t>(line.block)] = &line;
    }
    for (std::size_t block = 0; block < last.size(); ++block) {
        FUZZ_CHECK(given[block] == (last[block] != nullptr));
        if (last[block]) {
            FUZZ_CHECK(std::equal(last[block]->bytes.begin(), last[block]->bytes.end(),
                                  memory.begin() + block * batchtext::kBlockSize));
        }
    }
    static constexpr const char* kLineEnds[] = {"\r\n", "\n", "\r"};
    {
        const char* lineEnd = kLineEnds[size % 3];
        const std::string formatted = batchtext::formatMemory(memory, lineEnd);
        const batchtext::ParsedText again = batchtext::parse(formatted);
        FUZZ_CHECK(again.rejected.empty() && again.blocks.size() == batchtext::kBlockCount);
        batchtext::Memory back{};
        batchtext::applyBlocks(again, back);
        FUZZ_CHECK(back == memory);
    }
    return 0;
}
