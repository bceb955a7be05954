// SPDX-License-Identifier: LGPL-2.1-or-later
#include "FailureReason.h"

#include "ReaderLibrary.h"

#include <QCoreApplication>

QString failureReason(const ReaderLibrary& library) {
    const ReaderError error = library.lastError();
    if (error.code == READER_OK || error.text.empty()) {
        return {};
    }
    return QCoreApplication::translate("ReaderLibrary", "原因: %1")
        .arg(QString::fromStdString(error.text));
}
