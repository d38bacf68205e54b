#!/usr/bin/env bash
# Decides whether the test run starts the shipped 32-bit program, which
# Debian's 32-bit Wine runs in the run's 64-bit prefix (wine-env.sh) beside
# the 64-bit ones.
#   win32-programs.sh start|stop ENV_DIR
#
# They run where the run can start 32-bit Linux programs: natively, or
# through the qemu-i386 handler of the run's own namespace that
# scripts/with-win32.sh (which scripts/test.sh runs ctest in) registers.
# Elsewhere, and with VELQUOR_ASSUME_NO_WIN32=1, the tests that run the
# 32-bit program skip, with the reason in ENV_DIR/win32-skip.
set -euo pipefail
action=$1
env_dir=$(mkdir -p "$2" && cd "$2" && pwd)

runs_32bit() { /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; }

skip() {
    echo "$*" >"$env_dir/win32-skip"
    echo "the tests that run the 32-bit setup.exe will skip: $*"
}

case $action in
start)
    rm -f "$env_dir/win32-skip"
    if [ "${VELQUOR_ASSUME_NO_WIN32:-}" = 1 ]; then
        skip "VELQUOR_ASSUME_NO_WIN32=1 makes this run act as on a kernel that runs no 32-bit" \
             "programs"
    elif [ -n "${VELQUOR_NO_WIN32:-}" ]; then
        skip "$VELQUOR_NO_WIN32"
    elif ! runs_32bit; then
        skip "this kernel runs no 32-bit programs (\"Exec format error\"), and the run was" \
             "started outside scripts/with-win32.sh, which runs them under qemu-i386:" \
             "scripts/with-win32.sh ctest --preset win64 -L e2e_win32"
    elif [ -n "${VELQUOR_WIN32_EMULATED:-}" ]; then
        echo "32-bit programs run under qemu-i386, registered in this run's own namespace"
    else
        echo "32-bit programs run natively here"
    fi
    ;;
stop)
    rm -f "$env_dir/win32-skip"
    ;;
*)
    echo "usage: $0 start|stop ENV_DIR" >&2
    exit 2
    ;;
esac
