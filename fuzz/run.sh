#!/usr/bin/env bash
# Builds the fuzz targets (if needed) and runs each for SECONDS, one after the
# other at the lowest priority, printing the executions of each.
#   fuzz/run.sh SECONDS [BUILD_DIR]        all targets (BUILD_DIR: build-fuzz)
#   fuzz/run.sh --one NAME SECONDS BUILD_DIR   one target, for ctest
# New inputs that widen coverage collect in BUILD_DIR/corpus/NAME; the seeds
# in fuzz/corpus/NAME are only read. A crash leaves its input in
# BUILD_DIR/crashes/ and the script fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
targets=(kvc_fuzz recording_fuzz strlib_fuzz font_fuzz statement_fuzz gainpass_fuzz)

max_len() {
    case $1 in
        kvc_fuzz) echo 512 ;;
        recording_fuzz) echo 640 ;;
        font_fuzz) echo 256 ;;
        gainpass_fuzz) echo 8192 ;;
        *) echo 4096 ;;
    esac
}

run_one() {
    local name=$1 seconds=$2 build=$3
    mkdir -p "$build/corpus/$name" "$build/crashes"
    local seeds=()
    [ -d "$here/corpus/$name" ] && seeds+=("$here/corpus/$name")
    local log="$build/$name.log"
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
    local status=0
    nice -n 19 "$build/$name" -max_total_time="$seconds" -max_len="$(max_len "$name")" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/crashes/$name-" \
        "$build/corpus/$name" "${seeds[@]}" > "$log" 2>&1 || status=$?
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "$name: ${runs:-?} executions in ${seconds} s, status $status"
    if [ "$status" -ne 0 ]; then
        tail -40 "$log"
        return 1
    fi
}

if [ "${1:-}" = "--one" ]; then
    run_one "$2" "$3" "$4"
    exit
fi

seconds=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR]}
build=${2:-$here/../build-fuzz}
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja > /dev/null
fi
nice -n 19 ninja -C "$build" -j 2 > /dev/null
failed=0
for name in "${targets[@]}"; do
    run_one "$name" "$seconds" "$build" || failed=1
done
exit $failed
