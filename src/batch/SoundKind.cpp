#include "batch/SoundKind.h"

#include "batch/SoundContent.h"

#include <QFile>

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
    {SoundKind::SunAu,         true,  "AU",                   "AU",                       R::Straight},
    {SoundKind::UnsupportedSound, true, "unsupported sound format", "неподдерживаемого звукового формата", R::None},
    {SoundKind::JpegImage,     false, "JPEG image",           "изображение JPEG",         R::None},
    {SoundKind::PngImage,      false, "PNG image",            "изображение PNG",          R::None},
    {SoundKind::GifImage,      false, "GIF image",            "изображение GIF",          R::None},
    {SoundKind::OtherImage,    false, "image",                "изображение",              R::None},
    {SoundKind::PdfDocument,   false, "PDF document",         "документ PDF",             R::None},
    {SoundKind::Archive,       false, "archive",              "архив",                    R::None},
    {SoundKind::Video,         false, "video",                "видео",                    R::None},
    {SoundKind::Mp4WithoutSound, false, "MP4 without sound",  "MP4 без звука",            R::None},
    {SoundKind::Playlist,      false, "playlist",             "список воспроизведения",   R::None},
    {SoundKind::CueSheet,      false, "cue sheet",            "файл разметки CUE",        R::None},
    {SoundKind::SynthesisedMusic, false, "notes for a synthesiser (MIDI, module)", "ноты для синтезатора (MIDI, модуль)", R::None},
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
      SoundKind::MpegLayer3, SoundKind::Flac, SoundKind::OggVorbis, SoundKind::OggOpus, SoundKind::OggFlac,
      SoundKind::SunAu}},
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

// A regular file opened for reading; nothing else is opened (a pipe or a device could block or
// change state).
class HeaderFile : public ByteSource
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
    ~HeaderFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HeaderFile(const HeaderFile &) = delete;
    HeaderFile &operator=(const HeaderFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Opened, but a FIFO, a device, a socket or a folder, and closed again unread.
    bool notRegular() const { return m_notRegular; }
    qint64 size() const override { return m_size; }

    QByteArray read(qint64 offset, qint64 count) const override
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

// Bytes held in memory, as a whole file.
class MemoryBytes : public ByteSource
{
public:
    explicit MemoryBytes(const QByteArray &bytes) : m_bytes(bytes) {}
    qint64 size() const override { return m_bytes.size(); }
    QByteArray read(qint64 offset, qint64 count) const override
    {
        return offset < 0 || count <= 0 || offset >= m_bytes.size() ? QByteArray() : m_bytes.mid(offset, count);
    }

private:
    const QByteArray &m_bytes;
};

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
    return soundFormatOfContent(file);
}

SoundFormat soundFormatOfBytes(const QByteArray &bytes)
{
    return soundFormatOfContent(MemoryBytes(bytes));
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
    // Read as WAV PCM the encoder takes every kind of sound it reads at all.
    const ReadingRow &asWave = kReadings[0];
    return std::find(asWave.takes.begin(), asWave.takes.end(), kind) == asWave.takes.end()
               ? KindRefusal::NotRead
               : KindRefusal::WrongInputType;
}

} // namespace fenwave
