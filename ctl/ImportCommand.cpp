// readerctl import READER FILE: a batch text or a profile into one reader, as a transaction.

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
    bool noRollback = false;
    bool reset = false;
    bool json = false;
};

int runImport(const ImportCommandOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    const Configuration configuration = loadConfiguration(options.file);
    ApplyOptions apply;
    apply.import = {!options.noVerify, options.reset, !options.noRollback};
    const ReaderOutcome outcome = applyToReaders({name}, configuration, apply).front();
    if (options.json) {
        fmt::print("{}", jsonReport({outcome}));
    }
    if (!outcome.result.ok()) {
        fmt::print(stderr, "readerctl: {}\n", outcomeLine(outcome));
        return kExitFailed;
    }
    if (!options.json) {
        fmt::print("{}\n", outcomeLine(outcome));
    }
    return kExitOk;
}

}  // namespace

void addImportCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ImportCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "import", "write what FILE sets and the reader lacks, read it back; undo on failure");
    addReaderArgument(*command, options->reader);
    command->add_option("FILE", options->file, "batch text, or profile (.yaml, .yml, .json)")
        ->required();
    command->add_flag("--no-verify", options->noVerify, "skip the read-back");
    command->add_flag("--no-rollback", options->noRollback,
                      "on a failure, leave what was written instead of restoring it");
    command->add_flag("--reset", options->reset, "reset the reader afterwards");
    command->add_flag("--json", options->json, "print the report as JSON (see readerctl(1))");
    describeCommand(
        *command,
        "A batch text sets whole blocks; a profile sets the fields it names and leaves every\n"
        "other byte as the reader has it. Only what differs is written, neighbours in one\n"
        "request, then read back. When a write or the read-back fails after the first write,\n"
        "the bytes the reader held before are written back and verified: the result is\n"
        "\"rolled back\" (exit 1); a reader that cannot be restored is reported with the blocks\n"
        "left partly written. Prints one line: blocks written, bytes changed, verify result,\n"
        "time. A file with a malformed line is refused as a whole, naming the line (and, in a\n"
        "profile, the column).");
    setAction(*command, [options, &global] { return runImport(*options, global); });
}

}  // namespace ctl
