// readerctl set READER ADDR HEX...: bytes into the parameter memory, never the identity.

#include "Commands.h"

#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

namespace ctl {

namespace {

struct SetOptions {
    std::string reader;
    std::string address;
    std::vector<std::string> hex;
};

int runSet(const SetOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    const int address = parseNumber(options.address, 0, 0xFF, "address");
    const Bytes bytes = parseHexBytes(options.hex);
    const int length = static_cast<int>(bytes.size());
    if (length > kMaxRead) {
        throw UsageError(fmt::format("{} bytes: at most {} go in one access", length, kMaxRead));
    }
    checkInMemory(address, length);
    for (int a = address; a < address + length; ++a) {
        if (batchtext::isIdentityByte(a)) {
            throw UsageError(fmt::format(
                "0x{:02X} belongs to the reader's identity (blocks 0 and 2, 0x67-0x69, MAC "
                "0xAC-0xB1) and is never written",
                a));
        }
    }
    ReaderLink link(name);
    link.write(address, bytes.data(), length);
    return kExitOk;
}

}  // namespace

void addSetCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetOptions>();
    CLI::App* command =
        app.add_subcommand("set", "write hex bytes at ADDR (never the identity bytes)");
    addReaderArgument(*command, options->reader);
    command->add_option("ADDR", options->address, "0x00..0xFF")->required();
    command->add_option("HEX", options->hex, "bytes as hex digits: 3C 00 or 3C00")->required();
    describeCommand(*command,
                    "At most 125 bytes in one write. A range that touches an identity byte is\n"
                    "refused before anything is written.");
    setAction(*command, [options, &global] { return runSet(*options, global); });
}

}  // namespace ctl
