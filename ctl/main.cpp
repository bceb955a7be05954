// readerctl: configures readers from the command line with the batch text of the window's
// batch dialog. Exit codes: 0 success (diff: nothing would change), 1 a reader failed (diff:
// something would change), 2 a usage error (bad name, address, list or file), 3 diff could
// not read the reader.

#include "Apply.h"
#include "FieldTable.h"
#include "Import.h"
#include "ReaderLink.h"

#include "model/IdentityRule.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

using namespace ctl;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitDiffTrouble = 3;
constexpr auto kProgressTick = std::chrono::milliseconds(250);

constexpr const char* kFooter = R"(
Readers:
  tcp:HOST[:PORT]        Modbus TCP to the dotted IPv4 address HOST, port 4001 by default
  serial:DEVICE[@RATE]   Modbus RTU on DEVICE (/dev/ttyUSB0, ttyS0 or COM1..COM8); the reader
                         answers at 9600 bps after opening; @RATE switches reader and line to
                         RATE (2400..115200) for the session
  usb[:DEVICE]           the reader's USB port (DEVICE, else READER_USB or the first ttyACM)
  --station N            address station N (1..247); without it, the reader at the other end
                         of a point-to-point link answers. In a readers list a line may carry
                         its own "--station N".

Batch text: one line per 16-byte block, "N:" and 32 hex digits, as the batch dialog saves it.
Blocks 0 and 2, the bytes 0x67-0x69 and the MAC address 0xAC-0xB1 belong to each reader and
are never written.

Exit codes: 0 success (diff: nothing would change); 1 a reader failed (diff: something would
change); 2 usage error (bad reader name, address, list or batch text; nothing written);
3 diff could not read the reader.
)";

void writeFile(const std::string& path, const std::string& data) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << data;
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw UsageError(fmt::format("{}: cannot be written", path));
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw UsageError(fmt::format("{}: cannot be written", path));
    }
}

std::string formatElapsed(std::chrono::steady_clock::duration elapsed) {
    const auto tenths =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100;
    return fmt::format("{:02}:{:02}.{}", tenths / 600, tenths / 10 % 60, tenths % 10);
}

Bytes parseHexBytes(const std::vector<std::string>& words) {
    Bytes bytes;
    for (const std::string& word : words) {
        std::string_view digits = word;
        if (digits.starts_with("0x") || digits.starts_with("0X")) {
            digits.remove_prefix(2);
        }
        if (digits.empty() || digits.size() % 2 != 0) {
            throw UsageError(fmt::format("'{}' is not whole bytes of hex digits", word));
        }
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            bytes.push_back(static_cast<std::uint8_t>(
                parseNumber(fmt::format("0x{}", digits.substr(i, 2)), 0, 0xFF, "byte")));
        }
    }
    return bytes;
}

struct Arguments {
    std::string station;
    std::string reader;
    std::string file;
    std::string output;
    std::string address;
    std::string length = "1";
    std::vector<std::string> hex;
    std::string readers;
    std::string report;
    int jobs = 1;
    bool noVerify = false;
    bool reset = false;
};

int stationOf(const Arguments& args) {
    return args.station.empty() ? kAnyStation : parseStation(args.station);
}

int runExport(const Arguments& args) {
    ReaderLink link(parseReaderName(args.reader, stationOf(args)));
    const std::string text = batchtext::formatMemory(link.readMemory(), "\r\n");
    if (args.output.empty() || args.output == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        writeFile(args.output, text);
    }
    return kExitOk;
}

int runDiff(const Arguments& args) {
    const ReaderName name = parseReaderName(args.reader, stationOf(args));
    const BatchFile file = loadBatchFile(args.file);
    batchtext::Memory current{};
    try {
        ReaderLink link(name);
        current = link.readMemory();
    } catch (const ReaderError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitDiffTrouble;
    }
    bool changes = false;
    for (const DiffLine& line : diffMemory(current, file.blocks, file.given)) {
        fmt::print("{}\n", line.text);
        changes = changes || !line.kept;
    }
    return changes ? kExitFailed : kExitOk;
}

int runImport(const Arguments& args) {
    const ReaderName name = parseReaderName(args.reader, stationOf(args));
    const BatchFile file = loadBatchFile(args.file);
    ApplyOptions options;
    options.import = {!args.noVerify, args.reset};
    const ReaderOutcome outcome = applyToReaders({name}, file, options).front();
    if (!outcome.result.ok()) {
        fmt::print(stderr, "readerctl: {}\n", outcome.result.error);
        return kExitFailed;
    }
    fmt::print("{}\n", outcomeLine(outcome));
    return kExitOk;
}

// A range of the parameter memory given on the command line.
void checkInMemory(int address, int length) {
    if (address + length > batchtext::kMemorySize) {
        throw UsageError(fmt::format("0x{:02X}+{} runs past 0xFF", address, length));
    }
}

int runGet(const Arguments& args) {
    const ReaderName name = parseReaderName(args.reader, stationOf(args));
    const int address = parseNumber(args.address, 0, 0xFF, "address");
    const int length = parseNumber(args.length, 1, kMaxRead, "length");
    checkInMemory(address, length);
    ReaderLink link(name);
    fmt::print("{}\n", hexBytes(link.read({address, length})));
    return kExitOk;
}

int runSet(const Arguments& args) {
    const ReaderName name = parseReaderName(args.reader, stationOf(args));
    const int address = parseNumber(args.address, 0, 0xFF, "address");
    const Bytes bytes = parseHexBytes(args.hex);
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

int runApply(const Arguments& args) {
    if (args.jobs < 1) {
        throw UsageError("--jobs must be at least 1");
    }
    const bool json = args.report.ends_with(".json");
    if (!args.report.empty() && !json && !args.report.ends_with(".csv")) {
        throw UsageError(fmt::format("report '{}': name it OUT.csv or OUT.json", args.report));
    }
    const BatchFile file = loadBatchFile(args.file);
    const std::vector<ReaderName> readers = loadReaderList(args.readers, stationOf(args));
    if (!args.report.empty()) {
        writeFile(args.report, {});  // a report that cannot be written stops before any reader
    }

    const bool terminal = isatty(STDERR_FILENO) == 1;
    const auto start = std::chrono::steady_clock::now();
    // On a terminal one line on stderr, redrawn as readers finish and as time passes; failures
    // are listed above it. Elsewhere one line per reader on stdout.
    std::mutex screen;
    std::condition_variable finishedAll;
    bool running = true;
    ApplyProgress shown{0, 0, readers.size()};
    auto drawProgress = [&] {
        fmt::print(stderr, "\r\033[K{} done, {} failed, {} remaining, {}", shown.done, shown.failed,
                   shown.total - shown.done,
                   formatElapsed(std::chrono::steady_clock::now() - start));
        std::fflush(stderr);
    };
    std::thread ticker;
    if (terminal) {
        drawProgress();
        ticker = std::thread([&] {
            std::unique_lock lock(screen);
            while (!finishedAll.wait_for(lock, kProgressTick, [&] { return !running; })) {
                drawProgress();
            }
        });
    }
    ApplyOptions options;
    options.jobs = args.jobs;
    options.import = {!args.noVerify, args.reset};
    options.finished = [&](const ReaderOutcome& outcome, const ApplyProgress& progress) {
        std::lock_guard lock(screen);
        if (!terminal) {
            fmt::print("{}\n", outcomeLine(outcome));
            std::fflush(stdout);
            return;
        }
        if (!outcome.result.ok()) {
            fmt::print(stderr, "\r\033[K{}\n", outcomeLine(outcome));
        }
        shown = progress;
        drawProgress();
    };
    const std::vector<ReaderOutcome> outcomes = applyToReaders(readers, file, options);
    if (terminal) {
        {
            std::lock_guard lock(screen);
            running = false;
            drawProgress();
            fmt::print(stderr, "\n");
        }
        finishedAll.notify_all();
        ticker.join();
    }

    std::size_t failed = 0;
    std::size_t changed = 0;  // of the readers that succeeded
    for (const ReaderOutcome& outcome : outcomes) {
        failed += outcome.result.ok() ? 0 : 1;
        changed += outcome.result.ok() && outcome.changed() ? 1 : 0;
    }
    const std::size_t ok = outcomes.size() - failed;
    if (changed == 0 && failed == 0) {
        fmt::print("{} readers: all ok, nothing changed\n", outcomes.size());
    } else {
        fmt::print("{} readers: {} ok ({} changed, {} unchanged), {} failed\n", outcomes.size(), ok,
                   changed, ok - changed, failed);
    }
    if (!args.report.empty()) {
        writeFile(args.report, json ? jsonReport(outcomes) : csvReport(outcomes));
    }
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"readerctl: configure RFID readers with batch texts, from scripts and shells",
                 "readerctl"};
    app.fallthrough();
    app.require_subcommand(1);
    Arguments args;
    app.add_option("--station", args.station, "address station N (1..247) of every reader")
        ->type_name("N");

    auto readerArgument = [&](CLI::App* command) {
        command
            ->add_option("READER", args.reader,
                         "tcp:HOST[:PORT], serial:DEVICE[@RATE], usb[:DEVICE]")
            ->required();
    };

    CLI::App* exportCommand =
        app.add_subcommand("export",
                           "print the reader's 16 block lines (CR LF), as the batch "
                           "dialog saves them");
    readerArgument(exportCommand);
    exportCommand->add_option("-o,--output", args.output, "write to FILE instead of stdout")
        ->type_name("FILE");

    CLI::App* diffCommand = app.add_subcommand(
        "diff", "list the fields writing FILE would change (exit 0: none, 1: some)");
    readerArgument(diffCommand);
    diffCommand->add_option("FILE", args.file, "batch text")->required();

    CLI::App* importCommand = app.add_subcommand(
        "import", "write the blocks of FILE that differ, then read them back and compare");
    readerArgument(importCommand);
    importCommand->add_option("FILE", args.file, "batch text")->required();
    importCommand->add_flag("--no-verify", args.noVerify, "skip the read-back");
    importCommand->add_flag("--reset", args.reset, "reset the reader afterwards");

    CLI::App* getCommand = app.add_subcommand("get", "print LEN (1..125) bytes at ADDR as hex");
    readerArgument(getCommand);
    getCommand->add_option("ADDR", args.address, "0x00..0xFF")->required();
    getCommand->add_option("LEN", args.length, "1..125 (default 1)");

    CLI::App* setCommand =
        app.add_subcommand("set", "write hex bytes at ADDR (never the identity bytes)");
    readerArgument(setCommand);
    setCommand->add_option("ADDR", args.address, "0x00..0xFF")->required();
    setCommand->add_option("HEX", args.hex, "bytes as hex digits: 3C 00 or 3C00")->required();

    CLI::App* applyCommand = app.add_subcommand(
        "apply", "import FILE into every reader of a list, N at a time, with a report");
    applyCommand->add_option("FILE", args.file, "batch text")->required();
    applyCommand
        ->add_option("--readers", args.readers,
                     "one reader a line ('READER [--station N]'), '#' comments")
        ->required()
        ->type_name("LIST");
    applyCommand->add_option("--jobs", args.jobs, "readers at a time (default 1)")->type_name("N");
    applyCommand->add_option("--report", args.report, "one row per reader: OUT.csv or OUT.json")
        ->type_name("OUT");
    applyCommand->add_flag("--no-verify", args.noVerify, "skip the read-back");
    applyCommand->add_flag("--reset", args.reset, "reset each reader afterwards");

    app.footer(kFooter);
    for (CLI::App* command : app.get_subcommands({})) {
        command->footer(kFooter);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        fmt::print(stderr, "readerctl: {}\nRun 'readerctl --help' for usage.\n", e.what());
        return kExitUsage;
    }

    try {
        if (app.got_subcommand(exportCommand)) {
            return runExport(args);
        }
        if (app.got_subcommand(diffCommand)) {
            return runDiff(args);
        }
        if (app.got_subcommand(importCommand)) {
            return runImport(args);
        }
        if (app.got_subcommand(getCommand)) {
            return runGet(args);
        }
        if (app.got_subcommand(setCommand)) {
            return runSet(args);
        }
        return runApply(args);
    } catch (const UsageError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitUsage;
    } catch (const ReaderError& error) {
        fmt::print(stderr, "readerctl: {}\n", error.what());
        return kExitFailed;
    }
}
