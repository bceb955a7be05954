#include "CommandSupport.h"

#include <fmt/format.h>

#include <cstdio>
#include <fstream>
#include <string_view>
#include <utility>

namespace ctl {

namespace {
constexpr auto kProgressTick = std::chrono::milliseconds(250);
}  // namespace

const char* const kHelpFooter = R"(
Readers:
  tcp:HOST[:PORT]        Modbus TCP to the dotted IPv4 address HOST, port 4001 by default
  serial:DEVICE[@RATE]   Modbus RTU on DEVICE (/dev/ttyUSB0, ttyS0 or COM1..COM8); the reader
                         answers at 9600 bps after opening; @RATE switches reader and line to
                         RATE (2400..115200) for the session; a reader silent at 9600 is taken
                         to run at RATE already (as scan finds it) and keeps that rate
  usb[:DEVICE]           the reader's USB port (DEVICE, else READER_USB or the first ttyACM)
  --station N            address station N (1..247); without it, the reader at the other end
                         of a point-to-point link answers. In a readers list a line may carry
                         its own "--station N".

Batch text: one line per 16-byte block, "N:" and 32 hex digits, as the batch dialog saves it.
Blocks 0 and 2, the bytes 0x67-0x69 and the MAC address 0xAC-0xB1 belong to each reader and
are never written.

Exit codes: 0 success (diff: nothing would change); 1 a reader failed (diff: something would
change); 2 usage error (bad reader name, address, key, value, list or batch text; nothing
written);
3 diff could not read the reader.
)";

int GlobalOptions::stationNumber() const {
    return station.empty() ? kAnyStation : parseStation(station);
}

void describeCommand(CLI::App& command, const std::string& about) {
    command.footer(about + "\n" + kHelpFooter);
}

void addReaderArgument(CLI::App& command, std::string& reader) {
    command.add_option("READER", reader, "tcp:HOST[:PORT], serial:DEVICE[@RATE], usb[:DEVICE]")
        ->required();
}

void setAction(CLI::App& command, std::function<int()> run) {
    command.callback([run = std::move(run)] {
        const int exitCode = run();
        if (exitCode != kExitOk) {
            throw CLI::RuntimeError(exitCode);
        }
    });
}

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

void checkInMemory(int address, int length) {
    if (address + length > batchtext::kMemorySize) {
        throw UsageError(fmt::format("0x{:02X}+{} runs past 0xFF", address, length));
    }
}

std::string formatElapsed(std::chrono::steady_clock::duration elapsed) {
    const auto tenths =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100;
    return fmt::format("{:02}:{:02}.{}", tenths / 600, tenths / 10 % 60, tenths % 10);
}

ProgressLine::ProgressLine(std::size_t total) : ProgressLine(total, {}) {}

ProgressLine::ProgressLine(std::string status) : ProgressLine(0, std::move(status)) {}

ProgressLine::ProgressLine(std::size_t total, std::string status)
    : total_(total), status_(std::move(status)) {
    std::unique_lock lock(mutex_);
    draw();
    ticker_ = std::thread([this] {
        std::unique_lock tickerLock(mutex_);
        while (!finished_.wait_for(tickerLock, kProgressTick, [this] { return !running_; })) {
            draw();
        }
    });
}

ProgressLine::~ProgressLine() {
    finish();
}

void ProgressLine::update(std::size_t done, std::size_t failed, const std::string& lineAbove) {
    std::lock_guard lock(mutex_);
    if (!lineAbove.empty()) {
        fmt::print(stderr, "\r\033[K{}\n", lineAbove);
    }
    done_ = done;
    failed_ = failed;
    draw();
}

void ProgressLine::show(const std::string& status, const std::string& lineAbove,
                        std::FILE* out) {
    std::lock_guard lock(mutex_);
    if (!lineAbove.empty()) {
        fmt::print(stderr, "\r\033[K");
        std::fflush(stderr);
        fmt::print(out, "{}\n", lineAbove);
        std::fflush(out);
    }
    status_ = status;
    draw();
}

void ProgressLine::finish() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return;
        }
        running_ = false;
        draw();
        fmt::print(stderr, "\n");
    }
    finished_.notify_all();
    ticker_.join();
}

void ProgressLine::draw() {
    if (!status_.empty()) {
        fmt::print(stderr, "\r\033[K{}, {}", status_,
                   formatElapsed(std::chrono::steady_clock::now() - start_));
        std::fflush(stderr);
        return;
    }
    fmt::print(stderr, "\r\033[K{} done, {} failed, {} remaining, {}", done_, failed_,
               total_ - done_, formatElapsed(std::chrono::steady_clock::now() - start_));
    std::fflush(stderr);
}

}  // namespace ctl
