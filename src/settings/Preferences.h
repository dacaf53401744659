#pragma once

#include "language/Language.h"
#include "settings/UserStore.h"

#include <QMargins>
#include <QPoint>
#include <QSize>
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
// Writes LeftPos, TopPos (as DWORD, two's complement for negatives), LamePath (String, also when empty),
// Language (DWORD 0..255), in that order.
void writePreferences(UserStore &store, const Preferences &prefs);

// Start of the program: reads the store, creating it when the file or the key is missing.
// A store that cannot be read gives the defaults.
Preferences loadPreferences(const QString &filePath = UserStore::defaultFilePath());
// End of the program: writes the four values. false when the store cannot be read or written.
bool savePreferences(const Preferences &prefs, const QString &filePath = UserStore::defaultFilePath());

// Window placement on one axis: a stored edge greater than 0 is used unchanged,
// anything else centres the window (integer division, rounding toward zero).
int centredEdge(int screenExtent, int windowExtent);
int placeEdge(int stored, int screenExtent, int windowExtent);
// Where the window's outer top-left corner goes: each axis by placeEdge, with the outer extent of
// the window, its inner size (menu bar and client area) plus the frame and title bar on both sides.
QPoint placeWindow(QPoint stored, QSize screen, QSize inner, QMargins frame);

} // namespace fenwave
