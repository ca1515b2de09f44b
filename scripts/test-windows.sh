#!/usr/bin/env bash
# CI for the Windows game: builds the zip (scripts/build-windows.sh) with the tests
# cross-built beside it, runs those tests under Wine through ctest, then plays the
# shipped brambix.exe, unzipped into a folder with spaces and non-ASCII letters in its
# name, under Wine in Xvfb with the end-to-end scripts. Ends with "N passed, N failed".
# On hosts older than Debian 13 it runs inside the Debian 13 root (needs root).
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh

if ! windows_host_ready; then
  windows_in_root "brambix-windows-test-$$" "$PWD/build-logs/windows" "bash scripts/test-windows.sh"
  exit $?
fi

logs=build-logs/windows
mkdir -p "$logs"
passed=0 failed=0 skipped=0
summary() {
  echo "$passed passed, $failed failed, $skipped skipped"
  [[ $failed -eq 0 ]]
  exit
}
started=$SECONDS

# A Wine prefix of this run's own, never kept, made first so that the build's own tools
# (the picture and icon makers) run in it too; one wineserver kept running, so that each
# program started does not start Wine afresh. Wine's services start with the prefix,
# away from the tests' output: a service holding a test's output open would keep ctest
# waiting for its end.
tmp=$(mktemp -d /tmp/brambix-windows.XXXXXX)
export WINEPREFIX=$tmp/wine WINEDEBUG=-all WINEARCH=win64 XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$WINEPREFIX" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf --one-file-system "$tmp"
}
trap cleanup EXIT
wineserver -p </dev/null >/dev/null 2>&1
timeout 300 wine wineboot --init </dev/null >"$logs/wineboot.log" 2>&1
echo "   Wine prefix ready after $((SECONDS - started)) s"

echo "== Windows: build"
if ! BRAMBIX_WINDOWS_TESTS=ON bash scripts/build-windows.sh; then
  failed=1
  summary
fi
echo "   built after $((SECONDS - started)) s"

echo "== Windows: unit tests under Wine"
# The pads' tests need Wine's desktop (SDL makes a message window for pads). A desktop
# that a test starts holds that test's output open until it closes, seconds later, and
# one closing just as the next test makes its window fails that test. So one desktop is
# held open through the unit tests by a window of its own on Wine's driver without a
# display, away from the tests' output, and Wine starts afresh, with its X11 driver,
# before the tests that play in a window.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wine notepad.exe </dev/null >/dev/null 2>&1 &
ctest --test-dir build-windows --output-on-failure -j"${BRAMBIX_JOBS:-2}" --timeout 300 >"$logs/ctest.log" 2>&1
wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wineserver -p </dev/null >/dev/null 2>&1
line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/ctest.log" | tail -n 1)
if [[ -z "$line" ]]; then
  tail -n 30 "$logs/ctest.log"
  failed=$((failed + 1))
else
  read -r f t <<<"$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' <<<"$line")"
  # A test skipped on Windows (a POSIX-only case) counts as skipped, not passed.
  skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)' "$logs/ctest.log")
  passed=$((passed + t - f - skipped)) failed=$((failed + f))
  grep -E '\*\*\*Failed|\*\*\*Exception|Timeout' "$logs/ctest.log"
  echo "   $line; $skipped skipped (log: $logs/ctest.log)"
fi

# check NAME COMMAND...: one more passed or failed.
check() {
  local name=$1
  shift
  if "$@" >"$logs/$name.log" 2>&1; then
    passed=$((passed + 1))
    echo "   ok: $name"
  else
    failed=$((failed + 1))
    echo "   FAIL: $name"
    tail -n 25 "$logs/$name.log" | sed 's/^/     /'
  fi
}

echo "== Windows: the shipped game under Wine"
zip=$(ls dist/brambix-*-windows-x86_64.zip | head -n 1)
game="$tmp/Spiele für Brambix"
mkdir -p "$game"
unzip -q "$zip" -d "$game"
dir=$(find "$game" -mindepth 1 -maxdepth 1 -type d | head -n 1)
chmod -R a-w "$game"
touch "$tmp/before"
version_line() { wine "$dir/brambix.exe" --version | tee /dev/stderr | grep -qE '^brambix [0-9.]+ \(SDL3 '; }
help_text() { wine "$dir/brambix.exe" --help | grep -q '^Controls'; }
help_slash() { wine "$dir/brambix.exe" '/?' | grep -q '^Controls'; }
check version version_line
check help help_text
check help-slash help_slash
# The close-request helper the end-to-end scripts send to the window, built once.
export BRAMBIX_XCLOSE=$tmp/brambix_xclose
c++ -O1 -o "$BRAMBIX_XCLOSE" tests/e2e/tools/xclose.cpp -lX11 || failed=$((failed + 1))
for t in test_window test_play test_resize test_startup_failures; do
  check "e2e-$t" env BRAMBIX_E2E_LAUNCHER=wine bash "tests/e2e/$t.sh" "$dir/brambix.exe" "$dir"
done
# Every committed replay, played back by the shipped game without a window.
replays() { bash scripts/verify-replays.sh "$dir/brambix.exe" wine; }
check replays replays
grep -E 'frames|differs|replay' "$logs/replays.log" | sed 's/^/     /'
writes() { ! find "$game" -newer "$tmp/before" | grep .; }
check nothing-written writes
chmod -R u+w "$game"

echo "== Windows: $((SECONDS - started)) s in all"
summary
