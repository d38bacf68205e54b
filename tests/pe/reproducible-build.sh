#!/usr/bin/env bash
# Builds setup.exe of the win32 preset twice from clean, in two temporary
# folders of different names and at different times, and fails unless both
# files are byte for byte the same: no time stamp and no build path may end
# up in the program. Prints the size.
#   reproducible-build.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/velquor-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT

for build in first second-build-elsewhere; do
    cmake --preset win32 -S "$source_dir" -B "$work/$build" >/dev/null
    cmake --build "$work/$build" --target setup -j2 >/dev/null
    sleep 1  # a time stamp would differ between the two
done

first=$work/first/setup.exe
second=$work/second-build-elsewhere/setup.exe
if ! cmp "$first" "$second"; then
    echo "two clean builds of setup.exe differ"
    exit 1
fi
echo "two clean builds of setup.exe are identical: $(stat -c %s "$first") bytes"
