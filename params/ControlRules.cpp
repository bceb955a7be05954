// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ControlRules.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

void enableAll(std::initializer_list<QWidget*> widgets, bool enabled) {
    for (QWidget* widget : widgets) {
        widget->setEnabled(enabled);
    }
}

void moveFocusOnWhenFull(QLineEdit* edit, int length) {
    // A hidden edit has no place in the focus chain the user sees: walking on from it would
    // take the focus off its page.
    if (!edit->isVisible() || edit->text().length() < length) {
        return;
    }
    for (QWidget* next = edit->nextInFocusChain(); next && next != edit;
         next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisible()) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void fillNumbers(QComboBox* list, int first, int last) {
    list->clear();
    for (int number = first; number <= last; ++number) {
        list->addItem(QString::number(number));
    }
    list->setCurrentIndex(0);
}
