// Fuzz target for output names made from a pattern of tag fields.
//
// The input is split at its 0xFF bytes (never part of UTF-8): the pattern, then the title,
// artist, album, album artist and year, then the input's name, then the track and the disc
// number, each read as UTF-8; a tag piece that starts with 0x01 is read as UTF-16 instead, so
// that half characters (lone surrogates) reach the names as a damaged tag would bring them.
//
// Checked, for the name and for the same name with the folders kept: it ends with the
// extension; no part is empty, starts with a dot or is over 255 bytes of UTF-8; no part
// holds a control or format character, a line or paragraph separator or half a character
// unless the pattern itself holds it (the pattern's text is kept as typed); the file name
// holds more than the extension. The slips each stand in the pattern as they are listed.

#include "FuzzCheck.h"
#include "tags/NamePattern.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace {

QString piece(const QList<QByteArray> &pieces, qsizetype index)
{
    if (index >= pieces.size())
        return QString();
    const QByteArray &bytes = pieces[index];
    if (bytes.startsWith('\x01'))
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 1), (bytes.size() - 1) / 2);
    return QString::fromUtf8(bytes);
}

// true when `text` holds a control or format character, a line or paragraph separator or half
// a character that the pattern does not hold itself (a NUL never stays).
bool holdsUnsafe(const QString &text, const QString &pattern)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView character = QStringView(text).mid(i, pair ? 2 : 1);
        const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const QChar::Category category = QChar::category(code);
        const bool unsafe = (!pair && text[i].isSurrogate()) || category == QChar::Other_Control
                            || category == QChar::Other_Format || category == QChar::Separator_Line
                            || category == QChar::Separator_Paragraph;
        if (unsafe && (code == 0 || !pattern.contains(character)))
            return true;
        if (pair)
            ++i;
    }
    return false;
}

void checkName(const QString &name, const QString &pattern, const QString &extension)
{
    FUZZ_CHECK(name.endsWith(extension));
    const QStringList parts = name.split(u'/');
    for (const QString &part : parts) {
        FUZZ_CHECK(!part.isEmpty());
        FUZZ_CHECK(!part.startsWith(u'.'));
        FUZZ_CHECK(part.toUtf8().size() <= fenwave::kNameMaxBytes);
        FUZZ_CHECK(!holdsUnsafe(part, pattern));
    }
    FUZZ_CHECK(parts.last().size() > extension.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> pieces = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\xff');
    const QString pattern = QString::fromUtf8(pieces.value(0));
    fenwave::SourceTags tags;
    tags.title = piece(pieces, 1);
    tags.artist = piece(pieces, 2);
    tags.album = piece(pieces, 3);
    tags.albumArtist = piece(pieces, 4);
    tags.year = piece(pieces, 5);
    const QString input = QStringLiteral("/in/") + piece(pieces, 6) + QStringLiteral(".flac");
    tags.track = piece(pieces, 7).toInt();
    tags.disc = piece(pieces, 8).toInt();

    const QString extension = QStringLiteral(".mp3");
    const QString kept = QStringLiteral("Kept folder/CD 1");
    checkName(fenwave::nameFromPattern(pattern, tags, input, extension, QString()), pattern, extension);
    checkName(fenwave::nameFromPattern(pattern, tags, input, extension, kept), pattern, extension);

    (void)fenwave::patternReadsTags(pattern);
    for (const QString &slip : fenwave::unknownPatternFields(pattern) + fenwave::unpairedPatternBraces(pattern))
        FUZZ_CHECK(pattern.contains(slip));
    return 0;
}
