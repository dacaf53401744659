#include "ui/FileDrops.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <utility>

namespace fenwave {

std::optional<QStringList> draggedLocalFiles(const QMimeData *data, bool *hasAddresses)
{
    const bool any = data && data->hasUrls() && !data->urls().isEmpty();
    if (hasAddresses)
        *hasAddresses = any;
    if (!any)
        return std::nullopt;
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile() || !url.host().isEmpty())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths << path;
    }
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

FileDrops::FileDrops(QWidget *window, const QWidget *outputField, Take take)
    : QObject(window), m_window(window), m_outputField(outputField), m_take(std::move(take))
{
    // Widgets that take no drops of their own pass a drag on to their parents up to the
    // window; the window itself must take them.
    window->setAcceptDrops(true);
    qApp->installEventFilter(this);
}

bool FileDrops::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window)
        return false;

    auto *drop = static_cast<QDropEvent *>(event);
    bool hasAddresses = false;
    const std::optional<QStringList> files = draggedLocalFiles(drop->mimeData(), &hasAddresses);
    if (!hasAddresses)
        return false; // plain text: the widget decides, as without this filter
    if (!files) {
        drop->ignore(); // a web address or a file elsewhere: refused everywhere
        return true;
    }
    if (type != QEvent::Drop) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }

    // Only after the drop may the files be looked at; the window refuses a name it cannot
    // trust, and says why.
    const bool onOutput = m_outputField && (widget == m_outputField || m_outputField->isAncestorOf(widget));
    if (m_take(*files, onOutput ? DropPlace::OutputField : DropPlace::Elsewhere)) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
    } else {
        drop->ignore();
    }
    return true;
}

} // namespace fenwave
