#pragma once

// One reader as the command-line tool names and reaches it: the name's parsing, and a link
// over the reader library that reads the whole memory in the fewest requests, writes runs
// of bytes and reads them back. Each link keeps its own port and station (OpenReaderAt), so
// links to different readers may run side by side on several threads.

#include "model/Addresses.h"
#include "model/BatchText.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// A fault in what the user gave (a reader name, an address, a list): exit code 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A reader that failed: the message names the reader and what failed, in one line.
class ReaderError : public std::runtime_error {
  public:
    explicit ReaderError(const std::string& what, bool refused = false)
        : std::runtime_error(what), refused_(refused) {}
    // The reader answered and refused the request (an exception reply): nothing was changed.
    bool refused() const { return refused_; }

  private:
    bool refused_;
};

inline constexpr int kDefaultTcpPort = 4001;
inline constexpr int kAnyStation = 0;

struct ReaderName {
    std::uint8_t linkType = 0;  // READER_LINK_*
    std::string address;        // host, device path or "COMn"; empty for the USB reader found
    int port = kDefaultTcpPort;
    int rate = 0;               // serial line rate to switch to after opening; 0 keeps 9600
    int station = kAnyStation;  // 1..247, or kAnyStation
    std::string text;           // as the user wrote it

    // "tcp:HOST:PORT" or "tcp:HOST:PORT station 3": for messages and reports.
    std::string display() const;
};

// tcp:HOST[:PORT], serial:DEVICE[@RATE], usb[:DEVICE]. Throws UsageError.
ReaderName parseReaderName(std::string_view text, int station = kAnyStation);
// 1..247; throws UsageError.
int parseStation(std::string_view text);
// A number written as 0x.. (hex) or in decimal, within [low, high]; throws UsageError naming
// what.
int parseNumber(std::string_view text, int low, int high, std::string_view what);

// The reader library's result as words.
std::string describeResult(int result);

// The most bytes one read or one write carries.
inline constexpr int kMaxRead = READER_MAX_READ;
inline constexpr int kMaxWrite = READER_MAX_WRITE;
// range cut into runs of at most maxBytes, in address order.
std::vector<Field> splitRequests(Field range, int maxBytes);
// The requests a read of range takes: runs of at most kMaxRead bytes.
std::vector<Field> readRequests(Field range);

class ReaderLink {
  public:
    // Opens the link (and switches the serial rate when the name asks). Throws ReaderError.
    explicit ReaderLink(ReaderName name);
    // Closes the link; a reader switched to another rate goes back to 9600 first, so that the
    // next open finds it where every open starts.
    ~ReaderLink();
    ReaderLink(const ReaderLink&) = delete;
    ReaderLink& operator=(const ReaderLink&) = delete;

    const ReaderName& name() const { return name_; }

    // The whole memory in the fewest requests; when one fails, its blocks are read singly to
    // name the block that fails. Throws ReaderError.
    batchtext::Memory readMemory();
    // length bytes (1..125) at address. Throws ReaderError naming the range.
    Bytes read(Field range);
    // Writes bytes at address in requests of at most kMaxWrite bytes. Throws ReaderError.
    void write(int address, const std::uint8_t* bytes, int length);
    // Reads run back and compares it with target: empty when the reader holds those bytes,
    // else "NAME: verify failed at 0x94: wrote 0F, read back 55" for the first that differs.
    // Throws ReaderError when the read itself fails.
    std::optional<std::string> readBackMismatch(Field run, const batchtext::Memory& target);
    void reset();
    // The reader's firmware version, "2.1.0.7". Throws ReaderError.
    std::string firmwareVersion();

    // How many library calls moved data, for tests and the benchmark.
    int requests() const { return requests_; }

  private:
    [[noreturn]] void fail(const std::string& what, int result) const;

    ReaderName name_;
    std::int32_t handle_ = 0;
    bool rateSwitched_ = false;  // the reader runs at name_.rate until the link closes
    int requests_ = 0;
};

}  // namespace ctl
