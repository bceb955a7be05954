// SPDX-License-Identifier: LGPL-2.1-or-later
#include "BatchFile.h"

#include "model/BatchText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace batchfile {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("batchfile", text);
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString backupError() {
    return tr("Unable to create backup file.");
}

QString writeError(const QString& path, const QString& reason) {
    return tr("Cannot write file \"%1\". %2").arg(native(path), reason);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies in pieces, so that saving over a large file does not need its size in memory.
bool copyAll(int from, int to) {
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(from, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        if (!writeAll(to, chunk, static_cast<std::size_t>(n))) {
            return false;
        }
    }
}

// A new file with a fresh name beside another one; removed again unless a rename took it.
class TemporaryFile {
  public:
    explicit TemporaryFile(QByteArray beside) : beside_(std::move(beside)) {}
    ~TemporaryFile() { discard(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // replaced: the file it will replace, whose permissions it takes; without one it gets
    // the usual permissions of a new file.
    bool create(const struct stat* replaced) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            name_ = beside_ + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
            fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                if (replaced) {
                    ::fchmod(fd_, replaced->st_mode & 07777);
                }
                return true;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        name_.clear();
        return false;
    }
    int fd() const { return fd_; }
    const QByteArray& name() const { return name_; }

    // Puts the content on the disk and closes the file; false with errno on failure.
    bool finish() {
        if (systemCalls().fdatasync(fd_) != 0) {
            return false;
        }
        return ::close(std::exchange(fd_, -1)) == 0;
    }
    // The file now lives on under another name (or is kept on purpose).
    void release() { name_.clear(); }

  private:
    void discard() {
        const int error = errno;
        if (fd_ >= 0) {
            ::close(std::exchange(fd_, -1));
        }
        if (!name_.isEmpty()) {
            ::unlink(name_.constData());
            name_.clear();
        }
        errno = error;
    }

    QByteArray beside_;
    QByteArray name_;
    int fd_ = -1;
};

// The renames of a save reach the disk only with their folder.
bool syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = systemCalls().fsyncDirectory(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

}  // namespace

SystemCalls& systemCalls() {
    static SystemCalls calls;
    return calls;
}

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

SaveResult saveWithBackup(const QString& chosen, const QByteArray& data) {
    // A symbolic link stays one: the file it leads to is saved, with its backup beside it.
    const QFileInfo chosenInfo(chosen);
    const QString path = chosenInfo.isSymLink() && !chosenInfo.canonicalFilePath().isEmpty()
                             ? chosenInfo.canonicalFilePath()
                             : chosen;
    const QByteArray target = QFile::encodeName(path);

    // Only "does not exist" lets the save go on without a backup; an error that leaves it
    // open (an I/O error, a folder that cannot be searched) must not skip the backup.
    struct stat previous {};
    bool exists = true;
    if (systemCalls().stat(target.constData(), &previous) != 0) {
        if (errno != ENOENT) {
            return {false, tr("Cannot tell whether file \"%1\" exists. %2")
                               .arg(native(path), reasonOf(errno))};
        }
        exists = false;
    }
    const struct stat* replaced = exists ? &previous : nullptr;

    TemporaryFile next(target);
    if (!next.create(replaced) ||
        !writeAll(next.fd(), data.constData(), std::size_t(data.size())) || !next.finish()) {
        return {false, writeError(path, reasonOf(errno))};
    }

    TemporaryFile backup(target);
    if (exists) {
        const int from = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
        const bool copied =
            from >= 0 && backup.create(replaced) && copyAll(from, backup.fd()) && backup.finish();
        if (from >= 0) {
            ::close(from);
        }
        if (!copied) {
            return {false, backupError()};
        }
    }

    if (systemCalls().rename(next.name().constData(), target.constData()) != 0) {
        return {false, writeError(path, reasonOf(errno))};
    }
    next.release();

    if (exists) {
        const QByteArray backupName = QFile::encodeName(backupPath(path));
        if (systemCalls().rename(backup.name().constData(), backupName.constData()) != 0) {
            // The older backup stays; the previous file goes back in place, so the save
            // did not happen at all.
            if (systemCalls().rename(backup.name().constData(), target.constData()) == 0) {
                backup.release();
                syncFolderOf(path);
                return {false, backupError()};
            }
            const QString kept = QFile::decodeName(backup.name());
            backup.release();
            syncFolderOf(path);
            return {false, tr("Unable to create backup file. \"%1\" holds the new text; its "
                              "previous content is in \"%2\".")
                               .arg(native(path), native(kept))};
        }
        backup.release();
    }

    if (!syncFolderOf(path)) {
        return {false, tr("\"%1\" was saved, but may not have reached the disk. %2")
                           .arg(native(path), reasonOf(errno))};
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
