#!/usr/bin/env bash
# Start-up of the window against an empty main window: time from process start to the first
# painted frame (wall clock, and CPU time of the process up to that frame), and peak resident
# memory; medians of many runs, under Xvfb (xcb) and under the offscreen platform. A third
# program, the empty window with one line of text, shows what the first use of a font costs.
#
#   bench/startup/measure-startup.sh [BUILD_DIR] [RUNS] [BASELINE_BUILD_DIR]
#
# BUILD_DIR defaults to build-bench (targets empty_window and fenwave_first_paint),
# RUNS to 30. With BASELINE_BUILD_DIR (the same targets built from another commit), that
# build's window runs in the same rounds and the ratios to it are printed: a change's cost
# against the noise of one machine. Needs xvfb-run (Debian xvfb) and /usr/bin/time (Debian time).
set -euo pipefail
export LC_ALL=C   # $EPOCHREALTIME with a "." whatever the user's locale

if [[ ${1:-} == --inner ]]; then
    inner_label=$2
    shift 2
fi
build_dir=${1:-build-bench}
runs=${2:-30}
baseline_dir=${3:-}
bin=$build_dir/bench
programs=("$bin/fenwave_first_paint" "$bin/empty_window" "$bin/empty_window --label")
names=(window empty empty+label)
if [[ -n $baseline_dir ]]; then
    programs+=("$baseline_dir/bench/fenwave_first_paint")
    names+=(baseline)
fi

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# "WALL_MS CPU_MS": from just before the process starts to its report of the first painted frame.
time_to_first_paint() {
    local out start wall cpu
    out=$(mktemp)
    start=${EPOCHREALTIME/./}
    # shellcheck disable=SC2086 # the program text carries its arguments
    FENWAVE_EXIT_AFTER_PAINT=1 $1 >"$out" 2>/dev/null
    wall=$(awk '$1 == "first-paint-us" { print $2 }' "$out")
    cpu=$(awk '$1 == "first-paint-cpu-us" { print $2 }' "$out")
    rm -f "$out"
    [[ -n $wall && -n $cpu ]] || { echo "no first paint from $1" >&2; return 1; }
    awk -v a="$start" -v b="$wall" -v c="$cpu" 'BEGIN { printf "%.2f %.2f\n", (b - a) / 1000, c / 1000 }'
}

# Peak resident set size in KiB of one whole run.
peak_rss() {
    # shellcheck disable=SC2086
    FENWAVE_EXIT_AFTER_PAINT=1 /usr/bin/time -v $1 2>&1 >/dev/null |
        awk -F': ' '/Maximum resident set size/ { print $2 }'
}

# One platform: a warm-up run each, then the programs in turn so that drifting load hits all alike.
measure_here() {
    local label=$1 i p
    local -a wall cpu rss
    local tmp
    tmp=$(mktemp -d)
    for p in "${!programs[@]}"; do time_to_first_paint "${programs[p]}" >/dev/null; done
    for ((i = 0; i < runs; ++i)); do
        for p in "${!programs[@]}"; do
            time_to_first_paint "${programs[p]}" >>"$tmp/time$p"
        done
    done
    for ((i = 0; i < runs / 3 + 1; ++i)); do
        for p in "${!programs[@]}"; do peak_rss "${programs[p]}" >>"$tmp/rss$p"; done
    done
    for p in "${!programs[@]}"; do
        wall[p]=$(cut -d' ' -f1 "$tmp/time$p" | median)
        cpu[p]=$(cut -d' ' -f2 "$tmp/time$p" | median)
        rss[p]=$(median <"$tmp/rss$p")
        printf '%-9s %-12s first paint %8.2f ms wall (min %8.2f)  %8.2f ms CPU   peak RSS %7d KiB\n' \
            "$label" "${names[p]}" "${wall[p]}" "$(cut -d' ' -f1 "$tmp/time$p" | sort -n | head -1)" \
            "${cpu[p]}" "${rss[p]}"
    done
    printf '%-9s window/empty ratios: wall %.2f  CPU %.2f  peak RSS %.2f   (%d runs, RSS %d runs)\n' "$label" \
        "$(awk -v a="${wall[0]}" -v b="${wall[1]}" 'BEGIN { print a / b }')" \
        "$(awk -v a="${cpu[0]}" -v b="${cpu[1]}" 'BEGIN { print a / b }')" \
        "$(awk -v a="${rss[0]}" -v b="${rss[1]}" 'BEGIN { print a / b }')" "$runs" "$((runs / 3 + 1))"
    if [[ -n $baseline_dir ]]; then
        printf '%-9s window/baseline ratios: wall %.3f  CPU %.3f  peak RSS %.3f\n' "$label" \
            "$(awk -v a="${wall[0]}" -v b="${wall[3]}" 'BEGIN { print a / b }')" \
            "$(awk -v a="${cpu[0]}" -v b="${cpu[3]}" 'BEGIN { print a / b }')" \
            "$(awk -v a="${rss[0]}" -v b="${rss[3]}" 'BEGIN { print a / b }')"
    fi
    rm -rf "$tmp"
}

if [[ -n ${inner_label:-} ]]; then
    measure_here "$inner_label"   # re-entered under xvfb-run
    exit 0
fi

for program in "$bin/fenwave_first_paint" "$bin/empty_window" ${baseline_dir:+"$baseline_dir/bench/fenwave_first_paint"}; do
    [[ -x $program ]] || { echo "missing $program: build the targets fenwave_first_paint and empty_window" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "xvfb-run missing: apt-get install xvfb" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time missing: apt-get install time" >&2; exit 1; }

echo "runs: $runs per program and platform; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$0" --inner xvfb "$build_dir" "$runs" "$baseline_dir"
export QT_QPA_PLATFORM=offscreen
measure_here offscreen
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
