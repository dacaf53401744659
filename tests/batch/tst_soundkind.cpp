#include "batch/EncoderProbe.h"
#include "batch/SoundKind.h"
#include "batch/SoundRoute.h"

#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace fenwave;

Q_DECLARE_METATYPE(fenwave::SoundKind)
Q_DECLARE_METATYPE(fenwave::KindRefusal)

namespace {

// How a sample is made: a program and its arguments, "%1" standing for the file to write.
using Maker = QStringList;

const Maker kSox{"sox", "-n", "-r", "44100", "-c", "2"};
const QStringList kSine{"synth", "0.1", "sine", "440"};
const Maker kFfmpeg{"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=d=0.1:r=44100"};

Maker sox(const QStringList &format)
{
    return kSox + format + QStringList{"%1"} + kSine;
}

Maker ffmpeg(const QStringList &format)
{
    return kFfmpeg + format + QStringList{"%1"};
}

Maker lame(const QStringList &switches)
{
    return QStringList{"lame", "--quiet"} + switches + QStringList{"source.wav", "%1"};
}

// Writes a sample with its maker; an empty maker takes `bytes` as the file.
void makeSample(const QDir &dir, const QString &name, const Maker &maker, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    if (maker.isEmpty()) {
        testing::mustWrite(path, bytes);
        return;
    }
    QStringList arguments = maker.mid(1);
    for (QString &argument : arguments)
        argument = argument.arg(path);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(maker.first(), arguments);
    QVERIFY2(process.waitForFinished(60000) && process.exitCode() == 0,
             qPrintable(maker.first() + ": " + process.readAllStandardError()));
}

// A file that `make` writes to "plain", with 100 small chunks (each `chunk`, as printf writes it)
// put in before the chunk at `at`: a header walk bounded by a count of chunks misses its format.
Maker withChunksBefore(const QString &make, int at, const QString &chunk)
{
    return {"sh", "-c",
            make + " && { head -c " + QString::number(at) + " plain; i=0; while [ $i -lt 100 ]; do printf '" + chunk
                + "'; i=$((i+1)); done; tail -c +" + QString::number(at + 1) + " plain; } > \"%1\""};
}

// Layer I has no everyday encoder: frames of silence, written by hand (MPEG-1, 32 kbit/s,
// 44.1 kHz, no CRC: 32 bytes each).
QByteArray layer1Frames()
{
    QByteArray frame(32, '\0');
    frame[0] = char(0xff);
    frame[1] = char(0xff);
    frame[2] = char(0x10);
    return frame.repeated(20);
}

} // namespace

class TestSoundKind : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void kindOfContent_data();
    void kindOfContent();
    void channelsOfContent_data();
    void channelsOfContent();
    void routeOfContent_data();
    void routeOfContent();
    void probe_data();
    void probe();
    void whatEachInputTypeTakes_data();
    void whatEachInputTypeTakes();
    void descriptions_data();
    void descriptions();

private:
    QTemporaryDir m_dir;
};

void TestSoundKind::initTestCase()
{
    for (const char *program : {"sox", "ffmpeg", "lame"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("\"%1\" is not installed").arg(program)));
    }
    QVERIFY(m_dir.isValid());
    makeSample(QDir(m_dir.path()), "source.wav", sox({}), {});
}

// clang-format off
void TestSoundKind::kindOfContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<QByteArray>("bytes"); // the file itself when there is no maker
    QTest::addColumn<SoundKind>("expected");
    const QByteArray none;
    const Maker byHand;
    const QByteArray jpegStart("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);

    QTest::newRow("WAV 16-bit") << "a.wav" << sox({"-b", "16"}) << none << SoundKind::WavPcm;
    QTest::newRow("WAV float") << "a.wav" << sox({"-e", "floating-point", "-b", "32"}) << none << SoundKind::WavFloat;
    QTest::newRow("WAV extensible, six channels") << "a.wav" << ffmpeg({"-ac", "6"}) << none << SoundKind::WavExtensible;
    QTest::newRow("WAV A-law") << "a.wav" << sox({"-e", "a-law"}) << none << SoundKind::WavCompressed;
    QTest::newRow("W64") << "a.w64" << sox({}) << none << SoundKind::Wave64;
    QTest::newRow("RF64") << "a.wav" << ffmpeg({"-rf64", "always"}) << none << SoundKind::Rf64;
    QTest::newRow("AIFF") << "a.aiff" << sox({}) << none << SoundKind::Aiff;
    QTest::newRow("AIFC") << "a.aifc" << sox({}) << none << SoundKind::Aifc;
    QTest::newRow("MPEG Layer I") << "a.mp1" << byHand << layer1Frames() << SoundKind::MpegLayer1;
    QTest::newRow("MPEG Layer II") << "a.mp2" << ffmpeg({"-c:a", "mp2"}) << none << SoundKind::MpegLayer2;
    QTest::newRow("MPEG Layer III") << "a.mp3" << lame({}) << none << SoundKind::MpegLayer3;
    QTest::newRow("MPEG Layer III, ID3v2 tag") << "a.mp3" << lame({"--id3v2-only", "--tt", "Песня"}) << none
        << SoundKind::MpegLayer3;
    QTest::newRow("MPEG Layer III, padded ID3v2 tag") << "a.mp3" << lame({"--pad-id3v2-size", "5000", "--tt", "x"})
        << none << SoundKind::MpegLayer3;
    QTest::newRow("MPEG Layer II, ID3v2 tag") << "a.mp2" << ffmpeg({"-c:a", "mp2", "-f", "mp2", "-metadata", "title=x",
        "-id3v2_version", "3"}) << none << SoundKind::MpegLayer2;
    QTest::newRow("FLAC") << "a.flac" << sox({}) << none << SoundKind::Flac;
    QTest::newRow("Ogg Vorbis") << "a.ogg" << sox({}) << none << SoundKind::OggVorbis;
    QTest::newRow("Ogg Opus") << "a.opus" << ffmpeg({"-c:a", "libopus"}) << none << SoundKind::OggOpus;
    QTest::newRow("Ogg FLAC") << "a.oga" << ffmpeg({"-c:a", "flac", "-f", "ogg"}) << none << SoundKind::OggFlac;
    QTest::newRow("M4A") << "a.m4a" << ffmpeg({"-c:a", "aac"}) << none << SoundKind::Mp4Audio;
    // Other tools' M4A: sound alone, under the brands of MP4 in general.
    QTest::newRow("MP4 of brand isom, sound only") << "a.mp4" << ffmpeg({"-c:a", "aac", "-f", "mp4"}) << none
        << SoundKind::Mp4Audio;
    QTest::newRow("MP4 of brand mp42, sound only") << "a.mp4" << ffmpeg({"-c:a", "aac", "-f", "mp4", "-brand", "mp42"})
        << none << SoundKind::Mp4Audio;
    QTest::newRow("AU") << "a.au" << ffmpeg({}) << none << SoundKind::SunAu;
    QTest::newRow("WAV, 100 chunks before its format") << "a.wav"
        << withChunksBefore("sox -n -r 44100 -c 2 -b 16 -t wav plain synth 0.1 sine 440", 12, "junk\\4\\0\\0\\0abcd") << none << SoundKind::WavPcm;

    // Sound no route brings to the encoder, which would read it as noise.
    QTest::newRow("WavPack") << "a.wv" << ffmpeg({"-c:a", "wavpack"}) << none << SoundKind::UnsupportedSound;
    QTest::newRow("AC-3 named .mp3") << "a.mp3" << ffmpeg({"-c:a", "ac3", "-f", "ac3"}) << none
        << SoundKind::UnsupportedSound;

    // Files that hold no sound of their own, whatever the MIME database calls them.
    QTest::newRow("M3U playlist") << "Album.m3u" << byHand
        << QByteArray("#EXTM3U\n#EXTINF:61,Artist - Title\n01 Title.flac\n") << SoundKind::Playlist;
    QTest::newRow("M3U playlist without a header") << "Album.m3u" << byHand
        << QByteArray("01 Title.flac\r\n02 Другая песня.mp3\r\nhttp://radio.example/stream\r\n")
        << SoundKind::Playlist;
    QTest::newRow("PLS playlist named .wav") << "Album.wav" << byHand
        << QByteArray("[playlist]\nFile1=a.mp3\nNumberOfEntries=1\n") << SoundKind::Playlist;
    QTest::newRow("XSPF playlist") << "Album.xspf" << byHand
        << QByteArray("<?xml version=\"1.0\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
                      "<trackList/></playlist>\n") << SoundKind::Playlist;
    QTest::newRow("cue sheet") << "Album.cue" << byHand
        << QByteArray("REM GENRE Rock\nPERFORMER \"X\"\nFILE \"Album.flac\" WAVE\n  TRACK 01 AUDIO\n"
                      "    INDEX 01 00:00:00\n") << SoundKind::CueSheet;
    QTest::newRow("MIDI") << "a.mid" << byHand
        << QByteArray("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x04\x00\xff\x2f\x00", 26)
        << SoundKind::SynthesisedMusic;

    // Names that lie, and content that is not sound.
    QTest::newRow(".wav holding a JPEG") << "cover.wav" << QStringList{"ffmpeg", "-v", "error", "-y", "-f", "lavfi",
        "-i", "color=red:s=8x8", "-frames:v", "1", "-f", "image2", "-c:v", "mjpeg", "%1"} << none << SoundKind::JpegImage;
    QTest::newRow("JPEG start only") << "cover" << byHand << jpegStart << SoundKind::JpegImage;
    QTest::newRow(".mp3 holding text") << "notes.mp3" << byHand << QByteArray("liner notes\nтекст\n")
        << SoundKind::Text;
    QTest::newRow("settings file") << "song.wav" << byHand << QByteArray("[Fenwave Sets]\r\nInputType=5\r\n")
        << SoundKind::SettingsFile;
    QTest::newRow("empty") << "empty.wav" << byHand << QByteArray() << SoundKind::EmptyFile;
    QTest::newRow("WAV broken off in the format") << "cut.wav" << byHand
        << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00", 18) << SoundKind::DamagedHeader;
    QTest::newRow("WAV without a format chunk") << "cut.wav" << byHand
        << QByteArray("RIFF\x0c\x00\x00\x00WAVEdata\x00\x00\x00\x00", 20) << SoundKind::DamagedHeader;
    QTest::newRow("ID3v2 tag and nothing after") << "tag.mp3" << byHand << QByteArray("ID3\x04\x00\x00\x00\x00\x00\x05" "abcde", 15)
        << SoundKind::DamagedHeader;
    QTest::newRow("Ogg page broken off") << "cut.ogg" << byHand << QByteArray("OggS\x00\x02", 6)
        << SoundKind::DamagedHeader;
    QTest::newRow("binary noise") << "noise.wav" << byHand << QByteArray("\x01\x02\x03\x00\xfe\x7f\x00\x00", 8)
        << SoundKind::Unknown;
}
// clang-format on

void TestSoundKind::kindOfContent()
{
    QFETCH(QString, name);
    QFETCH(Maker, maker);
    QFETCH(QByteArray, bytes);
    QFETCH(SoundKind, expected);

    const QDir dir(m_dir.path());
    makeSample(dir, name, maker, bytes);
    QCOMPARE(soundKindOfFile(dir.filePath(name)), expected);
}

// clang-format off
void TestSoundKind::channelsOfContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<int>("expected"); // 0: the header does not say
    const auto soxChannels = [](const QString &channels) {
        return Maker{"sox", "-n", "-r", "44100", "-c", channels, "%1", "synth", "0.1", "sine", "440"};
    };

    QTest::newRow("WAV, two") << "a.wav" << sox({"-b", "16"}) << 2;
    QTest::newRow("WAV extensible, six") << "a.wav" << ffmpeg({"-ac", "6"}) << 6;
    QTest::newRow("RF64, six") << "a.wav" << ffmpeg({"-ac", "6", "-rf64", "always"}) << 6;
    QTest::newRow("W64, six") << "a.w64" << soxChannels("6") << 6;
    QTest::newRow("AIFF, three") << "a.aiff" << soxChannels("3") << 3;
    QTest::newRow("FLAC, six") << "a.flac" << soxChannels("6") << 6;
    QTest::newRow("FLAC, one") << "a.flac" << soxChannels("1") << 1;
    QTest::newRow("Ogg Vorbis, six") << "a.ogg" << soxChannels("6") << 6;
    QTest::newRow("Opus, six") << "a.opus" << ffmpeg({"-ac", "6", "-c:a", "libopus", "-mapping_family", "1"}) << 6;
    QTest::newRow("MPEG Layer III: not said") << "a.mp3" << lame({}) << 0;
    QTest::newRow("AIFF, three, 100 chunks before COMM") << "a.aiff"
        << withChunksBefore("sox -n -r 44100 -c 3 -t aiff plain synth 0.1 sine 440", 12, "junk\\0\\0\\0\\4abcd") << 3;
    QTest::newRow("W64, six, 100 chunks before its format") << "a.w64"
        << withChunksBefore("sox -n -r 44100 -c 6 -t w64 plain synth 0.1 sine 440", 40,
                            "junk\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\30\\0\\0\\0\\0\\0\\0\\0") << 6;
}
// clang-format on

void TestSoundKind::channelsOfContent()
{
    QFETCH(QString, name);
    QFETCH(Maker, maker);
    QFETCH(int, expected);

    const QDir dir(m_dir.path());
    makeSample(dir, name, maker, {});
    QCOMPARE(soundFormatOfFile(dir.filePath(name)).channels, expected);
}

// clang-format off
void TestSoundKind::routeOfContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<QString>("expected"); // "straight", "decoded" or "skip"

    // The encoder reads WAVE_FORMAT_EXTENSIBLE of one or two channels itself, probe or not.
    QTest::newRow("WAV extensible, two channels") << "a.wav" << ffmpeg({"-ac", "2", "-c:a", "pcm_s24le"}) << "straight";
    QTest::newRow("WAV extensible, one channel") << "a.wav" << ffmpeg({"-ac", "1", "-c:a", "pcm_s24le"}) << "straight";
    QTest::newRow("MP4 of brand dash, sound only") << "a.mp4" << ffmpeg({"-c:a", "aac", "-f", "mp4", "-brand", "dash"})
        << "decoded";
    QTest::newRow("WavPack") << "a.wv" << ffmpeg({"-c:a", "wavpack"}) << "skip";
}
// clang-format on

// A batch read as WAV PCM, with the decoder there and a probe that found the encoder reads
// none of the probed kinds.
void TestSoundKind::routeOfContent()
{
    QFETCH(QString, name);
    QFETCH(Maker, maker);
    QFETCH(QString, expected);

    const QDir dir(m_dir.path());
    makeSample(dir, name, maker, {});
    const FileRoute route = routeFor(soundFormatOfFile(dir.filePath(name)), RouteFacts{"ffmpeg", QList<SoundKind>{}});
    QCOMPARE(route.skip != SkipReason::None ? "skip" : route.decoded ? "decoded" : "straight", expected);
    if (expected == "skip") // what the user is told: sound, which the encoder does not read
        QCOMPARE(route.skip, SkipReason::KindNotRead);
}

// The probe's samples are of their kinds, and an encoder counts as reading a kind only when the
// MP3 it makes plays as long as the sample: not when it reads the sample as raw noise or fails.
// The answer is kept per encoder file, and asked again once the file has changed.
void TestSoundKind::probe_data()
{
    QTest::addColumn<QByteArray>("encoder"); // a stand-in's script; "lame" runs the encoder
    QTest::addColumn<bool>("read");

    QTest::newRow("the encoder") << QByteArray("exec lame \"$@\"\n") << true;
    // What the encoder makes of a file it cannot read: noise, as long as the file's bytes last.
    QTest::newRow("reads the sample as noise")
        << QByteArray("for a; do in=$out; out=$a; done\nhead -c \"$(wc -c < \"$in\")\" /dev/urandom > \"$out.noise\"\n"
                      "exec lame --quiet \"$out.noise\" \"$out\"\n")
        << false;
    QTest::newRow("fails") << QByteArray("exit 1\n") << false;
    QTest::newRow("writes a short MP3, says nothing")
        << QByteArray("for out; do :; done; exec lame --quiet -r -s 8 /dev/null \"$out\"\n") << false;
}

void TestSoundKind::probe()
{
    QFETCH(QByteArray, encoder);
    QFETCH(bool, read);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QList<SoundKind> probed;
    for (SoundKind kind : {SoundKind::Flac, SoundKind::OggVorbis, SoundKind::OggOpus, SoundKind::Wave64,
                           SoundKind::Rf64, SoundKind::WavFloat}) {
        const QString sample = probeSample(kind);
        QVERIFY2(!sample.isEmpty(), qPrintable(soundKindText(kind, Language::English)));
        QCOMPARE(soundKindOfFile(sample), kind);
        probed += kind;
    }
    const QString program = dir.filePath("encoder");
    QVERIFY(testing::writeExecutable(program, "#!/bin/sh\n" + encoder));
    const QList<SoundKind> answer
        = probeEncoder(program, probed + QList<SoundKind>{SoundKind::WavPcm, SoundKind::Mp4Audio});
    QCOMPARE(answer.size(), read ? probed.size() : 0);
    // Another encoder under the same name: asked again.
    QVERIFY(testing::writeExecutable(program, "#!/bin/sh\n# another one\n"
                                                  + QByteArray(read ? "exit 1\n" : "exec lame \"$@\"\n")));
    QCOMPARE(probeEncoder(program, {SoundKind::Flac}).size(), read ? 0 : 1);
}

// clang-format off
void TestSoundKind::whatEachInputTypeTakes_data()
{
    QTest::addColumn<int>("inputType"); // rgrInputType: MPEG I, II, III, Ogg Vorbis, RAW PCM, WAV PCM; -1 none
    QTest::addColumn<bool>("decode");
    QTest::addColumn<bool>("defaults"); // "Use default settings"
    QTest::addColumn<SoundKind>("kind");
    QTest::addColumn<KindRefusal>("expected");
    const auto taken = KindRefusal::None;
    const auto notSound = KindRefusal::NotSound;
    const auto notRead = KindRefusal::NotRead;
    const auto wrongType = KindRefusal::WrongInputType;

    QTest::newRow("WAV PCM: WAV float") << 5 << false << false << SoundKind::WavFloat << taken;
    QTest::newRow("WAV PCM: W64") << 5 << false << false << SoundKind::Wave64 << taken;
    QTest::newRow("WAV PCM: RF64") << 5 << false << false << SoundKind::Rf64 << taken;
    QTest::newRow("WAV PCM: AIFC") << 5 << false << false << SoundKind::Aifc << taken;
    QTest::newRow("WAV PCM: MP2") << 5 << false << false << SoundKind::MpegLayer2 << taken;
    QTest::newRow("WAV PCM: FLAC") << 5 << false << false << SoundKind::Flac << taken;
    QTest::newRow("WAV PCM: Ogg FLAC") << 5 << false << false << SoundKind::OggFlac << taken;
    QTest::newRow("WAV PCM: Opus") << 5 << false << false << SoundKind::OggOpus << taken;
    QTest::newRow("WAV PCM: JPEG") << 5 << false << false << SoundKind::JpegImage << notSound;
    QTest::newRow("WAV PCM: empty") << 5 << false << false << SoundKind::EmptyFile << notSound;
    QTest::newRow("WAV PCM: M4A") << 5 << false << false << SoundKind::Mp4Audio << notRead;
    QTest::newRow("WAV PCM: not looked at") << 5 << false << false << SoundKind::NotChecked << taken;
    QTest::newRow("WAV PCM: playlist") << 5 << false << false << SoundKind::Playlist << notSound;
    QTest::newRow("WAV PCM: AU") << 5 << false << false << SoundKind::SunAu << taken;
    QTest::newRow("WAV PCM: unsupported sound") << 5 << false << false << SoundKind::UnsupportedSound << notRead;
    QTest::newRow("Layer III: unsupported sound") << 2 << false << false << SoundKind::UnsupportedSound << notRead;
    QTest::newRow("no type: as WAV PCM") << -1 << false << false << SoundKind::Text << notSound;
    QTest::newRow("no type: WAV") << -1 << false << false << SoundKind::WavPcm << taken;
    QTest::newRow("Layer III: MP3") << 2 << false << false << SoundKind::MpegLayer3 << taken;
    QTest::newRow("Layer III: MP2") << 2 << false << false << SoundKind::MpegLayer2 << wrongType;
    QTest::newRow("Layer III: WAV") << 2 << false << false << SoundKind::WavPcm << wrongType;
    QTest::newRow("Layer III: M4A") << 2 << false << false << SoundKind::Mp4Audio << notRead;
    QTest::newRow("Layer III: text") << 2 << false << false << SoundKind::Text << notSound;
    QTest::newRow("Layer II: MP2") << 1 << false << false << SoundKind::MpegLayer2 << taken;
    QTest::newRow("Layer II: MP1") << 1 << false << false << SoundKind::MpegLayer1 << wrongType;
    QTest::newRow("Layer I: MP1") << 0 << false << false << SoundKind::MpegLayer1 << taken;
    QTest::newRow("Layer I: MP3") << 0 << false << false << SoundKind::MpegLayer3 << wrongType;
    QTest::newRow("RAW PCM: JPEG") << 4 << false << false << SoundKind::JpegImage << taken;
    QTest::newRow("RAW PCM: M4A") << 4 << false << false << SoundKind::Mp4Audio << taken;
    QTest::newRow("Ogg Vorbis: not checked") << 3 << false << false << SoundKind::Text << taken;
    QTest::newRow("decode: MP2") << 5 << true << false << SoundKind::MpegLayer2 << taken;
    QTest::newRow("decode: WAV") << 5 << true << false << SoundKind::WavPcm << wrongType;
    QTest::newRow("decode wins over RAW PCM") << 4 << true << false << SoundKind::Text << notSound;
    QTest::newRow("defaults: no decode, WAV") << 2 << true << true << SoundKind::WavPcm << taken;
    QTest::newRow("defaults: no input type, JPEG") << 4 << false << true << SoundKind::JpegImage << notSound;
}
// clang-format on

void TestSoundKind::whatEachInputTypeTakes()
{
    QFETCH(int, inputType);
    QFETCH(bool, decode);
    QFETCH(bool, defaults);
    QFETCH(SoundKind, kind);
    QFETCH(KindRefusal, expected);

    OptionSet options;
    options.setIndex(Field::rgrInputType, inputType);
    options.setOn(Field::flgMP3Decode, decode);
    options.setOn(Field::flgDefault, defaults);
    QCOMPARE(kindRefusal(options, kind), expected);
    QCOMPARE(inputTakes(options, kind), expected == KindRefusal::None);
}

void TestSoundKind::descriptions_data()
{
    QTest::addColumn<SoundKind>("kind");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");

    QTest::newRow("text") << SoundKind::Text << "text"
                          << "текст";
    QTest::newRow("playlist") << SoundKind::Playlist << "playlist"
                              << "список воспроизведения";
    QTest::newRow("cue sheet") << SoundKind::CueSheet << "cue sheet"
                               << "файл разметки CUE";
    // Said as "the encoder does not read … files" ("кодировщик не читает файлы …").
    QTest::newRow("unsupported sound") << SoundKind::UnsupportedSound << "unsupported sound format"
                                       << "неподдерживаемого звукового формата";
}

void TestSoundKind::descriptions()
{
    QFETCH(SoundKind, kind);
    QFETCH(QString, english);
    QFETCH(QString, russian);

    QCOMPARE(soundKindText(kind, Language::English), english);
    QCOMPARE(soundKindText(kind, Language::Russian), russian);
}

QTEST_GUILESS_MAIN(TestSoundKind)
#include "tst_soundkind.moc"
