#include "settings/SettingsFileSniff.h"

#include "settings/IniDocument.h"
#include "settings/SettingsKeys.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenwave {

bool holdsSettingsSection(QByteArrayView head)
{
    return IniDocument::fromBytes(head.toByteArray()).hasSection(QString::fromLatin1(kSettingsSection));
}

namespace {

// The first bytes of a regular file; empty when it is not one or cannot be read.
QByteArray headOfRegularFile(const QByteArray &nativePath)
{
    // O_NONBLOCK: should the name turn into a pipe between the check and the open, the open
    // still returns at once; fstat then refuses it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    QByteArray head;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        head.resize(kSettingsSniffLimit);
        qsizetype filled = 0;
        while (filled < head.size()) {
            const ssize_t got = ::read(fd, head.data() + filled, size_t(head.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += got;
        }
        head.truncate(filled);
    }
    ::close(fd);
    return head;
}

} // namespace

GivenFileKind classifyGivenFile(const QString &path)
{
    if (path.isEmpty())
        return GivenFileKind::Input;
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0)
        return GivenFileKind::Input;
    if (S_ISDIR(st.st_mode))
        return GivenFileKind::Folder;
    if (!S_ISREG(st.st_mode))
        return GivenFileKind::Input;
    return holdsSettingsSection(headOfRegularFile(nativePath)) ? GivenFileKind::Settings : GivenFileKind::Input;
}

} // namespace fenwave
