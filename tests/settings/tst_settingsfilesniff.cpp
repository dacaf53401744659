// Settings file or input: the choice made for a file given on the command line or dropped.
#include "settings/SettingsFileSniff.h"

#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace fenwave;

namespace {

enum class Make { File, Folder, Nothing, Pipe, Unreadable, AtSizeCap, OverSizeCap };

// The size cap of settings files the program reads: 16 MiB.
constexpr qint64 kSettingsSizeCap = 16 * 1024 * 1024;

// A WAV header followed by noise: what a real recording looks like to the sniffer.
QByteArray wavFile(qsizetype dataBytes)
{
    // Split literals: a hex escape would swallow the letters "da" of "data".
    QByteArray bytes("RIFF\x24\x00\x10\x00"
                     "WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00"
                     "\x44\xAC\x00\x00\x10\xB1\x02\x00\x04\x00\x10\x00"
                     "data",
                     40);
    QRandomGenerator noise(12);
    const qsizetype start = bytes.size();
    bytes.resize(start + dataBytes);
    for (qsizetype i = start; i < bytes.size(); ++i)
        bytes[i] = char(noise.bounded(256));
    return bytes;
}

const QByteArray kSettings = "[Fenwave Sets]\nLamePath=/usr/bin/lame\nCBR=1\n";

} // namespace

class TestSettingsFileSniff : public QObject
{
    Q_OBJECT

private slots:
    void classify_data();
    void classify();
};

// clang-format off
void TestSettingsFileSniff::classify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Make>("make");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<GivenFileKind>("expected");

    const auto settings = GivenFileKind::Settings;
    const auto input = GivenFileKind::Input;
    QTest::newRow("section first") << "a.ini" << Make::File << kSettings << settings;
    QTest::newRow("after other sections")
        << "b.txt" << Make::File
        << QByteArray("; mine\n[Other]\nx=1\n\n[More]\ny=2\n[Fenwave Sets]\nCBR=0\n") << settings;
    QTest::newRow("Windows-1251, CRLF")
        << "c.ini" << Make::File
        << QByteArray("[Fenwave Sets]\r\nPresets=\xD2\xE5\xEB\xE5\xF4\xEE\xED\r\nCBR=1\r\n") << settings;
    QTest::newRow("byte-order mark") << "d.ini" << Make::File << QByteArray("\xEF\xBB\xBF") + kSettings << settings;
    QTest::newRow("letter case and blanks") << "e" << Make::File << QByteArray("  [ fenWAVE sets ]\t\n") << settings;
    QTest::newRow("header with nothing after it") << "f" << Make::File << QByteArray("[Fenwave Sets]") << settings;
    QTest::newRow("blanks, quotes, Cyrillic in the name")
        << QString::fromUtf8("мои \"наборы\"; $(touch x) 1.ini") << Make::File << kSettings << settings;

    QTest::newRow("section commented out") << "g" << Make::File << QByteArray(";[Fenwave Sets]\nCBR=1\n") << input;
    QTest::newRow("header not closed") << "h" << Make::File << QByteArray("[Fenwave Sets\nCBR=1\n") << input;
    QTest::newRow("another section only") << "i" << Make::File << QByteArray("[Fenwave]\nCBR=1\n") << input;
    QTest::newRow("key text, not a header") << "j" << Make::File << QByteArray("Name=[Fenwave Sets]\n") << input;
    QTest::newRow("empty file") << "k.wav" << Make::File << QByteArray() << input;
    QTest::newRow("binary WAV of several MB") << "song.wav" << Make::File << wavFile(6 << 20) << input;
    QTest::newRow("section only after the first 64 KiB")
        << "late.ini" << Make::File << QByteArray(70 * 1024, '\n') + kSettings << input;
    QTest::newRow("section just inside the first 64 KiB")
        << "early.ini" << Make::File << QByteArray(64 * 1024 - 16, '\n') + "[Fenwave Sets]\n" << settings;
    QTest::newRow("missing") << "nowhere.wav" << Make::Nothing << QByteArray() << input;
    QTest::newRow("missing, Cyrillic and blanks") << QString::fromUtf8("Песня номер 1.wav") << Make::Nothing
                                                 << QByteArray() << input;
    QTest::newRow("folder") << "folder" << Make::Folder << QByteArray() << GivenFileKind::Folder;
    QTest::newRow("folder named like a settings file") << "sets.ini" << Make::Folder << QByteArray()
                                                       << GivenFileKind::Folder;
    QTest::newRow("pipe with no writer") << "pipe" << Make::Pipe << QByteArray() << input;
    QTest::newRow("unreadable") << "locked.ini" << Make::Unreadable << kSettings << input;
    QTest::newRow("section first, file just at the size cap") << "big.ini" << Make::AtSizeCap << kSettings << settings;
    QTest::newRow("section first, file one byte over the size cap")
        << "huge.ini" << Make::OverSizeCap << kSettings << GivenFileKind::TooLargeSettings;
    QTest::newRow("over the size cap without the section") << "huge.wav" << Make::OverSizeCap << wavFile(64) << input;
    QTest::newRow("name decoded from bytes that are not UTF-8")
        << QString::fromUtf8("\xFF\xFE.wav") << Make::File << kSettings << GivenFileKind::NotUtf8Name;
    QTest::newRow("name not UTF-8, missing") << QString::fromUtf8("a\xC3.wav") << Make::Nothing << QByteArray()
                                             << GivenFileKind::NotUtf8Name;
}
// clang-format on

void TestSettingsFileSniff::classify()
{
    QFETCH(QString, name);
    QFETCH(Make, make);
    QFETCH(QByteArray, bytes);
    QFETCH(GivenFileKind, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    switch (make) {
    case Make::File: QVERIFY(testing::writeAll(path, bytes)); break;
    case Make::Unreadable:
        if (::geteuid() == 0)
            QSKIP("the superuser reads every file");
        QVERIFY(testing::writeAll(path, bytes));
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        break;
    case Make::AtSizeCap:
    case Make::OverSizeCap: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        // Sparse: the size is what counts, not the disk space.
        QVERIFY(file.resize(make == Make::AtSizeCap ? kSettingsSizeCap : kSettingsSizeCap + 1));
        break;
    }
    case Make::Folder: QVERIFY(QDir().mkdir(path)); break;
    case Make::Pipe: QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); break;
    case Make::Nothing: break;
    }
    // A pipe without a writer would block a plain open for ever: the test would hang.
    QCOMPARE(classifyGivenFile(path), expected);
}

QTEST_GUILESS_MAIN(TestSettingsFileSniff)
#include "tst_settingsfilesniff.moc"
