#include "TestFiles.h"
#include "settings/Preferences.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using namespace fenwave;

using testing::readAll;
using testing::writeAll;

namespace {

const QByteArray header = "Windows Registry Editor Version 5.00\n\n";
const QByteArray section = "[HKEY_CURRENT_USER\\Software\\Fenwave]\n";

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString storePath() const { return m_dir.filePath(QStringLiteral("user.reg")); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void cleanup() { QFile::remove(storePath()); }

    void firstRunCreatesStoreWithDefaults()
    {
        const QString path = UserStore::defaultFilePath();
        QFile::remove(path);
        const Preferences prefs = loadPreferences();
        QCOMPARE(prefs.left, -1);
        QCOMPARE(prefs.top, -1);
        QVERIFY(prefs.lamePath.isEmpty());
        QCOMPARE(prefs.language, Language::English);
        QCOMPARE(readAll(path), header + section + "\n"); // the key is created at start

        QVERIFY(savePreferences(Preferences{112, 0, QString(), Language::English}));
        QCOMPARE(readAll(path), header + section
                                    + "\"LeftPos\"=dword:00000070\n\"TopPos\"=dword:00000000\n"
                                      "\"LamePath\"=\"\"\n\"Language\"=dword:00000000\n\n");
        QFile::remove(path);
    }

    // Stored values -> what the program starts with -> what the end of the run writes back.
    void readAndWriteBack_data()
    {
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("lamePath");
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("writtenBack");

        const QByteArray usual = "\"LeftPos\"=dword:00000064\n\"TopPos\"=dword:000000c8\n"
                                 "\"LamePath\"=\"/usr/bin/lame\"\n\"Language\"=dword:00000001\n";
        QTest::newRow("usual") << usual << 100 << 200 << "/usr/bin/lame" << 1 << usual;
        QTest::newRow("left 0") << QByteArray("\"LeftPos\"=dword:00000000\n\"TopPos\"=dword:00000005\n") << 0 << 5 << ""
                                << 0
                                << QByteArray("\"LeftPos\"=dword:00000000\n\"TopPos\"=dword:00000005\n\"LamePath\"="
                                              "\"\"\n\"Language\"=dword:00000000\n");
        QTest::newRow("negative positions")
            << QByteArray("\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:80000000\n") << -1 << INT_MIN << "" << 0
            << QByteArray("\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:80000000\n\"LamePath\"=\"\"\n\"Language\"="
                          "dword:00000000\n");
        QTest::newRow("language 257") << QByteArray("\"Language\"=dword:00000101\n") << -1 << -1 << "" << 1
                                      << QByteArray("\"Language\"=dword:00000001\n\"LeftPos\"=dword:"
                                                    "ffffffff\n\"TopPos\"=dword:ffffffff\n\"LamePath\"=\"\"\n");
        QTest::newRow("language 2") << QByteArray("\"Language\"=dword:00000002\n") << -1 << -1 << "" << 2
                                    << QByteArray("\"Language\"=dword:00000002\n\"LeftPos\"=dword:ffffffff\n\"TopPos\"="
                                                  "dword:ffffffff\n\"LamePath\"=\"\"\n");
        QTest::newRow("left as string") << QByteArray("\"LeftPos\"=\"100\"\n\"TopPos\"=dword:00000032\n") << -1 << 50
                                        << "" << 0
                                        << QByteArray("\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:"
                                                      "00000032\n\"LamePath\"=\"\"\n\"Language\"=dword:00000000\n");
        QTest::newRow("language as binary") << QByteArray("\"Language\"=hex:01,00,00,00\n") << -1 << -1 << "" << 0
                                            << QByteArray("\"Language\"=dword:00000000\n\"LeftPos\"=dword:"
                                                          "ffffffff\n\"TopPos\"=dword:ffffffff\n\"LamePath\"=\"\"\n");
        QTest::newRow("path as expandable string")
            << QByteArray("\"LamePath\"=hex(2):2f,00,78,00,00,00\n") << -1 << -1 << "" << 0
            << QByteArray("\"LamePath\"=\"\"\n\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:ffffffff\n\"Language\"="
                          "dword:00000000\n");
        QTest::newRow("path as dword") << QByteArray("\"LamePath\"=dword:00000001\n") << -1 << -1 << "" << 0
                                       << QByteArray("\"LamePath\"=\"\"\n\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:"
                                                     "ffffffff\n\"Language\"=dword:00000000\n");
        QTest::newRow("path with embedded zero")
            << QByteArray("\"LamePath\"=hex(1):2f,00,6c,00,00,00,78,00,00,00\n") << -1 << -1 << "/l" << 0
            << QByteArray("\"LamePath\"=\"/"
                          "l\"\n\"LeftPos\"=dword:ffffffff\n\"TopPos\"=dword:ffffffff\n\"Language\"=dword:00000000\n");
        QTest::newRow("names in other case, others kept")
            << QByteArray("\"Keep\"=hex:00\n\"LEFTPOS\"=dword:00000003\n\"lamepath\"=\"/x\"\n") << 3 << -1 << "/x" << 0
            << QByteArray("\"Keep\"=hex:00\n\"LEFTPOS\"=dword:00000003\n\"lamepath\"=\"/x\"\n"
                          "\"TopPos\"=dword:ffffffff\n\"Language\"=dword:00000000\n");
    }

    void readAndWriteBack()
    {
        QFETCH(QByteArray, values);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(QString, lamePath);
        QFETCH(int, language);
        QFETCH(QByteArray, writtenBack);

        const QByteArray stored = header + section + values + "\n";
        QVERIFY(writeAll(storePath(), stored));
        const Preferences prefs = loadPreferences(storePath());
        QCOMPARE(prefs.left, left);
        QCOMPARE(prefs.top, top);
        QCOMPARE(prefs.lamePath, lamePath);
        QCOMPARE(int(prefs.language), language);
        QCOMPARE(readAll(storePath()), stored); // reading alone changes nothing

        QVERIFY(savePreferences(prefs, storePath()));
        QCOMPARE(readAll(storePath()), header + section + writtenBack + "\n");
    }

    void pathsRoundTripExactly_data()
    {
        QTest::addColumn<QString>("lamePath");
        QTest::newRow("blanks") << "/opt/my tools/lame";
        QTest::newRow("quotes") << "/opt/\"q\"/it's/lame";
        QTest::newRow("backslashes") << "C:\\Program Files\\Lame\\lame.exe";
        QTest::newRow("trailing backslash") << "C:\\lame\\";
        QTest::newRow("shell characters") << "/tmp/a;b/$(id)/`x`/lame";
        QTest::newRow("cyrillic") << "/home/пользователь/Программы/лейм";
        QTest::newRow("blank ends") << " /usr/bin/lame ";
    }

    void pathsRoundTripExactly()
    {
        QFETCH(QString, lamePath);
        QVERIFY(savePreferences(Preferences{-20, 30, lamePath, Language::Russian}, storePath()));
        const Preferences prefs = loadPreferences(storePath());
        QCOMPARE(prefs.lamePath, lamePath);
        QCOMPARE(prefs.left, -20);
        QCOMPARE(prefs.top, 30);
        QCOMPARE(prefs.language, Language::Russian);
    }

    void keyMissingIsCreatedAtStartKeepingTheRest()
    {
        const QByteArray other = header + "[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=dword:00000001\n\n";
        QVERIFY(writeAll(storePath(), other));
        QCOMPARE(loadPreferences(storePath()).left, -1);
        QCOMPARE(readAll(storePath()), other + section + "\n");
    }

    void unusableStore_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("store is a folder") << "folder";
        QTest::newRow("folder below a plain file") << "plain/fenwave/user.reg";
    }

    void unusableStore()
    {
        QFETCH(QString, relativePath);
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("folder"))));
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("plain")), "plain"));
        const QString path = m_dir.filePath(relativePath);

        const Preferences prefs = loadPreferences(path);
        QCOMPARE(prefs.left, -1);
        QCOMPARE(prefs.top, -1);
        QVERIFY(prefs.lamePath.isEmpty());
        QCOMPARE(prefs.language, Language::English);
        QVERIFY(!savePreferences(Preferences{1, 2, QStringLiteral("/x"), Language::Russian}, path));
        QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("folder"))).isDir());
        QCOMPARE(readAll(m_dir.filePath(QStringLiteral("plain"))), QByteArray("plain"));
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
