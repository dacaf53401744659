#include "unMain.h"

#include "language/LanguageTables.h"
#include "options/CommandLine.h"
#include "settings/Preferences.h"
#include "ui/ControlBinding.h"
#include "ui/ExactText.h"
#include "ui/FileDrops.h"
#include "ui/HintTracker.h"
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

// Which handler each option control's change runs. A null rule means the handler only
// recomposes the full command line (the fifty plain handlers, named here for reference).
struct Wiring {
    const char *control;
    const char *handler;
    void (TForm1::*rule)();
};

const Wiring kWiring[] = {
    // tabInput
    {"edtInput", "cbxSampleFreqChange", nullptr},
    {"rgrInputType", "rgrInputTypeClick", &TForm1::rgrInputTypeClick},
    {"cbxSampleFreq", "cbxSampleFreqChange", nullptr},
    {"flgForceInput", "flgForceInputClick", nullptr},
    {"flgMonoDownmix", "flgMonoDownmixClick", nullptr},
    {"flgMP3Decode", "flgMP3DecodeClick", &TForm1::flgMP3DecodeClick},
    {"flgWavHeader", "flgWavHeaderClick", nullptr},
    // tabOutput
    {"edtOutput", "cbxSampleFreqChange", nullptr},
    {"rgpOutputType", "rgpOutputTypeClick", nullptr},
    {"flgDiffBlock", "flgDiffBlockClick", nullptr},
    {"edtStat", "edtStatChange", nullptr},
    {"flgVorbis", "flgVorbisClick", nullptr},
    {"flgFreeformat", "flgFreeformatClick", nullptr},
    {"flgCompRatio", "flgCompRatioClick", &TForm1::flgCompRatioClick},
    {"edtCompRatio", "edtCompRatioChange", nullptr},
    {"flgScale", "flgScaleClick", &TForm1::flgScaleClick},
    {"edtScale", "edtScaleChange", nullptr},
    {"flgScaleLeft", "flgScaleLeftClick", &TForm1::flgScaleLeftClick},
    {"flgScaleRight", "flgScaleRightClick", &TForm1::flgScaleRightClick},
    {"flgUseATHMask", "flgUseATHMaskClick", &TForm1::flgUseATHMaskClick},
    {"flgNoATH", "flgNoATHClick", &TForm1::flgNoATHClick},
    {"edtATH", "edtATHChange", nullptr},
    {"flgTempMask", "flgTempMaskClick", nullptr},
    {"flgShortBlock", "flgShortBlockClick", nullptr},
    {"flgVoiceMode", "flgVoiceModeClick", nullptr},
    {"flgPresets", "flgPresetsClick", &TForm1::flgPresetsClick},
    {"cbxPresets", "cbxPresetsChange", nullptr},
    {"flgDefault", "flgDefaultClick", &TForm1::flgDefaultClick},
    // tabBitrate
    {"rbutCBR", "rbutCBRClick", &TForm1::rbutCBRClick},
    {"cbxCBR", "cbxCBRChange", nullptr},
    {"rbutABR", "rbutABRClick", &TForm1::rbutABRClick},
    {"cbxABR", "cbxABRChange", nullptr},
    {"rbutVBR", "rbutVBRClick", &TForm1::rbutVBRClick},
    {"cbxVBRMode", "cbxVBRModeChange", nullptr},
    {"cbxVBRQuality", "cbxVBRQualityChange", nullptr},
    {"cbxMinBitrate", "cbxMinBitrateChange", nullptr},
    {"cbxMaxBitrate", "cbxMaxBitrateChange", nullptr},
    {"flgSupport", "flgSupportClick", nullptr},
    {"flgLameTagDis", "flgLameTagDisClick", nullptr},
    {"cbxEmp", "cbxEmpChange", nullptr},
    {"flgCopyright", "flgCopyrightClick", nullptr},
    {"flgNonOriginal", "flgNonOriginalClick", nullptr},
    {"flgErrorProtection", "flgErrorProtectionClick", nullptr},
    {"flgBitRes", "flgBitResClick", nullptr},
    {"flgMaxISO", "flgMaxISOClick", nullptr},
    // tabFilter
    {"cbxNoise", "cbxNoiseChange", nullptr},
    {"flgNoFilter", "flgNoFilterClick", &TForm1::flgNoFilterClick},
    {"edtLowPass", "edtLowPassChange", nullptr},
    {"edtLowPassWidth", "edtLowPassWidthChange", nullptr},
    {"edtHighPass", "edtHighPassChange", nullptr},
    {"edtHighPassWidth", "edtHighPassWidthChange", nullptr},
    {"edtOutputSample", "edtOutputSampleChange", nullptr},
    {"edtTonality", "edtTonalityChange", nullptr},
    // tabComment
    {"flgNoProgress", "flgNoProgressClick", nullptr},
    {"flgBlankScreen", "flgBlankScreenClick", nullptr},
    {"flgAllUseFull", "flgAllUseFullClick", nullptr},
    {"flgHist", "flgHistClick", nullptr},
    {"edtSongName", "edtSongNameChange", nullptr},
    {"edtArtist", "edtArtistChange", nullptr},
    {"edtAlbum", "edtAlbumChange", nullptr},
    {"edtYear", "edtYearChange", nullptr},
    {"edtTrackNumber", "edtTrackNumberChange", nullptr},
    {"cbxGenre", "cbxGenreChange", nullptr},
    {"edtComment", "edtCommentChange", nullptr},
    {"rbut1stOnly", "rbut1stOnlyClick", &TForm1::rbut1stOnlyClick},
    {"rbut2ndOnly", "rbut2ndOnlyClick", &TForm1::rbut2ndOnlyClick},
    {"rbutBoth", "rbutBothClick", &TForm1::rbutBothClick},
    {"flg1stEmpty", "flg1stEmptyClick", nullptr},
    {"flg2ndEmpty", "flg2ndEmptyClick", nullptr},
};

// The controls that "Use default settings" disables and enables again, in this order.
const char *const kDefaultControls[] = {
    "tabBitrate", "tabFilter", "flgDiffBlock", "edtStat", "flgVorbis", "flgFreeformat",
    "flgCompRatio", "flgScale", "edtScale", "flgUseATHMask", "flgNoATH", "edtATH",
    "flgTempMask", "flgShortBlock", "flgVoiceMode", "flgPresets", "rgpOutputType",
    "Label3", "Label4", "flgMP3Decode", "Label5", "Label6",
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
        m_fieldControls[i] = named<QWidget>(QString::fromLatin1(info.name));
    }
    m_commandLine = named<QPlainTextEdit>(QStringLiteral("edtCommandLine"));
    m_commandText = new ExactText(m_commandLine);
    m_panel = findChild<QLabel *>(QStringLiteral("stsStringPanel"));
}

void TForm1::giveStartValues()
{
    const OptionSet start;
    for (int i = 0; i < kFieldCount; ++i) {
        QWidget *control = m_fieldControls[i];
        if (!control)
            continue;  // LamePath is no control
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        if (auto *combo = qobject_cast<QComboBox *>(control))
            combo->addItems(itemList(info.items));
        writeControl(control, info.kind, start.value(info.field));
    }
    // As built, the preset list shows its first item selected; applying a language clears that.
    named<QComboBox>(QStringLiteral("cbxPresets"))->setCurrentIndex(0);
}

void TForm1::connectControl(const QString &name, void (TForm1::*handler)())
{
    QObject *control = named(name);
    if (auto *check = qobject_cast<QCheckBox *>(control)) {
        connect(check, &QCheckBox::toggled, this, handler);
    } else if (auto *radio = qobject_cast<QRadioButton *>(control)) {
        // A radio button's handler runs only when it becomes checked.
        connect(radio, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        connect(edit, &QLineEdit::textChanged, this, handler);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        // Only the user's picks and typing count; program changes run nothing.
        connect(combo, &QComboBox::activated, this, handler);
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, combo, handler] {
            followTypedText(combo);
            (this->*handler)();
        });
    } else if (auto *group = qobject_cast<QWidget *>(control)) {
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
        connectControl(QString::fromLatin1(w.control), w.rule ? w.rule : &TForm1::UpdateCommandLine);
    connectControl(QStringLiteral("flgReadOnly"), &TForm1::flgReadOnlyClick);

    const struct { const char *item; void (TForm1::*handler)(); } menu[] = {
        {"mnuLamePath", &TForm1::butLameOpenClick}, {"mnuSave", &TForm1::mnuSaveClick},
        {"mnuLoad", &TForm1::mnuLoadClick},         {"mnuEnglish", &TForm1::mnuEnglishClick},
        {"mnuRussian", &TForm1::mnuRussianClick},   {"mnuRun", &TForm1::butReadyClick},
        {"mnuRefresh", &TForm1::cbxSampleFreqChange}, {"mnuExit", &TForm1::butExitClick},
    };
    for (const auto &m : menu)
        connect(named<QAction>(QString::fromLatin1(m.item)), &QAction::triggered, this, m.handler);
    connect(named<QAbstractButton>(QStringLiteral("butInputOpen")), &QAbstractButton::clicked, this,
            &TForm1::butInputOpenClick);
    connect(named<QAbstractButton>(QStringLiteral("butOutputPath")), &QAbstractButton::clicked, this,
            &TForm1::butOutputPathClick);
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
    if (checked("flgDefault"))
        UpdateDefaultCommandLine();
    else
        UpdateCommandLine();
}

bool TForm1::checked(const char *name) const
{
    const auto *button = named<QAbstractButton>(QString::fromLatin1(name));
    return button && button->isChecked();
}

void TForm1::enableBy(const char *target, bool enabled)
{
    if (auto *widget = named<QWidget>(QString::fromLatin1(target)))
        widget->setEnabled(enabled);
}

// ---- Interlock rules ----

void TForm1::rgrInputTypeClick()
{
    enableBy("flgMonoDownmix", radioGroupIndex(named<QWidget>(QStringLiteral("rgrInputType"))) == 4);
    UpdateCommandLine();
}

void TForm1::flgMP3DecodeClick()
{
    enableBy("flgWavHeader", checked("flgMP3Decode"));
    UpdateCommandLine();
}

void TForm1::flgCompRatioClick()
{
    enableBy("edtCompRatio", checked("flgCompRatio"));
    UpdateCommandLine();
}

void TForm1::flgScaleClick()
{
    enableBy("edtScale", checked("flgScale"));
    UpdateCommandLine();
}

void TForm1::flgScaleLeftClick()
{
    enableBy("edtScaleLeft", checked("flgScaleLeft"));
    UpdateCommandLine();
}

void TForm1::flgScaleRightClick()
{
    enableBy("edtScaleRight", checked("flgScaleRight"));
    UpdateCommandLine();
}

void TForm1::flgPresetsClick()
{
    enableBy("cbxPresets", checked("flgPresets"));
    UpdateCommandLine();
}

void TForm1::flgUseATHMaskClick()
{
    if (checked("flgUseATHMask")) {
        // Unchecking the partner runs its handler right here, recomposition included.
        setChecked(named<QAbstractButton>(QStringLiteral("flgNoATH")), false);
        enableBy("edtATH", true);
    }
    UpdateCommandLine();
}

void TForm1::flgNoATHClick()
{
    if (checked("flgNoATH")) {
        setChecked(named<QAbstractButton>(QStringLiteral("flgUseATHMask")), false);
        enableBy("edtATH", false);
    }
    UpdateCommandLine();
}

void TForm1::flgNoFilterClick()
{
    enableBy("grpFilter", !checked("flgNoFilter"));
    UpdateCommandLine();
}

void TForm1::rbutCBRClick()
{
    enableBy("grpABR", false);
    enableBy("grpVBR", false);
    enableBy("grpCBR", true);
    UpdateCommandLine();
}

void TForm1::rbutABRClick()
{
    enableBy("grpABR", true);
    enableBy("grpVBR", false);
    enableBy("grpCBR", false);
    UpdateCommandLine();
}

void TForm1::rbutVBRClick()
{
    enableBy("grpABR", false);
    enableBy("grpVBR", true);
    enableBy("grpCBR", false);
    UpdateCommandLine();
}

void TForm1::rbut1stOnlyClick()
{
    enableBy("flg2ndEmpty", !checked("rbut1stOnly"));
    enableBy("flg1stEmpty", !checked("rbut2ndOnly"));
    UpdateCommandLine();
}

void TForm1::rbut2ndOnlyClick()
{
    enableBy("flg1stEmpty", !checked("rbut2ndOnly"));
    enableBy("flg2ndEmpty", !checked("rbut1stOnly"));
    UpdateCommandLine();
}

void TForm1::rbutBothClick()
{
    enableBy("flg1stEmpty", true);
    enableBy("flg2ndEmpty", true);
    UpdateCommandLine();
}

void TForm1::flgDefaultClick()
{
    const bool on = checked("flgDefault");
    for (const char *name : kDefaultControls)
        enableBy(name, !on);
    composeByDefaultFlag();
}

void TForm1::cbxSampleFreqChange()
{
    UpdateCommandLine();
}

void TForm1::flgReadOnlyClick()
{
    m_commandLine->setEnabled(!checked("flgReadOnly"));
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
    named<QAction>(QStringLiteral("mnuEnglish"))->setChecked(Language == 0);
    named<QAction>(QStringLiteral("mnuRussian"))->setChecked(Language == 1);
    messages = messageTextsFor(Language);

    for (const TextAssignment &a : textAssignments()) {
        QObject *target = named(QString::fromLatin1(a.target));
        if (!target)
            continue;
        if (a.property == TextProperty::Hint)
            target->setProperty(kHintProperty, textFor(a, Language));
        else
            setCaption(target, textFor(a, Language));
    }
    for (const LeftEdge &edge : languageLeftEdges()) {
        if (auto *widget = named<QWidget>(QString::fromLatin1(edge.target)))
            widget->move(Language == 0 ? edge.english : edge.russian, widget->y());
    }
    // The preset names change with the language; the selection is dropped.
    auto *presets = named<QComboBox>(QStringLiteral("cbxPresets"));
    const QStringList names = presetNames(Language);
    presets->clear();
    presets->addItems(names);
    presets->setCurrentIndex(-1);
    presets->setEditText(names.value(0));
    m_hints->refresh();
}

void TForm1::mnuEnglishClick()
{
    Language = 0;
    ApplyLanguage();
}

void TForm1::mnuRussianClick()
{
    Language = 1;
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
