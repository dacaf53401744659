#include "batch/SoundRoute.h"

#include "batch/FolderScan.h"

#include <QStandardPaths>

namespace fenwave {

namespace {

// The encoder refuses more ("Unsupported number of channels").
constexpr int kMostChannelsRead = 2;

bool mustDecode(const SoundFormat &format, const RouteFacts &facts)
{
    if (format.channels > kMostChannelsRead)
        return true;
    switch (soundRoute(format.kind)) {
    case SoundRoute::Straight: return false;
    case SoundRoute::Probed: return facts.readStraight && !facts.readStraight->contains(format.kind);
    case SoundRoute::Decoder:
    case SoundRoute::None: break;
    }
    return true;
}

} // namespace

FileRoute routeFor(const SoundFormat &format, const RouteFacts &facts)
{
    if (soundRoute(format.kind) == SoundRoute::None)
        return {false, isSound(format.kind) ? SkipReason::KindNotRead : SkipReason::NotSound};
    if (!mustDecode(format, facts))
        return {};
    if (facts.decoder.isEmpty())
        return {false, SkipReason::NeedsDecoder};
    return {true, SkipReason::None};
}

bool needsDecoderForChannels(const BatchJob &job)
{
    return job.channels > kMostChannelsRead && soundRoute(job.kind) != SoundRoute::Decoder;
}

QStringList decoderCommand(const QString &decoder, const QString &input, int channels)
{
    // The decoder reads a name with a colon as a protocol ("pipe:", "http:"): a relative name
    // is given as a file's.
    const QString source = input.startsWith(u'/') ? input : QStringLiteral("file:") + input;
    QStringList command{decoder, "-nostdin", "-v", "error", "-xerror", "-progress", "pipe:2", "-i", source, "-vn"};
    if (channels > kMostChannelsRead)
        command << "-ac" << QString::number(kMostChannelsRead);
    else if (channels <= 0) // not known: one or two are kept as they are, more downmixed to two
        command << "-af"
                << "aformat=channel_layouts=mono|stereo";
    command << "-c:a"
            << "pcm_s24le"
            << "-f"
            << "wav"
            << "-";
    return command;
}

QString mpegInputSwitch(SoundKind kind)
{
    switch (kind) {
    case SoundKind::MpegLayer1: return QStringLiteral("--mp1input");
    case SoundKind::MpegLayer2: return QStringLiteral("--mp2input");
    case SoundKind::MpegLayer3: return QStringLiteral("--mp3input");
    default: return QString();
    }
}

int folderInputType(const OptionSet &options)
{
    return readsAsWave(options) ? kWavPcmInputType : options.index(Field::rgrInputType);
}

QString findDecoder()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

} // namespace fenwave
