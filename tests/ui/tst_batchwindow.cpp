// The batch window with stand-in encoders: each file's outcome in words, the list before Start,
// the counts and the bar after a run, closing while encoders run, and every text of the window
// in both languages.
#include "ExpectedData.h"
#include "FormDriver.h"
#include "TestFiles.h"

#include "batch/BatchRunner.h"
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSpinBox>
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
// Notes each run in "runs" beside it; fails for b.wav with the words of a full disk, finishes
// the others.
const QByteArray kFailsOnB
    = "#!/bin/sh\nfor a; do in=\"$out\"; out=\"$a\"; done\n"
      "echo \"${in##*/}\" >> \"${0%/*}/runs\"\n"
      "case \"$in\" in *b.wav) echo 'Encoding b.wav'; echo 'No space left on device'; exit 1;; esac\n"
      "printf data > \"$out\"\n";

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
    void dropWhileRunning();
    void contentSkippedBeforeStart();
    void planAgainLooksAtTheFilesAgain();
    void listBeforeStart_data();
    void listBeforeStart();
    void afterTheRun_data();
    void afterTheRun();
    void openedFromTheMenu_data();
    void openedFromTheMenu();
    void languageSwitch_data();
    void languageSwitch();
    void namePatternAndNotes_data();
    void namePatternAndNotes();
    void pageTagsBoxAndNote_data();
    void pageTagsBoxAndNote();

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
    QVERIFY(testing::writeExecutable(file("fails on b"), kFailsOnB));
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
        << "fails" << "Failed, exit status 3: cannot read the input" << QString() << "cannot read the input";
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
    const QString a = cell(batch, 0, BatchJobModel::FileColumn, Qt::AccessibleTextRole);
    const QString folder = QFileInfo(a).absolutePath();
    QVERIFY(testing::writeAll(folder + "/c.wav", testing::silentWave()));
    QVERIFY(dropOn(batch, {folder + "/c.wav"}));
    QCOMPARE(batch->model()->rowCount(), 3);
    QCOMPARE(cell(batch, 2, BatchJobModel::OutputColumn, Qt::AccessibleTextRole), folder + "/c.mp3");
    // A file already listed is not listed again (it would be encoded twice).
    QVERIFY(dropOn(batch, {folder + "/c.wav"}));
    QCOMPARE(batch->model()->rowCount(), 3);

    auto *list = batch->findChild<QTableView *>("lstBatchJobs");
    list->selectRow(0);
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchRemove"), Qt::LeftButton);
    QCOMPARE(batch->model()->rowCount(), 2);
    QCOMPARE(cell(batch, 0, BatchJobModel::FileColumn, Qt::AccessibleTextRole), folder + "/b.wav");

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    list->selectRow(0);
    QVERIFY(!batch->findChild<QPushButton *>("butBatchRemove")->isEnabled());
    QCOMPARE(batch->model()->rowCount(), 2);
    QVERIFY(!QFile::exists(folder + "/a.mp3"));
    QVERIFY(QFile::exists(folder + "/c.mp3"));
    // A drop on the ended batch starts a new list, ready to start.
    QVERIFY(dropOn(batch, {a}));
    QCOMPARE(batch->model()->rowCount(), 1);
    QCOMPARE(cell(batch, 0, BatchJobModel::FileColumn, Qt::AccessibleTextRole), a);
    QCOMPARE(cell(batch, 0, BatchJobModel::StatusColumn), QStringLiteral("Waiting"));
    QVERIFY(batch->findChild<QPushButton *>("butBatchStart")->isEnabled());
    delete batch;
}

// From Start on, a drop is refused in the interface language; the box's button says "OK", as
// every box of the program does, whatever Qt's own translation would say.
void TestBatchWindow::dropWhileRunning()
{
    Window w;
    w.form.named<QAction>("mnuRussian")->trigger();
    QPointer<BatchWindow> batch = openBatch(w.form, file("runs long"));
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    const QString folder = QFileInfo(cell(batch, 0, BatchJobModel::FileColumn, Qt::AccessibleTextRole)).absolutePath();
    QVERIFY(testing::writeAll(folder + "/c.wav", testing::silentWave()));
    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY(batch->isRunning());
    QStringList buttons;
    ModalAnswer answer([&buttons](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            for (const QAbstractButton *button : box->buttons())
                buttons << button->text();
        }
        ModalAnswer::press(modal, QMessageBox::Ok);
    });
    QVERIFY(!dropOn(batch, {folder + "/c.wav"}));
    QTRY_COMPARE(answer.count, 1);
    QCOMPARE(answer.text, QString::fromUtf8("Пока идёт кодирование, файлы добавить нельзя."));
    QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(batch->model()->rowCount(), 2);
    delete batch;
}

// clang-format off
void TestBatchWindow::listBeforeStart_data()
{
    QTest::addColumn<QString>("policy");        // as the list names it; empty: as the window opens
    QTest::addColumn<QStringList>("existing");  // outputs there before the list is made; "@old": older than the input
    QTest::addColumn<QList<int>>("remove");     // rows chosen, then removed
    QTest::addColumn<bool>("byKey");            // with the Delete key rather than Remove
    QTest::addColumn<QStringList>("rows");      // file | output | status, as the list shows them
    QTest::addColumn<QString>("summary");

    const QString waiting = QStringLiteral("Waiting");
    QTest::newRow("names below their common folder")
        << QString() << QStringList() << QList<int>() << false
        << QStringList{"a.wav|a.mp3|" + waiting, "b.wav|b.mp3|" + waiting, "c.wav|c.mp3|" + waiting,
                       "d.wav|d.mp3|" + waiting}
        << "4 files listed";
    QTest::newRow("Remove takes exactly the rows chosen")
        << QString() << QStringList() << QList<int>{0, 2} << false
        << QStringList{"b.wav|b.mp3|" + waiting, "d.wav|d.mp3|" + waiting} << "2 files listed";
    QTest::newRow("the Delete key takes exactly the rows chosen")
        << QString() << QStringList() << QList<int>{1, 3} << true
        << QStringList{"a.wav|a.mp3|" + waiting, "c.wav|c.mp3|" + waiting} << "2 files listed";
    QTest::newRow("skip: a file whose output exists says so, not Waiting")
        << "Skip" << QStringList{"b.mp3"} << QList<int>() << false
        << QStringList{"a.wav|a.mp3|" + waiting, "b.wav|b.mp3|Skipped, the output exists",
                       "c.wav|c.mp3|" + waiting, "d.wav|d.mp3|" + waiting}
        << "4 files listed";
    QTest::newRow("overwrite: a file whose output exists will replace it")
        << "Overwrite" << QStringList{"b.mp3"} << QList<int>() << false
        << QStringList{"a.wav|a.mp3|" + waiting, "b.wav|b.mp3|Waiting, will replace the existing output",
                       "c.wav|c.mp3|" + waiting, "d.wav|d.mp3|" + waiting}
        << "4 files listed";
    QTest::newRow("update: an older output will be replaced, a newer one is kept")
        << "Update" << QStringList{"b.mp3", "c.mp3@old"} << QList<int>() << false
        << QStringList{"a.wav|a.mp3|" + waiting, "b.wav|b.mp3|Skipped, the output is up to date",
                       "c.wav|c.mp3|Waiting, will replace the existing output", "d.wav|d.mp3|" + waiting}
        << "4 files listed";
    QTest::newRow("number: a file whose output exists takes the next free name")
        << "Number" << QStringList{"b.mp3"} << QList<int>() << false
        << QStringList{"a.wav|a.mp3|" + waiting, "b.wav|b (2).mp3|" + waiting, "c.wav|c.mp3|" + waiting,
                       "d.wav|d.mp3|" + waiting}
        << "4 files listed";
}
// clang-format on

// What the list says before Start: each file, its output and its state, and how many there are.
void TestBatchWindow::listBeforeStart()
{
    QFETCH(QString, policy);
    QFETCH(QStringList, existing);
    QFETCH(QList<int>, remove);
    QFETCH(bool, byKey);
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);

    QTemporaryDir folder(file("in/XXXXXX"));
    const QStringList names{"a.wav", "b.wav", "c.wav", "d.wav"};
    QStringList inputs;
    for (const QString &name : names) {
        QVERIFY(testing::writeAll(folder.filePath(name), testing::silentWave()));
        inputs << folder.filePath(name);
    }
    for (const QString &entry : existing) {
        const QString name = entry.section(u'@', 0, 0);
        QVERIFY(testing::writeAll(folder.filePath(name), "old"));
        if (entry.endsWith(QLatin1String("@old"))) {
            const QString input = folder.filePath(name.section(u'.', 0, 0) + QStringLiteral(".wav"));
            QFile output(folder.filePath(name));
            QVERIFY(output.open(QIODevice::ReadWrite));
            QVERIFY(
                output.setFileTime(QFileInfo(input).lastModified().addSecs(-3600), QFileDevice::FileModificationTime));
        }
    }
    Window w;
    w.form.LamePath = file("finishes");
    QPointer<BatchWindow> batch = w.form.openBatchWindow(inputs);
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    if (!policy.isEmpty()) {
        auto *existingOutputs = batch->findChild<QComboBox *>("cbxBatchExisting");
        const int index = existingOutputs->findText(policy);
        QVERIFY(index >= 0);
        existingOutputs->setCurrentIndex(index);
        emit existingOutputs->activated(index);
    }
    auto *list = batch->findChild<QTableView *>("lstBatchJobs");
    if (!remove.isEmpty()) {
        list->clearSelection();
        for (int row : remove)
            list->selectionModel()->select(batch->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (byKey) {
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Delete);
        } else {
            QTest::mouseClick(batch->findChild<QPushButton *>("butBatchRemove"), Qt::LeftButton);
        }
    }
    QStringList shown;
    for (int row = 0; row < batch->model()->rowCount(); ++row)
        shown << QStringList{cell(batch, row, BatchJobModel::FileColumn), cell(batch, row, BatchJobModel::OutputColumn),
                             cell(batch, row, BatchJobModel::StatusColumn)}
                     .join(u'|');
    QCOMPARE(shown, rows);
    // The whole name on hover and to a screen reader.
    const QString firstOutput = folder.filePath(rows.constFirst().section(u'|', 1, 1));
    QCOMPARE(cell(batch, 0, BatchJobModel::OutputColumn, Qt::ToolTipRole), firstOutput);
    QCOMPARE(cell(batch, 0, BatchJobModel::OutputColumn, Qt::AccessibleTextRole), firstOutput);
    QCOMPARE(batch->findChild<QLabel *>("lblBatchSummary")->text(), summary);
    delete batch;
}

// clang-format off
void TestBatchWindow::afterTheRun_data()
{
    QTest::addColumn<QString>("encoder");
    QTest::addColumn<bool>("stop");          // Stop while the first file is encoded
    QTest::addColumn<bool>("retry");         // Retry failed once the batch has ended
    QTest::addColumn<QStringList>("states"); // of a.wav, b.wav, c.wav at the end
    QTest::addColumn<int>("bar");            // the overall bar at the end, in percent
    QTest::addColumn<QString>("summary");
    QTest::addColumn<bool>("retryOffered");  // at the end
    QTest::addColumn<QStringList>("runs");   // the files the encoder ran for, in order
    QTest::addColumn<bool>("later");         // the language switched there and back a second after the end

    const QString failedB = QStringLiteral("Failed, exit status 1: No space left on device");
    QTest::newRow("all finished")
        << "finishes" << false << false << QStringList{"Finished", "Finished", "Finished"} << 100
        << "3 finished, 0 failed, 0 skipped" << false << QStringList() << false;
    QTest::newRow("all failed: no full bar of success")
        << "fails" << false << false
        << QStringList(3, "Failed, exit status 3: cannot read the input") << 0
        << "0 finished, 3 failed, 0 skipped" << true << QStringList() << false;
    QTest::newRow("stopped: the files not reached are not started, and can be retried")
        << "runs long" << true << false << QStringList{"Stopped", "Not started", "Not started"} << 0
        << "0 finished, 0 failed, 0 skipped, 3 not done" << true << QStringList() << false;
    QTest::newRow("one failed: its reason beside it, the bar short of full")
        << "fails on b" << false << false << QStringList{"Finished", failedB, "Finished"} << 66
        << "2 finished, 1 failed, 0 skipped" << true << QStringList{"a.wav", "b.wav", "c.wav"} << false;
    QTest::newRow("retry failed runs the failed file alone")
        << "fails on b" << false << true << QStringList{"Finished", failedB, "Finished"} << 66
        << "2 finished, 1 failed, 0 skipped" << true << QStringList{"a.wav", "b.wav", "c.wav", "b.wav"} << false;
    QTest::newRow("the time of an ended batch stays as the language changes")
        << "finishes" << false << false << QStringList{"Finished", "Finished", "Finished"} << 100
        << "3 finished, 0 failed, 0 skipped" << false << QStringList() << true;
}
// clang-format on

// What the window says once encoders no longer run: each file's state, the bar, the time and
// the counts, and whether Retry is offered.
void TestBatchWindow::afterTheRun()
{
    QFETCH(QString, encoder);
    QFETCH(bool, stop);
    QFETCH(bool, retry);
    QFETCH(QStringList, states);
    QFETCH(int, bar);
    QFETCH(QString, summary);
    QFETCH(bool, retryOffered);
    QFETCH(QStringList, runs);
    QFETCH(bool, later);

    QFile::remove(file("runs"));
    QTemporaryDir folder(file("in/XXXXXX"));
    QStringList inputs;
    for (const char *name : {"a.wav", "b.wav", "c.wav"}) {
        QVERIFY(testing::writeAll(folder.filePath(name), testing::silentWave()));
        inputs << folder.filePath(name);
    }
    Window w;
    w.form.LamePath = file(encoder);
    QPointer<BatchWindow> batch = w.form.openBatchWindow(inputs);
    batch->findChild<QSpinBox *>("spnBatchJobs")->setValue(1);
    auto *start = batch->findChild<QPushButton *>("butBatchStart");
    auto *retryButton = batch->findChild<QPushButton *>("butBatchRetry");
    QTest::mouseClick(start, Qt::LeftButton);
    if (stop) {
        QTRY_COMPARE(cell(batch, 0, BatchJobModel::StatusColumn), QStringLiteral("Encoding"));
        QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStop"), Qt::LeftButton);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    if (retry) {
        QVERIFY(retryButton->isEnabled());
        QTest::mouseClick(retryButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!batch->isRunning(), 20000);
    }
    QTRY_COMPARE(batch->findChild<QLabel *>("lblBatchSummary")->text(), summary);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(cell(batch, row, BatchJobModel::StatusColumn), states.at(row));
    const auto *progress = batch->findChild<QProgressBar *>("barBatchProgress");
    QCOMPARE(100 * (progress->value() - progress->minimum()) / (progress->maximum() - progress->minimum()), bar);
    // No remaining time once nothing runs.
    QVERIFY2(QRegularExpression("^Elapsed \\d\\d:\\d\\d$")
                 .match(batch->findChild<QLabel *>("lblBatchTime")->text())
                 .hasMatch(),
             qPrintable(batch->findChild<QLabel *>("lblBatchTime")->text()));
    QCOMPARE(retryButton->isEnabled(), retryOffered);
    if (!runs.isEmpty())
        QCOMPARE(testing::readLines(file("runs")), runs);
    if (later) {
        const QLabel *time = batch->findChild<QLabel *>("lblBatchTime");
        const QString ended = time->text();
        QTest::qWait(1100);
        w.d.switchTo(testing::kRussian);
        QCOMPARE(time->text(), QString::fromUtf8("Прошло ") + ended.section(u' ', 1));
        w.d.switchTo(testing::kEnglish);
        QCOMPARE(time->text(), ended);
    }
    if (qEnvironmentVariableIsSet("FENWAVE_GRAB")) {
        batch->resize(batch->minimumSizeHint());
        QTest::qWait(50);
        batch->grab().save(qEnvironmentVariable("FENWAVE_GRAB") + u'/'
                           + QString::fromUtf8(QTest::currentDataTag()).section(u':', 0, 0) + QStringLiteral(".png"));
    }
    delete batch;
}

// clang-format off
void TestBatchWindow::openedFromTheMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("title");      // of the dialog
    QTest::addColumn<QStringList>("chosen"); // in the dialog, below the test's folder
    QTest::addColumn<QStringList>("rows");   // the files the batch window lists

    QTest::newRow("several files") << "mnuEncodeFiles" << "Select the files to encode"
                                   << QStringList{"a.wav", "b.wav"} << QStringList{"a.wav", "b.wav"};
    QTest::newRow("one file is a batch too") << "mnuEncodeFiles" << "Select the files to encode"
                                             << QStringList{"b.wav"} << QStringList{"b.wav"};
    QTest::newRow("a folder") << "mnuEncodeFolder" << "Select the folder to encode" << QStringList{""}
                              << QStringList{"a.wav", "b.wav"};
}
// clang-format on

// The Coding menu opens a batch window of the files or the folder chosen; the main window's
// input stays as it was.
void TestBatchWindow::openedFromTheMenu()
{
    QFETCH(QString, item);
    QFETCH(QString, title);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, rows);

    QTemporaryDir folder(file("in/XXXXXX"));
    for (const char *name : {"a.wav", "b.wav"})
        QVERIFY(testing::writeAll(folder.filePath(name), testing::silentWave()));
    Window w;
    w.form.show();
    QString seenTitle;
    ModalAnswer dialogs([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            modal->close(); // the dialog's own complaint: the test fails below rather than hang
            return;
        }
        // A dialog that refused the answer must not hang the test.
        const auto giveUp = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        seenTitle = dialog->windowTitle();
        QStringList paths, names;
        for (const QString &name : chosen) {
            paths << (name.isEmpty() ? folder.path() : folder.filePath(name));
            names << QFileInfo(paths.constLast()).fileName();
        }
        // The dialog lists its folder on a thread of its own, slower on a busy machine. A user picks
        // names once they are listed; typed into the name field, as selectFile() leaves a field that
        // has the focus alone and selects nothing the list does not hold yet.
        dialog->setDirectory(QFileInfo(paths.constFirst()).absolutePath());
        const auto *listing = dialog->findChild<QFileSystemModel *>();
        QVERIFY(listing);
        QVERIFY(QTest::qWaitFor([&] {
            return std::all_of(paths.begin(), paths.end(),
                               [listing](const QString &path) { return listing->index(path).isValid(); });
        }));
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(names.size() == 1 ? names.constFirst()
                                        : QStringLiteral("\"%1\"").arg(names.join(QStringLiteral("\" \""))));
        static_cast<QDialog *>(dialog)->accept();
    });
    w.form.named<QAction>(item)->trigger();
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(seenTitle, title);
    QCOMPARE(w.form.batchWindows().size(), 1);
    BatchWindow *batch = w.form.batchWindows().constFirst();
    // A folder is read off the window's thread.
    QTRY_VERIFY(!batch->isPlanning());
    QStringList listed;
    for (int row = 0; row < batch->model()->rowCount(); ++row)
        listed << QFileInfo(cell(batch, row, BatchJobModel::FileColumn, Qt::AccessibleTextRole)).fileName();
    QCOMPARE(listed, rows);
    QVERIFY(w.d.w<QLineEdit>("edtInput")->text().isEmpty());
    delete batch;
}

// A picture named .wav, and an M4A where there is no ffmpeg, are skipped before Start, saying
// why in the interface language; the encoder never sees them. A FLAC waits for the probe at Start.
void TestBatchWindow::contentSkippedBeforeStart()
{
    // No ffmpeg on the PATH: an M4A has no way to the encoder.
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const auto restorePath = qScopeGuard([savedPath] { qputenv("PATH", savedPath); });
    Window w;
    QPointer<BatchWindow> batch = openBatch(w.form, file("finishes"));
    batch->show();
    QVERIFY(QTest::qWaitForWindowExposed(batch));
    // The list shows names below the common folder; the whole name is told on hover.
    const QString folder
        = QFileInfo(batch->model()->index(0, BatchJobModel::FileColumn).data(Qt::ToolTipRole).toString())
              .absolutePath();
    QVERIFY(testing::writeAll(folder + "/cover.wav",
                              QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)));
    QVERIFY(testing::writeAll(folder + "/b.m4a", QByteArray("\0\0\0\x1c"
                                                            "ftypM4A \0\0\x02\0M4A isomiso2",
                                                            28)));
    QVERIFY(testing::writeAll(folder + "/c.flac", QByteArray("fLaC\0\0\0\x22", 8) + QByteArray(34, '\0')));
    QVERIFY(dropOn(batch, {folder + "/cover.wav", folder + "/b.m4a", folder + "/c.flac"}));
    QCOMPARE(cell(batch, 4, BatchJobModel::StatusColumn), "Waiting"); // until Start has probed the encoder
    QCOMPARE(cell(batch, 2, BatchJobModel::StatusColumn), "Skipped, not a sound file: JPEG image");
    QCOMPARE(cell(batch, 3, BatchJobModel::StatusColumn), "Skipped, M4A needs ffmpeg: apt install ffmpeg");
    QCOMPARE(cell(batch, 3, BatchJobModel::OutputColumn), QString()); // nothing will be written
    w.form.named<QAction>("mnuRussian")->trigger();
    QCOMPARE(cell(batch, 2, BatchJobModel::StatusColumn),
             QString::fromUtf8("Пропущен, не звуковой файл: изображение JPEG"));
    QCOMPARE(cell(batch, 3, BatchJobModel::StatusColumn),
             QString::fromUtf8("Пропущен, для M4A нужен ffmpeg: apt install ffmpeg"));

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(batch->runner() && !batch->isRunning(), 20000);
    QVERIFY(QFile::exists(folder + "/b.mp3"));
    QVERIFY(!QFile::exists(folder + "/cover.mp3"));
    // The stand-in encoder does not read the probe's FLAC: without ffmpeg the file has no way.
    QCOMPARE(cell(batch, 4, BatchJobModel::StatusColumn),
             QString::fromUtf8("Пропущен, для FLAC нужен ffmpeg: apt install ffmpeg"));
    QVERIFY(!QFile::exists(folder + "/c.mp3"));
    delete batch;
}

// A folder's files are planned as the folder was read; a plan made later, after a setting
// changed, finds each file as it is then.
void TestBatchWindow::planAgainLooksAtTheFilesAgain()
{
    QTemporaryDir folder(file("in/XXXXXX"));
    QVERIFY(testing::writeAll(folder.filePath("a.wav"), testing::silentWave()));
    Window w;
    QPointer<BatchWindow> batch = w.form.openBatchWindow({folder.path()});
    QTRY_VERIFY(!batch->isPlanning());
    QCOMPARE(cell(batch, 0, BatchJobModel::StatusColumn), "Waiting");
    // Replaced by a picture under the same name.
    QVERIFY(testing::writeAll(folder.filePath("a.wav"),
                              QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20)));
    auto *existingOutputs = batch->findChild<QComboBox *>("cbxBatchExisting");
    existingOutputs->setCurrentIndex(1);
    emit existingOutputs->activated(1);
    QTRY_VERIFY(!batch->isPlanning());
    QCOMPARE(cell(batch, 0, BatchJobModel::StatusColumn), "Skipped, not a sound file: JPEG image");
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
    w.d.click("rbut1stOnly");        // ...and what a version 1 tag cannot hold
    w.d.type("edtArtist", "Artist"); // ...and how the page's fields are written
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
                      batch->findChild<QLineEdit *>("edtBatchOutputDir")->placeholderText(),
                      batch->findChild<QLineEdit *>("edtBatchNamePattern")->placeholderText(),
                      batch->findChild<QLineEdit *>("edtBatchNamePattern")->toolTip()};
    QCOMPARE(batch->findChild<QLabel *>("lblBatchNotes")->text().count(u'\n'), 2); // three notes
    for (const QLabel *label : batch->findChildren<QLabel *>())
        shown << label->text().split(u'\n');
    for (const QPushButton *button : batch->findChildren<QPushButton *>())
        shown << button->text();
    shown << batch->findChild<QCheckBox *>("flgPageTagsReplace")->text();
    const auto *existing = batch->findChild<QComboBox *>("cbxBatchExisting");
    for (int i = 0; i < existing->count(); ++i)
        shown << existing->itemText(i);
    for (int column = 0; column < BatchJobModel::ColumnCount; ++column)
        shown << batch->model()->headerData(column, Qt::Horizontal).toString();
    shown << cell(batch, 0, BatchJobModel::StatusColumn);
    // What a screen reader calls the controls that show no text of their own: their name, or
    // the label whose buddy they are.
    for (const char *name : {"lstBatchJobs", "barBatchProgress", "edtBatchNamePattern"})
        shown << batch->findChild<QWidget *>(name)->accessibleName();
    for (const char *name : {"spnBatchJobs", "edtBatchOutputDir", "cbxBatchExisting", "edtBatchNamePattern"}) {
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
        // At its smallest and large.
        for (const QSize &size : {batch->minimumSizeHint(), QSize(1600, 900)}) {
            batch->resize(size);
            QTest::qWait(50);
            batch->grab().save(QStringLiteral("%1/%2-%3x%4.png")
                                   .arg(qEnvironmentVariable("FENWAVE_GRAB"), menu)
                                   .arg(size.width())
                                   .arg(size.height()));
        }
    }
    delete batch;
}

// clang-format off
void TestBatchWindow::namePatternAndNotes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("clicks");  // in the main window, before the batch window opens
    QTest::addColumn<QStringList>("outputs"); // of "01 one.wav" and "b.wav", below their folder
    QTest::addColumn<bool>("version1Note");

    const QStringList asInputs{"01 one.mp3", "b.mp3"};
    QTest::newRow("no pattern: named as the inputs") << "" << QStringList() << asInputs << false;
    QTest::newRow("a pattern, with the fallbacks of missing tags") << "{artist}/{track} {title}" << QStringList()
        << QStringList{"Unknown artist/01 one.mp3", "Unknown artist/00 b.mp3"} << false;
    QTest::newRow("blanks alone are no pattern") << "   " << QStringList() << asInputs << false;
    QTest::newRow("version 1 only: what it cannot hold") << "" << QStringList{"rbut1stOnly"} << asInputs << true;
    QTest::newRow("version 1 only under default settings: no tags composed, no note")
        << "" << QStringList{"rbut1stOnly", "flgDefault"} << asInputs << false;
}
// clang-format on

// The output name pattern names the outputs as soon as it is typed; the version 1 note shows
// while the page asks for a version 1 tag alone.
void TestBatchWindow::namePatternAndNotes()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, outputs);
    QFETCH(bool, version1Note);

    QTemporaryDir folder(file("in/XXXXXX"));
    QStringList inputs;
    for (const char *name : {"01 one.wav", "b.wav"}) {
        QVERIFY(testing::writeAll(folder.filePath(name), testing::silentWave()));
        inputs << folder.filePath(name);
    }
    Window w;
    for (const QString &name : clicks)
        w.d.click(name);
    w.form.LamePath = file("finishes");
    QPointer<BatchWindow> batch = w.form.openBatchWindow(inputs);
    auto *field = batch->findChild<QLineEdit *>("edtBatchNamePattern");
    QVERIFY(field);
    field->setText(pattern);
    emit field->editingFinished();
    QTRY_VERIFY(!batch->isPlanning());
    QStringList shown;
    for (int row = 0; row < batch->model()->rowCount(); ++row)
        shown << QDir(folder.path()).relativeFilePath(cell(batch, row, BatchJobModel::OutputColumn, Qt::ToolTipRole));
    QCOMPARE(shown, outputs);
    const QLabel *notes = batch->findChild<QLabel *>("lblBatchNotes");
    // What such a tag cannot hold: 30 characters, Latin-1 only, no album artist, disc or cover.
    for (const char *said : {"30 characters", "Latin-1", "album artist", "disc", "cover"})
        QCOMPARE(!notes->isHidden() && notes->text().contains(QLatin1String(said)), version1Note);

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(batch->runner() && !batch->isRunning(), 20000);
    QVERIFY(!field->isEnabled());
    for (const QString &output : outputs)
        QVERIFY2(QFile::exists(folder.filePath(output)), qPrintable(output));
    delete batch;
}

// clang-format off
void TestBatchWindow::pageTagsBoxAndNote_data()
{
    QTest::addColumn<QStringList>("typed"); // on the main window's ID3 page: field=text
    QTest::addColumn<QStringList>("clicks"); // in the main window, after the typing
    QTest::addColumn<bool>("replace");      // the box ticked in the batch window
    QTest::addColumn<bool>("russian");
    QTest::addColumn<QString>("note");      // how the page's fields will be written; empty: no such note

    const QStringList artistAndYear{"edtArtist=Page artist", "edtYear=1999"};
    QTest::newRow("nothing filled on the page: no note") << QStringList() << QStringList() << false << false << "";
    QTest::newRow("title and track only: per file, no note") << QStringList{"edtSongName=Song", "edtTrackNumber=3"}
        << QStringList() << true << false << "";
    QTest::newRow("the page fills only what a file lacks") << artistAndYear << QStringList() << false << false
        << "From the ID3 page, written only where a file has none: Artist, Year.";
    QTest::newRow("ticked: the page is written over every file's tags") << artistAndYear << QStringList() << true
        << false << "From the ID3 page, written over every file's own: Artist, Year.";
    QTest::newRow("Russian: named as the page's labels") << QStringList{"edtAlbum=Альбом 1", "edtComment=ok"}
        << QStringList() << false << true << "Со страницы ID3, только там, где в файле их нет: Альбом, Комментарий.";
    QTest::newRow("Russian, ticked") << artistAndYear << QStringList() << true << true
        << "Со страницы ID3, поверх собственных тегов каждого файла: Исполнитель, Год.";
    QTest::newRow("default settings: the page writes no tags") << artistAndYear << QStringList{"flgDefault"} << true
        << false << "";
}
// clang-format on

// The batch window says which of the ID3 page's fields it will write and how, in the page's own
// words; its box chooses between filling what each file lacks and writing over every file's tags,
// and stays as it was once the batch has started.
void TestBatchWindow::pageTagsBoxAndNote()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, clicks);
    QFETCH(bool, replace);
    QFETCH(bool, russian);
    QFETCH(QString, note);

    Window w;
    for (const QString &entry : typed)
        w.d.type(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    for (const QString &name : clicks)
        w.d.click(name);
    if (russian)
        w.d.switchTo(testing::kRussian);
    QPointer<BatchWindow> batch = openBatch(w.form, file("finishes"));
    auto *box = batch->findChild<QCheckBox *>("flgPageTagsReplace");
    QVERIFY(box);
    QVERIFY(!box->isChecked()); // the file's own tags win unless asked
    QCOMPARE(batch->pageTags(), fenwave::PageTags::Fill);
    if (replace)
        box->click();
    QCOMPARE(batch->pageTags(), replace ? fenwave::PageTags::Replace : fenwave::PageTags::Fill);
    const QLabel *notes = batch->findChild<QLabel *>("lblBatchNotes");
    const QStringList lines = notes->isHidden() ? QStringList() : notes->text().split(u'\n');
    if (note.isEmpty())
        QVERIFY2(std::none_of(lines.begin(), lines.end(), [](const QString &line) { return line.contains("ID3"); }),
                 qPrintable(notes->text()));
    else
        QVERIFY2(lines.contains(note), qPrintable(notes->text()));

    QTest::mouseClick(batch->findChild<QPushButton *>("butBatchStart"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(batch->runner() && !batch->isRunning(), 20000);
    QVERIFY(!box->isEnabled());
    QCOMPARE(box->isChecked(), replace);
    delete batch;
}

QTEST_MAIN(TestBatchWindow)
#include "tst_batchwindow.moc"
