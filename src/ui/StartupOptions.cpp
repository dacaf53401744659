#include "ui/StartupOptions.h"

#include "unMain.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTextStream>

namespace fenwave {

namespace {

constexpr int kUsageErrorStatus = 2;

// Options of the window system and of the widgets that the application object reads from the
// command line itself.
const char *const kWindowSystemValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry", "geometry", "qwindowicon",
    "icon",     "qwindowtitle",       "title",         "session",    "display",         "name",     "visual",
    "style",    "stylesheet",         "qmljsdebugger", "fontengine", "ncols",           "dialogs",
};
const char *const kWindowSystemFlagOptions[] = {
    "reverse", "widgetcount", "nograb", "dograb", "sync", "cmap", "testability",
};

QString programName()
{
    return QStringLiteral("fenwave");
}

// The parser without an application object: the application's name comes from here.
void describe(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Fenwave composes the command line of the LAME MP3 encoder from the options\n"
                       "chosen in its window and starts the encoder with it."));
    // Not addHelpOption(): its --help-all would need an application object.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help and exits.")});
    parser.addOption(
        {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version and exits.")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A settings file (one holding the section [Fenwave Sets]) "
                                                "is restored; any other file becomes the input."),
                                 QStringLiteral("[FILE]"));
    for (const char *name : kWindowSystemValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : kWindowSystemFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

StartupRequest parseStartupArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    StartupRequest request;
    if (!parser.parse(arguments.isEmpty() ? QStringList{programName()} : arguments)) {
        request.action = StartupRequest::Action::UsageError;
        request.error = parser.errorText();
        return request;
    }
    if (parser.isSet(QStringLiteral("help")))
        request.action = StartupRequest::Action::Help;
    else if (parser.isSet(QStringLiteral("version")))
        request.action = StartupRequest::Action::Version;
    request.files = parser.positionalArguments();
    return request;
}

QString startupHelpText()
{
    QCommandLineParser parser;
    describe(parser);
    QString text = parser.helpText();
    // Without an application object the parser does not know the program's name.
    const qsizetype usageEnd = text.indexOf(u'\n');
    const QString usage = QStringLiteral("Usage: ") + programName() + QStringLiteral(" [options] [FILE]");
    text.replace(0, usageEnd, usage);
    return text
           + QStringLiteral("\nThe file is opened once the window has started. A settings file is restored as\n"
                            "Settings > Restore settings does; any other name becomes the input as if chosen\n"
                            "with Open on the \"Input file\" page, and the output name is proposed from it.\n"
                            "A relative name is taken against the current folder; a folder is refused. Of\n"
                            "several files the first is used. A file dropped onto the window is opened the\n"
                            "same way.\n"
                            "\nExit status: 0 when the window was closed or the help or version was shown,\n"
                            "2 when the command line was not understood.\n");
}

QString versionText()
{
    return QStringLiteral("Fenwave ") + QStringLiteral(FENWAVE_VERSION);
}

std::optional<int> answerWithoutWindow(const StartupRequest &request, QTextStream &out, QTextStream &err)
{
    switch (request.action) {
    case StartupRequest::Action::Start: return std::nullopt;
    case StartupRequest::Action::Help:
        out << startupHelpText();
        out.flush();
        return 0;
    case StartupRequest::Action::Version:
        out << versionText() << '\n';
        out.flush();
        return 0;
    case StartupRequest::Action::UsageError:
        err << programName() << ": " << request.error << "\n\n" << startupHelpText();
        err.flush();
        return kUsageErrorStatus;
    }
    return std::nullopt;
}

void openStartupFile(TForm1 &form, const StartupRequest &request, QTextStream &err)
{
    if (request.files.isEmpty())
        return;
    const QString &file = request.files.constFirst();
    if (request.files.size() > 1) {
        err << programName()
            << ": only the first file is opened; ignored: " << request.files.mid(1).join(QStringLiteral(", ")) << '\n';
    }
    if (file.isEmpty())
        err << programName() << ": an empty name is no file; nothing opened\n";
    else if (!form.openFile(file))
        err << programName() << ": " << file << " is a folder; nothing opened\n";
    err.flush();
}

} // namespace fenwave
