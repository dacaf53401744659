// The three file choices through the real window and its two shared file dialogs: what each
// dialog shows, what a choice or a cancel changes, and which composer runs afterwards; and what
// the batch's file dialogs list.
#include "FormDriver.h"
#include "TestFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTimer>

using testing::FormDriver;
using testing::ModalAnswer;
using testing::Window;

namespace {

// How a file dialog looked when it showed.
struct DialogView {
    QString title;
    QStringList nameFilters;
    QString selectedFilter;
    QString nameText; // the file name field
    QString directory;
    QStringList selectedFiles;
    QStringList chosenFiles; // what the answer selected before accepting
};

// Answers the next file dialog: picks a filter entry if told, selects the files given and
// accepts, or cancels when none are given. Message boxes on the way (the overwrite question)
// are answered with Yes, or OK.
class DialogAnswer
{
public:
    explicit DialogAnswer(QStringList files, int filterIndex = -1)
        : m_modal([this, files, filterIndex](QWidget *modal) {
              if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                  messages << box->text();
                  ModalAnswer::press(box, box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
                  return;
              }
              auto *dialog = qobject_cast<QFileDialog *>(modal);
              if (!dialog) {
                  modal->close();
                  return;
              }
              DialogView view;
              view.title = dialog->windowTitle();
              view.nameFilters = dialog->nameFilters();
              view.selectedFilter = dialog->selectedNameFilter();
              if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                  view.nameText = name->text();
              view.directory = dialog->directory().absolutePath();
              view.selectedFiles = dialog->selectedFiles();
              if (filterIndex >= 0)
                  dialog->selectNameFilter(view.nameFilters.value(filterIndex));
              if (files.isEmpty()) {
                  dialogs << view;
                  dialog->reject();
                  return;
              }
              // Typed into the name field as a user does (selectFile() leaves a focused field
              // alone); several names each in quotes.
              dialog->setDirectory(QFileInfo(files.first()).absolutePath());
              QStringList names;
              for (const QString &file : files)
                  names << QFileInfo(file).fileName();
              const QString typed = names.size() == 1 ? names.first() : '"' + names.join(QStringLiteral("\" \"")) + '"';
              if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                  name->setText(typed);
              view.chosenFiles = dialog->selectedFiles();
              dialogs << view;
              // Queued: the dialog's own questions must not open inside this timer's call, where
              // no further timer call could answer them.
              QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
              // A dialog that refused the answer must not hang the test.
              QTimer::singleShot(5000, dialog, [dialog] {
                  if (QWidget *inner = QApplication::activeModalWidget(); inner && inner != dialog)
                      inner->close();
                  if (dialog->isVisible()) {
                      qWarning("file dialog refused the answer");
                      dialog->reject();
                  }
              });
          })
    {
    }

    // The one dialog answered; an empty view (which fails the checks) when there was not one.
    DialogView only() const
    {
        if (dialogs.size() != 1) {
            qWarning("expected one file dialog, saw %d", int(dialogs.size()));
            return {};
        }
        return dialogs.first();
    }

    QList<DialogView> dialogs;
    QStringList messages;

private:
    ModalAnswer m_modal;
};

const QStringList kEnglishMusicFilters{"Music files WAV (*.wav *.mpa)", "MP3-files (*.mp3)", "All files (*)"};

// The names a file dialog lists in `folder` under the filter at `filterIndex`, as its own file
// view sees them once the folder has been read; the dialog is then cancelled.
class ListingAnswer
{
public:
    ListingAnswer(const QString &folder, int filterIndex)
        : m_modal([this, folder, filterIndex](QWidget *modal) {
              auto *dialog = qobject_cast<QFileDialog *>(modal);
              if (!dialog) {
                  modal->close();
                  return;
              }
              auto *model = dialog->findChild<QFileSystemModel *>();
              if (!model) {
                  dialog->reject();
                  return;
              }
              dialog->selectNameFilter(dialog->nameFilters().value(filterIndex));
              dialog->setDirectory(folder);
              // Every test folder holds a subfolder, which is listed under any filter: a row
              // means the folder has been read (the dialog may have opened in it already).
              folderRead = QTest::qWaitFor([model, folder] { return model->rowCount(model->index(folder)) > 0; }, 5000);
              // The filter takes effect at the model's next sort, a zero timer.
              QTest::qWait(20);
              const QModelIndex parent = model->index(folder);
              for (int row = 0; row < model->rowCount(parent); ++row)
                  listed << model->fileName(model->index(row, 0, parent));
              ++dialogs;
              dialog->reject();
          })
    {
    }

    int dialogs = 0;
    bool folderRead = false;
    QStringList listed;

private:
    ModalAnswer m_modal;
};

} // namespace

class TestFileChoice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void encoderPathChosen_data();
    void encoderPathChosen();
    void encoderPathCancelled();
    void inputChosen_data();
    void inputChosen();
    void inputCancelled_data();
    void inputCancelled();
    void encoderDialogShowsLastInput();
    void severalInputFilesFirstUsed();
    void emptyStartingNameClearsTheField();
    void outputDialogStartsWithOutputText_data();
    void outputDialogStartsWithOutputText();
    void outputExistingFileAsksFirst();
    void outputCancelled();
    void filterPositionRemembered();
    void dialogListsFilesByFilter_data();
    void dialogListsFilesByFilter();
    void nameNotUtf8Refused_data();
    void nameNotUtf8Refused();

private:
    QString file(const QString &name) const { return m_root.filePath(name); }

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/fenwave files XXXXXX")};
    QByteArray m_savedPath;
};

void TestFileChoice::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    for (const char *folder :
         {"bin", "bin/sub", "music", "music/sub", "music.old", "out dir", "Папка с пробелом", "library", "library/sub"})
        QVERIFY(root.mkpath(folder));
    QVERIFY(testing::writeExecutable(file("bin/lame"), "#!/bin/sh\n"));
    for (const char *name :
         {"music/song.wav", "music/live.take2.wav", "music.old/song.wav", "music/noext", "music/.hidden",
          "Папка с пробелом/Песня 1.wav", "music/a;b $(touch x) 'q'.wav", "out dir/taken.mp3", "library/Album.FLAC",
          "library/song.m4a", "library/song.opus", "library/notes.txt"})
        QVERIFY2(testing::writeAll(file(QString::fromUtf8(name)), "RIFF"), name);
    // The encoder on PATH is the one in bin.
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(file("bin")));
}

void TestFileChoice::cleanupTestCase()
{
    qputenv("PATH", m_savedPath);
}

// ---- Encoder path ----

// clang-format off
void TestFileChoice::encoderPathChosen_data()
{
    QTest::addColumn<bool>("useDefaults");
    QTest::addColumn<bool>("russian");
    QTest::newRow("full options") << false << false;
    QTest::newRow("default settings on") << true << false;
    QTest::newRow("Russian texts") << true << true;
}
// clang-format on

void TestFileChoice::encoderPathChosen()
{
    QFETCH(bool, useDefaults);
    QFETCH(bool, russian);

    Window w;
    w.form.LamePath.clear();
    if (russian)
        w.d.trigger("mnuRussian");
    w.d.w<QLineEdit>("edtInput")->setText(file("music/song.wav"));
    w.d.w<QLineEdit>("edtOutput")->setText(file("music/song.mp3"));
    if (useDefaults)
        w.d.click("flgDefault");

    DialogAnswer answer({file("bin/lame")});
    w.d.trigger("mnuLamePath");

    const DialogView view = answer.only();
    QVERIFY(!w.form.messages.strLameDialogTitle.isEmpty());
    QCOMPARE(view.title, w.form.messages.strLameDialogTitle);
    // The file named "lame" is listed too.
    QCOMPARE(view.nameFilters.size(), 1);
    QVERIFY(view.nameFilters.first().endsWith("lame.exe (lame.exe lame)"));
    if (!russian)
        QCOMPARE(view.nameFilters.first(), QStringLiteral("lame.exe (lame.exe lame)"));
    // With no name to start from, the dialog opens where the encoder on PATH lies.
    QCOMPARE(view.directory, file("bin"));
    QCOMPARE(w.form.LamePath, file("bin/lame"));
    // The encoder path always composes the full line.
    QCOMPARE(w.d.line(), w.d.full());
    QVERIFY(w.d.line().startsWith('"' + file("bin/lame") + '"'));
    if (useDefaults)
        QVERIFY(w.d.line() != w.d.shortForm());
}

void TestFileChoice::encoderPathCancelled()
{
    Window w;
    w.form.LamePath = QStringLiteral("/old/lame");
    w.d.replaceCommandLine(QStringLiteral("edited by hand"));

    DialogAnswer answer({});
    w.d.trigger("mnuLamePath");

    QCOMPARE(answer.dialogs.size(), 1);
    QCOMPARE(w.form.LamePath, QStringLiteral("/old/lame"));
    QCOMPARE(w.d.line(), QStringLiteral("edited by hand"));
}

// ---- Input file ----

// clang-format off
void TestFileChoice::inputChosen_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("useDefaults");

    QTest::newRow("plain") << "music/song.wav" << "music/song.mp3" << false;
    QTest::newRow("plain, default settings") << "music/song.wav" << "music/song.mp3" << true;
    QTest::newRow("two dots in the name") << "music/live.take2.wav" << "music/live.take2.mp3" << false;
    QTest::newRow("dot in the folder") << "music.old/song.wav" << "music.old/song.mp3" << true;
    QTest::newRow("no extension") << "music/noext" << "music/noext.mp3" << false;
    QTest::newRow("hidden file") << "music/.hidden" << "music/.hidden.mp3" << false;
    QTest::newRow("Cyrillic and blanks") << "Папка с пробелом/Песня 1.wav" << "Папка с пробелом/Песня 1.mp3" << true;
    QTest::newRow("shell characters") << "music/a;b $(touch x) 'q'.wav" << "music/a;b $(touch x) 'q'.mp3" << false;
}
// clang-format on

void TestFileChoice::inputChosen()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, useDefaults);

    Window w;
    w.form.LamePath = file("bin/lame");
    w.d.w<QLineEdit>("edtOutput")->setText(QStringLiteral("earlier.mp3"));
    if (useDefaults)
        w.d.click("flgDefault");
    w.d.replaceCommandLine(QStringLiteral("edited by hand"));

    DialogAnswer answer({file(input)});
    QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);

    const DialogView view = answer.only();
    QCOMPARE(view.title, w.form.messages.strInputDialogTitle);
    QCOMPARE(view.title, QStringLiteral("Specify path to the input file"));
    QCOMPARE(view.nameFilters, kEnglishMusicFilters);
    QCOMPARE(view.nameText, QString());
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), file(input));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), file(output));
    QCOMPARE(w.d.line(), useDefaults ? w.d.shortForm() : w.d.full());
    QVERIFY(w.d.line().contains(file(output)));
}

// clang-format off
void TestFileChoice::inputCancelled_data()
{
    QTest::addColumn<bool>("useDefaults");
    QTest::newRow("full options") << false;
    QTest::newRow("default settings on") << true;
}
// clang-format on

void TestFileChoice::inputCancelled()
{
    QFETCH(bool, useDefaults);

    Window w;
    w.form.LamePath = file("bin/lame");
    w.d.w<QLineEdit>("edtInput")->setText(QStringLiteral("typed in.wav"));
    w.d.w<QLineEdit>("edtOutput")->setText(QStringLiteral("typed out.mp3"));
    if (useDefaults)
        w.d.click("flgDefault");
    w.d.replaceCommandLine(QStringLiteral("edited by hand"));

    DialogAnswer answer({});
    QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);

    QCOMPARE(answer.dialogs.size(), 1);
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), QStringLiteral("typed in.wav"));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), QStringLiteral("typed out.mp3"));
    // Recomposed all the same, by the state of "Use default settings".
    QCOMPARE(w.d.line(), useDefaults ? w.d.shortForm() : w.d.full());
}

void TestFileChoice::encoderDialogShowsLastInput()
{
    Window w;
    {
        DialogAnswer answer({file("music/live.take2.wav")});
        QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);
    }
    {
        DialogAnswer encoder({});
        w.d.trigger("mnuLamePath");
        const DialogView view = encoder.only();
        QCOMPARE(view.nameText, QStringLiteral("live.take2.wav"));
        QCOMPARE(view.directory, file("music"));
        QCOMPARE(view.selectedFiles.value(0), file("music/live.take2.wav"));
    }

    // A cancelled input dialog leaves no name behind.
    {
        DialogAnswer answer({});
        QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);
    }
    DialogAnswer again({});
    w.d.trigger("mnuLamePath");
    QCOMPARE(again.only().nameText, QString());
}

void TestFileChoice::severalInputFilesFirstUsed()
{
    Window w;
    DialogAnswer answer({file("music/live.take2.wav"), file("music/song.wav")});
    QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);

    const QStringList chosen = answer.only().chosenFiles;
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), chosen.first());
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(),
             QFileInfo(chosen.first()).path() + "/" + QFileInfo(chosen.first()).completeBaseName() + ".mp3");
}

void TestFileChoice::emptyStartingNameClearsTheField()
{
    Window w;
    // One answer at a time: a living answer would take the next dialog too.
    {
        DialogAnswer answer({file("music/song.wav")});
        QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);
    }
    {
        DialogAnswer output({file("out dir/first.mp3")});
        QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);
    }
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), file("out dir/first.mp3"));

    // The input dialog always starts without a name.
    {
        DialogAnswer input({});
        QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);
        QCOMPARE(input.only().nameText, QString());
    }

    // The output dialog starts with the text of edtOutput, an empty one included.
    w.d.w<QLineEdit>("edtOutput")->clear();
    DialogAnswer output({});
    QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);
    QCOMPARE(output.only().nameText, QString());
}

// ---- Output file ----

// clang-format off
void TestFileChoice::outputDialogStartsWithOutputText_data()
{
    QTest::addColumn<bool>("useDefaults");
    QTest::newRow("full options") << false;
    QTest::newRow("default settings on") << true;
}
// clang-format on

void TestFileChoice::outputDialogStartsWithOutputText()
{
    QFETCH(bool, useDefaults);

    Window w;
    w.form.LamePath = file("bin/lame");
    w.d.w<QLineEdit>("edtOutput")->setText(file("out dir/my song.mp3"));
    if (useDefaults)
        w.d.click("flgDefault");
    w.d.replaceCommandLine(QStringLiteral("edited by hand"));

    DialogAnswer answer({file("Папка с пробелом/new; name.mp3")});
    QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);

    const DialogView view = answer.only();
    QCOMPARE(view.title, w.form.messages.strOutputDialogTitle);
    QCOMPARE(view.nameFilters, kEnglishMusicFilters);
    QCOMPARE(view.nameText, QStringLiteral("my song.mp3"));
    QCOMPARE(view.directory, file("out dir"));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), file("Папка с пробелом/new; name.mp3"));
    QCOMPARE(w.d.line(), useDefaults ? w.d.shortForm() : w.d.full());
    QVERIFY(answer.messages.isEmpty());
}

void TestFileChoice::outputExistingFileAsksFirst()
{
    Window w;
    DialogAnswer answer({file("out dir/taken.mp3")});
    QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);
    QCOMPARE(answer.messages.size(), 1);
    QVERIFY(answer.messages.first().contains("taken.mp3"));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), file("out dir/taken.mp3"));
}

void TestFileChoice::outputCancelled()
{
    Window w;
    w.form.LamePath = file("bin/lame");
    w.d.w<QLineEdit>("edtOutput")->setText(QStringLiteral("typed out.mp3"));
    w.d.click("flgDefault");
    w.d.replaceCommandLine(QStringLiteral("edited by hand"));

    DialogAnswer answer({});
    QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);

    QCOMPARE(answer.dialogs.size(), 1);
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), QStringLiteral("typed out.mp3"));
    QCOMPARE(w.d.line(), w.d.shortForm());
}

void TestFileChoice::filterPositionRemembered()
{
    Window w;
    auto openInput = [&](const QStringList &files, int filter) {
        auto answer = std::make_unique<DialogAnswer>(files, filter);
        QTest::mouseClick(w.d.w<QAbstractButton>("butInputOpen"), Qt::LeftButton);
        return answer;
    };
    QCOMPARE(openInput({file("music/song.wav")}, 2)->only().selectedFilter, kEnglishMusicFilters.at(0));
    QCOMPARE(openInput({file("music/song.wav")}, -1)->only().selectedFilter, kEnglishMusicFilters.at(2));
    QCOMPARE(openInput({file("music/song.wav")}, 1)->only().selectedFilter, kEnglishMusicFilters.at(2));
    QCOMPARE(openInput({}, -1)->only().selectedFilter, kEnglishMusicFilters.at(1));

    // The other dialog keeps its own position.
    DialogAnswer output({});
    QTest::mouseClick(w.d.w<QAbstractButton>("butOutputPath"), Qt::LeftButton);
    QCOMPARE(output.only().selectedFilter, kEnglishMusicFilters.at(0));
}

// clang-format off
void TestFileChoice::dialogListsFilesByFilter_data()
{
    QTest::addColumn<QString>("opener");  // the button or menu item that opens the dialog
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("listed");

    QTest::newRow("input, all files, no extension") << "butInputOpen" << 2 << "music" << "noext" << true;
    QTest::newRow("input, all files, two dots") << "butInputOpen" << 2 << "music" << "live.take2.wav" << true;
    QTest::newRow("input, WAV files, no extension") << "butInputOpen" << 0 << "music" << "noext" << false;
    QTest::newRow("input, WAV files, a WAV file") << "butInputOpen" << 0 << "music" << "song.wav" << true;
    QTest::newRow("output, all files, no extension") << "butOutputPath" << 2 << "music" << "noext" << true;
    QTest::newRow("output, MP3 files, a WAV file") << "butOutputPath" << 1 << "music" << "song.wav" << false;
    QTest::newRow("encoder, the encoder without .exe") << "mnuLamePath" << 0 << "bin" << "lame" << true;
    QTest::newRow("restore settings, no extension") << "mnuLoad" << 0 << "music" << "noext" << true;
    QTest::newRow("save settings, no extension") << "mnuSave" << 0 << "music" << "noext" << true;
    QTest::newRow("batch, sound files, FLAC in capitals") << "mnuEncodeFiles" << 0 << "library" << "Album.FLAC" << true;
    QTest::newRow("batch, sound files, M4A") << "mnuEncodeFiles" << 0 << "library" << "song.m4a" << true;
    QTest::newRow("batch, sound files, a text") << "mnuEncodeFiles" << 0 << "library" << "notes.txt" << false;
    QTest::newRow("batch, all files, a text") << "mnuEncodeFiles" << 1 << "library" << "notes.txt" << true;
    QTest::newRow("batch window, sound files, Opus") << "butBatchAddFiles" << 0 << "library" << "song.opus" << true;
}
// clang-format on

void TestFileChoice::dialogListsFilesByFilter()
{
    QFETCH(QString, opener);
    QFETCH(int, filterIndex);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(bool, listed);

    Window w;
    if (opener.startsWith(QLatin1String("butBatch")))
        w.form.openBatchWindow({});
    ListingAnswer answer(file(folder), filterIndex);
    if (auto *button = w.form.findChild<QAbstractButton *>(opener))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        w.d.trigger(opener);

    QCOMPARE(answer.dialogs, 1);
    QVERIFY(answer.folderRead);
    QVERIFY2(answer.listed.contains(name) == listed, qPrintable(answer.listed.join(QLatin1Char(' '))));
}

// clang-format off
void TestFileChoice::nameNotUtf8Refused_data()
{
    QTest::addColumn<QString>("opener");  // the button or menu item that opens the dialog
    QTest::newRow("input") << "butInputOpen";
    QTest::newRow("output") << "butOutputPath";
    QTest::newRow("encoder") << "mnuLamePath";
    QTest::newRow("restore settings") << "mnuLoad";
    QTest::newRow("save settings") << "mnuSave";
}
// clang-format on

void TestFileChoice::nameNotUtf8Refused()
{
    QFETCH(QString, opener);
    // The dialog lists the file named by the bytes FF FE as "\uFFFD\uFFFD.wav", which spells
    // another file, here one that exists.
    const QByteArray listedBytes = QFile::encodeName(file("music")) + "/\xFF\xFE.wav";
    const QString spelled = file(QString::fromUtf8("music/\xEF\xBF\xBD\xEF\xBF\xBD.wav"));
    const QByteArray other = "[Fenwave Sets]\nLamePath=/not/this/lame\n";
    QVERIFY(testing::writeAll(QFile::decodeName(listedBytes), "RIFF"));
    QVERIFY(testing::writeAll(spelled, other));

    Window w;
    w.form.LamePath = file("bin/lame");
    w.d.w<QLineEdit>("edtInput")->setText(QStringLiteral("typed in.wav"));
    w.d.w<QLineEdit>("edtOutput")->setText(QStringLiteral("typed out.mp3"));
    DialogAnswer answer({spelled});
    if (auto *button = w.form.findChild<QAbstractButton *>(opener))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        w.d.trigger(opener);

    QCOMPARE(answer.dialogs.size(), 1);
    const QString refusal = QStringLiteral("The name %1 cannot be used: it is not valid UTF-8.").arg(spelled);
    QVERIFY2(answer.messages.contains(refusal), qPrintable(answer.messages.join(u'\n')));
    QCOMPARE(w.form.LamePath, file("bin/lame"));
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), QStringLiteral("typed in.wav"));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), QStringLiteral("typed out.mp3"));
    QCOMPARE(testing::readAll(spelled), other);
}

QTEST_MAIN(TestFileChoice)
#include "tst_filechoice.moc"
