#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs each one for FUZZ_RUNS inputs (10 million unless set), starting from its seed corpus.
# Prints the inputs run per target; exits non-zero on the first finding (the crashing input is
# kept in build-fuzz/findings/). FUZZ_TARGETS names some targets to run (all unless set);
# FUZZ_JOBS how many run at once (one per processor unless set); FUZZ_MAX_LEN the longest input
# (1024 bytes unless set: many lines of the reader or of a file, and fast enough for ten million).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${FUZZ_RUNS:-10000000}
build=${FUZZ_BUILD:-build-fuzz}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPX708_FUZZ=ON -DPX708_SANITIZE=address,undefined -DPX708_BUILD_APP=OFF \
    -DPX708_BUILD_TESTS=OFF -DPX708_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > "$build/build.log" 2>&1 || { tail -40 "$build/build.log"; exit 1; }
mkdir -p "$build/findings"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Without the allocation stacks of every block the targets run about half again as fast; a
# finding is replayed with them: ASAN_OPTIONS= $build/bin/TARGET INPUT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:malloc_context_size=0}
jobs=${FUZZ_JOBS:-$(nproc)}
max_len=${FUZZ_MAX_LEN:-1024}

# Runs one target; its line of the table goes to $build/NAME.result, its log to $build/NAME.log.
run_target() {
    local name=$1 work="$build/corpus/$1" log="$build/$1.log" start done_runs
    mkdir -p "$work"
    start=$(date +%s)
    if ! "$build/bin/$name" -runs="$runs" -max_len="$max_len" -artifact_prefix="$build/findings/$name-" \
            -print_final_stats=1 "$work" "tests/fuzz/corpus/$name" > "$log" 2>&1; then
        printf '%-22s %12s %10s\n' "$name" FINDING "$(( $(date +%s) - start ))" > "$build/$name.result"
        return 1
    fi
    done_runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    printf '%-22s %12s %10s\n' "$name" "$done_runs" "$(( $(date +%s) - start ))" > "$build/$name.result"
}

names=()
for fuzzer in tests/fuzz/*_fuzzer.cpp; do
    name=$(basename "$fuzzer" .cpp)
    [ -x "$build/bin/$name" ] || continue
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    names+=("$name")
    rm -f "$build/$name.result"
done

# The targets share the processors: at most $jobs run at once, the slowest (the export
# writers, which write and read back two documents per input) first.
order=()
for name in "${names[@]}"; do [ "$name" = exportwriters_fuzzer ] && order=("$name"); done
for name in "${names[@]}"; do [ "$name" != exportwriters_fuzzer ] && order+=("$name"); done
failed=0
running=0
for name in "${order[@]}"; do
    if (( running >= jobs )); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run_target "$name" &
    running=$((running + 1))
done
while (( running > 0 )); do
    wait -n || failed=1
    running=$((running - 1))
done

printf '%-22s %12s %10s\n' target inputs seconds
for name in "${names[@]}"; do
    cat "$build/$name.result" 2>/dev/null || printf '%-22s %12s\n' "$name" "not run"
done
if (( failed )); then
    for name in "${names[@]}"; do
        if grep -q FINDING "$build/$name.result" 2>/dev/null; then
            tail -60 "$build/$name.log"
            echo "$name: FINDING (input in $build/findings/)"
        fi
    done
    exit 1
fi
