#include "unMain.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "settings/Preferences.h"
#include "ui/ControlBinding.h"
#include "ui/ExactText.h"
#include "ui/FileDrops.h"
#include "ui/HintTracker.h"
#include "ui/RunWindow.h"
#include "ui/WindowPlacement.h"
#include "ui/WindowBuilder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
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

// The controls that "Use default settings" disables and enables again, in this order.
const char *const kDefaultGoverned[] = {
    "tabBitrate",   "tabFilter",     "flgDiffBlock", "edtStat",       "flgVorbis",     "flgFreeformat",
    "flgCompRatio", "flgScale",      "edtScale",     "flgUseATHMask", "flgNoATH",      "edtATH",
    "flgTempMask",  "flgShortBlock", "flgVoiceMode", "flgPresets",    "rgpOutputType", "Label3",
    "Label4",       "flgMP3Decode",  "Label5",       "Label6",
};

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
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
    new FileDrops(this);
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
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        // LamePath is the only field without a control.
        if (info.field != Field::LamePath)
            m_fieldControls[i] = require<QWidget>(info.name);
    }
    m_commandLine = require<QPlainTextEdit>("edtCommandLine");
    m_commandText = new ExactText(m_commandLine);
    m_panel = require<QLabel>("stsStringPanel");

    m_pages = require<QTabWidget>("pgOptions");
    m_tabInput = require<QWidget>("tabInput");
    m_tabOutput = require<QWidget>("tabOutput");
    m_butInputOpen = require<QAbstractButton>("butInputOpen");
    m_butOutputPath = require<QAbstractButton>("butOutputPath");
    m_grpCBR = require<QWidget>("grpCBR");
    m_grpABR = require<QWidget>("grpABR");
    m_grpVBR = require<QWidget>("grpVBR");
    m_grpFilter = require<QWidget>("grpFilter");
    m_mnuEnglish = require<QAction>("mnuEnglish");
    m_mnuRussian = require<QAction>("mnuRussian");
    for (const char *name : kDefaultGoverned)
        m_defaultGoverned.push_back(require<QWidget>(name));
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
    const OptionSet start;
    for (int i = 0; i < kFieldCount; ++i) {
        QWidget *control = m_fieldControls[i];
        if (!control)
            continue; // LamePath is no control
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        if (auto *combo = qobject_cast<QComboBox *>(control))
            combo->addItems(itemList(info.items));
        writeControl(control, info.kind, start.value(info.field));
    }
    // As built, the preset list shows its first item selected; applying a language clears that.
    control<QComboBox>(Field::cbxPresets)->setCurrentIndex(0);
}

void TForm1::connectControl(Field field, void (TForm1::*handler)())
{
    QWidget *widget = control(field);
    if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        connect(check, &QCheckBox::toggled, this, handler);
    } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        // A radio button's handler runs only when it becomes checked.
        connect(radio, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        connect(edit, &QLineEdit::textChanged, this, handler);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        // Only the user's picks and typing count; program changes run nothing.
        connect(combo, &QComboBox::activated, this, handler);
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, combo, handler] {
            followTypedText(combo);
            (this->*handler)();
        });
    } else if (OptionSet::info(field).kind == FieldKind::IndexChoice) {
        QWidget *group = widget;
        // A radio group runs its handler whenever its item index changes, to -1 included.
        m_groupIndex.insert(group, radioGroupIndex(group));
        for (QRadioButton *button : group->findChildren<QRadioButton *>()) {
            connect(button, &QRadioButton::toggled, this, [this, group, handler] {
                const int index = radioGroupIndex(group);
                if (m_groupIndex.value(group) == index)
                    return;
                m_groupIndex.insert(group, index);
                (this->*handler)();
            });
        }
    }
}

// Typing selects the item of exactly the typed text, or none, as a restored text does, so that
// the selection the command line reads never contradicts what the box shows.
void TForm1::followTypedText(QComboBox *combo)
{
    QLineEdit *edit = combo->lineEdit();
    const QString text = edit->text();
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index == combo->currentIndex())
        return;
    const int cursor = edit->cursorPosition();
    combo->setCurrentIndex(index);
    if (index < 0)
        combo->setEditText(text);
    edit->setCursorPosition(cursor);
}

void TForm1::connectHandlers()
{
    for (const Wiring &w : kWiring)
        connectControl(w.control, w.rule ? w.rule : &TForm1::UpdateCommandLine);
    connectControl(Field::flgReadOnly, &TForm1::flgReadOnlyClick);

    const struct {
        const char *item;
        void (TForm1::*handler)();
    } menu[] = {
        {"mnuLamePath", &TForm1::butLameOpenClick},   {"mnuSave", &TForm1::mnuSaveClick},
        {"mnuLoad", &TForm1::mnuLoadClick},           {"mnuEnglish", &TForm1::mnuEnglishClick},
        {"mnuRussian", &TForm1::mnuRussianClick},     {"mnuRun", &TForm1::butReadyClick},
        {"mnuRefresh", &TForm1::cbxSampleFreqChange}, {"mnuExit", &TForm1::butExitClick},
    };
    for (const auto &m : menu)
        connect(require<QAction>(m.item), &QAction::triggered, this, m.handler);
    connect(m_butInputOpen, &QAbstractButton::clicked, this, &TForm1::butInputOpenClick);
    connect(m_butOutputPath, &QAbstractButton::clicked, this, &TForm1::butOutputPathClick);
}

OptionSet TForm1::optionSet() const
{
    OptionSet options;
    for (int i = 0; i < kFieldCount; ++i) {
        if (const QWidget *control = m_fieldControls[i]) {
            const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
            options.value(info.field) = readControl(control, info.kind);
        }
    }
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

void TForm1::rgrInputTypeClick()
{
    setAvailable(Field::flgMonoDownmix, radioGroupIndex(control(Field::rgrInputType)) == 4);
    UpdateCommandLine();
}

void TForm1::flgMP3DecodeClick()
{
    setAvailable(Field::flgWavHeader, checked(Field::flgMP3Decode));
    UpdateCommandLine();
}

void TForm1::flgCompRatioClick()
{
    setAvailable(Field::edtCompRatio, checked(Field::flgCompRatio));
    UpdateCommandLine();
}

void TForm1::flgScaleClick()
{
    setAvailable(Field::edtScale, checked(Field::flgScale));
    UpdateCommandLine();
}

void TForm1::flgScaleLeftClick()
{
    setAvailable(Field::edtScaleLeft, checked(Field::flgScaleLeft));
    UpdateCommandLine();
}

void TForm1::flgScaleRightClick()
{
    setAvailable(Field::edtScaleRight, checked(Field::flgScaleRight));
    UpdateCommandLine();
}

void TForm1::flgPresetsClick()
{
    setAvailable(Field::cbxPresets, checked(Field::flgPresets));
    UpdateCommandLine();
}

void TForm1::flgUseATHMaskClick()
{
    if (checked(Field::flgUseATHMask)) {
        // Unchecking the partner runs its handler right here, recomposition included.
        setChecked(control<QAbstractButton>(Field::flgNoATH), false);
        setAvailable(Field::edtATH, true);
    }
    UpdateCommandLine();
}

void TForm1::flgNoATHClick()
{
    if (checked(Field::flgNoATH)) {
        setChecked(control<QAbstractButton>(Field::flgUseATHMask), false);
        setAvailable(Field::edtATH, false);
    }
    UpdateCommandLine();
}

void TForm1::flgNoFilterClick()
{
    m_grpFilter->setEnabled(!checked(Field::flgNoFilter));
    UpdateCommandLine();
}

void TForm1::rbutCBRClick()
{
    m_grpABR->setEnabled(false);
    m_grpVBR->setEnabled(false);
    m_grpCBR->setEnabled(true);
    UpdateCommandLine();
}

void TForm1::rbutABRClick()
{
    m_grpABR->setEnabled(true);
    m_grpVBR->setEnabled(false);
    m_grpCBR->setEnabled(false);
    UpdateCommandLine();
}

void TForm1::rbutVBRClick()
{
    m_grpABR->setEnabled(false);
    m_grpVBR->setEnabled(true);
    m_grpCBR->setEnabled(false);
    UpdateCommandLine();
}

void TForm1::rbut1stOnlyClick()
{
    setAvailable(Field::flg2ndEmpty, !checked(Field::rbut1stOnly));
    setAvailable(Field::flg1stEmpty, !checked(Field::rbut2ndOnly));
    UpdateCommandLine();
}

void TForm1::rbut2ndOnlyClick()
{
    setAvailable(Field::flg1stEmpty, !checked(Field::rbut2ndOnly));
    setAvailable(Field::flg2ndEmpty, !checked(Field::rbut1stOnly));
    UpdateCommandLine();
}

void TForm1::rbutBothClick()
{
    setAvailable(Field::flg1stEmpty, true);
    setAvailable(Field::flg2ndEmpty, true);
    UpdateCommandLine();
}

void TForm1::flgDefaultClick()
{
    const bool on = checked(Field::flgDefault);
    for (QWidget *widget : m_defaultGoverned)
        widget->setEnabled(!on);
    composeByDefaultFlag();
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

    const TableView<TextAssignment> texts = textAssignments();
    for (int i = 0; i < texts.size(); ++i) {
        const TextAssignment &a = texts.begin()[i];
        if (a.property == TextProperty::Hint)
            m_textTargets[i]->setProperty(kHintProperty, textFor(a, Language));
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
    m_hints->refresh();
    for (RunWindow *run : RunWindow::windows())
        run->setTexts(messages);
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

    const Preferences prefs = loadPreferences();
    LamePath = prefs.lamePath;
    Language = prefs.language;

    placeMainWindow(this, QPoint(prefs.left, prefs.top));

    ApplyLanguage();
}

void TForm1::FormDestroy()
{
    Preferences prefs;
    prefs.left = x();
    prefs.top = y();
    prefs.lamePath = LamePath;
    prefs.language = Language;
    savePreferences(prefs);
}
