// Fenwave's own start, made the way the program entry makes it, until the first frame of the
// window is painted. The per-user store lives in the test location so that runs leave the
// user's own preferences alone; it is read and written just the same.
#include "FirstPaint.h"
#include "app/TerminationSignals.h"
#include "unMain.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Fenwave"));
    QStandardPaths::setTestModeEnabled(true);
    fenwave::quitOnTerminationSignals();

    TForm1 Form1;
    new fenwave::startup::FirstPaintProbe(&Form1);
    Form1.show();
    return app.exec();
}
