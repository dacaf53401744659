#include "tags/TagSwitches.h"

#include "options/CommandLine.h"
#include "tags/Utf8Cut.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace fenwave {

namespace {

bool filled(const OptionSet &page, Field field)
{
    return !trimBelow33(page.text(field)).isEmpty();
}

QString numberOfTotal(int number, int total)
{
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

// The encoder reads a genre as a number when all of it is one, as strtol reads it (blanks
// before it and a sign allowed), and stops at a number it does not know; its integer wraps
// (4294967297 would be genre 1), so a number is judged by its digits, never converted whole.
// Any other text it keeps as a name (a version 1 tag then says "Other"). Debian's lame 3.100
// knows 0 to 147 (lame --genre-list).
bool encoderTakesGenre(const QString &genre)
{
    constexpr int kLastGenre = 147;
    QStringView rest(genre);
    while (!rest.isEmpty() && QStringView(u" \t\n\v\f\r").contains(rest.front()))
        rest = rest.mid(1);
    const bool negative = rest.startsWith(u'-');
    if (negative || rest.startsWith(u'+'))
        rest = rest.mid(1);
    const bool isNumber
        = !rest.isEmpty() && std::all_of(rest.begin(), rest.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!isNumber)
        return true;
    while (rest.size() > 1 && rest.front() == u'0')
        rest = rest.mid(1);
    return rest.size() <= 3 && rest.toInt() <= kLastGenre && (!negative || rest == u"0");
}

// The page's fields a batch meets with each file's tags, and where the rules keep each.
struct PageField {
    Field field;
    QString FileTagRules::*value;
};
constexpr PageField kPageFields[] = {
    {Field::edtArtist, &FileTagRules::artist},   {Field::edtAlbum, &FileTagRules::album},
    {Field::edtYear, &FileTagRules::year},       {Field::cbxGenre, &FileTagRules::genre},
    {Field::edtComment, &FileTagRules::comment},
};

// The file's value or the page's, as the rules say.
QString chosen(const FileTagRules &rules, const QString &page, const QString &file)
{
    if (page.isEmpty())
        return file;
    return file.isEmpty() || rules.how == PageTags::Replace ? page : file;
}

} // namespace

NameTitle titleFromFileName(const QString &path)
{
    // A leading number of one to three digits, then a blank, " - ", "-", "." or "_".
    static const QRegularExpression kNumbered(QStringLiteral("^([0-9]{1,3})(?:\\s*[-._]\\s*|\\s+)(\\S.*)$"),
                                              QRegularExpression::DotMatchesEverythingOption);
    const QString base = QFileInfo(path).completeBaseName();
    const QRegularExpressionMatch match = kNumbered.match(base);
    if (!match.hasMatch())
        return {};
    NameTitle result{match.captured(1).toInt(), match.captured(2).trimmed()};
    if (result.track == 0)
        result.title.clear(); // "00 Intro": not a track number, and then not a title either
    return result.track > 0 ? result : NameTitle{};
}

FileTagRules fileTagRules(const OptionSet &page, PageTags how)
{
    const bool pageApplies = !page.isOn(Field::flgDefault);
    FileTagRules rules;
    rules.carry = true;
    rules.how = how;
    if (pageApplies) {
        for (const PageField &row : kPageFields)
            rules.*row.value = trimBelow33(page.text(row.field)).toString();
    }
    rules.cover = !(pageApplies && page.isOn(Field::rbut1stOnly));
    return rules;
}

QList<Field> filledPageTagFields(const OptionSet &page)
{
    QList<Field> fields;
    if (page.isOn(Field::flgDefault))
        return fields;
    for (const PageField &row : kPageFields) {
        if (filled(page, row.field))
            fields += row.field;
    }
    return fields;
}

QStringList fileTagSwitches(const FileTagRules &rules, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile, bool *cut)
{
    if (cut)
        *cut = false;
    QStringList switches;
    if (!rules.carry)
        return switches;
    const NameTitle fromName = (tags.title.isEmpty() || tags.track <= 0) ? titleFromFileName(inputPath) : NameTitle{};
    const auto add = [&switches, cut](const char *name, const QString &value, const QString &prefix = QString()) {
        if (value.isEmpty())
            return;
        const QString bounded = cutToBytes(value, kTagValueMaxBytes);
        if (cut && bounded.size() < value.size())
            *cut = true;
        switches << QString::fromLatin1(name) << prefix + bounded;
    };
    add("--tt", tags.title.isEmpty() ? fromName.title : tags.title);
    add("--ta", chosen(rules, rules.artist, tags.artist));
    add("--tl", chosen(rules, rules.album, tags.album));
    add("--ty", chosen(rules, rules.year, tags.year));
    if (tags.track > 0)
        add("--tn", numberOfTotal(tags.track, tags.trackTotal));
    else if (fromName.track > 0)
        add("--tn", QString::number(fromName.track));
    add("--tg", chosen(rules, rules.genre, encoderTakesGenre(tags.genre) ? tags.genre : QString()));
    add("--tc", chosen(rules, rules.comment, tags.comment));
    add("--tv", tags.albumArtist, QStringLiteral("TPE2="));
    if (tags.disc > 0)
        add("--tv", numberOfTotal(tags.disc, tags.discTotal), QStringLiteral("TPOS="));
    if (rules.cover && !coverFile.isEmpty())
        switches << QStringLiteral("--ti") << coverFile;
    return switches;
}

int fillEmptyTagFields(OptionSet &page, const SourceTags &tags)
{
    const QString track = tags.track > 0 ? numberOfTotal(tags.track, tags.trackTotal) : QString();
    const std::pair<Field, QString> values[] = {
        {Field::edtSongName, tags.title},  {Field::edtArtist, tags.artist}, {Field::edtAlbum, tags.album},
        {Field::edtYear, tags.year},       {Field::edtTrackNumber, track},  {Field::cbxGenre, tags.genre},
        {Field::edtComment, tags.comment},
    };
    int count = 0;
    for (const auto &[field, value] : values) {
        if (value.isEmpty() || filled(page, field))
            continue;
        page.setText(field, value);
        ++count;
    }
    return count;
}

} // namespace fenwave
