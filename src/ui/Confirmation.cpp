#include "ui/Confirmation.h"

#include "ProgramIdentity.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace fenwave {

namespace {

// The buttons get the program's own texts, where Qt's translation would give them its own.
void keepProgramButtonTexts(QMessageBox &box)
{
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("OK"));
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("Cancel"));
}

} // namespace

void showMessage(QWidget *parent, MessageKind kind, const QString &text)
{
    const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok, parent);
    keepProgramButtonTexts(box);
    box.exec();
}

bool askToConfirm(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    keepProgramButtonTexts(box);
    return box.exec() == QMessageBox::Ok;
}

} // namespace fenwave
