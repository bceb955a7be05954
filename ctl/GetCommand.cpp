// readerctl get READER ADDR [LEN]: bytes of the parameter memory as hex.

#include "Commands.h"

#include "model/Codec.h"

#include <fmt/format.h>

#include <memory>
#include <string>

namespace ctl {

namespace {

struct GetOptions {
    std::string reader;
    std::string address;
    std::string length = "1";
};

int runGet(const GetOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    const int address = parseNumber(options.address, 0, 0xFF, "address");
    const int length = parseNumber(options.length, 1, kMaxRead, "length");
    checkInMemory(address, length);
    ReaderLink link(name);
    fmt::print("{}\n", model::hexBytes(link.read({address, length})));
    return kExitOk;
}

}  // namespace

void addGetCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetOptions>();
    CLI::App* command = app.add_subcommand("get", "print LEN (1..125) bytes at ADDR as hex");
    addReaderArgument(*command, options->reader);
    command->add_option("ADDR", options->address, "0x00..0xFF")->required();
    command->add_option("LEN", options->length, "1..125 (default 1)");
    describeCommand(*command,
                    "ADDR and LEN are hex with 0x or decimal; the bytes are printed on one line,\n"
                    "\"00 78\".");
    setAction(*command, [options, &global] { return runGet(*options, global); });
}

}  // namespace ctl
