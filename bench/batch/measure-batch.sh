#!/usr/bin/env bash
# A batch of 16 WAV files of 30 s, encoded three ways in one run, interleaved, medians of ROUNDS:
# the encoder one file after another, `xargs -P<cores>` (as fast as the machine goes), and
# `fenwave --encode --jobs <cores>`, all with the switches fenwave's start values compose. Prints
# the wall times, how far fenwave is from xargs, and fenwave's own CPU time (its process alone,
# without the encoders) against the encoders'.
#
#   bench/batch/measure-batch.sh [BUILD_DIR] [ROUNDS]
#
# BUILD_DIR defaults to build (target fenwave), ROUNDS to 3.
set -euo pipefail
export LC_ALL=C # $EPOCHREALTIME with a "." whatever the user's locale

build_dir=$(realpath "${1:-build}")
rounds=${2:-3}
fenwave=$build_dir/src/fenwave
cores=$(nproc)
files=16

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
# A store of its own: the encoder is found on the PATH, and nothing of the user's is read.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

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

# The switches fenwave passes: its dry run's line without the program, the input and the output.
eval "dry=( $("$fenwave" --encode --dry-run -- "${inputs[0]}") )"
switches=("${dry[@]:1:${#dry[@]}-3}")
lame=${dry[0]}

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
        "$lame" "${switches[@]}" "$input" "$work/out/$(basename "$input" .wav).mp3"
    done
}

# xargs appends the input; a small wrapper names the output, as the loop above does.
with_xargs() {
    printf '%s\0' "${inputs[@]}" | xargs -0 -n1 -P"$cores" sh -c \
        'out=$0; lame=$1; shift; for last; do :; done; exec "$lame" "$@" "$out/$(basename "$last" .wav).mp3"' \
        "$work/out" "$lame" "${switches[@]}"
}

# Waits for fenwave without reaping it, reads from /proc the CPU time of the encoders it reaped,
# then reaps it: its rusage holds its own time and theirs. Prints "wall own encoders" in seconds.
with_fenwave() {
    python3 - "$fenwave" --encode --jobs "$cores" --output-dir "$work/out" --existing overwrite -- "$work/in" <<'PY'
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)
wall = time.monotonic() - start
fields = open("/proc/%d/stat" % child.pid).read().rsplit(")", 1)[1].split()
encoders = (int(fields[13]) + int(fields[14])) / os.sysconf("SC_CLK_TCK") # cutime, cstime
_, status, usage = os.wait4(child.pid, 0)
print("%.3f %.3f %.3f" % (wall, usage.ru_utime + usage.ru_stime - encoders, encoders))
sys.exit(os.waitstatus_to_exitcode(status))
PY
}

declare -A times
shares=
owns=
encoder_times=
for ((round = 1; round <= rounds; ++round)); do
    for way in one_after_another with_xargs with_fenwave; do
        rm -rf "$work/out" && mkdir "$work/out"
        if [[ $way == with_fenwave ]]; then
            read -r seconds own encoders < <(with_fenwave)
            times[$way]+="$seconds "
            shares+="$(echo "$own / $encoders * 100" | bc -l)"$'\n'
            owns+="$own"$'\n'
            encoder_times+="$encoders"$'\n'
        else
            times[$way]+="$(wall "$way") "
        fi
        # A way that fails fast would win: each must have written every file.
        encoded=$(find "$work/out" -name '*.mp3' -size +0 | wc -l)
        [[ $encoded == "$files" ]] || { echo "$way encoded $encoded of $files files" >&2; exit 1; }
    done
done

echo "$files files of 30 s, ${switches[*]}, $cores cores, medians of $rounds rounds (wall seconds):"
for way in one_after_another with_xargs with_fenwave; do
    printf '  %-18s %8.2f\n' "$way" "$(tr ' ' '\n' <<<"${times[$way]}" | grep . | median)"
done
xargs_s=$(tr ' ' '\n' <<<"${times[with_xargs]}" | grep . | median)
fenwave_s=$(tr ' ' '\n' <<<"${times[with_fenwave]}" | grep . | median)
printf '  fenwave against xargs: %+.1f %%\n' "$(echo "($fenwave_s / $xargs_s - 1) * 100" | bc -l)"
printf "  fenwave's own CPU time: %.2f %% of its encoders' (median; %.2f s against %.2f s)\n" \
    "$(grep . <<<"$shares" | median)" "$(grep . <<<"$owns" | median)" "$(grep . <<<"$encoder_times" | median)"
