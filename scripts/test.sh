#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test in three stages: the main suite (build/), the same suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and the reader fuzzers for a bounded
# time (build-fuzz/, fuzz-work/). Every stage runs even when an earlier one failed; the end is one summary line
# per stage, and the exit code is non-zero when any stage failed.
# VEMRA_JOBS sets how many compilers and tests run at once (default: all cores); FUZZ_SECONDS how long each fuzzer
# runs (default 60).
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || { echo "test.sh: the packages could not be installed" >&2; exit 1; }
export VEMRA_JOBS=${VEMRA_JOBS:-$(nproc)}
if ! [[ "$VEMRA_JOBS" =~ ^[1-9][0-9]*$ ]]; then
  echo "test.sh: VEMRA_JOBS must be a positive whole number, not '$VEMRA_JOBS'" >&2
  exit 2
fi

summaries=()
status=0

# The summary of a ctest run from its output: how many ran, passed and failed, and the names of those that failed.
ctest_summary() {
  local log=$1 line ran failed names
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "no tests ran"
    return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  ran=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  names=$(sed -n '/^The following tests FAILED:/,$p' "$log" | sed -nE 's/^[[:space:]]+[0-9]+ - ([^ ]+) .*/\1/p' |
          paste -sd ' ' -)
  echo "$ran run, $((ran - failed)) passed, $failed failed${names:+: $names}"
}

# run_suite <stage> <build folder> [cmake arguments...]: builds the folder and runs its tests.
run_suite() {
  local stage=$1 dir=$2
  shift 2
  echo "== $stage: build ($dir)"
  if ! bash scripts/build.sh "$dir" "$@"; then
    summaries+=("$stage: the build failed")
    status=1
    return
  fi
  echo "== $stage: tests"
  local log="$dir/test-stage.log"
  # The real-time test binary replaces the global allocator to count allocations, which ASan would take for a
  # mismatch. A folder configured without tests would otherwise pass as a suite that passed.
  (cd "$dir" && ASAN_OPTIONS=detect_leaks=0:alloc_dealloc_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure --no-tests=error --parallel "$VEMRA_JOBS") 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  summaries+=("$stage: $(ctest_summary "$log")")
  [ "$rc" -eq 0 ] || status=1
}

run_suite "main suite" build
run_suite "sanitizer suite" build-asan -DVEMRA_SANITIZE=ON -DVEMRA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug

echo "== fuzzers"
fuzz_log=$(mktemp)
bash fuzz/run-fuzzers.sh 2>&1 | tee "$fuzz_log"
fuzz_rc=${PIPESTATUS[0]}
fuzz_passed=$(grep -cE '^fuzz_[a-z]+: passed' "$fuzz_log")
fuzz_failed_names=$(grep -E '^fuzz_[a-z]+: failed' "$fuzz_log" | cut -d: -f1 | paste -sd ' ' -)
fuzz_failed=$(grep -cE '^fuzz_[a-z]+: failed' "$fuzz_log")
if [ $((fuzz_passed + fuzz_failed)) -eq 0 ]; then
  summaries+=("fuzzers: none ran (their build or their seeds failed)")
else
  summaries+=("fuzzers: $((fuzz_passed + fuzz_failed)) run, $fuzz_passed passed, $fuzz_failed failed${fuzz_failed_names:+: $fuzz_failed_names}")
fi
[ "$fuzz_rc" -eq 0 ] || status=1
rm -f "$fuzz_log"

echo
echo "== summary"
printf '%s\n' "${summaries[@]}"
if [ "$status" -eq 0 ]; then echo "all stages passed"; else echo "some stages failed"; fi
exit "$status"
