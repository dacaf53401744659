// The register of outputs being written: which names count as the same output, how long an
// entry stays, and which output a started encoder command writes.
#include "options/EncoderOutputName.h"
#include "options/OutputsInWriting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using fenwave::OutputsInWriting;

class TestOutputsInWriting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameOutput_data();
    void sameOutput();
    void encoderOutputs_data();
    void encoderOutputs();

private:
    QTemporaryDir m_root;
};

void TestOutputsInWriting::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    QVERIFY(root.mkpath("x") && root.mkpath("y"));
    QFile song(root.filePath("x/song.mp3"));
    QVERIFY(song.open(QIODevice::WriteOnly));
    song.close();
    QVERIFY(QFile::link(root.filePath("x/song.mp3"), root.filePath("link.mp3")));
    QVERIFY(QFile::link(root.filePath("x"), root.filePath("folder link")));
    QVERIFY(QFile::link(root.filePath("y/target.mp3"), root.filePath("dangling.mp3")));
    QVERIFY(QFile::link("y/target.mp3", root.filePath("x/../second dangling.mp3")));
    // A hard link where the file system allows one; the row is skipped otherwise.
    ::link(QFile::encodeName(root.filePath("x/song.mp3")).constData(),
           QFile::encodeName(root.filePath("hard.mp3")).constData());
}

// clang-format off
void TestOutputsInWriting::sameOutput_data()
{
    QTest::addColumn<QString>("written");       // the output a run writes, and the folder it runs in
    QTest::addColumn<QString>("writtenFolder");
    QTest::addColumn<QString>("asked");         // the output of the run to come, and its folder
    QTest::addColumn<QString>("askedFolder");
    QTest::addColumn<bool>("busy");

    const QString root = m_root.path();
    QTest::newRow("identical") << "x/song.mp3" << root << "x/song.mp3" << root << true;
    QTest::newRow("relative and absolute") << "x/song.mp3" << root << root + "/x/song.mp3" << "/" << true;
    QTest::newRow("other folder, same name") << "song.mp3" << root + "/x" << "song.mp3" << root + "/y" << false;
    QTest::newRow("other file") << "x/song.mp3" << root << "x/other.mp3" << root << false;
    QTest::newRow("symbolic link") << "x/song.mp3" << root << "link.mp3" << root << true;
    QTest::newRow("through a linked folder") << "folder link/song.mp3" << root << "x/song.mp3" << root << true;
    if (QFile::exists(m_root.filePath("hard.mp3")))
        QTest::newRow("hard link") << "hard.mp3" << root << "x/song.mp3" << root << true;
    // Not there yet: the absolute path decides, its folder through its links.
    QTest::newRow("new, dot and dot dot") << "./x/../x/new.mp3" << root << "x/new.mp3" << root << true;
    QTest::newRow("new, relative and absolute") << "new.mp3" << root + "/y" << root + "/y/new.mp3" << "/" << true;
    QTest::newRow("new, through a linked folder") << "folder link/new.mp3" << root << "x/new.mp3" << root << true;
    QTest::newRow("new, through a dangling link") << "dangling.mp3" << root << "y/target.mp3" << root << true;
    QTest::newRow("new, two dangling links to it") << "second dangling.mp3" << root << "dangling.mp3" << root << true;
    QTest::newRow("new, other folder") << "x/new.mp3" << root << "y/new.mp3" << root << false;
    QTest::newRow("new, in a folder not there") << "no/such/new.mp3" << root << "no/such/../such/new.mp3" << root
                                                << true;
    QTest::newRow("nothing asked") << "x/song.mp3" << root << "" << root << false;
}
// clang-format on

void TestOutputsInWriting::sameOutput()
{
    QFETCH(QString, written);
    QFETCH(QString, writtenFolder);
    QFETCH(QString, asked);
    QFETCH(QString, askedFolder);
    QFETCH(bool, busy);

    OutputsInWriting outputs;
    OutputsInWriting::Claim kept;
    {
        OutputsInWriting::Claim claim = outputs.claim(written, writtenFolder);
        QVERIFY(claim.isHeld());
        QCOMPARE(outputs.isBeingWritten(asked, askedFolder), busy);
        // An entry stays with its claim, handed on or not.
        kept = std::move(claim);
    }
    QCOMPARE(outputs.isBeingWritten(asked, askedFolder), busy);
    kept.release();
    QVERIFY(!outputs.isBeingWritten(asked, askedFolder));
    QVERIFY(!outputs.isBeingWritten(written, writtenFolder));
}

// clang-format off
// Each row as the encoder itself names its output for these arguments.
void TestOutputsInWriting::encoderOutputs_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program
    QTest::addColumn<QStringList>("outputs");

    QTest::newRow("input and output") << QStringList{"-V", "2", "in.wav", "out.mp3"} << QStringList{"out.mp3"};
    QTest::newRow("value attached") << QStringList{"-V2", "in.wav", "out.mp3"} << QStringList{"out.mp3"};
    QTest::newRow("switches together, value next") << QStringList{"-hV", "2", "in.wav", "out.mp3"}
                                                  << QStringList{"out.mp3"};
    QTest::newRow("a tag value named like a file") << QStringList{"--ta", "out.mp3", "in.wav", "real.mp3"}
                                                   << QStringList{"real.mp3"};
    QTest::newRow("a negative value") << QStringList{"--gain", "-3", "in.wav", "out.mp3"} << QStringList{"out.mp3"};
    QTest::newRow("sampling frequency, value next") << QStringList{"-s", "44.1", "in.wav", "out.mp3"}
                                                    << QStringList{"out.mp3"};
    QTest::newRow("a switch after the names") << QStringList{"in.wav", "out.mp3", "-V"} << QStringList{"out.mp3"};
    QTest::newRow("blanks and Cyrillic") << QStringList{"--tt", "Песня", " в ход.wav", "вы ход .mp3"}
                                         << QStringList{"вы ход .mp3"};
    QTest::newRow("no output: a sound extension replaced") << QStringList{"--tt", "x", "in.wav"}
                                                           << QStringList{"in.mp3"};
    QTest::newRow("no output: in upper case") << QStringList{"d.x.WAV"} << QStringList{"d.x.mp3"};
    QTest::newRow("no output: another extension kept") << QStringList{"h i.wav.x"} << QStringList{"h i.wav.x.mp3"};
    QTest::newRow("no output: an MP3 input") << QStringList{"--mp3input", "x.mp3"} << QStringList{"x.mp3.mp3"};
    QTest::newRow("no output: no extension") << QStringList{"x.d/noext"} << QStringList{"x.d/noext.mp3"};
    QTest::newRow("no output: a hidden name") << QStringList{".hid"} << QStringList{".hid.mp3"};
    QTest::newRow("no output: an empty one") << QStringList{"a.wav", ""} << QStringList{"a.mp3"};
    QTest::newRow("decoding") << QStringList{"--decode", "a.mp3"} << QStringList{"a.wav"};
    QTest::newRow("decoding a .wav") << QStringList{"--decode", "w.wav"} << QStringList{"w.wav.wav"};
    QTest::newRow("output folder") << QStringList{"--out-dir", "o", "x/b.wav"} << QStringList{"o/b.mp3"};
    QTest::newRow("output folder with a slash") << QStringList{"--out-dir", "o/", "a.wav"} << QStringList{"o/a.mp3"};
    QTest::newRow("output folder, output named") << QStringList{"--out-dir", "o", "a.wav", "c.mp3"}
                                                 << QStringList{"c.mp3"};
    QTest::newRow("gapless") << QStringList{"--nogap", "a.wav", "x/b.wav"} << QStringList{"a.mp3", "x/b.mp3"};
    QTest::newRow("gapless into a folder") << QStringList{"--nogapout", "o", "--nogap", "a.wav", "x/b.wav"}
                                           << QStringList{"o/a.mp3", "o/b.mp3"};
    QTest::newRow("gapless into the output folder") << QStringList{"--out-dir", "o", "--nogap", "a.wav", "x/b.wav"}
                                                    << QStringList{"o/a.mp3", "o/b.mp3"};
    QTest::newRow("standard output") << QStringList{"a.wav", "-"} << QStringList();
    QTest::newRow("standard input alone") << QStringList{"-"} << QStringList();
    QTest::newRow("standard input, output named") << QStringList{"-", "e.mp3"} << QStringList{"e.mp3"};
    QTest::newRow("no names") << QStringList{"-V", "2"} << QStringList();
}
// clang-format on

void TestOutputsInWriting::encoderOutputs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, outputs);
    QCOMPARE(fenwave::encoderOutputNames(arguments), outputs);
}

QTEST_MAIN(TestOutputsInWriting)
#include "tst_outputsinwriting.moc"
