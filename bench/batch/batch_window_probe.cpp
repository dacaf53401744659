// A folder of many files dropped on the window: how long until the batch window lists them,
// how much memory the list adds, and how long the list takes to paint and to scroll to its end.
// Usage:
//   batch_window_probe [FILES]
// FILES (default 10000) empty .wav files are made in a temporary folder; the per-user store is
// kept in another.
#include "ui/BatchJobModel.h"
#include "ui/BatchWindow.h"
#include "unMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int count = app.arguments().size() > 1 ? app.arguments().at(1).toInt() : 10000;
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
    form.openFiles({album.path()});
    BatchWindow *batch = form.batchWindows().value(0);
    if (!batch)
        return 1;
    app.processEvents();
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

    std::printf("files listed:         %d\n", batch->model()->rowCount());
    std::printf("until listed:         %lld ms\n", static_cast<long long>(listedMs));
    std::printf("memory added:         %.1f MiB\n", double(added) / (1024.0 * 1024.0));
    std::printf("first paint:          %lld ms\n", static_cast<long long>(paintMs));
    std::printf("scroll to end, paint: %lld ms\n", static_cast<long long>(scrollMs));
    return 0;
}
