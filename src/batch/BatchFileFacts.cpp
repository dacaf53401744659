#include "batch/BatchFileFacts.h"

#include "options/SameFile.h"

#include <QDir>
#include <QFileInfo>

namespace fenwave {

bool RealFileFacts::exists(const QString &path) const
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString RealFileFacts::identity(const QString &path) const
{
    if (const std::optional<FileIdentity> id = existingFileIdentity(path))
        return QStringLiteral("file:%1:%2").arg(quint64(id->first)).arg(quint64(id->second));
    const QFileInfo absolute(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    const QString folder = QFileInfo(absolute.path()).canonicalFilePath();
    const QString name = folder.isEmpty() ? absolute.filePath() : QDir(folder).filePath(absolute.fileName());
    return QStringLiteral("name:") + name;
}

SoundKind RealFileFacts::soundKind(const QString &path) const
{
    return soundKindOfFile(path);
}

} // namespace fenwave
