// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Every named field of the reader's 256-byte parameter memory, declared once. The window's
// pages bind their controls to these, readerctl names and shows them, and the batch code
// and the identity rule work on the same addresses. List items are the window's texts,
// exactly as it shows them in Chinese and in English.

#include "model/Parameter.h"

#include <array>
#include <cstdint>

namespace model {

namespace items {

inline constexpr std::array<Text, 4> kEncryptionModes{{
    {"无加密模式", "None"},
    {"厂家加密模式", "Manufacturer"},
    {"分享加密模式", "Shared"},
    {"客户尊享模式", "Customer"},
}};
inline constexpr std::array<Text, 6> kPcbIdentifiers{{
    {"QLX_PCB_018", "QLX_PCB_018"},
    {"QLX_PCB_020", "QLX_PCB_020"},
    {"QLX_PCB_031", "QLX_PCB_031"},
    {"QLX_PCB_032", "QLX_PCB_032"},
    {"QLX_PCB_034", "QLX_PCB_034"},
    {"QLX_PCB_035", "QLX_PCB_035"},
}};
inline constexpr std::array<std::uint8_t, 6> kPcbIdentifierValues{18, 20, 31, 32, 34, 35};
// The last item is empty: a version the window shows as blank.
inline constexpr std::array<Text, 11> kPcbVersions{{
    {"V1.0", "V1.0"},
    {"V1.1", "V1.1"},
    {"V1.2", "V1.2"},
    {"V1.3", "V1.3"},
    {"V1.4", "V1.4"},
    {"V1.5", "V1.5"},
    {"V1.6", "V1.6"},
    {"V1.7", "V1.7"},
    {"V1.8", "V1.8"},
    {"V1.9", "V1.9"},
    {"", ""},
}};
inline constexpr std::array<Text, 8> kRs485Rates{{
    {"2400bps", "2400bps"},
    {"4800bps", "4800bps"},
    {"9600bps", "9600bps"},
    {"19200bps", "19200bps"},
    {"38400bps", "38400bps"},
    {"57600bps", "57600bps"},
    {"115200bps", "115200bps"},
    {"230400bps", "230400bps"},
}};
inline constexpr std::array<Text, 4> kWiegandProtocols{{
    {"Wiegand 26", "Wiegand 26"},
    {"Wiegand 34", "Wiegand 34"},
    {"Wiegand 42", "Wiegand 42"},
    {"Wiegand 50", "Wiegand 50"},
}};
inline constexpr std::array<Text, 10> kWiegandIntervals{{
    {"00--100ms", "00--100ms"},
    {"01--200ms", "01--200ms"},
    {"02--300ms", "02--300ms"},
    {"03--400ms", "03--400ms"},
    {"04--500ms", "04--500ms"},
    {"05--600ms", "05--600ms"},
    {"06--700ms", "06--700ms"},
    {"07--800ms", "07--800ms"},
    {"08--900ms", "08--900ms"},
    {"09-1000ms", "09-1000ms"},
}};
inline constexpr std::array<Text, 2> kCardReadModes{{
    {"普通读卡", "Normal read"},
    {"定位读卡", "Positioning"},
}};
inline constexpr std::array<Text, 2> kOutputFormats{{
    {"HEX 格式", "HEX"},
    {"ASCII 格式", "ASCII"},
}};
inline constexpr std::array<Text, 16> kPowerLevels{{
    {"Level 0", "Level 0"},
    {"Level 1", "Level 1"},
    {"Level 2", "Level 2"},
    {"Level 3", "Level 3"},
    {"Level 4", "Level 4"},
    {"Level 5", "Level 5"},
    {"Level 6", "Level 6"},
    {"Level 7", "Level 7"},
    {"Level 8", "Level 8"},
    {"Level 9", "Level 9"},
    {"Level 10", "Level 10"},
    {"Level 11", "Level 11"},
    {"Level 12", "Level 12"},
    {"Level 13", "Level 13"},
    {"Level 14", "Level 14"},
    {"Level 15", "Level 15"},
}};
inline constexpr std::array<Text, 4> kRfRates{{
    {"250  Kbps", "250  Kbps"},
    {"500  Kbps", "500  Kbps"},
    {"1000 Kbps", "1000 Kbps"},
    {"2000 Kbps", "2000 Kbps"},
}};
inline constexpr std::array<Text, 20> kTagTypes{{
    {"Type 1", "Type 1"},   {"Type 2", "Type 2"},   {"Type 3", "Type 3"},   {"Type 4", "Type 4"},
    {"Type 5", "Type 5"},   {"Type 6", "Type 6"},   {"Type 7", "Type 7"},   {"Type 8", "Type 8"},
    {"Type 9", "Type 9"},   {"Type 10", "Type 10"}, {"Type 11", "Type 11"}, {"Type 12", "Type 12"},
    {"Type 13", "Type 13"}, {"Type 14", "Type 14"}, {"Type 15", "Type 15"}, {"Type 16", "Type 16"},
    {"Type 17", "Type 17"}, {"Type 18", "Type 18"}, {"Type 19", "Type 19"}, {"Type 20", "Type 20"},
}};

}  // namespace items

namespace lists {
inline constexpr List kEncryptionModes{.names = items::kEncryptionModes};
inline constexpr List kPcbIdentifiers{.names = items::kPcbIdentifiers,
                                      .values = items::kPcbIdentifierValues};
inline constexpr List kPcbVersions{.names = items::kPcbVersions};
inline constexpr List kRs485Rates{.names = items::kRs485Rates};
inline constexpr List kWiegandProtocols{.names = items::kWiegandProtocols, .offset = 1};
inline constexpr List kWiegandIntervals{.names = items::kWiegandIntervals, .offset = 1};
inline constexpr List kCardReadModes{.names = items::kCardReadModes};
inline constexpr List kOutputFormats{.names = items::kOutputFormats};
inline constexpr List kPowerLevels{.names = items::kPowerLevels};
inline constexpr List kRfRates{.names = items::kRfRates};
inline constexpr List kTagTypes{.names = items::kTagTypes, .offset = 1};
inline constexpr List kTagSuppression{.first = 0, .last = 10};
inline constexpr List kWiegandStartByte{.first = 0, .last = 7};
inline constexpr List kOutputIdStart{.first = 0, .last = 7};
inline constexpr List kOutputIdCount{.first = 1, .last = 8};
inline constexpr List kPositioningSensitivity{.first = 1, .last = 10};
inline constexpr List kTagFailureJudgement{.first = 6, .last = 30};
inline constexpr List kAttenuation{.first = 0, .last = 31, .format = {"%1 dB", "%1 dB"}};
inline constexpr List kFrequencies{.format = {"%1 MHz", "%1 MHz"}, .bandFrequencies = true};
}  // namespace lists

namespace flags {
inline constexpr std::array<Flag, 1> kStaticStorage{{{7, {"静态存储", "Static store"}}}};
inline constexpr std::array<Flag, 1> kRangeFilter{{{0, {"标签值区间", "Value range"}}}};
inline constexpr std::array<Flag, 1> kMountingSide{{{0, {"门外侧位置", "Outside door"}}}};
inline constexpr std::array<Flag, 8> kOutputInterfaces{{
    {0, {"RS-232", "RS-232"}},
    {1, {"RS-485", "RS-485"}},
    {2, {"Wiegand", "Wiegand"}},
    {3, {"USB", "USB"}},
    {4, {"TCP/IP", "TCP/IP"}},
    {5, {"CAN", "CAN"}},
    {6, {"COM-Keyboard", "COM-Keyboard"}},
    {7, {"USB-Keyboard", "USB-Keyboard"}},
}};
inline constexpr std::array<Flag, 1> kResidualClear{{{0, {"清除残留数据", "Clear data"}}}};
inline constexpr std::array<Flag, 1> kTriggerMode{{{0, {"触发开", "Trigger on"}}}};
// Match and mismatch exclude each other on the page; alarms and relays go with mismatch.
inline constexpr std::array<Flag, 6> kIdMatchControl{{
    {0, {"使能匹配功能", "Match"}},
    {1, {"使能失配功能", "Mismatch"}},
    {2, {"持续报警", "Repeat"}},
    {3, {"一次报警", "Once"}},
    {4, {"继电器1自动闭合", "Relay 1"}},
    {5, {"继电器2自动闭合", "Relay 2"}},
}};
inline constexpr std::array<Flag, 2> kRelaysOnCard{{
    {0, {"识别卡继电器1自动闭合", "Close relay 1 on a tag"}},
    {1, {"识别卡继电器2自动闭合", "Close relay 2 on a tag"}},
}};
inline constexpr std::array<Flag, 2> kRelaysOpen{{
    {0, {"继电器1自动延时断开", "Open relay 1"}},
    {1, {"继电器2自动延时断开", "Open relay 2"}},
}};
// Bit 0 is always set by the window; bit 1 chooses client mode.
inline constexpr std::array<Flag, 2> kTcpWorkMode{{
    {0, {"", "bit 0"}},
    {1, {"客户端模式", "Client mode"}},
}};
inline constexpr std::array<Flag, 1> kAutomaticIp{{{0, {"自动获取IP", "Auto IP"}}}};
inline constexpr std::array<Flag, 1> kUploadMode{{{0, {"定时上传", "Timed"}}}};
inline constexpr std::array<Flag, 4> kFrameContent{{
    {7, {"前导码", "Preamble"}},
    {6, {"读写器编号", "Reader no."}},
    {5, {"标签 ID", "Tag ID"}},
    {4, {"结束码", "End code"}},
}};
}  // namespace flags

inline constexpr std::int64_t kByteMax = 0xFF;
inline constexpr std::int64_t kWordMax = 0xFFFF;
inline constexpr std::int64_t kLongMax = 0xFFFFFFFF;

// Product identification.
inline constexpr Parameter identityBlock{
    .key = "identity_block",
    .label = {"块0（读写器标识）", "block 0 (reader identity)"},
    .page = Page::Batch,
    .address = 0x00,
    .width = 16,
    .kind = Kind::Raw};
inline constexpr Parameter productSerialNumber{.key = "product_serial_number",
                                               .label = {"产品序列号", "product serial number"},
                                               .page = Page::Product,
                                               .address = 0x20,
                                               .width = 16,
                                               .kind = Kind::Ascii};
inline constexpr Parameter magicNumber{.key = "magic_number",
                                       .label = {"读写器幻数", "magic number"},
                                       .page = Page::Product,
                                       .address = 0x60,
                                       .width = 2,
                                       .kind = Kind::Unsigned,
                                       .maximum = kWordMax};
inline constexpr Parameter pcbIdentifier{.key = "pcb_identifier",
                                         .label = {"PCB标志", "PCB identifier"},
                                         .page = Page::Product,
                                         .address = 0x67,
                                         .width = 1,
                                         .kind = Kind::List,
                                         .list = &lists::kPcbIdentifiers};
inline constexpr Parameter pcbVersion{.key = "pcb_version",
                                      .label = {"PCB版本", "PCB version"},
                                      .page = Page::Product,
                                      .address = 0x68,
                                      .width = 1,
                                      .kind = Kind::List,
                                      .list = &lists::kPcbVersions};
inline constexpr Parameter pcbType{.key = "pcb_type",
                                   .label = {"PCB类型", "PCB type"},
                                   .page = Page::Product,
                                   .address = 0x69,
                                   .width = 1,
                                   .kind = Kind::Unsigned,
                                   .maximum = kByteMax};
inline constexpr Parameter productMarker{.key = "product_marker",
                                         .label = {"产品标记", "product marker"},
                                         .page = Page::Product,
                                         .address = 0x6A,
                                         .width = 4,
                                         .kind = Kind::Raw};

// Extended functions.
inline constexpr Parameter encryptionKey{.key = "encryption_key",
                                         .label = {"密钥", "encryption key"},
                                         .page = Page::ExtendedFunction,
                                         .address = 0x30,
                                         .width = 16,
                                         .kind = Kind::Raw};
inline constexpr Parameter encryptionMode{.key = "encryption_mode",
                                          .label = {"加密模式", "encryption mode"},
                                          .page = Page::ExtendedFunction,
                                          .address = 0x40,
                                          .width = 1,
                                          .kind = Kind::NumberWithFlag,
                                          .list = &lists::kEncryptionModes,
                                          .flags = flags::kStaticStorage};
inline constexpr Parameter offlineSaveInterval{.key = "offline_save_interval",
                                               .label = {"保存记录间隔", "offline save interval"},
                                               .page = Page::ExtendedFunction,
                                               .address = 0x54,
                                               .width = 2,
                                               .kind = Kind::Unsigned,
                                               .maximum = kWordMax,
                                               .unit = "s"};
inline constexpr Parameter offlineFunction{.key = "offline_function",
                                           .label = {"使能离线功能", "offline function"},
                                           .page = Page::ExtendedFunction,
                                           .address = 0x57,
                                           .width = 1,
                                           .kind = Kind::OnOff};
inline constexpr Parameter tagRangeFilter{.key = "tag_range_filter",
                                          .label = {"标签值区间", "tag value-range filter"},
                                          .page = Page::ExtendedFunction,
                                          .address = 0x6E,
                                          .width = 1,
                                          .kind = Kind::Flags,
                                          .flags = flags::kRangeFilter};
inline constexpr Parameter tagRangeLower{.key = "tag_range_lower",
                                         .label = {"最小", "tag value range lower bound"},
                                         .page = Page::ExtendedFunction,
                                         .address = 0x78,
                                         .width = 4,
                                         .kind = Kind::Unsigned,
                                         .maximum = kLongMax};
inline constexpr Parameter tagRangeUpper{.key = "tag_range_upper",
                                         .label = {"最大", "tag value range upper bound"},
                                         .page = Page::ExtendedFunction,
                                         .address = 0x7C,
                                         .width = 4,
                                         .kind = Kind::Unsigned,
                                         .maximum = kLongMax};
inline constexpr Parameter mountingSide{.key = "mounting_side",
                                        .label = {"读写器安装属性", "mounting side"},
                                        .page = Page::ExtendedFunction,
                                        .address = 0x81,
                                        .width = 1,
                                        .kind = Kind::Flags,
                                        .flags = flags::kMountingSide};
inline constexpr Parameter tagSuppression{.key = "tag_suppression",
                                          .label = {"标签抑制因子", "tag suppression factor"},
                                          .page = Page::ExtendedFunction,
                                          .address = 0x8E,
                                          .width = 1,
                                          .kind = Kind::List,
                                          .list = &lists::kTagSuppression};

// Basic functions.
inline constexpr Parameter userCode{.key = "user_code",
                                    .label = {"用户编码", "user code"},
                                    .page = Page::BasicFunction,
                                    .address = 0x63,
                                    .width = 2,
                                    .kind = Kind::Unsigned,
                                    .maximum = kWordMax};
inline constexpr Parameter buzzer{.key = "buzzer",
                                  .label = {"蜂鸣器", "buzzer"},
                                  .page = Page::BasicFunction,
                                  .address = 0x65,
                                  .width = 1,
                                  .kind = Kind::OnOff};
inline constexpr Parameter residualClear{.key = "residual_clear",
                                         .label = {"清除残留数据", "residual data clearing"},
                                         .page = Page::BasicFunction,
                                         .address = 0x8C,
                                         .width = 1,
                                         .kind = Kind::Flags,
                                         .flags = flags::kResidualClear};
inline constexpr Parameter residualClearWait{
    .key = "residual_clear_wait",
    .label = {"清除残留数据等待时间", "residual data clearing wait"},
    .page = Page::BasicFunction,
    .address = 0x8D,
    .width = 1,
    .kind = Kind::Unsigned,
    .maximum = kByteMax,
    .unit = "s"};
inline constexpr Parameter triggerDelay{.key = "trigger_delay",
                                        .label = {"触发延时工作时间", "trigger delay"},
                                        .page = Page::BasicFunction,
                                        .address = 0x90,
                                        .width = 1,
                                        .kind = Kind::Unsigned,
                                        .maximum = kByteMax,
                                        .unit = "s"};
inline constexpr Parameter triggerMode{.key = "trigger_mode",
                                       .label = {"触发参数", "trigger mode"},
                                       .page = Page::BasicFunction,
                                       .address = 0x91,
                                       .width = 1,
                                       .kind = Kind::Flags,
                                       .flags = flags::kTriggerMode};
inline constexpr Parameter shutdownDelay{.key = "shutdown_delay",
                                         .label = {"自动关机延时时间", "automatic shut-down delay"},
                                         .page = Page::BasicFunction,
                                         .address = 0x92,
                                         .width = 1,
                                         .kind = Kind::Unsigned,
                                         .maximum = kByteMax,
                                         .unit = "s"};
inline constexpr Parameter tagRefreshInterval{.key = "tag_refresh_interval",
                                              .label = {"标签刷新间隔", "tag refresh interval"},
                                              .page = Page::BasicFunction,
                                              .address = 0x94,
                                              .width = 2,
                                              .kind = Kind::Unsigned,
                                              .maximum = kWordMax,
                                              .unit = "s"};
inline constexpr Parameter idMatchInterval{.key = "id_match_interval",
                                           .label = {"失配检测时间间隔", "ID match interval"},
                                           .page = Page::BasicFunction,
                                           .address = 0x96,
                                           .width = 1,
                                           .kind = Kind::Unsigned,
                                           .maximum = kByteMax,
                                           .unit = "s"};
inline constexpr Parameter idMatchControl{.key = "id_match_control",
                                          .label = {"ID匹配/失配", "ID match control"},
                                          .page = Page::BasicFunction,
                                          .address = 0x97,
                                          .width = 1,
                                          .kind = Kind::Flags,
                                          .flags = flags::kIdMatchControl};
inline constexpr Parameter relay1Delay{.key = "relay1_delay",
                                       .label = {"继电器1延时时间", "relay 1 delay"},
                                       .page = Page::BasicFunction,
                                       .address = 0x9B,
                                       .width = 1,
                                       .kind = Kind::Unsigned,
                                       .maximum = kByteMax,
                                       .unit = "s"};
inline constexpr Parameter relay2Delay{.key = "relay2_delay",
                                       .label = {"继电器2延时时间", "relay 2 delay"},
                                       .page = Page::BasicFunction,
                                       .address = 0x9C,
                                       .width = 1,
                                       .kind = Kind::Unsigned,
                                       .maximum = kByteMax,
                                       .unit = "s"};
inline constexpr Parameter relaysCloseOnCard{
    .key = "relays_close_on_card",
    .label = {"识别卡继电器自动闭合", "relays close on a card"},
    .page = Page::BasicFunction,
    .address = 0x9D,
    .width = 1,
    .kind = Kind::Flags,
    .flags = flags::kRelaysOnCard};
inline constexpr Parameter relaysOpenAfterDelay{
    .key = "relays_open_after_delay",
    .label = {"继电器自动延时断开", "relays open after delay"},
    .page = Page::BasicFunction,
    .address = 0x9E,
    .width = 1,
    .kind = Kind::Flags,
    .flags = flags::kRelaysOpen};

// Communication ports.
inline constexpr Parameter keepAliveTime{.key = "keep_alive_time",
                                         .label = {"服务器保活时间", "server keep-alive time"},
                                         .page = Page::CommPort,
                                         .address = 0x50,
                                         .width = 2,
                                         .kind = Kind::Unsigned,
                                         .maximum = kWordMax,
                                         .unit = "s"};
inline constexpr Parameter rs485BaudRate{.key = "rs485_baud_rate",
                                         .label = {"485波特率", "RS-485 baud rate"},
                                         .page = Page::CommPort,
                                         .address = 0x83,
                                         .width = 1,
                                         .kind = Kind::List,
                                         .list = &lists::kRs485Rates};
inline constexpr Parameter rs485IdResponse{.key = "rs485_id_response",
                                           .label = {"ID应答传输", "RS-485 ID response"},
                                           .page = Page::CommPort,
                                           .address = 0x85,
                                           .width = 1,
                                           .kind = Kind::OnOff};
inline constexpr Parameter wiegandProtocol{.key = "wiegand_protocol",
                                           .label = {"通信协议", "Wiegand protocol"},
                                           .page = Page::CommPort,
                                           .address = 0x87,
                                           .width = 1,
                                           .kind = Kind::List,
                                           .list = &lists::kWiegandProtocols};
inline constexpr Parameter wiegandPulseWidth{.key = "wiegand_pulse_width",
                                             .label = {"脉冲宽度", "Wiegand pulse width"},
                                             .page = Page::CommPort,
                                             .address = 0x88,
                                             .width = 1,
                                             .kind = Kind::Unsigned,
                                             .maximum = kByteMax,
                                             .unit = "10 us"};
inline constexpr Parameter wiegandPulsePeriod{.key = "wiegand_pulse_period",
                                              .label = {"脉冲周期", "Wiegand pulse period"},
                                              .page = Page::CommPort,
                                              .address = 0x89,
                                              .width = 1,
                                              .kind = Kind::Unsigned,
                                              .maximum = kByteMax,
                                              .unit = "100 us"};
inline constexpr Parameter wiegandInterval{.key = "wiegand_interval",
                                           .label = {"输出间隔", "Wiegand output interval"},
                                           .page = Page::CommPort,
                                           .address = 0x8B,
                                           .width = 1,
                                           .kind = Kind::List,
                                           .list = &lists::kWiegandIntervals};
inline constexpr Parameter wiegandStartByte{.key = "wiegand_start_byte",
                                            .label = {"起始字节", "Wiegand start byte"},
                                            .page = Page::CommPort,
                                            .address = 0x8F,
                                            .width = 1,
                                            .kind = Kind::List,
                                            .list = &lists::kWiegandStartByte};
inline constexpr Parameter tcpWorkMode{.key = "tcp_work_mode",
                                       .label = {"客户端模式", "TCP/IP work mode"},
                                       .page = Page::CommPort,
                                       .address = 0xA9,
                                       .width = 1,
                                       .kind = Kind::Flags,
                                       .flags = flags::kTcpWorkMode};
inline constexpr Parameter automaticIp{.key = "automatic_ip",
                                       .label = {"自动获取IP", "automatic IP address"},
                                       .page = Page::CommPort,
                                       .address = 0xAA,
                                       .width = 1,
                                       .kind = Kind::Flags,
                                       .flags = flags::kAutomaticIp};
inline constexpr Parameter tcpReserved{.key = "tcp_reserved",
                                       .label = {"TCP/IP保留字节", "TCP/IP reserved byte"},
                                       .page = Page::CommPort,
                                       .address = 0xAB,
                                       .width = 1,
                                       .kind = Kind::Raw};
inline constexpr Parameter macAddress{.key = "mac_address",
                                      .label = {"MAC地址", "MAC address"},
                                      .page = Page::CommPort,
                                      .address = 0xAC,
                                      .width = 6,
                                      .kind = Kind::Mac};
inline constexpr Parameter ipAddress{.key = "ip_address",
                                     .label = {"IP地址", "IP address"},
                                     .page = Page::CommPort,
                                     .address = 0xB2,
                                     .width = 4,
                                     .kind = Kind::Ipv4};
inline constexpr Parameter subnetMask{.key = "subnet_mask",
                                      .label = {"子网", "subnet mask"},
                                      .page = Page::CommPort,
                                      .address = 0xB6,
                                      .width = 4,
                                      .kind = Kind::Ipv4};
inline constexpr Parameter gateway{.key = "gateway",
                                   .label = {"网关", "gateway"},
                                   .page = Page::CommPort,
                                   .address = 0xBA,
                                   .width = 4,
                                   .kind = Kind::Ipv4};
inline constexpr Parameter tcpPort{.key = "tcp_port",
                                   .label = {"端口号", "TCP port"},
                                   .page = Page::CommPort,
                                   .address = 0xBE,
                                   .width = 2,
                                   .kind = Kind::Unsigned,
                                   .maximum = kWordMax};
inline constexpr Parameter targetIpAddress{.key = "target_ip_address",
                                           .label = {"目标IP", "target IP address"},
                                           .page = Page::CommPort,
                                           .address = 0xC0,
                                           .width = 4,
                                           .kind = Kind::Ipv4};
inline constexpr Parameter targetPort{.key = "target_port",
                                      .label = {"目标端口", "target port"},
                                      .page = Page::CommPort,
                                      .address = 0xC4,
                                      .width = 2,
                                      .kind = Kind::Unsigned,
                                      .maximum = kWordMax};
inline constexpr Parameter clientLocalPort{.key = "client_local_port",
                                           .label = {"客户端本地端口", "client local port"},
                                           .page = Page::CommPort,
                                           .address = 0xEC,
                                           .width = 2,
                                           .kind = Kind::Unsigned,
                                           .maximum = kWordMax};

// Upload and data frame.
inline constexpr Parameter outputInterfaces{.key = "output_interfaces",
                                            .label = {"输出接口", "output interfaces"},
                                            .page = Page::Upload,
                                            .address = 0x82,
                                            .width = 1,
                                            .kind = Kind::Flags,
                                            .flags = flags::kOutputInterfaces};
inline constexpr Parameter uploadMode{.key = "upload_mode",
                                      .label = {"定时上传", "upload mode"},
                                      .page = Page::Upload,
                                      .address = 0xF4,
                                      .width = 1,
                                      .kind = Kind::Flags,
                                      .flags = flags::kUploadMode};
inline constexpr Parameter uploadPeriod{.key = "upload_period",
                                        .label = {"定时时间", "timed upload period"},
                                        .page = Page::Upload,
                                        .address = 0xF5,
                                        .width = 2,
                                        .kind = Kind::Unsigned,
                                        .maximum = kWordMax,
                                        .unit = "s"};
inline constexpr Parameter outputFormat{.key = "output_format",
                                        .label = {"输出格式", "output format"},
                                        .page = Page::DataFrame,
                                        .address = 0xF0,
                                        .width = 1,
                                        .kind = Kind::List,
                                        .list = &lists::kOutputFormats};
inline constexpr Parameter outputIdPart{
    .key = "output_id_part",
    .label = {"输出ID部分（起始字节/字节数）", "output ID part (start byte / bytes)"},
    .page = Page::DataFrame,
    .address = 0xF1,
    .width = 1,
    .kind = Kind::NibblePair,
    .list = &lists::kOutputIdStart,
    .low = &lists::kOutputIdCount};
inline constexpr Parameter frameContent{.key = "frame_content",
                                        .label = {"数据帧内容", "data frame content"},
                                        .page = Page::DataFrame,
                                        .address = 0xF7,
                                        .width = 1,
                                        .kind = Kind::Flags,
                                        .flags = flags::kFrameContent};
inline constexpr Parameter framePreamble{.key = "frame_preamble",
                                         .label = {"前导码", "frame preamble"},
                                         .page = Page::DataFrame,
                                         .address = 0xF8,
                                         .width = 4,
                                         .kind = Kind::HexTerminated};
inline constexpr Parameter frameEndCode{.key = "frame_end_code",
                                        .label = {"结束码", "frame end code"},
                                        .page = Page::DataFrame,
                                        .address = 0xFC,
                                        .width = 4,
                                        .kind = Kind::HexTerminated};

// RF.
inline constexpr Parameter rssiThreshold{.key = "rssi_threshold",
                                         .label = {"RSSI 参数", "RSSI threshold"},
                                         .page = Page::RfBasic,
                                         .address = 0xA1,
                                         .width = 1,
                                         .kind = Kind::Signed,
                                         .minimum = -110,
                                         .maximum = -10};
inline constexpr Parameter attenuation1{.key = "attenuation_channel1",
                                        .label = {"通道一系数", "attenuation channel 1"},
                                        .page = Page::RfBasic,
                                        .address = 0xC6,
                                        .width = 1,
                                        .kind = Kind::List,
                                        .list = &lists::kAttenuation};
inline constexpr Parameter attenuation2{.key = "attenuation_channel2",
                                        .label = {"通道二系数", "attenuation channel 2"},
                                        .page = Page::RfBasic,
                                        .address = 0xC7,
                                        .width = 1,
                                        .kind = Kind::List,
                                        .list = &lists::kAttenuation};

inline constexpr int kRfModules = 8;

// The three bytes of RF module n (1..8): its tag type, power and rate, and frequency.
struct RfModule {
    Parameter tagType;
    Parameter powerRate;
    Parameter frequency;
};

namespace detail {
inline constexpr std::array<std::string_view, kRfModules * 3> kRfModuleKeys{
    "rf_module1_tag_type", "rf_module1_power_rate", "rf_module1_frequency",
    "rf_module2_tag_type", "rf_module2_power_rate", "rf_module2_frequency",
    "rf_module3_tag_type", "rf_module3_power_rate", "rf_module3_frequency",
    "rf_module4_tag_type", "rf_module4_power_rate", "rf_module4_frequency",
    "rf_module5_tag_type", "rf_module5_power_rate", "rf_module5_frequency",
    "rf_module6_tag_type", "rf_module6_power_rate", "rf_module6_frequency",
    "rf_module7_tag_type", "rf_module7_power_rate", "rf_module7_frequency",
    "rf_module8_tag_type", "rf_module8_power_rate", "rf_module8_frequency",
};
inline constexpr std::array<std::string_view, kRfModules * 3> kRfModuleLabels{
    "module 1 tag type", "module 1 rate / power", "module 1 frequency",
    "module 2 tag type", "module 2 rate / power", "module 2 frequency",
    "module 3 tag type", "module 3 rate / power", "module 3 frequency",
    "module 4 tag type", "module 4 rate / power", "module 4 frequency",
    "module 5 tag type", "module 5 rate / power", "module 5 frequency",
    "module 6 tag type", "module 6 rate / power", "module 6 frequency",
    "module 7 tag type", "module 7 rate / power", "module 7 frequency",
    "module 8 tag type", "module 8 rate / power", "module 8 frequency",
};

constexpr RfModule rfModule(int index) {
    const auto at = [index](int part) { return static_cast<std::size_t>(index * 3 + part); };
    const Page page = index < 4 ? Page::RfChannel1 : Page::RfChannel2;
    return RfModule{
        {.key = kRfModuleKeys[at(0)],
         .label = {"标签", kRfModuleLabels[at(0)]},
         .page = page,
         .address = 0xC8 + index,
         .width = 1,
         .kind = Kind::List,
         .list = &lists::kTagTypes},
        {.key = kRfModuleKeys[at(1)],
         .label = {"速率/功率", kRfModuleLabels[at(1)]},
         .page = page,
         .address = 0xD0 + index,
         .width = 1,
         .kind = Kind::NibblePair,
         .list = &lists::kRfRates,
         .low = &lists::kPowerLevels},
        {.key = kRfModuleKeys[at(2)],
         .label = {"频率", kRfModuleLabels[at(2)]},
         .page = page,
         .address = 0xD8 + index,
         .width = 1,
         .kind = Kind::List,
         .list = &lists::kFrequencies},
    };
}
}  // namespace detail

// Modules 1..8 at index 0..7.
inline constexpr std::array<RfModule, kRfModules> rfModules{
    detail::rfModule(0), detail::rfModule(1), detail::rfModule(2), detail::rfModule(3),
    detail::rfModule(4), detail::rfModule(5), detail::rfModule(6), detail::rfModule(7),
};

// Positioning.
inline constexpr Parameter tagFailureJudgement{.key = "tag_failure_judgement",
                                               .label = {"失效判定", "tag-failure judgement"},
                                               .page = Page::Positioning,
                                               .address = 0x9A,
                                               .width = 1,
                                               .kind = Kind::List,
                                               .list = &lists::kTagFailureJudgement};
inline constexpr Parameter cardReadMode{.key = "card_read_mode",
                                        .label = {"读卡模式", "card-read mode"},
                                        .page = Page::Positioning,
                                        .address = 0x9F,
                                        .width = 1,
                                        .kind = Kind::List,
                                        .list = &lists::kCardReadModes};
inline constexpr Parameter positioningSensitivity{
    .key = "positioning_sensitivity",
    .label = {"定位灵敏度", "positioning sensitivity"},
    .page = Page::Positioning,
    .address = 0xA7,
    .width = 1,
    .kind = Kind::List,
    .list = &lists::kPositioningSensitivity};

}  // namespace model
