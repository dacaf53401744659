#include "settings/ProfileInteger.h"

namespace fenwave {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

std::optional<qint32> toSigned(std::optional<quint32> value)
{
    if (!value)
        return std::nullopt;
    return static_cast<qint32>(*value);
}

std::optional<qint32> parseDecimal(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Magnitude limit: 2^31 for negative numbers, 2^31 - 1 otherwise.
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 magnitude = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<qint32>(negative ? -magnitude : magnitude);
}

} // namespace

std::optional<qint32> parseProfileInteger(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    text = text.mid(start);
    if (text.startsWith(u'$'))
        return toSigned(parseHexDigits(text.mid(1)));
    if (text.startsWith(u"0x") || text.startsWith(u"0X"))
        return toSigned(parseHexDigits(text.mid(2)));
    return parseDecimal(text);
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<quint32> parseHexDigits(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = (value << 4) | quint32(digit);
    }
    return value;
}

} // namespace fenwave
