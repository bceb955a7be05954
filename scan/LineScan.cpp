// SPDX-License-Identifier: LGPL-2.1-or-later
#include "LineScan.h"

#include "model/Codec.h"
#include "model/Parameters.h"
#include "reader/LineTiming.h"
#include "reader/ModbusRequest.h"
#include "reader/Reader.h"
#include "reader/ReaderRegisters.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>

namespace scan {

namespace {

// The probe: one byte of the parameter memory, the first of the serial number, which every
// reader holds and reads. Its exchange is the shortest a reader answers (15 bytes).
constexpr int kProbeAddress = model::productSerialNumber.address;
const reader::Request kProbe{reader::Function::ReadHolding, kProbeAddress, 1};
// What a reader that answered is asked then: its firmware and its serial number.
const reader::Request kFirmware{reader::Function::ReadInput, reader::reg::kFirmwareFirst,
                                reader::reg::kFirmwareCount};
const reader::Request kSerialNumber{reader::Function::ReadHolding,
                                    static_cast<std::uint16_t>(model::productSerialNumber.address),
                                    static_cast<std::uint16_t>(model::productSerialNumber.width)};

std::string lastReason() {
    std::array<char, 256> text{};
    ReaderLastError(text.data(), static_cast<std::int32_t>(text.size()));
    return text.data();
}

// The open line of a scan; closed when the scan ends.
class Line {
  public:
    explicit Line(std::int32_t handle) : handle_(handle) {}
    ~Line() { CloseReader(handle_); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    std::int32_t handle() const { return handle_; }

  private:
    std::int32_t handle_;
};

// Asks the station that answered the probe for its firmware and its serial number, with the
// library's normal answer time, then goes back to the scan's. Nothing when the firmware read
// fails: the answer was no reader's; odd then says why.
std::optional<FoundReader> identify(const Line& line, const ScanPlan& plan, int station, int rate,
                                    std::string& odd) {
    ReaderSetAnswerTime(line.handle(), static_cast<std::int32_t>(reader::kAnswerTime.count()));
    std::optional<FoundReader> found;
    std::array<std::uint8_t, 4> version{};
    if (GetFirmwareVersion(line.handle(), version.data()) == READER_OK) {
        found = FoundReader{station, rate, fmt::format("{}", fmt::join(version, ".")), {}, {}};
        std::array<std::uint8_t, model::productSerialNumber.width> bytes{};
        if (GetParameter(line.handle(), model::productSerialNumber.address,
                         model::productSerialNumber.width, bytes.data()) == READER_OK) {
            found->serialNumber = model::toText(model::productSerialNumber, bytes);
        } else {
            found->problem = "serial number not read: " + lastReason();
        }
    } else {
        odd = lastReason();
    }
    ReaderSetAnswerTime(line.handle(), static_cast<std::int32_t>(plan.answerTime.count()));
    return found;
}

}  // namespace

std::chrono::nanoseconds probeWireTime(int rate) {
    return reader::exchangeWireTime(reader::rtuRequestBytes(kProbe), reader::rtuReplyBytes(kProbe),
                                    rate);
}

std::chrono::microseconds probeTimeout(std::chrono::milliseconds answerTime, int rate) {
    // As the library reckons a reply timeout on a serial line.
    return answerTime + std::chrono::ceil<std::chrono::microseconds>(probeWireTime(rate));
}

std::chrono::nanoseconds identifyWireTime(int rate) {
    return reader::exchangeWireTime(reader::rtuRequestBytes(kFirmware),
                                    reader::rtuReplyBytes(kFirmware), rate) +
           reader::exchangeWireTime(reader::rtuRequestBytes(kSerialNumber),
                                    reader::rtuReplyBytes(kSerialNumber), rate);
}

ScanResult scanLine(const ScanPlan& plan, const std::atomic<bool>& stop,
                    const ScanCallbacks& callbacks) {
    checkPlan(plan);
    ScanResult result;
    std::int32_t handle = 0;
    // Opened at the first station: not even the opening could address unit 255.
    if (OpenReaderAt(&handle, READER_LINK_SERIAL, plan.device.c_str(), 0, plan.stations.front()) !=
        READER_OK) {
        result.lineError = lastReason();
        return result;
    }
    const Line line(handle);
    if (ReaderSetAnswerTime(handle, static_cast<std::int32_t>(plan.answerTime.count())) !=
        READER_OK) {
        result.lineError = lastReason();
        return result;
    }
    std::set<int> found;
    const auto probesLeft = [&](std::size_t rateIndex, std::size_t stationIndex) {
        const auto missing = [&](auto first, auto last) {
            return static_cast<int>(
                std::count_if(first, last, [&](int station) { return !found.contains(station); }));
        };
        const int laterRates = static_cast<int>(plan.rates.size() - rateIndex - 1);
        return missing(plan.stations.begin() + static_cast<long>(stationIndex),
                       plan.stations.end()) +
               laterRates * missing(plan.stations.begin(), plan.stations.end());
    };
    for (std::size_t r = 0; r < plan.rates.size(); ++r) {
        const int rate = plan.rates[r];
        if (ReaderSetLineRate(handle, rate) != READER_OK) {
            result.lineError = lastReason();
            return result;
        }
        for (std::size_t s = 0; s < plan.stations.size(); ++s) {
            const int station = plan.stations[s];
            if (found.contains(station)) {
                continue;
            }
            if (stop.load()) {
                result.stopped = true;
                return result;
            }
            if (callbacks.progress) {
                callbacks.progress(
                    {result.probed, result.probed + probesLeft(r, s), station, rate});
            }
            ReaderSetStation(handle, station);
            std::uint8_t byte = 0;
            const std::int16_t answer = GetParameter(handle, kProbeAddress, 1, &byte);
            ++result.probed;
            if (answer == READER_OK || answer == READER_ERROR_EXCEPTION ||
                answer == READER_ERROR_BAD_VALUE) {
                // Something answers at this station: a reader, if it tells its firmware.
                std::string odd;
                if (const auto reader = identify(line, plan, station, rate, odd)) {
                    found.insert(station);
                    result.readers.push_back(*reader);
                    if (callbacks.found) {
                        callbacks.found(*reader);
                    }
                } else {
                    result.oddAnswers.push_back({station, rate, odd});
                }
            } else if (answer == READER_ERROR_GARBLED) {
                result.oddAnswers.push_back({station, rate, lastReason()});
            } else if (answer != READER_ERROR_TIMEOUT) {
                result.lineError = lastReason();  // the device went away, or the port failed
                return result;
            }
        }
    }
    return result;
}

}  // namespace scan
