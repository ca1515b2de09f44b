#!/usr/bin/env bash
# CI for releases: makes this commit's release (scripts/release.sh) and checks it against
# its SHA256SUMS, then makes the artefacts named again from a clone of the same commit in
# a folder named with a space and non-ASCII letters, which must give the same bytes: by
# default the web archive, whose builds share no compiler cache (the Windows build's
# ccache would hand the second build the first one's objects). Where they differ, diffoscope (installed when missing) says
# where, in build-logs/release/diffoscope-*.txt. Ends with "N passed, N failed".
#
#   bash scripts/test-release.sh [deb] [windows] [web]    what is made twice
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
again=("$@")
[[ ${#again[@]} -gt 0 ]] || again=(web)
logs=$src/build-logs/release
mkdir -p "$logs"
passed=0 failed=0
check() { # check WHAT STATUS
  if [[ $2 -eq 0 ]]; then passed=$((passed + 1)); echo "ok: $1"; else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
version=$(sed -n 's/^project(brambix VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
first=$src/dist/release/$version

bash scripts/release.sh
check "scripts/release.sh made the release" $?
(cd "$first" && sha256sum -c --strict SHA256SUMS) && [[ $(wc -l <"$first/SHA256SUMS") -eq 3 ]]
check "the .deb, the Windows zip and the web archive match SHA256SUMS" $?

tmp=$(mktemp -d /tmp/brambix-release.XXXXXX)
trap 'rm -rf --one-file-system "$tmp"' EXIT
clone="$tmp/a folder/brambíx ünd"
mkdir -p "$(dirname "$clone")"
git clone -q --no-local "$src" "$clone" && git -C "$clone" checkout -q --detach "$(git rev-parse HEAD)" &&
  env -u BRAMBIX_RELEASE_REUSE BRAMBIX_RELEASE_DIR="$tmp/second" bash "$clone/scripts/release.sh" "${again[@]}"
check "a clone in '$clone' made ${again[*]} again" $?
while read -r sum name; do
  [[ -f "$tmp/second/$name" ]] || continue
  cmp -s "$first/$name" "$tmp/second/$name"
  status=$?
  check "$name is the same bytes from the other folder" $status
  if [[ $status -ne 0 ]]; then
    command -v diffoscope >/dev/null ||
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends diffoscope >/dev/null 2>&1
    diffoscope --text "$logs/diffoscope-$name.txt" "$first/$name" "$tmp/second/$name" >/dev/null 2>&1
    echo "   what differs: build-logs/release/diffoscope-$name.txt"
  fi
done <"$first/SHA256SUMS"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
