#pragma once

#include "options/OptionSet.h"
#include "options/TableView.h"
#include "settings/IniDocument.h"

#include <QStringView>
#include <QtGlobal>

namespace fenwave {

enum class SettingKind { Flag, Integer, Text };

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

// The row of a key name (exact spelling), or nullptr.
const SettingKey *findSettingKey(QStringView key);

// How a key's value is written and read: from the kind of its field.
SettingKind settingKind(const SettingKey &key);

// The value restore uses for a missing key, as written in a file ("5", "44.1", "1"); a null
// text for a key that keeps the current state.
QString settingDefault(const SettingKey &key);

// Reads an integer or flag key as restore does: the profile integer, or the default when the
// key is missing or its value is not a number; `currentDefault` for a key that keeps the
// current state.
qint32 settingInteger(const IniDocument &doc, const SettingKey &key, qint32 currentDefault = 0);

// Reads a text key: its value, or the default when the key is missing.
QString settingText(const IniDocument &doc, const SettingKey &key);

// Radio-group range limit: below -1 -> -1 (no item), above lastIndex -> lastIndex.
int limitToRange(qint32 value, int lastIndex);

} // namespace fenwave
