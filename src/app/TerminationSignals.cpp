#include "app/TerminationSignals.h"

#include "app/TerminationWatcher.h"

#include <QCoreApplication>

namespace fenwave {

void quitOnTerminationSignals()
{
    auto *watcher = new TerminationWatcher(QCoreApplication::instance());
    if (!watcher->isActive()) { // already watched
        delete watcher;
        return;
    }
    // Not quit(): that closes the windows first, and a window with a running encoder would ask a
    // question that nobody is there to answer.
    QObject::connect(watcher, &TerminationWatcher::received, [] { QCoreApplication::exit(0); });
}

} // namespace fenwave
