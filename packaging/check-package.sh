#!/bin/sh
# Builds the Debian package in a configured and built build folder and checks
# its contents and control fields.  Installs nothing.
#
# Usage: check-package.sh BUILD_DIR
# Exit status: 0 when every check passes, 1 when a check fails, 2 on misuse.

set -u

usage() {
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
}

[ $# -eq 1 ] || usage
[ -n "$1" ] || usage

build_dir=$(cd -- "$1" 2>/dev/null && pwd -P) || {
    echo "FAIL: build folder '$1' does not exist" >&2
    exit 2
}
config="$build_dir/CPackConfig.cmake"
if [ ! -f "$config" ]; then
    echo "FAIL: '$config' is missing; configure the project with cmake first" >&2
    exit 2
fi
if [ ! -x "$build_dir/src/fenwave" ]; then
    echo "FAIL: '$build_dir/src/fenwave' is missing; build the project first" >&2
    exit 2
fi
for tool in cpack dpkg-deb tar; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: '$tool' is not installed" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/fenwave-package.XXXXXX") || exit 2
trap 'rm -rf -- "$work"' EXIT
trap 'exit 1' HUP INT TERM

failures=0
pass() { echo "ok:   $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- build the package into a fresh folder so that no older .deb is picked up
out="$work/out"
mkdir -p "$out"
echo "Running cpack in $build_dir"
if ! (cd -- "$build_dir" && cpack --config "$config" -G DEB -B "$out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not build the package" >&2
    exit 1
fi

set -- "$out"/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    cat "$work/cpack.log"
    echo "FAIL: expected exactly one .deb in $out, found: $*" >&2
    exit 1
fi
deb=$1
# Keep a copy beside the build for whoever wants to install it.
cp -- "$deb" "$build_dir/" && echo "Package: $build_dir/$(basename -- "$deb")"

# --- contents
if ! dpkg-deb --contents "$deb" >"$work/contents" 2>"$work/contents.err"; then
    cat "$work/contents.err"
    echo "FAIL: dpkg-deb cannot read $deb" >&2
    exit 1
fi

# Prints the mode and owner of a packaged path, or nothing when it is absent.
entry_of() {
    awk -v want="./$1" '$6 == want { print $1, $2 }' "$work/contents"
}

check_file() { # path expected-mode
    entry=$(entry_of "$1")
    if [ -z "$entry" ]; then
        fail "package lacks /$1"
    elif [ "$entry" != "$2 root/root" ]; then
        fail "/$1 is '$entry', expected '$2 root/root'"
    else
        pass "/$1 ($entry)"
    fi
}

check_file usr/bin/fenwave -rwxr-xr-x
check_file usr/share/applications/fenwave.desktop -rw-r--r--
check_file usr/share/icons/hicolor/scalable/apps/fenwave.svg -rw-r--r--

# --- control fields
field() { dpkg-deb --field "$deb" "$1" 2>/dev/null; }

# Package names of a relation field, one a line, without versions or alternatives.
relation_names() {
    field "$1" | tr '|' ',' | tr ',' '\n' | sed -e 's/(.*//' -e 's/\[.*//' -e 's/:.*//' -e 's/[[:space:]]//g' | sed '/^$/d'
}

check_field_equals() { # field expected
    value=$(field "$1")
    if [ "$value" = "$2" ]; then
        pass "$1: $value"
    else
        fail "$1 is '$value', expected '$2'"
    fi
}

check_relation_names() { # field package...
    name=$1
    shift
    names=$(relation_names "$name")
    for pkg in "$@"; do
        if printf '%s\n' "$names" | grep -qxF -- "$pkg"; then
            pass "$name names $pkg"
        else
            fail "$name does not name $pkg (it is '$(field "$name")')"
        fi
    done
}

expected_version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$config")
check_field_equals Package fenwave
check_field_equals Version "$expected_version"
check_field_equals Section sound
check_field_equals Architecture "$(dpkg --print-architecture)"

maintainer=$(field Maintainer)
case "$maintainer" in
    *"<"*"@"*">") pass "Maintainer: $maintainer" ;;
    *) fail "Maintainer '$maintainer' is not of the form 'Name <address>'" ;;
esac

description=$(field Description)
if [ -n "$description" ]; then
    pass "Description: $(printf '%s\n' "$description" | head -n 1)"
else
    fail "Description is empty"
fi

check_relation_names Depends libqt6widgets6 libqt6gui6 libqt6core6 fonts-liberation
check_relation_names Recommends lame
if relation_names Depends | grep -qxF lame; then
    fail "Depends names lame; it belongs in Recommends"
fi

# --- the packaged desktop entry
desktop="$work/fenwave.desktop"
if ! dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/applications/fenwave.desktop >"$desktop" 2>/dev/null; then
    fail "cannot extract the desktop entry from the package"
else
    for line in Type=Application Name=Fenwave Exec=fenwave Icon=fenwave Terminal=false "Categories=AudioVideo;Audio;"; do
        if grep -qxF -- "$line" "$desktop"; then
            pass "desktop entry has $line"
        else
            fail "desktop entry lacks the line '$line'"
        fi
    done
    for key in Comment 'Comment[ru]'; do
        if awk -F= -v key="$key" '$1 == key && $2 != "" { found = 1 } END { exit !found }' "$desktop"; then
            pass "desktop entry has $key"
        else
            fail "desktop entry lacks a non-empty $key"
        fi
    done
    if command -v desktop-file-validate >/dev/null 2>&1; then
        if report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ]; then
            pass "desktop-file-validate"
        else
            fail "desktop-file-validate: $report"
        fi
    else
        echo "skip: desktop-file-validate is not installed (Debian package desktop-file-utils)"
    fi
fi

# --- the packaged icon is an SVG document
icon="$work/fenwave.svg"
if dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/icons/hicolor/scalable/apps/fenwave.svg >"$icon" 2>/dev/null \
        && grep -q '<svg[[:space:]]' "$icon"; then
    pass "icon is an SVG document"
else
    fail "icon is missing or not an SVG document"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed for $(basename -- "$deb")"
    exit 1
fi
echo "All checks passed for $(basename -- "$deb")"
exit 0
