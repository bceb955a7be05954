#include "FieldTable.h"

#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <algorithm>

namespace ctl {

namespace {

using enum Encoding;

std::vector<NamedField> buildTable() {
    namespace a = addr;
    const std::vector<const char*> relays{"relay 1", "relay 2"};
    std::vector<NamedField> table{
        {a::Block0, "block 0 (reader identity)"},
        {a::ProductMark, "product serial number", Ascii},
        {a::EncryptionKey, "encryption key"},
        {a::EncryptionMode, "encryption mode", ModeFlag, {"static storage"}},
        {a::KeepAliveTime, "server keep-alive time", Number},
        {a::OfflineSaveInterval, "offline save interval", Number},
        {a::OfflineEnable, "offline function", OnOff},
        {a::MagicNumber, "magic number", Number},
        {a::UserCode, "user code", Number},
        {a::Buzzer, "buzzer", OnOff},
        {a::PcbNumber, "PCB number", Number},
        {a::PcbVersion, "PCB version", Number},
        {a::PcbType, "PCB type", Number},
        {a::ProductMarker, "product marker"},
        {a::RangeFilter, "tag value-range filter", Flags, {"on"}},
        {a::RangeLower, "tag value range lower bound", Number},
        {a::RangeUpper, "tag value range upper bound", Number},
        {a::MountingSide, "mounting side", Flags, {"outside"}},
        {a::OutputInterfaces,
         "output interfaces",
         Flags,
         {"RS-232", "RS-485", "Wiegand", "USB", "TCP/IP", "CAN", "COM-Keyboard", "USB-Keyboard"}},
        {a::Rs485Baud,
         "RS-485 baud rate",
         List,
         {"2400bps", "4800bps", "9600bps", "19200bps", "38400bps", "57600bps", "115200bps",
          "230400bps"}},
        {a::Rs485IdResponse, "RS-485 ID response", OnOff},
        {a::WiegandProtocol, "Wiegand protocol", Number},
        {a::WiegandPulseWidth, "Wiegand pulse width (10 us)", Number},
        {a::WiegandPulsePeriod, "Wiegand pulse period (100 us)", Number},
        {a::WiegandInterval, "Wiegand output interval (100 ms)", Number},
        {a::ResidualClear, "residual data clearing", Flags, {"on"}},
        {a::ResidualClearWait, "residual data clearing wait", Number},
        {a::TagSuppression, "tag suppression factor", Number},
        {a::WiegandStartByte, "Wiegand start byte", Number},
        {a::TriggerDelay, "trigger delay", Number},
        {a::TriggerMode, "trigger mode", Flags, {"trigger on"}},
        {a::ShutdownDelay, "automatic shut-down delay", Number},
        {a::TagRefreshInterval, "tag refresh interval", Number},
        {a::IdMatchInterval, "ID match interval", Number},
        {a::IdMatchControl,
         "ID match control",
         Flags,
         {"match", "mismatch", "continuous alarm", "single alarm", "relay 1", "relay 2"}},
        {a::TagFailureJudgement, "tag-failure judgement", Number},
        {a::Relay1Delay, "relay 1 delay", Number},
        {a::Relay2Delay, "relay 2 delay", Number},
        {a::RelayAutoClose, "relays close on a card", Flags, relays},
        {a::RelayAutoOpen, "relays open after delay", Flags, relays},
        {a::CardReadMode, "card-read mode", Number},
        {a::RssiThreshold, "RSSI threshold", Signed},
        {a::PositioningSensitivity, "positioning sensitivity", Number},
        {a::TcpWorkMode, "TCP/IP work mode", Flags, {"bit 0", "client mode"}},
        {a::AutomaticIp, "automatic IP address", Flags, {"on"}},
        {a::TcpReserved, "TCP/IP reserved byte"},
        {a::MacAddress, "MAC address", Mac},
        {a::IpAddress, "IP address", Ipv4},
        {a::SubnetMask, "subnet mask", Ipv4},
        {a::Gateway, "gateway", Ipv4},
        {a::TcpPort, "TCP port", Number},
        {a::TargetIp, "target IP address", Ipv4},
        {a::TargetPort, "target port", Number},
        {a::Attenuation1, "attenuation channel 1", Number},
        {a::Attenuation2, "attenuation channel 2", Number},
        {a::TagTypes1to4, "tag types modules 1-4", NumberList},
        {a::TagTypes5to8, "tag types modules 5-8", NumberList},
        {a::PowerRate1to4, "power and rate modules 1-4"},
        {a::PowerRate5to8, "power and rate modules 5-8"},
        {a::Frequency1to4, "frequency channels modules 1-4", NumberList},
        {a::Frequency5to8, "frequency channels modules 5-8", NumberList},
        {a::ClientLocalPort, "client local port", Number},
        {a::OutputFormat, "output format", List, {"HEX", "ASCII"}},
        {a::OutputIdPart, "output ID part"},
        {a::UploadMode, "upload mode", Flags, {"timed"}},
        {a::UploadPeriod, "timed upload period", Number},
        {a::FrameContent,
         "data frame content",
         Flags,
         {"bit 0", "bit 1", "bit 2", "bit 3", "end code", "tag ID", "reader number", "preamble"}},
        {a::FramePreamble, "frame preamble", Terminated},
        {a::FrameEndCode, "frame end code", Terminated},
    };
    std::sort(table.begin(), table.end(), [](const NamedField& x, const NamedField& y) {
        return x.field.address < y.field.address;
    });
    return table;
}

std::string flagsText(std::uint8_t byte, const std::vector<const char*>& labels) {
    std::string text;
    for (int bit = 0; bit < 8; ++bit) {
        if (!hasBit(byte, bit)) {
            continue;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += static_cast<std::size_t>(bit) < labels.size() ? std::string(labels[bit])
                                                              : fmt::format("bit {}", bit);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

const std::vector<NamedField>& namedFields() {
    static const std::vector<NamedField> table = buildTable();
    return table;
}

std::string addressText(Field field) {
    return field.width == 1 ? fmt::format("0x{:02X}", field.address)
                            : fmt::format("0x{:02X}-0x{:02X}", field.address, field.end() - 1);
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += batchtext::hexPair(byte);
    }
    return text;
}

std::string decode(const NamedField& field, std::span<const std::uint8_t> bytes) {
    const Bytes copy(bytes.begin(), bytes.end());
    switch (field.encoding) {
        case Raw:
            break;
        case Number:
            return std::to_string(fromBigEndian(copy));
        case Signed:
            return std::to_string(static_cast<std::int8_t>(bytes[0]));
        case OnOff:
            if (bytes[0] <= 1) {
                return isOnByte(bytes[0]) ? "on" : "off";
            }
            return fmt::format("0x{:02X}", bytes[0]);
        case Flags:
            return flagsText(bytes[0], field.labels);
        case List: {
            const int position = listPositionOf(bytes[0], static_cast<int>(field.labels.size()));
            if (position >= 0) {
                return field.labels[static_cast<std::size_t>(position)];
            }
            return fmt::format("0x{:02X} (not in the list)", bytes[0]);
        }
        case Ipv4:
            return fmt::format("{}.{}.{}.{}", bytes[0], bytes[1], bytes[2], bytes[3]);
        case Mac: {
            std::string text;
            for (std::uint8_t byte : bytes) {
                text += (text.empty() ? "" : ":") + batchtext::hexPair(byte);
            }
            return text;
        }
        case Ascii: {
            std::string text = "\"";
            for (std::uint8_t byte : bytes) {
                if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
                    text += static_cast<char>(byte);
                } else {
                    text += fmt::format("\\x{:02X}", byte);
                }
            }
            return text + "\"";
        }
        case NumberList: {
            std::string text;
            for (std::uint8_t byte : bytes) {
                text += (text.empty() ? "" : " ") + std::to_string(byte);
            }
            return text;
        }
        case Terminated: {
            const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0xFF});
            const std::span<const std::uint8_t> used(bytes.begin(), end);
            return used.empty() ? "(none)" : hexBytes(used);
        }
        case ModeFlag:
            return fmt::format("mode {}, {} {}", bytes[0] & 0x7F, field.labels.at(0),
                               hasBit(bytes[0], 7) ? "on" : "off");
    }
    return hexBytes(bytes);
}

std::vector<DiffLine> diffMemory(const batchtext::Memory& current, const batchtext::Memory& target,
                                 const std::array<bool, batchtext::kBlockCount>& given) {
    std::array<const NamedField*, batchtext::kMemorySize> owner{};
    for (const NamedField& named : namedFields()) {
        for (int address = named.field.address; address < named.field.end(); ++address) {
            owner[static_cast<std::size_t>(address)] = &named;
        }
    }
    auto differs = [&](int address) {
        const auto index = static_cast<std::size_t>(address);
        return given[index / batchtext::kBlockSize] && current[index] != target[index];
    };
    auto span = [](const batchtext::Memory& memory, Field field) {
        return std::span<const std::uint8_t>(memory.data() + field.address,
                                             static_cast<std::size_t>(field.width));
    };

    std::vector<DiffLine> lines;
    for (int address = 0; address < batchtext::kMemorySize;) {
        const NamedField* named = owner[static_cast<std::size_t>(address)];
        Field field{address, 1};
        std::string text;
        bool changed = false;
        if (named != nullptr) {
            field = named->field;
            for (int a = field.address; a < field.end(); ++a) {
                changed = changed || differs(a);
            }
            if (changed) {
                text = fmt::format("{} {}: {} -> {}", addressText(field), named->name,
                                   decode(*named, span(current, field)),
                                   decode(*named, span(target, field)));
            }
        } else if (differs(address)) {
            // A run of differing bytes outside every named field.
            int end = address + 1;
            while (end < batchtext::kMemorySize &&
                   owner[static_cast<std::size_t>(end)] == nullptr && differs(end)) {
                ++end;
            }
            field = Field{address, end - address};
            changed = true;
            text = fmt::format("{}: {} -> {}", addressText(field), hexBytes(span(current, field)),
                               hexBytes(span(target, field)));
        }
        if (changed) {
            bool kept = true;
            for (int a = field.address; a < field.end(); ++a) {
                kept = kept && batchtext::isIdentityByte(a);
            }
            lines.push_back({field, kept ? text + " (kept)" : text, kept});
        }
        address = field.end();
    }
    return lines;
}

}  // namespace ctl
