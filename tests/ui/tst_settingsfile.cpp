// Saving and restoring settings files through the real window: the 60 keys, the handlers that
// run while a file is restored, the error box of a failed save and the two file dialogs.
#include "ExpectedData.h"
#include "FormDriver.h"

#include "settings/SettingsKeys.h"
#include "settings/TextDecoding.h"
#include "ui/ControlBinding.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QRandomGenerator>

#include <algorithm>
#include <memory>
#include <vector>

using fenwave::Field;
using fenwave::OptionSet;
using fenwave::SettingKey;
using testing::FormDriver;
using testing::ModalAnswer;
using testing::StoredAs;

using testing::readAll;
using testing::writeAll;

namespace {

const QString kSection = QStringLiteral("Fenwave Sets");
// A folder name that a shell would trip over: blanks, quotes, ";", "$()" and Cyrillic.
const QString kAwkwardFolder = QStringLiteral("my sets 'q' \"dq\" ;$(touch x) Настройки");

std::unique_ptr<TForm1> newForm(fenwave::Language language = testing::kEnglish,
                                const QString &lamePath = QStringLiteral("/usr/bin/lame"))
{
    auto form = std::make_unique<TForm1>();
    form->Language = language;
    form->ApplyLanguage();
    form->LamePath = lamePath;
    return form;
}

QString controlOf(const SettingKey &key)
{
    return QString::fromLatin1(fenwave::OptionSet::info(key.field).name);
}

// The stored part of the option set, one "Key" -> value text per settings key, in the form the
// file holds it. Combo boxes count by their text only: the restore gives them nothing else.
QList<QPair<QString, QString>> storedPart(const TForm1 &form)
{
    const OptionSet options = form.optionSet();
    QList<QPair<QString, QString>> part;
    for (const SettingKey &key : fenwave::settingsKeys()) {
        const QString control = controlOf(key);
        const Field field = *OptionSet::fieldByName(control);
        QString value;
        switch (testing::storedAs(key.key)) {
        case StoredAs::Flag: value = options.isOn(field) ? "1" : "0"; break;
        case StoredAs::Integer: value = QString::number(options.index(field)); break;
        case StoredAs::Text: value = options.text(field); break;
        }
        part.append({QString::fromLatin1(key.key), value});
    }
    return part;
}

// The first difference of two stored parts, or an empty text.
QString firstDifference(const QList<QPair<QString, QString>> &expected, const QList<QPair<QString, QString>> &actual)
{
    for (int i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual.value(i))
            return QStringLiteral("key %1: expected \"%2\", got \"%3\"")
                .arg(expected[i].first, expected[i].second.left(80), actual.value(i).second.left(80));
    }
    return QString();
}

// A restored combo text selects the item of exactly that text, or none.
QString comboSelectionMismatch(const TForm1 &form)
{
    for (const SettingKey &key : fenwave::settingsKeys()) {
        if (auto *combo = form.named<QComboBox>(controlOf(key))) {
            const int expected = combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (combo->currentIndex() != expected)
                return QStringLiteral("%1: item %2 selected for text \"%3\"")
                    .arg(controlOf(key))
                    .arg(combo->currentIndex())
                    .arg(combo->currentText());
        }
    }
    return QString();
}

// What a restore from a file without any of the keys leaves in the stored fields.
QList<QPair<QString, QString>> restoreDefaults(bool mp3DecodeBefore)
{
    QList<QPair<QString, QString>> part;
    for (const SettingKey &key : fenwave::settingsKeys()) {
        QString value = !testing::restoreDefault(key.key).isNull() ? testing::restoreDefault(key.key)
                                                                   : QString(mp3DecodeBefore ? "1" : "0");
        part.append({QString::fromLatin1(key.key), value});
    }
    return part;
}

QString randomText(QRandomGenerator &rng)
{
    static const QStringList pieces{
        "",           " ",        "  lead",    "trail  ",   "\ttab\t",   "a=b",    "==",        "semi;colon", ";starts",
        "\"quoted\"", "'single'", "Кириллица", "Пресет №2", "$(echo x)", "`id`",   "[section]", "x\\y",       "€uro",
        "128",        "44.1",     "Phone",     "Радио",     "Hi-fi",     "Старый", "c",         "%s %1",      "ünï"};
    if (rng.bounded(400) == 0)
        return QString(2500 + rng.bounded(2000), QChar(u'ж')); // longer than the old 2047 cut
    QString text;
    for (int n = rng.bounded(4); n > 0; --n)
        text += pieces.at(rng.bounded(pieces.size()));
    return text;
}

QList<QRadioButton *> groupButtons(QWidget *group)
{
    return group->findChildren<QRadioButton *>(QString(), Qt::FindDirectChildrenOnly);
}

// Gives every stored control (and LamePath) a random value from code, in a random order, so the
// handlers run and leave their availability flags behind.
void randomizeFromCode(TForm1 &form, QRandomGenerator &rng)
{
    form.LamePath = randomText(rng);
    std::vector<const SettingKey *> keys;
    for (const SettingKey &key : fenwave::settingsKeys())
        keys.push_back(&key);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (const SettingKey *key : keys) {
        const QString control = controlOf(*key);
        switch (testing::storedAs(key->key)) {
        case StoredAs::Flag: fenwave::setChecked(form.named<QAbstractButton>(control), rng.bounded(2) == 1); break;
        case StoredAs::Integer: {
            auto *group = form.named<QWidget>(control);
            fenwave::setRadioGroupIndex(group, rng.bounded(-1, int(groupButtons(group).size())));
            break;
        }
        case StoredAs::Text:
            if (auto *combo = form.named<QComboBox>(control)) {
                const QString item = combo->itemText(rng.bounded(combo->count()));
                switch (rng.bounded(3)) {
                case 0: fenwave::setComboText(combo, item); break;
                case 1: fenwave::setComboText(combo, randomText(rng)); break;
                default: // an item's text with no item selected, as after a language switch
                    combo->setCurrentIndex(-1);
                    combo->setEditText(item);
                }
            } else if (auto *edit = form.named<QLineEdit>(control)) {
                edit->setText(randomText(rng));
            }
            break;
        }
    }
}

// A few changes as a user makes them: clicks, picks from lists and typing.
void changeByUser(TForm1 &form, QRandomGenerator &rng)
{
    FormDriver d(form);
    QStringList clickable, edits, combos;
    for (const SettingKey &key : fenwave::settingsKeys()) {
        const QString control = controlOf(key);
        if (testing::storedAs(key.key) == StoredAs::Flag)
            clickable << control;
        else if (testing::storedAs(key.key) == StoredAs::Integer)
            for (QRadioButton *button : groupButtons(form.named<QWidget>(control)))
                clickable << button->objectName();
        else if (form.named<QComboBox>(control))
            combos << control;
        else if (form.named<QLineEdit>(control))
            edits << control;
    }
    for (int n = 3 + rng.bounded(10); n > 0; --n) {
        switch (rng.bounded(4)) {
        case 0:
        case 1: d.click(clickable.at(rng.bounded(clickable.size()))); break;
        case 2: d.type(edits.at(rng.bounded(edits.size())), randomText(rng).left(30)); break;
        default: {
            auto *combo = d.w<QComboBox>(combos.at(rng.bounded(combos.size())));
            if (rng.bounded(2)) {
                d.pickNext(combo->objectName());
            } else {
                d.showPageOf(combo);
                combo->lineEdit()->setFocus();
                FormDriver::typeInto(combo->lineEdit(), randomText(rng).left(20));
            }
        }
        }
    }
}

// A settings file made of lines.
QByteArray settingsFile(const QList<QByteArray> &lines, const QByteArray &header = "[Fenwave Sets]")
{
    QByteArray bytes = header + "\n";
    for (const QByteArray &line : lines)
        bytes += line + "\n";
    return bytes;
}

// The dialog leaves the name field alone while it has the focus, so the focus goes first.
void selectInDialog(QFileDialog *dialog, const QString &path)
{
    if (path.isEmpty())
        return;
    if (QWidget *focus = dialog->focusWidget())
        focus->clearFocus();
    dialog->selectFile(path);
}

// Answers a file dialog by choosing `path` (or keeping the name it shows) and confirming; answers
// the question about replacing an existing file with "Yes".
std::function<void(QWidget *)> chooseFile(const QString &path, QString *dialogTitle)
{
    return [path, dialogTitle](QWidget *modal) {
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            *dialogTitle = dialog->windowTitle();
            selectInDialog(dialog, path);
            // Accept outside the answering timer, so that a question raised by accept() is answered too.
            QTimer::singleShot(0, dialog, &QDialog::accept);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            ModalAnswer::press(box, QMessageBox::Yes);
        }
    };
}

void settle()
{
    QCoreApplication::processEvents();
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void roundTripOfRandomSets();
    void newFileHoldsTheSectionAndKeysInOrder();
    void presetSavedInEnglishRestoredInRussian();
    void restore_data();
    void restore();
    void defaultKeyDisablesTheGovernedControls();
    void restoreChangingNothingKeepsTheLine();
    void restoreWithoutLamePathThenRun();
    void windowsFileRestoresItsCyrillic();
    void saveKeepsForeignContent();
    void lineBreakInValueAddsNoKey();
    void saveThroughSymbolicLinkKeepsTheLink();
    void unreadableRestoreGivesDefaults_data();
    void unreadableRestoreGivesDefaults();
    void saveFailure_data();
    void saveFailure();
    void dialogs_data();
    void dialogs();
    void cancelledDialogsDoNothing();

private:
    QString filePath(const QString &name) const { return m_folder + QLatin1Char('/') + name; }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_folder;
};

void TestSettingsFile::initTestCase()
{
    testing::usePrivateHome();
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
}

void TestSettingsFile::init()
{
    // A fresh folder per test function, named the awkward way.
    static int serial = 0;
    m_folder = m_tmp->filePath(QString::number(++serial) + QLatin1Char(' ') + kAwkwardFolder);
    QVERIFY(QDir().mkpath(m_folder));
}

void TestSettingsFile::roundTripOfRandomSets()
{
    const quint32 seed = qEnvironmentVariableIsSet("FENWAVE_TEST_SEED")
                             ? quint32(qEnvironmentVariableIntValue("FENWAVE_TEST_SEED"))
                             : QRandomGenerator::global()->generate();
    QRandomGenerator rng(seed);
    auto form = newForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    for (int round = 0; round < 200; ++round) {
        const QString where = QStringLiteral("seed %1 (FENWAVE_TEST_SEED), round %2").arg(seed).arg(round);
        if (rng.bounded(8) == 0)
            FormDriver(*form).switchTo(rng.bounded(2) ? testing::kRussian : testing::kEnglish);
        randomizeFromCode(*form, rng);
        if (round % 3 == 0)
            changeByUser(*form, rng);

        // Half the rounds write a new file, the others update the previous one.
        const QString path = filePath(QStringLiteral("set %1.ini").arg(round % 2 ? round - 1 : round));
        const auto saved = storedPart(*form); // flgMP3Decode and LamePath included
        const OptionSet beforeSave = form->optionSet();
        QVERIFY2(form->saveSettings(path), qPrintable(where));
        QVERIFY2(form->optionSet() == beforeSave, qPrintable(where + ": saving changed the window"));

        randomizeFromCode(*form, rng);
        form->restoreSettings(path);
        const QString difference = firstDifference(saved, storedPart(*form));
        QVERIFY2(difference.isEmpty(), qPrintable(where + ": " + difference));
        const QString selection = comboSelectionMismatch(*form);
        QVERIFY2(selection.isEmpty(), qPrintable(where + ": " + selection));
    }
}

void TestSettingsFile::newFileHoldsTheSectionAndKeysInOrder()
{
    auto form = newForm(testing::kEnglish, "/opt/my lame/lame");
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("flgNoATH"), true);
    fenwave::setChecked(d.w<QAbstractButton>("rbutVBR"), true);
    fenwave::setRadioGroupIndex(d.w("rgrInputType"), 0);
    d.w<QLineEdit>("edtComment")->setText(" Запись = 2; \"x\" ");
    fenwave::setComboText(d.w<QComboBox>("cbxEmp"), "c");
    const QString path = filePath("new.ini");
    QVERIFY(form->saveSettings(path));

    const QByteArray expected = settingsFile({"LamePath=/opt/my lame/lame",
                                              "InputType=0",
                                              "SampleFrequency=44.1",
                                              "ForceInput=0",
                                              "OutputType=1",
                                              "MonoDownmix=0",
                                              "DifferentBlocks=0",
                                              "StatDisplay=",
                                              "OggVorbis=0",
                                              "FreeFormat=0",
                                              "MP3Decoding=0",
                                              "NoWAVHeader=0",
                                              "UseCompressionRatio=0",
                                              "CompressionRatio=",
                                              "UseScale=0",
                                              "Scale=",
                                              "UseATH4Masking=0",
                                              "NotUseATH=1",
                                              "ATH=",
                                              "UseTemporaryMasking=0",
                                              "UseShortBlocks=0",
                                              "VoiceMode=0",
                                              "UsePresets=0",
                                              "Presets=Phone",
                                              "Default=0",
                                              "CBR=0",
                                              "CBRValue=128",
                                              "ABR=0",
                                              "ABRValue=128",
                                              "VBR=1",
                                              "VBRMode=Старый",
                                              "VBRQuality=4",
                                              "VBRMinBitrate=32",
                                              "VBRMaxBitrate=320",
                                              "Support=0",
                                              "LameTagDis=0",
                                              "ShowHistogramm=0",
                                              "Copyright=0",
                                              "NonOriginal=0",
                                              "ErrorProtection=0",
                                              "OffReservBit=0",
                                              "MaxISOCompliance=0",
                                              "HighPassFilter=c",
                                              "NoiseReduction=5",
                                              "NoFilters=0",
                                              "LowPassCut=",
                                              "LowPassWidth=",
                                              "HighPassCut=",
                                              "HighPassWidth=",
                                              "OutputSampling=",
                                              "Tonality=",
                                              "NoProgress=0",
                                              "ShowAllUseful=0",
                                              "ShowNothing=0",
                                              "Comment= Запись = 2; \"x\" ",
                                              "ID3Tag1stOnly=0",
                                              "ID3Tag2ndOnly=0",
                                              "ID3TagBoth=0",
                                              "1stEmpty=0",
                                              "2ndEmpty=0"});
    QCOMPARE(readAll(path), expected);
    QCOMPARE(fenwave::settingsKeys().size(), 60);
}

void TestSettingsFile::presetSavedInEnglishRestoredInRussian()
{
    auto form = newForm(testing::kEnglish);
    FormDriver d(*form);
    fenwave::setComboText(d.w<QComboBox>("cbxPresets"), "Radio");
    const QString path = filePath("radio.ini");
    QVERIFY(form->saveSettings(path));
    QVERIFY(readAll(path).contains("\nPresets=Radio\n"));

    form->named<QAction>("mnuRussian")->trigger();
    form->restoreSettings(path);
    QCOMPARE(d.w<QComboBox>("cbxPresets")->currentText(), QString("Radio"));
    QCOMPARE(d.w<QComboBox>("cbxPresets")->currentIndex(), -1);
}

// Steps before the restore and checks after it, one per text:
//   before: "on NAME", "off NAME", "index GROUP=N", "text NAME=VALUE", "lang N", "refresh"
//   expect: "on NAME", "off NAME", "enabled NAME", "disabled NAME" (own flag), "index GROUP=N",
//           "text NAME=VALUE", "item COMBO=N", "line full|short|unchanged", "lineHas X", "lineLacks X"
// clang-format off
void TestSettingsFile::restore_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("expect");

    using L = QStringList;
    QTest::newRow("only CBR=0: no bitrate mode")
        << settingsFile({"CBR=0"}) << L{"text edtComment=x"}
        << L{"off rbutCBR", "off rbutABR", "off rbutVBR", "line full", "lineLacks  -b ", "lineLacks  --abr ",
             "lineLacks  -V "};
    QTest::newRow("only CBR=0 after ABR was on: all off")
        << settingsFile({"CBR=0"}) << L{"on rbutABR"} << L{"off rbutCBR", "off rbutABR", "off rbutVBR"};
    QTest::newRow("ABR and VBR both on: VBR wins")
        << settingsFile({"ABR=1", "VBR=1"}) << L{}
        << L{"on rbutVBR", "off rbutABR", "off rbutCBR", "enabled grpVBR", "disabled grpABR", "disabled grpCBR",
             "line full", "lineHas  --vbr-old "};
    QTest::newRow("ID3 1st and both on: both wins")
        << settingsFile({"ID3Tag1stOnly=1", "ID3TagBoth=1"}) << L{}
        << L{"off rbut1stOnly", "on rbutBoth", "enabled flg1stEmpty", "enabled flg2ndEmpty"};
    QTest::newRow("ATH pair both on: NotUseATH wins")
        << settingsFile({"UseATH4Masking=1", "NotUseATH=1"}) << L{}
        << L{"on flgNoATH", "off flgUseATHMask", "disabled edtATH", "line full"};
    QTest::newRow("ATH pair both on, listed the other way round")
        << settingsFile({"NotUseATH=1", "UseATH4Masking=1"}) << L{}
        << L{"on flgNoATH", "off flgUseATHMask", "disabled edtATH"};

    QTest::newRow("InputType 0x2 -> Layer III") << settingsFile({"InputType=0x2"}) << L{}
        << L{"index rgrInputType=2", "disabled flgMonoDownmix", "lineHas  --mp3input"};
    QTest::newRow("InputType 4 -> RAW enables downmix") << settingsFile({"InputType=4", "MonoDownmix=1"}) << L{}
        << L{"index rgrInputType=4", "enabled flgMonoDownmix", "on flgMonoDownmix", "line full"};

    QTest::newRow("SampleFrequency missing") << settingsFile({"CBR=1"}) << L{"text cbxSampleFreq=48"}
        << L{"text cbxSampleFreq=44.1", "item cbxSampleFreq=0"};


    QTest::newRow("MP3Decoding missing keeps on") << settingsFile({"CBR=1"}) << L{"on flgMP3Decode"}
        << L{"on flgMP3Decode", "enabled flgWavHeader"};
    QTest::newRow("MP3Decoding missing keeps off") << settingsFile({"CBR=1"}) << L{}
        << L{"off flgMP3Decode", "disabled flgWavHeader"};
    QTest::newRow("MP3Decoding 0 turns off") << settingsFile({"MP3Decoding=0"}) << L{"on flgMP3Decode"}
        << L{"off flgMP3Decode", "disabled flgWavHeader"};

    QTest::newRow("Default then later keys still arrive")
        << settingsFile({"Default=1", "VBR=1", "CBRValue=192", "NoFilters=1", "LowPassCut=15"}) << L{}
        << L{"on flgDefault", "disabled tabBitrate", "disabled tabFilter", "disabled flgMP3Decode",
             "on rbutVBR", "enabled grpVBR", "text cbxCBR=192", "on flgNoFilter", "disabled grpFilter",
             "text edtLowPass=15", "line full"};
    QTest::newRow("Default last change composes the short line")
        << settingsFile({"Default=1"}) << L{} << L{"on flgDefault", "line short"};

    QTest::newRow("Presets Radio under Russian") << settingsFile({"Presets=Radio"}) << L{"lang 1"}
        << L{"text cbxPresets=Radio", "item cbxPresets=-1"};
    QTest::newRow("Presets Hi-fi under Russian") << settingsFile({"Presets=Hi-fi"}) << L{"lang 1"}
        << L{"text cbxPresets=Hi-fi", "item cbxPresets=4"};
    QTest::newRow("Presets Hi-fi under English") << settingsFile({"Presets=Hi-fi"}) << L{"lang 0"}
        << L{"text cbxPresets=Hi-fi", "item cbxPresets=4"};
    QTest::newRow("Presets Радио under Russian") << settingsFile({"Presets=Радио"}) << L{"lang 1"}
        << L{"item cbxPresets=2"};
    QTest::newRow("Presets missing under English") << settingsFile({"CBR=1"}) << L{"lang 0"}
        << L{"text cbxPresets=Телефон", "item cbxPresets=-1"};
    QTest::newRow("VBRMode Новый") << settingsFile({"VBRMode=Новый"}) << L{} << L{"item cbxVBRMode=0"};
    QTest::newRow("VBRMode typed text") << settingsFile({"VBRMode=fast"}) << L{}
        << L{"text cbxVBRMode=fast", "item cbxVBRMode=-1"};
    QTest::newRow("CBRValue abc kept") << settingsFile({"CBRValue=abc"}) << L{}
        << L{"text cbxCBR=abc", "item cbxCBR=-1"};

    QTest::newRow("keys of another section are ignored")
        << settingsFile({"VBR=1", "CBR=0"}, "[Other]") << L{"on rbutABR"}
        << L{"on rbutCBR", "off rbutABR", "off rbutVBR", "enabled grpCBR", "disabled grpABR"};
    QTest::newRow("values of 100 000 characters in an edit and a list")
        << settingsFile({"Comment=" + QByteArray(100000, 'c'), "CBRValue=" + QByteArray(100000, '9')}) << L{}
        << L{"text edtComment=" + QString(100000, 'c'), "text cbxCBR=" + QString(100000, '9')};
    // No single argument can be that long; the value is refused, nothing else.
    QTest::newRow("a value of 1 MB leaves its field, the other keys arrive")
        << settingsFile({"CBR=1", "CBRValue=192", "Comment=" + QByteArray(1000000, 'c'), "LowPassCut=15"})
        << L{"text edtComment=mine"}
        << L{"text edtComment=mine", "text cbxCBR=192", "text edtLowPass=15", "line full", "lineHas  --tc mine"};

    QTest::newRow("combo change alone leaves the line")
        << settingsFile({"CBR=1", "CBRValue=192"}) << L{"text cbxPresets=Phone", "refresh"}
        << L{"text cbxCBR=192", "line unchanged"};
    QTest::newRow("combo before an edit change: line follows the edit")
        << settingsFile({"CBR=1", "CBRValue=192", "Comment=c"}) << L{}
        << L{"line full", "lineHas  -b 192"};
}
// clang-format on

void TestSettingsFile::restore()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, before);
    QFETCH(QStringList, expect);

    auto form = newForm();
    FormDriver d(*form);
    for (const QString &step : before) {
        const QString verb = step.section(' ', 0, 0);
        const QString arg = step.section(' ', 1);
        const QString name = arg.section('=', 0, 0);
        const QString value = arg.section('=', 1);
        if (verb == "on" || verb == "off")
            fenwave::setChecked(d.w<QAbstractButton>(name), verb == "on");
        else if (verb == "index")
            fenwave::setRadioGroupIndex(d.w(name), value.toInt());
        else if (verb == "text" && form->named<QComboBox>(name))
            fenwave::setComboText(d.w<QComboBox>(name), value);
        else if (verb == "text")
            d.w<QLineEdit>(name)->setText(value);
        else if (verb == "lang")
            FormDriver(*form).switchTo(arg == "1" ? testing::kRussian : testing::kEnglish);
        else if (verb == "refresh")
            form->named<QAction>("mnuRefresh")->trigger();
        else
            QFAIL(qPrintable("unknown step " + step));
    }
    const QString path = filePath("restore.ini");
    QVERIFY(writeAll(path, file));
    const QString lineBefore = d.line();
    ModalAnswer noBox([](QWidget *modal) { modal->close(); });
    form->restoreSettings(path);
    settle();
    QCOMPARE(noBox.count, 0);

    for (const QString &check : expect) {
        const QString verb = check.section(' ', 0, 0);
        const QString arg = check.section(' ', 1);
        const QString name = arg.section('=', 0, 0);
        const QString value = arg.section('=', 1);
        const QByteArray bytes = check.left(100).toUtf8();
        const char *what = bytes.constData();
        if (verb == "on" || verb == "off")
            QVERIFY2(d.checked(name) == (verb == "on"), what);
        else if (verb == "enabled" || verb == "disabled")
            QVERIFY2(d.own(name) == (verb == "enabled"), what);
        else if (verb == "index")
            QVERIFY2(fenwave::radioGroupIndex(d.w(name)) == value.toInt(), what);
        else if (verb == "text" && form->named<QComboBox>(name))
            QCOMPARE(d.w<QComboBox>(name)->currentText(), value);
        else if (verb == "text")
            QCOMPARE(d.w<QLineEdit>(name)->text(), value);
        else if (verb == "item")
            QCOMPARE(d.w<QComboBox>(name)->currentIndex(), value.toInt());
        else if (verb == "line" && arg == "full")
            QCOMPARE(d.line(), d.full());
        else if (verb == "line" && arg == "short")
            QCOMPARE(d.line(), d.shortForm());
        else if (verb == "line" && arg == "unchanged")
            QCOMPARE(d.line(), lineBefore);
        else if (verb == "lineHas")
            QVERIFY2(d.line().contains(check.mid(8)), qPrintable(d.line()));
        else if (verb == "lineLacks")
            QVERIFY2(!d.line().contains(check.mid(10)), qPrintable(d.line()));
        else
            QFAIL(qPrintable("unknown check " + check));
    }
}

void TestSettingsFile::defaultKeyDisablesTheGovernedControls()
{
    auto form = newForm();
    FormDriver d(*form);
    // Keys before "Default" switch on controls that it then disables; keys after it still land.
    const QString path = filePath("default.ini");
    QVERIFY(writeAll(path, settingsFile({"UseScale=1", "Scale=2.5", "UseATH4Masking=1", "ATH=3", "Default=1", "ABR=1",
                                         "ABRValue=96", "ShowNothing=1", "1stEmpty=1"})));
    form->restoreSettings(path);
    for (const QString &name : testing::defaultGoverned())
        QVERIFY2(!d.own(name), qPrintable(name));
    QVERIFY(d.checked("flgScale") && d.checked("flgUseATHMask") && d.checked("rbutABR"));
    QCOMPARE(d.w<QLineEdit>("edtScale")->text(), QString("2.5"));
    QCOMPARE(d.w<QLineEdit>("edtATH")->text(), QString("3"));
    QCOMPARE(d.w<QComboBox>("cbxABR")->currentText(), QString("96"));
    QVERIFY(d.checked("flgBlankScreen") && d.checked("flg1stEmpty"));
    QVERIFY(d.own("grpABR") && !d.own("grpCBR")); // the ABR handler ran inside the disabled page
    QCOMPARE(d.line(), d.full());
}

void TestSettingsFile::restoreChangingNothingKeepsTheLine()
{
    auto form = newForm();
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("flgVorbis"), true);
    // The preset item is selected already, so that the restore has nothing to change.
    fenwave::setComboText(d.w<QComboBox>("cbxPresets"), "Phone");
    const QString path = filePath("same.ini");
    QVERIFY(form->saveSettings(path));
    d.w<QPlainTextEdit>("edtCommandLine")->setPlainText("edited by hand");
    const OptionSet before = form->optionSet();
    form->restoreSettings(path);
    QCOMPARE(d.line(), QString("edited by hand"));
    QVERIFY(form->optionSet() == before);
}

void TestSettingsFile::restoreWithoutLamePathThenRun()
{
    auto form = newForm(testing::kEnglish, "/usr/bin/lame");
    FormDriver d(*form);
    d.w<QLineEdit>("edtInput")->setText("/tmp/in.wav");
    d.w<QLineEdit>("edtOutput")->setText("/tmp/out.mp3");
    const QString path = filePath("nolame.ini");
    QVERIFY(writeAll(path, settingsFile({"CBR=1", "VBR=0"})));
    form->restoreSettings(path);
    QCOMPARE(form->LamePath, QString());

    ModalAnswer answer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
    form->named<QAction>("mnuRun")->trigger();
    QCOMPARE(answer.count, 1);
    QCOMPARE(answer.text, form->messages.strNoLamePath);
    QCOMPARE(answer.title, QString("Fenwave"));
}

void TestSettingsFile::windowsFileRestoresItsCyrillic()
{
    const QString original = QStringLiteral(FENWAVE_TEST_DATA "/settings/windows1251_crlf.ini");
    const QByteArray windowsBytes = readAll(original);
    QVERIFY(windowsBytes.contains("\r\n"));
    const QString path = filePath("windows.ini");
    QVERIFY(writeAll(path, windowsBytes));

    for (fenwave::Language language : {testing::kEnglish, testing::kRussian}) {
        auto form = newForm(language, "");
        FormDriver d(*form);
        form->restoreSettings(path);
        QCOMPARE(form->LamePath, QString("C:\\Program Files\\Lame\\lame.exe"));
        QCOMPARE(d.w<QComboBox>("cbxPresets")->currentText(), QString("Телефон"));
        QCOMPARE(d.w<QComboBox>("cbxPresets")->currentIndex(), language == testing::kRussian ? 0 : -1);
        QCOMPARE(d.w<QComboBox>("cbxVBRMode")->currentText(), QString("Старый"));
        QCOMPARE(d.w<QComboBox>("cbxVBRMode")->currentIndex(), 1);
        QCOMPARE(d.w<QLineEdit>("edtComment")->text(), QString("Запись с кассеты №2"));
        QVERIFY(d.checked("rbutVBR") && d.checked("rbutBoth") && d.checked("flgPresets") && d.checked("flgMP3Decode"));
        QVERIFY(!d.checked("rbutCBR"));
        QVERIFY(d.own("cbxPresets") && d.own("grpVBR") && d.own("flgWavHeader"));
    }

    // Saved back, the file keeps its line breaks and gets the same values in UTF-8.
    auto form = newForm(testing::kRussian, "");
    form->restoreSettings(path);
    QVERIFY(form->saveSettings(path));
    QCOMPARE(QString::fromUtf8(readAll(path)), fenwave::decodeWindows1251(windowsBytes));
}

void TestSettingsFile::saveKeepsForeignContent()
{
    // Split into lines with their line breaks; key lines of the settings section are left out.
    auto foreignLines = [](const QByteArray &bytes) {
        QList<QByteArray> kept;
        bool inSettings = false;
        qsizetype pos = 0;
        while (pos < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', pos);
            end = end < 0 ? bytes.size() : end + 1;
            const QByteArray line = bytes.mid(pos, end - pos);
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith('['))
                inSettings = trimmed.toLower() == "[fenwave sets]";
            const QByteArray key = line.left(qMax<qsizetype>(0, line.indexOf('='))).trimmed();
            const auto keys = fenwave::settingsKeys();
            const bool tableKey
                = std::any_of(keys.begin(), keys.end(), [&key](const SettingKey &row) { return key == row.key; });
            if (!(inSettings && tableKey))
                kept << line;
            pos = end;
        }
        return kept;
    };

    const QByteArray original = "; written by hand\r\n"
                                "[Other]\r\n"
                                "CBR = 7\r\n"
                                "\r\n"
                                "[Fenwave Sets]\r\n"
                                "; my own notes \r\n"
                                "  LamePath = /old/lame\r\n"
                                "MyOwnKey=keep me = as is\r\n"
                                "\tCBR=1\r\n"
                                "\r\n"
                                "[Tail]\r\n"
                                "Comment=not ours";
    const QString path = filePath("foreign.ini");
    QVERIFY(writeAll(path, original));
    auto form = newForm(testing::kEnglish, "/new/lame");
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("rbutVBR"), true);
    QVERIFY(form->saveSettings(path));

    const QByteArray saved = readAll(path);
    QCOMPARE(foreignLines(saved), foreignLines(original));
    QVERIFY2(saved.contains("  LamePath =/new/lame\r\n"), saved.constData()); // key keeps its place and spelling
    QVERIFY(saved.contains("\tCBR=0\r\n"));
    QVERIFY(saved.contains("[Tail]\r\nComment=not ours"));
    QVERIFY(!saved.contains("\n\n")); // the file's own CRLF for the added lines
    // Every key once in the section, readable by a restore.
    auto other = newForm(testing::kEnglish, "");
    other->restoreSettings(path);
    QCOMPARE(storedPart(*other), storedPart(*form));
}

void TestSettingsFile::lineBreakInValueAddsNoKey()
{
    auto form = newForm(testing::kEnglish, "/x\n[Other]\r\nVBR=1\nCBR=0");
    const QString path = filePath("injection.ini");
    QVERIFY(form->saveSettings(path));
    auto other = newForm(testing::kEnglish, "");
    fenwave::setChecked(other->named<QAbstractButton>("rbutABR"), true);
    other->restoreSettings(path);
    QVERIFY(other->named<QAbstractButton>("rbutCBR")->isChecked());
    QVERIFY(!other->named<QAbstractButton>("rbutVBR")->isChecked());
    QCOMPARE(other->LamePath, QString("/x [Other]  VBR=1 CBR=0"));
}

void TestSettingsFile::saveThroughSymbolicLinkKeepsTheLink()
{
    const QString target = filePath("real sets.ini");
    const QString link = filePath("link to sets.ini");
    QVERIFY(writeAll(target, settingsFile({"Comment=old"})));
    QVERIFY(QFile::link(target, link));
    auto form = newForm();
    form->named<QLineEdit>("edtComment")->setText("new");
    QVERIFY(form->saveSettings(link));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(readAll(target).contains("Comment=new"));
}

// clang-format off
void TestSettingsFile::unreadableRestoreGivesDefaults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("mp3Decode");
    for (const char *kind : {"missing", "folder", "empty", "binary", "huge", "noSection"}) {
        QTest::addRow("%s, decoding on", kind) << QString(kind) << true;
        QTest::addRow("%s, decoding off", kind) << QString(kind) << false;
    }
}
// clang-format on

void TestSettingsFile::unreadableRestoreGivesDefaults()
{
    QFETCH(QString, kind);
    QFETCH(bool, mp3Decode);

    const QString path = filePath("bad " + kind + " ;$(x).ini");
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "empty") {
        QVERIFY(writeAll(path, QByteArray()));
    } else if (kind == "binary") {
        QRandomGenerator rng(7);
        QByteArray garbage(64 * 1024, '\0');
        for (char &c : garbage)
            c = char(rng.bounded(256));
        QVERIFY(writeAll(path, garbage));
    } else if (kind == "huge") {
        // A complete settings section, made too big to be a settings file by a trailing comment.
        QByteArray bytes = settingsFile({"CBR=0", "VBR=1", "LamePath=/x"});
        bytes += ';' + QByteArray(20 * 1024 * 1024, 'x') + '\n';
        QVERIFY(writeAll(path, bytes));
    } else if (kind == "noSection") {
        QVERIFY(writeAll(path, settingsFile({"CBR=0", "VBR=1", "LamePath=/x"}, "[Fenwave Sets 2]")));
    }

    auto form = newForm();
    QRandomGenerator rng(11);
    randomizeFromCode(*form, rng);
    fenwave::setChecked(form->named<QAbstractButton>("flgMP3Decode"), mp3Decode);
    ModalAnswer noBox([](QWidget *modal) { modal->close(); });
    form->restoreSettings(path);
    settle();
    QCOMPARE(noBox.count, 0);
    const QString difference = firstDifference(restoreDefaults(mp3Decode), storedPart(*form));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(form->LamePath, QString());
}

// clang-format off
void TestSettingsFile::saveFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("fullStop");
    QTest::newRow("missing folder") << "missingFolder" << true;
    QTest::newRow("missing folder, relative path") << "relative" << true;
    QTest::newRow("name ending below the full stop") << "dashEnding" << false;
    QTest::newRow("read-only file") << "readOnly" << true;
    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("file over the size limit") << "huge" << true;
}
// clang-format on

void TestSettingsFile::saveFailure()
{
    QFETCH(QString, kind);
    QFETCH(bool, fullStop);

    QString path = filePath("target Пресет.ini");
    QByteArray oldBytes;
    if (kind == "missingFolder") {
        path = filePath("no such folder/set.ini");
    } else if (kind == "relative") {
        path = "no such folder ;$(x)/set.ini";
    } else if (kind == "dashEnding") {
        path = filePath("no such folder/set-");
    } else if (kind == "readOnly") {
        oldBytes = settingsFile({"CBR=0", "Comment=old"});
        QVERIFY(writeAll(path, oldBytes));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "huge") {
        oldBytes = settingsFile({"CBR=0"}) + QByteArray(20 * 1024 * 1024, ';') + "\n";
        QVERIFY(writeAll(path, oldBytes));
    }
    const QStringList folderBefore = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

    auto form = newForm(testing::kEnglish, "/usr/bin/lame");
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("rbutVBR"), true);
    d.w<QLineEdit>("edtComment")->setText("new");
    const OptionSet optionsBefore = form->optionSet();
    const QString lineBefore = d.line();

    ModalAnswer answer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
    QVERIFY(!form->saveSettings(path));
    QCOMPARE(answer.count, 1);
    QCOMPARE(answer.icon, QMessageBox::Critical);
    QCOMPARE(answer.title, QString("Fenwave"));
    const QString expected = "Unable to write to " + QFileInfo(path).absoluteFilePath() + (fullStop ? "." : "");
    QCOMPARE(answer.text, expected);

    if (kind == "readOnly" || kind == "huge")
        QVERIFY(readAll(path) == oldBytes);
    if (kind == "folder")
        QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), folderBefore);
    QVERIFY(!QFileInfo::exists("no such folder ;$(x)"));
    QVERIFY(form->optionSet() == optionsBefore);
    QCOMPARE(d.line(), lineBefore);
    QCOMPARE(form->LamePath, QString("/usr/bin/lame"));
}

// clang-format off
void TestSettingsFile::dialogs_data()
{
    QTest::addColumn<fenwave::Language>("language");
    QTest::newRow("English") << testing::kEnglish;
    QTest::newRow("Russian") << testing::kRussian;
}
// clang-format on

void TestSettingsFile::dialogs()
{
    QFETCH(fenwave::Language, language);
    auto form = newForm(language, "/usr/bin/lame");
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("rbutABR"), true);
    d.w<QLineEdit>("edtComment")->setText("dialog «ж»");
    // No double quote in the name itself: the dialog's name field reads quotes as a list of names.
    const QString path = filePath("через диалог 'a' ;b.ini");

    QString title;
    {
        ModalAnswer answer(chooseFile(path, &title));
        form->named<QAction>("mnuSave")->trigger();
        QCOMPARE(answer.count, 1);
    }
    QCOMPARE(title, form->messages.strSaveSettingsTitle);
    QVERIFY(readAll(path).contains("ABR=1"));

    // Saving again: the dialog shows the last name; replacing the file is confirmed.
    d.w<QLineEdit>("edtComment")->setText("second");
    {
        ModalAnswer answer(chooseFile(QString(), &title));
        form->named<QAction>("mnuSave")->trigger();
        QCOMPARE(answer.count, 2);
    }
    QVERIFY(readAll(path).contains("Comment=second"));

    fenwave::setChecked(d.w<QAbstractButton>("rbutCBR"), true);
    d.w<QLineEdit>("edtComment")->setText("changed");
    form->LamePath = "other";
    {
        ModalAnswer answer(chooseFile(path, &title));
        form->named<QAction>("mnuLoad")->trigger();
        QCOMPARE(answer.count, 1);
    }
    QCOMPARE(title, form->messages.strLoadSettingsTitle);
    QCOMPARE(d.w<QLineEdit>("edtComment")->text(), QString("second"));
    QVERIFY(d.checked("rbutABR"));
    QCOMPARE(form->LamePath, QString("/usr/bin/lame"));

    // Loading again: the dialog opens with the file it last held.
    d.w<QLineEdit>("edtComment")->setText("changed");
    {
        ModalAnswer answer(chooseFile(QString(), &title));
        form->named<QAction>("mnuLoad")->trigger();
    }
    QCOMPARE(d.w<QLineEdit>("edtComment")->text(), QString("second"));
}

void TestSettingsFile::cancelledDialogsDoNothing()
{
    auto form = newForm(testing::kEnglish, "/usr/bin/lame");
    FormDriver d(*form);
    fenwave::setChecked(d.w<QAbstractButton>("flgVorbis"), true);
    const QString present = filePath("present.ini");
    QVERIFY(writeAll(present, settingsFile({"OggVorbis=0", "LamePath="})));
    const QString absent = filePath("absent.ini");
    const OptionSet before = form->optionSet();
    const QString lineBefore = d.line();
    const auto reject = [](const QString &path) {
        return [path](QWidget *modal) {
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                selectInDialog(dialog, path);
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        };
    };
    {
        ModalAnswer answer(reject(absent));
        form->named<QAction>("mnuSave")->trigger();
        QCOMPARE(answer.count, 1);
    }
    QVERIFY(!QFileInfo::exists(absent));
    {
        ModalAnswer answer(reject(present));
        form->named<QAction>("mnuLoad")->trigger();
        QCOMPARE(answer.count, 1);
    }
    QVERIFY(form->optionSet() == before);
    QCOMPARE(d.line(), lineBefore);
    QCOMPARE(form->LamePath, QString("/usr/bin/lame"));
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
