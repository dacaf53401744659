#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace fenwave {

// The bytes of a regular file of at most `limit` bytes. nullopt when the file is
// missing, not a regular file (folder, device, pipe), unreadable, or larger than
// `limit`, also when it grows past the limit while being read.
std::optional<QByteArray> readFileCapped(const QString &path, qint64 limit);

// Replaces the file at `path` with `bytes`, all or nothing: the bytes go to a
// temporary file in the same folder, ".<file name>.fenwave-tmp-" and six random
// letters or digits, which is forced to the disk and then renamed over the target
// (a symbolic link is followed to the file it names). Any failure (no space, quota,
// file-size limit, I/O error, failed sync, failed rename) removes the temporary
// file, leaves an existing file byte for byte as it was, and returns false with
// the reason in *error. An existing file that is no regular file or has no write
// permission for us is not replaced, even by the superuser. The new file takes the
// old one's mode, and, written by the superuser, its owner and group. The new file
// is a new inode: a hard link to the old one is split, and its ACLs and extended
// attributes are not carried over.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Removes the temporary files that a write of `path` interrupted between writing and
// renaming (a kill, a power cut) left beside it: regular files named exactly as the
// write names them, last changed more than a minute ago. A younger one may be the
// write of another process still in flight and is left alone, as is every other name:
// a file this program did not make is never removed.
void removeLeftoverTemporaryFiles(const QString &path);

} // namespace fenwave
