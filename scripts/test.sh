#!/usr/bin/env bash
# Builds both targets and runs every test, the shipped 32-bit program's
# included: where the kernel runs no 32-bit programs, under qemu-i386 in a
# namespace of the run's own (scripts/with-win32.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
scripts/with-win32.sh ctest --preset win64 "$@"
