#include "options/OutputName.h"

#include <QTest>

using fenwave::proposeOutputName;

class TestOutputName : public QObject
{
    Q_OBJECT

private slots:
    void proposes_data();
    void proposes();
    void numberedStems_data();
    void numberedStems();
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

// A batch numbers a taken name "x (2)", "x (3)"...: only such a stem counts as numbered, so that
// a file named "Take (1)" or "Live (01)" is never taken for another's numbered output.
void TestOutputName::numberedStems_data()
{
    QTest::addColumn<QString>("stem");
    QTest::addColumn<QString>("from"); // null: not a numbered stem
    QTest::addColumn<int>("number");

    QTest::newRow("numbered") << "Song (2)"
                              << "Song" << 2;
    QTest::newRow("numbered twice") << "Song (2) (3)"
                                    << "Song (2)" << 3;
    QTest::newRow("six digits") << "Song (999999)"
                                << "Song" << 999999;
    QTest::newRow("Cyrillic") << "Песня (12)"
                              << "Песня" << 12;
    QTest::newRow("one") << "Take (1)" << QString() << 0;
    QTest::newRow("leading zero") << "Live (01)" << QString() << 0;
    QTest::newRow("seven digits") << "Song (1234567)" << QString() << 0;
    QTest::newRow("no blank") << "Song(2)" << QString() << 0;
    QTest::newRow("words") << "Song (live)" << QString() << 0;
    QTest::newRow("empty brackets") << "Song ()" << QString() << 0;
    QTest::newRow("not at the end") << "Song (2) live" << QString() << 0;
}

void TestOutputName::numberedStems()
{
    QFETCH(QString, stem);
    QFETCH(QString, from);
    QFETCH(int, number);
    const std::optional<fenwave::NumberedStem> numbered = fenwave::numberedStem(stem);
    QCOMPARE(numbered.has_value(), !from.isNull());
    if (numbered) {
        QCOMPARE(numbered->stem, from);
        QCOMPARE(numbered->number, number);
    }
}

QTEST_GUILESS_MAIN(TestOutputName)
#include "tst_outputname.moc"
