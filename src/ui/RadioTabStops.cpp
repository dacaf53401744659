#include "ui/RadioTabStops.h"

#include <QEvent>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRadioButton>
#include <QWidget>

namespace fenwave {

namespace {

// Watches one set of buttons and moves its tab stop whenever the checked button, an enabled
// flag or the focus changes.
class RadioTabStop : public QObject
{
public:
    RadioTabStop(QWidget *parent, const QList<QRadioButton *> &buttons) : QObject(parent)
    {
        for (QRadioButton *button : buttons) {
            m_buttons << button;
            button->installEventFilter(this);
            connect(button, &QAbstractButton::toggled, this, &RadioTabStop::update);
        }
        update();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut || event->type() == QEvent::EnabledChange)
            update();
        return false;
    }

private:
    QRadioButton *stop() const
    {
        QRadioButton *firstEnabled = nullptr;
        for (QRadioButton *button : m_buttons) {
            if (!button || !button->isEnabled())
                continue;
            if (button->isChecked())
                return button;
            if (!firstEnabled)
                firstEnabled = button;
        }
        return firstEnabled;
    }

    void update()
    {
        // While a button of the set has the focus, the stop stays with it, as Qt keeps it.
        for (QRadioButton *button : m_buttons) {
            if (button && button->hasFocus())
                return;
        }
        const QRadioButton *chosen = stop();
        for (QRadioButton *button : m_buttons) {
            if (!button)
                continue;
            const Qt::FocusPolicy policy = button->focusPolicy();
            button->setFocusPolicy(button == chosen ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                                    : Qt::FocusPolicy(policy & ~Qt::TabFocus));
        }
    }

    QList<QPointer<QRadioButton>> m_buttons;
};

} // namespace

void keepRadioTabStops(QWidget *root)
{
    if (!root)
        return;
    // In creation order, which is the order of the buttons in their set.
    QList<QWidget *> parents;
    QHash<QWidget *, QList<QRadioButton *>> sets;
    for (QRadioButton *button : root->findChildren<QRadioButton *>()) {
        if (!button->autoExclusive())
            continue;
        QWidget *parent = button->parentWidget();
        if (!sets.contains(parent))
            parents << parent;
        sets[parent] << button;
    }
    for (QWidget *parent : parents)
        new RadioTabStop(parent, sets.value(parent));
}

} // namespace fenwave
