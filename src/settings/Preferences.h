#pragma once

#include "language/Language.h"
#include "settings/UserStore.h"

#include <QString>

namespace fenwave {

// What survives between runs: the window position, the encoder path and the interface language.
struct Preferences {
    int left = -1;
    int top = -1;
    QString lamePath;
    Language language = Language::English;
};

// Absent or wrong type -> -1 / -1 / empty / English; Language = low 8 bits of the DWORD.
// LeftPos/TopPos DWORDs are read as signed 32-bit.
Preferences readPreferences(UserStore &store);
// Writes LeftPos, TopPos (as DWORD, two's complement for negatives), LamePath (String, also when empty;
// a path longer than 4095 UTF-8 bytes is not written and the stored one stays), Language (DWORD 0..255),
// in that order.
void writePreferences(UserStore &store, const Preferences &prefs);

// Start of the program: reads the store, creating it when the file or the key is missing.
// A store that cannot be read gives the defaults.
Preferences loadPreferences(const QString &filePath = UserStore::defaultFilePath());
// End of the program: writes the four values. false when the store cannot be read or written.
bool savePreferences(const Preferences &prefs, const QString &filePath = UserStore::defaultFilePath());

} // namespace fenwave
