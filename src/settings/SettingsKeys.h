#pragma once

#include "options/OptionSet.h"
#include "options/TableView.h"

namespace fenwave {

// What restoring gives a field whose key is missing (or, for flags and integers, not a number).
enum class WhenMissing {
    StartValue,  // the field's start value in a fresh window
    KeepCurrent, // the field keeps the state it has ("MP3Decoding")
};

struct SettingKey {
    const char *key; // "LamePath", "InputType", ...
    Field field;
    WhenMissing missing = WhenMissing::StartValue;
};

inline constexpr const char *kSettingsSection = "Fenwave Sets";

// The 60 keys of a settings file, in the order they are written and restored.
TableView<SettingKey> settingsKeys();

} // namespace fenwave
