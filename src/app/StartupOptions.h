#pragma once

#include "app/ShellEncode.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace fenwave {

// What the command line `fenwave [OPTIONS] [FILE]` asks for.
struct StartupRequest {
    enum class Action { Start, Help, Version, UsageError, Encode };
    Action action = Action::Start;
    QStringList files;         // the FILE arguments, as given
    QString error;             // why the command line was not understood
    ShellEncodeRequest encode; // with Action::Encode: the files are its items
};

// Reads the command line (arguments[0] is the program) without any application object, so
// that --help, --version and --encode work without a display. The window system's own options
// (-platform, -style, ...) are let through for the application to take. `rawArguments`, when
// given, are the same arguments as bytes: the --encode items are taken from them, so that a
// name that is not valid UTF-8 keeps its bytes.
StartupRequest parseStartupArguments(const QStringList &arguments, const QList<QByteArray> &rawArguments = {});

QString startupHelpText();
QString versionText();

// Answers a request that needs no window: the help, the version or the usage error (one line
// and a pointer to --help). Returns
// the exit status, or nothing when the window is to start.
std::optional<int> answerWithoutWindow(const StartupRequest &request, QTextStream &out, QTextStream &err);

// The FILEs of the request that the started window opens; an empty name is ignored and named
// in one line on `err`.
QStringList startupFilesToOpen(const StartupRequest &request, QTextStream &err);

} // namespace fenwave
