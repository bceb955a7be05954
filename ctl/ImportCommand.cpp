// readerctl import READER FILE: a batch text into one reader, verified.

#include "Commands.h"

#include "Apply.h"
#include "Import.h"

#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

namespace ctl {

namespace {

struct ImportCommandOptions {
    std::string reader;
    std::string file;
    bool noVerify = false;
    bool reset = false;
};

int runImport(const ImportCommandOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    const BatchFile file = loadBatchFile(options.file);
    ApplyOptions apply;
    apply.import = {!options.noVerify, options.reset};
    const ReaderOutcome outcome = applyToReaders({name}, file, apply).front();
    if (!outcome.result.ok()) {
        fmt::print(stderr, "readerctl: {}\n", outcome.result.error);
        return kExitFailed;
    }
    fmt::print("{}\n", outcomeLine(outcome));
    return kExitOk;
}

}  // namespace

void addImportCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ImportCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "import", "write the blocks of FILE that differ, then read them back and compare");
    addReaderArgument(*command, options->reader);
    command->add_option("FILE", options->file, "batch text")->required();
    command->add_flag("--no-verify", options->noVerify, "skip the read-back");
    command->add_flag("--reset", options->reset, "reset the reader afterwards");
    describeCommand(
        *command,
        "Writes only the blocks whose writable bytes differ, neighbouring blocks in one request,\n"
        "and prints one line: blocks written, bytes changed, verify result, time. A file with a\n"
        "malformed line is refused as a whole, naming the line.");
    setAction(*command, [options, &global] { return runImport(*options, global); });
}

}  // namespace ctl
