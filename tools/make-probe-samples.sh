#!/bin/sh
# Makes the one-second samples with which the program finds out which kinds of sound the
# encoder reads itself (see src/batch/EncoderProbe.h), into data/probe/. Run once; the files
# are kept in the repository, so that building needs no sound tools and every build probes
# with the same bytes. Needs sox and ffmpeg.
#
# A tone of 440 Hz, mono, at 22.05 kHz (Opus: 48 kHz, its own rate). Each file is far smaller
# than one second of the raw sound the encoder takes a file it cannot read for (16-bit stereo
# at 44.1 kHz, 176,400 bytes), so that a misread sample never plays for about one second.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/data/probe"
mkdir -p "$out"
tone="synth 1 sine 440"
ff="ffmpeg -nostdin -v error -y -bitexact -f lavfi -i sine=frequency=440:duration=1:sample_rate"

sox -n -r 22050 -c 1 -b 16 "$out/probe.flac" $tone
sox -n -r 22050 -c 1 "$out/probe.ogg" $tone
$ff=48000 -ac 1 -c:a libopus -b:a 32k -fflags +bitexact -flags:a +bitexact "$out/probe.opus"
sox -n -r 22050 -c 1 -b 16 "$out/probe.w64" $tone
$ff=22050 -ac 1 -c:a pcm_s16le -rf64 always -fflags +bitexact -flags:a +bitexact -f wav "$out/probe.rf64"
sox -n -r 22050 -c 1 -e floating-point -b 32 "$out/probe-float.wav" $tone
ls -l "$out"
