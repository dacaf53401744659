// Program entry: the command line, the application, its title and the main window.
#include "ui/StartupOptions.h"
#include "ui/TerminationSignals.h"
#include "unMain.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Read before the window system is touched, so that --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const fenwave::StartupRequest request = fenwave::parseStartupArguments(arguments);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const std::optional<int> status = fenwave::answerWithoutWindow(request, out, err))
        return *status;

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Fenwave"));
    fenwave::quitOnTerminationSignals();

    // The window reads the preferences as it is created and writes them back as it is
    // destroyed, whichever way the event loop ends.
    TForm1 Form1;
    Form1.show();
    fenwave::openStartupFile(Form1, request, err);
    return app.exec();
}
