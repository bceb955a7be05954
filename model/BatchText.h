// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The batch configuration text: one line per 16-byte parameter block, "N:" followed by the
// block's bytes as 32 hex digits ("3:FFFF…"). The window's batch dialog and the virtual
// reader's memory file share this format.

#include "model/MemoryMap.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace batchtext {

inline constexpr int kBlockSize = kParameterBlockSize;
inline constexpr int kBlockCount = kParameterBlockCount;
inline constexpr int kMemorySize = kParameterMemorySize;
inline constexpr std::size_t kLineLength = 2 + 2 * kBlockSize;

using Block = std::array<std::uint8_t, kBlockSize>;
using Memory = std::array<std::uint8_t, kMemorySize>;

// The bytes of range in a memory image.
inline std::span<const std::uint8_t> bytesIn(const Memory& memory, Field range) {
    return {memory.data() + range.address, static_cast<std::size_t>(range.width)};
}

struct BlockLine {
    int block = 0;  // 0..15; the block starts at address block * 16
    Block bytes{};
};

enum class LineError {
    Empty,
    BadBlockDigit,  // the first character is not a hex digit
    MissingColon,   // the second character is not ':'
    WrongLength,    // not exactly 32 hex digits after the colon
    BadHexDigit,    // a character among the 32 digits is not a hex digit
};

struct RejectedLine {
    std::size_t lineNumber = 0;  // counted from 1
    LineError error = LineError::Empty;
};

struct ParsedText {
    std::vector<BlockLine> blocks;  // in text order; a later line for a block overrides
    std::vector<RejectedLine> rejected;
};

// Uppercase hex pair of one byte ("0A", "FF").
std::string hexPair(std::uint8_t byte);

// "B:" + 32 uppercase hex digits; block is 0..15.
std::string formatBlockLine(int block, const Block& bytes);

// The 16 block lines of a whole memory, each followed by lineEnd.
std::string formatMemory(const Memory& memory, std::string_view lineEnd = "\r\n");

// Splits at CR LF, CR or LF; a line end after the last line does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);

// Hex digits are accepted in either case.
std::optional<BlockLine> parseBlockLine(std::string_view line, LineError* error = nullptr);

ParsedText parse(std::string_view text);

// Copies the parsed blocks into memory in text order, so that a later line for a block wins.
// Returns which blocks the text gave; the others keep their bytes.
std::array<bool, kBlockCount> applyBlocks(const ParsedText& parsed, Memory& memory);

// A short English reason for logs and diagnostics.
const char* describe(LineError error);

}  // namespace batchtext
