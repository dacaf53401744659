#include "TestFiles.h"
#include "options/EncoderLauncher.h"
#include "options/SameFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace fenwave;

using testing::readLines;

namespace {

bool writeExecutable(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Writes its arguments, one a line, then its working folder, to "<own folder>/arguments.txt".
const QByteArray kRecordingEncoder = "#!/bin/sh\n"
                                     "out=\"${0%/*}/arguments.txt\"\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.part\"\n"
                                     "printf '%s\\n' \"$PWD\" >> \"$out.part\"\n"
                                     "/bin/mv \"$out.part\" \"$out\"\n";

// Restores PATH and the current folder when a test ends, however it ends.
class EnvironmentGuard
{
public:
    EnvironmentGuard() : m_path(qgetenv("PATH")), m_folder(QDir::currentPath()) {}
    ~EnvironmentGuard()
    {
        qputenv("PATH", m_path);
        QDir::setCurrent(m_folder);
    }

private:
    QByteArray m_path;
    QString m_folder;
};

} // namespace

class TestEncoderLauncher : public QObject
{
    Q_OBJECT

private slots:
    void planWithTerminal_data();
    void planWithTerminal();
    void planWithoutTerminalOrProgram();
    void wrapperRunsArgumentsAsWords();
    void findsTerminalOnPath();
    void startsEncoderWithoutShell();
    void refusesWhatCannotStart_data();
    void refusesWhatCannotStart();

    void sameFile_data();
    void sameFile();
};

// clang-format off
void TestEncoderLauncher::planWithTerminal_data()
{
    QTest::addColumn<QString>("terminal");
    QTest::addColumn<QStringList>("runOption");
    QTest::newRow("debian alternative") << "/usr/bin/x-terminal-emulator" << QStringList{"-e"};
    QTest::newRow("xterm") << "/usr/bin/xterm" << QStringList{"-e"};
    QTest::newRow("gnome") << "/usr/bin/gnome-terminal" << QStringList{"--"};
    QTest::newRow("konsole") << "/usr/bin/konsole" << QStringList{"-e"};
    QTest::newRow("xfce") << "/usr/bin/xfce4-terminal" << QStringList{"-x"};
    QTest::newRow("kitty takes the program directly") << "/usr/bin/kitty" << QStringList();
    QTest::newRow("unknown gets xterm style") << "/opt/my term/myterm" << QStringList{"-e"};
    QTest::newRow("bare name") << "gnome-terminal" << QStringList{"--"};
}
// clang-format on

void TestEncoderLauncher::planWithTerminal()
{
    QFETCH(QString, terminal);
    QFETCH(QStringList, runOption);
    const QStringList command{"/opt/l a m e/lame", "a;b $(touch pwned) `x`.wav", "", "Ёлка"};
    const QString folder = QStringLiteral("/home/me/My 'music'");

    const LaunchPlan plan = planEncoderLaunch(command, terminal, folder);

    QCOMPARE(plan.program, terminal);
    const QStringList expected
        = runOption + QStringList{"/bin/sh", "-c", encoderWrapperScript(), "fenwave-encoder", folder} + command;
    QCOMPARE(plan.arguments, expected);
    // The script is a constant: nothing the user typed is in it.
    for (const QString &word : command) {
        if (!word.isEmpty())
            QVERIFY(!encoderWrapperScript().contains(word));
    }
}

void TestEncoderLauncher::planWithoutTerminalOrProgram()
{
    const LaunchPlan direct = planEncoderLaunch({QStringLiteral("lame"), QStringLiteral("")}, QString());
    QCOMPARE(direct.program, QStringLiteral("lame"));
    QCOMPARE(direct.arguments, QStringList{QString()});

    const LaunchPlan plan = planEncoderLaunch({}, QStringLiteral("/usr/bin/xterm"));
    QVERIFY(plan.program.isEmpty());
    QVERIFY(plan.arguments.isEmpty());
}

// Runs the terminal's part of the plan with sh directly: the words arrive unchanged, in the
// given folder, and the window waits for Enter.
void TestEncoderLauncher::wrapperRunsArgumentsAsWords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString encoder = dir.filePath(QStringLiteral("fake encoder"));
    QVERIFY(writeExecutable(encoder, kRecordingEncoder));
    const QString folder = dir.filePath(QStringLiteral("work $(x) 'q' папка"));
    QVERIFY(QDir().mkpath(folder));

    const QStringList words{encoder, "a;b $(touch pwned) `x`.wav", "", "-", "\"q\""};
    const LaunchPlan plan = planEncoderLaunch(words, QStringLiteral("xterm"), folder);
    QCOMPARE(plan.arguments.first(), QStringLiteral("-e"));

    QProcess shell;
    shell.start(plan.arguments.at(1), plan.arguments.mid(2));
    QVERIFY(shell.waitForStarted());
    QVERIFY(!shell.waitForFinished(300)); // waits for Enter
    shell.write("\n");
    shell.closeWriteChannel();
    QVERIFY(shell.waitForFinished(5000));
    QCOMPARE(shell.exitCode(), 0);
    QVERIFY(shell.readAllStandardOutput().contains("Press Enter"));

    const QStringList recorded = readLines(dir.filePath(QStringLiteral("arguments.txt")));
    QCOMPARE(recorded, words.mid(1) + QStringList{folder});
    QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("pwned"))));
}

void TestEncoderLauncher::findsTerminalOnPath()
{
    EnvironmentGuard guard;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("PATH", QFile::encodeName(dir.path()));
    QCOMPARE(findTerminalEmulator(), QString());

    // A file that cannot be run is no terminal.
    QFile plain(dir.filePath(QStringLiteral("gnome-terminal")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QCOMPARE(findTerminalEmulator(), QString());

    QVERIFY(writeExecutable(dir.filePath(QStringLiteral("xterm")), "#!/bin/sh\n"));
    QCOMPARE(findTerminalEmulator(), dir.filePath(QStringLiteral("xterm")));
    QVERIFY(writeExecutable(dir.filePath(QStringLiteral("konsole")), "#!/bin/sh\n"));
    QCOMPARE(findTerminalEmulator(), dir.filePath(QStringLiteral("konsole")));
    QVERIFY(writeExecutable(dir.filePath(QStringLiteral("x-terminal-emulator")), "#!/bin/sh\n"));
    QCOMPARE(findTerminalEmulator(), dir.filePath(QStringLiteral("x-terminal-emulator")));
}

// Stands in for a terminal: drops the run option and runs the rest as words.
const QByteArray kPassThroughTerminal = "#!/bin/sh\n[ \"$1\" = -e ] && shift\nexec \"$@\"\n";

void TestEncoderLauncher::startsEncoderWithoutShell()
{
    EnvironmentGuard guard;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString binFolder = dir.filePath(QStringLiteral("bin"));
    const QString workFolder = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(binFolder));
    QVERIFY(QDir().mkpath(workFolder));
    // PATH holds the fake encoder and a terminal that runs its words through the wrapper.
    qputenv("PATH", QFile::encodeName(binFolder));
    QVERIFY(QDir::setCurrent(workFolder));
    const QString encoder = binFolder + QStringLiteral("/fakelame");
    QVERIFY(writeExecutable(encoder, kRecordingEncoder));
    QVERIFY(writeExecutable(binFolder + QStringLiteral("/xterm"), kPassThroughTerminal));
    const QString record = binFolder + QStringLiteral("/arguments.txt");

    // Once by name through PATH, once by a path with blanks.
    const QString spaced = binFolder + QStringLiteral("/fake lame");
    QVERIFY(QFile::link(encoder, spaced));
    const QStringList commands{QStringLiteral("fakelame -h \"a;b $(touch pwned) `x`.wav\" \"\" Ёлка"),
                               QStringLiteral("\"%1\" -h \"a;b $(touch pwned) `x`.wav\" \"\" Ёлка").arg(spaced)};
    for (const QString &command : commands) {
        QFile::remove(record);
        QCOMPARE(startEncoder(command).result, StartResult::Started);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(readLines(record), (QStringList{"-h", "a;b $(touch pwned) `x`.wav", "", "Ёлка", workFolder}));
    }
    QVERIFY(!QFile::exists(workFolder + QStringLiteral("/pwned")));
    QVERIFY(!QFile::exists(binFolder + QStringLiteral("/pwned")));

    // Without a terminal nothing starts here: the caller gets the words to run in its own window.
    QFile::remove(record);
    const EncoderStart own = startEncoder(commands.first(), QString());
    QCOMPARE(own.result, StartResult::NoTerminal);
    QCOMPARE(own.program, QStringLiteral("fakelame"));
    QCOMPARE(own.command, (QStringList{encoder, "-h", "a;b $(touch pwned) `x`.wav", "", "Ёлка"}));
    QCOMPARE(own.workingDirectory, workFolder);
    QTest::qWait(300);
    QVERIFY(!QFile::exists(record));
}

// clang-format off
void TestEncoderLauncher::refusesWhatCannotStart_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("terminal");  // {found}: the one on PATH
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("program");   // as the message names it
    const int nothing = int(StartResult::NothingToStart);
    const int cannot = int(StartResult::CannotStart);
    QTest::newRow("empty") << "" << "{found}" << nothing << "";
    QTest::newRow("blanks and breaks") << " \t\r\n " << "{found}" << nothing << "";
    QTest::newRow("empty program") << "\"\" -h in.wav" << "{found}" << cannot << "";
    QTest::newRow("missing file") << "/nonexistent/folder/lame -h in.wav" << "{found}" << cannot
                                  << "/nonexistent/folder/lame";
    QTest::newRow("missing name") << "fenwave-no-such-encoder in.wav" << "{found}" << cannot
                                  << "fenwave-no-such-encoder";
    QTest::newRow("shell builtin name") << "exit 3" << "{found}" << cannot << "exit";
    QTest::newRow("folder") << "/tmp -h" << "{found}" << cannot << "/tmp";
    QTest::newRow("not executable") << "{plain} -h" << "{found}" << cannot << "{plain}";
    QTest::newRow("missing name, no terminal") << "fenwave-no-such-encoder" << "" << cannot
                                               << "fenwave-no-such-encoder";
    // The encoder exists, but the terminal does not start: never a run without a window.
    QTest::newRow("terminal will not start") << "/bin/sh -c \"touch started\"" << "/nonexistent/xterm"
                                             << cannot << "/bin/sh";
}
// clang-format on

void TestEncoderLauncher::refusesWhatCannotStart()
{
    QFETCH(QString, command);
    QFETCH(QString, terminal);
    QFETCH(int, result);
    QFETCH(QString, program);
    EnvironmentGuard guard;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    qputenv("PATH", QFile::encodeName(dir.path())); // no terminal, nothing to find
    const QString plain = dir.filePath(QStringLiteral("plain file"));
    QFile file(plain);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    command.replace(QStringLiteral("{plain}"), QLatin1Char('"') + plain + QLatin1Char('"'));
    program.replace(QStringLiteral("{plain}"), plain);

    const EncoderStart start
        = terminal == QLatin1String("{found}") ? startEncoder(command) : startEncoder(command, terminal);
    QCOMPARE(int(start.result), result);
    QCOMPARE(start.program, program);
    QTest::qWait(100);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("started"))));
}

// clang-format off
void TestEncoderLauncher::sameFile_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    // {d} stands for the test folder; the current folder is the test folder.
    QTest::newRow("identical") << "{d}/a.wav" << "{d}/a.wav" << true;
    QTest::newRow("relative and absolute") << "a.wav" << "{d}/a.wav" << true;
    QTest::newRow("dot and dot-dot") << "./sub/../a.wav" << "{d}//a.wav" << true;
    QTest::newRow("symbolic link") << "{d}/link.wav" << "a.wav" << true;
    QTest::newRow("link to link") << "{d}/link2.wav" << "{d}/a.wav" << true;
    QTest::newRow("hard link") << "hard.wav" << "a.wav" << true;
    QTest::newRow("blanks and Cyrillic") << "{d}/моя песня.wav" << "./моя песня.wav" << true;
    QTest::newRow("different files") << "a.wav" << "b.wav" << false;
    QTest::newRow("same text, no such file") << "{d}/none.mp3" << "{d}/none.mp3" << false;
    QTest::newRow("one missing") << "a.wav" << "none.mp3" << false;
    QTest::newRow("dangling link") << "dangling.wav" << "dangling.wav" << false;
    QTest::newRow("untrimmed blank") << "a.wav " << "a.wav" << false;
    QTest::newRow("empty") << "" << "" << false;
    QTest::newRow("NUL cuts nothing short") << QString("a.wav") + QChar(u'\0') + "x" << "a.wav"
                                            << false;
    QTest::newRow("file below a file") << "a.wav/" << "a.wav" << false;
}
// clang-format on

void TestEncoderLauncher::sameFile()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    EnvironmentGuard guard;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    for (const char *name : {"a.wav", "b.wav", "моя песня.wav"}) {
        QFile file(QString::fromUtf8(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("RIFF");
    }
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(QStringLiteral("a.wav"), QStringLiteral("link.wav")));
    QVERIFY(QFile::link(QStringLiteral("link.wav"), QStringLiteral("link2.wav")));
    QVERIFY(QFile::link(QStringLiteral("gone.wav"), QStringLiteral("dangling.wav")));
    QCOMPARE(::link("a.wav", "hard.wav"), 0);

    a.replace(QStringLiteral("{d}"), dir.path());
    b.replace(QStringLiteral("{d}"), dir.path());
    QCOMPARE(namesSameExistingFile(a, b), same);
    QCOMPARE(namesSameExistingFile(b, a), same);
}

QTEST_GUILESS_MAIN(TestEncoderLauncher)
#include "tst_encoderlauncher.moc"
