#pragma once

#include "options/OptionSet.h"

class QAbstractButton;
class QComboBox;
class QWidget;

namespace fenwave {

// A control's own enabled flag: a control inside a disabled page or group box keeps its own.
bool ownEnabled(const QWidget *control);

// The value that a field's control holds, with its own enabled flag as availability.
FieldValue readControl(const QWidget *control, FieldKind kind);

// Checks or unchecks a check box or radio button from the program. A radio button can be
// unchecked too, which leaves its group with none checked.
void setChecked(QAbstractButton *button, bool checked);

// The selected item of a radio group (its buttons are named "<group>_<index>"), -1 for none.
int radioGroupIndex(const QWidget *group);
void setRadioGroupIndex(QWidget *group, int index);

// Gives a combo box a text: the item of exactly that text becomes selected; a text that is no
// item leaves no item selected and stands as the edit text.
void setComboText(QComboBox *combo, const QString &text);

} // namespace fenwave
