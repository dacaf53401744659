// The run, "View only" and the exit through the real window: the checks and their messages,
// the confirmation, and what a run starts. A recording stand-in for the encoder shows what
// was started; PATH holds no terminal emulator, so the stand-in runs in a run window.
#include "ExpectedData.h"
#include "TestFiles.h"
#include "FormDriver.h"

#include "options/EncoderLauncher.h"
#include "ui/RunWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>

#include <unistd.h>

using testing::FormDriver;
using testing::ModalAnswer;
using testing::SeenBox;
using testing::Window;

using testing::readLines;
using testing::writeAll;

namespace {

// Writes its arguments, one a line, to args.txt beside itself and notes each call in calls.log.
const QByteArray kRecordingEncoder = "#!/bin/sh\n"
                                     "dir=\"${0%/*}\"\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$dir/args.part\"\n"
                                     "printf 'call\\n' >> \"$dir/calls.log\"\n"
                                     "/bin/mv -f \"$dir/args.part\" \"$dir/args.txt\"\n";

enum class Answer { Ok, Cancel, Escape, Enter, Close };

// The first bytes of a JPEG picture.
const QByteArray kJpeg("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);

// Answers every message box that shows while it lives: an information box with OK, a
// question as told; records each box.
class BoxAnswer : public ModalAnswer
{
public:
    explicit BoxAnswer(Answer answer) : BoxAnswer(QList<Answer>{answer}) {}
    // The n-th question gets the n-th answer; the last answers all further ones.
    explicit BoxAnswer(QList<Answer> answers)
        : ModalAnswer([this, answers](QWidget *modal) {
              auto *box = qobject_cast<QMessageBox *>(modal);
              if (!box) {
                  modal->close();
                  return;
              }
              if (!(box->standardButtons() & QMessageBox::Cancel)) {
                  ModalAnswer::press(box, QMessageBox::Ok);
                  return;
              }
              const Answer answer = answers.value(m_questions++, answers.constLast());
              switch (answer) {
              case Answer::Ok: ModalAnswer::press(box, QMessageBox::Ok); break;
              case Answer::Cancel: ModalAnswer::press(box, QMessageBox::Cancel); break;
              case Answer::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
              case Answer::Enter: QTest::keyClick(box, Qt::Key_Return); break;
              case Answer::Close: box->close(); break;
              }
          })
    {
    }

private:
    int m_questions = 0;
};

} // namespace

class TestRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup() { fenwave::RunWindow::stopAllAndClose(); }

    void checksInOrder_data();
    void checksInOrder();
    void sameFileRefused_data();
    void sameFileRefused();
    void otherFileIsConfirmed();
    void contentRefused_data();
    void contentRefused();
    void namesReachTheEncoderExactly_data();
    void namesReachTheEncoderExactly();
    void busyOutputRefused_data();
    void busyOutputRefused();
    void runWindowFollowsLanguage_data();
    void runWindowFollowsLanguage();
    void confirmationDeclined_data();
    void confirmationDeclined();
    void confirmedRunStartsTheBoxText_data();
    void confirmedRunStartsTheBoxText();
    void userEditIsWhatRuns();
    void shellCharactersStayOneArgument();
    void unrunnableBoxStartsNothing_data();
    void unrunnableBoxStartsNothing();
    void viewOnlyNeverRecomposes();
    void exitCancelledKeepsWindow();
    void exitConfirmedClosesWindow();
    void closingAsksNothing();
    void endingWhileRunAsks_data();
    void endingWhileRunAsks();

private:
    void prepare(Window &w, const QString &input, const QString &output) const;
    QString work(const QString &name) const { return m_work + u'/' + name; }
    QStringList waitForArguments() const;
    void verifyNothingStarted() const;

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/fenwave run XXXXXX")};
    QString m_encoder; // the stand-in, in a folder with a blank
    QString m_work;    // the current folder of the test, where the files lie
    QByteArray m_savedPath;
    QString m_savedFolder;
};

void TestRun::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    QVERIFY(root.mkpath("encoder dir") && root.mkpath("bin") && root.mkpath("work/x"));
    m_encoder = root.filePath("encoder dir/fake lame");
    QVERIFY(testing::writeExecutable(m_encoder, kRecordingEncoder));

    // PATH gets only "touch": a shell that parsed a file name could then leave a trace, and no
    // terminal emulator is found, so each run gets a run window.
    const QString touch = QStandardPaths::findExecutable("touch");
    QVERIFY(!touch.isEmpty());
    QVERIFY(QFile::link(touch, root.filePath("bin/touch")));
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(root.filePath("bin")));
    QCOMPARE(fenwave::findTerminalEmulator(), QString());

    m_savedFolder = QDir::currentPath();
    m_work = root.filePath("work");
    QVERIFY(QDir::setCurrent(m_work));
    QVERIFY(writeAll(work("x/song.wav"), testing::silentWave()));
    QVERIFY(writeAll(work("x/other.wav"), testing::silentWave()));
    QVERIFY(QFile::link(work("x/song.wav"), work("link.wav")));
    QVERIFY(writeAll(work("x/обложка 1.wav"), kJpeg));
    // A hard link where the file system allows one; the case is skipped otherwise.
    ::link(QFile::encodeName(work("x/song.wav")).constData(), QFile::encodeName(work("hard.wav")).constData());
}

void TestRun::cleanupTestCase()
{
    QDir::setCurrent(m_savedFolder);
    qputenv("PATH", m_savedPath);
}

void TestRun::init()
{
    QFile::remove(m_root.filePath("encoder dir/calls.log"));
    QFile::remove(m_root.filePath("encoder dir/args.txt"));
}

void TestRun::prepare(Window &w, const QString &input, const QString &output) const
{
    w.form.LamePath = m_encoder;
    w.d.w<QLineEdit>("edtInput")->setText(input);
    w.d.w<QLineEdit>("edtOutput")->setText(output);
}

QStringList TestRun::waitForArguments() const
{
    const QString args = m_root.filePath("encoder dir/args.txt");
    [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 10000); }();
    return readLines(args);
}

void TestRun::verifyNothingStarted() const
{
    // A detached start would have written its record well within this time.
    QTest::qWait(400);
    QVERIFY(!QFile::exists(m_root.filePath("encoder dir/calls.log")));
}

// ---- The three checks ----

// clang-format off
void TestRun::checksInOrder_data()
{
    QTest::addColumn<bool>("withEncoder");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("message");   // which message text, by slot name
    QTest::addColumn<QString>("page");      // page in front afterwards
    QTest::addColumn<QString>("focus");     // focused control afterwards

    QTest::newRow("no encoder, nothing else") << false << "" << "" << "strNoLamePath" << "tabComment"
                                              << "edtSongName";
    QTest::newRow("no encoder, both files") << false << "a.wav" << "a.mp3" << "strNoLamePath" << "tabComment"
                                            << "edtSongName";
    QTest::newRow("no input, no output") << true << "" << "" << "strNoInput" << "tabInput" << "butInputOpen";
    QTest::newRow("no input, with output") << true << "" << "a.mp3" << "strNoInput" << "tabInput"
                                           << "butInputOpen";
    QTest::newRow("no output") << true << "a.wav" << "" << "strNoOutput" << "tabOutput" << "butOutputPath";
    QTest::newRow("blank input passes") << true << "   " << "" << "strNoOutput" << "tabOutput"
                                        << "butOutputPath";
}
// clang-format on

void TestRun::checksInOrder()
{
    QFETCH(bool, withEncoder);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, message);
    QFETCH(QString, page);
    QFETCH(QString, focus);

    Window w;
    TForm1 &form = w.form;
    prepare(w, input, output);
    if (!withEncoder)
        form.LamePath.clear();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *pages = w.d.w<QTabWidget>("pgOptions");
    pages->setCurrentWidget(w.d.w("tabComment"));
    w.d.w("edtSongName")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.d.w("edtSongName"));
    const QString line = w.d.line();

    BoxAnswer answer(Answer::Cancel);
    w.d.trigger("mnuRun");

    const QHash<QString, QString> texts{{"strNoLamePath", form.messages.strNoLamePath},
                                        {"strNoInput", form.messages.strNoInput},
                                        {"strNoOutput", form.messages.strNoOutput}};
    QCOMPARE(answer.boxes.size(), 1);
    const SeenBox &box = answer.boxes.first();
    QVERIFY(!texts.value(message).isEmpty());
    QCOMPARE(box.text, texts.value(message));
    QCOMPARE(box.title, QStringLiteral("Fenwave"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(pages->currentWidget(), w.d.w(page));
    // The window's own focus control: the offscreen platform does not hand activation back
    // to the window once the message box has gone.
    QCOMPARE(form.focusWidget(), w.d.w(focus));
    QCOMPARE(w.d.line(), line);
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), input);
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), output);
    verifyNothingStarted();
}

// ---- Same file under another spelling ----

// clang-format off
void TestRun::sameFileRefused_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    const QString absolute = work("x/song.wav");
    const QString folderName = QFileInfo(m_work).fileName();
    QTest::newRow("identical text") << "x/song.wav" << "x/song.wav";
    QTest::newRow("relative and absolute") << "x/song.wav" << absolute;
    QTest::newRow("dot slash") << absolute << "./x/song.wav";
    QTest::newRow("dot dot") << "x/song.wav" << "../" + folderName + "/x/song.wav";
    QTest::newRow("through folder and back") << "x/../x/song.wav" << "x/song.wav";
    QTest::newRow("symbolic link") << "link.wav" << "x/song.wav";
    if (QFileInfo::exists(work("hard.wav")))
        QTest::newRow("hard link") << "x/song.wav" << "hard.wav";
}
// clang-format on

void TestRun::sameFileRefused()
{
    QFETCH(QString, input);
    QFETCH(QString, output);

    Window w;
    prepare(w, input, output);
    const QString line = w.d.line();
    BoxAnswer answer(Answer::Ok);
    w.d.trigger("mnuRun");

    QCOMPARE(answer.boxes.size(), 1);
    QVERIFY(!w.form.messages.strSameFile.isEmpty());
    QCOMPARE(answer.boxes.first().text, w.form.messages.strSameFile);
    QCOMPARE(answer.boxes.first().title, QStringLiteral("Fenwave"));
    QCOMPARE(answer.boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(w.d.line(), line);
    verifyNothingStarted();
    QCOMPARE(QFileInfo(work("x/song.wav")).size(), testing::silentWave().size());
}

void TestRun::otherFileIsConfirmed()
{
    // A different existing file, and an output that does not exist yet, both reach the question.
    for (const QString &output : {QStringLiteral("x/other.wav"), QStringLiteral("x/song.mp3")}) {
        Window w;
        prepare(w, "x/song.wav", output);
        BoxAnswer answer(Answer::Cancel);
        w.d.trigger("mnuRun");
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.first().text, w.form.messages.strConfirmRun);
    }
}

// ---- Names the command line cannot carry ----

// clang-format off
void TestRun::namesReachTheEncoderExactly_data()
{
    QTest::addColumn<QString>("encoder");  // empty: the stand-in
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("refused");  // the name the refusal shows; empty: the run goes ahead

    QTest::newRow("tabs") << "" << "x/a\tb.wav" << "x/a\t b.mp3" << "";
    QTest::newRow("carriage return") << "" << "x/a\rb.wav" << "x/Музыка;$(id).mp3" << "";
    QTest::newRow("double quote in input") << "" << "x/q\"x.wav" << "x/q.mp3" << "x/q\"x.wav";
    QTest::newRow("double quote in output") << "" << "x/song.wav" << "x/\"a b\".mp3" << "x/\"a b\".mp3";
    QTest::newRow("double quote in encoder path") << "/opt/\"lame\"" << "x/song.wav" << "x/song.mp3"
                                                  << "/opt/\"lame\"";
    QTest::newRow("leading blank") << "" << " x/song.wav" << "x/song.mp3" << " x/song.wav";
    QTest::newRow("trailing tab") << "" << "x/song.wav" << "x/song.mp3\t" << "x/song.mp3\t";
    QTest::newRow("trailing line feed") << "" << "x/song.wav\n" << "x/song.mp3" << "x/song.wav\n";
    // Refused before the same-file check could compare the trimmed names.
    QTest::newRow("blanks around the same file") << "" << "  x/song.wav " << work("x/song.wav")
                                                 << "  x/song.wav ";
}
// clang-format on

void TestRun::namesReachTheEncoderExactly()
{
    QFETCH(QString, encoder);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, refused);

    Window w;
    prepare(w, input, output);
    if (!encoder.isEmpty())
        w.form.LamePath = encoder;
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), input);
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), output);
    const QString line = w.d.line();
    BoxAnswer answer(Answer::Ok);
    w.d.trigger("mnuRun");

    QCOMPARE(answer.boxes.size(), 1);
    if (refused.isEmpty()) {
        QCOMPARE(answer.boxes.first().text, w.form.messages.strConfirmRun);
        const QStringList arguments = waitForArguments();
        QCOMPARE(arguments.mid(arguments.size() - 2), (QStringList{input, output}));
        return;
    }
    const QString message = testing::expectedRows("language_en.tsv", 0, "strNameNotOnCommandLine").value(0).value(1);
    QVERIFY(!message.isEmpty());
    QCOMPARE(answer.boxes.first().text, message.arg(refused));
    QCOMPARE(answer.boxes.first().title, QStringLiteral("Fenwave"));
    QCOMPARE(answer.boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(w.d.line(), line);
    verifyNothingStarted();
    QCOMPARE(QFileInfo(work("x/song.wav")).size(), testing::silentWave().size());
}

// ---- An output another run is writing ----

// clang-format off
void TestRun::busyOutputRefused_data()
{
    QTest::addColumn<QString>("output");   // edtOutput of the second run
    QTest::addColumn<bool>("ended");       // the first run has ended before the second
    QTest::addColumn<bool>("edited");      // the first run was started from the window with a hand-edited
                                           // line writing x/edited.mp3, its Output field x/busy.mp3
    QTest::addColumn<QString>("message");  // empty: the run is not refused and asks its question

    const QString busy = QStringLiteral("The output file %1 is already being written.");
    QTest::newRow("same text") << "x/busy.mp3" << false << false << busy.arg("x/busy.mp3");
    QTest::newRow("absolute") << work("x/busy.mp3") << false << false << busy.arg(work("x/busy.mp3"));
    QTest::newRow("through a link") << "busy link.mp3" << false << false << busy.arg("busy link.mp3");
    QTest::newRow("another output") << "x/other.mp3" << false << false << "";
    QTest::newRow("first run over") << "x/busy.mp3" << true << false << "";
    QTest::newRow("written by an edited line") << "x/edited.mp3" << false << true << busy.arg("x/edited.mp3");
}
// clang-format on

void TestRun::busyOutputRefused()
{
    QFETCH(QString, output);
    QFETCH(bool, ended);
    QFETCH(bool, edited);
    QFETCH(QString, message);

    QFile::remove(work("busy link.mp3"));
    QVERIFY(QFile::link(work("x/busy.mp3"), work("busy link.mp3")));
    const QString writer = m_root.filePath("encoder dir/writer");
    QVERIFY(testing::writeExecutable(writer, ended ? "#!/bin/sh\n: > x/busy.mp3\n"
                                                   : "#!/bin/sh\n: > x/busy.mp3\nexec /bin/sleep 60\n"));
    fenwave::RunWindow *first = nullptr;
    if (edited) {
        Window editing;
        prepare(editing, "x/song.wav", "x/busy.mp3");
        editing.d.replaceCommandLine('"' + writer + "\" x/song.wav x/edited.mp3");
        BoxAnswer confirmed(Answer::Ok);
        editing.d.trigger("mnuRun");
        QCOMPARE(fenwave::RunWindow::windows().size(), 1);
        first = fenwave::RunWindow::windows().constFirst();
    } else {
        first = fenwave::RunWindow::start({writer}, m_work, "x/song.wav", "x/busy.mp3", Window().form.messages);
    }
    QVERIFY(first);
    if (ended)
        QTRY_VERIFY(!first->isRunning());

    Window w;
    prepare(w, "x/song.wav", output);
    BoxAnswer answer(Answer::Cancel);
    w.d.trigger("mnuRun");
    QCOMPARE(answer.boxes.size(), 1);
    const SeenBox &box = answer.boxes.first();
    if (message.isEmpty()) {
        QCOMPARE(box.text, w.form.messages.strConfirmRun);
        return;
    }
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Fenwave"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(fenwave::RunWindow::windows(), QList<fenwave::RunWindow *>{first});
    verifyNothingStarted();
}

// clang-format off
void TestRun::runWindowFollowsLanguage_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("running") << QByteArray("exec /bin/sleep 60\n") << false << "Running..." << "Выполняется...";
    QTest::newRow("finished") << QByteArray("exit 0\n") << false << "Finished" << "Завершено";
    QTest::newRow("failed") << QByteArray("exit 3\n") << false << "Failed with exit status 3"
                            << "Ошибка, код завершения 3";
    QTest::newRow("stopped, output incomplete") << QByteArray("exec /bin/sleep 60\n") << true
        << "Stopped by signal 15. The output file x/song.wav is incomplete."
        << "Остановлено сигналом 15. Выходной файл x/song.wav не завершён.";
}
// clang-format on

// A run window open while the language is switched: its texts follow, its title (the file name)
// stays.
void TestRun::runWindowFollowsLanguage()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, stop);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    const QString program = m_root.filePath("encoder dir/run");
    QVERIFY(testing::writeExecutable(program, "#!/bin/sh\n" + script));
    Window w;
    // An output that is there before the run: a stopped run leaves it as incomplete.
    auto *run = fenwave::RunWindow::start({program}, m_work, "x/song.wav", "x/song.wav", w.form.messages);
    QVERIFY(run);
    auto *stopButton = run->findChild<QPushButton *>("butRunStop");
    auto *outcome = run->findChild<QLabel *>("lblRunOutcome");
    if (stop)
        QTest::mouseClick(stopButton, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(outcome->text(), english, 10000);
    const QString title = run->windowTitle();

    w.d.switchTo(testing::kRussian);
    QCOMPARE(outcome->text(), russian);
    QCOMPARE(stopButton->text(), QStringLiteral("Остановить"));
    QCOMPARE(run->windowTitle(), title);
    w.d.switchTo(testing::kEnglish);
    QCOMPARE(outcome->text(), english);
    QCOMPARE(stopButton->text(), QStringLiteral("Stop"));
    QCOMPARE(QFileInfo(work("x/song.wav")).size(), testing::silentWave().size());
}

// ---- What the input holds ----

// clang-format off
void TestRun::contentRefused_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("inputType"); // the radio button clicked, or none
    QTest::addColumn<bool>("russian");
    QTest::addColumn<QString>("expected"); // the one message box shown
    QTest::addColumn<QString>("line");     // typed after the encoder over the composed line; empty: none
    const QByteArray jpeg = kJpeg;
    const QByteArray m4a("\0\0\0\x1c" "ftypM4A \0\0\x02\0M4A isomiso2", 28);
    const QByteArray layer3 = QByteArray("\xff\xfb\x90\x00", 4) + QByteArray(413, '\0');
    const QString confirm = "Start processing?";

    QTest::newRow("JPEG named .wav") << "x/cover.wav" << jpeg << "" << false
        << "x/cover.wav is not a sound file: JPEG image." << "";
    QTest::newRow("JPEG, Russian") << "x/cover.wav" << jpeg << "" << true
        << QString::fromUtf8("x/cover.wav — не звуковой файл: изображение JPEG.") << "";
    QTest::newRow("text as MPEG Layer III") << "x/notes.mp3" << QByteArray("notes\n") << "rgrInputType_2" << false
        << "x/notes.mp3 is not a sound file: text." << "";
    QTest::newRow("M4A") << "x/a.m4a" << m4a << "" << false << "x/a.m4a is an M4A file: the encoder does not read M4A files." << "";
    QTest::newRow("WAV as MPEG Layer III") << "x/song.wav" << testing::silentWave() << "rgrInputType_2" << false
        << "x/song.wav is a WAV file, not of the chosen input file type." << "";
    QTest::newRow("MP3 as MPEG Layer III") << "x/a.mp3" << layer3 << "rgrInputType_2" << false << confirm << "";
    QTest::newRow("JPEG as RAW PCM") << "x/cover.wav" << jpeg << "rgrInputType_4" << false << confirm << "";
    QTest::newRow("missing: the encoder tells") << "x/gone.wav" << QByteArray() << "" << false << confirm << "";
    // A hand-edited line: what it reads is checked, not the Input field.
    const QString edited = QString::fromUtf8("-V 2 \"x/обложка 1.wav\" x/out.mp3");
    QTest::newRow("edited line reads a picture") << "x/song.wav" << testing::silentWave() << "" << false
        << QString::fromUtf8("x/обложка 1.wav is not a sound file: JPEG image.") << edited;
    QTest::newRow("edited line reads a picture, Russian") << "x/song.wav" << testing::silentWave() << "" << true
        << QString::fromUtf8("x/обложка 1.wav — не звуковой файл: изображение JPEG.") << edited;
    QTest::newRow("edited gapless line, its second input a picture") << "x/song.wav" << testing::silentWave() << ""
        << false << QString::fromUtf8("x/обложка 1.wav is not a sound file: JPEG image.")
        << QString::fromUtf8("--nogap x/song.wav \"x/обложка 1.wav\"");
    QTest::newRow("edited line reads a WAV, the field names a picture") << "x/cover.wav" << jpeg << "" << false
        << confirm << "x/song.wav x/out.mp3";
    QTest::newRow("edited line reads standard input") << "x/cover.wav" << jpeg << "" << false << confirm
        << "- x/out.mp3";
}
// clang-format on

// The encoder makes noise of anything and calls it success: a file its input type does not read
// is refused before the confirmation.
void TestRun::contentRefused()
{
    QFETCH(QString, input);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, inputType);
    QFETCH(bool, russian);
    QFETCH(QString, expected);
    QFETCH(QString, line);

    if (!bytes.isEmpty())
        QVERIFY(writeAll(work(input), bytes));
    Window w;
    if (russian)
        w.d.switchTo(testing::kRussian);
    prepare(w, input, "x/out.mp3");
    if (!inputType.isEmpty())
        w.d.click(inputType);
    if (!line.isEmpty())
        w.d.replaceCommandLine('"' + m_encoder + "\" " + line);
    BoxAnswer answer(Answer::Cancel);
    w.d.trigger("mnuRun");

    QCOMPARE(answer.boxes.size(), 1);
    QCOMPARE(answer.boxes.first().text, expected);
    verifyNothingStarted();
}

// ---- The confirmation ----

// clang-format off
void TestRun::confirmationDeclined_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Cancel") << int(Answer::Cancel);
    QTest::newRow("Escape") << int(Answer::Escape);
    QTest::newRow("closed") << int(Answer::Close);
}
// clang-format on

void TestRun::confirmationDeclined()
{
    QFETCH(int, answer);

    Window w;
    prepare(w, work("x/song.wav"), work("x/song.mp3"));
    w.d.click("rbutVBR");
    auto *pages = w.d.w<QTabWidget>("pgOptions");
    pages->setCurrentWidget(w.d.w("tabFilter"));
    const QString line = w.d.line();
    const fenwave::OptionSet before = w.form.optionSet();

    BoxAnswer boxes{Answer(answer)};
    w.d.trigger("mnuRun");

    QCOMPARE(boxes.boxes.size(), 1);
    const SeenBox &box = boxes.boxes.first();
    QCOMPARE(box.title, QStringLiteral("Confirm"));
    QCOMPARE(box.text, w.form.messages.strConfirmRun);
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.defaultButton, QMessageBox::Ok);
    QCOMPARE(box.escapeButton, QMessageBox::Cancel);
    QCOMPARE(w.d.line(), line);
    QVERIFY(w.form.optionSet() == before);
    QCOMPARE(pages->currentWidget(), w.d.w("tabFilter"));
    verifyNothingStarted();
}

// clang-format off
void TestRun::confirmedRunStartsTheBoxText_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("useDefaults");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown"); // the input as the box shows it
    QTest::newRow("OK, full line") << int(Answer::Ok) << false << "x/song.wav" << "x/song.wav";
    QTest::newRow("Enter, full line") << int(Answer::Enter) << false << "x/song.wav" << "x/song.wav";
    QTest::newRow("OK, short line") << int(Answer::Ok) << true << "x/song.wav" << "x/song.wav";
    // Characters that a plain-text box gives back changed still reach the encoder unchanged.
    QTest::newRow("no-break space") << int(Answer::Ok) << false << QString("x/My\u00A0Music.wav")
                                    << "x/My Music.wav";
    QTest::newRow("line and paragraph separators") << int(Answer::Ok) << true
                                                   << QString("x/a\u2028b\u2029c.wav") << "x/a\nb\nc.wav";
    // Two noncharacters that a text box would take as marks of its own: shown as replacement
    // characters on the one line, passed on as they are.
    QTest::newRow("U+FDD0") << int(Answer::Ok) << false << QString("x/a\uFDD0b.wav") << QString("x/a\uFFFDb.wav");
    QTest::newRow("U+FDD1") << int(Answer::Ok) << true << QString("x/a\uFDD1b.wav") << QString("x/a\uFFFDb.wav");
}
// clang-format on

void TestRun::confirmedRunStartsTheBoxText()
{
    QFETCH(int, answer);
    QFETCH(bool, useDefaults);
    QFETCH(QString, input);
    QFETCH(QString, shown);

    Window w;
    prepare(w, input, "out put.mp3");
    w.d.click("flgVorbis");
    if (useDefaults)
        w.d.click("flgDefault");
    const QString line = w.form.optionSet().text(fenwave::Field::edtCommandLine);
    QVERIFY(line.contains(input));
    QVERIFY2(w.d.line().contains(shown), qPrintable(w.d.line()));
    QCOMPARE(line, useDefaults ? w.d.shortForm() : w.d.full());
    const fenwave::OptionSet before = w.form.optionSet();

    BoxAnswer boxes{Answer(answer)};
    w.d.trigger("mnuRun");
    QCOMPARE(boxes.boxes.size(), 1);

    // The encoder path and the output name hold blanks and arrive whole, without their quotes;
    // everything between them is separated by blanks.
    const QString encoder = '"' + m_encoder + '"';
    const QString output = QStringLiteral(" \"out put.mp3\"");
    QVERIFY(line.startsWith(encoder) && line.endsWith(output));
    const QString middle = line.mid(encoder.size(), line.size() - encoder.size() - output.size());
    QVERIFY(!middle.contains('"'));
    const QStringList expected = middle.split(' ', Qt::SkipEmptyParts) << "out put.mp3";
    const QStringList arguments = waitForArguments();
    QCOMPARE(arguments, expected);
    QCOMPARE(arguments.contains("--ogg"), !useDefaults);
    QVERIFY(arguments.contains(input));
    // A run changes nothing in the window.
    QCOMPARE(w.form.optionSet().text(fenwave::Field::edtCommandLine), line);
    QVERIFY(w.form.optionSet() == before);
    QVERIFY(w.d.checked("flgReadOnly"));
}

void TestRun::userEditIsWhatRuns()
{
    Window w;
    prepare(w, work("x/song.wav"), work("x/song.mp3"));
    const QString edited = '"' + m_encoder + "\" --custom \"two  words\" \"Ünïcödé ж\" last";
    w.d.replaceCommandLine(edited);
    auto *box = w.d.w<QPlainTextEdit>("edtCommandLine");
    QVERIFY(box->isEnabled());
    QCOMPARE(box->toPlainText(), edited);

    BoxAnswer boxes(Answer::Ok);
    w.d.trigger("mnuRun");
    QCOMPARE(waitForArguments(), (QStringList{"--custom", "two  words", "Ünïcödé ж", "last"}));
    QCOMPARE(box->toPlainText(), edited);
}

void TestRun::shellCharactersStayOneArgument()
{
    const QString name = QStringLiteral("a;b $(touch pwned) `touch pwned2` 'q'.wav");
    QVERIFY(writeAll(work(name), testing::silentWave()));
    Window w;
    prepare(w, work(name), work("a;b $(touch pwned) out.mp3"));

    BoxAnswer boxes(Answer::Ok);
    w.d.trigger("mnuRun");
    const QStringList arguments = waitForArguments();
    QVERIFY(arguments.size() >= 2);
    QCOMPARE(arguments.mid(arguments.size() - 2), (QStringList{work(name), work("a;b $(touch pwned) out.mp3")}));
    QTest::qWait(200);
    for (const QString &trace : {QStringLiteral("pwned"), QStringLiteral("pwned2")}) {
        QVERIFY2(!QFile::exists(work(trace)), qPrintable(trace));
        QVERIFY2(!QFile::exists(m_root.filePath("encoder dir/" + trace)), qPrintable(trace));
    }
}

// clang-format off
void TestRun::unrunnableBoxStartsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");  // the error shown after the question; none for no program
    QTest::newRow("emptied") << QString() << QString();
    QTest::newRow("blanks and tabs") << QStringLiteral("  \t ") << QString();
    QTest::newRow("missing program") << QStringLiteral("/nonexistent/lame in.wav out.mp3")
                                     << QStringLiteral("Unable to start /nonexistent/lame.");
    QTest::newRow("shell words") << QStringLiteral("exit; touch pwned") << QStringLiteral("Unable to start exit;.");
    QTest::newRow("quoted program with blanks") << QStringLiteral("\"/no such/la me\" -h")
                                                << QStringLiteral("Unable to start /no such/la me.");
}
// clang-format on

void TestRun::unrunnableBoxStartsNothing()
{
    QFETCH(QString, text);
    QFETCH(QString, error);

    Window w;
    prepare(w, work("x/song.wav"), work("x/song.mp3"));
    w.d.replaceCommandLine(text);
    auto *box = w.d.w<QPlainTextEdit>("edtCommandLine");
    QCOMPARE(box->toPlainText(), text);

    BoxAnswer boxes(Answer::Ok);
    w.d.trigger("mnuRun");
    QCOMPARE(boxes.boxes.size(), error.isEmpty() ? 1 : 2);
    QCOMPARE(boxes.boxes.first().text, w.form.messages.strConfirmRun);
    if (!error.isEmpty()) {
        const SeenBox &shown = boxes.boxes.at(1);
        QCOMPARE(shown.text, error);
        QCOMPARE(shown.title, QStringLiteral("Fenwave"));
        QCOMPARE(shown.icon, QMessageBox::Critical);
        QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    verifyNothingStarted();
    QVERIFY(fenwave::RunWindow::windows().isEmpty());
    QVERIFY(!QFile::exists(work("pwned")));
    QCOMPARE(box->toPlainText(), text);
}

// ---- View only ----

void TestRun::viewOnlyNeverRecomposes()
{
    Window w;
    prepare(w, work("x/song.wav"), work("x/song.mp3"));
    auto *box = w.d.w<QPlainTextEdit>("edtCommandLine");
    QVERIFY(!box->isEnabled());
    w.d.appendToCommandLine(" --edited");
    QVERIFY(box->isEnabled());
    const QString edited = box->toPlainText();
    QVERIFY(edited.endsWith(" --edited"));

    // Locking again keeps the edit; the locked box is still what runs.
    w.d.click("flgReadOnly");
    QVERIFY(!box->isEnabled());
    QCOMPARE(box->toPlainText(), edited);
    BoxAnswer boxes(Answer::Ok);
    w.d.trigger("mnuRun");
    QCOMPARE(waitForArguments().constLast(), QStringLiteral("--edited"));
    QCOMPARE(box->toPlainText(), edited);
}

// ---- Exit and close ----

void TestRun::exitCancelledKeepsWindow()
{
    for (const Answer how : {Answer::Cancel, Answer::Escape}) {
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        const QString line = w.d.line();
        BoxAnswer boxes(how);
        w.form.named<QAction>("mnuExit")->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().title, QStringLiteral("Confirm"));
        QCOMPARE(boxes.boxes.first().text, w.form.messages.strConfirmExit);
        QCOMPARE(boxes.boxes.first().text, QStringLiteral("Extit program?"));
        QCOMPARE(boxes.boxes.first().icon, QMessageBox::Question);
        QCOMPARE(boxes.boxes.first().defaultButton, QMessageBox::Ok);
        QTest::qWait(50);
        QVERIFY(w.form.isVisible());
        QCOMPARE(w.d.line(), line);
    }
}

void TestRun::exitConfirmedClosesWindow()
{
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    BoxAnswer boxes(Answer::Ok);
    w.form.named<QAction>("mnuExit")->trigger();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().text, w.form.messages.strConfirmExit);
    QTRY_VERIFY(!w.form.isVisible());
}

void TestRun::closingAsksNothing()
{
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    BoxAnswer boxes(Answer::Cancel);
    QVERIFY(w.form.close());
    QTest::qWait(50);
    QCOMPARE(boxes.boxes.size(), 0);
    QVERIFY(!w.form.isVisible());
}

// Ending the program while an encoder runs in a run window asks once more; OK stops the runs.
// clang-format off
void TestRun::endingWhileRunAsks_data()
{
    QTest::addColumn<bool>("byExit");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("running");  // whether the run is still going when the program is ended
    QTest::addColumn<bool>("ends");
    QTest::newRow("close box, OK") << false << QList<Answer>{Answer::Ok} << true << true;
    QTest::newRow("close box, Cancel") << false << QList<Answer>{Answer::Cancel} << true << false;
    QTest::newRow("Exit, OK, OK") << true << QList<Answer>{Answer::Ok, Answer::Ok} << true << true;
    QTest::newRow("Exit, OK, Escape") << true << QList<Answer>{Answer::Ok, Answer::Escape} << true << false;
    QTest::newRow("close box, run over") << false << QList<Answer>{Answer::Cancel} << false << true;
    QTest::newRow("Exit, run over") << true << QList<Answer>{Answer::Ok} << false << true;
}
// clang-format on

void TestRun::endingWhileRunAsks()
{
    QFETCH(bool, byExit);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, running);
    QFETCH(bool, ends);

    const QString sleeper = m_root.filePath("encoder dir/sleeper");
    QVERIFY(testing::writeExecutable(sleeper, running ? "#!/bin/sh\nexec /bin/sleep 60\n" : "#!/bin/sh\n"));
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    auto *run = fenwave::RunWindow::start({sleeper}, m_work, "a.wav", "a.mp3", w.form.messages);
    QVERIFY(run);
    if (!running)
        QTRY_VERIFY(!run->isRunning());

    BoxAnswer boxes(answers);
    if (byExit)
        w.form.named<QAction>("mnuExit")->trigger();
    else
        w.form.close();

    QStringList expected;
    if (byExit)
        expected << w.form.messages.strConfirmExit;
    if (running)
        expected << w.form.messages.strConfirmStopRuns;
    QStringList asked;
    for (const SeenBox &box : boxes.boxes)
        asked << box.text;
    QCOMPARE(asked, expected);
    QVERIFY(!w.form.messages.strConfirmStopRuns.isEmpty());
    QCOMPARE(w.form.isVisible(), !ends);
    if (ends) {
        QVERIFY(fenwave::RunWindow::windows().isEmpty());
    } else {
        QCOMPARE(fenwave::RunWindow::windows(), QList<fenwave::RunWindow *>{run});
        QVERIFY(run->isVisible());
        QVERIFY(run->isRunning());
    }
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"
