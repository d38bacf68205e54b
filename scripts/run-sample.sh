#!/usr/bin/env bash
# Runs setup.exe on the bundled sample medium under Wine, then prints what it
# installed. With a DISPLAY the setup shows there for you to answer; without
# one it runs on a virtual display, is answered with the default entries, and
# screenshots land in build/screenshots. VELQUOR_SAMPLE_FILES adds that many
# question files to the medium, so that its copy can be watched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null

build=$root/build/win64
env_dir=$build/sample-wine
medium=$build/sample-medium
shots=$root/build/screenshots
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A fresh medium every time: the setup writes into it (an empty readme.txt
# when one is missing).
python3 scripts/make_medium.py "$medium" "$build/tests/sample/VelQ.exe" "${VELQUOR_SAMPLE_FILES:-0}"

if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX=$env_dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 regedit /S "$(winpath "$root/tests/wine/font-replacements.reg")"
    (cd "$medium" && /usr/lib/wine/wine64 "$build/setup.exe")
    /usr/lib/wine/wineserver64 -w
else
    tests/wine/wine-env.sh start "$env_dir" "$build/tests/desktop_keeper.exe"
    trap 'tests/wine/wine-env.sh stop "$env_dir"' EXIT
    # shellcheck disable=SC1091
    source "$env_dir/env"
    export DISPLAY WINEPREFIX=$env_dir/prefix
    mkdir -p "$shots"
    rm -f "$WINEPREFIX/drive_c/velq-started.txt"
    coproc ANSWER { tests/wine/run-in-wine.sh "$env_dir" "$build/tests/answer_setup.exe" \
        "$(winpath "$build/setup.exe")" "$(winpath "$medium")" 'C:\velq-started.txt' 2>&1; }
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
