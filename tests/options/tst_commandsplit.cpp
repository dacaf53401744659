#include "options/CommandSplit.h"

#include <QTest>

using fenwave::splitCommandText;

class TestCommandSplit : public QObject
{
    Q_OBJECT

private slots:
    void splits_data();
    void splits();
    void composedLineRoundTrips();
};

// clang-format off
void TestCommandSplit::splits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("only blanks") << "   \t  " << QStringList();
    QTest::newRow("only line breaks") << "\r\n\n" << QStringList();
    QTest::newRow("program only") << "lame" << QStringList{"lame"};
    QTest::newRow("blanks separate") << "lame -b 128 in.wav"
                                     << QStringList{"lame", "-b", "128", "in.wav"};
    QTest::newRow("runs of blanks and tabs") << "lame \t  -h\t\tin.wav"
                                             << QStringList{"lame", "-h", "in.wav"};
    QTest::newRow("leading and trailing blanks") << "  lame -h  " << QStringList{"lame", "-h"};
    QTest::newRow("CR LF separate") << "lame\r\n-h\nin.wav\rout.mp3"
                                    << QStringList{"lame", "-h", "in.wav", "out.mp3"};
    QTest::newRow("quoted stretch is one argument")
        << "\"/opt/my lame/lame\" \"C:\\My Music\\a b.wav\""
        << QStringList{"/opt/my lame/lame", "C:\\My Music\\a b.wav"};
    QTest::newRow("quotes join with neighbours") << "lame \"a b\"c d\"e f\""
                                                 << QStringList{"lame", "a bc", "de f"};
    QTest::newRow("empty quoted argument") << "lame \"\" x" << QStringList{"lame", "", "x"};
    QTest::newRow("empty quoted at end") << "lame \"\"" << QStringList{"lame", ""};
    QTest::newRow("two empty quotes side by side") << "\"\"\"\"" << QStringList{""};
    QTest::newRow("tab inside quotes kept") << "\"a\tb\"" << QStringList{"a\tb"};
    QTest::newRow("line break inside quotes kept") << "\"a\nb\" c" << QStringList{"a\nb", "c"};
    QTest::newRow("unbalanced quote runs to end") << "lame \"in put.wav -h"
                                                  << QStringList{"lame", "in put.wav -h"};
    QTest::newRow("lone quote") << "\"" << QStringList{""};
    QTest::newRow("no backslash escapes") << "lame a\\\"b c\\\"" << QStringList{"lame", "a\\b c\\"};
    QTest::newRow("shell characters are plain")
        << "lame a;b $(touch x) `y` | z > w $HOME *.wav"
        << QStringList{"lame", "a;b", "$(touch", "x)", "`y`", "|", "z", ">", "w", "$HOME", "*.wav"};
    QTest::newRow("single quotes are plain") << "lame 'a b'" << QStringList{"lame", "'a", "b'"};
    QTest::newRow("non-ASCII letters") << "lame \"Музыка/песня 1.wav\" --tt Ёлка"
                                       << QStringList{"lame", "Музыка/песня 1.wav", "--tt", "Ёлка"};
    QTest::newRow("no-break space is no separator") << QString::fromUtf8("a\u00a0b c")
                                                    << QStringList{QString::fromUtf8("a\u00a0b"), "c"};
}
// clang-format on

void TestCommandSplit::splits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(splitCommandText(text), expected);
}

// The line the composer builds for paths with blanks comes back as the same paths.
void TestCommandSplit::composedLineRoundTrips()
{
    const QString line
        = QStringLiteral("\"/home/me/my tools/lame\" --tt \"My song\" -b 128 \"/home/me/Мои записи/a.wav\" "
                         "\"/home/me/Мои записи/a.mp3\"");
    const QStringList parts = splitCommandText(line);
    QCOMPARE(parts.first(), QStringLiteral("/home/me/my tools/lame"));
    QCOMPARE(parts.at(parts.size() - 2), QStringLiteral("/home/me/Мои записи/a.wav"));
    QCOMPARE(parts.last(), QStringLiteral("/home/me/Мои записи/a.mp3"));
}

QTEST_GUILESS_MAIN(TestCommandSplit)
#include "tst_commandsplit.moc"
