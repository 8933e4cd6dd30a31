#!/bin/sh
# Lists the C++ files that clang-format (with the project's .clang-format) would change, and
# fails when there is any. Changes nothing; `make format` rewrites the files.
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is not installed (Debian package clang-format)" >&2
    exit 2
fi
unformatted=0
for f in $(find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -type f | sort); do
    if ! clang-format --style=file --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "$f"
        unformatted=$((unformatted + 1))
    fi
done
if [ "$unformatted" -gt 0 ]; then
    echo "$unformatted file(s) differ from .clang-format; run make format" >&2
    exit 1
fi
echo "every file follows .clang-format"
