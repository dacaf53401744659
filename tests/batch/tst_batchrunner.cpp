// The runner of a batch, with stand-in encoders: small shell scripts that write into the output
// they are given and say what they did into files beside it.
#include "TestFiles.h"
#include "batch/BatchRunner.h"
#include "job/JobStatusText.h"
#include "job/TemporaryOutput.h"
#include "language/MessageTexts.h"
#include "app/TerminationWatcher.h"
#include "batch/SoundRoute.h"
#include "options/OutputsInWriting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using fenwave::BatchJob;
using fenwave::BatchRunner;
using fenwave::ExistingOutputPolicy;
using fenwave::JobFailure;
using fenwave::JobState;
using fenwave::OutputsInWriting;
using fenwave::SkipReason;
using fenwave::SoundKind;

Q_DECLARE_METATYPE(JobState)
Q_DECLARE_METATYPE(JobFailure)

// How the output's folder gives a file a name only while it is free.
enum class Naming {
    LinkOnly, // no rename that never replaces (it answers as where there is none); hard links
    Neither,  // no such rename, no hard links (both answer as FAT through FUSE does)
    Fat,      // a FAT file system mounted through FUSE: the calls themselves
};

Q_DECLARE_METATYPE(ExistingOutputPolicy)
Q_DECLARE_METATYPE(Naming)
Q_DECLARE_METATYPE(SkipReason)
Q_DECLARE_METATYPE(SoundKind)

namespace {

constexpr int kEndMs = 30000; // far beyond any run here, including a stop's grace period
// The time in.wav has when a file of a batch starts, and one before it for an output there then.
constexpr qint64 kInputTime = 1600000000;
// Set for a copy of this test program that runs a batch in the folder it names until it is
// killed.
constexpr char kBatchUntilKilled[] = "FENWAVE_TEST_BATCH_UNTIL_KILLED";

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
    job.switches = QStringList{QStringLiteral("-V"), QStringLiteral("2")};
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

// A WAV file whose id3 chunk holds a title and `picture` as its front cover.
bool writeWaveWithCover(const QString &path, const QByteArray &picture)
{
    if (!testing::writeAll(path, testing::silentWave()))
        return false;
    TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
    auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(TagLib::ByteVector(picture.constData(), uint(picture.size())));
    file.ID3v2Tag()->addFrame(frame);
    file.ID3v2Tag()->setTitle("Title");
    return file.save();
}

// A PCM WAV file of silence, 16-bit at 44.1 kHz.
QByteArray silentWave(int channels, int milliseconds)
{
    const quint32 blockAlign = 2 * quint32(channels);
    const quint32 data = quint32(44100 * qint64(milliseconds) / 1000) * blockAlign;
    QByteArray wave = testing::silentWave();
    const auto put = [&wave](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wave[at + i] = char((value >> (8 * i)) & 0xff);
    };
    put(4, 36 + data, 4);
    put(22, quint32(channels), 2);
    put(28, 44100 * blockAlign, 4);
    put(32, blockAlign, 2);
    put(40, data, 4);
    return wave + QByteArray(qsizetype(data), '\0');
}

// A file's state as the batch list and the shell's report tell it.
QString told(const BatchRunner &runner, int index, fenwave::Language language = fenwave::Language::English)
{
    const fenwave::MessageTexts texts = fenwave::messageTextsFor(language);
    return runner.status(index).state == JobState::Skipped
               ? fenwave::skipReasonText(runner.job(index), texts)
               : fenwave::jobStatusText(runner.status(index), texts, fenwave::StatusView::BatchList,
                                        runner.lastWords(index));
}

// Sets a file's modification time (and its access time: FAT through FUSE ignores a change of
// the first alone), in seconds since 1970.
bool setModified(const QString &path, qint64 seconds)
{
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// A file's modification time in nanoseconds since 1970; 0 when it cannot be read.
qint64 nanosecondsModified(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// What a name holds, in words: nothing, a file, a folder, a pipe, or where a link leads.
QString entryOf(const QString &path)
{
    struct stat info = {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(info.st_mode)) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(name.constData(), target, sizeof target);
        return QStringLiteral("a link to ") + QString::fromLocal8Bit(target, length > 0 ? length : 0);
    }
    return S_ISDIR(info.st_mode)    ? QStringLiteral("a folder")
           : S_ISFIFO(info.st_mode) ? QStringLiteral("a pipe")
           : S_ISREG(info.st_mode)  ? QStringLiteral("a file")
                                    : QStringLiteral("another entry");
}

int g_linksMade = 0;

int renameNoReplace(const char *from, const char *to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

int renameWithoutNoReplace(const char *, const char *)
{
    errno = EINVAL;
    return -1;
}

int linkCounted(const char *from, const char *to)
{
    ++g_linksMade;
    return ::link(from, to);
}

int linkRefused(const char *, const char *)
{
    errno = EPERM;
    return -1;
}

fenwave::ExclusiveNaming namingOf(Naming naming)
{
    switch (naming) {
    case Naming::LinkOnly: return {renameWithoutNoReplace, linkCounted};
    case Naming::Neither: return {renameWithoutNoReplace, linkRefused};
    case Naming::Fat: break;
    }
    return {renameNoReplace, linkCounted};
}

// A small FAT file system in an image file, mounted through FUSE (fusefat) while the object lives.
class FatMount
{
public:
    FatMount() = default;
    FatMount(const FatMount &) = delete;
    FatMount &operator=(const FatMount &) = delete;
    ~FatMount()
    {
        if (m_point.isEmpty())
            return;
        for (const char *program : {"fusermount", "fusermount3", "umount"}) {
            const QStringList arguments
                = QByteArray(program) == "umount" ? QStringList{m_point} : QStringList{QStringLiteral("-u"), m_point};
            if (run(QString::fromLatin1(program), arguments).isEmpty())
                return;
        }
    }

    // The reason when it cannot be made or mounted.
    QString mount(const QString &image, const QString &point)
    {
        const QString fusefat = QStandardPaths::findExecutable(QStringLiteral("fusefat"));
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.vfat"), {"/usr/sbin", "/sbin"});
        if (fusefat.isEmpty() || mkfs.isEmpty())
            return QStringLiteral("fusefat or mkfs.vfat is missing (Debian packages fusefat, dosfstools)");
        if (!QDir().mkpath(point))
            return QStringLiteral("cannot make the mount point");
        if (const QString why = run(mkfs, {QStringLiteral("-C"), image, QStringLiteral("2048")}); !why.isEmpty())
            return why;
        if (const QString why = run(fusefat, {QStringLiteral("-o"), QStringLiteral("rw+"), image, point});
            !why.isEmpty())
            return QStringLiteral("FUSE mounts are not allowed here: ") + why;
        m_point = point;
        return QString();
    }

private:
    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()).trimmed();
        return QString();
    }

    QString m_point;
};

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
    void outputThereWhenDone_data();
    void outputThereWhenDone();
    void outputThatIsNoPlainFile_data();
    void outputThatIsNoPlainFile();
    void outputsWithoutExclusiveNaming_data();
    void outputsWithoutExclusiveNaming();
    void stop_data();
    void stop();
    void killedProgram();
    void embeddedCover_data();
    void embeddedCover();
    void encodersAtOnce_data();
    void encodersAtOnce();
    void encoderThatCannotStart_data();
    void encoderThatCannotStart();
    void inputChangedAfterPlanning_data();
    void inputChangedAfterPlanning();
    void throughTheDecoder_data();
    void throughTheDecoder();
    void tagCutIsTold();
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
    // The child writes through its own handle once the output has taken its place.
    QTest::newRow("a child left running writes nothing after")
        << QByteArray("printf encoded > \"$out\"\n"
                      "(exec 3>>\"$out\"; i=0; while [ ! -e 'out пут.mp3' ] && [ $i -lt 50 ]; do sleep 0.1; "
                      "i=$((i+1)); done; printf late >&3) > /dev/null 2>&1 &\n"
                      "echo $! > children\n")
        << QByteArray() << false << JobState::Finished << JobFailure::None << 0 << QByteArray("encoded")
        << QByteArray() << -1.0;
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
    for (const QString &pid : testing::readLines(dir.filePath(QStringLiteral("children"))))
        QTRY_VERIFY_WITH_TIMEOUT(!testing::isAlive(pid), kEndMs);
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

// An output reached through a link is replaced where the link leads; a pipe at an output's name is
// no output: it stays as it is, nothing is written into it, and the file fails.
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

    QCOMPARE(runner.counts().finished, 1);
    QCOMPARE(runner.status(1).failure, JobFailure::OutputNotRegular);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link.mp3"))).isSymLink());
    QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("target.mp3"))), QByteArray("encoded"));
    struct stat info = {};
    QCOMPARE(::lstat(pipe.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("b.seen"))));
    QVERIFY(temporariesLeft(dir.path()).isEmpty());
}

// clang-format off
void TestBatchRunner::outputThereWhenDone_data()
{
    QTest::addColumn<ExistingOutputPolicy>("policy");
    QTest::addColumn<bool>("appears");        // another program makes out/a.mp3 during the run; else it is there before
    QTest::addColumn<int>("mode");            // of that out/a.mp3
    QTest::addColumn<bool>("secondTaken");    // out/a (2).mp3 is there before the start
    QTest::addColumn<QByteArray>("meanwhile"); // what the encoder does then, in the shell
    QTest::addColumn<JobState>("state");
    QTest::addColumn<JobFailure>("failure");
    QTest::addColumn<QString>("output");      // the job's output name afterwards
    QTest::addColumn<QByteArray>("aHolds");   // what out/a.mp3 holds afterwards

    const auto skip = ExistingOutputPolicy::Skip;
    const auto number = ExistingOutputPolicy::Number;
    const auto overwrite = ExistingOutputPolicy::Overwrite;
    const auto update = ExistingOutputPolicy::Update;
    // Gives a file in.wav's time at the start plus `seconds`.
    const auto touch = [](const char *file, int seconds) {
        return "touch -d @" + QByteArray::number(kInputTime + seconds) + ' ' + file + "; ";
    };
    // Gives a file in.wav's time at the start plus `nanoseconds`, less than a second.
    const auto touchWithin = [](const char *file, int nanoseconds) {
        return "touch -d @" + QByteArray::number(kInputTime) + '.' + QByteArray::number(nanoseconds).rightJustified(9, '0')
               + ' ' + file + "; ";
    };
    QTest::newRow("skip keeps an output that appeared")
        << skip << true << 0644 << false << QByteArray() << JobState::Skipped << JobFailure::None << "out/a.mp3" << QByteArray("other");
    QTest::newRow("number takes the next name")
        << number << true << 0644 << false << QByteArray() << JobState::Finished << JobFailure::None << "out/a (2).mp3"
        << QByteArray("other");
    QTest::newRow("number passes a taken number")
        << number << true << 0644 << true << QByteArray() << JobState::Finished << JobFailure::None << "out/a (3).mp3"
        << QByteArray("other");
    QTest::newRow("overwrite replaces an output that appeared")
        << overwrite << true << 0644 << false << QByteArray() << JobState::Finished << JobFailure::None << "out/a.mp3"
        << QByteArray("encoded");
    QTest::newRow("overwrite keeps owner and mode")
        << overwrite << false << 0600 << false << QByteArray() << JobState::Finished << JobFailure::None << "out/a.mp3"
        << QByteArray("encoded");
    QTest::newRow("overwrite keeps a read-only output")
        << overwrite << false << 0444 << false << QByteArray() << JobState::Failed << JobFailure::OutputReadOnly << "out/a.mp3"
        << QByteArray("old");
    QTest::newRow("overwrite keeps a read-only output that appeared")
        << overwrite << true << 0444 << false << QByteArray() << JobState::Failed << JobFailure::OutputReadOnly << "out/a.mp3"
        << QByteArray("other");
    // Update: an output there before is older than in.wav until touched.
    QTest::newRow("update replaces an output still older")
        << update << false << 0644 << false << QByteArray() << JobState::Finished << JobFailure::None << "out/a.mp3"
        << QByteArray("encoded");
    QTest::newRow("update keeps an output made newer meanwhile")
        << update << false << 0644 << false << touch("out/a.mp3", 60) << JobState::Skipped << JobFailure::None << "out/a.mp3"
        << QByteArray("old");
    QTest::newRow("update keeps a newer output that appeared")
        << update << true << 0644 << false << touch("out/a.mp3", 60) << JobState::Skipped << JobFailure::None << "out/a.mp3"
        << QByteArray("other");
    QTest::newRow("update keeps an output that appeared with the input's time")
        << update << true << 0644 << false << touch("out/a.mp3", 0) << JobState::Skipped << JobFailure::None << "out/a.mp3"
        << QByteArray("other");
    // Times count to the nanosecond: an output older by less than a second is older.
    QTest::newRow("update replaces an output that appeared a nanosecond older")
        << update << true << 0644 << false << touchWithin("in.wav", 1) + touch("out/a.mp3", 0) << JobState::Finished
        << JobFailure::None << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("update keeps an output that appeared with the input's time to the nanosecond")
        << update << true << 0644 << false << touchWithin("in.wav", 500000000) + touchWithin("out/a.mp3", 500000000)
        << JobState::Skipped << JobFailure::None << "out/a.mp3" << QByteArray("other");
    QTest::newRow("update replaces an older output that appeared")
        << update << true << 0644 << false << touch("out/a.mp3", -60) << JobState::Finished << JobFailure::None << "out/a.mp3"
        << QByteArray("encoded");
    QTest::newRow("update dates back an output whose input changed meanwhile")
        << update << false << 0644 << false << touch("in.wav", 60) << JobState::Finished << JobFailure::None
        << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("update keeps a read-only output still older")
        << update << false << 0444 << false << QByteArray() << JobState::Failed << JobFailure::OutputReadOnly << "out/a.mp3"
        << QByteArray("old");
}
// clang-format on

// What is there when a file is done counts, not what the plan saw: another program may have
// made the output meanwhile. The superuser's overwrite leaves the file its owner's.
void TestBatchRunner::outputThereWhenDone()
{
    QFETCH(ExistingOutputPolicy, policy);
    QFETCH(bool, appears);
    QFETCH(int, mode);
    QFETCH(bool, secondTaken);
    QFETCH(QByteArray, meanwhile);
    QFETCH(JobState, state);
    QFETCH(JobFailure, failure);
    QFETCH(QString, output);
    QFETCH(QByteArray, aHolds);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const QString a = dir.filePath(QStringLiteral("out/a.mp3"));
    // Another user's file when run as the superuser.
    const QByteArray owner = ::geteuid() == 0 ? "65534:65534" : QByteArray::number(::geteuid());
    const QByteArray makeA = "chmod " + QByteArray::number(mode, 8) + " out/a.mp3; chown " + owner + " out/a.mp3\n";
    if (secondTaken)
        testing::mustWrite(dir.filePath(QStringLiteral("out/a (2).mp3")), "second");
    const QString encoder = writeEncoder(dir.path(), (appears ? "printf other > out/a.mp3; " + makeA : QByteArray())
                                                         + meanwhile + "printf encoded > \"$out\"\n");
    testing::mustWrite(dir.filePath(QStringLiteral("in.wav")), "sound");
    QVERIFY(setModified(dir.filePath(QStringLiteral("in.wav")), kInputTime));
    if (!appears) {
        testing::mustWrite(a, "old");
        QVERIFY(setModified(a, kInputTime - 100));
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromUtf8(makeA)});
        QVERIFY(shell.waitForFinished() && shell.exitCode() == 0);
    }
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(a).constData(), &before), appears ? -1 : 0);

    BatchRunner runner(encoder, {job("in.wav", "out/a.mp3")}, dir.path());
    runner.setExistingOutputPolicy(policy);
    QSignalSpy changed(&runner, &BatchRunner::jobChanged);
    QVERIFY(runToEnd(runner));

    QCOMPARE(runner.status(0).state, state);
    QCOMPARE(runner.status(0).failure, failure);
    QCOMPARE(runner.job(0).output, output);
    const fenwave::SkipReason reason = policy == ExistingOutputPolicy::Update
                                           ? fenwave::SkipReason::OutputUpToDate
                                           : fenwave::SkipReason::AppearedDuringBatch;
    QCOMPARE(runner.job(0).skip, state == JobState::Skipped ? reason : fenwave::SkipReason::None);
    QCOMPARE(changed.last().at(0).toInt(), 0);
    QCOMPARE(testing::readAll(a), aHolds);
    if (state == JobState::Finished)
        QCOMPARE(testing::readAll(dir.filePath(output)), QByteArray("encoded"));
    // An output put in place is up to date for a run that updates, unless its input changed
    // while it was encoded: then the next such run encodes it again.
    if (policy == ExistingOutputPolicy::Update && state == JobState::Finished) {
        const qint64 outputTime = nanosecondsModified(dir.filePath(output));
        const qint64 inputTime = nanosecondsModified(dir.filePath(QStringLiteral("in.wav")));
        QCOMPARE(outputTime < inputTime, meanwhile.contains("in.wav"));
    }
    if (secondTaken)
        QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("out/a (2).mp3"))), QByteArray("second"));
    QVERIFY2(temporariesLeft(dir.path()).isEmpty(), qPrintable(temporariesLeft(dir.path()).join(u' ')));
    if (!appears) {
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(a).constData(), &after), 0);
        QCOMPARE(after.st_mode & 07777, mode_t(mode));
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
    }
}

// clang-format off
void TestBatchRunner::outputThatIsNoPlainFile_data()
{
    QTest::addColumn<ExistingOutputPolicy>("policy");
    QTest::addColumn<QByteArray>("entry"); // the shell command that makes out/a.mp3
    QTest::addColumn<bool>("during");      // the encoder makes it as it runs; else it is there at the start
    QTest::addColumn<JobState>("state");
    QTest::addColumn<JobFailure>("failure");
    QTest::addColumn<QString>("output");   // the job's output name afterwards

    const auto skip = ExistingOutputPolicy::Skip;
    const auto number = ExistingOutputPolicy::Number;
    const auto overwrite = ExistingOutputPolicy::Overwrite;
    const auto update = ExistingOutputPolicy::Update;
    const QByteArray device = "ln -s /dev/null out/a.mp3";
    const QByteArray pipe = "mkfifo out/a.mp3";
    const QByteArray folder = "mkdir out/a.mp3";
    const QByteArray dangling = "ln -s gone.mp3 out/a.mp3";
    const JobState skipped = JobState::Skipped;
    const JobState finished = JobState::Finished;
    const JobState failed = JobState::Failed;
    const JobFailure none = JobFailure::None;
    const JobFailure notRegular = JobFailure::OutputNotRegular;
    QTest::newRow("skip: a link to a device") << skip << device << false << skipped << none << "out/a.mp3";
    QTest::newRow("skip: a pipe") << skip << pipe << false << skipped << none << "out/a.mp3";
    QTest::newRow("skip: a folder") << skip << folder << false << skipped << none << "out/a.mp3";
    QTest::newRow("number: a link to a device") << number << device << false << finished << none << "out/a (2).mp3";
    QTest::newRow("overwrite: a link to a device") << overwrite << device << false << failed << notRegular << "out/a.mp3";
    QTest::newRow("overwrite: a folder") << overwrite << folder << false << failed << notRegular << "out/a.mp3";
    QTest::newRow("overwrite: a pipe made during the run") << overwrite << pipe << true << failed << notRegular << "out/a.mp3";
    QTest::newRow("overwrite: a dangling link made during the run")
        << overwrite << dangling << true << failed << notRegular << "out/a.mp3";
    QTest::newRow("update: a link to a device") << update << device << false << failed << notRegular << "out/a.mp3";
    QTest::newRow("update: a folder made during the run") << update << folder << true << failed << notRegular << "out/a.mp3";
}
// clang-format on

// An entry that is no plain file at an output's name (a user or another program put it there,
// before the file started or while it was encoded) is never written through nor replaced: skip
// skips, number numbers, and the policies that replace outputs fail the file.
void TestBatchRunner::outputThatIsNoPlainFile()
{
    QFETCH(ExistingOutputPolicy, policy);
    QFETCH(QByteArray, entry);
    QFETCH(bool, during);
    QFETCH(JobState, state);
    QFETCH(JobFailure, failure);
    QFETCH(QString, output);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("out")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("as made/out")));
    const auto make = [&entry](const QString &folder) {
        QProcess shell;
        shell.setWorkingDirectory(folder);
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromUtf8(entry)});
        return shell.waitForFinished() && shell.exitCode() == 0;
    };
    QVERIFY(make(dir.filePath(QStringLiteral("as made"))));
    if (!during)
        QVERIFY(make(dir.path()));
    const QString encoder = writeEncoder(dir.path(), (during ? entry + '\n' : QByteArray())
                                                         + "printf '%s' \"$out\" > wrote; printf encoded > \"$out\"\n");
    testing::mustWrite(dir.filePath(QStringLiteral("in.wav")), "sound");
    QVERIFY(setModified(dir.filePath(QStringLiteral("in.wav")), kInputTime));

    BatchRunner runner(encoder, {job("in.wav", "out/a.mp3")}, dir.path());
    runner.setExistingOutputPolicy(policy);
    QVERIFY(runToEnd(runner));

    QCOMPARE(runner.status(0).state, state);
    QCOMPARE(runner.status(0).failure, failure);
    QCOMPARE(runner.job(0).output, output);
    if (state == JobState::Skipped)
        QCOMPARE(runner.job(0).skip, fenwave::SkipReason::AppearedDuringBatch);
    QCOMPARE(entryOf(dir.filePath(QStringLiteral("out/a.mp3"))),
             entryOf(dir.filePath(QStringLiteral("as made/out/a.mp3"))));
    const QByteArray wrote = testing::readAll(dir.filePath(QStringLiteral("wrote")));
    QVERIFY2(wrote.isEmpty() || wrote.contains(".fenwave-"), wrote.constData());
    if (state == JobState::Finished)
        QCOMPARE(testing::readAll(dir.filePath(output)), QByteArray("encoded"));
    QVERIFY2(temporariesLeft(dir.path()).isEmpty(), qPrintable(temporariesLeft(dir.path()).join(u' ')));
}

// clang-format off
void TestBatchRunner::outputsWithoutExclusiveNaming_data()
{
    QTest::addColumn<Naming>("naming");
    QTest::addColumn<ExistingOutputPolicy>("policy");
    QTest::addColumn<QByteArray>("before"); // what out/a.mp3 holds at the start, older than in.wav; null: nothing
    QTest::addColumn<QByteArray>("meanwhile"); // what happens during the run, in the shell
    QTest::addColumn<JobState>("state");
    QTest::addColumn<QString>("output");    // the job's output name afterwards
    QTest::addColumn<QByteArray>("aHolds"); // what out/a.mp3 holds afterwards

    const auto skip = ExistingOutputPolicy::Skip;
    const auto number = ExistingOutputPolicy::Number;
    const auto overwrite = ExistingOutputPolicy::Overwrite;
    const auto update = ExistingOutputPolicy::Update;
    const QByteArray nothing;
    const QByteArray appears = "printf other > out/a.mp3; ";
    const JobState finished = JobState::Finished;
    QTest::newRow("no exclusive rename: a second name puts the output in place")
        << Naming::LinkOnly << skip << nothing << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("no exclusive rename: skip keeps an output that appeared")
        << Naming::LinkOnly << skip << nothing << appears << JobState::Skipped << "out/a.mp3" << QByteArray("other");
    QTest::newRow("neither: the output takes its free name")
        << Naming::Neither << skip << nothing << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("neither: skip keeps an output that appeared")
        << Naming::Neither << skip << nothing << appears << JobState::Skipped << "out/a.mp3" << QByteArray("other");
    QTest::newRow("neither: number takes the next name")
        << Naming::Neither << number << nothing << appears << finished << "out/a (2).mp3" << QByteArray("other");
    QTest::newRow("neither: update puts a new output in place")
        << Naming::Neither << update << nothing << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("FAT: the output takes its free name")
        << Naming::Fat << skip << nothing << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("FAT: skip keeps an output that appeared")
        << Naming::Fat << skip << nothing << appears << JobState::Skipped << "out/a.mp3" << QByteArray("other");
    QTest::newRow("FAT: number takes the next name")
        << Naming::Fat << number << nothing << appears << finished << "out/a (2).mp3" << QByteArray("other");
    QTest::newRow("FAT: overwrite replaces an output")
        << Naming::Fat << overwrite << QByteArray("old") << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("FAT: update replaces an older output")
        << Naming::Fat << update << QByteArray("old") << QByteArray() << finished << "out/a.mp3" << QByteArray("encoded");
    QTest::newRow("FAT: update dates back an output whose input changed meanwhile")
        << Naming::Fat << update << QByteArray("old") << "touch -d @" + QByteArray::number(kInputTime + 60) + " in.wav; "
        << finished << "out/a.mp3" << QByteArray("encoded");
}
// clang-format on

// Where the file system has no rename that never replaces (it answers EINVAL), a second name
// takes the output's place; where it has no hard links either (EPERM), the name is looked at
// once more and the file renamed. FAT through FUSE is such a file system.
void TestBatchRunner::outputsWithoutExclusiveNaming()
{
    QFETCH(Naming, naming);
    QFETCH(ExistingOutputPolicy, policy);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, meanwhile);
    QFETCH(JobState, state);
    QFETCH(QString, output);
    QFETCH(QByteArray, aHolds);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString folder = dir.path();
    FatMount fat;
    if (naming == Naming::Fat) {
        folder = dir.filePath(QStringLiteral("fat"));
        if (const QString why = fat.mount(dir.filePath(QStringLiteral("fat.img")), folder); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    const fenwave::ExclusiveNaming own = fenwave::setExclusiveNaming(namingOf(naming));
    const auto restore = qScopeGuard([own] { fenwave::setExclusiveNaming(own); });
    g_linksMade = 0;
    QVERIFY(QDir(folder).mkpath(QStringLiteral("out")));
    testing::mustWrite(folder + QStringLiteral("/in.wav"), "sound");
    QVERIFY(setModified(folder + QStringLiteral("/in.wav"), kInputTime));
    if (!before.isNull()) {
        testing::mustWrite(folder + QStringLiteral("/out/a.mp3"), before);
        QVERIFY(setModified(folder + QStringLiteral("/out/a.mp3"), kInputTime - 100));
    }
    const QString encoder = writeEncoder(dir.path(), meanwhile + "printf encoded > \"$out\"\n");

    BatchRunner runner(encoder, {job("in.wav", "out/a.mp3")}, folder);
    runner.setExistingOutputPolicy(policy);
    QVERIFY(runToEnd(runner));

    QVERIFY2(runner.status(0).state == state,
             qPrintable(QString::number(int(runner.status(0).state)) + QStringLiteral(": ")
                        + fenwave::jobStatusText(runner.status(0), fenwave::messageTextsFor(fenwave::Language::English),
                                                 fenwave::StatusView::BatchList)));
    QCOMPARE(runner.job(0).output, output);
    QCOMPARE(testing::readAll(folder + QStringLiteral("/out/a.mp3")), aHolds);
    if (state == JobState::Finished)
        QCOMPARE(testing::readAll(folder + '/' + output), QByteArray("encoded"));
    // FAT keeps times to two seconds: an output dated back is still older than its input.
    if (meanwhile.contains("in.wav"))
        QVERIFY(nanosecondsModified(folder + '/' + output) < nanosecondsModified(folder + QStringLiteral("/in.wav")));
    // Without a rename that never replaces, a new name is a second name first.
    if (naming == Naming::LinkOnly)
        QVERIFY(g_linksMade > 0);
    QVERIFY2(temporariesLeft(folder).isEmpty(), qPrintable(temporariesLeft(folder).join(u' ')));
}

// clang-format off
void TestBatchRunner::stop_data()
{
    QTest::addColumn<QByteArray>("script"); // writes its input's name into "<input>.pids" first
    QTest::addColumn<bool>("destroy");      // the runner goes instead of being stopped
    QTest::addColumn<bool>("childAsked");   // the encoder's child is asked to stop, not only killed

    const QByteArray loop = "while :; do sleep 0.1; done\n";
    QTest::newRow("encoder that ends on SIGTERM") << "printf partial > \"$out\"; " + loop << false << false;
    QTest::newRow("encoder that ignores SIGTERM")
        << "trap '' TERM; printf partial > \"$out\"; " + loop << false << false;
    QTest::newRow("wrapper whose child must stop too")
        << QByteArray("sh -c 'printf partial > \"$1\"; while :; do sleep 0.1; done' child \"$out\" &\n"
                      "echo $! >> \"$in.pids\"; wait\n") << false << false;
    // The wrapper outlives the signal and waits for its child, which only the signal ends.
    QTest::newRow("wrapper waiting for its child to stop")
        << QByteArray("trap : TERM\n"
                      "sh -c 'trap \"echo asked > \\\"\\$1.asked\\\"; exit\" TERM; printf partial > \"$2\"; "
                      "sleep 1000 & wait' child \"$in\" \"$out\" &\n"
                      "echo $! >> \"$in.pids\"; wait; wait\n") << false << true;
    QTest::newRow("runner goes while encoders run")
        << "trap '' TERM; printf partial > \"$out\"; " + loop << true << false;
}
// clang-format on

// Stop in the middle: the running files end stopped with nothing left of them, the waiting one
// never starts.
void TestBatchRunner::stop()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, destroy);
    QFETCH(bool, childAsked);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    testing::mustWrite(dir.filePath(QStringLiteral("b.mp3")), "old");
    const QString encoder = writeEncoder(dir.path(), "echo $$ > \"$in.pids\"\n" + script);
    auto runner = std::make_unique<BatchRunner>(
        encoder, fenwave::BatchJobs{job("a", "a.mp3"), job("b", "b.mp3"), job("c", "out/c.mp3")}, dir.path());
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
        // Ended once, and no longer stopping: ready for Retry.
        QVERIFY(!runner->isRunning());
        QVERIFY(!runner->isStopping());
        QCOMPARE(finished.count(), 1);
    }
    if (childAsked)
        QCOMPARE(testing::readAll(dir.filePath("a.asked")), QByteArray("asked\n"));
    const QStringList pids = testing::readLines(dir.filePath("a.pids")) + testing::readLines(dir.filePath("b.pids"));
    for (const QString &pid : pids)
        QTRY_VERIFY_WITH_TIMEOUT(!testing::isAlive(pid), kEndMs);
    QVERIFY(!QFile::exists(dir.filePath("c.pids")));
    QVERIFY(!QFile::exists(dir.filePath("a.mp3")));
    QCOMPARE(testing::readAll(dir.filePath("b.mp3")), QByteArray("old"));
    QVERIFY2(temporariesLeft(dir.path()).isEmpty(), qPrintable(temporariesLeft(dir.path()).join(u' ')));
    QVERIFY(!OutputsInWriting::shared().isBeingWritten(QStringLiteral("a.mp3"), dir.path()));
}

// clang-format off
void TestBatchRunner::embeddedCover_data()
{
    QTest::addColumn<QByteArray>("picture");   // embedded in the input
    QTest::addColumn<bool>("besideToo");       // a cover.jpg beside the input
    QTest::addColumn<bool>("version1");        // "Add only a version 1 tag"
    QTest::addColumn<bool>("temporaryFolder"); // the system's temporary folder is there
    QTest::addColumn<QByteArray>("script");    // what the encoder does once it has looked at its cover
    QTest::addColumn<QString>("end");          // "" to the end, "stop" or "runner goes" while it runs
    QTest::addColumn<JobState>("state");
    QTest::addColumn<QString>("passed");       // what "--ti" names: "temporary .jpg", "beside" or nothing

    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(300000, 'j');
    const QByteArray png = QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(100, 'p');
    const QByteArray bmp = "BM" + QByteArray(100, 'b');
    const QByteArray writes = "printf encoded > \"$out\"\n";
    const QByteArray fails = "exit 3\n";
    const QByteArray runs = "while :; do sleep 0.1; done\n";
    QTest::newRow("finished: a temporary file named by its kind, then gone")
        << jpeg << true << false << true << writes << "" << JobState::Finished << "temporary .jpg";
    QTest::newRow("PNG") << png << false << false << true << writes << "" << JobState::Finished << "temporary .png";
    QTest::newRow("failed: gone") << jpeg << false << false << true << fails << "" << JobState::Failed
                                  << "temporary .jpg";
    QTest::newRow("stopped: gone") << jpeg << false << false << true << runs << "stop" << JobState::Stopped
                                   << "temporary .jpg";
    QTest::newRow("the runner goes while the encoder runs: gone") << jpeg << false << false << true << runs
        << "runner goes" << JobState::Encoding << "temporary .jpg";
    QTest::newRow("a picture the encoder refuses: the one beside the file instead")
        << bmp << true << false << true << writes << "" << JobState::Finished << "beside";
    QTest::newRow("a picture the encoder refuses, none beside: no cover")
        << bmp << false << false << true << writes << "" << JobState::Finished << "";
    QTest::newRow("version 1 only: no cover") << jpeg << false << true << true << writes << "" << JobState::Finished
                                              << "";
    QTest::newRow("no temporary folder: the file fails before its encoder starts")
        << jpeg << false << false << false << writes << "" << JobState::Failed << "";
}
// clang-format on

// An embedded cover reaches the encoder as a file of its own in the system's temporary folder,
// which goes however the job ends.
void TestBatchRunner::embeddedCover()
{
    QFETCH(QByteArray, picture);
    QFETCH(bool, besideToo);
    QFETCH(bool, version1);
    QFETCH(bool, temporaryFolder);
    QFETCH(QByteArray, script);
    QFETCH(QString, end);
    QFETCH(JobState, state);
    QFETCH(QString, passed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString temporary = dir.filePath(QStringLiteral("tmp"));
    if (temporaryFolder)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tmp")));
    const QByteArray savedTemporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary));
    const auto restore = qScopeGuard([savedTemporary] { qputenv("TMPDIR", savedTemporary); });
    const QString input = dir.filePath(QStringLiteral("in пут.wav"));
    QVERIFY(writeWaveWithCover(input, picture));
    if (besideToo)
        testing::mustWrite(dir.filePath(QStringLiteral("cover.jpg")), "\xFF\xD8\xFF beside");
    const QString encoder = writeEncoder(dir.path(), R"sh(cover=; next=
for a; do if [ -n "$next" ]; then cover=$a; next=; fi; [ "$a" = --ti ] && next=1; done
printf '%s' "$cover" > cover-passed; [ -n "$cover" ] && cat "$cover" > cover-seen
touch looked
)sh" + script);

    BatchJob planned = job(input, QStringLiteral("out.mp3"));
    planned.tagRules.carry = true;
    planned.tagRules.cover = !version1;
    auto runner = std::make_unique<BatchRunner>(encoder, fenwave::BatchJobs{planned}, dir.path());
    if (end.isEmpty()) {
        QVERIFY(runToEnd(*runner));
    } else {
        QSignalSpy finished(runner.get(), &BatchRunner::finished);
        runner->start();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("looked"))), kEndMs);
        QCOMPARE(QDir(temporary).entryList(QDir::Files).size(), 1); // there while the encoder runs
        if (end == QLatin1String("stop")) {
            runner->stop();
            QVERIFY(finished.wait(kEndMs));
        } else {
            QCOMPARE(runner->status(0).state, state);
            runner.reset();
        }
    }
    if (runner)
        QCOMPARE(runner->status(0).state, state);

    const QString named = QString::fromUtf8(testing::readAll(dir.filePath(QStringLiteral("cover-passed"))));
    if (passed.startsWith(QLatin1String("temporary"))) {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(temporary + "/fenwave-cover-") + "[A-Za-z0-9]{6}"
            + QRegularExpression::escape(passed.section(u' ', 1))));
        QVERIFY2(pattern.match(named).hasMatch(), qPrintable(named));
        QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("cover-seen"))), picture);
    } else if (passed == QLatin1String("beside")) {
        QCOMPARE(named, dir.filePath(QStringLiteral("cover.jpg")));
    } else {
        QCOMPARE(named, QString());
    }
    if (temporaryFolder)
        QCOMPARE(QDir(temporary).entryList(QDir::Files | QDir::Hidden), QStringList());
    if (!temporaryFolder) {
        QCOMPARE(runner->status(0).failure, JobFailure::CannotWriteCover);
        QCOMPARE(runner->status(0).code, ENOENT);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("looked"))));
        QVERIFY(temporariesLeft(dir.path()).isEmpty());
    }
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
flock 9; echo $(( $(cat running) - 1 )) > running; echo "$in" >> started; flock -u 9
printf encoded > "$out"
)sh")
                                                         .arg(atOnce)
                                                         .toUtf8());
    // Into folders that are not there yet; one name takes a whole file name's room (255 bytes).
    fenwave::BatchJobs jobs;
    for (int i = 0; i < 7; ++i) {
        const QString input = QStringLiteral("%1 %2").arg(i < atOnce ? "hold" : "file").arg(i);
        const QString name = i == 5 ? input + "x" + QString(122, QChar(0x44F)) + ".mp3" : input + ".mp3";
        jobs.append(job(input, "out/" + QString::number(i) + "/" + name, i == 3));
    }
    // The last file, skipped: the runner goes no further than it, and never starts it.
    jobs.append(job(QStringLiteral("file 7"), QStringLiteral("out/7/file 7.mp3"), true));
    QCOMPARE(QFile::encodeName(QFileInfo(jobs[5].output).fileName()).size(), 255);
    BatchRunner runner(encoder, jobs, dir.path());
    runner.setEncodersAtOnce(atOnce);
    QSignalSpy changed(&runner, &BatchRunner::jobChanged);
    QVERIFY(runToEnd(runner));

    // Each file that is not skipped is started once, the last one too, and nothing past it.
    QStringList started = testing::readLines(dir.filePath(QStringLiteral("started")));
    started.sort();
    QStringList inputs;
    for (const BatchJob &each : jobs) {
        if (!each.skipped())
            inputs += each.input;
    }
    inputs.sort();
    QCOMPARE(started, inputs);
    for (const QList<QVariant> &signal : changed)
        QVERIFY(signal.at(0).toInt() >= 0 && signal.at(0).toInt() < jobs.size());
    const QStringList seen = testing::readLines(dir.filePath(QStringLiteral("seen")));
    QCOMPARE(seen.size(), 6); // the skipped file never ran
    QCOMPARE(*std::max_element(seen.begin(), seen.end(), [](auto &a, auto &b) { return a.toInt() < b.toInt(); }),
             QString::number(atOnce));
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(runner.status(i).state, i == 3 ? JobState::Skipped : JobState::Finished);
        QCOMPARE(QFile::exists(dir.filePath(jobs[i].output)), i != 3);
    }
    QCOMPARE(runner.status(7).state, JobState::Skipped);
    QCOMPARE(runner.counts().finished, 6);
    QCOMPARE(runner.counts().skipped, 2);
    QCOMPARE(runner.overallProgress(), 1.0);
}

void TestBatchRunner::encoderThatCannotStart_data()
{
    QTest::addColumn<QByteArray>("encoder"); // null: there is none
    QTest::addColumn<int>("firstLength");    // of a title the first file alone has
    QTest::newRow("missing") << QByteArray() << 0;
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << 0;
    // More than the system takes for one argument.
    QTest::newRow("one file's arguments too long") << QByteArray("printf encoded > \"$out\"\n") << 300 * 1024;
}

// None other is tried, nothing is left behind, and no file counts as failed: the batch can be
// started again once the encoder is there. A start that fails for one file's own arguments
// fails that file alone, saying why.
void TestBatchRunner::encoderThatCannotStart()
{
    QFETCH(QByteArray, encoder);
    QFETCH(int, firstLength);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (firstLength > 0) {
        BatchJob huge = job("a", "a.mp3");
        huge.switches << QStringLiteral("--tt") << QString(firstLength, u'x');
        BatchRunner runner(writeEncoder(dir.path(), encoder), {huge, job("b", "b.mp3"), job("c", "c.mp3")}, dir.path());
        runner.setEncodersAtOnce(3);
        QVERIFY(runToEnd(runner));
        QCOMPARE(runner.programNotStarted(), QString());
        QCOMPARE(runner.status(0).state, JobState::Failed);
        QCOMPARE(runner.status(0).code, E2BIG);
        // The system's words for the error, in the locale's language ("Argument list too long").
        const QString why = qt_error_string(E2BIG);
        QCOMPARE(told(runner, 0), QStringLiteral("Failed, the encoder could not be started: ") + why);
        QCOMPARE(told(runner, 0, fenwave::Language::Russian),
                 QStringLiteral("Ошибка, кодировщик не запустился: ") + why);
        QCOMPARE(runner.counts().finished, 2);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.mp3"))));
        QVERIFY(temporariesLeft(dir.path()).isEmpty());
        return;
    }
    const QString program = dir.filePath(QStringLiteral("encoder"));
    if (!encoder.isNull())
        testing::mustWrite(program, encoder);
    BatchRunner runner(program, {job("a", "a.mp3"), job("b", "b.mp3"), job("c", "c.mp3")}, dir.path());
    runner.setEncodersAtOnce(3);
    QVERIFY(runToEnd(runner));
    QCOMPARE(runner.programNotStarted(), program);
    QCOMPARE(runner.counts().waiting, 3);
    QVERIFY(temporariesLeft(dir.path()).isEmpty());
    QVERIFY(!OutputsInWriting::shared().isBeingWritten(QStringLiteral("a.mp3"), dir.path()));

    writeEncoder(dir.path(), "printf encoded > \"$out\"\n");
    QVERIFY(runToEnd(runner));
    QCOMPARE(runner.programNotStarted(), QString());
    QCOMPARE(runner.counts().finished, 3);
}

// clang-format off
void TestBatchRunner::inputChangedAfterPlanning_data()
{
    QTest::addColumn<QByteArray>("meanwhile"); // done in the batch's folder while a.wav is encoded
    QTest::addColumn<SkipReason>("reason");    // of b.wav, planned as two-channel WAV; None: encoded
    QTest::addColumn<SoundKind>("kind");       // what b.wav holds then, as its job says
    QTest::addColumn<QString>("state");        // b.wav's state as the user is told it

    const QString changed = QStringLiteral("Skipped, the file changed after it was listed: it now holds ");
    const QString notRegular = QStringLiteral("Skipped, not a regular file");
    const QString missing = QStringLiteral("Skipped, the file does not exist");
    QTest::newRow("unchanged") << QByteArray(":") << SkipReason::None << SoundKind::WavPcm << "Finished";
    QTest::newRow("written again, the same kind") << QByteArray("cp stereo.wav b.wav") << SkipReason::None
        << SoundKind::WavPcm << "Finished";
    QTest::newRow("an M4A now") << QByteArray("cp tone.m4a b.wav") << SkipReason::InputChanged << SoundKind::Mp4Audio
        << changed + "M4A";
    QTest::newRow("a picture now") << QByteArray("cp red.jpg b.wav") << SkipReason::InputChanged
        << SoundKind::JpegImage << changed + "JPEG image";
    QTest::newRow("empty now") << QByteArray(": > b.wav") << SkipReason::InputChanged << SoundKind::EmptyFile
        << changed + "empty file";
    QTest::newRow("one channel instead of two") << QByteArray("cp mono.wav b.wav") << SkipReason::InputChanged
        << SoundKind::WavPcm << changed + "WAV";
    QTest::newRow("a link to a device") << QByteArray("ln -sf /dev/zero b.wav") << SkipReason::NotRegularFile
        << SoundKind::NotRegular << notRegular;
    // Opened for reading, it would hold the batch until someone writes into it.
    QTest::newRow("a FIFO") << QByteArray("rm b.wav; mkfifo b.wav") << SkipReason::NotRegularFile
        << SoundKind::NotRegular << notRegular;
    QTest::newRow("a folder") << QByteArray("rm b.wav; mkdir b.wav") << SkipReason::NotRegularFile
        << SoundKind::NotRegular << notRegular;
    QTest::newRow("gone") << QByteArray("rm b.wav") << SkipReason::InputDoesNotExist << SoundKind::WavPcm << missing;
    QTest::newRow("a link that leads nowhere") << QByteArray("ln -sf nowhere.wav b.wav") << SkipReason::InputDoesNotExist
        << SoundKind::WavPcm << missing;
}
// clang-format on

// The kind is looked at again as each file starts: a file replaced after planning never reaches
// the encoder, which would make noise of it, and the batch goes on.
void TestBatchRunner::inputChangedAfterPlanning()
{
    QFETCH(QByteArray, meanwhile);
    QFETCH(SkipReason, reason);
    QFETCH(SoundKind, kind);
    QFETCH(QString, state);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray stereo = silentWave(2, 10);
    for (const char *name : {"a.wav", "b.wav", "c.wav", "stereo.wav"})
        testing::mustWrite(dir.filePath(QString::fromLatin1(name)), stereo);
    testing::mustWrite(dir.filePath(QStringLiteral("mono.wav")), silentWave(1, 10));
    testing::mustWrite(dir.filePath(QStringLiteral("tone.m4a")), QByteArray("\0\0\0\x18"
                                                                            "ftypM4A \0\0\0\0M4A mp42",
                                                                            24)
                                                                     + QByteArray(100, 'm'));
    testing::mustWrite(dir.filePath(QStringLiteral("red.jpg")),
                       QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20));
    const QString encoder = writeEncoder(dir.path(), "case $in in a.wav) " + meanwhile
                                                         + ";; esac\n"
                                                           "echo \"$in\" >> started; printf encoded > \"$out\"\n");
    fenwave::BatchJobs jobs;
    for (const char *name : {"a", "b", "c"}) {
        BatchJob planned = job(QString::fromLatin1(name) + ".wav", QString::fromLatin1(name) + ".mp3");
        planned.kind = SoundKind::WavPcm;
        planned.channels = 2;
        jobs += planned;
    }
    BatchRunner runner(encoder, jobs, dir.path());
    runner.setEncodersAtOnce(1);
    QVERIFY(runToEnd(runner));

    const bool encoded = reason == SkipReason::None;
    QCOMPARE(testing::readLines(dir.filePath(QStringLiteral("started"))),
             encoded ? QStringList({"a.wav", "b.wav", "c.wav"}) : QStringList({"a.wav", "c.wav"}));
    QCOMPARE(runner.status(1).state, encoded ? JobState::Finished : JobState::Skipped);
    QCOMPARE(runner.job(1).skip, reason);
    QCOMPARE(runner.job(1).kind, kind);
    QCOMPARE(told(runner, 1), state);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("b.mp3"))), encoded);
    QCOMPARE(runner.counts().finished, encoded ? 3 : 2);
    QCOMPARE(runner.counts().skipped, encoded ? 0 : 1);
    QVERIFY(temporariesLeft(dir.path()).isEmpty());
}

// clang-format off
void TestBatchRunner::throughTheDecoder_data()
{
    QTest::addColumn<QStringList>("maker");  // ffmpeg's arguments that make the source, written last
    QTest::addColumn<int>("cut");            // the source is cut to this many bytes; 0: whole
    QTest::addColumn<QByteArray>("decoder"); // a stand-in for ffmpeg, given the source; null: ffmpeg
    QTest::addColumn<JobState>("state");
    QTest::addColumn<QString>("said");       // what the file's state says
    QTest::addColumn<bool>("midway");        // a progress between none and all came while it ran

    const QStringList second{"-f", "lavfi", "-i", "sine=duration=1"};
    QTest::newRow("WAV: the MP3 has no length of 49 days") << second + QStringList{"-f", "wav"} << 0 << QByteArray()
        << JobState::Finished << "Finished" << false;
    // The encoder, given nothing, fails too: the decoder says why.
    QTest::newRow("an M4A cut short: the decoder's words")
        << QStringList{"-f", "lavfi", "-i", "sine=duration=3", "-c:a", "aac", "-f", "mp4"} << 20000 << QByteArray()
        << JobState::Failed << "Failed, exit status 1: " << false;
    QTest::newRow("an MP4 of video only: the decoder's words")
        << QStringList{"-f", "lavfi", "-i", "testsrc=duration=1:size=64x48", "-c:v", "mpeg4", "-f", "mp4"} << 0
        << QByteArray() << JobState::Failed << "Failed, exit status 1: Output file #0 does not contain any stream"
        << false;
    QTest::newRow("progress on the way") << second + QStringList{"-f", "wav"} << 0
        << QByteArray("printf 'out_time_us=500000\\nprogress=continue\\n' >&2; sleep 0.3; cat \"$1\"\n")
        << JobState::Finished << "Finished" << true;
}
// clang-format on

// A file through the decoder, with the real encoder: its length is the sound's, its progress is
// the decoder's against the source's length, and a decoder that fails says why the file failed.
void TestBatchRunner::throughTheDecoder()
{
    QFETCH(QStringList, maker);
    QFETCH(int, cut);
    QFETCH(QByteArray, decoder);
    QFETCH(JobState, state);
    QFETCH(QString, said);
    QFETCH(bool, midway);

    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (ffmpeg.isEmpty() || lame.isEmpty())
        QSKIP("ffmpeg or lame is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("source пут"));
    QCOMPARE(QProcess::execute(ffmpeg, QStringList{"-v", "error", "-y"} + maker + QStringList{source}), 0);
    if (cut > 0)
        QVERIFY(QFile::resize(source, cut));
    BatchJob planned = job(QFileInfo(source).fileName(), QStringLiteral("out.mp3"));
    // A title makes the encoder write a tag, and with it the length it believes.
    planned.switches << QStringLiteral("--tt") << QStringLiteral("Song");
    const fenwave::SoundFormat format = fenwave::soundFormatOfFile(source);
    planned.kind = format.kind;
    planned.channels = format.channels;
    planned.decoder = fenwave::decoderCommand(ffmpeg, planned.input, 0);
    if (!decoder.isNull()) {
        QVERIFY(testing::writeExecutable(dir.filePath(QStringLiteral("decoder")), "#!/bin/sh\n" + decoder));
        planned.decoder = QStringList{dir.filePath(QStringLiteral("decoder")), planned.input};
    }
    BatchRunner runner(lame, {planned}, dir.path());
    QList<double> progress;
    connect(&runner, &BatchRunner::jobProgressed, &runner, [&progress](int, double done) { progress += done; });
    QVERIFY(runToEnd(runner));

    QCOMPARE(runner.status(0).state, state);
    QVERIFY2(told(runner, 0).startsWith(said), qPrintable(told(runner, 0)));
    if (cut > 0)
        QVERIFY2(told(runner, 0).contains(QLatin1String("moov atom not found")), qPrintable(told(runner, 0)));
    if (midway)
        QVERIFY(std::any_of(progress.begin(), progress.end(), [](double done) { return done > 0 && done < 1; }));
    const QString mp3 = dir.filePath(QStringLiteral("out.mp3"));
    QCOMPARE(QFile::exists(mp3), state == JobState::Finished);
    if (state != JobState::Finished)
        return;
    TagLib::MPEG::File file(QFile::encodeName(mp3).constData(), true, TagLib::AudioProperties::Accurate);
    QVERIFY(file.isValid() && file.audioProperties() && file.ID3v2Tag());
    QVERIFY(std::abs(file.audioProperties()->lengthInMilliseconds() - 1000) < 100);
    // A length tag, where there is one, says the sound's length in milliseconds.
    const TagLib::ID3v2::FrameList lengths = file.ID3v2Tag()->frameListMap()["TLEN"];
    if (!lengths.isEmpty()) {
        const qint64 length = QString::fromStdString(lengths.front()->toString().to8Bit(true)).toLongLong();
        QVERIFY2(std::abs(length - 1000) < 100, qPrintable(QString::number(length)));
    }
}

// A title longer than the encoder's argument list takes is cut for it: the file is encoded, and
// its state says so.
void TestBatchRunner::tagCutIsTold()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("long title.wav"));
    QVERIFY(testing::writeAll(input, testing::silentWave()));
    {
        TagLib::RIFF::WAV::File file(QFile::encodeName(input).constData());
        file.ID3v2Tag()->setTitle(TagLib::String(std::string(1024 * 1024, 't')));
        QVERIFY(file.save());
    }
    BatchJob planned = job(input, QStringLiteral("out.mp3"));
    planned.tagRules.carry = true;
    BatchRunner runner(writeEncoder(dir.path(), "printf encoded > \"$out\"\n"), {planned}, dir.path());
    QVERIFY(runToEnd(runner));
    QCOMPARE(runner.status(0).state, JobState::Finished);
    QCOMPARE(told(runner, 0), QStringLiteral("Finished, a tag too long for the encoder was cut"));
    QCOMPARE(told(runner, 0, fenwave::Language::Russian),
             QStringLiteral("Готово, слишком длинный для кодировщика тег обрезан"));
}

// A program killed outright takes its encoders with it; the temporary output it leaves goes with
// the next batch of that output, unless a running one holds it.
void TestBatchRunner::killedProgram()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeEncoder(dir.path(), "echo $$ > \"$in.pids\"; printf partial > \"$out\"\nwhile :; do sleep 0.1; done\n");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kBatchUntilKilled), dir.path());
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(testing::readLines(dir.filePath(QStringLiteral("a.pids"))).size() == 1
                                 && temporariesLeft(dir.path()).size() == 1
                                 && QFileInfo(temporariesLeft(dir.path()).constFirst()).size() > 0,
                             kEndMs);
    const QString left = temporariesLeft(dir.path()).constFirst();
    const QString encoderPid = testing::readLines(dir.filePath(QStringLiteral("a.pids"))).constFirst();
    // An encoder left running by a failure here is ended all the same.
    bool ended = false;
    const auto endLeftover = qScopeGuard([&] {
        if (!ended)
            ::kill(pid_t(encoderPid.toInt()), SIGKILL);
    });
    program.kill();
    QVERIFY(program.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!testing::isAlive(encoderPid), kEndMs);
    ended = true;

    // One that a running batch holds, and names of another pattern, stay.
    const QString held = dir.filePath(QStringLiteral(".a.mp3.fenwave-Locked"));
    testing::mustWrite(held, "writing");
    const int handle = ::open(QFile::encodeName(held).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(handle >= 0);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    QCOMPARE(::fcntl(handle, F_OFD_SETLK, &lock), 0);
    const QStringList others{".b.mp3.fenwave-Abcdef", ".a.mp3.fenwave-Abcdefg", ".a.mp3.fenwave-Abc",
                             "a.mp3.fenwave-Abcdef"};
    for (const QString &name : others)
        testing::mustWrite(dir.filePath(name), "user");
    writeEncoder(dir.path(), "printf encoded > \"$out\"\n");
    BatchRunner runner(dir.filePath(QStringLiteral("encoder")), {job("a", "a.mp3")}, dir.path());
    QVERIFY(runToEnd(runner));
    ::close(handle);

    QCOMPARE(testing::readAll(dir.filePath(QStringLiteral("a.mp3"))), QByteArray("encoded"));
    QVERIFY(!QFile::exists(left));
    QCOMPARE(testing::readAll(held), QByteArray("writing"));
    for (const QString &name : others)
        QCOMPARE(testing::readAll(dir.filePath(name)), QByteArray("user"));
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

// The copy of this program that killedProgram() kills: one file, encoded until the end.
int runBatchUntilKilled(const QString &folder)
{
    BatchRunner runner(folder + QStringLiteral("/encoder"), {job("a", "a.mp3")}, folder);
    runner.start();
    return QCoreApplication::exec();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (const QString folder = qEnvironmentVariable(kBatchUntilKilled); !folder.isEmpty())
        return runBatchUntilKilled(folder);
    TestBatchRunner test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_batchrunner.moc"
