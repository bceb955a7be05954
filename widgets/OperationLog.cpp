// SPDX-License-Identifier: LGPL-2.1-or-later
#include "OperationLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTime>

void OperationLog::append(const QString& message) {
    const int number = lineCount() + 1;
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    memo_->appendPlainText(QStringLiteral("%1   %2  :  %3").arg(number).arg(time, message));
    memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void OperationLog::clear() {
    memo_->clear();
}

int OperationLog::lineCount() const {
    // An empty document still has one (empty) block.
    return memo_->document()->isEmpty() ? 0 : memo_->document()->blockCount();
}
