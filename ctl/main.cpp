// readerctl: configures readers from the command line, field by field through the parameter
// model's keys, or with the batch text of the window's batch dialog. Exit codes: 0 success
// (diff: nothing would change), 1 a reader failed (diff: something would change), 2 a usage
// error (bad name, address, key, value, list or file), 3 diff could not read the reader.
//
// Each command lives in its own file (ExportCommand.cpp, ...) and adds itself to the app;
// here are the app, its own options, and the exit codes of what the commands throw.

#include "Commands.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace ctl;
    CLI::App app{
        "readerctl: configure RFID readers by field name or with batch texts, from scripts and "
        "shells",
        "readerctl"};
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("-v,--version", "readerctl " READER_VERSION, "print the version and exit");
    GlobalOptions global;
    app.add_option("--station", global.station, "address station N (1..247) of every reader")
        ->type_name("N");

    addShowCommand(app, global);
    addExportCommand(app, global);
    addDiffCommand(app, global);
    addImportCommand(app, global);
    addGetCommand(app, global);
    addSetCommand(app, global);
    addApplyCommand(app, global);
    addScanCommand(app, global);
    app.footer(kHelpFooter);

    // The command runs inside parse(), after the whole command line was read.
    try {
        app.parse(argc, argv);
        return kExitOk;
    } catch (const CLI::RuntimeError& e) {  // a command's exit code other than 0
        return e.get_exit_code();
    } catch (const CLI::Success& e) {  // --help, --help-all, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        fmt::print(stderr, "readerctl: {}\nRun 'readerctl --help' for usage.\n", e.what());
        return kExitUsage;
    } catch (const UsageError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitUsage;
    } catch (const ReaderError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitFailed;
    }
}
