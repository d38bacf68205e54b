#!/usr/bin/env bash
# Lets the test run start 32-bit programs, which Debian's 32-bit Wine runs in
# the run's 64-bit prefix (wine-env.sh) beside the 64-bit ones.
#   win32-programs.sh start|stop ENV_DIR
#
# Where the kernel runs no 32-bit Linux programs, qemu-i386 is registered as
# the binfmt_misc handler of i386 ELF programs for the length of the run only
# and removed at its end. Started before the Wine environment, so that a
# prefix made in the run gets its 32-bit side: the 64-bit Wine makes it
# natively and only the 32-bit helpers it starts are emulated (about 2
# minutes). win32_install then runs emulated; the end-to-end tests of the
# 32-bit build skip with the reason in ENV_DIR/win32-skip, unless
# VELQUOR_EMULATE_WIN32=1 asks for them too (every 32-bit program start takes
# about a minute there).
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

case $action in
start)
    rm -f "$env_dir/win32-skip" "$env_dir/win32-emulated"
    remove_handler
    if runs_32bit; then
        echo "32-bit programs run natively here"
        exit 0
    fi
    register_qemu
    touch "$env_dir/win32-emulated"
    if [ "${VELQUOR_EMULATE_WIN32:-}" != 1 ]; then
        echo "this kernel runs no 32-bit programs; VELQUOR_EMULATE_WIN32=1 runs these" \
             "tests under qemu-i386 (slow)" >"$env_dir/win32-skip"
        echo "end-to-end tests of the 32-bit build will skip: $(cat "$env_dir/win32-skip")"
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
