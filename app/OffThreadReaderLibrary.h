// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "session/ReaderLibrary.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs every call of another library on a worker thread while the calling GUI thread waits in
// a local event loop that paints and runs timers but handles no user input: the window keeps
// drawing during a slow call, and no button can be pressed and no handler re-entered until the
// call returns. lastError() reports the worker's last error for the GUI thread's last call.
// Calls from any other thread, or made while no application object exists, go directly to the
// wrapped library.
class OffThreadReaderLibrary final : public ReaderLibrary {
  public:
    explicit OffThreadReaderLibrary(ReaderLibrary& library);
    ~OffThreadReaderLibrary() override;
    OffThreadReaderLibrary(const OffThreadReaderLibrary&) = delete;
    OffThreadReaderLibrary& operator=(const OffThreadReaderLibrary&) = delete;

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

  private:
    // Whether calls from this thread go to the worker: the application's own thread.
    static bool onGuiThread();
    int16_t call(const std::function<int16_t(ReaderLibrary&)>& work);
    void workerLoop();

    ReaderLibrary& library_;
    ReaderError guiLastError_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread worker_;
};
