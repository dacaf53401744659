#include "batch/BatchFileFacts.h"

#include "options/SameFile.h"
#include "tags/SourceProperties.h"

#include <QFileInfo>

namespace fenwave {

bool RealFileFacts::exists(const QString &path) const
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString RealFileFacts::identity(const QString &path) const
{
    return sameFileKey(path);
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
    SoundFormat format = soundFormatOfFile(path);
    if (format.kind == SoundKind::Mp4Audio)
        format.channels = readSourceProperties(path, format.kind).channels;
    return format;
}

} // namespace fenwave
