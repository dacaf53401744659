#pragma once

#include <QByteArrayView>
#include <QString>

namespace fenwave {

// What a file name given outside the dialogs (command line, drop) stands for.
enum class GivenFileKind {
    Settings,         // a regular file holding the settings section: restore it
    Input,            // anything else that is not a folder, missing names included: take it as input
    Folder,           // refused
    TooLargeSettings, // holds the section but is over the size the settings reader takes: refused
    NotUtf8Name,      // the name held bytes that are not UTF-8 and stands for another file: refused
};

// Only this much of a file is looked at: a settings file has its section near the top, and the
// bound keeps a huge audio file from being read.
inline constexpr qint64 kSettingsSniffLimit = 64 * 1024;

// True when the bytes hold the settings section, matched as a settings file's sections are
// read (letter case and blanks around the name do not count; comments do not count).
bool holdsSettingsSection(QByteArrayView head);

// False when a name decoded from the file system or the command line held bytes that are not
// UTF-8: they were replaced by U+FFFD, so the text names another file than the one meant.
bool isFaithfulFileName(const QString &name);

// Decides from the name and the start of the file. Reads only a regular file, and never opens anything
// else (a pipe or a device could block or change state when opened).
GivenFileKind classifyGivenFile(const QString &path);

} // namespace fenwave
