#!/usr/bin/env bash
# Runs a Windows program in the test run's Wine environment (see wine-env.sh).
#   run-in-wine.sh ENV_DIR PROGRAM [ARGS...]
set -euo pipefail
env_dir=$1
shift
# shellcheck disable=SC1091
source "$env_dir/env"
export DISPLAY WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A test that runs the shipped 32-bit program skips where that cannot run
# (see win32/win32-programs.sh). Under qemu-i386 the program runs a few
# times slower than natively: the test's waits for it are stretched.
if [ -n "${VELQUOR_PRODUCT:-}" ]; then
    if [ -s "$env_dir/win32-skip" ]; then
        echo "SKIPPED: $(cat "$env_dir/win32-skip")"
        exit 0
    fi
    [ -z "${VELQUOR_WIN32_EMULATED:-}" ] || export VELQUOR_WAIT_SCALE=2
fi

# The programs that the test starts inherit its output. One that outlives
# the test would keep the test runner's pipe open, so they write to a file,
# shown when the test ends.
output=$(mktemp "$env_dir/output.XXXXXX")
trap 'rm -f "$output"' EXIT
run() {
    status=0
    /usr/lib/wine/wine64 "$@" </dev/null >"$output" 2>&1 || status=$?
}
run "$@"
# Now and then Wine fails to start a program at all, most often in a new
# prefix's first minutes: it ends at once, having printed nothing. Every
# program run here prints before anything else, so that start, and only
# that one, is tried once more.
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
    echo "run-in-wine: $1 ended with $status before it printed anything, so before it ran;" \
         "starting it once more"
    run "$@"
fi
cat "$output"
exit "$status"
