#pragma once

namespace fenwave {

// Ends the event loop in the orderly way when the process is asked to terminate (SIGTERM,
// SIGINT, SIGHUP), so that the window's end-of-program work still runs.
void quitOnTerminationSignals();

} // namespace fenwave
