#pragma once

#include "options/OptionSet.h"
#include "settings/IniDocument.h"
#include "settings/SettingsKeys.h"

#include <vector>

namespace fenwave {

// Writes the 60 keys of an option set into the settings section: flags as "1"/"0", radio groups
// by item index, texts as the control shows them. Other sections and keys stay as they are.
void writeSettings(const OptionSet &options, IniDocument &doc);

// One value that restoring gives to the field of its key.
struct RestoredValue {
    const SettingKey *key = nullptr;
    bool on = false; // flags
    int index = -1;  // radio groups, limited to the group's range
    QString text;    // texts
};

// The longest text a restore takes, in UTF-8 bytes: the longest single argument the system
// passes to a program (131072 bytes with the closing NUL). A longer value can never reach the
// encoder, and laying it out would stall the window.
inline constexpr qsizetype kLongestRestoredText = 131071;

// The values a restore gives, in key order. A key that keeps the current state when it is
// missing ("MP3Decoding") is left out unless the file holds a number for it. A text longer than
// kLongestRestoredText is left out too: its field keeps what it holds, the other keys arrive.
std::vector<RestoredValue> readSettings(const IniDocument &doc);

} // namespace fenwave
