#pragma once

namespace fenwave {

// Gives each of standard input, output and error that the program was started without an
// open /dev/null in its place. Otherwise the next file or socket opened would take that
// number, and a line meant for standard error would land in it (the termination signals'
// socket pair would read the program's own report as a signal). Called first thing in main(),
// before anything else is opened.
void openClosedStandardDescriptors();

} // namespace fenwave
