#pragma once

#include "batch/BatchJob.h"
#include "batch/SoundKind.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace fenwave {

// What is known, as a batch is planned, of the ways a file can reach the encoder.
struct RouteFacts {
    QString decoder; // the decoder program (ffmpeg) found; empty: there is none
    // The probed kinds this encoder was shown to read. None while no probe has run: a probed
    // kind then counts as read straight (the list shown before Start; Start probes first).
    std::optional<QList<SoundKind>> readStraight;
};

// How one file reaches the encoder in a batch read as WAV PCM.
struct FileRoute {
    bool decoded = false;               // through the decoder
    SkipReason skip = SkipReason::None; // NotSound, KindNotRead, or NeedsDecoder when there is no decoder
};

// The route column of the kinds table, applied to one file: straight, through the decoder (its
// kind's route, a probed kind the encoder failed, more than two channels), or none.
FileRoute routeFor(const SoundFormat &format, const RouteFacts &facts);

// Whether a job that needs the decoder is told so by its channel count rather than its kind: a
// kind the encoder reads, with more than two channels.
bool needsDecoderForChannels(const BatchJob &job);

// The decoder's command line, program first: `input` decoded into 24-bit WAV on its standard
// output, downmixed to two channels when it has more (also when `channels` is 0, not known),
// failing on damaged data, with its progress as key=value lines on its standard error.
QStringList decoderCommand(const QString &decoder, const QString &input, int channels);

// The switch that makes the encoder read MPEG audio of this layer; empty for another kind.
QString mpegInputSwitch(SoundKind kind);

// The rgrInputType index by which given folders are listed: WAV PCM's whenever the options read
// the input as WAV PCM ("Use default settings" too), else the chosen one.
int folderInputType(const OptionSet &options);

// The decoder on the PATH; empty when there is none.
QString findDecoder();

} // namespace fenwave
