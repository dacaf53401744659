#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace fenwave {

// When a file's content last changed, to the nanosecond where the file system keeps that.
struct FileTime {
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
};

bool operator<(const FileTime &a, const FileTime &b);
bool operator==(const FileTime &a, const FileTime &b);

// The modification time of the plain file `path` names, through links; none for anything else
// (a folder, a pipe, a device: no output whose age counts) and when nothing can be read there
// (no file, a dangling link, a folder that may not be searched).
std::optional<FileTime> modificationTime(const QString &path);

// The rule of the policy that updates outputs: an output is up to date when it is no older
// than its input. Equal times count as up to date, as make counts them: where times are kept
// to whole or even seconds (FAT, some network shares, an archive unpacked), a library copied
// or unpacked in one go shows one time for an output and its input, and such files would be
// encoded again on every run.
// Without both times (no output there, a dangling link, no plain file, an input gone) it is
// not: the file is encoded, and the encoder says what is wrong with an input it cannot read.
bool outputIsUpToDate(const std::optional<FileTime> &output, const std::optional<FileTime> &input);

} // namespace fenwave
