// A run window under a flood of encoder output without line breaks: a stand-in writes
// N MiB (default 100) of one unbroken line, then a second stand-in floods without end and is
// stopped by a click on Stop. Prints the longest stall of the event loop, the memory of the
// process, and how long the stand-in took to receive SIGTERM after the click.
//
//   QT_QPA_PLATFORM=offscreen build/bench/run_window_flood [MiB [seconds before Stop]]
#include "language/MessageTexts.h"
#include "ui/RunWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <thread>

using namespace fenwave;

namespace {

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Writes `chunks` pieces of 64 KiB of "x" without a line break (endless when 0), and notes
// the arrival of SIGTERM in the file "term" beside itself.
bool writeStandIn(const QString &path, int chunks)
{
    const QByteArray body = "#!/bin/sh\n"
                            "dir=\"${0%/*}\"\n"
                            "trap 'date +%s%N > \"$dir/term\"; exit 143' TERM\n"
                            "chunk=$(head -c 65536 /dev/zero | tr '\\0' x)\n"
                            "i=0\n"
                            "while [ "
                            + QByteArray::number(chunks) + " -eq 0 ] || [ $i -lt " + QByteArray::number(chunks)
                            + " ]; do printf %s \"$chunk\"; i=$((i+1)); done\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(body) == body.size()
           && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The longest gap between the ticks of a 10 ms timer while it runs.
struct StallMeter {
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
    double peakRss = 0;
    StallMeter()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = qMax(longest, since.restart());
            peakRss = qMax(peakRss, statusMiB("VmRSS:"));
        });
        since.start();
        timer.start();
    }
};

RunWindow *startRun(const QString &program, const QString &folder)
{
    return RunWindow::start({program}, folder, QStringLiteral("flood.wav"), QStringLiteral("flood.mp3"),
                            messageTextsFor(Language::English));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int mib = argc > 1 ? QByteArray(argv[1]).toInt() : 100;
    const int secondsBeforeStop = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    QTemporaryDir dir;
    const QString finite = dir.filePath(QStringLiteral("finite"));
    const QString endless = dir.filePath(QStringLiteral("endless/flood"));
    if (!dir.isValid() || !QDir(dir.path()).mkdir(QStringLiteral("endless")) || !writeStandIn(finite, mib * 16)
        || !writeStandIn(endless, 0))
        return 1;
    std::printf("RSS before the runs: %.0f MiB\n", statusMiB("VmRSS:"));

    {
        StallMeter meter;
        QElapsedTimer took;
        took.start();
        RunWindow *run = startRun(finite, dir.path());
        if (!run)
            return 1;
        while (run->isRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        std::printf("%d MiB without a line break: %.1f s, longest stall %lld ms, RSS peak %.0f MiB\n", mib,
                    double(took.elapsed()) / 1000, meter.longest, meter.peakRss);
    }
    {
        StallMeter meter;
        RunWindow *run = startRun(endless, dir.path());
        if (!run)
            return 1;
        auto *stop = run->findChild<QPushButton *>(QStringLiteral("butRunStop"));
        // The click comes from outside the event loop, as a user's would.
        long long clicked = 0;
        std::thread clicker([&] {
            std::this_thread::sleep_for(std::chrono::seconds(secondsBeforeStop));
            clicked = nowNs();
            QMetaObject::invokeMethod(stop, "click", Qt::QueuedConnection);
        });
        while (run->isRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        clicker.join();
        QFile term(dir.filePath(QStringLiteral("endless/term")));
        const long long arrived = term.open(QIODevice::ReadOnly) ? term.readAll().trimmed().toLongLong() : 0;
        std::printf("endless flood, Stop clicked after %d s: SIGTERM arrived after %.0f ms, longest stall %lld ms, "
                    "RSS peak %.0f MiB\n",
                    secondsBeforeStop, arrived ? double(arrived - clicked) / 1e6 : -1.0, meter.longest, meter.peakRss);
    }
    std::printf("RSS at the end: %.0f MiB, high-water mark %.0f MiB\n", statusMiB("VmRSS:"), statusMiB("VmHWM:"));
    RunWindow::stopAllAndClose();
    return 0;
}
