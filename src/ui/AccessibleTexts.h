#pragma once

class QWidget;

namespace fenwave {

// Makes each label that stands beside an edit or a combo box its buddy, so that a screen reader
// names the field by the label. Adds nothing visible: no caption holds a mnemonic.
void attachLabelBuddies(QWidget *window);

// Gives every widget of the window the hint the status bar shows for it (hintForWidget) as its
// accessible description, and the edit part of each editable combo box the combo box's name.
// Run again whenever hints or names change, e.g. after a language switch.
void describeByHints(QWidget *window);

} // namespace fenwave
