#include <QtTest>

#include "ExpectedData.h"
#include "language/LanguageTables.h"
#include "language/MessageTexts.h"

using namespace fenwave;

class TestLanguageTables : public QObject
{
    Q_OBJECT

private slots:
    void setsAssignEveryWrittenRow_data();
    void setsAssignEveryWrittenRow();
    void unknownLanguageGivesNothing();
    void leftEdgesFieldsBeforeUnitLabels();
};

// clang-format off
void TestLanguageTables::setsAssignEveryWrittenRow_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("file");
    QTest::newRow("English") << 0 << "language_en.tsv";
    QTest::newRow("Russian") << 1 << "language_ru.tsv";
}
// clang-format on

// The table assigns every caption and hint the data lists, in that order, and nothing more. The
// texts themselves are compared where the user sees them, in the window.
void TestLanguageTables::setsAssignEveryWrittenRow()
{
    QFETCH(int, language);
    QFETCH(QString, file);
    const QByteArray name = file.toLatin1();

    QStringList expected, assigned;
    for (const QStringList &row : testing::expectedRows(name.constData())) {
        if (row.at(1) == QLatin1String("caption") || row.at(1) == QLatin1String("hint"))
            expected << row.mid(0, 2).join(u'\t');
    }
    for (const TextAssignment &a : textAssignments()) {
        if (a.property == TextProperty::AccessibleName)
            continue; // compared where a screen reader meets them, through the window
        const char *property = a.property == TextProperty::Caption ? "caption"
                               : a.property == TextProperty::Hint  ? "hint"
                                                                   : "text";
        if (!textFor(a, Language(language)).isNull())
            assigned << QStringList{QLatin1String(a.target), QLatin1String(property)}.join(u'\t');
    }
    QCOMPARE(assigned, expected);
}

void TestLanguageTables::unknownLanguageGivesNothing()
{
    const TextAssignment &first = *textAssignments().begin();
    for (Language language : {Language(2), Language(255)}) {
        QVERIFY(textFor(first, language).isNull());
        QVERIFY(!isKnownLanguage(language));
        QVERIFY(presetNames(language).isEmpty());
        for (const QStringList &message : testing::messageTexts(messageTextsFor(language)))
            QVERIFY2(message.at(1).isEmpty(), qPrintable(message.at(0)));
    }
    QVERIFY(isKnownLanguage(Language::English));
    QVERIFY(isKnownLanguage(Language::Russian));
}

void TestLanguageTables::leftEdgesFieldsBeforeUnitLabels()
{
    QStringList order;
    for (const LeftEdge &edge : languageLeftEdges())
        order << QLatin1String(edge.target);
    QCOMPARE(order.indexOf("edtCompRatio"), 0);
    QCOMPARE(order.indexOf("cbxPresets"), 1);
    for (int i = 2; i < 8; ++i)
        QVERIFY2(order.at(i).startsWith("edt"), qPrintable(order.at(i)));
    for (int i = 8; i < 14; ++i)
        QVERIFY2(order.at(i).startsWith("Label"), qPrintable(order.at(i)));
}

QTEST_GUILESS_MAIN(TestLanguageTables)
#include "tst_languagetables.moc"
