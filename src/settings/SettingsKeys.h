#pragma once

#include "options/OptionSet.h"

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

struct SettingKeyList {
    const SettingKey *begin_;
    const SettingKey *end_;
    const SettingKey *begin() const { return begin_; }
    const SettingKey *end() const { return end_; }
    int size() const { return int(end_ - begin_); }
};

// The 60 keys of a settings file, in the order they are written and restored.
SettingKeyList settingsKeys();

} // namespace fenwave
