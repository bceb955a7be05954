#pragma once

#include "app/Main.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStringList>
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
