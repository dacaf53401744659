// The register of outputs being written: which names count as the same output, and how long an
// entry stays.
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

QTEST_MAIN(TestOutputsInWriting)
#include "tst_outputsinwriting.moc"
