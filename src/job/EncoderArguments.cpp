#include "job/EncoderArguments.h"

namespace fenwave {

namespace {

QString operand(const QString &path)
{
    return path.startsWith(u'-') ? QStringLiteral("./") + path : path;
}

} // namespace

QStringList encoderArguments(const QStringList &switches, const QString &input, const QString &output)
{
    QStringList arguments;
    arguments.reserve(switches.size() + 2);
    arguments << switches << operand(input) << operand(output);
    return arguments;
}

QStringList encoderArgumentsFromPipe(const QStringList &switches, const QString &output)
{
    QStringList arguments;
    arguments.reserve(switches.size() + 3);
    // A WAV header written into a pipe cannot know the length and says the largest there is;
    // the encoder would believe it and write a length tag of 49 days.
    arguments << QStringLiteral("--ignorelength") << switches << QStringLiteral("-") << operand(output);
    return arguments;
}

} // namespace fenwave
