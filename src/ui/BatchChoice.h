#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace fenwave {

// Asks for the files to encode as a batch (`musicFilter` given: several files of those types) or
// for a folder (`musicFilter` empty), in Qt's own dialog as every file dialog of the program, so
// that it speaks the interface language. Nothing when the user cancels.
QStringList askForBatchItems(QWidget *parent, const QString &title, const QString &objectName,
                             const QString &musicFilter);

} // namespace fenwave
