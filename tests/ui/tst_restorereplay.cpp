// Restoring a settings file without a window gives exactly the option set that the window holds
// after restoring the same file from the same state: every value, availability flag and the
// command line, for every settings file of the test data.
#include "FormDriver.h"
#include "TestFiles.h"

#include "settings/SettingsRestore.h"
#include "ui/ControlBinding.h"

#include <QDir>

#include <functional>
#include <memory>

using fenwave::Field;
using fenwave::OptionSet;

namespace {

using Prepare = std::function<void(TForm1 &)>;

struct PriorState {
    const char *name;
    fenwave::Language language;
    Prepare prepare;
};

void check(TForm1 &form, const char *name, bool on)
{
    fenwave::setChecked(form.named<QAbstractButton>(QString::fromLatin1(name)), on);
}

// A window worked on: states that differ from every key's default, flags the rules have set, a
// list text that is no item, and the short line of "Use default settings".
void workedOn(TForm1 &form)
{
    form.LamePath = QStringLiteral("/usr/local/bin/lame");
    for (const char *name : {"flgMP3Decode", "rbutABR", "flgNoATH", "flgNoFilter", "flgScaleLeft", "rbut2ndOnly",
                             "flgPresets", "flgCompRatio", "flgVorbis"})
        check(form, name, true);
    fenwave::setRadioGroupIndex(form.named<QWidget>("rgrInputType"), 4);
    fenwave::setRadioGroupIndex(form.named<QWidget>("rgpOutputType"), -1);
    fenwave::setComboText(form.named<QComboBox>("cbxPresets"), QStringLiteral("Radio"));
    fenwave::setComboText(form.named<QComboBox>("cbxSampleFreq"), QStringLiteral("8"));
    form.named<QLineEdit>("edtComment")->setText(QStringLiteral("mine"));
    form.named<QLineEdit>("edtATH")->setText(QStringLiteral("2"));
    check(form, "flgDefault", true);
}

const PriorState kPriorStates[] = {
    {"fresh, English", testing::kEnglish, nullptr},
    {"fresh, Russian", testing::kRussian, nullptr},
    {"worked on, English", testing::kEnglish, workedOn},
    {"worked on, Russian", testing::kRussian, workedOn},
};

// The first field in which two option sets differ, or an empty text.
QString firstDifference(const OptionSet &expected, const OptionSet &actual)
{
    for (int i = 0; i < fenwave::kFieldCount; ++i) {
        const Field field = static_cast<Field>(i);
        const fenwave::FieldValue &a = expected.value(field), &b = actual.value(field);
        if (a == b)
            continue;
        return QStringLiteral("%1: window on=%2 index=%3 available=%4 text \"%5\"; replay on=%6 index=%7 "
                              "available=%8 text \"%9\"")
            .arg(QLatin1String(OptionSet::info(field).name))
            .arg(a.on)
            .arg(a.index)
            .arg(a.available)
            .arg(a.text.left(80))
            .arg(b.on)
            .arg(b.index)
            .arg(b.available)
            .arg(b.text.left(80));
    }
    return QString();
}

} // namespace

class TestRestoreReplay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sameAsTheWindow_data();
    void sameAsTheWindow();

private:
    QTemporaryDir m_generated;
};

void TestRestoreReplay::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(m_generated.isValid());
    // Files too large to keep as test data: values at and over the longest text a restore takes.
    testing::mustWrite(m_generated.filePath("comment_over_the_bound.ini"),
                       "[Fenwave Sets]\nCBR=1\nCBRValue=192\nComment=" + QByteArray(131072, 'c') + "\nLowPassCut=15\n");
    testing::mustWrite(m_generated.filePath("values_at_the_bound.ini"),
                       "[Fenwave Sets]\nComment=" + QByteArray(131071, 'c') + "\nCBRValue=" + QByteArray(100000, '9')
                           + "\nLamePath=" + QByteArray(1000000, 'p') + "\n");
    testing::mustWrite(m_generated.filePath("cyrillic_over_the_bound.ini"),
                       "[Fenwave Sets]\nComment=" + QByteArray(65536, '\xE6') + "\nScale=2\n");
}

void TestRestoreReplay::sameAsTheWindow_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("prior");

    QStringList paths;
    const QDir data(QStringLiteral(FENWAVE_TEST_DATA "/settings"));
    for (const QString &name : data.entryList(QDir::Files, QDir::Name))
        paths << data.filePath(name);
    QVERIFY(paths.size() > 20);
    const QDir generated(m_generated.path());
    for (const QString &name : generated.entryList(QDir::Files, QDir::Name))
        paths << generated.filePath(name);
    paths << m_generated.filePath("missing.ini");

    for (const QString &path : paths) {
        for (int prior = 0; prior < int(std::size(kPriorStates)); ++prior) {
            const QString row = QFileInfo(path).fileName() + ", " + kPriorStates[prior].name;
            QTest::newRow(qPrintable(row)) << path << prior;
        }
    }
}

void TestRestoreReplay::sameAsTheWindow()
{
    QFETCH(QString, path);
    QFETCH(int, prior);
    const PriorState &state = kPriorStates[prior];

    TForm1 form;
    form.Language = state.language;
    form.ApplyLanguage();
    if (state.prepare)
        state.prepare(form);
    // A fresh Russian window and the start values differ only where a restore writes over them.
    const bool fresh = !state.prepare && state.language == testing::kRussian;
    const OptionSet before = fresh ? OptionSet() : form.optionSet();

    form.restoreSettings(path);
    const OptionSet replayed = fenwave::restoreWithoutWindow(fenwave::IniDocument::load(path), before, state.language);
    const QString difference = firstDifference(form.optionSet(), replayed);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_MAIN(TestRestoreReplay)
#include "tst_restorereplay.moc"
