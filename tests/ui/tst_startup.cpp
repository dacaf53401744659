// The window's start and end with the per-user store: placement, encoder path and language
// read at construction, the four values written at destruction, damaged stores survived.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "TestFiles.h"

#include "language/LanguageTables.h"
#include "settings/Preferences.h"
#include "settings/UserStore.h"
#include "ui/HintTracker.h"
#include "ui/LayoutTable.h"
#include "ui/MenuTable.h"
#include "app/TerminationSignals.h"
#include "ui/WindowBuilder.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRandomGenerator>
#include <QScreen>
#include <QStackedWidget>

#include <climits>
#include <csignal>
#include <memory>
#include <optional>

using testing::captionOf;
using testing::FormDriver;
using testing::kEnglish;
using testing::kRussian;
using namespace fenwave;

namespace {

const QByteArray kHeader = "Windows Registry Editor Version 5.00\n\n";
const QByteArray kSection = "[HKEY_CURRENT_USER\\Software\\Fenwave]\n";

QString storePath()
{
    return UserStore::defaultFilePath();
}

// Writes the store file as another run (or a person) left it.
void writeStore(const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    QVERIFY(testing::writeAll(storePath(), bytes));
}

void writeValues(const QByteArray &valueLines)
{
    writeStore(kHeader + kSection + valueLines);
}

// UTF-16LE bytes with the terminating zero, as "hex(N):" data.
QByteArray hexUtf16(const QString &text)
{
    QStringList bytes;
    for (QChar c : text + QChar(u'\0'))
        bytes << QString::asprintf("%02x", c.unicode() & 0xff) << QString::asprintf("%02x", c.unicode() >> 8);
    return bytes.join(u',').toLatin1();
}

QPoint centredOnPrimaryScreen(const QWidget &window)
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QSize frame = window.frameGeometry().size();
    return QPoint((screen.width() - frame.width()) / 2, (screen.height() - frame.height()) / 2);
}

// The four values as the last run left them.
struct Stored {
    StoreValueType leftType, topType, pathType, languageType;
    std::optional<quint32> left, top, language;
    std::optional<QString> lamePath;
};

Stored readStored()
{
    UserStore store;
    Stored s{};
    if (!store.open())
        return s;
    s.leftType = store.type(QStringLiteral("LeftPos"));
    s.topType = store.type(QStringLiteral("TopPos"));
    s.pathType = store.type(QStringLiteral("LamePath"));
    s.languageType = store.type(QStringLiteral("Language"));
    s.left = store.dword(QStringLiteral("LeftPos"));
    s.top = store.dword(QStringLiteral("TopPos"));
    s.language = store.dword(QStringLiteral("Language"));
    s.lamePath = store.string(QStringLiteral("LamePath"));
    return s;
}

// All four present with their own types.
void verifySoundStore()
{
    const Stored s = readStored();
    QCOMPARE(s.leftType, StoreValueType::Dword);
    QCOMPARE(s.topType, StoreValueType::Dword);
    QCOMPARE(s.pathType, StoreValueType::String);
    QCOMPARE(s.languageType, StoreValueType::Dword);
}

// Captions, hints and left edges of the controls and the menu texts and hints.
QStringList windowTexts(const QMainWindow &window)
{
    QStringList texts;
    for (const ControlSpec &row : layoutTable()) {
        const auto *widget = window.findChild<QWidget *>(QString::fromLatin1(row.name));
        if (!widget) {
            texts << QStringLiteral("%1 missing").arg(QLatin1String(row.name));
            continue;
        }
        texts << QStringLiteral("%1 \"%2\" hint \"%3\" at %4")
                     .arg(QLatin1String(row.name), captionOf(widget), widget->property(kHintProperty).toString())
                     .arg(widget->x());
    }
    for (const MenuSpec &row : menuTable()) {
        const auto *action = window.findChild<QAction *>(QString::fromLatin1(row.name));
        if (!action) {
            texts << QStringLiteral("%1 missing").arg(QLatin1String(row.name));
            continue;
        }
        texts << QStringLiteral("%1 \"%2\" hint \"%3\"")
                     .arg(QLatin1String(row.name), action->text(), action->property(kHintProperty).toString());
    }
    return texts;
}

QStringList messageList(const MessageTexts &m)
{
    return {m.strLameDialogTitle, m.strLameFilter,  m.strInputDialogTitle,  m.strOutputDialogTitle,
            m.strMusicFilter,     m.strConfirmExit, m.strNoLamePath,        m.strNoInput,
            m.strNoOutput,        m.strConfirmRun,  m.strSaveSettingsTitle, m.strLoadSettingsTitle,
            m.strAllFilter};
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QFile::remove(storePath()); }
    void cleanupTestCase() { QFile::remove(storePath()); }

    void firstRun();
    void placement_data();
    void placement();
    void placementWithFrame_data();
    void placementWithFrame();
    void placeEdge_data();
    void placeEdge();
    void placeBeside_data();
    void placeBeside();
    void language_data();
    void language();
    void unknownLanguageLeavesWindowAsBuilt();
    void lamePath_data();
    void lamePath();
    void damagedStore_data();
    void damagedStore();
    void unreadableStoreIsLeftAlone_data();
    void unreadableStoreIsLeftAlone();
    void roundTripOverTwoLifetimes();
    void otherValuesAndKeysKept();
    void restoredSettingsWithoutPathEmptyTheStoredPath();
    void signalsIgnoredAtStartStayIgnored();
};

void TestStartup::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(storePath().endsWith(QStringLiteral("/.qttest/config/fenwave/user.reg")));
}

void TestStartup::firstRun()
{
    QPoint placed;
    {
        TForm1 form;
        // The key is created at start.
        QVERIFY(QFileInfo::exists(storePath()));
        QCOMPARE(form.Language, kEnglish);
        QVERIFY(form.named<QAction>("mnuEnglish")->isChecked());
        QVERIFY(!form.named<QAction>("mnuRussian")->isChecked());
        QCOMPARE(form.LamePath, QString());
        QCOMPARE(form.named<QPlainTextEdit>("edtCommandLine")->toPlainText(), QString());
        QCOMPARE(form.messages.strConfirmRun, QStringLiteral("Start processing?"));
        QCOMPARE(captionOf(form.named("tabInput")), QStringLiteral("Input file"));
        QCOMPARE(form.pos(), centredOnPrimaryScreen(form));
        QCOMPARE(form.x(), (800 - 531) / 2); // the offscreen screen is 800 wide; the window 531

        // Once shown, the window is centred with its frame, which the platform tells only now.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.frameGeometry().size() != form.size());
        QTRY_COMPARE(form.pos(), centredOnPrimaryScreen(form));
        placed = form.pos();
        QCOMPARE(form.named<QPlainTextEdit>("edtCommandLine")->toPlainText(), QString());
    }
    verifySoundStore();
    const Stored s = readStored();
    QCOMPARE(s.left, std::optional<quint32>(placed.x()));
    QCOMPARE(s.top, std::optional<quint32>(placed.y()));
    QCOMPARE(s.lamePath, std::optional<QString>(QString()));
    QCOMPARE(s.language, std::optional<quint32>(0));
}

// clang-format off
void TestStartup::placement_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<int>("left");  // -1: centred on that axis
    QTest::addColumn<int>("top");

    QTest::newRow("nothing stored") << QByteArray() << -1 << -1;
    QTest::newRow("both positive") << QByteArray("\"LeftPos\"=dword:0000012c\n\"TopPos\"=dword:000000c8\n") << 300 << 200;
    QTest::newRow("left 0 keeps top") << QByteArray("\"LeftPos\"=dword:00000000\n\"TopPos\"=dword:00000032\n") << -1 << 50;
    QTest::newRow("top 0 keeps left") << QByteArray("\"LeftPos\"=dword:00000064\n\"TopPos\"=dword:00000000\n") << 100 << -1;
    QTest::newRow("left negative") << QByteArray("\"LeftPos\"=dword:fffffffb\n\"TopPos\"=dword:00000046\n") << -1 << 70;
    QTest::newRow("top negative") << QByteArray("\"LeftPos\"=dword:0000003c\n\"TopPos\"=dword:ffffffff\n") << 60 << -1;
    QTest::newRow("top most negative") << QByteArray("\"LeftPos\"=dword:0000003c\n\"TopPos\"=dword:80000000\n") << 60 << -1;
    QTest::newRow("off the screen, used unchanged")
        << QByteArray("\"LeftPos\"=dword:00001388\n\"TopPos\"=dword:00000fa0\n") << 5000 << 4000;
    QTest::newRow("left as string") << QByteArray("\"LeftPos\"=\"300\"\n\"TopPos\"=dword:00000078\n") << -1 << 120;
    QTest::newRow("top as binary") << QByteArray("\"LeftPos\"=dword:00000010\n\"TopPos\"=hex:2c,01,00,00\n") << 16 << -1;
    QTest::newRow("top as expandable string")
        << QByteArray("\"LeftPos\"=dword:00000011\n\"TopPos\"=hex(2):" + hexUtf16("9") + "\n") << 17 << -1;
    QTest::newRow("names in other letter case") << QByteArray("\"leftpos\"=dword:00000021\n\"TOPPOS\"=dword:00000022\n") << 33 << 34;
}
// clang-format on

void TestStartup::placement()
{
    QFETCH(QByteArray, values);
    QFETCH(int, left);
    QFETCH(int, top);
    writeValues(values);
    QPoint placed;
    {
        TForm1 form;
        const QPoint centred = centredOnPrimaryScreen(form);
        QCOMPARE(form.x(), left == -1 ? centred.x() : left);
        QCOMPARE(form.y(), top == -1 ? centred.y() : top);
        // Shown, a centred axis takes the frame into account; a stored edge stays as it is.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint framed = centredOnPrimaryScreen(form);
        QTRY_COMPARE(form.pos(), QPoint(left == -1 ? framed.x() : left, top == -1 ? framed.y() : top));
        placed = form.pos();
    }
    // Written back as DWORDs, whatever was there, a position of 0 or less included.
    verifySoundStore();
    const Stored s = readStored();
    QCOMPARE(s.left, std::optional<quint32>(placed.x()));
    QCOMPARE(s.top, std::optional<quint32>(placed.y()));
}

// clang-format off
void TestStartup::placementWithFrame_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("inner");      // menu bar and client area
    QTest::addColumn<QMargins>("frame");   // left, top (title bar included), right, bottom
    QTest::addColumn<QPoint>("expected");  // the outer top-left corner

    QTest::newRow("no frame") << QPoint(-1, -1) << QSize(1920, 1080) << QSize(531, 482) << QMargins()
                              << QPoint(694, 299);
    QTest::newRow("title bar and border") << QPoint(-1, -1) << QSize(1920, 1080) << QSize(531, 482)
                                          << QMargins(1, 29, 1, 1) << QPoint(693, 284);
    QTest::newRow("uneven frame") << QPoint(0, 0) << QSize(1366, 768) << QSize(531, 482)
                                  << QMargins(4, 37, 6, 3) << QPoint(412, 123);
    QTest::newRow("stored left kept, top centred") << QPoint(250, -7) << QSize(1920, 1080) << QSize(531, 482)
                                                   << QMargins(1, 29, 1, 1) << QPoint(250, 284);
    QTest::newRow("stored top kept, left centred") << QPoint(-1, 40) << QSize(1920, 1080) << QSize(531, 482)
                                                   << QMargins(1, 29, 1, 1) << QPoint(693, 40);
    QTest::newRow("stored off the screen") << QPoint(5000, 4000) << QSize(800, 600) << QSize(531, 482)
                                           << QMargins(1, 29, 1, 1) << QPoint(5000, 4000);
    QTest::newRow("frame makes it one wider than the screen") << QPoint(-1, -1) << QSize(800, 600)
                                                              << QSize(799, 570) << QMargins(1, 30, 1, 1)
                                                              << QPoint(0, 0);
    QTest::newRow("frame makes it three larger") << QPoint(-1, -1) << QSize(800, 600) << QSize(799, 570)
                                                 << QMargins(2, 31, 2, 2) << QPoint(-1, -1);
    QTest::newRow("far larger than the screen") << QPoint(-1, -1) << QSize(640, 480) << QSize(900, 700)
                                                << QMargins(3, 25, 3, 3) << QPoint(-133, -124);
}
// clang-format on

void TestStartup::placementWithFrame()
{
    QFETCH(QPoint, stored);
    QFETCH(QSize, screen);
    QFETCH(QSize, inner);
    QFETCH(QMargins, frame);
    QFETCH(QPoint, expected);
    QCOMPARE(fenwave::placeWindow(stored, screen, inner, frame), expected);
}

void TestStartup::placeEdge_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("expected");
    QTest::newRow("positive used") << 100 << 800 << 300 << 100;
    QTest::newRow("positive off screen used") << 5000 << 800 << 300 << 5000;
    QTest::newRow("zero centres") << 0 << 800 << 300 << 250;
    QTest::newRow("negative centres") << -40 << 1024 << 401 << 311;
    QTest::newRow("window one wider") << -1 << 800 << 801 << 0;
    QTest::newRow("window three wider") << -1 << 800 << 803 << -1;
    QTest::newRow("extremes") << INT_MIN << INT_MIN << INT_MAX << -INT_MAX;
}

void TestStartup::placeEdge()
{
    QFETCH(int, stored);
    QFETCH(int, screen);
    QFETCH(int, window);
    QFETCH(int, expected);
    QCOMPARE(fenwave::placeEdge(stored, screen, window), expected);
}

// A batch window beside the main window (outer rectangles), never over it where there is room.
void TestStartup::placeBeside_data()
{
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QRect>("screen"); // the available area
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1920, 1080);
    QTest::newRow("room on the right") << QRect(100, 50, 600, 500) << QSize(860, 480) << screen << QPoint(700, 50);
    QTest::newRow("exactly the room on the right")
        << QRect(100, 50, 960, 500) << QSize(860, 480) << screen << QPoint(1060, 50);
    QTest::newRow("room on the left only") << QRect(1000, 50, 600, 500) << QSize(860, 480) << screen << QPoint(140, 50);
    QTest::newRow("no room either side: over the wider, left")
        << QRect(300, 50, 800, 500) << QSize(860, 480) << QRect(0, 0, 1280, 1024) << QPoint(0, 50);
    QTest::newRow("no room either side: over the wider, right")
        << QRect(100, 50, 800, 500) << QSize(860, 480) << QRect(0, 0, 1280, 1024) << QPoint(420, 50);
    QTest::newRow("kept above the screen's bottom")
        << QRect(100, 800, 600, 200) << QSize(860, 480) << screen << QPoint(700, 600);
    QTest::newRow("a second screen to the right")
        << QRect(2000, 100, 600, 500) << QSize(860, 480) << QRect(1920, 0, 1920, 1080) << QPoint(2600, 100);
    QTest::newRow("larger than the screen: its corner on the screen")
        << QRect(100, 50, 600, 500) << QSize(2000, 1200) << screen << QPoint(0, 0);
}

void TestStartup::placeBeside()
{
    QFETCH(QRect, main);
    QFETCH(QSize, window);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    QCOMPARE(fenwave::placeBeside(main, window, screen), expected);
}

// clang-format off
void TestStartup::language_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("englishTicked");
    QTest::addColumn<bool>("russianTicked");
    QTest::addColumn<QString>("presetText");  // empty: no language applied
    QTest::addColumn<quint32>("writtenBack");

    QTest::newRow("absent") << QByteArray() << 0 << true << false << "Phone" << 0u;
    QTest::newRow("0") << QByteArray("\"Language\"=dword:00000000\n") << 0 << true << false << "Phone" << 0u;
    QTest::newRow("1") << QByteArray("\"Language\"=dword:00000001\n") << 1 << false << true << "Телефон" << 1u;
    QTest::newRow("257: low 8 bits") << QByteArray("\"Language\"=dword:00000101\n") << 1 << false << true << "Телефон" << 1u;
    QTest::newRow("256: low 8 bits") << QByteArray("\"Language\"=dword:00000100\n") << 0 << true << false << "Phone" << 0u;
    QTest::newRow("2") << QByteArray("\"Language\"=dword:00000002\n") << 2 << false << false << "" << 2u;
    QTest::newRow("255") << QByteArray("\"Language\"=dword:000000ff\n") << 255 << false << false << "" << 255u;
    QTest::newRow("as string") << QByteArray("\"Language\"=\"1\"\n") << 0 << true << false << "Phone" << 0u;
}
// clang-format on

void TestStartup::language()
{
    QFETCH(QByteArray, values);
    QFETCH(int, language);
    QFETCH(bool, englishTicked);
    QFETCH(bool, russianTicked);
    QFETCH(QString, presetText);
    QFETCH(quint32, writtenBack);
    writeValues(values);
    {
        TForm1 form;
        QCOMPARE(int(form.Language), language);
        QCOMPARE(form.named<QAction>("mnuEnglish")->isChecked(), englishTicked);
        QCOMPARE(form.named<QAction>("mnuRussian")->isChecked(), russianTicked);
        if (!presetText.isEmpty()) {
            auto *presets = form.named<QComboBox>("cbxPresets");
            QCOMPARE(presets->currentText(), presetText);
            QCOMPARE(presets->currentIndex(), -1);
            QCOMPARE(form.named<QAction>("mnuSet")->text(),
                     language == 1 ? QStringLiteral("Установки") : QStringLiteral("Settings"));
        }
    }
    const Stored s = readStored();
    QCOMPARE(s.languageType, StoreValueType::Dword);
    QCOMPARE(s.language, std::optional<quint32>(writtenBack));
}

void TestStartup::unknownLanguageLeavesWindowAsBuilt()
{
    writeValues("\"Language\"=dword:00000002\n");
    {
        TForm1 form;
        QMainWindow built;
        buildWindow(&built);
        QCOMPARE(windowTexts(form), windowTexts(built));
        QVERIFY(!form.named<QAction>("mnuEnglish")->isChecked());
        QVERIFY(!form.named<QAction>("mnuRussian")->isChecked());
        for (const QString &text : messageList(form.messages))
            QVERIFY(text.isEmpty());
        QVERIFY(form.messages.strSameFile.isEmpty());

        // Choosing English completes the window.
        form.named<QAction>("mnuEnglish")->trigger();
        QCOMPARE(form.Language, kEnglish);
        QVERIFY(form.named<QAction>("mnuEnglish")->isChecked());
        QVERIFY(!form.named<QAction>("mnuRussian")->isChecked());
        for (const QString &text : messageList(form.messages))
            QVERIFY(!text.isEmpty());
        QStringList wrong;
        for (const QStringList &row : testing::expectedRows("language_en.tsv")) {
            if (row.at(1) != QLatin1String("caption") && row.at(1) != QLatin1String("hint"))
                continue;
            const QObject *target = form.named(row.at(0));
            const QString shown = !target                              ? QStringLiteral("<missing>")
                                  : row.at(1) == QLatin1String("hint") ? target->property(kHintProperty).toString()
                                                                       : captionOf(target);
            if (shown != row.at(2))
                wrong << row.at(0);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u' ')));
        for (const auto &[name, x] : testing::leftEdges(kEnglish))
            QCOMPARE(form.named<QWidget>(name)->x(), x);
        QCOMPARE(form.named<QComboBox>("cbxPresets")->currentText(), QStringLiteral("Phone"));
    }
    QCOMPARE(readStored().language, std::optional<quint32>(0));
}

// clang-format off
void TestStartup::lamePath_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << QByteArray("\"LamePath\"=\"/usr/bin/lame\"\n") << "/usr/bin/lame";
    QTest::newRow("blanks, quotes, shell characters, Cyrillic")
        << QByteArray("\"LamePath\"=\"/opt/my tools/\\\"la;me\\\"/$(rm x)/`id`/кодер\"\n")
        << "/opt/my tools/\"la;me\"/$(rm x)/`id`/кодер";
    QTest::newRow("backslashes") << QByteArray("\"LamePath\"=\"C:\\\\Program Files\\\\lame.exe\"\n")
                                 << "C:\\Program Files\\lame.exe";
    QTest::newRow("empty") << QByteArray("\"LamePath\"=\"\"\n") << "";
    QTest::newRow("up to the first zero") << QByteArray("\"LamePath\"=hex(1):61,00,62,00,00,00,63,00,00,00\n") << "ab";
    QTest::newRow("expandable string") << QByteArray("\"LamePath\"=hex(2):" + hexUtf16("/usr/bin/lame") + "\n") << "";
    QTest::newRow("binary") << QByteArray("\"LamePath\"=hex:2f,75,73,72\n") << "";
    QTest::newRow("dword") << QByteArray("\"LamePath\"=dword:00000001\n") << "";
}
// clang-format on

void TestStartup::lamePath()
{
    QFETCH(QByteArray, values);
    QFETCH(QString, expected);
    writeValues(values);
    {
        TForm1 form;
        QCOMPARE(form.LamePath, expected);
        // Start-up composes nothing, whatever the path.
        QCOMPARE(form.named<QPlainTextEdit>("edtCommandLine")->toPlainText(), QString());
    }
    // Written back as a plain string, also when empty.
    const Stored s = readStored();
    QCOMPARE(s.pathType, StoreValueType::String);
    QCOMPARE(s.lamePath, std::optional<QString>(expected));

    // The path of the moment replaces what was there.
    {
        TForm1 form;
        form.LamePath = QStringLiteral("/usr/local/bin/lame");
    }
    QCOMPARE(readStored().lamePath, std::optional<QString>(QStringLiteral("/usr/local/bin/lame")));
}

// clang-format off
void TestStartup::damagedStore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("lamePath");

    QRandomGenerator random(20240607);
    QByteArray garbage(4096, '\0');
    for (char &c : garbage)
        c = char(random.bounded(256));
    QTest::newRow("binary garbage") << garbage << 0 << "";
    QTest::newRow("UTF-16 mark, then garbage") << QByteArray("\xFF\xFE") + garbage << 0 << "";
    QTest::newRow("empty file") << QByteArray() << 0 << "";
    QTest::newRow("header only") << kHeader << 0 << "";
    QTest::newRow("cut off in a string")
        << kHeader + kSection + "\"Language\"=dword:00000001\n\"LamePath\"=\"/usr/bi" << 1 << "";
    QTest::newRow("bad lines among good ones")
        << kHeader + kSection + "\"LeftPos\"=dword:zz\n\x01\x02\x03\n\"TopPos\"\n=\n\"LamePath\"=\"/usr/bin/lame\"\n"
                                "\"Language\"=dword:00000001\n\"Language\"=dword:\n" + garbage.left(64)
        << 1 << "/usr/bin/lame";
    QTest::newRow("values outside the key")
        << kHeader + "\"Language\"=dword:00000001\n[HKEY_CURRENT_USER\\Software\\Other]\n\"LamePath\"=\"/x\"\n" << 0 << "";
}
// clang-format on

void TestStartup::damagedStore()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, language);
    QFETCH(QString, lamePath);
    writeStore(bytes);
    {
        TForm1 form;
        QCOMPARE(int(form.Language), language);
        QCOMPARE(form.LamePath, lamePath);
        QCOMPARE(form.pos(), centredOnPrimaryScreen(form));
    }
    verifySoundStore();
    const Stored s = readStored();
    QCOMPARE(s.language, std::optional<quint32>(language));
    QCOMPARE(s.lamePath, std::optional<QString>(lamePath));
    QVERIFY(testing::readAll(storePath()).size() < 64 * 1024);
}

// clang-format off
void TestStartup::unreadableStoreIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");   // empty: the store path is a folder
    QTest::newRow("folder") << QByteArray();
    QTest::newRow("too big") << kHeader + kSection + "\"Language\"=dword:00000001\n" + QByteArray(5 * 1024 * 1024, 'x');
}
// clang-format on

void TestStartup::unreadableStoreIsLeftAlone()
{
    // A store that cannot be read: defaults at start, nothing replaced at the end.
    QFETCH(QByteArray, bytes);
    QFile inside(storePath() + QStringLiteral("/keep.txt"));
    if (bytes.isEmpty()) {
        QVERIFY(QDir().mkpath(storePath()));
        QVERIFY(inside.open(QIODevice::WriteOnly));
        inside.write("kept");
        inside.close();
    } else {
        writeStore(bytes);
    }
    {
        TForm1 form;
        QCOMPARE(form.Language, kEnglish);
        QCOMPARE(form.LamePath, QString());
        QCOMPARE(form.pos(), centredOnPrimaryScreen(form));
        QVERIFY(form.named<QAction>("mnuEnglish")->isChecked());
    }
    if (bytes.isEmpty()) {
        QVERIFY(QFileInfo(storePath()).isDir());
        QVERIFY(QFileInfo::exists(inside.fileName()));
        QVERIFY(QDir(storePath()).removeRecursively());
    } else {
        QVERIFY(testing::readAll(storePath()) == bytes);
        QVERIFY(QFile::remove(storePath()));
    }
}

void TestStartup::roundTripOverTwoLifetimes()
{
    const QString firstPath = QStringLiteral("/opt/lame dir/\"la;me\" $(x) кодер");
    {
        TForm1 form;
        form.move(321, 234);
        form.LamePath = firstPath;
        form.named<QAction>("mnuRussian")->trigger();
    }
    {
        TForm1 form;
        QCOMPARE(form.pos(), QPoint(321, 234));
        QCOMPARE(form.LamePath, firstPath);
        QCOMPARE(form.Language, kRussian);
        QVERIFY(form.named<QAction>("mnuRussian")->isChecked());
        QVERIFY(!form.named<QAction>("mnuEnglish")->isChecked());
        QCOMPARE(captionOf(form.named("tabInput")), QStringLiteral("Входной файл"));
        QCOMPARE(form.messages.strNoInput, QStringLiteral("Не указан входной файл"));
        QCOMPARE(form.named<QWidget>("cbxPresets")->x(), 262);

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.move(150, 160);
        form.LamePath.clear();
        form.named<QAction>("mnuEnglish")->trigger();
    }
    {
        TForm1 form;
        QCOMPARE(form.pos(), QPoint(150, 160));
        QCOMPARE(form.LamePath, QString());
        QCOMPARE(form.Language, kEnglish);
        QCOMPARE(captionOf(form.named("tabInput")), QStringLiteral("Input file"));
    }
    verifySoundStore();
}

void TestStartup::otherValuesAndKeysKept()
{
    writeStore(kHeader + "[HKEY_CURRENT_USER\\Software\\Elsewhere]\n\"Size\"=dword:00000007\n\n" + kSection
               + "\"Language\"=dword:00000001\n\"Other\"=\"keep me\"\n\"Blob\"=hex:00,01,02\n");
    {
        TForm1 form;
        form.named<QAction>("mnuEnglish")->trigger();
    }
    UserStore store;
    QVERIFY(store.open());
    QCOMPARE(store.string(QStringLiteral("Other")), std::optional<QString>(QStringLiteral("keep me")));
    QCOMPARE(store.type(QStringLiteral("Blob")), StoreValueType::Binary);
    QCOMPARE(store.dword(QStringLiteral("Language")), std::optional<quint32>(0));
    UserStore elsewhere;
    QVERIFY(elsewhere.open(QStringLiteral("\\Software\\Elsewhere")));
    QCOMPARE(elsewhere.dword(QStringLiteral("Size")), std::optional<quint32>(7));
}

void TestStartup::restoredSettingsWithoutPathEmptyTheStoredPath()
{
    writeValues("\"LamePath\"=\"/usr/bin/lame\"\n");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("no path; $(x).ini"));
    QVERIFY(testing::writeAll(settings, "[Fenwave Sets]\nUseVorbis=1\n"));
    {
        TForm1 form;
        QCOMPARE(form.LamePath, QStringLiteral("/usr/bin/lame"));
        form.restoreSettings(settings);
        QCOMPARE(form.LamePath, QString());
    }
    QCOMPARE(readStored().lamePath, std::optional<QString>(QString()));
    {
        TForm1 form;
        QCOMPARE(form.LamePath, QString());
    }
}

namespace {

bool ignored(int signalNumber)
{
    struct sigaction now = {};
    return ::sigaction(signalNumber, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
}

void setDisposition(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

void TestStartup::signalsIgnoredAtStartStayIgnored()
{
    // As under `nohup fenwave &`: the starting shell ignores SIGHUP (and SIGINT for a
    // background job); SIGTERM is left as it comes.
    setDisposition(SIGHUP, SIG_IGN);
    setDisposition(SIGINT, SIG_IGN);
    setDisposition(SIGTERM, SIG_DFL);
    quitOnTerminationSignals();
    const bool hangUpIgnored = ignored(SIGHUP);
    const bool interruptIgnored = ignored(SIGINT);
    struct sigaction terminate = {};
    ::sigaction(SIGTERM, nullptr, &terminate);
    for (int signalNumber : {SIGHUP, SIGINT, SIGTERM})
        setDisposition(signalNumber, SIG_DFL);

    QVERIFY(hangUpIgnored);
    QVERIFY(interruptIgnored);
    QVERIFY(terminate.sa_handler != SIG_DFL && terminate.sa_handler != SIG_IGN);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
