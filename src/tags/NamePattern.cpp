#include "tags/NamePattern.h"

#include "tags/TagSwitches.h"
#include "tags/Utf8Cut.h"

#include <QFileInfo>
#include <QStringList>

#include <optional>

namespace fenwave {

namespace {

struct Fallbacks {
    const char *artist;
    const char *album;
    const char *year;
};

// clang-format off
constexpr Fallbacks kFallbacks[] = {
    {"Unknown artist", "Unknown album", "Unknown year"},
    {"Неизвестный исполнитель", "Неизвестный альбом", "Год неизвестен"},
};
// clang-format on

const Fallbacks &fallbacks(Language language)
{
    return kFallbacks[language == Language::Russian ? 1 : 0];
}

QString orElse(const QString &value, const char *fallback)
{
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

// A field's value as one piece of a name: a "/" would start a folder and a control character
// has no place in a name.
QString safeValue(QString value)
{
    for (QChar &c : value) {
        if (c == u'/')
            c = u'-';
        else if (c.unicode() < 32 || c.unicode() == 127)
            c = u' ';
    }
    return value;
}

QString fieldValue(QStringView field, const SourceTags &tags, const QString &inputPath, Language language)
{
    const Fallbacks &fallback = fallbacks(language);
    const QString name = QFileInfo(inputPath).completeBaseName();
    if (field == u"artist")
        return orElse(tags.artist, fallback.artist);
    if (field == u"albumartist")
        return orElse(tags.albumArtist.isEmpty() ? tags.artist : tags.albumArtist, fallback.artist);
    if (field == u"album")
        return orElse(tags.album, fallback.album);
    if (field == u"year")
        return orElse(tags.year, fallback.year);
    if (field == u"track") {
        const int track = tags.track > 0 ? tags.track : titleFromFileName(inputPath).track;
        return QStringLiteral("%1").arg(track, 2, 10, QLatin1Char('0'));
    }
    if (field == u"disc")
        return QString::number(tags.disc > 0 ? tags.disc : 1);
    if (field == u"title") {
        if (!tags.title.isEmpty())
            return tags.title;
        const QString fromName = titleFromFileName(inputPath).title;
        return fromName.isEmpty() ? name : fromName;
    }
    if (field == u"name")
        return name;
    return QString();
}

constexpr const char *kFields[] = {"artist", "albumartist", "album", "year", "track", "disc", "title", "name"};

bool isField(QStringView field)
{
    for (const char *known : kFields) {
        if (field == QLatin1String(known))
            return true;
    }
    return false;
}

// The text between the braces that open at `open`; none where they do not close.
std::optional<QStringView> bracedText(const QString &pattern, qsizetype open)
{
    const qsizetype close = pattern.indexOf(u'}', open + 1);
    if (close < 0)
        return std::nullopt;
    return QStringView(pattern).mid(open + 1, close - open - 1);
}

// One part of the path, fit for the file system; empty when nothing of it is left.
QString safePart(QString part, int bytes)
{
    part = part.trimmed();
    while (part.startsWith(u'.'))
        part = part.mid(1).trimmed();
    return cutToBytes(part, bytes).trimmed();
}

} // namespace

bool patternReadsTags(const QString &pattern)
{
    for (qsizetype open = pattern.indexOf(u'{'); open >= 0; open = pattern.indexOf(u'{', open + 1)) {
        const std::optional<QStringView> field = bracedText(pattern, open);
        if (!field)
            return false;
        if (isField(*field) && *field != u"name")
            return true;
    }
    return false;
}

QStringList unknownPatternFields(const QString &pattern)
{
    QStringList unknown;
    for (qsizetype open = pattern.indexOf(u'{'); open >= 0; open = pattern.indexOf(u'{', open + 1)) {
        const std::optional<QStringView> text = bracedText(pattern, open);
        if (!text)
            break;
        const QString braced = u'{' + text->toString() + u'}';
        if (!isField(*text) && !text->contains(u'{') && !unknown.contains(braced))
            unknown += braced;
    }
    return unknown;
}

QStringList patternFields()
{
    QStringList fields;
    for (const char *field : kFields)
        fields += u'{' + QLatin1String(field) + u'}';
    return fields;
}

QString nameFromPattern(const QString &pattern, const SourceTags &tags, const QString &inputPath,
                        const QString &extension, Language language)
{
    // Fields are filled first, with values that hold no "/": the pattern's own "/" alone splits.
    QString filledIn;
    for (qsizetype i = 0; i < pattern.size();) {
        if (pattern[i] == u'{') {
            const std::optional<QStringView> field = bracedText(pattern, i);
            if (field && isField(*field)) {
                filledIn += safeValue(fieldValue(*field, tags, inputPath, language));
                i += field->size() + 2;
                continue;
            }
        }
        filledIn += pattern[i] == QChar(u'\0') ? QChar(u' ') : pattern[i];
        ++i;
    }
    QStringList parts;
    const QStringList pieces = filledIn.split(u'/');
    const int extensionBytes = int(extension.toUtf8().size());
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const bool last = i == pieces.size() - 1;
        const QString part = safePart(pieces[i], kNameMaxBytes - (last ? extensionBytes : 0));
        if (!part.isEmpty())
            parts += part;
        else if (last)
            parts += safePart(safeValue(QFileInfo(inputPath).completeBaseName()), kNameMaxBytes - extensionBytes);
    }
    parts.removeAll(QString());
    if (parts.isEmpty())
        parts += QStringLiteral("_");
    return parts.join(u'/') + extension;
}

} // namespace fenwave
