#pragma once

class QWidget;

namespace fenwave {

// Makes every set of auto-exclusive radio buttons that share a parent under `root` one stop of
// the tab chain: the checked button, or the first enabled one while none is checked. Qt on its
// own keeps the stop on whichever button of a set last had the focus, so that Tab would land on
// an unchecked button and Space would check it. The arrow keys move within a set as Qt does.
void keepRadioTabStops(QWidget *root);

} // namespace fenwave
