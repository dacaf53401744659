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

app_id=io.github.fenwave.Fenwave
check_file usr/bin/fenwave -rwxr-xr-x
check_file usr/share/applications/$app_id.desktop -rw-r--r--
check_file usr/share/metainfo/$app_id.metainfo.xml -rw-r--r--
check_file usr/share/icons/hicolor/scalable/apps/fenwave.svg -rw-r--r--
check_file usr/share/man/man1/fenwave.1.gz -rw-r--r--
check_file usr/share/doc/fenwave/copyright -rw-r--r--
check_file usr/share/doc/fenwave/changelog.gz -rw-r--r--
check_file usr/share/fenwave/probe/probe.flac -rw-r--r--

# Prints a packaged file's bytes.
packaged() { dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./$1" 2>/dev/null; }

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
    *"@localhost>") fail "Maintainer '$maintainer' has no address that mail can reach" ;;
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
check_relation_names Recommends lame qt6-translations-l10n ffmpeg
for optional in lame ffmpeg; do
    if relation_names Depends | grep -qxF "$optional"; then
        fail "Depends names $optional; it belongs in Recommends"
    fi
done

# --- the packaged desktop entry
desktop="$work/$app_id.desktop"
if ! packaged "usr/share/applications/$app_id.desktop" >"$desktop"; then
    fail "cannot extract the desktop entry from the package"
else
    for line in Type=Application Name=Fenwave "Exec=fenwave %F" Icon=fenwave Terminal=false "Categories=AudioVideo;Audio;"; do
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

    # "Open with" for every kind a batch reads, WAV and AIFF in their several names, FLAC and
    # M4A under their old names too; never for video, which the encoder cannot take.
    mimetypes=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
    for type in audio/x-wav audio/wav audio/vnd.wave audio/wave audio/x-aiff audio/aiff audio/x-aifc \
            audio/flac audio/x-flac audio/ogg audio/x-vorbis+ogg audio/x-opus+ogg audio/mp4 audio/x-m4a \
            audio/mpeg audio/mp2; do
        if printf '%s\n' "$mimetypes" | grep -qxF -- "$type"; then
            pass "desktop entry opens $type"
        else
            fail "desktop entry lacks the file type $type"
        fi
    done
    if printf '%s\n' "$mimetypes" | grep -q '^video/'; then
        fail "desktop entry offers to open video"
    fi
    # Each type the entry names is one the MIME database of this machine knows (by its name or
    # as an alias); the two spellings it has no entry for are kept for desktops that use them.
    mime_database=/usr/share/mime/packages/freedesktop.org.xml
    if [ -r "$mime_database" ]; then
        for type in $mimetypes; do
            case "$type" in audio/wave | audio/aiff) continue ;; esac
            if grep -qF -e "<mime-type type=\"$type\"" -e "<alias type=\"$type\"" "$mime_database"; then
                pass "the MIME database knows $type"
            else
                fail "the MIME database does not know $type"
            fi
        done
    else
        echo "skip: $mime_database is missing (Debian package shared-mime-info)"
    fi
fi

# --- the AppStream metadata
metainfo="$work/$app_id.metainfo.xml"
if ! packaged "usr/share/metainfo/$app_id.metainfo.xml" >"$metainfo"; then
    fail "cannot extract the AppStream metadata from the package"
elif ! grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"; then
    fail "AppStream metadata does not name the desktop entry $app_id.desktop"
elif command -v appstreamcli >/dev/null 2>&1; then
    # Infos are fine; an error or a warning is not.
    report=$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)
    if [ $? -eq 0 ] && ! printf '%s\n' "$report" | grep -q '^[EW]:'; then
        pass "appstreamcli validate --no-net"
    else
        fail "appstreamcli validate: $report"
    fi
else
    echo "skip: appstreamcli is not installed (Debian package appstream)"
fi

# --- the manual page
manpage="$work/fenwave.1"
if ! packaged usr/share/man/man1/fenwave.1.gz | gzip -dc >"$manpage" 2>/dev/null || [ ! -s "$manpage" ]; then
    fail "cannot extract the manual page from the package"
elif command -v mandoc >/dev/null 2>&1; then
    if report=$(mandoc -T lint "$manpage" 2>&1) && [ -z "$report" ]; then
        pass "mandoc -T lint"
    else
        fail "mandoc -T lint: $report"
    fi
elif command -v groff >/dev/null 2>&1; then
    if report=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$manpage" 2>&1) && [ -z "$report" ]; then
        pass "groff -ww -man"
    else
        fail "groff -ww -man: $report"
    fi
else
    echo "skip: neither mandoc nor groff is installed"
fi

# --- the changelog is a Debian changelog of this version
if packaged usr/share/doc/fenwave/changelog.gz | gzip -dc 2>/dev/null | head -n 1 \
        | grep -qF "fenwave ($expected_version) "; then
    pass "changelog starts with version $expected_version"
else
    fail "changelog does not start with version $expected_version"
fi

# --- lintian: no error; warnings are shown
if command -v lintian >/dev/null 2>&1; then
    lintian --no-cfg "$deb" >"$work/lintian.log" 2>&1
    if grep -q '^E:' "$work/lintian.log"; then
        fail "lintian reports errors:"
        grep '^E:' "$work/lintian.log"
    else
        pass "lintian reports no error"
    fi
    grep '^W:' "$work/lintian.log" | sed 's/^/      /'
else
    echo "skip: lintian is not installed"
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
