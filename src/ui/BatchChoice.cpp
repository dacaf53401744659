#include "ui/BatchChoice.h"

#include "ui/FileFilters.h"

#include <QFileDialog>

namespace fenwave {

QStringList askForBatchItems(QWidget *parent, const QString &title, const QString &objectName,
                             const QString &musicFilter)
{
    QFileDialog dialog(parent, title);
    dialog.setObjectName(objectName);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (musicFilter.isEmpty()) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(toNameFilters(musicFilter));
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace fenwave
