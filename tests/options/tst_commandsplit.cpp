#include "options/CommandLine.h"
#include "options/CommandSplit.h"

#include <QTest>

using namespace fenwave;

class TestCommandSplit : public QObject
{
    Q_OBJECT

private slots:
    void splits_data();
    void splits();
    void composedLineRoundTrips_data();
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

// The names the user chose reach the encoder as exactly these arguments, in both forms of the
// line, or the run refuses them (a double quote; blanks or control characters at the ends of
// the input or the output, which the line drops).
// clang-format off
void TestCommandSplit::composedLineRoundTrips_data()
{
    QTest::addColumn<QString>("encoder");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("carried");

    QTest::newRow("blanks and Cyrillic") << "/home/me/my tools/lame" << "/home/me/Мои записи/a.wav"
                                         << "/home/me/Мои записи/a.mp3" << "My song" << true;
    QTest::newRow("tab") << "lame" << "a\tb.wav" << "a\tb.mp3" << "" << true;
    QTest::newRow("line feed") << "lame" << "a\nb.wav" << "/tmp/x\ny/c.mp3" << "" << true;
    QTest::newRow("carriage return") << "lame" << "a\rb.wav" << "a\r\nb.mp3" << "" << true;
    QTest::newRow("encoder path with tab and outer blanks") << " /opt/la\tme " << "in.wav" << "out.mp3" << ""
                                                            << true;
    QTest::newRow("title with tab, no blank") << "lame" << "in.wav" << "out.mp3" << "Part\t1" << true;
    QTest::newRow("title with line break") << "lame" << "in.wav" << "out.mp3" << "Line\nbreak" << true;
    QTest::newRow("Cyrillic only") << "lame" << "Музыка.wav" << "песня.mp3" << "Ёлка" << true;
    QTest::newRow("semicolon") << "lame" << "a;b.wav" << "a; b.mp3" << "" << true;
    QTest::newRow("command substitution") << "lame" << "$(touch x).wav" << "`id` $(id).mp3" << "" << true;
    QTest::newRow("single quotes") << "lame" << "'a'.wav" << "it's mine.mp3" << "" << true;
    QTest::newRow("double quote in input") << "lame" << "q\"x.wav" << "out.mp3" << "" << false;
    QTest::newRow("double quote in output") << "lame" << "in.wav" << "a \"b\".mp3" << "" << false;
    QTest::newRow("double quote in encoder path") << "/opt/\"l\"/lame" << "in.wav" << "out.mp3" << "" << false;
    QTest::newRow("leading blank") << "lame" << " in.wav" << "out.mp3" << "" << false;
    QTest::newRow("trailing blank") << "lame" << "in.wav" << "out.mp3 " << "" << false;
    QTest::newRow("trailing tab") << "lame" << "in.wav\t" << "out.mp3" << "" << false;
    QTest::newRow("leading line feed") << "lame" << "in.wav" << "\nout.mp3" << "" << false;
    QTest::newRow("trailing carriage return") << "lame" << "in.wav\r" << "out.mp3" << "" << false;
    QTest::newRow("leading control character") << "lame" << "\x01in.wav" << "out.mp3" << "" << false;
}
// clang-format on

void TestCommandSplit::composedLineRoundTrips()
{
    QFETCH(QString, encoder);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, title);
    QFETCH(bool, carried);

    OptionSet options;
    options.setText(Field::LamePath, encoder);
    options.setText(Field::edtInput, input);
    options.setText(Field::edtOutput, output);
    options.setText(Field::edtSongName, title);
    QCOMPARE(commandLineCarries(encoder, PathPiece::Untrimmed) && commandLineCarries(input, PathPiece::Trimmed)
                 && commandLineCarries(output, PathPiece::Trimmed),
             carried);

    // The start values give " -m j -b 128" in the full form and " -h" in the short one.
    QStringList full{encoder, "-m", "j", "-b", "128"};
    if (!title.isEmpty())
        full << "--tt" << title;
    full << input << output;
    const QStringList shortForm{encoder, "-h", input, output};
    if (carried) {
        QCOMPARE(splitCommandText(composeFullCommandLine(options)), full);
        QCOMPARE(splitCommandText(composeShortCommandLine(options)), shortForm);
    } else {
        QVERIFY(splitCommandText(composeFullCommandLine(options)) != full);
        QVERIFY(splitCommandText(composeShortCommandLine(options)) != shortForm);
    }
}

QTEST_GUILESS_MAIN(TestCommandSplit)
#include "tst_commandsplit.moc"
