// SPDX-License-Identifier: LGPL-2.1-or-later
#include "BatchText.h"

#include <algorithm>
#include <cassert>

namespace batchtext {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string hexPair(std::uint8_t byte) {
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string formatBlockLine(int block, const Block& bytes) {
    assert(block >= 0 && block < kBlockCount);
    std::string line;
    line.reserve(kLineLength);
    line += kDigits[block & 0x0F];
    line += ':';
    for (std::uint8_t byte : bytes) {
        line += hexPair(byte);
    }
    return line;
}

std::string formatMemory(const Memory& memory, std::string_view lineEnd) {
    std::string text;
    text.reserve(kBlockCount * (kLineLength + lineEnd.size()));
    for (int block = 0; block < kBlockCount; ++block) {
        Block bytes{};
        for (int i = 0; i < kBlockSize; ++i) {
            bytes[i] = memory[block * kBlockSize + i];
        }
        text += formatBlockLine(block, bytes);
        text += lineEnd;
    }
    return text;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::optional<BlockLine> parseBlockLine(std::string_view line, LineError* error) {
    auto reject = [error](LineError e) -> std::optional<BlockLine> {
        if (error) {
            *error = e;
        }
        return std::nullopt;
    };
    if (line.empty()) {
        return reject(LineError::Empty);
    }
    const int block = hexValue(line[0]);
    if (block < 0) {
        return reject(LineError::BadBlockDigit);
    }
    if (line.size() < 2 || line[1] != ':') {
        return reject(LineError::MissingColon);
    }
    if (line.size() != kLineLength) {
        return reject(LineError::WrongLength);
    }
    BlockLine parsed;
    parsed.block = block;
    for (int i = 0; i < kBlockSize; ++i) {
        const int high = hexValue(line[2 + 2 * i]);
        const int low = hexValue(line[3 + 2 * i]);
        if (high < 0 || low < 0) {
            return reject(LineError::BadHexDigit);
        }
        parsed.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return parsed;
}

ParsedText parse(std::string_view text) {
    ParsedText parsed;
    std::size_t number = 0;
    for (std::string_view line : splitLines(text)) {
        ++number;
        LineError error{};
        if (auto block = parseBlockLine(line, &error)) {
            parsed.blocks.push_back(*block);
        } else {
            parsed.rejected.push_back({number, error});
        }
    }
    return parsed;
}

std::array<bool, kBlockCount> applyBlocks(const ParsedText& parsed, Memory& memory) {
    std::array<bool, kBlockCount> given{};
    for (const BlockLine& line : parsed.blocks) {
        std::copy(line.bytes.begin(), line.bytes.end(), memory.begin() + line.block * kBlockSize);
        given[static_cast<std::size_t>(line.block)] = true;
    }
    return given;
}

const char* describe(LineError error) {
    switch (error) {
        case LineError::Empty:
            return "empty line";
        case LineError::BadBlockDigit:
            return "block number is not a hex digit";
        case LineError::MissingColon:
            return "no ':' after the block number";
        case LineError::WrongLength:
            return "not exactly 32 hex digits after ':'";
        case LineError::BadHexDigit:
            return "a character after ':' is not a hex digit";
    }
    return "malformed line";
}

}  // namespace batchtext
