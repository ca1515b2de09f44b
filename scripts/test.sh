#!/usr/bin/env bash
# Installs what is missing, builds Brambix twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both, then fuzzes the recipe
# loader for a minute, and tests the web page's code (web/) with node's test runner.
# Ends with one summary line: N passed, M failed, K skipped.
#
#   BRAMBIX_SUITES   which of "plain sanitizers fuzz page" to run (default all four)
#   BRAMBIX_CCACHE   where compiled objects are kept between runs (default
#                    /var/cache/brambix/ccache as root, ~/.cache/brambix/ccache otherwise)
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh --test || exit 1
jobs=$(nproc)
suites=" ${BRAMBIX_SUITES:-plain sanitizers fuzz page} "
# Compiled objects are kept outside the clone, so that a fresh clone compiles only what
# differs from an earlier run. Paths inside the clone count as relative, and the folder
# a build ran in is left out of the key (the debugging information then names the
# folder of the build that made the object first).
launcher=()
if command -v ccache >/dev/null; then
  if [[ $(id -u) -eq 0 ]]; then
    export CCACHE_DIR=${BRAMBIX_CCACHE:-/var/cache/brambix/ccache}
  else
    export CCACHE_DIR=${BRAMBIX_CCACHE:-$HOME/.cache/brambix/ccache}
  fi
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
log_dir=build-logs
mkdir -p "$log_dir"

failed_steps=()
passed_total=0
failed_total=0
skipped_total=0

# run_suite NAME BUILD_DIR [cmake options...]
run_suite() {
  local name=$1 dir=$2
  shift 2
  echo "== $name: configure and build"
  local started=$SECONDS
  if ! cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DBRAMBIX_TESTS=ON "${launcher[@]}" "$@" > "$log_dir/$name-configure.log" 2>&1; then
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
  echo "   built in $((SECONDS - started)) s"
  echo "== $name: tests"
  started=$SECONDS
  # Every test runs once: one that passes only at a second try has a fault to mend.
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" 2>&1 | tee "$log_dir/$name-ctest.log"
  local rc=${PIPESTATUS[0]}
  local line failed total
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log_dir/$name-ctest.log" | tail -n 1)
  echo "   tests ran in $((SECONDS - started)) s"
  if [[ -z "$line" ]]; then
    failed_steps+=("$name: no tests ran")
    return
  fi
  failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<< "$line")
  total=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<< "$line")
  # ctest lists skipped and disabled tests under "did not run"; it counts a skipped one
  # among the passed, and a disabled one not at all.
  local not_run skipped disabled
  not_run=$(sed -n '/The following tests did not run:/,/^$/p' "$log_dir/$name-ctest.log")
  skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)' <<< "$not_run")
  disabled=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Disabled\)' <<< "$not_run")
  passed_total=$((passed_total + total - failed - skipped))
  failed_total=$((failed_total + failed))
  skipped_total=$((skipped_total + skipped + disabled))
  if [[ $rc -ne 0 ]]; then
    failed_steps+=("$name: tests")
  fi
}

if [[ $suites == *" plain "* ]]; then
  # The benchmarks are built too, so CI catches them breaking; they are run by hand.
  run_suite plain build-test -DBRAMBIX_BENCHMARKS=ON
  # The committed replays, verdict by verdict (ctest runs them too, quietly).
  echo "== replays"
  if [[ -x build-test/run/brambix ]] && ! bash scripts/verify-replays.sh build-test/run/brambix; then
    failed_steps+=("replays")
  fi
fi
if [[ $suites == *" sanitizers "* ]]; then
  # Sanitizers make a failure abort the test that caused it.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
  run_suite sanitizers build-asan -DBRAMBIX_SANITIZE=ON
fi

# The recipe loader and matcher under libFuzzer with the sanitizers, seeded with the
# shipped book and the broken ones. Anything it finds fails the run and is copied into
# tests/fuzz/regressions, which the rules tests replay on every run once committed.
run_fuzz() {
  local dir=build-fuzz seconds=${BRAMBIX_FUZZ_SECONDS:-60}
  echo "== fuzz: recipe book, ${seconds} s; replay reader, $((seconds / 3)) s"
  if ! CC=clang CXX=clang++ cmake -S . -B "$dir" -DBRAMBIX_FUZZ=ON "${launcher[@]}" > "$log_dir/fuzz-configure.log" 2>&1 ||
     ! cmake --build "$dir" -j"$jobs" > "$log_dir/fuzz-build.log" 2>&1; then
    tail -n 30 "$log_dir/fuzz-configure.log" "$log_dir/fuzz-build.log"
    failed_steps+=("fuzz: build")
    return
  fi
  fuzz_one recipe_book "$seconds" -dict=tests/fuzz/json.dict -- assets/recipes.json tests/rules/fixtures/* tests/fuzz/regressions/*
  fuzz_one replay $((seconds / 3)) -- tests/replays/*.brx
}

# fuzz_one NAME SECONDS [libFuzzer options] -- SEEDS: runs build-fuzz/tests/fuzz/NAME_fuzz.
fuzz_one() {
  local name=$1 seconds=$2 dir=build-fuzz options=()
  shift 2
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  rm -rf "$dir/seeds-$name" "$dir/findings-$name"
  mkdir -p "$dir/seeds-$name" "$dir/corpus-$name" "$dir/findings-$name"
  cp "$@" "$dir/seeds-$name/"
  "$dir/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 "${options[@]}" \
    -artifact_prefix="$dir/findings-$name/" "$dir/corpus-$name" "$dir/seeds-$name" \
    > "$log_dir/fuzz-$name.log" 2>&1
  local rc=$?
  local runs speed cov
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log_dir/fuzz-$name.log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log_dir/fuzz-$name.log")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log_dir/fuzz-$name.log" | tail -n 1)
  echo "fuzz $name: ${runs:-?} inputs, ${speed:-?}/s, ${cov:-no coverage line} (log: $log_dir/fuzz-$name.log)"
  local found
  found=$(find "$dir/findings-$name" -type f | wc -l)
  if [[ $rc -ne 0 || $found -gt 0 ]]; then
    local keep=tests/fuzz/regressions
    [[ $name == replay ]] && keep=tests/fuzz/replay-regressions && mkdir -p "$keep"
    cp "$dir"/findings-"$name"/* "$keep/" 2> /dev/null
    grep -m 3 -E 'ERROR|check failed|SUMMARY|replay reader' "$log_dir/fuzz-$name.log"
    failed_steps+=("fuzz $name: $found finding(s), kept in $keep")
  fi
}
[[ $suites == *" fuzz "* ]] && run_fuzz

# The page's code without a browser: its downloads, checks and unpacking, the kept run's
# rules and the keys it knows (tests/web/node, with node's own runner; the browser test
# plays the rest).
run_page() {
  echo "== page: node --test tests/web/node"
  local started=$SECONDS log=$log_dir/page-node.log
  node --test --test-reporter=tap tests/web/node/*.test.mjs >"$log" 2>&1
  local rc=$? passed failed skipped
  passed=$(sed -n 's/^# pass //p' "$log" | tail -n 1)
  failed=$(sed -n 's/^# fail //p' "$log" | tail -n 1)
  skipped=$(sed -n 's/^# skipped //p' "$log" | tail -n 1)
  if [[ -z $passed || -z $failed ]]; then
    tail -n 20 "$log"
    failed_steps+=("page: no tests ran (log: $log)")
    return
  fi
  grep -A 14 '^not ok' "$log" | head -n 80
  echo "   page: $passed passed, $failed failed in $((SECONDS - started)) s (log: $log)"
  passed_total=$((passed_total + passed))
  failed_total=$((failed_total + failed))
  skipped_total=$((skipped_total + ${skipped:-0}))
  [[ $rc -eq 0 && $failed -eq 0 ]] || failed_steps+=("page: tests")
}
[[ $suites == *" page "* ]] && run_page

echo
if [[ ${#failed_steps[@]} -eq 0 ]]; then
  echo "Brambix tests: PASS ($(echo $suites | sed 's/sanitizers/sanitizer/; s/ /, /g'))"
  echo "$passed_total passed, $failed_total failed, $skipped_total skipped"
  exit 0
fi
echo "Brambix tests: FAIL: ${failed_steps[*]}"
echo "$passed_total passed, $failed_total failed, $skipped_total skipped"
exit 1
