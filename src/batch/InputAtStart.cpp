#include "batch/InputAtStart.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace fenwave {

namespace {

bool nothingThere(const QString &path)
{
    // Through links: a link that leads nowhere names no file to read.
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

} // namespace

InputAtStart checkInputAtStart(const BatchJob &planned, const QString &path)
{
    const SoundFormat now = soundFormatOfFile(path);
    if (now.kind == SoundKind::NotRegular)
        return {SkipReason::NotRegularFile, now.kind};
    if (planned.kind == SoundKind::NotChecked)
        return {SkipReason::None, now.kind};
    if (now.kind == SoundKind::NotChecked) // not readable now: the encoder says why, unless it is gone
        return {nothingThere(path) ? SkipReason::InputDoesNotExist : SkipReason::None, planned.kind};
    const bool otherChannels = planned.channels != 0 && now.channels != planned.channels;
    if (now.kind != planned.kind || otherChannels)
        return {SkipReason::InputChanged, now.kind};
    return {SkipReason::None, now.kind};
}

} // namespace fenwave
