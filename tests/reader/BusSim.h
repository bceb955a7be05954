// SPDX-License-Identifier: LGPL-2.1-or-later
// reader-sim as an RS-485 bus of several readers on one pseudo-terminal (--bus), for the tests
// of probing a line: each station has its own memory file (and so its own serial number,
// ending in the station's four digits) and its own rate; absent stations and other rates stay
// silent, and unit 255 makes the readers' answers collide.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <vector>

class BusSim {
  public:
    struct Station {
        int station = 1;
        int rate = 9600;
    };
    struct Options {
        bool lineRate = false;                    // --line-rate
        std::chrono::milliseconds replyDelay{0};  // --reply-delay MS when above 0
    };

    BusSim(const std::vector<Station>& stations, Options options);
    BusSim(const std::vector<Station>& stations) : BusSim(stations, Options{}) {}
    ~BusSim();  // SIGTERM and wait
    BusSim(const BusSim&) = delete;
    BusSim& operator=(const BusSim&) = delete;

    // True once the simulator reported it is listening; false with a qWarning carrying its
    // error output.
    bool start();
    // The pseudo-terminal's link, for OpenReaderAt or "serial:LINK".
    QString device() const { return device_; }
    // The serial number (bytes 0x20-0x2F) in a station's memory file, as the simulator
    // created it ("QLX7321E26010003" for station 3).
    QString serialNumber(int station) const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    QString device_;
};
