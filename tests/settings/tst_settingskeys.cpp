#include "settings/SettingsKeys.h"

#include "settings/ProfileInteger.h"

#include <QSet>
#include <QtTest>

using namespace fenwave;

class TestSettingsKeys : public QObject
{
    Q_OBJECT

private slots:
    void tableHasSixtyUniqueKeys();
    void flagAndIntegerDefaultsAreNumbers();
    void rows_data();
    void rows();
    void settingInteger_data();
    void settingInteger();
    void settingTextDefaults();
    void limitToRange_data();
    void limitToRange();
};

void TestSettingsKeys::tableHasSixtyUniqueKeys()
{
    QCOMPARE(settingsKeys().size(), 60);
    QSet<QString> keys, controls;
    for (const SettingKey &row : settingsKeys()) {
        keys.insert(QString::fromLatin1(row.key).toCaseFolded());
        controls.insert(QString::fromLatin1(fenwave::OptionSet::info(row.field).name));
        QVERIFY2(IniDocument::isValidKeyName(QString::fromLatin1(row.key)), row.key);
    }
    QCOMPARE(keys.size(), 60);      // unique even without regard to case, as the file compares them
    QCOMPARE(controls.size(), 60);
    QCOMPARE(QString::fromUtf8(kSettingsSection), QStringLiteral("Fenwave Sets"));
}

void TestSettingsKeys::flagAndIntegerDefaultsAreNumbers()
{
    for (const SettingKey &row : settingsKeys()) {
        if (fenwave::settingKind(row) == SettingKind::Text || fenwave::settingDefault(row).isNull())
            continue;
        QVERIFY2(parseProfileInteger(fenwave::settingDefault(row)).has_value(), row.key);
        if (fenwave::settingKind(row) == SettingKind::Flag)
            QVERIFY2(fenwave::settingDefault(row) == QLatin1String("0") || fenwave::settingDefault(row) == QLatin1String("1"), row.key);
    }
}

void TestSettingsKeys::rows_data()
{
    QTest::addColumn<int>("number");   // 1-based, as the table counts
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("defaultValue");   // null: no default

    auto row = [](int number, const char *key, SettingKind kind, const char *control, const char *def) {
        QTest::addRow("#%d %s", number, key) << number << QString::fromLatin1(key) << int(kind)
                                             << QString::fromLatin1(control)
                                             << (def ? QString::fromUtf8(def) : QString());
    };
    row(1, "LamePath", SettingKind::Text, "LamePath", "");
    row(2, "InputType", SettingKind::Integer, "rgrInputType", "5");
    row(3, "SampleFrequency", SettingKind::Text, "cbxSampleFreq", "44.1");
    row(5, "OutputType", SettingKind::Integer, "rgpOutputType", "1");
    row(11, "MP3Decoding", SettingKind::Flag, "flgMP3Decode", nullptr);
    row(12, "NoWAVHeader", SettingKind::Flag, "flgWavHeader", "0");
    row(24, "Presets", SettingKind::Text, "cbxPresets", "Телефон");
    row(26, "CBR", SettingKind::Flag, "rbutCBR", "1");
    row(31, "VBRMode", SettingKind::Text, "cbxVBRMode", "Старый");
    row(37, "ShowHistogramm", SettingKind::Flag, "flgHist", "0");
    row(43, "HighPassFilter", SettingKind::Text, "cbxEmp", "");
    row(44, "NoiseReduction", SettingKind::Text, "cbxNoise", "5");
    row(53, "ShowAllUseful", SettingKind::Flag, "flgAllUseFull", "0");
    row(55, "Comment", SettingKind::Text, "edtComment", "");
    row(60, "2ndEmpty", SettingKind::Flag, "flg2ndEmpty", "0");
}

void TestSettingsKeys::rows()
{
    QFETCH(int, number);
    QFETCH(QString, key);
    QFETCH(int, kind);
    QFETCH(QString, control);
    QFETCH(QString, defaultValue);

    const SettingKey &row = *(settingsKeys().begin() + (number - 1));
    QCOMPARE(QString::fromLatin1(row.key), key);
    QCOMPARE(int(fenwave::settingKind(row)), kind);
    QCOMPARE(QString::fromLatin1(fenwave::OptionSet::info(row.field).name), control);
    QCOMPARE(fenwave::settingDefault(row).isNull(), defaultValue.isNull());
    if (!fenwave::settingDefault(row).isNull())
        QCOMPARE(fenwave::settingDefault(row), defaultValue);
    QCOMPARE(findSettingKey(key), &row);
}

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
    QCOMPARE(settingText(doc, *findSettingKey(u"SampleFrequency")), QString(""));   // empty, not "44.1"
    QCOMPARE(settingText(doc, *findSettingKey(u"Comment")), QString(" x "));
    QCOMPARE(settingText(doc, *findSettingKey(u"Presets")), QString::fromUtf8("Телефон"));
    QCOMPARE(settingText(doc, *findSettingKey(u"VBRMode")), QString::fromUtf8("Старый"));
    QCOMPARE(settingText(IniDocument(), *findSettingKey(u"SampleFrequency")), QString("44.1"));
    QVERIFY(!findSettingKey(u"lamepath"));
}

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

void TestSettingsKeys::limitToRange()
{
    QFETCH(int, value);
    QFETCH(int, lastIndex);
    QFETCH(int, expected);
    QCOMPARE(fenwave::limitToRange(value, lastIndex), expected);
}

QTEST_GUILESS_MAIN(TestSettingsKeys)
#include "tst_settingskeys.moc"
