// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/TrafficFrame.h"

#include "model/Catalog.h"
#include "model/Codec.h"
#include "reader/ModbusCrc.h"

#include <algorithm>
#include <cstdio>

namespace traffic {

namespace {

constexpr int kParameterRegisters = 0x100;  // holding registers 0x0000-0x00FF: byte n
constexpr int kMaxNames = 4;                // fields named for one request, then "…"

int word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (bytes[at] << 8) | bytes[at + 1];
}

std::string hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

// The Modbus TCP header: transaction, protocol 0 and the length of what follows.
bool hasMbapHeader(std::span<const std::uint8_t> frame) {
    return frame.size() >= 8 && frame[2] == 0 && frame[3] == 0 &&
           static_cast<std::size_t>(word(frame, 4)) == frame.size() - 6;
}

}  // namespace

const char* FrameDecoder::text(const char* english, const char* chinese) const {
    return language_ == model::Language::Chinese ? chinese : english;
}

std::string FrameDecoder::describe(const std::string& link, Direction direction,
                                   std::span<const std::uint8_t> frame) {
    failed_ = true;
    int unit = 0;
    std::span<const std::uint8_t> pdu;
    if (hasMbapHeader(frame)) {
        unit = frame[6];
        pdu = frame.subspan(7);
    } else if (frame.size() >= 4 && reader::hasValidCrc(frame)) {
        unit = frame[0];
        pdu = frame.subspan(1, frame.size() - 3);
    } else {
        pending_.erase(link);
        return text("garbled frame (neither a TCP header nor a valid CRC)",
                    "乱码帧（无TCP报头，CRC不符）");
    }
    if (pdu.empty()) {
        return text("empty frame", "空帧");
    }
    failed_ = direction == Direction::Reply && (pdu[0] & 0x80) != 0;
    std::string meaning = direction == Direction::Request ? request(pdu, link) : reply(pdu, link);
    if (unit != 255) {
        meaning += language_ == model::Language::Chinese
                       ? " （站" + std::to_string(unit) + "）"
                       : " (station " + std::to_string(unit) + ")";
    }
    return meaning;
}

std::string FrameDecoder::registerName(int function, int address, int count) const {
    if (function == 4) {
        if (address == 0 && count == 4) {
            return text("firmware version", "固件版本");
        }
        if (address == 4 && count == 1) {
            return text("station number", "站号");
        }
        return text("input registers ", "输入寄存器 ") + hex4(address) +
               (count > 1 ? "-" + hex4(address + count - 1) : "");
    }
    if (count == 1 && address == 0x100) {
        return text("serial rate code", "串口波特率代码");
    }
    if (count == 1 && address == 0x101) {
        return text("offline function", "脱机功能");
    }
    if (count == 1 && address == 0x102) {
        return text("command", "命令");
    }
    return text("holding registers ", "保持寄存器 ") + hex4(address) +
           (count > 1 ? "-" + hex4(address + count - 1) : "");
}

std::string FrameDecoder::fields(int address, std::span<const std::uint8_t> bytes,
                                 bool values) const {
    const model::Context context{language_};
    const int end = address + static_cast<int>(bytes.size());
    std::vector<std::string> parts;
    int position = address;
    while (position < end) {
        const model::Parameter* field = model::parameterAt(position);
        int next = position + 1;
        std::string part;
        if (field) {
            next = std::min(field->end(), end);
            const int first = std::max(field->address, address);
            part = model::addressText({first, next - first}) + " " +
                   std::string(field->label.in(language_));
            if (values) {
                const auto own = bytes.subspan(static_cast<std::size_t>(first - address),
                                               static_cast<std::size_t>(next - first));
                if (field->address >= address && field->end() <= end) {
                    try {
                        part += " = " + model::toText(*field, own, context);
                    } catch (const std::exception&) {
                        part += " = " + model::hexBytes(own);
                    }
                } else {
                    part += text(" (part) = ", "（部分）= ") + model::hexBytes(own);
                }
            }
        } else {
            while (next < end && !model::parameterAt(next)) {
                ++next;
            }
            part = model::addressText({position, next - position});
            if (values) {
                part += " = " +
                        model::hexBytes(bytes.subspan(static_cast<std::size_t>(position - address),
                                                      static_cast<std::size_t>(next - position)));
            }
        }
        parts.push_back(std::move(part));
        position = next;
    }
    std::string joined;
    const std::size_t shown =
        values ? parts.size() : std::min(parts.size(), static_cast<std::size_t>(kMaxNames));
    for (std::size_t i = 0; i < shown; ++i) {
        joined += (i ? "; " : "") + parts[i];
    }
    if (shown < parts.size()) {
        joined += "; …";
    }
    return joined;
}

std::string FrameDecoder::request(std::span<const std::uint8_t> pdu, const std::string& link) {
    const int function = pdu[0];
    const std::string read = text("read ", "读 ");
    const std::string write = text("write ", "写 ");
    if ((function == 3 || function == 4) && pdu.size() == 5) {
        const int address = word(pdu, 1);
        const int count = word(pdu, 3);
        pending_[link] = {function, address, count};
        if (function == 3 && count > 0 && address + count <= kParameterRegisters) {
            return read + fields(address, std::vector<std::uint8_t>(std::size_t(count)), false);
        }
        return read + registerName(function, address, count);
    }
    if ((function == 6 && pdu.size() == 5) ||
        (function == 16 && pdu.size() >= 6 && pdu.size() == 6u + pdu[5] && pdu[5] % 2 == 0)) {
        const int address = word(pdu, 1);
        std::vector<int> registers;
        if (function == 6) {
            registers.push_back(word(pdu, 3));
        } else {
            for (std::size_t at = 6; at + 1 < pdu.size(); at += 2) {
                registers.push_back(word(pdu, at));
            }
        }
        const int count = static_cast<int>(registers.size());
        pending_[link] = {function, address, count};
        const bool bytesOnly = std::all_of(registers.begin(), registers.end(),
                                           [](int value) { return value <= 0xFF; });
        if (bytesOnly && count > 0 && address + count <= kParameterRegisters) {
            std::vector<std::uint8_t> bytes(registers.begin(), registers.end());
            return write + fields(address, bytes, true);
        }
        std::string values;
        for (int value : registers) {
            values += (values.empty() ? "" : " ") + std::to_string(value);
        }
        return write + registerName(3, address, count) + " = " + values;
    }
    pending_.erase(link);
    char other[64];
    std::snprintf(other, sizeof other, "%s%02X", text("function ", "功能码 "), function);
    return other;
}

std::string FrameDecoder::reply(std::span<const std::uint8_t> pdu, const std::string& link) {
    const auto found = pending_.find(link);
    const Request asked = found == pending_.end() ? Request{} : found->second;
    pending_.erase(link);
    const int function = pdu[0];
    if (function & 0x80) {
        const int code = pdu.size() > 1 ? pdu[1] : 0;
        static const char* const english[] = {"", "illegal function", "illegal data address",
                                              "illegal data value", "server device failure"};
        static const char* const chinese[] = {"", "非法功能", "非法数据地址", "非法数据值",
                                              "从站设备故障"};
        char refused[96];
        std::snprintf(refused, sizeof refused, "%s%02X %s", text("exception ", "异常 "), code,
                      code >= 1 && code <= 4 ? text(english[code], chinese[code]) : "");
        std::string meaning = refused;
        while (!meaning.empty() && meaning.back() == ' ') {
            meaning.pop_back();
        }
        return meaning;
    }
    if ((function == 3 || function == 4) && pdu.size() >= 2 && pdu.size() == 2u + pdu[1] &&
        pdu[1] % 2 == 0) {
        std::vector<int> registers;
        for (std::size_t at = 2; at + 1 < pdu.size(); at += 2) {
            registers.push_back(word(pdu, at));
        }
        const int count = static_cast<int>(registers.size());
        const bool answers = asked.function == function && asked.count == count;
        if (answers && function == 4 && asked.address == 0 && count == 4) {
            char version[32];
            std::snprintf(version, sizeof version, "%d.%d.%d.%d", registers[0], registers[1],
                          registers[2], registers[3]);
            return registerName(4, 0, 4) + " = " + version;
        }
        const bool bytesOnly = std::all_of(registers.begin(), registers.end(),
                                           [](int value) { return value <= 0xFF; });
        if (answers && function == 3 && bytesOnly && asked.address + count <= kParameterRegisters) {
            return fields(asked.address,
                          std::vector<std::uint8_t>(registers.begin(), registers.end()), true);
        }
        std::string values;
        for (int value : registers) {
            values += (values.empty() ? "" : " ") + std::to_string(value);
        }
        if (answers) {
            return registerName(function, asked.address, count) + " = " + values;
        }
        return std::to_string(count) +
               (count == 1 ? text(" register = ", " 个寄存器 = ")
                           : text(" registers = ", " 个寄存器 = ")) +
               values;
    }
    if ((function == 6 || function == 16) && pdu.size() == 5) {
        return text("written", "已写入");
    }
    char other[64];
    std::snprintf(other, sizeof other, "%s%02X", text("function ", "功能码 "), function);
    return other;
}

}  // namespace traffic
