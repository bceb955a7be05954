// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Starts reader-sim as a real process for end-to-end tests.
//
// start() runs `reader-sim --tcp 127.0.0.1:0 ...`: the simulator picks a free port itself and
// reports it in its ready line, "reader-sim: listening on tcp 127.0.0.1:PORT[, rtu LINK
// (/dev/pts/N)], station N", so parallel tests never race for a port. Options::bus starts a
// bus of stations on the pseudo-terminal instead of one reader. With `pty`, the
// pseudo-terminal is reachable as ptyLink() (<temp dir>/ttySIM); point READER_COMn at it.
// Every SimProcess has its own temporary folder, removed with it.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <cstdint>

class SimProcess {
  public:
    struct Options {
        bool tcp = true;        // --tcp 127.0.0.1:0 (the simulator picks the port)
        bool pty = false;       // --pty <temp dir>/ttySIM
        int station = -1;       // --station N when >= 0 (reader-sim's default is 1)
        QString memoryFile;     // --memory FILE; empty = a fresh file in the launcher's temp dir
        QString firmware;       // --firmware A.B.C.D when not empty
        bool lineRate = false;  // --line-rate
        QStringList fail;       // one --fail per entry ("0x40" or "0x40-0x4F")
        int replyDelayMs = 0;   // --reply-delay MS when > 0
        // A bus instead of one reader: one --bus STATION[@RATE]:<temp dir>/station-N.txt per
        // entry ("3", "7@19200"); needs pty (or --serial in extraArguments) and tcp false;
        // station and memoryFile are not passed then.
        QStringList bus;
        QStringList extraArguments;  // appended as they are
    };

    SimProcess();  // default Options
    // Options for a bus of stations on a pseudo-terminal and nothing else ("3", "7@19200").
    static Options busOptions(QStringList stations);
    explicit SimProcess(Options options);
    ~SimProcess();  // stop()
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // True once the simulator reported it is listening (TCP port and pseudo-terminal usable);
    // false with a qWarning carrying its error output on failure.
    bool start();
    void stop();  // SIGTERM and wait
    void kill();  // SIGKILL and wait
    bool isRunning() const;
    // The simulator's process id (to stop and continue it as a hung reader).
    qint64 processId() const { return process_.processId(); }

    quint16 tcpPort() const { return tcpPort_; }
    QString ptyLink() const { return ptyLink_; }
    QString memoryFile() const { return memoryFile_; }
    // The memory file of a bus station (it may be written before start()).
    QString memoryFile(int station) const;
    // The line the simulator printed when it became ready.
    QString readyLine() const { return readyLine_; }
    QString tempDir() const { return dir_.path(); }

    // Exit code and status after stop() or kill() (or after the process ended by itself).
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    // Waits up to msecs for the process to end by itself.
    bool waitForFinished(int msecs);
    // Everything the simulator wrote to stderr so far.
    QString errorOutput();

    std::array<std::uint8_t, 256> readMemoryFile() const;             // parsed with batchtext
    std::array<std::uint8_t, 256> readMemoryFile(int station) const;  // of a bus station
    // The serial number (0x20-0x2F) in a bus station's memory file, as the simulator made it
    // ("QLX7321E26010003" for station 3).
    QString serialNumber(int station) const;
    static void writeMemoryFile(const QString& path, const std::array<std::uint8_t, 256>& memory);
    // A memory of random bytes, the same for the same seed: a reader unlike the factory one.
    static std::array<std::uint8_t, 256> randomMemory(quint32 seed);
    static QString executable();

  private:
    static std::array<std::uint8_t, 256> readMemoryFileAt(const QString& path);

    Options options_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 tcpPort_ = 0;
    QString ptyLink_;
    QString memoryFile_;
    QString readyLine_;
    QByteArray stderr_;
};
