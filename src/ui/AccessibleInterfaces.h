#pragma once

namespace fenwave {

// Installs the program's own accessible interfaces, ahead of Qt's:
//  - a combo box given an accessible name (one with no label beside it) is called by that name;
//    Qt on Linux always calls a combo box by its current value, and one with a label keeps that;
//  - the run and batch windows are windows to a screen reader, not anonymous panels.
// Safe to call more than once; costs nothing while no accessibility client is listening.
void installAccessibleInterfaces();

} // namespace fenwave
