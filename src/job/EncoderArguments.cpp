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
    arguments.reserve(switches.size() + 2);
    arguments << switches << QStringLiteral("-") << operand(output);
    return arguments;
}

} // namespace fenwave
