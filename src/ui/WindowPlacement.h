#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace fenwave {

// Places the main window at start: each axis at its stored edge when that is greater than 0,
// else centred on the primary screen with the window's outer size, frame and title bar included.
// The window system tells the frame only once the window is shown; a centred axis is then
// placed once more with the real frame, unless the window has been moved meanwhile.
void placeMainWindow(QWidget *window, QPoint stored);

// Window placement on one axis: a stored edge greater than 0 is used unchanged,
// anything else centres the window (integer division, rounding toward zero).
int centredEdge(int screenExtent, int windowExtent);
int placeEdge(int stored, int screenExtent, int windowExtent);
// Where the window's outer top-left corner goes: each axis by placeEdge, with the outer extent of
// the window, its inner size (menu bar and client area) plus the frame and title bar on both sides.
QPoint placeWindow(QPoint stored, QSize screen, QSize inner, QMargins frame);

// Where a second window of `outer` size (frame included) goes beside a window whose outer
// rectangle is `main`, within the screen's `available` area: to its right when it fits there,
// else to its left, else where it overlaps least, its top at the main window's top, whole on
// the screen as far as its size allows.
QPoint placeBeside(QRect main, QSize outer, QRect available);

} // namespace fenwave
