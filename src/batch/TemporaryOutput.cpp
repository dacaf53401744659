#include "batch/TemporaryOutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace fenwave {

namespace {

constexpr char kMarker[] = ".fenwave-";
constexpr int kRandomLength = 6;
// Random names already taken are tried again, a bounded number of times.
constexpr int kAttempts = 100;

// The longest output name that still leaves room for the dot, the marker and the random part
// within one file name. A cut name loses its last, possibly partial, UTF-8 character.
QByteArray fittingName(QByteArray name)
{
    const int room = NAME_MAX - 1 - int(sizeof kMarker - 1) - kRandomLength;
    if (name.size() <= room)
        return name;
    name.truncate(room);
    while (!name.isEmpty() && (uchar(name.back()) & 0xC0) == 0x80)
        name.chop(1);
    if (!name.isEmpty() && (uchar(name.back()) & 0x80) != 0)
        name.chop(1);
    return name;
}

QByteArray randomPart()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray part(kRandomLength, '\0');
    for (char &c : part)
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return part;
}

} // namespace

TemporaryOutput::TemporaryOutput(const QString &outputPath) : m_output(QFile::encodeName(outputPath)) {}

bool TemporaryOutput::create()
{
    discard();
    const QFileInfo output(QFile::decodeName(m_output));
    const QString folder = output.absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = errno != 0 ? errno : EACCES;
        return false;
    }
    const QByteArray stem
        = QFile::encodeName(folder) + "/." + fittingName(QFile::encodeName(output.fileName())) + kMarker;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QByteArray path = stem + randomPart();
        // Never an existing file, never through a link; 0666 less the umask, as any new output.
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_path = path;
            m_error = 0;
            return true;
        }
        if (errno != EEXIST) {
            m_error = errno;
            return false;
        }
    }
    m_error = EEXIST;
    return false;
}

bool TemporaryOutput::commit()
{
    // rename() replaces an existing output in one step; the output is never missing meanwhile.
    if (m_path.isEmpty() || ::rename(m_path.constData(), m_output.constData()) != 0) {
        m_error = m_path.isEmpty() ? ENOENT : errno;
        return false;
    }
    m_path.clear();
    return true;
}

void TemporaryOutput::discard()
{
    if (m_path.isEmpty())
        return;
    ::unlink(m_path.constData());
    m_path.clear();
}

} // namespace fenwave
