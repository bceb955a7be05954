// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QString>
#include <QTest>
#include <QWidget>

// The ways text enters an edit box, each as the user's action would deliver it.

// Types text through real key events, one key per character. Characters beyond ASCII
// ("站", the full-width "５") arrive as a key press carrying the character, the way a
// keyboard layout or an input method in direct mode delivers them.
inline void typeText(QWidget* widget, const QString& text) {
    for (QChar character : text) {
        if (character.unicode() >= 0x20 && character.unicode() < 0x7F) {
            QTest::keyClick(widget, static_cast<char>(character.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        }
    }
}

// Puts text on the clipboard and pastes it with Ctrl+V.
inline void pasteText(QWidget* widget, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

// Drops text dragged from elsewhere at the right end of the widget.
inline void dropText(QWidget* widget, const QString& text) {
    QMimeData data;
    data.setText(text);
    const QPointF at(widget->width() - 2, widget->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
}

// An input method (a Chinese one, say) commits text it has composed.
inline void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent composing(text, {});
    QApplication::sendEvent(widget, &composing);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
}

// One of the ways above by its name: "type", "paste", "drop" or "commit".
inline void enterText(QWidget* widget, const QString& way, const QString& text) {
    if (way == QLatin1String("type")) {
        typeText(widget, text);
    } else if (way == QLatin1String("paste")) {
        pasteText(widget, text);
    } else if (way == QLatin1String("drop")) {
        dropText(widget, text);
    } else if (way == QLatin1String("commit")) {
        commitText(widget, text);
    } else {
        QFAIL(qPrintable(QStringLiteral("no way of entering text called ") + way));
    }
}
