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

bool isFaithfulFileName(const QString &name)
{
    return !name.contains(QChar::ReplacementCharacter);
}

namespace {

struct FileHead {
    QByteArray bytes; // empty when the file is not a regular file or cannot be read
    qint64 size = 0;
};

// The first bytes of a regular file and its size, both from one open file.
FileHead headOfRegularFile(const QByteArray &nativePath)
{
    // O_NONBLOCK: should the name turn into a pipe between the check and the open, the open
    // still returns at once; fstat then refuses it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    FileHead file;
    QByteArray &head = file.bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        file.size = st.st_size;
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
    return file;
}

} // namespace

GivenFileKind classifyGivenFile(const QString &path)
{
    if (path.isEmpty())
        return GivenFileKind::Input;
    if (!isFaithfulFileName(path))
        return GivenFileKind::NotUtf8Name;
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0)
        return GivenFileKind::Input;
    if (S_ISDIR(st.st_mode))
        return GivenFileKind::Folder;
    if (!S_ISREG(st.st_mode))
        return GivenFileKind::Input;
    const FileHead head = headOfRegularFile(nativePath);
    if (!holdsSettingsSection(head.bytes))
        return GivenFileKind::Input;
    // Restoring a file the reader refuses would give every key its default.
    return head.size > IniDocument::kMaxFileSize ? GivenFileKind::TooLargeSettings : GivenFileKind::Settings;
}

} // namespace fenwave
