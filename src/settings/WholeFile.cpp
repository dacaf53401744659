#include "settings/WholeFile.h"

#include "settings/TemporaryName.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>

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

constexpr char kTemporaryMarker[] = ".fenwave-tmp-";
// Random names already taken are tried again, a bounded number of times.
constexpr int kAttempts = 100;

bool failWithErrno(QString *error, int cause)
{
    return fail(error, QString::fromLocal8Bit(std::strerror(cause)));
}

// The file a write replaces: a symbolic link is followed to the file it names, so that a
// linked file stays linked and its target gets the new text.
QString finalTarget(const QString &path)
{
    constexpr int kMaxLinkDepth = 128;
    QFileInfo info(path);
    for (int depth = 0; depth < kMaxLinkDepth && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// A new, empty temporary file beside `target`, named ".<file name>.fenwave-tmp-" and six
// random letters or digits: a name no user gives a file, so that a later start can tell
// a write's leftover from the user's own files. -1 with errno set when it cannot be made.
int createTemporaryFile(const QByteArray &target, bool replacing, QByteArray *temporaryPath)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(slash); // "" for the root folder
    const QByteArray stem = folder + '/' + temporaryNamePrefix(target.mid(slash + 1), kTemporaryMarker);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        *temporaryPath = stem + temporaryRandomPart();
        // Until it has the old file's mode, a replacement is for its owner's eyes only; a new
        // file gets 0666 less the umask.
        const int handle = ::open(temporaryPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                  replacing ? 0600 : 0666);
        if (handle >= 0 || errno != EEXIST)
            return handle;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int handle, const QByteArray &bytes, QString *error)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(handle, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failWithErrno(error, written < 0 ? errno : ENOSPC);
        done += written;
    }
    return true;
}

// The replacement of an existing file keeps its mode, and, written by the superuser over a
// file of another owner or group, its owner and group, so that its owner can still read and
// write it. chown clears the set-ID bits: the mode is set after it.
bool keepOwnershipAndMode(int handle, const struct stat &old, QString *error)
{
    if (::geteuid() == 0 && ::fchown(handle, old.st_uid, old.st_gid) != 0)
        return failWithErrno(error, errno);
    if (::fchmod(handle, old.st_mode & 07777) != 0)
        return failWithErrno(error, errno);
    return true;
}

// "." + name + the marker + six ASCII letters or digits: the temporary name that a write of
// `name` gives its new file before the rename.
bool isTemporaryNameOf(const QString &candidate, const QString &name)
{
    const QString stem = u'.' + name + QLatin1String(kTemporaryMarker);
    return candidate.startsWith(stem) && isTemporaryRandomPart(candidate.sliced(stem.size()).toLatin1());
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
    const QByteArray target = QFile::encodeName(finalTarget(path));
    struct stat old;
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return failWithErrno(error, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    // The folder's permission would let us replace a file we may not write.
    if (replacing && ::access(target.constData(), W_OK) != 0)
        return failWithErrno(error, errno);

    QByteArray temporaryPath;
    const int handle = createTemporaryFile(target, replacing, &temporaryPath);
    if (handle < 0)
        return failWithErrno(error, errno);
    bool written = writeAll(handle, bytes, error) && (!replacing || keepOwnershipAndMode(handle, old, error))
                   && syncToDisk(handle, error);
    // A delayed write error can show up at close too.
    if (::close(handle) != 0 && written)
        written = failWithErrno(error, errno);
    // rename() replaces the old file in one step: it is never missing meanwhile.
    if (written && ::rename(temporaryPath.constData(), target.constData()) != 0)
        written = failWithErrno(error, errno);
    if (!written)
        ::unlink(temporaryPath.constData());
    return written;
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
