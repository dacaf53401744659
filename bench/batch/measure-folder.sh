#!/usr/bin/env bash
# A library folder of FILES real sound files (albums of 20 tracks of 1 s, each album with a
# cover.jpg and a notes.txt beside its tracks), listed as a batch lists it:
#   1. the folder scan step by step (bench program folder_scan_probe): listing by extension, the
#      content check with the file data in the page cache, and again with it dropped, with the
#      bytes the check reads per file;
#   2. the folder dropped on the window (bench program batch_window_probe, offscreen): until the
#      batch window lists it, and the longest the window goes without answering meanwhile;
#   3. `fenwave --encode --dry-run FOLDER`, the whole plan from the shell (listing, content check,
#      tags, names), printed and not started: wall time, fenwave's CPU time, lines printed.
#
#   bench/batch/measure-folder.sh [BUILD_DIR] [FILES] [KIND]
#
# BUILD_DIR defaults to build (targets fenwave, folder_scan_probe and batch_window_probe, the
# last two configured with -DFENWAVE_BENCHMARKS=ON), FILES to 10000, KIND to wav: the tracks are 16-bit stereo WAV files
# (wav), tagged FLAC files (flac), or half of each (mixed).
set -euo pipefail
unset LC_ALL
export LANG=C LC_CTYPE=C.UTF-8

build_dir=$(realpath "${1:-build}")
count=${2:-10000}
kind=${3:-wav}
fenwave=$build_dir/src/fenwave
probe=$build_dir/bench/folder_scan_probe
window_probe=$build_dir/bench/batch_window_probe
per_album=20

case $kind in
wav | flac | mixed) ;;
*) echo "unknown kind '$kind': wav, flac or mixed" >&2; exit 2 ;;
esac
for program in "$probe" "$window_probe"; do
    [[ -x $program ]] || { echo "$program is missing: configure with -DFENWAVE_BENCHMARKS=ON and build it" >&2; exit 2; }
done
for tool in python3 sox ffmpeg; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

# One track of each kind, made by the real tools; the library holds copies of them (each its own
# file: copies, not links, which a batch would count as one file).
sox -n -r 44100 -c 2 -b 16 "$work/seed.wav" synth 1 pinknoise vol 0.5
ffmpeg -nostdin -v error -i "$work/seed.wav" -c:a flac -metadata artist='Artist' -metadata album='Album' \
    -metadata title='Title' -metadata track=1/20 "$work/seed.flac"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=500x500 -frames:v 1 "$work/seed.jpg"

library=$work/library
python3 - "$work" "$library" "$count" "$per_album" "$kind" <<'PY'
import os, sys
work, library, count, per_album, kind = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
seeds = {ext: open(os.path.join(work, "seed." + ext), "rb").read() for ext in ("wav", "flac", "jpg")}
for n in range(count):
    album, track = divmod(n, per_album)
    folder = os.path.join(library, "Artist %d" % (album // 10), "Album %03d" % album)
    if track == 0:
        os.makedirs(folder)
        open(os.path.join(folder, "cover.jpg"), "wb").write(seeds["jpg"])
        open(os.path.join(folder, "notes.txt"), "w").write("Recorded live.\n")
    ext = kind if kind != "mixed" else ("wav", "flac")[album % 2]
    open(os.path.join(folder, "%02d Track %d.%s" % (track + 1, track + 1, ext)), "wb").write(seeds[ext])
PY
sync -f "$library"

echo "$count $kind files in $(find "$library" -type d | wc -l) folders, $(nproc) cores"
echo "-- the folder scan, step by step (second of two runs, the folders' entries cached):"
"$probe" "$library" >/dev/null
"$probe" "$library"
echo "-- the same with each file's data dropped from the page cache before the content check:"
"$probe" "$library" --cold | grep -v '^listed'

echo "-- the folder dropped on the window (offscreen):"
QT_QPA_PLATFORM=offscreen "$window_probe" "$library" | grep -E 'files listed|until listed|longest unanswered|memory'

echo "-- fenwave --encode --dry-run over the folder (second of two runs):"
dry_run() {
    python3 - "$fenwave" --encode --dry-run -- "$library" <<'PY'
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
lines = child.stdout.read().count(b"\n")
_, status, usage = os.wait4(child.pid, 0)
print("%8.1f ms wall %8.1f ms CPU, %d lines, exit status %d" % (
    (time.monotonic() - start) * 1e3, (usage.ru_utime + usage.ru_stime) * 1e3, lines,
    os.waitstatus_to_exitcode(status)))
PY
}
dry_run >/dev/null
dry_run
