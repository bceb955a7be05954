// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Saving and loading the batch configuration text. A save never leaves the chosen file or
// its backup half-written: both are written to temporary files beside them and renamed
// into place only once their content is known to be on disk.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace batchfile {

// The backup of a file: beside it, with its extension replaced by ".BAK" (added when the
// name has none). A file that already ends in ".BAK" gets a second ".BAK", so that the
// backup never is the file itself.
QString backupPath(const QString& path);

struct SaveResult {
    bool ok = false;
    QString error;  // for the user, when !ok
};

// Writes data to path. When path exists, its previous content ends up in backupPath(path).
// The steps: the new text to a synced temporary file; the previous file copied to a synced
// temporary backup; the new file renamed over path; only then the temporary backup renamed
// over the older backup. When a step fails, path and the older backup are left as they were
// (a failed last rename puts the previous file back); should even that fail, the error
// names the file that holds the previous content.
SaveResult saveWithBackup(const QString& path, const QByteArray& data);

// The system calls of a save whose failures cannot be provoked from outside (a disk that
// fails to sync, a rename refused half-way). Tests replace them to inject those failures.
struct SystemCalls {
    std::function<int(const char*, struct stat*)> stat = ::stat;
    std::function<int(int)> fdatasync = ::fdatasync;
    std::function<int(const char*, const char*)> rename = ::rename;
    std::function<int(int)> fsyncDirectory = ::fsync;
};
SystemCalls& systemCalls();

// The lines of a text, each followed by CR LF, in the local 8-bit encoding.
QByteArray encodeLines(const QStringList& lines);

// A batch text is a few hundred bytes; a larger file is not one, and reading it whole (or a
// device without end) could exhaust the memory.
inline constexpr qint64 kMaxLoadSize = 1024 * 1024;

// The lines of a file split at CR LF, CR or LF; nullopt with error set when it cannot be
// read or holds more than kMaxLoadSize bytes.
std::optional<QStringList> loadLines(const QString& path, QString* error);

}  // namespace batchfile
