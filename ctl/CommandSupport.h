#pragma once

// What readerctl's commands share: the options given before the command, exit codes, the
// help text every command ends with, how a command's action reports its exit code, and the
// small helpers more than one command needs.

#include "ReaderLink.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // a reader failed; diff: something would change
inline constexpr int kExitUsage = 2;        // bad command line, name, address, list or file
inline constexpr int kExitDiffTrouble = 3;  // diff could not read the reader

// The options of readerctl itself, given before (or after) the command.
struct GlobalOptions {
    std::string station;  // empty: the reader at the other end answers

    // The station every reader is addressed at: 1..247 or kAnyStation. Throws UsageError.
    int stationNumber() const;
};

// The end of every help text: reader names, the batch text, exit codes.
extern const char* const kHelpFooter;

// command's help ends with about (a paragraph on what the command does), then kHelpFooter.
void describeCommand(CLI::App& command, const std::string& about);

// The positional READER argument, stored in reader.
void addReaderArgument(CLI::App& command, std::string& reader);

// Makes run the action of command once the whole command line parsed. An exit code other than
// kExitOk leaves CLI::App::parse as CLI::RuntimeError carrying it; UsageError and ReaderError
// leave it as they are.
void setAction(CLI::App& command, std::function<int()> run);

// Writes data to path through a temporary file and a rename. Throws UsageError.
void writeFile(const std::string& path, const std::string& data);

// "3C 00", "3C00" or "0x3C 0x00" as bytes. Throws UsageError.
Bytes parseHexBytes(const std::vector<std::string>& words);

// address and length within the 256-byte parameter memory. Throws UsageError.
void checkInMemory(int address, int length);

// "MM:SS.T"
std::string formatElapsed(std::chrono::steady_clock::duration elapsed);

// One line on stderr, "12 done, 1 failed, 51 remaining, 00:03.4", redrawn on every change and
// every quarter of a second until finish(). Callable from several threads.
class ProgressLine {
  public:
    explicit ProgressLine(std::size_t total);
    // A line of the command's own words before the time ("probed 12 of 247, station 13 at
    // 9600 bps, 00:00.5") in place of the counts; show() replaces them.
    explicit ProgressLine(std::string status);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The counts of finished and failed readers; lineAbove, when given, goes above the line.
    void update(std::size_t done, std::size_t failed, const std::string& lineAbove = {});
    // The status; lineAbove, when given, is written to out above the line (stdout for results
    // that belong with the command's output).
    void show(const std::string& status, const std::string& lineAbove = {},
              std::FILE* out = stderr);
    // The last drawing and a line end; the line stays on the screen.
    void finish();

  private:
    ProgressLine(std::size_t total, std::string status);
    void draw();  // with mutex_ held

    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable finished_;
    bool running_ = true;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    std::size_t failed_ = 0;
    std::string status_;  // when not empty, shown in place of the counts
    std::thread ticker_;
};

}  // namespace ctl
