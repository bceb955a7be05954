// SPDX-License-Identifier: LGPL-2.1-or-later
#include "LimitedMemo.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

#include <algorithm>
#include <climits>

LimitedMemo::LimitedMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
}

void LimitedMemo::setKeyFilter(KeyFilterFunction filter) {
    filter_ = filter;
    KeyPressFilter::install(this, filter);
}

int LimitedMemo::room() const {
    if (maxLength_ <= 0) {
        return INT_MAX;
    }
    const QTextCursor cursor = textCursor();
    const int kept = document()->characterCount() - 1 -
                     static_cast<int>(cursor.selectionEnd() - cursor.selectionStart());
    return std::max(0, maxLength_ - kept);
}

QString LimitedMemo::admitted(const QString& text) const {
    QString result;
    for (QChar character : text) {
        if (filter_) {
            if (!character.isPrint()) {
                continue;
            }
            character = filter_(character);
            if (character.isNull() || !character.isPrint()) {
                continue;
            }
        }
        result += character;
    }
    return result.left(room());
}

void LimitedMemo::keyPressEvent(QKeyEvent* event) {
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    const QString text = event->text();
    if (!shortcut && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && filter_ &&
        filter_(u'\r').isNull()) {
        event->accept();
        return;
    }
    if (!shortcut && text.size() == 1 && text[0].isPrint() && room() == 0) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent limited(event->preeditString(), event->attributes());
    limited.setCommitString(admitted(event->commitString()), event->replacementStart(),
                            event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&limited);
}

void LimitedMemo::insertFromMimeData(const QMimeData* source) {
    if (source->hasText()) {
        insertPlainText(admitted(source->text()));
    }
}
