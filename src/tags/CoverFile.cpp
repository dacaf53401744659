#include "tags/CoverFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace fenwave {

namespace {

// Writes all of `bytes` to `handle`; false with errno set when the disk refuses them.
bool writeAll(int handle, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(handle, bytes.constData() + written, std::size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = ENOSPC;
            return false;
        }
        written += count;
    }
    return true;
}

} // namespace

QString coverExtension(const QByteArray &picture)
{
    // The signatures the encoder itself looks for.
    if (picture.size() > 2 && quint8(picture[0]) == 0xFF && quint8(picture[1]) == 0xD8)
        return QStringLiteral(".jpg");
    if (picture.size() > 4 && quint8(picture[0]) == 0x89 && picture.mid(1, 3) == "PNG")
        return QStringLiteral(".png");
    if (picture.size() > 4 && picture.startsWith("GIF8"))
        return QStringLiteral(".gif");
    return QString();
}

std::unique_ptr<TemporaryCover> TemporaryCover::write(const QByteArray &picture, int *error)
{
    // Empty when TMPDIR names no folder: the file is then not made anywhere else.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty()) {
        *error = ENOENT;
        return nullptr;
    }
    const QString extension = coverExtension(picture);
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/fenwave-cover-XXXXXX") + extension);
    const int handle = ::mkstemps(name.data(), int(QFile::encodeName(extension).size()));
    if (handle < 0) {
        *error = errno;
        return nullptr;
    }
    const bool written = writeAll(handle, picture);
    const int writeError = errno;
    // A full disk may only show when the file is closed.
    const bool closed = ::close(handle) == 0;
    if (!written || !closed) {
        *error = written ? errno : writeError;
        ::unlink(name.constData());
        return nullptr;
    }
    *error = 0;
    return std::unique_ptr<TemporaryCover>(new TemporaryCover(name));
}

TemporaryCover::~TemporaryCover()
{
    ::unlink(m_name.constData());
}

QString TemporaryCover::path() const
{
    return QFile::decodeName(m_name);
}

} // namespace fenwave
