// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ModalWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

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

void execWithoutUserInput(QEventLoop& loop) {
    const UserInputBlocker blocker;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
