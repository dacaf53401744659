#include "settings/SettingsKeys.h"

#include "ExpectedData.h"

#include <QtTest>

using namespace fenwave;

class TestSettingsKeys : public QObject
{
    Q_OBJECT

private slots:
    void keysInOrder();
    void settingInteger_data();
    void settingInteger();
    void settingTextDefaults();
    void limitToRange_data();
    void limitToRange();
};

// The keys in file order, each with its kind, control and default.
void TestSettingsKeys::keysInOrder()
{
    QStringList expected, actual;
    for (const QStringList &row : testing::expectedRows("settings_keys.tsv"))
        expected << row.join(u'\t');
    for (const SettingKey &row : settingsKeys()) {
        const char *kind = settingKind(row) == SettingKind::Flag      ? "flag"
                           : settingKind(row) == SettingKind::Integer ? "integer"
                                                                      : "text";
        actual << QStringList{QString::fromLatin1(row.key), QLatin1String(kind),
                              QString::fromLatin1(OptionSet::info(row.field).name),
                              settingDefault(row).isNull() ? QStringLiteral("unchanged") : settingDefault(row)}
                      .join(u'\t');
        QVERIFY2(IniDocument::isValidKeyName(QString::fromLatin1(row.key)), row.key);
        QCOMPARE(findSettingKey(QString::fromLatin1(row.key)), &row);
    }
    QCOMPARE(actual, expected);
    QCOMPARE(QString::fromUtf8(kSettingsSection), QStringLiteral("Fenwave Sets"));
}

// clang-format off
void TestSettingsKeys::settingInteger_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("currentDefault");
    QTest::addColumn<int>("expected");

    const QByteArray header = "[Fenwave Sets]\n";
    QTest::newRow("nine") << header + "InputType=9\n" << "InputType" << 0 << 9;
    QTest::newRow("minus four") << header + "InputType=-4\n" << "InputType" << 0 << -4;
    QTest::newRow("word gives default") << header + "InputType=wav\n" << "InputType" << 0 << 5;
    QTest::newRow("empty gives default") << header + "InputType=\n" << "InputType" << 0 << 5;
    QTest::newRow("hex") << header + "InputType=0x2\n" << "InputType" << 0 << 2;
    QTest::newRow("missing key") << header << "OutputType" << 0 << 1;
    QTest::newRow("missing section") << QByteArray("[Other]\nCBR=0\n") << "CBR" << 0 << 1;
    QTest::newRow("case of names") << QByteArray("[FENWAVE sets]\ncbr=0\n") << "CBR" << 0 << 0;
    QTest::newRow("flag two") << header + "OggVorbis=2\n" << "OggVorbis" << 0 << 2;
    QTest::newRow("flag word") << header + "OggVorbis=on\n" << "OggVorbis" << 0 << 0;
    QTest::newRow("MP3Decoding missing keeps current") << header << "MP3Decoding" << 1 << 1;
    QTest::newRow("MP3Decoding word keeps current") << header + "MP3Decoding=x\n" << "MP3Decoding" << 1 << 1;
    QTest::newRow("MP3Decoding zero") << header + "MP3Decoding=0\n" << "MP3Decoding" << 1 << 0;
}
// clang-format on

void TestSettingsKeys::settingInteger()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(int, currentDefault);
    QFETCH(int, expected);

    const SettingKey *row = findSettingKey(key);
    QVERIFY(row);
    QCOMPARE(fenwave::settingInteger(IniDocument::fromBytes(file), *row, currentDefault), expected);
}

void TestSettingsKeys::settingTextDefaults()
{
    const IniDocument doc = IniDocument::fromBytes("[Fenwave Sets]\nSampleFrequency=\nComment= x \n");
    QCOMPARE(settingText(doc, *findSettingKey(u"SampleFrequency")), QString("")); // empty, not "44.1"
    QCOMPARE(settingText(doc, *findSettingKey(u"Comment")), QString(" x "));
    QCOMPARE(settingText(doc, *findSettingKey(u"Presets")), QString::fromUtf8("Телефон"));
    QCOMPARE(settingText(doc, *findSettingKey(u"VBRMode")), QString::fromUtf8("Старый"));
    QCOMPARE(settingText(IniDocument(), *findSettingKey(u"SampleFrequency")), QString("44.1"));
    QVERIFY(!findSettingKey(u"lamepath"));
}

// clang-format off
void TestSettingsKeys::limitToRange_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("lastIndex");
    QTest::addColumn<int>("expected");

    QTest::newRow("nine to last input type") << 9 << 5 << 5;
    QTest::newRow("minus four to none") << -4 << 5 << -1;
    QTest::newRow("minus one kept") << -1 << 5 << -1;
    QTest::newRow("in range") << 2 << 4 << 2;
    QTest::newRow("last kept") << 4 << 4 << 4;
    QTest::newRow("int min") << std::numeric_limits<int>::min() << 4 << -1;
    QTest::newRow("int max") << std::numeric_limits<int>::max() << 4 << 4;
}
// clang-format on

void TestSettingsKeys::limitToRange()
{
    QFETCH(int, value);
    QFETCH(int, lastIndex);
    QFETCH(int, expected);
    QCOMPARE(fenwave::limitToRange(value, lastIndex), expected);
}

QTEST_GUILESS_MAIN(TestSettingsKeys)
#include "tst_settingskeys.moc"
