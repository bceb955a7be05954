#pragma once

#include "app/OperationLog.h"
#include "reader/ReaderLibrary.h"
#include "tests/support/RecordingReaderLibrary.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>

// The log messages without their number and time ("3   10:42:07  :  message").
inline QStringList logMessages(const QPlainTextEdit& memo) {
    QStringList messages;
    const QString text = memo.toPlainText();
    if (text.isEmpty()) {
        return messages;
    }
    for (const QString& line : text.split(u'\n')) {
        messages << line.section(QStringLiteral("  :  "), 1);
    }
    return messages;
}

// A control of a page by its designer name; fails the test when it is missing.
template <typename T>
T* control(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (!found) {
        QTest::qFail(qPrintable(QStringLiteral("no control ") + name), __FILE__, __LINE__);
    }
    return found;
}

// A control's value as text: an edit's text, "1"/"0" for a ticked/unticked button.
inline QString controlValue(const QObject& parent, const QString& name) {
    if (auto* edit = parent.findChild<QLineEdit*>(name)) {
        return edit->text();
    }
    if (auto* button = parent.findChild<QAbstractButton*>(name)) {
        return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    return QStringLiteral("<missing ") + name + u'>';
}

// Types into a widget through real key events; "\b" is a backspace.
inline void typeKeys(QWidget* widget, const QString& keys) {
    for (QChar key : keys) {
        if (key == u'\b') {
            QTest::keyClick(widget, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(widget, QString(key));
        }
    }
}
