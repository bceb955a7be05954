// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <cstdint>
#include <string>

#include "reader/Reader.h"

// Why the last call of the calling thread failed: a result code of Reader.h (READER_OK after
// a success) and a short text that names the device or address.
struct ReaderError {
    int16_t code = READER_OK;
    std::string text;

    // A link-level failure (no answer, garbled reply, connection refused or reset, device
    // missing, busy or gone), as opposed to an answer of the reader that refused the request
    // (an exception reply, an impossible value) or a call refused before any traffic.
    bool isLinkFailure() const { return ReaderIsLinkFailure(code) != 0; }
};

// The reader access calls as the window sees them. The production implementation forwards
// to Reader.h; tests substitute a recording fake.
class ReaderLibrary {
  public:
    virtual ~ReaderLibrary() = default;

    // The result and reason of this thread's last call (ReaderLastError).
    virtual ReaderError lastError() const = 0;

    virtual int16_t OpenReader(int32_t* handle, uint8_t linkType, const char* address) = 0;
    virtual int16_t CloseReader(int32_t handle) = 0;
    virtual int16_t ResetReader(int32_t handle) = 0;
    virtual int16_t SetBaudRate(int32_t handle, int32_t rateCode) = 0;
    virtual int16_t SelectStation(int32_t station) = 0;
    virtual int16_t SelectPort(int32_t port) = 0;
    virtual int16_t GetParameter(int32_t handle, int32_t address, int32_t length,
                                 uint8_t* buffer) = 0;
    virtual int16_t SetParameter(int32_t handle, int32_t address, int32_t length,
                                 const uint8_t* buffer) = 0;
    virtual int16_t GetFirmwareVersion(int32_t handle, uint8_t* version) = 0;
    virtual int16_t GetSdkVersion(int32_t handle, uint8_t* version) = 0;
    virtual int16_t SetOLEnable(int32_t handle, uint8_t enable) = 0;
    // ReaderBeginOperation: an operation the user started begins; its first call tries the
    // link even within a reconnect pause.
    virtual int16_t BeginOperation(int32_t handle) = 0;
    // ReaderSetLineRate: switches only this side of a serial line, to reach a reader that
    // already runs at that rate.
    virtual int16_t SetLineRate(int32_t handle, int32_t bitsPerSecond) = 0;
};

// The production library: libReader.so.
class SharedReaderLibrary final : public ReaderLibrary {
  public:
    ReaderError lastError() const override;
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
    int16_t BeginOperation(int32_t handle) override;
    int16_t SetLineRate(int32_t handle, int32_t bitsPerSecond) override;
};

// The open reader as the window's operations see it: the library and the handle written by
// the last successful OpenReader (0 before the first; kept after a close).
class ReaderSession {
  public:
    explicit ReaderSession(ReaderLibrary& library) : library_(library) {}

    ReaderLibrary& library() const { return library_; }
    int32_t handle() const { return handle_; }
    int32_t* handleSlot() { return &handle_; }

    // OpenReader into the handle. Every attempt starts a new connection, whether it succeeds
    // or not: a handle number can come back for another reader, so what was read before
    // belongs to an earlier connection.
    int16_t open(uint8_t linkType, const char* address) {
        ++connection_;
        return library_.OpenReader(&handle_, linkType, address);
    }
    // Which connection the reader connected now was reached in; 0 before the first open.
    uint64_t connection() const { return connection_; }

  private:
    ReaderLibrary& library_;
    int32_t handle_ = 0;
    uint64_t connection_ = 0;
};
