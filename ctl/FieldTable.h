#pragma once

// The named fields of the parameter memory, with the encoding that turns their bytes into
// something a person reads ("60", "on", "192.168.1.10"), and the field-level difference of
// two memory images built on them.

#include "model/BatchText.h"
#include "model/MemoryMap.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ctl {

enum class Encoding {
    Raw,         // hex bytes
    Number,      // unsigned, high byte first
    Signed,      // one byte, two's complement
    OnOff,       // 1 on, 0 off
    Flags,       // bit names, bit 0 first
    List,        // list position
    Ipv4,        // four octets, first octet first
    Mac,         // six bytes
    Ascii,       // printable text
    NumberList,  // one number per byte
    Terminated,  // bytes ended by 0xFF when shorter
    ModeFlag,    // bits 0-6 a number, bit 7 a switch
};

struct NamedField {
    NamedField(Field f, const char* n, Encoding e = Encoding::Raw, std::vector<const char*> l = {})
        : field(f), name(n), encoding(e), labels(std::move(l)) {}

    Field field;
    const char* name;
    Encoding encoding;
    std::vector<const char*> labels;  // bit names (Flags) or list entries (List)
};

// Every named field, in address order, without overlaps.
const std::vector<NamedField>& namedFields();

// "0x94" for one byte, "0x94-0x95" for more.
std::string addressText(Field field);
// "3C 00 FF".
std::string hexBytes(std::span<const std::uint8_t> bytes);
// The field's bytes as the field's encoding shows them.
std::string decode(const NamedField& field, std::span<const std::uint8_t> bytes);

struct DiffLine {
    Field field;
    std::string text;   // "0x94-0x95 tag refresh interval: 60 -> 120"
    bool kept = false;  // identity bytes: never written, shown for information
};

// What writing the given blocks of target over current would change, in address order: one
// line per named field that differs, one per run of differing bytes outside named fields.
// Identity bytes that differ are listed as kept.
std::vector<DiffLine> diffMemory(const batchtext::Memory& current, const batchtext::Memory& target,
                                 const std::array<bool, batchtext::kBlockCount>& given);

}  // namespace ctl
