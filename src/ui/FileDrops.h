#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QMimeData;
class TForm1;

namespace fenwave {

// The local file a drag carries, decided from its addresses alone: the first address, when it
// names a file on this machine (a file address without a host). Nothing for a web address, a
// file address with a host, or a drag without addresses (plain text).
// `hasAddresses` tells the caller whether the drag carried addresses at all.
std::optional<QString> draggedLocalFile(const QMimeData *data, bool *hasAddresses = nullptr);

// Takes files dropped anywhere on the window: onto edtOutput a file becomes the output, onto
// any other place it is opened as a file given on the command line. A refused file (a folder,
// among others) is not taken, and the window says why. Edit fields and combo
// boxes accept dropped text on their own, so the filter watches the whole application and
// answers for every widget of the window before the widget itself sees the drag.
// A drag without addresses is left to the widget (text still goes into an edit).
class FileDrops : public QObject
{
    Q_OBJECT
public:
    explicit FileDrops(TForm1 *form);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TForm1 *m_form;
};

} // namespace fenwave
