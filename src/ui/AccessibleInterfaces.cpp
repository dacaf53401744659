// The program's own accessible interfaces, ahead of Qt's, put in once at start
// (nothing calls in here; the build links this file into every program of the window library):
//  - a combo box given an accessible name (one with no label beside it) is called by that name;
//    Qt on Linux always calls a combo box by its current value, and one with a label keeps that;
//  - a window of the program's own (a plain widget shown as a window, such as the run and batch
//    windows) is a window to a screen reader, not an anonymous panel.
// They cost nothing while no accessibility client is listening.
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLineEdit>

namespace {

// A combo box as Qt presents it (the popup list and the edit part as children; "show menu" and
// "press" open and close the list), except that a name it was given is its name.
class NamedComboBox : public QAccessibleWidget
{
public:
    explicit NamedComboBox(QComboBox *combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->lineEdit())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->lineEdit() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        QLineEdit *edit = combo()->lineEdit();
        if (edit && edit->rect().contains(edit->mapFromGlobal(QPoint(x, y))))
            return child(1);
        return nullptr;
    }

    QString text(QAccessible::Text kind) const override
    {
        QString text;
        switch (kind) {
        case QAccessible::Name:
            // Its own name; else, as Qt on Linux does, the value (the label says what it sets).
            text = combo()->accessibleName().isEmpty() ? value() : combo()->accessibleName();
            break;
        case QAccessible::Value: text = value(); break;
        case QAccessible::Accelerator: text = QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText); break;
        default: break;
        }
        return text.isEmpty() ? QAccessibleWidget::text(kind) : text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->view()->isVisible();
        return state;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    QString localizedActionDescription(const QString &actionName) const override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            return QComboBox::tr("Open the combo box selection popup");
        return QString();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != showMenuAction() && actionName != pressAction())
            return;
        if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }
    QString value() const { return combo()->lineEdit() ? combo()->lineEdit()->text() : combo()->currentText(); }
};

QAccessibleInterface *programInterface(const QString &className, QObject *object)
{
    // Every combo box, whether or not it has a name yet: the interface is made once and kept.
    if (className == QLatin1String("QComboBox")) {
        if (auto *combo = qobject_cast<QComboBox *>(object))
            return new NamedComboBox(combo);
    } else if (object && object->metaObject()->superClass() == &QWidget::staticMetaObject) {
        auto *widget = static_cast<QWidget *>(object);
        if (widget->windowType() == Qt::Window)
            return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

// Qt puts in its own interfaces as the application is made, after the start-up functions, and
// asks the last factory put in first: ours goes in as the first widget is made.
class FirstWidgetWatch : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *) override
    {
        if (watched->isWidgetType()) {
            QAccessible::installFactory(programInterface);
            QCoreApplication::instance()->removeEventFilter(this);
        }
        return false;
    }
};

void installProgramInterfaces()
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new FirstWidgetWatch(app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProgramInterfaces)
