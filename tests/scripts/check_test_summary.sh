#!/usr/bin/env bash
# check_test_summary.sh <path to scripts/test.sh>
# Runs a copy of the test command in a scratch tree where the package installer, the build, ctest and the fuzzers
# are stand-ins told by environment variables to pass or fail, and checks for each planted outcome the exit code
# and the summary block the command ends with. No real build or test runs, so the check takes a second or two.
set -uo pipefail
script=${1:?usage: check_test_summary.sh <path to scripts/test.sh>}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The stand-ins. STUB_BROKEN_BUILDS: build folders whose build fails. STUB_FAILING_SUITES: build folders where
# one test fails. STUB_CRASHED_SUITES: build folders where ctest ends without its summary line. STUB_EMPTY_SUITES:
# build folders with no tests. STUB_FUZZ: pass, fail (one target fails) or none (their build fails).
mkdir -p "$scratch/stubs/scripts" "$scratch/stubs/fuzz" "$scratch/stubs/bin"
cat > "$scratch/stubs/scripts/install-deps.sh" <<'EOF'
exit 0
EOF
cat > "$scratch/stubs/scripts/build.sh" <<'EOF'
mkdir -p "$1"
case " ${STUB_BROKEN_BUILDS:-} " in *" $1 "*) echo "stub build: $1 does not compile"; exit 1 ;; esac
exit 0
EOF
cat > "$scratch/stubs/bin/ctest" <<'EOF'
#!/usr/bin/env bash
suite=$(basename "$PWD")
case " ${STUB_EMPTY_SUITES:-} " in
  *" $suite "*)
    echo "No tests were found!!!"
    for arg in "$@"; do [ "$arg" = "--no-tests=error" ] && exit 8; done
    exit 0 ;;
esac
case " ${STUB_CRASHED_SUITES:-} " in *" $suite "*) echo "stub ctest: killed"; exit 134 ;; esac
case " ${STUB_FAILING_SUITES:-} " in
  *" $suite "*)
    printf '90%% tests passed, 1 tests failed out of 10\n\nThe following tests FAILED:\n\t  7 - Files.TruncatedHeader (Failed)\n'
    exit 8 ;;
esac
echo "100% tests passed, 0 tests failed out of 10"
EOF
chmod +x "$scratch/stubs/bin/ctest"
cat > "$scratch/stubs/fuzz/run-fuzzers.sh" <<'EOF'
case "${STUB_FUZZ:-pass}" in
  none) echo "stub fuzzers: build failed"; exit 1 ;;
  fail) printf 'fuzz_wav: passed\nfuzz_tim: failed\nfuzz_txt: passed\nfuzz_settings: passed\n'; exit 1 ;;
  *) printf 'fuzz_wav: passed\nfuzz_tim: passed\nfuzz_txt: passed\nfuzz_settings: passed\n' ;;
esac
EOF

failures=0
# check_case <name> <expected exit: zero|nonzero> <expected summary block> [VAR=value...]
check_case() {
  local name=$1 expected_exit=$2 expected_summary=$3
  shift 3
  local tree="$scratch/$name"
  mkdir -p "$tree/scripts"
  cp -r "$scratch/stubs/scripts" "$scratch/stubs/fuzz" "$tree/"
  cp "$script" "$tree/scripts/test.sh"
  local log="$tree.log" rc
  env "$@" PATH="$scratch/stubs/bin:$PATH" VEMRA_JOBS=1 bash "$tree/scripts/test.sh" > "$log" 2>&1
  rc=$?
  local summary
  summary=$(sed -n '/^== summary$/,$p' "$log" | tail -n +2)
  local wrong=""
  if [ "$expected_exit" = zero ] && [ "$rc" -ne 0 ]; then wrong="exit code $rc, expected 0"; fi
  if [ "$expected_exit" = nonzero ] && [ "$rc" -eq 0 ]; then wrong="exit code 0, expected non-zero"; fi
  if [ "$summary" != "$expected_summary" ]; then wrong="${wrong:+$wrong; }summary differs"; fi
  if [ -n "$wrong" ]; then
    failures=$((failures + 1))
    printf 'FAILED: %s (%s)\n-- expected summary:\n%s\n-- output:\n' "$name" "$wrong" "$expected_summary"
    cat "$log"
    echo "--"
  else
    echo "passed: $name"
  fi
}

all_main='main suite: 10 run, 10 passed, 0 failed'
all_asan='sanitizer suite: 10 run, 10 passed, 0 failed'
all_fuzz='fuzzers: 4 run, 4 passed, 0 failed'

check_case every-stage-passes zero "$all_main
$all_asan
$all_fuzz
all stages passed"

# A failed build names its stage, and the later stages still run.
check_case main-build-fails nonzero "main suite: the build failed
$all_asan
$all_fuzz
some stages failed" STUB_BROKEN_BUILDS=build

check_case sanitizer-build-fails nonzero "$all_main
sanitizer suite: the build failed
$all_fuzz
some stages failed" STUB_BROKEN_BUILDS=build-asan

check_case sanitizer-test-fails nonzero "$all_main
sanitizer suite: 10 run, 9 passed, 1 failed: Files.TruncatedHeader
$all_fuzz
some stages failed" STUB_FAILING_SUITES=build-asan

# ctest's exit code counts even when its output holds no summary line.
check_case main-ctest-crashes nonzero "main suite: no tests ran
$all_asan
$all_fuzz
some stages failed" STUB_CRASHED_SUITES=build

# A build folder configured without tests must not pass for a suite that passed.
check_case main-suite-empty nonzero "main suite: no tests ran
$all_asan
$all_fuzz
some stages failed" STUB_EMPTY_SUITES=build

check_case one-fuzzer-fails nonzero "$all_main
$all_asan
fuzzers: 4 run, 3 passed, 1 failed: fuzz_tim
some stages failed" STUB_FUZZ=fail

check_case fuzzers-do-not-build nonzero "$all_main
$all_asan
fuzzers: none ran (their build or their seeds failed)
some stages failed" STUB_FUZZ=none

if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) of the test command's summary failed"
  exit 1
fi
echo "every case of the test command's summary passed"
