#pragma once

#include "language/Language.h"
#include "language/MessageTexts.h"
#include "options/Interlocks.h"
#include "options/OptionSet.h"
#include "settings/UserStore.h"

#include <QHash>
#include <QMainWindow>

#include <array>
#include <optional>
#include <vector>

class QAbstractButton;
class QAction;
class QFileDialog;
class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QTextStream;

namespace fenwave {
class BatchWindow;
class ExactText;
class FieldBinding;
class HintTracker;
} // namespace fenwave

// The main window: every option control, the command-line box, the menu and the status bar.
// The controls hold the option values; the handlers below carry all behaviour.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // The preferences are read from the per-user store at `storePath` and written back there
    // when the window goes.
    explicit TForm1(const QString &storePath = fenwave::UserStore::defaultFilePath(), QWidget *parent = nullptr);
    ~TForm1() override;

    // Program-wide values.
    QString LamePath;
    fenwave::Language Language = fenwave::Language::English;
    fenwave::MessageTexts messages; // empty until a language is applied

    // The option set as the controls hold it now (values and each control's own enabled flag).
    fenwave::OptionSet optionSet() const;

    void UpdateCommandLine();
    void UpdateDefaultCommandLine();
    void ApplyLanguage();

    // The control that shows an option field (LamePath has none).
    QWidget *control(fenwave::Field field) const;
    template <class T> T *control(fenwave::Field field) const { return static_cast<T *>(control(field)); }

    // A control, page, group box, label, menu item or dialog by its design name, or nullptr: for
    // tests and tools. The window itself reaches its objects through the members below.
    QObject *named(const QString &name) const { return m_named.value(name); }
    template <class T> T *named(const QString &name) const { return qobject_cast<T *>(named(name)); }

    // The two shared file dialogs, made on first use (they are costly to build) and kept,
    // with the file name and filter each last held, until the window goes.
    QFileDialog *dlgOpen();
    QFileDialog *dlgSave();

public slots:
    // What a change of the control runs (ruleOf), each handler named after its control.
    void rgrInputTypeClick();
    void flgMP3DecodeClick();
    void flgCompRatioClick();
    void flgScaleClick();
    void flgScaleLeftClick();
    void flgScaleRightClick();
    void flgPresetsClick();
    void flgUseATHMaskClick();
    void flgNoATHClick();
    void flgNoFilterClick();
    void rbutCBRClick();
    void rbutABRClick();
    void rbutVBRClick();
    void rbut1stOnlyClick();
    void rbut2ndOnlyClick();
    void rbutBothClick();
    void flgDefaultClick();
    // Shared by cbxSampleFreq, edtInput, edtOutput and mnuRefresh; recomposes only.
    void cbxSampleFreqChange();

    void flgReadOnlyClick();
    void butReadyClick();
    void butExitClick();
    void butLameOpenClick();
    void butInputOpenClick();
    void butOutputPathClick();
    void mnuSaveClick();
    void mnuLoadClick();
    void mnuEnglishClick();
    void mnuRussianClick();
    // A batch window of the files, or of the folder, chosen in a dialog.
    void mnuEncodeFilesClick();
    void mnuEncodeFolderClick();
    // Fills the ID3 page's empty fields from the input file's tags.
    void mnuTakeTagsClick();
    void PanelHint(const QString &hint);

    // Restores a settings file without the dialog (the second half of mnuLoadClick).
    void restoreSettings(const QString &path);

    // A file given outside the dialogs (command line, drop): a settings file is restored,
    // any other name becomes the input, each as if chosen in its dialog. A relative name is
    // taken against the current folder. A folder, a name that is not UTF-8 and a settings file
    // too large to read are refused: false, nothing changed, the refusal said on `diagnostics`
    // (standard error when none) and in a message box.
    bool openFile(const QString &path, QTextStream *diagnostics = nullptr);
    // Several names given at once (command line, drop). One file is opened as above. Otherwise
    // the first settings file among them is restored first and the others are named as
    // ignored; of the rest, a single file is opened as above, and several files or any folder
    // open a batch window. False when nothing was taken.
    bool openFiles(const QStringList &paths, QTextStream *diagnostics = nullptr);
    // A batch window of these files and folders, with this window's options and encoder.
    fenwave::BatchWindow *openBatchWindow(const QStringList &inputs);
    QList<fenwave::BatchWindow *> batchWindows() const;
    // A file that becomes the output as if chosen in the output dialog; a folder and a name
    // that is not UTF-8 are refused as above.
    bool openOutputFile(const QString &path, QTextStream *diagnostics = nullptr);
    // Saves the settings without the dialog; false after showing the error.
    bool saveSettings(const QString &path);

protected:
    // Closing the window ends the program; while an encoder runs in a run window, it asks first.
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormDestroy();
    void collectNamedObjects();
    void giveStartValues();
    void connectHandlers();
    void runHandlerOf(fenwave::Field field);
    template <class T> T *require(const char *name) const;
    bool checked(fenwave::Field field) const;
    void setAvailable(fenwave::Field field, bool available);
    void composeByDefaultFlag();
    void takeInputFile(const QString &path);
    void takeGivenInput(const QString &fullPath);
    void openChosenForBatch(const QStringList &chosen);
    void showInformation(const QString &text);
    bool confirm(const QString &text);
    void showError(const QString &text);
    void refuseName(const QString &text, QTextStream *diagnostics);
    struct DialogUse;
    QString runDialog(const DialogUse &use);

    const QString m_storePath;
    QHash<QString, QObject *> m_named;
    QFileDialog *m_dlgOpen = nullptr;
    QFileDialog *m_dlgSave = nullptr;
    // While a settings file is restored, the handlers compose as usual but only the last line
    // is put into the box, once, at the end.
    bool m_restoring = false;
    std::optional<QString> m_pendingLine;
    void showCommandLine(const QString &line);
    fenwave::FieldBinding *m_fields = nullptr;
    QPlainTextEdit *m_commandLine = nullptr;
    fenwave::ExactText *m_commandText = nullptr; // the exact text of edtCommandLine
    QLabel *m_panel = nullptr;
    // Objects the handlers address that are no option field, found once as the window is built.
    QTabWidget *m_pages = nullptr;
    QWidget *m_tabInput = nullptr;
    QWidget *m_tabOutput = nullptr;
    QAbstractButton *m_butInputOpen = nullptr;
    QAbstractButton *m_butOutputPath = nullptr;
    std::array<QWidget *, fenwave::kFixtureCount> m_fixtures{}; // pages, group boxes and labels the rules switch
    QAction *m_mnuEnglish = nullptr;
    QAction *m_mnuRussian = nullptr;
    std::vector<QObject *> m_textTargets; // one per language text, in the order applied
    std::vector<QWidget *> m_edgeTargets; // one per language left edge
    fenwave::HintTracker *m_hints = nullptr;
};
