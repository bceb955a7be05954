#pragma once

#include <QString>
#include <QTest>
#include <QWidget>

// Types text into a widget through real key events, one key per character. Characters
// beyond ASCII ("站", the full-width "５") arrive as a key press carrying the character,
// the way a keyboard layout or an input method in direct mode delivers them.
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
