#pragma once

// Saving and loading the batch configuration text. A save never leaves the chosen file or
// its backup half-written: both are written to temporary files beside them and renamed
// into place only once their content is known to be on disk.

#include <QByteArray>
#include <QString>
#include <QStringList>

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

// Writes data to path. When path exists, its previous content ends up in backupPath(path);
// an older backup is replaced only after the new one is complete. When anything fails,
// path keeps its previous content and the older backup stays as it was.
SaveResult saveWithBackup(const QString& path, const QByteArray& data);

// The lines of a text, each followed by CR LF, in the local 8-bit encoding.
QByteArray encodeLines(const QStringList& lines);

// A batch text is a few hundred bytes; a larger file is not one, and reading it whole (or a
// device without end) could exhaust the memory.
inline constexpr qint64 kMaxLoadSize = 1024 * 1024;

// The lines of a file split at CR LF, CR or LF; nullopt with error set when it cannot be
// read or holds more than kMaxLoadSize bytes.
std::optional<QStringList> loadLines(const QString& path, QString* error);

}  // namespace batchfile
