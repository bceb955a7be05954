// readerctl get READER KEY... | ADDR [LEN]: named fields as key=value lines, or bytes of the
// parameter memory as hex.

#include "Commands.h"

#include "Fields.h"

#include "model/Codec.h"

#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

namespace ctl {

namespace {

struct GetOptions {
    std::string reader;
    std::vector<std::string> words;
    bool json = false;
};

int runRawGet(const GetOptions& options, const ReaderName& name) {
    if (options.words.size() > 2) {
        throw UsageError("get READER ADDR [LEN] takes an address and at most a length");
    }
    const int address = parseNumber(options.words[0], 0, 0xFF, "address");
    const int length =
        options.words.size() > 1 ? parseNumber(options.words[1], 1, kMaxRead, "length") : 1;
    checkInMemory(address, length);
    ReaderLink link(name);
    const std::string bytes = model::hexBytes(link.read({address, length}));
    if (options.json) {
        const nlohmann::ordered_json result{{"reader", name.display()},
                                            {"address", model::addressText({address, length})},
                                            {"bytes", bytes}};
        fmt::print("{}\n", result.dump(2));
    } else {
        fmt::print("{}\n", bytes);
    }
    return kExitOk;
}

int runGet(const GetOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    if (isAddressWord(options.words.front())) {
        return runRawGet(options, name);
    }
    std::vector<const model::Parameter*> fields;
    for (const std::string& key : options.words) {
        fields.push_back(&fieldOfKey(key));
    }
    ReaderLink link(name);
    const batchtext::Memory memory = link.readMemory();
    if (options.json) {
        nlohmann::ordered_json rows = nlohmann::ordered_json::array();
        for (const model::Parameter* field : fields) {
            rows.push_back(fieldJson(*field, memory));
        }
        fmt::print("{}\n",
                   nlohmann::ordered_json{{"reader", name.display()}, {"fields", rows}}.dump(2));
    } else {
        for (const model::Parameter* field : fields) {
            fmt::print("{}={}\n", field->key, fieldValue(*field, memory));
        }
    }
    return kExitOk;
}

}  // namespace

void addGetCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<GetOptions>();
    CLI::App* command = app.add_subcommand(
        "get", "print named fields as KEY=VALUE, or LEN (1..125) bytes at ADDR as hex");
    addReaderArgument(*command, options->reader);
    command->add_option("KEY|ADDR", options->words, "field keys (see show), or ADDR [LEN]")
        ->required();
    command->add_flag("--json", options->json, "print one JSON object (see readerctl(1))");
    describeCommand(
        *command,
        "With keys (snake_case, as show lists them) prints one line per key, \"buzzer=on\",\n"
        "with the value as the window shows it; an unknown key names the closest ones.\n"
        "With ADDR [LEN] (hex with 0x or decimal; 1..125 bytes) prints the bytes on one\n"
        "line, \"00 78\".");
    setAction(*command, [options, &global] { return runGet(*options, global); });
}

}  // namespace ctl
