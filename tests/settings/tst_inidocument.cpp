#include "StorageLimits.h"
#include "settings/IniDocument.h"
#include "settings/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fenwave;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Lines as the engine counts them: CRLF, CR and LF each end one line.
int countLines(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    int lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    }
    const bool openLastLine = !bytes.isEmpty() && bytes.back() != '\n' && bytes.back() != '\r';
    return lines + (openLastLine ? 1 : 0);
}

// The most memory the process has held so far.
qint64 peakResidentBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

} // namespace

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void decodesUtf8ElseWindows1251_data();
    void decodesUtf8ElseWindows1251();
    void write_data();
    void write();
    void writeKeepsEveryOtherByte();
    void manyWritesIntoNewFile();
    void valueLineBreaksCannotInjectKeys();
    void invalidNamesChangeNothing();
    void longValueReadWhole();
    void fileAtTheSizeCapStaysSmall_data();
    void fileAtTheSizeCapStaysSmall();
    void leadingZeroWidthNoBreakSpaceIsKept();
    void windowsFileWithCyrillic();
    void binaryGarbageSurvives();
    void fuzzedDocumentsKeepInvariants();
    void loadBadFiles();
    void saveAndLoadOddPaths_data();
    void saveAndLoadOddPaths();
    void saveFailuresKeepOldFile();
    void saveOntoFullStorageKeepsOldFile_data();
    void saveOntoFullStorageKeepsOldFile();
    void saveIntoReadOnlyFolder();
};

// clang-format off
void TestIniDocument::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");   // null: missing

    const QString missing;
    QTest::newRow("plain") << QByteArray("[S]\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("empty value is not missing") << QByteArray("[S]\nk=\n") << "S" << "k" << "";
    QTest::newRow("missing key") << QByteArray("[S]\nk=v\n") << "S" << "x" << missing;
    QTest::newRow("missing section") << QByteArray("[S]\nk=v\n") << "T" << "k" << missing;
    QTest::newRow("empty file") << QByteArray() << "S" << "k" << missing;
    QTest::newRow("key in other section") << QByteArray("[S]\n[T]\nk=v\n") << "S" << "k" << missing;
    QTest::newRow("key before any section") << QByteArray("k=v\n[S]\n") << "S" << "k" << missing;
    QTest::newRow("case of section and key") << QByteArray("[fenwave SETS]\nlAmEpAtH=x\n") << "Fenwave Sets" << "LamePath" << "x";
    QTest::newRow("Cyrillic case") << QByteArray("[Раздел]\nКлюч=v\n") << "раздел" << "КЛЮЧ" << "v";
    QTest::newRow("blanks around names") << QByteArray(" [ S ] \n \t k \t=v\n") << "S" << "k" << "v";
    QTest::newRow("blanks around query") << QByteArray("[S]\nk=v\n") << " S\t" << " k " << "v";
    QTest::newRow("value kept exactly") << QByteArray("[S]\nk= a b \t\n") << "S" << "k" << " a b \t";
    QTest::newRow("value up to line end only") << QByteArray("[S]\nk=a\r\nm=b") << "S" << "k" << "a";
    QTest::newRow("last line without break") << QByteArray("[S]\nk=a\r\nm=b") << "S" << "m" << "b";
    QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
    QTest::newRow("quotes kept") << QByteArray("[S]\nk=\"a\"\n") << "S" << "k" << "\"a\"";
    QTest::newRow("comment is no key") << QByteArray("[S]\n;k=v\n") << "S" << ";k" << missing;
    QTest::newRow("commented key ignored") << QByteArray("[S]\n ;k=v\n") << "S" << "k" << missing;
    QTest::newRow("first of repeated keys") << QByteArray("[S]\nk=1\nK=2\n") << "S" << "k" << "1";
    QTest::newRow("first of repeated sections") << QByteArray("[S]\nk=1\n[s]\nk=2\nm=3\n") << "S" << "k" << "1";
    QTest::newRow("keys of repeated section unseen") << QByteArray("[S]\nk=1\n[s]\nm=3\n") << "S" << "m" << missing;
    QTest::newRow("unclosed header is no header") << QByteArray("[S]\n[T\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("text after header ignored") << QByteArray("[S] x=1\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("lone CR ends a line") << QByteArray("[S]\rk=v\rm=w") << "S" << "m" << "w";
    QTest::newRow("line without equals") << QByteArray("[S]\nk\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("empty key name") << QByteArray("[S]\n=v\n") << "S" << "" << missing;
    QTest::newRow("BOM skipped") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("Windows-1251 value") << QByteArray("[S]\nk=\xD2\xE5\xEB\xE5\xF4\xEE\xED\n") << "S" << "k" << "Телефон";
    QTest::newRow("UTF-8 value") << QByteArray("[S]\nk=Старый\n") << "S" << "k" << "Старый";
    QTest::newRow("Windows-1251 name") << QByteArray("[\xD0\xE0\xE7\xE4\xE5\xEB]\nk=v\n") << "раздел" << "k" << "v";
    QTest::newRow("overlong UTF-8 is not UTF-8") << QByteArray("[S]\nk=\xC0\xAF\n") << "S" << "k" << "АЇ";
    QTest::newRow("encoded surrogate is not UTF-8") << QByteArray("[S]\nk=\xED\xA0\x80\n") << "S" << "k" << "н\u00A0Ђ";
    QTest::newRow("cut UTF-8 sequence") << QByteArray("[S]\nk=\xD0\n") << "S" << "k" << "Р";
    QTest::newRow("unassigned Windows-1251 byte kept") << QByteArray("[S]\nk=\x98\n") << "S" << "k" << "\u0098";
    QTest::newRow("NUL inside value") << QByteArray("[S]\nk=a\0b\n", 11) << "S" << "k" << QString::fromUtf8("a\0b", 3);
}
// clang-format on

void TestIniDocument::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const IniDocument doc = IniDocument::fromBytes(file);
    const std::optional<QString> value = doc.value(section, key);
    QCOMPARE(value.has_value(), !expected.isNull());
    if (value)
        QCOMPARE(*value, expected);
    QCOMPARE(doc.value(section, key, QStringLiteral("<default>")),
             expected.isNull() ? QStringLiteral("<default>") : expected);
    QCOMPARE(doc.toBytes(), file); // reading changes nothing
}

// The boundaries of well-formed UTF-8 (the Unicode standard's table of well-formed byte
// sequences: each lead byte's range of second bytes, the continuation bytes, the last code
// point): a text that is not well-formed is read as Windows-1251, byte for character.
// clang-format off
void TestIniDocument::decodesUtf8ElseWindows1251_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("U+0080, first of two bytes") << QByteArray("\xC2\x80") << QStringLiteral("\u0080");
    QTest::newRow("U+07FF, last of two bytes") << QByteArray("\xDF\xBF") << QStringLiteral("\u07FF");
    QTest::newRow("lead C0, overlong") << QByteArray("\xC0\x80") << QStringLiteral("\u0410\u0402");
    QTest::newRow("lead C1, overlong") << QByteArray("\xC1\xBF") << QStringLiteral("\u0411\u0457");
    QTest::newRow("C2 before 80") << QByteArray("\xC2\x7F") << QStringLiteral("\u0412\u007F");
    QTest::newRow("C2 before C0") << QByteArray("\xC2\xC0") << QStringLiteral("\u0412\u0410");
    QTest::newRow("U+0800, E0 A0") << QByteArray("\xE0\xA0\x80") << QStringLiteral("\u0800");
    QTest::newRow("U+0FFF, E0 BF") << QByteArray("\xE0\xBF\xBF") << QStringLiteral("\u0FFF");
    QTest::newRow("E0 9F, overlong") << QByteArray("\xE0\x9F\xBF") << QStringLiteral("\u0430\u045F\u0457");
    QTest::newRow("E0 C0") << QByteArray("\xE0\xC0\x80") << QStringLiteral("\u0430\u0410\u0402");
    QTest::newRow("U+1000, E1 80") << QByteArray("\xE1\x80\x80") << QStringLiteral("\u1000");
    QTest::newRow("U+CFFF, EC BF") << QByteArray("\xEC\xBF\xBF") << QStringLiteral("\uCFFF");
    QTest::newRow("E1 7F") << QByteArray("\xE1\x7F\x80") << QStringLiteral("\u0431\u007F\u0402");
    QTest::newRow("EC C0") << QByteArray("\xEC\xC0\x80") << QStringLiteral("\u043C\u0410\u0402");
    QTest::newRow("third byte 7F") << QByteArray("\xE1\x80\x7F") << QStringLiteral("\u0431\u0402\u007F");
    QTest::newRow("third byte C0") << QByteArray("\xE1\x80\xC0") << QStringLiteral("\u0431\u0402\u0410");
    QTest::newRow("U+D000, ED 80") << QByteArray("\xED\x80\x80") << QStringLiteral("\uD000");
    QTest::newRow("U+D7FF, ED 9F") << QByteArray("\xED\x9F\xBF") << QStringLiteral("\uD7FF");
    QTest::newRow("ED A0, surrogate U+D800") << QByteArray("\xED\xA0\x80") << QStringLiteral("\u043D\u00A0\u0402");
    QTest::newRow("ED BF, surrogate U+DFFF") << QByteArray("\xED\xBF\xBF") << QStringLiteral("\u043D\u0457\u0457");
    QTest::newRow("U+E000, EE 80") << QByteArray("\xEE\x80\x80") << QStringLiteral("\uE000");
    QTest::newRow("U+FFFF, EF BF") << QByteArray("\xEF\xBF\xBF") << QStringLiteral("\uFFFF");
    QTest::newRow("EE 7F") << QByteArray("\xEE\x7F\x80") << QStringLiteral("\u043E\u007F\u0402");
    QTest::newRow("U+10000, F0 90") << QByteArray("\xF0\x90\x80\x80") << QStringLiteral("\U00010000");
    QTest::newRow("U+3FFFF, F0 BF") << QByteArray("\xF0\xBF\xBF\xBF") << QStringLiteral("\U0003FFFF");
    QTest::newRow("F0 8F, overlong") << QByteArray("\xF0\x8F\xBF\xBF") << QStringLiteral("\u0440\u040F\u0457\u0457");
    QTest::newRow("F0 C0") << QByteArray("\xF0\xC0\x80\x80") << QStringLiteral("\u0440\u0410\u0402\u0402");
    QTest::newRow("U+40000, F1 80") << QByteArray("\xF1\x80\x80\x80") << QStringLiteral("\U00040000");
    QTest::newRow("U+FFFFF, F3 BF") << QByteArray("\xF3\xBF\xBF\xBF") << QStringLiteral("\U000FFFFF");
    QTest::newRow("F1 7F") << QByteArray("\xF1\x7F\x80\x80") << QStringLiteral("\u0441\u007F\u0402\u0402");
    QTest::newRow("F3 C0") << QByteArray("\xF3\xC0\x80\x80") << QStringLiteral("\u0443\u0410\u0402\u0402");
    QTest::newRow("U+100000, F4 80") << QByteArray("\xF4\x80\x80\x80") << QStringLiteral("\U00100000");
    QTest::newRow("U+10FFFF, the last code point") << QByteArray("\xF4\x8F\xBF\xBF") << QStringLiteral("\U0010FFFF");
    QTest::newRow("U+110000, one past the last") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u0444\u0452\u0402\u0402");
    QTest::newRow("F4 7F") << QByteArray("\xF4\x7F\x80\x80") << QStringLiteral("\u0444\u007F\u0402\u0402");
    QTest::newRow("lead F5") << QByteArray("\xF5\x80\x80\x80") << QStringLiteral("\u0445\u0402\u0402\u0402");
    QTest::newRow("lead FF") << QByteArray("\xFF") << QStringLiteral("\u044F");
    QTest::newRow("four bytes, third byte 7F") << QByteArray("\xF0\x90\x7F\x80") << QStringLiteral("\u0440\u0452\u007F\u0402");
    QTest::newRow("four bytes, fourth byte 7F") << QByteArray("\xF0\x90\x80\x7F") << QStringLiteral("\u0440\u0452\u0402\u007F");
    QTest::newRow("four bytes, fourth byte C0") << QByteArray("\xF0\x90\x80\xC0") << QStringLiteral("\u0440\u0452\u0402\u0410");
    QTest::newRow("four bytes cut after three") << QByteArray("\xF0\x90\x80") << QStringLiteral("\u0440\u0452\u0402");
    QTest::newRow("three bytes cut after two") << QByteArray("\xE0\xA0") << QStringLiteral("\u0430\u00A0");
    QTest::newRow("lone continuation byte") << QByteArray("\x80") << QStringLiteral("\u0402");
    QTest::newRow("ASCII and U+10FFFF") << QByteArray("\x61\xF4\x8F\xBF\xBF\x7A") << QStringLiteral("a\U0010FFFFz");
}
// clang-format on

void TestIniDocument::decodesUtf8ElseWindows1251()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeUtf8OrWindows1251(bytes), expected);
}

// clang-format off
void TestIniDocument::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "Fenwave Sets" << "CBR" << "1" << QByteArray("[Fenwave Sets]\nCBR=1\n");
    QTest::newRow("replace keeps key spelling and place")
        << QByteArray("[S]\n  Key = old\nz=1\n") << "s" << "KEY" << "new" << QByteArray("[S]\n  Key =new\nz=1\n");
    QTest::newRow("replace keeps CRLF") << QByteArray("[S]\r\nk=1\r\n") << "S" << "k" << "22" << QByteArray("[S]\r\nk=22\r\n");
    QTest::newRow("replace last line without break") << QByteArray("[S]\nk=1") << "S" << "k" << "2" << QByteArray("[S]\nk=2");
    QTest::newRow("replace first of repeated keys")
        << QByteArray("[S]\nk=1\nk=2\n") << "S" << "k" << "3" << QByteArray("[S]\nk=3\nk=2\n");
    QTest::newRow("new key after last key, before trailing blank and comment")
        << QByteArray("[S]\na=1\n\n;c\n[T]\nb=2\n") << "S" << "n" << "v" << QByteArray("[S]\na=1\nn=v\n\n;c\n[T]\nb=2\n");
    QTest::newRow("new key after repeated key")
        << QByteArray("[S]\na=1\n;x\na=2\n;y\n\n") << "S" << "n" << "v" << QByteArray("[S]\na=1\n;x\na=2\nn=v\n;y\n\n");
    QTest::newRow("new key in keyless section") << QByteArray("[S]\n;c\n[T]\n") << "S" << "n" << "v" << QByteArray("[S]\nn=v\n;c\n[T]\n");
    QTest::newRow("new key uses CRLF") << QByteArray("[S]\r\na=1\r\n") << "S" << "b" << "2" << QByteArray("[S]\r\na=1\r\nb=2\r\n");
    QTest::newRow("new key uses CR") << QByteArray("[S]\ra=1\r\n") << "S" << "b" << "2" << QByteArray("[S]\ra=1\r\nb=2\r");
    QTest::newRow("new key after unterminated last line")
        << QByteArray("[S]\r\na=1") << "S" << "b" << "2" << QByteArray("[S]\r\na=1\r\nb=2\r\n");
    QTest::newRow("new section at end") << QByteArray("[S]\na=1\n\n") << "T" << "b" << "2" << QByteArray("[S]\na=1\n\n[T]\nb=2\n");
    QTest::newRow("new section after unterminated line")
        << QByteArray(";only a comment") << "T" << "b" << "2" << QByteArray(";only a comment\n[T]\nb=2\n");
    QTest::newRow("new section after unterminated open header")
        << QByteArray("[U") << "T" << "b" << "2" << QByteArray("[U\n[T]\nb=2\n");
    QTest::newRow("names written trimmed") << QByteArray() << " T " << "\tb " << " v " << QByteArray("[T]\nb= v \n");
    QTest::newRow("empty value") << QByteArray("[S]\nk=x\n") << "S" << "k" << "" << QByteArray("[S]\nk=\n");
    QTest::newRow("Cyrillic in UTF-8") << QByteArray() << "S" << "Presets" << "Телефон" << QByteArray("[S]\nPresets=Телефон\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[S]\n") << "S" << "k" << "v" << QByteArray("\xEF\xBB\xBF[S]\nk=v\n");
    QTest::newRow("only a BOM") << QByteArray("\xEF\xBB\xBF") << "S" << "k" << "v" << QByteArray("\xEF\xBB\xBF[S]\nk=v\n");
    QTest::newRow("new CR line does not swallow an LF blank line")
        << QByteArray("[S]\ra=1\n\n") << "S" << "b" << "2" << QByteArray("[S]\ra=1\nb=2\r\n\n");
    QTest::newRow("Windows-1251 line kept as bytes")
        << QByteArray("[S]\r\nk=\xD2\xE5\r\nm=1\r\n") << "S" << "m" << "2" << QByteArray("[S]\r\nk=\xD2\xE5\r\nm=2\r\n");
    QTest::newRow("value with CR LF written as blanks")
        << QByteArray("[S]\n") << "S" << "k" << "a\r\nb\nc\rd" << QByteArray("[S]\nk=a  b c d\n");
}
// clang-format on

void TestIniDocument::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    IniDocument doc = IniDocument::fromBytes(before);
    doc.setValue(section, key, value);
    QCOMPARE(doc.toBytes(), after);
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    QCOMPARE(doc.value(section, key), std::optional<QString>(expected));
    QCOMPARE(IniDocument::fromBytes(after).value(section, key), std::optional<QString>(expected));
}

void TestIniDocument::writeKeepsEveryOtherByte()
{
    const QByteArray before = "; settings of my own\r\n"
                              "stray=before any section\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "CBR = 7 \r\n"
                              "[ fenwave sets ]  ; odd header\r\n"
                              "  cbr\t=  0  \r\n"
                              "MyOwnKey=keep me\r\n"
                              "; a comment inside\r\n"
                              "Presets=\xD0\xE0\xE4\xE8\xEE\r\n"
                              "\r\n"
                              "[Tail]\r\n"
                              "x=1";
    IniDocument doc = IniDocument::fromBytes(before);
    QCOMPARE(doc.value(u"Fenwave Sets", u"Presets"), std::optional<QString>(QStringLiteral("Радио")));
    doc.setValue(u"Fenwave Sets", u"CBR", QStringLiteral("1"));
    doc.setValue(u"Fenwave Sets", u"VBRMode", QStringLiteral("Старый"));
    doc.setValue(u"Fenwave Sets", u"Presets", QStringLiteral("Hi-fi"));
    doc.setValue(u"Fenwave Sets", u"Comment", QString());

    const QByteArray expected = "; settings of my own\r\n"
                                "stray=before any section\r\n"
                                "\r\n"
                                "[Other]\r\n"
                                "CBR = 7 \r\n"
                                "[ fenwave sets ]  ; odd header\r\n"
                                "  cbr\t=1\r\n"
                                "MyOwnKey=keep me\r\n"
                                "; a comment inside\r\n"
                                "Presets=Hi-fi\r\n"
                                "VBRMode=Старый\r\n"
                                "Comment=\r\n"
                                "\r\n"
                                "[Tail]\r\n"
                                "x=1";
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(doc.value(u"Other", u"cbr"), std::optional<QString>(QStringLiteral(" 7 ")));
    QCOMPARE(doc.value(u"fenwave sets", u"myownkey"), std::optional<QString>(QStringLiteral("keep me")));
}

void TestIniDocument::manyWritesIntoNewFile()
{
    IniDocument doc;
    for (int i = 0; i < 60; ++i)
        doc.setValue(u"Fenwave Sets", QStringLiteral("Key%1").arg(i), QString::number(i));
    for (int i = 0; i < 60; i += 7)
        doc.setValue(u"Fenwave Sets", QStringLiteral("key%1").arg(i), QStringLiteral("again"));

    QByteArray expected = "[Fenwave Sets]\n";
    for (int i = 0; i < 60; ++i)
        expected += "Key" + QByteArray::number(i) + '=' + (i % 7 ? QByteArray::number(i) : "again") + '\n';
    QCOMPARE(doc.toBytes(), expected);
}

void TestIniDocument::valueLineBreaksCannotInjectKeys()
{
    IniDocument doc = IniDocument::fromBytes("[S]\nk=1\n");
    const QString attack = QStringLiteral("x\r\nInjected=1\n[Evil]\rk2=2");
    doc.setValue(u"S", u"Comment", attack);
    doc.setValue(u"S", u"k", attack);

    const IniDocument reread = IniDocument::fromBytes(doc.toBytes());
    QCOMPARE(reread.value(u"S", u"Injected"), std::nullopt);
    QCOMPARE(reread.value(u"Evil", u"k2"), std::nullopt);
    QCOMPARE(reread.value(u"S", u"k2"), std::nullopt);
    QCOMPARE(reread.value(u"S", u"Comment"), std::optional<QString>(QStringLiteral("x  Injected=1 [Evil] k2=2")));
    QCOMPARE(reread.value(u"S", u"k"), reread.value(u"S", u"Comment"));
    QCOMPARE(countLines(doc.toBytes()), 3);
}

void TestIniDocument::invalidNamesChangeNothing()
{
    const QByteArray before = "[S]\nk=1\n";
    const QStringList badSections = {"", "  ", "a]b", "a\nb", "x\r"};
    const QStringList badKeys = {"", " \t", "a=b", ";k", "[k", "a\nb", "k\r"};
    IniDocument doc = IniDocument::fromBytes(before);
    for (const QString &section : badSections) {
        QVERIFY(!IniDocument::isValidSectionName(section));
        doc.setValue(section, u"k", QStringLiteral("2"));
        QCOMPARE(doc.value(section, u"k"), std::nullopt);
    }
    for (const QString &key : badKeys) {
        QVERIFY(!IniDocument::isValidKeyName(key));
        doc.setValue(u"S", key, QStringLiteral("2"));
        QCOMPARE(doc.value(u"S", key), std::nullopt);
    }
    QCOMPARE(doc.toBytes(), before);
}

void TestIniDocument::longValueReadWhole()
{
    const QString longValue = QString(100000, u'ж') + QStringLiteral("end");
    IniDocument doc;
    doc.setValue(u"S", u"k", longValue);
    QCOMPARE(IniDocument::fromBytes(doc.toBytes()).value(u"S", u"k"), std::optional<QString>(longValue));
}

// A file just under the size cap, of the smallest lines of each kind, read and written over. The
// memory it takes must stay a small multiple of the file (gigabytes before); the bound leaves
// room for the allocator of a sanitizer build.
// clang-format off
void TestIniDocument::fileAtTheSizeCapStaysSmall_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("piece");
    QTest::newRow("tiny sections") << QByteArray() << QByteArray("[x]\nk=v\n");
    QTest::newRow("empty sections") << QByteArray() << QByteArray("[]\n");
    QTest::newRow("tiny keys in the section read") << QByteArray("[Fenwave Sets]\nCBR=1\n") << QByteArray("k=v\n");
}
// clang-format on

void TestIniDocument::fileAtTheSizeCapStaysSmall()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, piece);
    const QByteArray tail = "[Fenwave Sets]\nCBR=1\n";
    QByteArray file = head + piece.repeated((IniDocument::kMaxFileSize - head.size() - tail.size()) / piece.size());
    file += tail;
    QVERIFY(file.size() <= IniDocument::kMaxFileSize);
    const qint64 before = peakResidentBytes();
    {
        IniDocument doc = IniDocument::fromBytes(file);
        QCOMPARE(doc.value(u"fenwave sets", u"cbr"), std::optional<QString>(QStringLiteral("1")));
        doc.setValue(u"Fenwave Sets", u"CBR", QStringLiteral("0"));
        doc.setValue(u"Fenwave Sets", u"VBR", QStringLiteral("1"));
        const QByteArray written = doc.toBytes();
        QCOMPARE(written.size(), file.size() + 6);
        QCOMPARE(written.count("\nCBR=0\n"), 1);
        QCOMPARE(written.count("\nVBR=1\n"), 1);
    }
    const qint64 grown = peakResidentBytes() - before;
    QVERIFY2(grown < 512 * 1024 * 1024, qPrintable(QStringLiteral("%1 MiB").arg(grown >> 20)));
}

void TestIniDocument::windowsFileWithCyrillic()
{
    const QString path = QStringLiteral(FENWAVE_TEST_DATA "/settings/windows1251_crlf.ini");
    const QByteArray original = readAll(path);
    bool ok = false;
    IniDocument doc = IniDocument::load(path, &ok);
    QVERIFY(ok);
    QCOMPARE(doc.value(u"Fenwave Sets", u"Presets"), std::optional<QString>(QStringLiteral("Телефон")));
    QCOMPARE(doc.value(u"Fenwave Sets", u"VBRMode"), std::optional<QString>(QStringLiteral("Старый")));
    QCOMPARE(doc.value(u"Fenwave Sets", u"Comment"), std::optional<QString>(QStringLiteral("Запись с кассеты №2")));
    QCOMPARE(doc.value(u"Fenwave Sets", u"LamePath"),
             std::optional<QString>(QStringLiteral("C:\\Program Files\\Lame\\lame.exe")));
    QCOMPARE(doc.value(u"Fenwave Sets", u"ID3TagBoth"), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(doc.lineBreak(), QByteArray("\r\n"));

    // Changing one key rewrites that line only; the Windows-1251 lines stay as they were.
    doc.setValue(u"Fenwave Sets", u"CBRValue", QStringLiteral("192"));
    doc.setValue(u"Fenwave Sets", u"Extra", QStringLiteral("Голос"));
    QByteArray expected = original;
    expected.replace("CBRValue=128\r\n", "CBRValue=192\r\n");
    expected += "Extra=Голос\r\n";
    QCOMPARE(doc.toBytes(), expected);
    QCOMPARE(IniDocument::fromBytes(expected).value(u"Fenwave Sets", u"Extra"),
             std::optional<QString>(QStringLiteral("Голос")));
}

void TestIniDocument::binaryGarbageSurvives()
{
    QRandomGenerator random(4242);
    for (int round = 0; round < 50; ++round) {
        QByteArray bytes(random.bounded(1, 4096), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(random.bounded(256));
        IniDocument doc = IniDocument::fromBytes(bytes);
        QCOMPARE(doc.toBytes(), bytes);
        (void)doc.value(u"Fenwave Sets", u"CBR");
        doc.setValue(u"Fenwave Sets", u"CBR", QStringLiteral("1"));
        QCOMPARE(IniDocument::fromBytes(doc.toBytes()).value(u"Fenwave Sets", u"CBR"),
                 std::optional<QString>(QStringLiteral("1")));
    }
}

void TestIniDocument::fuzzedDocumentsKeepInvariants()
{
    const quint32 seed = qEnvironmentVariableIsSet("FENWAVE_FUZZ_SEED")
                             ? qEnvironmentVariable("FENWAVE_FUZZ_SEED").toUInt()
                             : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);

    const QList<QByteArray> pieces = {
        "[",
        "]",
        "=",
        ";",
        " ",
        "\t",
        "\r",
        "\n",
        "\r\n",
        "\n",
        "\r\n",
        "a",
        "A",
        "b",
        "s",
        "S",
        "k",
        "K",
        "[s]",
        "[S]\r\n",
        "[ a ]",
        "k=",
        "K=v",
        "b = x",
        "\xEF\xBB\xBF",
        "\xD0\xA2",
        "\xD2",
        "\xF2",
        QByteArray("\0", 1),
        "\xFF",
        "=\n",
        "[s]\nk=1\n",
        ";k=2\n",
    };
    const QStringList sections = {"s", "S", " s ", "a", "A", "\xD0\xA2", "т", "new"};
    const QStringList keys = {"k", "K", " k\t", "b", "B", "v", "\xD0\xA2", "Т", "new"};
    const QStringList values = {"", "1", " lead", "trail ", "a=b", ";c", "[x]", "Телефон", "ё Ё", "\t", "😀", "\\"};
    auto canonical = [](const QString &name) { return name.trimmed().toCaseFolded(); };

    auto snapshot = [&](const IniDocument &doc) {
        QHash<QString, std::optional<QString>> all;
        for (const QString &s : sections)
            for (const QString &k : keys)
                all.insert(canonical(s) + u'\x1F' + canonical(k), doc.value(s, k));
        return all;
    };

    for (int round = 0; round < 3000; ++round) {
        const QString where = QStringLiteral("seed %1 round %2").arg(seed).arg(round);
        QByteArray bytes;
        const int count = random.bounded(0, 40);
        for (int i = 0; i < count; ++i)
            bytes += pieces[random.bounded(pieces.size())];
        for (int i = random.bounded(0, 3); i > 0 && !bytes.isEmpty(); --i) // mutate a few bytes
            bytes[random.bounded(bytes.size())] = char(random.bounded(256));

        IniDocument doc = IniDocument::fromBytes(bytes);
        QVERIFY2(doc.toBytes() == bytes, qPrintable(where));

        for (int write = 0; write < 3; ++write) {
            const QString &s = sections[random.bounded(sections.size())];
            const QString &k = keys[random.bounded(keys.size())];
            const QString &v = values[random.bounded(values.size())];
            const auto before = snapshot(doc);
            const QByteArray bytesBefore = doc.toBytes();
            const bool hadSection = doc.hasSection(s);
            doc.setValue(s, k, v);
            const QString target = canonical(s) + u'\x1F' + canonical(k);

            const QByteArray written = doc.toBytes();
            const IniDocument reread = IniDocument::fromBytes(written);
            const auto after = snapshot(doc);
            const auto afterReread = snapshot(reread);
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                const std::optional<QString> expected = it.key() == target ? std::optional<QString>(v) : it.value();
                QVERIFY2(after.value(it.key()) == expected, qPrintable(where + u' ' + it.key()));
                QVERIFY2(afterReread.value(it.key()) == expected,
                         qPrintable(where + QStringLiteral(" reread ") + it.key()));
            }
            const int addedLines = before.value(target) ? 0 : (hadSection ? 1 : 2);
            QVERIFY2(countLines(written) == countLines(bytesBefore) + addedLines,
                     qPrintable(where
                                + QStringLiteral(" before: %1 after: %2")
                                      .arg(QString::fromLatin1(bytesBefore.toPercentEncoding()),
                                           QString::fromLatin1(written.toPercentEncoding()))));
            QVERIFY2(reread.toBytes() == written, qPrintable(where));
        }
    }
}

void TestIniDocument::loadBadFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    bool ok = true;

    IniDocument doc = IniDocument::load(dir.filePath("missing.ini"), &ok);
    QVERIFY(!ok);
    QVERIFY(doc.toBytes().isEmpty());

    IniDocument::load(dir.path(), &ok); // a folder
    QVERIFY(!ok);

    const QString fifo = dir.filePath("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    IniDocument::load(fifo, &ok); // must not block waiting for a writer
    QVERIFY(!ok);

    const QString empty = dir.filePath("empty.ini");
    QVERIFY(writeFile(empty, {}));
    IniDocument::load(empty, &ok);
    QVERIFY(ok);

    // Above the size limit: read as unreadable, every key gives its default.
    const QString huge = dir.filePath("huge.ini");
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("[Fenwave Sets]\nCBR=0\n") > 0);
        QVERIFY(file.resize(IniDocument::kMaxFileSize + 1)); // sparse, costs no disk
    }
    doc = IniDocument::load(huge, &ok);
    QVERIFY(!ok);
    QCOMPARE(doc.value(u"Fenwave Sets", u"CBR"), std::nullopt);

    if (::geteuid() != 0) {
        const QString locked = dir.filePath("locked.ini");
        QVERIFY(writeFile(locked, "[S]\nk=v\n"));
        QVERIFY(QFile::setPermissions(locked, {}));
        IniDocument::load(locked, &ok);
        QVERIFY(!ok);
    }
}

// clang-format off
void TestIniDocument::saveAndLoadOddPaths_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("blanks") << "my settings.ini";
    QTest::newRow("quotes") << "it's \"mine\".ini";
    QTest::newRow("shell characters") << "a;b $(touch x) `y` |z&.ini";
    QTest::newRow("Cyrillic") << "Настройки.ini";
    QTest::newRow("no extension") << "settings";
    QTest::newRow("leading dash") << "-rf";
}
// clang-format on

void TestIniDocument::saveAndLoadOddPaths()
{
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);

    IniDocument doc;
    doc.setValue(u"Fenwave Sets", u"LamePath", path);
    QVERIFY(doc.save(path));
    QCOMPARE(readAll(path), doc.toBytes());
    bool ok = false;
    QCOMPARE(IniDocument::load(path, &ok).value(u"Fenwave Sets", u"LamePath"), std::optional<QString>(path));
    QVERIFY(ok);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left, nothing run
}

void TestIniDocument::saveFailuresKeepOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    IniDocument doc;
    doc.setValue(u"Fenwave Sets", u"CBR", QStringLiteral("1"));

    QVERIFY(!doc.save(QString()));
    QVERIFY(!doc.save(dir.filePath("no such folder/settings.ini")));
    QVERIFY(!QFileInfo::exists(dir.filePath("no such folder")));
    QVERIFY(!doc.save(dir.path())); // a folder is no file

    const QString fifo = dir.filePath("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!doc.save(fifo));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());

    // A read-only file refuses the save even for root, whom the system would let write.
    const QString readOnly = dir.filePath("read only.ini");
    const QByteArray old = "[Fenwave Sets]\r\nCBR=0\r\n";
    QVERIFY(writeFile(readOnly, old));
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!doc.save(readOnly));
    QCOMPARE(readAll(readOnly), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2); // no temporary left
}

// clang-format off
void TestIniDocument::saveOntoFullStorageKeepsOldFile_data()
{
    QTest::addColumn<bool>("fullFileSystem");   // else a file-size limit
    QTest::addColumn<int>("valueLength");
    // A short file is held in a write buffer until the end; a long one is written at once.
    QTest::newRow("file-size limit, short file") << false << 200;
    QTest::newRow("file-size limit, long file") << false << 100000;
    QTest::newRow("full file system, short file") << true << 200;
    QTest::newRow("full file system, long file") << true << 100000;
}
// clang-format on

void TestIniDocument::saveOntoFullStorageKeepsOldFile()
{
    QFETCH(bool, fullFileSystem);
    QFETCH(int, valueLength);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::optional<testing::SmallFileSystem> small;
    if (fullFileSystem) {
        small.emplace();
        if (!small->isMounted())
            QSKIP("mounting a small file system needs root");
    }
    const QString path = small ? small->filePath("settings.ini") : dir.filePath("settings.ini");
    const QByteArray old = "[Fenwave Sets]\r\nCBR=0\r\n";
    QVERIFY(writeFile(path, old));
    IniDocument doc = IniDocument::fromBytes(old);
    doc.setValue(u"Fenwave Sets", u"Comment", QString(valueLength, u'x'));
    const QString folder = QFileInfo(path).path();

    if (small) {
        QVERIFY(small->fill());
        QVERIFY(!doc.save(path));
    } else {
        QCOMPARE(testing::runUnderFileSizeLimit(64, [&] { return doc.save(path); }),
                 testing::ChildResult::ReturnedFalse);
    }
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), small ? 2 : 1); // no temporary left
}

void TestIniDocument::saveIntoReadOnlyFolder()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("settings.ini");
    const QByteArray old = "[Fenwave Sets]\nCBR=0\n";
    QVERIFY(writeFile(path, old));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));

    IniDocument doc = IniDocument::fromBytes(old);
    doc.setValue(u"Fenwave Sets", u"CBR", QStringLiteral("1"));
    const bool saved = doc.save(path);
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!saved);
    QCOMPARE(readAll(path), old);
}

// U+FEFF at the start of a name or value is text, not a byte-order mark to drop.
void TestIniDocument::leadingZeroWidthNoBreakSpaceIsKept()
{
    const QString mark(QChar(0xFEFF));
    IniDocument doc;
    doc.setValue(QString(mark + "Section"), u"key", mark + "value");
    doc.setValue(u"plain", QString(mark + "key"), "v");
    const IniDocument again = IniDocument::fromBytes(doc.toBytes());
    QCOMPARE(again.value(QString(mark + "Section"), u"key"), std::optional<QString>(mark + "value"));
    QCOMPARE(again.value(u"Section", u"key"), std::nullopt);
    QCOMPARE(again.value(u"plain", QString(mark + "key")), std::optional<QString>("v"));
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
