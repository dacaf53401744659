// Tags and covers read from real sound files, made here with the real tools and tagged the way
// other programs tag them.
#include "tags/JobTags.h"
#include "tags/SourceProperties.h"
#include "tags/SourceTags.h"

#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdint>

using namespace fenwave;

namespace {

const QString kCyrillic = QStringLiteral("Песня «Ёлка» №1");
const QString kOdd = QStringLiteral("line one\nline \"two\"; $(rm -rf ~) 'x'\ttab");

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return false;
    }
    return true;
}

// One tag as ffmpeg's -metadata takes it.
QStringList metadata(const QStringList &pairs)
{
    QStringList arguments;
    for (const QString &pair : pairs)
        arguments << QStringLiteral("-metadata") << pair;
    return arguments;
}

const QStringList kAlbumTags{
    QStringLiteral("title=") + kCyrillic,   QStringLiteral("artist=Артист"),   QStringLiteral("album=Album One"),
    QStringLiteral("album_artist=Various"), QStringLiteral("date=2019-05-01"), QStringLiteral("genre=Rock"),
    QStringLiteral("comment=Nice one"),     QStringLiteral("track=3/12"),      QStringLiteral("disc=1/2")};

// How a file was closed since the watch began: inotify tells a close after write access (IN_CLOSE_WRITE)
// from one after reading only (IN_CLOSE_NOWRITE), whoever runs the test, root included.
class CloseWatch
{
public:
    explicit CloseWatch(const QString &path) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0
            && inotify_add_watch(m_fd, QFile::encodeName(path).constData(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~CloseWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CloseWatch(const CloseWatch &) = delete;
    CloseWatch &operator=(const CloseWatch &) = delete;

    bool isValid() const { return m_fd >= 0; }

    // The IN_CLOSE_* bits of every event queued so far.
    std::uint32_t closes() const
    {
        std::uint32_t seen = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                seen |= event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return seen;
    }

private:
    int m_fd;
};

} // namespace

class TestSourceTags : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsEveryKind_data();
    void readsEveryKind();
    void readsNumbersAndYears_data();
    void readsNumbersAndYears();
    void takesTheId3ChunkOfAWaveFirst();
    void findsTheCoverBesideTheFile();
    void takesTheFrontCover_data();
    void takesTheFrontCover();
    void jobTagsOfRealFiles();

private:
    QString make(const QString &name, const QStringList &outputArguments, const QStringList &tags, bool withCover);

    QTemporaryDir m_dir;
    QString m_ffmpeg;
    QString m_cover; // about 1 MB of JPEG
};

void TestSourceTags::initTestCase()
{
    m_ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (m_ffmpeg.isEmpty())
        QSKIP("ffmpeg is not installed");
    QVERIFY(m_dir.isValid());
    m_cover = m_dir.filePath(QStringLiteral("art.jpg"));
    QVERIFY(run(m_ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "nullsrc=s=1500x1500,geq=random(1)*255:128:128",
                           "-frames:v", "1", "-q:v", "1", m_cover}));
    const qint64 size = QFileInfo(m_cover).size();
    QVERIFY2(size > 700000 && size < 3000000, qPrintable(QString::number(size)));
}

// A fifth of a second of a sine in `name`, tagged with `tags`, the cover embedded when asked.
QString TestSourceTags::make(const QString &name, const QStringList &outputArguments, const QStringList &tags,
                             bool withCover)
{
    const QString path = m_dir.filePath(name);
    QStringList arguments{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=0.2"};
    if (withCover)
        arguments << testing::ffmpegEmbeddedCover(m_cover);
    arguments << metadata(tags) << outputArguments << path;
    return run(m_ffmpeg, arguments) ? path : QString();
}

// clang-format off
void TestSourceTags::readsEveryKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("output");     // ffmpeg's arguments for the kind
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<bool>("withCover");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("albumArtist");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("numbers");        // track/total disc/total
    QTest::addColumn<QString>("genreComment");

    const QString all = "3/12 1/2";
    QTest::newRow("FLAC with cover") << "a.flac" << QStringList{} << kAlbumTags << true
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("FLAC named .wav") << "flac in disguise.wav" << QStringList{"-f", "flac"} << kAlbumTags << false
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("Ogg Vorbis") << "a.ogg" << QStringList{"-c:a", "libvorbis"} << kAlbumTags << false
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("Opus") << "a.opus" << QStringList{"-c:a", "libopus"} << kAlbumTags << false
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("M4A with cover") << "a.m4a" << QStringList{"-c:a", "aac"} << kAlbumTags << true
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("MP3 with ID3v2 and cover") << "a.mp3" << QStringList{"-c:a", "libmp3lame", "-id3v2_version", "3"}
        << kAlbumTags << true << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("Ogg FLAC") << "a.oga" << QStringList{"-c:a", "flac"} << kAlbumTags << false
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("AIFF with ID3v2") << "a.aiff" << QStringList{"-write_id3v2", "1"} << kAlbumTags << false
        << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("AIFF-C with ID3v2") << "a.aifc" << QStringList{"-c:a", "pcm_f32be", "-write_id3v2", "1"}
        << kAlbumTags << false << kCyrillic << "Артист" << "Various" << "2019" << all << "Rock|Nice one";
    QTest::newRow("WAV with INFO only") << "info.wav" << QStringList{}
        << QStringList{"title=Info title", "artist=Info artist", "date=1999"} << false
        << "Info title" << "Info artist" << "" << "1999" << "0/0 0/0" << "|";
    QTest::newRow("no tags") << "bare.flac" << QStringList{} << QStringList{} << false
        << "" << "" << "" << "" << "0/0 0/0" << "|";
    const QString long5000 = QString(5000, QChar(u'ж'));
    QTest::newRow("line breaks, quotes, 5,000 letters") << "odd.flac" << QStringList{}
        << QStringList{"title=" + kOdd, "artist=" + long5000} << false
        << kOdd << long5000 << "" << "" << "0/0 0/0" << "|";
}
// clang-format on

void TestSourceTags::readsEveryKind()
{
    QFETCH(QString, name);
    QFETCH(QStringList, output);
    QFETCH(QStringList, tags);
    QFETCH(bool, withCover);
    const QString path = make(name, output, tags, withCover);
    QVERIFY(!path.isEmpty());

    // A reader that opens the user's music for writing makes library watchers see a write.
    const CloseWatch watch(path);
    QVERIFY(watch.isValid());
    const SourceTags read = readSourceTags(path);
    const SourceProperties properties = readSourceProperties(path, soundKindOfFile(path));
    const std::uint32_t closes = watch.closes();
    QVERIFY2(!(closes & IN_CLOSE_WRITE), "opened for writing");
    QVERIFY(closes & IN_CLOSE_NOWRITE);
    QVERIFY2(properties.channels > 0, "no sound properties read"); // TagLib knows no length of ffmpeg's Ogg FLAC

    QTEST(read.title, "title");
    QTEST(read.artist, "artist");
    QTEST(read.albumArtist, "albumArtist");
    QTEST(read.year, "year");
    QTEST(QStringLiteral("%1/%2 %3/%4").arg(read.track).arg(read.trackTotal).arg(read.disc).arg(read.discTotal),
          "numbers");
    QTEST(read.genre + u'|' + read.comment, "genreComment");
    if (withCover)
        QCOMPARE(read.cover, testing::readAll(m_cover));
    else
        QVERIFY(read.cover.isEmpty());
}

// Totals kept apart from the number, and a date that is more than a year.
void TestSourceTags::readsNumbersAndYears_data()
{
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("expected"); // year track/total disc/total
    QTest::newRow("TRACKTOTAL, DISCTOTAL")
        << QStringList{"track=4", "TRACKTOTAL=9", "disc=2", "DISCTOTAL=3", "date=2001-02-03T10:00"} << "2001 4/9 2/3";
    QTest::newRow("TOTALTRACKS, TOTALDISCS")
        << QStringList{"track=07", "TOTALTRACKS=10", "disc=1", "TOTALDISCS=1", "date=1977"} << "1977 7/10 1/1";
    QTest::newRow("not numbers") << QStringList{"track=A1", "disc=side B", "date=unknown"} << " 0/0 0/0";
    QTest::newRow("this release's DATE, not the ORIGINALDATE before it")
        << QStringList{"ORIGINALDATE=1977-03-01", "date=2001"} << "2001 0/0 0/0";
}

void TestSourceTags::readsNumbersAndYears()
{
    QFETCH(QStringList, tags);
    const QString path = make(QStringLiteral("numbers.ogg"), {"-c:a", "libvorbis"}, tags, false);
    QVERIFY(!path.isEmpty());
    const SourceTags read = readSourceTags(path);
    QTEST(QStringLiteral("%1 %2/%3 %4/%5")
              .arg(read.year)
              .arg(read.track)
              .arg(read.trackTotal)
              .arg(read.disc)
              .arg(read.discTotal),
          "expected");
}

// A WAV file may hold both an id3 chunk and an INFO list: the id3 chunk wins, INFO fills in.
void TestSourceTags::takesTheId3ChunkOfAWaveFirst()
{
    const QString path = make(QStringLiteral("both.wav"), {}, {}, false);
    QVERIFY(!path.isEmpty());
    {
        TagLib::RIFF::WAV::File file(QFile::encodeName(path).constData());
        QVERIFY(file.isValid());
        TagLib::PropertyMap id3;
        const auto utf8 = [](const char *text) { return TagLib::String(text, TagLib::String::UTF8); };
        id3.insert("TITLE", utf8("Из id3"));
        id3.insert("ALBUMARTIST", utf8("Разные"));
        id3.insert("TRACKNUMBER", utf8("3/12"));
        id3.insert("DISCNUMBER", utf8("1/2"));
        file.ID3v2Tag()->setProperties(id3);
        file.InfoTag()->setTitle("From INFO");
        file.InfoTag()->setArtist("INFO artist");
        QVERIFY(file.save());
    }
    const SourceTags read = readSourceTags(path);
    QCOMPARE(read.title, QStringLiteral("Из id3"));
    QCOMPARE(read.albumArtist, QStringLiteral("Разные"));
    QCOMPARE(QStringLiteral("%1/%2 %3/%4").arg(read.track).arg(read.trackTotal).arg(read.disc).arg(read.discTotal),
             QStringLiteral("3/12 1/2"));
    QCOMPARE(read.artist, QStringLiteral("INFO artist"));
}

// A damaged file, a file that is no sound, and a picture beside either.
void TestSourceTags::findsTheCoverBesideTheFile()
{
    QTemporaryDir album;
    QVERIFY(album.isValid());
    const QString flac = make(QStringLiteral("whole.flac"), {}, kAlbumTags, false);
    QVERIFY(!flac.isEmpty());
    const QByteArray bytes = testing::readAll(flac);
    const QString damaged = album.filePath(QStringLiteral("damaged.flac"));
    QVERIFY(testing::writeAll(damaged, bytes.left(60)));
    QVERIFY(readSourceTags(damaged).isEmpty());

    // A web page saved as cover.jpg would fail every file it went with: it is passed over.
    QVERIFY(testing::writeAll(album.filePath(QStringLiteral("cover.jpg")), "<!DOCTYPE html><html>cover</html>"));
    QVERIFY(readSourceTags(damaged).coverFile.isEmpty());
    QVERIFY(QFile::copy(m_cover, album.filePath(QStringLiteral("Folder.jpg"))));
    const SourceTags read = readSourceTags(damaged);
    QCOMPARE(read.coverFile, album.filePath(QStringLiteral("Folder.jpg")));
    QVERIFY(read.cover.isEmpty());

    const QString text = album.filePath(QStringLiteral("notes.txt"));
    QVERIFY(testing::writeAll(text, "not a sound"));
    QVERIFY(readSourceTags(text).isEmpty());
}

// A FLAC file's pictures in the order stored: the front cover wherever it stands, else the
// first picture.
void TestSourceTags::takesTheFrontCover_data()
{
    QTest::addColumn<QList<int>>("types"); // TagLib::FLAC::Picture::Type of each picture, stored in this order
    QTest::addColumn<int>("taken");        // the index of the picture taken
    QTest::newRow("the front cover after the back cover") << QList<int>{4, 3, 8} << 1;
    QTest::newRow("no front cover: the first") << QList<int>{4, 8} << 0;
}

void TestSourceTags::takesTheFrontCover()
{
    QFETCH(QList<int>, types);
    QFETCH(int, taken);
    const QString path = make(QStringLiteral("pictures.flac"), {}, kAlbumTags, false);
    QVERIFY(!path.isEmpty());
    const auto picture = [](int index) { return QByteArray("\xFF\xD8\xFF picture ") + QByteArray::number(index); };
    {
        TagLib::FLAC::File file(QFile::encodeName(path).constData());
        QVERIFY(file.isValid());
        for (int i = 0; i < types.size(); ++i) {
            auto *stored = new TagLib::FLAC::Picture;
            stored->setType(TagLib::FLAC::Picture::Type(types[i]));
            stored->setMimeType("image/jpeg");
            stored->setData(TagLib::ByteVector(picture(i).constData(), uint(picture(i).size())));
            file.addPicture(stored);
        }
        QVERIFY(file.save());
    }
    QCOMPARE(readSourceTags(path).cover, picture(taken));
}

// What a job passes for real files: a file without tags, the title and track its name gives;
// a 1 MB title and comment, cut so that the encoder can still start; and whether a shown line's
// run would pass the embedded cover.
void TestSourceTags::jobTagsOfRealFiles()
{
    FileTagRules rules;
    rules.carry = true;
    const QString bare = make(QStringLiteral("07 Bare.flac"), {}, {}, false);
    QVERIFY(!bare.isEmpty());
    JobTags job = prepareJobTags(rules, bare, SoundKind::NotChecked);
    QCOMPARE(job.switches, (QStringList{"--tt", "Bare", "--tn", "7"}));
    QVERIFY(!job.tagsCut);

    // Four bytes a character, in two UTF-16 units: a cut must not split one.
    const QString huge = QStringLiteral("a") + QStringLiteral("\U0001F3B5").repeated(256 * 1024);
    {
        TagLib::FLAC::File file(QFile::encodeName(bare).constData());
        const TagLib::String text(huge.toStdString(), TagLib::String::UTF8);
        file.xiphComment(true)->setTitle(text);
        file.xiphComment(true)->setComment(text);
        QVERIFY(file.save());
    }
    job = prepareJobTags(rules, bare, SoundKind::NotChecked);
    QVERIFY(job.tagsCut);
    qsizetype total = 0;
    for (const QString &argument : job.switches) {
        QVERIFY(argument.toUtf8().size() < 128 * 1024); // the longest argument, with its closing NUL
        total += argument.toUtf8().size() + 1;
    }
    QVERIFY2(total < 256 * 1024, qPrintable(QString::number(total))); // ARG_MAX is 2 MiB
    const QString title = job.switches.value(job.switches.indexOf(QStringLiteral("--tt")) + 1);
    QVERIFY(title.size() > 1000 && huge.startsWith(title));
    QVERIFY(!title.back().isHighSurrogate());
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (!lame.isEmpty()) {
        QVERIFY(run(lame, QStringList{"--quiet"} + job.switches + QStringList{bare, m_dir.filePath("07 Bare.mp3")}));
        QVERIFY(QFileInfo(m_dir.filePath("07 Bare.mp3")).size() > 0);
    }

    const QString covered = make(QStringLiteral("covered.flac"), {}, kAlbumTags, true);
    QVERIFY(!covered.isEmpty());
    ShownJobTags shown = shownJobTags(rules, covered, SoundKind::NotChecked);
    QVERIFY(shown.embeddedCover);
    QVERIFY(!shown.switches.contains(QStringLiteral("--ti")));
    QCOMPARE(shown.switches.value(shown.switches.indexOf(QStringLiteral("--ta")) + 1), QStringLiteral("Артист"));
    rules.cover = false; // "Add only a version 1 tag"
    QVERIFY(!shownJobTags(rules, covered, SoundKind::NotChecked).embeddedCover);
}

QTEST_GUILESS_MAIN(TestSourceTags)
#include "tst_sourcetags.moc"
