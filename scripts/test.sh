#!/usr/bin/env bash
# Installs what is missing, builds Brambix twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both. Ends with one summary line.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh --test || exit 1
jobs=$(nproc)
log_dir=build-logs
mkdir -p "$log_dir"

failed_steps=()
passed_total=0
failed_total=0

# run_suite NAME BUILD_DIR [cmake options...]
run_suite() {
  local name=$1 dir=$2
  shift 2
  echo "== $name: configure and build"
  if ! cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DBRAMBIX_TESTS=ON "$@" > "$log_dir/$name-configure.log" 2>&1; then
    cat "$log_dir/$name-configure.log"
    failed_steps+=("$name: configure")
    return
  fi
  # Says which SDL the build found; BRAMBIX_EXPECT_SDL=SDL3 (or SDL2) makes another fail.
  grep -m 1 'Brambix: .*using SDL' "$log_dir/$name-configure.log"
  if [[ -n "${BRAMBIX_EXPECT_SDL:-}" ]] && ! grep -q "Brambix: .*using ${BRAMBIX_EXPECT_SDL} " "$log_dir/$name-configure.log"; then
    failed_steps+=("$name: not built against ${BRAMBIX_EXPECT_SDL}")
    return
  fi
  if ! cmake --build "$dir" -j"$jobs" > "$log_dir/$name-build.log" 2>&1; then
    tail -n 60 "$log_dir/$name-build.log"
    failed_steps+=("$name: build")
    return
  fi
  echo "== $name: tests"
  # A test that fails is run once more: the X server tests share the machine with
  # everything else, and a real fault fails both times.
  ctest --test-dir "$dir" --output-on-failure --repeat until-pass:2 -j"$jobs" 2>&1 | tee "$log_dir/$name-ctest.log"
  local rc=${PIPESTATUS[0]}
  local line failed total
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log_dir/$name-ctest.log" | tail -n 1)
  if [[ -z "$line" ]]; then
    failed_steps+=("$name: no tests ran")
    return
  fi
  failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<< "$line")
  total=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<< "$line")
  passed_total=$((passed_total + total - failed))
  failed_total=$((failed_total + failed))
  if [[ $rc -ne 0 ]]; then
    failed_steps+=("$name: tests")
  fi
}

# The benchmarks are built too, so CI catches them breaking; they are run by hand.
run_suite plain build-test -DBRAMBIX_BENCHMARKS=ON
# Sanitizers make a failure abort the test that caused it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
run_suite sanitizers build-asan -DBRAMBIX_SANITIZE=ON

echo
if [[ ${#failed_steps[@]} -eq 0 ]]; then
  echo "Brambix tests: PASS (plain and sanitizer builds)"
  echo "$passed_total passed, $failed_total failed"
  exit 0
fi
echo "Brambix tests: FAIL: ${failed_steps[*]}"
echo "$passed_total passed, $failed_total failed"
exit 1
