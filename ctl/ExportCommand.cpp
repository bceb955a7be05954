// readerctl export READER [-o FILE]: the reader's memory as batch text.

#include "Commands.h"

#include "model/BatchText.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ctl {

namespace {

struct ExportOptions {
    std::string reader;
    std::string output;
};

int runExport(const ExportOptions& options, const GlobalOptions& global) {
    ReaderLink link(parseReaderName(options.reader, global.stationNumber()));
    const std::string text = batchtext::formatMemory(link.readMemory(), "\r\n");
    if (options.output.empty() || options.output == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        writeFile(options.output, text);
    }
    return kExitOk;
}

}  // namespace

void addExportCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "print the reader's 16 block lines (CR LF), as the batch dialog saves them");
    addReaderArgument(*command, options->reader);
    command->add_option("-o,--output", options->output, "write to FILE instead of stdout")
        ->type_name("FILE");
    describeCommand(*command,
                    "Reads the whole memory in three requests. A block that cannot be read is an\n"
                    "error naming the block; no file is written then.");
    setAction(*command, [options, &global] { return runExport(*options, global); });
}

}  // namespace ctl
