#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;

namespace fenwave {

// The local file a drag carries, decided from its addresses alone: the first address, when it
// names a file on this machine (a file address without a host). Nothing for a web address, a
// file address with a host, or a drag without addresses (plain text).
// `hasAddresses` tells the caller whether the drag carried addresses at all.
std::optional<QString> draggedLocalFile(const QMimeData *data, bool *hasAddresses = nullptr);

enum class DropPlace { OutputField, Elsewhere };

// Takes files dropped anywhere on a window and hands each to `take` with the place it was
// dropped on: the output field (or a part of it) or any other. `take` answers whether the file
// was taken; a refused file (a folder, among others) leaves the drop refused. Edit fields and
// combo boxes accept dropped text on their own, so the filter watches the whole application and
// answers for every widget of the window before the widget itself sees the drag.
// A drag without addresses is left to the widget (text still goes into an edit).
class FileDrops : public QObject
{
    Q_OBJECT
public:
    using Take = std::function<bool(const QString &path, DropPlace place)>;
    FileDrops(QWidget *window, const QWidget *outputField, Take take);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    const QWidget *m_outputField;
    Take m_take;
};

} // namespace fenwave
