#include "unMain.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "options/Interlocks.h"
#include "settings/Preferences.h"
#include "ui/AccessibleInterfaces.h"
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

namespace {

// The option controls whose changes run a handler, and the rule each runs. Without a rule the
// handler only recomposes the full command line: the fifty plain handlers (flgVorbisClick,
// edtStatChange, ...) are this one connection. edtScaleLeft, edtScaleRight and flgLameTagEn run
// nothing.
struct Wiring {
    Field control;
    void (TForm1::*rule)();
};

const Wiring kWiring[] = {
    // tabInput
    {Field::edtInput, nullptr},
    {Field::rgrInputType, &TForm1::rgrInputTypeClick},
    {Field::cbxSampleFreq, nullptr},
    {Field::flgForceInput, nullptr},
    {Field::flgMonoDownmix, nullptr},
    {Field::flgMP3Decode, &TForm1::flgMP3DecodeClick},
    {Field::flgWavHeader, nullptr},
    // tabOutput
    {Field::edtOutput, nullptr},
    {Field::rgpOutputType, nullptr},
    {Field::flgDiffBlock, nullptr},
    {Field::edtStat, nullptr},
    {Field::flgVorbis, nullptr},
    {Field::flgFreeformat, nullptr},
    {Field::flgCompRatio, &TForm1::flgCompRatioClick},
    {Field::edtCompRatio, nullptr},
    {Field::flgScale, &TForm1::flgScaleClick},
    {Field::edtScale, nullptr},
    {Field::flgScaleLeft, &TForm1::flgScaleLeftClick},
    {Field::flgScaleRight, &TForm1::flgScaleRightClick},
    {Field::flgUseATHMask, &TForm1::flgUseATHMaskClick},
    {Field::flgNoATH, &TForm1::flgNoATHClick},
    {Field::edtATH, nullptr},
    {Field::flgTempMask, nullptr},
    {Field::flgShortBlock, nullptr},
    {Field::flgVoiceMode, nullptr},
    {Field::flgPresets, &TForm1::flgPresetsClick},
    {Field::cbxPresets, nullptr},
    {Field::flgDefault, &TForm1::flgDefaultClick},
    // tabBitrate
    {Field::rbutCBR, &TForm1::rbutCBRClick},
    {Field::cbxCBR, nullptr},
    {Field::rbutABR, &TForm1::rbutABRClick},
    {Field::cbxABR, nullptr},
    {Field::rbutVBR, &TForm1::rbutVBRClick},
    {Field::cbxVBRMode, nullptr},
    {Field::cbxVBRQuality, nullptr},
    {Field::cbxMinBitrate, nullptr},
    {Field::cbxMaxBitrate, nullptr},
    {Field::flgSupport, nullptr},
    {Field::flgLameTagDis, nullptr},
    {Field::cbxEmp, nullptr},
    {Field::flgCopyright, nullptr},
    {Field::flgNonOriginal, nullptr},
    {Field::flgErrorProtection, nullptr},
    {Field::flgBitRes, nullptr},
    {Field::flgMaxISO, nullptr},
    // tabFilter
    {Field::cbxNoise, nullptr},
    {Field::flgNoFilter, &TForm1::flgNoFilterClick},
    {Field::edtLowPass, nullptr},
    {Field::edtLowPassWidth, nullptr},
    {Field::edtHighPass, nullptr},
    {Field::edtHighPassWidth, nullptr},
    {Field::edtOutputSample, nullptr},
    {Field::edtTonality, nullptr},
    // tabComment
    {Field::flgNoProgress, nullptr},
    {Field::flgBlankScreen, nullptr},
    {Field::flgAllUseFull, nullptr},
    {Field::flgHist, nullptr},
    {Field::edtSongName, nullptr},
    {Field::edtArtist, nullptr},
    {Field::edtAlbum, nullptr},
    {Field::edtYear, nullptr},
    {Field::edtTrackNumber, nullptr},
    {Field::cbxGenre, nullptr},
    {Field::edtComment, nullptr},
    {Field::rbut1stOnly, &TForm1::rbut1stOnlyClick},
    {Field::rbut2ndOnly, &TForm1::rbut2ndOnlyClick},
    {Field::rbutBoth, &TForm1::rbutBothClick},
    {Field::flg1stEmpty, nullptr},
    {Field::flg2ndEmpty, nullptr},
};

} // namespace

TForm1::TForm1(const QString &storePath, QWidget *parent) : QMainWindow(parent), m_storePath(storePath)
{
    setObjectName(QStringLiteral("Form1"));
    installAccessibleInterfaces(); // before any control is seen by a screen reader
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
    for (const Wiring &w : kWiring)
        m_handlerOf[static_cast<int>(w.control)] = w.rule ? w.rule : &TForm1::UpdateCommandLine;
    m_handlerOf[static_cast<int>(Field::flgReadOnly)] = &TForm1::flgReadOnlyClick;
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

void TForm1::runHandlerOf(Field field)
{
    if (const auto handler = m_handlerOf[static_cast<int>(field)])
        (this->*handler)();
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

// Gives a rule's effects to the controls: unchecking the partner runs its own handler right here,
// recomposition included; then the enabled flags; then the handler's own recomposition.
void TForm1::applyRule(Rule rule)
{
    const RuleEffects effects = rule(optionSet());
    if (effects.uncheck)
        setChecked(control<QAbstractButton>(*effects.uncheck), false);
    for (const EnabledFlag &flag : effects.enabled) {
        if (const Field *field = std::get_if<Field>(&flag.target))
            setAvailable(*field, flag.enabled);
        else
            m_fixtures[static_cast<int>(std::get<Fixture>(flag.target))]->setEnabled(flag.enabled);
    }
    if (effects.recompose == Recompose::ByDefaultFlag)
        composeByDefaultFlag();
    else
        UpdateCommandLine();
}

void TForm1::rgrInputTypeClick()
{
    applyRule(rgrInputTypeRule);
}

void TForm1::flgMP3DecodeClick()
{
    applyRule(flgMP3DecodeRule);
}

void TForm1::flgCompRatioClick()
{
    applyRule(flgCompRatioRule);
}

void TForm1::flgScaleClick()
{
    applyRule(flgScaleRule);
}

void TForm1::flgScaleLeftClick()
{
    applyRule(flgScaleLeftRule);
}

void TForm1::flgScaleRightClick()
{
    applyRule(flgScaleRightRule);
}

void TForm1::flgPresetsClick()
{
    applyRule(flgPresetsRule);
}

void TForm1::flgUseATHMaskClick()
{
    applyRule(flgUseATHMaskRule);
}

void TForm1::flgNoATHClick()
{
    applyRule(flgNoATHRule);
}

void TForm1::flgNoFilterClick()
{
    applyRule(flgNoFilterRule);
}

void TForm1::rbutCBRClick()
{
    applyRule(rbutCBRRule);
}

void TForm1::rbutABRClick()
{
    applyRule(rbutABRRule);
}

void TForm1::rbutVBRClick()
{
    applyRule(rbutVBRRule);
}

void TForm1::rbut1stOnlyClick()
{
    applyRule(rbut1stOnlyRule);
}

void TForm1::rbut2ndOnlyClick()
{
    applyRule(rbut2ndOnlyRule);
}

void TForm1::rbutBothClick()
{
    applyRule(rbutBothRule);
}

void TForm1::flgDefaultClick()
{
    applyRule(flgDefaultRule);
}

void TForm1::cbxSampleFreqChange()
{
    UpdateCommandLine();
}

void TForm1::flgReadOnlyClick()
{
    m_commandLine->setEnabled(!checked(Field::flgReadOnly));
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
