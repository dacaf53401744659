#include "tags/SourceTags.h"

#include "tags/CoverFile.h"
#include "tags/TagLibSource.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace fenwave {

namespace {

QString fromTagLib(const TagLib::String &text)
{
    return QString::fromStdString(text.to8Bit(true));
}

QByteArray fromTagLib(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// The first value of the first key present, as the file holds it.
QString firstValue(const TagLib::PropertyMap &map, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const auto found = map.find(key);
        if (found != map.end() && !found->second.isEmpty()) {
            const QString value = fromTagLib(found->second.front());
            if (!value.isEmpty())
                return value;
        }
    }
    return QString();
}

void takeProperties(SourceTags &tags, const TagLib::PropertyMap &map)
{
    tags.title = firstValue(map, {"TITLE"});
    tags.artist = firstValue(map, {"ARTIST"});
    tags.album = firstValue(map, {"ALBUM"});
    tags.albumArtist = firstValue(map, {"ALBUMARTIST", "ALBUM ARTIST"});
    tags.year = yearOfDate(firstValue(map, {"DATE", "YEAR", "ORIGINALDATE"}));
    tags.genre = firstValue(map, {"GENRE"});
    tags.comment = firstValue(map, {"COMMENT", "DESCRIPTION"});
    const NumberOfTotal track = parseNumberOfTotal(firstValue(map, {"TRACKNUMBER"}));
    tags.track = track.number;
    tags.trackTotal
        = track.total ? track.total : parseNumberOfTotal(firstValue(map, {"TRACKTOTAL", "TOTALTRACKS"})).number;
    const NumberOfTotal disc = parseNumberOfTotal(firstValue(map, {"DISCNUMBER"}));
    tags.disc = disc.number;
    tags.discTotal = disc.total ? disc.total : parseNumberOfTotal(firstValue(map, {"DISCTOTAL", "TOTALDISCS"})).number;
}

// The front cover among the pictures, else the first one.
template <typename Picture, typename IsFront>
QByteArray frontPicture(const TagLib::List<Picture *> &pictures, IsFront isFront)
{
    QByteArray first;
    for (const Picture *picture : pictures) {
        if (!picture || picture->data().isEmpty())
            continue;
        if (isFront(picture))
            return fromTagLib(picture->data());
        if (first.isEmpty())
            first = fromTagLib(picture->data());
    }
    return first;
}

QByteArray xiphCover(TagLib::Ogg::XiphComment *comment)
{
    if (!comment)
        return QByteArray();
    return frontPicture(comment->pictureList(),
                        [](const TagLib::FLAC::Picture *p) { return p->type() == TagLib::FLAC::Picture::FrontCover; });
}

QByteArray id3v2Cover(TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return QByteArray();
    QByteArray first;
    for (TagLib::ID3v2::Frame *frame : tag->frameList("APIC")) {
        const auto *picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(frame);
        if (!picture || picture->picture().isEmpty())
            continue;
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            return fromTagLib(picture->picture());
        if (first.isEmpty())
            first = fromTagLib(picture->picture());
    }
    return first;
}

QByteArray mp4Cover(TagLib::MP4::Tag *tag)
{
    if (!tag || !tag->contains("covr"))
        return QByteArray();
    for (const TagLib::MP4::CoverArt &art : tag->item("covr").toCoverArtList()) {
        if (!art.data().isEmpty())
            return fromTagLib(art.data());
    }
    return QByteArray();
}

// Whether the file holds a picture the encoder takes, judged by its first bytes as an embedded
// one is: any other (a web page saved as cover.jpg, a WebP) would fail every file it goes with.
bool isCoverPicture(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && !coverExtension(file.read(kCoverSignatureBytes)).isEmpty();
}

// The tags of a file opened as its kind: the common names TagLib maps each format's own to, and
// the cover where each format keeps it.
void readTags(SourceTags &tags, TagLib::File *file)
{
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
        // The id3 chunk first; what it leaves out comes from the INFO list.
        TagLib::PropertyMap map = wav->hasID3v2Tag() ? wav->ID3v2Tag()->properties() : TagLib::PropertyMap();
        if (wav->hasInfoTag()) {
            const TagLib::PropertyMap info = wav->InfoTag()->properties();
            for (const auto &entry : info) {
                if (!map.contains(entry.first))
                    map.insert(entry.first, entry.second);
            }
        }
        takeProperties(tags, map);
        if (wav->hasID3v2Tag())
            tags.cover = id3v2Cover(wav->ID3v2Tag());
        return;
    }
    takeProperties(tags, file->properties()); // MPEG: ID3v2, else APE, else ID3v1
    if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
        tags.cover = frontPicture(flac->pictureList(), [](const TagLib::FLAC::Picture *p) {
            return p->type() == TagLib::FLAC::Picture::FrontCover;
        });
        if (tags.cover.isEmpty())
            tags.cover = xiphCover(flac->xiphComment());
    } else if (auto *xiph = dynamic_cast<TagLib::Ogg::XiphComment *>(file->tag())) { // Ogg Vorbis, Opus, FLAC
        tags.cover = xiphCover(xiph);
    } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
        tags.cover = mp4Cover(mp4->tag());
    } else if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
        tags.cover = id3v2Cover(mpeg->ID3v2Tag());
    } else if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file); aiff && aiff->hasID3v2Tag()) {
        tags.cover = id3v2Cover(aiff->tag());
    }
}

} // namespace

bool SourceTags::isEmpty() const
{
    return title.isEmpty() && artist.isEmpty() && album.isEmpty() && albumArtist.isEmpty() && year.isEmpty()
           && genre.isEmpty() && comment.isEmpty() && track == 0 && trackTotal == 0 && disc == 0 && discTotal == 0
           && cover.isEmpty() && coverFile.isEmpty();
}

SourceTags readSourceTags(const QString &path, SoundKind kind)
{
    SourceTags tags;
    const TagLibSource source(path, kind, false);
    if (source.file())
        readTags(tags, source.file());
    if (isSound(kind) && coverExtension(tags.cover).isEmpty())
        tags.coverFile = coverBeside(path);
    return tags;
}

SourceTags readSourceTags(const QString &path)
{
    return readSourceTags(path, soundKindOfFile(path));
}

QString coverBeside(const QString &path)
{
    static const char *const kNames[]
        = {"cover.jpg",  "Cover.jpg",  "folder.jpg",  "Folder.jpg",  "front.jpg",  "Front.jpg",
           "cover.jpeg", "Cover.jpeg", "folder.jpeg", "Folder.jpeg", "front.jpeg", "Front.jpeg",
           "cover.png",  "Cover.png",  "folder.png",  "Folder.png",  "front.png",  "Front.png"};
    const QString folder = QFileInfo(path).path();
    for (const char *name : kNames) {
        const QFileInfo picture(folder + QLatin1Char('/') + QLatin1String(name));
        if (picture.isFile() && picture.isReadable() && picture.size() > 0 && isCoverPicture(picture.filePath()))
            return picture.filePath();
    }
    return QString();
}

NumberOfTotal parseNumberOfTotal(const QString &text)
{
    static const QRegularExpression kPattern(QStringLiteral("^\\s*0*([0-9]{1,6})\\s*(?:/\\s*0*([0-9]{1,6}))?\\s*$"));
    const QRegularExpressionMatch match = kPattern.match(text);
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toInt(), match.captured(2).toInt()};
}

QString yearOfDate(const QString &date)
{
    static const QRegularExpression kYear(QStringLiteral("[0-9]{4}"));
    const QRegularExpressionMatch match = kYear.match(date);
    return match.hasMatch() ? match.captured(0) : QString();
}

} // namespace fenwave
