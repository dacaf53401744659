#include "tags/TagLibSource.h"

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

namespace fenwave {

namespace {

std::unique_ptr<TagLib::File> openAs(SoundKind kind, TagLib::IOStream *stream, bool properties)
{
    constexpr auto kStyle = TagLib::AudioProperties::Average;
    TagLib::ID3v2::FrameFactory *const frames = TagLib::ID3v2::FrameFactory::instance();
    switch (kind) {
    case SoundKind::Flac: return std::make_unique<TagLib::FLAC::File>(stream, frames, properties, kStyle);
    case SoundKind::OggVorbis: return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, properties, kStyle);
    case SoundKind::OggOpus: return std::make_unique<TagLib::Ogg::Opus::File>(stream, properties, kStyle);
    case SoundKind::OggFlac: return std::make_unique<TagLib::Ogg::FLAC::File>(stream, properties, kStyle);
    case SoundKind::Mp4Audio: return std::make_unique<TagLib::MP4::File>(stream, properties, kStyle);
    case SoundKind::MpegLayer1:
    case SoundKind::MpegLayer2:
    case SoundKind::MpegLayer3: return std::make_unique<TagLib::MPEG::File>(stream, frames, properties, kStyle);
    case SoundKind::WavPcm:
    case SoundKind::WavFloat:
    case SoundKind::WavExtensible:
    case SoundKind::WavCompressed: return std::make_unique<TagLib::RIFF::WAV::File>(stream, properties, kStyle);
    case SoundKind::Aiff:
    case SoundKind::Aifc: return std::make_unique<TagLib::RIFF::AIFF::File>(stream, properties, kStyle);
    default: return nullptr; // holds nothing TagLib reads, or is no sound
    }
}

} // namespace

TagLibSource::TagLibSource(const QString &path, SoundKind kind, bool readProperties)
{
    const QByteArray encoded = QFile::encodeName(path);
    if (path.isEmpty() || encoded.contains('\0') || !QFileInfo(path).isFile())
        return;
    m_stream = std::make_unique<TagLib::FileStream>(encoded.constData(), true);
    m_file = openAs(kind, m_stream.get(), readProperties);
    if (m_file && !m_file->isValid())
        m_file.reset();
}

TagLibSource::~TagLibSource() = default;

} // namespace fenwave
