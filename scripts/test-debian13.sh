#!/usr/bin/env bash
# Runs the test suite (scripts/test.sh: every test, end-to-end tests included, in the
# plain build) inside a Debian 13 root, where the game builds against SDL3. The sanitizer
# build and the fuzzing run in scripts/test.sh on this machine, against the same code
# (BRAMBIX_SUITES names others to run here too). The root is kept between runs
# (scripts/debian13.sh), and so are its compiled objects (ccache, in the root's
# /var/cache/brambix/ccache). Needs root (it asks sudo otherwise) and ends with the
# same summary line as test.sh.
#
#   BRAMBIX_DEBIAN13_ROOT   where the root is kept (default /var/cache/brambix/debian13)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=BRAMBIX_DEBIAN13_ROOT,BRAMBIX_SUITES bash "$0" "$@"
fi
source scripts/debian13.sh

log_dir=$src/build-logs/debian13
mkdir -p "$log_dir"

summary_fail() {
  echo "Brambix tests on Debian 13 (SDL3): FAIL: $*"
  echo "0 passed, 1 failed"
  exit 1
}

started=$SECONDS
d13_make_root "$log_dir/debootstrap.log" || summary_fail "making the root"
echo "== Debian 13: updating the root and installing what the tests need"
d13_packages "$log_dir/packages.log" || summary_fail "installing packages"
echo "   ready after $((SECONDS - started)) s"

name=brambix-suite-$$
work=$(d13_copy_project "$name") || summary_fail "cannot copy the project into the root"
trap 'd13_drop_project "$name"' EXIT
d13_sh "cd $work && BRAMBIX_EXPECT_SDL=SDL3 BRAMBIX_SUITES=\"${BRAMBIX_SUITES:-plain}\" bash scripts/test.sh" 2>&1 | tee "$log_dir/test.log"
status=${PIPESTATUS[0]}
cp -r "$D13_ROOT$work/build-logs/." "$log_dir/" 2>/dev/null
echo "== Debian 13: $((SECONDS - started)) s in all; root $(du -shx "$D13_ROOT" 2>/dev/null | cut -f1)"
counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log_dir/test.log" | tail -n 1)
if [[ $status -eq 0 ]]; then
  echo "Brambix tests on Debian 13 (SDL3): PASS"
else
  echo "Brambix tests on Debian 13 (SDL3): FAIL (log: $log_dir/test.log)"
fi
echo "${counts:-0 passed, 1 failed}"
exit "$status"
