#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

namespace fenwave {

// Turns a request to end this program (SIGINT, SIGTERM, SIGHUP) into a Qt signal on the event
// loop, so that a batch can stop its encoders in the orderly way, temporary files removed,
// before the program ends. A signal that was ignored when the program started is left ignored.
// One watcher at a time; the handling there was before it comes back when it goes.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

    // false when the watcher could not be set up (another one is active).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_earlier[std::size(kSignals)] = {};
    bool m_installed[std::size(kSignals)] = {};
};

} // namespace fenwave
