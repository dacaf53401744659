#include "batch/FolderScan.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fenwave;

class TestFolderScan : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listsByInputType_data();
    void listsByInputType();
    void naturalOrder_data();
    void naturalOrder();

private:
    QTemporaryDir m_dir;
};

void TestFolderScan::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString root = m_dir.path();
    for (const char *folder : {"Album/CD 2", "Album/.hidden", "Elsewhere"})
        QVERIFY(QDir(root).mkpath(folder));
    for (const char *file :
         {"track 10.wav", "track 2.wav", "Track 1.WAV", "notes.txt", "wav", ".hidden.wav", "b.aiff", "c.AIFC", "d.wave",
          "e.raw", "f.PCM", "g.mp3", "h.mpa", "i.ogg", "j.mp1", "k.mp2", "CD 2/01.wav", ".hidden/x.wav"})
        testing::mustWrite(root + "/Album/" + file, "x");
    testing::mustWrite(root + "/Elsewhere/y.wav", "x");
    QVERIFY(QFile::link(root + "/Elsewhere", root + "/Album/linked"));
    QVERIFY(QFile::link(root + "/Album/track 2.wav", root + "/Album/link.wav"));
    QVERIFY(QFile::link(root + "/Album/gone.wav", root + "/Album/dangling.wav"));
}

// clang-format off
void TestFolderScan::listsByInputType_data()
{
    QTest::addColumn<int>("inputType");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("expected");
    const QStringList wave{"b.aiff", "c.AIFC", "CD 2/01.wav", "d.wave", "link.wav", "Track 1.WAV", "track 2.wav", "track 10.wav"};
    QTest::newRow("WAV PCM") << 5 << "Album" << wave;
    QTest::newRow("no type chosen") << -1 << "Album" << wave;
    QTest::newRow("folder with slash") << 5 << "Album/" << wave;
    QTest::newRow("MPEG Layer I") << 0 << "Album" << QStringList{"g.mp3", "h.mpa", "j.mp1", "k.mp2"};
    QTest::newRow("MPEG Layer III") << 2 << "Album" << QStringList{"g.mp3", "h.mpa", "j.mp1", "k.mp2"};
    QTest::newRow("Ogg Vorbis") << 3 << "Album" << QStringList{"i.ogg"};
    QTest::newRow("RAW PCM") << 4 << "Album" << QStringList{"e.raw", "f.PCM"};
    QTest::newRow("unknown type") << 6 << "Album" << QStringList{};
    QTest::newRow("missing folder") << 5 << "Nowhere" << QStringList{};
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
}
// clang-format on

void TestFolderScan::naturalOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(naturalNameLess(first, second));
    QVERIFY(!naturalNameLess(second, first));
}

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
