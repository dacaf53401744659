#include "settings/ProfileInteger.h"

#include <QtTest>

using namespace fenwave;

class TestProfileInteger : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

// clang-format off
void TestProfileInteger::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<int>("expected");

    auto number = [](const char *name, const QString &text, int value) {
        QTest::newRow(name) << text << true << value;
    };
    auto notNumber = [](const char *name, const QString &text) {
        QTest::newRow(name) << text << false << 0;
    };

    number("nine", "9", 9);
    number("negative", "-4", -4);
    number("plus sign", "+5", 5);
    number("zero", "0", 0);
    number("leading zeros", "007", 7);
    number("leading blank", " 5", 5);
    number("leading tab and blanks", "\t  12", 12);
    number("int max", "2147483647", 2147483647);
    number("int min", "-2147483648", std::numeric_limits<qint32>::min());
    number("hex 0x", "0x2", 2);
    number("hex 0X upper digits", "0XfF", 255);
    number("hex dollar max positive", "$7FFFFFFF", 2147483647);
    number("hex dollar all ones", "$FFFFFFFF", -1);
    number("hex eight digits with zeros", "0x00000010", 16);
    number("hex high bit", "$80000000", std::numeric_limits<qint32>::min());
    number("blank before hex", " $10", 16);

    notNumber("empty", "");
    notNumber("blanks only", "   ");
    notNumber("word", "yes");
    notNumber("trailing blank", "5 ");
    notNumber("digits then letters", "12abc");
    notNumber("decimal point", "1.5");
    notNumber("above int max", "2147483648");
    notNumber("below int min", "-2147483649");
    notNumber("huge", "99999999999999999999999");
    notNumber("0x alone", "0x");
    notNumber("dollar alone", "$");
    notNumber("nine hex digits", "0x123456789");
    notNumber("nine hex digits dollar", "$000000001");
    notNumber("bad hex digit", "$12G");
    notNumber("sign alone", "-");
    notNumber("double sign", "--1");
    notNumber("signed hex", "-$1");
    notNumber("blank after sign", "- 1");
    notNumber("arabic-indic digit", QString::fromUtf8("\u0663"));
    notNumber("fullwidth digit", QString::fromUtf8("\uFF11"));
    notNumber("non-breaking space before", QString::fromUtf8("\u00A05"));
    notNumber("embedded nul", QString::fromUtf8("5\0", 2));
}
// clang-format on

void TestProfileInteger::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(int, expected);

    const std::optional<qint32> result = parseProfileInteger(text);
    QCOMPARE(result.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*result, expected);
}

QTEST_GUILESS_MAIN(TestProfileInteger)
#include "tst_profileinteger.moc"
