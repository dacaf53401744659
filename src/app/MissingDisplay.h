#pragma once

namespace fenwave {

// Qt ends the program with an abort (and a core file) when the window system cannot be
// reached. Between these two calls, around the making of the application object, that
// failure becomes one line on standard error and exit status 1; the window system's own
// warnings of that time are held back and passed on only when the start succeeds.
void reportMissingDisplayInOneLine();
void endMissingDisplayReport();

} // namespace fenwave
