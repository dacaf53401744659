#include "options/SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace fenwave {

namespace {

// Links followed no deeper than this (the system gives up at 40).
constexpr int kDeepestLink = 40;

// Where writing under an absolute name that names no existing file would create the file.
QString whereWritingCreates(const QString &absolutePath, CanonicalFolders *folders)
{
    QString path = absolutePath;
    for (int depth = 0; depth < kDeepestLink && QFileInfo(path).isSymLink(); ++depth)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo file(QDir::cleanPath(path));
    const auto known = folders ? folders->constFind(file.path()) : CanonicalFolders::const_iterator();
    const QString folder = folders && known != folders->cend() ? *known : QFileInfo(file.path()).canonicalFilePath();
    if (folders && known == folders->cend())
        folders->insert(file.path(), folder);
    return folder.isEmpty() ? file.filePath() : QDir(folder).filePath(file.fileName());
}

} // namespace

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

QString sameFileKey(const QString &path, CanonicalFolders *folders)
{
    if (path.isEmpty())
        return QString();
    if (const std::optional<FileIdentity> id = existingFileIdentity(path))
        return QStringLiteral("file:%1:%2").arg(quint64(id->first)).arg(quint64(id->second));
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    return QStringLiteral("name:") + whereWritingCreates(absolute, folders);
}

QString sameFileKey(const QString &path)
{
    return sameFileKey(path, nullptr);
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
