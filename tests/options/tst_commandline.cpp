#include "options/CommandLine.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace fenwave;

namespace {

using Setup = std::function<void(OptionSet &)>;

struct Paths { QString lame, input, output, myLame, myInput, myOutput, decodeIn, decodeOut; };

const Paths kWindows{"C:\\lame\\lame.exe", "C:\\in.wav", "C:\\in.mp3",
                     "C:\\Program Files\\lame\\lame.exe", "C:\\My Music\\a.wav", "C:\\My Music\\a.mp3",
                     "C:\\in.mp3", "C:\\in.wav"};
const Paths kPosix{"/usr/bin/lame", "/home/me/in.wav", "/home/me/in.mp3",
                   "/opt/my lame/lame", "/home/me/My Music/a.wav", "/home/me/My Music/a.mp3",
                   "/home/me/in.mp3", "/home/me/in.wav"};

OptionSet withPaths(const QString &lame, const QString &input, const QString &output)
{
    OptionSet o;
    o.setText(Field::LamePath, lame);
    o.setText(Field::edtInput, input);
    o.setText(Field::edtOutput, output);
    return o;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void edgeCases_data();
    void edgeCases();
    void hiddenFieldsNeverContribute_data();
    void hiddenFieldsNeverContribute();
    void randomSetsKeepStepOrder();
    void hugeAndOddTextsPassWhole();
};

void TestCommandLine::workedExamples_data()
{
    QTest::addColumn<bool>("shortForm");
    QTest::addColumn<bool>("decode");
    QTest::addColumn<bool>("spaced");
    QTest::addColumn<QString>("setupName");
    QTest::addColumn<QString>("expected");

    for (const Paths *p : {&kWindows, &kPosix}) {
        const QString tag = p == &kWindows ? "windows " : "posix ";
        const QString tail = " " + p->input + " " + p->output;
        QTest::newRow(qPrintable(tag + "start values")) << false << false << false << "start"
            << p->lame + " -m j -b 128" + tail;
        QTest::newRow(qPrintable(tag + "default short form")) << true << false << false << "start"
            << p->lame + " -h" + tail;
        QTest::newRow(qPrintable(tag + "vbr")) << false << false << false << "vbr"
            << p->lame + " -m j --vbr-old  -V 4 -b 32 -B 320 --nohist" + tail;
        QTest::newRow(qPrintable(tag + "preset")) << false << false << false << "preset"
            << p->lame + " -m j --preset  phone -b 128" + tail;
        QTest::newRow(qPrintable(tag + "decode")) << false << true << false << "decode"
            << p->lame + " --mp3input -m j --decode -t -b 128 " + p->decodeIn + " " + p->decodeOut;
        QTest::newRow(qPrintable(tag + "filters")) << false << false << false << "filters"
            << p->lame + " -s 48 -m j --disptime 5 -b 128 -q 2 --lowpass 16" + tail;
        QTest::newRow(qPrintable(tag + "blanks and tags")) << false << false << true << "tags"
            << "\"" + p->myLame + "\" -m j -b 128 --tt \"Hello World\" --ty 2001 --tg Rock --add-id3v2 \""
               + p->myInput + "\" \"" + p->myOutput + "\"";
    }
}

void TestCommandLine::workedExamples()
{
    QFETCH(bool, shortForm);
    QFETCH(bool, decode);
    QFETCH(bool, spaced);
    QFETCH(QString, setupName);
    QFETCH(QString, expected);

    const Paths &p = QString(QTest::currentDataTag()).startsWith("windows") ? kWindows : kPosix;
    OptionSet o = spaced ? withPaths(p.myLame, p.myInput, p.myOutput)
                         : decode ? withPaths(p.lame, p.decodeIn, p.decodeOut)
                                  : withPaths(p.lame, p.input, p.output);
    if (setupName == "vbr") {
        o.setOn(Field::rbutVBR, true);
        o.setOn(Field::flgHist, true);
    } else if (setupName == "preset") {
        o.setAvailable(Field::cbxPresets, true);
        o.setIndex(Field::cbxPresets, 0);
    } else if (setupName == "decode") {
        o.setIndex(Field::rgrInputType, 2);
        o.setOn(Field::flgMP3Decode, true);
        o.setAvailable(Field::flgWavHeader, true);
        o.setOn(Field::flgWavHeader, true);
    } else if (setupName == "filters") {
        o.setText(Field::cbxSampleFreq, "48");
        o.setText(Field::cbxNoise, "2");
        o.setText(Field::edtLowPass, "16");
        o.setText(Field::edtStat, "5");
    } else if (setupName == "tags") {
        o.setText(Field::edtSongName, "Hello World");
        o.setText(Field::edtYear, "2001");
        o.setText(Field::cbxGenre, "Rock");
        o.setOn(Field::rbutBoth, true);
    }
    QCOMPARE(shortForm ? composeShortCommandLine(o) : composeFullCommandLine(o), expected);
}

void TestCommandLine::edgeCases_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, Setup s, const QString &e) { QTest::newRow(name) << s << e; };
    row("empty encoder path starts with a blank", [](OptionSet &o) { o.setText(Field::LamePath, ""); },
        " -m j -b 128 in.wav out.mp3");
    row("encoder path is not trimmed", [](OptionSet &o) { o.setText(Field::LamePath, "lame "); },
        "\"lame \" -m j -b 128 in.wav out.mp3");
    row("tab in encoder path does not quote", [](OptionSet &o) { o.setText(Field::LamePath, "la\tme"); },
        "la\tme -m j -b 128 in.wav out.mp3");
    row("sample rate with trailing blank", [](OptionSet &o) { o.setText(Field::cbxSampleFreq, "44.1 "); },
        "lame -s 44.1  -m j -b 128 in.wav out.mp3");
    row("empty sample rate", [](OptionSet &o) { o.setText(Field::cbxSampleFreq, ""); },
        "lame -s  -m j -b 128 in.wav out.mp3");
    row("empty noise", [](OptionSet &o) { o.setText(Field::cbxNoise, ""); },
        "lame -m j -b 128 -q  in.wav out.mp3");
    row("noise 05", [](OptionSet &o) { o.setText(Field::cbxNoise, "05"); },
        "lame -m j -b 128 -q 05 in.wav out.mp3");
    row("bitrate typed verbatim", [](OptionSet &o) { o.setText(Field::cbxCBR, "128k"); },
        "lame -m j -b 128k in.wav out.mp3");
    row("comma passes", [](OptionSet &o) { o.setText(Field::edtLowPass, "44,1"); },
        "lame -m j -b 128 --lowpass 44,1 in.wav out.mp3");
    row("title with blank and quote", [](OptionSet &o) { o.setText(Field::edtSongName, " Say \"hi\" now\t"); },
        "lame -m j -b 128 --tt \"Say \"hi\" now\" in.wav out.mp3");
    row("year and track never quoted", [](OptionSet &o) {
            o.setText(Field::edtYear, "20 01"); o.setText(Field::edtTrackNumber, "1 2"); },
        "lame -m j -b 128 --ty 20 01 --tn 1 2 in.wav out.mp3");
    row("blank input left out", [](OptionSet &o) { o.setText(Field::edtInput, "  \t "); },
        "lame -m j -b 128 out.mp3");
    row("no filter hides filters", [](OptionSet &o) {
            o.setOn(Field::flgNoFilter, true); o.setText(Field::edtLowPass, "16"); o.setText(Field::edtTonality, "9"); },
        "lame -m j -b 128 -k in.wav out.mp3");
    row("filters in fixed order", [](OptionSet &o) {
            o.setText(Field::edtTonality, "6"); o.setText(Field::edtOutputSample, "5"); o.setText(Field::edtHighPassWidth, "4");
            o.setText(Field::edtHighPass, "3"); o.setText(Field::edtLowPassWidth, "2"); o.setText(Field::edtLowPass, "1"); },
        "lame -m j -b 128 --lowpass 1 --lowpass-width 2 --highpass 3 --highpass-width 4 --resample 5 --cwlimit 6 in.wav out.mp3");
    row("ath lower while unavailable", [](OptionSet &o) { o.setText(Field::edtATH, " 3 "); },
        "lame -m j --athlower 3 -b 128 in.wav out.mp3");
    row("ath lower hidden by noath", [](OptionSet &o) { o.setText(Field::edtATH, "3"); o.setOn(Field::flgNoATH, true); },
        "lame -m j --noath -b 128 in.wav out.mp3");
    row("no bitrate mode", [](OptionSet &o) { o.setOn(Field::rbutCBR, false); },
        "lame -m j in.wav out.mp3");
    row("vbr decode carries -t twice", [](OptionSet &o) {
            o.setOn(Field::rbutVBR, true); o.setOn(Field::flgMP3Decode, true); o.setAvailable(Field::flgWavHeader, true);
            o.setOn(Field::flgWavHeader, true); o.setOn(Field::flgLameTagDis, true); o.setOn(Field::flgSupport, true); },
        "lame -m j --decode -t --vbr-old  -V 4 -b 32 -B 320 -F -t in.wav out.mp3");
    row("vbr without routine", [](OptionSet &o) { o.setOn(Field::rbutVBR, true); o.setIndex(Field::cbxVBRMode, -1); },
        "lame -m j -V 4 -b 32 -B 320 in.wav out.mp3");
    row("vbr empty texts still emitted", [](OptionSet &o) {
            o.setOn(Field::rbutVBR, true); o.setIndex(Field::cbxVBRMode, 2); o.setText(Field::cbxVBRQuality, "");
            o.setText(Field::cbxMinBitrate, ""); o.setText(Field::cbxMaxBitrate, ""); },
        "lame -m j --vbr-mtrh  -V  -b  -B  in.wav out.mp3");
    row("vbr flags count only in vbr mode", [](OptionSet &o) {
            o.setOn(Field::flgSupport, true); o.setOn(Field::flgLameTagDis, true); o.setOn(Field::flgHist, true); },
        "lame -m j -b 128 in.wav out.mp3");
    row("preset without item", [](OptionSet &o) { o.setAvailable(Field::cbxPresets, true); },
        "lame -m j --preset  -b 128 in.wav out.mp3");
    row("sixth preset is studio", [](OptionSet &o) { o.setAvailable(Field::cbxPresets, true); o.setIndex(Field::cbxPresets, 5); },
        "lame -m j --preset  studio -b 128 in.wav out.mp3");
    row("comp ratio only while available", [](OptionSet &o) { o.setText(Field::edtCompRatio, "10"); },
        "lame -m j -b 128 in.wav out.mp3");
    row("comp ratio available", [](OptionSet &o) { o.setText(Field::edtCompRatio, "10"); o.setAvailable(Field::edtCompRatio, true); },
        "lame -m j --comp 10 -b 128 in.wav out.mp3");
    row("abr", [](OptionSet &o) { o.setOn(Field::rbutABR, true); o.setText(Field::cbxABR, "160"); },
        "lame -m j --abr 160 in.wav out.mp3");
    row("emphasis untrimmed", [](OptionSet &o) { o.setText(Field::cbxEmp, " n"); },
        "lame -m j -b 128 -e  n in.wav out.mp3");
    row("input types and output types", [](OptionSet &o) { o.setIndex(Field::rgrInputType, 4); o.setIndex(Field::rgpOutputType, 4); },
        "lame -r -m a -b 128 in.wav out.mp3");
    row("no input or output type", [](OptionSet &o) { o.setIndex(Field::rgrInputType, -1); o.setIndex(Field::rgpOutputType, -1); },
        "lame -b 128 in.wav out.mp3");
    row("id3 padding only while available", [](OptionSet &o) {
            o.setOn(Field::rbut1stOnly, true); o.setOn(Field::flg1stEmpty, true); o.setOn(Field::flg2ndEmpty, true);
            o.setAvailable(Field::flg2ndEmpty, false); },
        "lame -m j -b 128 --id3v1-only --space-id3v1 in.wav out.mp3");
    row("every flag of the pages", [](OptionSet &o) {
            for (Field f : {Field::flgForceInput, Field::flgDiffBlock, Field::flgVorbis, Field::flgFreeformat,
                            Field::flgUseATHMask, Field::flgTempMask, Field::flgShortBlock, Field::flgVoiceMode,
                            Field::flgCopyright, Field::flgNonOriginal, Field::flgErrorProtection, Field::flgBitRes,
                            Field::flgMaxISO, Field::flgNoProgress, Field::flgAllUseFull, Field::flgBlankScreen,
                            Field::rbut2ndOnly, Field::flg2ndEmpty, Field::flgLameTagEn})
                o.setOn(f, true);
            o.setText(Field::edtScaleLeft, "2"); o.setText(Field::edtScaleRight, "3"); },
        "lame -x -m j -d --ogg --freeformat --athonly --notemp --short --voice -b 128 -c -o -p --nores"
        " --strictly-enforce-ISO -S --verbose --silent --id3v2-only --pad-id3v2 in.wav out.mp3");
}

void TestCommandLine::edgeCases()
{
    QFETCH(Setup, setup);
    QFETCH(QString, expected);
    OptionSet o = withPaths("lame", "in.wav", "out.mp3");
    setup(o);
    QCOMPARE(composeFullCommandLine(o), expected);
}

// Changing a field whose condition is off never changes the line.
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
    struct Marked { Field field; const char *literal; };
    const Marked order[] = {
        {Field::cbxSampleFreq, " -s "}, {Field::edtStat, " --disptime "}, {Field::edtCompRatio, " --comp "},
        {Field::edtScale, " --scale "}, {Field::edtATH, " --athlower "}, {Field::cbxCBR, " -b "},
        {Field::cbxABR, " --abr "}, {Field::cbxVBRQuality, " -V "}, {Field::cbxMinBitrate, " -b "},
        {Field::cbxMaxBitrate, " -B "}, {Field::cbxEmp, " -e "}, {Field::cbxNoise, " -q "},
        {Field::edtLowPass, " --lowpass "}, {Field::edtLowPassWidth, " --lowpass-width "},
        {Field::edtHighPass, " --highpass "}, {Field::edtHighPassWidth, " --highpass-width "},
        {Field::edtOutputSample, " --resample "}, {Field::edtTonality, " --cwlimit "},
        {Field::edtSongName, " --tt "}, {Field::edtArtist, " --ta "}, {Field::edtAlbum, " --tl "},
        {Field::edtYear, " --ty "}, {Field::edtTrackNumber, " --tn "}, {Field::cbxGenre, " --tg "},
        {Field::edtComment, " --tc "}, {Field::edtInput, " "}, {Field::edtOutput, " "},
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
            o.setText(m.field, random.bounded(4) ? QStringLiteral("<%1>").arg(n++, 2, 10, QLatin1Char('0')) : QString());

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
