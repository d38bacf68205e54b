#!/usr/bin/env bash
# Runs a Windows program in the test run's Wine environment (see wine-env.sh).
#   run-in-wine.sh ENV_DIR PROGRAM [ARGS...]
set -euo pipefail
env_dir=$1
shift
# shellcheck disable=SC1091
source "$env_dir/env"
export DISPLAY WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "${VELQUOR_PRODUCT:-}" ] || exec /usr/lib/wine/wine64 "$@"

# A test that runs the shipped 32-bit program: it skips where that cannot
# run, and waits longer where it runs emulated (see win32/win32-programs.sh).
if [ -s "$env_dir/win32-skip" ]; then
    echo "SKIPPED: $(cat "$env_dir/win32-skip")"
    exit 0
fi
[ ! -f "$env_dir/win32-emulated" ] || export VELQUOR_WAIT_SCALE=20
# The programs that the test starts inherit its output. One that outlives
# the test (an emulated program may hang past every time-out) would keep the
# test runner's pipe open, so they write to a file, shown when the test ends.
output=$(mktemp "$env_dir/output.XXXXXX")
status=0
/usr/lib/wine/wine64 "$@" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
rm -f "$output"
exit "$status"
