// SPDX-License-Identifier: LGPL-2.1-or-later
// What a scan of a serial line probes: the device, the stations, the rates in their order and
// the answer time it gives each reader; the lists as a user writes them ("1-20,33,40-47",
// "9600,19200"). Shared by readerctl scan and the window's reader finder. No Qt.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

inline constexpr int kFirstStation = 1;
inline constexpr int kLastStation = 247;

// The time a scan gives a reader to start its answer to a probe, beyond the exchange's wire
// time: a reader answers a one-byte read from its memory within a few milliseconds, and the
// rest covers a serial adapter that holds received bytes back for a while and a busy host.
// A slower reader needs a longer one (readerctl scan --answer-time).
inline constexpr std::chrono::milliseconds kScanAnswerTime{20};

// A plan that cannot be carried out: a station outside 1..247, a rate the readers do not
// have, an empty list, an answer time outside the library's bounds.
class PlanError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// Stations 1..247.
std::vector<int> allStations();
// 9600, the rate every reader opens with, then the library's other rates in their order.
std::vector<int> defaultRates();

struct ScanPlan {
    std::string device;  // a serial device path ("/dev/ttyUSB0") or "COM1".."COM8"
    std::vector<int> stations = allStations();  // probed in this order at each rate
    std::vector<int> rates = defaultRates();    // one after the other
    std::chrono::milliseconds answerTime = kScanAnswerTime;
};

// "1-20,33,40-47": stations in the order written, each once. Throws PlanError.
std::vector<int> parseStationList(std::string_view text);
// "9600,19200": rates in the order written, each once. Throws PlanError.
std::vector<int> parseRateList(std::string_view text);
// Throws PlanError naming what is wrong with plan.
void checkPlan(const ScanPlan& plan);

}  // namespace scan
