#pragma once

#include "batch/SoundKind.h"
#include "job/FileTime.h"
#include "options/SameFile.h"

#include <QString>

namespace fenwave {

// What the batch plan needs to know of the file system. The window and the shell command pass
// the real one; a stand-in lets the plan be checked without files.
class BatchFileFacts
{
public:
    virtual ~BatchFileFacts() = default;

    // true when anything stands under the name, a dangling link included: renaming an output
    // into place would replace it.
    virtual bool exists(const QString &path) const = 0;
    // A key that is equal for two names of one file under any spelling (relative or absolute,
    // "." and "..", links) and differs for names of different files.
    virtual QString identity(const QString &path) const = 0;
    // What the file holds, by its content. Not checked unless a facts class looks.
    virtual SoundKind soundKind(const QString &path) const
    {
        Q_UNUSED(path);
        return SoundKind::NotChecked;
    }
    // When the file under the name last changed, through links; none when nothing is there.
    virtual std::optional<FileTime> modified(const QString &path) const
    {
        Q_UNUSED(path);
        return std::nullopt;
    }
    // The same, with the channel count where the file says.
    virtual SoundFormat soundFormat(const QString &path) const { return {soundKind(path), 0}; }
};

// The file system as it is now. One is made for each plan: it follows the links of each
// folder once, taking the folders to stay as they are while the plan is made.
class RealFileFacts : public BatchFileFacts
{
public:
    bool exists(const QString &path) const override;
    // sameFileKey: an existing file by its device and inode, any other name by where writing
    // under it would create the file.
    QString identity(const QString &path) const override;
    // By the file's first bytes; a file that is not a regular file or cannot be read is not checked.
    SoundKind soundKind(const QString &path) const override;
    std::optional<FileTime> modified(const QString &path) const override;
    // The header's channels. Not an M4A's: AAC's sample description holds a fixed 2 there.
    SoundFormat soundFormat(const QString &path) const override;

private:
    mutable CanonicalFolders m_folders;
};

} // namespace fenwave
