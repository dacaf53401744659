#include "tags/NamePattern.h"

#include "tags/TagSwitches.h"
#include "tags/Utf8Cut.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

namespace fenwave {

namespace {

struct PatternField {
    const char *name;
    // What a name shows where the file lacks the field; null: the input's name.
    const char *fallback;
    // In a folder level, a file that lacks it keeps its own folders instead.
    bool placesFile;
};

// The fallbacks are the same words in every interface language: names must not change when
// the language does, or a batch run again would make a second copy of every untagged file.
// clang-format off
constexpr PatternField kFields[] = {
    {"artist", "Unknown artist", true},
    {"albumartist", "Unknown artist", true},
    {"album", "Unknown album", true},
    {"year", "Unknown year", false},
    {"track", "", false},
    {"disc", "1", false},
    {"title", nullptr, false},
    {"name", nullptr, false},
};
// clang-format on

const PatternField *fieldNamed(QStringView text)
{
    for (const PatternField &field : kFields) {
        if (text == QLatin1String(field.name))
            return &field;
    }
    return nullptr;
}

bool isField(QStringView text)
{
    return fieldNamed(text) != nullptr;
}

// A field's value as one piece of a name: a "/" would start a folder, a control character or
// a line break has no place in a name, and an invisible format character (a direction
// override above all) would make the name read as another.
QString safeValue(const QString &value)
{
    QString safe;
    safe.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const bool pair = c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate();
        if (c.isSurrogate() && !pair)
            continue; // half a character names nothing
        const char32_t code = pair ? QChar::surrogateToUcs4(c, value[i + 1]) : c.unicode();
        const QChar::Category category = QChar::category(code);
        if (code == u'/')
            safe += u'-';
        else if (category == QChar::Other_Control || category == QChar::Separator_Line
                 || category == QChar::Separator_Paragraph)
            safe += u' ';
        else if (category != QChar::Other_Format)
            safe += QStringView(value).mid(i, pair ? 2 : 1);
        if (pair)
            ++i;
    }
    return safe;
}

// One part of the path, fit for the file system; empty when nothing of it is left.
QString safePart(QString part, int bytes)
{
    part = part.trimmed();
    while (part.startsWith(u'.'))
        part = part.mid(1).trimmed();
    return cutToBytes(part, bytes).trimmed();
}

// The tag, or nothing when a name would hold nothing of it: blanks and dots alone (a part
// loses its leading dots and its blanks at either end), once made safe.
QString present(const QString &tag)
{
    const QString safe = safeValue(tag);
    const bool holdsMore = std::any_of(safe.cbegin(), safe.cend(), [](QChar c) { return !c.isSpace() && c != u'.'; });
    return holdsMore ? tag : QString();
}

// The field's value from the file; empty when the file lacks it.
QString valueOf(QStringView field, const SourceTags &tags, const QString &inputPath)
{
    if (field == u"artist")
        return present(tags.artist);
    if (field == u"albumartist") {
        const QString albumArtist = present(tags.albumArtist);
        return albumArtist.isEmpty() ? present(tags.artist) : albumArtist;
    }
    if (field == u"album")
        return present(tags.album);
    if (field == u"year")
        return present(tags.year);
    if (field == u"track") {
        const int track = tags.track > 0 ? tags.track : titleFromFileName(inputPath).track;
        return track > 0 ? QStringLiteral("%1").arg(track, 2, 10, QLatin1Char('0')) : QString();
    }
    if (field == u"disc")
        return tags.disc > 0 ? QString::number(tags.disc) : QString();
    if (field == u"title") {
        const QString title = present(tags.title);
        return title.isEmpty() ? present(titleFromFileName(inputPath).title) : title;
    }
    return QFileInfo(inputPath).completeBaseName(); // {name}
}

// What may stand between a track number and the title: left out with a missing number.
bool isSeparator(QChar c)
{
    return c.isSpace() || c == u'-' || c == u'.' || c == u'_' || c == u'\u2013' || c == u'\u2014';
}

// The text between the braces that open at `open`; none where they do not close.
std::optional<QStringView> bracedText(const QString &pattern, qsizetype open)
{
    const qsizetype close = pattern.indexOf(u'}', open + 1);
    if (close < 0)
        return std::nullopt;
    return QStringView(pattern).mid(open + 1, close - open - 1);
}

// One part of the pattern (between its "/") with its fields filled in.
struct FilledPart {
    QString text;
    bool placesFile = false; // names a field that places the file (artist, album artist, album)
    bool lacksPlace = false; // ... that the file lacks
};

FilledPart fillPart(const QString &part, const SourceTags &tags, const QString &inputPath)
{
    FilledPart filled;
    bool dropSeparator = false;
    for (qsizetype i = 0; i < part.size();) {
        if (part[i] == u'{') {
            const std::optional<QStringView> text = bracedText(part, i);
            if (const PatternField *field = text ? fieldNamed(*text) : nullptr) {
                const QString value = valueOf(*text, tags, inputPath);
                filled.placesFile = filled.placesFile || field->placesFile;
                filled.lacksPlace = filled.lacksPlace || (field->placesFile && value.isEmpty());
                const QString fallback
                    = field->fallback ? QString::fromUtf8(field->fallback) : QFileInfo(inputPath).completeBaseName();
                filled.text += safeValue(value.isEmpty() ? fallback : value);
                dropSeparator = value.isEmpty() && *text == u"track";
                i += text->size() + 2;
                continue;
            }
        }
        if (dropSeparator && isSeparator(part[i])) {
            ++i;
            continue;
        }
        dropSeparator = false;
        filled.text += part[i] == QChar(u'\0') ? QChar(u' ') : part[i];
        ++i;
    }
    return filled;
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
        // Braces around a "/" pair with none: each part holds one alone.
        if (!isField(*text) && !text->contains(u'{') && !text->contains(u'/') && !unknown.contains(braced))
            unknown += braced;
    }
    return unknown;
}

QStringList unpairedPatternBraces(const QString &pattern)
{
    QStringList unpaired;
    for (const QString &part : pattern.split(u'/')) {
        int open = 0;
        bool strayClose = false;
        for (const QChar c : part) {
            if (c == u'{')
                ++open;
            else if (c == u'}' && open > 0)
                --open;
            else if (c == u'}')
                strayClose = true;
        }
        if ((open > 0 || strayClose) && !unpaired.contains(part))
            unpaired += part;
    }
    return unpaired;
}

QStringList patternFields()
{
    QStringList fields;
    for (const PatternField &field : kFields)
        fields += u'{' + QLatin1String(field.name) + u'}';
    return fields;
}

QString nameFromPattern(const QString &pattern, const SourceTags &tags, const QString &inputPath,
                        const QString &extension, const QString &keptFolders)
{
    // Each part is filled apart, with values that hold no "/": the pattern's own "/" alone splits.
    std::vector<FilledPart> filled;
    for (const QString &part : pattern.split(u'/'))
        filled.push_back(fillPart(part, tags, inputPath));
    const std::size_t folders = filled.size() - 1;
    std::size_t keptFrom = folders;
    bool lacksPlace = false;
    for (std::size_t i = 0; i < folders; ++i) {
        if (filled[i].placesFile && keptFrom == folders)
            keptFrom = i;
        lacksPlace = lacksPlace || filled[i].lacksPlace;
    }
    if (!lacksPlace)
        keptFrom = folders;

    QStringList parts;
    for (std::size_t i = 0; i < keptFrom; ++i) {
        const QString part = safePart(filled[i].text, kNameMaxBytes);
        if (!part.isEmpty())
            parts += part;
    }
    if (keptFrom < folders)
        parts += keptFolders.split(u'/', Qt::SkipEmptyParts);
    const int fileBytes = kNameMaxBytes - int(extension.toUtf8().size());
    QString file = safePart(filled.back().text, fileBytes);
    if (file.isEmpty())
        file = safePart(safeValue(QFileInfo(inputPath).completeBaseName()), fileBytes);
    parts += file.isEmpty() ? QStringLiteral("_") : file;
    return parts.join(u'/') + extension;
}

} // namespace fenwave
