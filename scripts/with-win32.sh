#!/usr/bin/env bash
# Runs a command where Debian's 32-bit Wine, and with it the shipped 32-bit
# setup.exe, can run:
#   with-win32.sh COMMAND [ARGS...]
#
# - Where the kernel runs 32-bit Linux programs, the command runs as it is.
# - Elsewhere it runs in a user and mount namespace of its own, whose own
#   binfmt_misc (Linux 6.7 on) has qemu-i386 as the handler of i386 ELF
#   programs. Only the command's process tree sees that handler; the
#   machine's own binfmt_misc stays as it was, also when the run is killed.
#   The command runs there as the namespace's root, which is the calling
#   user outside.
# - Where neither works (an older kernel, no user namespaces, no qemu-user
#   10), the command runs as it is with VELQUOR_NO_WIN32 saying why, and the
#   tests that run the 32-bit program skip with that reason.
#
# VELQUOR_WIN32_QEMU=1 takes the namespace and qemu-i386 also where the
# kernel runs 32-bit programs (a registered handler comes before the
# kernel's own loader), as on a kernel that runs none.
# VELQUOR_ASSUME_NO_WIN32=1 acts as on a kernel that runs no 32-bit
# programs and cannot emulate them, to see those skips anywhere.
set -euo pipefail

qemu=/usr/bin/qemu-i386
# Debian's qemu 7.2 hangs and crashes running the 32-bit Wine; 10 does not.
qemu_major=10

runs_32bit() { /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; }

# In the new namespace: mounts its own binfmt_misc and registers qemu-i386
# for i386 ELF programs and shared objects, matched as Debian's qemu
# configuration matches them. F opens qemu-i386 now, so it need not be
# visible to the programs it runs.
register_qemu() {
    local binfmt=/proc/sys/fs/binfmt_misc
    mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
    printf ':velquor-qemu-i386:M::%s:%s:%s:F' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
        "$qemu" >"$binfmt/register" || return 1
    runs_32bit
}

case ${1:-} in
--probe)
    register_qemu
    exit
    ;;
--inside)
    shift
    register_qemu || { echo "with-win32: qemu-i386 could not be registered" >&2; exit 1; }
    echo "with-win32: the 32-bit programs run under $qemu, registered for this run only" >&2
    export VELQUOR_WIN32_EMULATED=1
    exec "$@"
    ;;
esac
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

# The tests' fixture says why they skip.
if [ "${VELQUOR_ASSUME_NO_WIN32:-}" = 1 ]; then
    exec "$@"
elif [ "${VELQUOR_WIN32_QEMU:-}" != 1 ] && runs_32bit; then
    exec "$@"
else
    version=$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
    if [ "${version:-0}" -lt "$qemu_major" ]; then
        reason="$qemu ${version:+version $version }is missing or too old (scripts/install-deps.sh installs version $qemu_major)"
    elif ! error=$(unshare --user --map-root-user --mount --fork "$0" --probe 2>&1); then
        reason="no namespace of its own could register qemu-i386 (it needs Linux 6.7 or later with user namespaces): ${error:-no 32-bit program started}"
    else
        exec unshare --user --map-root-user --mount --fork "$0" --inside "$@"
    fi
    export VELQUOR_NO_WIN32="this kernel runs no 32-bit programs, and $reason"
fi
echo "with-win32: the 32-bit programs cannot run here: $VELQUOR_NO_WIN32" >&2
exec "$@"
