// The actions of the window that talk to the user or the file system: the run, the exit,
// the three file choices and the settings files.
#include "unMain.h"

#include "ProgramIdentity.h"
#include "batch/SoundKind.h"
#include "options/CommandLine.h"
#include "options/CommandSplit.h"
#include "options/EncoderOutputName.h"
#include "options/EncoderLauncher.h"
#include "options/OutputName.h"
#include "options/OutputsInWriting.h"
#include "options/SameFile.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFileSniff.h"
#include "settings/SettingsMapping.h"
#include "tags/SourceTags.h"
#include "tags/TagSwitches.h"
#include "ui/BatchChoice.h"
#include "ui/BatchWindow.h"
#include "ui/Confirmation.h"
#include "ui/ControlBinding.h"
#include "ui/ExactText.h"
#include "ui/FieldBinding.h"
#include "ui/FileFilters.h"
#include "batch/GivenItems.h"
#include "ui/RunWindow.h"
#include "ui/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextStream>

#include <algorithm>

using namespace fenwave;

namespace {

// An error text gets a full stop when its last character sorts after the full stop.
QString withFullStop(QString text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        text += QLatin1Char('.');
    return text;
}

// Why the encoder, started with these options, would not read what the input holds; empty
// when it would, or when the input cannot be looked at (the encoder then reports it).
QString inputKindRefusal(const QString &input, const OptionSet &options, const MessageTexts &messages)
{
    const SoundKind kind = soundKindOfFile(input);
    const QString kindText = soundKindText(kind, messages.language);
    switch (kindRefusal(options, kind)) {
    case KindRefusal::None: break;
    case KindRefusal::NotSound: return messages.strRunNotSound.arg(input, kindText);
    case KindRefusal::NotRead: return messages.strRunNotRead.arg(input, kindText);
    case KindRefusal::WrongInputType: return messages.strRunWrongType.arg(input, kindText);
    }
    return QString();
}

} // namespace

// Shows a shared dialog with a title, a filter text and a starting file name. The dialog
// keeps the chosen file name and the position of the chosen filter for its next use.
struct TForm1::DialogUse {
    QFileDialog *dialog;
    QString title;
    QString filter;
};

QString TForm1::runDialog(const DialogUse &use)
{
    QFileDialog *dialog = use.dialog;
    const int filterIndex = dialog->property("filterIndex").toInt();
    dialog->setWindowTitle(use.title);
    const QStringList filters = toNameFilters(use.filter);
    dialog->setNameFilters(filters);
    if (filterIndex >= 0 && filterIndex < filters.size())
        dialog->selectNameFilter(filters.at(filterIndex));
    const QString startName = dialog->property("fileName").toString();
    if (!startName.isEmpty()) {
        dialog->selectFile(startName);
    } else if (auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        // Qt's own dialog keeps the last name in its field; selectFile("") leaves it there.
        nameField->clear();
    }

    const bool accepted = dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    dialog->setProperty("filterIndex", dialog->nameFilters().indexOf(dialog->selectedNameFilter()));
    if (!accepted)
        return QString();
    // Of several selected files the first is used.
    const QString chosen = dialog->selectedFiles().constFirst();
    // A name shown with U+FFFD stands for another file than the one listed: as if cancelled.
    if (!isFaithfulFileName(chosen)) {
        refuseName(messages.strNotUtf8Name.arg(chosen), nullptr);
        return QString();
    }
    dialog->setProperty("fileName", chosen);
    return chosen;
}

// Said where a terminal user and a file-manager user each see it.
void TForm1::refuseName(const QString &text, QTextStream *diagnostics)
{
    QTextStream standardError(stderr);
    QTextStream &err = diagnostics ? *diagnostics : standardError;
    err << kProgramName << ": " << text << '\n';
    err.flush();
    showError(text);
}

void TForm1::showInformation(const QString &text)
{
    showMessage(this, MessageKind::Notice, text);
}

bool TForm1::confirm(const QString &text)
{
    return askToConfirm(this, text);
}

void TForm1::showError(const QString &text)
{
    showMessage(this, MessageKind::Error, withFullStop(text));
}

// ---- Run and exit ----

void TForm1::butReadyClick()
{
    const QString input = control<QLineEdit>(Field::edtInput)->text();
    const QString output = control<QLineEdit>(Field::edtOutput)->text();
    if (LamePath.isEmpty()) {
        showInformation(messages.strNoLamePath);
        return;
    }
    if (input.isEmpty()) {
        showInformation(messages.strNoInput);
        m_pages->setCurrentWidget(m_tabInput);
        m_butInputOpen->setFocus();
        return;
    }
    if (output.isEmpty()) {
        showInformation(messages.strNoOutput);
        m_pages->setCurrentWidget(m_tabOutput);
        m_butOutputPath->setFocus();
        return;
    }
    // A name the command text cannot carry would reach the encoder as another name.
    struct Named {
        const QString &name;
        PathPiece piece;
    };
    for (const Named &n :
         {Named{LamePath, PathPiece::Untrimmed}, Named{input, PathPiece::Trimmed}, Named{output, PathPiece::Trimmed}}) {
        if (!commandLineCarries(n.name, n.piece)) {
            showInformation(messages.strNameNotOnCommandLine.arg(n.name));
            return;
        }
    }
    // The encoder itself only refuses identical texts; under another spelling it would
    // overwrite the input with its output.
    if (namesSameExistingFile(trimBelow33(input).toString(), trimBelow33(output).toString())) {
        showInformation(messages.strSameFile);
        return;
    }
    // Two encoders writing one file leave neither's output. What counts is the file the
    // command to be started writes, which a hand-edited line may name in place of the Output
    // field's. Runs in a terminal are out of sight.
    const QStringList arguments = splitCommandText(m_commandText->text()).mid(1);
    const QStringList written = encoderOutputNames(arguments);
    for (const QString &file : written) {
        if (OutputsInWriting::shared().isBeingWritten(file, QDir::currentPath())) {
            showInformation(messages.strOutputBusy.arg(file));
            return;
        }
    }
    // The encoder takes anything for sound: a picture or a text becomes a noise MP3 and "success".
    // What counts is what the command to be started reads, which a hand-edited line may name in
    // place of the Input field's.
    const OptionSet options = optionSet();
    for (const QString &read : encoderInputNames(arguments)) {
        if (const QString refusal = inputKindRefusal(read, options, messages); !refusal.isEmpty()) {
            showInformation(refusal);
            return;
        }
    }
    if (!confirm(messages.strConfirmRun))
        return;
    const EncoderStart start = startEncoder(m_commandText->text());
    bool started = start.result == StartResult::Started || start.result == StartResult::NothingToStart;
    if (start.result == StartResult::NoTerminal)
        started = RunWindow::start(start.command, start.workingDirectory, input, written.value(0), messages) != nullptr;
    if (!started)
        showError(messages.strCannotStart.arg(start.program));
}

void TForm1::butExitClick()
{
    QApplication::beep();
    if (!confirm(messages.strConfirmExit))
        return;
    if (close())
        QCoreApplication::quit();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (RunWindow::anyRunning() && !confirm(messages.strConfirmStopRuns)) {
        event->ignore();
        return;
    }
    const QList<BatchWindow *> batches = batchWindows();
    const bool batchRunning
        = std::any_of(batches.begin(), batches.end(), [](const BatchWindow *batch) { return batch->isRunning(); });
    if (batchRunning && !RunWindow::anyRunning() && !confirm(messages.strConfirmCloseRun)) {
        event->ignore();
        return;
    }
    // The run windows have no parent: they end with the program, their encoders stopped.
    RunWindow::stopAllAndClose();
    // A batch window stops its encoders and removes their temporary files as it goes.
    qDeleteAll(batches);
    QMainWindow::closeEvent(event);
}

// ---- File choices ----

void TForm1::butLameOpenClick()
{
    if (dlgOpen()->property("fileName").toString().isEmpty()) {
        const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
        if (!lame.isEmpty())
            dlgOpen()->setDirectory(QFileInfo(lame).absolutePath());
    }
    const QString chosen = runDialog({dlgOpen(), messages.strLameDialogTitle, messages.strLameFilter});
    if (chosen.isEmpty())
        return;
    LamePath = chosen;
    UpdateCommandLine();
}

void TForm1::butInputOpenClick()
{
    dlgOpen()->setProperty("fileName", QString());
    const QString chosen = runDialog({dlgOpen(), messages.strInputDialogTitle, messages.strMusicFilter});
    if (!chosen.isEmpty())
        takeInputFile(chosen);
    composeByDefaultFlag();
}

// The input and the output proposed from it.
void TForm1::takeInputFile(const QString &path)
{
    auto *input = control<QLineEdit>(Field::edtInput);
    input->setText(path);
    control<QLineEdit>(Field::edtOutput)->setText(proposeOutputName(input->text()));
}

void TForm1::butOutputPathClick()
{
    auto *output = control<QLineEdit>(Field::edtOutput);
    dlgSave()->setProperty("fileName", output->text());
    const QString chosen = runDialog({dlgSave(), messages.strOutputDialogTitle, messages.strMusicFilter});
    if (!chosen.isEmpty())
        output->setText(chosen);
    composeByDefaultFlag();
}

// ---- Files given on the command line or dropped ----

bool TForm1::openFile(const QString &path, QTextStream *diagnostics)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    switch (classifyGivenFile(fullPath)) {
    case GivenFileKind::Folder: refuseName(messages.strFolderRefused.arg(fullPath), diagnostics); return false;
    case GivenFileKind::NotUtf8Name: refuseName(messages.strNotUtf8Name.arg(fullPath), diagnostics); return false;
    case GivenFileKind::TooLargeSettings:
        refuseName(messages.strTooLargeSettings.arg(fullPath), diagnostics);
        return false;
    case GivenFileKind::Settings:
        // As after the dialog, the name is the one the dialog offers next.
        dlgOpen()->setProperty("fileName", fullPath);
        restoreSettings(fullPath);
        return true;
    case GivenFileKind::Input: takeGivenInput(fullPath); return true;
    }
    return false;
}

void TForm1::takeGivenInput(const QString &fullPath)
{
    dlgOpen()->setProperty("fileName", fullPath);
    takeInputFile(fullPath);
    composeByDefaultFlag();
}

bool TForm1::openFiles(const QStringList &paths, QTextStream *diagnostics)
{
    if (paths.size() == 1 && !QFileInfo(paths.constFirst()).isDir())
        return openFile(paths.constFirst(), diagnostics);
    QStringList fullPaths;
    for (const QString &path : paths)
        fullPaths << QFileInfo(path).absoluteFilePath();
    const GivenItems items = sortGivenItems(fullPaths);
    for (const GivenItems::Refusal &refusal : items.refused) {
        const QString &text
            = refusal.kind == GivenFileKind::TooLargeSettings ? messages.strTooLargeSettings : messages.strNotUtf8Name;
        refuseName(text.arg(refusal.path), diagnostics);
    }
    if (!items.settings.isEmpty()) {
        dlgOpen()->setProperty("fileName", items.settings);
        restoreSettings(items.settings);
    }
    if (!items.ignoredSettings.isEmpty()) {
        const QString text = messages.strSettingsIgnored.arg(items.ignoredSettings.join(QStringLiteral(", ")));
        QTextStream standardError(stderr);
        QTextStream &err = diagnostics ? *diagnostics : standardError;
        err << kProgramName << ": " << text << '\n';
        err.flush();
        showInformation(text);
    }
    if (items.inputs.size() == 1 && !QFileInfo(items.inputs.constFirst()).isDir()) {
        takeGivenInput(items.inputs.constFirst());
        return true;
    }
    if (!items.inputs.isEmpty())
        openBatchWindow(items.inputs);
    return !items.settings.isEmpty() || !items.inputs.isEmpty();
}

BatchWindow *TForm1::openBatchWindow(const QStringList &inputs)
{
    BatchWindow::Source source{[this] { return optionSet(); }, [this] { return LamePath; }};
    auto *batch = new BatchWindow(source, messages, this);
    batch->addFiles(inputs);
    // Beside this window, not over it; the frame is taken to be this window's.
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    const QSize outer = batch->size().grownBy(frame);
    if (const QScreen *screen = this->screen()) {
        const QPoint corner = placeBeside(frameGeometry(), outer, screen->availableGeometry());
        batch->move(corner);
    }
    batch->show();
    return batch;
}

void TForm1::mnuEncodeFilesClick()
{
    const QStringList chosen = askForBatchItems(this, messages.strBatchFilesTitle, QStringLiteral("dlgEncodeFiles"),
                                                messages.strBatchSoundFilter);
    if (!chosen.isEmpty())
        openChosenForBatch(chosen);
}

void TForm1::mnuEncodeFolderClick()
{
    const QStringList chosen
        = askForBatchItems(this, messages.strBatchFolderTitle, QStringLiteral("dlgEncodeFolder"), QString());
    if (!chosen.isEmpty())
        openChosenForBatch(chosen);
}

void TForm1::mnuTakeTagsClick()
{
    const QString input = trimBelow33(control<QLineEdit>(Field::edtInput)->text()).toString();
    OptionSet options = m_fields->optionSet();
    if (input.isEmpty() || fillEmptyTagFields(options, readSourceTags(input)) == 0)
        return;
    for (Field field : {Field::edtSongName, Field::edtArtist, Field::edtAlbum, Field::edtYear, Field::edtTrackNumber,
                        Field::cbxGenre, Field::edtComment})
        m_fields->write(field, options.value(field));
    UpdateCommandLine();
}

// A name shown with U+FFFD stands for another file than the one listed: it is refused, the
// others go to a batch window, even one file alone.
void TForm1::openChosenForBatch(const QStringList &chosen)
{
    QStringList faithful;
    for (const QString &name : chosen) {
        if (isFaithfulFileName(name))
            faithful << name;
        else
            refuseName(messages.strNotUtf8Name.arg(name), nullptr);
    }
    if (!faithful.isEmpty())
        openBatchWindow(faithful);
}

QList<BatchWindow *> TForm1::batchWindows() const
{
    return findChildren<BatchWindow *>(QString(), Qt::FindDirectChildrenOnly);
}

bool TForm1::openOutputFile(const QString &path, QTextStream *diagnostics)
{
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    if (!isFaithfulFileName(fullPath)) {
        refuseName(messages.strNotUtf8Name.arg(fullPath), diagnostics);
        return false;
    }
    // The encoder cannot write a folder.
    if (QFileInfo(fullPath).isDir()) {
        refuseName(messages.strFolderRefused.arg(fullPath), diagnostics);
        return false;
    }
    dlgSave()->setProperty("fileName", fullPath);
    control<QLineEdit>(Field::edtOutput)->setText(fullPath);
    composeByDefaultFlag();
    return true;
}

// ---- Settings files ----

void TForm1::mnuSaveClick()
{
    const QString chosen = runDialog({dlgSave(), messages.strSaveSettingsTitle, messages.strAllFilter});
    if (!chosen.isEmpty())
        saveSettings(chosen);
}

void TForm1::mnuLoadClick()
{
    const QString chosen = runDialog({dlgOpen(), messages.strLoadSettingsTitle, messages.strAllFilter});
    if (!chosen.isEmpty())
        restoreSettings(chosen);
}

bool TForm1::saveSettings(const QString &path)
{
    bool readable = false;
    IniDocument doc = IniDocument::load(path, &readable);
    // A file that exists but cannot be read whole cannot be updated without losing what it holds.
    bool written = readable || !QFileInfo::exists(path);
    if (written) {
        writeSettings(optionSet(), doc);
        written = doc.save(path);
    }
    if (!written)
        showError(QStringLiteral("Unable to write to %1").arg(QFileInfo(path).absoluteFilePath()));
    return written;
}

void TForm1::restoreSettings(const QString &path)
{
    const IniDocument doc = IniDocument::load(path);
    m_restoring = true;
    m_pendingLine.reset();
    // Each value goes to its control before the next key is read, so the handlers run
    // interleaved with the restore.
    for (const SettingKey &key : settingsKeys()) {
        const std::optional<FieldValue> value = readSetting(doc, key);
        if (!value)
            continue;
        if (key.field == Field::LamePath) {
            LamePath = value->text;
            continue;
        }
        m_fields->write(key.field, *value);
    }
    m_restoring = false;
    if (m_pendingLine)
        showCommandLine(*std::exchange(m_pendingLine, std::nullopt));
}
