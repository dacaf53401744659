#include "batch/SoundContent.h"

#include "settings/SettingsFileSniff.h"

#include <QByteArrayView>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <utility>

namespace fenwave {

namespace {

// How far past an ID3v2 tag (or into a file the database calls MPEG) a frame is looked for.
constexpr qint64 kFrameSearch = 4096;
// What one read past the head fetches at least: the next headers of a file of small chunks
// come with it.
constexpr qint64 kWindow = 256;

// The file's head, and the bytes past it, read under the bound of kContentWalkBound.
class ContentReader
{
public:
    ContentReader(const ByteSource &source, QByteArray head) : m_source(source), m_head(std::move(head)) {}

    qint64 size() const { return m_source.size(); }
    const QByteArray &head() const { return m_head; }

    // Up to `count` bytes at `offset`; fewer at the end of the file, none once the bound is spent.
    QByteArray at(qint64 offset, qint64 count)
    {
        if (offset < 0 || count <= 0 || offset >= m_source.size())
            return {};
        if (offset + count <= m_head.size())
            return m_head.mid(offset, count);
        if (offset >= m_windowAt && offset + count <= m_windowAt + m_window.size())
            return m_window.mid(offset - m_windowAt, count);
        const qint64 fetch = std::max(count, kWindow);
        if (m_spent + fetch > kContentWalkBound)
            return {};
        m_spent += fetch;
        m_window = m_source.read(offset, fetch);
        m_windowAt = offset;
        return m_window.left(count);
    }

private:
    const ByteSource &m_source;
    const QByteArray m_head;
    QByteArray m_window;
    qint64 m_windowAt = 0;
    qint64 m_spent = 0;
};

quint32 le16(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8;
}

quint32 le32(const QByteArray &b, qsizetype at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

quint32 be16(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) << 8 | quint32(quint8(b[at + 1]));
}

quint32 be32(const QByteArray &b, qsizetype at)
{
    return be16(b, at) << 16 | be16(b, at + 2);
}

quint64 le64(const QByteArray &b, qsizetype at)
{
    return quint64(le32(b, at)) | quint64(le32(b, at + 4)) << 32;
}

quint64 be64(const QByteArray &b, qsizetype at)
{
    return quint64(be32(b, at)) << 32 | quint64(be32(b, at + 4));
}

bool hasAt(const QByteArray &b, qsizetype at, QByteArrayView text)
{
    return b.size() >= at + text.size() && QByteArrayView(b).sliced(at, text.size()) == text;
}

SoundFormat kindOnly(SoundKind kind)
{
    return {kind, 0};
}

// The kind of a RIFF/WAVE file, by the coding its format chunk names, and its channels. RF64
// has the same chunks (its sizes in a "ds64" chunk first): it is RF64 whatever its coding.
// Every chunk before the format is stepped over by its size; only the reader's bound ends
// the walk early.
SoundFormat waveFormat(ContentReader &reader, bool rf64)
{
    for (qint64 chunk = 12; chunk + 8 <= reader.size();) {
        const QByteArray header = reader.at(chunk, 12);
        if (header.size() < 8)
            break;
        if (hasAt(header, 0, "fmt ")) {
            if (header.size() < 10)
                break;
            const int channels = header.size() >= 12 ? int(le16(header, 10)) : 0;
            if (rf64)
                return {SoundKind::Rf64, channels};
            switch (le16(header, 8)) {
            case 0x0001: return {SoundKind::WavPcm, channels};
            case 0x0003: return {SoundKind::WavFloat, channels};
            case 0xfffe: return {SoundKind::WavExtensible, channels};
            default: return {SoundKind::WavCompressed, channels};
            }
        }
        const quint32 length = le32(header, 4);
        chunk += 8 + qint64(length) + (length & 1);
    }
    return kindOnly(rf64 ? SoundKind::Rf64 : SoundKind::DamagedHeader);
}

// The channels of a Wave64 file: its chunks are named by GUIDs and sized in 64 bits, the
// header included, each starting on a multiple of 8.
int wave64Channels(ContentReader &reader)
{
    static const QByteArray kFormat("fmt \xf3\xac\xd3\x11\x8c\xd1\x00\xc0\x4f\x8e\xdb\x8a", 16);
    for (qint64 chunk = 40; chunk + 24 <= reader.size();) {
        const QByteArray header = reader.at(chunk, 28);
        if (header.size() < 24)
            break;
        if (hasAt(header, 0, kFormat))
            return header.size() >= 28 ? int(le16(header, 26)) : 0;
        const quint64 size = le64(header, 16);
        if (size < 24 || size > quint64(reader.size() - chunk))
            break;
        chunk += qint64((size + 7) & ~quint64(7));
    }
    return 0;
}

// The channels of an AIFF or AIFF-C file, from its COMM chunk.
int aiffChannels(ContentReader &reader)
{
    for (qint64 chunk = 12; chunk + 8 <= reader.size();) {
        const QByteArray header = reader.at(chunk, 10);
        if (header.size() < 8)
            break;
        if (hasAt(header, 0, "COMM"))
            return header.size() >= 10 ? int(be16(header, 8)) : 0;
        const quint32 length = be32(header, 4);
        chunk += 8 + qint64(length) + (length & 1);
    }
    return 0;
}

// The channels a FLAC stream's STREAMINFO block (right after "fLaC" at `at`) gives.
int flacChannels(ContentReader &reader, qint64 at)
{
    const QByteArray info = reader.at(at + 4, 17);
    if (info.size() < 17 || (quint8(info[0]) & 0x7f) != 0)
        return 0;
    return ((quint8(info[16]) >> 1) & 7) + 1;
}

// The layer of an MPEG audio frame header at `at`, or 0 when there is none.
int mpegLayerAt(const QByteArray &b, qsizetype at)
{
    if (b.size() < at + 4)
        return 0;
    const quint8 b1 = quint8(b[at + 1]), b2 = quint8(b[at + 2]);
    const bool sync = quint8(b[at]) == 0xff && (b1 & 0xe0) == 0xe0;
    const int version = (b1 >> 3) & 3, layerBits = (b1 >> 1) & 3;
    const int bitrate = b2 >> 4, rate = (b2 >> 2) & 3;
    if (!sync || version == 1 || layerBits == 0 || bitrate == 15 || rate == 3)
        return 0;
    return 4 - layerBits;
}

SoundKind mpegKindOfLayer(int layer)
{
    constexpr SoundKind kLayers[] = {SoundKind::MpegLayer1, SoundKind::MpegLayer2, SoundKind::MpegLayer3};
    return kLayers[layer - 1];
}

// The first MPEG audio frame in `bytes`, as a kind; Unknown when there is none.
SoundKind firstMpegFrame(const QByteArray &bytes)
{
    for (qsizetype at = 0; at + 4 <= bytes.size(); ++at) {
        if (const int layer = mpegLayerAt(bytes, at))
            return mpegKindOfLayer(layer);
    }
    return SoundKind::Unknown;
}

// What follows an ID3v2 tag: MPEG audio (most often) or FLAC.
SoundFormat afterId3Tag(ContentReader &reader)
{
    const QByteArray &head = reader.head();
    if (head.size() < 10)
        return kindOnly(SoundKind::DamagedHeader);
    const auto b = [&head](int at) { return qint64(quint8(head[at]) & 0x7f); };
    const qint64 footer = (quint8(head[5]) & 0x10) ? 10 : 0;
    const qint64 end = 10 + footer + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
    const QByteArray after = reader.at(end, kFrameSearch);
    if (hasAt(after, 0, "fLaC"))
        return {SoundKind::Flac, flacChannels(reader, end)};
    const SoundKind kind = firstMpegFrame(after);
    return kindOnly(kind == SoundKind::Unknown && after.size() < 4 ? SoundKind::DamagedHeader : kind);
}

// The codec of an Ogg stream, from the first packet of its first page, and its channels; none
// for another codec, which the MIME database names.
std::optional<SoundFormat> oggFormat(const QByteArray &head)
{
    if (head.size() < 27)
        return kindOnly(SoundKind::DamagedHeader);
    const qsizetype packet = 27 + quint8(head[26]);
    const auto byteAt = [&head](qsizetype at) { return at < head.size() ? int(quint8(head[at])) : 0; };
    if (hasAt(head, packet, "\x01vorbis"))
        return SoundFormat{SoundKind::OggVorbis, byteAt(packet + 11)};
    if (hasAt(head, packet, "OpusHead"))
        return SoundFormat{SoundKind::OggOpus, byteAt(packet + 9)};
    if (hasAt(head, packet,
              "\x7f"
              "FLAC"))
        return kindOnly(SoundKind::OggFlac);
    if (head.size() < packet + 8)
        return kindOnly(SoundKind::DamagedHeader);
    return std::nullopt;
}

// ---- MP4 (ISO base media) ----

// The tracks of an MP4 file by their handlers, as its "moov" box lists them.
struct Mp4Tracks {
    bool moov = false; // the box was found
    bool sound = false;
    bool video = false;
};

// Calls `visit(type, payload, end)` for each box from `from` to `end` until it returns false.
// A box whose size leads outside `end` ends the walk, as the reader's bound does.
template <typename Visit> void forEachBox(ContentReader &reader, qint64 from, qint64 end, Visit visit)
{
    for (qint64 at = from; at + 8 <= end;) {
        const QByteArray header = reader.at(at, 16);
        if (header.size() < 8)
            return;
        qint64 headerSize = 8;
        quint64 size = be32(header, 0);
        if (size == 1) {
            if (header.size() < 16)
                return;
            size = be64(header, 8);
            headerSize = 16;
        } else if (size == 0) {
            size = quint64(end - at); // up to the end
        }
        if (size < quint64(headerSize) || size > quint64(end - at))
            return;
        if (!visit(QByteArrayView(header).sliced(4, 4), at + headerSize, at + qint64(size)))
            return;
        at += qint64(size);
    }
}

// The first box of `type` from `from` to `end`: its payload and end; none when there is none.
std::optional<std::pair<qint64, qint64>> findBox(ContentReader &reader, qint64 from, qint64 end, QByteArrayView type)
{
    std::optional<std::pair<qint64, qint64>> found;
    forEachBox(reader, from, end, [&](QByteArrayView boxType, qint64 payload, qint64 boxEnd) {
        if (boxType == type)
            found = std::make_pair(payload, boxEnd);
        return !found;
    });
    return found;
}

Mp4Tracks mp4Tracks(ContentReader &reader)
{
    Mp4Tracks tracks;
    const auto moov = findBox(reader, 0, reader.size(), "moov");
    if (!moov)
        return tracks;
    tracks.moov = true;
    forEachBox(reader, moov->first, moov->second, [&](QByteArrayView type, qint64 payload, qint64 end) {
        if (type != "trak")
            return true;
        const auto media = findBox(reader, payload, end, "mdia");
        const auto handler = media ? findBox(reader, media->first, media->second, "hdlr") : std::nullopt;
        // Version and flags, a reserved word, then the handler's type.
        const QByteArray kind = handler ? reader.at(handler->first + 8, 4) : QByteArray();
        tracks.sound = tracks.sound || kind == "soun";
        tracks.video = tracks.video || kind == "vide";
        return true;
    });
    return tracks;
}

// An MP4 file by its tracks: sound without a picture track is M4A whatever its brand
// ("isom", "mp42", "dash" as much as "M4A "), a picture track makes it a video unless the brand
// names it audio. None when its tracks cannot be found: the brand and the MIME database tell.
std::optional<SoundFormat> mp4Format(ContentReader &reader)
{
    const QByteArray &head = reader.head();
    if (hasAt(head, 8, "M4A ") || hasAt(head, 8, "M4B ") || hasAt(head, 8, "M4P "))
        return kindOnly(SoundKind::Mp4Audio);
    const Mp4Tracks tracks = mp4Tracks(reader);
    if (tracks.sound && !tracks.video)
        return kindOnly(SoundKind::Mp4Audio);
    if (tracks.video)
        return kindOnly(SoundKind::Video);
    if (tracks.moov)
        return kindOnly(SoundKind::Mp4WithoutSound);
    return std::nullopt;
}

// The kinds whose header we read ourselves: the MIME database does not tell W64 or the coding
// of a WAV file, nor the layer of MPEG audio behind a tag, nor the tracks of an MP4. None when
// the head is none of them, or says too little: the MIME database then tells.
std::optional<SoundFormat> formatFromHeader(ContentReader &reader)
{
    const QByteArray &head = reader.head();
    static const QByteArray kW64Riff("riff\x2e\x91\xcf\x11\xa5\xd6\x28\xdb\x04\xc1\x00\x00", 16);
    static const QByteArray kW64Wave("wave\xf3\xac\xd3\x11\x8c\xd1\x00\xc0\x4f\x8e\xdb\x8a", 16);
    if (hasAt(head, 0, "RIFF")) {
        if (head.size() < 12)
            return kindOnly(SoundKind::DamagedHeader);
        return hasAt(head, 8, "WAVE") ? std::optional(waveFormat(reader, false)) : std::nullopt;
    }
    if (hasAt(head, 0, "RF64") || hasAt(head, 0, "BW64"))
        return head.size() < 12         ? kindOnly(SoundKind::DamagedHeader)
               : hasAt(head, 8, "WAVE") ? waveFormat(reader, true)
                                        : kindOnly(SoundKind::Unknown);
    if (hasAt(head, 0, kW64Riff))
        return head.size() < 40            ? kindOnly(SoundKind::DamagedHeader)
               : hasAt(head, 24, kW64Wave) ? SoundFormat{SoundKind::Wave64, wave64Channels(reader)}
                                           : kindOnly(SoundKind::Unknown);
    if (hasAt(head, 0, "FORM")) {
        if (head.size() < 12)
            return kindOnly(SoundKind::DamagedHeader);
        if (hasAt(head, 8, "AIFF"))
            return SoundFormat{SoundKind::Aiff, aiffChannels(reader)};
        if (hasAt(head, 8, "AIFC"))
            return SoundFormat{SoundKind::Aifc, aiffChannels(reader)};
        return std::nullopt;
    }
    if (hasAt(head, 0, "OggS"))
        return oggFormat(head);
    if (hasAt(head, 0, "fLaC"))
        return SoundFormat{SoundKind::Flac, flacChannels(reader, 0)};
    if (hasAt(head, 0, "ID3"))
        return afterId3Tag(reader);
    if (const int layer = mpegLayerAt(head, 0))
        return kindOnly(mpegKindOfLayer(layer));
    if (hasAt(head, 4, "ftyp"))
        return mp4Format(reader);
    if (hasAt(head, 0, ".snd") && head.size() >= 24) // Sun/NeXT audio, big-endian
        return SoundFormat{SoundKind::SunAu, int(std::min<quint32>(be32(head, 20), 0xffff))};
    return std::nullopt;
}

// ---- Kinds the MIME database tells ----

// Content types and the kind each stands for, looked up in this order (a playlist of the
// database is text too).
struct MimeRow {
    const char *name;
    SoundKind kind;
};
const MimeRow kMimeKinds[] = {
    {"image/jpeg", SoundKind::JpegImage},
    {"image/png", SoundKind::PngImage},
    {"image/gif", SoundKind::GifImage},
    {"application/pdf", SoundKind::PdfDocument},
    {"audio/mp4", SoundKind::Mp4Audio},
    {"audio/x-m4a", SoundKind::Mp4Audio},
    {"audio/basic", SoundKind::SunAu},
    {"audio/x-adpcm", SoundKind::SunAu},
    {"application/zip", SoundKind::Archive},
    {"application/gzip", SoundKind::Archive},
    {"application/x-tar", SoundKind::Archive},
    {"application/x-xz", SoundKind::Archive},
    {"application/x-bzip2", SoundKind::Archive},
    {"application/x-7z-compressed", SoundKind::Archive},
    {"application/vnd.rar", SoundKind::Archive},
    {"application/zstd", SoundKind::Archive},
    // Lists of other files: the sound is in those.
    {"audio/x-mpegurl", SoundKind::Playlist},
    {"application/vnd.apple.mpegurl", SoundKind::Playlist},
    {"video/vnd.mpegurl", SoundKind::Playlist},
    {"audio/x-scpls", SoundKind::Playlist},
    {"application/xspf+xml", SoundKind::Playlist},
    {"audio/x-ms-asx", SoundKind::Playlist},
    {"application/vnd.ms-wpl", SoundKind::Playlist},
    {"audio/x-iriver-pla", SoundKind::Playlist},
    {"application/x-cue", SoundKind::CueSheet},
    // Notes a player turns into sound, no sound of their own.
    {"audio/midi", SoundKind::SynthesisedMusic},
    {"audio/x-xmf", SoundKind::SynthesisedMusic},
    {"audio/mobile-xmf", SoundKind::SynthesisedMusic},
    {"audio/x-mod", SoundKind::SynthesisedMusic},
    {"audio/x-it", SoundKind::SynthesisedMusic},
    {"audio/x-s3m", SoundKind::SynthesisedMusic},
    {"audio/x-stm", SoundKind::SynthesisedMusic},
    {"audio/x-xm", SoundKind::SynthesisedMusic},
    {"audio/x-mo3", SoundKind::SynthesisedMusic},
    {"audio/x-xi", SoundKind::SynthesisedMusic},
    {"audio/x-psf", SoundKind::SynthesisedMusic},
    {"audio/prs.sid", SoundKind::SynthesisedMusic},
};

// A text head's lines; the last one is left out when the head breaks it off.
QStringList textLines(const QByteArray &head, bool cut)
{
    QStringList lines = QString::fromUtf8(head).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (cut && !lines.isEmpty())
        lines.removeLast();
    return lines;
}

// A cue sheet: the file it describes and its audio tracks.
bool isCueSheet(const QStringList &lines)
{
    static const QRegularExpression kFile(
        QStringLiteral("^\\s*FILE\\s+\\S.*\\s(WAVE|MP3|AIFF|FLAC|BINARY|MOTOROLA)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kTrack(QStringLiteral("^\\s*TRACK\\s+\\d+\\s+AUDIO\\s*$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto has = [&lines](const QRegularExpression &pattern) {
        return std::any_of(lines.begin(), lines.end(),
                           [&pattern](const QString &line) { return pattern.match(line).hasMatch(); });
    };
    return has(kFile) && has(kTrack);
}

// A playlist without a header of its own: lines naming sound files or addresses, comments
// ("#") between them.
bool isPlainPlaylist(const QStringList &lines)
{
    static const QRegularExpression kEntry(
        QStringLiteral("(^[a-z]+://\\S+$)|\\.(mp[123]|flac|ogg|oga|opus|wave?|w64|rf64|aiff?|aifc|m4[ab]|mp4|aac|"
                       "wma|wv|ape|mpc|au)$"),
        QRegularExpression::CaseInsensitiveOption);
    bool entry = false;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (!kEntry.match(trimmed).hasMatch())
            return false;
        entry = true;
    }
    return entry;
}

// The kind of a text: a settings file, a cue sheet, a playlist, or just a text.
SoundKind kindOfText(const QByteArray &head, bool cut)
{
    if (holdsSettingsSection(head))
        return SoundKind::SettingsFile;
    const QStringList lines = textLines(head, cut);
    if (isCueSheet(lines))
        return SoundKind::CueSheet;
    return isPlainPlaylist(lines) ? SoundKind::Playlist : SoundKind::Text;
}

// The kind by the content type the MIME database finds in the head.
SoundKind kindFromMime(const QByteArray &head, bool cut)
{
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForData(head);
    for (const MimeRow &row : kMimeKinds) {
        if (type.inherits(QString::fromLatin1(row.name)))
            return row.kind;
    }
    const QString name = type.name();
    if (type.inherits(QStringLiteral("audio/mpeg")) || name == QLatin1String("audio/mp2")) {
        const SoundKind kind = firstMpegFrame(head.left(kFrameSearch));
        return kind == SoundKind::Unknown ? SoundKind::DamagedHeader : kind;
    }
    if (name.startsWith(QLatin1String("audio/")))
        return SoundKind::UnsupportedSound; // sound of a kind no route brings to the encoder
    if (name.startsWith(QLatin1String("image/")))
        return SoundKind::OtherImage;
    if (name.startsWith(QLatin1String("video/")))
        return SoundKind::Video;
    if (type.inherits(QStringLiteral("text/plain")))
        return kindOfText(head, cut);
    return SoundKind::Unknown;
}

} // namespace

SoundFormat soundFormatOfContent(const ByteSource &source)
{
    if (source.size() <= 0)
        return kindOnly(SoundKind::EmptyFile);
    ContentReader reader(source, source.read(0, kContentHeadSize));
    if (reader.head().isEmpty())
        return {}; // could not be read
    if (const std::optional<SoundFormat> format = formatFromHeader(reader))
        return *format;
    const bool cut = reader.head().size() < source.size();
    return kindOnly(kindFromMime(reader.head(), cut));
}

} // namespace fenwave
