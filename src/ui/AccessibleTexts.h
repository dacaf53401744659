#pragma once

#include "language/MessageTexts.h"
#include "options/OptionSet.h"
#include "options/TableView.h"

class QWidget;

namespace fenwave {

// What a screen reader calls a part of a window (name) and what it tells of it (description), as
// texts of the current language. A null name leaves the part named by its caption or its label.
struct PartTexts {
    const char *part; // the object name within the window
    QString MessageTexts::*name;
    QString MessageTexts::*description;
};

// Gives the parts of a window without hints their names and descriptions; run again when the
// language changes.
void nameAndDescribeParts(QWidget *window, const MessageTexts &texts, TableView<PartTexts> parts);

// Makes each label that stands beside an edit or a combo box its buddy, so that a screen reader
// names the field by the label. Adds nothing visible: no caption holds a mnemonic.
void attachLabelBuddies(QWidget *window);

// The caption of the label beside a field of the main window, in `language`, as the window shows
// it; empty for a field without one.
QString labelOfField(Field field, Language language);

// Gives every widget of the window (not of windows within it) the hint the status bar shows for
// it (hintForWidget) as its accessible description, and the edit part of each editable combo box
// the combo box's name. Run again whenever hints or names change, e.g. after a language switch.
void describeByHints(QWidget *window);

} // namespace fenwave
