#include "ui/HintTracker.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QSinglePointEvent>
#include <QVariant>
#include <QWidget>

namespace fenwave {

namespace {

QString ownHint(const QObject *object)
{
    return object->property(kHintProperty).toString();
}

// Enter, move and hover events normally carry the pointer position; a hand-made plain QEvent
// of such a type does not.
bool carriesPosition(const QEvent *event)
{
    return event->type() != QEvent::Leave && event->isSinglePointEvent();
}

} // namespace

QString hintForWidget(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QString hint = ownHint(w);
        if (!hint.isEmpty())
            return hint;
        if (w->isWindow())
            break;
    }
    return QString();
}

HintTracker::HintTracker(QObject *parent) : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

HintTracker::~HintTracker()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

QString HintTracker::currentHint() const
{
    return m_currentHint;
}

void HintTracker::watchMenu(QMenu *menu)
{
    if (!menu)
        return;
    connect(menu, &QMenu::hovered, this,
            [this](QAction *action) { setCurrentHint(action ? ownHint(action) : QString()); });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        setCurrentHint(QString());
        scheduleRefresh();
    });
}

void HintTracker::watchMenuBar(QMenuBar *bar)
{
    if (!bar)
        return;
    // Emitted for the pointer and for the keyboard (Alt or F10, then the arrow keys) alike.
    connect(bar, &QMenuBar::hovered, this, [this](QAction *action) {
        if (action)
            setCurrentHint(ownHint(action));
    });
}

void HintTracker::setCurrentHint(const QString &hint)
{
    if (hint == m_currentHint)
        return;
    m_currentHint = hint;
    emit hintChanged(m_currentHint);
}

void HintTracker::refresh()
{
    // An open menu owns the hint; its own signals keep it current.
    if (QApplication::activePopupWidget())
        return;
    // A menu bar that the keyboard drives keeps the hint of its highlighted item.
    if (auto *bar = qobject_cast<QMenuBar *>(QApplication::focusWidget())) {
        if (const QAction *action = bar->activeAction()) {
            setCurrentHint(ownHint(action));
            return;
        }
    }
    if (!m_pointerKnown) {
        setCurrentHint(QString());
        return;
    }
    const QPoint position = m_pointer.toPoint();
    QWidget *widget = QApplication::widgetAt(position);
    // An item acting directly on the menu bar has a hint of its own.
    if (auto *bar = qobject_cast<QMenuBar *>(widget)) {
        if (const QAction *action = bar->actionAt(bar->mapFromGlobal(position))) {
            setCurrentHint(ownHint(action));
            return;
        }
    }
    setCurrentHint(hintForWidget(widget));
}

bool HintTracker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::MouseMove:
    case QEvent::HoverEnter:
    case QEvent::HoverMove: notePointerEvent(watched, event); break;
    case QEvent::FocusOut:
        // The keyboard has left the menu bar: back to the hint under the pointer.
        if (qobject_cast<QMenuBar *>(watched))
            scheduleRefresh();
        break;
    case QEvent::DynamicPropertyChange:
        if (watched->isWidgetType()
            && static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == kHintProperty)
            scheduleRefresh();
        break;
    default: break;
    }
    return false; // only watching
}

void HintTracker::notePointerEvent(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return;
    if (carriesPosition(event)) {
        m_pointer = static_cast<QSinglePointEvent *>(event)->globalPosition();
        m_pointerKnown = true;
    } else if (event->type() == QEvent::Leave && static_cast<QWidget *>(watched)->isWindow()
               && static_cast<QWidget *>(watched)->windowType() != Qt::Popup) {
        // Leaving a window: unless another Enter follows, the pointer is outside the program.
        m_pointerKnown = false;
    }
    scheduleRefresh();
}

void HintTracker::scheduleRefresh()
{
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QMetaObject::invokeMethod(this, &HintTracker::runScheduledRefresh, Qt::QueuedConnection);
}

void HintTracker::runScheduledRefresh()
{
    m_refreshScheduled = false;
    refresh();
}

} // namespace fenwave
