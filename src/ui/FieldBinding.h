#pragma once

#include "options/OptionSet.h"

#include <QHash>
#include <QObject>

#include <array>

class QComboBox;
class QWidget;

namespace fenwave {

// The link between the option fields and the window's controls: which control shows a field,
// what the controls hold as an option set, values written into them, and a signal when the
// user (or the program) changes one.
//
// What counts as a change follows the control: a check box on every toggle; a radio button
// only on becoming checked; a radio group on every change of its item index, to none
// included; an edit on every text change; a combo box only on the user's pick or typing
// (a value the program gives runs nothing).
class FieldBinding : public QObject
{
    Q_OBJECT
public:
    // Finds the control of every option field (LamePath has none) among the children of
    // `window` by its name, gives each list its items and starts watching the controls. A field
    // without its control is a fault of the window's tables and stops the program.
    explicit FieldBinding(QWidget *window);

    QWidget *control(Field field) const { return m_controls[static_cast<int>(field)]; }

    // The option set as the controls hold it: values and each control's own enabled flag.
    // LamePath, which has no control, keeps its start value.
    OptionSet optionSet() const;

    // Every field's value and availability, as a fresh window gets them.
    void write(const OptionSet &options);
    // One field's value, as a restored settings file gives it; availability stays. A combo box
    // selects the item of exactly that text, or none; an edit is set only when its text differs.
    // The control's change signal runs as the value changes it (a combo box's not at all).
    void write(Field field, const FieldValue &value);

signals:
    void changed(fenwave::Field field);

private:
    void watch(Field field);
    void followTypedText(QComboBox *combo);

    std::array<QWidget *, kFieldCount> m_controls{};
    QHash<QWidget *, int> m_groupIndex; // last known item index of each radio group
};

} // namespace fenwave
