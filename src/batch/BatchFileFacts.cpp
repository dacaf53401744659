#include "batch/BatchFileFacts.h"

#include "options/SameFile.h"

#include <QFile>

#include <sys/stat.h>

namespace fenwave {

bool RealFileFacts::exists(const QString &path) const
{
    // lstat() answers for the name itself: a file, a folder or a link, dangling or not. A NUL
    // would cut the name short and make it look at another one.
    struct stat info {};
    return !path.isEmpty() && !path.contains(QChar(u'\0')) && ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QString RealFileFacts::identity(const QString &path) const
{
    return sameFileKey(path, &m_folders);
}

SoundKind RealFileFacts::soundKind(const QString &path) const
{
    return soundKindOfFile(path);
}

std::optional<FileTime> RealFileFacts::modified(const QString &path) const
{
    return modificationTime(path);
}

SoundFormat RealFileFacts::soundFormat(const QString &path) const
{
    return soundFormatOfFile(path);
}

} // namespace fenwave
