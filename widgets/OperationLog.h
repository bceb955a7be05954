// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QString>

class QPlainTextEdit;

// The numbered, time-stamped operation log of the main window ("1   10:42:07  :  message").
// Every operation of the main window reports through it.
class OperationLog {
  public:
    explicit OperationLog(QPlainTextEdit* memo) : memo_(memo) {}

    void append(const QString& message);
    // Empties the log; numbering starts again at 1.
    void clear();
    int lineCount() const;

  private:
    QPlainTextEdit* memo_;
};
