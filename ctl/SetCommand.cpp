// readerctl set READER KEY=VALUE... | ADDR HEX...: named fields or bytes into the parameter
// memory, never the identity.

#include "Commands.h"

#include "Fields.h"

#include "model/Codec.h"
#include "model/IdentityRule.h"

#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

namespace ctl {

namespace {

struct SetOptions {
    std::string reader;
    std::vector<std::string> words;
    bool json = false;
};

int runRawSet(const SetOptions& options, const ReaderName& name) {
    const int address = parseNumber(options.words[0], 0, 0xFF, "address");
    const std::vector<std::string> hex(options.words.begin() + 1, options.words.end());
    if (hex.empty()) {
        throw UsageError("set READER ADDR HEX... needs the bytes after the address");
    }
    const Bytes bytes = parseHexBytes(hex);
    const int length = static_cast<int>(bytes.size());
    if (length > kMaxRead) {
        throw UsageError(fmt::format("{} bytes: at most {} go in one access", length, kMaxRead));
    }
    checkInMemory(address, length);
    for (int a = address; a < address + length; ++a) {
        if (batchtext::isIdentityByte(a)) {
            throw UsageError(identityRefusal(fmt::format("0x{:02X}", a)));
        }
    }
    ReaderLink link(name);
    link.write(address, bytes.data(), length);
    if (options.json) {
        const nlohmann::ordered_json result{{"reader", name.display()},
                                            {"address", model::addressText({address, length})},
                                            {"bytes", model::hexBytes(bytes)}};
        fmt::print("{}\n", result.dump(2));
    }
    return kExitOk;
}

int runSet(const SetOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    if (isAddressWord(options.words.front())) {
        return runRawSet(options, name);
    }
    const std::vector<Assignment> assignments = parseAssignments(options.words);
    ReaderLink link(name);
    const FieldSetResult result = setFields(link, assignments);
    const FieldWrites& plan = result.plan;

    std::vector<DiffLine> changes;
    for (const model::Parameter* field : plan.changed) {
        const std::string before = fieldValue(*field, result.before);
        const std::string after = fieldValue(*field, plan.target);
        changes.push_back({field->range(),
                           fmt::format("{} {}: {} -> {}", model::addressText(field->range()),
                                       field->label.en, before, after),
                           false, field, before, after});
    }
    if (options.json) {
        nlohmann::ordered_json changed = nlohmann::ordered_json::array();
        for (const DiffLine& line : changes) {
            changed.push_back(diffJson(line));
        }
        nlohmann::ordered_json unchanged = nlohmann::ordered_json::array();
        for (const model::Parameter* field : plan.unchanged) {
            unchanged.push_back(fieldJson(*field, plan.target));
        }
        fmt::print("{}\n",
                   nlohmann::ordered_json{
                       {"reader", name.display()}, {"changed", changed}, {"unchanged", unchanged}}
                       .dump(2));
        return kExitOk;
    }
    for (const DiffLine& line : changes) {
        fmt::print("changed {}: {} -> {}\n", line.parameter->key, line.before, line.after);
    }
    for (const model::Parameter* field : plan.unchanged) {
        fmt::print("unchanged {}: {}\n", field->key, fieldValue(*field, plan.target));
    }
    return kExitOk;
}

}  // namespace

void addSetCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<SetOptions>();
    CLI::App* command = app.add_subcommand(
        "set", "set named fields (KEY=VALUE...) or write hex bytes at ADDR (never the identity)");
    addReaderArgument(*command, options->reader);
    command->add_option("SETTING", options->words, "KEY=VALUE..., or ADDR HEX... (3C 00 or 3C00)")
        ->required();
    command->add_flag("--json", options->json, "print the result as one JSON object");
    describeCommand(
        *command,
        "KEY=VALUE takes values as show prints them: a list item by its text, on/off, a\n"
        "dotted IPv4 address, a plain number. Every value is checked before anything is\n"
        "written: an unknown key, a bad value or an identity field is a usage error (exit 2).\n"
        "Only fields whose bytes differ are written, neighbours in one request, and read back\n"
        "(exit 1 when the reader kept other bytes); each key is reported changed or\n"
        "unchanged. ADDR HEX... writes at most 125 bytes; a range that touches an identity\n"
        "byte is refused before anything is written.");
    setAction(*command, [options, &global] { return runSet(*options, global); });
}

}  // namespace ctl
