#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) and runs
# each for SECONDS (default 60), one after another at the lowest priority. The seed corpora in
# tests/fuzz/corpus are copied into the build folder so that findings there grow a working
# corpus; a crash stops the run and leaves its input in $BUILD/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
BUILD=${KORVAN_FUZZ_BUILD_DIR:-build-fuzz}
TARGETS=(number filter casejson xmltext dxf)

if ! command -v clang++ >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ] ; then
    echo "fuzz: clang and libfuzzer-14-dev are needed (apt-get install clang libfuzzer-14-dev)" >&2
    exit 1
fi
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVAN_BUILD_FUZZ=ON -DKORVAN_BUILD_TESTS=OFF -DKORVAN_BUILD_GUI=OFF \
    -DKORVAN_BUILD_BENCH=OFF >/dev/null
nice -n 19 cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]/#/fuzz_}"

mkdir -p "$BUILD/artifacts"
status=0
for t in "${TARGETS[@]}"; do
    corpus="$BUILD/corpus/$t"
    mkdir -p "$corpus"
    cp -n tests/fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
    log="$BUILD/fuzz_$t.log"
    echo "fuzz: $t for ${SECONDS_EACH}s"
    if ! nice -n 19 "$BUILD/bin/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=65536 \
            -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
            -artifact_prefix="$BUILD/artifacts/$t-" "$corpus" >"$log" 2>&1; then
        echo "fuzz: $t FOUND A FAULT, see $log and $BUILD/artifacts" >&2
        status=1
    fi
    grep -E "^stat::number_of_executed_units|Done [0-9]+ runs" "$log" | tail -2 || true
done
exit $status
