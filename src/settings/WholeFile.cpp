#include "settings/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

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
    if (!syncToDisk(file.handle(), error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

} // namespace fenwave
