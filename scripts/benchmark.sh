#!/usr/bin/env bash
# Benchmarks setup.exe (the 64-bit build, under Wine): its copy phase against
# a bare CopyFileA loop, Wine's xcopy and native cp -r over the same files;
# the time per file from 1,000 to 50,000 files; a reinstall; its start-up
# against a minimal dialog program. Writes the table to docs/performance.md.
#   scripts/benchmark.sh [--quick]
# --quick: tiny media and one run of each, to keep the benchmark working (CI);
# its table goes to the build folder, not to docs/.
# VELQUOR_BENCH_BUILD: the build folder to use instead of build/win64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

case "${1:-}" in
--quick) quick=yes ;;
"") quick=no ;;
*) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
command="${VELQUOR_BENCH_BUILD:+VELQUOR_BENCH_BUILD=$VELQUOR_BENCH_BUILD }scripts/benchmark.sh${1:+ $1}"

build=${VELQUOR_BENCH_BUILD:-$root/build/win64}
work=$build/benchmark
env_dir=$build/bench-wine
target=$env_dir/prefix/drive_c/Velq
target_win='C:\Velq'
trash=$env_dir/trash
stub_log='C:\bench-stub.log'
raw=$work/raw.tsv

# Files per folder of the small-file media: the middle one is also the
# many-small-files medium of the copy comparison.
if [ $quick = yes ]; then
    runs=1 startup_runs=1 scale=(20 40 100) large=(2 1048576)
    report=$work/performance.md
else
    runs=5 startup_runs=10 scale=(200 2000 10000) large=(20 4194304)
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
        minimal_dialog minimal_dialog_imports >/dev/null
}

# make_medium NAME FILES_PER_FOLDER BYTES: prints the medium's folder.
make_medium() {
    python3 scripts/make_bench_medium.py "$work/$1" "$build/tests/sample/VelQ.exe" "$2" "$3"
    echo "$work/$1"
}

drive() {
    tests/wine/run-in-wine.sh "$env_dir" "$build/tests/bench/bench_driver.exe" "$@" | tr -d '\r'
}

# One measurement each, in milliseconds: TOOL MEDIUM [over].
time_setup() { drive install "$(winpath "$build/setup.exe")" "$(winpath "$1")" "$target_win" "$stub_log"; }
time_loop() {
    drive loop "$(winpath "$build/tests/bench/copy_loop.exe")" "$(winpath "$1")\\" "$target_win\\" \
        "$(winpath "$1.list")" "$stub_log" ${2:+remove}
}
time_xcopy() { drive xcopy "$(winpath "$1")" "$target_win"; }
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
    found=$(find "$target" -type f | wc -l)
    [ "$found" -eq "$expected" ] || { say "$2 left $found files in C:\\Velq, not $expected"; exit 1; }
}

# measure CASE MEDIUM TOOL RUN [over]: one figure into the raw table. With
# "over" the copy goes over the installation that the last one left.
measure() {
    local case=$1 medium=$2 tool=$3 run=$4 over=${5:-} ms
    [ -n "$over" ] || retire_target
    sync
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

# compare CASE MEDIUM TOOL...: every tool once a run.
compare() {
    local case=$1 medium=$2 run tool
    shift 2
    for ((run = 1; run <= runs; run++)); do
        for tool in $(rotated "$run" "$@"); do
            measure "$case" "$medium" "$tool" "$run"
        done
    done
    say "$case done"
}

reinstalls() {
    local medium=$1 run tool
    retire_target
    install_natively "$medium"
    for ((run = 1; run <= runs; run++)); do
        for tool in $(rotated "$run" setup loop); do
            measure reinstall "$medium" "$tool" "$run" over
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
    printf '%s, %s cores, %s GB memory; %s, Linux %s; %s' "$cpu" "$(nproc)" "$memory" "$os" \
        "$(uname -r)" "$(/usr/lib/wine/wine64 --version)"
}

finish() {
    tests/wine/wine-env.sh stop "$env_dir" >/dev/null || true
    say "deleting the copies"
    rm -rf "$trash" "$target"
}

build_programs
mkdir -p "$work"
rm -rf "$trash" "$target"
: >"$raw"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
tests/wine/wine-env.sh start "$env_dir" >/dev/null
trap finish EXIT

empty=$(make_medium files-0 0 4096)
names=() media=()
for count in "${scale[@]}"; do
    names+=("files-$((count * 5))")
    media+=("$(make_medium "${names[-1]}" "$count" 4096)")
done
large_medium=$(make_medium "large-${large[0]}x${large[1]}" "${large[0]}" "${large[1]}")

startups "$empty"
program_starts "$empty"
compare empty "$empty" setup loop
compare "${names[1]}" "${media[1]}" setup loop xcopy cp
compare large "$large_medium" setup loop xcopy cp
compare "${names[0]}" "${media[0]}" setup loop
# The largest medium takes minutes a copy under Wine: setup.exe alone.
compare "${names[2]}" "${media[2]}" setup
# Last: it deletes many files, which slows down creating files for a while.
reinstalls "${media[1]}"

cat >"$work/meta.txt" <<META
command=$command
date=$(date -u '+%Y-%m-%d %H:%M UTC')
machine=$(machine)
load_before=$load_before
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
quick=$quick
small_case=${names[1]}
META
python3 scripts/bench_report.py "$raw" "$work/meta.txt" "$report"
say "table written to ${report#"$root"/}"
