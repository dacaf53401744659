#pragma once

namespace fenwave {

// Ends the event loop in the orderly way when the process is asked to terminate (SIGTERM,
// SIGINT, SIGHUP), so that the window's end-of-program work still runs, without asking anything:
// running encoders are stopped as at any end of the program. A signal that was ignored when the
// program started is left ignored.
void quitOnTerminationSignals();

} // namespace fenwave
