// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "session/ReaderLibrary.h"

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Bytes as uppercase hex pairs apart: "03 E8".
QString hexBytes(const std::uint8_t* bytes, std::size_t count);

// A reader library for tests: a 256-byte parameter memory, every call recorded with its
// arguments, and failures injectable by address, by operation name or by call index, each
// either a link-level failure (no answer) or an exception reply of the reader; lastError()
// gives the injected failure's code and reason like the real library.
//
// Recorded calls read like code, with addresses in hex and bytes as hex pairs:
//   OpenReader(2, "127.0.0.1")   OpenReader(3, null)   SelectStation(-1)
//   GetParameter(1, 0xAC, 6)     SetParameter(1, 0x63, 2, 03 E8)   SetBaudRate(1, 2)
class RecordingReaderLibrary : public ReaderLibrary {
  public:
    struct Call {
        QString name;
        std::vector<std::int64_t> arguments;  // numeric arguments in call order
        std::optional<QString> address;       // OpenReader's address text (nullopt = null)
        std::vector<std::uint8_t> bytes;      // bytes written by SetParameter
        QString text;                         // the readable form above
    };

    std::array<std::uint8_t, 256> memory{};
    std::array<std::uint8_t, 4> firmwareVersion{2, 1, 0, 7};
    std::array<std::uint8_t, 4> sdkVersion{1, 4, 2, 1};
    std::int32_t nextHandle = 1;
    // Runs inside every call, after it was recorded (to look at the window mid-operation).
    std::function<void(const Call&)> onCall;

    // How an injected failure fails: the link (READER_ERROR_TIMEOUT, "no answer within
    // 500 ms") or the reader's refusal (READER_ERROR_EXCEPTION, "exception 04 from the
    // reader").
    enum class Failure { Link, Exception };

    // Every Get/SetParameter whose range covers address fails (and moves no byte).
    void failAddress(int address, Failure kind = Failure::Link) {
        failingAddresses_.insert(address, kind);
    }
    // Every call of that operation fails ("OpenReader", "SetBaudRate", ...).
    void failOperation(const QString& name, Failure kind = Failure::Link) {
        failingOperations_.insert(name, kind);
    }
    // The call with this index (0 = first call recorded) fails.
    void failCallIndex(int index, Failure kind = Failure::Link) {
        failingIndices_.insert(index, kind);
    }
    void clearFailures();

    // The code and reason that an injected failure of that kind leaves.
    static ReaderError errorOf(Failure kind);

    ReaderError lastError() const override { return lastError_; }

    const std::vector<Call>& calls() const { return calls_; }
    QStringList callTexts() const;
    // Only the calls of one operation, in order.
    QStringList callTexts(const QString& name) const;
    void clearCalls() { calls_.clear(); }

    int16_t OpenReader(int32_t* handle, uint8_t linkType, const char* address) override;
    int16_t CloseReader(int32_t handle) override;
    int16_t ResetReader(int32_t handle) override;
    int16_t SetBaudRate(int32_t handle, int32_t rateCode) override;
    int16_t SelectStation(int32_t station) override;
    int16_t SelectPort(int32_t port) override;
    int16_t GetParameter(int32_t handle, int32_t address, int32_t length, uint8_t* buffer) override;
    int16_t SetParameter(int32_t handle, int32_t address, int32_t length,
                         const uint8_t* buffer) override;
    int16_t GetFirmwareVersion(int32_t handle, uint8_t* version) override;
    int16_t GetSdkVersion(int32_t handle, uint8_t* version) override;
    int16_t SetOLEnable(int32_t handle, uint8_t enable) override;
    // Kept apart from calls(), which list the calls that reach the reader.
    int16_t BeginOperation(int32_t handle) override;
    int16_t SetLineRate(int32_t handle, int32_t bitsPerSecond) override;

    // Each BeginOperation: its handle and how many calls had been recorded before it.
    struct Begin {
        std::int32_t handle;
        std::size_t callsBefore;
        bool operator==(const Begin&) const = default;
    };
    std::vector<Begin> operationsBegun;

  private:
    // Records the call; 0 when it is to succeed, else the injected failure's code (and
    // lastError() tells it).
    int16_t record(Call call, int firstAddress = -1, int length = 0);

    std::vector<Call> calls_;
    QHash<int, Failure> failingAddresses_;
    QHash<QString, Failure> failingOperations_;
    QHash<int, Failure> failingIndices_;
    int16_t refuseRange();

    ReaderError lastError_;
};

Q_DECLARE_METATYPE(RecordingReaderLibrary::Failure)
