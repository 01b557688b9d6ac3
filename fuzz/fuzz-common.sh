# Shared by .ci/fuzz-short and .ci/fuzz-long: builds the libFuzzer targets in
# their own clang build and runs one target over a scratch copy of its corpus.
set -euo pipefail

SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FUZZ_BUILD=${FUZZ_BUILD:-$SRC/build-ci-fuzz}
TARGETS=(dialect statements jet csv chaptertext)
declare -A MAX_LEN=([dialect]=1024 [statements]=300 [jet]=8192 [csv]=4096 [chaptertext]=16384)

# Fast allocator bookkeeping for the runs; a finding is run again with full reports.
RUN_ASAN_OPTIONS="malloc_context_size=0:quarantine_size_mb=16:detect_leaks=1"
FULL_ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

fuzz_build() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    CC=clang-14 CXX=clang++-14 cmake -S "$SRC" -B "$FUZZ_BUILD" -G Ninja "${launcher[@]}" \
        -DTARVIX_FUZZ=ON -DTARVIX_BENCH=OFF -DTARVIX_STRESS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$FUZZ_BUILD" -j2 --target fuzz_dialect fuzz_statements fuzz_jet fuzz_csv fuzz_chaptertext
}

# fuzz_run <target> <libFuzzer limit options...>: one process, one worker; non-zero on any finding.
fuzz_run() {
    local target=$1
    shift
    local work
    work=$(mktemp -d)
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$SRC/fuzz/corpus/$target/"* "$work/corpus/"
    local bin="$FUZZ_BUILD/fuzz/fuzz_$target"
    local status=0
    ASAN_OPTIONS=$RUN_ASAN_OPTIONS "$bin" -timeout=10 -rss_limit_mb=2048 -max_len="${MAX_LEN[$target]}" \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" "$work/corpus" >"$work/log" 2>&1 || status=$?
    grep -E "^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb|^Done" "$work/log" \
        | sed "s/^/fuzz_$target: /" || true
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$target: FAILED (status $status); log tail:"
        tail -40 "$work/log"
        for a in "$work/artifacts"/*; do
            [ -e "$a" ] || continue
            mkdir -p "$SRC/build-ci-fuzz-findings"
            cp "$a" "$SRC/build-ci-fuzz-findings/"
            echo "fuzz_$target: finding kept as build-ci-fuzz-findings/$(basename "$a"); full report:"
            ASAN_OPTIONS=$FULL_ASAN_OPTIONS "$bin" "$a" 2>&1 | tail -60 || true
        done
    fi
    rm -rf "$work"
    return "$status"
}
