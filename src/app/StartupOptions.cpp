#include "app/StartupOptions.h"

#include "ProgramIdentity.h"
#include "batch/BatchRunner.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <iterator>

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
    return QString::fromLatin1(kProgramName);
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
    // Qt's help wraps the descriptions itself.
    parser.addOption({QStringLiteral("encode"),
                      QStringLiteral("Encodes the files and folders given without a window (see below).")});
    parser.addOption({QStringLiteral("settings"),
                      QStringLiteral("With --encode: the options of this settings file, not the start values."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("jobs"),
                      QStringLiteral("With --encode: encoders at once, 1 to twice the cores (default: the cores)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("output-dir"),
                      QStringLiteral("With --encode: the folder for the outputs (default: beside each input); "
                                     "made when missing if the folder it is in exists."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("existing"),
                      QStringLiteral("With --encode: an output that exists is skipped (skip, the default), "
                                     "overwritten (overwrite), the new one numbered (number), or replaced "
                                     "only when older than its input (update)."),
                      QStringLiteral("POLICY")});
    parser.addOption({QStringLiteral("name-pattern"),
                      QStringLiteral("With --encode: names each output from the input's tags, such as "
                                     "\"{artist}/{album}/{track} {title}\" (see below)."),
                      QStringLiteral("PATTERN")});
    parser.addOption({QStringLiteral("page-tags"),
                      QStringLiteral("With --encode: the fields filled on the ID3 page of the settings fill "
                                     "only the tags a file lacks (fill, the default) or are written over "
                                     "every file's own (replace)."),
                      QStringLiteral("HOW")});
    parser.addOption({QStringLiteral("dry-run"),
                      QStringLiteral("With --encode: prints each encoder command line and starts nothing.")});
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

// Qt's parser names an unknown option without its dashes, so that "-dash.wav" reads as
// "dash.wav"; the user is shown the arguments as typed and how a file named like an option
// is given. `arguments` holds the program first.
QString unknownOptionsText(const QStringList &arguments, const QStringList &unknownNames)
{
    QStringList typed;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument.size() < 2 || !argument.startsWith(u'-'))
            continue;
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
        if (unknownNames.contains(name) && !typed.contains(argument))
            typed << argument;
    }
    if (typed.isEmpty())
        return QString();
    const QString listed = QLatin1Char('\'') + typed.join(QLatin1String("', '")) + QLatin1Char('\'');
    const QString what
        = typed.size() == 1 ? QStringLiteral("Unknown option %1.") : QStringLiteral("Unknown options: %1.");
    return what.arg(listed)
           + QStringLiteral("\nA file whose name begins with \"-\" is given after \"--\": %1 -- %2")
                 .arg(programName(), typed.constFirst());
}

// The options that only --encode takes.
const char *const kEncodeOptions[]
    = {"settings", "jobs", "output-dir", "existing", "name-pattern", "page-tags", "dry-run"};
// The options above that take a value.
const char *const kEncodeValueOptions[] = {"settings", "jobs", "output-dir", "existing", "name-pattern", "page-tags"};

bool takesValue(const QString &name)
{
    const auto named = [&name](const char *option) { return name == QLatin1String(option); };
    return std::any_of(std::begin(kEncodeValueOptions), std::end(kEncodeValueOptions), named)
           || std::any_of(std::begin(kWindowSystemValueOptions), std::end(kWindowSystemValueOptions), named);
}

// The positions of the FILE arguments in a command line the parser has understood: what is no
// option and no option's value, and everything after "--".
QList<qsizetype> positionalIndexes(const QStringList &arguments)
{
    QList<qsizetype> found;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || !argument.startsWith(u'-')) {
            found += i;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else {
            const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
            if (!name.contains(u'=') && takesValue(name))
                ++i;
        }
    }
    return found;
}

// A name as bytes when its own are not at hand: where it holds U+FFFD its bytes were not UTF-8,
// and a byte that is not UTF-8 keeps it refused rather than naming the file that reads so.
QByteArray textAsGiven(const QString &name)
{
    QByteArray bytes = QFile::encodeName(name);
    if (name.contains(QChar::ReplacementCharacter))
        bytes.replace("\xEF\xBF\xBD", "\xFF");
    return bytes;
}

// The FILE arguments byte for byte as the program got them, so that a name that is not UTF-8
// is seen as such; as text when the bytes are not at hand.
QList<QByteArray> givenItems(const QStringList &arguments, const QList<QByteArray> &rawArguments,
                             const QStringList &positional)
{
    QList<QByteArray> items;
    const QList<qsizetype> indexes = positionalIndexes(arguments);
    const bool matches = rawArguments.size() == arguments.size() && indexes.size() == positional.size();
    for (qsizetype k = 0; k < positional.size(); ++k) {
        if (matches && arguments[indexes[k]] == positional[k])
            items += rawArguments[indexes[k]];
        else
            items += textAsGiven(positional[k]);
    }
    return items;
}

// Reads the --encode options into `request`; false, with the reason, when one is not understood.
bool readEncodeOptions(const QCommandLineParser &parser, const QStringList &arguments,
                       const QList<QByteArray> &rawArguments, StartupRequest &request)
{
    ShellEncodeRequest &encode = request.encode;
    encode.items = givenItems(arguments, rawArguments, parser.positionalArguments());
    encode.settingsFile = parser.value(QStringLiteral("settings"));
    encode.outputFolder = parser.value(QStringLiteral("output-dir"));
    encode.dryRun = parser.isSet(QStringLiteral("dry-run"));
    if (parser.isSet(QStringLiteral("settings")) && encode.settingsFile.isEmpty()) {
        request.error = QStringLiteral("--settings needs a file name.");
        return false;
    }
    if (parser.isSet(QStringLiteral("output-dir")) && encode.outputFolder.isEmpty()) {
        request.error = QStringLiteral("--output-dir needs a folder name.");
        return false;
    }
    if (parser.isSet(QStringLiteral("jobs"))) {
        const QString text = parser.value(QStringLiteral("jobs"));
        bool isNumber = false;
        const int jobs = text.toInt(&isNumber);
        const int most = BatchRunner::mostEncodersAtOnce();
        if (!isNumber || jobs < 1 || jobs > most) {
            request.error = QStringLiteral("--jobs takes a number from 1 to %1, not '%2'.").arg(most).arg(text);
            return false;
        }
        encode.jobs = jobs;
    }
    if (parser.isSet(QStringLiteral("existing"))) {
        const QString text = parser.value(QStringLiteral("existing"));
        if (text == QLatin1String("skip"))
            encode.existing = ExistingOutputPolicy::Skip;
        else if (text == QLatin1String("overwrite"))
            encode.existing = ExistingOutputPolicy::Overwrite;
        else if (text == QLatin1String("number"))
            encode.existing = ExistingOutputPolicy::Number;
        else if (text == QLatin1String("update"))
            encode.existing = ExistingOutputPolicy::Update;
        else {
            request.error = QStringLiteral("--existing takes skip, overwrite, number or update, not '%1'.").arg(text);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("page-tags"))) {
        const QString text = parser.value(QStringLiteral("page-tags"));
        if (text == QLatin1String("fill"))
            encode.pageTags = PageTags::Fill;
        else if (text == QLatin1String("replace"))
            encode.pageTags = PageTags::Replace;
        else {
            request.error = QStringLiteral("--page-tags takes fill or replace, not '%1'.").arg(text);
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("name-pattern"))) {
        encode.namePattern = parser.value(QStringLiteral("name-pattern"));
        if (encode.namePattern.trimmed().isEmpty()) {
            request.error
                = QStringLiteral("--name-pattern needs a pattern, such as \"{artist}/{album}/{track} {title}\".");
            return false;
        }
    }
    if (encode.items.isEmpty()) {
        request.error = QStringLiteral("--encode needs at least one FILE or FOLDER.");
        return false;
    }
    return true;
}

} // namespace

StartupRequest parseStartupArguments(const QStringList &arguments, const QList<QByteArray> &rawArguments)
{
    QCommandLineParser parser;
    describe(parser);
    StartupRequest request;
    const QStringList given = arguments.isEmpty() ? QStringList{programName()} : arguments;
    if (!parser.parse(given)) {
        request.action = StartupRequest::Action::UsageError;
        request.error = unknownOptionsText(given, parser.unknownOptionNames());
        if (request.error.isEmpty())
            request.error = parser.errorText();
        return request;
    }
    if (parser.isSet(QStringLiteral("help")))
        request.action = StartupRequest::Action::Help;
    else if (parser.isSet(QStringLiteral("version")))
        request.action = StartupRequest::Action::Version;
    request.files = parser.positionalArguments();
    if (request.action != StartupRequest::Action::Start)
        return request;
    if (parser.isSet(QStringLiteral("encode"))) {
        request.action = readEncodeOptions(parser, given, rawArguments, request) ? StartupRequest::Action::Encode
                                                                                 : StartupRequest::Action::UsageError;
        return request;
    }
    for (const char *name : kEncodeOptions) {
        if (parser.isSet(QString::fromLatin1(name))) {
            request.action = StartupRequest::Action::UsageError;
            request.error = QStringLiteral("--%1 is an option of --encode.").arg(QString::fromLatin1(name));
            break;
        }
    }
    return request;
}

QString startupHelpText()
{
    QCommandLineParser parser;
    describe(parser);
    QString text = parser.helpText();
    // Without an application object the parser does not know the program's name.
    const qsizetype usageEnd = text.indexOf(u'\n');
    const QString usage = QStringLiteral("Usage: ") + programName() + QStringLiteral(" [options] [FILE]\n       ")
                          + programName()
                          + QStringLiteral(" --encode [--settings FILE] [--jobs N] [--output-dir DIR]\n"
                                           "               [--existing skip|overwrite|number|update]\n"
                                           "               [--name-pattern PATTERN] [--page-tags fill|replace]\n"
                                           "               [--dry-run] FILE|FOLDER...");
    text.replace(0, usageEnd, usage);
    return text
           + QStringLiteral("\nThe file is opened once the window has started. A settings file is restored as\n"
                            "Settings > Restore settings does; any other name becomes the input as if chosen\n"
                            "with Open on the \"Input file\" page, and the output name is proposed from it.\n"
                            "A relative name is taken against the current folder. A name that is not valid\n"
                            "UTF-8 and a settings file too large to restore are refused, with a message in\n"
                            "the window and on standard error. Several files or a folder open a batch window\n"
                            "that encodes them with the window's options: the first settings file among them\n"
                            "is restored first (any other is named as ignored), and a folder adds the files\n"
                            "inside it and its subfolders that match the input type. Files dropped onto the\n"
                            "window are opened the same way.\n"
                            "\nWith --encode no window opens: each FILE is encoded with the options of\n"
                            "--settings (restored as the window restores them) or the start values, and a\n"
                            "FOLDER adds the files in it and its subfolders that the chosen input type reads\n"
                            "(with --output-dir they keep the folder's layout below DIR/<folder name>). One\n"
                            "file named several ways (a link, a hard link, a file and its folder) is encoded\n"
                            "once; a name that does not exist or is not valid UTF-8 is skipped before\n"
                            "anything starts. Each output is named as the window proposes it, beside its\n"
                            "input unless --output-dir is given. The encoder is the settings file's, else\n"
                            "the stored one, else \"lame\" on the PATH, and gets every name as an absolute\n"
                            "path. One line per finished, failed or skipped file goes to standard error,\n"
                            "names as given with control characters escaped as ls -b shows them; on a\n"
                            "terminal a progress line with the elapsed and remaining time too. A failed or\n"
                            "interrupted file leaves no partial output.\n"
                            "\nWhat a batch reads with the WAV PCM input type (the start value): WAV and AIFF\n"
                            "of one or two channels and MPEG audio, read by the encoder itself; FLAC, Ogg\n"
                            "Vorbis, Opus, Wave64, RF64 and floating-point WAV, read by the encoder too once\n"
                            "a 1 s trial file shows that it reads them, else through ffmpeg; M4A and MP4\n"
                            "(AAC, ALAC) and files of more than two channels (mixed down to two) only\n"
                            "through ffmpeg. Without ffmpeg those are skipped, the reason naming what to\n"
                            "install (apt install ffmpeg). Each file is judged by its content, not its name.\n"
                            "\nEach output carries the input's tags: title, artist, album, album artist, year,\n"
                            "track and disc with their totals, genre, comment, and a cover.jpg, folder.jpg or\n"
                            "front.jpg (or .png) beside the input as its picture. A field filled on the ID3\n"
                            "page of the settings fills only what a file's own tags lack; with --page-tags\n"
                            "replace it is written over every file's. The title and the track number always\n"
                            "come from the file, or from a name such as \"03 - Title.flac\".\n"
                            "--name-pattern names each output below the output folder (or beside its input)\n"
                            "from {artist}, {albumartist}, {album}, {year}, {track} (two digits), {disc},\n"
                            "{title} and {name} (the input's name); \"/\" makes folders. A missing tag reads\n"
                            "\"Unknown artist\", \"Unknown album\", \"Unknown year\"; the title then comes\n"
                            "from the name. A text in braces that names no field stays as written, with a\n"
                            "warning.\n"
                            "\nExit status: 0 when the window was closed or the help or version was shown,\n"
                            "1 when no display could be opened, 2 when the command line was not understood.\n"
                            "With --encode: 0 when every file finished or was skipped, 1 when at least one\n"
                            "failed, 2 when nothing could start (command line, settings file, encoder,\n"
                            "output folder), 130 when interrupted by Ctrl+C (128 + the signal's number for\n"
                            "a termination signal).\n");
}

QString versionText()
{
    return QString::fromLatin1(kProgramTitle) + u' ' + QString::fromLatin1(kProgramVersion);
}

std::optional<int> answerWithoutWindow(const StartupRequest &request, QTextStream &out, QTextStream &err)
{
    switch (request.action) {
    case StartupRequest::Action::Start:
    case StartupRequest::Action::Encode: return std::nullopt;
    case StartupRequest::Action::Help:
        out << startupHelpText();
        out.flush();
        return 0;
    case StartupRequest::Action::Version:
        out << versionText() << '\n';
        out.flush();
        return 0;
    case StartupRequest::Action::UsageError:
        err << programName() << ": " << request.error << '\n'
            << QStringLiteral("Try '%1 --help'.").arg(programName()) << '\n';
        err.flush();
        return kUsageErrorStatus;
    }
    return std::nullopt;
}

QStringList startupFilesToOpen(const StartupRequest &request, QTextStream &err)
{
    QStringList files;
    for (const QString &file : request.files) {
        if (file.isEmpty())
            err << programName() << ": an empty name is no file; nothing opened\n";
        else
            files << file;
    }
    err.flush();
    return files;
}

} // namespace fenwave
