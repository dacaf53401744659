// A job that is a chain: a decoder whose output the encoder reads. Stand-ins for both are small
// shell scripts: the decoder writes a few bytes, the encoder copies what it reads into its
// output file.
#include "TestFiles.h"
#include "job/EncoderJob.h"
#include "job/JobStatusText.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using fenwave::EncoderJob;
using fenwave::JobFailure;
using fenwave::JobOutput;
using fenwave::JobState;

Q_DECLARE_METATYPE(JobState)
Q_DECLARE_METATYPE(JobFailure)

namespace {
constexpr int kEndMs = 30000;
}

class TestEncoderJob : public QObject
{
    Q_OBJECT
private slots:
    void chain_data();
    void chain();
    void decoderTellsProgress();
    void statusWords_data();
    void statusWords();
};

// clang-format off
void TestEncoderJob::chain_data()
{
    QTest::addColumn<QByteArray>("decoder");
    QTest::addColumn<QByteArray>("encoder");   // its output file is its last argument
    QTest::addColumn<bool>("stop");            // Stop once both have said "started"
    QTest::addColumn<JobState>("state");
    QTest::addColumn<JobFailure>("failure");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("lastWords");
    QTest::addColumn<QByteArray>("output");    // null: none is left

    const QByteArray copies = "for out; do :; done; cat > \"$out\"; echo 'encoder done'\n";
    QTest::newRow("both succeed") << QByteArray("printf 'sound'; echo 'decoder done' >&2\n") << copies << false
        << JobState::Finished << JobFailure::None << 0 << QByteArray("encoder done") << QByteArray("sound");
    QTest::newRow("the encoder fails: its words") << QByteArray("printf 'sound'; echo 'decoder done' >&2\n")
        << QByteArray("cat > /dev/null; echo 'cannot encode'; exit 3\n") << false
        << JobState::Failed << JobFailure::ExitStatus << 3 << QByteArray("cannot encode") << QByteArray();
    QTest::newRow("the decoder fails, the encoder does not: the decoder's words")
        << QByteArray("printf 'so'; echo 'damaged input' >&2; exit 2\n") << copies << false
        << JobState::Failed << JobFailure::DecoderExitStatus << 2 << QByteArray("damaged input") << QByteArray();
    // The decoder's report lines ("key=value") say nothing: its error does.
    QTest::newRow("the decoder fails amid its report: its words")
        << QByteArray("printf 'so'; printf 'out_time_us=500\\nprogress=continue\\n' >&2; echo '[flac @ 0x5] invalid residual' >&2;"
                      " printf 'out_time_us=900\\nspeed=1x\\nprogress=end\\n' >&2; exit 1\n") << copies << false
        << JobState::Failed << JobFailure::DecoderExitStatus << 1 << QByteArray("invalid residual")
        << QByteArray();
    // The encoder, given nothing, fails after the decoder, in words about its input.
    QTest::newRow("both fail, the decoder first: the decoder's words") << QByteArray("echo 'damaged input' >&2; exit 2\n")
        << QByteArray("cat > /dev/null; echo 'no sound'; exit 4\n") << false
        << JobState::Failed << JobFailure::DecoderExitStatus << 2 << QByteArray("damaged input") << QByteArray();
    QTest::newRow("the decoder's first error is why") << QByteArray("echo '[mov @ 0x5] moov atom not found' >&2;"
                      " echo 'in put.m4a: Invalid data found when processing input' >&2; exit 1\n")
        << QByteArray("cat > /dev/null; echo \"Can't init infile '-'\"; exit 255\n") << false
        << JobState::Failed << JobFailure::DecoderExitStatus << 1 << QByteArray("moov atom not found")
        << QByteArray();
    // The decoder goes on after the encoder has failed, and fails to write into the pipe no one
    // reads: as ffmpeg says it, and killed by the signal.
    const QByteArray afterEncoder = "printf 'so'; i=0; while [ ! -e gone ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done; ";
    QTest::newRow("both fail, the encoder first: the encoder's words")
        << afterEncoder + "echo 'av_interleaved_write_frame(): Broken pipe' >&2; exit 1\n"
        << QByteArray("echo 'cannot write'; touch gone; exit 3\n") << false
        << JobState::Failed << JobFailure::ExitStatus << 3 << QByteArray("cannot write") << QByteArray();
    QTest::newRow("the encoder fails, the decoder dies writing: the encoder's words")
        << afterEncoder + "sleep 0.1; exec yes\n"
        << QByteArray("echo 'cannot write'; touch gone; exit 3\n") << false
        << JobState::Failed << JobFailure::ExitStatus << 3 << QByteArray("cannot write") << QByteArray();
    // Each ignores its end of the pipe; a stop still ends both.
    QTest::newRow("stop ends both") << QByteArray("echo $$ >> pids; echo started >&2; exec sleep 60\n")
        << QByteArray("echo $$ >> pids; echo started; exec sleep 60\n") << true
        << JobState::Stopped << JobFailure::None << 0 << QByteArray() << QByteArray();
}
// clang-format on

void TestEncoderJob::chain()
{
    QFETCH(QByteArray, decoder);
    QFETCH(QByteArray, encoder);
    QFETCH(bool, stop);
    QFETCH(JobState, state);
    QFETCH(JobFailure, failure);
    QFETCH(int, code);
    QFETCH(QByteArray, lastWords);
    QFETCH(QByteArray, output);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(testing::writeExecutable(dir.filePath("decoder"), "#!/bin/sh\n" + decoder));
    QVERIFY(testing::writeExecutable(dir.filePath("encoder"), "#!/bin/sh\n" + encoder));
    EncoderJob job(
        dir.filePath("encoder"), {"-V", "2"}, "-",
        JobOutput::throughTemporary("out put.mp3", fenwave::ExistingOutputPolicy::Overwrite, "in put.flac", nullptr),
        dir.path());
    job.setDecoder(dir.filePath("decoder"), {"in put.flac"});
    QByteArray said;
    connect(&job, &EncoderJob::outputReady, &job, [&] { said += job.read(); });
    QSignalSpy finished(&job, &EncoderJob::finished);
    QVERIFY(job.start());
    if (stop) {
        QTRY_COMPARE_WITH_TIMEOUT(testing::readLines(dir.filePath("pids")).size(), 2, kEndMs);
        job.stop();
    }
    QVERIFY(finished.wait(kEndMs));
    QCOMPARE(job.status().state, state);
    QCOMPARE(job.status().failure, failure);
    QCOMPARE(job.status().code, code);
    QCOMPARE(job.lastWords(), lastWords);
    QCOMPARE(testing::readAll(dir.filePath("out put.mp3")), output);
    for (const QString &pid : testing::readLines(dir.filePath("pids")))
        QTRY_VERIFY_WITH_TIMEOUT(!testing::isAlive(pid), kEndMs);
}

// In a chain the progress is the decoder's time against the source's length; the encoder's own
// progress lines (it has none on a pipe, but a stand-in may) do not count.
void TestEncoderJob::decoderTellsProgress()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(testing::writeExecutable(
        dir.filePath("decoder"), "#!/bin/sh\nprintf 'out_time_us=N/A\\nout_time_us=250000\\nprogress=continue\\n' >&2\n"
                                 "sleep 0.2; printf 'out_time_us=750000\\nprogress=end\\n' >&2; printf 'sound'\n"));
    QVERIFY(testing::writeExecutable(dir.filePath("encoder"), "#!/bin/sh\nfor out; do :; done; cat > \"$out\"\n"
                                                              "printf '    10/100   (10%%)|    0:01/    0:05|\\n'\n"));
    EncoderJob job(dir.filePath("encoder"), {}, "-",
                   JobOutput::throughTemporary("out.mp3", fenwave::ExistingOutputPolicy::Overwrite, "in.wav", nullptr),
                   dir.path());
    job.setDecoder(dir.filePath("decoder"), {}, 1000);
    QList<double> seen;
    connect(&job, &EncoderJob::outputReady, &job, [&] { job.read(); });
    connect(&job, &EncoderJob::progressed, &job, [&] { seen += job.status().progress; });
    QSignalSpy finished(&job, &EncoderJob::finished);
    QVERIFY(job.start());
    QVERIFY(finished.wait(kEndMs));
    QCOMPARE(job.status().state, JobState::Finished);
    QVERIFY2(seen.contains(0.25) && seen.last() == 0.75, qPrintable(QString::number(seen.size())));
    QCOMPARE(testing::readAll(dir.filePath("out.mp3")), QByteArray("sound"));
}

// clang-format off
void TestEncoderJob::statusWords_data()
{
    QTest::addColumn<JobState>("state");
    QTest::addColumn<JobFailure>("failure");
    QTest::addColumn<bool>("tagsCut");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");

    QTest::newRow("finished") << JobState::Finished << JobFailure::None << false << "Finished" << "Готово";
    QTest::newRow("finished with a tag cut") << JobState::Finished << JobFailure::None << true
        << "Finished, a tag too long for the encoder was cut" << "Готово, слишком длинный для кодировщика тег обрезан";
    QTest::newRow("not started, no reason known") << JobState::Failed << JobFailure::CannotStart << false
        << "Failed, the encoder could not be started" << "Ошибка, кодировщик не запустился";
}
// clang-format on

// A file's state in the batch list and the shell's report, in both languages.
void TestEncoderJob::statusWords()
{
    QFETCH(JobState, state);
    QFETCH(JobFailure, failure);
    QFETCH(bool, tagsCut);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    fenwave::JobStatus status{state, 1, failure, 0};
    status.tagsCut = tagsCut;
    QCOMPARE(fenwave::jobStatusText(status, fenwave::messageTextsFor(fenwave::Language::English)), english);
    QCOMPARE(fenwave::jobStatusText(status, fenwave::messageTextsFor(fenwave::Language::Russian)), russian);
}

QTEST_GUILESS_MAIN(TestEncoderJob)
#include "tst_encoderjob.moc"
