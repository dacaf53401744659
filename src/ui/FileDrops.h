#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;

namespace fenwave {

// The local files a drag carries, decided from its addresses alone, in the drag's order: the
// addresses that name a file on this machine (a file address without a host). Nothing when
// none does: a web address, a file address with a host, or a drag without addresses (plain
// text). `hasAddresses` tells the caller whether the drag carried addresses at all.
std::optional<QStringList> draggedLocalFiles(const QMimeData *data, bool *hasAddresses = nullptr);

enum class DropPlace { OutputField, Elsewhere };

// Takes files dropped anywhere on a window and hands them all at once to `take` with the place
// they were dropped on: the output field (or a part of it) or any other. `take` answers whether
// the files were taken; refused files leave the drop refused. `outputField` may be null. Edit fields and
// combo boxes accept dropped text on their own, so the filter watches the whole application and
// answers for every widget of the window before the widget itself sees the drag.
// A drag without addresses is left to the widget (text still goes into an edit).
class FileDrops : public QObject
{
    Q_OBJECT
public:
    using Take = std::function<bool(const QStringList &paths, DropPlace place)>;
    FileDrops(QWidget *window, const QWidget *outputField, Take take);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    const QWidget *m_outputField;
    Take m_take;
};

} // namespace fenwave
