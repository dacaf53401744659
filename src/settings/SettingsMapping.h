#pragma once

#include "options/OptionSet.h"
#include "settings/IniDocument.h"
#include "settings/SettingsKeys.h"

#include <optional>

namespace fenwave {

// Writes the 60 keys of an option set into the settings section: flags as "1"/"0", radio groups
// by item index, texts as the control shows them. Other sections and keys stay as they are.
void writeSettings(const OptionSet &options, IniDocument &doc);

// The longest text a restore takes, in UTF-8 bytes: the longest single argument the system
// passes to a program (131072 bytes with the closing NUL). A longer value can never reach the
// encoder, and laying it out would stall the window.
inline constexpr qsizetype kLongestRestoredText = 131071;

// The value that restoring gives the field of one key: a flag's state, a radio group's item
// index limited to the group's range, or a text (which item a list text selects is left to the
// list). A missing key, and a flag or integer that is not a number, gives the field's start
// value. Nothing, so that the field keeps what it holds, for a key that keeps the current state
// ("MP3Decoding") unless the file holds a number for it, and for a text longer than
// kLongestRestoredText.
std::optional<FieldValue> readSetting(const IniDocument &doc, const SettingKey &key);

} // namespace fenwave
