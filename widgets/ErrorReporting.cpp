// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ErrorReporting.h"

#include <QApplication>
#include <QMessageBox>

namespace {

ErrorReporter& installedReporter() {
    static ErrorReporter reporter;
    return reporter;
}

}  // namespace

QString ConversionError::message() const {
    return QCoreApplication::translate("ConversionError", "'%1' is not a valid integer value")
        .arg(text_);
}

int toInteger(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) {
        throw ConversionError(text);
    }
    return value;
}

void reportError(const QString& message) {
    if (const ErrorReporter& reporter = installedReporter()) {
        reporter(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          message);
}

ErrorReporter setErrorReporter(ErrorReporter reporter) {
    ErrorReporter previous = std::move(installedReporter());
    installedReporter() = std::move(reporter);
    return previous;
}
