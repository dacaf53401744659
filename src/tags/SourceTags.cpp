#include "tags/SourceTags.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
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

void readFlac(SourceTags &tags, TagLib::IOStream *stream)
{
    TagLib::FLAC::File file(stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid())
        return;
    takeProperties(tags, file.properties());
    tags.cover = frontPicture(file.pictureList(), [](const TagLib::FLAC::Picture *p) {
        return p->type() == TagLib::FLAC::Picture::FrontCover;
    });
    if (tags.cover.isEmpty())
        tags.cover = xiphCover(file.xiphComment());
}

template <typename OggFile> void readOgg(SourceTags &tags, TagLib::IOStream *stream)
{
    OggFile file(stream, false);
    if (!file.isValid())
        return;
    takeProperties(tags, file.properties());
    tags.cover = xiphCover(file.tag());
}

void readMp4(SourceTags &tags, TagLib::IOStream *stream)
{
    TagLib::MP4::File file(stream, false);
    if (!file.isValid())
        return;
    takeProperties(tags, file.properties());
    tags.cover = mp4Cover(file.tag());
}

void readMpeg(SourceTags &tags, TagLib::IOStream *stream)
{
    TagLib::MPEG::File file(stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid())
        return;
    takeProperties(tags, file.properties()); // ID3v2, else APE, else ID3v1
    tags.cover = id3v2Cover(file.ID3v2Tag());
}

void readWav(SourceTags &tags, TagLib::IOStream *stream)
{
    TagLib::RIFF::WAV::File file(stream, false);
    if (!file.isValid())
        return;
    // The id3 chunk first; what it leaves out comes from the INFO list.
    TagLib::PropertyMap map = file.hasID3v2Tag() ? file.ID3v2Tag()->properties() : TagLib::PropertyMap();
    if (file.hasInfoTag()) {
        const TagLib::PropertyMap info = file.InfoTag()->properties();
        for (const auto &entry : info) {
            if (!map.contains(entry.first))
                map.insert(entry.first, entry.second);
        }
    }
    takeProperties(tags, map);
    if (file.hasID3v2Tag())
        tags.cover = id3v2Cover(file.ID3v2Tag());
}

void readAiff(SourceTags &tags, TagLib::IOStream *stream)
{
    TagLib::RIFF::AIFF::File file(stream, false);
    if (!file.isValid())
        return;
    takeProperties(tags, file.properties());
    if (file.hasID3v2Tag())
        tags.cover = id3v2Cover(file.tag());
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
    const QByteArray encoded = QFile::encodeName(path);
    if (!path.isEmpty() && !encoded.contains('\0') && QFileInfo(path).isFile()) {
        // Read-only: a file opened for writing reports a write to whatever watches the music when it is
        // closed, even unchanged. TagLib's files opened by name take write access where they can.
        TagLib::FileStream stream(encoded.constData(), true);
        switch (kind) {
        case SoundKind::Flac: readFlac(tags, &stream); break;
        case SoundKind::OggVorbis: readOgg<TagLib::Ogg::Vorbis::File>(tags, &stream); break;
        case SoundKind::OggOpus: readOgg<TagLib::Ogg::Opus::File>(tags, &stream); break;
        case SoundKind::OggFlac: readOgg<TagLib::Ogg::FLAC::File>(tags, &stream); break;
        case SoundKind::Mp4Audio: readMp4(tags, &stream); break;
        case SoundKind::MpegLayer1:
        case SoundKind::MpegLayer2:
        case SoundKind::MpegLayer3: readMpeg(tags, &stream); break;
        case SoundKind::WavPcm:
        case SoundKind::WavFloat:
        case SoundKind::WavExtensible:
        case SoundKind::WavCompressed: readWav(tags, &stream); break;
        case SoundKind::Aiff:
        case SoundKind::Aifc: readAiff(tags, &stream); break;
        default: break; // holds no tags TagLib reads, or is no sound
        }
    }
    if (isSound(kind) && tags.cover.isEmpty())
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
        if (picture.isFile() && picture.isReadable() && picture.size() > 0)
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
