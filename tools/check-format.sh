#!/usr/bin/env bash
# Fails when clang-format would change any tracked C++ file, and names each such file.
# Usage: tools/check-format.sh [clang-format program]   (default: $CLANG_FORMAT or clang-format;
# the style in .clang-format is written for clang-format 14, the version of Debian 12)
set -euo pipefail
cd "$(dirname "$0")/.."

tool="${1:-${CLANG_FORMAT:-clang-format}}"
if ! command -v "$tool" >/dev/null 2>&1; then
    echo "check-format: '$tool' is not installed (Debian package clang-format)" >&2
    exit 2
fi
echo "Using $("$tool" --version)"

unformatted=0
while IFS= read -r -d '' file; do
    if ! report=$("$tool" --style=file --dry-run --Werror "$file" 2>&1); then
        places=$(grep -c 'error: code should be clang-formatted' <<<"$report" || true)
        if [ "$places" -gt 0 ]; then
            echo "not formatted ($places places): $file"
        else
            echo "clang-format failed on $file:"
            echo "$report"
        fi
        unformatted=$((unformatted + 1))
    fi
done < <(git ls-files -z -- '*.cpp' '*.h')

if [ "$unformatted" -ne 0 ]; then
    echo "$unformatted file(s) differ from .clang-format; run: clang-format -i FILE..." >&2
    exit 1
fi
echo "All C++ files are formatted."
