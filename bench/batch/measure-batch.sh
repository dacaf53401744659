#!/usr/bin/env bash
# A batch of 16 tracks of 30 s, encoded in one run by each way below, interleaved, medians of
# ROUNDS; `fenwave --encode --jobs <cores>` against what the machine allows without it. Prints the
# wall times, how far fenwave is from the fastest hand-made way, and fenwave's own CPU time (its
# process alone, without the encoders and decoders it starts) against theirs.
#
#   bench/batch/measure-batch.sh [BUILD_DIR] [ROUNDS] [KIND]
#
# BUILD_DIR defaults to build (target fenwave), ROUNDS to 3, KIND to wav:
#   wav   16-bit stereo WAV files; the encoder one file after another, `xargs -P<cores>` of the
#         encoder, and fenwave, all with the switches fenwave's start values compose.
#   flac  the same sound as FLAC files, tagged (title, artist, album, album artist, year, track
#         and total, disc and total, genre, comment, Cyrillic among them) with an embedded front
#         cover; `xargs -P<cores>` of the encoder reading each FLAC file itself with the same tag
#         switches typed by hand (--ti with the cover saved once beforehand) against fenwave,
#         which reads the tags and the cover itself.
#   m4a   the same sound as AAC in M4A files, which the encoder cannot read; `xargs -P<cores>` of
#         `ffmpeg ... | lame ... -` typed by hand against fenwave, which pipes ffmpeg into the
#         encoder itself. Needs a fenwave whose batch has the ffmpeg route; with one without
#         it, only the hand-made way is timed and the script says so.
set -euo pipefail
# A "." in $EPOCHREALTIME and for bc whatever the user's locale; tag text as UTF-8 for the
# encoders started by hand, as fenwave gives it to its own.
unset LC_ALL
export LANG=C LC_CTYPE=C.UTF-8

build_dir=$(realpath "${1:-build}")
rounds=${2:-3}
kind=${3:-wav}
fenwave=$build_dir/src/fenwave
cores=$(nproc)
files=16
seconds=30

case $kind in
wav | flac | m4a) ;;
*) echo "unknown kind '$kind': wav, flac or m4a" >&2; exit 2 ;;
esac
for tool in python3 bc lame; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done
if [[ $kind != wav ]] && ! command -v ffmpeg >/dev/null; then
    echo "ffmpeg is needed to make the $kind files" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/wav" "$work/in"
# A store of its own: the encoder is found on the PATH, and nothing of the user's is read.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

# Noise is the encoder's hardest case; the header is a plain 16-bit stereo WAV at 44.1 kHz.
python3 - "$work/wav" "$files" "$seconds" <<'PY'
import os, struct, sys
folder, count, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rate, channels = 44100, 2
data = rate * channels * 2 * seconds
header = (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " +
          struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 2, channels * 2, 16) +
          b"data" + struct.pack("<I", data))
for i in range(count):
    with open(os.path.join(folder, "%02d.wav" % (i + 1)), "wb") as f:
        f.write(header + os.urandom(data))
PY

# The tags of track N, as the FLAC files hold them and as they are typed by hand for the encoder.
artist='Артём Ёлкин' album='Первый альбом' album_artist='Various Artists' year=1988 genre=Rock
comment='Fenwave batch benchmark'
title_of() { printf 'Песня номер %d' "$1"; }

cover=$work/cover.jpg
case $kind in
wav)
    mv "$work"/wav/*.wav "$work/in/"
    for ((i = 1; i <= files; ++i)); do mv "$work/in/$(printf %02d $i).wav" "$work/in/track $(printf %02d $i).wav"; done
    ;;
flac)
    # A front cover of about 1000x1000 pixels, as shops sell them.
    ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=1000x1000 -frames:v 1 -q:v 2 "$cover"
    for ((i = 1; i <= files; ++i)); do
        n=$(printf %02d "$i")
        ffmpeg -nostdin -v error -i "$work/wav/$n.wav" -i "$cover" -map 0:a -map 1:v -c:a flac -c:v copy \
            -disposition:v attached_pic -metadata:s:v comment='Cover (front)' \
            -metadata title="$(title_of "$i")" -metadata artist="$artist" -metadata album="$album" \
            -metadata album_artist="$album_artist" -metadata date="$year-03-21" -metadata track="$i/$files" \
            -metadata disc=1/1 -metadata genre="$genre" -metadata comment="$comment" \
            "$work/in/$n $(title_of "$i").flac"
    done
    ;;
m4a)
    for ((i = 1; i <= files; ++i)); do
        n=$(printf %02d "$i")
        ffmpeg -nostdin -v error -i "$work/wav/$n.wav" -c:a aac -b:a 256k "$work/in/$n track.m4a"
    done
    ;;
esac
rm -rf "$work/wav"
inputs=("$work"/in/*)

# The switches fenwave passes for its start values: its dry run's line for a plain WAV file
# without the program, the input and the output. In a folder of its own, with no picture beside it.
mkdir "$work/probe"
python3 - "$work/probe/probe.wav" <<'PY'
import struct, sys
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", 36 + 4) + b"WAVEfmt " +
    struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" + struct.pack("<I", 4) + bytes(4))
PY
eval "dry=( $("$fenwave" --encode --dry-run -- "$work/probe/probe.wav") )"
switches=("${dry[@]:1:${#dry[@]}-3}")
lame=${dry[0]}
# What fenwave plans for the first track, for the record.
first_line=$("$fenwave" --encode --dry-run -- "${inputs[0]}" 2>&1 || true)

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs the command given, prints its wall time in seconds.
wall() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    echo "$EPOCHREALTIME - $start" | bc -l
}

one_after_another() {
    local input
    for input in "${inputs[@]}"; do
        "$lame" "${switches[@]}" "$input" "$work/out/$(basename "${input%.*}").mp3"
    done
}

# xargs appends the input; a small wrapper names the output, as the loop above does.
with_xargs() {
    printf '%s\0' "${inputs[@]}" | xargs -0 -n1 -P"$cores" sh -c \
        'out=$0; lame=$1; shift; for last; do :; done; name=${last##*/}; exec "$lame" "$@" "$out/${name%.*}.mp3"' \
        "$work/out" "$lame" "${switches[@]}"
}

# The same with the tags of each FLAC file typed by hand, and the cover saved once.
# shellcheck disable=SC2016 # expanded by the shell that xargs starts
with_xargs_tags() {
    printf '%s\0' "${inputs[@]}" | xargs -0 -n1 -P"$cores" bash -c '
        out=$0 lame=$1 files=$2 artist=$3 album=$4 album_artist=$5 year=$6 genre=$7 comment=$8 cover=$9
        shift 9
        input=${!#} name=${input##*/} n=${name%% *}
        exec "$lame" "${@:1:$#-1}" --tt "Песня номер $((10#$n))" --ta "$artist" --tl "$album" --ty "$year" \
            --tn "$((10#$n))/$files" --tg "$genre" --tc "$comment" --tv "TPE2=$album_artist" --tv TPOS=1/1 \
            --ti "$cover" "$input" "$out/${name%.*}.mp3"' \
        "$work/out" "$lame" "$files" "$artist" "$album" "$album_artist" "$year" "$genre" "$comment" "$cover" \
        "${switches[@]}"
}

# ffmpeg piped into the encoder, typed by hand, as many at once as there are cores.
# shellcheck disable=SC2016 # expanded by the shell that xargs starts
with_xargs_pipe() {
    printf '%s\0' "${inputs[@]}" | xargs -0 -n1 -P"$cores" bash -c '
        out=$0 lame=$1
        shift
        input=${!#} name=${input##*/}
        ffmpeg -nostdin -v error -xerror -i "$input" -vn -c:a pcm_s24le -f wav - \
            | "$lame" "${@:1:$#-1}" - "$out/${name%.*}.mp3"' \
        "$work/out" "$lame" "${switches[@]}"
}

# Waits for fenwave without reaping it, reads from /proc the CPU time of the children it reaped
# (encoders, decoders), then reaps it: its rusage holds its own time and theirs. Prints
# "wall own children" in seconds.
with_fenwave() {
    python3 - "$fenwave" --encode --jobs "$cores" --output-dir "$work/out" --existing overwrite -- "${inputs[@]}" <<'PY'
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)
wall = time.monotonic() - start
fields = open("/proc/%d/stat" % child.pid).read().rsplit(")", 1)[1].split()
children = (int(fields[13]) + int(fields[14])) / os.sysconf("SC_CLK_TCK") # cutime, cstime
_, status, usage = os.wait4(child.pid, 0)
print("%.3f %.3f %.3f" % (wall, usage.ru_utime + usage.ru_stime - children, children))
sys.exit(os.waitstatus_to_exitcode(status))
PY
}

case $kind in
wav) ways=(one_after_another with_xargs with_fenwave) limit=with_xargs ;;
flac) ways=(with_xargs_tags with_fenwave) limit=with_xargs_tags ;;
m4a)
    ways=(with_xargs_pipe with_fenwave) limit=with_xargs_pipe
    if [[ $first_line != *ffmpeg*" | "* ]]; then # a pipe, not a skip reason that names ffmpeg
        echo "This fenwave does not pipe M4A files through ffmpeg (its plan: ${first_line:-nothing});" \
            "only the hand-made way is timed." >&2
        ways=(with_xargs_pipe)
    fi
    ;;
esac

# The tags and the cover of an MP3: the ID3v2 frames that the encoder writes, by their names.
frames_of() {
    python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
if data[:3] != b"ID3":
    print("no ID3v2 tag"); sys.exit()
size = sum((b & 0x7f) << s for b, s in zip(data[6:10], (21, 14, 7, 0)))
at, names = 10, []
while at + 10 <= 10 + size and data[at:at + 4].strip(b"\0"):
    names.append(data[at:at + 4].decode("latin-1"))
    at += 10 + int.from_bytes(data[at + 4:at + 8], "big")
print(" ".join(sorted(names)))
PY
}

declare -A times frames
shares=
owns=
child_times=
for ((round = 1; round <= rounds; ++round)); do
    for way in "${ways[@]}"; do
        rm -rf "$work/out" && mkdir "$work/out"
        if [[ $way == with_fenwave ]]; then
            read -r wall_s own children < <(with_fenwave)
            times[$way]+="$wall_s "
            shares+="$(echo "$own / $children * 100" | bc -l)"$'\n'
            owns+="$own"$'\n'
            child_times+="$children"$'\n'
        else
            times[$way]+="$(wall "$way") "
        fi
        # A way that fails fast would win: each must have written every file, of a sound length.
        encoded=$(find "$work/out" -name '*.mp3' -size +100k | wc -l)
        [[ $encoded == "$files" ]] || { echo "$way encoded $encoded of $files files" >&2; exit 1; }
        frames[$way]=$(frames_of "$(find "$work/out" -name '*.mp3' | sort | head -n 1)")
    done
done

echo "$files $kind files of $seconds s, ${switches[*]}, $cores cores, medians of $rounds rounds (wall seconds):"
for way in "${ways[@]}"; do
    printf '  %-18s %8.2f   ID3v2 frames: %s\n' "$way" "$(tr ' ' '\n' <<<"${times[$way]}" | grep . | median)" \
        "${frames[$way]}"
done
echo "  fenwave's plan for the first file: ${first_line:-none}"
if [[ $kind == flac && " ${ways[*]} " == *" with_fenwave "* && ${frames[with_fenwave]} != *APIC* ]]; then
    echo "  NOTE: this fenwave did not carry the embedded cover (no APIC frame); the hand-made way did."
fi
if [[ " ${ways[*]} " == *" with_fenwave "* ]]; then
    limit_s=$(tr ' ' '\n' <<<"${times[$limit]}" | grep . | median)
    fenwave_s=$(tr ' ' '\n' <<<"${times[with_fenwave]}" | grep . | median)
    printf '  fenwave against %s: %+.1f %%\n' "$limit" "$(echo "($fenwave_s / $limit_s - 1) * 100" | bc -l)"
    printf "  fenwave's own CPU time: %.2f %% of its children's (median; %.2f s against %.2f s)\n" \
        "$(grep . <<<"$shares" | median)" "$(grep . <<<"$owns" | median)" "$(grep . <<<"$child_times" | median)"
fi
