#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <utility>

namespace fenwave {

// true when both texts name the same existing file under any spelling: relative or absolute,
// "." and "..", symbolic links, hard links (device and inode are compared). Texts are used
// untrimmed; relative paths are resolved against the current directory. A text that names
// nothing existing (or is empty) is never the same file as anything.
bool namesSameExistingFile(const QString &a, const QString &b);

// The device and inode of the existing file a text names (through links), or nothing.
using FileIdentity = std::pair<dev_t, ino_t>;
std::optional<FileIdentity> existingFileIdentity(const QString &path);

} // namespace fenwave
