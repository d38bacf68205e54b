#!/usr/bin/env bash
# Runs a Windows program in the test run's Wine environment (see wine-env.sh).
#   run-in-wine.sh ENV_DIR PROGRAM [ARGS...]
set -euo pipefail
env_dir=$1
shift
# shellcheck disable=SC1091
source "$env_dir/env"
# A test of the shipped 32-bit program where it cannot run, or runs emulated
# (see win32/win32-programs.sh).
if [ -n "${VELQUOR_PRODUCT:-}" ]; then
    if [ -s "$env_dir/win32-skip" ]; then
        echo "SKIPPED: $(cat "$env_dir/win32-skip")"
        exit 0
    fi
    [ ! -f "$env_dir/win32-emulated" ] || export VELQUOR_WAIT_SCALE=20
fi
export DISPLAY WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
