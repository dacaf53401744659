#include "ui/FileDrops.h"

#include "unMain.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace fenwave {

std::optional<QString> draggedLocalFile(const QMimeData *data, bool *hasAddresses)
{
    const bool any = data && data->hasUrls() && !data->urls().isEmpty();
    if (hasAddresses)
        *hasAddresses = any;
    if (!any)
        return std::nullopt;
    // Of several files the first decides.
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile() || !first.host().isEmpty())
        return std::nullopt;
    const QString path = first.toLocalFile();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

FileDrops::FileDrops(TForm1 *form) : QObject(form), m_form(form)
{
    // Widgets that take no drops of their own pass a drag on to their parents up to the
    // window; the window itself must take them.
    form->setAcceptDrops(true);
    qApp->installEventFilter(this);
}

bool FileDrops::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_form)
        return false;

    auto *drop = static_cast<QDropEvent *>(event);
    bool hasAddresses = false;
    const std::optional<QString> file = draggedLocalFile(drop->mimeData(), &hasAddresses);
    if (!hasAddresses)
        return false; // plain text: the widget decides, as without this filter
    if (!file) {
        drop->ignore(); // a web address or a file elsewhere: refused everywhere
        return true;
    }
    if (type != QEvent::Drop) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }

    // After the drop the file may be looked at; the window refuses a folder or a name it
    // cannot trust, and says why.
    const auto *output = m_form->control(Field::edtOutput);
    const bool onOutput = output && (widget == output || output->isAncestorOf(widget));
    const bool taken = onOutput ? m_form->openOutputFile(*file) : m_form->openFile(*file);
    if (taken) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
    } else {
        drop->ignore();
    }
    return true;
}

} // namespace fenwave
