// A seeded monkey on the real window: thousands of random user actions, each followed by a
// check of the rules the window must keep whatever the user does. The seed is printed at the
// start and in every failure; FENWAVE_MONKEY_SEED replays a run and FENWAVE_MONKEY_STEPS sets
// its length.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "TestFiles.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "settings/SettingsKeys.h"
#include "ui/LayoutTable.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabBar>

#include <algorithm>
#include <optional>

using fenwave::ControlKind;
using fenwave::Field;
using fenwave::OptionSet;
using fenwave::SettingKey;
using testing::FormDriver;
using testing::ModalAnswer;
using testing::StoredAs;

namespace {

constexpr int kDefaultSteps = 3000;
constexpr int kLogLength = 20;

quint64 envNumber(const char *name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

// ---- What the window shows, for before/after comparisons ----

struct WindowState {
    OptionSet options;
    QList<bool> ownEnabled; // per watched widget, in the monkey's order
    int page = -1;
    QString lamePath;
    fenwave::Language language = testing::kEnglish;
    bool englishTicked = false;
    bool russianTicked = false;
};

QString fieldName(int i)
{
    return QString::fromLatin1(OptionSet::info(static_cast<Field>(i)).name);
}

QString describe(const fenwave::FieldValue &v)
{
    return QStringLiteral("{on %1, index %2, text \"%3\", available %4}")
        .arg(v.on)
        .arg(v.index)
        .arg(v.text.left(80))
        .arg(v.available);
}

// ---- Random texts ----

const QStringList kTextPieces = {
    "a",    "Z", "7", "0",  "-", ".", ",",     "128", "44.1", " ",  "  ", "\t", "\"", "'", ";",  "$()", "$(ls)",
    "`id`", "|", "&", "\\", "/", "ж", "Песня", "Ёё",  "ЯЮ",   "«»", "é",  "=",  "[",  "]", "%s", "%1",  "*?",
};

// Cyrillic without Ё and ё, so that its Windows-1251 bytes are never valid UTF-8.
const QString kCyrillic = QStringLiteral("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");

QByteArray toWindows1251(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() >= 0x410 && c.unicode() <= 0x44F)
            bytes += char(0xC0 + (c.unicode() - 0x410));
        else
            bytes += char(c.toLatin1());
    }
    return bytes;
}

// ---- A settings file and what restoring it must give ----

struct PlannedValue {
    QByteArray raw;               // bytes after "="
    std::optional<qint32> number; // flags and integers: the number read, nullopt when not one
    QString text;                 // texts: the text read
};

struct NumberSample {
    const char *raw;
    std::optional<qint32> number;
};

const NumberSample kFlagSamples[] = {
    {"1", 1},
    {"0", 0},
    {"2", 2},
    {"-1", -1},
    {"0x0", 0},
    {"$1", 1},
    {" 1", 1},
    {"\t0", 0},
    {"+1", 1},
    {"0X10", 16},
    {"abc", std::nullopt},
    {"", std::nullopt},
    {"1.5", std::nullopt},
    {"12abc", std::nullopt},
    {"1 ", std::nullopt},
    {"99999999999", std::nullopt},
    {"$FFFFFFFF", -1},
    {"0x", std::nullopt},
};

const NumberSample kIntegerSamples[] = {
    {"0", 0},
    {"1", 1},
    {"2", 2},
    {"3", 3},
    {"4", 4},
    {"5", 5},
    {"9", 9},
    {"-1", -1},
    {"-4", -4},
    {"0x2", 2},
    {"$3", 3},
    {" 4", 4},
    {"+3", 3},
    {"2.0", std::nullopt},
    {"abc", std::nullopt},
    {"", std::nullopt},
    {"2147483648", std::nullopt},
    {"-2147483648", -2147483647 - 1},
    {"0xFFFFFFFF", -1},
    {"0x7FFFFFFF", 2147483647},
};

int clampIndex(qint32 value, int last)
{
    return value < -1 ? -1 : (value > last ? last : value);
}

// ---- The monkey ----

enum class Act {
    Click,
    Type,
    Clear,
    ComboKey,
    ComboType,
    ComboClear,
    Language,
    Refresh,
    ViewOnly,
    TypeCommand,
    RestoreRandom,
    RestoreDamaged,
    Save,
    SaveRoundTrip,
    SaveImpossible,
    Tab,
};

struct Weighted {
    Act act;
    int weight;
    const char *name;
};

const Weighted kActs[] = {
    {Act::Click, 300, "click"},
    {Act::Type, 110, "type"},
    {Act::Clear, 40, "clear"},
    {Act::ComboKey, 100, "combo key"},
    {Act::ComboType, 60, "combo type"},
    {Act::ComboClear, 20, "combo clear"},
    {Act::Language, 30, "language"},
    {Act::Refresh, 30, "refresh"},
    {Act::ViewOnly, 30, "view only"},
    {Act::TypeCommand, 30, "command box"},
    {Act::RestoreRandom, 60, "restore"},
    {Act::RestoreDamaged, 30, "restore damaged"},
    {Act::Save, 20, "save"},
    {Act::SaveRoundTrip, 25, "save+restore"},
    {Act::SaveImpossible, 4, "failed save"},
    {Act::Tab, 50, "tab"},
};

// One availability row of interlocks.tsv: `control` is available exactly while `box` is ticked
// (or, with `whileTicked` false, while it is not), once one of `onceOneOf` is ticked if it names any.
struct Availability {
    QString control;
    QString box;
    bool whileTicked = true;
    QStringList onceOneOf;
};

QList<QStringList> buttonSets()
{
    QList<QStringList> sets;
    for (const QStringList &row : testing::expectedRows("interlocks.tsv", 0, QStringLiteral("one-of")))
        sets << row.at(0).split(u' ');
    return sets;
}

QList<Availability> availabilityRules()
{
    QList<Availability> rules;
    for (const QStringList &row : testing::expectedRows("interlocks.tsv", 0, QStringLiteral("available"))) {
        Availability rule{row.at(0), row.at(1), true, {}};
        if (rule.box.startsWith(u'!')) {
            rule.box.remove(0, 1);
            rule.whileTicked = false;
        }
        if (row.size() > 2)
            rule.onceOneOf = row.at(2).split(u' ');
        rules << rule;
    }
    return rules;
}

// Option fields that a settings file neither writes nor reads: those settings_keys.tsv names for
// no key. The command line is left out: a restore composes it anew.
QStringList notStoredFields()
{
    QStringList stored{QStringLiteral("edtCommandLine")}, notStored;
    for (const QStringList &row : testing::expectedRows("settings_keys.tsv"))
        stored << row.at(2);
    for (int i = 0; i < fenwave::kFieldCount; ++i) {
        if (!stored.contains(fieldName(i)))
            notStored << fieldName(i);
    }
    return notStored;
}

// The last item index of a control's item list in item_lists.tsv.
int lastItem(const QString &control)
{
    int count = 0;
    for (const QStringList &row : testing::expectedRows("item_lists.tsv"))
        count += row.at(0).split(u',').contains(control) ? 1 : 0;
    if (count == 0)
        qFatal("item_lists.tsv has no items of %s", qPrintable(control));
    return count - 1;
}

class Monkey
{
public:
    Monkey(TForm1 &form, quint64 seed, const QString &folder)
        : m_form(form), m_driver(form), m_rng(seed), m_seed(seed), m_folder(folder)
    {
        collectControls();
        observeHandlers();
    }

    // Runs one random action and checks the window afterwards; an empty result means all is well.
    QString step(int number)
    {
        m_step = number;
        const Act act = pickAct();
        m_mismatch.clear();
        m_runs = 0;
        m_before = capture();
        QString error = perform(act);
        if (error.isEmpty())
            error = m_mismatch;
        if (error.isEmpty())
            error = checkAlways();
        return error;
    }

    QString report(const QString &error) const
    {
        QString text = QStringLiteral("seed %1, step %2: %3\nreplay with FENWAVE_MONKEY_SEED=%1\nlast actions:\n")
                           .arg(m_seed)
                           .arg(m_step)
                           .arg(error);
        for (const QString &entry : m_log)
            text += QStringLiteral("  ") + entry + QLatin1Char('\n');
        return text;
    }

    // How often each kind of action ran and how long it took.
    QString timings() const
    {
        QString text;
        for (const Weighted &w : kActs) {
            const int act = int(w.act);
            text += QStringLiteral(" %1 %2x %3 ms;")
                        .arg(QLatin1String(w.name))
                        .arg(m_counts.value(act))
                        .arg(m_nanos.value(act) / 1000000);
        }
        return text;
    }

private:
    // ---- Set-up ----

    void collectControls()
    {
        for (const fenwave::ControlSpec &row : fenwave::layoutTable()) {
            const QString name = QString::fromLatin1(row.name);
            auto *widget = m_form.named<QWidget>(name);
            if (!widget)
                qFatal("no control named %s", row.name);
            m_watched << widget;
            m_watchedNames << name;
            switch (row.kind) {
            case ControlKind::CheckBox:
                if (name != QLatin1String("flgReadOnly"))
                    m_buttons << name;
                break;
            case ControlKind::RadioButton: m_buttons << name; break;
            case ControlKind::RadioGroup:
                m_groups << name;
                for (QRadioButton *item : widget->findChildren<QRadioButton *>()) {
                    m_buttons << item->objectName();
                    m_watched << item;
                    m_watchedNames << item->objectName();
                }
                break;
            case ControlKind::Edit: m_edits << name; break;
            case ControlKind::ComboBox: m_combos << name; break;
            default: break;
            }
        }
        for (const char *item : {"mnuRefresh", "mnuEnglish", "mnuRussian", "mnuRun", "mnuExit", "mnuSave", "mnuLoad"}) {
            QObject *action = m_form.named(QString::fromLatin1(item));
            if (!action)
                qFatal("no menu item named %s", item);
            m_alive << action;
            m_aliveNames << QString::fromLatin1(item);
        }
        for (int i = 0; i < m_watched.size(); ++i) {
            m_alive << m_watched.at(i);
            m_aliveNames << m_watchedNames.at(i);
        }
        for (const QString &group : m_groups)
            m_groupIndex.insert(group, itemIndex(group));
    }

    // Connected after the window's own connections, so each of these runs right after the
    // window's handler for the same change: the handler must have left the line the composer
    // makes of the options as they are at that moment.
    void observeHandlers()
    {
        for (const QString &name : m_buttons) {
            QObject *control = m_form.named(name);
            if (auto *check = qobject_cast<QCheckBox *>(control)) {
                if (name == QLatin1String("flgLameTagEn"))
                    continue; // the one page check box without a handler
                QObject::connect(check, &QCheckBox::toggled, &m_guard, [this, name] { handlerRan(name); });
            } else if (auto *radio = qobject_cast<QRadioButton *>(control)) {
                const QString group = m_groups.contains(radio->parentWidget()->objectName())
                                          ? radio->parentWidget()->objectName()
                                          : QString();
                if (group.isEmpty()) {
                    QObject::connect(radio, &QRadioButton::toggled, &m_guard, [this, name](bool on) {
                        if (on)
                            handlerRan(name);
                    });
                } else {
                    QObject::connect(radio, &QRadioButton::toggled, &m_guard, [this, group] {
                        const int index = itemIndex(group);
                        if (m_groupIndex.value(group) == index)
                            return;
                        m_groupIndex.insert(group, index);
                        handlerRan(group);
                    });
                }
            }
        }
        for (const QString &name : m_edits) {
            if (name == QLatin1String("edtScaleLeft") || name == QLatin1String("edtScaleRight"))
                continue; // editing them composes nothing
            QObject::connect(m_form.named<QLineEdit>(name), &QLineEdit::textChanged, &m_guard,
                             [this, name] { handlerRan(name); });
        }
        for (const QString &name : m_combos) {
            auto *combo = m_form.named<QComboBox>(name);
            QObject::connect(combo, &QComboBox::activated, &m_guard, [this, name] { handlerRan(name); });
            QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, &m_guard, [this, name] { handlerRan(name); });
        }
        QObject::connect(m_form.named<QAction>("mnuRefresh"), &QAction::triggered, &m_guard,
                         [this] { handlerRan(QStringLiteral("mnuRefresh")); });
    }

    void handlerRan(const QString &control)
    {
        ++m_runs;
        m_lastHandler = control;
        const OptionSet options = m_form.optionSet();
        const bool shortForm = control == QLatin1String("flgDefault") && checked("flgDefault");
        m_expectedLine
            = shortForm ? fenwave::composeShortCommandLine(options) : fenwave::composeFullCommandLine(options);
        // A restore may put only its last line into the box, at its end.
        if (!m_restoring && m_mismatch.isEmpty() && line() != m_expectedLine) {
            m_mismatch = QStringLiteral("after the handler of %1 the command line is\n  \"%2\"\nexpected\n  \"%3\"")
                             .arg(control, line(), m_expectedLine);
        }
    }

    // ---- Small readers ----

    int itemIndex(const QString &group) const
    {
        for (QRadioButton *item : m_form.named<QWidget>(group)->findChildren<QRadioButton *>()) {
            if (item->isChecked())
                return item->objectName().section(QLatin1Char('_'), -1).toInt();
        }
        return -1;
    }
    bool checked(const char *name) const { return m_driver.checked(QString::fromLatin1(name)); }
    QString line() const { return m_driver.line(); }
    QWidget *widget(const QString &name) const { return m_form.named<QWidget>(name); }

    WindowState capture() const
    {
        WindowState s;
        s.options = m_form.optionSet();
        for (const QWidget *w : m_watched)
            s.ownEnabled << !w->testAttribute(Qt::WA_ForceDisabled);
        s.page = m_driver.w<QTabWidget>("pgOptions")->currentIndex();
        s.lamePath = m_form.LamePath;
        s.language = m_form.Language;
        s.englishTicked = m_form.named<QAction>("mnuEnglish")->isChecked();
        s.russianTicked = m_form.named<QAction>("mnuRussian")->isChecked();
        return s;
    }

    // Names what differs between two states, leaving out the listed fields and widgets.
    static QString differences(const WindowState &a, const WindowState &b, const QStringList &names,
                               const QStringList &ignored = {})
    {
        QStringList found;
        for (int i = 0; i < fenwave::kFieldCount; ++i) {
            const Field f = static_cast<Field>(i);
            if (ignored.contains(fieldName(i)))
                continue;
            if (!(a.options.value(f) == b.options.value(f)))
                found << fieldName(i) + QStringLiteral(" ") + describe(a.options.value(f)) + QStringLiteral(" -> ")
                             + describe(b.options.value(f));
        }
        for (int i = 0; i < names.size() && i < a.ownEnabled.size() && i < b.ownEnabled.size(); ++i) {
            if (!ignored.contains(names.at(i)) && a.ownEnabled.at(i) != b.ownEnabled.at(i))
                found << names.at(i) + QStringLiteral(" enabled ") + QString::number(a.ownEnabled.at(i))
                             + QStringLiteral(" -> ") + QString::number(b.ownEnabled.at(i));
        }
        if (!ignored.contains(QStringLiteral("page")) && a.page != b.page)
            found << QStringLiteral("page %1 -> %2").arg(a.page).arg(b.page);
        if (a.lamePath != b.lamePath)
            found << QStringLiteral("LamePath \"%1\" -> \"%2\"").arg(a.lamePath, b.lamePath);
        if (!ignored.contains(QStringLiteral("language"))
            && (a.language != b.language || a.englishTicked != b.englishTicked || a.russianTicked != b.russianTicked))
            found << QStringLiteral("language changed");
        return found.join(QStringLiteral("; "));
    }

    QString unchangedExcept(const QStringList &ignored, const QString &what) const
    {
        const QString diff = differences(m_before, capture(), m_watchedNames, ignored);
        return diff.isEmpty() ? QString() : what + QStringLiteral(" changed: ") + diff;
    }

    // The command line after an action that must compose nothing.
    QString lineKept(const QString &what) const
    {
        if (m_runs != 0)
            return what + QStringLiteral(" ran %1 handler(s), the last that of %2").arg(m_runs).arg(m_lastHandler);
        if (line() != m_before.options.text(Field::edtCommandLine))
            return what + QStringLiteral(" changed the command line to \"%1\"").arg(line());
        return {};
    }

    // The command line after an action that may run handlers: the last one composed it.
    QString lineOfLastHandler() const
    {
        if (m_runs == 0)
            return line() == m_before.options.text(Field::edtCommandLine)
                       ? QString()
                       : QStringLiteral("no handler ran, yet the command line became \"%1\"").arg(line());
        return line() == m_expectedLine ? QString()
                                        : QStringLiteral("the command line is \"%1\", the last handler composed \"%2\"")
                                              .arg(line(), m_expectedLine);
    }

    // ---- Random choices ----

    int below(int n) { return n <= 1 ? 0 : int(m_rng.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T> const T &pick(const QList<T> &list) { return list.at(below(int(list.size()))); }

    Act pickAct()
    {
        int total = 0;
        for (const Weighted &w : kActs)
            total += w.weight;
        int roll = below(total);
        for (const Weighted &w : kActs) {
            if (roll < w.weight)
                return w.act;
            roll -= w.weight;
        }
        return Act::Click;
    }

    QString randomText()
    {
        const int pieces = chance(3) ? 40 + below(40) : 1 + below(5);
        QString text;
        for (int i = 0; i < pieces; ++i) {
            if (chance(20))
                text += kCyrillic.at(below(int(kCyrillic.size())));
            else
                text += pick(kTextPieces);
        }
        return text;
    }

    void log(const QString &entry)
    {
        QString shown = entry;
        shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
        m_log << QStringLiteral("#%1 ").arg(m_step) + shown.left(200);
        while (m_log.size() > kLogLength)
            m_log.removeFirst();
    }

    // ---- Actions ----

    QString perform(Act act)
    {
        m_counts[int(act)] += 1;
        QElapsedTimer clock;
        clock.start();
        const QString error = performTimed(act);
        m_nanos[int(act)] += clock.nsecsElapsed();
        return error;
    }

    QString performTimed(Act act)
    {
        switch (act) {
        case Act::Click: return click();
        case Act::Type: return typeIntoEdit();
        case Act::Clear: return clearEdit();
        case Act::ComboKey: return comboKey();
        case Act::ComboType: return typeIntoCombo();
        case Act::ComboClear: return clearCombo();
        case Act::Language: return switchLanguage();
        case Act::Refresh: return refresh();
        case Act::ViewOnly: return toggleViewOnly();
        case Act::TypeCommand: return typeIntoCommandBox();
        case Act::RestoreRandom: return restore(false);
        case Act::RestoreDamaged: return restore(true);
        case Act::Save: return save(false);
        case Act::SaveRoundTrip: return save(true);
        case Act::SaveImpossible: return saveImpossible();
        case Act::Tab: return clickTab();
        }
        return {};
    }

    // Shows the page of a control before the "before" picture, so that only the action counts.
    void showPage(QWidget *w)
    {
        m_driver.showPageOf(w);
        m_runs = 0;
        m_before = capture();
    }

    QString click()
    {
        const QString name = pick(m_buttons);
        auto *button = m_driver.w<QAbstractButton>(name);
        showPage(button);
        const bool enabled = button->isEnabled();
        const bool wasChecked = button->isChecked();
        log(QStringLiteral("click %1 (%2, %3)")
                .arg(name, enabled ? "enabled" : "disabled", wasChecked ? "checked" : "unchecked"));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        if (!enabled) {
            if (QString e = unchangedExcept({}, QStringLiteral("a click on disabled ") + name); !e.isEmpty())
                return e;
            return lineKept(QStringLiteral("a click on disabled ") + name);
        }
        const bool isRadio = qobject_cast<QRadioButton *>(button) != nullptr;
        const bool expected = isRadio ? true : !wasChecked;
        if (button->isChecked() != expected)
            return QStringLiteral("a click on %1 left it %2").arg(name, button->isChecked() ? "checked" : "unchecked");
        if (name == QLatin1String("flgLameTagEn") || (isRadio && wasChecked))
            return lineKept(QStringLiteral("a click on ") + name);
        if (m_runs == 0)
            return QStringLiteral("a click that changed %1 ran no handler").arg(name);
        if (name == QLatin1String("flgDefault") && button->isChecked()) {
            const QString shortLine = fenwave::composeShortCommandLine(m_form.optionSet());
            if (line() != shortLine)
                return QStringLiteral("checking flgDefault left \"%1\", not the short line \"%2\"")
                    .arg(line(), shortLine);
            return {};
        }
        const QString full = fenwave::composeFullCommandLine(m_form.optionSet());
        if (line() != full)
            return QStringLiteral("after a click on %1 the command line is \"%2\", not \"%3\"").arg(name, line(), full);
        return {};
    }

    // An edit or combo box the user can reach: enabled itself and inside enabled containers.
    QString reachable(const QStringList &names)
    {
        QStringList usable;
        for (const QString &name : names) {
            if (widget(name)->isEnabled())
                usable << name;
        }
        return usable.isEmpty() ? QString() : pick(usable);
    }

    QString typeIntoEdit()
    {
        const QString name = reachable(m_edits);
        if (name.isEmpty())
            return {};
        auto *edit = m_driver.w<QLineEdit>(name);
        showPage(edit);
        const QString text = randomText();
        log(QStringLiteral("type %1 \"%2\"").arg(name, text));
        const bool hadSelection = edit->hasSelectedText();
        const qsizetype lengthBefore = edit->text().size();
        edit->setFocus();
        FormDriver::typeInto(edit, text);
        const qsizetype printable = std::count_if(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
        if (!hadSelection && edit->text().size() != lengthBefore + printable)
            return QStringLiteral("typing %1 characters into %2 gave \"%3\"").arg(printable).arg(name, edit->text());
        if (QString e = unchangedExcept({name, "edtCommandLine"}, QStringLiteral("typing into ") + name); !e.isEmpty())
            return e;
        return lineOfLastHandler();
    }

    QString clearEdit()
    {
        const QString name = reachable(m_edits);
        if (name.isEmpty())
            return {};
        auto *edit = m_driver.w<QLineEdit>(name);
        showPage(edit);
        log(QStringLiteral("clear %1").arg(name));
        m_driver.clearByKeys(name);
        if (!edit->text().isEmpty())
            return QStringLiteral("clearing %1 left \"%2\"").arg(name, edit->text());
        if (QString e = unchangedExcept({name, "edtCommandLine"}, QStringLiteral("clearing ") + name); !e.isEmpty())
            return e;
        return lineOfLastHandler();
    }

    QString comboKey()
    {
        const QString name = reachable(m_combos);
        if (name.isEmpty())
            return {};
        auto *combo = m_driver.w<QComboBox>(name);
        showPage(combo);
        const bool down = chance(60);
        const int indexBefore = combo->currentIndex();
        log(QStringLiteral("%1 key on %2 (item %3 of %4)")
                .arg(down ? "down" : "up", name)
                .arg(indexBefore)
                .arg(combo->count()));
        combo->setFocus();
        QTest::keyClick(combo, down ? Qt::Key_Down : Qt::Key_Up);
        const int indexAfter = combo->currentIndex();
        if (indexAfter != indexBefore && m_runs == 0)
            return QStringLiteral("picking item %1 of %2 ran no handler").arg(indexAfter).arg(name);
        if (indexAfter != indexBefore && indexAfter >= 0 && combo->currentText() != combo->itemText(indexAfter))
            return QStringLiteral("%1 shows \"%2\" with item %3 picked")
                .arg(name, combo->currentText())
                .arg(indexAfter);
        if (QString e = unchangedExcept({name, "edtCommandLine"}, QStringLiteral("a key on ") + name); !e.isEmpty())
            return e;
        return lineOfLastHandler();
    }

    QString typeIntoCombo()
    {
        const QString name = reachable(m_combos);
        if (name.isEmpty())
            return {};
        auto *combo = m_driver.w<QComboBox>(name);
        showPage(combo);
        const QString text = randomText();
        log(QStringLiteral("type into %1 \"%2\"").arg(name, text));
        const int countBefore = combo->count();
        combo->setFocus();
        FormDriver::typeInto(combo->lineEdit(), text);
        if (combo->count() != countBefore)
            return QStringLiteral("typing into %1 changed its list").arg(name);
        if (QString e = unchangedExcept({name, "edtCommandLine"}, QStringLiteral("typing into ") + name); !e.isEmpty())
            return e;
        return lineOfLastHandler();
    }

    QString clearCombo()
    {
        const QString name = reachable(m_combos);
        if (name.isEmpty())
            return {};
        auto *combo = m_driver.w<QComboBox>(name);
        showPage(combo);
        log(QStringLiteral("clear %1").arg(name));
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
        if (!combo->currentText().isEmpty())
            return QStringLiteral("clearing %1 left \"%2\"").arg(name, combo->currentText());
        if (QString e = unchangedExcept({name, "edtCommandLine"}, QStringLiteral("clearing ") + name); !e.isEmpty())
            return e;
        return lineOfLastHandler();
    }

    QString switchLanguage()
    {
        const bool russian = chance(50);
        log(russian ? QStringLiteral("menu Russian") : QStringLiteral("menu English"));
        m_driver.switchTo(russian ? testing::kRussian : testing::kEnglish);
        auto *presets = m_driver.w<QComboBox>("cbxPresets");
        const fenwave::Language chosen = russian ? testing::kRussian : testing::kEnglish;
        const QStringList names
            = testing::lastColumn(testing::expectedTexts(russian ? "language_ru.tsv" : "language_en.tsv", "item"));
        if (m_form.Language != chosen)
            return QStringLiteral("the language is %1").arg(int(m_form.Language));
        if (m_form.named<QAction>("mnuRussian")->isChecked() != russian
            || m_form.named<QAction>("mnuEnglish")->isChecked() == russian)
            return QStringLiteral("the language menu items are ticked wrongly");
        if (presets->currentIndex() != -1 || presets->currentText() != names.value(0)
            || presets->count() != names.size())
            return QStringLiteral("after a language switch the preset box holds item %1, \"%2\", %3 items")
                .arg(presets->currentIndex())
                .arg(presets->currentText())
                .arg(presets->count());
        const WindowState after = capture();
        // The preset box keeps its own enabled flag; only its list, text and selection change.
        if (after.options.isAvailable(Field::cbxPresets) != m_before.options.isAvailable(Field::cbxPresets))
            return QStringLiteral("a language switch changed the enabled flag of cbxPresets");
        if (QString e = unchangedExcept({"cbxPresets", "language"}, QStringLiteral("a language switch")); !e.isEmpty())
            return e;
        return lineKept(QStringLiteral("a language switch"));
    }

    QString refresh()
    {
        log(QStringLiteral("menu Refresh command line"));
        m_form.named<QAction>("mnuRefresh")->trigger();
        const QString full = fenwave::composeFullCommandLine(m_form.optionSet());
        if (line() != full)
            return QStringLiteral("after a refresh the command line is \"%1\", not \"%2\"").arg(line(), full);
        return unchangedExcept({"edtCommandLine"}, QStringLiteral("a refresh"));
    }

    QString toggleViewOnly()
    {
        auto *box = m_driver.w<QAbstractButton>("flgReadOnly");
        const bool wasChecked = box->isChecked();
        log(QStringLiteral("click flgReadOnly (%1)").arg(wasChecked ? "checked" : "unchecked"));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        if (box->isChecked() == wasChecked)
            return QStringLiteral("a click on View only did not change it");
        const QString diff = differences(m_before, capture(), m_watchedNames, {"flgReadOnly", "edtCommandLine"});
        if (!diff.isEmpty())
            return QStringLiteral("View only changed: ") + diff;
        return lineKept(QStringLiteral("View only"));
    }

    QString typeIntoCommandBox()
    {
        auto *box = m_driver.w<QPlainTextEdit>("edtCommandLine");
        if (!box->isEnabled())
            return toggleViewOnly();
        const QString text = randomText();
        log(QStringLiteral("type into the command box \"%1\"").arg(text));
        box->setFocus();
        FormDriver::typeInto(box, text);
        if (m_runs != 0)
            return QStringLiteral("typing into the command box ran %1 handler(s), the last that of %2")
                .arg(m_runs)
                .arg(m_lastHandler);
        return unchangedExcept({"edtCommandLine"}, QStringLiteral("typing into the command box"));
    }

    QString clickTab()
    {
        auto *pages = m_driver.w<QTabWidget>("pgOptions");
        QTabBar *bar = pages->tabBar();
        const int index = below(pages->count());
        log(QStringLiteral("click tab %1").arg(index));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        if (pages->currentIndex() != index)
            return QStringLiteral("a click on tab %1 shows page %2").arg(index).arg(pages->currentIndex());
        if (QString e = unchangedExcept({"page"}, QStringLiteral("a tab click")); !e.isEmpty())
            return e;
        return lineKept(QStringLiteral("a tab click"));
    }

    // ---- Settings files ----

    QString newPath(const QString &stem)
    {
        return m_folder + QStringLiteral("/%1 ;$(x) \"q\" ё %2.ini").arg(stem).arg(m_step);
    }

    PlannedValue planValue(const SettingKey &key)
    {
        PlannedValue v;
        if (testing::storedAs(key.key) == StoredAs::Text) {
            static const QStringList specials = {
                "",
                "44.1",
                "128",
                "Phone",
                "Radio",
                "Hi-fi",
                "Studio",
                "Телефон",
                "Радио",
                "Студия",
                "Новый",
                "Старый",
                "Промежуточный",
                " padded ",
                "\"quoted value\"",
                ";not a comment",
                "a=b",
                "[x]",
                "/usr/bin/lame",
                "C:\\Program Files\\lame\\lame.exe",
                "tab\tinside",
            };
            v.text = chance(40) ? pick(specials) : randomText();
            if (chance(2))
                v.text = QString(2100 + below(200), QLatin1Char('w')); // longer than the old 2047 cut
            if (chance(10)) {
                // Written on Windows: Cyrillic in Windows-1251.
                QString cyrillic;
                for (int i = 1 + below(8); i > 0; --i)
                    cyrillic += kCyrillic.at(below(int(kCyrillic.size())));
                v.text = QStringLiteral("x") + cyrillic;
                v.raw = toWindows1251(v.text);
            } else {
                v.raw = v.text.toUtf8();
            }
            return v;
        }
        if (testing::storedAs(key.key) == StoredAs::Flag) {
            const NumberSample &s = kFlagSamples[below(int(std::size(kFlagSamples)))];
            v.raw = s.raw;
            v.number = s.number;
        } else {
            const NumberSample &s = kIntegerSamples[below(int(std::size(kIntegerSamples)))];
            v.raw = s.raw;
            v.number = s.number;
        }
        return v;
    }

    static QByteArray noiseLine(QRandomGenerator &rng)
    {
        QByteArray bytes;
        for (int i = 1 + int(rng.bounded(30u)); i > 0; --i) {
            char c = char(rng.bounded(256u));
            if (c == '\n' || c == '\r' || c == '=' || c == '[')
                c = '#';
            bytes += c;
        }
        if (bytes.startsWith(' ') || bytes.startsWith('\t'))
            bytes[0] = '#';
        return bytes;
    }

    // A file holding a random subset of the keys in the settings section, with noise around them.
    QByteArray randomFile(QHash<QString, PlannedValue> *planned, bool damaged)
    {
        const QByteArray eol = chance(30) ? "\r\n" : "\n";
        QList<QByteArray> lines;
        if (chance(20))
            lines << "CBR=0"
                  << "VBR=1"; // before any section: belongs to none
        static const QList<QByteArray> headers
            = {"[Fenwave Sets]", "[fenwave sets]", "[  FENWAVE Sets\t]", " [Fenwave Sets]"};
        lines << (chance(70) ? headers.at(0) : pick(headers));
        const int percent = below(101);
        QList<SettingKey> keys;
        for (const SettingKey &key : fenwave::settingsKeys())
            keys << key;
        if (chance(50))
            std::shuffle(keys.begin(), keys.end(), m_rng);
        for (const SettingKey &key : keys) {
            if (!chance(percent))
                continue;
            const PlannedValue v = planValue(key);
            QByteArray name = key.key;
            if (chance(10))
                name = name.toLower();
            else if (chance(10))
                name = name.toUpper();
            if (chance(10))
                name = " " + name + "\t";
            lines << name + "=" + v.raw;
            planned->insert(QString::fromLatin1(key.key), v);
            if (chance(5))
                lines << QByteArray(key.key) + "=" + planValue(key).raw; // a second one is not read
            if (damaged && chance(15))
                lines << noiseLine(m_rng);
            if (chance(3))
                lines << QByteArray(";") + key.key + "=1"
                      << "";
        }
        if (chance(20))
            lines << "[Other]"
                  << "CBR=0"
                  << "ABR=1"
                  << "LamePath=elsewhere";
        QByteArray bytes = chance(10) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        bytes += lines.join(eol);
        if (chance(80))
            bytes += eol;
        return bytes;
    }

    // What each stored control must hold after restoring the planned values; empty when all do.
    QString checkRestored(const QHash<QString, PlannedValue> &planned, const WindowState &before) const
    {
        QStringList wrong;
        QHash<QString, bool> flags;
        for (const SettingKey &key : fenwave::settingsKeys()) {
            const QString keyName = QString::fromLatin1(key.key);
            const QString control = QString::fromLatin1(fenwave::OptionSet::info(key.field).name);
            const auto found = planned.constFind(keyName);
            const bool present = found != planned.constEnd();
            switch (testing::storedAs(key.key)) {
            case StoredAs::Text: {
                const QString expected = present ? found->text : testing::restoreDefault(key.key);
                QString actual;
                if (control == QLatin1String("LamePath"))
                    actual = m_form.LamePath;
                else if (auto *combo = m_form.named<QComboBox>(control))
                    actual = combo->currentText();
                else
                    actual = m_form.named<QLineEdit>(control)->text();
                if (actual != expected)
                    wrong << QStringLiteral("%1 holds \"%2\", the file says \"%3\"")
                                 .arg(control, actual.left(60), expected.left(60));
                if (control == QLatin1String("cbxPresets") || control == QLatin1String("cbxVBRMode")) {
                    auto *combo = m_form.named<QComboBox>(control);
                    const int item = combo->findText(expected, Qt::MatchExactly | Qt::MatchCaseSensitive);
                    if (combo->currentIndex() != item)
                        wrong << QStringLiteral("%1 selects item %2 for \"%3\", not %4")
                                     .arg(control)
                                     .arg(combo->currentIndex())
                                     .arg(expected)
                                     .arg(item);
                }
                break;
            }
            case StoredAs::Integer: {
                const qint32 value
                    = present && found->number ? *found->number : testing::restoreDefault(key.key).toInt();
                const int expected = clampIndex(value, lastItem(control));
                if (itemIndex(control) != expected)
                    wrong << QStringLiteral("%1 selects %2, expected %3")
                                 .arg(control)
                                 .arg(itemIndex(control))
                                 .arg(expected);
                break;
            }
            case StoredAs::Flag: {
                bool on;
                if (present && found->number)
                    on = *found->number != 0;
                else if (!testing::restoreDefault(key.key).isNull())
                    on = testing::restoreDefault(key.key) != QLatin1String("0");
                else
                    on = before.options.isOn(key.field);
                flags.insert(control, on);
                break;
            }
            }
        }
        // The ATH pair and the two radio sets are settled key by key.
        const bool maskValue = flags.value("flgUseATHMask");
        const bool noAthValue = flags.value("flgNoATH");
        flags.insert("flgUseATHMask", maskValue && !noAthValue);
        for (const QStringList &set :
             {QStringList{"rbutCBR", "rbutABR", "rbutVBR"}, QStringList{"rbut1stOnly", "rbut2ndOnly", "rbutBoth"}}) {
            QString last;
            for (const QString &b : set) {
                if (flags.value(b))
                    last = b;
            }
            for (const QString &b : set)
                flags.insert(b, b == last);
        }
        for (auto it = flags.constBegin(); it != flags.constEnd(); ++it) {
            if (m_driver.checked(it.key()) != it.value())
                wrong << QStringLiteral("%1 is %2").arg(it.key(), it.value() ? "unchecked" : "checked");
        }
        return wrong.join(QStringLiteral("; "));
    }

    QString restore(bool damaged)
    {
        QHash<QString, PlannedValue> planned;
        QString path = newPath(QStringLiteral("restore"));
        QString what;
        const int kind = damaged ? below(6) : 0;
        switch (kind) {
        case 0: {
            const QByteArray bytes = randomFile(&planned, damaged);
            testing::mustWrite(path, bytes);
            what = QStringLiteral("restore %1 keys%2: %3")
                       .arg(planned.size())
                       .arg(damaged ? " with noise" : "")
                       .arg(QString::fromUtf8(bytes.left(300)).replace(QLatin1Char('\n'), QLatin1Char('|')));
            break;
        }
        case 1: {
            QByteArray bytes;
            for (int i = below(4096); i > 0; --i)
                bytes += char(m_rng.bounded(256u));
            bytes.replace('[', '#');
            testing::mustWrite(path, bytes);
            what = QStringLiteral("restore %1 binary bytes").arg(bytes.size());
            break;
        }
        case 2:
            what = QStringLiteral("restore a missing file");
            path = m_folder + QStringLiteral("/missing ;$(x) ё.ini");
            break;
        case 3:
            what = QStringLiteral("restore a folder");
            path = m_folder;
            break;
        case 4: {
            testing::mustWrite(path, "[Fenwave Set]\nCBR=0\nVBR=1\nLamePath=x\n");
            what = QStringLiteral("restore a file with another section");
            break;
        }
        default: {
            testing::mustWrite(path, "[Fenwave Sets\nCBR=0\nVBR=1\nDefault=1\n");
            what = QStringLiteral("restore a file with a broken header");
            break;
        }
        }
        log(what);
        restoreFile(path);
        const WindowState after = capture();
        for (const QString &name : m_notStored) {
            const Field f = *OptionSet::fieldByName(name);
            if (!(m_before.options.value(f) == after.options.value(f)))
                return QStringLiteral("a restore changed %1, which no settings file holds").arg(name);
        }
        if (QString e = checkRestored(planned, m_before); !e.isEmpty())
            return QStringLiteral("after the restore: ") + e;
        return lineOfLastHandler();
    }

    void restoreFile(const QString &path)
    {
        m_restoring = true;
        m_form.restoreSettings(path);
        m_restoring = false;
    }

    QString save(bool roundTrip)
    {
        const QString path = newPath(QStringLiteral("save"));
        log(QStringLiteral("save%1").arg(roundTrip ? " and restore the same file" : ""));
        if (!m_form.saveSettings(path))
            return QStringLiteral("saving to %1 failed").arg(path);
        if (!QFileInfo(path).isFile())
            return QStringLiteral("saving wrote no file");
        if (QString e = unchangedExcept({}, QStringLiteral("saving")); !e.isEmpty())
            return e;
        if (QString e = lineKept(QStringLiteral("saving")); !e.isEmpty())
            return e;
        if (!roundTrip)
            return {};
        restoreFile(path);
        // Every stored value comes back as it was; a combo box shows the same text, with the
        // item of exactly that text selected.
        WindowState expected = m_before;
        for (const QString &name : m_combos) {
            if (name == QLatin1String("cbxGenre"))
                continue; // not stored
            auto *combo = m_driver.w<QComboBox>(name);
            const Field f = *OptionSet::fieldByName(name);
            expected.options.setIndex(f,
                                      combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive));
        }
        const QString diff = differences(expected, capture(), m_watchedNames);
        if (!diff.isEmpty())
            return QStringLiteral("save and restore changed: ") + diff;
        return lineKept(QStringLiteral("save and restore"));
    }

    QString saveImpossible()
    {
        QString path;
        switch (below(3)) {
        case 0: path = m_folder + QStringLiteral("/no such folder ;$(x)/sets.ini"); break;
        case 1: path = m_folder; break;
        default: {
            path = m_folder + QStringLiteral("/read only ё.ini");
            if (!QFileInfo::exists(path)) {
                testing::mustWrite(path, "[Fenwave Sets]\nCBR=1\n");
                QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
            }
        }
        }
        log(QStringLiteral("save to the impossible %1").arg(path));
        ModalAnswer answer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
        if (m_form.saveSettings(path))
            return QStringLiteral("saving to %1 reported success").arg(path);
        if (answer.count != 1 || answer.icon != QMessageBox::Critical
            || !answer.text.startsWith(QStringLiteral("Unable to write to ")))
            return QStringLiteral("saving to %1 showed %2 box(es), last \"%3\"")
                .arg(path)
                .arg(answer.count)
                .arg(answer.text);
        if (QString e = unchangedExcept({}, QStringLiteral("a failed save")); !e.isEmpty())
            return e;
        return lineKept(QStringLiteral("a failed save"));
    }

    // ---- What holds after every action ----

    QString checkAlways() const
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            return QStringLiteral("a modal window is left open: \"%1\"").arg(modal->windowTitle());
        for (int i = 0; i < m_alive.size(); ++i) {
            if (!m_alive.at(i) || m_form.named(m_aliveNames.at(i)) != m_alive.at(i).data())
                return QStringLiteral("the window lost %1").arg(m_aliveNames.at(i));
        }
        for (const QStringList &set : m_buttonSets) {
            QStringList ticked;
            for (const QString &button : set) {
                if (m_driver.checked(button))
                    ticked << button;
            }
            if (ticked.size() > 1)
                return QStringLiteral("%1 are ticked together").arg(ticked.join(QStringLiteral(", ")));
        }
        for (const Availability &rule : m_availability) {
            const auto ticked = [this](const QString &button) { return m_driver.checked(button); };
            if (!rule.onceOneOf.isEmpty() && std::none_of(rule.onceOneOf.begin(), rule.onceOneOf.end(), ticked))
                continue;
            if (m_driver.own(rule.control) != (ticked(rule.box) == rule.whileTicked))
                return QStringLiteral("%1 is %2 while %3 is %4")
                    .arg(rule.control, m_driver.own(rule.control) ? "enabled" : "disabled", rule.box,
                         ticked(rule.box) ? "ticked" : "not ticked");
        }
        if (checked("flgDefault")) {
            for (const QString &name : m_defaultLocked) {
                if (m_driver.own(name))
                    return QStringLiteral("%1 is enabled while flgDefault is checked").arg(name);
            }
        }
        return {};
    }

    TForm1 &m_form;
    QObject m_guard; // context of the observers: they end with the monkey, before the window
    FormDriver m_driver;
    QRandomGenerator m_rng;
    quint64 m_seed;
    QString m_folder;
    int m_step = 0;

    QStringList m_buttons, m_edits, m_combos, m_groups;
    QList<QWidget *> m_watched;
    QStringList m_watchedNames;
    QList<QPointer<QObject>> m_alive;
    QStringList m_aliveNames;
    QHash<QString, int> m_groupIndex;

    const QList<QStringList> m_buttonSets = buttonSets();
    const QList<Availability> m_availability = availabilityRules();
    const QStringList m_defaultLocked = testing::defaultGoverned(true);
    const QStringList m_notStored = notStoredFields();

    WindowState m_before;
    int m_runs = 0;
    QString m_expectedLine;
    QString m_lastHandler;
    QString m_mismatch;
    QStringList m_log;
    QHash<int, int> m_counts;
    QHash<int, qint64> m_nanos;
    bool m_restoring = false;
};

} // namespace

class TestMonkey : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testing::usePrivateHome(); }
    void randomUserActions();
    void focusLeavingPresetBoxPicksNothing();
};

void TestMonkey::randomUserActions()
{
    const quint64 seed = envNumber("FENWAVE_MONKEY_SEED", QRandomGenerator::global()->generate64());
    const int steps = int(envNumber("FENWAVE_MONKEY_STEPS", kDefaultSteps));
    qInfo("monkey seed %llu, %d steps (replay with FENWAVE_MONKEY_SEED=%llu)", seed, steps, seed);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TForm1 form;
    form.LamePath = QStringLiteral("/usr/bin/lame");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Monkey monkey(form, seed, folder.path());

    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= steps; ++i) {
        const QString error = monkey.step(i);
        if (!error.isEmpty())
            QFAIL(qPrintable(monkey.report(error)));
    }
    qInfo("monkey: %d steps in %lld ms;%s", steps, clock.elapsed(), qPrintable(monkey.timings()));
}

// Found by the monkey: passing through the preset box after a language switch (no item
// selected, the first name as its text) must neither select an item nor recompose.
void TestMonkey::focusLeavingPresetBoxPicksNothing()
{
    TForm1 form;
    form.LamePath = QStringLiteral("lame");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    FormDriver d(form);
    d.click("flgPresets");
    form.named<QAction>("mnuEnglish")->trigger();
    auto *presets = d.w<QComboBox>("cbxPresets");
    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(presets->currentText(), QString("Phone"));
    const QString lineBefore = d.line();

    presets->setFocus();
    d.w("edtInput")->setFocus();

    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(d.line(), lineBefore);
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
