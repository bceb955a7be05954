// SPDX-License-Identifier: LGPL-2.1-or-later
// readerctl's reads and its parallel apply, against reader-sim processes:
//  - export over RTU on a pseudo-terminal with --line-rate at 9600 and 115200 bps: the whole
//    memory in three requests (125 + 125 + 6 registers) next to the wire-time limit of those
//    frames (bytes plus a 3.5-character silence between frames, 1.75 ms above 19200 bps)
//    and next to the batch dialog's export of 16 single-block reads;
//  - apply of one batch text to 1, 4, 16 and 64 simulators over loopback TCP with --jobs 1, 4
//    and 16, next to the same readers done one after another in the same run; the simulators
//    keep their memory files in /dev/shm when it exists.
// Usage: readerctl-bench [--exports N] [--rounds N] [--max-readers N]

#include "Samples.h"
#include "ctl/Apply.h"
#include "ctl/Import.h"
#include "ctl/ReaderLink.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "tests/support/SimProcess.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace {

double timed(const std::function<void()>& body) {
    const auto start = Clock::now();
    body();
    return milliseconds(Clock::now() - start);
}

// The least time reads of these ranges occupy an RTU line at rate.
double wireLimit(const std::vector<Field>& reads, int rate) {
    std::chrono::nanoseconds total{0};
    for (const Field range : reads) {
        const reader::Request request{reader::Function::ReadHolding, 0,
                                      static_cast<std::uint16_t>(range.width)};
        total += reader::exchangeWireTime(reader::rtuRequestBytes(request),
                                          reader::rtuReplyBytes(request), rate);
    }
    // Nobody waits out the silence after the last reply: the length ends the frame.
    return milliseconds(total - reader::frameGap(rate));
}

void rtuExports(int exports) {
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.lineRate = true;
    SimProcess sim(options);
    if (!sim.start()) {
        fmt::print(stderr, "readerctl-bench: reader-sim did not start\n");
        std::exit(1);
    }
    std::vector<Field> blocks;
    for (int block = 0; block < batchtext::kBlockCount; ++block) {
        blocks.push_back({block * batchtext::kBlockSize, batchtext::kBlockSize});
    }
    const std::vector<Field> whole = ctl::readRequests({0, batchtext::kMemorySize});
    fmt::print("Export over RTU (pseudo-terminal, --line-rate), median of {} (ms)\n", exports);
    fmt::print("  {:>10} {:>14} {:>12} {:>7} {:>16} {:>12} {:>9}\n", "rate", "readerctl (3)",
               "wire limit", "ratio", "dialog (16)", "wire limit", "speed-up");
    for (const int rate : {9600, 115200}) {
        ctl::ReaderLink link(
            ctl::parseReaderName(fmt::format("serial:{}@{}", sim.ptyLink().toStdString(), rate)));
        Samples ctlTimes;
        Samples dialogTimes;
        for (int i = 0; i < exports; ++i) {
            ctlTimes.add(timed([&] { link.readMemory(); }));
            dialogTimes.add(timed([&] {
                for (const Field block : blocks) {
                    link.read(block);
                }
            }));
        }
        const double ctlMedian = ctlTimes.p50();
        const double dialogMedian = dialogTimes.p50();
        const double ctlLimit = wireLimit(whole, rate);
        const double dialogLimit = wireLimit(blocks, rate);
        fmt::print("  {:>6} bps {:>14.1f} {:>12.1f} {:>7.2f} {:>16.1f} {:>12.1f} {:>9.2f}\n", rate,
                   ctlMedian, ctlLimit, ctlMedian / ctlLimit, dialogMedian, dialogLimit,
                   dialogMedian / ctlMedian);
        link.reset();  // back to 9600 for the next rate
    }
    sim.stop();
}

batchtext::Memory patterned(std::uint8_t seed) {
    batchtext::Memory memory{};
    for (std::size_t i = 0; i < memory.size(); ++i) {
        memory[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return memory;
}

ctl::Configuration wholeFile(const batchtext::Memory& memory) {
    ctl::BatchFile file;
    file.blocks = memory;
    file.given.fill(true);
    return ctl::configurationOf(file);
}

void applies(int rounds, int maxReaders) {
    std::vector<std::unique_ptr<SimProcess>> fleet;
    std::vector<ctl::ReaderName> names;
    // The simulator replaces and syncs its memory file on every write; on a disk the syncs of
    // many simulators merge in the file system's journal and the figures would time the disk.
    // In memory (tmpfs) they cost next to nothing, so the figures time the exchanges.
    const QDir shm(QStringLiteral("/dev/shm"));
    std::vector<QString> memoryFiles;
    while (static_cast<int>(fleet.size()) < maxReaders) {
        SimProcess::Options options;
        if (shm.exists()) {
            options.memoryFile = shm.filePath(QStringLiteral("readerctl-bench-%1-%2.txt")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(fleet.size()));
            memoryFiles.push_back(options.memoryFile);
        }
        auto sim = std::make_unique<SimProcess>(options);
        if (!sim->start()) {
            fmt::print(stderr, "readerctl-bench: reader-sim did not start\n");
            std::exit(1);
        }
        names.push_back(ctl::parseReaderName(fmt::format("tcp:127.0.0.1:{}", sim->tcpPort())));
        fleet.push_back(std::move(sim));
    }
    // Two texts in turn, so that every apply writes every writable block and verifies it.
    const std::array<ctl::Configuration, 2> files{wholeFile(patterned(1)), wholeFile(patterned(2))};
    int turn = 0;
    auto apply = [&](const std::vector<ctl::ReaderName>& readers, int jobs) {
        ctl::ApplyOptions options;
        options.jobs = jobs;
        const auto outcomes = ctl::applyToReaders(readers, files[turn++ % 2], options);
        for (const auto& outcome : outcomes) {
            if (!outcome.result.ok() || outcome.result.plan.blocksWritten != 14) {
                fmt::print(stderr, "readerctl-bench: {}\n", outcome.result.error);
                std::exit(1);
            }
        }
    };
    apply(names, 16);  // both texts once, as warm-up
    apply(names, 16);

    fmt::print(
        "\nApply over loopback TCP (14 blocks written and verified per reader), median of "
        "{} (ms)\n",
        rounds);
    fmt::print("  {:>7} {:>6} {:>14} {:>12} {:>9}\n", "readers", "jobs", "one by one", "parallel",
               "speed-up");
    for (const int count : {1, 4, 16, 64}) {
        if (count > maxReaders) {
            break;
        }
        const std::vector<ctl::ReaderName> readers(names.begin(), names.begin() + count);
        for (const int jobs : {1, 4, 16}) {
            Samples sequential;
            Samples parallel;
            for (int round = 0; round < rounds; ++round) {
                // Alternate which goes first, so that neither always meets a warmer machine.
                if (round % 2 == 0) {
                    sequential.add(timed([&] { apply(readers, 1); }));
                    parallel.add(timed([&] { apply(readers, jobs); }));
                } else {
                    parallel.add(timed([&] { apply(readers, jobs); }));
                    sequential.add(timed([&] { apply(readers, 1); }));
                }
            }
            const double one = sequential.p50();
            const double many = parallel.p50();
            fmt::print("  {:>7} {:>6} {:>14.1f} {:>12.1f} {:>9.2f}\n", count, jobs, one, many,
                       one / many);
        }
    }
    for (auto& sim : fleet) {
        sim->stop();
    }
    for (const QString& path : memoryFiles) {
        QFile::remove(path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CLI::App cli{"readerctl-bench: readerctl's export and apply against reader-sim"};
    int exports = 5;
    int rounds = 5;
    int maxReaders = 64;
    cli.add_option("--exports", exports, "exports per rate")->check(CLI::Range(1, 1000));
    cli.add_option("--rounds", rounds, "rounds per apply row")->check(CLI::Range(1, 1000));
    cli.add_option("--max-readers", maxReaders, "simulators to start")->check(CLI::Range(1, 64));
    CLI11_PARSE(cli, argc, argv);
    rtuExports(exports);
    applies(rounds, maxReaders);
    return 0;
}
