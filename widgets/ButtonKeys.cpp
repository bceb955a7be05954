// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ButtonKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace {

class EnterPressesButton : public QObject {
  public:
    explicit EnterPressesButton(QWidget* window) : QObject(window), window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<const QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            return false;
        }
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || button->window() != window_ || button->autoDefault() ||
            button->isDefault() || !button->isEnabled()) {
            return false;
        }
        button->click();
        return true;
    }

  private:
    QWidget* window_;
};

}  // namespace

void pressFocusedButtonOnEnter(QWidget* window) {
    // The application sees the key first, so buttons added to the window later are
    // covered too.
    qApp->installEventFilter(new EnterPressesButton(window));
}
