#include "ui/FieldBinding.h"

#include "ui/ControlBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace fenwave {

FieldBinding::FieldBinding(QWidget *window) : QObject(window)
{
    QHash<QString, QWidget *> byName;
    for (QWidget *widget : window->findChildren<QWidget *>())
        byName.insert(widget->objectName(), widget);
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
        if (info.field == Field::LamePath)
            continue;
        QWidget *widget = byName.value(QString::fromLatin1(info.name));
        if (!widget)
            qFatal("Form1 has no control named %s", info.name);
        m_controls[i] = widget;
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->addItems(itemList(info.items));
        watch(info.field);
    }
}

OptionSet FieldBinding::optionSet() const
{
    OptionSet options;
    for (int i = 0; i < kFieldCount; ++i) {
        if (const QWidget *widget = m_controls[i]) {
            const FieldInfo &info = OptionSet::info(static_cast<Field>(i));
            options.value(info.field) = readControl(widget, info.kind);
        }
    }
    return options;
}

void FieldBinding::write(const OptionSet &options)
{
    for (int i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        if (QWidget *widget = control(field)) {
            widget->setEnabled(options.isAvailable(field));
            write(field, options.value(field));
        }
    }
}

void FieldBinding::write(Field field, const FieldValue &value)
{
    QWidget *widget = control(field);
    switch (OptionSet::info(field).kind) {
    case FieldKind::Flag:
    case FieldKind::ExclusiveFlag: setChecked(static_cast<QAbstractButton *>(widget), value.on); break;
    case FieldKind::IndexChoice: setRadioGroupIndex(widget, value.index); break;
    case FieldKind::IndexChoiceWithText:
    case FieldKind::TextChoice: setComboText(static_cast<QComboBox *>(widget), value.text); break;
    case FieldKind::FreeText:
    case FieldKind::NumberText:
        if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            if (edit->text() != value.text)
                edit->setText(value.text);
        } else if (auto *memo = qobject_cast<QPlainTextEdit *>(widget)) {
            if (memo->toPlainText() != value.text)
                memo->setPlainText(value.text);
        }
        break;
    }
}

void FieldBinding::watch(Field field)
{
    QWidget *widget = control(field);
    const auto report = [this, field] { emit changed(field); };
    if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        connect(check, &QCheckBox::toggled, this, report);
    } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        connect(radio, &QRadioButton::toggled, this, [report](bool on) {
            if (on)
                report();
        });
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        connect(edit, &QLineEdit::textChanged, this, report);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        connect(combo, &QComboBox::activated, this, report);
        connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, combo, report] {
            followTypedText(combo);
            report();
        });
    } else if (OptionSet::info(field).kind == FieldKind::IndexChoice) {
        QWidget *group = widget;
        m_groupIndex.insert(group, radioGroupIndex(group));
        for (QRadioButton *button : group->findChildren<QRadioButton *>()) {
            connect(button, &QRadioButton::toggled, this, [this, group, report] {
                const int index = radioGroupIndex(group);
                if (m_groupIndex.value(group) == index)
                    return;
                m_groupIndex.insert(group, index);
                report();
            });
        }
    }
}

// Typing selects the item of exactly the typed text, or none, as a restored text does, so that
// the selection the command line reads never contradicts what the box shows.
void FieldBinding::followTypedText(QComboBox *combo)
{
    QLineEdit *edit = combo->lineEdit();
    const QString text = edit->text();
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index == combo->currentIndex())
        return;
    const int cursor = edit->cursorPosition();
    combo->setCurrentIndex(index);
    if (index < 0)
        combo->setEditText(text);
    edit->setCursorPosition(cursor);
}

} // namespace fenwave
