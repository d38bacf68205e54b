#!/usr/bin/env bash
# Runs a Windows program in the test run's Wine environment (see wine-env.sh).
#   run-in-wine.sh ENV_DIR PROGRAM [ARGS...]
set -euo pipefail
env_dir=$1
shift
# shellcheck disable=SC1091
source "$env_dir/env"
export DISPLAY WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
