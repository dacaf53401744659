#!/usr/bin/env bash
# Fresh-machine helper: installs what is missing (Debian), builds, then starts Fenwave
# ("./setup.sh run") or runs every test ("./setup.sh test").
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build="${FENWAVE_BUILD_DIR:-$here/build}"
mode="${1:-run}"

# qt6-translations-l10n: Qt's own texts (file dialogs, standard buttons) in Russian.
packages=(g++ cmake make pkg-config qt6-base-dev libgl-dev libtag1-dev fonts-liberation lame qt6-translations-l10n)
[ "$mode" = test ] && packages+=(sox ffmpeg fusefat dosfstools)

install_missing() {
    "$here/tools/install-missing.sh" "${packages[@]}"
}

build_all() {
    [ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # FENWAVE_WERROR=ON in the environment (as CI sets it) turns every compiler warning into an error.
    [ -z "${FENWAVE_WERROR:-}" ] || cmake -S "$here" -B "$build" -DFENWAVE_WERROR="$FENWAVE_WERROR" >/dev/null
    cmake --build "$build" -j"$(nproc)"
}

case "$mode" in
run)
    install_missing
    build_all
    exec "$build/src/fenwave"
    ;;
test)
    install_missing
    build_all
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
