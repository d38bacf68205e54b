#!/usr/bin/env bash
# Starts or stops the Wine environment that a test run shares: a private
# prefix, a virtual display and a persistent wineserver. Processes are
# stopped by the ids recorded at start, never by name.
#   wine-env.sh start ENV_DIR [DESKTOP_KEEPER_EXE] | stop ENV_DIR
set -euo pipefail
action=$1
env_dir=$(mkdir -p "$2" && cd "$2" && pwd)
keeper=${3:-}
script_dir=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

stop_recorded() {
    local name pid
    # The prefix's own server ends every Wine process of the prefix.
    if [ -f "$env_dir/wineserver.pid" ] && kill -0 "$(cat "$env_dir/wineserver.pid")" 2>/dev/null; then
        timeout 30 "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    fi
    for name in wineserver xvfb; do
        [ -f "$env_dir/$name.pid" ] || continue
        pid=$(cat "$env_dir/$name.pid")
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$env_dir/$name.pid"
    done
}

start_display() {
    rm -f "$env_dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$env_dir/display" </dev/null >/dev/null 2>&1 &
    echo $! >"$env_dir/xvfb.pid"
    for _ in $(seq 100); do [ -s "$env_dir/display" ] && break; sleep 0.1; done
    [ -s "$env_dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    echo "DISPLAY=:$(head -n1 "$env_dir/display")" >"$env_dir/env"
}

# The folders and settings every test relies on (test-prefix.reg), and the
# dialogs' font (font-replacements.reg).
prefix_settings() {
    local file
    mkdir -p "$WINEPREFIX/drive_c/velq-shell/Desktop" \
             "$WINEPREFIX/drive_c/velq-shell/Start Menu/Programs" "$env_dir/drive_m"
    # Drive M: is a folder of ours, so a test can reach a drive root.
    ln -sfn "$env_dir/drive_m" "$WINEPREFIX/dosdevices/m:"
    # Drive S: is an 8 MB tmpfs, so a test can fill a drive; mounting takes
    # root, and the tests that need it skip without it.
    mkdir -p "$env_dir/drive_s"
    mountpoint -q "$env_dir/drive_s" ||
        mount -t tmpfs -o size=8m velquor-drive-s "$env_dir/drive_s" 2>/dev/null ||
        echo "no small drive S: here (mounting a tmpfs takes root)"
    ln -sfn "$env_dir/drive_s" "$WINEPREFIX/dosdevices/s:"
    for file in test-prefix.reg font-replacements.reg; do
        "$wine" regedit /S "$(winepath_of "$script_dir/$file")" </dev/null >/dev/null 2>&1
    done
}

winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

case $action in
start)
    stop_recorded
    # A prefix made where 32-bit programs could not run lacks its 32-bit side
    # (syswow64): it is made anew once they can (natively, or through the
    # qemu handler of tests/win32/win32-programs.sh).
    if [ -f "$WINEPREFIX/system.reg" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] &&
        /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        rm -rf "$WINEPREFIX"
    fi
    start_display
    export DISPLAY=:$(head -n1 "$env_dir/display")
    # Wine's own background processes are started by this server and stop
    # with it; none of them may hold the test runner's output open.
    mkdir -p "$WINEPREFIX"
    "$wineserver" -f -p </dev/null >/dev/null 2>&1 &
    echo $! >"$env_dir/wineserver.pid"
    [ -f "$WINEPREFIX/system.reg" ] || timeout 600 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    prefix_settings
    # Ended with every other Wine process of the prefix by the server.
    if [ -n "$keeper" ]; then
        rm -f "$env_dir/keeper.ready"
        "$wine" "$keeper" "$(winepath_of "$env_dir/keeper.ready")" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do [ -f "$env_dir/keeper.ready" ] && break; sleep 0.1; done
        [ -f "$env_dir/keeper.ready" ] || { echo "the desktop keeper did not start" >&2; exit 1; }
    fi
    echo "Wine environment ready in $env_dir ($(cat "$env_dir/env"))"
    ;;
stop)
    stop_recorded
    ! mountpoint -q "$env_dir/drive_s" || umount "$env_dir/drive_s"
    echo "Wine environment stopped"
    ;;
*)
    echo "usage: $0 start|stop ENV_DIR" >&2
    exit 2
    ;;
esac
