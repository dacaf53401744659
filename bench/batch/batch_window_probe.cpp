// A folder of many files dropped on the window: how long the window is held while the folder is
// read, how long until the batch window lists them and the longest the window then goes without
// answering, how much memory the list adds, how long the list takes to paint and to scroll to
// its end, and the same hold and wait for a re-plan (a setting changed).
// Usage:
//   batch_window_probe [FILES | FOLDER]
// FILES (default 10000) empty .wav files are made in a temporary folder, or the FOLDER given (of
// real sound files, bench/batch/measure-folder.sh makes one) is dropped; the per-user store is
// kept in another folder.
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"
#include "unMain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <cstdio>
#include <unistd.h>

using namespace fenwave;

namespace {

// The resident memory of this process, in bytes.
long long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Runs the event loop until the batch window has its plan; the longest gap between two ticks of
// a 5 ms timer is how long the window went without answering.
qint64 waitForPlan(BatchWindow *batch)
{
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    tick.start();
    // Sleeps until the next event (the tick at the latest): processEvents with a time limit
    // would not wait, and its spinning would take a core from the plan's thread.
    while (batch->isPlanning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    return std::max(longest, sinceTick.elapsed());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString given = app.arguments().value(1);
    const bool folderGiven = QFileInfo(given).isDir();
    const int count = folderGiven ? 0 : given.isEmpty() ? 10000 : given.toInt();
    QTemporaryDir store;
    QTemporaryDir album;
    for (int i = 1; i <= count; ++i) {
        QFile file(album.filePath(QStringLiteral("track %1.wav").arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
    }

    TForm1 form(store.filePath(QStringLiteral("store.ini")));
    form.show();
    app.processEvents();
    const long long before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    form.openFiles({folderGiven ? given : album.path()});
    const qint64 heldMs = timer.elapsed();
    BatchWindow *batch = form.batchWindows().value(0);
    if (!batch)
        return 1;
    const qint64 longestGapMs = waitForPlan(batch);
    const qint64 listedMs = timer.elapsed();
    const long long added = residentBytes() - before;

    auto *view = batch->findChild<QTableView *>(QStringLiteral("lstBatchJobs"));
    timer.restart();
    batch->grab();
    const qint64 paintMs = timer.elapsed();
    timer.restart();
    view->scrollToBottom();
    batch->grab();
    const qint64 scrollMs = timer.elapsed();

    // A setting changed: the list is planned again.
    auto *existing = batch->findChild<QComboBox *>(QStringLiteral("cbxBatchExisting"));
    timer.restart();
    existing->setCurrentIndex(1);
    emit existing->activated(1);
    const qint64 replanHeldMs = timer.elapsed();
    const qint64 replanGapMs = waitForPlan(batch);
    const qint64 replannedMs = timer.elapsed();

    std::printf("files listed:         %d\n", batch->model()->rowCount());
    std::printf("window held (folder): %lld ms\n", static_cast<long long>(heldMs));
    std::printf("until listed:         %lld ms\n", static_cast<long long>(listedMs));
    std::printf("longest unanswered:   %lld ms\n", static_cast<long long>(longestGapMs));
    std::printf("re-plan: held %lld ms, longest unanswered %lld ms, until listed %lld ms\n",
                static_cast<long long>(replanHeldMs), static_cast<long long>(replanGapMs),
                static_cast<long long>(replannedMs));
    std::printf("memory added:         %.1f MiB\n", double(added) / (1024.0 * 1024.0));
    std::printf("first paint:          %lld ms\n", static_cast<long long>(paintMs));
    std::printf("scroll to end, paint: %lld ms\n", static_cast<long long>(scrollMs));
    return 0;
}
