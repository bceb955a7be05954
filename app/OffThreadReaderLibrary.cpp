// SPDX-License-Identifier: LGPL-2.1-or-later
#include "OffThreadReaderLibrary.h"

#include "widgets/ModalWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <exception>
#include <utility>

OffThreadReaderLibrary::OffThreadReaderLibrary(ReaderLibrary& library)
    : library_(library), worker_([this] { workerLoop(); }) {}

OffThreadReaderLibrary::~OffThreadReaderLibrary() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void OffThreadReaderLibrary::workerLoop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

bool OffThreadReaderLibrary::onGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

int16_t OffThreadReaderLibrary::call(const std::function<int16_t(ReaderLibrary&)>& work) {
    if (!onGuiThread()) {
        return work(library_);
    }
    // Everything the worker hands back. The worker marks the call done and posts the quit
    // under one lock, so the GUI thread either sees it done (and the quit already posted) or
    // waits on for the quit still to come; the loop may also end early when the application
    // quits, and must not be left while the worker still writes here.
    struct Outcome {
        int16_t result = 0;
        ReaderError error;
        std::exception_ptr exception;
        std::mutex mutex;
        bool done = false;
    } outcome;
    QEventLoop loop;
    {
        const std::lock_guard lock(mutex_);
        jobs_.emplace_back([this, &work, &outcome, &loop] {
            int16_t result = 0;
            ReaderError error;
            std::exception_ptr exception;
            try {
                result = work(library_);
                error = library_.lastError();
            } catch (...) {
                exception = std::current_exception();
            }
            const std::lock_guard done(outcome.mutex);
            outcome.result = result;
            outcome.error = std::move(error);
            outcome.exception = exception;
            outcome.done = true;
            // Queued: the loop quits on its own thread, also when the call ended before the
            // loop started.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    }
    wake_.notify_one();
    for (;;) {
        execWithoutUserInput(loop);
        const std::lock_guard done(outcome.mutex);
        if (outcome.done) {
            break;
        }
    }
    if (outcome.exception) {
        std::rethrow_exception(outcome.exception);
    }
    guiLastError_ = std::move(outcome.error);
    return outcome.result;
}

ReaderError OffThreadReaderLibrary::lastError() const {
    return onGuiThread() ? guiLastError_ : library_.lastError();
}

int16_t OffThreadReaderLibrary::OpenReader(int32_t* handle, uint8_t linkType, const char* address) {
    return call([=](ReaderLibrary& l) { return l.OpenReader(handle, linkType, address); });
}
int16_t OffThreadReaderLibrary::CloseReader(int32_t handle) {
    return call([=](ReaderLibrary& l) { return l.CloseReader(handle); });
}
int16_t OffThreadReaderLibrary::ResetReader(int32_t handle) {
    return call([=](ReaderLibrary& l) { return l.ResetReader(handle); });
}
int16_t OffThreadReaderLibrary::SetBaudRate(int32_t handle, int32_t rateCode) {
    return call([=](ReaderLibrary& l) { return l.SetBaudRate(handle, rateCode); });
}
int16_t OffThreadReaderLibrary::SelectStation(int32_t station) {
    return call([=](ReaderLibrary& l) { return l.SelectStation(station); });
}
int16_t OffThreadReaderLibrary::SelectPort(int32_t port) {
    return call([=](ReaderLibrary& l) { return l.SelectPort(port); });
}
int16_t OffThreadReaderLibrary::GetParameter(int32_t handle, int32_t address, int32_t length,
                                             uint8_t* buffer) {
    return call([=](ReaderLibrary& l) { return l.GetParameter(handle, address, length, buffer); });
}
int16_t OffThreadReaderLibrary::SetParameter(int32_t handle, int32_t address, int32_t length,
                                             const uint8_t* buffer) {
    return call([=](ReaderLibrary& l) { return l.SetParameter(handle, address, length, buffer); });
}
int16_t OffThreadReaderLibrary::GetFirmwareVersion(int32_t handle, uint8_t* version) {
    return call([=](ReaderLibrary& l) { return l.GetFirmwareVersion(handle, version); });
}
int16_t OffThreadReaderLibrary::GetSdkVersion(int32_t handle, uint8_t* version) {
    return call([=](ReaderLibrary& l) { return l.GetSdkVersion(handle, version); });
}
int16_t OffThreadReaderLibrary::SetOLEnable(int32_t handle, uint8_t enable) {
    return call([=](ReaderLibrary& l) { return l.SetOLEnable(handle, enable); });
}
int16_t OffThreadReaderLibrary::BeginOperation(int32_t handle) {
    // On the worker too: after any call still under way on the link, never beside it.
    return call([=](ReaderLibrary& l) { return l.BeginOperation(handle); });
}
int16_t OffThreadReaderLibrary::SetLineRate(int32_t handle, int32_t bitsPerSecond) {
    return call([=](ReaderLibrary& l) { return l.SetLineRate(handle, bitsPerSecond); });
}
