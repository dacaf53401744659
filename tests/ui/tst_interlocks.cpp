// The interlock rules under real clicks and typing, and the command line after each of them.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "ui/ControlBinding.h"

#include <QTabBar>

using testing::FormDriver;

namespace {

// One user step: "click NAME", "type NAME TEXT", "pick NAME" or "clear NAME"; or "check NAME",
// a radio button checked by the program, as a settings restore does.
void perform(const FormDriver &d, const QString &step)
{
    const QString verb = step.section(' ', 0, 0);
    const QString name = step.section(' ', 1, 1);
    if (verb == "click")
        d.click(name);
    else if (verb == "type")
        d.type(name, step.section(' ', 2));
    else if (verb == "pick")
        d.pickNext(name);
    else if (verb == "clear")
        d.clearByKeys(name);
    else if (verb == "check")
        fenwave::setChecked(d.w<QAbstractButton>(name), true);
    else
        qFatal("unknown step %s", qPrintable(step));
}

} // namespace

class TestInterlocks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testing::usePrivateHome(); }
    void startState();
    void rules_data();
    void rules();
    void defaultSettingsRoundTrip();
    void defaultThenTypingGivesFullLine();
    void scaleChannelEditsComposeNothing();
    void clickingCheckedRadioButtonRunsNothing();
    void radioSetIsOneTabStop_data();
    void radioSetIsOneTabStop();
    void disabledPageStaysSelectable();
    void viewOnlyLocksTheBox();
    void refreshAlwaysComposesFullLine();
    void typedPresetSelectsMatchingItemOrNone();
};

void TestInterlocks::startState()
{
    TForm1 form;
    FormDriver d(form);
    QCOMPARE(d.line(), QString());
    for (const QString &name : testing::startDisabled())
        QVERIFY2(!d.own(name), qPrintable(name));
    for (const char *name : {"grpCBR", "flgMP3Decode", "tabBitrate", "grpFilter", "flgDefault"})
        QVERIFY2(d.own(name), name);
    QVERIFY(d.checked("rbutCBR") && d.checked("flgReadOnly") && d.checked("rgrInputType_5"));
    QCOMPARE(d.w<QComboBox>("cbxPresets")->currentIndex(), -1);
}

// clang-format off
void TestInterlocks::rules_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("enabled");    // own enabled flags afterwards
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QStringList>("checkedOn");
    QTest::addColumn<QStringList>("checkedOff");
    QTest::addColumn<QStringList>("inLine");
    QTest::addColumn<QStringList>("notInLine");

    QTest::newRow("raw pcm enables downmix")
        << QStringList{"click rgrInputType_4", "click flgMonoDownmix"} << QStringList{"flgMonoDownmix"}
        << QStringList{} << QStringList{"flgMonoDownmix"} << QStringList{} << QStringList{" -r", " -a"} << QStringList{};
    QTest::newRow("other input type disables downmix and keeps it checked")
        << QStringList{"click rgrInputType_4", "click flgMonoDownmix", "click rgrInputType_2"} << QStringList{}
        << QStringList{"flgMonoDownmix"} << QStringList{"flgMonoDownmix"} << QStringList{} << QStringList{" --mp3input"}
        << QStringList{" -a", " -r"};
    QTest::newRow("decode enables the wav header box")
        << QStringList{"click flgMP3Decode", "click flgWavHeader"} << QStringList{"flgWavHeader"} << QStringList{}
        << QStringList{"flgWavHeader"} << QStringList{} << QStringList{" --decode -t"} << QStringList{};
    QTest::newRow("no decode disables it without unchecking")
        << QStringList{"click flgMP3Decode", "click flgWavHeader", "click flgMP3Decode"} << QStringList{}
        << QStringList{"flgWavHeader"} << QStringList{"flgWavHeader"} << QStringList{} << QStringList{}
        << QStringList{" -t", " --decode"};
    QTest::newRow("compression ratio")
        << QStringList{"click flgCompRatio", "type edtCompRatio 10"} << QStringList{"edtCompRatio"} << QStringList{}
        << QStringList{} << QStringList{} << QStringList{" --comp 10"} << QStringList{};
    QTest::newRow("compression ratio kept but left out")
        << QStringList{"click flgCompRatio", "type edtCompRatio 10", "click flgCompRatio"} << QStringList{}
        << QStringList{"edtCompRatio"} << QStringList{} << QStringList{} << QStringList{} << QStringList{" --comp"};
    QTest::newRow("scale")
        << QStringList{"click flgScale", "type edtScale 2.5", "click flgScale"} << QStringList{}
        << QStringList{"edtScale"} << QStringList{} << QStringList{} << QStringList{} << QStringList{" --scale"};
    QTest::newRow("preset picked")
        << QStringList{"click flgPresets", "pick cbxPresets"} << QStringList{"cbxPresets"} << QStringList{}
        << QStringList{} << QStringList{} << QStringList{" --preset  phone"} << QStringList{};
    QTest::newRow("preset left out when unchecked")
        << QStringList{"click flgPresets", "pick cbxPresets", "click flgPresets"} << QStringList{}
        << QStringList{"cbxPresets"} << QStringList{} << QStringList{} << QStringList{} << QStringList{"--preset"};
    QTest::newRow("scale channels only enable their edits")
        << QStringList{"click flgScaleLeft", "click flgScaleRight"} << QStringList{"edtScaleLeft", "edtScaleRight"}
        << QStringList{} << QStringList{} << QStringList{} << QStringList{} << QStringList{"scale"};
    QTest::newRow("no ath disables the lowering")
        << QStringList{"click flgNoATH"} << QStringList{} << QStringList{"edtATH"} << QStringList{"flgNoATH"}
        << QStringList{} << QStringList{" --noath"} << QStringList{};
    QTest::newRow("ath mask unchecks no ath")
        << QStringList{"click flgNoATH", "click flgUseATHMask"} << QStringList{"edtATH"} << QStringList{}
        << QStringList{"flgUseATHMask"} << QStringList{"flgNoATH"} << QStringList{" --athonly"} << QStringList{"--noath"};
    QTest::newRow("unchecking the mask keeps the lowering enabled")
        << QStringList{"click flgUseATHMask", "click flgUseATHMask"} << QStringList{"edtATH"} << QStringList{}
        << QStringList{} << QStringList{"flgUseATHMask", "flgNoATH"} << QStringList{} << QStringList{"ath"};
    QTest::newRow("no ath unchecks the mask")
        << QStringList{"click flgUseATHMask", "type edtATH 3", "click flgNoATH"} << QStringList{}
        << QStringList{"edtATH"} << QStringList{"flgNoATH"} << QStringList{"flgUseATHMask"} << QStringList{" --noath"}
        << QStringList{"--athlower", "--athonly"};
    QTest::newRow("unchecking no ath keeps the lowering disabled")
        << QStringList{"click flgNoATH", "click flgNoATH"} << QStringList{} << QStringList{"edtATH"} << QStringList{}
        << QStringList{"flgNoATH"} << QStringList{} << QStringList{};
    QTest::newRow("no filter disables the group but not noise")
        << QStringList{"type edtLowPass 16", "click flgNoFilter"} << QStringList{"cbxNoise", "edtLowPass"}
        << QStringList{"grpFilter"} << QStringList{"flgNoFilter"} << QStringList{} << QStringList{" -k"}
        << QStringList{"--lowpass"};
    QTest::newRow("variable bitrate")
        << QStringList{"click rbutVBR"} << QStringList{"grpVBR"} << QStringList{"grpCBR", "grpABR"}
        << QStringList{"rbutVBR"} << QStringList{"rbutCBR", "rbutABR"} << QStringList{" --vbr-old  -V 4 -b 32 -B 320"}
        << QStringList{" -b 128"};
    QTest::newRow("average bitrate")
        << QStringList{"click rbutVBR", "click rbutABR"} << QStringList{"grpABR"} << QStringList{"grpCBR", "grpVBR"}
        << QStringList{"rbutABR"} << QStringList{"rbutCBR", "rbutVBR"} << QStringList{" --abr 128"} << QStringList{"-V"};
    QTest::newRow("constant bitrate again")
        << QStringList{"click rbutVBR", "click rbutCBR"} << QStringList{"grpCBR"} << QStringList{"grpABR", "grpVBR"}
        << QStringList{"rbutCBR"} << QStringList{"rbutVBR"} << QStringList{" -b 128"} << QStringList{"-V"};
    QTest::newRow("version 2 only")
        << QStringList{"click flg1stEmpty", "click rbut2ndOnly"} << QStringList{"flg2ndEmpty"}
        << QStringList{"flg1stEmpty"} << QStringList{"flg1stEmpty", "rbut2ndOnly"} << QStringList{}
        << QStringList{" --id3v2-only"} << QStringList{"--space-id3v1"};
    QTest::newRow("both versions enable both paddings")
        << QStringList{"click rbut2ndOnly", "click rbutBoth"} << QStringList{"flg1stEmpty", "flg2ndEmpty"}
        << QStringList{} << QStringList{"rbutBoth"} << QStringList{"rbut2ndOnly"} << QStringList{" --add-id3v2"}
        << QStringList{"--id3v2-only"};
    QTest::newRow("version 1 only")
        << QStringList{"click rbutBoth", "click rbut1stOnly", "click flg2ndEmpty"} << QStringList{"flg1stEmpty"}
        << QStringList{"flg2ndEmpty"} << QStringList{"rbut1stOnly"} << QStringList{"rbutBoth", "flg2ndEmpty"}
        << QStringList{" --id3v1-only"} << QStringList{"--pad-id3v2"};
}
// clang-format on

void TestInterlocks::rules()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, disabled);
    QFETCH(QStringList, checkedOn);
    QFETCH(QStringList, checkedOff);
    QFETCH(QStringList, inLine);
    QFETCH(QStringList, notInLine);

    TForm1 form;
    form.show();
    FormDriver d(form);
    for (const QString &step : steps) {
        perform(d, step);
        QCOMPARE(d.line(), d.full());
    }
    for (const QString &name : enabled)
        QVERIFY2(d.own(name), qPrintable(name));
    for (const QString &name : disabled)
        QVERIFY2(!d.own(name), qPrintable(name));
    for (const QString &name : checkedOn)
        QVERIFY2(d.checked(name), qPrintable(name));
    for (const QString &name : checkedOff)
        QVERIFY2(!d.checked(name), qPrintable(name));
    for (const QString &piece : inLine)
        QVERIFY2(d.line().contains(piece), qPrintable(d.line()));
    for (const QString &piece : notInLine)
        QVERIFY2(!d.line().contains(piece), qPrintable(d.line()));
}

void TestInterlocks::defaultSettingsRoundTrip()
{
    const QStringList governed = testing::defaultGoverned();
    TForm1 form;
    form.show();
    FormDriver d(form);
    form.LamePath = "lame";
    d.click("flgCompRatio");
    d.click("flgDefault");
    QCOMPARE(d.line(), QString("lame -h"));
    for (const QString &name : governed)
        QVERIFY2(!d.own(name), qPrintable(name));
    // Not governed: they keep their flags although their check boxes are now disabled.
    for (const char *name : {"edtCompRatio", "flgScaleLeft", "edtOutput", "butOutputPath", "tabOutput"})
        QVERIFY2(d.own(name), name);
    QVERIFY(!d.own("cbxPresets") && !d.own("flgWavHeader"));

    d.click("flgDefault");
    QCOMPARE(d.line(), d.full());
    for (const QString &name : governed)
        QVERIFY2(d.own(name), qPrintable(name));
    // Enabled unconditionally, whatever their governing boxes say.
    QVERIFY(d.own("edtScale") && d.own("edtATH") && d.own("flgVoiceMode"));
    QVERIFY(!d.checked("flgScale") && !d.checked("flgUseATHMask"));
}

void TestInterlocks::defaultThenTypingGivesFullLine()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.click("flgDefault");
    QCOMPARE(d.line(), d.shortForm());
    d.type("edtInput", "/home/me/My Music/a.wav");
    QCOMPARE(d.line(), d.full());
    QVERIFY(d.line().endsWith("-m j -b 128 \"/home/me/My Music/a.wav\""));
    d.type("edtSongName", "Песня");
    QCOMPARE(d.line(), d.full());
}

void TestInterlocks::scaleChannelEditsComposeNothing()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.click("flgScaleLeft");
    d.click("flgScaleRight");
    d.w<QPlainTextEdit>("edtCommandLine")->setPlainText("untouched");
    d.type("edtScaleLeft", "2");
    d.type("edtScaleRight", "3");
    d.click("flgLameTagEn");
    d.click("flgReadOnly");
    QCOMPARE(d.line(), QString("untouched"));
}

void TestInterlocks::clickingCheckedRadioButtonRunsNothing()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.w<QPlainTextEdit>("edtCommandLine")->setPlainText("untouched");
    d.click("rbutCBR");
    d.click("rgrInputType_5");
    QVERIFY(d.checked("rbutCBR") && d.checked("rgrInputType_5"));
    QCOMPARE(d.line(), QString("untouched"));
}

// clang-format off
void TestInterlocks::radioSetIsOneTabStop_data()
{
    QTest::addColumn<QStringList>("steps");   // user steps before the keys
    QTest::addColumn<QString>("from");        // the control that has the focus before Tab
    QTest::addColumn<bool>("backwards");      // Shift+Tab instead of Tab
    QTest::addColumn<QString>("landsOn");
    QTest::addColumn<int>("key");             // pressed on the button Tab landed on
    QTest::addColumn<QString>("thenChecked"); // the focused and checked button after the key
    QTest::addColumn<QString>("tabLeavesTo"); // where the next Tab goes

    QTest::newRow("input type at start") << QStringList{} << "edtInput" << false << "rgrInputType_5"
                                         << int(Qt::Key_Up) << "rgrInputType_4" << "cbxSampleFreq";
    QTest::newRow("input type clicked") << QStringList{"click rgrInputType_1"} << "edtInput" << false
                                        << "rgrInputType_1" << int(Qt::Key_Down) << "rgrInputType_2"
                                        << "cbxSampleFreq";
    QTest::newRow("input type backwards") << QStringList{"click rgrInputType_2"} << "cbxSampleFreq" << true
                                          << "rgrInputType_2" << int(Qt::Key_Space) << "rgrInputType_2"
                                          << "cbxSampleFreq";
    QTest::newRow("input type set by the program") << QStringList{"click rgrInputType_1", "check rgrInputType_3"}
                                                   << "edtInput" << false << "rgrInputType_3" << int(Qt::Key_Down)
                                                   << "rgrInputType_4" << "cbxSampleFreq";
    QTest::newRow("output type at start") << QStringList{} << "edtOutput" << false << "rgpOutputType_1"
                                          << int(Qt::Key_Down) << "rgpOutputType_2" << "flgDiffBlock";
    QTest::newRow("bitrate mode at start") << QStringList{} << "pgOptions" << false << "rbutCBR"
                                           << int(Qt::Key_Down) << "rbutABR" << "cbxABR";
    QTest::newRow("bitrate mode clicked") << QStringList{"click rbutVBR"} << "pgOptions" << false << "rbutVBR"
                                          << int(Qt::Key_Up) << "rbutABR" << "cbxABR";
    QTest::newRow("bitrate mode set by the program") << QStringList{"click rbutABR", "check rbutVBR"} << "pgOptions"
                                                     << false << "rbutVBR" << int(Qt::Key_Up) << "rbutABR" << "cbxABR";
    QTest::newRow("ID3 version none checked") << QStringList{} << "edtComment" << false << "rbut1stOnly"
                                              << int(Qt::Key_Space) << "rbut1stOnly" << "flg1stEmpty";
    QTest::newRow("ID3 version clicked") << QStringList{"click rbutBoth"} << "edtComment" << false << "rbutBoth"
                                         << int(Qt::Key_Up) << "rbut2ndOnly" << "flg2ndEmpty";
    QTest::newRow("ID3 version set by the program") << QStringList{"click rbut1stOnly", "check rbutBoth"}
                                                    << "edtComment" << false << "rbutBoth" << int(Qt::Key_Up)
                                                    << "rbut2ndOnly" << "flg2ndEmpty";
    QTest::newRow("ID3 version backwards") << QStringList{"click rbut2ndOnly"} << "flg2ndEmpty" << true
                                           << "rbut2ndOnly" << int(Qt::Key_Down) << "rbutBoth" << "flg1stEmpty";
}
// clang-format on

void TestInterlocks::radioSetIsOneTabStop()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, from);
    QFETCH(bool, backwards);
    QFETCH(QString, landsOn);
    QFETCH(int, key);
    QFETCH(QString, thenChecked);
    QFETCH(QString, tabLeavesTo);

    TForm1 form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    FormDriver d(form);
    for (const QString &step : steps)
        perform(d, step);
    d.showPageOf(d.w(landsOn));
    d.w(from)->setFocus(Qt::OtherFocusReason);
    QVERIFY(d.w(from)->hasFocus() || d.w(from)->isAncestorOf(QApplication::focusWidget()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), landsOn);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(QApplication::focusWidget()->objectName(), thenChecked);
    QVERIFY(d.checked(thenChecked));
    // The set's handlers ran as on a click: the line follows the new state.
    QCOMPARE(d.line(), d.full());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget *next = QApplication::focusWidget();
    QVERIFY(next);
    QVERIFY2(next->objectName() == tabLeavesTo || d.w(tabLeavesTo)->isAncestorOf(next), qPrintable(next->objectName()));
}

void TestInterlocks::disabledPageStaysSelectable()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.click("flgDefault");
    auto *pages = d.w<QTabWidget>("pgOptions");
    QTabBar *bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    QCOMPARE(pages->currentWidget()->objectName(), QString("tabBitrate"));
    QVERIFY(!d.w("cbxCBR")->isEnabled());
}

void TestInterlocks::viewOnlyLocksTheBox()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.click("flgReadOnly");
    QVERIFY(d.w("edtCommandLine")->isEnabled());
    auto *box = d.w<QPlainTextEdit>("edtCommandLine");
    box->setFocus();
    QTest::keyClicks(box, "edited");
    QCOMPARE(d.line(), QString("edited"));
    d.click("flgReadOnly");
    QVERIFY(!d.w("edtCommandLine")->isEnabled());
    QCOMPARE(d.line(), QString("edited"));
}

void TestInterlocks::refreshAlwaysComposesFullLine()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    d.click("flgDefault");
    QCOMPARE(d.line(), d.shortForm());
    form.named<QAction>("mnuRefresh")->trigger();
    QCOMPARE(d.line(), d.full());
}

void TestInterlocks::typedPresetSelectsMatchingItemOrNone()
{
    TForm1 form;
    form.show();
    FormDriver d(form);
    form.named<QAction>("mnuEnglish")->trigger();
    d.click("flgPresets");
    auto *presets = d.w<QComboBox>("cbxPresets");
    presets->setFocus();
    presets->lineEdit()->selectAll();
    FormDriver::typeInto(presets->lineEdit(), "Voice");
    QCOMPARE(presets->currentIndex(), 1);
    QVERIFY2(d.line().contains(" --preset  voice -b"), qPrintable(d.line()));
    FormDriver::typeInto(presets->lineEdit(), "x");
    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(presets->currentText(), QString("Voicex"));
    QVERIFY2(d.line().contains(" --preset  -b"), qPrintable(d.line()));
    // Leaving the box picks nothing either.
    d.w("edtInput")->setFocus();
    QCOMPARE(presets->currentIndex(), -1);
}

QTEST_MAIN(TestInterlocks)
#include "tst_interlocks.moc"
