// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QString>

#include <exception>
#include <functional>

// Raised by an operation that meets an edit text that is not a number. Caught by the
// dispatch before it can reach Qt's event loop and shown through reportError().
class ConversionError : public std::exception {
  public:
    explicit ConversionError(QString text) : text_(std::move(text)) {}

    const QString& text() const { return text_; }
    // "'<text>' is not a valid integer value"
    QString message() const;
    const char* what() const noexcept override { return "not a valid integer value"; }

  private:
    QString text_;
};

// The text as a decimal 32-bit integer (surrounding blanks allowed); throws ConversionError.
int toInteger(const QString& text);

// Shows an error to the user in a modal message box. Tests install their own reporter so
// that no box blocks them.
void reportError(const QString& message);

using ErrorReporter = std::function<void(const QString& message)>;
// Installs a reporter (an empty one restores the message box) and returns the previous one.
ErrorReporter setErrorReporter(ErrorReporter reporter);
