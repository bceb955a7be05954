#include "BatchFile.h"

#include "BatchText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace batchfile {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("batchfile", text);
}

QString backupError() {
    return tr("Unable to create backup file.");
}

QString writeError(const QString& path, const QString& reason) {
    return tr("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
}

// QSaveFile of Qt 6.4 may report a successful commit after a failed buffered write, so the
// write is flushed and its error checked before the commit is even attempted.
bool writeAll(QSaveFile& file, const QByteArray& data) {
    return file.write(data) == data.size() && file.flush() && file.error() == QFile::NoError;
}

// Copies in pieces, so that saving over a large file does not need its size in memory.
bool copyAll(QFile& from, QSaveFile& to) {
    QByteArray chunk;
    do {
        chunk = from.read(64 * 1024);
        if (from.error() != QFile::NoError || to.write(chunk) != chunk.size()) {
            return false;
        }
    } while (!chunk.isEmpty());
    return to.flush() && to.error() == QFile::NoError;
}

}  // namespace

QString backupPath(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    QString backupName = (dot < 0 ? name : name.left(dot)) + QStringLiteral(".BAK");
    if (backupName == name) {
        backupName = name + QStringLiteral(".BAK");
    }
    return info.dir().filePath(backupName);
}

SaveResult saveWithBackup(const QString& path, const QByteArray& data) {
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly)) {
        return {false, writeError(path, target.errorString())};
    }
    if (!writeAll(target, data)) {
        const QString reason = target.errorString();
        target.cancelWriting();
        return {false, writeError(path, reason)};
    }

    if (QFileInfo::exists(path)) {
        QFile previous(path);
        if (!previous.open(QIODevice::ReadOnly)) {
            target.cancelWriting();
            return {false, backupError()};
        }
        QSaveFile backup(backupPath(path));
        if (!backup.open(QIODevice::WriteOnly) || !copyAll(previous, backup) || !backup.commit()) {
            backup.cancelWriting();
            target.cancelWriting();
            return {false, backupError()};
        }
    }

    if (!target.commit()) {
        return {false, writeError(path, target.errorString())};
    }
    return {true, {}};
}

QByteArray encodeLines(const QStringList& lines) {
    QByteArray data;
    for (const QString& line : lines) {
        data += line.toLocal8Bit();
        data += "\r\n";
    }
    return data;
}

std::optional<QStringList> loadLines(const QString& path, QString* error) {
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly)) {
        data = file.read(kMaxLoadSize + 1);
    }
    if (!file.isOpen() || file.error() != QFile::NoError) {
        if (error) {
            *error = tr("Cannot open file \"%1\". %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        }
        return std::nullopt;
    }
    if (data.size() > kMaxLoadSize) {
        if (error) {
            *error = tr("File \"%1\" is too large for a batch text.")
                         .arg(QDir::toNativeSeparators(path));
        }
        return std::nullopt;
    }
    QStringList lines;
    for (std::string_view line : batchtext::splitLines({data.constData(), size_t(data.size())})) {
        lines << QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
    }
    return lines;
}

}  // namespace batchfile
