#!/usr/bin/env bash
# Checks Fenwave's windows with a real accessibility client: starts the program under Xvfb with a
# session bus and the AT-SPI accessibility bus, and walks what a screen reader sees with pyatspi
# (walk-accessibility.py), in English and in Russian:
#   1. the main window, then a run window (a stand-in encoder; no terminal emulator on PATH);
#   2. the batch window with three files.
#
#   tools/a11y/check-accessibility.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build. Installs xvfb, dbus-x11, at-spi2-core and python3-pyatspi when
# missing (as root, or with sudo). Exits 1 when the client finds anything.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
program=$build/src/fenwave

if [[ ${2:-} != --inner ]]; then
    "$here/../install-missing.sh" xvfb xauth dbus-x11 at-spi2-core python3-pyatspi
    # A display and a session bus of our own; the accessibility bus starts on demand.
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$0" "$build" --inner
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A stand-in encoder that keeps running, so that the run window is seen while it works.
mkdir -p "$work/bin" "$work/home" "$work/album"
cat >"$work/bin/lame" <<'EOF'
#!/bin/sh
echo "stand-in encoder"
exec /bin/sleep 600
EOF
chmod +x "$work/bin/lame"
printf '[Fenwave Sets]\nLamePath=%s\n' "$work/bin/lame" >"$work/encoder.ini"
# Short silent sound files (16-bit mono PCM at 8 kHz, a tenth of a second): the program reads a
# file's content before it offers it to the encoder.
for f in "01 Intro" "02 Theme" "03 Coda" "track"; do
    {
        printf 'RIFF\x64\x06\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00'
        printf '\x02\x00\x10\x00data\x40\x06\x00\x00'
        head -c 1600 /dev/zero
    } >"$work/album/$f.wav"
done

start() {
    # No terminal emulator on PATH: Run opens Fenwave's own run window.
    HOME="$work/home" PATH="$work/bin" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
        "$program" "$@" >"$work/program.log" 2>&1 &
    pids+=($!)
}

# Asked to terminate, the program ends by itself, running encoder or not: nobody is there to
# answer a question.
ends_on_sigterm() {
    local pid=$1 state
    kill -TERM "$pid"
    for _ in $(seq 100); do
        state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null || true)
        [[ -z $state || $state == Z ]] && return 0
        sleep 0.1
    done
    echo "  FINDING the program did not end within 10 s of SIGTERM"
    kill -KILL "$pid"
    return 1
}

status=0
cd "$work"
start "$work/encoder.ini" "$work/album/track.wav"
timeout 600 /usr/bin/python3 "$here/walk-accessibility.py" --pid "${pids[-1]}" --title "main and run windows" main run ||
    status=1
ends_on_sigterm "${pids[-1]}" || status=1
start "$work/album/01 Intro.wav" "$work/album/02 Theme.wav" "$work/album/03 Coda.wav"
timeout 600 /usr/bin/python3 "$here/walk-accessibility.py" --pid "${pids[-1]}" --title "batch window" others ||
    status=1
ends_on_sigterm "${pids[-1]}" || status=1
if ((status == 0)); then echo "== the client found nothing"; fi
exit $status
