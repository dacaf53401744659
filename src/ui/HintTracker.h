#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

class QEvent;
class QMenu;
class QMenuBar;
class QWidget;

namespace fenwave {

// Hints are stored as this dynamic property on widgets and QActions.
inline constexpr const char *kHintProperty = "hint";

// The hint a widget shows: its own, else that of its nearest ancestor (within its window) with a
// non-empty one, else empty. Enabled or not makes no difference.
QString hintForWidget(const QWidget *widget);

// The application-wide current hint: the hint of the widget under the pointer (see
// hintForWidget), or of the menu-bar item under it; while a menu item or a menu-bar item is
// highlighted, by the pointer or by the keyboard, that QAction's hint (empty for none). When a
// menu closes the hint is empty until the next idle moment, which brings back the hint of what
// lies under the pointer. Emits hintChanged only when the text actually changes. The pointer is
// looked at once pending events are handled, so that a burst of Leave/Enter/Move events yields
// one update.
class HintTracker : public QObject
{
    Q_OBJECT
public:
    explicit HintTracker(QObject *parent = nullptr); // installs itself as an application event filter
    ~HintTracker() override;

    QString currentHint() const;
    void watchMenu(QMenu *menu);              // connects hovered(QAction*) and aboutToHide
    void watchMenuBar(QMenuBar *bar);         // connects hovered(QAction*)
    void setCurrentHint(const QString &hint); // emits when changed

public slots:
    // Takes the hint from the widget under the last known pointer position now, e.g. after the
    // hint texts were replaced.
    void refresh();

signals:
    void hintChanged(const QString &hint);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void notePointerEvent(QObject *watched, QEvent *event);
    void scheduleRefresh();
    void runScheduledRefresh();

    QString m_currentHint;
    QPointF m_pointer;
    bool m_pointerKnown = false;
    bool m_refreshScheduled = false;
};

} // namespace fenwave
