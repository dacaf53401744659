// Where the start-up time and memory of the window go: the steps of its construction timed
// one by one, with the resident set after each.
//
//   startup_breakdown --pieces   pieces first (cold), then a whole window (warm), then paint
//   startup_breakdown --whole    a whole window first (cold), then its paint
//   startup_breakdown --empty    an empty main window, then its paint
//
// Runs on whatever platform QT_QPA_PLATFORM names. The per-user store is the test one.
#include "settings/Preferences.h"
#include "ui/WindowBuilder.h"
#include "unMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QMainWindow>
#include <QStandardPaths>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

long residentKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// CPU time of all threads of the process, which other load on the machine hardly changes.
double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// One line per step, tab-separated: name, wall ms, CPU ms, resident KiB after, peak KiB after.
void step(const char *name, const std::function<void()> &work)
{
    QElapsedTimer timer;
    const double cpuBefore = processCpuMs();
    timer.start();
    work();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%s\t%.2f\t%.2f\t%ld\t%ld\n", name, ms, processCpuMs() - cpuBefore, residentKiB("VmRSS:"),
                residentKiB("VmHWM:"));
}

// Shows the window and returns once its first frame has been painted.
void showAndPaint(QWidget *window)
{
    struct PaintSeen : QObject {
        bool seen = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                seen = true;
            return false;
        }
    } probe;
    window->installEventFilter(&probe);
    window->show();
    while (!probe.seen)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(); // the children and the flush of the same frame
    window->removeEventFilter(&probe);
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    std::printf("step\twall ms\tCPU ms\tRSS KiB\tpeak KiB\n");
    std::printf("before QApplication (since process start)\t\t%.2f\t%ld\t%ld\n", processCpuMs(), residentKiB("VmRSS:"),
                residentKiB("VmHWM:"));

    QApplication *app = nullptr;
    step("QApplication", [&] { app = new QApplication(argc, argv); });
    QCoreApplication::setApplicationName(QStringLiteral("Fenwave"));
    QStandardPaths::setTestModeEnabled(true);

    if (mode == "--empty") {
        QMainWindow *window = nullptr;
        step("empty QMainWindow", [&] { window = new QMainWindow; });
        step("show + first paint", [&] { showAndPaint(window); });
        delete window;
        delete app;
        return 0;
    }
    if (mode == "--whole") {
        TForm1 *form = nullptr;
        step("TForm1 (cold)", [&] { form = new TForm1; });
        step("show + first paint", [&] { showAndPaint(form); });
        step("TForm1 destruction (writes the store)", [&] { delete form; });
        delete app;
        return 0;
    }

    step("first use of Liberation Sans 8 pt", [] {
        const QFont font(QStringLiteral("Liberation Sans"), 8);
        (void)QFontMetrics(font).horizontalAdvance(QStringLiteral("Input file"));
    });
    auto *bare = new QMainWindow;
    step("buildWindow: widgets, menu, status bar", [&] { fenwave::buildWindow(bare); });
    step("QFileDialog, first", [&] { new QFileDialog(bare); });
    step("QFileDialog, second", [&] { new QFileDialog(bare); });
    step("loadPreferences (per-user store)", [] { (void)fenwave::loadPreferences(); });
    TForm1 *form = nullptr;
    step("TForm1 whole (warm)", [&] { form = new TForm1; });
    step("ApplyLanguage again", [&] { form->ApplyLanguage(); });
    step("show + first paint", [&] { showAndPaint(form); });
    step("savePreferences alone (atomic write)", [] { fenwave::savePreferences({}); });
    step("TForm1 destruction (writes the store)", [&] { delete form; });
    step("destruction of the pieces (two QFileDialog)", [&] { delete bare; });
    delete app;
    return 0;
}
