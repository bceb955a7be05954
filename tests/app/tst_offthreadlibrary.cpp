// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/OffThreadReaderLibrary.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <string>

namespace {

constexpr int kCallMs = 200;

// A library whose calls block the calling thread, fill the buffer with their address and
// keep a per-thread last error, as libReader does.
class SlowLibrary final : public ReaderLibrary {
  public:
    std::atomic<Qt::HANDLE> lastCallThread{nullptr};
    bool throwOnSet = false;

    ReaderError lastError() const override { return threadError(); }
    int16_t OpenReader(int32_t* handle, uint8_t, const char*) override {
        *handle = 7;
        return done(READER_OK);
    }
    int16_t CloseReader(int32_t) override { return done(READER_OK); }
    int16_t ResetReader(int32_t) override { return done(READER_OK); }
    int16_t SetBaudRate(int32_t, int32_t) override { return done(READER_OK); }
    int16_t SelectStation(int32_t) override { return done(READER_OK); }
    int16_t SelectPort(int32_t) override { return done(READER_OK); }
    int16_t GetParameter(int32_t handle, int32_t address, int32_t length,
                         uint8_t* buffer) override {
        QThread::msleep(kCallMs);
        for (int32_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<uint8_t>(address + i);
        }
        if (handle == 0) {
            threadError() = {READER_ERROR_TIMEOUT, "no answer in time"};
            lastCallThread = QThread::currentThreadId();
            return READER_ERROR_TIMEOUT;
        }
        return done(READER_OK);
    }
    int16_t SetParameter(int32_t, int32_t, int32_t, const uint8_t* buffer) override {
        if (throwOnSet) {
            throw std::runtime_error("out of memory");
        }
        lastWritten = buffer[0];
        return done(READER_OK);
    }
    int16_t GetFirmwareVersion(int32_t, uint8_t*) override { return done(READER_OK); }
    int16_t GetSdkVersion(int32_t, uint8_t*) override { return done(READER_OK); }
    int16_t SetOLEnable(int32_t, uint8_t) override { return done(READER_OK); }
    int16_t BeginOperation(int32_t) override { return done(READER_OK); }
    int16_t SetLineRate(int32_t, int32_t) override { return done(READER_OK); }

    uint8_t lastWritten = 0;

  private:
    static ReaderError& threadError() {
        thread_local ReaderError error;
        return error;
    }
    int16_t done(int16_t result) {
        threadError() = {};
        lastCallThread = QThread::currentThreadId();
        return result;
    }
};

class PaintCounter final : public QWidget {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class OffThreadLibraryTest : public QObject {
    Q_OBJECT
  private slots:
    void guiKeepsPaintingAndTimersRun();
    void userInputIsNotDeliveredDuringCall();
    void resultsBuffersAndLastErrorPassThrough();
    void otherThreadsCallDirectly();
    void exceptionReachesTheCaller();
    void applicationQuitDuringCallWaitsForIt();
};

void OffThreadLibraryTest::guiKeepsPaintingAndTimersRun() {
    SlowLibrary slow;
    OffThreadReaderLibrary library(slow);
    PaintCounter widget;
    widget.resize(100, 100);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::processEvents();
    const int paintsBefore = widget.paints;

    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, &widget, [&] {
        ++ticks;
        widget.update();
    });
    timer.start();
    uint8_t buffer[4] = {};
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(library.GetParameter(1, 0x10, 4, buffer), READER_OK);
    QVERIFY(clock.elapsed() >= kCallMs - 5);
    timer.stop();

    // The timer fired and the widget repainted on the GUI thread while the call ran.
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    QVERIFY2(widget.paints - paintsBefore >= 2, qPrintable(QString::number(widget.paints)));
    QVERIFY(slow.lastCallThread != QThread::currentThreadId());
}

void OffThreadLibraryTest::userInputIsNotDeliveredDuringCall() {
    SlowLibrary slow;
    OffThreadReaderLibrary library(slow);
    QPushButton button(QStringLiteral("查询"));
    button.resize(80, 30);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicked(&button, &QPushButton::clicked);

    const auto postClick = [&button] {
        const QPointF centre = QRectF(button.rect()).center();
        const QPointF global = button.mapToGlobal(centre);
        QCoreApplication::postEvent(
            &button, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                     Qt::LeftButton, {}));
        QCoreApplication::postEvent(
            &button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                     Qt::NoButton, {}));
    };
    QTimer::singleShot(50, &button, postClick);
    uint8_t buffer[2] = {};
    QCOMPARE(library.GetParameter(1, 0, 2, buffer), READER_OK);
    QCoreApplication::processEvents();
    QCOMPARE(clicked.count(), 0);

    // The same click outside a call presses the button: the fixture can see a click.
    postClick();
    QCoreApplication::processEvents();
    QCOMPARE(clicked.count(), 1);
}

void OffThreadLibraryTest::resultsBuffersAndLastErrorPassThrough() {
    SlowLibrary slow;
    OffThreadReaderLibrary library(slow);

    uint8_t buffer[3] = {};
    QCOMPARE(library.GetParameter(0, 0x20, 3, buffer), READER_ERROR_TIMEOUT);
    QCOMPARE(buffer[0], uint8_t{0x20});
    QCOMPARE(buffer[2], uint8_t{0x22});
    // The error was set on the worker thread; the GUI thread still reads it.
    const ReaderError failed = library.lastError();
    QCOMPARE(failed.code, READER_ERROR_TIMEOUT);
    QCOMPARE(failed.text, std::string("no answer in time"));
    QCOMPARE(slow.lastError().code, READER_OK);

    int32_t handle = 0;
    QCOMPARE(library.OpenReader(&handle, 1, "127.0.0.1"), READER_OK);
    QCOMPARE(handle, 7);
    QCOMPARE(library.lastError().code, READER_OK);
    const uint8_t value[1] = {0x5A};
    QCOMPARE(library.SetParameter(7, 0, 1, value), READER_OK);
    QCOMPARE(slow.lastWritten, uint8_t{0x5A});
}

void OffThreadLibraryTest::otherThreadsCallDirectly() {
    SlowLibrary slow;
    OffThreadReaderLibrary library(slow);
    Qt::HANDLE callerThread = nullptr;
    int16_t result = -1;
    ReaderError error;
    QThread* thread = QThread::create([&] {
        callerThread = QThread::currentThreadId();
        uint8_t buffer[1] = {};
        result = library.GetParameter(0, 0, 1, buffer);
        error = library.lastError();
    });
    thread->start();
    QVERIFY(thread->wait(5000));
    delete thread;
    QCOMPARE(result, READER_ERROR_TIMEOUT);
    QCOMPARE(error.code, READER_ERROR_TIMEOUT);
    QCOMPARE(slow.lastCallThread.load(), callerThread);
}

void OffThreadLibraryTest::exceptionReachesTheCaller() {
    SlowLibrary slow;
    slow.throwOnSet = true;
    OffThreadReaderLibrary library(slow);
    const uint8_t value[1] = {1};
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, library.SetParameter(7, 0, 1, value));
    // The worker survived the exception.
    slow.throwOnSet = false;
    QCOMPARE(library.SetParameter(7, 0, 1, value), READER_OK);
}

// Quitting the application ends every event loop of the GUI thread, the call's own too; the
// call still returns only with the worker's outcome.
void OffThreadLibraryTest::applicationQuitDuringCallWaitsForIt() {
    SlowLibrary slow;
    OffThreadReaderLibrary library(slow);
    QTimer::singleShot(30, [] { QCoreApplication::exit(0); });
    uint8_t buffer[2] = {};
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(library.GetParameter(0, 0x30, 2, buffer), READER_ERROR_TIMEOUT);
    QVERIFY(clock.elapsed() >= kCallMs - 5);
    QCOMPARE(buffer[1], uint8_t{0x31});
    QCOMPARE(library.lastError().code, READER_ERROR_TIMEOUT);
}

QTEST_MAIN(OffThreadLibraryTest)
#include "tst_offthreadlibrary.moc"
