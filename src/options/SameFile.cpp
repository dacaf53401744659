#include "options/SameFile.h"

#include <QFile>

#include <sys/stat.h>

namespace fenwave {

std::optional<FileIdentity> existingFileIdentity(const QString &path)
{
    // A NUL would cut the name short and make stat() look at a different file.
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return std::nullopt;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

bool namesSameExistingFile(const QString &a, const QString &b)
{
    const std::optional<FileIdentity> first = existingFileIdentity(a);
    if (!first)
        return false;
    const std::optional<FileIdentity> second = existingFileIdentity(b);
    return second && *first == *second;
}

} // namespace fenwave
