// SPDX-License-Identifier: LGPL-2.1-or-later
// Finds the readers on a serial line (an RS-485 bus): one station at a time, one rate at a
// time, on one open line. Runs on the calling thread (readerctl's main thread, a worker
// thread of the window), reports through callbacks on that thread, and stops between two
// probes once asked to. No Qt.
//
// A probe reads one byte of the parameter memory (function 03, one register: the shortest
// exchange every reader answers); its timeout is the plan's answer time plus the exchange's
// wire time at the rate (probeTimeout). A station that answered is asked for its firmware
// and its serial number (product_serial_number) with the library's normal answer time, and
// is not probed again at the other rates. Unit 255, which
// every reader on a bus answers at once, is never sent: every request names its station. The
// line is opened once, at 9600, and switched locally from rate to rate; no reader is asked to
// change its rate.
#pragma once

#include "ScanPlan.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace scan {

struct FoundReader {
    int station = 0;
    int rate = 0;
    std::string firmware;      // "2.1.0.7"
    std::string serialNumber;  // the model's text of product_serial_number
    std::string problem;       // empty, or why the serial number could not be read
};

// A station that answered, but not as a reader does: a garbled reply (two readers with one
// station answer at once and garble each other), or no firmware after an answer.
struct OddAnswer {
    int station = 0;
    int rate = 0;
    std::string reason;  // the library's reason
};

// Before each probe: probes done so far, the most probes the scan may still make beyond them
// (a reader found drops its probes at later rates), and the probe about to go out.
struct ScanProgress {
    int probed = 0;
    int total = 0;
    int station = 0;
    int rate = 0;
};

struct ScanCallbacks {
    std::function<void(const ScanProgress&)> progress = nullptr;
    std::function<void(const FoundReader&)> found = nullptr;
};

struct ScanResult {
    std::vector<FoundReader> readers;  // in the order found
    std::vector<OddAnswer> oddAnswers;
    int probed = 0;
    bool stopped = false;   // stop was set before the plan was done
    std::string lineError;  // the line could not be opened or used: the scan ended there
};

// Scans plan's line; stop is read before every probe. Throws PlanError for a plan that
// checkPlan refuses; every other trouble is in the result.
ScanResult scanLine(const ScanPlan& plan, const std::atomic<bool>& stop,
                    const ScanCallbacks& callbacks = {});

// The least time one probe occupies the line at rate (request, reply and the silence after
// each), and the time a silent station costs: that plus answerTime.
std::chrono::nanoseconds probeWireTime(int rate);
std::chrono::microseconds probeTimeout(std::chrono::milliseconds answerTime, int rate);
// The least time the firmware and serial number reads of a reader found occupy the line.
std::chrono::nanoseconds identifyWireTime(int rate);

}  // namespace scan
