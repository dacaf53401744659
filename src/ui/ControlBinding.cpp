#include "ui/ControlBinding.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace fenwave {

namespace {

QList<QRadioButton *> groupButtons(const QWidget *group)
{
    return group->findChildren<QRadioButton *>(QString(), Qt::FindDirectChildrenOnly);
}

int buttonIndex(const QWidget *group, const QAbstractButton *button)
{
    const QString name = button->objectName();
    const QString prefix = group->objectName() + QLatin1Char('_');
    return name.startsWith(prefix) ? name.mid(prefix.size()).toInt() : -1;
}

} // namespace

bool ownEnabled(const QWidget *control)
{
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

FieldValue readControl(const QWidget *control, FieldKind kind)
{
    FieldValue v;
    v.available = ownEnabled(control);
    switch (kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: v.on = static_cast<const QAbstractButton *>(control)->isChecked(); break;
    case FieldKind::IndexChoice: v.index = radioGroupIndex(control); break;
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice: {
        const auto *combo = static_cast<const QComboBox *>(control);
        v.index = combo->currentIndex();
        v.text = combo->currentText();
        break;
    }
    case FieldKind::FreeText:
    case FieldKind::NumberText:
        if (const auto *edit = qobject_cast<const QLineEdit *>(control))
            v.text = edit->text();
        else if (const auto *memo = qobject_cast<const QPlainTextEdit *>(control))
            v.text = memo->toPlainText();
        break;
    }
    return v;
}

void setChecked(QAbstractButton *button, bool checked)
{
    if (button->isChecked() == checked)
        return;
    // An auto-exclusive button refuses to be unchecked while it is the checked one.
    const bool exclusive = button->autoExclusive();
    if (!checked && exclusive)
        button->setAutoExclusive(false);
    button->setChecked(checked);
    if (!checked && exclusive)
        button->setAutoExclusive(true);
}

int radioGroupIndex(const QWidget *group)
{
    for (const QRadioButton *button : groupButtons(group)) {
        if (button->isChecked())
            return buttonIndex(group, button);
    }
    return -1;
}

void setRadioGroupIndex(QWidget *group, int index)
{
    if (radioGroupIndex(group) == index)
        return;
    for (QRadioButton *button : groupButtons(group)) {
        if (buttonIndex(group, button) == index) {
            setChecked(button, true);
            return;
        }
    }
    for (QRadioButton *button : groupButtons(group))
        setChecked(button, false);
}

void setComboText(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(index);
    if (index < 0)
        combo->setEditText(text);
}

} // namespace fenwave
