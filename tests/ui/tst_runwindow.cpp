// The window a run gets where there is no terminal: what it shows while the program runs and
// when it ends, and its Stop button. Stand-in programs are small shell scripts.
#include "TestFiles.h"
#include "language/MessageTexts.h"
#include "ui/RunWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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

private:
    RunWindow *startScript(const QByteArray &body, quint8 language, const QString &input = "in put.wav");

    QTemporaryDir m_dir;
    int m_scripts = 0;
};

RunWindow *TestRunWindow::startScript(const QByteArray &body, quint8 language, const QString &input)
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

    RunWindow *window = startScript(script, quint8(language), QStringLiteral("/music/My song.wav"));
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
}
// clang-format on

void TestRunWindow::stopNeverWaits()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, outcome);

    RunWindow *window = startScript(script, 0);
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
}

void TestRunWindow::programThatWillNotStart()
{
    const QString notExecutable = m_dir.filePath("plain");
    QVERIFY(testing::writeAll(notExecutable, "#!/bin/sh\n"));
    const int before = int(QApplication::topLevelWidgets().size());
    QVERIFY(!RunWindow::start({notExecutable}, m_dir.path(), "a.wav", "a.mp3", fenwave::messageTextsFor(0)));
    QVERIFY(
        !RunWindow::start({m_dir.filePath("missing")}, m_dir.path(), "a.wav", "a.mp3", fenwave::messageTextsFor(0)));
    QVERIFY(RunWindow::windows().isEmpty());
    QCOMPARE(int(QApplication::topLevelWidgets().size()), before);
}

QTEST_MAIN(TestRunWindow)
#include "tst_runwindow.moc"
