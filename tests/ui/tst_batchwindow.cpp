// The batch window with stand-in encoders: each file's outcome in words, closing while encoders
// run, and every text of the window in both languages.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "TestFiles.h"

#include "batch/BatchRunner.h"
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"

#include <QAccessible>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

#include <algorithm>

using fenwave::BatchJobModel;
using fenwave::BatchWindow;
using testing::ModalAnswer;
using testing::Window;

namespace {

// Writes a few bytes to its last argument, the output.
const QByteArray kFinishes = "#!/bin/sh\nfor a; do out=\"$a\"; done\nprintf data > \"$out\"\n";
const QByteArray kFails = "#!/bin/sh\necho 'cannot read the input' >&2\nexit 3\n";
const QByteArray kRunsLong = "#!/bin/sh\nsleep 30\n";

// Drops files on the middle of the batch window; true when the drop was taken.
bool dropOn(BatchWindow *batch, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    // Delivered to the window as a real drag is, so that the widget under the pointer is found.
    QWidget *list = batch->findChild<QWidget *>("lstBatchJobs");
    const QPoint at = list->mapTo(batch, list->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(batch->windowHandle(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(batch->windowHandle(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(batch->windowHandle(), &drop);
    return drop.isAccepted();
}

QString cell(BatchWindow *batch, int row, int column, int role = Qt::DisplayRole)
{
    return batch->model()->index(row, column).data(role).toString();
}

} // namespace

class TestBatchWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void outcome_data();
    void outcome();
    void closingWhileRunning_data();
    void closingWhileRunning();
    void addingAndRemovingBeforeStart();
    void contentSkippedBeforeStart();
    void languageSwitch_data();
    void languageSwitch();

private:
    QString file(const QString &name) const { return m_root.filePath(name); }
    BatchWindow *openBatch(TForm1 &form, const QString &encoder);

    QTemporaryDir m_root;
};

void TestBatchWindow::initTestCase()
{
    testing::usePrivateHome();
    QVERIFY(m_root.isValid());
    QVERIFY(testing::writeExecutable(file("finishes"), kFinishes));
    QVERIFY(testing::writeExecutable(file("fails"), kFails));
    QVERIFY(testing::writeExecutable(file("runs long"), kRunsLong));
    QVERIFY(QDir(m_root.path()).mkdir("in"));
}

BatchWindow *TestBatchWindow::openBatch(TForm1 &form, const QString &encoder)
{
    QTemporaryDir *folder = new QTemporaryDir(file("in/XXXXXX"));
    folder->setAutoRemove(true);
    for (const char *name : {"a.wav", "b.wav"})
        testing::writeAll(folder->filePath(name), testing::silentWave());
    form.LamePath = encoder;
    BatchWindow *batch = form.openBatchWindow({folder->filePath("a.wav"), folder->filePath("b.wav")});
    connect(batch, &QObject::destroyed, [folder] { delete folder; });
    return batch;
}

// clang-format off
void TestBatchWindow::outcome_data()
{
    QTest::addColumn<QString>("encoder");   // a stand-in in the test folder, or an absolute name
    QTest::addColumn<QString>("status");    // the first file's state in words
    QTest::addColumn<QString>("box");       // what a message box says; empty for none
    QTest::addColumn<QString>("kept");      // what the kept output of the first file holds

    QTest::newRow("finished") << "finishes" << "Finished" << QString() << QString();
    QTest::newRow("failed, with the exit status and the encoder's words")
        << "fails" << "Failed, exit status 3" << QString() << "cannot read the input";
    QTest::newRow("no encoder chosen") << "" << "Waiting" << "You must specify path to the lame.exe" << QString();
    QTest::newRow("encoder that cannot start: the files wait for another Start")
        << "/nonexistent/lame" << "Waiting" << "Unable to start /nonexistent/lame." << QString();
}
// clang-format on

void TestBatchWindow::outcome()
{
    QFETCH(QString, encoder);
    QFETCH(QString, status);
    QFETCH(QString, box);
    QFETCH(QString, kept);

    Window w;
    const QString program = encoder.isEmpty() || encoder.startsWith(u'/') ? encoder : file(encoder);
    QPointer<BatchWindow> batch = openBatch(w.form, program);
    ModalAnswer boxes([](QWidget *modal) { ModalAnswer::press(modal, QMessageBox::Ok); });
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    if (batch->runner())
        QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    QTRY_COMPARE(boxes.count, box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE(boxes.text, box);
    QCOMPARE(cell(batch, 0, BatchJobModel::StatusColumn), status);
    // Assistive technology reads what the list shows.
    QCOMPARE(cell(batch, 0, BatchJobModel::StatusColumn, Qt::AccessibleTextRole), status);
    if (!kept.isEmpty())
        QVERIFY(batch->runner()->keptOutput(0).contains(kept.toUtf8()));
    // Files that wait can be started again.
    QCOMPARE(batch->findChild<QPushButton *>("butBatchStart")->isEnabled(), status == QLatin1String("Waiting"));
    QCOMPARE(batch->findChild<QPushButton *>("butBatchRetry")->isEnabled(), status.startsWith(QLatin1String("Failed")));
    delete batch;
}

// clang-format off
void TestBatchWindow::closingWhileRunning_data()
{
    QTest::addColumn<bool>("mainWindow"); // closing the main window rather than the batch window
    QTest::addColumn<bool>("confirmed");

    QTest::newRow("batch window, OK stops and closes") << false << true;
    QTest::newRow("batch window, Cancel keeps running") << false << false;
    QTest::newRow("main window, OK stops and closes") << true << true;
    QTest::newRow("main window, Cancel keeps running") << true << false;
}
// clang-format on

void TestBatchWindow::closingWhileRunning()
{
    QFETCH(bool, mainWindow);
    QFETCH(bool, confirmed);

    Window w;
    w.form.show();
    QPointer<BatchWindow> batch = openBatch(w.form, file("runs long"));
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QVERIFY(batch->isRunning());

    ModalAnswer boxes(
        [confirmed](QWidget *modal) { ModalAnswer::press(modal, confirmed ? QMessageBox::Ok : QMessageBox::Cancel); });
    if (mainWindow)
        w.form.close();
    else
        batch->close();
    QCOMPARE(boxes.count, 1);
    QCOMPARE(boxes.text, QStringLiteral("Encoding is still running. Stop it and close the window?"));
    if (confirmed) {
        QTRY_VERIFY_WITH_TIMEOUT(batch.isNull(), 10000);
        QCOMPARE(w.form.isVisible(), !mainWindow);
    } else {
        QVERIFY(batch->isRunning());
        QVERIFY(batch->isVisible());
        QVERIFY(w.form.isVisible());
        delete batch;
    }
}

// Until Start, drops add files and Remove takes the chosen ones out; from Start on the list stays.
void TestBatchWindow::addingAndRemovingBeforeStart()
{
    Window w;
    QPointer<BatchWindow> batch = openBatch(w.form, file("finishes"));
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    const QString a = cell(batch, 0, BatchJobModel::FileColumn);
    const QString folder = QFileInfo(a).absolutePath();
    QVERIFY(testing::writeAll(folder + "/c.wav", testing::silentWave()));
    QVERIFY(dropOn(batch, {folder + "/c.wav"}));
    QCOMPARE(batch->model()->rowCount(), 3);
    QCOMPARE(cell(batch, 2, BatchJobModel::OutputColumn), folder + "/c.mp3");
    // A file already listed is not listed again (it would be encoded twice).
    QVERIFY(dropOn(batch, {folder + "/c.wav"}));
    QCOMPARE(batch->model()->rowCount(), 3);

    auto *list = batch->findChild<QTableView *>("lstBatchJobs");
    list->selectRow(0);
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchRemove"), Qt::LeftButton);
    QCOMPARE(batch->model()->rowCount(), 2);
    QCOMPARE(cell(batch, 0, BatchJobModel::FileColumn), folder + "/b.wav");

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    QVERIFY(!dropOn(batch, {a}));
    list->selectRow(0);
    QVERIFY(!batch->findChild<QPushButton *>("butBatchRemove")->isEnabled());
    QCOMPARE(batch->model()->rowCount(), 2);
    QVERIFY(!QFile::exists(folder + "/a.mp3"));
    QVERIFY(QFile::exists(folder + "/c.mp3"));
    delete batch;
}

// A picture named .wav and an M4A are skipped before Start, saying what they hold in the
// interface language; the encoder never sees them.
void TestBatchWindow::contentSkippedBeforeStart()
{
    Window w;
    QPointer<BatchWindow> batch = openBatch(w.form, file("finishes"));
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    const QString folder = QFileInfo(cell(batch, 0, BatchJobModel::FileColumn)).absolutePath();
    QVERIFY(testing::writeAll(folder + "/cover.wav",
                              QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)));
    QVERIFY(testing::writeAll(folder + "/b.m4a", QByteArray("\0\0\0\x1c"
                                                            "ftypM4A \0\0\x02\0M4A isomiso2",
                                                            28)));
    QVERIFY(dropOn(batch, {folder + "/cover.wav", folder + "/b.m4a"}));
    QCOMPARE(cell(batch, 2, BatchJobModel::StatusColumn), "Skipped, not a sound file: JPEG image");
    QCOMPARE(cell(batch, 3, BatchJobModel::StatusColumn), "Skipped, the encoder does not read M4A files");
    QCOMPARE(cell(batch, 3, BatchJobModel::OutputColumn), QString()); // nothing will be written
    w.form.named<QAction>("mnuRussian")->trigger();
    QCOMPARE(cell(batch, 2, BatchJobModel::StatusColumn),
             QString::fromUtf8("Пропущен, не звуковой файл: изображение JPEG"));
    QCOMPARE(cell(batch, 3, BatchJobModel::StatusColumn),
             QString::fromUtf8("Пропущен, кодировщик не читает файлы M4A"));

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    QVERIFY(QFile::exists(folder + "/b.mp3"));
    QVERIFY(!QFile::exists(folder + "/cover.mp3"));
    delete batch;
}

void TestBatchWindow::languageSwitch_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("file");
    QTest::newRow("to Russian") << "mnuRussian"
                                << "language_ru.tsv";
    QTest::newRow("back to English") << "mnuEnglish"
                                     << "language_en.tsv";
}

// Every text the window shows is one of the language's texts, its numbers filled in.
void TestBatchWindow::languageSwitch()
{
    QFETCH(QString, menu);
    QFETCH(QString, file);

    Window w;
    w.d.type("edtSongName", "Song"); // the window then says that titles are left out
    w.form.named<QAction>(menu == "mnuRussian" ? "mnuEnglish" : "mnuRussian")->trigger();
    QPointer<BatchWindow> batch = openBatch(w.form, QString());
    batch->show();
    w.form.named<QAction>(menu)->trigger();

    QList<QRegularExpression> expected;
    for (const QString &text : testing::lastColumn(testing::expectedTexts(file.toUtf8().constData(), "message"))) {
        QString pattern = QRegularExpression::escape(text);
        pattern.replace(QRegularExpression(QStringLiteral("\\\\%\\d")), QStringLiteral(".*"));
        expected << QRegularExpression(QRegularExpression::anchoredPattern(pattern));
    }
    QStringList shown{batch->windowTitle().section(QStringLiteral(" - "), 0, 0),
                      batch->findChild<QLineEdit *>("edtBatchOutputDir")->placeholderText()};
    for (const QLabel *label : batch->findChildren<QLabel *>())
        shown << label->text().split(u'\n');
    for (const QPushButton *button : batch->findChildren<QPushButton *>())
        shown << button->text();
    const auto *existing = batch->findChild<QComboBox *>("cbxBatchExisting");
    for (int i = 0; i < existing->count(); ++i)
        shown << existing->itemText(i);
    for (int column = 0; column < BatchJobModel::ColumnCount; ++column)
        shown << batch->model()->headerData(column, Qt::Horizontal).toString();
    shown << cell(batch, 0, BatchJobModel::StatusColumn);
    // What a screen reader calls the controls that show no text of their own: their name, or
    // the label whose buddy they are.
    for (const char *name : {"lstBatchJobs", "barBatchProgress"})
        shown << batch->findChild<QWidget *>(name)->accessibleName();
    for (const char *name : {"spnBatchJobs", "edtBatchOutputDir", "cbxBatchExisting"}) {
        const QWidget *field = batch->findChild<QWidget *>(name);
        const QList<QLabel *> labels = batch->findChildren<QLabel *>();
        const auto buddy = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == field; });
        shown << (buddy == labels.end() ? QString() : (*buddy)->text());
    }
    // ...and what it tells of every control, as the window shows no hints.
    for (const QWidget *control : batch->findChildren<QWidget *>()) {
        const QString name = control->objectName();
        if (control->focusPolicy() != Qt::NoFocus && !name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            shown << control->accessibleDescription();
    }
    shown << batch->findChild<QWidget *>("barBatchProgress")->accessibleDescription();
    QCOMPARE(QAccessible::queryAccessibleInterface(batch)->role(), QAccessible::Window);
    QVERIFY(shown.size() > 20);
    for (const QString &text : shown) {
        QVERIFY2(!text.isEmpty(), "a text is missing");
        const bool known = std::any_of(expected.begin(), expected.end(),
                                       [&](const QRegularExpression &re) { return re.match(text).hasMatch(); });
        QVERIFY2(known, qPrintable(text));
    }
    // Set FENWAVE_GRAB to a folder to look at the window as a user does.
    if (qEnvironmentVariableIsSet("FENWAVE_GRAB")) {
        QTest::qWait(50);
        batch->grab().save(qEnvironmentVariable("FENWAVE_GRAB") + u'/' + menu + QStringLiteral(".png"));
    }
    delete batch;
}

QTEST_MAIN(TestBatchWindow)
#include "tst_batchwindow.moc"
