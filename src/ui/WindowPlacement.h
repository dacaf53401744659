#pragma once

#include <QPoint>

class QWidget;

namespace fenwave {

// Places the main window at start: each axis at its stored edge when that is greater than 0,
// else centred on the primary screen with the window's outer size, frame and title bar included.
// The window system tells the frame only once the window is shown; a centred axis is then
// placed once more with the real frame, unless the window has been moved meanwhile.
void placeMainWindow(QWidget *window, QPoint stored);

} // namespace fenwave
