#include "settings/WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace fenwave {

namespace {

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// Forces the written data to the disk. Delayed errors (no space on a file system
// that allocates late, quota, I/O) show up here and nowhere else. A descriptor
// that cannot be synchronised at all (EINVAL) holds data that is as written as it
// can be.
bool syncToDisk(int handle, QString *error)
{
    int result;
    do {
        result = ::fdatasync(handle);
    } while (result != 0 && errno == EINTR);
    if (result != 0 && errno != EINVAL)
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

// The replacement of a file the superuser saves over keeps the old file's owner and
// group, so that its owner can still read and write it. chown clears the set-ID bits:
// the mode is set again after it.
bool keepOwnership(int handle, const QString &path, QString *error)
{
    if (::geteuid() != 0)
        return true;
    struct stat old;
    struct stat replacement;
    if (::stat(QFile::encodeName(path).constData(), &old) != 0)
        return true; // a new file
    if (::fstat(handle, &replacement) != 0)
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (old.st_uid == replacement.st_uid && old.st_gid == replacement.st_gid)
        return true;
    if (::fchown(handle, old.st_uid, old.st_gid) != 0 || ::fchmod(handle, old.st_mode & 07777) != 0)
        return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

// "<name>.XXXXXX", each X an ASCII letter: the temporary name that the atomic write
// gives a file that it has to name before the rename.
bool isTemporaryNameOf(const QString &candidate, const QString &name)
{
    constexpr qsizetype placeholderLength = 6;
    if (candidate.size() != name.size() + 1 + placeholderLength || !candidate.startsWith(name)
        || candidate.at(name.size()) != u'.')
        return false;
    for (QChar c : QStringView(candidate).sliced(name.size() + 1)) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> readFileCapped(const QString &path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > limit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(info.size());
    constexpr qint64 kBlock = 64 * 1024;
    // Reads at most limit + 1 bytes, so that a file that grows meanwhile is caught.
    while (bytes.size() <= limit) {
        const QByteArray block = file.read(kBlock);
        if (block.isEmpty())
            break;
        bytes.append(block);
    }
    if (file.error() != QFileDevice::NoError || bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile writes its buffer only inside commit(), and a
    // failure there does not stop commit() from renaming the short file into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, file.errorString());
    // On failure cancelWriting() makes sure nothing is renamed; the destructor
    // removes the temporary file.
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        // A short write (file-size limit, no space) is no error to QFile: say why.
        const int cause = errno;
        const QString reason = file.error() != QFileDevice::NoError || cause == 0
                                   ? file.errorString()
                                   : QString::fromLocal8Bit(std::strerror(cause));
        file.cancelWriting();
        return fail(error, reason);
    }
    if (!keepOwnership(file.handle(), path, error) || !syncToDisk(file.handle(), error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

void removeLeftoverTemporaryFiles(const QString &path)
{
    constexpr qint64 minimumAgeMs = 60 * 1000;
    const QFileInfo target(path);
    const QString name = target.fileName();
    if (name.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QFileInfoList entries = target.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        if (isTemporaryNameOf(entry.fileName(), name) && entry.lastModified().msecsTo(now) > minimumAgeMs)
            QFile::remove(entry.filePath());
    }
}

} // namespace fenwave
