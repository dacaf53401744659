#include "options/CommandLine.h"

#include "ExpectedData.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace fenwave;

namespace {

using Setup = std::function<void(OptionSet &)>;

OptionSet withPaths(const QString &lame, const QString &input, const QString &output)
{
    OptionSet o;
    o.setText(Field::LamePath, lame);
    o.setText(Field::edtInput, input);
    o.setText(Field::edtOutput, output);
    return o;
}

Field fieldNamed(const QString &name)
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (name == QLatin1String(OptionSet::info(static_cast<Field>(i)).name))
            return static_cast<Field>(i);
    }
    qFatal("no field named %s", qPrintable(name));
}

// Applies one step of a written case ("on flgVorbis", "text edtStat \"5\"", ...); false for "short".
bool applyStep(OptionSet &o, const QString &step)
{
    const QStringList words = step.split(u' ');
    const QString &verb = words.at(0);
    if (verb == QLatin1String("short"))
        return false;
    const Field field = fieldNamed(words.value(1));
    if (verb == QLatin1String("on") || verb == QLatin1String("off"))
        o.setOn(field, verb == QLatin1String("on"));
    else if (verb == QLatin1String("enable") || verb == QLatin1String("disable"))
        o.setAvailable(field, verb == QLatin1String("enable"));
    else if (verb == QLatin1String("index"))
        o.setIndex(field, words.value(2).toInt());
    else if (verb == QLatin1String("text"))
        o.setText(field, testing::quoted(step));
    else
        qFatal("unknown step %s", qPrintable(step));
    return true;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void writtenCases_data();
    void writtenCases();
    void hiddenFieldsNeverContribute_data();
    void hiddenFieldsNeverContribute();
    void randomSetsKeepStepOrder();
    void hugeAndOddTextsPassWhole();
};

// clang-format off
void TestCommandLine::writtenCases_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    for (QStringList row : testing::expectedRows("command_lines.tsv")) {
        const QString expected = row.takeLast();
        QTest::newRow(row.isEmpty() ? "start values" : qPrintable(row.join(QLatin1String(", ")))) << row << expected;
    }
}
// clang-format on

void TestCommandLine::writtenCases()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    OptionSet o = withPaths("lame", "in.wav", "out.mp3");
    bool full = true;
    for (const QString &step : steps)
        full = applyStep(o, step) && full;
    QCOMPARE(full ? composeFullCommandLine(o) : composeShortCommandLine(o), expected);
}

// Changing a field whose condition is off never changes the line.
// clang-format off
void TestCommandLine::hiddenFieldsNeverContribute_data()
{
    QTest::addColumn<Setup>("condition");
    QTest::addColumn<Setup>("change");
    const auto text = [](Field f) { return Setup([f](OptionSet &o) { o.setText(f, "77 7"); }); };
    const auto flag = [](Field f) { return Setup([f](OptionSet &o) { o.setOn(f, true); }); };
    const auto unavailable = [](Field f) { return Setup([f](OptionSet &o) { o.setAvailable(f, false); }); };
    const Setup none = [](OptionSet &) {};

    for (Field f : {Field::flgMonoDownmix, Field::flgWavHeader, Field::flg1stEmpty, Field::flg2ndEmpty})
        QTest::newRow(OptionSet::info(f).name) << unavailable(f) << flag(f);
    for (Field f : {Field::edtCompRatio, Field::edtScale})
        QTest::newRow(OptionSet::info(f).name) << unavailable(f) << text(f);
    QTest::newRow("cbxPresets") << unavailable(Field::cbxPresets)
                                << Setup([](OptionSet &o) { o.setIndex(Field::cbxPresets, 3); });
    for (Field f : {Field::edtScaleLeft, Field::edtScaleRight})
        QTest::newRow(OptionSet::info(f).name) << none << text(f);
    QTest::newRow("flgLameTagEn") << none << flag(Field::flgLameTagEn);
    QTest::newRow("flgReadOnly") << none << Setup([](OptionSet &o) { o.setOn(Field::flgReadOnly, false); });
    QTest::newRow("edtCommandLine") << none << text(Field::edtCommandLine);
    QTest::newRow("flgDefault") << none << flag(Field::flgDefault);
    for (Field f : {Field::edtLowPass, Field::edtLowPassWidth, Field::edtHighPass, Field::edtHighPassWidth,
                    Field::edtOutputSample, Field::edtTonality})
        QTest::newRow(OptionSet::info(f).name) << flag(Field::flgNoFilter) << text(f);
    for (Field f : {Field::cbxVBRQuality, Field::cbxMinBitrate, Field::cbxMaxBitrate})
        QTest::newRow(OptionSet::info(f).name) << none << text(f);
    for (Field f : {Field::flgSupport, Field::flgLameTagDis, Field::flgHist})
        QTest::newRow(OptionSet::info(f).name) << none << flag(f);
    QTest::newRow("cbxABR") << none << text(Field::cbxABR);
    QTest::newRow("edtATH") << flag(Field::flgNoATH) << text(Field::edtATH);
}
// clang-format on

void TestCommandLine::hiddenFieldsNeverContribute()
{
    QFETCH(Setup, condition);
    QFETCH(Setup, change);
    QRandomGenerator random(4242);
    for (int round = 0; round < 50; ++round) {
        OptionSet o = withPaths("lame", "a b.wav", "c.mp3");
        // Random surroundings: flags, texts and availability of the other fields.
        for (int i = 0; i < kFieldCount; ++i) {
            const Field f = static_cast<Field>(i);
            if (f == Field::rbutVBR || f == Field::rbutABR || f == Field::flgNoFilter || f == Field::flgNoATH)
                continue;
            if (random.bounded(3) == 0)
                o.setOn(f, random.bounded(2) == 1);
        }
        o.setOn(Field::rbutCBR, true);
        condition(o);
        OptionSet changed = o;
        change(changed);
        QCOMPARE(composeFullCommandLine(changed), composeFullCommandLine(o));
    }
}

// Every text field gets a unique marker; whatever subset is emitted, the markers stand in step order
// and each follows its own switch.
void TestCommandLine::randomSetsKeepStepOrder()
{
    struct Marked {
        Field field;
        const char *literal;
    };
    const Marked order[] = {
        {Field::cbxSampleFreq, " -s "},
        {Field::edtStat, " --disptime "},
        {Field::edtCompRatio, " --comp "},
        {Field::edtScale, " --scale "},
        {Field::edtATH, " --athlower "},
        {Field::cbxCBR, " -b "},
        {Field::cbxABR, " --abr "},
        {Field::cbxVBRQuality, " -V "},
        {Field::cbxMinBitrate, " -b "},
        {Field::cbxMaxBitrate, " -B "},
        {Field::cbxEmp, " -e "},
        {Field::cbxNoise, " -q "},
        {Field::edtLowPass, " --lowpass "},
        {Field::edtLowPassWidth, " --lowpass-width "},
        {Field::edtHighPass, " --highpass "},
        {Field::edtHighPassWidth, " --highpass-width "},
        {Field::edtOutputSample, " --resample "},
        {Field::edtTonality, " --cwlimit "},
        {Field::edtSongName, " --tt "},
        {Field::edtArtist, " --ta "},
        {Field::edtAlbum, " --tl "},
        {Field::edtYear, " --ty "},
        {Field::edtTrackNumber, " --tn "},
        {Field::cbxGenre, " --tg "},
        {Field::edtComment, " --tc "},
        {Field::edtInput, " "},
        {Field::edtOutput, " "},
    };
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int round = 0; round < 2000; ++round) {
        OptionSet o;
        o.setText(Field::LamePath, random.bounded(2) ? "lame" : "");
        for (int i = 0; i < kFieldCount; ++i) {
            const Field f = static_cast<Field>(i);
            if (random.bounded(2))
                o.setOn(f, random.bounded(2) == 1);
            if (random.bounded(4) == 0)
                o.setAvailable(f, !o.isAvailable(f));
            o.setIndex(f, int(random.bounded(8)) - 1);
        }
        int n = 0;
        for (const Marked &m : order)
            o.setText(m.field,
                      random.bounded(4) ? QStringLiteral("<%1>").arg(n++, 2, 10, QLatin1Char('0')) : QString());

        const QString line = composeFullCommandLine(o);
        qsizetype last = -1;
        int lastMarker = -1;
        for (const Marked &m : order) {
            const QString marker = o.text(m.field);
            if (marker.isEmpty())
                continue;
            const qsizetype at = line.indexOf(marker);
            if (at < 0)
                continue;
            QVERIFY2(at > last, qPrintable(QString("seed %1: %2 out of order in %3").arg(seed).arg(marker, line)));
            QVERIFY2(line.left(at).endsWith(QLatin1String(m.literal)),
                     qPrintable(QString("seed %1: %2 not after its switch in %3").arg(seed).arg(marker, line)));
            QVERIFY(marker.mid(1, 2).toInt() > lastMarker);
            lastMarker = marker.mid(1, 2).toInt();
            last = at;
        }
        QVERIFY2(line.isEmpty() || !o.text(Field::LamePath).isEmpty() || line.startsWith(' '),
                 qPrintable(QString("seed %1").arg(seed)));
    }
}

void TestCommandLine::hugeAndOddTextsPassWhole()
{
    OptionSet o = withPaths("lame", "/tmp/Музыка/песня.wav", "/tmp/Café \"x\";$(rm -rf).mp3");
    const QString huge(100000, QLatin1Char('x'));
    o.setText(Field::edtComment, huge);
    o.setText(Field::edtArtist, "Чайковский\tи друзья");
    const QString line = composeFullCommandLine(o);
    QVERIFY(line.contains(" --tc " + huge));
    QVERIFY(line.contains(" --ta \"Чайковский\tи друзья\""));
    QVERIFY(line.endsWith(" /tmp/Музыка/песня.wav \"/tmp/Café \"x\";$(rm -rf).mp3\""));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
