#include "batch/FolderScan.h"
#include "batch/GatherInputs.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fenwave;

class TestFolderScan : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void listsByInputType_data();
    void listsByInputType();
    void naturalOrder_data();
    void naturalOrder();
    void gathersInputs_data();
    void gathersInputs();

private:
    QTemporaryDir m_dir;
};

namespace {

// Folders below the test files deeper than a path can name: levels of 250 bytes each.
constexpr int kDeepLevels = 20;
const QByteArray kDeepLevel(250, 'd');

QByteArray deepFolders(int levels)
{
    QByteArray path = "Deep";
    for (int i = 0; i < levels; ++i)
        path += '/' + kDeepLevel;
    return path;
}

// Makes the folders from each one's handle, as their paths are too long to name them, and a
// WAV file in the second and in the last.
bool makeDeepTree(const QByteArray &root)
{
    int folder = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool made = folder >= 0;
    for (int level = 0; made && level <= kDeepLevels; ++level) {
        const QByteArray name = level == 0 ? QByteArray("Deep") : kDeepLevel;
        const int next = ::mkdirat(folder, name.constData(), 0700) == 0
                             ? ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : -1;
        ::close(folder);
        folder = next;
        made = folder >= 0;
        if (made && (level == 2 || level == kDeepLevels)) {
            const int file
                = ::openat(folder, level == 2 ? "a.wav" : "b.wav", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            const QByteArray wave = testing::silentWave();
            made = file >= 0 && ::write(file, wave.constData(), size_t(wave.size())) == wave.size();
            if (file >= 0)
                ::close(file);
        }
    }
    if (folder >= 0)
        ::close(folder);
    return made;
}

} // namespace

void TestFolderScan::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString root = m_dir.path();
    for (const char *folder : {"Album/CD 2", "Album/.hidden", "Elsewhere"})
        QVERIFY(QDir(root).mkpath(folder));
    // WAV PCM takes sound only: the files it lists hold a sound header, the others a text.
    const QByteArray aiff("FORM\0\0\0\x04"
                          "AIFF",
                          12);
    const QByteArray aifc("FORM\0\0\0\x04"
                          "AIFC",
                          12);
    const QByteArray m4a("\0\0\0\x1c"
                         "ftypM4A \0\0\x02\0M4A isomiso2",
                         28);
    const QByteArray jpeg("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    const QByteArray video("\0\0\0\x18"
                           "ftypisom\0\0\x02\0isomiso2",
                           24);
    const QHash<QString, QByteArray> contents{{"track 10.wav", testing::silentWave()},
                                              {"track 2.wav", testing::silentWave()},
                                              {"Track 1.WAV", testing::silentWave()},
                                              {"d.wave", testing::silentWave()},
                                              {"CD 2/01.wav", testing::silentWave()},
                                              {"b.aiff", aiff},
                                              {"c.AIFC", aifc},
                                              {"l.flac", QByteArray("fLaC\0\0\0\x22", 8)},
                                              {"m.m4a", m4a},
                                              {"cover.wav", jpeg},
                                              {"clip.mp4", video}};
    for (const char *file :
         {"track 10.wav", "track 2.wav",   "Track 1.WAV", "notes.txt", "wav",       ".hidden.wav", "b.aiff", "c.AIFC",
          "d.wave",       "e.raw",         "f.PCM",       "g.mp3",     "h.mpa",     "i.ogg",       "j.mp1",  "k.mp2",
          "CD 2/01.wav",  ".hidden/x.wav", "l.flac",      "m.m4a",     "cover.wav", "clip.mp4"})
        testing::mustWrite(root + "/Album/" + file, contents.value(file, "x"));
    testing::mustWrite(root + "/Elsewhere/y.wav", testing::silentWave());
    QVERIFY(QFile::link(root + "/Elsewhere", root + "/Album/linked"));
    QVERIFY(QFile::link(root + "/Album/track 2.wav", root + "/Album/link.wav"));
    QVERIFY(QFile::link(root + "/Album/gone.wav", root + "/Album/dangling.wav"));
    // A name that is not UTF-8, and the name it reads as once decoded, which is another file.
    for (const QByteArray &name : {QByteArray("/Album/CD 2/\xFF\xFE.wav"), QByteArray("/\xFF\xFE.wav")}) {
        const int fd = ::open((QFile::encodeName(root) + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    testing::mustWrite(root + "/\uFFFD\uFFFD.wav", "x");
    QVERIFY(QDir(root).mkpath("Quiet"));
    testing::mustWrite(root + "/Quiet/notes.txt", "x");
    QCOMPARE(::link(QFile::encodeName(root + "/Album/track 2.wav").constData(),
                    QFile::encodeName(root + "/Elsewhere/hard.wav").constData()),
             0);
    // A picture, a FIFO, a device and a dangling link named as WAV files, beside one; an Opus file.
    QVERIFY(QDir(root).mkpath("Mixed") && QDir(root).mkpath("Opus"));
    testing::mustWrite(root + "/Mixed/a.wav", testing::silentWave());
    testing::mustWrite(root + "/Mixed/cover.wav", jpeg);
    QCOMPARE(::mkfifo(QFile::encodeName(root + "/Mixed/fifo.wav").constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/null", root + "/Mixed/null.wav"));
    QVERIFY(QFile::link(root + "/Mixed/nothing", root + "/Mixed/gone.wav"));
    testing::mustWrite(root + "/Opus/n.opus",
                       QByteArray("OggS", 4) + QByteArray(22, '\0') + "\x01\x13OpusHead\x01\x02" + QByteArray(9, '\0'));
    QVERIFY(makeDeepTree(QFile::encodeName(root)));
    // Relative names are given against the folder of the test files.
    QVERIFY(QDir::setCurrent(root));
}

// Qt's own removal does not see names that are not UTF-8.
void TestFolderScan::cleanupTestCase()
{
    for (const QByteArray &name : {QByteArray("/Album/CD 2/\xFF\xFE.wav"), QByteArray("/\xFF\xFE.wav")})
        ::unlink((QFile::encodeName(m_dir.path()) + name).constData());
    // Nor paths longer than the system opens.
    QCOMPARE(QProcess::execute("rm", {"-rf", "--", m_dir.path() + "/Deep"}), 0);
}

// clang-format off
void TestFolderScan::listsByInputType_data()
{
    QTest::addColumn<int>("inputType");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("expected");
    // Every kind of sound with a route, by its content: not the picture, the video or the texts
    // named as sound.
    const QStringList wave{"b.aiff", "c.AIFC", "CD 2/01.wav", "CD 2/\uFFFD\uFFFD.wav", "d.wave", "l.flac", "link.wav", "m.m4a", "Track 1.WAV", "track 2.wav", "track 10.wav"};
    QTest::newRow("WAV PCM") << 5 << "Album" << wave;
    QTest::newRow("no type chosen") << -1 << "Album" << wave;
    QTest::newRow("folder with slash") << 5 << "Album/" << wave;
    QTest::newRow("MPEG Layer I") << 0 << "Album" << QStringList{"g.mp3", "h.mpa", "j.mp1", "k.mp2"};
    QTest::newRow("MPEG Layer III") << 2 << "Album" << QStringList{"g.mp3", "h.mpa", "j.mp1", "k.mp2"};
    QTest::newRow("Ogg Vorbis") << 3 << "Album" << QStringList{"i.ogg"};
    QTest::newRow("RAW PCM") << 4 << "Album" << QStringList{"e.raw", "f.PCM"};
    QTest::newRow("unknown type") << 6 << "Album" << QStringList{};
    QTest::newRow("missing folder") << 5 << "Nowhere" << QStringList{};
    QTest::newRow("WAV PCM: Opus") << 5 << "Opus" << QStringList{"n.opus"};
}
// clang-format on

void TestFolderScan::listsByInputType()
{
    QFETCH(int, inputType);
    QFETCH(QString, folder);
    QFETCH(QStringList, expected);
    const QString given = m_dir.path() + "/" + folder;
    QStringList paths;
    for (const QString &name : expected)
        paths += m_dir.path() + "/" + folder.section(u'/', 0, 0) + "/" + name;
    QCOMPARE(listAudioFiles(given, inputType), paths);
}

// clang-format off
void TestFolderScan::naturalOrder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("2 before 10") << "track 2.wav" << "track 10.wav";
    QTest::newRow("letter case aside") << "Track 1.wav" << "track 2.wav";
    QTest::newRow("leading zeros") << "track 09.wav" << "track 10.wav";
    QTest::newRow("equal value, exact order") << "track 01.wav" << "track 1.wav";
    QTest::newRow("equal but case") << "A.wav" << "a.wav";
    QTest::newRow("shorter first") << "track 2" << "track 2b";
    QTest::newRow("numbers past 64 bits") << "99999999999999999999" << "100000000000000000000";
    QTest::newRow("Cyrillic") << "песня 9" << "Песня 10";
    QTest::newRow("zero before a run of zeros") << "track 0.wav" << "track 00.wav";
    QTest::newRow("a run of zeros before one") << "track 00.wav" << "track 1.wav";
    QTest::newRow("a run of zeros, then the rest") << "00 a.wav" << "0 b.wav";
}
// clang-format on

void TestFolderScan::naturalOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(naturalNameLess(first, second));
    QVERIFY(!naturalNameLess(second, first));
}

using Names = QList<QByteArray>;

// clang-format off
void TestFolderScan::gathersInputs_data()
{
    QTest::addColumn<Names>("names");          // as given, relative to the test files
    QTest::addColumn<QStringList>("listed");   // already in the list, relative to the test files
    QTest::addColumn<bool>("asText");          // given as decoded text, as the window has them
    QTest::addColumn<Names>("expected");       // "given|path below the test files|reason"
    const QByteArray root = QFile::encodeName(QDir::currentPath());
    const Names none;

    QTest::newRow("one file under every spelling: one input")
        << Names{"Album/track 2.wav", "./Album/track 2.wav", "Album//track 2.wav", "Album/CD 2/../track 2.wav",
                 "Album/link.wav", "Elsewhere/hard.wav", root + "/Album/track 2.wav"}
        << QStringList{} << false << Names{"Album/track 2.wav|Album/track 2.wav|"};
    QTest::newRow("a file, then its folder")
        << Names{"Album/CD 2/01.wav", "Album/CD 2/"} << QStringList{} << false
        << Names{"Album/CD 2/01.wav|Album/CD 2/01.wav|", "Album/CD 2/\xFF\xFE.wav|Album/CD 2/\uFFFD\uFFFD.wav|not UTF-8"};
    QTest::newRow("a folder, then its file")
        << Names{"Album/CD 2", "Album/CD 2/01.wav"} << QStringList{} << false
        << Names{"Album/CD 2/01.wav|Album/CD 2/01.wav|", "Album/CD 2/\xFF\xFE.wav|Album/CD 2/\uFFFD\uFFFD.wav|not UTF-8"};
    QTest::newRow("a name not UTF-8 never stands for the name it reads as")
        << Names{"\xFF\xFE.wav", "\uFFFD\uFFFD.wav"} << QStringList{} << false
        << Names{"\xFF\xFE.wav|\uFFFD\uFFFD.wav|not UTF-8", "\uFFFD\uFFFD.wav|\uFFFD\uFFFD.wav|"};
    QTest::newRow("as text, U+FFFD marks a name that was not UTF-8")
        << Names{"\uFFFD\uFFFD.wav", "b.wav"} << QStringList{} << true
        << Names{"\uFFFD\uFFFD.wav|\uFFFD\uFFFD.wav|not UTF-8", "b.wav|b.wav|missing"};
    QTest::newRow("missing names, once each")
        << Names{"nothing.wav", "./nothing.wav", "Album/track 2.wav/x.wav"} << QStringList{} << false
        << Names{"nothing.wav|nothing.wav|missing", "Album/track 2.wav/x.wav|Album/track 2.wav/x.wav|missing"};
    QTest::newRow("an empty name is handed on") << Names{""} << QStringList{} << false << Names{"||"};
    QTest::newRow("a file already listed, under another name")
        << Names{"Album/link.wav", "Album/b.aiff"} << QStringList{"Album/track 2.wav"} << false
        << Names{"Album/b.aiff|Album/b.aiff|"};
    QTest::newRow("a folder without audio files") << Names{"Quiet/"} << QStringList{} << false
        << Names{"empty folder Quiet/"};
    QTest::newRow("a folder's files of no sound, no regular file or none are named")
        << Names{"Mixed"} << QStringList{} << false
        << Names{"Mixed/a.wav|Mixed/a.wav|", "Mixed/cover.wav|Mixed/cover.wav|no sound",
                 "Mixed/fifo.wav|Mixed/fifo.wav|not regular", "Mixed/gone.wav|Mixed/gone.wav|missing",
                 "Mixed/null.wav|Mixed/null.wav|not regular"};
    QTest::newRow("a FIFO and a link to a device, named")
        << Names{"Mixed/fifo.wav", "Mixed/null.wav"} << QStringList{} << false
        << Names{"Mixed/fifo.wav|Mixed/fifo.wav|not regular", "Mixed/null.wav|Mixed/null.wav|not regular"};
    const QByteArray near = deepFolders(2) + "/a.wav";
    const QByteArray far = deepFolders(kDeepLevels) + "/b.wav";
    QTest::newRow("a tree deeper than a path can name")
        << Names{"Deep"} << QStringList{} << false
        << Names{near + '|' + near + '|', far + '|' + far + "|path too long"};
    QTest::newRow("a path too long, named") << Names{far} << QStringList{} << false
        << Names{far + '|' + far + "|path too long"};
}
// clang-format on

void TestFolderScan::gathersInputs()
{
    QFETCH(Names, names);
    QFETCH(QStringList, listed);
    QFETCH(bool, asText);
    QFETCH(Names, expected);
    const QByteArray root = QFile::encodeName(QDir::currentPath()) + '/';
    std::vector<BatchInput> already;
    for (const QString &name : listed)
        already.push_back({QFile::decodeName(root) + name, QString()});
    QStringList texts;
    for (const QByteArray &name : names)
        texts += QFile::decodeName(name);
    const GatheredInputs gathered = asText ? gatherInputs(texts, 5, already) : gatherInputs(names, 5, already);
    Names outcome;
    for (const GatheredInput &input : gathered.inputs) {
        const QByteArray path = QFile::encodeName(input.input.path);
        QVERIFY2(path.isEmpty() || path.startsWith(root), path.constData());
        const char *reason = input.input.skip == SkipReason::NameNotUtf8                ? "not UTF-8"
                             : input.input.skip == SkipReason::InputDoesNotExist        ? "missing"
                             : input.input.skip == SkipReason::NotRegularFile           ? "not regular"
                             : input.input.skip == SkipReason::PathTooLong              ? "path too long"
                             : input.input.format && !isSound(input.input.format->kind) ? "no sound"
                                                                                        : "";
        outcome += input.given + '|' + path.mid(root.size()) + '|' + reason;
    }
    for (const QByteArray &folder : gathered.emptyFolders)
        outcome += "empty folder " + folder;
    QCOMPARE(outcome, expected);
}

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
