#include "ui/Confirmation.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace fenwave {

bool askToConfirm(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    keepProgramButtonTexts(box);
    return box.exec() == QMessageBox::Ok;
}

void keepProgramButtonTexts(QMessageBox &box)
{
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("OK"));
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("Cancel"));
}

} // namespace fenwave
