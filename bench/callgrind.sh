#!/usr/bin/env bash
# Instruction counts of the window benchmarks under callgrind: one keystroke in edtSongName,
# one settings restore, and the settings-file reader on 1, 4 and 10 MB. Unlike times, these
# counts do not move with the load of the machine. Only the measured operation is counted
# (--toggle-collect on the function that does one of it), and divided by its number of calls.
#
#   bench/callgrind.sh [BUILD_DIR] [ITERATIONS] [--startup]
#
# BUILD_DIR defaults to build-bench (target bench_window), ITERATIONS to 20 (the reader
# runs a tenth of that, at least 2: one 10 MB read is a billion instructions).
# --startup also counts the two start-up probes from process start to exit after the first
# paint, and lists the costliest functions of the window's start (inclusive).
# Callgrind files stay in $OUT (default: a new temporary folder) for callgrind_annotate.
set -euo pipefail
export LC_ALL=C

build_dir=${1:-build-bench}
iterations=${2:-20}
reader_iterations=$(( iterations / 10 > 2 ? iterations / 10 : 2 ))
with_startup=${3:-}
bench=$build_dir/bench/bench_window
out=${OUT:-$(mktemp -d)}
command -v valgrind >/dev/null || { echo "valgrind missing: apt-get install valgrind" >&2; exit 1; }
[[ -x $bench ]] || { echo "missing $bench: build the target bench_window" >&2; exit 1; }

# Instructions counted in one callgrind output file.
total_ir() { callgrind_annotate "$1" 2>/dev/null | awk '/PROGRAM TOTALS/ && !done { gsub(",", "", $1); print $1; done = 1 }'; }

# Calls of the toggled function: each benchmark makes one call per iteration and a few of its own
# for setting up and checking (BM_RestoreSettings two, BM_IniReader one).
count() {
    local name=$1 filter=$2 function=$3 extra_calls=$4 iterations=$5
    local file=$out/callgrind.$name
    FENWAVE_BENCH_ITERATIONS=$iterations valgrind --tool=callgrind --callgrind-out-file="$file" \
        --toggle-collect="$function" --dump-instr=yes \
        "$bench" --benchmark_filter="$filter" >/dev/null 2>"$out/$name.log"
    local ir calls
    ir=$(total_ir "$file")
    calls=$(( iterations + extra_calls ))
    printf '%-34s %14s instructions in %4d calls = %12.0f per call\n' "$name" "$ir" "$calls" \
        "$(awk -v a="$ir" -v b="$calls" 'BEGIN { print a / b }')"
}

echo "callgrind files in $out"
count keystroke '^BM_KeystrokeSongName(/|$)' '*oneKeystroke*' 0 "$iterations"
count restore '^BM_RestoreSettings(/|$)' '*restoreOnce*' 2 "$iterations"
for mb in 1 4 10; do
    count "inireader-${mb}MB" "^BM_IniReader/${mb}(/|\$)" '*readIniOnce*' 1 "$reader_iterations"
done

if [[ $with_startup == --startup ]]; then
    for probe in fenwave_first_paint empty_window; do
        file=$out/callgrind.start-$probe
        QT_QPA_PLATFORM=offscreen FENWAVE_EXIT_AFTER_PAINT=1 valgrind --tool=callgrind \
            --callgrind-out-file="$file" "$build_dir/bench/$probe" >/dev/null 2>"$out/start-$probe.log"
        printf '%-34s %14s instructions, start to exit after the first paint\n' "start $probe" "$(total_ir "$file")"
    done
    echo "costliest functions of the window's start, inclusive (instructions, share of the total):"
    callgrind_annotate --inclusive=yes --threshold=100 "$out/callgrind.start-fenwave_first_paint" 2>/dev/null |
        grep -E 'TForm1::|fenwave::|QFileDialog::QFileDialog|QApplication::QApplication|QFontDatabase|FcInit|FcConfig|QWidget::show\(|QWidgetRepaintManager::sync|QApplication::exec|main ' |
        head -40
fi
