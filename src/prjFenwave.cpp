// Program entry: the application, its title and the main window.
#include "ui/TerminationSignals.h"
#include "unMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Fenwave"));
    fenwave::quitOnTerminationSignals();

    // The window reads the preferences as it is created and writes them back as it is
    // destroyed, whichever way the event loop ends.
    TForm1 Form1;
    Form1.show();
    return app.exec();
}
