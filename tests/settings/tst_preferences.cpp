#include "TestFiles.h"
#include "settings/Preferences.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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

    // The end of one run writes the path, the start of the next reads it. A path longer than
    // the system's 4095 bytes (PATH_MAX less its zero, counted in UTF-8) is not written: the
    // path stored before stays, and the other values are written all the same.
    void pathsRoundTripExactly_data()
    {
        QTest::addColumn<QString>("lamePath");
        QTest::addColumn<QString>("readBack");
        const QString kept = QStringLiteral("/old/lame");
        QTest::newRow("blanks") << "/opt/my tools/lame"
                                << "/opt/my tools/lame";
        QTest::newRow("quotes") << "/opt/\"q\"/it's/lame"
                                << "/opt/\"q\"/it's/lame";
        QTest::newRow("backslashes") << "C:\\Program Files\\Lame\\lame.exe"
                                     << "C:\\Program Files\\Lame\\lame.exe";
        QTest::newRow("trailing backslash") << "C:\\lame\\"
                                            << "C:\\lame\\";
        QTest::newRow("shell characters") << "/tmp/a;b/$(id)/`x`/lame"
                                          << "/tmp/a;b/$(id)/`x`/lame";
        QTest::newRow("cyrillic") << "/home/пользователь/Программы/лейм"
                                  << "/home/пользователь/Программы/лейм";
        QTest::newRow("blank ends") << " /usr/bin/lame "
                                    << " /usr/bin/lame ";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("4095 bytes") << "/" + QString(4094, u'a') << "/" + QString(4094, u'a');
        QTest::newRow("4096 bytes") << "/" + QString(4095, u'a') << kept;
        QTest::newRow("4095 bytes, two-byte letters") << "/" + QString(2047, u'я') << "/" + QString(2047, u'я');
        QTest::newRow("4097 bytes in 2049 letters") << "/" + QString(2048, u'я') << kept;
        QTest::newRow("4095 bytes with quotes and backslashes")
            << "/" + QString(2047, u'"') + QString(2047, u'\\') << "/" + QString(2047, u'"') + QString(2047, u'\\');
        QTest::newRow("4.3 MB of blanks") << QString(4300000, u' ') << kept;
    }

    void pathsRoundTripExactly()
    {
        QFETCH(QString, lamePath);
        QFETCH(QString, readBack);
        QVERIFY(savePreferences(Preferences{5, 6, QStringLiteral("/old/lame"), Language::English}, storePath()));
        QVERIFY(savePreferences(Preferences{-20, 30, lamePath, Language::Russian}, storePath()));
        const Preferences prefs = loadPreferences(storePath());
        QCOMPARE(prefs.lamePath, readBack);
        QCOMPARE(prefs.left, -20);
        QCOMPARE(prefs.top, 30);
        QCOMPARE(prefs.language, Language::Russian);

        // And the run after that still starts from the store and writes it.
        QVERIFY(savePreferences(Preferences{7, 8, QStringLiteral("/usr/bin/lame"), Language::English}, storePath()));
        QCOMPARE(loadPreferences(storePath()).lamePath, QStringLiteral("/usr/bin/lame"));
    }

    // A run killed between writing the store's temporary file and renaming it leaves that
    // file; a later start removes it, and nothing else: never a file the user named.
    void leftoverTemporaryFilesRemovedAtStart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("removed");
        QTest::newRow("left two minutes ago") << ".user.reg.fenwave-tmp-ZZZZZZ" << 120 << true;
        QTest::newRow("named by the write itself") << "" << 120 << true;
        QTest::newRow("in flight in another run") << ".user.reg.fenwave-tmp-aBcDeF" << 0 << false;
        QTest::newRow("half a minute old") << ".user.reg.fenwave-tmp-aBcDeF" << 30 << false;
        QTest::newRow("five letters") << ".user.reg.fenwave-tmp-aBcDe" << 120 << false;
        QTest::newRow("seven letters") << ".user.reg.fenwave-tmp-aBcDeFg" << 120 << false;
        QTest::newRow("a digit") << ".user.reg.fenwave-tmp-aBcDe1" << 120 << true;
        QTest::newRow("a punctuation mark") << ".user.reg.fenwave-tmp-aBcDe-" << 120 << false;
        QTest::newRow("a non-ASCII letter") << ".user.reg.fenwave-tmp-aBcDeЖ" << 120 << false;
        QTest::newRow("another file's") << ".user.ini.fenwave-tmp-aBcDeF" << 120 << false;
        QTest::newRow("no dot") << "user.reg.fenwave-tmp-aBcDeF" << 120 << false;
        QTest::newRow("a backup") << "user.reg.bak" << 120 << false;
        QTest::newRow("the user's backup") << "user.reg.backup" << 120 << false;
        QTest::newRow("the user's six letters") << "user.reg.abcdef" << 120 << false;
        QTest::newRow("prefixed") << "x.user.reg.fenwave-tmp-aBcDeF" << 120 << false;
        QTest::newRow("a folder of that name") << ".user.reg.fenwave-tmp-aBcDeF/" << 120 << false;
    }

    void leftoverTemporaryFilesRemovedAtStart()
    {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, removed);
        QTemporaryDir folder;
        const QString store = folder.filePath(QStringLiteral("user.reg"));
        const QByteArray values = header + section + "\"LeftPos\"=dword:00000009\n\n";
        QVERIFY(writeAll(store, values));
        QString leftover = folder.filePath(name);
        if (name.isEmpty()) {
            // A write killed half-way (by the file-size limit's signal) leaves its temporary file.
            const pid_t child = ::fork();
            if (child == 0) {
                const rlimit limit{16, 16};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                savePreferences(Preferences{1, 2, QStringLiteral("/usr/bin/lame"), Language::Russian}, store);
                ::_exit(0);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
            QCOMPARE(left.size(), 2);
            leftover = folder.filePath(left.at(left.at(0) == QStringLiteral("user.reg") ? 1 : 0));
        } else if (name.endsWith(u'/')) {
            leftover.chop(1);
            QVERIFY(QDir().mkpath(leftover));
        } else {
            QVERIFY(writeAll(leftover, "half a store"));
        }
        const timespec changed[2] = {{::time(nullptr) - ageSeconds, 0}, {::time(nullptr) - ageSeconds, 0}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(leftover).constData(), changed, 0) == 0);

        QCOMPARE(loadPreferences(store).left, 9);
        QCOMPARE(QFileInfo::exists(leftover), !removed);
        QCOMPARE(readAll(store), values);
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
