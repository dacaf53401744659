#include "batch/SoundKind.h"

#include "settings/SettingsFileSniff.h"

#include <QFile>
#include <QMimeDatabase>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace fenwave {

namespace {

// One row per kind: whether it is sound, what the user is told it is, and how a batch read as
// WAV PCM brings it to the encoder (a file of more than two channels goes through the decoder
// whatever its route: the encoder reads one or two).
struct KindRow {
    SoundKind kind;
    bool sound;
    const char *english;
    const char *russian;
    SoundRoute route;
};

using R = SoundRoute;
// clang-format off
const KindRow kKinds[] = {
    {SoundKind::NotChecked,    true,  "not checked",          "не проверен",              R::Straight},
    {SoundKind::WavPcm,        true,  "WAV",                  "WAV",                      R::Straight},
    {SoundKind::WavFloat,      true,  "WAV (floating point)", "WAV (с плавающей точкой)", R::Probed},
    {SoundKind::WavExtensible, true,  "WAV (extensible)",     "WAV (расширенный формат)", R::Straight},
    {SoundKind::WavCompressed, true,  "WAV (compressed)",     "WAV (со сжатием)",         R::Decoder},
    {SoundKind::Wave64,        true,  "Wave64",               "Wave64",                   R::Probed},
    {SoundKind::Rf64,          true,  "RF64",                 "RF64",                     R::Probed},
    {SoundKind::Aiff,          true,  "AIFF",                 "AIFF",                     R::Straight},
    {SoundKind::Aifc,          true,  "AIFF-C",               "AIFF-C",                   R::Straight},
    {SoundKind::MpegLayer1,    true,  "MPEG Layer I",         "MPEG Layer I",             R::Straight},
    {SoundKind::MpegLayer2,    true,  "MPEG Layer II",        "MPEG Layer II",            R::Straight},
    {SoundKind::MpegLayer3,    true,  "MPEG Layer III",       "MPEG Layer III",           R::Straight},
    {SoundKind::Flac,          true,  "FLAC",                 "FLAC",                     R::Probed},
    {SoundKind::OggVorbis,     true,  "Ogg Vorbis",           "Ogg Vorbis",               R::Probed},
    {SoundKind::OggOpus,       true,  "Opus",                 "Opus",                     R::Probed},
    {SoundKind::OggFlac,       true,  "Ogg FLAC",             "Ogg FLAC",                 R::Decoder},
    {SoundKind::Mp4Audio,      true,  "M4A",                  "M4A",                      R::Decoder},
    {SoundKind::JpegImage,     false, "JPEG image",           "изображение JPEG",         R::None},
    {SoundKind::PngImage,      false, "PNG image",            "изображение PNG",          R::None},
    {SoundKind::GifImage,      false, "GIF image",            "изображение GIF",          R::None},
    {SoundKind::OtherImage,    false, "image",                "изображение",              R::None},
    {SoundKind::PdfDocument,   false, "PDF document",         "документ PDF",             R::None},
    {SoundKind::Archive,       false, "archive",              "архив",                    R::None},
    {SoundKind::Video,         false, "video",                "видео",                    R::None},
    {SoundKind::SettingsFile,  false, "settings file",        "файл настроек",            R::None},
    {SoundKind::Text,          false, "text",                 "текст",                    R::None},
    {SoundKind::EmptyFile,     false, "empty file",           "пустой файл",              R::None},
    {SoundKind::DamagedHeader, false, "damaged header",       "повреждённый заголовок",   R::None},
    {SoundKind::Unknown,       false, "unknown content",      "неизвестное содержимое",   R::None},
    {SoundKind::NotRegular,    false, "not a regular file",   "не обычный файл",          R::None},
};
// clang-format on

const KindRow &rowOf(SoundKind kind)
{
    const auto row
        = std::find_if(std::begin(kKinds), std::end(kKinds), [kind](const KindRow &r) { return r.kind == kind; });
    return row == std::end(kKinds) ? kKinds[0] : *row;
}

// How the encoder reads its input under the options in effect.
enum class Reading { Anything, AsWave, Layer1, Layer2, Layer3, AnyMpeg };

struct ReadingRow {
    Reading reading;
    std::initializer_list<SoundKind> takes;
};

// What each way of reading takes. Read as WAV PCM, the encoder reads every container of sound
// below but MP4; Anything is not checked.
const ReadingRow kReadings[] = {
    {Reading::AsWave,
     {SoundKind::WavPcm, SoundKind::WavFloat, SoundKind::WavExtensible, SoundKind::WavCompressed, SoundKind::Wave64,
      SoundKind::Rf64, SoundKind::Aiff, SoundKind::Aifc, SoundKind::MpegLayer1, SoundKind::MpegLayer2,
      SoundKind::MpegLayer3, SoundKind::Flac, SoundKind::OggVorbis, SoundKind::OggOpus, SoundKind::OggFlac}},
    {Reading::Layer1, {SoundKind::MpegLayer1}},
    {Reading::Layer2, {SoundKind::MpegLayer2}},
    {Reading::Layer3, {SoundKind::MpegLayer3}},
    {Reading::AnyMpeg, {SoundKind::MpegLayer1, SoundKind::MpegLayer2, SoundKind::MpegLayer3}},
};

// By rgrInputType index: MPEG Layer I, II, III, Ogg Vorbis, RAW PCM, WAV PCM.
constexpr Reading kInputTypeReadings[]
    = {Reading::Layer1, Reading::Layer2, Reading::Layer3, Reading::Anything, Reading::Anything, Reading::AsWave};

Reading readingOf(const OptionSet &options)
{
    // The short form of "Use default settings" names no input type and does not decode.
    if (options.isOn(Field::flgDefault))
        return Reading::AsWave;
    if (options.isOn(Field::flgMP3Decode))
        return Reading::AnyMpeg;
    const int index = options.index(Field::rgrInputType);
    if (index < 0 || index >= int(std::size(kInputTypeReadings)))
        return Reading::AsWave; // no type chosen: the encoder reads it as WAV PCM
    return kInputTypeReadings[index];
}

// ---- Reading the header ----

// The first bytes fetched at once: enough for every content type the MIME database tells by
// its first bytes, and for the headers below in all but unusual files.
constexpr qint64 kHeadSize = 4096;
// How far past an ID3v2 tag (or into a file the database calls MPEG) a frame is looked for.
constexpr qint64 kFrameSearch = 4096;
// How many chunks of a WAV file are stepped over to find its format.
constexpr int kMaxChunks = 64;

// A regular file opened for reading; nothing else is opened (a pipe or a device could block or
// change state).
class HeaderFile
{
public:
    explicit HeaderFile(const QString &path)
    {
        const QByteArray native = QFile::encodeName(path);
        m_fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat st {};
        if (m_fd >= 0 && (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            m_notRegular = !S_ISREG(st.st_mode);
            ::close(m_fd);
            m_fd = -1;
        }
        m_size = m_fd >= 0 ? qint64(st.st_size) : 0;
    }
    ~HeaderFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HeaderFile(const HeaderFile &) = delete;
    HeaderFile &operator=(const HeaderFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Opened, but a FIFO, a device, a socket or a folder, and closed again unread.
    bool notRegular() const { return m_notRegular; }
    qint64 size() const { return m_size; }

    // Up to `count` bytes at `offset`; fewer at the end of the file or on a read error.
    QByteArray read(qint64 offset, qint64 count) const
    {
        QByteArray bytes;
        if (offset < 0 || count <= 0)
            return bytes;
        bytes.resize(count);
        qint64 filled = 0;
        while (filled < count) {
            const ssize_t got = ::pread(m_fd, bytes.data() + filled, size_t(count - filled), off_t(offset + filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += got;
        }
        bytes.truncate(filled);
        return bytes;
    }

private:
    int m_fd = -1;
    qint64 m_size = 0;
    bool m_notRegular = false;
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

// `count` bytes at `at`, from the head when it holds them.
QByteArray bytesAt(const HeaderFile &file, const QByteArray &head, qint64 at, qint64 count)
{
    return at + count <= head.size() ? head.mid(at, count) : file.read(at, count);
}

bool hasAt(const QByteArray &b, qsizetype at, QByteArrayView text)
{
    return b.size() >= at + text.size() && QByteArrayView(b).sliced(at, text.size()) == text;
}

// The kind of a RIFF/WAVE file, by the coding its format chunk names, and its channels. RF64
// has the same chunks (its sizes in a "ds64" chunk first): it is RF64 whatever its coding.
SoundFormat waveFormat(const HeaderFile &file, const QByteArray &head, bool rf64)
{
    qint64 chunk = 12;
    for (int step = 0; step < kMaxChunks && chunk + 8 <= file.size(); ++step) {
        const QByteArray header = bytesAt(file, head, chunk, 12);
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
        chunk += 8 + qint64(le32(header, 4)) + (le32(header, 4) & 1);
    }
    return {rf64 ? SoundKind::Rf64 : SoundKind::DamagedHeader, 0};
}

// The channels of a Wave64 file: its chunks are named by GUIDs and sized in 64 bits, the
// header included, each starting on a multiple of 8.
int wave64Channels(const HeaderFile &file, const QByteArray &head)
{
    static const QByteArray kFormat("fmt \xf3\xac\xd3\x11\x8c\xd1\x00\xc0\x4f\x8e\xdb\x8a", 16);
    qint64 chunk = 40;
    for (int step = 0; step < kMaxChunks && chunk + 24 <= file.size(); ++step) {
        const QByteArray header = bytesAt(file, head, chunk, 28);
        if (header.size() < 24)
            break;
        if (hasAt(header, 0, kFormat))
            return header.size() >= 28 ? int(le16(header, 26)) : 0;
        const quint64 size = le64(header, 16);
        if (size < 24 || size > quint64(file.size()))
            break;
        chunk += qint64((size + 7) & ~quint64(7));
    }
    return 0;
}

// The channels of an AIFF or AIFF-C file, from its COMM chunk.
int aiffChannels(const HeaderFile &file, const QByteArray &head)
{
    qint64 chunk = 12;
    for (int step = 0; step < kMaxChunks && chunk + 8 <= file.size(); ++step) {
        const QByteArray header = bytesAt(file, head, chunk, 10);
        if (header.size() < 8)
            break;
        if (hasAt(header, 0, "COMM"))
            return header.size() >= 10 ? int(be16(header, 8)) : 0;
        chunk += 8 + qint64(be32(header, 4)) + (be32(header, 4) & 1);
    }
    return 0;
}

// The channels a FLAC stream's STREAMINFO block (right after "fLaC" at `at`) gives.
int flacChannels(const HeaderFile &file, const QByteArray &head, qint64 at)
{
    const QByteArray info = bytesAt(file, head, at + 4, 17);
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

// The first MPEG audio frame in `bytes` from `from` on, as a kind; Unknown when there is none.
SoundKind firstMpegFrame(const QByteArray &bytes, qsizetype from)
{
    for (qsizetype at = from; at + 4 <= bytes.size(); ++at) {
        if (const int layer = mpegLayerAt(bytes, at))
            return mpegKindOfLayer(layer);
    }
    return SoundKind::Unknown;
}

// What follows an ID3v2 tag: MPEG audio (most often) or FLAC.
SoundFormat afterId3Tag(const HeaderFile &file, const QByteArray &head)
{
    if (head.size() < 10)
        return {SoundKind::DamagedHeader, 0};
    const auto b = [&head](int at) { return qint64(quint8(head[at]) & 0x7f); };
    const qint64 footer = (quint8(head[5]) & 0x10) ? 10 : 0;
    const qint64 end = 10 + footer + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
    const QByteArray after
        = end + kFrameSearch <= head.size() ? head.mid(end, kFrameSearch) : file.read(end, kFrameSearch);
    if (hasAt(after, 0, "fLaC"))
        return {SoundKind::Flac, flacChannels(file, head, end)};
    const SoundKind kind = firstMpegFrame(after, 0);
    return {kind == SoundKind::Unknown && after.size() < 4 ? SoundKind::DamagedHeader : kind, 0};
}

// The codec of an Ogg stream, from the first packet of its first page, and its channels.
SoundFormat oggFormat(const QByteArray &head)
{
    if (head.size() < 27)
        return {SoundKind::DamagedHeader, 0};
    const qsizetype packet = 27 + quint8(head[26]);
    const auto byteAt = [&head](qsizetype at) { return at < head.size() ? int(quint8(head[at])) : 0; };
    if (hasAt(head, packet, "\x01vorbis"))
        return {SoundKind::OggVorbis, byteAt(packet + 11)};
    if (hasAt(head, packet, "OpusHead"))
        return {SoundKind::OggOpus, byteAt(packet + 9)};
    if (hasAt(head, packet,
              "\x7f"
              "FLAC"))
        return {SoundKind::OggFlac, 0};
    if (head.size() < packet + 8)
        return {SoundKind::DamagedHeader, 0};
    // Another codec (Speex, a video...): the encoder is left to say.
    return {SoundKind::NotChecked, 0};
}

// The kinds whose header we read ourselves: the MIME database does not tell W64 or the coding
// of a WAV file, nor the layer of MPEG audio behind a tag. NotChecked when the head is none of
// them. The channels where the header says.
SoundFormat formatFromHeader(const HeaderFile &file, const QByteArray &head)
{
    const auto kindOnly = [](SoundKind kind) { return SoundFormat{kind, 0}; };
    static const QByteArray kW64Riff("riff\x2e\x91\xcf\x11\xa5\xd6\x28\xdb\x04\xc1\x00\x00", 16);
    static const QByteArray kW64Wave("wave\xf3\xac\xd3\x11\x8c\xd1\x00\xc0\x4f\x8e\xdb\x8a", 16);
    if (hasAt(head, 0, "RIFF"))
        return head.size() < 12         ? kindOnly(SoundKind::DamagedHeader)
               : hasAt(head, 8, "WAVE") ? waveFormat(file, head, false)
                                        : kindOnly(SoundKind::NotChecked);
    if (hasAt(head, 0, "RF64") || hasAt(head, 0, "BW64"))
        return head.size() < 12         ? kindOnly(SoundKind::DamagedHeader)
               : hasAt(head, 8, "WAVE") ? waveFormat(file, head, true)
                                        : kindOnly(SoundKind::Unknown);
    if (hasAt(head, 0, kW64Riff))
        return head.size() < 40            ? kindOnly(SoundKind::DamagedHeader)
               : hasAt(head, 24, kW64Wave) ? SoundFormat{SoundKind::Wave64, wave64Channels(file, head)}
                                           : kindOnly(SoundKind::Unknown);
    if (hasAt(head, 0, "FORM")) {
        if (head.size() < 12)
            return kindOnly(SoundKind::DamagedHeader);
        if (hasAt(head, 8, "AIFF"))
            return {SoundKind::Aiff, aiffChannels(file, head)};
        if (hasAt(head, 8, "AIFC"))
            return {SoundKind::Aifc, aiffChannels(file, head)};
        return kindOnly(SoundKind::NotChecked);
    }
    if (hasAt(head, 0, "OggS"))
        return oggFormat(head);
    if (hasAt(head, 0, "fLaC"))
        return {SoundKind::Flac, flacChannels(file, head, 0)};
    if (hasAt(head, 0, "ID3"))
        return afterId3Tag(file, head);
    if (const int layer = mpegLayerAt(head, 0))
        return kindOnly(mpegKindOfLayer(layer));
    if (hasAt(head, 4, "ftyp"))
        return kindOnly(hasAt(head, 8, "M4A ") || hasAt(head, 8, "M4B ") || hasAt(head, 8, "M4P ")
                            ? SoundKind::Mp4Audio
                            : SoundKind::NotChecked);
    return kindOnly(SoundKind::NotChecked);
}

// Content types the MIME database tells, and the kind each stands for.
struct MimeRow {
    const char *name;
    SoundKind kind;
};
const MimeRow kMimeKinds[] = {
    {"image/jpeg", SoundKind::JpegImage},        {"image/png", SoundKind::PngImage},
    {"image/gif", SoundKind::GifImage},          {"application/pdf", SoundKind::PdfDocument},
    {"audio/mp4", SoundKind::Mp4Audio},          {"audio/x-m4a", SoundKind::Mp4Audio},
    {"application/zip", SoundKind::Archive},     {"application/gzip", SoundKind::Archive},
    {"application/x-tar", SoundKind::Archive},   {"application/x-xz", SoundKind::Archive},
    {"application/x-bzip2", SoundKind::Archive}, {"application/x-7z-compressed", SoundKind::Archive},
    {"application/vnd.rar", SoundKind::Archive}, {"application/zstd", SoundKind::Archive},
};

// The kind by the content type the MIME database finds in the head.
SoundKind kindFromMime(const QByteArray &head)
{
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForData(head);
    for (const MimeRow &row : kMimeKinds) {
        if (type.inherits(QString::fromLatin1(row.name)))
            return row.kind;
    }
    const QString name = type.name();
    if (type.inherits(QStringLiteral("audio/mpeg")) || name == QLatin1String("audio/mp2")) {
        const SoundKind kind = firstMpegFrame(head.left(kFrameSearch), 0);
        return kind == SoundKind::Unknown ? SoundKind::DamagedHeader : kind;
    }
    if (name.startsWith(QLatin1String("audio/")))
        return SoundKind::NotChecked; // sound we do not name: the encoder is left to say
    if (name.startsWith(QLatin1String("image/")))
        return SoundKind::OtherImage;
    if (name.startsWith(QLatin1String("video/")))
        return SoundKind::Video;
    if (type.inherits(QStringLiteral("text/plain")))
        return holdsSettingsSection(head) ? SoundKind::SettingsFile : SoundKind::Text;
    return SoundKind::Unknown;
}

} // namespace

SoundFormat soundFormatOfFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    const HeaderFile file(path);
    if (file.notRegular())
        return {SoundKind::NotRegular, 0};
    if (!file.isOpen())
        return {};
    if (file.size() == 0)
        return {SoundKind::EmptyFile, 0};
    const QByteArray head = file.read(0, kHeadSize);
    if (head.isEmpty())
        return {}; // could not be read
    const SoundFormat format = formatFromHeader(file, head);
    return format.kind != SoundKind::NotChecked ? format : SoundFormat{kindFromMime(head), 0};
}

SoundKind soundKindOfFile(const QString &path)
{
    return soundFormatOfFile(path).kind;
}

bool isSound(SoundKind kind)
{
    return rowOf(kind).sound;
}

SoundRoute soundRoute(SoundKind kind)
{
    return rowOf(kind).route;
}

QString soundKindText(SoundKind kind, Language language)
{
    const KindRow &row = rowOf(kind);
    return QString::fromUtf8(language == Language::Russian ? row.russian : row.english);
}

bool inputTakes(const OptionSet &options, SoundKind kind)
{
    const Reading reading = readingOf(options);
    if (kind == SoundKind::NotChecked || reading == Reading::Anything)
        return true;
    const auto row = std::find_if(std::begin(kReadings), std::end(kReadings),
                                  [reading](const ReadingRow &r) { return r.reading == reading; });
    return row != std::end(kReadings) && std::find(row->takes.begin(), row->takes.end(), kind) != row->takes.end();
}

bool readsAsWave(const OptionSet &options)
{
    return readingOf(options) == Reading::AsWave;
}

KindRefusal kindRefusal(const OptionSet &options, SoundKind kind)
{
    if (inputTakes(options, kind))
        return KindRefusal::None;
    if (!isSound(kind))
        return KindRefusal::NotSound;
    return kind == SoundKind::Mp4Audio ? KindRefusal::NotRead : KindRefusal::WrongInputType;
}

} // namespace fenwave
