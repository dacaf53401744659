#!/usr/bin/env bash
# A batch of 16 WAV files of 30 s, encoded three ways in one run, interleaved, medians of ROUNDS:
# the encoder one file after another, `xargs -P<cores>` with the same switches (as fast as the
# machine goes), and the batch runner with <cores> encoders at once (`fenwave --encode --jobs`
# when the given fenwave has it, else the runner's probe). Prints the wall times, how far the
# runner is from xargs, and the runner's own CPU time against its encoders' (from the probe,
# which measures both).
#
#   bench/batch/measure-batch.sh [BUILD_DIR] [ROUNDS]
#
# BUILD_DIR defaults to build (targets batch_runner_probe and fenwave), ROUNDS to 3.
set -euo pipefail
export LC_ALL=C # $EPOCHREALTIME with a "." whatever the user's locale

build_dir=$(realpath "${1:-build}")
rounds=${2:-3}
probe=$build_dir/bench/batch_runner_probe
fenwave=$build_dir/src/fenwave
cores=$(nproc)
switches=(-V 2)
files=16

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"

# Noise is the encoder's hardest case; the header is a plain 16-bit stereo WAV at 44.1 kHz.
python3 - "$work/in" "$files" <<'PY'
import os, struct, sys
folder, count = sys.argv[1], int(sys.argv[2])
rate, channels, seconds = 44100, 2, 30
data = rate * channels * 2 * seconds
header = (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " +
          struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 2, channels * 2, 16) +
          b"data" + struct.pack("<I", data))
for i in range(count):
    with open(os.path.join(folder, "track %02d.wav" % (i + 1)), "wb") as f:
        f.write(header + os.urandom(data))
PY
inputs=("$work"/in/*.wav)

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
        lame --quiet "${switches[@]}" "$input" "$work/out/$(basename "$input" .wav).mp3"
    done
}

with_xargs() {
    printf '%s\0' "${inputs[@]}" | xargs -0 -n1 -P"$cores" \
        sh -c 'exec lame --quiet '"${switches[*]}"' "$1" "$0/$(basename "$1" .wav).mp3"' "$work/out"
}

with_runner() {
    if "$fenwave" --help 2>/dev/null | grep -q -- --encode; then
        "$fenwave" --encode --jobs "$cores" --output-dir "$work/out" --existing overwrite -- "$work/in"
    else
        "$probe" "$cores" lame "$work/out" "${switches[@]}" -- "${inputs[@]}"
    fi
}

declare -A times
shares=
for ((round = 1; round <= rounds; ++round)); do
    for way in one_after_another with_xargs with_runner; do
        rm -rf "$work/out" && mkdir "$work/out"
        times[$way]+="$(wall "$way") "
    done
    share=$("$probe" "$cores" lame "$work/out" "${switches[@]}" -- "${inputs[@]}")
    shares+="$share"$'\n'
done

echo "$files files of 30 s, ${switches[*]}, $cores cores, medians of $rounds rounds (wall seconds):"
for way in one_after_another with_xargs with_runner; do
    printf '  %-18s %8.2f\n' "$way" "$(tr ' ' '\n' <<<"${times[$way]}" | grep . | median)"
done
xargs_s=$(tr ' ' '\n' <<<"${times[with_xargs]}" | grep . | median)
runner_s=$(tr ' ' '\n' <<<"${times[with_runner]}" | grep . | median)
printf '  runner against xargs: %+.1f %%\n' "$(echo "($runner_s / $xargs_s - 1) * 100" | bc -l)"
own=$(awk '{ print $6 / $10 * 100 }' <<<"${shares%$'\n'}" | median)
printf "  runner's own CPU time: %.2f %% of its encoders' (probe, median)\n" "$own"
