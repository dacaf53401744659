#include "StorageLimits.h"
#include "TestFiles.h"
#include "settings/Preferences.h"
#include "settings/UserStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fenwave;

Q_DECLARE_METATYPE(fenwave::StoreValueType)

using testing::readAll;
using testing::writeAll;

namespace {

const QByteArray header = "Windows Registry Editor Version 5.00\n\n";
const QByteArray section = "[HKEY_CURRENT_USER\\Software\\Fenwave]\n";

QByteArray utf16LeWithMark(const QByteArray &utf8)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : QString::fromUtf8(utf8)) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

} // namespace

class TestUserStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString storePath() const { return m_dir.filePath(QStringLiteral("user.reg")); }
    void writeStore(const QByteArray &bytes) { QVERIFY(writeAll(storePath(), bytes)); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }
    void cleanup() { QFile::remove(storePath()); }

    // A UTF-16 store can name a value with an unpaired surrogate, which a UTF-8 file cannot
    // hold: the line is dropped like any other it cannot parse, and such a name is never set.
    void namesWithUnpairedSurrogatesAreDropped()
    {
        QByteArray file = "\xff\xfe";
        const QString text = QString::fromUtf8(header + section) + QStringLiteral("\"A") + QChar(0xD800)
                             + QStringLiteral("\"=dword:00000001\r\n\"Good\"=dword:00000002\r\n");
        file += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        QVERIFY(writeAll(storePath(), file));
        UserStore store(storePath());
        QVERIFY(store.open());
        QCOMPARE(store.dword(QStringLiteral("Good")), std::optional<quint32>(2));
        QVERIFY(!store.toFileText().contains("\"A"));
        store.setDword(QStringLiteral("B") + QChar(0xDC00), 3);
        QVERIFY(!store.toFileText().contains("\"B"));
        QVERIFY(store.close());
        UserStore reopened(storePath());
        QVERIFY(reopened.open());
        QCOMPARE(reopened.toFileText(), store.toFileText());
    }

    // Outside Qt's test mode, where the XDG base-directory rules place it: a relative
    // XDG_CONFIG_HOME is ignored, and without HOME the account's home folder is used.
    void defaultFilePathIsPerUserConfig_data()
    {
        QTest::addColumn<QByteArray>("configHome"); // null: unset
        QTest::addColumn<QByteArray>("home");       // null: unset
        QTest::addColumn<QString>("expected");      // "~": the account's home folder

        const QByteArray unset;
        const QString store = QStringLiteral("/fenwave/user.reg");
        QTest::newRow("XDG_CONFIG_HOME") << QByteArray("/cfg/me") << QByteArray("/home/me") << "/cfg/me" + store;
        QTest::newRow("neither set") << unset << unset << "~/.config" + store;
        QTest::newRow("only HOME") << unset << QByteArray("/home/me") << "/home/me/.config" + store;
        QTest::newRow("empty XDG_CONFIG_HOME")
            << QByteArray("") << QByteArray("/home/me") << "/home/me/.config" + store;
        QTest::newRow("relative XDG_CONFIG_HOME")
            << QByteArray("cfg") << QByteArray("/home/me") << "/home/me/.config" + store;
        QTest::newRow("relative XDG_CONFIG_HOME, no HOME") << QByteArray("cfg") << unset << "~/.config" + store;
        QTest::newRow("empty HOME") << unset << QByteArray("") << "~/.config" + store;
        QTest::newRow("absolute XDG_CONFIG_HOME, no HOME") << QByteArray("/cfg") << unset << "/cfg" + store;
        QTest::newRow("Cyrillic folder") << QByteArray("/home/я/cfg") << unset << QString("/home/я/cfg") + store;
    }

    void defaultFilePathIsPerUserConfig()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QByteArray, home);
        QFETCH(QString, expected);

        const QByteArray oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        const bool hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        const QByteArray oldHome = qgetenv("HOME");
        const bool hadHome = qEnvironmentVariableIsSet("HOME");
        auto setOrUnset = [](const char *name, const QByteArray &value, bool set) {
            if (set)
                qputenv(name, value);
            else
                qunsetenv(name);
        };
        setOrUnset("XDG_CONFIG_HOME", configHome, !configHome.isNull());
        setOrUnset("HOME", home, !home.isNull());
        QStandardPaths::setTestModeEnabled(false);
        const QString path = UserStore::defaultFilePath();
        QStandardPaths::setTestModeEnabled(true);
        setOrUnset("XDG_CONFIG_HOME", oldConfigHome, hadConfigHome);
        setOrUnset("HOME", oldHome, hadHome);

        const passwd *account = ::getpwuid(::getuid());
        QVERIFY(account && account->pw_dir);
        if (expected.startsWith(u'~'))
            expected.replace(0, 1, QFile::decodeName(account->pw_dir));
        QCOMPARE(path, expected);
    }

    // An account the system does not know (a container's numeric user) and no HOME: no store at
    // all, rather than one in "/.config" that every such user would share.
    void defaultFilePathWithoutAccount()
    {
        if (::geteuid() != 0)
            QSKIP("needs the superuser to run as a user without an account");
        uid_t unknown = 4000000000u;
        while (::getpwuid(unknown))
            ++unknown;
        int pipeEnds[2];
        QVERIFY(::pipe(pipeEnds) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            qunsetenv("HOME");
            qunsetenv("XDG_CONFIG_HOME");
            QStandardPaths::setTestModeEnabled(false);
            const QByteArray path = ::setuid(unknown) == 0 ? UserStore::defaultFilePath().toUtf8() : "setuid failed";
            const bool written = ::write(pipeEnds[1], path.constData(), size_t(path.size())) == path.size();
            ::_exit(written ? 0 : 1);
        }
        ::close(pipeEnds[1]);
        QByteArray path;
        char buffer[512];
        for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            path.append(buffer, got);
        ::close(pipeEnds[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(path, QByteArray());
    }

    void defaultFilePathInTestMode()
    {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(config.endsWith(QStringLiteral("/.qttest/config")));
        QCOMPARE(UserStore::defaultFilePath(), config + QStringLiteral("/fenwave/user.reg"));
    }

    void readsValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<StoreValueType>("type");
        QTest::addColumn<qint64>("dword");   // -1: none
        QTest::addColumn<QString>("string"); // null: none

        using T = StoreValueType;
        const QByteArray s = header + section;
        QTest::newRow("dword") << s + "\"LeftPos\"=dword:00000064\n"
                               << "LeftPos" << T::Dword << 100ll << QString();
        QTest::newRow("dword all bits") << s + "\"TopPos\"=dword:FFFFFFFF\n"
                                        << "TopPos" << T::Dword << 0xffffffffll << QString();
        QTest::newRow("dword short") << s + "\"A\"=dword:1f\n"
                                     << "A" << T::Dword << 31ll << QString();
        QTest::newRow("dword nine digits") << s + "\"A\"=dword:100000000\n"
                                           << "A" << T::Absent << -1ll << QString();
        QTest::newRow("dword not hex") << s + "\"A\"=dword:12g4\n"
                                       << "A" << T::Absent << -1ll << QString();
        QTest::newRow("dword as hex(4)") << s + "\"A\"=hex(4):64,00,00,00\n"
                                         << "A" << T::Dword << 100ll << QString();
        QTest::newRow("hex(4) of wrong size") << s + "\"A\"=hex(4):64,00\n"
                                              << "A" << T::Other << -1ll << QString();
        QTest::newRow("string") << s + "\"LamePath\"=\"/usr/bin/lame\"\n"
                                << "LamePath" << T::String << -1ll << "/usr/bin/lame";
        QTest::newRow("empty string") << s + "\"LamePath\"=\"\"\n"
                                      << "LamePath" << T::String << -1ll << "";
        QTest::newRow("escapes") << s + "\"P\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\n"
                                 << "P" << T::String << -1ll << "C:\\Program Files\\\"x\"";
        QTest::newRow("lone backslash kept") << s + "\"P\"=\"C:\\dir\"\n"
                                             << "P" << T::String << -1ll << "C:\\dir";
        QTest::newRow("string with trailing text") << s + "\"P\"=\"a\" b\n"
                                                   << "P" << T::Absent << -1ll << QString();
        QTest::newRow("string as hex(1) cut at zero") << s + "\"P\"=hex(1):61,00,62,00,00,00,63,00,00,00\n"
                                                      << "P" << T::String << -1ll << "ab";
        QTest::newRow("raw zero inside quotes")
            << s + QByteArray("\"P\"=\"ab\0cd\"\n", 13) << "P" << T::String << -1ll << "ab";
        QTest::newRow("hex(1) over lines") << s + "\"P\"=hex(1):2f,00,75,00,\\\n  73,00,\\\n  72,00,00,00\n"
                                           << "P" << T::String << -1ll << "/usr";
        QTest::newRow("expandable string") << s + "\"P\"=hex(2):61,00,00,00\n"
                                           << "P" << T::ExpandString << -1ll << QString();
        QTest::newRow("binary") << s + "\"B\"=hex:01,02\n"
                                << "B" << T::Binary << -1ll << QString();
        QTest::newRow("empty binary") << s + "\"B\"=hex:\n"
                                      << "B" << T::Binary << -1ll << QString();
        QTest::newRow("multi-string") << s + "\"B\"=hex(7):61,00,00,00,00,00\n"
                                      << "B" << T::Other << -1ll << QString();
        QTest::newRow("bad hex byte") << s + "\"B\"=hex:01,2x\n"
                                      << "B" << T::Absent << -1ll << QString();
        QTest::newRow("three-digit byte") << s + "\"B\"=hex:01,123\n"
                                          << "B" << T::Absent << -1ll << QString();
        QTest::newRow("deleted value") << s + "\"A\"=-\n"
                                       << "A" << T::Absent << -1ll << QString();
        QTest::newRow("default value") << s + "@=\"x\"\n"
                                       << "" << T::String << -1ll << "x";
        QTest::newRow("name any case") << s + "\"leftpos\"=dword:00000005\n"
                                       << "LEFTPOS" << T::Dword << 5ll << QString();
        QTest::newRow("blanks around =") << s + "  \"A\" = dword:00000002  \n"
                                         << "A" << T::Dword << 2ll << QString();
        QTest::newRow("later line wins") << s + "\"A\"=dword:00000001\n\"a\"=\"x\"\n"
                                         << "A" << T::String << -1ll << "x";
        QTest::newRow("key any case") << header + "[hkey_current_user\\SOFTWARE\\fenwave]\n\"A\"=dword:00000007\n"
                                      << "A" << T::Dword << 7ll << QString();
        QTest::newRow("key given twice merges")
            << s + "\"A\"=dword:00000001\n[Other]\n\"B\"=dword:00000002\n" + section + "\"B\"=dword:00000003\n"
            << "B" << T::Dword << 3ll << QString();
        QTest::newRow("value of another key") << header + "[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=dword:00000001\n"
                                              << "A" << T::Absent << -1ll << QString();
        QTest::newRow("value before any key")
            << header + "\"A\"=dword:00000001\n" + section << "A" << T::Absent << -1ll << QString();
        QTest::newRow("no header line") << section + "\"A\"=dword:00000009\n"
                                        << "A" << T::Dword << 9ll << QString();
        QTest::newRow("crlf") << QByteArray(
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Fenwave]\r\n\"P\"=\"x y\"\r\n")
                              << "P" << T::String << -1ll << "x y";
        QTest::newRow("utf-8 mark") << "\xEF\xBB\xBF" + s + "\"P\"=\"Музыка\"\n"
                                    << "P" << T::String << -1ll << "Музыка";
        QTest::newRow("utf-16 mark") << utf16LeWithMark(s + "\"P\"=\"Музыка\"\r\n") << "P" << T::String << -1ll
                                     << "Музыка";
        QTest::newRow("garbage line skipped") << s + "\"A\"=dword:00000001\n\x01\x02 junk ]]\n\"B\"=dword:00000002\n"
                                              << "B" << T::Dword << 2ll << QString();
        QTest::newRow("truncated mid-line") << s + "\"A\"=dword:00000001\n\"P\"=\"/usr/bi"
                                            << "P" << T::Absent << -1ll << QString();
        QTest::newRow("earlier values survive truncation") << s + "\"A\"=dword:00000001\n\"P\"=\"/usr/bi"
                                                           << "A" << T::Dword << 1ll << QString();
        QTest::newRow("cut hex does not swallow the next key")
            << header + "[Other]\n\"B\"=hex:01,02,\\\n" + section + "\"A\"=dword:00000004\n"
            << "A" << T::Dword << 4ll << QString();
        QTest::newRow("cut hex dropped") << s + "\"B\"=hex:01,02,\\\n\"A\"=dword:00000004\n"
                                         << "B" << T::Absent << -1ll << QString();
        // A file whose last line has no line break, as an editor may leave it: read to its last byte.
        QTest::newRow("last line without line break") << s + "\"LamePath\"=\"/usr/bin/lame\""
                                                      << "LamePath" << T::String << -1ll << "/usr/bin/lame";
        QTest::newRow("last dword without line break") << s + "\"A\"=dword:0000001f"
                                                       << "A" << T::Dword << 31ll << QString();
        // A malformed line after a sound one of the same name: the malformed line is
        // ignored, so the sound value stands (a later line would otherwise win).
        const QByteArray a2 = s + "\"A\"=dword:00000002\n";
        const struct {
            const char *row;
            const char *line;
        } malformed[] = {
            {"blank in place of =", "\"A\" dword:00000005"},
            {"colon in place of =", "\"A\":dword:00000005"},
            {"name alone", "\"A\""},
            {"nothing after =", "\"A\"="},
            {"two =", "\"A\"==dword:00000005"},
            {"name quote unclosed", "\"A=dword:00000005"},
            {"name unquoted", "A=dword:00000005"},
            {"name opened by an apostrophe", "'A\"=dword:00000005"},
            {"dword without its colon", "\"A\"=dword00000005"},
            {"dword misspelt", "\"A\"=dwrd:00000005"},
            {"dword without digits", "\"A\"=dword:"},
            {"unknown type word", "\"A\"=bin:05,00,00,00"},
            {"hex without its colon", "\"A\"=hex 05,00,00,00"},
            {"hex(4) without its colon", "\"A\"=hex(4)05,00,00,00"},
            {"hex type unclosed", "\"A\"=hex(4:05,00,00,00"},
            {"hex type empty", "\"A\"=hex():05,00,00,00"},
            {"hex type not hex", "\"A\"=hex(x4):05,00,00,00"},
            {"hex type too big", "\"A\"=hex(100000000):05,00,00,00"},
            {"hex empty byte", "\"A\"=hex(4):05,,00,00"},
            {"hex trailing comma", "\"A\"=hex(4):05,00,00,00,"},
            {"dword going on with a backslash", "\"A\"=dword:00000005\\"},
        };
        for (const auto &m : malformed)
            QTest::newRow(m.row) << a2 + m.line + "\n"
                                 << "A" << T::Dword << 2ll << QString();
        QTest::newRow("empty key line") << a2 + "[]\n\"A\"=dword:00000005\n"
                                        << "A" << T::Dword << 2ll << QString();
        QTest::newRow("unquoted name is no default value") << s + "A=dword:00000005\n"
                                                           << "" << T::Absent << -1ll << QString();
        QTest::newRow("unclosed key line ignored") << s + "[HKEY_CURRENT_USER\\Other\n\"A\"=dword:00000005\n"
                                                   << "A" << T::Dword << 5ll << QString();
        QTest::newRow("key line without its [") << s + "HKEY_CURRENT_USER\\Other]\n\"A\"=dword:00000005\n"
                                                << "A" << T::Dword << 5ll << QString();
        QTest::newRow("empty file") << QByteArray() << "A" << T::Absent << -1ll << QString();
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x13\x88[\x00]\n\"\"=", 11) << "" << T::Absent << -1ll
                                        << QString();
    }

    void readsValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(StoreValueType, type);
        QFETCH(qint64, dword);
        QFETCH(QString, string);

        writeStore(file);
        UserStore store(storePath());
        QVERIFY(store.open());
        QCOMPARE(store.type(name), type);
        QCOMPARE(store.dword(name).has_value(), dword >= 0);
        if (dword >= 0)
            QCOMPARE(qint64(*store.dword(name)), dword);
        QCOMPARE(store.string(name).has_value(), !string.isNull());
        if (!string.isNull())
            QCOMPARE(*store.string(name), string);
    }

    // Everything the program does not know comes back as it was; the file
    // written then reads back to the very same text.
    void keepsUnknownValuesAndKeys_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray unknown = header + "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=\"1\"\n\n" + section
                                   + "\"Blob\"=hex:01,02,ff\n"
                                     "\"Other\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\n"
                                     "\"Multi\"=hex(7):61,00,00,00,00,00\n"
                                     "\"None\"=hex(0):\n"
                                     "\"Odd\"=hex(1):61,00,62\n"
                                     "\"Short\"=hex(4):01,02\n"
                                     "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
                                     "@=\"default \\\"quoted\\\"\"\n"
                                     "\"LeftPos\"=\"12\"\n"
                                     "\"Name \\\"with\\\" \\\\ quotes\"=dword:0000002a\n\n"
                                     "[HKEY_CURRENT_USER\\Software\\Fenwave\\Sub]\n\"Y\"=dword:00000001\n\n";
        QByteArray expected = unknown;
        expected.replace("\"LeftPos\"=\"12\"", "\"LeftPos\"=dword:00000064");
        expected.insert(expected.indexOf("\n\n[HKEY_CURRENT_USER\\Software\\Fenwave\\Sub]"),
                        "\n\"LamePath\"=\"/usr/bin/lame\"");
        QTest::newRow("kinds and keys") << unknown << expected;

        const QByteArray ours = header + section + "\"LeftPos\"=dword:00000064\n\"LamePath\"=\"/usr/bin/lame\"\n\n";
        QTest::newRow("key line without a name dropped with its values") << ours + "[]\n\"A\"=dword:00000005\n" << ours;
        QTest::newRow("wrapped data joined, same bytes")
            << header + section + "\"LeftPos\"=dword:00000064\n\"E\"=hex(2):41,00,\\\r\n  42,00,\\\n\t00,00\n"
            << header + section
                   + "\"LeftPos\"=dword:00000064\n\"E\"=hex(2):41,00,42,00,00,00\n"
                     "\"LamePath\"=\"/usr/bin/lame\"\n\n";
    }

    void keepsUnknownValuesAndKeys()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);

        writeStore(file);
        UserStore store(storePath());
        QVERIFY(store.open());
        QVERIFY(!store.keyCreated());
        store.setDword(QStringLiteral("LeftPos"), 100);
        store.setString(QStringLiteral("LamePath"), QStringLiteral("/usr/bin/lame"));
        QVERIFY(store.close());
        QCOMPARE(readAll(storePath()), expected);

        UserStore again(storePath());
        QVERIFY(again.open());
        QVERIFY(again.close());
        QCOMPARE(readAll(storePath()), expected);
    }

    void stringsRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<QByteArray>("lineInFile"); // empty: not checked

        QTest::newRow("plain") << "/usr/bin/lame"
                               << "/usr/bin/lame" << QByteArray("\"P\"=\"/usr/bin/lame\"");
        QTest::newRow("empty") << ""
                               << "" << QByteArray("\"P\"=\"\"");
        QTest::newRow("blanks and quotes")
            << "/home/me/My \"Music\"/lame"
            << "/home/me/My \"Music\"/lame" << QByteArray("\"P\"=\"/home/me/My \\\"Music\\\"/lame\"");
        QTest::newRow("backslashes") << "C:\\Program Files\\lame\\"
                                     << "C:\\Program Files\\lame\\"
                                     << QByteArray("\"P\"=\"C:\\\\Program Files\\\\lame\\\\\"");
        QTest::newRow("shell characters") << "/tmp/a;b $(rm -rf x) `y` |z"
                                          << "/tmp/a;b $(rm -rf x) `y` |z" << QByteArray();
        QTest::newRow("cyrillic") << "/home/я/Музыка/lame"
                                  << "/home/я/Музыка/lame" << QString("\"P\"=\"/home/я/Музыка/lame\"").toUtf8();
        QTest::newRow("blank ends") << "  x  "
                                    << "  x  " << QByteArray();
        QTest::newRow("line break") << "a\nb\r\nc"
                                    << "a\nb\r\nc"
                                    << QByteArray("\"P\"=hex(1):61,00,0a,00,62,00,0d,00,0a,00,63,00,00,00");
        QTest::newRow("embedded zero") << QString::fromUtf16(u"ab\0cd", 5) << "ab" << QByteArray();
        QTest::newRow("looks like a key") << "[HKEY_CURRENT_USER\\X]"
                                          << "[HKEY_CURRENT_USER\\X]" << QByteArray();
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) << QString(QChar(0xd800))
                                        << QByteArray("\"P\"=hex(1):00,d8,00,00");
    }

    void stringsRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        QFETCH(QByteArray, lineInFile);

        UserStore store(storePath());
        QVERIFY(store.open());
        store.setString(QStringLiteral("P"), value);
        store.setDword(QStringLiteral("After"), 1);
        QVERIFY(store.close());
        if (!lineInFile.isEmpty())
            QVERIFY2(readAll(storePath()).contains("\n" + lineInFile + "\n"), readAll(storePath()).constData());

        UserStore again(storePath());
        QVERIFY(again.open());
        QCOMPARE(again.string(QStringLiteral("P")), std::optional<QString>(readBack));
        QCOMPARE(again.dword(QStringLiteral("After")), std::optional<quint32>(1));
    }

    void setReplacesWhateverTypeKeepingPlace()
    {
        writeStore(header + section + "\"leftpos\"=\"7\"\n\"Z\"=dword:00000000\n");
        UserStore store(storePath());
        QVERIFY(store.open());
        QCOMPARE(store.type(QStringLiteral("LeftPos")), StoreValueType::String);
        QCOMPARE(store.dword(QStringLiteral("LeftPos")), std::nullopt);
        store.setDword(QStringLiteral("LeftPos"), 0xfffffffe);
        QCOMPARE(store.type(QStringLiteral("LeftPos")), StoreValueType::Dword);
        QCOMPARE(store.string(QStringLiteral("LeftPos")), std::nullopt);
        QVERIFY(store.close());
        QCOMPARE(readAll(storePath()), header + section + "\"leftpos\"=dword:fffffffe\n\"Z\"=dword:00000000\n\n");
    }

    void missingFileAndFolderAreCreated()
    {
        const QString path = m_dir.filePath(QStringLiteral("new folder/ä ö/user.reg"));
        UserStore store(path);
        QVERIFY(store.open());
        QVERIFY(store.keyCreated());
        QCOMPARE(store.type(QStringLiteral("LeftPos")), StoreValueType::Absent);
        QVERIFY(store.close());
        QCOMPARE(readAll(path), header + section + "\n");
        QVERIFY(!store.close()); // closed already
    }

    void otherKeyPath()
    {
        writeStore(header + section + "\"A\"=dword:00000001\n");
        UserStore store(storePath());
        QVERIFY(store.open(QStringLiteral("\\Software\\Else")));
        QVERIFY(store.keyCreated());
        QCOMPARE(store.type(QStringLiteral("A")), StoreValueType::Absent);
        store.setDword(QStringLiteral("B"), 2);
        QVERIFY(store.close());
        QCOMPARE(readAll(storePath()), header + section
                                           + "\"A\"=dword:00000001\n\n"
                                             "[HKEY_CURRENT_USER\\Software\\Else]\n\"B\"=dword:00000002\n\n");
        QVERIFY(!UserStore(storePath()).open(QStringLiteral("\\Software\nX")));
    }

    void damagedFileIsReplacedBySoundOne_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\x00\x00\x00\x00\xff\xfe[",
                                              14);
        QTest::newRow("only a key line cut off") << header + "[HKEY_CURRENT_USER\\Software\\Fen";
    }

    void damagedFileIsReplacedBySoundOne()
    {
        QFETCH(QByteArray, file);
        writeStore(file);
        UserStore store(storePath());
        QVERIFY(store.open());
        QCOMPARE(store.type(QStringLiteral("LeftPos")), StoreValueType::Absent);
        store.setDword(QStringLiteral("LeftPos"), 3);
        QVERIFY(store.close());
        QCOMPARE(readAll(storePath()), header + section + "\"LeftPos\"=dword:00000003\n\n");
    }

    // A big store within the limit reads whole; a reader that is not linear would not finish.
    void bigValueReadsWhole()
    {
        QByteArray bytes(3 * 1024 * 1024 / 4, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        UserStore store(storePath());
        QVERIFY(store.open());
        store.setDword(QStringLiteral("LeftPos"), 1);
        QVERIFY(store.close());
        // Put the blob in by hand through the file text: a binary value under another key.
        QByteArray text = readAll(storePath());
        QByteArray blob = "[HKEY_CURRENT_USER\\Big]\n\"Blob\"=hex:" + bytes.toHex(',') + "\n";
        QVERIFY(writeAll(storePath(), text + blob));
        QVERIFY(QFileInfo(storePath()).size() < UserStore::kMaxFileSize);

        UserStore again(storePath());
        QVERIFY(again.open());
        QCOMPARE(again.dword(QStringLiteral("LeftPos")), std::optional<quint32>(1));
        QVERIFY(again.close());
        const QByteArray written = readAll(storePath());
        for (const QByteArray &line : written.split('\n'))
            QVERIFY(line.size() <= 80); // wrapped as the export tool does
        QByteArray bigPart = written.mid(written.indexOf("[HKEY_CURRENT_USER\\Big]"));
        QCOMPARE(bigPart.replace("\\\n  ", ""), blob + "\n");
        QVERIFY(again.open(QStringLiteral("Big")));
        QCOMPARE(again.type(QStringLiteral("Blob")), StoreValueType::Binary);
        QVERIFY(again.close());
        QCOMPARE(readAll(storePath()), written);
    }

    // A store that cannot be read whole is neither read nor replaced, neither at the
    // start of the program nor at its end: replacing it would lose every other key.
    void unreadableStoreIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: a folder
        QByteArray overCap = header + section + "\"LeftPos\"=dword:00000064\n\n[HKEY_CURRENT_USER\\Other]\n";
        overCap += QByteArray(int(UserStore::kMaxFileSize + 1 - overCap.size()), ';');
        QTest::newRow("folder") << QByteArray();
        QTest::newRow("one byte over the size cap") << overCap;
    }

    void unreadableStoreIsLeftAlone()
    {
        QFETCH(QByteArray, file);
        const QString path = m_dir.filePath(QStringLiteral("unreadable"));
        if (file.isEmpty())
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        else
            QVERIFY(writeAll(path, file));
        UserStore store(path);
        QVERIFY(!store.open());
        QCOMPARE(store.type(QStringLiteral("LeftPos")), StoreValueType::Absent);
        store.setDword(QStringLiteral("LeftPos"), 1);
        QVERIFY(!store.close());

        QCOMPARE(loadPreferences(path).left, -1);
        Preferences prefs;
        prefs.left = 7;
        QVERIFY(!savePreferences(prefs, path));
        if (file.isEmpty()) {
            QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
            QVERIFY(QDir(path).removeRecursively());
        } else {
            QVERIFY(readAll(path) == file);
            QVERIFY(QFile::remove(path));
        }
    }

    // A store that a start could not read is never written: values kept for other programs
    // may make it so, and no later run would read or write it again.
    void neverWrittenPastTheReadCap_data()
    {
        QTest::addColumn<qint64>("writtenSize");
        QTest::addColumn<bool>("written");
        QTest::newRow("exactly the cap") << qint64(UserStore::kMaxFileSize) << true;
        QTest::newRow("one byte over") << qint64(UserStore::kMaxFileSize + 1) << false;
    }

    void neverWrittenPastTheReadCap()
    {
        QFETCH(qint64, writtenSize);
        QFETCH(bool, written);
        const QByteArray added = "\"LamePath\"=\"/x\"\n";
        const QByteArray start
            = header + section + "\"LeftPos\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Other]\n\"Pad\"=\"";
        const QByteArray end = "\"\n\n";
        const QByteArray old = start + QByteArray(writtenSize - added.size() - start.size() - end.size(), 'p') + end;
        writeStore(old);

        UserStore store(storePath());
        QVERIFY(store.open());
        store.setDword(QStringLiteral("LeftPos"), 2);
        store.setString(QStringLiteral("LamePath"), QStringLiteral("/x"));
        QCOMPARE(store.close(), written);
        QCOMPARE(QFileInfo(storePath()).size(), written ? writtenSize : old.size());
        QVERIFY(written || readAll(storePath()) == old);

        UserStore again(storePath());
        QVERIFY(again.open());
        QCOMPARE(again.dword(QStringLiteral("LeftPos")), std::optional<quint32>(written ? 2 : 1));
    }

    // The superuser writing over another user's file (a store under that user's home, or a
    // settings file: both are written by the same routine) leaves it that user's.
    void writeKeepsOwnerGroupAndMode_data()
    {
        QTest::addColumn<uint>("owner");
        QTest::addColumn<uint>("group");
        QTest::addColumn<uint>("mode");
        constexpr uint nobody = 65534;
        QTest::newRow("owner and group of another user") << nobody << nobody << 0644u;
        QTest::newRow("only the owner may read") << nobody << nobody << 0600u;
        QTest::newRow("another owner, the superuser's group") << nobody << 0u << 0640u;
        QTest::newRow("the superuser's, another group") << 0u << nobody << 0660u;
        QTest::newRow("set-ID bits, which chown clears") << nobody << nobody << 06664u;
    }

    void writeKeepsOwnerGroupAndMode()
    {
        QFETCH(uint, owner);
        QFETCH(uint, group);
        QFETCH(uint, mode);
        if (geteuid() != 0)
            QSKIP("only the superuser writes over another user's file");
        writeStore(header + section + "\"LeftPos\"=dword:00000001\n\n");
        const QByteArray path = QFile::encodeName(storePath());
        if (::chown(path.constData(), owner, group) != 0)
            QSKIP("this system cannot give a file to user and group 65534");
        QVERIFY(::chmod(path.constData(), mode) == 0);

        UserStore store(storePath());
        QVERIFY(store.open());
        store.setDword(QStringLiteral("LeftPos"), 2);
        QVERIFY(store.close());

        struct stat written;
        QVERIFY(::stat(path.constData(), &written) == 0);
        QCOMPARE(uint(written.st_uid), owner);
        QCOMPARE(uint(written.st_gid), group);
        QCOMPARE(uint(written.st_mode & 07777), mode);
        QVERIFY(readAll(storePath()).contains("\"LeftPos\"=dword:00000002"));
    }

    void writeFailureReturnsFalse()
    {
        const QString plainFile = m_dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeAll(plainFile, "keep"));
        const QString path = plainFile + QStringLiteral("/fenwave/user.reg");
        UserStore store(path);
        QVERIFY(store.open());
        store.setDword(QStringLiteral("LeftPos"), 1);
        QVERIFY(!store.close());
        QCOMPARE(readAll(plainFile), QByteArray("keep"));
    }

    void writeFailureKeepsOldFile()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        const QString folder = m_dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/user.reg");
        const QByteArray old = header + section + "\"LeftPos\"=dword:00000001\n\n";
        QVERIFY(writeAll(path, old));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        UserStore store(path);
        QVERIFY(store.open());
        store.setDword(QStringLiteral("LeftPos"), 2);
        const bool written = store.close();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("user.reg")});
    }

    void writeOntoFullStorageKeepsOldFile_data()
    {
        QTest::addColumn<bool>("fullFileSystem"); // else a file-size limit
        QTest::addColumn<int>("valueLength");
        // A short file is held in a write buffer until the end; a long one is written at once.
        QTest::newRow("file-size limit, short file") << false << 100;
        QTest::newRow("file-size limit, long file") << false << 50000;
        QTest::newRow("full file system, short file") << true << 100;
        QTest::newRow("full file system, long file") << true << 50000;
    }

    void writeOntoFullStorageKeepsOldFile()
    {
        QFETCH(bool, fullFileSystem);
        QFETCH(int, valueLength);
        std::optional<testing::SmallFileSystem> small;
        if (fullFileSystem) {
            small.emplace();
            if (!small->isMounted())
                QSKIP("mounting a small file system needs root");
        }
        const QString path = small ? small->filePath(QStringLiteral("user.reg")) : storePath();
        const QByteArray old
            = header + section + "\"LeftPos\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Other]\n\"A\"=\"b\"\n\n";
        QVERIFY(writeAll(path, old));
        UserStore store(path);
        QVERIFY(store.open());
        store.setString(QStringLiteral("LamePath"), QString(valueLength, u'x'));
        const QString folder = QFileInfo(path).path();
        const qsizetype filesBefore = QDir(folder).entryList(QDir::Files | QDir::Hidden).size();

        if (small) {
            QVERIFY(small->fill());
            QVERIFY(!store.close());
        } else {
            QCOMPARE(testing::runUnderFileSizeLimit(200, [&] { return store.close(); }),
                     testing::ChildResult::ReturnedFalse);
        }
        QVERIFY(readAll(path) == old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), filesBefore + (small ? 1 : 0));
    }

    // Damaged files of every shape: open never fails or crashes, and what is
    // written then reads back to itself.
    void fuzz()
    {
        const quint32 seed = qEnvironmentVariableIsSet("FENWAVE_FUZZ_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("FENWAVE_FUZZ_SEED"))
                                 : QRandomGenerator::global()->generate();
        qInfo("fuzz seed %u (set FENWAVE_FUZZ_SEED to repeat)", seed);
        QRandomGenerator random(seed);

        const QByteArray sample
            = header + section
              + "\"LeftPos\"=dword:00000064\n\"TopPos\"=dword:ffffffff\n\"LamePath\"=\"/usr/bin/\\\"la me\\\"\"\n"
                "\"Language\"=dword:00000101\n\"Other\"=hex(2):25,00,41,00,\\\n  "
                "00,00\n@=hex:01,02\n\n[X]\n\"Y\"=\"z\"\n";
        const QString names[] = {QStringLiteral("LeftPos"),  QStringLiteral("TopPos"), QStringLiteral("LamePath"),
                                 QStringLiteral("Language"), QStringLiteral("Other"),  QString()};
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes;
            if (round % 4 == 0) {
                bytes.resize(random.bounded(400));
                for (char &byte : bytes)
                    byte = char(random.bounded(256));
            } else {
                bytes = sample;
                const int edits = 1 + random.bounded(6);
                for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
                    const int at = random.bounded(int(bytes.size()));
                    static const char pool[] = "\"\\[]=:,\n\r\0@hex(dword)0f ";
                    const char byte
                        = random.bounded(2) ? char(random.bounded(256)) : pool[random.bounded(int(sizeof pool) - 1)];
                    switch (random.bounded(4)) {
                    case 0: bytes[at] = byte; break;
                    case 1: bytes.insert(at, byte); break;
                    case 2: bytes.remove(at, 1 + random.bounded(8)); break;
                    default: bytes.truncate(at); break;
                    }
                }
            }
            writeStore(bytes);
            UserStore store(storePath());
            QVERIFY2(store.open(), qPrintable(QStringLiteral("round %1").arg(round)));
            QVERIFY(store.close());
            const QByteArray written = readAll(storePath());

            UserStore again(storePath());
            QVERIFY(again.open());
            for (const QString &name : names) {
                QCOMPARE(again.type(name), store.type(name));
                QCOMPARE(again.dword(name), store.dword(name));
                QCOMPARE(again.string(name), store.string(name));
            }
            QVERIFY(again.close());
            QVERIFY2(readAll(storePath()) == written, qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }
};

QTEST_GUILESS_MAIN(TestUserStore)
#include "tst_userstore.moc"
