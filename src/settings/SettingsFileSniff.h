#pragma once

#include <QByteArrayView>
#include <QString>

namespace fenwave {

// What a file name given outside the dialogs (command line, drop) stands for.
enum class GivenFileKind {
    Settings, // a regular file holding the settings section: restore it
    Input,    // anything else that is not a folder, missing names included: take it as input
    Folder,   // refused
};

// Only this much of a file is looked at: a settings file has its section near the top, and the
// bound keeps a huge audio file from being read.
inline constexpr qint64 kSettingsSniffLimit = 64 * 1024;

// True when the bytes hold the settings section, matched as a settings file's sections are
// read (letter case and blanks around the name do not count; comments do not count).
bool holdsSettingsSection(QByteArrayView head);

// Decides from the start of the file. Reads only a regular file, and never opens anything
// else (a pipe or a device could block or change state when opened).
GivenFileKind classifyGivenFile(const QString &path);

} // namespace fenwave
