#pragma once

#include "language/Language.h"
#include "options/OptionSet.h"

#include <QByteArray>
#include <QString>

namespace fenwave {

// What a file holds, judged by its content alone (never by its name).
enum class SoundKind {
    NotChecked, // not looked at, or nothing of it could be read: it goes on, and the encoder reports it
    WavPcm,
    WavFloat,
    WavExtensible,
    WavCompressed, // another coding in a WAV file (ADPCM, A-law...)
    Wave64,
    Rf64,
    Aiff,
    Aifc,
    MpegLayer1, // MPEG audio by layer, with or without an ID3v2 tag in front
    MpegLayer2,
    MpegLayer3,
    Flac,
    OggVorbis,
    OggOpus,
    OggFlac,
    Mp4Audio,
    SunAu,            // Sun/NeXT audio (.au, .snd)
    UnsupportedSound, // sound of a kind no route brings to the encoder (WavPack, AC-3...)
    // Not sound.
    JpegImage,
    PngImage,
    GifImage,
    OtherImage,
    PdfDocument,
    Archive,
    Video,
    Mp4WithoutSound,  // an MP4 file with neither a sound nor a picture track
    Playlist,         // a list of other files (M3U, PLS, XSPF, ASX...)
    CueSheet,         // the tracks of a disc image
    SynthesisedMusic, // notes a player turns into sound (MIDI, tracker modules)
    SettingsFile,
    Text,
    EmptyFile,
    DamagedHeader, // starts as a sound file but breaks off before saying what it holds
    NotRegular,    // a FIFO, a device, a socket or a folder: never opened, as reading could block or never end
    Unknown,
};

// What a file holds and how many channels, where its header says (0 where it does not: MPEG
// audio, M4A, kinds that are not sound).
struct SoundFormat {
    SoundKind kind = SoundKind::NotChecked;
    int channels = 0;
};

// The kind of the file at `path`. Reads its first few KiB (the content types of the MIME
// database), and the headers of its chunks where they cannot say enough, within a bound.
SoundKind soundKindOfFile(const QString &path);
// The same, with the channel count of WAV, RF64, Wave64, AIFF, AU, FLAC, Ogg Vorbis and Opus.
SoundFormat soundFormatOfFile(const QString &path);
// The same check over a whole file's bytes held in memory.
SoundFormat soundFormatOfBytes(const QByteArray &bytes);

// false for the kinds that are not sound (an image, a text...); NotChecked counts as sound.
bool isSound(SoundKind kind);

// How a batch read as WAV PCM brings a kind to the encoder (see routeFor in SoundRoute.h).
enum class SoundRoute {
    Straight, // the encoder reads it (MPEG audio; WAV and AIFF of one or two channels)
    Probed,   // straight once a probe has shown that this encoder reads it, else through the decoder
    Decoder,  // through the decoder, into the encoder's standard input
    None,     // not sound: no way
};
SoundRoute soundRoute(SoundKind kind);

// What the user is told the kind is ("JPEG image", "изображение JPEG"), in the language.
QString soundKindText(SoundKind kind, Language language);

// Whether the encoder, started with these options, reads a file of this kind. The input type in
// effect decides: none while "Use default settings" is on (the short form names none), which the
// encoder reads as WAV PCM; "Decode MP3" (the full form only) reads MPEG audio of any layer.
// A kind not checked is always taken.
bool inputTakes(const OptionSet &options, SoundKind kind);

// true when the options read the input as WAV PCM: the WAV PCM input type, none chosen, or
// "Use default settings". A batch then takes every kind that has a route, each by its own way.
bool readsAsWave(const OptionSet &options);

// Why a file is not taken, as the user is told it.
enum class KindRefusal {
    None,
    NotSound,      // not a sound file at all
    NotRead,       // a sound file the encoder does not read under any input type
    WrongInputType // a sound file the chosen input type does not read
};
KindRefusal kindRefusal(const OptionSet &options, SoundKind kind);

} // namespace fenwave
