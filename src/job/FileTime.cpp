#include "job/FileTime.h"

#include <QFile>

#include <sys/stat.h>
#include <tuple>

namespace fenwave {

bool operator<(const FileTime &a, const FileTime &b)
{
    return std::tie(a.seconds, a.nanoseconds) < std::tie(b.seconds, b.nanoseconds);
}

bool operator==(const FileTime &a, const FileTime &b)
{
    return a.seconds == b.seconds && a.nanoseconds == b.nanoseconds;
}

std::optional<FileTime> modificationTime(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileTime{qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
}

bool outputIsUpToDate(const std::optional<FileTime> &output, const std::optional<FileTime> &input)
{
    return output && input && !(*output < *input);
}

} // namespace fenwave
