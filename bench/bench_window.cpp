// The window under load: one keystroke with everything it sets off, the restore of a whole
// settings file through the controls and their handlers, restores of files with very long
// values and of files of the largest size the reader takes, and the settings-file reader alone.
//
// FENWAVE_BENCH_ITERATIONS=N fixes the iteration count of every benchmark (for instruction
// counts under callgrind, where a time-based count would take far too long).
#include "settings/IniDocument.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsMapping.h"
#include "unMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace fenwave;

namespace {

TForm1 *g_form = nullptr;
QTemporaryDir *g_dir = nullptr;

int fixedIterations()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("FENWAVE_BENCH_ITERATIONS", &ok);
    return ok && n > 0 ? n : 0;
}

// Counts the changes of edtCommandLine while it lives: each is one new text laid out.
class CommandLineChanges
{
public:
    CommandLineChanges()
    {
        auto *line = g_form->named<QPlainTextEdit>(QStringLiteral("edtCommandLine"));
        m_connection = QObject::connect(line, &QPlainTextEdit::textChanged, [this] { ++m_count; });
    }
    ~CommandLineChanges() { QObject::disconnect(m_connection); }
    double perIteration(const benchmark::State &state) const
    {
        return state.iterations() ? double(m_count) / double(state.iterations()) : 0.0;
    }

private:
    QMetaObject::Connection m_connection;
    long long m_count = 0;
};

// ---- Keystroke ----

void sendKeystroke(QWidget *target, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

// Kept out of line so that callgrind can count exactly this (--toggle-collect).
Q_NEVER_INLINE void oneKeystroke(QLineEdit *edit, bool typeLetter)
{
    if (typeLetter)
        sendKeystroke(edit, Qt::Key_A, QStringLiteral("a"));
    else
        sendKeystroke(edit, Qt::Key_Backspace, QString());
}

QLineEdit *songNameReadyForTyping()
{
    auto *edit = g_form->named<QLineEdit>(QStringLiteral("edtSongName"));
    g_form->named<QTabWidget>(QStringLiteral("pgOptions"))
        ->setCurrentWidget(g_form->named<QWidget>(QStringLiteral("tabComment")));
    edit->setFocus();
    edit->setText(QStringLiteral("Song of the Volga Boatmen"));
    edit->end(false);
    return edit;
}

// Handler, composition and the new text in edtCommandLine; painting is left to the event loop.
void BM_KeystrokeSongName(benchmark::State &state)
{
    QLineEdit *edit = songNameReadyForTyping();
    const auto *line = g_form->named<QPlainTextEdit>(QStringLiteral("edtCommandLine"));
    bool typeLetter = true;
    CommandLineChanges changes;
    for (auto _ : state) {
        oneKeystroke(edit, typeLetter);
        typeLetter = !typeLetter;
    }
    state.counters["lineChanges"] = changes.perIteration(state);
    if (!line->toPlainText().contains(QLatin1String("Song of the Volga Boatmen")))
        state.SkipWithError("the keystrokes did not reach the command line");
}

// Keystrokes in `edit`, each with the repaint that the event loop does next (offscreen raster).
void typeWithPaint(benchmark::State &state, QLineEdit *edit)
{
    QCoreApplication::processEvents();
    bool typeLetter = true;
    for (auto _ : state) {
        oneKeystroke(edit, typeLetter);
        QCoreApplication::processEvents();
        typeLetter = !typeLetter;
    }
}

// The same with the repaint that the event loop does next.
void BM_KeystrokeSongNameWithPaint(benchmark::State &state)
{
    typeWithPaint(state, songNameReadyForTyping());
}

// ---- Settings restore ----

QString settingsFile(const QString &name, const QByteArray &content)
{
    const QString path = g_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Every key with its table default: the window as it starts.
QByteArray startSettings()
{
    IniDocument doc;
    writeSettings(OptionSet(), doc);
    return doc.toBytes();
}

bool isText(const SettingKey &key)
{
    const FieldKind kind = OptionSet::info(key.field).kind;
    return kind != FieldKind::Flag && kind != FieldKind::ExclusiveFlag && kind != FieldKind::IndexChoice;
}

// Every key away from its default: flags on, other items, texts filled, VBR and the second tag.
QByteArray changedSettings()
{
    const QHash<QByteArray, QByteArray> special = {
        {"LamePath", "/opt/audio tools/lame"},
        {"InputType", "2"},
        {"OutputType", "3"},
        {"SampleFrequency", "48"},
        {"Presets", "Radio"},
        {"Default", "0"},
        {"CBR", "0"},
        {"ABR", "0"},
        {"VBR", "1"},
        {"VBRMode", "New"},
        {"VBRQuality", "2"},
        {"VBRMinBitrate", "64"},
        {"VBRMaxBitrate", "256"},
        {"NoiseReduction", "2"},
        {"NotUseATH", "0"},
        {"NoFilters", "0"},
        {"ID3Tag1stOnly", "0"},
        {"ID3Tag2ndOnly", "1"},
        {"ID3TagBoth", "0"},
        {"HighPassFilter", "5"},
    };
    QByteArray text = "[Fenwave Sets]\n";
    int n = 0;
    for (const SettingKey &key : settingsKeys()) {
        QByteArray value = special.value(key.key);
        if (value.isEmpty())
            value = isText(key) ? "text " + QByteArray::number(++n) : QByteArray("1");
        text += QByteArray(key.key) + '=' + value + '\n';
    }
    return text;
}

Q_NEVER_INLINE void restoreOnce(const QString &path)
{
    g_form->restoreSettings(path);
}

void BM_RestoreSettings(benchmark::State &state)
{
    const QString start = settingsFile(QStringLiteral("start settings.ini"), startSettings());
    const QString changed = settingsFile(QStringLiteral("changed settings.ini"), changedSettings());
    const auto *line = g_form->named<QPlainTextEdit>(QStringLiteral("edtCommandLine"));
    restoreOnce(start);
    const QString startLine = line->toPlainText();
    restoreOnce(changed);
    if (line->toPlainText() == startLine)
        state.SkipWithError("the two settings files give the same command line");
    bool useChanged = false;
    CommandLineChanges changes;
    for (auto _ : state) {
        restoreOnce(useChanged ? changed : start);
        useChanged = !useChanged;
    }
    state.counters["lineChanges"] = changes.perIteration(state);
}

// ---- Long values ----

// A settings file that gives "Comment" a value of `length` letters without a blank.
QString longValueFile(qsizetype length)
{
    const QString name = QStringLiteral("long %1.ini").arg(length);
    if (!QFile::exists(g_dir->filePath(name)))
        return settingsFile(name, "[Fenwave Sets]\nCBR=1\nComment=" + QByteArray(length, 'c') + "\nLowPassCut=15\n");
    return g_dir->filePath(name);
}

// From the start settings to a file with one long value and back: the long value is refused
// above the longest argument, else laid out in the command-line box.
void BM_RestoreLongValue(benchmark::State &state)
{
    const QString start = settingsFile(QStringLiteral("start settings.ini"), startSettings());
    const QString longer = longValueFile(state.range(0));
    for (auto _ : state) {
        restoreOnce(longer);
        QCoreApplication::processEvents();
        state.PauseTiming();
        restoreOnce(start);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

// A keystroke in edtSongName and its repaint with the longest value a restore takes in the line.
void BM_KeystrokeAfterLongValue(benchmark::State &state)
{
    restoreOnce(longValueFile(state.range(0)));
    typeWithPaint(state, songNameReadyForTyping());
    restoreOnce(settingsFile(QStringLiteral("start settings.ini"), startSettings()));
}

// A keystroke at the end of the command-line box itself holding that line.
void BM_KeystrokeInLongLine(benchmark::State &state)
{
    restoreOnce(longValueFile(state.range(0)));
    auto *box = g_form->named<QPlainTextEdit>(QStringLiteral("edtCommandLine"));
    g_form->named<QAbstractButton>(QStringLiteral("flgReadOnly"))->setChecked(false);
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    bool typeLetter = true;
    for (auto _ : state) {
        if (typeLetter)
            sendKeystroke(box, Qt::Key_A, QStringLiteral("a"));
        else
            sendKeystroke(box, Qt::Key_Backspace, QString());
        QCoreApplication::processEvents();
        typeLetter = !typeLetter;
    }
    g_form->named<QAbstractButton>(QStringLiteral("flgReadOnly"))->setChecked(true);
    restoreOnce(settingsFile(QStringLiteral("start settings.ini"), startSettings()));
}

// ---- The largest file the reader takes ----

// Just under the reader's size cap: tiny sections "[x]" with one key each, the settings
// section at the end.
QString tinySectionsFile()
{
    const QString name = QStringLiteral("tiny sections.ini");
    if (QFile::exists(g_dir->filePath(name)))
        return g_dir->filePath(name);
    QByteArray tail = startSettings();
    const QByteArray piece = "[x]\nk=v\n";
    const qsizetype count = (IniDocument::kMaxFileSize - 1 - tail.size()) / piece.size();
    return settingsFile(name, piece.repeated(count) + tail);
}

void BM_RestoreTinySections(benchmark::State &state)
{
    const QString path = tinySectionsFile();
    for (auto _ : state)
        restoreOnce(path);
}

// Saving over that file reads it whole, then writes it back with the 60 keys replaced.
void BM_SaveOverTinySections(benchmark::State &state)
{
    const QString path = tinySectionsFile();
    for (auto _ : state) {
        if (!g_form->saveSettings(path))
            state.SkipWithError("the save failed");
    }
}

// ---- The reader alone ----

// A settings-like file of `megabytes` MB: sections of 60 keys with values of varied length.
QByteArray bigIniFile(int megabytes)
{
    const qsizetype target = qsizetype(megabytes) * 1024 * 1024;
    QByteArray text;
    text.reserve(target + 4096);
    int section = 0;
    while (text.size() < target) {
        text += "[Section " + QByteArray::number(section++) + "]\r\n";
        int k = 0;
        for (const SettingKey &key : settingsKeys()) {
            text += QByteArray(key.key) + '=' + QByteArray("value ").repeated(1 + k % 5) + QByteArray::number(section)
                    + "\r\n";
            ++k;
        }
        text += "; comment line\r\n\r\n";
    }
    return text;
}

Q_NEVER_INLINE std::optional<QString> readIniOnce(const QString &path)
{
    const IniDocument doc = IniDocument::load(path);
    return doc.value(u"Section 1", u"LamePath");
}

void BM_IniReader(benchmark::State &state)
{
    const int megabytes = int(state.range(0));
    const QByteArray content = bigIniFile(megabytes);
    const QString path = settingsFile(QStringLiteral("big %1.ini").arg(megabytes), content);
    if (!readIniOnce(path))
        state.SkipWithError("the big file did not read");
    for (auto _ : state)
        benchmark::DoNotOptimize(readIniOnce(path));
    state.SetBytesProcessed(state.iterations() * content.size());
    state.SetComplexityN(content.size());
}

void registerAll()
{
    const int iterations = fixedIterations();
    auto fix = [iterations](benchmark::internal::Benchmark *b) {
        if (iterations)
            b->Iterations(iterations);
        return b;
    };
    fix(benchmark::RegisterBenchmark("BM_KeystrokeSongName", BM_KeystrokeSongName))->Unit(benchmark::kMicrosecond);
    fix(benchmark::RegisterBenchmark("BM_KeystrokeSongNameWithPaint", BM_KeystrokeSongNameWithPaint))
        ->Unit(benchmark::kMicrosecond);
    fix(benchmark::RegisterBenchmark("BM_RestoreSettings", BM_RestoreSettings))->Unit(benchmark::kMicrosecond);
    const std::pair<const char *, void (*)(benchmark::State &)> longValues[] = {
        {"BM_RestoreLongValue", BM_RestoreLongValue},
        {"BM_KeystrokeAfterLongValue", BM_KeystrokeAfterLongValue},
        {"BM_KeystrokeInLongLine", BM_KeystrokeInLongLine},
    };
    for (const auto &[name, function] : longValues)
        fix(benchmark::RegisterBenchmark(name, function))
            ->Arg(100000)
            ->Arg(131071)
            ->Arg(1000000)
            ->Unit(benchmark::kMillisecond);
    fix(benchmark::RegisterBenchmark("BM_RestoreTinySections", BM_RestoreTinySections))->Unit(benchmark::kMillisecond);
    fix(benchmark::RegisterBenchmark("BM_SaveOverTinySections", BM_SaveOverTinySections))
        ->Unit(benchmark::kMillisecond);
    fix(benchmark::RegisterBenchmark("BM_IniReader", BM_IniReader))
        ->Arg(1)
        ->Arg(4)
        ->Arg(10)
        ->Unit(benchmark::kMillisecond)
        ->Complexity(benchmark::oN);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window reads the per-user store when built and writes it when destroyed.
    QStandardPaths::setTestModeEnabled(true);

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    g_dir = &dir;
    auto form = std::make_unique<TForm1>();
    form->show();
    QCoreApplication::processEvents();
    g_form = form.get();

    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_form = nullptr;
    return 0;
}
