// Fuzz target for the integer reading of settings values.
//
// The input is read twice: as UTF-8 and as raw UTF-16LE (so that any character,
// other scripts' digits and lone surrogates included, reaches the reader).
//
// Checked: the reader (and its hex-digit helpers) agree with a plain reference
// written here, and every number it accepts is read back from its own decimal
// and "$" hex spellings.

#include "FuzzCheck.h"
#include "settings/ProfileInteger.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <algorithm>
#include <string>

using fenwave::parseProfileInteger;

namespace {

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiHexDigit(char16_t c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The digits as an ASCII string, or empty when any character is not accepted.
std::string asciiDigits(std::u16string_view text, bool (*accepted)(char16_t))
{
    std::string digits;
    for (char16_t c : text) {
        if (!accepted(c))
            return {};
        digits.push_back(char(c));
    }
    return digits;
}

std::optional<quint32> referenceHexDigits(std::u16string_view text)
{
    const std::string digits = asciiDigits(text, isAsciiHexDigit);
    if (digits.empty() || digits.size() != text.size() || digits.size() > 8)
        return std::nullopt;
    return quint32(std::stoul(digits, nullptr, 16));
}

std::optional<qint32> referenceParse(std::u16string_view text)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);

    std::u16string_view hex;
    bool isHex = false;
    if (text.substr(0, 1) == u"$") {
        hex = text.substr(1);
        isHex = true;
    } else if (text.substr(0, 2) == u"0x" || text.substr(0, 2) == u"0X") {
        hex = text.substr(2);
        isHex = true;
    }
    if (isHex) {
        const std::optional<quint32> value = referenceHexDigits(hex);
        return value ? std::optional<qint32>(qint32(*value)) : std::nullopt;
    }

    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    std::string digits = asciiDigits(text, isAsciiDigit);
    if (digits.empty() || digits.size() != text.size())
        return std::nullopt;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10)
        return std::nullopt;
    const long long magnitude = std::stoll(digits);
    const long long value = negative ? -magnitude : magnitude;
    if (value < -2147483648LL || value > 2147483647LL)
        return std::nullopt;
    return qint32(value);
}

void check(const QString &text)
{
    const std::u16string_view view(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    FUZZ_CHECK(fenwave::parseHexDigits(text) == referenceHexDigits(view));
    for (const QChar c : text) {
        const int digit = fenwave::hexDigitValue(c);
        FUZZ_CHECK(isAsciiHexDigit(c.unicode()) ? digit == std::stoi(std::string(1, char(c.unicode())), nullptr, 16)
                                                : digit == -1);
    }
    const std::optional<qint32> result = parseProfileInteger(text);
    FUZZ_CHECK(result == referenceParse(view));
    if (!result)
        return;
    FUZZ_CHECK(parseProfileInteger(QString::number(*result)) == result);
    FUZZ_CHECK(parseProfileInteger(QStringLiteral("\t $") + QString::number(quint32(*result), 16).toUpper()) == result);
    FUZZ_CHECK(!parseProfileInteger(text + u' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    check(QString::fromUtf8(input));
    QString utf16;
    for (qsizetype i = 0; i + 1 < input.size(); i += 2)
        utf16.append(QChar(char16_t(quint8(input[i]) | (quint8(input[i + 1]) << 8))));
    check(utf16);
    return 0;
}
