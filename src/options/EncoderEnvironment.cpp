#include "options/EncoderEnvironment.h"

namespace fenwave {

QProcessEnvironment encoderEnvironment()
{
    return encoderEnvironment(QProcessEnvironment::systemEnvironment());
}

QProcessEnvironment encoderEnvironment(QProcessEnvironment base)
{
    base.remove(QStringLiteral("LC_ALL"));
    base.insert(QStringLiteral("LC_CTYPE"), QStringLiteral("C.UTF-8"));
    return base;
}

} // namespace fenwave
