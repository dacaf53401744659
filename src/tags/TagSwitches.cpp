#include "tags/TagSwitches.h"

#include "options/CommandLine.h"

#include <QFileInfo>
#include <QRegularExpression>

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

// The encoder stops at a genre number it does not know; a name it does not know it keeps
// (a version 1 tag then says "Other").
bool encoderTakesGenre(const QString &genre)
{
    bool isNumber = false;
    const int number = genre.toInt(&isNumber);
    return !isNumber || (number >= 0 && number <= 147);
}

} // namespace

NameTitle titleFromFileName(const QString &path)
{
    // "Track 7", "track07", "Track 12 - Title", as players and rippers name tracks.
    static const QRegularExpression kTrackWord(
        QStringLiteral("^track[\\s_-]*([0-9]{1,3})(?:(?:\\s*[-._]\\s*|\\s+)(\\S.*))?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // A leading number of one to three digits, then " - ", "-", "." or "_", or a blank; but a
    // single digit and a blank before an "Artist - Title" start the artist's name: "2 Unlimited
    // - Get Ready" is no track 2, where "3 bare" is track 3.
    static const QRegularExpression kNumbered(
        QStringLiteral("^(?:([0-9]{1,3})\\s*[-._]\\s*|([0-9]{2,3})\\s+|([0-9])\\s+(?!.*\\s-\\s))(\\S.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    // A number alone ("07"); four digits are a year rather.
    static const QRegularExpression kNumberAlone(QStringLiteral("^([0-9]{1,3})$"));
    const QString base = QFileInfo(path).completeBaseName();
    NameTitle result;
    if (const QRegularExpressionMatch match = kTrackWord.match(base); match.hasMatch())
        result = {match.captured(1).toInt(), match.captured(2).trimmed()};
    else if (const QRegularExpressionMatch match = kNumbered.match(base); match.hasMatch())
        result = {(match.captured(1) + match.captured(2) + match.captured(3)).toInt(), match.captured(4).trimmed()};
    else if (const QRegularExpressionMatch match = kNumberAlone.match(base); match.hasMatch())
        result.track = match.captured(1).toInt();
    // "00 Intro": not a track number, and then not a title either.
    return result.track > 0 ? result : NameTitle{};
}

QStringList fileTagSwitches(const OptionSet &page, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile)
{
    return fileTagSwitches(fileTagRules(page), tags, inputPath, coverFile);
}

FileTagRules fileTagRules(const OptionSet &page)
{
    const bool pageApplies = !page.isOn(Field::flgDefault);
    const auto open = [&](Field field) { return !pageApplies || !filled(page, field); };
    FileTagRules rules;
    rules.carry = true;
    rules.artist = open(Field::edtArtist);
    rules.album = open(Field::edtAlbum);
    rules.year = open(Field::edtYear);
    rules.genre = open(Field::cbxGenre);
    rules.comment = open(Field::edtComment);
    rules.cover = !(pageApplies && page.isOn(Field::rbut1stOnly));
    return rules;
}

QList<Field> filledPageTagFields(const OptionSet &page)
{
    QList<Field> fields;
    if (page.isOn(Field::flgDefault))
        return fields;
    for (Field field : {Field::edtArtist, Field::edtAlbum, Field::edtYear, Field::cbxGenre, Field::edtComment}) {
        if (filled(page, field))
            fields += field;
    }
    return fields;
}

QStringList fileTagSwitches(const FileTagRules &rules, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile)
{
    QStringList switches;
    if (!rules.carry)
        return switches;
    const NameTitle fromName = (tags.title.isEmpty() || tags.track <= 0) ? titleFromFileName(inputPath) : NameTitle{};
    const auto add = [&switches](const char *name, const QString &value) {
        if (!value.isEmpty())
            switches << QString::fromLatin1(name) << value;
    };
    add("--tt", tags.title.isEmpty() ? fromName.title : tags.title);
    if (rules.artist)
        add("--ta", tags.artist);
    if (rules.album)
        add("--tl", tags.album);
    if (rules.year)
        add("--ty", tags.year);
    if (tags.track > 0)
        add("--tn", numberOfTotal(tags.track, tags.trackTotal));
    else if (fromName.track > 0)
        add("--tn", QString::number(fromName.track));
    if (rules.genre && encoderTakesGenre(tags.genre))
        add("--tg", tags.genre);
    if (rules.comment)
        add("--tc", tags.comment);
    if (!tags.albumArtist.isEmpty())
        add("--tv", QStringLiteral("TPE2=") + tags.albumArtist);
    if (tags.disc > 0)
        add("--tv", QStringLiteral("TPOS=") + numberOfTotal(tags.disc, tags.discTotal));
    if (rules.cover)
        add("--ti", coverFile);
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
