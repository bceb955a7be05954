// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "app/Main.h"
#include "tests/support/TextInput.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// Helpers shared by the window tests.
namespace windowtest {

// Picks a list item as the user does: the selection, then the activation that runs the
// list's change handler.
inline void chooseItem(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// What the user does with the station box ComboBox7, as written in the station tables:
// "" leaves it untouched; "pick N" picks item N from the list; "type TEXT KEY" replaces the
// box's text by typing TEXT and then presses Enter ("enter"), presses Tab ("tab"), or
// leaves the text as typed ("none", for "联机" to find). Several actions are joined by "; ".
inline void stationActions(QComboBox* box, const QString& actions) {
    for (const QString& action : actions.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
        const QStringList words = action.split(u' ');
        if (words.value(0) == QStringLiteral("pick")) {
            chooseItem(box, words.value(1).toInt());
            continue;
        }
        QCOMPARE(words.value(0), QStringLiteral("type"));
        QWidget* window = box->window();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        box->setFocus();
        QLineEdit* edit = box->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, words.value(1));
        const QString finish = words.value(2);
        if (finish == QStringLiteral("enter")) {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (finish == QStringLiteral("tab")) {
            QTest::keyClick(edit, Qt::Key_Tab);
            QVERIFY(!box->hasFocus());
        } else {
            QCOMPARE(finish, QStringLiteral("none"));
        }
    }
}

// The lines of the operation log.
inline QStringList logLines(const TForm1& window) {
    const QString text = window.Memo1()->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// The messages of the operation log, without line number and time; fails the match when a
// line does not have the log line's form.
inline QStringList logMessages(const TForm1& window) {
    static const QRegularExpression form(QStringLiteral("^\\d+   \\d\\d:\\d\\d:\\d\\d  :  (.*)$"));
    QStringList messages;
    for (const QString& line : logLines(window)) {
        const QRegularExpressionMatch match = form.match(line);
        messages << (match.hasMatch() ? match.captured(1) : QStringLiteral("<malformed> ") + line);
    }
    return messages;
}

// Runs action on the next modal dialog as soon as it shows (while exec() blocks the caller).
// The returned flag tells afterwards whether a dialog came up. The watch ends with owner.
inline std::shared_ptr<bool> whenModal(QObject* owner, std::function<void(QWidget*)> action) {
    auto seen = std::make_shared<bool>(false);
    auto* timer = new QTimer(owner);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen, action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        *seen = true;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
    return seen;
}

}  // namespace windowtest
