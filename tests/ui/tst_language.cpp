// The language switch through the real window: every text and position, the preset list, the
// menu ticks and message texts, what a switch leaves of the user's work, and the status-bar hints.
#include "CaptionFit.h"
#include "ExpectedData.h"
#include "FormDriver.h"

#include "ProgramIdentity.h"
#include "language/LanguageTables.h"
#include "language/MessageTexts.h"
#include "settings/UserStore.h"
#include "ui/HintTracker.h"
#include "ui/LayoutTable.h"
#include "ui/WindowBuilder.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolTip>

#include <memory>

using testing::captionOf;
using testing::FormDriver;
using testing::kEnglish;
using testing::kRussian;
using testing::ModalAnswer;
using testing::restPointer;
using namespace fenwave;

namespace {

QString hintOf(const QObject *target)
{
    return target->property(kHintProperty).toString();
}

// What a screen reader calls the control. A combo box's own name on Linux is its value, so there
// it is the label whose buddy it is, else a name set on it.
QString spokenNameOf(const QWidget *widget)
{
    if (qobject_cast<const QComboBox *>(widget)) {
        for (const QLabel *label : widget->window()->findChildren<QLabel *>()) {
            if (label->buddy() == widget)
                return label->text();
        }
    }
    return QAccessible::queryAccessibleInterface(const_cast<QWidget *>(widget))->text(QAccessible::Name);
}

bool isEditOrComboBox(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)
           || qobject_cast<const QPlainTextEdit *>(widget);
}

// Everything a language switch may touch, in a fixed order: captions, hints and places of
// the controls, menu texts, hints and ticks, the preset list.
using Snapshot = QList<QPair<QString, QString>>;

Snapshot languageSnapshot(const TForm1 &form)
{
    Snapshot s;
    s << qMakePair(QStringLiteral("window title"), form.windowTitle());
    for (const ControlSpec &row : layoutTable()) {
        const QString name = QString::fromLatin1(row.name);
        const QWidget *widget = form.named<QWidget>(name);
        if (!widget) {
            s << qMakePair(name, QStringLiteral("<missing>"));
            continue;
        }
        const QRect g = widget->geometry();
        s << qMakePair(name + QStringLiteral(" caption"), captionOf(widget))
          << qMakePair(name + QStringLiteral(" hint"), hintOf(widget))
          << qMakePair(name + QStringLiteral(" geometry"),
                       QStringLiteral("%1,%2 %3x%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
    }
    for (const QAction *action : form.findChildren<QAction *>()) {
        if (action->objectName().isEmpty())
            continue;
        s << qMakePair(action->objectName() + QStringLiteral(" menu text"), action->text())
          << qMakePair(action->objectName() + QStringLiteral(" menu hint"), hintOf(action))
          << qMakePair(action->objectName() + QStringLiteral(" ticked"), QString::number(action->isChecked()));
    }
    const auto *presets = form.named<QComboBox>(QStringLiteral("cbxPresets"));
    QStringList items;
    for (int i = 0; i < presets->count(); ++i)
        items << presets->itemText(i);
    s << qMakePair(QStringLiteral("cbxPresets items"), items.join(u'|'))
      << qMakePair(QStringLiteral("cbxPresets text"), presets->currentText())
      << qMakePair(QStringLiteral("cbxPresets index"), QString::number(presets->currentIndex()));
    return s;
}

// Names the first entry that differs, so that a failure says where.
QString firstDifference(const Snapshot &expected, const Snapshot &actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("%1 entries instead of %2").arg(actual.size()).arg(expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        if (expected.at(i) != actual.at(i))
            return QStringLiteral("%1: \"%2\" instead of \"%3\"")
                .arg(actual.at(i).first, actual.at(i).second, expected.at(i).second);
    }
    return QString();
}

// What a switch must leave alone: the option values with the controls' own enabled flags, every
// widget's own enabled flag, the page in front and the command line.
struct WorkState {
    OptionSet options;
    QStringList ownDisabled;
    int page = -1;
    QString line;
};

WorkState workState(const TForm1 &form)
{
    WorkState state;
    state.options = form.optionSet();
    for (const QWidget *widget : form.findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty() && widget->testAttribute(Qt::WA_ForceDisabled))
            state.ownDisabled << widget->objectName();
    }
    state.page = form.named<QTabWidget>(QStringLiteral("pgOptions"))->currentIndex();
    state.line = form.named<QPlainTextEdit>(QStringLiteral("edtCommandLine"))->toPlainText();
    return state;
}

QString firstPreset(Language language)
{
    return testing::expectedTexts(language == kEnglish ? "language_en.tsv" : "language_ru.tsv", "item")
        .constFirst()
        .constLast();
}

void closeOpenMenus()
{
    for (int i = 0; i < 10 && QApplication::activePopupWidget(); ++i)
        QApplication::activePopupWidget()->close();
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testing::usePrivateHome(); }
    void init();
    void cleanup();

    // texts and positions
    void switchThereAndBackRestoresEverything_data();
    void switchThereAndBackRestoresEverything();
    void leftEdgesFollowLanguage_data();
    void leftEdgesFollowLanguage();
    void everyTextIsInTheChosenLanguage_data();
    void everyTextIsInTheChosenLanguage();
    void tablesNameRealControls();
    void controlsAreNamedAndDescribed_data();
    void controlsAreNamedAndDescribed();
    void captionsFit_data();
    void captionsFit();

    // the switch and the user's work
    void switchLeavesTheUserWorkAlone_data();
    void switchLeavesTheUserWorkAlone();
    void activeLanguageAgainDropsPresetSelection_data();
    void activeLanguageAgainDropsPresetSelection();
    void disabledPresetListIsRebuiltAndStaysDisabled();
    void menuTicksFollowLanguage();
    void clickingMenuItemSwitches();
    void messageBoxAfterSwitchSpeaksNewLanguage();
    void qtOwnTextsFollowLanguage_data();
    void qtOwnTextsFollowLanguage();

    // status-bar hints
    void restingPointerShowsHint_data();
    void restingPointerShowsHint();
    void wavHeaderHintOnceDecodeIsChecked();
    void menuItemHints();
    void menuBarItemHint();
    void panelFollowsLanguageWhenPointerMoves();
    void noTooltipAnywhere();

private:
    TForm1 &form() { return *m_form; }
    void switchTo(Language language) { FormDriver(*m_form).switchTo(language); }
    void showForm();
    QString panel() const { return m_form->findChild<QLabel *>(QStringLiteral("stsStringPanel"))->text(); }

    std::unique_ptr<TForm1> m_form;
};

void TestLanguage::init()
{
    QFile::remove(UserStore::defaultFilePath()); // every test starts in English
    m_form = std::make_unique<TForm1>();
    QCOMPARE(m_form->Language, kEnglish);
}

void TestLanguage::cleanup()
{
    closeOpenMenus();
    m_form.reset();
}

void TestLanguage::showForm()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    // Qt drops a move to where the pointer already is: park it on the caption-free status bar.
    restPointer(m_form->findChild<QLabel *>(QStringLiteral("stsStringPanel")), QPoint(400, 5));
}

// ---- texts and positions ----

// clang-format off
void TestLanguage::switchThereAndBackRestoresEverything_data()
{
    QTest::addColumn<Language>("home");
    QTest::addColumn<Language>("away");
    QTest::newRow("English, Russian, English") << kEnglish << kRussian;
    QTest::newRow("Russian, English, Russian") << kRussian << kEnglish;
}
// clang-format on

void TestLanguage::switchThereAndBackRestoresEverything()
{
    QFETCH(Language, home);
    QFETCH(Language, away);
    switchTo(home);
    const Snapshot before = languageSnapshot(form());

    switchTo(away);
    const Snapshot between = languageSnapshot(form());
    QVERIFY2(!firstDifference(before, between).isEmpty(), "the switch changed nothing");

    switchTo(home);
    const Snapshot after = languageSnapshot(form());
    const QString difference = firstDifference(before, after);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestLanguage::leftEdgesFollowLanguage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("english");
    QTest::addColumn<int>("russian");
    const QList<QPair<QString, int>> english = testing::leftEdges(kEnglish), russian = testing::leftEdges(kRussian);
    for (qsizetype i = 0; i < english.size(); ++i)
        QTest::newRow(qPrintable(english.at(i).first))
            << english.at(i).first << english.at(i).second << russian.at(i).second;
}

void TestLanguage::leftEdgesFollowLanguage()
{
    QFETCH(QString, name);
    QFETCH(int, english);
    QFETCH(int, russian);
    const QWidget *control = form().named<QWidget>(name);
    QVERIFY(control);
    const ControlSpec *design = findControlSpec(name);
    QVERIFY(design);
    const QRect designed(design->x, design->y, design->w, design->h);

    QCOMPARE(control->x(), english); // a start in English
    switchTo(kRussian);
    QCOMPARE(control->x(), russian);
    QCOMPARE(control->x(), designed.x());
    switchTo(kEnglish);
    QCOMPARE(control->x(), english);
    // Only the left edge moves. (The unit labels size themselves to their text.)
    QCOMPARE(control->y(), designed.y());
    if (!qobject_cast<const QLabel *>(control))
        QCOMPARE(control->size(), designed.size());

    // No other control moves, and none is moved twice.
    QStringList moved, listed;
    for (const LeftEdge &edge : languageLeftEdges())
        moved << QString::fromLatin1(edge.target);
    for (const auto &edge : testing::leftEdges(kEnglish))
        listed << edge.first;
    moved.sort();
    listed.sort();
    QCOMPARE(moved, listed);
}

// clang-format off
void TestLanguage::everyTextIsInTheChosenLanguage_data()
{
    QTest::addColumn<Language>("from");
    QTest::addColumn<Language>("to");
    QTest::newRow("Russian") << kEnglish << kRussian;
    QTest::newRow("English") << kRussian << kEnglish;
}
// clang-format on

// Every caption, hint, preset entry and message text of the language, and the texts both share.
void TestLanguage::everyTextIsInTheChosenLanguage()
{
    QFETCH(Language, from);
    QFETCH(Language, to);
    switchTo(from);
    switchTo(to);

    QHash<QString, QString> messages;
    for (const QStringList &message : testing::messageTexts(form().messages))
        messages.insert(message.at(0), message.at(1));
    const auto *presets = form().named<QComboBox>(QStringLiteral("cbxPresets"));
    int item = 0;
    QStringList expected, shown;
    for (const char *file : {to == kEnglish ? "language_en.tsv" : "language_ru.tsv", "language_both.tsv"}) {
        for (const QStringList &row : testing::expectedRows(file)) {
            const QString &target = row.at(0), &property = row.at(1);
            const QObject *object = target == QLatin1String("Form1") ? &form() : form().named(target);
            QString text = QStringLiteral("<no such control>");
            if (property == QLatin1String("message"))
                text = messages.value(target, text);
            else if (property == QLatin1String("item"))
                text = presets->itemText(item++);
            else if (property == QLatin1String("text"))
                text = presets->currentText();
            else if (object == &form())
                text = form().windowTitle();
            else if (property == QLatin1String("name") && object)
                text = spokenNameOf(static_cast<const QWidget *>(object));
            else if (object)
                text = property == QLatin1String("hint") ? hintOf(object) : captionOf(object);
            expected << row.join(u'\t').replace(QLatin1String("{version}"),
                                                QString::fromLatin1(fenwave::kProgramVersion));
            shown << QStringList{target, property, text}.join(u'\t');
        }
    }
    QCOMPARE(shown, expected);
    QCOMPARE(presets->count(), item);
    QCOMPARE(presets->currentIndex(), -1);
}

void TestLanguage::controlsAreNamedAndDescribed_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << kEnglish;
    QTest::newRow("Russian") << kRussian;
}

// A screen-reader user hears what each control is, can tell the fields of one group apart, and
// gets the status-bar hint as the description.
void TestLanguage::controlsAreNamedAndDescribed()
{
    QFETCH(Language, language);
    switchTo(language == kEnglish ? kRussian : kEnglish);
    switchTo(language);

    QStringList faults;
    QHash<QPair<const QObject *, QString>, QString> namesInGroup;
    for (const QWidget *widget : form().findChildren<QWidget *>()) {
        const bool comboPart = qobject_cast<const QComboBox *>(widget->parentWidget());
        const bool interactive = isEditOrComboBox(widget) || qobject_cast<const QAbstractButton *>(widget)
                                 || qobject_cast<const QGroupBox *>(widget);
        const QString id
            = comboPart ? widget->parentWidget()->objectName() + QStringLiteral(" edit") : widget->objectName();
        if (!interactive || id.isEmpty() || id.startsWith(QLatin1String("qt_")))
            continue; // Qt's own parts, such as the scroll buttons of the page tabs
        const QString name = spokenNameOf(widget);
        if (name.trimmed().isEmpty())
            faults << id + QStringLiteral(" has no name");
        if (isEditOrComboBox(widget) && !comboPart) {
            const QPair<const QObject *, QString> key(widget->parentWidget(), name);
            if (namesInGroup.contains(key))
                faults << id + QStringLiteral(" shares its name with ") + namesInGroup.value(key);
            namesInGroup.insert(key, id);
        }
        if (widget->accessibleDescription() != hintForWidget(widget))
            faults << id + QStringLiteral(" is described as \"") + widget->accessibleDescription()
                          + QStringLiteral("\"");
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

void TestLanguage::tablesNameRealControls()
{
    QStringList missing;
    for (const LeftEdge &edge : languageLeftEdges()) {
        if (!form().named<QWidget>(QString::fromLatin1(edge.target)))
            missing << QString::fromLatin1(edge.target);
    }
    for (const ControlSpec &row : layoutTable()) {
        if (!form().named<QWidget>(QString::fromLatin1(row.name)))
            missing << QString::fromLatin1(row.name);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
}

// clang-format off
void TestLanguage::captionsFit_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << kEnglish;
    QTest::newRow("Russian") << kRussian;
}
// clang-format on

void TestLanguage::captionsFit()
{
    QFETCH(Language, language);
    showForm();
    switchTo(language);
    const QStringList cut = captionsThatDoNotFit(&form());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
}

// ---- the switch and the user's work ----

// clang-format off
void TestLanguage::switchLeavesTheUserWorkAlone_data()
{
    QTest::addColumn<QList<Language>>("switches");
    QTest::newRow("to Russian") << QList<Language>{kRussian};
    QTest::newRow("English again") << QList<Language>{kEnglish};
    QTest::newRow("there and back") << QList<Language>{kRussian, kEnglish};
}
// clang-format on

void TestLanguage::switchLeavesTheUserWorkAlone()
{
    QFETCH(QList<Language>, switches);
    showForm();
    FormDriver d(form());
    d.click("rgrInputType_4"); // enables flgMonoDownmix
    d.click("flgMonoDownmix");
    d.click("flgVorbis");
    d.click("flgCompRatio");
    d.type("edtCompRatio", "11,5");
    d.click("flgPresets");
    d.pickNext("cbxPresets");
    d.pickNext("cbxPresets");
    d.click("rbutVBR");
    d.pickNext("cbxVBRQuality");
    d.type("edtLowPass", "15");
    d.click("flgNoFilter"); // disables grpFilter
    d.type("edtSongName", "Песня \"один\"; $(x)");
    d.pickNext("cbxGenre");
    d.click("rbutBoth");
    d.appendToCommandLine(" --mine");
    d.w<QTabWidget>("pgOptions")->setCurrentIndex(2);

    const int selectedPreset = d.w<QComboBox>("cbxPresets")->currentIndex();
    QVERIFY(selectedPreset >= 0);
    QVERIFY(d.line().endsWith(" --mine"));
    const WorkState before = workState(form());

    for (Language language : switches)
        switchTo(language);

    const Language last = switches.constLast();
    const WorkState after = workState(form());
    WorkState expected = before;
    expected.options.setIndex(Field::cbxPresets, -1);
    expected.options.setText(Field::cbxPresets, firstPreset(last));
    QCOMPARE(after.line, expected.line);
    QCOMPARE(after.page, expected.page);
    QCOMPARE(after.ownDisabled, expected.ownDisabled);
    for (int i = 0; i < kFieldCount; ++i) {
        const Field field = static_cast<Field>(i);
        QVERIFY2(after.options.value(field) == expected.options.value(field), OptionSet::info(field).name);
    }

    // The lost selection shows only when the line is next composed.
    const QString presetWord = QStringList{" phone", " voice", " fm", " tape", " hifi", " studio"}.at(selectedPreset);
    QVERIFY(after.line.contains(" --preset " + presetWord));
    form().named<QAction>("mnuRefresh")->trigger();
    QCOMPARE(d.line(), d.full());
    QVERIFY(!d.line().contains(presetWord));
}

// clang-format off
void TestLanguage::activeLanguageAgainDropsPresetSelection_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("English") << kEnglish;
    QTest::newRow("Russian") << kRussian;
}
// clang-format on

void TestLanguage::activeLanguageAgainDropsPresetSelection()
{
    QFETCH(Language, language);
    switchTo(language);
    FormDriver d(form());
    d.click("flgPresets");
    d.pickNext("cbxPresets");
    d.pickNext("cbxPresets");
    auto *presets = d.w<QComboBox>("cbxPresets");
    QVERIFY(presets->currentIndex() > 0);
    Snapshot before = languageSnapshot(form());

    switchTo(language);
    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(presets->currentText(), firstPreset(language));
    QCOMPARE(presets->count(), 6);
    // Apart from the selection every text stays as it was.
    Snapshot after = languageSnapshot(form());
    before.removeLast();
    before.removeLast();
    after.removeLast();
    after.removeLast();
    const QString difference = firstDifference(before, after);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(d.own("cbxPresets"));
}

void TestLanguage::disabledPresetListIsRebuiltAndStaysDisabled()
{
    FormDriver d(form());
    auto *presets = d.w<QComboBox>("cbxPresets");
    QVERIFY(!d.own("cbxPresets")); // as at start
    switchTo(kRussian);
    QCOMPARE(presets->itemText(5), QStringLiteral("Студия"));
    QCOMPARE(presets->currentText(), QStringLiteral("Телефон"));
    QVERIFY(!d.own("cbxPresets"));

    // Enabled, picked, then disabled again by the user.
    d.click("flgPresets");
    d.pickNext("cbxPresets");
    d.click("flgPresets");
    QVERIFY(!d.own("cbxPresets"));
    switchTo(kEnglish);
    QCOMPARE(presets->itemText(5), QStringLiteral("Studio"));
    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(presets->currentText(), QStringLiteral("Phone"));
    QVERIFY(!d.own("cbxPresets"));
    QVERIFY(!d.checked("flgPresets"));
}

void TestLanguage::menuTicksFollowLanguage()
{
    auto *english = form().named<QAction>("mnuEnglish");
    auto *russian = form().named<QAction>("mnuRussian");
    QVERIFY(english->isCheckable() && russian->isCheckable());
    QVERIFY(english->isChecked() && !russian->isChecked());

    // trigger() toggles a check item before its handler runs; the handler sets the ticks anyway.
    const struct {
        QAction *item;
        bool englishTicked;
        Language language;
    } steps[] = {
        {russian, false, kRussian}, {russian, false, kRussian}, {english, true, kEnglish},
        {english, true, kEnglish},  {russian, false, kRussian},
    };
    for (const auto &step : steps) {
        step.item->trigger();
        QCOMPARE(form().Language, step.language);
        QCOMPARE(english->isChecked(), step.englishTicked);
        QCOMPARE(russian->isChecked(), !step.englishTicked);
    }
}

void TestLanguage::clickingMenuItemSwitches()
{
    showForm();
    auto *bar = form().menuBar();
    auto *settings = form().findChild<QMenu *>("mnuSet");
    auto *languages = form().findChild<QMenu *>("mnuLanguage");
    QVERIFY(settings && languages);

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(settings->menuAction()).center());
    QTRY_VERIFY(settings->isVisible());
    QTest::mouseMove(settings, settings->actionGeometry(languages->menuAction()).center());
    QTest::mouseClick(settings, Qt::LeftButton, {}, settings->actionGeometry(languages->menuAction()).center());
    QTRY_VERIFY(languages->isVisible());
    QAction *russian = form().named<QAction>("mnuRussian");
    QTest::mouseMove(languages, languages->actionGeometry(russian).center());
    QTest::mouseClick(languages, Qt::LeftButton, {}, languages->actionGeometry(russian).center());

    QTRY_COMPARE(form().Language, kRussian);
    QTRY_VERIFY(!settings->isVisible());
    QCOMPARE(settings->title(), QStringLiteral("Установки"));
    QCOMPARE(captionOf(form().named("tabInput")), QStringLiteral("Входной файл"));
    QVERIFY(russian->isChecked());
}

void TestLanguage::messageBoxAfterSwitchSpeaksNewLanguage()
{
    showForm();
    form().LamePath.clear();
    switchTo(kRussian);
    {
        ModalAnswer answer([](QWidget *box) { ModalAnswer::press(box, QMessageBox::Ok); });
        form().named<QAction>("mnuRun")->trigger();
        QCOMPARE(answer.count, 1);
        QCOMPARE(answer.text, QStringLiteral("Необходимо указать путь к lame.exe"));
        QCOMPARE(answer.title, QStringLiteral("Fenwave"));
    }
    switchTo(kEnglish);
    {
        ModalAnswer answer([](QWidget *box) { ModalAnswer::press(box, QMessageBox::Ok); });
        form().named<QAction>("mnuRun")->trigger();
        QCOMPARE(answer.count, 1);
        QCOMPARE(answer.text, QStringLiteral("You must specify path to the lame.exe"));
    }
}

// Qt's own texts (the file dialogs, standard buttons) speak the interface language; the
// program's message boxes keep their "OK" and "Cancel" in both.
void TestLanguage::qtOwnTextsFollowLanguage_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("cancel");   // a standard Cancel button
    QTest::addColumn<QString>("fileName"); // the label of the Open dialog's name field
    QTest::newRow("Russian") << kRussian << "Отмена"
                             << "Имя файла:";
    QTest::newRow("English after Russian") << kEnglish << "Cancel"
                                           << "File name:";
}

void TestLanguage::qtOwnTextsFollowLanguage()
{
    QFETCH(Language, language);
    QFETCH(QString, cancel);
    QFETCH(QString, fileName);
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == kRussian && !QFileInfo::exists(translations + QStringLiteral("/qtbase_ru.qm")))
        QSKIP("Qt's Russian texts (qt6-translations-l10n) are not installed");
    showForm();
    switchTo(kRussian);
    switchTo(language);

    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), cancel);

    QString label;
    {
        ModalAnswer answer([&label](QWidget *modal) {
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                label = dialog->findChild<QLabel *>(QStringLiteral("fileNameLabel"))->text();
                dialog->reject();
            }
        });
        QTest::mouseClick(form().named<QAbstractButton>("butInputOpen"), Qt::LeftButton);
        QCOMPARE(answer.count, 1);
    }
    QCOMPARE(label.remove(u'&'), fileName);

    // An information message (no encoder path) and the exit question, answered Cancel.
    QStringList boxButtons;
    const auto readAndAnswer = [&boxButtons](QWidget *modal, QMessageBox::StandardButton answer) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        for (QAbstractButton *button : box->buttons())
            boxButtons << button->text();
        ModalAnswer::press(modal, answer);
    };
    form().LamePath.clear();
    {
        ModalAnswer answer([&](QWidget *modal) { readAndAnswer(modal, QMessageBox::Ok); });
        form().named<QAction>("mnuRun")->trigger();
        QCOMPARE(answer.count, 1);
    }
    {
        ModalAnswer answer([&](QWidget *modal) { readAndAnswer(modal, QMessageBox::Cancel); });
        form().named<QAction>("mnuExit")->trigger();
        QCOMPARE(answer.count, 1);
    }
    boxButtons.sort();
    QCOMPARE(boxButtons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("OK"), QStringLiteral("OK")}));
}

// ---- status-bar hints ----

// clang-format off
void TestLanguage::restingPointerShowsHint_data()
{
    QTest::addColumn<QString>("control");  // empty: an empty part of tabInput
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("edtInput") << "edtInput" << "Input file location" << "Расположение входного файла";
    QTest::newRow("empty part of tabInput") << "" << "Input file options" << "Свойства входного файла";
    QTest::newRow("label of tabInput") << "Label2" << "Input file options" << "Свойства входного файла";
    QTest::newRow("radio item climbs to its group") << "rgrInputType_1" << "Set type of input file"
                                                    << "Установить тип входного файла";
    QTest::newRow("command line") << "edtCommandLine" << "Коммандная строка для программы Lame"
                                  << "Коммандная строка для программы Lame";
    // Disabled controls show their own hint, as enabled ones do.
    QTest::newRow("disabled control") << "flgMonoDownmix"
                                      << "This option is only needed in the case of raw PCM stereo input"
                                      << "Эта опция необходима только для raw-PCM стерео фалов";
}
// clang-format on

void TestLanguage::restingPointerShowsHint()
{
    QFETCH(QString, control);
    QFETCH(QString, english);
    QFETCH(QString, russian);
    showForm();
    auto *page = form().named<QWidget>("tabInput");
    QWidget *target = control.isEmpty() ? page : form().named<QWidget>(control);
    QVERIFY(target);
    const QPoint spot = control.isEmpty() ? QPoint(460, 250) : target->rect().center();
    if (control.isEmpty())
        QVERIFY(!page->childAt(spot));

    if (control == QLatin1String("flgMonoDownmix"))
        QVERIFY(!target->isEnabled());
    restPointer(target, spot);
    QTRY_COMPARE(panel(), english);

    switchTo(kRussian);
    restPointer(target, spot + QPoint(1, 1));
    QTRY_COMPARE(panel(), russian);
}

void TestLanguage::wavHeaderHintOnceDecodeIsChecked()
{
    showForm();
    FormDriver d(form());
    d.click("flgMP3Decode");
    QVERIFY(d.own("flgWavHeader"));
    auto *header = d.w("flgWavHeader");
    restPointer(header, header->rect().center());
    QTRY_COMPARE(panel(), QStringLiteral("The output will be raw pcm, native endian format"));
}

void TestLanguage::menuItemHints()
{
    showForm();
    FormDriver d(form());
    restPointer(d.w("edtInput"), QPoint(5, 5));
    QTRY_COMPARE(panel(), QStringLiteral("Input file location"));

    auto *bar = form().menuBar();
    auto *coding = form().findChild<QMenu *>("mnuEncode");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(coding->menuAction()).center());
    QTRY_VERIFY(coding->isVisible());
    restPointer(coding, coding->actionGeometry(form().named<QAction>("mnuRun")).center());
    QTRY_COMPARE(panel(), QStringLiteral("Run encoding with selected options"));
    restPointer(coding, coding->actionGeometry(form().named<QAction>("mnuRefresh")).center());
    QTRY_COMPARE(panel(), QStringLiteral("Refresh command line"));
    coding->close();
    QTRY_COMPARE(panel(), QString());

    auto *settings = form().findChild<QMenu *>("mnuSet");
    auto *languages = form().findChild<QMenu *>("mnuLanguage");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(settings->menuAction()).center());
    QTRY_VERIFY(settings->isVisible());
    restPointer(settings, settings->actionGeometry(languages->menuAction()).center());
    QTRY_COMPARE(panel(), QStringLiteral("Switch interface language"));
    QTRY_VERIFY(languages->isVisible());
    restPointer(languages, languages->actionGeometry(form().named<QAction>("mnuEnglish")).center());
    QTRY_COMPARE(panel(), QString());
    restPointer(languages, languages->actionGeometry(form().named<QAction>("mnuRussian")).center());
    QTest::qWait(20);
    QCOMPARE(panel(), QString());
}

// "Exit" acts directly on the menu bar and shows its hint while the pointer rests on it.
void TestLanguage::menuBarItemHint()
{
    showForm();
    form().named<QAction>("mnuEnglish")->trigger();
    auto *bar = form().menuBar();
    restPointer(bar, bar->actionGeometry(form().named<QAction>("mnuExit")).center());
    QTRY_COMPARE(panel(), QStringLiteral("Exit program"));
    restPointer(bar, bar->actionGeometry(form().findChild<QMenu *>("mnuSet")->menuAction()).center());
    QTRY_COMPARE(panel(), QString());
    form().named<QAction>("mnuRussian")->trigger();
    restPointer(bar, bar->actionGeometry(form().named<QAction>("mnuExit")).center());
    QTRY_COMPARE(panel(), QStringLiteral("Завершить работу"));
}

void TestLanguage::panelFollowsLanguageWhenPointerMoves()
{
    showForm();
    auto *flag = form().named<QWidget>("flgForceInput");
    restPointer(flag, QPoint(20, 8));
    QTRY_COMPARE(panel(), QStringLiteral("Swap bytes in the input file (and output file when using --decode)"));
    switchTo(kRussian);
    restPointer(flag, QPoint(21, 8));
    QTRY_COMPARE(panel(),
                 QStringLiteral("Перестановка байт фходного файла (или выходного при использовании --decode)"));
    switchTo(kEnglish);
    restPointer(flag, QPoint(22, 8));
    QTRY_COMPARE(panel(), QStringLiteral("Swap bytes in the input file (and output file when using --decode)"));
}

void TestLanguage::noTooltipAnywhere()
{
    showForm();
    for (Language language : {kRussian, kEnglish}) {
        switchTo(language);
        QStringList withTip;
        for (const QWidget *widget : form().findChildren<QWidget *>()) {
            // The file dialogs' own tool buttons come with the platform's dialog, not with us.
            if (widget->window() != &form())
                continue;
            if (!widget->toolTip().isEmpty())
                withTip << widget->objectName();
        }
        for (const QMenu *menu : form().findChildren<QMenu *>()) {
            if (menu->toolTipsVisible())
                withTip << menu->objectName();
        }
        QVERIFY2(withTip.isEmpty(), qPrintable(withTip.join(u' ')));
    }
    // What the platform sends when the pointer rests: no tip comes up.
    for (const char *name : {"edtInput", "flgWavHeader", "edtCommandLine", "tabInput", "cbxPresets"}) {
        auto *widget = form().named<QWidget>(QString::fromLatin1(name));
        const QPoint spot = widget->rect().center();
        restPointer(widget, spot);
        QHelpEvent tip(QEvent::ToolTip, spot, widget->mapToGlobal(spot));
        QCoreApplication::sendEvent(widget, &tip);
        QTest::qWait(30);
        QVERIFY2(!QToolTip::isVisible(), name);
    }
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
