// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Pause.h"

#include "widgets/ModalWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

Sleeper& installedSleeper() {
    static Sleeper sleeper;
    return sleeper;
}

}  // namespace

void pauseFor(int milliseconds) {
    if (const Sleeper& sleeper = installedSleeper()) {
        sleeper(milliseconds);
        return;
    }
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return;
    }
    // On the GUI thread the window keeps painting through the pause, but takes no input.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    execWithoutUserInput(loop);
}

Sleeper setSleeper(Sleeper sleeper) {
    Sleeper previous = std::move(installedSleeper());
    installedSleeper() = std::move(sleeper);
    return previous;
}
