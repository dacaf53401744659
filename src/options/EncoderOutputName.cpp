#include "options/EncoderOutputName.h"

#include <QSet>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace fenwave {

namespace {

// The encoder's switches that take the next argument as their value (a one-letter switch may
// also carry it attached: -V2).
constexpr char kShortWithValue[] = "bBVmqse";
const QSet<QString> &longWithValue()
{
    // clang-format off
    static const QSet<QString> kSwitches{
        "--scale", "--scale-l", "--scale-r", "--gain", "--nogapout", "--out-dir", "--bitwidth", "--preset",
        "--comp", "--disptime", "--abr", "--buffer-constraint", "--lowpass", "--lowpass-width", "--highpass",
        "--highpass-width", "--resample", "--tt", "--ta", "--tl", "--ty", "--tc", "--tn", "--tg", "--ti", "--tv",
        "--pad-id3v2-size"};
    // clang-format on
    return kSwitches;
}

// The extensions the encoder takes off an input's name to make its output's name.
const char *const kSoundExtensions[]
    = {"mp1", "mp2", "mp3", "mpg", "wav", "aif", "aiff", "raw", "ogg", "pcm", "flac", "au", "snd", "w64", "m4a", "mp4"};

struct Parsed {
    QStringList operands;
    QString outputFolder;
    QString gaplessFolder;
    bool decode = false;
    bool gapless = false;
};

Parsed parse(const QStringList &arguments)
{
    Parsed parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.size() < 2 || !argument.startsWith(u'-')) {
            parsed.operands += argument; // "-" included: standard input or output
            continue;
        }
        const bool hasNext = i + 1 < arguments.size();
        if (argument.startsWith(QLatin1String("--"))) {
            if (argument == QLatin1String("--decode"))
                parsed.decode = true;
            else if (argument == QLatin1String("--nogap"))
                parsed.gapless = true;
            else if (longWithValue().contains(argument) && hasNext) {
                const QString &value = arguments.at(++i);
                if (argument == QLatin1String("--out-dir"))
                    parsed.outputFolder = value;
                else if (argument == QLatin1String("--nogapout"))
                    parsed.gaplessFolder = value;
            } else if (longWithValue().contains(argument)) {
                ++i;
            }
            continue;
        }
        // One-letter switches, several in one argument; one with a value takes the rest of the
        // argument, or the next argument when nothing is left.
        for (qsizetype at = 1; at < argument.size(); ++at) {
            const QChar letter = argument.at(at);
            if (letter.unicode() < 128 && std::strchr(kShortWithValue, char(letter.unicode())) != nullptr) {
                if (at + 1 == argument.size())
                    ++i;
                break;
            }
        }
    }
    return parsed;
}

// The name the encoder gives the output of `input` when it is not named.
QString derivedName(const QString &input, const QString &folder, bool decode)
{
    const QString suffix = decode ? QStringLiteral("wav") : QStringLiteral("mp3");
    QString name = input;
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? name.mid(dot + 1) : QString();
    const bool sound = std::any_of(std::begin(kSoundExtensions), std::end(kSoundExtensions), [&](const char *known) {
        return extension.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
    });
    if (sound && extension.compare(suffix, Qt::CaseInsensitive) != 0)
        name.truncate(dot);
    name += u'.' + suffix;
    if (folder.isEmpty())
        return name;
    const QString fileName = name.mid(name.lastIndexOf(u'/') + 1);
    return folder.endsWith(u'/') ? folder + fileName : folder + u'/' + fileName;
}

bool namesFile(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String("-");
}

} // namespace

QStringList encoderOutputNames(const QStringList &arguments)
{
    const Parsed parsed = parse(arguments);
    if (parsed.gapless) {
        QStringList outputs;
        const QString folder = parsed.gaplessFolder.isEmpty() ? parsed.outputFolder : parsed.gaplessFolder;
        for (const QString &input : parsed.operands) {
            if (namesFile(input))
                outputs += derivedName(input, folder, parsed.decode);
        }
        return outputs;
    }
    if (parsed.operands.size() >= 2 && !parsed.operands.at(1).isEmpty())
        return namesFile(parsed.operands.at(1)) ? QStringList{parsed.operands.at(1)} : QStringList();
    if (parsed.operands.isEmpty() || !namesFile(parsed.operands.at(0)))
        return {};
    return {derivedName(parsed.operands.at(0), parsed.outputFolder, parsed.decode)};
}

QStringList encoderInputNames(const QStringList &arguments)
{
    const Parsed parsed = parse(arguments);
    const QStringList read = parsed.gapless ? parsed.operands : parsed.operands.mid(0, 1);
    QStringList inputs;
    for (const QString &name : read) {
        if (namesFile(name))
            inputs += name;
    }
    return inputs;
}

} // namespace fenwave
