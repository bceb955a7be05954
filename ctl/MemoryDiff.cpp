#include "MemoryDiff.h"

#include "model/Catalog.h"
#include "model/Codec.h"
#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <span>

namespace ctl {

namespace {

// An empty value (a frame code without bytes) still shows in a line.
std::string shown(std::string text) {
    return text.empty() ? "(none)" : text;
}

}  // namespace

std::vector<DiffLine> diffMemory(const batchtext::Memory& current, const batchtext::Memory& target,
                                 const std::array<bool, batchtext::kBlockCount>& given) {
    auto differs = [&](int address) {
        const auto index = static_cast<std::size_t>(address);
        return given[index / batchtext::kBlockSize] && current[index] != target[index];
    };

    std::vector<DiffLine> lines;
    for (int address = 0; address < batchtext::kMemorySize;) {
        const model::Parameter* named = model::parameterAt(address);
        Field field{address, 1};
        std::string before;
        std::string after;
        bool changed = false;
        if (named != nullptr) {
            field = named->range();
            for (int a = field.address; a < field.end(); ++a) {
                changed = changed || differs(a);
            }
            if (changed) {
                before = shown(model::toText(*named, batchtext::bytesIn(current, field)));
                after = shown(model::toText(*named, batchtext::bytesIn(target, field)));
            }
        } else if (differs(address)) {
            // A run of differing bytes outside every named field.
            int end = address + 1;
            while (end < batchtext::kMemorySize && model::parameterAt(end) == nullptr &&
                   differs(end)) {
                ++end;
            }
            field = Field{address, end - address};
            changed = true;
            before = model::hexBytes(batchtext::bytesIn(current, field));
            after = model::hexBytes(batchtext::bytesIn(target, field));
        }
        if (changed) {
            bool kept = true;
            for (int a = field.address; a < field.end(); ++a) {
                kept = kept && batchtext::isIdentityByte(a);
            }
            std::string text =
                named != nullptr
                    ? fmt::format("{} {}: {} -> {}", model::addressText(field), named->label.en,
                                  before, after)
                    : fmt::format("{}: {} -> {}", model::addressText(field), before, after);
            lines.push_back({field, kept ? text + " (kept)" : text, kept, named, before, after});
        }
        address = field.end();
    }
    return lines;
}

}  // namespace ctl
