// Shared by the two start-up probes: reports the moment the first frame of a window is
// painted and, when FENWAVE_EXIT_AFTER_PAINT=1, ends the program right after it.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace fenwave::startup {

inline long long microseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

class FirstPaintProbe : public QObject
{
public:
    explicit FirstPaintProbe(QWidget *window) : QObject(window), m_window(window)
    {
        m_exitAfterPaint = qEnvironmentVariableIntValue("FENWAVE_EXIT_AFTER_PAINT") == 1;
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The top-level widget is painted first within a frame; the children and the flush
        // to the screen follow in the same event, so the report waits for the next turn.
        if (watched == m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report()
    {
        // Wall clock comparable with bash's $EPOCHREALTIME; CPU time of all threads since the
        // process began, which other load on the machine hardly changes.
        std::printf("first-paint-us %lld\nfirst-paint-cpu-us %lld\n", microseconds(CLOCK_REALTIME),
                    microseconds(CLOCK_PROCESS_CPUTIME_ID));
        std::fflush(stdout);
        if (m_exitAfterPaint)
            QCoreApplication::quit();
    }

    QWidget *m_window;
    bool m_seen = false;
    bool m_exitAfterPaint = false;
};

} // namespace fenwave::startup
