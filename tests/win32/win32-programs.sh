#!/usr/bin/env bash
# Decides whether the test run starts the shipped 32-bit program, which
# Debian's 32-bit Wine runs in the run's 64-bit prefix (wine-env.sh) beside
# the 64-bit ones.
#   win32-programs.sh start|stop ENV_DIR
#
# Where the kernel runs 32-bit Linux programs, they run natively. Elsewhere
# the tests that run the 32-bit program skip, with the reason in
# ENV_DIR/win32-skip, and nothing is emulated. VELQUOR_EMULATE_WIN32=1 asks
# for qemu-i386 there instead: registered as the binfmt_misc handler of i386
# ELF programs for the length of the run only, before the Wine environment,
# so that a prefix made in the run gets its 32-bit side (the 64-bit Wine
# makes it natively, its 32-bit helpers are emulated: about 2 minutes). Every
# 32-bit program start then takes about a minute, and the emulated programs
# hang or crash often.
#
# VELQUOR_ASSUME_NO_WIN32=1 makes the run act as on a kernel that runs no
# 32-bit programs, so that the skip can be seen where they do run. It never
# registers qemu: a handler is consulted before the kernel's own loader, by
# every 32-bit program of the machine.
set -euo pipefail
action=$1
env_dir=$(mkdir -p "$2" && cd "$2" && pwd)

qemu=/usr/bin/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc
# One name per environment, so a run removes its own handler (or the one a
# killed run of the same environment left) and nobody else's.
handler=velquor-qemu-i386-$(printf '%s' "$env_dir" | cksum | cut -d' ' -f1)

# Removes the run's handler, and binfmt_misc when the run mounted it.
remove_handler() {
    [ ! -e "$binfmt/$handler" ] || echo -1 >"$binfmt/$handler"
    if [ -f "$env_dir/binfmt-mounted" ]; then
        umount "$binfmt" 2>/dev/null || true
        rm -f "$env_dir/binfmt-mounted"
    fi
    return 0
}

runs_32bit() { /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; }

# i386 ELF programs and shared objects, matched as qemu's own binfmt
# configuration matches them.
register_qemu() {
    [ -x "$qemu" ] || { echo "missing $qemu: scripts/install-deps.sh installs it" >&2; exit 1; }
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt"
        touch "$env_dir/binfmt-mounted"
    fi
    printf ':%s:M::%s:%s:%s:' "$handler" \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
        "$qemu" >"$binfmt/register"
    runs_32bit || { echo "32-bit programs do not run even under $qemu" >&2; exit 1; }
    echo "qemu-i386 registered as $binfmt/$handler for this run"
}

# The tests that run the 32-bit program skip, for this reason.
skip() {
    echo "$*" >"$env_dir/win32-skip"
    echo "the tests that run the 32-bit setup.exe will skip: $*"
}

case $action in
start)
    rm -f "$env_dir/win32-skip" "$env_dir/win32-emulated"
    remove_handler
    if [ "${VELQUOR_ASSUME_NO_WIN32:-}" = 1 ]; then
        if [ "${VELQUOR_EMULATE_WIN32:-}" = 1 ]; then
            echo "VELQUOR_ASSUME_NO_WIN32=1 and VELQUOR_EMULATE_WIN32=1 together would register" \
                 "qemu-i386 for every 32-bit program of this machine; unset one of them" >&2
            exit 1
        fi
        skip "VELQUOR_ASSUME_NO_WIN32=1 makes this run act as on a kernel that runs no 32-bit" \
             "programs"
    elif runs_32bit; then
        echo "32-bit programs run natively here"
    elif [ "${VELQUOR_EMULATE_WIN32:-}" = 1 ]; then
        register_qemu
        touch "$env_dir/win32-emulated"
    else
        skip "this kernel runs no 32-bit programs (\"Exec format error\");" \
             "VELQUOR_EMULATE_WIN32=1 runs them under qemu-i386 (slow, and they often hang)"
    fi
    ;;
stop)
    remove_handler
    rm -f "$env_dir/win32-skip" "$env_dir/win32-emulated"
    ;;
*)
    echo "usage: $0 start|stop ENV_DIR" >&2
    exit 2
    ;;
esac
