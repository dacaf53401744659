#include "options/EncoderLauncher.h"

#include "options/CommandSplit.h"
#include "options/EncoderEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace fenwave {

namespace {

struct TerminalKind {
    const char *name;
    const char *runOption; // what precedes the program and its arguments as separate words
};

// Searched in this order. Debian's alternative guarantees the xterm-style "-e".
constexpr TerminalKind kTerminals[] = {
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"mate-terminal", "-x"},
    {"terminator", "-x"},
    {"alacritty", "-e"},
    {"kitty", ""},
    {"foot", ""},
    {"xterm", "-e"},
    {"urxvt", "-e"},
};

constexpr const char *kDefaultRunOption = "-e";

// Runs the program, keeps its exit status, and holds the window open until Enter.
constexpr const char *kWrapperScript
    = "dir=$1; shift\n"
      "cd -- \"$dir\" && \"$@\"\n"
      "status=$?\n"
      "echo\n"
      "printf '%s' \"Finished with exit status $status. Press Enter to close this window. \"\n"
      "read -r reply\n"
      "exit \"$status\"\n";

// The file a program name stands for, or empty when there is no such executable file.
// Resolving here also keeps the wrapper shell from taking a name like "exit" as a builtin.
QString resolveExecutable(const QString &program)
{
    if (program.isEmpty() || program.contains(QChar(u'\0')))
        return QString();
    if (!program.contains(u'/'))
        return QStandardPaths::findExecutable(program);
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return QString();
    return file.absoluteFilePath();
}

bool startDetachedIn(const LaunchPlan &plan, const QString &workingDirectory)
{
    QProcess process;
    process.setProgram(plan.program);
    process.setArguments(plan.arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(encoderEnvironment());
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

QString encoderWrapperScript()
{
    return QString::fromLatin1(kWrapperScript);
}

QString findTerminalEmulator()
{
    for (const TerminalKind &kind : kTerminals) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(kind.name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QString terminalRunOption(const QString &terminal)
{
    const QString name = QFileInfo(terminal).fileName();
    for (const TerminalKind &kind : kTerminals) {
        if (name == QLatin1String(kind.name))
            return QString::fromLatin1(kind.runOption);
    }
    return QString::fromLatin1(kDefaultRunOption);
}

LaunchPlan planEncoderLaunch(const QStringList &programAndArguments, const QString &terminal)
{
    return planEncoderLaunch(programAndArguments, terminal, QDir::currentPath());
}

LaunchPlan planEncoderLaunch(const QStringList &programAndArguments, const QString &terminal,
                             const QString &workingDirectory)
{
    if (programAndArguments.isEmpty())
        return {};
    if (terminal.isEmpty())
        return {programAndArguments.first(), programAndArguments.mid(1)};

    QStringList arguments;
    const QString runOption = terminalRunOption(terminal);
    if (!runOption.isEmpty())
        arguments << runOption;
    arguments << QString::fromLatin1(kWrapperShell) << QStringLiteral("-c") << encoderWrapperScript()
              << QString::fromLatin1(kWrapperName) << workingDirectory;
    arguments << programAndArguments;
    return {terminal, arguments};
}

EncoderStart startEncoder(const QString &commandText)
{
    return startEncoder(commandText, findTerminalEmulator());
}

EncoderStart startEncoder(const QString &commandText, const QString &terminal)
{
    EncoderStart start;
    start.command = splitCommandText(commandText);
    if (start.command.isEmpty())
        return start;
    start.program = start.command.first();
    start.workingDirectory = QDir::currentPath();
    const QString program = resolveExecutable(start.program);
    if (program.isEmpty()) {
        start.result = StartResult::CannotStart;
        return start;
    }
    start.command.first() = program;
    if (terminal.isEmpty()) {
        start.result = StartResult::NoTerminal;
        return start;
    }
    // A terminal that will not start is reported, never replaced by a run nobody can see.
    const bool started
        = startDetachedIn(planEncoderLaunch(start.command, terminal, start.workingDirectory), start.workingDirectory);
    start.result = started ? StartResult::Started : StartResult::CannotStart;
    return start;
}

} // namespace fenwave
