#!/bin/bash
# Runs every fuzz target for SECONDS on a copy of its seed corpus in a temporary
# folder; fails when any target finds a crash, an invariant failure, a leak or a
# timeout, and prints a summary. The seed corpora in the source tree are left as
# they are; findings stay in the temporary folder, whose path is printed.
#
# Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#
# Build first (clang; the libFuzzer runtime is Debian's libclang-rt-14-dev):
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DFENWAVE_FUZZ=ON -DFENWAVE_SANITIZE=ON \
#       -DBUILD_TESTING=OFF -DFENWAVE_BENCHMARKS=OFF
#   cmake --build build-fuzz --target fenwave_fuzzers -j2
# Short check:   fuzz/run-fuzzers.sh build-fuzz 60
# Long run:      fuzz/run-fuzzers.sh build-fuzz 3600   (rates in docs/fuzzing.md)
# Reproduce one: build-fuzz/fuzz/fuzz_ini path/to/crash-file
# Extra libFuzzer flags go in FENWAVE_FUZZ_FLAGS, e.g. to collect every finding of a
# long run instead of stopping at the first:
#   FENWAVE_FUZZ_FLAGS="-fork=1 -ignore_crashes=1" fuzz/run-fuzzers.sh build-fuzz 3600
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
    exit 2
fi
build_dir=$1
seconds=$2
shift 2
case $seconds in
    '' | *[!0-9]*) echo "SECONDS must be a whole number" >&2; exit 2 ;;
esac

source_dir=$(cd "$(dirname "$0")" && pwd)
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=(fuzz_ini fuzz_userstore fuzz_commandsplit fuzz_profileinteger)
    targets+=(fuzz_soundkind)
    targets+=(fuzz_namepattern)
fi

# Longest input per target: room for a whole file of its kind (a settings or store
# file is a few kilobytes at most) with operations after it, a long command text,
# a number with blanks and zeros around it, a name pattern with its tags. Longer inputs
# only slow a run down.
max_len_of() {
    case $1 in
        fuzz_ini | fuzz_userstore) echo 4096 ;;
        fuzz_commandsplit) echo 2048 ;;
        fuzz_profileinteger) echo 256 ;;
        fuzz_soundkind) echo 8192 ;; # a sound file's head and the chunks past it
        fuzz_namepattern) echo 2048 ;;
        *) echo 4096 ;;
    esac
}

work=$(mktemp -d "${TMPDIR:-/tmp}/fenwave-fuzz.XXXXXX") || exit 2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
summary=()
for target in "${targets[@]}"; do
    binary="$build_dir/fuzz/$target"
    if [ ! -x "$binary" ]; then
        summary+=("$(printf '%-22s MISSING  %s' "$target" "$binary")")
        failed=1
        continue
    fi
    dir="$work/$target"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp -R "$source_dir/corpus/$target/." "$dir/corpus/" 2>/dev/null
    echo "== $target: ${seconds}s, log $dir/log"
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$(max_len_of "$target")" -print_final_stats=1 -artifact_prefix="$dir/artifacts/" \
        ${FENWAVE_FUZZ_FLAGS:-} "$dir/corpus" >"$dir/log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$dir/log" | tail -1)
    corpus=$(find "$dir/corpus" -type f | wc -l)
    artifacts=$(find "$dir/artifacts" -type f | wc -l)
    if [ $rc -eq 0 ] && [ "$artifacts" -eq 0 ]; then
        status=ok
    else
        status=FAILED
        failed=1
        grep -E 'invariant failed|ERROR:|SUMMARY:|Test unit written' "$dir/log" | head -5 | sed 's/^/    /'
    fi
    summary+=("$(printf '%-22s %-7s rc=%-3s execs=%-9s exec/s=%-6s %-10s corpus=%-5s artifacts=%s' \
        "$target" "$status" "$rc" "${execs:-?}" "${rate:-?}" "${cov:-cov: ?}" "$corpus" "$artifacts")")
done

echo
echo "Summary (${seconds}s per target, results in $work):"
printf '  %s\n' "${summary[@]}"
if [ $failed -ne 0 ]; then
    echo "FAILED: see the logs and artifacts above"
    exit 1
fi
echo "All fuzz targets ran clean."
