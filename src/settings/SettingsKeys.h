#pragma once

#include "settings/IniDocument.h"

#include <QStringView>
#include <QtGlobal>

namespace fenwave {

enum class SettingKind { Flag, Integer, Text };

struct SettingKey
{
    const char *key;          // "LamePath", "InputType", ...
    SettingKind kind;
    const char *control;      // objectName of the control or field: "LamePath", "rgrInputType", ...
    const char *defaultValue; // UTF-8; nullptr for "MP3Decoding" (the default is the box's current state)
};

inline constexpr const char *kSettingsSection = "Fenwave Sets";

struct SettingKeyList
{
    const SettingKey *begin_;
    const SettingKey *end_;
    const SettingKey *begin() const { return begin_; }
    const SettingKey *end() const { return end_; }
    int size() const { return int(end_ - begin_); }
};

// The 60 keys of a settings file, in the order they are written and restored.
SettingKeyList settingsKeys();

// The row of a key name (exact spelling), or nullptr.
const SettingKey *findSettingKey(QStringView key);

// Reads an integer or flag key as restore does: the profile integer, or the
// default when the key is missing or its value is not a number. The default is
// the table's, or `currentDefault` for a key without one ("MP3Decoding").
qint32 settingInteger(const IniDocument &doc, const SettingKey &key, qint32 currentDefault = 0);

// Reads a text key: its value, or the table's default when the key is missing.
QString settingText(const IniDocument &doc, const SettingKey &key);

// Radio-group range limit: below -1 -> -1 (no item), above lastIndex -> lastIndex.
int limitToRange(qint32 value, int lastIndex);

} // namespace fenwave
