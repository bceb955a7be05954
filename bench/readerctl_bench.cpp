// SPDX-License-Identifier: LGPL-2.1-or-later
// readerctl's reads and its parallel apply, against reader-sim processes:
//  - export over RTU on a pseudo-terminal with --line-rate at 9600 and 115200 bps: the whole
//    memory in three requests (125 + 125 + 6 registers) next to the wire-time limit of those
//    frames (bytes plus a 3.5-character silence between frames, 1.75 ms above 19200 bps)
//    and next to the batch dialog's export of 16 single-block reads;
//  - apply of one batch text to 1, 4, 16 and 64 simulators over loopback TCP with --jobs 1, 4
//    and 16, next to the same readers done one after another in the same run; the simulators
//    keep their memory files in /dev/shm when it exists;
//  - the same apply to 64 simulators that take 20 ms to answer each request (--reply-delay),
//    as real readers do: one by one against --jobs 16, where the waiting, not the two cores,
//    bounds the time.
// Usage: readerctl-bench [--exports N] [--rounds N] [--max-readers N] [--delayed-rounds N]

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
#include <utility>
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

// Simulators on loopback TCP, their memory in /dev/shm when it exists: the simulator replaces
// and syncs its memory file on every write; on a disk the syncs of many simulators merge in the
// file system's journal and the figures would time the disk. In memory (tmpfs) they cost next
// to nothing, so the figures time the exchanges.
struct Fleet {
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<ctl::ReaderName> names;
    std::vector<QString> memoryFiles;

    Fleet(int count, int replyDelayMs) {
        const QDir shm(QStringLiteral("/dev/shm"));
        while (static_cast<int>(sims.size()) < count) {
            SimProcess::Options options;
            options.replyDelayMs = replyDelayMs;
            if (shm.exists()) {
                options.memoryFile = shm.filePath(QStringLiteral("readerctl-bench-%1-%2-%3.txt")
                                                      .arg(QCoreApplication::applicationPid())
                                                      .arg(replyDelayMs)
                                                      .arg(sims.size()));
                memoryFiles.push_back(options.memoryFile);
            }
            auto sim = std::make_unique<SimProcess>(options);
            if (!sim->start()) {
                fmt::print(stderr, "readerctl-bench: reader-sim did not start\n");
                std::exit(1);
            }
            names.push_back(ctl::parseReaderName(fmt::format("tcp:127.0.0.1:{}", sim->tcpPort())));
            sims.push_back(std::move(sim));
        }
    }
    ~Fleet() {
        for (auto& sim : sims) {
            sim->stop();
        }
        for (const QString& path : memoryFiles) {
            QFile::remove(path);
        }
    }
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;
};

// Applies two texts in turn, so that every apply writes every writable block and verifies it.
class Applier {
  public:
    void operator()(const std::vector<ctl::ReaderName>& readers, int jobs) {
        ctl::ApplyOptions options;
        options.jobs = jobs;
        const auto outcomes = ctl::applyToReaders(readers, files_[turn_++ % 2], options);
        for (const auto& outcome : outcomes) {
            if (!outcome.result.ok() || outcome.result.plan.blocksWritten != 14) {
                fmt::print(stderr, "readerctl-bench: {}\n", outcome.result.error);
                std::exit(1);
            }
        }
    }

  private:
    std::array<ctl::Configuration, 2> files_{wholeFile(patterned(1)), wholeFile(patterned(2))};
    int turn_ = 0;
};

// One by one against jobs at once, alternating which goes first so that neither always meets
// a warmer machine; medians in ms.
std::pair<double, double> compare(Applier& apply, const std::vector<ctl::ReaderName>& readers,
                                  int jobs, int rounds) {
    Samples sequential;
    Samples parallel;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            sequential.add(timed([&] { apply(readers, 1); }));
            parallel.add(timed([&] { apply(readers, jobs); }));
        } else {
            parallel.add(timed([&] { apply(readers, jobs); }));
            sequential.add(timed([&] { apply(readers, 1); }));
        }
    }
    return {sequential.p50(), parallel.p50()};
}

void applies(int rounds, int maxReaders) {
    const Fleet fleet(maxReaders, 0);
    const std::vector<ctl::ReaderName>& names = fleet.names;
    Applier apply;
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
            const auto [one, many] = compare(apply, readers, jobs, rounds);
            fmt::print("  {:>7} {:>6} {:>14.1f} {:>12.1f} {:>9.2f}\n", count, jobs, one, many,
                       one / many);
        }
    }
}

void delayedApplies(int rounds) {
    constexpr int kReaders = 64;
    constexpr int kReplyDelayMs = 20;
    constexpr int kJobs = 16;
    const Fleet fleet(kReaders, kReplyDelayMs);
    Applier apply;
    apply(fleet.names, kJobs);  // warm-up
    const auto [one, many] = compare(apply, fleet.names, kJobs, rounds);
    fmt::print(
        "\nApply to {} readers answering after {} ms (reader-sim --reply-delay), median of "
        "{} (ms)\n",
        kReaders, kReplyDelayMs, rounds);
    fmt::print("  {:>14} {:>14} {:>9} {:>8}\n", "one by one", "--jobs 16", "speed-up", "target");
    fmt::print("  {:>14.1f} {:>14.1f} {:>9.2f} {:>8}\n", one, many, one / many, ">= 12");
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
    int delayedRounds = 3;
    cli.add_option("--delayed-rounds", delayedRounds,
                   "rounds of the apply to readers with a reply delay (0 skips it)")
        ->check(CLI::Range(0, 100));
    CLI11_PARSE(cli, argc, argv);
    rtuExports(exports);
    applies(rounds, maxReaders);
    if (delayedRounds > 0) {
        delayedApplies(delayedRounds);
    }
    return 0;
}
