#!/usr/bin/env bash
# Builds the reader fuzz targets (the response files; the settings store with the options and the stored system
# calibrations) with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz, writes their
# seed corpus with our own writers, and runs each target for a bounded time (FUZZ_SECONDS, default 60), as many
# side by side as VEMRA_JOBS allows (default: all cores). Prints "fuzz_<reader>: passed" or "fuzz_<reader>: failed"
# for each, and fails on any crash, sanitizer report or broken round trip; a crashing input is kept in fuzz-work/
# as <reader>-crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
jobs=${VEMRA_JOBS:-$(nproc)}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
readers=(wav tim txt settings)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVEMRA_FUZZ=ON -DVEMRA_TESTS=OFF -DVEMRA_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" > /dev/null
cmake --build build-fuzz --target "${readers[@]/#/fuzz_}" make_fuzz_seeds make_settings_seeds -j"$jobs"

rm -rf fuzz-work
mkdir -p fuzz-work
ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/make_fuzz_seeds fuzz-work/seeds
ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/make_settings_seeds fuzz-work/seeds

# fuzz_one <reader>: one target for the bounded time; its log is fuzz-work/<reader>.log.
fuzz_one() {
  local reader=$1 dict=()
  mkdir -p "fuzz-work/$reader"
  if [ -f "fuzz/$reader.dict" ]; then dict=("-dict=fuzz/$reader.dict"); fi
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/fuzz/fuzz_$reader" "fuzz-work/$reader" "fuzz-work/seeds/$reader" "${dict[@]}" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="fuzz-work/$reader-" 2> "fuzz-work/$reader.log"
}

echo "== fuzzing ${readers[*]} for ${seconds} s each, up to $jobs at once"
declare -A pid
running=0
for reader in "${readers[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  fuzz_one "$reader" &
  pid[$reader]=$!
  running=$((running + 1))
done

status=0
for reader in "${readers[@]}"; do
  if wait "${pid[$reader]}"; then
    echo "fuzz_$reader: passed"
    grep -E "^stat::number_of_executed_units|^stat::new_units_added|^stat::peak_rss_mb" "fuzz-work/$reader.log" || true
  else
    echo "fuzz_$reader: failed"
    tail -n 60 "fuzz-work/$reader.log"
    status=1
  fi
done
exit $status
