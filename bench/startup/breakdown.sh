#!/usr/bin/env bash
# Medians, over many runs, of the steps that startup_breakdown times: pieces of the window
# (cold, in the order the window makes them), a whole window from cold, and an empty window.
#
#   bench/startup/breakdown.sh [BUILD_DIR] [RUNS] [PLATFORM]
#
# PLATFORM is offscreen (default) or xcb (then run under xvfb-run).
set -euo pipefail
export LC_ALL=C
build_dir=${1:-build-bench}
runs=${2:-15}
platform=${3:-offscreen}
probe=$build_dir/bench/startup_breakdown
[[ -x $probe ]] || { echo "missing $probe: build the target startup_breakdown" >&2; exit 1; }

if [[ $platform == xcb && -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build_dir" "$runs" xcb
fi
export QT_QPA_PLATFORM=$platform

for mode in --pieces --whole --empty; do
    tmp=$(mktemp)
    for ((i = 0; i < runs; ++i)); do
        "$probe" "$mode" 2>/dev/null | tail -n +2 >>"$tmp"
    done
    echo "== $platform $mode: medians of $runs runs"
    printf '%-44s %9s %9s %9s %9s\n' step "wall ms" "CPU ms" "RSS KiB" "peak KiB"
    # Per step (in first-seen order) the median of each column.
    awk -F'\t' '
        !($1 in seen) { seen[$1] = ++n; name[n] = $1 }
        { k = seen[$1]; c = ++count[k]; for (f = 2; f <= 5; ++f) v[k, f, c] = $f }
        function median(k, f,    i, j, t, m, a) {
            m = count[k]; for (i = 1; i <= m; ++i) a[i] = v[k, f, i] + 0
            for (i = 2; i <= m; ++i) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; --j) a[j + 1] = a[j]; a[j + 1] = t }
            return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
        }
        END { for (k = 1; k <= n; ++k) printf "%-44s %9.2f %9.2f %9d %9d\n", name[k], median(k, 2), median(k, 3), median(k, 4), median(k, 5) }
    ' "$tmp"
    rm -f "$tmp"
done
