// Files reaching the window from outside its dialogs: drags dropped onto the shown window, the
// file named on the command line, and the executable's answers that need no display, the shell
// command --encode among them.
#include "FormDriver.h"

#include "TestFiles.h"
#include "ProgramIdentity.h"
#include "batch/BatchRunner.h"
#include "batch/ShellQuoting.h"
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"
#include "settings/UserStore.h"
#include "app/StartupOptions.h"

#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <QWindow>

#include <QScopeGuard>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>

using testing::FormDriver;
using testing::ModalAnswer;
using testing::Window;
using namespace fenwave;

namespace {

// A settings file whose values differ from every start value.
// A restore recomposes only through the handlers it runs: ForceInput changes a box.
const QByteArray kSettingsBytes = "[Fenwave Sets]\nLamePath=/opt/encoder/lame\nCBRValue=256\nCBR=1\nForceInput=1\n";

enum class Payload {
    Audio,
    Settings,
    SettingsThenAudio,
    Folder,
    WebAddress,
    HostFile,
    PlainText,
    FileAsTextOnly,
    NotUtf8Name,  // a file whose name holds bytes that are not UTF-8, as a file manager sends it
    HugeSettings, // the settings section on top of a file over the 16 MiB a settings file may have
};

// The settings files the program reads are at most 16 MiB.
constexpr qint64 kSettingsSizeCap = 16 * 1024 * 1024;

// Answers every message box with OK and keeps what it said.
ModalAnswer boxesAnsweredWithOk()
{
    return ModalAnswer([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
}

// Where on the window a drag ends: a page's empty spot or a named control.
struct Spot {
    QWidget *widget;
    QPoint local;
};

// A point of `page` with no control under it.
std::optional<QPoint> emptySpotOf(QWidget *page)
{
    for (int y = page->height() - 4; y > 4; y -= 3) {
        for (int x = page->width() - 4; x > 4; x -= 3) {
            if (!page->childAt(x, y))
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

struct DragOutcome {
    bool entered = false; // the pointer shows the drop would be taken
    bool dropped = false;
};

// Delivers a drag to the window's QWindow, which finds the widget under the pointer as for a
// real drag; ends with a drop when the drag was taken, else the drag leaves.
DragOutcome dragAndDrop(TForm1 &form, const Spot &spot, const QMimeData *data)
{
    QWindow *window = form.windowHandle();
    const QPoint at = spot.widget->mapTo(&form, spot.local);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    DragOutcome outcome;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    outcome.entered = enter.isAccepted() && move.isAccepted() && move.dropAction() != Qt::IgnoreAction;
    if (!outcome.entered) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return outcome;
    }
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    outcome.dropped = drop.isAccepted();
    return outcome;
}

// A stand-in encoder: copies its input (the last argument but one) to its output (the last).
// An input named "fail" makes it fail; one named "slow" makes it write a bit and wait.
const QByteArray kStandInEncoder = "#!/bin/sh\n"
                                   "for output; do :; done\n"
                                   "eval \"input=\\${$(($# - 1))}\"\n"
                                   "case \"$input\" in\n"
                                   "*fail*) echo \"cannot encode $input\"; exit 3 ;;\n"
                                   "*slow*) echo partial >\"$output\"; exec /bin/sleep 30 ;;\n"
                                   "esac\n"
                                   "exec /bin/cp \"$input\" \"$output\"\n";

// Every file and folder below `root`, hidden ones included, relative to it.
QStringList everythingBelow(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

// The first file whose name begins with `prefix` in `folder`, hidden ones included.
bool appears(const QString &folder, const QString &prefix)
{
    return !QDir(folder).entryList({prefix + u'*'}, QDir::Files | QDir::Hidden).isEmpty();
}

} // namespace

class TestFileOpening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drops_data();
    void drops();
    void startupFile_data();
    void startupFile();
    void severalItems_data();
    void severalItems();
    void parse_data();
    void parse();
    void executableWithoutDisplay_data();
    void executableWithoutDisplay();
    void encodeFromShell_data();
    void encodeFromShell();
    void shellReportLanguage_data();
    void shellReportLanguage();

private:
    QString file(const QString &name) const { return m_root.filePath(name); }

    QTemporaryDir m_root;
    QString m_audio;
    QString m_settings;
    QString m_folder;
    QString m_hugeSettings;
    QByteArray m_notUtf8Bytes; // the name as the file system holds it
    QString m_notUtf8;         // the name as it reads once decoded
};

void TestFileOpening::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(m_root.isValid());
    m_audio = file(QString::fromUtf8("Запись 1; \"live\" $(rm -rf x).wav"));
    m_settings = file(QStringLiteral("my sets"));
    m_folder = file(QStringLiteral("album.wav"));
    QVERIFY(testing::writeAll(m_audio, testing::silentWave()));
    QVERIFY(testing::writeAll(m_settings, kSettingsBytes));
    QVERIFY(QDir().mkdir(m_folder));
    m_hugeSettings = file(QStringLiteral("huge sets"));
    QFile huge(m_hugeSettings);
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write(kSettingsBytes) == kSettingsBytes.size());
    QVERIFY(huge.resize(kSettingsSizeCap + 1)); // sparse: only the size counts
    huge.close();
    m_notUtf8Bytes = QFile::encodeName(m_root.path()) + "/\xFF\xFE.wav";
    m_notUtf8 = file(QString::fromUtf8("\xEF\xBF\xBD\xEF\xBF\xBD.wav"));
    QVERIFY(testing::writeAll(QFile::decodeName(m_notUtf8Bytes), testing::silentWave()));

    // Several files and a folder of an album.
    QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("disc/sub")));
    QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("disc/.hidden")));
    for (const char *name : {"a.wav", "b.wav", "disc/track 10.wav", "disc/track 2.WAV", "disc/sub/track 1.wav",
                             "disc/.hidden.wav", "disc/.hidden/x.wav", "disc/notes.txt"})
        QVERIFY(testing::writeAll(file(QString::fromUtf8(name)), testing::silentWave()));
    // A folder takes every kind of sound, by content: a picture named as sound is no input.
    QVERIFY(testing::writeAll(file(QStringLiteral("disc/cover.mp3")),
                              QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)));
    QVERIFY(testing::writeAll(file(QStringLiteral("other sets")), kSettingsBytes));
    QVERIFY(testing::writeAll(file(QStringLiteral("sets.wav")), kSettingsBytes));
}

// clang-format off
void TestFileOpening::drops_data()
{
    QTest::addColumn<QString>("target");   // a control, or "page N" for an empty spot of page N
    QTest::addColumn<Payload>("payload");
    QTest::addColumn<bool>("russian");
    QTest::addColumn<bool>("entered");     // the pointer shows acceptance
    QTest::addColumn<QString>("input");    // expected edtInput; "<audio>" for the audio file
    QTest::addColumn<QString>("output");   // expected edtOutput
    QTest::addColumn<bool>("restored");

    const QString audio = QStringLiteral("<audio>");
    const QString proposed = QStringLiteral("<proposed>");
    const QString none;
    for (int page = 0; page < 5; ++page) {
        const QString where = QStringLiteral("page %1").arg(page);
        QTest::addRow("audio on %s", qPrintable(where)) << where << Payload::Audio << false << true << audio << proposed << false;
    }
    QTest::newRow("settings on page 2") << "page 2" << Payload::Settings << false << true << none << none << true;
    QTest::newRow("settings on page 0, Russian") << "page 0" << Payload::Settings << true << true << none << none << true;
    QTest::newRow("audio on edtInput") << "edtInput" << Payload::Audio << false << true << audio << proposed << false;
    QTest::newRow("audio on a combo box's edit") << "cbxSampleFreq" << Payload::Audio << false << true << audio << proposed << false;
    QTest::newRow("audio on the command-line box") << "edtCommandLine" << Payload::Audio << false << true << audio << proposed << false;
    QTest::newRow("settings on edtInput") << "edtInput" << Payload::Settings << false << true << none << none << true;
    QTest::newRow("audio on edtOutput") << "edtOutput" << Payload::Audio << false << true << none << audio << false;
    QTest::newRow("settings on edtOutput: no sniffing")
        << "edtOutput" << Payload::Settings << false << true << none << QStringLiteral("<settings>") << false;
    QTest::newRow("settings and audio: restored, then the audio opened")
        << "page 1" << Payload::SettingsThenAudio << false << true << audio << proposed << true;
    QTest::newRow("folder on edtOutput") << "edtOutput" << Payload::Folder << false << true << none << none << false;
    QTest::newRow("folder on edtOutput, Russian") << "edtOutput" << Payload::Folder << true << true << none << none << false;
    QTest::newRow("name not UTF-8") << "page 0" << Payload::NotUtf8Name << false << true << none << none << false;
    QTest::newRow("name not UTF-8 on edtOutput") << "edtOutput" << Payload::NotUtf8Name << false << true << none << none << false;
    QTest::newRow("settings file over the size cap") << "page 4" << Payload::HugeSettings << false << true << none << none << false;
    QTest::newRow("settings file over the size cap, Russian") << "edtInput" << Payload::HugeSettings << true << true << none << none << false;
    QTest::newRow("web address on a page") << "page 0" << Payload::WebAddress << false << false << none << none << false;
    QTest::newRow("web address on edtInput") << "edtInput" << Payload::WebAddress << false << false << none << none << false;
    QTest::newRow("file of another host") << "edtInput" << Payload::HostFile << false << false << none << none << false;
    QTest::newRow("plain text on edtInput") << "edtInput" << Payload::PlainText << false << true
                                            << QStringLiteral("some words") << none << false;
    QTest::newRow("plain text on edtOutput") << "edtOutput" << Payload::PlainText << false << true
                                             << none << QStringLiteral("some words") << false;
    QTest::newRow("plain text on a page") << "page 3" << Payload::PlainText << false << false << none << none << false;
    QTest::newRow("file address as text only goes in as text")
        << "edtInput" << Payload::FileAsTextOnly << false << true << QStringLiteral("file:///tmp/a.wav") << none << false;
}
// clang-format on

void TestFileOpening::drops()
{
    QFETCH(QString, target);
    QFETCH(Payload, payload);
    QFETCH(bool, russian);
    QFETCH(bool, entered);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, restored);

    const QString proposedOutput = m_audio.left(m_audio.indexOf(u'.') + 1) + QStringLiteral("mp3");
    auto expand = [&](const QString &text) {
        if (text == QLatin1String("<audio>"))
            return m_audio;
        if (text == QLatin1String("<settings>"))
            return m_settings;
        if (text == QLatin1String("<proposed>"))
            return proposedOutput;
        return text;
    };

    Window w;
    TForm1 &form = w.form;
    if (russian)
        form.named<QAction>("mnuRussian")->trigger();
    form.LamePath = QStringLiteral("/usr/bin/lame");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *pages = w.d.w<QTabWidget>("pgOptions");
    QCOMPARE(pages->count(), 5);

    Spot spot{};
    if (target.startsWith(QLatin1String("page "))) {
        pages->setCurrentIndex(target.mid(5).toInt());
        QWidget *page = pages->currentWidget();
        const std::optional<QPoint> empty = emptySpotOf(page);
        QVERIFY(empty);
        spot = {page, *empty};
    } else {
        QWidget *control = w.d.w(target);
        w.d.showPageOf(control);
        if (auto *combo = qobject_cast<QComboBox *>(control))
            control = combo->lineEdit();
        if (auto *box = qobject_cast<QPlainTextEdit *>(control))
            control = box->viewport();
        QVERIFY(control && control->isVisible());
        spot = {control, control->rect().center()};
    }

    QMimeData data;
    switch (payload) {
    case Payload::Audio:
        data.setUrls({QUrl::fromLocalFile(m_audio)});
        data.setText(QUrl::fromLocalFile(m_audio).toString());
        break;
    case Payload::Settings: data.setUrls({QUrl::fromLocalFile(m_settings)}); break;
    case Payload::SettingsThenAudio:
        data.setUrls({QUrl::fromLocalFile(m_settings), QUrl::fromLocalFile(m_audio)});
        break;
    case Payload::Folder: data.setUrls({QUrl::fromLocalFile(m_folder)}); break;
    case Payload::WebAddress:
        data.setUrls({QUrl(QStringLiteral("https://example.org/song.wav"))});
        data.setText(QStringLiteral("https://example.org/song.wav"));
        break;
    case Payload::HostFile: data.setUrls({QUrl(QStringLiteral("file://fileserver/music/song.wav"))}); break;
    case Payload::PlainText: data.setText(QStringLiteral("some words")); break;
    case Payload::FileAsTextOnly: data.setText(QStringLiteral("file:///tmp/a.wav")); break;
    case Payload::NotUtf8Name:
        data.setUrls({QUrl::fromEncoded("file://" + m_notUtf8Bytes.toPercentEncoding("/"))});
        break;
    case Payload::HugeSettings: data.setUrls({QUrl::fromLocalFile(m_hugeSettings)}); break;
    }

    // A refused file is said in the window, in its language.
    QString refusal;
    switch (payload) {
    case Payload::Folder: // only the output field refuses a folder; elsewhere it makes a batch
        refusal = russian ? m_folder + QString::fromUtf8(" — это папка; ничего не открыто.")
                          : m_folder + QStringLiteral(" is a folder; nothing was opened.");
        break;
    case Payload::NotUtf8Name:
        refusal = QStringLiteral("The name %1 cannot be used: it is not valid UTF-8.").arg(m_notUtf8);
        break;
    case Payload::HugeSettings:
        refusal = russian ? QString::fromUtf8("Файл %1 слишком велик для файла настроек.").arg(m_hugeSettings)
                          : QStringLiteral("The file %1 is too large to be a settings file.").arg(m_hugeSettings);
        break;
    default: break;
    }

    const QString lineBefore = w.d.line();
    ModalAnswer boxes = boxesAnsweredWithOk();
    const DragOutcome outcome = dragAndDrop(form, spot, &data);
    QCOMPARE(outcome.entered, entered);
    const bool taken = entered && refusal.isEmpty();
    QCOMPARE(outcome.dropped, taken);
    QCOMPARE(boxes.count, refusal.isEmpty() ? 0 : 1);
    if (!refusal.isEmpty()) {
        QCOMPARE(boxes.boxes.constFirst().title, QStringLiteral("Fenwave"));
        QCOMPARE(boxes.boxes.constFirst().text, refusal);
    }

    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), expand(input));
    QCOMPARE(w.d.w<QLineEdit>("edtOutput")->text(), expand(output));
    QCOMPARE(form.LamePath, restored ? QStringLiteral("/opt/encoder/lame") : QStringLiteral("/usr/bin/lame"));
    QCOMPARE(w.d.w<QComboBox>("cbxCBR")->currentText(), restored ? QStringLiteral("256") : QStringLiteral("128"));

    // The line names what the fields now hold; a refused drag leaves it alone.
    if (!taken) {
        QCOMPARE(w.d.line(), lineBefore);
    } else {
        QVERIFY2(w.d.line().contains(form.LamePath), qPrintable(w.d.line()));
        if (!input.isEmpty())
            QVERIFY2(w.d.line().contains(expand(input)), qPrintable(w.d.line()));
        if (!output.isEmpty())
            QVERIFY2(w.d.line().contains(expand(output)), qPrintable(w.d.line()));
    }
    // A file taken is the name its dialog offers next time.
    if (taken && payload != Payload::PlainText && payload != Payload::FileAsTextOnly) {
        const bool asOutput = target == QLatin1String("edtOutput");
        const QString expectedName
            = payload == Payload::Audio || payload == Payload::SettingsThenAudio ? m_audio : m_settings;
        QFileDialog *dialog = asOutput ? form.dlgSave() : form.dlgOpen();
        QCOMPARE(dialog->property("fileName").toString(), expectedName);
    }
}

// clang-format off
void TestFileOpening::startupFile_data()
{
    QTest::addColumn<QStringList>("files");      // relative to the test folder unless absolute
    QTest::addColumn<QString>("input");          // expected edtInput, relative to the test folder
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QStringList>("errorWords"); // what the one line on standard error names
    QTest::addColumn<QString>("refusal");        // said in a message box and on standard error

    const QString audio = QString::fromUtf8("Запись 1; \"live\" $(rm -rf x).wav");
    const QString none;
    QTest::newRow("none") << QStringList() << QString() << false << QStringList() << none;
    QTest::newRow("relative audio name, odd characters") << QStringList{audio} << audio << false << QStringList() << none;
    QTest::newRow("name that does not exist") << QStringList{QStringLiteral("new take.wav")}
                                              << QStringLiteral("new take.wav") << false << QStringList() << none;
    QTest::newRow("settings file") << QStringList{QStringLiteral("my sets")} << QString() << true << QStringList() << none;
    QTest::newRow("audio and settings file: restored, then the audio opened")
        << QStringList{audio, QStringLiteral("my sets")} << audio << true << QStringList() << none;
    QTest::newRow("name not UTF-8, as the command line decodes it")
        << QStringList{QString::fromLocal8Bit("\xFF\xFE.wav")} << QString() << false << QStringList()
        << QString::fromUtf8("The name <root>/\xEF\xBF\xBD\xEF\xBF\xBD.wav cannot be used: it is not valid UTF-8.");
    QTest::newRow("settings file over the size cap") << QStringList{QStringLiteral("huge sets")} << QString() << false
                                                     << QStringList()
                                                     << QStringLiteral("The file <root>/huge sets is too large to be a settings file.");
}
// clang-format on

void TestFileOpening::startupFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, input);
    QFETCH(bool, restored);
    QFETCH(QStringList, errorWords);
    QFETCH(QString, refusal);
    refusal.replace(QLatin1String("<root>"), m_root.path());

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root.path()));
    Window w;
    w.form.LamePath = QStringLiteral("/usr/bin/lame");
    StartupRequest request;
    request.files = files;
    const QString cbrBefore = w.d.w<QComboBox>("cbxCBR")->currentText();
    QString errors;
    QTextStream err(&errors);
    ModalAnswer boxes = boxesAnsweredWithOk();
    if (const QStringList files = startupFilesToOpen(request, err); !files.isEmpty())
        w.form.openFiles(files, &err);
    QVERIFY(QDir::setCurrent(previous));

    const QString expectedInput = input.isEmpty() ? QString() : file(input);
    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), expectedInput);
    QCOMPARE(w.form.LamePath, restored ? QStringLiteral("/opt/encoder/lame") : QStringLiteral("/usr/bin/lame"));
    if (!restored)
        QCOMPARE(w.d.w<QComboBox>("cbxCBR")->currentText(), cbrBefore);
    if (errorWords.isEmpty() && refusal.isEmpty()) {
        QCOMPARE(errors, QString());
    } else {
        QCOMPARE(errors.count(u'\n'), 1);
        QVERIFY(errors.endsWith(u'\n'));
        for (const QString &word : errorWords)
            QVERIFY2(errors.contains(word), qPrintable(errors));
    }
    // A refusal is seen by a user who started the program from a file manager as well.
    QCOMPARE(boxes.count, refusal.isEmpty() ? 0 : 1);
    if (!refusal.isEmpty()) {
        QCOMPARE(errors, QStringLiteral("fenwave: ") + refusal + u'\n');
        QCOMPARE(boxes.boxes.constFirst().text, refusal);
        QCOMPARE(boxes.boxes.constFirst().icon, QMessageBox::Critical);
    }
}

// clang-format off
void TestFileOpening::severalItems_data()
{
    QTest::addColumn<bool>("dropped");       // else given on the command line
    QTest::addColumn<QStringList>("items");  // relative to the test folder
    QTest::addColumn<QString>("input");      // expected edtInput, relative to the test folder
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QStringList>("rows");   // the files of the batch window; none: no window
    QTest::addColumn<QString>("ignored");    // the settings file named as ignored

    // The picture named as sound is listed, to be skipped with the reason.
    const QStringList disc{"disc/cover.mp3", "disc/sub/track 1.wav", "disc/track 2.WAV", "disc/track 10.wav"};
    const QStringList ab{"a.wav", "b.wav"};
    for (bool dropped : {true, false}) {
        const char *how = dropped ? "dropped" : "given";
        QTest::addRow("two files %s", how) << dropped << ab << QString() << false << ab << QString();
        QTest::addRow("folder %s: audio files inside, natural order", how)
            << dropped << QStringList{"disc"} << QString() << false << disc << QString();
        QTest::addRow("settings among files %s: restored first", how)
            << dropped << QStringList{"a.wav", "my sets", "disc"} << QString() << true << QStringList{"a.wav"} + disc
            << QString();
    }
    QTest::newRow("settings and one audio file: restored, then the single-file path")
        << true << QStringList{"my sets", "a.wav"} << "a.wav" << true << QStringList() << QString();
    QTest::newRow("second settings file named as ignored")
        << false << QStringList{"my sets", "a.wav", "other sets", "b.wav"} << QString() << true << ab << "other sets";
    QTest::newRow("audio extension: never read as settings")
        << true << QStringList{"sets.wav", "b.wav"} << QString() << false << QStringList{"sets.wav", "b.wav"} << QString();
}
// clang-format on

void TestFileOpening::severalItems()
{
    QFETCH(bool, dropped);
    QFETCH(QStringList, items);
    QFETCH(QString, input);
    QFETCH(bool, restored);
    QFETCH(QStringList, rows);
    QFETCH(QString, ignored);

    Window w;
    TForm1 &form = w.form;
    form.LamePath = QStringLiteral("/usr/bin/lame");
    QString errors;
    QTextStream err(&errors);
    ModalAnswer boxes = boxesAnsweredWithOk();
    if (dropped) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &item : items)
            urls << QUrl::fromLocalFile(file(item));
        data.setUrls(urls);
        auto *page = w.d.w<QTabWidget>("pgOptions")->currentWidget();
        const DragOutcome outcome = dragAndDrop(form, {page, *emptySpotOf(page)}, &data);
        QVERIFY(outcome.dropped);
    } else {
        StartupRequest request;
        for (const QString &item : items)
            request.files << file(item);
        form.openFiles(startupFilesToOpen(request, err), &err);
    }

    QCOMPARE(w.d.w<QLineEdit>("edtInput")->text(), input.isEmpty() ? QString() : file(input));
    QCOMPARE(form.LamePath, restored ? QStringLiteral("/opt/encoder/lame") : QStringLiteral("/usr/bin/lame"));
    QCOMPARE(boxes.count, ignored.isEmpty() ? 0 : 1);
    if (!ignored.isEmpty()) {
        QVERIFY2(boxes.text.contains(file(ignored)), qPrintable(boxes.text));
        QVERIFY2(errors.contains(file(ignored)), qPrintable(errors));
    }
    const QList<fenwave::BatchWindow *> batches = form.batchWindows();
    QCOMPARE(batches.size(), rows.isEmpty() ? 0 : 1);
    if (rows.isEmpty())
        return;
    // A folder is read off the window's thread.
    QTRY_VERIFY(!batches.constFirst()->isPlanning());
    QStringList listed;
    for (int row = 0; row < batches.constFirst()->model()->rowCount(); ++row)
        listed << batches.constFirst()
                      ->model()
                      ->index(row, fenwave::BatchJobModel::FileColumn)
                      .data(Qt::AccessibleTextRole)
                      .toString();
    for (QString &row : rows)
        row = file(row);
    QCOMPARE(listed, rows);
    QVERIFY(batches.constFirst()->isVisible());
}

// clang-format off
void TestFileOpening::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StartupRequest::Action>("action");
    QTest::addColumn<QStringList>("files");

    using A = StartupRequest::Action;
    const QString p = QStringLiteral("fenwave");
    QTest::newRow("nothing") << QStringList{p} << A::Start << QStringList();
    QTest::newRow("window system options are not files")
        << QStringList{p, "-platform", "offscreen", "a.wav", "-style=fusion", "-reverse"} << A::Start
        << QStringList{"a.wav"};
    QTest::newRow("several files") << QStringList{p, "a b.wav", "c;d"} << A::Start << QStringList{"a b.wav", "c;d"};
    QTest::newRow("a file named like an option after --") << QStringList{p, "--", "-v"} << A::Start << QStringList{"-v"};
    QTest::newRow("-h") << QStringList{p, "-h"} << A::Help << QStringList();
    QTest::newRow("-v with a file") << QStringList{p, "x.wav", "-v"} << A::Version << QStringList{"x.wav"};
    QTest::newRow("unknown long option") << QStringList{p, "--frobnicate"} << A::UsageError << QStringList();
    QTest::newRow("unknown short option") << QStringList{p, "-q", "a.wav"} << A::UsageError << QStringList();
    QTest::newRow("window option without its value") << QStringList{p, "-platform"} << A::UsageError << QStringList();
    QTest::newRow("--page-tags replace") << QStringList{p, "--encode", "--page-tags", "replace", "a.wav"} << A::Encode
                                         << QStringList{"a.wav"};
    QTest::newRow("--page-tags=fill") << QStringList{p, "--encode", "--page-tags=fill", "a.wav"} << A::Encode
                                      << QStringList{"a.wav"};
}
// clang-format on

void TestFileOpening::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(StartupRequest::Action, action);
    QFETCH(QStringList, files);

    const StartupRequest request = parseStartupArguments(arguments);
    QCOMPARE(request.action, action);
    if (action == StartupRequest::Action::Encode)
        QCOMPARE(request.encode.pageTags, arguments.contains("replace") ? PageTags::Replace : PageTags::Fill);
    if (action != StartupRequest::Action::UsageError)
        QCOMPARE(request.files, files);
    else
        QVERIFY(!request.error.isEmpty());
}

// clang-format off
void TestFileOpening::executableWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");   // standard output starts with this
    QTest::addColumn<QString>("err");   // standard error starts with this
    QTest::addColumn<QStringList>("environment"); // all the program gets

    const QStringList nothing;
    const QString version = QStringLiteral("Fenwave ") + QString::fromLatin1(kProgramVersion) + u'\n';
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << QString() << nothing;
    QTest::newRow("--help") << QStringList{"--help"} << 0 << QStringLiteral("Usage: fenwave [options] [FILE]\n") << QString()
                            << nothing;
    QTest::newRow("window system option passed by") << QStringList{"-platform", "xcb", "-v"} << 0
                                                    << version << QString() << nothing;
    QTest::newRow("unknown option") << QStringList{"--frobnicate", "a.wav"} << 2 << QString()
                                    << QStringLiteral("fenwave: Unknown option '--frobnicate'.\n") << nothing;
    QTest::newRow("file name beginning with a dash")
        << QStringList{"-dash.wav"} << 2 << QString()
        << QStringLiteral("fenwave: Unknown option '-dash.wav'.\n"
                          "A file whose name begins with \"-\" is given after \"--\": fenwave -- -dash.wav\n"
                          "Try 'fenwave --help'.\n")
        << nothing;
    const QString noDisplay = QStringLiteral("fenwave: no display could be opened; --help and --version work without one\n");
    QTest::newRow("no display") << QStringList{"a.wav"} << 1 << QString() << noDisplay
                                << QStringList{"QT_QPA_PLATFORM=xcb"};
    QTest::newRow("display refused") << QStringList() << 1 << QString() << noDisplay
                                     << QStringList{"QT_QPA_PLATFORM=xcb", "DISPLAY=:99"};
}
// clang-format on

void TestFileOpening::executableWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QStringList, environment);

    QProcess process;
    QProcessEnvironment given; // no DISPLAY, no platform, nothing unless the row says so
    for (const QString &variable : environment)
        given.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(given);
    process.start(QStringLiteral(FENWAVE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(60000));
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
    if (status == 1)
        QCOMPARE(stdErr, err); // that one line, nothing of the window system's own
    if (arguments.contains(QLatin1String("--help")))
        QVERIFY2(stdOut.contains(QLatin1String("--version")) && stdOut.contains(QLatin1String("FILE")),
                 qPrintable(stdOut));
}

// clang-format off
void TestFileOpening::encodeFromShell_data()
{
    QTest::addColumn<QStringList>("arguments"); // %W: the work folder, which is the current one; a
                                                // shell's printf %b reads them (\0377: that byte);
                                                // leading "2>&-" and the like close that stream
    QTest::addColumn<QString>("path");          // the PATH the program gets
    QTest::addColumn<QString>("stored");        // the encoder path in the per-user store, if any
    QTest::addColumn<int>("signal");            // sent once the encoder has started, if not 0
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");           // standard output, exactly
    QTest::addColumn<QString>("err");           // standard error contains this
    QTest::addColumn<QStringList>("outputs");   // the only files added below the work folder

    const QString bin = QStringLiteral("%W/bin");
    const QString none = QStringLiteral("%W/none");
    const QStringList no;
    const QString q = QString::fromUtf8("in/it's \"q\"");
    const QString cyr = QString::fromUtf8("in/Трек 1");
    const QStringList three{"in/a b.wav", q + ".wav", cyr + ".wav"};
    const QString lines = QString::fromUtf8(
        "%W/bin/lame -m j -b 128 '%W/in/a b.wav' '%W/in/a b.mp3'\n"
        "%W/bin/lame -m j -b 128 '%W/in/it'\\''s \"q\".wav' '%W/in/it'\\''s \"q\".mp3'\n"
        "%W/bin/lame -m j -b 128 '%W/in/Трек 1.wav' '%W/in/Трек 1.mp3'\n");

    QTest::newRow("dry run: blanks, quotes, Cyrillic")
        << QStringList{"--encode", "--dry-run"} + three << bin << QString() << 0 << 0 << lines << QString() << no;
    QTest::newRow("dry run: a folder mirrored below the output folder")
        << QStringList{"--encode", "--dry-run", "--output-dir", "out", "in"} << bin << QString() << 0 << 0
        << QString::fromUtf8("%W/bin/lame -m j -b 128 '%W/in/a b.wav' '%W/out/in/a b.mp3'\n"
                             "%W/bin/lame -m j -b 128 '%W/in/it'\\''s \"q\".wav' '%W/out/in/it'\\''s \"q\".mp3'\n"
                             "%W/bin/lame -m j -b 128 '%W/in/Трек 1.wav' '%W/out/in/Трек 1.mp3'\n")
        << QString() << no;
    QTest::newRow("dry run: the settings file's encoder before the stored one")
        << QStringList{"--encode", "--dry-run", "--settings", "sets.ini", "in/a b.wav"} << none << "bin/lame" << 0 << 0
        << "bin/other -m j -b 128 '%W/in/a b.wav' '%W/in/a b.mp3'\n" << QString() << no;
    QTest::newRow("dry run: the stored encoder before the PATH")
        << QStringList{"--encode", "--dry-run", "in/a b.wav"} << bin << "bin/other" << 0 << 0
        << "bin/other -m j -b 128 '%W/in/a b.wav' '%W/in/a b.mp3'\n" << QString() << no;
    QTest::newRow("dry run: a name beginning with a dash")
        << QStringList{"--encode", "--dry-run", "--output-dir", "-out", "--", "-dash.wav"} << bin << QString() << 0 << 0
        << "%W/bin/lame -m j -b 128 %W/-dash.wav %W/-out/-dash.mp3\n" << QString() << no;
    QTest::newRow("dry run: a pattern's fields that name nothing are told, escaped")
        << QStringList{"--encode", "--dry-run", "--name-pattern", "{artst}/{title}{x\ty}", "in/a b.wav"} << bin
        << QString() << 0 << 0 << "%W/bin/lame -m j -b 128 '%W/in/a b.wav' '%W/in/{artst}/a b{x\ty}.mp3'\n"
        << "fenwave: --name-pattern: {artst}, {x\\ty} are not fields and stay in the names as written; the fields "
           "are {artist}, {albumartist}, {album}, {year}, {track}, {disc}, {title}, {name}\n" << no;
    QTest::newRow("every file encoded, store not written")
        << QStringList{"--encode", "in"} << bin << QString() << 0 << 0 << QString()
        << "in/a b.wav -> in/a b.mp3: Finished\n" << QStringList{"in/a b.mp3", q + ".mp3", cyr + ".mp3"};
    QTest::newRow("skipped files count as done")
        << QStringList{"--encode", "pair/x.wav", "pair/x.mp3"} << bin << QString() << 0 << 0 << QString()
        << "pair/x.wav -> pair/x.mp3: Skipped, the output is another input\n" << no;
    QTest::newRow("update: an output written after its input is kept")
        << QStringList{"--encode", "--existing", "update", "pair/x.wav", "in/a b.wav"} << bin << QString() << 0 << 0
        << QString() << "pair/x.wav -> pair/x.mp3: Skipped, the output is up to date\n" << QStringList{"in/a b.mp3"};
    // Run again over a folder: the outputs of the first run are found in it, and are no inputs.
    QTest::newRow("run again, update: the earlier output is up to date")
        << QStringList{"--encode", "--existing", "update", "pair"} << bin << QString() << 0 << 0 << QString()
        << "pair/x.wav -> pair/x.mp3: Skipped, the output is up to date\n0 finished, 0 failed, 1 skipped\n" << no;
    QTest::newRow("run again, overwrite: the earlier output is replaced")
        << QStringList{"--encode", "--existing", "overwrite", "pair"} << bin << QString() << 0 << 0 << QString()
        << "pair/x.wav -> pair/x.mp3: Finished\n1 finished, 0 failed, 0 skipped\n" << no;
    QTest::newRow("run again, number: beside the earlier outputs")
        << QStringList{"--encode", "--existing", "number", "pair"} << bin << QString() << 0 << 0 << QString()
        << "pair/x.wav -> pair/x (2).mp3: Finished\n1 finished, 0 failed, 0 skipped\n" << QStringList{"pair/x (2).mp3"};
    QTest::newRow("run again, named by a pattern")
        << QStringList{"--encode", "--existing", "overwrite", "--name-pattern", "mp3/{name}", "again"} << bin << QString()
        << 0 << 0 << QString() << "again/x.wav -> again/mp3/x.mp3: Finished\n1 finished, 0 failed, 0 skipped\n" << no;
    QTest::newRow("a FIFO, a device and a text named as sound: skipped, never read")
        << QStringList{"--encode", "dev/zero.wav", "dev"} << bin << QString() << 0 << 0 << QString()
        << "dev/zero.wav: Skipped, not a regular file\ndev/fifo.wav: Skipped, not a regular file\n"
           "dev/notes.wav: Skipped, not a sound file: text\n0 finished, 0 failed, 3 skipped\n" << no;
    QTest::newRow("one file named several ways: one job")
        << QStringList{"--encode", "in/a b.wav", "./in/a b.wav", "in//a b.wav", "%W/in/a b.wav", "pair/../in/a b.wav",
                       "in/hard.wav", "in"}
        << bin << QString() << 0 << 0 << QString() << "3 finished, 0 failed, 0 skipped\n"
        << QStringList{"in/a b.mp3", q + ".mp3", cyr + ".mp3"};
    QTest::newRow("a missing name is skipped before anything starts")
        << QStringList{"--encode", "in/a b.wav", "nothing.wav"} << bin << QString() << 0 << 0 << QString()
        << "nothing.wav: Skipped, the file does not exist\n" << QStringList{"in/a b.mp3"};
    QTest::newRow("a name not UTF-8 is refused, never read as another file")
        << QStringList{"--encode", "odd/\\0377\\0376.wav"} << bin << QString() << 0 << 0 << QString()
        << "odd/\\377\\376.wav: Skipped, the name cannot be used: it is not valid UTF-8\n0 finished" << no;
    QTest::newRow("a name not UTF-8 in a folder is named as skipped")
        << QStringList{"--encode", "odd"} << bin << QString() << 0 << 0 << QString()
        << "odd/\\377\\376.wav: Skipped, the name cannot be used: it is not valid UTF-8\n"
        << QStringList{"odd/-dash.mp3", "odd/ctl\033[31m\nx.mp3", "odd/\uFFFD\uFFFD.mp3"};
    QTest::newRow("a name beginning with a dash")
        << QStringList{"--encode", "--", "-dash.wav"} << bin << QString() << 0 << 0 << QString()
        << "-dash.wav -> -dash.mp3: Finished\n" << QStringList{"-dash.mp3"};
    QTest::newRow("control characters escaped in the report")
        << QStringList{"--encode", "odd/ctl\\0033[31m\\nx.wav"} << bin << QString() << 0 << 0 << QString()
        << "odd/ctl\\033[31m\\nx.wav -> odd/ctl\\033[31m\\nx.mp3: Finished\n" << QStringList{"odd/ctl\033[31m\nx.mp3"};
    QTest::newRow("one file failed")
        << QStringList{"--encode", "--jobs", "1", "--output-dir", "out", "bad/fail.wav", "in/a b.wav"} << bin
        << QString() << 0 << 1 << QString() << "bad/fail.wav -> out/fail.mp3: Failed, exit status 3: cannot encode "
        << QStringList{"out", "out/a b.mp3"};
    QTest::newRow("interrupted: encoders stopped, nothing left")
        << QStringList{"--encode", "slow/slow.wav"} << bin << QString() << SIGINT << 130 << QString()
        << "slow/slow.wav -> slow/slow.mp3: Stopped\n" << no;
    QTest::newRow("terminated: encoders stopped, nothing left")
        << QStringList{"--encode", "slow/slow.wav"} << bin << QString() << SIGTERM << 128 + SIGTERM << QString()
        << "slow/slow.wav -> slow/slow.mp3: Stopped\n" << no;
    const QString usage = QStringLiteral("\n\nUsage: fenwave");
    QTest::newRow("settings file missing") << QStringList{"--encode", "--settings", "nothing.ini", "in"} << bin
        << QString() << 0 << 2 << QString() << "fenwave: the settings file nothing.ini does not exist\n" << no;
    QTest::newRow("settings file over the cap") << QStringList{"--encode", "--settings", "huge.ini", "in"} << bin
        << QString() << 0 << 2 << QString() << "fenwave: the settings file huge.ini is larger than 16 MiB\n" << no;
    QTest::newRow("settings file without the section")
        << QStringList{"--encode", "--settings", "other.ini", "in"} << bin << QString() << 0 << 2 << QString()
        << "holds no section [Fenwave Sets]\n" << no;
    QTest::newRow("no encoder") << QStringList{"--encode", "in"} << none << QString() << 0 << 2 << QString()
                                << "fenwave: no encoder" << no;
    QTest::newRow("output folder cannot be created")
        << QStringList{"--encode", "--output-dir", "in/a b.wav/out", "in"} << bin << QString() << 0 << 2 << QString()
        << "fenwave: the output folder in/a b.wav/out cannot be created\n" << no;
    QTest::newRow("output folder with a file in its place")
        << QStringList{"--encode", "--output-dir", "in/a b.wav", "in"} << bin << QString() << 0 << 2 << QString()
        << "fenwave: the output folder in/a b.wav cannot be created\n" << no;
    QTest::newRow("a folder below the output folder with a file in its place")
        << QStringList{"--encode", "--jobs", "1", "--output-dir", "slow", "in"} << bin << QString() << 0 << 1 << QString()
        << "in/a b.wav -> slow/in/a b.mp3: Failed, the output could not be created: File exists\n" << no;
    QTest::newRow("output folder whose folder does not exist: nothing made")
        << QStringList{"--encode", "--output-dir", "typo/out", "in"} << bin << QString() << 0 << 2 << QString()
        << "fenwave: the output folder typo/out cannot be created: the folder typo does not exist\n" << no;
    QTest::newRow("dry run: output folder whose folder does not exist")
        << QStringList{"--encode", "--dry-run", "--output-dir", "typo/out", "in"} << bin << QString() << 0 << 2 << QString()
        << "the folder typo does not exist\n" << no;
    QTest::newRow("--jobs 0") << QStringList{"--encode", "--jobs", "0", "in"} << bin << QString() << 0 << 2
                              << QString() << "fenwave: --jobs takes a number from 1 to" << no;
    QTest::newRow("--jobs not a number") << QStringList{"--encode", "--jobs", "two", "in"} << bin << QString() << 0
                                         << 2 << QString() << ", not 'two'.\nTry 'fenwave --help'.\n" << no;
    QTest::newRow("--jobs over twice the cores") << QStringList{"--encode", "--jobs", "100000", "in"} << bin
                                                 << QString() << 0 << 2 << QString() << ", not '100000'." << no;
    QTest::newRow("--existing unknown") << QStringList{"--encode", "--existing", "keep", "in"} << bin << QString()
        << 0 << 2 << QString() << "fenwave: --existing takes skip, overwrite, number or update, not 'keep'." << no;
    const QString most = QString::number(BatchRunner::mostEncodersAtOnce());
    const QString oneMore = QString::number(BatchRunner::mostEncodersAtOnce() + 1);
    QTest::newRow("--jobs at twice the cores") << QStringList{"--encode", "--jobs", most, "in"} << bin << QString()
        << 0 << 0 << QString() << "3 finished, 0 failed, 0 skipped\n" << QStringList{"in/a b.mp3", q + ".mp3", cyr + ".mp3"};
    QTest::newRow("--jobs one over twice the cores") << QStringList{"--encode", "--jobs", oneMore, "in"} << bin
        << QString() << 0 << 2 << QString()
        << QStringLiteral("fenwave: --jobs takes a number from 1 to %1, not '%2'.\nTry 'fenwave --help'.\n").arg(most, oneMore)
        << no;
    QTest::newRow("--page-tags replace") << QStringList{"--encode", "--dry-run", "--page-tags", "replace", "in/a b.wav"}
        << bin << QString() << 0 << 0 << "%W/bin/lame -m j -b 128 '%W/in/a b.wav' '%W/in/a b.mp3'\n" << QString() << no;
    QTest::newRow("--page-tags unknown") << QStringList{"--encode", "--page-tags", "keep", "in"} << bin << QString()
        << 0 << 2 << QString() << "fenwave: --page-tags takes fill or replace, not 'keep'.\nTry 'fenwave --help'.\n"
        << no;
    QTest::newRow("--page-tags without --encode") << QStringList{"--page-tags", "fill", "in"} << bin << QString() << 0
        << 2 << QString() << "fenwave: --page-tags is an option of --encode." << no;
    QTest::newRow("standard error closed: /dev/null in its place") << QStringList{"2>&-", "--encode", "slow/slow.wav"}
        << bin << QString() << SIGINT << 130 << QString() << QString() << no;
    QTest::newRow("--dry-run without --encode") << QStringList{"--dry-run", "in"} << bin << QString() << 0 << 2
                                                << QString() << "fenwave: --dry-run is an option of --encode." << no;
    QTest::newRow("--encode without files") << QStringList{"--encode"} << bin << QString() << 0 << 2 << QString()
                                            << "fenwave: --encode needs at least one FILE or FOLDER." << no;
}
// clang-format on

void TestFileOpening::encodeFromShell()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QFETCH(QString, stored);
    QFETCH(int, signal);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QStringList, outputs);

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString w = work.path();
    QDir dir(w);
    for (const char *folder : {"bin", "in", "bad", "slow", "home", "odd", "pair", "again", "again/mp3", "dev"})
        QVERIFY(dir.mkdir(QString::fromLatin1(folder)));
    QVERIFY(testing::writeExecutable(dir.filePath("bin/lame"), kStandInEncoder));
    QVERIFY(testing::writeExecutable(dir.filePath("bin/other"), kStandInEncoder));
    for (const QString &name :
         {QStringLiteral("in/a b.wav"), QString::fromUtf8("in/it's \"q\".wav"), QString::fromUtf8("in/Трек 1.wav"),
          QStringLiteral("bad/fail.wav"), QStringLiteral("slow/slow.wav"), QStringLiteral("pair/x.wav"),
          QStringLiteral("pair/x.mp3"), QStringLiteral("slow/in"), QStringLiteral("-dash.wav"),
          QStringLiteral("odd/-dash.wav"), QStringLiteral("odd/ctl\033[31m\nx.wav"),
          QStringLiteral("odd/\uFFFD\uFFFD.wav"), QStringLiteral("again/x.wav"), QStringLiteral("again/mp3/x.mp3")})
        QVERIFY(testing::writeAll(dir.filePath(name), testing::silentWave() + name.toUtf8()));
    QVERIFY(testing::writeAll(dir.filePath("dev/notes.wav"), "a text\n"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("dev/fifo.wav")).constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", dir.filePath("dev/zero.wav")));
    QCOMPARE(::link(QFile::encodeName(dir.filePath("in/a b.wav")).constData(),
                    QFile::encodeName(dir.filePath("in/hard.wav")).constData()),
             0);
    // The name that is not UTF-8; Qt's own listing and removal do not see it.
    const QByteArray notUtf8 = QFile::encodeName(w) + "/odd/\xFF\xFE.wav";
    const int fd = ::open(notUtf8.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    const auto removeNotUtf8 = qScopeGuard([&notUtf8] { ::unlink(notUtf8.constData()); });
    QVERIFY(testing::writeAll(dir.filePath("sets.ini"), "[Fenwave Sets]\nLamePath=bin/other\n"));
    QVERIFY(testing::writeAll(dir.filePath("other.ini"), "[Other]\nLamePath=bin/other\n"));
    QFile huge(dir.filePath("huge.ini"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write("[Fenwave Sets]\n") > 0);
    QVERIFY(huge.resize(kSettingsSizeCap + 1));
    huge.close();
    const QString storeFile = w + QStringLiteral("/home/.config/fenwave/user.reg");
    if (!stored.isEmpty()) {
        UserStore store(storeFile);
        QVERIFY(store.open());
        store.setString(QStringLiteral("LamePath"), stored);
        QVERIFY(store.close());
    }
    const QByteArray storeBefore = testing::readAll(storeFile);
    const QStringList before = everythingBelow(w);

    QProcess process;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), w + QStringLiteral("/home"));
    environment.insert(QStringLiteral("PATH"), QString(path).replace(QLatin1String("%W"), w));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(w);
    // Through a shell's printf, which makes bytes that are not UTF-8; "x" keeps a final line break.
    QStringList closed;
    while (!arguments.isEmpty() && arguments.constFirst().endsWith(QLatin1String(">&-")))
        closed << arguments.takeFirst();
    const QString decode = QStringLiteral("p=$1; shift; n=$#; while [ $n -gt 0 ]; do a=$(printf '%bx' \"$1\"); "
                                          "shift; set -- \"$@\" \"${a%x}\"; n=$((n - 1)); done; exec \"$p\" \"$@\" ")
                           + closed.join(u' ');
    QStringList given{QStringLiteral("-c"), decode, QStringLiteral("sh"), QStringLiteral(FENWAVE_EXECUTABLE)};
    for (const QString &argument : arguments)
        given += QString(argument).replace(QLatin1String("%W"), w);
    process.start(QStringLiteral("/bin/sh"), given);
    QVERIFY(process.waitForStarted());
    if (signal != 0) {
        // The encoder has started once its hidden temporary output is there.
        QTRY_VERIFY_WITH_TIMEOUT(appears(dir.filePath("slow"), QStringLiteral(".slow.mp3.fenwave-")), 20000);
        // A stream the program was started without is /dev/null, not the next file it opened.
        for (const QString &redirection : closed) {
            const int stream = redirection.startsWith(u'>') ? 1 : redirection.section(u'>', 0, 0).toInt();
            QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(process.processId()).arg(stream)),
                     QStringLiteral("/dev/null"));
        }
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    }
    QVERIFY(process.waitForFinished(60000));
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == status, qPrintable(stdErr));
    QCOMPARE(stdOut, QString(out).replace(QLatin1String("%W"), w));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QVERIFY2(!stdErr.contains(QLatin1String("Usage:")), qPrintable(stdErr)); // an error is no help

    // Nothing else was written: no temporary file left, no partial output, no per-user store.
    QStringList expected = before + outputs;
    expected.sort();
    QCOMPARE(everythingBelow(w), expected);
    QCOMPARE(testing::readAll(storeFile), storeBefore);
    for (const QString &output : outputs) {
        if (output.endsWith(QLatin1String(".mp3")))
            QVERIFY2(testing::readAll(dir.filePath(output)).startsWith(testing::silentWave()), qPrintable(output));
    }
}

void TestFileOpening::shellReportLanguage_data()
{
    QTest::addColumn<int>("language");     // the stored interface language
    QTest::addColumn<QString>("err");      // standard error, exactly
    QTest::addColumn<QString>("progress"); // the progress line on a terminal holds this

    QTest::newRow("Russian stored: the report in Russian")
        << 1
        << QString::fromUtf8("nothing.wav: Пропущен, файла нет\n"
                             "in/a.wav -> in/a.mp3: Готово\n"
                             "Готово: 1, с ошибкой: 0, пропущено: 1\n")
        << QString::fromUtf8("%] готово файлов: 0 из 1, кодируется: 1, прошло 00:00, осталось ");
    QTest::newRow("a number that names no language: English")
        << 7
        << QStringLiteral("nothing.wav: Skipped, the file does not exist\n"
                          "in/a.wav -> in/a.mp3: Finished\n"
                          "1 finished, 0 failed, 1 skipped\n")
        << QStringLiteral("%] 0 of 1 files done, 1 encoding, elapsed 00:00, remaining ");
}

void TestFileOpening::shellReportLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, err);
    QFETCH(QString, progress);

    QTemporaryDir work;
    QVERIFY(work.isValid());
    QDir dir(work.path());
    QVERIFY(dir.mkdir(QStringLiteral("in")));
    QVERIFY(testing::writeExecutable(dir.filePath("lame"), kStandInEncoder));
    QVERIFY(testing::writeAll(dir.filePath("in/a.wav"), testing::silentWave()));
    {
        UserStore store(dir.filePath(QStringLiteral("home/.config/fenwave/user.reg")));
        QVERIFY(store.open());
        store.setString(QStringLiteral("LamePath"), dir.filePath("lame"));
        store.setDword(QStringLiteral("Language"), quint32(language));
        QVERIFY(store.close());
    }
    QProcess process;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(FENWAVE_EXECUTABLE), {"--encode", "nothing.wav", "in/a.wav"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), err);
    QCOMPARE(process.exitCode(), 0);

    // Again on a terminal (script(1) gives it one), where the progress line shows too.
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("script(1) is not installed");
    const QString command
        = fenwave::shellQuoted({QStringLiteral(FENWAVE_EXECUTABLE), "--encode", "--existing", "overwrite", "in/a.wav"});
    process.start(script, {"-qec", command, "/dev/null"});
    QVERIFY(process.waitForFinished(60000));
    const QString shown = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(shown.contains(progress), qPrintable(shown));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_MAIN(TestFileOpening)
#include "tst_fileopening.moc"
