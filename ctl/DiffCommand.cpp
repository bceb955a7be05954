// readerctl diff READER FILE: what importing a batch text or a profile would change, field by
// field.

#include "Commands.h"

#include "Fields.h"
#include "Import.h"
#include "MemoryDiff.h"
#include "Profile.h"

#include <fmt/format.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

namespace ctl {

namespace {

struct DiffOptions {
    std::string reader;
    std::string file;
    bool json = false;
};

int runDiff(const DiffOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    const Configuration configuration = loadConfiguration(options.file);
    batchtext::Memory current{};
    try {
        ReaderLink link(name);
        current = link.readMemory();
    } catch (const ReaderError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitDiffTrouble;
    }
    bool changes = false;
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    // A batch text's differing identity bytes are listed as kept: the rest of its blocks is
    // what the reader would hold. A profile is its fields over what the reader holds.
    const batchtext::Memory target = isProfilePath(options.file)
                                         ? planWrites(current, configuration).target
                                         : configuration.bytes;
    std::array<bool, batchtext::kBlockCount> compared = configuration.givenBlocks;
    if (isProfilePath(options.file)) {
        compared.fill(true);
    }
    for (const DiffLine& line : diffMemory(current, target, compared)) {
        if (options.json) {
            rows.push_back(diffJson(line));
        } else {
            fmt::print("{}\n", line.text);
        }
        changes = changes || !line.kept;
    }
    if (options.json) {
        fmt::print("{}\n",
                   nlohmann::ordered_json{{"reader", name.display()}, {"changes", rows}}.dump(2));
    }
    return changes ? kExitFailed : kExitOk;
}

}  // namespace

void addDiffCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App* command = app.add_subcommand(
        "diff", "list the fields writing FILE would change (exit 0: none, 1: some)");
    addReaderArgument(*command, options->reader);
    command->add_option("FILE", options->file, "batch text, or profile (.yaml, .yml, .json)")
        ->required();
    command->add_flag("--json", options->json, "print one JSON object (see readerctl(1))");
    describeCommand(
        *command,
        "Prints one line per differing field, named after the memory map with both values\n"
        "decoded (\"0x94-0x95 tag refresh interval: 60 -> 120\"), raw bytes outside named\n"
        "fields. Differing identity bytes are listed with \"(kept)\". Writes nothing.");
    setAction(*command, [options, &global] { return runDiff(*options, global); });
}

}  // namespace ctl
