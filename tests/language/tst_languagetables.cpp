#include <QtTest>

#include <QSet>

#include "language/LanguageTables.h"
#include "language/MessageTexts.h"

using namespace fenwave;

Q_DECLARE_METATYPE(fenwave::TextProperty)

namespace {

const TextAssignment *findAssignment(const QString &target, TextProperty property)
{
    for (const TextAssignment &a : textAssignments())
        if (target == QLatin1String(a.target) && a.property == property)
            return &a;
    return nullptr;
}

int firstIndexOf(const char *target)
{
    int index = 0;
    for (const TextAssignment &a : textAssignments()) {
        if (qstrcmp(a.target, target) == 0)
            return index;
        ++index;
    }
    return -1;
}

} // namespace

class TestLanguageTables : public QObject
{
    Q_OBJECT

private slots:
    void countsPerKindAndProperty_data();
    void countsPerKindAndProperty();
    void noTargetTwiceWithSameProperty();
    void everyTextPresentInBothLanguages();
    void unknownLanguageGivesNothing();
    void menuFirstThenPagesInOrder();
    void sharedTextsAreNotInTheSets_data();
    void sharedTextsAreNotInTheSets();
    void spotCheck_data();
    void spotCheck();
    void presetNames_data();
    void presetNames();
    void leftEdges_data();
    void leftEdges();
    void leftEdgesFieldsBeforeUnitLabels();
    void messageTexts_data();
    void messageTexts();
    void messageTextsAllSetOrAllEmpty();
};

void TestLanguageTables::countsPerKindAndProperty_data()
{
    QTest::addColumn<QString>("prefix");   // "mnu", "tab" or "" for the controls
    QTest::addColumn<TextProperty>("property");
    QTest::addColumn<int>("expected");

    QTest::newRow("menu captions") << "mnu" << TextProperty::Caption << 9;
    QTest::newRow("menu hints") << "mnu" << TextProperty::Hint << 7;
    QTest::newRow("page captions") << "tab" << TextProperty::Caption << 5;
    QTest::newRow("page hints") << "tab" << TextProperty::Hint << 4;
    QTest::newRow("control captions") << "" << TextProperty::Caption << 72;
    QTest::newRow("control hints") << "" << TextProperty::Hint << 20;
    QTest::newRow("no edit texts") << "" << TextProperty::Text << 0;
}

void TestLanguageTables::countsPerKindAndProperty()
{
    QFETCH(QString, prefix);
    QFETCH(TextProperty, property);
    QFETCH(int, expected);

    int count = 0;
    for (const TextAssignment &a : textAssignments()) {
        const QString target = QLatin1String(a.target);
        const QString kind = target.startsWith("mnu") ? "mnu" : target.startsWith("tab") ? "tab" : "";
        if (kind == prefix && a.property == property)
            ++count;
    }
    QCOMPARE(count, expected);
}

void TestLanguageTables::noTargetTwiceWithSameProperty()
{
    QSet<QString> seen;
    for (const TextAssignment &a : textAssignments()) {
        const QString key = QLatin1String(a.target) + '/' + QString::number(int(a.property));
        QVERIFY2(!seen.contains(key), qPrintable(key));
        seen.insert(key);
    }
    QCOMPARE(seen.size(), 117);
}

void TestLanguageTables::everyTextPresentInBothLanguages()
{
    for (const TextAssignment &a : textAssignments()) {
        for (quint8 language : {quint8(0), quint8(1)}) {
            const QString text = textFor(a, language);
            QVERIFY2(!text.isEmpty(), a.target);
            QVERIFY2(!text.contains(QChar::ReplacementCharacter), a.target);
        }
    }
}

void TestLanguageTables::unknownLanguageGivesNothing()
{
    const TextAssignment &first = *textAssignments().begin();
    QVERIFY(textFor(first, 2).isNull());
    QVERIFY(textFor(first, 255).isNull());
    QVERIFY(isKnownLanguage(0));
    QVERIFY(isKnownLanguage(1));
    QVERIFY(!isKnownLanguage(2));
    QVERIFY(!isKnownLanguage(255));
}

void TestLanguageTables::menuFirstThenPagesInOrder()
{
    QCOMPARE(firstIndexOf("mnuSet"), 0);
    int lastMenu = -1, index = 0;
    for (const TextAssignment &a : textAssignments()) {
        if (qstrncmp(a.target, "mnu", 3) == 0)
            lastMenu = index;
        ++index;
    }
    QCOMPARE(lastMenu, 15);   // 9 captions + 7 hints
    const char *sections[] = {"tabInput", "flgReadOnly", "tabOutput", "tabBitrate", "tabFilter", "tabComment"};
    int previous = lastMenu;
    for (const char *section : sections) {
        const int at = firstIndexOf(section);
        QVERIFY2(at > previous, section);
        previous = at;
    }
}

void TestLanguageTables::sharedTextsAreNotInTheSets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<TextProperty>("property");

    QTest::newRow("preset text rebuilt separately") << "cbxPresets" << TextProperty::Text;
    QTest::newRow("preset hint") << "cbxPresets" << TextProperty::Hint;
    QTest::newRow("info page hint") << "tabComment" << TextProperty::Hint;
    QTest::newRow("English item") << "mnuEnglish" << TextProperty::Caption;
    QTest::newRow("Russian item") << "mnuRussian" << TextProperty::Caption;
    QTest::newRow("stream group") << "grpStream" << TextProperty::Caption;
    QTest::newRow("kHz label") << "Label16" << TextProperty::Caption;
    QTest::newRow("command line hint") << "edtCommandLine" << TextProperty::Hint;
    QTest::newRow("encode menu hint") << "mnuEncode" << TextProperty::Hint;
}

void TestLanguageTables::sharedTextsAreNotInTheSets()
{
    QFETCH(QString, target);
    QFETCH(TextProperty, property);
    QVERIFY(!findAssignment(target, property));
}

void TestLanguageTables::spotCheck_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<TextProperty>("property");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");

    QTest::newRow("trailing blank downmix") << "flgMonoDownmix" << TextProperty::Caption
        << "downmix stereo input file to mono .mp3 " << "свести двухканальный входной файл в моно .mp3 ";
    QTest::newRow("trailing blank ATH mask") << "flgUseATHMask" << TextProperty::Caption
        << "only use masking from the ATH " << "использовать только ATH ";
    QTest::newRow("trailing blank English only") << "flgTempMask" << TextProperty::Caption
        << "disable temporal masking " << "Не использовать временнОе маскирование";
    QTest::newRow("statictics") << "Label3" << TextProperty::Caption
        << "Show statictics every" << "Показывать статистику каждые";
    QTest::newRow("prests") << "flgPresets" << TextProperty::Caption
        << "Use prests" << "Использовать предварительные установки";
    QTest::newRow("которкие") << "flgShortBlock" << TextProperty::Caption
        << "Use short blocks" << "Использовать которкие блоки";
    QTest::newRow("проресс") << "flgNoProgress" << TextProperty::Caption
        << "Don't print progress report, VBR histograms" << "Не выводить на экран проресс выполнения";
    QTest::newRow("фходного") << "flgForceInput" << TextProperty::Hint
        << "Swap bytes in the input file (and output file when using --decode)"
        << "Перестановка байт фходного файла (или выходного при использовании --decode)";
    QTest::newRow("фалов") << "flgMonoDownmix" << TextProperty::Hint
        << "This option is only needed in the case of raw PCM stereo input"
        << "Эта опция необходима только для raw-PCM стерео фалов";
    QTest::newRow("inner quotes") << "flgFreeformat" << TextProperty::Caption
        << "produce a free format bitstream" << "кодировать \"свободным\" потоком";
    QTest::newRow("Label1 blank") << "Label1" << TextProperty::Caption << " " << "раз";
    QTest::newRow("Label34 blank") << "Label34" << TextProperty::Caption << " " << "раз";
    QTest::newRow("flgDefault hint in English twice") << "flgDefault" << TextProperty::Hint
        << "Use some quality improvements" << "Use some quality improvements";
    QTest::newRow("mnuLanguage same") << "mnuLanguage" << TextProperty::Caption << "Language" << "Language";
    QTest::newRow("grpID3Tag same") << "grpID3Tag" << TextProperty::Caption << "ID3 tag" << "ID3 tag";
    QTest::newRow("grpOutput caption") << "grpOutput" << TextProperty::Caption
        << "Output options" << "Опции вывода на экран";
    QTest::newRow("grpOutput hint") << "grpOutput" << TextProperty::Hint << "Output options" << "Вывод на экран";
    QTest::newRow("mnuRefresh hint") << "mnuRefresh" << TextProperty::Hint
        << "Refresh command line" << "Обновить строку запуска";
}

void TestLanguageTables::spotCheck()
{
    QFETCH(QString, target);
    QFETCH(TextProperty, property);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    const TextAssignment *a = findAssignment(target, property);
    QVERIFY(a);
    QCOMPARE(textFor(*a, 0), english);
    QCOMPARE(textFor(*a, 1), russian);
}

void TestLanguageTables::presetNames_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("English") << 0 << QStringList{"Phone", "Voice", "Radio", "Tape", "Hi-fi", "Studio"};
    QTest::newRow("Russian") << 1 << QStringList{"Телефон", "Голос", "Радио", "Кассета", "Hi-fi", "Студия"};
    QTest::newRow("unknown 2") << 2 << QStringList{};
    QTest::newRow("unknown 255") << 255 << QStringList{};
}

void TestLanguageTables::presetNames()
{
    QFETCH(int, language);
    QFETCH(QStringList, expected);
    QCOMPARE(fenwave::presetNames(quint8(language)), expected);
}

void TestLanguageTables::leftEdges_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("english");
    QTest::addColumn<int>("russian");

    QTest::newRow("edtCompRatio") << "edtCompRatio" << 330 << 407;
    QTest::newRow("cbxPresets") << "cbxPresets" << 100 << 262;
    for (const char *field : {"edtLowPass", "edtLowPassWidth", "edtHighPass", "edtHighPassWidth",
                              "edtOutputSample", "edtTonality"})
        QTest::newRow(field) << field << 190 << 258;
    for (const char *label : {"Label16", "Label18", "Label20", "Label22", "Label24", "Label26"})
        QTest::newRow(label) << label << 246 << 314;
}

void TestLanguageTables::leftEdges()
{
    QFETCH(QString, target);
    QFETCH(int, english);
    QFETCH(int, russian);

    QCOMPARE(languageLeftEdges().size(), 14);
    int found = 0;
    for (const LeftEdge &edge : languageLeftEdges()) {
        if (target == QLatin1String(edge.target)) {
            ++found;
            QCOMPARE(edge.english, english);
            QCOMPARE(edge.russian, russian);
        }
    }
    QCOMPARE(found, 1);
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

void TestLanguageTables::messageTexts_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("confirmExit");
    QTest::addColumn<QString>("musicFilter");
    QTest::addColumn<QString>("lameFilter");
    QTest::addColumn<QString>("sameFile");
    QTest::addColumn<QString>("cannotStart");  // with "lame" for the program

    QTest::newRow("English") << 0 << "Extit program?"
        << "Music files WAV|*.wav; *.mpa|MP3-files|*.mp3|All files|*.*" << "lame.exe|lame.exe"
        << "Input and output are the same file" << "Unable to start lame.";
    QTest::newRow("Russian") << 1 << "Завершить работу?"
        << "Музыкальные файлы WAV|*.wav; *.mpa|MP3 файлы|*.mp3|Все файлы|*.*"
        << "Программа lame.exe|lame.exe" << "Входной и выходной файлы совпадают" << "Не удалось запустить lame.";
    QTest::newRow("unknown") << 2 << "" << "" << "" << "" << "";
}

void TestLanguageTables::messageTexts()
{
    QFETCH(int, language);
    QFETCH(QString, confirmExit);
    QFETCH(QString, musicFilter);
    QFETCH(QString, lameFilter);
    QFETCH(QString, sameFile);
    QFETCH(QString, cannotStart);

    const MessageTexts texts = messageTextsFor(quint8(language));
    QCOMPARE(texts.strCannotStart.isEmpty() ? QString() : texts.strCannotStart.arg("lame"), cannotStart);
    QCOMPARE(texts.strConfirmExit, confirmExit);
    QCOMPARE(texts.strMusicFilter, musicFilter);
    QCOMPARE(texts.strLameFilter, lameFilter);
    QCOMPARE(texts.strSameFile, sameFile);
}

void TestLanguageTables::messageTextsAllSetOrAllEmpty()
{
    for (int language : {0, 1, 2, 255}) {
        const MessageTexts t = messageTextsFor(quint8(language));
        const QStringList all{t.strLameDialogTitle, t.strLameFilter, t.strInputDialogTitle,
                              t.strOutputDialogTitle, t.strMusicFilter, t.strConfirmExit,
                              t.strNoLamePath, t.strNoInput, t.strNoOutput, t.strConfirmRun,
                              t.strSaveSettingsTitle, t.strLoadSettingsTitle, t.strAllFilter,
                              t.strSameFile, t.strCannotStart, t.strConfirmStopRuns, t.strRunStop,
                              t.strRunRunning, t.strRunStopping, t.strRunFinished, t.strRunFailed,
                              t.strRunSignal};
        for (const QString &text : all)
            QCOMPARE(text.isEmpty(), !isKnownLanguage(quint8(language)));
    }
    const MessageTexts en = messageTextsFor(0), ru = messageTextsFor(1);
    QVERIFY(en.strNoInput != ru.strNoInput);
    QCOMPARE(en.strAllFilter, QString("All files|*.*"));
    QCOMPARE(ru.strAllFilter, QString("Все файлы|*.*"));
}

QTEST_GUILESS_MAIN(TestLanguageTables)
#include "tst_languagetables.moc"
