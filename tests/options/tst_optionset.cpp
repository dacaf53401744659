#include "options/CommandLine.h"
#include "options/OptionSet.h"

#include "ExpectedData.h"

#include <QTest>

using namespace fenwave;

class TestOptionSet : public QObject
{
    Q_OBJECT
private slots:
    void startValues_data();
    void startValues();
    void startAvailability();
    void exclusiveGroups();
    void fieldByName();
    void itemLists();
    void freshSetComposesTwoSwitches();
};

// clang-format off
void TestOptionSet::startValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("flgReadOnly") << "flgReadOnly" << true << -1 << "";
    QTest::newRow("rgrInputType") << "rgrInputType" << false << 5 << "";
    QTest::newRow("rgpOutputType") << "rgpOutputType" << false << 1 << "";
    QTest::newRow("cbxSampleFreq") << "cbxSampleFreq" << false << -1 << "44.1";
    QTest::newRow("rbutCBR") << "rbutCBR" << true << -1 << "";
    QTest::newRow("cbxCBR") << "cbxCBR" << false << -1 << "128";
    QTest::newRow("cbxVBRMode") << "cbxVBRMode" << false << 1 << "Старый";
    QTest::newRow("cbxVBRQuality") << "cbxVBRQuality" << false << -1 << "4";
    QTest::newRow("cbxMaxBitrate") << "cbxMaxBitrate" << false << -1 << "320";
    QTest::newRow("cbxNoise") << "cbxNoise" << false << -1 << "5";
    QTest::newRow("cbxPresets") << "cbxPresets" << false << -1 << "Телефон";
    QTest::newRow("cbxEmp") << "cbxEmp" << false << -1 << "";
    QTest::newRow("rbutBoth") << "rbutBoth" << false << -1 << "";
}
// clang-format on

void TestOptionSet::startValues()
{
    QFETCH(QString, name);
    QFETCH(bool, on);
    QFETCH(int, index);
    QFETCH(QString, text);
    const OptionSet o;
    const Field field = *OptionSet::fieldByName(name);
    QCOMPARE(o.isOn(field), on);
    QCOMPARE(o.index(field), index);
    QCOMPARE(o.text(field), text);
}

void TestOptionSet::startAvailability()
{
    const QStringList unavailable = testing::startDisabled("field");
    const OptionSet o;
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        QCOMPARE(OptionSet::fieldByName(QString::fromLatin1(info.name)), info.field);
        QVERIFY2(o.isAvailable(info.field) == !unavailable.contains(info.name), info.name);
    }
}

void TestOptionSet::exclusiveGroups()
{
    OptionSet o;
    o.setOn(Field::rbutVBR, true);
    QVERIFY(!o.isOn(Field::rbutCBR) && !o.isOn(Field::rbutABR) && o.isOn(Field::rbutVBR));
    o.setOn(Field::rbutVBR, false); // a group may end with none on
    QVERIFY(!o.isOn(Field::rbutCBR) && !o.isOn(Field::rbutABR) && !o.isOn(Field::rbutVBR));
    o.setOn(Field::rbut2ndOnly, true);
    o.setOn(Field::rbutBoth, true);
    QVERIFY(!o.isOn(Field::rbut1stOnly) && !o.isOn(Field::rbut2ndOnly) && o.isOn(Field::rbutBoth));
    QVERIFY(!o.isOn(Field::rbutCBR)); // groups are independent
    o.setOn(Field::flgNoATH, true);   // plain flags touch nothing else
    o.setOn(Field::flgUseATHMask, true);
    QVERIFY(o.isOn(Field::flgNoATH) && o.isOn(Field::flgUseATHMask));
}

void TestOptionSet::fieldByName()
{
    QCOMPARE(OptionSet::fieldByName(u"flgVorbis"), Field::flgVorbis);
    QVERIFY(!OptionSet::fieldByName(u"flgvorbis")); // names are exact
}

// Each control's list, item by item; a control without a written list has none.
void TestOptionSet::itemLists()
{
    QMap<QString, QStringList> expected;
    for (const QStringList &row : testing::expectedRows("item_lists.tsv")) {
        for (const QString &control : row.at(0).split(u','))
            expected[control] << row.at(1);
    }
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        QVERIFY2(itemList(info.items) == expected.value(QLatin1String(info.name)), info.name);
    }
}

void TestOptionSet::freshSetComposesTwoSwitches()
{
    OptionSet o;
    o.setText(Field::LamePath, "lame");
    QCOMPARE(composeFullCommandLine(o), "lame -m j -b 128");
}

QTEST_GUILESS_MAIN(TestOptionSet)
#include "tst_optionset.moc"
