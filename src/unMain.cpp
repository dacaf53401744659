#include "unMain.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "options/Interlocks.h"
#include "settings/Preferences.h"
#include "ui/AccessibleTexts.h"
#include "ui/BatchWindow.h"
#include "ui/ControlBinding.h"
#include "ui/ExactText.h"
#include "ui/FieldBinding.h"
#include "ui/FileDrops.h"
#include "ui/HintTracker.h"
#include "ui/QtTranslations.h"
#include "ui/RunWindow.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowBuilder.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>

using namespace fenwave;

TForm1::TForm1(const QString &storePath, QWidget *parent) : QMainWindow(parent), m_storePath(storePath)
{
    setObjectName(QStringLiteral("Form1"));
    buildWindow(this);
    collectNamedObjects();
    giveStartValues();

    m_hints = new HintTracker(this);
    for (QMenu *menu : findChildren<QMenu *>())
        m_hints->watchMenu(menu);
    m_hints->watchMenuBar(menuBar());

    connectHandlers();
    new FileDrops(this, control(Field::edtOutput), [this](const QStringList &paths, DropPlace place) {
        if (place == DropPlace::OutputField && paths.size() == 1)
            return openOutputFile(paths.constFirst());
        return openFiles(paths);
    });
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::collectNamedObjects()
{
    for (QObject *object : findChildren<QObject *>()) {
        const QString name = object->objectName();
        if (name.isEmpty())
            continue;
        // A submenu and its action share the name: the action is what the tables address.
        if (m_named.contains(name) && !qobject_cast<QAction *>(object))
            continue;
        m_named.insert(name, object);
    }
    m_fields = new FieldBinding(this);
    m_commandLine = require<QPlainTextEdit>("edtCommandLine");
    m_commandText = new ExactText(m_commandLine);
    m_panel = require<QLabel>("stsStringPanel");

    m_pages = require<QTabWidget>("pgOptions");
    m_tabInput = require<QWidget>("tabInput");
    m_tabOutput = require<QWidget>("tabOutput");
    m_butInputOpen = require<QAbstractButton>("butInputOpen");
    m_butOutputPath = require<QAbstractButton>("butOutputPath");
    for (int i = 0; i < kFixtureCount; ++i)
        m_fixtures[i] = require<QWidget>(fixtureName(static_cast<Fixture>(i)));
    m_mnuEnglish = require<QAction>("mnuEnglish");
    m_mnuRussian = require<QAction>("mnuRussian");
    for (const TextAssignment &a : textAssignments())
        m_textTargets.push_back(require<QObject>(a.target));
    for (const LeftEdge &edge : languageLeftEdges())
        m_edgeTargets.push_back(require<QWidget>(edge.target));
}

// An object the window addresses by its design name; a name that is not there is a fault of the
// window's own tables, reported at once in every build.
template <class T> T *TForm1::require(const char *name) const
{
    T *object = qobject_cast<T *>(m_named.value(QString::fromLatin1(name)));
    if (!object)
        qFatal("Form1 has no %s named %s", T::staticMetaObject.className(), name);
    return object;
}

void TForm1::giveStartValues()
{
    m_fields->write(OptionSet());
    // As built, the preset list shows its first item selected; applying a language clears that.
    control<QComboBox>(Field::cbxPresets)->setCurrentIndex(0);
}

void TForm1::connectHandlers()
{
    connect(m_fields, &FieldBinding::changed, this, &TForm1::runHandlerOf);

    const struct {
        const char *item;
        void (TForm1::*handler)();
    } menu[] = {
        {"mnuLamePath", &TForm1::butLameOpenClick},
        {"mnuSave", &TForm1::mnuSaveClick},
        {"mnuLoad", &TForm1::mnuLoadClick},
        {"mnuEnglish", &TForm1::mnuEnglishClick},
        {"mnuRussian", &TForm1::mnuRussianClick},
        {"mnuRun", &TForm1::butReadyClick},
        {"mnuRefresh", &TForm1::cbxSampleFreqChange},
        {"mnuExit", &TForm1::butExitClick},
        {"mnuEncodeFiles", &TForm1::mnuEncodeFilesClick},
        {"mnuEncodeFolder", &TForm1::mnuEncodeFolderClick},
        {"mnuTakeTags", &TForm1::mnuTakeTagsClick},
    };
    for (const auto &m : menu)
        connect(require<QAction>(m.item), &QAction::triggered, this, m.handler);
    connect(m_butInputOpen, &QAbstractButton::clicked, this, &TForm1::butInputOpenClick);
    connect(m_butOutputPath, &QAbstractButton::clicked, this, &TForm1::butOutputPathClick);
}

QWidget *TForm1::control(Field field) const
{
    return m_fields->control(field);
}

OptionSet TForm1::optionSet() const
{
    OptionSet options = m_fields->optionSet();
    options.setText(Field::LamePath, LamePath);
    // The box's own text would give some characters back changed.
    options.setText(Field::edtCommandLine, m_commandText->text());
    return options;
}

QFileDialog *TForm1::dlgOpen()
{
    if (!m_dlgOpen) {
        m_dlgOpen = new QFileDialog(this);
        m_dlgOpen->setObjectName(QStringLiteral("dlgOpen"));
        // Qt's own dialog: it speaks the interface language and behaves alike on every desktop.
        m_dlgOpen->setOption(QFileDialog::DontUseNativeDialog);
        // Several files may be selected; the first is used.
        m_dlgOpen->setFileMode(QFileDialog::ExistingFiles);
        m_dlgOpen->setAcceptMode(QFileDialog::AcceptOpen);
        m_named.insert(m_dlgOpen->objectName(), m_dlgOpen);
    }
    return m_dlgOpen;
}

QFileDialog *TForm1::dlgSave()
{
    if (!m_dlgSave) {
        m_dlgSave = new QFileDialog(this);
        m_dlgSave->setObjectName(QStringLiteral("dlgSave"));
        // Qt's own dialog: it speaks the interface language and behaves alike on every desktop.
        m_dlgSave->setOption(QFileDialog::DontUseNativeDialog);
        // Asks before overwriting; adds no extension of its own.
        m_dlgSave->setFileMode(QFileDialog::AnyFile);
        m_dlgSave->setAcceptMode(QFileDialog::AcceptSave);
        m_named.insert(m_dlgSave->objectName(), m_dlgSave);
    }
    return m_dlgSave;
}

void TForm1::showCommandLine(const QString &line)
{
    if (m_restoring)
        m_pendingLine = line;
    else if (m_commandText->text() != line)
        m_commandText->setText(line);
}

void TForm1::UpdateCommandLine()
{
    showCommandLine(composeFullCommandLine(optionSet()));
}

void TForm1::UpdateDefaultCommandLine()
{
    showCommandLine(composeShortCommandLine(optionSet()));
}

void TForm1::composeByDefaultFlag()
{
    if (checked(Field::flgDefault))
        UpdateDefaultCommandLine();
    else
        UpdateCommandLine();
}

bool TForm1::checked(Field field) const
{
    return control<QAbstractButton>(field)->isChecked();
}

void TForm1::setAvailable(Field field, bool available)
{
    control(field)->setEnabled(available);
}

// ---- Interlock rules ----

// Runs what a change of the field runs (Interlocks): unchecking a partner runs the partner's own
// handler right here, recomposition included; then the enabled flags; then the recomposition.
void TForm1::runHandlerOf(Field field)
{
    const Rule rule = ruleOf(field);
    if (!rule)
        return;
    const RuleEffects effects = rule(optionSet());
    if (effects.uncheck)
        setChecked(control<QAbstractButton>(*effects.uncheck), false);
    for (const EnabledFlag &flag : effects.enabled) {
        if (const Field *target = std::get_if<Field>(&flag.target))
            setAvailable(*target, flag.enabled);
        else
            m_fixtures[static_cast<int>(std::get<Fixture>(flag.target))]->setEnabled(flag.enabled);
    }
    switch (effects.recompose) {
    case Recompose::None: break;
    case Recompose::Full: UpdateCommandLine(); break;
    case Recompose::ByDefaultFlag: composeByDefaultFlag(); break;
    }
}

void TForm1::rgrInputTypeClick()
{
    runHandlerOf(Field::rgrInputType);
}

void TForm1::flgMP3DecodeClick()
{
    runHandlerOf(Field::flgMP3Decode);
}

void TForm1::flgCompRatioClick()
{
    runHandlerOf(Field::flgCompRatio);
}

void TForm1::flgScaleClick()
{
    runHandlerOf(Field::flgScale);
}

void TForm1::flgScaleLeftClick()
{
    runHandlerOf(Field::flgScaleLeft);
}

void TForm1::flgScaleRightClick()
{
    runHandlerOf(Field::flgScaleRight);
}

void TForm1::flgPresetsClick()
{
    runHandlerOf(Field::flgPresets);
}

void TForm1::flgUseATHMaskClick()
{
    runHandlerOf(Field::flgUseATHMask);
}

void TForm1::flgNoATHClick()
{
    runHandlerOf(Field::flgNoATH);
}

void TForm1::flgNoFilterClick()
{
    runHandlerOf(Field::flgNoFilter);
}

void TForm1::rbutCBRClick()
{
    runHandlerOf(Field::rbutCBR);
}

void TForm1::rbutABRClick()
{
    runHandlerOf(Field::rbutABR);
}

void TForm1::rbutVBRClick()
{
    runHandlerOf(Field::rbutVBR);
}

void TForm1::rbut1stOnlyClick()
{
    runHandlerOf(Field::rbut1stOnly);
}

void TForm1::rbut2ndOnlyClick()
{
    runHandlerOf(Field::rbut2ndOnly);
}

void TForm1::rbutBothClick()
{
    runHandlerOf(Field::rbutBoth);
}

void TForm1::flgDefaultClick()
{
    runHandlerOf(Field::flgDefault);
}

void TForm1::cbxSampleFreqChange()
{
    runHandlerOf(Field::cbxSampleFreq);
}

void TForm1::flgReadOnlyClick()
{
    runHandlerOf(Field::flgReadOnly);
}

// ---- Hints, language, start and end ----

void TForm1::PanelHint(const QString &hint)
{
    if (m_panel && m_panel->text() != hint)
        m_panel->setText(hint);
}

void TForm1::ApplyLanguage()
{
    if (!isKnownLanguage(Language))
        return;
    m_mnuEnglish->setChecked(Language == Language::English);
    m_mnuRussian->setChecked(Language == Language::Russian);
    messages = messageTextsFor(Language);
    useQtTextsFor(Language);

    const TableView<TextAssignment> texts = textAssignments();
    for (int i = 0; i < texts.size(); ++i) {
        const TextAssignment &a = texts.begin()[i];
        if (a.property == TextProperty::Hint)
            m_textTargets[i]->setProperty(kHintProperty, textFor(a, Language));
        else if (a.property == TextProperty::AccessibleName)
            static_cast<QWidget *>(m_textTargets[i])->setAccessibleName(textFor(a, Language));
        else
            setCaption(m_textTargets[i], textFor(a, Language));
    }
    const TableView<LeftEdge> edges = languageLeftEdges();
    for (int i = 0; i < edges.size(); ++i) {
        const LeftEdge &edge = edges.begin()[i];
        m_edgeTargets[i]->move(Language == Language::English ? edge.english : edge.russian, m_edgeTargets[i]->y());
    }
    // The preset names change with the language; the selection is dropped.
    auto *presets = control<QComboBox>(Field::cbxPresets);
    const QStringList names = presetNames(Language);
    presets->clear();
    presets->addItems(names);
    presets->setCurrentIndex(-1);
    presets->setEditText(names.value(0));
    describeByHints(this);
    m_hints->refresh();
    for (RunWindow *run : RunWindow::windows())
        run->setTexts(messages);
    for (BatchWindow *batch : batchWindows())
        batch->setTexts(messages);
}

void TForm1::mnuEnglishClick()
{
    Language = Language::English;
    ApplyLanguage();
}

void TForm1::mnuRussianClick()
{
    Language = Language::Russian;
    ApplyLanguage();
}

void TForm1::FormCreate()
{
    m_commandLine->clear();
    connect(m_hints, &HintTracker::hintChanged, this, &TForm1::PanelHint);

    const Preferences prefs = loadPreferences(m_storePath);
    LamePath = prefs.lamePath;
    Language = prefs.language;

    placeMainWindow(this, QPoint(prefs.left, prefs.top));

    attachLabelBuddies(this);
    ApplyLanguage();
    if (!isKnownLanguage(Language))
        describeByHints(this); // ApplyLanguage leaves a language we do not know alone
}

void TForm1::FormDestroy()
{
    Preferences prefs;
    prefs.left = x();
    prefs.top = y();
    prefs.lamePath = LamePath;
    prefs.language = Language;
    savePreferences(prefs, m_storePath);
}
