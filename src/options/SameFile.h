#pragma once

#include <QString>

namespace fenwave {

// true when both texts name the same existing file under any spelling: relative or absolute,
// "." and "..", symbolic links, hard links (device and inode are compared). Texts are used
// untrimmed; relative paths are resolved against the current directory. A text that names
// nothing existing (or is empty) is never the same file as anything.
bool namesSameExistingFile(const QString &a, const QString &b);

} // namespace fenwave
