// The whole road with the real encoder: paths typed into the window, the run confirmed, and an
// MP3 file written; and a folder encoded from the shell. Skipped where no "lame" is installed.
#include "FormDriver.h"
#include "TestFiles.h"

#include "batch/BatchRunner.h"
#include "options/EncoderLauncher.h"
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"
#include "ui/RunWindow.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <QProcess>
#include <QScopeGuard>
#include <QProgressBar>
#include <QtEndian>

#include <cmath>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

using testing::FormDriver;
using testing::ModalAnswer;
using testing::Window;

namespace {

// `tenths` tenths of a second of a 440 Hz sine, 44.1 kHz, 16-bit, mono, as a canonical
// RIFF/WAVE file.
QByteArray sineWave(quint32 tenths = 10)
{
    constexpr quint32 rate = 44100;
    constexpr quint16 channels = 1;
    constexpr quint16 bits = 16;
    const quint32 samples = rate / 10 * tenths;
    const quint32 dataSize = samples * channels * bits / 8;

    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    wav += "RIFF";
    u32(36 + dataSize);
    wav += "WAVEfmt ";
    u32(16);
    u16(1); // PCM
    u16(channels);
    u32(rate);
    u32(rate * channels * bits / 8);
    u16(channels * bits / 8);
    u16(bits);
    wav += "data";
    u32(dataSize);
    for (quint32 i = 0; i < samples; ++i)
        u16(quint16(qint16(std::lround(12000.0 * std::sin(2.0 * M_PI * 440.0 * i / rate)))));
    return wav;
}

// An MP3 file starts with an ID3 tag or with a frame sync (eleven set bits).
bool looksLikeMp3(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1000)
        return false;
    const QByteArray head = file.read(4);
    if (head.size() < 4)
        return false;
    if (head.startsWith("ID3"))
        return true;
    return quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void encodesThroughTheWindow_data();
    void encodesThroughTheWindow();
    void encodesADropOfSeveralFiles();
    void encodesFromTheShell_data();
    void encodesFromTheShell();
    void carriesTagsFromTheShell();
    void carriesEmbeddedCoversFromTheShell();
    void routesEveryKindFromTheShell_data();
    void routesEveryKindFromTheShell();
    void takesTagsIntoTheWindow();

private:
    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/fenwave e2e Жж XXXXXX")};
    QString m_lame;
    QString m_ffmpeg; // empty: not installed; the tests that need it are skipped
    QByteArray m_savedPath;
};

void TestEndToEnd::initTestCase()
{
    testing::usePrivateHome();
    m_lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    m_ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (m_lame.isEmpty())
        QSKIP("the encoder \"lame\" is not installed");
    QVERIFY(m_root.isValid());
    QVERIFY(QDir(m_root.path()).mkpath("bin"));
    const QByteArray wave = sineWave();
    QVERIFY(wave.size() > 88000);
    QVERIFY(testing::writeAll(m_root.filePath("вход 1 (take;2).wav"), wave));

    // PATH names only a folder with the encoder: no terminal emulator is found, so the encoder
    // runs in a run window of the program's own.
    QVERIFY(QFile::link(m_lame, m_root.filePath("bin/lame")));
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_root.filePath("bin")));
    QCOMPARE(fenwave::findTerminalEmulator(), QString());
}

void TestEndToEnd::cleanupTestCase()
{
    if (!m_savedPath.isEmpty())
        qputenv("PATH", m_savedPath);
}

// clang-format off
void TestEndToEnd::encodesThroughTheWindow_data()
{
    QTest::addColumn<bool>("useDefaults");
    QTest::addColumn<QString>("output");
    QTest::newRow("full options") << false << "выход 1.mp3";
    QTest::newRow("default settings") << true << "выход 2 $(x).mp3";
}
// clang-format on

void TestEndToEnd::encodesThroughTheWindow()
{
    QFETCH(bool, useDefaults);
    QFETCH(QString, output);

    Window w;
    TForm1 &form = w.form;
    const FormDriver &d = w.d;
    const QString input = m_root.filePath("вход 1 (take;2).wav");
    const QString target = m_root.filePath(output);
    const qint64 inputSize = QFileInfo(input).size();

    form.LamePath = m_lame;
    d.type("edtInput", input);
    d.type("edtOutput", target);
    if (useDefaults)
        d.click("flgDefault");
    const QString line = d.line();
    QVERIFY2(line.contains(target), qPrintable(line));

    {
        ModalAnswer answer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
        form.named<QAction>("mnuRun")->trigger();
        QCOMPARE(answer.count, 1);
        QCOMPARE(answer.text, form.messages.strConfirmRun);
    }

    // No terminal: the run shows in a window of its own, with the encoder's output, its
    // progress and the outcome.
    QCOMPARE(fenwave::RunWindow::windows().size(), 1);
    fenwave::RunWindow *run = fenwave::RunWindow::windows().constFirst();
    const auto closeRun = qScopeGuard([] { fenwave::RunWindow::stopAllAndClose(); });
    QVERIFY(run->windowTitle().contains(QFileInfo(input).fileName()));
    QTRY_COMPARE_WITH_TIMEOUT(run->findChild<QLabel *>("lblRunOutcome")->text(), QStringLiteral("Finished"), 30000);
    const auto *bar = run->findChild<QProgressBar *>("barRunProgress");
    QVERIFY(bar->maximum() > 1);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(run->findChild<QPlainTextEdit *>("edtRunOutput")->toPlainText().contains(target));
    QTRY_VERIFY2_WITH_TIMEOUT(looksLikeMp3(target), qPrintable(line), 30000);
    // Let the encoder finish its file before the folder goes.
    QElapsedTimer settling;
    settling.start();
    for (qint64 before = -1; settling.elapsed() < 30000;) {
        const qint64 now = QFileInfo(target).size();
        if (now == before)
            break;
        before = now;
        QTest::qWait(300);
    }
    QVERIFY(looksLikeMp3(target));
    QCOMPARE(QFileInfo(input).size(), inputSize);
}

// Three short files dropped on the window open a batch window; Start writes an MP3 beside each.
void TestEndToEnd::encodesADropOfSeveralFiles()
{
    QTemporaryDir album(m_root.filePath(QStringLiteral("album XXXXXX")));
    QVERIFY(album.isValid());
    QList<QUrl> urls;
    QStringList outputs;
    for (const QString &name :
         {QStringLiteral("01 one.wav"), QStringLiteral("02 два.wav"), QStringLiteral("03 three.wav")}) {
        QVERIFY(testing::writeAll(album.filePath(name), sineWave(2)));
        urls << QUrl::fromLocalFile(album.filePath(name));
        outputs << album.filePath(name.chopped(4) + QStringLiteral(".mp3"));
    }

    Window w;
    TForm1 &form = w.form;
    form.LamePath = m_lame;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = form.rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.windowHandle(), &enter);
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.windowHandle(), &move);
    QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.windowHandle(), &drop);
    QVERIFY(drop.isAccepted());

    QCOMPARE(form.batchWindows().size(), 1);
    fenwave::BatchWindow *batch = form.batchWindows().constFirst();
    QTRY_VERIFY(!batch->isPlanning()); // a folder is read off the window's thread
    QCOMPARE(batch->model()->rowCount(), 3);
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QVERIFY(batch->runner());
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 60000);
    QCOMPARE(batch->runner()->counts().finished, 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(batch->model()->index(row, fenwave::BatchJobModel::StatusColumn).data().toString(), "Finished");
    for (const QString &output : outputs)
        QVERIFY2(looksLikeMp3(output), qPrintable(output));
    QCOMPARE(batch->findChild<QProgressBar *>("barBatchProgress")->value(),
             batch->findChild<QProgressBar *>("barBatchProgress")->maximum());
}

void TestEndToEnd::encodesFromTheShell_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("streamsClosed"); // started with standard output and error closed
    QTest::addColumn<bool>("again");         // then again with --existing update, one output made older
    QTest::newRow("in a terminal") << "out" << false << false;
    QTest::newRow("output and error closed") << "out closed" << true << false;
    QTest::newRow("run again to update: only the changed file") << "out again" << false << true;
}

void TestEndToEnd::encodesFromTheShell()
{
    QFETCH(QString, output);
    QFETCH(bool, streamsClosed);
    QFETCH(bool, again);
    const QString album = QStringLiteral("альбом 1");
    QDir root(m_root.path());
    QVERIFY(root.mkpath(album));
    const QByteArray wave = sineWave();
    const QStringList tracks{QStringLiteral("track 1"), QStringLiteral("track 2"), QStringLiteral("track 10")};
    for (const QString &track : tracks)
        QVERIFY(testing::writeAll(root.filePath(album + u'/' + track + QStringLiteral(".wav")), wave));

    QProcess process;
    process.setWorkingDirectory(m_root.path());
    const QStringList arguments{QStringLiteral("--encode"),
                                QStringLiteral("--jobs"),
                                QStringLiteral("2"),
                                QStringLiteral("--output-dir"),
                                output,
                                album};
    if (streamsClosed) {
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" >&- 2>&-"),
                                  QStringLiteral(FENWAVE_EXECUTABLE)}
                          + arguments);
    } else {
        process.start(QStringLiteral(FENWAVE_EXECUTABLE), arguments);
    }
    QVERIFY(process.waitForFinished(120000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, err.constData());
    for (const QString &track : tracks) {
        const QString mp3 = root.filePath(output + u'/' + album + u'/' + track + QStringLiteral(".mp3"));
        QVERIFY2(looksLikeMp3(mp3), qPrintable(mp3));
    }
    QCOMPARE(QDir(root.filePath(output + u'/' + album)).entryList(QDir::Files | QDir::Hidden).size(), tracks.size());
    if (!again)
        return;

    const auto outputOf = [&](const QString &track) {
        return root.filePath(output + u'/' + album + u'/' + track + QStringLiteral(".mp3"));
    };
    // The second track's output is made older than its input, as if the input had changed since.
    const QDateTime inputTime
        = QFileInfo(root.filePath(album + u'/' + tracks[1] + QStringLiteral(".wav"))).lastModified();
    QFile stale(outputOf(tracks[1]));
    QVERIFY(stale.open(QIODevice::ReadWrite));
    QVERIFY(stale.setFileTime(inputTime.addSecs(-3600), QFileDevice::FileModificationTime));
    stale.close();
    QStringList keptAt;
    for (const QString &track : tracks)
        keptAt << QFileInfo(outputOf(track)).lastModified().toString(Qt::ISODateWithMs);
    process.start(QStringLiteral(FENWAVE_EXECUTABLE),
                  arguments + QStringList{QStringLiteral("--existing"), QStringLiteral("update")});
    QVERIFY(process.waitForFinished(120000));
    const QString report = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(report));
    for (const QString &track : {tracks[0], tracks[2]}) {
        const QString line = QStringLiteral("%1/%2.wav -> %3/%1/%2.mp3: Skipped, the output is up to date\n")
                                 .arg(album, track, output);
        QVERIFY2(report.contains(line), qPrintable(report));
    }
    QVERIFY2(report.contains(QStringLiteral("%1/%2.wav -> %3/%1/%2.mp3: Finished\n").arg(album, tracks[1], output)),
             qPrintable(report));
    QVERIFY(looksLikeMp3(outputOf(tracks[1])));
    QVERIFY(QFileInfo(outputOf(tracks[1])).lastModified() >= inputTime);
    QCOMPARE(QFileInfo(outputOf(tracks[0])).lastModified().toString(Qt::ISODateWithMs), keptAt[0]);
    QCOMPARE(QFileInfo(outputOf(tracks[2])).lastModified().toString(Qt::ISODateWithMs), keptAt[2]);
}

// A tagged FLAC album with its cover beside it, encoded under a locale that cannot hold
// Cyrillic, into folders named from the tags: every tag arrives in the MP3s.
void TestEndToEnd::carriesTagsFromTheShell()
{
    if (m_ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    QDir root(m_root.path());
    const QString album = QStringLiteral("flac album");
    QVERIFY(root.mkpath(album));
    const QString cover = root.filePath(album + QStringLiteral("/cover.jpg"));
    QVERIFY(QProcess::execute(m_ffmpeg,
                              {"-v", "error", "-f", "lavfi", "-i", "nullsrc=s=1400x1400,geq=random(1)*255:128:128",
                               "-frames:v", "1", "-q:v", "1", cover})
            == 0);
    const QStringList titles{QStringLiteral("Первая \"песня\""), QStringLiteral("Second; $(song)")};
    QStringList arguments{QStringLiteral("--encode"), QStringLiteral("--output-dir"), QStringLiteral("tagged"),
                          QStringLiteral("--name-pattern"), QStringLiteral("{artist}/{year} {album}/{track} {title}")};
    for (int i = 0; i < titles.size(); ++i) {
        const QString flac = root.filePath(album + QStringLiteral("/%1.flac").arg(i + 1));
        QVERIFY(QProcess::execute(m_ffmpeg, {"-v",        "error",
                                             "-f",        "lavfi",
                                             "-i",        "sine=d=0.5",
                                             "-metadata", "title=" + titles[i],
                                             "-metadata", "artist=Исполнитель",
                                             "-metadata", "album=Альбом",
                                             "-metadata", "album_artist=Various",
                                             "-metadata", QStringLiteral("track=%1/2").arg(i + 1),
                                             "-metadata", "disc=1/1",
                                             "-metadata", "date=2020-01-02",
                                             "-metadata", "genre=Rock",
                                             flac})
                == 0);
        arguments << flac;
    }

    QProcess process;
    process.setWorkingDirectory(m_root.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FENWAVE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    for (int i = 0; i < titles.size(); ++i) {
        const QString mp3 = root.filePath(QStringLiteral("tagged/Исполнитель/2020 Альбом/%1 %2.mp3")
                                              .arg(i + 1, 2, 10, QLatin1Char('0'))
                                              .arg(titles[i]));
        QVERIFY2(looksLikeMp3(mp3), qPrintable(mp3));
        TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
        QVERIFY(file.isValid() && file.hasID3v2Tag());
        const TagLib::PropertyMap tags = file.properties();
        const auto text = [&tags](const char *key) {
            return tags.contains(key) ? QString::fromStdString(tags[key].front().to8Bit(true)) : QString();
        };
        QCOMPARE(text("TITLE"), titles[i]);
        QCOMPARE(text("ARTIST"), QStringLiteral("Исполнитель"));
        QCOMPARE(text("ALBUM"), QStringLiteral("Альбом"));
        QCOMPARE(text("ALBUMARTIST"), QStringLiteral("Various"));
        QCOMPARE(text("TRACKNUMBER"), QStringLiteral("%1/2").arg(i + 1));
        QCOMPARE(text("DISCNUMBER"), QStringLiteral("1/1"));
        QCOMPARE(text("DATE"), QStringLiteral("2020"));
        QCOMPARE(text("GENRE"), QStringLiteral("Rock"));
        const TagLib::ID3v2::FrameList pictures = file.ID3v2Tag()->frameList("APIC");
        QCOMPARE(pictures.size(), 1u);
        const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
        QCOMPARE(QByteArray(picture->picture().data(), int(picture->picture().size())), testing::readAll(cover));
    }
}

// FLAC files with a cover of about 1 MB embedded and tags no name could hold, and one without
// tags: each MP3 gets its own file's cover and text, and the covers' temporary files are gone.
void TestEndToEnd::carriesEmbeddedCoversFromTheShell()
{
    if (m_ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    QDir root(m_root.path());
    const QString album = QStringLiteral("embedded");
    QVERIFY(root.mkpath(album + QStringLiteral("/tmp")));
    const QString temporary = root.filePath(album + QStringLiteral("/tmp"));
    const QString cover = root.filePath(QStringLiteral("art.jpg")); // not beside the files
    QVERIFY(QProcess::execute(m_ffmpeg,
                              {"-v", "error", "-f", "lavfi", "-i", "nullsrc=s=1300x1300,geq=random(1)*255:128:128",
                               "-frames:v", "1", "-q:v", "1", cover})
            == 0);
    QVERIFY2(QFileInfo(cover).size() > 700000, qPrintable(QString::number(QFileInfo(cover).size())));

    struct Track {
        QString file;
        QString title; // empty: no tags at all
    };
    const QList<Track> tracks{
        {QStringLiteral("1.flac"), QStringLiteral("Строка одна\nстрока \"две\"; $(rm -rf ~) 'x'")},
        {QStringLiteral("2.flac"), QString(4998, QChar(u'Ж')) + QStringLiteral("ok")},
        {QStringLiteral("3 bare.flac"), QString()},
    };
    QStringList inputs;
    for (const Track &track : tracks) {
        const QString flac = root.filePath(album + u'/' + track.file);
        QStringList arguments{"-v", "error", "-f", "lavfi", "-i", "sine=d=0.5"};
        if (!track.title.isEmpty())
            arguments << testing::ffmpegEmbeddedCover(cover) << "-metadata"
                      << "title=" + track.title << "-metadata"
                      << "artist=Исполнитель";
        QVERIFY(QProcess::execute(m_ffmpeg, arguments << flac) == 0);
        inputs << flac;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    const auto fenwave = [&](const QStringList &options, QByteArray *out) {
        QProcess process;
        process.setWorkingDirectory(m_root.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(FENWAVE_EXECUTABLE), QStringList{QStringLiteral("--encode")} + options + inputs);
        if (!process.waitForFinished(120000))
            return -1;
        *out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        if (process.exitCode() != 0)
            qWarning("%s", err.constData());
        return process.exitCode();
    };

    // A dry run reads the tags as it prints; a cover that exists only while its file is
    // encoded is left out of the line, and a comment after it says the cover goes too.
    QByteArray printed;
    QCOMPARE(fenwave({QStringLiteral("--dry-run")}, &printed), 0);
    QCOMPARE(printed.count(" --ta "), 2);
    QCOMPARE(printed.count(" --tt "), 3);
    QVERIFY2(!printed.contains("--ti"), printed.constData());
    QCOMPARE(printed.count("  # "), 2);
    QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"),
                               {QStringLiteral("-n"), QStringLiteral("-c"), QString::fromUtf8(printed)}),
             0);
    QCOMPARE(QDir(temporary).entryList(QDir::Files | QDir::Hidden), QStringList());

    QByteArray ignored;
    QCOMPARE(fenwave({QStringLiteral("--existing"), QStringLiteral("overwrite")}, &ignored), 0);
    const QByteArray coverBytes = testing::readAll(cover);
    for (const Track &track : tracks) {
        const QString mp3 = root.filePath(album + u'/' + QFileInfo(track.file).completeBaseName() + ".mp3");
        QVERIFY2(looksLikeMp3(mp3), qPrintable(mp3));
        TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
        QVERIFY(file.isValid());
        QVERIFY(file.hasID3v2Tag());
        if (track.title.isEmpty()) {
            // Title and track from the name "3 bare".
            QCOMPARE(QString::fromStdString(file.ID3v2Tag()->title().to8Bit(true)), QStringLiteral("bare"));
            QCOMPARE(file.ID3v2Tag()->track(), 3u);
            QVERIFY(file.ID3v2Tag()->artist().isEmpty());
            QVERIFY(file.ID3v2Tag()->frameList("APIC").isEmpty());
            continue;
        }
        QCOMPARE(QString::fromStdString(file.ID3v2Tag()->title().to8Bit(true)), track.title);
        QCOMPARE(QString::fromStdString(file.ID3v2Tag()->artist().to8Bit(true)), QStringLiteral("Исполнитель"));
        const TagLib::ID3v2::FrameList pictures = file.ID3v2Tag()->frameList("APIC");
        QCOMPARE(pictures.size(), 1u);
        const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
        QCOMPARE(QByteArray(picture->picture().data(), int(picture->picture().size())), coverBytes);
    }
    QCOMPARE(QDir(temporary).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// clang-format off
// Each kind by its route, with the real encoder and ffmpeg: a command of the tools that makes the
// source ("%1" for it), whether ffmpeg is on the PATH, and what the shell command says and
// writes. A dry run shows how the file would go; a real run writes an MP3 of the source's
// length (and two channels).
void TestEndToEnd::routesEveryKindFromTheShell_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("maker");
    QTest::addColumn<bool>("withDecoder");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");     // on standard error (a real run) or output (a dry run)
    QTest::addColumn<QString>("notSaid");
    QTest::addColumn<int>("lengthMs");     // of the MP3 written; 0: none is
    const QStringList tone{"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=2"};

    QTest::newRow("M4A through the decoder") << "a.m4a" << tone + QStringList{"-c:a", "aac", "%1"} << true << false
        << 0 << "a.m4a -> a.mp3: Finished" << "" << 2000;
    QTest::newRow("six channels downmixed") << "six.wav" << tone + QStringList{"-ac", "6", "%1"} << true << false
        << 0 << "six.wav -> six.mp3: Finished" << "" << 2000;
    QTest::newRow("six-channel M4A downmixed") << "six.m4a" << tone + QStringList{"-ac", "6", "-c:a", "aac", "%1"} << true
        << false << 0 << "six.m4a -> six.mp3: Finished" << "" << 2000;
    QTest::newRow("six channels, the pipe") << "six.wav" << tone + QStringList{"-ac", "6", "%1"} << true << true
        << 0 << " -i " << "" << 0;
    QTest::newRow("the pipe carries the tags") << "07 Song.m4a" << tone + QStringList{"-c:a", "aac", "%1"} << true << true
        << 0 << " --tt Song --tn 7 - " << "" << 0;
    QTest::newRow("FLAC straight after the probe") << "a.flac" << tone + QStringList{"%1"} << true << true
        << 0 << "/lame' -m j -b 128 '" << " | " << 0;
    QTest::newRow("FLAC straight, encoded") << "b.flac" << tone + QStringList{"%1"} << false << false
        << 0 << "b.flac -> b.mp3: Finished" << "" << 2000;
    // Cut inside its sound: the decoder fails, and says why; nothing is written.
    QTest::newRow("a truncated source fails") << "cut.m4a"
        << QStringList{"/bin/sh", "-c", "ffmpeg -v error -y -f lavfi -i sine=duration=5 -c:a aac -movflags +faststart \"$0.whole.m4a\""
                                   " && head -c 40000 \"$0.whole.m4a\" > \"$0\"", "%1"}
        << true << false << 1 << "cut.m4a -> cut.mp3: Failed, exit status 1: " << "progress=" << 0;
    QTest::newRow("a JPEG named .wav is skipped") << "photo.wav"
        << QStringList{"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2", "-frames:v", "1", "-f", "mjpeg", "%1"}
        << true << false << 0 << "photo.wav: Skipped, not a sound file: JPEG image" << "" << 0;
    QTest::newRow("M4A without ffmpeg") << "c.m4a" << tone + QStringList{"-c:a", "aac", "%1"} << false << false
        << 0 << "c.m4a: Skipped, M4A needs ffmpeg: apt install ffmpeg" << "" << 0;
    QTest::newRow("six channels without ffmpeg") << "six2.wav" << tone + QStringList{"-ac", "6", "%1"} << false << false
        << 0 << "six2.wav: Skipped, a 6-channel file needs ffmpeg: apt install ffmpeg" << "" << 0;
}
// clang-format on

void TestEndToEnd::routesEveryKindFromTheShell()
{
    QFETCH(QString, source);
    QFETCH(QStringList, maker);
    QFETCH(bool, withDecoder);
    QFETCH(bool, dryRun);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, notSaid);
    QFETCH(int, lengthMs);

    if (m_ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    QDir root(m_root.path());
    QVERIFY(root.mkpath("routes") && root.mkpath("bin with ffmpeg"));
    const QString folder = root.filePath("routes");
    QFile::link(m_ffmpeg, root.filePath("bin with ffmpeg/ffmpeg"));
    QFile::link(m_lame, root.filePath("bin with ffmpeg/lame"));
    const QString path = folder + u'/' + source;
    QStringList arguments = maker.mid(1);
    arguments.replaceInStrings(QStringLiteral("%1"), path);
    QProcess make;
    QProcessEnvironment makeEnvironment = QProcessEnvironment::systemEnvironment();
    makeEnvironment.insert(QStringLiteral("PATH"), QFile::decodeName(m_savedPath));
    make.setProcessEnvironment(makeEnvironment);
    make.start(maker.first() == "ffmpeg" ? m_ffmpeg : maker.first(), arguments);
    QVERIFY(make.waitForFinished(60000) && make.exitCode() == 0);

    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), root.filePath(withDecoder ? "bin with ffmpeg" : "bin"));
    process.setProcessEnvironment(environment);
    QStringList options{QStringLiteral("--encode"), QStringLiteral("--existing"), QStringLiteral("overwrite")};
    if (dryRun)
        options << QStringLiteral("--dry-run");
    process.start(QStringLiteral(FENWAVE_EXECUTABLE), options << source);
    QVERIFY(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const QString told = dryRun ? out : err;
    QVERIFY2(process.exitCode() == exitCode, qPrintable(err));
    QVERIFY2(told.contains(said), qPrintable(told));
    QVERIFY2(notSaid.isEmpty() || !told.contains(notSaid), qPrintable(told));
    if (dryRun) {
        // The line a shell runs as it is.
        QProcess shell;
        shell.setWorkingDirectory(folder);
        shell.setProcessEnvironment(environment);
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), out});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 0);
    }
    const QString mp3 = folder + u'/' + QFileInfo(source).completeBaseName() + QStringLiteral(".mp3");
    if (lengthMs == 0 && !dryRun) {
        QVERIFY(!QFileInfo::exists(mp3));
        return;
    }
    if (dryRun)
        lengthMs = 2000;
    TagLib::MPEG::File file(QFile::encodeName(mp3).constData(), true, TagLib::AudioProperties::Accurate);
    QVERIFY(file.isValid() && file.audioProperties());
    QVERIFY2(std::abs(file.audioProperties()->lengthInMilliseconds() - lengthMs) < lengthMs / 10,
             qPrintable(QString::number(file.audioProperties()->lengthInMilliseconds())));
    // The encoder keeps one channel as one, and takes two of six.
    QCOMPARE(file.audioProperties()->channels(), source.startsWith("six") ? 2 : 1);
    QFile::remove(mp3);
}

// The single Run: "Take tags from the input file" fills only the empty fields, and a Cyrillic
// title reaches the MP3 even under a locale that cannot hold it.
void TestEndToEnd::takesTagsIntoTheWindow()
{
    const QString input = m_root.filePath(QStringLiteral("tagged.wav"));
    const QString target = m_root.filePath(QStringLiteral("tagged.mp3"));
    QVERIFY(testing::writeAll(input, sineWave()));
    {
        TagLib::RIFF::WAV::File file(QFile::encodeName(input).constData());
        file.ID3v2Tag()->setTitle(TagLib::String("Ёлка", TagLib::String::UTF8));
        file.ID3v2Tag()->setArtist("From the file");
        file.ID3v2Tag()->setTrack(7);
        QVERIFY(file.save());
    }
    const QByteArray savedLocale = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C");
    const auto restoreLocale = qScopeGuard([savedLocale] { qputenv("LC_ALL", savedLocale); });

    Window w;
    TForm1 &form = w.form;
    const FormDriver &d = w.d;
    form.LamePath = m_lame;
    d.type("edtInput", input);
    d.type("edtOutput", target);
    d.type("edtArtist", QStringLiteral("Typed"));
    QVERIFY(!d.line().contains(QStringLiteral("--tt")));
    d.trigger("mnuTakeTags");
    QCOMPARE(d.w<QLineEdit>("edtSongName")->text(), QStringLiteral("Ёлка"));
    QCOMPARE(d.w<QLineEdit>("edtArtist")->text(), QStringLiteral("Typed"));
    QCOMPARE(d.w<QLineEdit>("edtTrackNumber")->text(), QStringLiteral("7"));
    QVERIFY2(d.line().contains(QStringLiteral("--tt Ёлка")), qPrintable(d.line()));

    {
        ModalAnswer answer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
        form.named<QAction>("mnuRun")->trigger();
    }
    QCOMPARE(fenwave::RunWindow::windows().size(), 1);
    fenwave::RunWindow *run = fenwave::RunWindow::windows().constFirst();
    const auto closeRun = qScopeGuard([] { fenwave::RunWindow::stopAllAndClose(); });
    QTRY_COMPARE_WITH_TIMEOUT(run->findChild<QLabel *>("lblRunOutcome")->text(), QStringLiteral("Finished"), 30000);
    TagLib::MPEG::File file(QFile::encodeName(target).constData());
    QVERIFY(file.isValid() && file.hasID3v2Tag());
    QCOMPARE(QString::fromStdString(file.ID3v2Tag()->title().to8Bit(true)), QStringLiteral("Ёлка"));
    QCOMPARE(QString::fromStdString(file.ID3v2Tag()->artist().to8Bit(true)), QStringLiteral("Typed"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
