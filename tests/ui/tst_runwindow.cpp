// The window a run gets where there is no terminal: what it shows while the program runs and
// when it ends, and its Stop button. Stand-in programs are small shell scripts.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "TestFiles.h"
#include "language/MessageTexts.h"
#include "ui/RunWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using fenwave::MessageTexts;
using fenwave::RunWindow;

class TestRunWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { RunWindow::stopAllAndClose(); }

    void showsOutputAndOutcome_data();
    void showsOutputAndOutcome();
    void stopNeverWaits_data();
    void stopNeverWaits();
    void programThatWillNotStart();
    void floodStaysBounded_data();
    void floodStaysBounded();
    void stoppedRunLeavesNoPartialOutput_data();
    void stoppedRunLeavesNoPartialOutput();

private:
    RunWindow *startScript(const QByteArray &body, fenwave::Language language, const QString &input = "in put.wav");

    QTemporaryDir m_dir;
    int m_scripts = 0;
};

RunWindow *TestRunWindow::startScript(const QByteArray &body, fenwave::Language language, const QString &input)
{
    const QString path = m_dir.filePath(QStringLiteral("program %1").arg(++m_scripts));
    if (!testing::writeExecutable(path, "#!/bin/sh\n" + body))
        return nullptr;
    return RunWindow::start({path, QStringLiteral("first arg")}, m_dir.path(), input, QString(),
                            fenwave::messageTextsFor(language));
}

// clang-format off
void TestRunWindow::showsOutputAndOutcome_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("view");     // the output as the window shows it
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("barValue");     // -1: no value (no progress was reported)
    QTest::addColumn<int>("barMaximum");

    QTest::newRow("success, no progress") << QByteArray("echo \"$1\"; echo \"$TERM\"; cat; echo end\n") << 0
                                          << "first arg\ndumb\nend\n" << "Finished" << 1 << 1;
    QTest::newRow("failure, Russian") << QByteArray("echo oops >&2; exit 3\n") << 1
                                      << "oops\n" << "Ошибка, код завершения 3" << -1 << 1;
    QTest::newRow("failure") << QByteArray("exit 42\n") << 0 << "" << "Failed with exit status 42" << -1 << 1;
    QTest::newRow("death by signal") << QByteArray("kill -s USR1 $$\n") << 0 << "" << "Stopped by signal 10"
                                     << -1 << 1;
    QTest::newRow("death by signal, Russian") << QByteArray("kill -s TERM $$\n") << 1 << ""
                                              << "Остановлено сигналом 15" << -1 << 1;
    // A CR replaces the line; the last progress line wins, the bar follows it.
    QTest::newRow("encoding progress") << QByteArray("printf 'head\\n\\r    1/50    ( 2%%)|\\r   20/50   (40%%)|  "
                                                     "\\nnext\\n'; exit 1\n")
                                       << 0 << "head\n   20/50   (40%)|  \nnext\n"
                                       << "Failed with exit status 1" << 20 << 50;
    QTest::newRow("decoding progress, backspaces") << QByteArray("printf '\\rFrame#  3/9  128 kbps  L  R \\b\\b\\b\\b"
                                                                 "\\rFrame#  9/9  128 kbps\\n'\n")
                                                   << 0 << "Frame#  9/9  128 kbps\n" << "Finished" << 9 << 9;
    // Cursor-up codes rewrite the lines above; other escape sequences show nothing.
    QTest::newRow("cursor up") << QByteArray("printf 'a\\nb\\nc\\n\\033[A\\033[A\\rB\\n\\033[1mC\\033[K\\n'\n") << 0
                               << "a\nB\nC\n" << "Finished" << 1 << 1;
    QTest::newRow("UTF-8 text") << QByteArray("printf '\\320\\201\\320\\266 \\342\\200\\224\\n'\n") << 0
                                << "Ёж —\n" << "Finished" << 1 << 1;
    // Escape sequences as a terminal shows them: gone, whatever class of byte ends them; "A" goes
    // up (by a count), "K" blanks to the end of the line, up to and with the cursor, or the whole
    // line, leaving the cursor in its column.
    QTest::newRow("CSI ends at @ and at ~") << QByteArray("printf 'a\\033[@b\\033[2~c\\n'\n") << 0
                                            << "abc\n" << "Finished" << 1 << 1;
    QTest::newRow("CSI parameter bytes do not end it") << QByteArray("printf 'a\\033[?25lb\\033[1;31mc\\n'\n") << 0
                                                       << "abc\n" << "Finished" << 1 << 1;
    QTest::newRow("CSI intermediate byte does not end it") << QByteArray("printf 'a\\033[2 qb\\n'\n") << 0
                                                           << "ab\n" << "Finished" << 1 << 1;
    QTest::newRow("cursor up by a count") << QByteArray("printf 'a\\nb\\nc\\n\\033[3AA\\n'\n") << 0
                                          << "A\nb\nc\n" << "Finished" << 1 << 1;
    QTest::newRow("clear to the end, to the cursor, all") << QByteArray("printf 'abcdef\\b\\b\\b\\033[Kx\\n"
                                                                        "abcdef\\b\\b\\b\\033[1Kx\\n"
                                                                        "abcdef\\b\\b\\b\\033[2Kx\\n'\n")
                                                          << 0 << "abcx\n   xef\n   x\n" << "Finished" << 1 << 1;
    QTest::newRow("OSC ended by BEL") << QByteArray("printf 'a\\033]0;title\\007b\\n'\n") << 0
                                      << "ab\n" << "Finished" << 1 << 1;
    QTest::newRow("OSC ended by ESC backslash") << QByteArray("printf 'a\\033]8;;http://x/\\033\\\\link"
                                                              "\\033]8;;\\033\\\\b\\n'\n")
                                                << 0 << "alinkb\n" << "Finished" << 1 << 1;
    // ESC and one character, or ESC, bytes from 0x20 to 0x2F and one more, is a whole sequence.
    QTest::newRow("ESC and text") << QByteArray("printf 'a\\033bc\\033(Bd\\n'\n") << 0 << "acd\n"
                                  << "Finished" << 1 << 1;
    QTest::newRow("DEL shows nothing") << QByteArray("printf 'a\\177b\\n'\n") << 0 << "ab\n" << "Finished"
                                       << 1 << 1;
}
// clang-format on

void TestRunWindow::showsOutputAndOutcome()
{
    QFETCH(QByteArray, script);
    QFETCH(int, language);
    QFETCH(QString, view);
    QFETCH(QString, outcome);
    QFETCH(int, barValue);
    QFETCH(int, barMaximum);

    RunWindow *window = startScript(script, language == 1 ? fenwave::Language::Russian : fenwave::Language::English,
                                    QStringLiteral("/music/My song.wav"));
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->parent());
    QVERIFY(window->windowTitle().contains("My song.wav"));
    auto *label = window->findChild<QLabel *>("lblRunOutcome");
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), outcome, 10000);
    QCOMPARE(window->findChild<QPlainTextEdit *>("edtRunOutput")->toPlainText(), view);
    auto *bar = window->findChild<QProgressBar *>("barRunProgress");
    QCOMPARE(bar->maximum(), barMaximum);
    if (barValue >= 0)
        QCOMPARE(bar->value(), barValue);
    else
        QVERIFY(bar->value() < bar->maximum());
    QVERIFY(!window->findChild<QPushButton *>("butRunStop")->isEnabled());
    // A screen reader names the view and the bar, which show no text of their own.
    const char *file = language == 1 ? "language_ru.tsv" : "language_en.tsv";
    const auto nameOf = [file](const char *message) {
        return testing::expectedRows(file, 0, QString::fromLatin1(message)).value(0).value(1);
    };
    QCOMPARE(window->findChild<QPlainTextEdit *>("edtRunOutput")->accessibleName(), nameOf("strRunOutputName"));
    QCOMPARE(bar->accessibleName(), nameOf("strRunProgressName"));
    // The window shows no hints: a screen reader tells what each part is for.
    QCOMPARE(window->findChild<QPlainTextEdit *>("edtRunOutput")->accessibleDescription(), nameOf("strRunOutputHint"));
    QCOMPARE(bar->accessibleDescription(), nameOf("strRunProgressHint"));
    QCOMPARE(window->findChild<QPushButton *>("butRunStop")->accessibleDescription(), nameOf("strRunStopHint"));
    // It is announced as a window, not as an anonymous panel.
    QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
    // The outcome stays until the user closes the window.
    QTest::qWait(50);
    QVERIFY(window->isVisible());
    QCOMPARE(label->text(), outcome);
}

// clang-format off
void TestRunWindow::stopNeverWaits_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("ends when asked") << QByteArray("echo started; exec sleep 60\n") << "Stopped by signal 15";
    // Killed once the grace is over; the window stays usable meanwhile.
    QTest::newRow("ignores the request") << QByteArray("trap '' TERM; echo started; while :; do sleep 0.1; done\n")
                                         << "Stopped by signal 9";
    // A wrapper: what it started goes with it.
    QTest::newRow("a wrapper's child") << QByteArray("sleep 60 & echo $! > children; echo started; wait\n")
                                       << "Stopped by signal 15";
}
// clang-format on

void TestRunWindow::stopNeverWaits()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, outcome);

    RunWindow *window = startScript(script, fenwave::Language::English);
    QVERIFY(window);
    auto *view = window->findChild<QPlainTextEdit *>("edtRunOutput");
    QTRY_COMPARE_WITH_TIMEOUT(view->toPlainText(), QStringLiteral("started\n"), 10000);
    auto *stop = window->findChild<QPushButton *>("butRunStop");
    QCOMPARE(stop->text(), QStringLiteral("Stop"));
    QVERIFY(stop->isEnabled());
    QTest::mouseClick(stop, Qt::LeftButton);
    // The click came back before the program ended (a program that ignores the request is
    // still running), and the window says what is going on.
    QVERIFY(!stop->isEnabled());
    QVERIFY(window->isRunning());
    QCOMPARE(window->findChild<QLabel *>("lblRunOutcome")->text(), QStringLiteral("Stopping..."));
    QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel *>("lblRunOutcome")->text(), outcome, 15000);
    QVERIFY(!window->isRunning());
    const QString children = m_dir.filePath(QStringLiteral("children"));
    for (const QString &pid : testing::readLines(children))
        QTRY_VERIFY_WITH_TIMEOUT(!testing::isAlive(pid), 10000);
    QFile::remove(children);
}

void TestRunWindow::programThatWillNotStart()
{
    const QString notExecutable = m_dir.filePath("plain");
    QVERIFY(testing::writeAll(notExecutable, "#!/bin/sh\n"));
    const int before = int(QApplication::topLevelWidgets().size());
    QVERIFY(!RunWindow::start({notExecutable}, m_dir.path(), "a.wav", "a.mp3",
                              fenwave::messageTextsFor(fenwave::Language::English)));
    QVERIFY(!RunWindow::start({m_dir.filePath("missing")}, m_dir.path(), "a.wav", "a.mp3",
                              fenwave::messageTextsFor(fenwave::Language::English)));
    QVERIFY(RunWindow::windows().isEmpty());
    QCOMPARE(int(QApplication::topLevelWidgets().size()), before);
}

// clang-format off
void TestRunWindow::floodStaysBounded_data()
{
    QTest::addColumn<QByteArray>("flood");  // written again and again until SIGTERM comes
    QTest::addColumn<int>("lines");         // lines the window holds once the flood is under way
    QTest::newRow("one line without end") << QByteArray("chunk=$(head -c 65536 /dev/zero | tr '\\0' x)\n"
                                                        "while :; do printf %s \"$chunk\"; done\n")
                                          << 1;
    QTest::newRow("lines without end") << QByteArray("i=0; while :; do i=$((i+1)); printf 'line %s\\n' $i; done\n")
                                       << 5000;
}
// clang-format on

// An encoder that floods the window: it keeps the last 4096 characters of a line and the last
// 5000 lines, and Stop still reaches the encoder.
void TestRunWindow::floodStaysBounded()
{
    QFETCH(QByteArray, flood);
    QFETCH(int, lines);

    // Exit status 5 tells that SIGTERM reached the stand-in (after the grace it would be killed).
    RunWindow *window = startScript("trap 'exit 5' TERM\n" + flood, fenwave::Language::English);
    QVERIFY(window);
    auto *view = window->findChild<QPlainTextEdit *>("edtRunOutput");
    QTextDocument *document = view->document();
    QTRY_VERIFY_WITH_TIMEOUT(document->blockCount() >= lines && document->characterCount() > 4000, 30000);
    QTest::qWait(500); // megabytes more
    QVERIFY(document->blockCount() <= 5000);
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
        QVERIFY2(block.length() - 1 <= 4096, qPrintable(QString::number(block.length())));
    if (lines > 1)
        QVERIFY(document->firstBlock().text() != QStringLiteral("line 1"));

    QTest::mouseClick(window->findChild<QPushButton *>("butRunStop"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel *>("lblRunOutcome")->text(),
                              QStringLiteral("Failed with exit status 5"), 30000);
}

// clang-format off
void TestRunWindow::stoppedRunLeavesNoPartialOutput_data()
{
    QTest::addColumn<bool>("existed");     // the output file was there before the run
    QTest::addColumn<QString>("how");      // "stop", "close" (and an answer), "fail": the encoder ends on its own
    QTest::addColumn<QString>("outcome");  // empty: the window is gone
    QTest::addColumn<QByteArray>("left");  // the output file afterwards; null: none
    QTest::newRow("Stop, new output") << false << "stop" << "Stopped by signal 15" << QByteArray();
    QTest::newRow("Stop, output existed") << true << "stop"
                                          << "Stopped by signal 15. The output file out put.mp3 is incomplete."
                                          << QByteArray("partial");
    QTest::newRow("close, OK, new output") << false << "close OK" << "" << QByteArray();
    QTest::newRow("close, OK, output existed") << true << "close OK" << "" << QByteArray("partial");
    QTest::newRow("close, Cancel") << false << "close Cancel" << "Running..." << QByteArray("partial");
    QTest::newRow("close, Escape") << false << "close Escape" << "Running..." << QByteArray("partial");
    // Only a stop removes the output: what an encoder leaves when it fails is its own business.
    QTest::newRow("encoder fails") << false << "fail" << "Failed with exit status 1" << QByteArray("partial");
}
// clang-format on

void TestRunWindow::stoppedRunLeavesNoPartialOutput()
{
    QFETCH(bool, existed);
    QFETCH(QString, how);
    QFETCH(QString, outcome);
    QFETCH(QByteArray, left);

    const QString output = m_dir.filePath("out put.mp3");
    QFile::remove(output);
    if (existed)
        QVERIFY(testing::writeAll(output, "an older encoding"));
    const QString program = m_dir.filePath(QStringLiteral("writer %1").arg(++m_scripts));
    QVERIFY(testing::writeExecutable(program, "#!/bin/sh\nprintf partial > 'out put.mp3'; echo started\n"
                                                  + QByteArray(how == "fail" ? "exit 1\n" : "exec sleep 60\n")));
    // The output as the window's field gives it, blanks around it included.
    RunWindow *window = RunWindow::start({program}, m_dir.path(), "in.wav", " out put.mp3 ",
                                         fenwave::messageTextsFor(fenwave::Language::English));
    QVERIFY(window);
    QPointer<RunWindow> alive(window);
    auto *view = window->findChild<QPlainTextEdit *>("edtRunOutput");
    QTRY_COMPARE_WITH_TIMEOUT(view->toPlainText(), QStringLiteral("started\n"), 10000);

    testing::ModalAnswer answer([&how](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (how == "close Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            testing::ModalAnswer::press(box, how == "close OK" ? QMessageBox::Ok : QMessageBox::Cancel);
    });
    if (how == "stop")
        QTest::mouseClick(window->findChild<QPushButton *>("butRunStop"), Qt::LeftButton);
    else if (how.startsWith("close"))
        window->close();

    if (how.startsWith("close")) {
        QCOMPARE(answer.boxes.size(), 1);
        const testing::SeenBox &box = answer.boxes.first();
        QCOMPARE(box.title, QStringLiteral("Confirm"));
        QCOMPARE(box.text, QStringLiteral("Encoding is still running. Stop it and close the window?"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.defaultButton, QMessageBox::Ok);
    } else {
        QCOMPARE(answer.boxes.size(), 0);
    }
    if (outcome.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(!alive, 10000);
        QVERIFY(RunWindow::windows().isEmpty());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel *>("lblRunOutcome")->text(), outcome, 10000);
        QVERIFY(window->isVisible());
    }
    QCOMPARE(QFile::exists(output), !left.isNull());
    if (!left.isNull())
        QCOMPARE(testing::readAll(output), left);
    // A closed window that ended its run asks nothing.
    if (alive && !window->isRunning()) {
        window->close();
        QTRY_VERIFY(!alive);
        QCOMPARE(answer.boxes.size(), how.startsWith("close") ? 1 : 0);
    }
}

QTEST_MAIN(TestRunWindow)
#include "tst_runwindow.moc"
