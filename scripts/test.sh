#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the reader fuzzers (files, settings) for a bounded time. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

bash scripts/build.sh build
echo "== sanitizer build"
bash scripts/build.sh build-asan -DVEMRA_SANITIZE=ON -DVEMRA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
echo "== sanitizer tests"
# The real-time test binary replaces the global allocator to count allocations, which ASan would take for a
# mismatch.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:alloc_dealloc_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure --parallel "$jobs" -LE slow)

if [ -f fuzz/run-fuzzers.sh ]; then
  echo "== fuzzers"
  bash fuzz/run-fuzzers.sh
fi

echo "== tests"
cd build && ctest --output-on-failure --parallel "$jobs"
