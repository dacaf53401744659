#include "settings/SettingsRestore.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "options/Interlocks.h"
#include "settings/SettingsMapping.h"

#include <optional>

namespace fenwave {

namespace {

class Replay
{
public:
    Replay(OptionSet &options, Language language) : m_options(options), m_language(language) {}

    void give(Field field, const FieldValue &value);
    void finish();

private:
    void setOn(Field field, bool on);
    void setIndex(Field field, int index);
    void setText(Field field, const QString &text);
    void setListText(Field field, const QString &text);
    void changed(Field field);

    OptionSet &m_options;
    Language m_language;
    // The options as the last handler composed them, and whether it wrote the short line.
    std::optional<OptionSet> m_composed;
    bool m_shortLine = false;
};

void Replay::give(Field field, const FieldValue &value)
{
    switch (OptionSet::info(field).kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: setOn(field, value.on); break;
    case FieldKind::IndexChoice: setIndex(field, value.index); break;
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice: setListText(field, value.text); break;
    case FieldKind::FreeText:
    case FieldKind::NumberText: setText(field, value.text); break;
    }
}

// A radio button runs its rule only when it becomes checked; turning it on first turns the other
// two of its group off, which runs nothing.
void Replay::setOn(Field field, bool on)
{
    if (m_options.isOn(field) == on)
        return;
    m_options.setOn(field, on);
    if (on || OptionSet::info(field).kind == FieldKind::Flag)
        changed(field);
}

void Replay::setIndex(Field field, int index)
{
    if (m_options.index(field) == index)
        return;
    m_options.setIndex(field, index);
    changed(field);
}

void Replay::setText(Field field, const QString &text)
{
    if (m_options.text(field) == text)
        return;
    m_options.setText(field, text);
    changed(field);
}

// The item of exactly that text becomes selected, or none; a list changed by the program runs
// nothing.
void Replay::setListText(Field field, const QString &text)
{
    const ItemList list = OptionSet::info(field).items;
    // The preset list holds the names of the interface language once one is applied.
    const QStringList items
        = list == ItemList::DesignPresets && isKnownLanguage(m_language) ? presetNames(m_language) : itemList(list);
    m_options.setIndex(field, int(items.indexOf(text)));
    m_options.setText(field, text);
}

void Replay::changed(Field field)
{
    const Rule rule = ruleOf(field);
    if (!rule)
        return;
    const RuleEffects effects = rule(m_options);
    if (effects.uncheck)
        setOn(*effects.uncheck, false);
    applyAvailability(effects, m_options);
    if (effects.recompose == Recompose::None)
        return;
    m_shortLine = effects.recompose == Recompose::ByDefaultFlag && m_options.isOn(Field::flgDefault);
    m_composed = m_options;
}

void Replay::finish()
{
    if (m_composed) {
        m_options.setText(Field::edtCommandLine,
                          m_shortLine ? composeShortCommandLine(*m_composed) : composeFullCommandLine(*m_composed));
    }
}

} // namespace

OptionSet restoreWithoutWindow(const IniDocument &doc, OptionSet current, Language language)
{
    Replay replay(current, language);
    for (const SettingKey &key : settingsKeys()) {
        if (const std::optional<FieldValue> value = readSetting(doc, key))
            replay.give(key.field, *value);
    }
    replay.finish();
    return current;
}

} // namespace fenwave
