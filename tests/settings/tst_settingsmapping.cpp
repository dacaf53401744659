// The settings mapping without a window: which value each key gives on restore, and the keys a
// save writes.
#include "settings/SettingsMapping.h"

#include <QtTest>

using namespace fenwave;

namespace {

QByteArray settingsFile(const QList<QByteArray> &lines, const QByteArray &header = "[Fenwave Sets]")
{
    QByteArray file = header + '\n';
    for (const QByteArray &line : lines)
        file += line + '\n';
    return file;
}

// What restoring gives the field of `key`: "on"/"off" for flags, the item index for radio
// groups, "text:<text>" for texts, "keeps" when the field keeps its state.
QString restored(const QByteArray &file, const QString &key)
{
    for (const SettingKey &row : settingsKeys()) {
        if (QLatin1String(row.key) != key)
            continue;
        const std::optional<FieldValue> v = readSetting(IniDocument::fromBytes(file), row);
        if (!v)
            return QStringLiteral("keeps");
        switch (OptionSet::info(row.field).kind) {
        case FieldKind::Flag:
        case FieldKind::ExclusiveFlag: return v->on ? QStringLiteral("on") : QStringLiteral("off");
        case FieldKind::IndexChoice: return QString::number(v->index);
        case FieldKind::IndexChoiceWithText:
        case FieldKind::TextChoice:
        case FieldKind::FreeText:
        case FieldKind::NumberText: return QStringLiteral("text:") + v->text;
        }
    }
    return QStringLiteral("no such key");
}

} // namespace

class TestSettingsMapping : public QObject
{
    Q_OBJECT
private slots:
    void restore_data();
    void restore();
    void saveWritesEveryKeyAndKeepsForeignLines();
};

// clang-format off
void TestSettingsMapping::restore_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray empty = settingsFile({"Unrelated=1"});
    QTest::newRow("InputType 9 -> last item") << settingsFile({"InputType=9"}) << "InputType" << "5";
    QTest::newRow("InputType -4 -> none") << settingsFile({"InputType=-4"}) << "InputType" << "-1";
    QTest::newRow("InputType word -> default") << settingsFile({"InputType=wav"}) << "InputType" << "5";
    QTest::newRow("InputType empty -> default") << settingsFile({"InputType="}) << "InputType" << "5";
    QTest::newRow("InputType -1 -> none") << settingsFile({"InputType=-1"}) << "InputType" << "-1";
    QTest::newRow("OutputType 2 in range") << settingsFile({"OutputType=2"}) << "OutputType" << "2";
    QTest::newRow("OutputType 4 -> last item kept") << settingsFile({"OutputType=4"}) << "OutputType" << "4";
    QTest::newRow("OutputType lowest integer -> none")
        << settingsFile({"OutputType=-2147483648"}) << "OutputType" << "-1";
    QTest::newRow("OutputType highest integer -> last item")
        << settingsFile({"OutputType=2147483647"}) << "OutputType" << "4";
    QTest::newRow("InputType 0x2 -> Layer III") << settingsFile({"InputType=0x2"}) << "InputType" << "2";
    QTest::newRow("InputType $3, blanks before") << settingsFile({"InputType=  $3"}) << "InputType" << "3";
    QTest::newRow("OutputType 7 -> last item") << settingsFile({"OutputType=7"}) << "OutputType" << "4";
    QTest::newRow("OutputType missing") << empty << "OutputType" << "1";
    QTest::newRow("SampleFrequency empty") << settingsFile({"SampleFrequency="}) << "SampleFrequency" << "text:";
    QTest::newRow("SampleFrequency missing") << empty << "SampleFrequency" << "text:44.1";
    QTest::newRow("SampleFrequency kept untrimmed")
        << settingsFile({"SampleFrequency= 22.05 "}) << "SampleFrequency" << "text: 22.05 ";
    QTest::newRow("OggVorbis word -> off") << settingsFile({"OggVorbis=yes"}) << "OggVorbis" << "off";
    QTest::newRow("OggVorbis 2 -> on") << settingsFile({"OggVorbis=2"}) << "OggVorbis" << "on";
    QTest::newRow("OggVorbis 1.0 -> off") << settingsFile({"OggVorbis=1.0"}) << "OggVorbis" << "off";
    QTest::newRow("CBR missing -> on") << empty << "CBR" << "on";
    QTest::newRow("ABR missing -> off") << empty << "ABR" << "off";
    QTest::newRow("MP3Decoding missing keeps") << empty << "MP3Decoding" << "keeps";
    QTest::newRow("MP3Decoding word keeps") << settingsFile({"MP3Decoding=x"}) << "MP3Decoding" << "keeps";
    QTest::newRow("MP3Decoding 0 -> off") << settingsFile({"MP3Decoding=0"}) << "MP3Decoding" << "off";
    QTest::newRow("MP3Decoding -1 -> on") << settingsFile({"MP3Decoding=-1"}) << "MP3Decoding" << "on";
    QTest::newRow("LamePath missing -> empty") << empty << "LamePath" << "text:";
    QTest::newRow("Presets missing -> first Russian name") << empty << "Presets" << "text:Телефон";
    QTest::newRow("VBRMode missing") << empty << "VBRMode" << "text:Старый";
    QTest::newRow("VBRQuality missing") << empty << "VBRQuality" << "text:4";
    QTest::newRow("VBRMinBitrate missing") << empty << "VBRMinBitrate" << "text:32";
    QTest::newRow("VBRMaxBitrate missing") << empty << "VBRMaxBitrate" << "text:320";
    QTest::newRow("CBRValue missing") << empty << "CBRValue" << "text:128";
    QTest::newRow("ABRValue missing") << empty << "ABRValue" << "text:128";
    QTest::newRow("NoiseReduction missing") << empty << "NoiseReduction" << "text:5";
    QTest::newRow("HighPassFilter missing") << empty << "HighPassFilter" << "text:";
    QTest::newRow("CBRValue abc kept") << settingsFile({"CBRValue=abc"}) << "CBRValue" << "text:abc";
    QTest::newRow("section and key in other letter case")
        << settingsFile({"vBr=1"}, "[FENWAVE SETS]") << "VBR" << "on";
    QTest::newRow("CBR only in another section -> default on")
        << settingsFile({"CBR=0"}, "[Other]") << "CBR" << "on";
    QTest::newRow("keys of another section are ignored") << settingsFile({"VBR=1"}, "[Other]") << "VBR" << "off";
    QTest::newRow("byte-order mark and CRLF")
        << QByteArray("\xEF\xBB\xBF[Fenwave Sets]\r\nComment=bom\r\n") << "Comment" << "text:bom";
    QTest::newRow("value longer than 2047 characters")
        << settingsFile({"Comment=" + QByteArray(5000, 'x') + "END"}) << "Comment"
        << "text:" + QString(5000, 'x') + "END";
    // The longest argument Linux passes is 131072 bytes with its closing NUL; a longer text
    // leaves its field as it is.
    QTest::newRow("Comment of 131071 bytes arrives")
        << settingsFile({"Comment=" + QByteArray(131071, 'x')}) << "Comment" << "text:" + QString(131071, 'x');
    QTest::newRow("Comment of 131072 bytes keeps")
        << settingsFile({"Comment=" + QByteArray(131072, 'x')}) << "Comment" << "keeps";
    QTest::newRow("LamePath of 1 MB keeps")
        << settingsFile({"LamePath=" + QByteArray(1000000, 'p')}) << "LamePath" << "keeps";
    QTest::newRow("keys beside a value of 1 MB still arrive")
        << settingsFile({"LamePath=" + QByteArray(1000000, 'p'), "Scale=2"}) << "Scale" << "text:2";
    QTest::newRow("65536 Cyrillic letters are 131072 bytes: keeps")
        << settingsFile({"Comment=" + QString(65536, QChar(0x436)).toUtf8()}) << "Comment" << "keeps";
    QTest::newRow("65536 Windows-1251 letters are 131072 bytes in UTF-8: keeps")
        << settingsFile({"Comment=" + QByteArray(65536, '\xE6')}) << "Comment" << "keeps";
    QTest::newRow("value with = ; quotes and tabs")
        << settingsFile({"Comment=\ta=b; \"c\" [d] \t"}) << "Comment" << "text:\ta=b; \"c\" [d] \t";
    QTest::newRow("not a settings file") << QByteArray("RIFF\0\0\0\0WAVEfmt ", 16) << "UseScale" << "off";
}
// clang-format on

void TestSettingsMapping::restore()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(restored(file, key), expected);
}

void TestSettingsMapping::saveWritesEveryKeyAndKeepsForeignLines()
{
    OptionSet options;
    options.setText(Field::LamePath, QStringLiteral("/opt/my lame/lame"));
    options.setOn(Field::rbutVBR, true);
    options.setIndex(Field::rgrInputType, -1);
    options.setText(Field::cbxPresets, QStringLiteral("Radio"));
    IniDocument doc = IniDocument::fromBytes("; mine\n[Fenwave Sets]\nOwn=1\nCBR=1\n[Other]\nX=y\n");
    writeSettings(options, doc);

    const QByteArray bytes = doc.toBytes();
    QVERIFY(bytes.startsWith("; mine\n[Fenwave Sets]\nOwn=1\nCBR=0\nLamePath=/opt/my lame/lame\nInputType=-1\n"));
    QVERIFY(bytes.endsWith("\n[Other]\nX=y\n"));
    QVERIFY(bytes.contains("\nVBR=1\n"));
    QVERIFY(bytes.contains("\nPresets=Radio\n"));
    QCOMPARE(bytes.count('\n'), 6 + 60 - 1); // CBR was there already

    // Read back, every stored value comes home.
    for (const SettingKey &key : settingsKeys()) {
        const std::optional<FieldValue> v = readSetting(doc, key);
        QVERIFY2(v, key.key);
        const Field f = key.field;
        switch (OptionSet::info(f).kind) {
        case FieldKind::Flag:
        case FieldKind::ExclusiveFlag: QCOMPARE(v->on, options.isOn(f)); break;
        case FieldKind::IndexChoice: QCOMPARE(v->index, options.index(f)); break;
        case FieldKind::IndexChoiceWithText:
        case FieldKind::TextChoice:
        case FieldKind::FreeText:
        case FieldKind::NumberText: QCOMPARE(v->text, options.text(f)); break;
        }
    }
}

QTEST_GUILESS_MAIN(TestSettingsMapping)
#include "tst_settingsmapping.moc"
