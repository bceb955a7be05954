#include "Pause.h"

#include <QThread>

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
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

Sleeper setSleeper(Sleeper sleeper) {
    Sleeper previous = std::move(installedSleeper());
    installedSleeper() = std::move(sleeper);
    return previous;
}
