#pragma once

#include <QStringList>

class QWidget;

namespace fenwave {

// Every check box, radio button, label, group box and button under `root` (root included) whose
// caption cannot be read in the current font: cut by its own width, running past its parent's
// right edge, running under an input control or another caption beside it, or touching a line
// of a group box frame (the frame of its own group box, or of a group box beside it). For check
// boxes and radio buttons the indicator counts as part of what is painted. One line per finding,
// starting with the objectName. Empty when everything fits.
QStringList captionsThatDoNotFit(QWidget *root);

} // namespace fenwave
