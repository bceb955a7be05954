#include "OffThreadReaderLibrary.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <exception>
#include <utility>

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

// While installed, swallows user input that reaches the application by another way than the
// window system (posted events), which the local loop's flag does not hold back.
class UserInputBlocker final : public QObject {
  public:
    UserInputBlocker() { QCoreApplication::instance()->installEventFilter(this); }
    ~UserInputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }
    UserInputBlocker(const UserInputBlocker&) = delete;
    UserInputBlocker& operator=(const UserInputBlocker&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (isUserInput(event->type())) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

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
    // Everything the worker hands back; read only after the loop has seen the call end.
    struct Outcome {
        int16_t result = 0;
        ReaderError error;
        std::exception_ptr exception;
    } outcome;
    QEventLoop loop;
    const UserInputBlocker blocker;
    {
        const std::lock_guard lock(mutex_);
        jobs_.emplace_back([this, &work, &outcome, &loop] {
            try {
                outcome.result = work(library_);
                outcome.error = library_.lastError();
            } catch (...) {
                outcome.exception = std::current_exception();
            }
            // Queued: the loop quits on its own thread, also when the call ended before the
            // loop started.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    }
    wake_.notify_one();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
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
