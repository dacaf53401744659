#include "ui/WindowPlacement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace fenwave {

namespace {

// Frame margins reach the window a moment after it is mapped; later than this the window is
// left where it is, so that it never jumps under the user's eyes.
constexpr int kCorrectionWindowMs = 3000;

QSize primaryScreenSize()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->size() : QSize(0, 0);
}

QMargins frameOf(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QPoint place(QWidget *window, QPoint stored)
{
    const QPoint at = placeWindow(stored, primaryScreenSize(), window->size(), frameOf(window));
    window->move(at);
    return at;
}

// Watches the shown window until the window system reports its frame, then centres once more.
class FrameWatch : public QObject
{
public:
    FrameWatch(QWidget *window, QPoint stored, QPoint placed)
        : QObject(window), m_window(window), m_stored(stored), m_placed(placed)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            m_shownFor.start();
            check();
            break;
        case QEvent::Move:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            if (m_shownFor.isValid())
                check();
            break;
        default: break;
        }
        return false;
    }

private:
    void check()
    {
        if (m_shownFor.elapsed() > kCorrectionWindowMs) {
            finish();
            return;
        }
        const QMargins frame = frameOf(m_window);
        if (frame.isNull())
            return;
        // Window managers differ in whether the frame or the client area goes to the place asked
        // for; a window further away than its frame has been moved by the user.
        const QPoint drift = m_window->pos() - m_placed;
        if (qAbs(drift.x()) <= frame.left() + frame.right() && qAbs(drift.y()) <= frame.top() + frame.bottom())
            place(m_window, m_stored);
        finish();
    }

    void finish()
    {
        m_window->removeEventFilter(this);
        deleteLater();
    }

    QWidget *m_window;
    QPoint m_stored;
    QPoint m_placed;
    QElapsedTimer m_shownFor;
};

} // namespace

int centredEdge(int screenExtent, int windowExtent)
{
    // Computed wide so that extreme extents cannot overflow; C++ division rounds toward zero.
    return int((qint64(screenExtent) - qint64(windowExtent)) / 2);
}

int placeEdge(int stored, int screenExtent, int windowExtent)
{
    return stored > 0 ? stored : centredEdge(screenExtent, windowExtent);
}

QPoint placeWindow(QPoint stored, QSize screen, QSize inner, QMargins frame)
{
    // Wide sums: the frame cannot overflow an extreme inner size.
    auto outer = [](int extent, int before, int after) {
        return int(std::clamp<qint64>(qint64(extent) + before + after, INT_MIN, INT_MAX));
    };
    return QPoint(placeEdge(stored.x(), screen.width(), outer(inner.width(), frame.left(), frame.right())),
                  placeEdge(stored.y(), screen.height(), outer(inner.height(), frame.top(), frame.bottom())));
}

void placeMainWindow(QWidget *window, QPoint stored)
{
    const QPoint placed = place(window, stored);
    // Nothing to correct when both edges are stored, or when the frame is already known.
    if ((stored.x() > 0 && stored.y() > 0) || !frameOf(window).isNull())
        return;
    new FrameWatch(window, stored, placed);
}

QPoint placeBeside(QRect main, QSize outer, QRect available)
{
    // Kept on the screen, the left and top edges last, so that the title bar stays in reach.
    auto within
        = [](int edge, int extent, int first, int last) { return std::max(first, std::min(edge, last - extent + 1)); };
    int x;
    if (main.right() + 1 + outer.width() <= available.right() + 1)
        x = main.right() + 1;
    else if (main.left() - outer.width() >= available.left())
        x = main.left() - outer.width();
    else // Over the side with more room.
        x = available.right() - main.right() >= main.left() - available.left() ? available.right() + 1 - outer.width()
                                                                               : available.left();
    return QPoint(within(x, outer.width(), available.left(), available.right()),
                  within(main.top(), outer.height(), available.top(), available.bottom()));
}

} // namespace fenwave
