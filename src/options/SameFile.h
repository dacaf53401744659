#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <sys/types.h>
#include <utility>

namespace fenwave {

// The one answer to "is this the same file under another spelling", for the batch plan, the
// register of outputs being written, the input gathering and the same-file check.
//
// A key equal for every name of one file and different for names of different files:
// - a name of an existing file (through its links) is known by its device and inode, so
//   relative or absolute spellings, "." and "..", symbolic and hard links all meet;
// - a name where nothing exists yet is known by where writing under it would create the file:
//   its absolute path with the folder through its links where the folder exists, "." and ".."
//   removed;
// - a dangling link is followed to its target. Writing through it creates the target, and once
//   the target exists the link's name meets it by device and inode; following it now keeps the
//   name's key the same before and after, and at worst keeps apart two names that would in
//   fact have been written separately (the batch renames its output over the link itself).
// Relative paths are resolved against the current directory; an empty text gives an empty key.
QString sameFileKey(const QString &path);

// The folders whose path through their links was already found, by their text (empty: none
// exists). A caller that asks for many names in a few folders, as a batch plan does, keeps one
// for as long as the folders are taken to stay as they are.
using CanonicalFolders = QHash<QString, QString>;
// The same key, each folder's links followed once.
QString sameFileKey(const QString &path, CanonicalFolders *folders);

// true when both texts name the same existing file under any spelling. Texts are used
// untrimmed; a text that names nothing existing (or is empty) is never the same file as
// anything.
bool namesSameExistingFile(const QString &a, const QString &b);

// The device and inode of the existing file a text names (through links), or nothing.
using FileIdentity = std::pair<dev_t, ino_t>;
std::optional<FileIdentity> existingFileIdentity(const QString &path);

} // namespace fenwave
