#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// How a run is started: program + arguments, possibly inside a terminal wrapper.
struct LaunchPlan {
    QString program;
    QStringList arguments;
};

// The shell the terminal wrapper runs, and the name it reports itself under ($0).
inline constexpr const char *kWrapperShell = "/bin/sh";
inline constexpr const char *kWrapperName = "fenwave-encoder";

// The fixed wrapper script. Its arguments are the working folder, then the program and its
// arguments; it changes to the folder, runs "$@" as separate words (never parsing them), then
// prints a line and waits for Enter so that the user can read the encoder's messages.
QString encoderWrapperScript();

// Finds a terminal emulator on PATH: "x-terminal-emulator" first, then a short list of common
// ones. Returns its full path, or an empty text when there is none.
QString findTerminalEmulator();

// The option with which a terminal runs a program given as separate words after it ("-e",
// "--", "-x"; empty for terminals that take the program directly). Chosen by the file name of
// `terminal`; unknown terminals get the xterm convention "-e".
QString terminalRunOption(const QString &terminal);

// Builds the plan: without terminal the program itself; with terminal, terminal + its option +
// `/bin/sh -c '<fixed script>' fenwave-encoder <workingDirectory> <program> <args...>`.
// No user text is ever put into the script. The two-argument form uses the current folder.
LaunchPlan planEncoderLaunch(const QStringList &programAndArguments, const QString &terminal);
LaunchPlan planEncoderLaunch(const QStringList &programAndArguments, const QString &terminal,
                             const QString &workingDirectory);

// What a start request came to.
enum class StartResult {
    NothingToStart, // the text holds no program (empty or blanks)
    Started,        // running in a terminal window of its own
    CannotStart,    // the program cannot be found or run, or the terminal would not start
    NoTerminal,     // runnable, but there is no terminal: `command` is for a window of our own
};

struct EncoderStart {
    StartResult result = StartResult::NothingToStart;
    QString program;          // the program as split from the text, for the user's messages
    QStringList command;      // the program resolved to its file, then its arguments
    QString workingDirectory; // the folder the program runs in
};

// Splits the text, and when it names an existing executable program (a name without "/" is
// looked up on PATH), starts it detached in the current folder in a terminal window; no shell
// ever parses user text. Never waits. The one-argument form uses the terminal found on PATH;
// an empty `terminal` means there is none. Without a terminal nothing is started here: the
// result says NoTerminal and holds the command, so that the caller can show the run itself.
EncoderStart startEncoder(const QString &commandText);
EncoderStart startEncoder(const QString &commandText, const QString &terminal);

} // namespace fenwave
