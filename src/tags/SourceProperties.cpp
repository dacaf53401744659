#include "tags/SourceProperties.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <memory>

namespace fenwave {

namespace {

// A file of the TagLib class of the kind read from `stream`, its tags left unread.
std::unique_ptr<TagLib::File> openAs(SoundKind kind, TagLib::IOStream *stream)
{
    constexpr auto kStyle = TagLib::AudioProperties::Average;
    TagLib::ID3v2::FrameFactory *const frames = TagLib::ID3v2::FrameFactory::instance();
    switch (kind) {
    case SoundKind::Flac: return std::make_unique<TagLib::FLAC::File>(stream, frames, true, kStyle);
    case SoundKind::OggVorbis: return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, true, kStyle);
    case SoundKind::OggOpus: return std::make_unique<TagLib::Ogg::Opus::File>(stream, true, kStyle);
    case SoundKind::OggFlac: return std::make_unique<TagLib::Ogg::FLAC::File>(stream, true, kStyle);
    case SoundKind::Mp4Audio: return std::make_unique<TagLib::MP4::File>(stream, true, kStyle);
    case SoundKind::MpegLayer1:
    case SoundKind::MpegLayer2:
    case SoundKind::MpegLayer3: return std::make_unique<TagLib::MPEG::File>(stream, frames, true, kStyle);
    case SoundKind::WavPcm:
    case SoundKind::WavFloat:
    case SoundKind::WavExtensible:
    case SoundKind::WavCompressed: return std::make_unique<TagLib::RIFF::WAV::File>(stream, true, kStyle);
    case SoundKind::Aiff:
    case SoundKind::Aifc: return std::make_unique<TagLib::RIFF::AIFF::File>(stream, true, kStyle);
    default: return nullptr;
    }
}

} // namespace

SourceProperties readSourceProperties(const QString &path, SoundKind kind)
{
    const QByteArray encoded = QFile::encodeName(path);
    if (path.isEmpty() || encoded.contains('\0') || !QFileInfo(path).isFile())
        return {};
    // Read-only: closing a file opened for writing tells whatever watches the music it was written.
    // The stream outlives the file reading it.
    TagLib::FileStream stream(encoded.constData(), true);
    const std::unique_ptr<TagLib::File> file = openAs(kind, &stream);
    const TagLib::AudioProperties *properties = file && file->isValid() ? file->audioProperties() : nullptr;
    if (!properties)
        return {};
    return {qint64(properties->lengthInMilliseconds()), properties->channels()};
}

} // namespace fenwave
