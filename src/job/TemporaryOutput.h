#pragma once

#include "job/FileTime.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace fenwave {

// The calls that give a file a name only while no entry has it: a rename that never replaces
// and a second name (a hard link). Some file systems have neither (FAT, network shares through
// FUSE); a test puts in calls that answer as those do.
struct ExclusiveNaming {
    int (*renameNoReplace)(const char *from, const char *to);
    int (*link)(const char *from, const char *to);
};
// The calls every TemporaryOutput uses from now on; gives the ones used until now.
ExclusiveNaming setExclusiveNaming(ExclusiveNaming calls);

// The temporary files that earlier runs left in the output folders, each folder read once: a
// batch of many files in one folder does not read it again for each file.
class LeftoverTemporaries
{
public:
    // Removes the leftovers named `prefix` and a random part in `folder` that no running batch
    // holds locked.
    void removeFor(const QByteArray &folder, const QByteArray &prefix);

private:
    std::map<QByteArray, std::vector<QByteArray>> m_found; // the names of this program's pattern
};

// The hidden file beside an output that an encoder of a batch writes into: the output only
// takes its place once the encoder has finished, so that a failed or stopped file never leaves
// a partial output and never replaces one that was there. Removed when it goes unless put in
// place. While it is there this program holds a lock on it (an open-file-description write
// lock), so that a later batch can tell a file in writing from one that a killed program left.
class TemporaryOutput
{
public:
    // How putting the file in place went.
    enum class Placed {
        Yes,
        NameTaken,  // a file has the name and was not to be replaced
        ReadOnly,   // the output there has no write permission at all and is kept
        NotRegular, // what has the name is no plain file (a folder, a pipe, a link to none) and is kept
        Failed,     // error() holds the errno
    };

    // For the output at `outputPath` (absolute). Nothing is created yet.
    explicit TemporaryOutput(const QString &outputPath);
    TemporaryOutput(const TemporaryOutput &) = delete;
    TemporaryOutput &operator=(const TemporaryOutput &) = delete;
    ~TemporaryOutput() { discard(); }

    // Creates `.<output name>.fenwave-XXXXXX` in the output's folder (and that folder when it
    // is missing), empty, with the permissions a new output file gets, and locks it. Leftovers
    // of that exact pattern that nobody holds locked go first (found through `leftovers` when
    // given). false when it cannot: error() holds the errno.
    bool create(LeftoverTemporaries *leftovers = nullptr);
    // Puts the file in the output's place, replacing what is there where it is, through links;
    // the replaced file's owner, group (as the superuser) and permissions stay, where the file
    // system keeps them. Only a plain file is replaced, and not one without any write permission.
    Placed replace();
    // Puts the file in place under `outputPath` (absolute) only when no entry of any kind has
    // that name. Where the file system has neither call of ExclusiveNaming, the name is looked
    // at once more and the file renamed: an entry made in the microseconds between the two is
    // replaced.
    Placed placeNew(const QString &outputPath);
    // The modification time the file gets once it has taken its place (a rename on FAT through
    // FUSE gives the file the time of the rename).
    void dateOnceInPlace(const FileTime &time) { m_dateInPlace = time; }
    // Removes the file when it is still there.
    void discard();

    QString path() const { return QString::fromLocal8Bit(m_path); }
    int error() const { return m_error; }

private:
    Placed renameIfFree(const QByteArray &target);
    Placed inPlace();
    Placed failed(int error);
    void release();

    QByteArray m_output; // the output's name as the file system takes it
    QByteArray m_path;   // the temporary file's; empty while there is none
    int m_handle = -1;   // holds the lock while the file is there
    int m_error = 0;
    std::optional<FileTime> m_dateInPlace;
};

} // namespace fenwave
