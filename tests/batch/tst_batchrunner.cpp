// The runner of a batch, with stand-in encoders: small shell scripts that write into the output
// they are given and say what they did into files beside it.
#include "TestFiles.h"
#include "batch/BatchRunner.h"
#include "batch/TerminationWatcher.h"
#include "options/OutputsInWriting.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>

using fenwave::BatchJob;
using fenwave::BatchRunner;
using fenwave::JobFailure;
using fenwave::JobState;
using fenwave::OutputsInWriting;

Q_DECLARE_METATYPE(JobState)
Q_DECLARE_METATYPE(JobFailure)

namespace {

constexpr int kEndMs = 30000; // far beyond any run here, including a stop's grace period

// A stand-in encoder: `out` is its last argument, `in` the one before; it runs in the batch's
// folder.
QString writeEncoder(const QString &folder, const QByteArray &body)
{
    const QString path = folder + QStringLiteral("/encoder");
    const QByteArray head = "#!/bin/sh\nfor out; do in=$prev; prev=$out; done\n";
    if (!testing::writeExecutable(path, head + body))
        qFatal("cannot write the stand-in encoder");
    return path;
}

BatchJob job(const QString &input, const QString &output, bool skipped = false)
{
    BatchJob job;
    job.input = input;
    job.output = output;
    job.arguments = QStringList{QStringLiteral("-V"), QStringLiteral("2"), input, output};
    if (skipped)
        job.skip = fenwave::SkipReason::OutputExists;
    return job;
}

// The hidden temporary files in `folder` and below.
QStringList temporariesLeft(const QString &folder)
{
    QStringList left;
    const QDir dir(folder);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            left += temporariesLeft(entry.filePath());
        else if (entry.fileName().contains(QStringLiteral(".fenwave-")))
            left += entry.filePath();
    }
    return left;
}

// A process that has ended but was not reaped yet counts as gone.
bool isAlive(const QString &pidText)
{
    const QByteArray stat = testing::readAll(QStringLiteral("/proc/%1/stat").arg(pidText.trimmed()));
    const int end = stat.lastIndexOf(')');
    return end > 0 && end + 2 < stat.size() && stat.at(end + 2) != 'Z';
}

bool runToEnd(BatchRunner &runner)
{
    QSignalSpy finished(&runner, &BatchRunner::finished);
    runner.start();
    return finished.wait(kEndMs) && finished.count() == 1 && !runner.isRunning();
}

} // namespace

class TestBatchRunner : public QObject
{
    Q_OBJECT
private slots:
    void oneFile_data();
    void oneFile();
    void existingOutputsStayWhatTheyAre();
    void stop_data();
    void stop();
    void encodersAtOnce_data();
    void encodersAtOnce();
    void encoderThatCannotStart();
    void terminationRequests();
};

// clang-format off
void TestBatchRunner::oneFile_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("existing"); // null: no output before the run
    QTest::addColumn<bool>("claimed");        // another run is writing the output
    QTest::addColumn<JobState>("state");
    QTest::addColumn<JobFailure>("failure");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("output");   // null: no output after the run
    QTest::addColumn<QByteArray>("keptEnd");  // how the kept output ends; null: nothing kept
    QTest::addColumn<double>("progress");     // a progress reported on the way; -1: none

    // Reads its standard input to the end first: nothing is there.
    const QByteArray writes = "cat; printf encoded > \"$out\"\n";
    const QByteArray fails = "echo 'bad input'; printf partial > \"$out\"; exit 3\n";
    QTest::newRow("success") << writes << QByteArray() << false << JobState::Finished << JobFailure::None << 0
                             << QByteArray("encoded") << QByteArray() << -1.0;
    QTest::newRow("success replaces an existing output")
        << writes << QByteArray("old") << false << JobState::Finished << JobFailure::None << 0
        << QByteArray("encoded") << QByteArray() << -1.0;
    QTest::newRow("progress, then success")
        << QByteArray("printf 'head\\r   5/10   (50%%)|    0:01/    0:02|\\r'; printf 'partial' > \"$out\"; "
                      "sleep 0.2; printf encoded > \"$out\"; echo done\n")
        << QByteArray() << false << JobState::Finished << JobFailure::None << 0
        << QByteArray("encoded") << QByteArray("head\ndone\n") << 0.5; // a finished file keeps its notes, not its progress
    QTest::newRow("failure") << fails << QByteArray() << false << JobState::Failed << JobFailure::ExitStatus << 3
                             << QByteArray() << QByteArray("bad input\n") << -1.0;
    QTest::newRow("failure keeps an existing output")
        << fails << QByteArray("old") << false << JobState::Failed << JobFailure::ExitStatus << 3
        << QByteArray("old") << QByteArray("bad input\n") << -1.0;
    QTest::newRow("death by signal")
        << QByteArray("printf partial > \"$out\"; echo dying; kill -s USR1 $$\n") << QByteArray("old") << false
        << JobState::Failed << JobFailure::Signal << int(SIGUSR1) << QByteArray("old") << QByteArray("dying\n")
        << -1.0;
    QTest::newRow("a flood of output keeps its end")
        << QByteArray("head -c 200000 /dev/zero | tr '\\0' x; echo; echo 'last words'; exit 1\n") << QByteArray()
        << false << JobState::Failed << JobFailure::ExitStatus << 1 << QByteArray() << QByteArray("x\nlast words\n")
        << -1.0;
    QTest::newRow("output being written by another run")
        << writes << QByteArray("old") << true << JobState::Failed << JobFailure::OutputBeingWritten << 0
        << QByteArray("old") << QByteArray() << -1.0;
}
// clang-format on

void TestBatchRunner::oneFile()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, existing);
    QFETCH(bool, claimed);
    QFETCH(JobState, state);
    QFETCH(JobFailure, failure);
    QFETCH(int, code);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, keptEnd);
    QFETCH(double, progress);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Names with blanks, a leading blank and Cyrillic letters arrive as they are.
    const QString input = QStringLiteral(" in пут.wav");
    const QString outputName = QStringLiteral("out пут.mp3");
    const QString outputPath = dir.filePath(outputName);
    if (!existing.isNull())
        testing::mustWrite(outputPath, existing);
    const QString encoder = writeEncoder(dir.path(), "printf '%s\\n' \"$@\" > arguments\n" + script);
    OutputsInWriting::Claim other;
    if (claimed)
        other = OutputsInWriting::shared().claim(outputPath, QString());

    BatchRunner runner(encoder, {job(input, outputName)}, dir.path());
    QSignalSpy progressed(&runner, &BatchRunner::jobProgressed);
    QVERIFY(runToEnd(runner));

    QCOMPARE(runner.status(0).state, state);
    QCOMPARE(runner.status(0).failure, failure);
    QCOMPARE(runner.status(0).code, code);
    QCOMPARE(testing::readAll(outputPath), output);
    QCOMPARE(QFileInfo::exists(outputPath), !output.isNull());
    QVERIFY2(temporariesLeft(dir.path()).isEmpty(), qPrintable(temporariesLeft(dir.path()).join(u' ')));
    const QByteArray kept = runner.keptOutput(0);
    QVERIFY(kept.size() <= 64 * 1024);
    QVERIFY2(keptEnd.isNull() ? kept.isEmpty() : kept.endsWith(keptEnd), kept.right(100).constData());
    if (progress >= 0) {
        QVERIFY(!progressed.isEmpty());
        QCOMPARE(progressed.first().at(1).toDouble(), progress);
    }
    if (claimed) {
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("arguments"))));
        return;
    }
    QVERIFY(!OutputsInWriting::shared().isBeingWritten(outputPath, QString()));

    // The encoder wrote a hidden file beside the output, never the output itself.
    const QStringList arguments = testing::readLines(dir.filePath(QStringLiteral("arguments")));
    QCOMPARE(arguments.size(), 4);
    QCOMPARE(arguments.mid(0, 3), QStringList({"-V", "2", input}));
    const QRegularExpression hidden(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(dir.path() + "/." + outputName + ".fenwave-") + "[A-Za-z0-9]{6}"));
    QVERIFY2(hidden.match(arguments.at(3)).hasMatch(), qPrintable(arguments.at(3)));
    if (state == JobState::Finished) {
        // The permissions of any new file: what the umask leaves of 0666.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(outputPath).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
    }
}

// An output reached through a link is replaced where the link leads; a pipe (as a device) is
// written directly, never replaced by a plain file.
void TestBatchRunner::existingOutputsStayWhatTheyAre()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    testing::mustWrite(dir.filePath(QStringLiteral("target.mp3")), "old");
    QVERIFY(QFile::link(QStringLiteral("target.mp3"), dir.filePath(QStringLiteral("link.mp3"))));
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe.mp3")));
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    const QString encoder = writeEncoder(
        dir.path(), "if [ -p \"$out\" ]; then echo pipe > \"$in.seen\"; else printf encoded > \"$out\"; fi\n");
    BatchRunner runner(encoder, {job("a", "link.mp3"), job("b", "pipe.mp3")}, dir.path());
    QVERIFY(runToEnd(runner));

    QCOMPARE(runner.counts().finished, 2);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link.mp3"))).isSymLink());
    QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("target.mp3"))), QByteArray("encoded"));
    struct stat info = {};
    QCOMPARE(::lstat(pipe.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
    QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("b.seen"))), QByteArray("pipe\n"));
    QVERIFY(temporariesLeft(dir.path()).isEmpty());
}

// clang-format off
void TestBatchRunner::stop_data()
{
    QTest::addColumn<QByteArray>("script"); // writes its input's name into "<input>.pids" first
    QTest::addColumn<bool>("destroy");      // the runner goes instead of being stopped

    const QByteArray loop = "while :; do sleep 0.1; done\n";
    QTest::newRow("encoder that ends on SIGTERM") << "printf partial > \"$out\"; " + loop << false;
    QTest::newRow("encoder that ignores SIGTERM") << "trap '' TERM; printf partial > \"$out\"; " + loop << false;
    QTest::newRow("wrapper whose child must stop too")
        << QByteArray("sh -c 'printf partial > \"$1\"; while :; do sleep 0.1; done' child \"$out\" &\n"
                      "echo $! >> \"$in.pids\"; wait\n") << false;
    QTest::newRow("runner goes while encoders run")
        << "trap '' TERM; printf partial > \"$out\"; " + loop << true;
}
// clang-format on

// Stop in the middle: the running files end stopped with nothing left of them, the waiting one
// never starts.
void TestBatchRunner::stop()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, destroy);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    testing::mustWrite(dir.filePath(QStringLiteral("b.mp3")), "old");
    const QString encoder = writeEncoder(dir.path(), "echo $$ > \"$in.pids\"\n" + script);
    auto runner = std::make_unique<BatchRunner>(
        encoder, QVector<BatchJob>{job("a", "a.mp3"), job("b", "b.mp3"), job("c", "out/c.mp3")}, dir.path());
    runner->setEncodersAtOnce(2);
    QSignalSpy finished(runner.get(), &BatchRunner::finished);
    runner->start();
    QTRY_VERIFY_WITH_TIMEOUT(temporariesLeft(dir.path()).size() == 2
                                 && QFileInfo(temporariesLeft(dir.path()).constFirst()).size() > 0
                                 && QFileInfo(temporariesLeft(dir.path()).constLast()).size() > 0,
                             kEndMs);
    QVERIFY(OutputsInWriting::shared().isBeingWritten(QStringLiteral("a.mp3"), dir.path()));
    QTRY_VERIFY_WITH_TIMEOUT(testing::readLines(dir.filePath("a.pids")).size() == (script.contains("child") ? 2 : 1),
                             kEndMs);

    if (destroy) {
        runner.reset();
    } else {
        runner->stop();
        QVERIFY(finished.wait(kEndMs));
        QCOMPARE(runner->status(0).state, JobState::Stopped);
        QCOMPARE(runner->status(1).state, JobState::Stopped);
        QCOMPARE(runner->status(2).state, JobState::Waiting);
        QCOMPARE(runner->keptOutput(0), QByteArray());
    }
    const QStringList pids = testing::readLines(dir.filePath("a.pids")) + testing::readLines(dir.filePath("b.pids"));
    for (const QString &pid : pids)
        QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid), kEndMs);
    QVERIFY(!QFile::exists(dir.filePath("c.pids")));
    QVERIFY(!QFile::exists(dir.filePath("a.mp3")));
    QCOMPARE(testing::readAll(dir.filePath("b.mp3")), QByteArray("old"));
    QVERIFY2(temporariesLeft(dir.path()).isEmpty(), qPrintable(temporariesLeft(dir.path()).join(u' ')));
    QVERIFY(!OutputsInWriting::shared().isBeingWritten(QStringLiteral("a.mp3"), dir.path()));
}

void TestBatchRunner::encodersAtOnce_data()
{
    QTest::addColumn<int>("atOnce");
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
    QTest::newRow("three") << 3;
}

// Never more encoders at once than asked for, and that many when there are files enough. The
// first `atOnce` stand-ins wait (a bounded time) until that many run.
void TestBatchRunner::encodersAtOnce()
{
    QFETCH(int, atOnce);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString encoder = writeEncoder(dir.path(), QStringLiteral(R"sh(exec 9>>lock
flock 9; n=$(( $(cat running 2>/dev/null || echo 0) + 1 )); echo $n > running; echo $n >> seen; flock -u 9
case $in in hold*) i=0; while [ "$(cat running)" -lt %1 ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i+1)); done;; esac
sleep 0.1
flock 9; echo $(( $(cat running) - 1 )) > running; flock -u 9
printf encoded > "$out"
)sh")
                                                         .arg(atOnce)
                                                         .toUtf8());
    // Into folders that are not there yet; one name takes a whole file name's room (255 bytes).
    QVector<BatchJob> jobs;
    for (int i = 0; i < 7; ++i) {
        const QString input = QStringLiteral("%1 %2").arg(i < atOnce ? "hold" : "file").arg(i);
        const QString name = i == 5 ? input + "x" + QString(122, QChar(0x44F)) + ".mp3" : input + ".mp3";
        jobs.append(job(input, "out/" + QString::number(i) + "/" + name, i == 3));
    }
    QCOMPARE(QFile::encodeName(QFileInfo(jobs[5].output).fileName()).size(), 255);
    BatchRunner runner(encoder, jobs, dir.path());
    runner.setEncodersAtOnce(atOnce);
    QVERIFY(runToEnd(runner));

    const QStringList seen = testing::readLines(dir.filePath(QStringLiteral("seen")));
    QCOMPARE(seen.size(), 6); // the skipped file never ran
    QCOMPARE(*std::max_element(seen.begin(), seen.end(), [](auto &a, auto &b) { return a.toInt() < b.toInt(); }),
             QString::number(atOnce));
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(runner.status(i).state, i == 3 ? JobState::Skipped : JobState::Finished);
        QCOMPARE(QFile::exists(dir.filePath(jobs[i].output)), i != 3);
    }
    QCOMPARE(runner.counts().finished, 6);
    QCOMPARE(runner.counts().skipped, 1);
    QCOMPARE(runner.overallProgress(), 1.0);
}

// None other is tried, nothing is left behind, and no file counts as failed: the batch can be
// started again once the encoder is there.
void TestBatchRunner::encoderThatCannotStart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString encoder = dir.filePath(QStringLiteral("encoder"));
    BatchRunner runner(encoder, {job("a", "a.mp3"), job("b", "b.mp3"), job("c", "c.mp3")}, dir.path());
    runner.setEncodersAtOnce(3);
    QVERIFY(runToEnd(runner));
    QCOMPARE(runner.programNotStarted(), encoder);
    QCOMPARE(runner.counts().waiting, 3);
    QVERIFY(temporariesLeft(dir.path()).isEmpty());
    QVERIFY(!OutputsInWriting::shared().isBeingWritten(QStringLiteral("a.mp3"), dir.path()));

    writeEncoder(dir.path(), "printf encoded > \"$out\"\n");
    QVERIFY(runToEnd(runner));
    QCOMPARE(runner.programNotStarted(), QString());
    QCOMPARE(runner.counts().finished, 3);
}

void TestBatchRunner::terminationRequests()
{
    fenwave::TerminationWatcher watcher;
    QVERIFY(watcher.isActive());
    QSignalSpy received(&watcher, &fenwave::TerminationWatcher::received);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        ::raise(signalNumber);
        QVERIFY(received.wait(kEndMs));
        QCOMPARE(received.takeFirst().at(0).toInt(), signalNumber);
    }
}

QTEST_GUILESS_MAIN(TestBatchRunner)
#include "tst_batchrunner.moc"
