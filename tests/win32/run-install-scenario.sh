#!/usr/bin/env bash
# Runs the shipped 32-bit setup.exe of WIN32_BUILD under Debian's 32-bit Wine,
# driven by install_scenario.exe from the same build, on a fresh sample medium.
#
# Where the kernel cannot run 32-bit Linux programs itself, qemu-i386 is
# registered as their binfmt_misc handler for the length of this run only,
# and removed again at its end. Everything else is private to WORK_DIR: the
# 32-bit prefix (kept between runs, since creating it takes minutes under
# emulation), a virtual display and the prefix's wineserver, which are
# stopped by their process ids.
#   run-install-scenario.sh SOURCE_DIR WIN32_BUILD WORK_DIR
set -euo pipefail
source_dir=$1
win32_build=$2
work=$(mkdir -p "$3" && cd "$3" && pwd)

wine=/usr/lib/wine/wine
# Debian's own wineserver wrapper serves 32-bit prefixes with the 64-bit
# server too; it runs natively either way.
wineserver=/usr/lib/wine/wineserver64
qemu=/usr/bin/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc
handler=velquor-qemu-i386-$$
driver=$win32_build/tests/win32/install_scenario.exe
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

for needed in "$wine" "$qemu" "$win32_build/setup.exe" "$win32_build/tests/sample/VelQ.exe" "$driver"; do
    if [ ! -e "$needed" ]; then
        echo "missing $needed: scripts/install-deps.sh installs Wine and qemu," \
             "'cmake --preset win32 && cmake --build --preset win32' builds the programs"
        exit 1
    fi
done

winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

# Stops what this folder's runs started, by their recorded process ids; the
# prefix's own server ends every Wine process of the prefix.
stop_recorded() {
    local name pid
    if [ -f "$work/wineserver.pid" ] && kill -0 "$(cat "$work/wineserver.pid")" 2>/dev/null; then
        timeout 60 "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    fi
    for name in wineserver xvfb; do
        [ -f "$work/$name.pid" ] || continue
        pid=$(cat "$work/$name.pid")
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$work/$name.pid"
    done
}

registered=
mounted=
finish() {
    stop_recorded
    [ -z "$registered" ] || echo -1 >"$binfmt/$handler"
    [ -z "$mounted" ] || umount "$binfmt"
}
trap finish EXIT

# What a run that was killed left behind: its processes and its handler.
clean_up_killed_run() {
    local stale
    stop_recorded
    for stale in "$binfmt"/velquor-qemu-i386-*; do
        [ -e "$stale" ] && ! kill -0 "${stale##*-}" 2>/dev/null && echo -1 >"$stale"
    done
    return 0
}

# i386 ELF programs and shared objects, matched as qemu's own binfmt
# configuration matches them.
register_qemu() {
    if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        echo "32-bit programs run natively here: no qemu handler needed"
        return
    fi
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt"
        mounted=1
    fi
    printf ':%s:M::%s:%s:%s:' "$handler" \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
        "$qemu" >"$binfmt/register"
    registered=1
    echo "qemu-i386 registered as $binfmt/$handler for this run"
}

start_display() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" </dev/null >/dev/null 2>&1 &
    echo $! >"$work/xvfb.pid"
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
    export DISPLAY=:$(head -n1 "$work/display")
}

prefix_settings() {
    timeout 300 "$wine" regedit /S "$(winepath_of "$source_dir/tests/wine/test-prefix.reg")" </dev/null
}

# A prefix is kept only once it is complete with its settings.
prepare_prefix() {
    if [ ! -f "$work/prefix-ready" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
    fi
    "$wineserver" -f -p </dev/null >/dev/null 2>&1 &
    echo $! >"$work/wineserver.pid"
    if [ ! -f "$work/prefix-ready" ]; then
        echo "creating the 32-bit prefix $WINEPREFIX"
        timeout 900 "$wine" wineboot -i </dev/null >/dev/null 2>&1
        prefix_settings
        touch "$work/prefix-ready"
    fi
    # What an earlier run installed.
    local drive_c=$WINEPREFIX/drive_c
    find "$drive_c" -maxdepth 1 -iname velq -exec rm -rf {} +
    rm -rf "$drive_c/windows/VelQ.ini" "$drive_c/velq-shell" "$drive_c/velq-started.txt"
    mkdir -p "$drive_c/velq-shell/Desktop" "$drive_c/velq-shell/Start Menu/Programs"
}

start=$SECONDS
clean_up_killed_run
register_qemu
start_display
prepare_prefix
echo "prefix ready after $((SECONDS - start)) s"
# A fresh medium: the setup may write into it.
python3 "$source_dir/scripts/make_medium.py" "$work/medium" "$win32_build/tests/sample/VelQ.exe"
status=0
timeout 1200 "$wine" "$driver" "$(winepath_of "$win32_build/setup.exe")" \
    "$(winepath_of "$work/medium")" 'C:\velq-started.txt' </dev/null || status=$?
echo "32-bit run took $((SECONDS - start)) s"
exit "$status"
