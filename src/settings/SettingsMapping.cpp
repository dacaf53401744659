#include "settings/SettingsMapping.h"

#include "settings/ProfileInteger.h"

namespace fenwave {

namespace {

bool fitsOneArgument(const QString &text)
{
    // Every UTF-16 unit takes at least one UTF-8 byte, so only a text near the bound is encoded.
    return text.size() <= kLongestRestoredText && QStringView(text).toUtf8().size() <= kLongestRestoredText;
}

} // namespace

void writeSettings(const OptionSet &options, IniDocument &doc)
{
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const SettingKey &key : settingsKeys()) {
        QString value;
        switch (settingKind(key)) {
        case SettingKind::Flag: value = options.isOn(key.field) ? QStringLiteral("1") : QStringLiteral("0"); break;
        case SettingKind::Integer: value = QString::number(options.index(key.field)); break;
        case SettingKind::Text: value = options.text(key.field); break;
        }
        doc.setValue(section, QString::fromLatin1(key.key), value);
    }
}

std::vector<RestoredValue> readSettings(const IniDocument &doc)
{
    const QString section = QString::fromLatin1(kSettingsSection);
    std::vector<RestoredValue> values;
    values.reserve(settingsKeys().size());
    for (const SettingKey &key : settingsKeys()) {
        RestoredValue v;
        v.key = &key;
        switch (settingKind(key)) {
        case SettingKind::Flag:
            if (key.missing == WhenMissing::KeepCurrent) {
                const std::optional<QString> text = doc.value(section, QString::fromLatin1(key.key));
                const std::optional<qint32> number = text ? parseProfileInteger(*text) : std::nullopt;
                if (!number)
                    continue;
                v.on = *number != 0;
            } else {
                v.on = settingInteger(doc, key) != 0;
            }
            break;
        case SettingKind::Integer: {
            const int lastIndex = int(itemList(OptionSet::info(key.field).items).size()) - 1;
            v.index = limitToRange(settingInteger(doc, key), lastIndex);
            break;
        }
        case SettingKind::Text:
            v.text = settingText(doc, key);
            if (!fitsOneArgument(v.text))
                continue;
            break;
        }
        values.push_back(std::move(v));
    }
    return values;
}

} // namespace fenwave
