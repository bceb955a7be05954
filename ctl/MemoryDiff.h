#pragma once

// The field-level difference of two memory images, in the parameter model's names and texts.

#include "model/BatchText.h"
#include "model/MemoryMap.h"
#include "model/Parameter.h"

#include <array>
#include <string>
#include <vector>

namespace ctl {

struct DiffLine {
    Field field;
    std::string text;   // "0x87 Wiegand protocol: Wiegand 42 -> Wiegand 26"
    bool kept = false;  // identity bytes: never written, shown for information
    const model::Parameter* parameter = nullptr;  // null for bytes outside named fields
    std::string before;  // the values as the line shows them ("Wiegand 42"; "00" as hex
    std::string after;   // pairs outside named fields)
};

// What writing the given blocks of target over current would change, in address order: one
// line per named field that differs, one per run of differing bytes outside named fields.
// Values read as the window shows them (English texts, the default RF band). Identity bytes
// that differ are listed as kept.
std::vector<DiffLine> diffMemory(const batchtext::Memory& current, const batchtext::Memory& target,
                                 const std::array<bool, batchtext::kBlockCount>& given);

}  // namespace ctl
