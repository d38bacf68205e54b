#!/usr/bin/env bash
# Runs the shipped 32-bit setup.exe of WIN32_BUILD in the test run's Wine
# environment (wine-env.sh), driven by DRIVER (install_scenario.exe), on a
# fresh sample medium. Skips where 32-bit programs do not run
# (win32-programs.sh).
#   run-install-scenario.sh SOURCE_DIR WIN32_BUILD ENV_DIR DRIVER
set -euo pipefail
source_dir=$1
win32_build=$2
env_dir=$3
driver=$4

if [ -s "$env_dir/win32-skip" ]; then
    echo "SKIPPED: $(cat "$env_dir/win32-skip")"
    exit 0
fi

for needed in "$win32_build/setup.exe" "$win32_build/tests/sample/VelQ.exe"; do
    if [ ! -e "$needed" ]; then
        echo "missing $needed: 'cmake --preset win32 && cmake --build --preset win32' builds it"
        exit 1
    fi
done

winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

# What earlier runs and tests installed: the scenario expects none of it.
drive_c=$env_dir/prefix/drive_c
find "$drive_c" -maxdepth 1 -iname velq -exec rm -rf {} +
rm -f "$drive_c/windows/VelQ.ini" "$drive_c/velq-started.txt" \
      "$drive_c/velq-shell/Desktop/Velquor.lnk" "$drive_c/velq-shell/Start Menu/Velquor.lnk" \
      "$drive_c/velq-shell/Start Menu/Programs/Velquor.lnk"
for hive in 'HKLM\Software' 'HKCU\Software'; do
    "$source_dir/tests/wine/run-in-wine.sh" "$env_dir" reg delete \
        "$hive\Microsoft\Windows\CurrentVersion\Uninstall\Velquor" /f /reg:32 \
        </dev/null >/dev/null 2>&1 || true
done
# The registered owner that the scenario sets, in the 32-bit view, as a
# fresh prefix has it: before the run, so that only the scenario's own
# setting can pass its check; after it, for the other tests of the prefix.
reset_owner() {
    "$source_dir/tests/wine/run-in-wine.sh" "$env_dir" reg add \
        'HKLM\Software\Microsoft\Windows\CurrentVersion' /v RegisteredOwner /d '' /f /reg:32 \
        </dev/null >/dev/null
}
reset_owner
trap reset_owner EXIT
# A fresh medium: the setup may write into it.
medium=$env_dir/win32-medium
python3 "$source_dir/scripts/make_medium.py" "$medium" "$win32_build/tests/sample/VelQ.exe"
start=$SECONDS
status=0
# As a test of the 32-bit program, which it must be, with the programs it
# starts kept off this test's output.
VELQUOR_PRODUCT=$win32_build "$source_dir/tests/wine/run-in-wine.sh" "$env_dir" "$driver" \
    "$(winepath_of "$win32_build/setup.exe")" "$(winepath_of "$medium")" 'C:\velq-started.txt' \
    </dev/null || status=$?
echo "32-bit run took $((SECONDS - start)) s"
exit "$status"
