#!/usr/bin/env bash
# Runs the shipped setup.exe, build/win32's, on the bundled sample medium
# under Wine, then prints what it installed. With a DISPLAY the setup shows
# there for you to answer; without one it runs on a virtual display, is
# answered with the default entries, and screenshots land in
# build/screenshots. VELQUOR_SAMPLE_FILES adds that many question files to
# the medium, so that its copy can be watched. VELQUOR_SAMPLE_BUILD=win64
# runs the 64-bit test build instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sample_build=${VELQUOR_SAMPLE_BUILD:-win32}
case $sample_build in
win32 | win64) ;;
*) echo "VELQUOR_SAMPLE_BUILD is win32 or win64, not $sample_build" >&2; exit 2 ;;
esac

# Built first, then run where the 32-bit program can run (natively, or
# under qemu-i386 in a namespace of this run's own).
if [ -z "${VELQUOR_SAMPLE_BUILT:-}" ]; then
    scripts/install-deps.sh
    for preset in win32 win64; do
        cmake --preset $preset >/dev/null
        cmake --build --preset $preset >/dev/null
    done
    export VELQUOR_SAMPLE_BUILT=1
    exec scripts/with-win32.sh "$0" "$@"
fi
if [ "$sample_build" = win32 ] && [ -n "${VELQUOR_NO_WIN32:-}" ]; then
    echo "The shipped 32-bit setup.exe cannot run here; the 64-bit test build runs instead."
    sample_build=win64
fi

build=$root/build/win64
product=$root/build/$sample_build
# The test drivers check that the program they start is the shipped 32-bit
# one exactly when this names it.
[ "$sample_build" = win64 ] || export VELQUOR_PRODUCT=$product
env_dir=$build/sample-wine
medium=$build/sample-medium
shots=$root/build/screenshots
winpath() { printf 'Z:%s' "${1//\//\\}"; }
echo "Installing the sample with $product/setup.exe"

# A fresh medium every time: the setup writes into it (an empty readme.txt
# when one is missing). Its program is the stand-in of the same build.
python3 scripts/make_medium.py "$medium" "$product/tests/sample/VelQ.exe" "${VELQUOR_SAMPLE_FILES:-0}"

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 regedit /S "$(winpath "$root/tests/wine/font-replacements.reg")"
    (cd "$medium" && /usr/lib/wine/wine64 "$product/setup.exe")
    /usr/lib/wine/wineserver64 -w
else
    tests/wine/wine-env.sh start "$env_dir" "$build/tests/desktop_keeper.exe"
    trap 'tests/wine/wine-env.sh stop "$env_dir"' EXIT
    # shellcheck disable=SC1091
    source "$env_dir/env"
    export DISPLAY WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$shots"
    rm -f "$WINEPREFIX/drive_c/velq-started.txt"
    coproc ANSWER { /usr/lib/wine/wine64 "$build/tests/answer_setup.exe" \
        "$(winpath "$product/setup.exe")" "$(winpath "$medium")" 'C:\velq-started.txt' 2>&1; }
    answer_pid=$ANSWER_PID
    while IFS= read -r line <&"${ANSWER[0]}"; do
        line=${line%$'\r'}
        case $line in
        SNAP\ *)
            import -display "$DISPLAY" -window root "$shots/${line#SNAP }.png"
            echo "screenshot: build/screenshots/${line#SNAP }.png"
            echo ok >&"${ANSWER[1]}"
            ;;
        *) echo "$line" ;;
        esac
    done
    wait "$answer_pid" || echo "the sample run did not end as a clean install"
fi

drive_c=$WINEPREFIX/drive_c
echo
echo "Installed into C:\\Velq:"
(cd "$drive_c/Velq" 2>/dev/null && find . -mindepth 1 | sort | sed 's/^\.\//  /') || echo "  (nothing)"
echo "C:\\windows\\VelQ.ini:"
sed 's/^/  /' "$drive_c/windows/VelQ.ini" 2>/dev/null || echo "  (none)"
echo "Shortcuts:"
find "$drive_c" -name Velquor.lnk 2>/dev/null | sed "s|^$drive_c|  C:|; s|/|\\\\|g" || true
