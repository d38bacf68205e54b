#!/usr/bin/env bash
# Benchmarks setup.exe (the 64-bit build, under Wine): its copy phase against
# a bare CopyFileA loop, Wine's xcopy, native cp -r and the peer installer
# (NSIS, tests/bench/peer_installer.nsi, built here with makensis) over the
# same files; the time per file from 1,000 to 50,000 files, setup.exe and the
# loop; a reinstall, beside the earlier program's (the setup.exe of commit
# a2dcaeb, built here) and step by step; its start-up against a minimal dialog
# program; the size of the 32-bit setup.exe against the smallest NSIS
# installer. Writes the table to docs/performance.md.
#   scripts/benchmark.sh [--quick]
# --quick: tiny media and one run of each, to keep the benchmark working (CI);
# its table goes to the build folder, not to docs/.
# VELQUOR_BENCH_LOG_ONLY=1: only what /LOG costs on the 10,011-file medium
# (the many-small-files one), printed, and no table written.
# VELQUOR_BENCH_REINSTALL_ONLY=1: only the reinstall of that medium, beside the
# earlier program's and step by step, printed, and no table written.
# VELQUOR_BENCH_BUILD: the build folder to use instead of build/win64 (the
# 32-bit setup.exe of the size table is built beside it, in its name + "-win32",
# unless it is the default; then build/win32).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

case "${1:-}" in
--quick) quick=yes ;;
"") quick=no ;;
*) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
build=${VELQUOR_BENCH_BUILD:-$root/build/win64}
build=$(mkdir -p "$build" && cd "$build" && pwd)
# The command as typed in the repository: a build folder outside it is not
# named, so that the report holds no path of the machine.
build_outside=no
case "$build" in
"$root/build/win64") command_build= ;;
"$root"/*) command_build="VELQUOR_BENCH_BUILD=${build#"$root"/} " ;;
*) command_build= build_outside=yes ;;
esac
command="${command_build}scripts/benchmark.sh${1:+ $1}"
if [ "$build" = "$root/build/win64" ]; then
    build32=$root/build/win32
else
    build32=$build-win32
fi
work=$build/benchmark
env_dir=$build/bench-wine
target=$env_dir/prefix/drive_c/Velq
target_win='C:\Velq'
trash=$env_dir/trash
stub_log='C:\bench-stub.log'
raw=$work/raw.tsv
load=$work/load.txt  # the 1-minute load average at every measurement
# The peer installer is copied beside the medium's files for its runs only.
nsis_exe=velquor-nsis.exe
# The earlier program that a reinstall is measured against: main before the
# reinstall kept the earlier installation until the new one was complete.
earlier_commit=a2dcaeb
earlier=$work/earlier

# Files per folder of the small-file media: the middle one is also the
# many-small-files medium of the copy comparison. The largest takes minutes a
# copy: fewer runs there.
if [ $quick = yes ]; then
    runs=1 largest_runs=1 startup_runs=1 reinstall_runs=1 scale=(20 40 100) large=(2 1048576)
    report=$work/performance.md
else
    runs=5 largest_runs=3 startup_runs=10 reinstall_runs=6 scale=(200 2000 10000)
    large=(20 4194304)
    report=$root/docs/performance.md
fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }
say() { echo "benchmark: $*" >&2; }

build_programs() {
    scripts/install-deps.sh
    if [ "$build" = "$root/build/win64" ]; then
        cmake --preset win64 >/dev/null
    else
        cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=MinSizeRel -DVELQUOR_TESTS=ON >/dev/null
    fi
    cmake --build "$build" -j2 --target setup velq_stub bench_driver copy_loop \
        reinstall_phases minimal_dialog minimal_dialog_imports >/dev/null
    # The product, for the size table.
    if [ "$build32" = "$root/build/win32" ]; then
        cmake --preset win32 >/dev/null
    else
        cmake -S "$root" -B "$build32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
            -DCMAKE_BUILD_TYPE=MinSizeRel -DVELQUOR_TESTS=OFF >/dev/null
    fi
    cmake --build "$build32" -j2 --target setup >/dev/null
}

# The earlier program's setup.exe, the same 64-bit build, from its commit.
# Left out, with a word, where the clone does not hold that commit.
build_earlier() {
    [ -f "$earlier/build/setup.exe" ] && return 0
    if ! git cat-file -e "$earlier_commit^{commit}" 2>/dev/null; then
        say "commit $earlier_commit is not in this clone: the reinstall is not compared with it"
        return 0
    fi
    rm -rf "$earlier" && mkdir -p "$earlier/source"
    git archive "$earlier_commit" | tar -x -C "$earlier/source"
    cmake -S "$earlier/source" -B "$earlier/build" \
        -DCMAKE_TOOLCHAIN_FILE="$earlier/source/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DVELQUOR_TESTS=OFF >/dev/null
    cmake --build "$earlier/build" -j2 --target setup >/dev/null
}

# The peer installer and the smallest installer makensis makes.
build_installers() {
    local name
    for name in peer_installer smallest_installer; do
        makensis -V2 -DOUTFILE="$work/$name.exe" "tests/bench/$name.nsi" >/dev/null
    done
}

# make_medium NAME FILES_PER_FOLDER BYTES: prints the medium's folder.
make_medium() {
    rm -f "$work/$1/$nsis_exe"  # left by a run that was stopped
    python3 scripts/make_bench_medium.py "$work/$1" "$build/tests/sample/VelQ.exe" "$2" "$3"
    echo "$work/$1"
}

drive() {
    tests/wine/run-in-wine.sh "$env_dir" "$build/tests/bench/bench_driver.exe" "$@" | tr -d '\r'
}

# One measurement each, in milliseconds: TOOL MEDIUM [over].
time_setup() { drive install "$(winpath "$build/setup.exe")" "$(winpath "$1")" "$target_win" "$stub_log"; }
time_earlier() {
    drive install "$(winpath "$earlier/build/setup.exe")" "$(winpath "$1")" "$target_win" "$stub_log"
}
# The same with a log, which each run starts anew.
time_setup_log() {
    rm -f "$env_dir/prefix/drive_c/bench-setup.log"
    drive install "$(winpath "$build/setup.exe")" "$(winpath "$1")" "$target_win" "$stub_log" \
        '/LOG=C:\bench-setup.log'
}
time_loop() {
    drive loop "$(winpath "$build/tests/bench/copy_loop.exe")" "$(winpath "$1")\\" "$target_win\\" \
        "$(winpath "$1.list")" "$stub_log" ${2:+remove}
}
time_xcopy() { drive xcopy "$(winpath "$1")" "$target_win"; }
time_nsis() {
    local status=0
    cp "$work/peer_installer.exe" "$1/$nsis_exe"
    drive nsis "$(winpath "$1/$nsis_exe")" "$target_win" || status=$?
    rm -f "$1/$nsis_exe"
    return $status
}
time_cp() {
    local start
    start=$(date +%s%N)
    cp -r "$1" "$target"
    awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }'
}
time_program() { drive program "$target_win" "$stub_log"; }
time_startup() { drive startup "$(winpath "$1")" "$(winpath "$2")"; }

# Moved aside, deleted at the end: see make_bench_medium.py on deleting.
retire_target() {
    [ -e "$target" ] || return 0
    mkdir -p "$trash"
    mv "$target" "$(mktemp -d "$trash/XXXXXX")/"
}

# An installation as setup.exe leaves it, made natively.
install_natively() {
    local file name
    cp -r "$1" "$target"
    for file in "$target"/*; do
        name=$(basename "$file" | tr '[:upper:]' '[:lower:]')
        [ -f "$file" ] && [ "$name" != "$(basename "$file")" ] && mv "$file" "$target/$name"
    done
    return 0
}

check_copy() {
    local expected found
    expected=$(wc -l <"$1.list")
    # Beside the copies setup.exe leaves its uninstaller and the install
    # record, which a reinstall's next tool finds there too.
    found=$(find "$target" -type f ! -name uninstall.exe ! -name uninstall.dat | wc -l)
    [ "$found" -eq "$expected" ] || { say "$2 left $found files in C:\\Velq, not $expected"; exit 1; }
}

# measure CASE MEDIUM TOOL RUN [over]: one figure into the raw table. With
# "over" the copy goes over the installation that the last one left.
measure() {
    local case=$1 medium=$2 tool=$3 run=$4 over=${5:-} ms
    [ -n "$over" ] || retire_target
    sync
    cut -d' ' -f1 /proc/loadavg >>"$load"
    ms=$(time_"$tool" "$medium" ${over:+"$over"})
    check_copy "$medium" "$tool"
    printf '%s\t%s\t%s\t%s\t%s\n' "$case" "$(wc -l <"$medium.list")" "$tool" "$run" "$ms" >>"$raw"
}

# rotated RUN TOOL...: the tools, starting at a different one every run.
rotated() {
    local run=$1
    shift
    local tools=("$@") i
    for ((i = 0; i < ${#tools[@]}; i++)); do
        echo "${tools[(i + run) % ${#tools[@]}]}"
    done
}

# compare CASE MEDIUM TOOL...: every tool once a run. RUNS, when set,
# replaces the number of runs.
compare() {
    local case=$1 medium=$2 run tool count=${RUNS:-$runs}
    shift 2
    for ((run = 1; run <= count; run++)); do
        for tool in $(rotated "$run" "$@"); do
            measure "$case" "$medium" "$tool" "$run"
        done
    done
    say "$case done"
}

# A first installation by setup.exe and by the earlier program, where it was
# built; then a reinstall, each over the installation that the one before
# left: setup.exe, the earlier program and the loop, rotated; then the steps
# of setup.exe's reinstall, over an installation each.
reinstalls() {
    local medium=$1 run tool figures tools=(setup loop)
    if [ -f "$earlier/build/setup.exe" ]; then
        tools+=(earlier)
        for ((run = 1; run <= reinstall_runs; run++)); do
            for tool in $(rotated "$run" setup earlier); do
                measure fresh "$medium" "$tool" "$run"
            done
        done
    fi
    retire_target
    install_natively "$medium"
    for ((run = 1; run <= reinstall_runs; run++)); do
        for tool in $(rotated "$run" "${tools[@]}"); do
            measure reinstall "$medium" "$tool" "$run" over
        done
    done
    for ((run = 1; run <= reinstall_runs; run++)); do
        sync
        figures=$(tests/wine/run-in-wine.sh "$env_dir" "$build/tests/bench/reinstall_phases.exe" \
            "$(winpath "$medium")\\" "$target_win\\" | tr -d '\r')
        check_copy "$medium" reinstall_phases
        paste <(printf '%s\n' measure probe aside copy register commit) \
            <(printf '%s\n' $figures) | while read -r tool ms; do
            printf 'phases\t%s\t%s\t%s\t%s\n' "$(wc -l <"$medium.list")" "$tool" "$run" "$ms" >>"$raw"
        done
    done
    say "reinstall done"
}

startups() {
    local folder=$1 run tool exe ms
    # Run 0 warms up Wine's caches and is not kept.
    for ((run = 0; run <= startup_runs; run++)); do
        for tool in $(rotated "$run" setup dialog dialog_imports); do
            exe=$build/tests/bench/minimal_${tool}.exe
            [ "$tool" = setup ] && exe=$build/setup.exe
            ms=$(time_startup "$exe" "$folder")
            [ "$run" -gt 0 ] || continue
            printf 'startup\t0\t%s\t%s\t%s\n' "$tool" "$run" "$ms" >>"$raw"
        done
    done
    say "start-up done"
}

program_starts() {
    local run ms
    retire_target
    install_natively "$1"
    for ((run = 1; run <= runs; run++)); do
        ms=$(time_program)
        printf 'program\t0\tprogram\t%s\t%s\n' "$run" "$ms" >>"$raw"
    done
}

machine() {
    local cpu memory os
    cpu=$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1)
    memory=$(awk '/^MemTotal:/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo)
    os=$(sed -n 's/^PRETTY_NAME="\(.*\)"/\1/p' /etc/os-release)
    printf '%s, %s cores, %s GB memory; %s, Linux %s; %s; makensis %s' "$cpu" "$(nproc)" \
        "$memory" "$os" "$(uname -r)" "$(/usr/lib/wine/wine64 --version)" "$(makensis -VERSION)"
}

size() { stat -c %s "$1"; }

finish() {
    tests/wine/wine-env.sh stop "$env_dir" >/dev/null || true
    say "deleting the copies"
    rm -rf "$trash" "$target"
}

build_programs
mkdir -p "$work"
build_earlier
build_installers
rm -rf "$trash" "$target"
: >"$raw"
: >"$load"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
tests/wine/wine-env.sh start "$env_dir" >/dev/null
trap finish EXIT

# What /LOG costs: a section of its own, with the runs of the copy phase, on
# the many-small-files medium.
log_cost() {
    compare log "$1" setup setup_log
}

if [ "${VELQUOR_BENCH_LOG_ONLY:-}" = 1 ]; then
    log_cost "$(make_medium "files-$((scale[1] * 5))" "${scale[1]}" 4096)"
    python3 scripts/bench_report.py --log "$raw"
    exit 0
fi

if [ "${VELQUOR_BENCH_REINSTALL_ONLY:-}" = 1 ]; then
    reinstalls "$(make_medium "files-$((scale[1] * 5))" "${scale[1]}" 4096)"
    python3 scripts/bench_report.py --reinstall "$raw"
    exit 0
fi

empty=$(make_medium files-0 0 4096)
names=() media=()
for count in "${scale[@]}"; do
    names+=("files-$((count * 5))")
    media+=("$(make_medium "${names[-1]}" "$count" 4096)")
done
large_medium=$(make_medium "large-${large[0]}x${large[1]}" "${large[0]}" "${large[1]}")

startups "$empty"
program_starts "$empty"
# The peer's first run in a fresh prefix sets up the shell's parts: not kept.
retire_target
time_nsis "$empty" >/dev/null
compare empty "$empty" setup loop nsis
compare "${names[1]}" "${media[1]}" setup loop xcopy cp nsis
compare large "$large_medium" setup loop xcopy cp nsis
compare "${names[0]}" "${media[0]}" setup loop
RUNS=$largest_runs compare "${names[2]}" "${media[2]}" setup loop
log_cost "${media[1]}"
# Last: it deletes many files, which slows down creating files for a while.
reinstalls "${media[1]}"

cat >"$work/meta.txt" <<META
command=$command
date=$(date -u '+%Y-%m-%d %H:%M UTC')
machine=$(machine)
load_before=$load_before
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
load_during=$(sort -g "$load" | awk '{ v[NR] = $1 } END { printf "%s %s %s %s", v[1], v[int((NR + 1) / 2)], v[NR], NR }')
build_outside=$build_outside
quick=$quick
small_case=${names[1]}
size_setup32=$(size "$build32/setup.exe")
size_setup64=$(size "$build/setup.exe")
size_nsis_smallest=$(size "$work/smallest_installer.exe")
size_nsis_peer=$(size "$work/peer_installer.exe")
META
python3 scripts/bench_report.py "$raw" "$work/meta.txt" "$report"
say "table written to ${report#"$root"/}"
