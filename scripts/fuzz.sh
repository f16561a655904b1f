#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs each one for FUZZ_RUNS inputs (10 million unless set), starting from its seed corpus.
# Prints the inputs run per target; exits non-zero on the first finding (the crashing input is
# kept in build-fuzz/findings/). FUZZ_TARGETS names some targets to run (all unless set).
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
export ASAN_OPTIONS=detect_leaks=1
printf '%-22s %12s %10s\n' target inputs seconds
for fuzzer in tests/fuzz/*_fuzzer.cpp; do
    name=$(basename "$fuzzer" .cpp)
    [ -x "$build/bin/$name" ] || continue
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    work="$build/corpus/$name"
    mkdir -p "$work"
    log="$build/$name.log"
    start=$(date +%s)
    if ! "$build/bin/$name" -runs="$runs" -artifact_prefix="$build/findings/$name-" \
            -print_final_stats=1 "$work" "tests/fuzz/corpus/$name" > "$log" 2>&1; then
        tail -60 "$log"
        echo "$name: FINDING (input in $build/findings/)"
        exit 1
    fi
    done_runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    printf '%-22s %12s %10s\n' "$name" "$done_runs" "$(( $(date +%s) - start ))"
done
