// Program entry: the command line, the application, its title and the main window.
#include "ProgramIdentity.h"
#include "app/MissingDisplay.h"
#include "app/ShellEncode.h"
#include "app/StandardDescriptors.h"
#include "app/StartupOptions.h"
#include "app/TerminationSignals.h"
#include "unMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    // Before anything opens a file: a closed standard stream must not lend its number to it.
    fenwave::openClosedStandardDescriptors();
    // The command line is read before the window system is touched, so that --help and
    // --version need no display. A name that is not UTF-8 holds U+FFFD from here on, and the
    // window refuses it; the shell command takes its names from the bytes themselves.
    QStringList arguments;
    QList<QByteArray> rawArguments;
    for (int i = 0; i < argc; ++i) {
        rawArguments << QByteArray(argv[i]);
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const fenwave::StartupRequest request = fenwave::parseStartupArguments(arguments, rawArguments);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const std::optional<int> status = fenwave::answerWithoutWindow(request, out, err))
        return *status;
    // The shell command: an event loop for the encoders, nothing of the window system.
    if (request.action == fenwave::StartupRequest::Action::Encode) {
        QCoreApplication app(argc, argv);
        fenwave::ShellEncode shell(request.encode, out, err);
        QObject::connect(&shell, &fenwave::ShellEncode::done, &app, &QCoreApplication::exit);
        QTimer::singleShot(0, &shell, &fenwave::ShellEncode::start);
        return app.exec();
    }

    // Without a display: one line and status 1, not Qt's abort.
    fenwave::reportMissingDisplayInOneLine();
    QApplication app(argc, argv);
    fenwave::endMissingDisplayReport();
    // Not the display name: that would add itself to every window title.
    QCoreApplication::setApplicationName(QString::fromLatin1(fenwave::kProgramTitle));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(fenwave::kProgramVersion));
    fenwave::quitOnTerminationSignals();

    // The window reads the preferences as it is created and writes them back as it is
    // destroyed, whichever way the event loop ends.
    TForm1 Form1;
    Form1.show();
    // Opened inside the event loop: a refusal's message box then ends with the program
    // when a termination signal comes.
    QTimer::singleShot(0, &Form1, [&] {
        const QStringList files = fenwave::startupFilesToOpen(request, err);
        if (!files.isEmpty())
            Form1.openFiles(files, &err);
    });
    return app.exec();
}
