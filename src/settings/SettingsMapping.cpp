#include "settings/SettingsMapping.h"

#include "settings/ProfileInteger.h"

namespace fenwave {

namespace {

bool fitsOneArgument(const QString &text)
{
    // Every UTF-16 unit takes at least one UTF-8 byte, so only a text near the bound is encoded.
    return text.size() <= kLongestRestoredText && QStringView(text).toUtf8().size() <= kLongestRestoredText;
}

// A radio group's range: below -1 gives -1 (no item), above the last item gives the last.
int limitToRange(qint32 value, int lastIndex)
{
    if (value < -1)
        return -1;
    if (value > lastIndex)
        return lastIndex;
    return value;
}

QString storedText(const FieldValue &value, FieldKind kind)
{
    switch (kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: return value.on ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::IndexChoice: return QString::number(value.index);
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice:
    case FieldKind::FreeText:
    case FieldKind::NumberText: break;
    }
    return value.text;
}

// A missing key gives the value a fresh window starts with.
FieldValue startValue(const FieldInfo &field)
{
    static const OptionSet start;
    return start.value(field.field);
}

} // namespace

void writeSettings(const OptionSet &options, IniDocument &doc)
{
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const SettingKey &key : settingsKeys()) {
        const FieldInfo &field = OptionSet::info(key.field);
        doc.setValue(section, QString::fromLatin1(key.key), storedText(options.value(key.field), field.kind));
    }
}

std::optional<FieldValue> readSetting(const IniDocument &doc, const SettingKey &key)
{
    const FieldInfo &field = OptionSet::info(key.field);
    const std::optional<QString> text = doc.value(QString::fromLatin1(kSettingsSection), QString::fromLatin1(key.key));
    FieldValue v;
    switch (field.kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag:
    case FieldKind::IndexChoice: {
        const std::optional<qint32> number = text ? parseProfileInteger(*text) : std::nullopt;
        if (!number)
            break;
        if (field.kind == FieldKind::IndexChoice)
            v.index = limitToRange(*number, int(itemList(field.items).size()) - 1);
        else
            v.on = *number != 0;
        return v;
    }
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice:
    case FieldKind::FreeText:
    case FieldKind::NumberText:
        if (!text)
            break;
        if (!fitsOneArgument(*text))
            return std::nullopt;
        v.text = *text;
        return v;
    }
    if (key.missing == WhenMissing::KeepCurrent)
        return std::nullopt;
    return startValue(field);
}

} // namespace fenwave
