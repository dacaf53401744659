#include "options/OutputName.h"

#include <QTest>

using fenwave::proposeOutputName;

class TestOutputName : public QObject
{
    Q_OBJECT

private slots:
    void proposes_data();
    void proposes();
};

// clang-format off
void TestOutputName::proposes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "/home/me/Music/song.wav" << "/home/me/Music/song.mp3";
    QTest::newRow("dot in hidden folder") << "/home/me/.music/song.wav" << "/home/me/.music/song.mp3";
    QTest::newRow("two dots in name") << "live.take2.wav" << "live.take2.mp3";
    QTest::newRow("dotted folder, no extension") << "/home/me/Music.old/song"
                                                 << "/home/me/Music.old/song.mp3";
    QTest::newRow("backslash separators") << "C:\\Music\\song.wav" << "C:\\Music\\song.mp3";
    QTest::newRow("backslash folder with dot") << "C:\\Music.old\\song" << "C:\\Music.old\\song.mp3";
    QTest::newRow("hidden file") << ".hidden" << ".hidden.mp3";
    QTest::newRow("hidden file in folder") << "/tmp/.hidden" << "/tmp/.hidden.mp3";
    QTest::newRow("hidden file with extension") << "/tmp/.hidden.wav" << "/tmp/.hidden.mp3";
    QTest::newRow("blanks in name") << "name with blanks.wav" << "name with blanks.mp3";
    QTest::newRow("Cyrillic") << "/home/я/Музыка.архив/песня.один.wav"
                              << "/home/я/Музыка.архив/песня.один.mp3";
    QTest::newRow("trailing dot") << "song." << "song.mp3";
    QTest::newRow("already mp3") << "/tmp/a.mp3" << "/tmp/a.mp3";
    QTest::newRow("upper-case extension") << "/tmp/A.WAV" << "/tmp/A.mp3";
    QTest::newRow("no extension") << "song" << "song.mp3";
    QTest::newRow("shell characters kept") << "/tmp/a;b $(x).wav" << "/tmp/a;b $(x).mp3";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("folder only") << "/home/me/Music/" << "";
    QTest::newRow("dot folder") << "/home/me/." << "";
    QTest::newRow("dot-dot folder") << "C:\\Music\\.." << "";
}
// clang-format on

void TestOutputName::proposes()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(proposeOutputName(input), expected);
}

QTEST_GUILESS_MAIN(TestOutputName)
#include "tst_outputname.moc"
