#!/usr/bin/env bash
# Makes every artefact of this checkout's version into dist/release/<version>/:
#
#   brambix_<version>_amd64.deb            the Debian package, for Debian 12 and later
#   brambix-<version>-windows-x86_64.zip   the Windows game (scripts/build-windows.sh)
#   brambix-<version>-web.zip              the page's files to publish (scripts/build-web.sh)
#   SHA256SUMS                             their digests, as `sha256sum -c SHA256SUMS` reads
#   BUILDINFO.txt                          the versions of the compilers and libraries used
#
# and prints them with their sizes and digests. The same commit gives the same bytes in
# a folder of any name, on any machine with the same Debian releases: everything is dated
# by the last commit (SOURCE_DATE_EPOCH), archived in the order of its names with fixed
# owners and permissions, and built without the paths of the build machine.
#
#   bash scripts/release.sh [deb] [windows] [web]    some of them only (all by default)
#   BRAMBIX_RELEASE_DIR   where they go instead of dist/release/<version>
#
# The .deb is built on this machine, which must be Debian 12 so that the package installs
# there and on later releases; the Windows and web builds use the Debian 13 root on older
# hosts (as root, through sudo otherwise), as their own scripts do.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
source scripts/reproducible.sh
source scripts/packages.sh

kinds=("$@")
[[ ${#kinds[@]} -gt 0 ]] || kinds=(deb windows web)
for kind in "${kinds[@]}"; do
  [[ $kind == deb || $kind == windows || $kind == web ]] ||
    { echo "Brambix: release.sh makes deb, windows and web, not '$kind'" >&2; exit 2; }
done
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [[ " ${kinds[*]} " == *" deb "* && $codename != bookworm ]]; then
  echo "Brambix: the .deb is built on Debian 12 (bookworm), so that it installs there and on later" \
    "releases; this machine is '${codename:-unknown}': build it on Debian 12, or name only windows and web" >&2
  exit 1
fi
if [[ $(id -u) -ne 0 ]]; then
  echo "Brambix: a release installs packages and uses the Debian 13 root: asking sudo"
  exec sudo --preserve-env=BRAMBIX_RELEASE_DIR,BRAMBIX_DEBIAN13_ROOT,BRAMBIX_WEB_LIBS,SOURCE_DATE_EPOCH bash "$0" "$@"
fi

version=$(sed -n 's/^project(brambix VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "Brambix: CMakeLists.txt names no project version" >&2; exit 1; }
grep -qE "^## \[?${version//./\\.}\]? - [0-9]{4}-[0-9]{2}-[0-9]{2}\s*$" CHANGELOG.md ||
  { echo "Brambix: CHANGELOG.md has no section '## $version - YYYY-MM-DD' for this version" >&2; exit 1; }
release_epoch
if [[ -n $(git status --porcelain 2>/dev/null) ]]; then
  echo "Brambix: warning: this checkout has changes that are not committed: the release is not what its commit makes" >&2
fi
out=${BRAMBIX_RELEASE_DIR:-$src/dist/release/$version}
logs=$src/build-logs/release
mkdir -p "$out" "$logs"
out=$(cd "$out" && pwd)
# What this machine needs beyond the builds' own scripts: zip for the web archive,
# dpkg-shlibdeps for the .deb's dependencies.
install_missing "$logs/packages.log" zip dpkg-dev || exit 1
echo "== release: Brambix $version, dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'), into $out"

for kind in "${kinds[@]}"; do
  started=$SECONDS
  case $kind in
  deb)
    echo "== release: the Debian package (log: build-logs/release/deb.log)"
    build=$src/build-release
    {
      bash scripts/deps.sh &&
        rm -rf "$build" &&
        cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBRAMBIX_TESTS=OFF &&
        cmake --build "$build" -j"${BRAMBIX_JOBS:-2}" &&
        (cd "$build" && cpack -G DEB -B "$build/package")
    } >"$logs/deb.log" 2>&1 || { tail -n 30 "$logs/deb.log"; echo "Brambix: building the .deb failed" >&2; exit 1; }
    rm -f "$out"/brambix_*.deb
    cp "$build"/package/brambix_"$version"_*.deb "$out/"
    ;;
  windows)
    echo "== release: the Windows zip"
    bash scripts/build-windows.sh
    cp "dist/brambix-$version-windows-x86_64.zip" "$out/"
    ;;
  web)
    echo "== release: the web page"
    bash scripts/build-web.sh
    name=brambix-$version-web
    stage=$src/build-release-web
    rm -rf "$stage"
    mkdir -p "$stage"
    cp -r dist/web "$stage/$name"
    same_bytes_zip "$stage" "$name" "$out/$name.zip"
    ;;
  esac
  echo "   made in $((SECONDS - started)) s"
done

# What built them, for anyone checking the release by building it again: the same bytes
# need the same compilers and libraries. Not among the files SHA256SUMS covers.
tools="gcc-12 g++-12 g++-14 cmake libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev nlohmann-json3-dev
  fonts-liberation2 fonts-liberation dpkg-dev zip g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 emscripten
  binaryen zopfli terser esbuild"
{
  echo "Brambix $version from commit $(git rev-parse HEAD 2>/dev/null || echo unknown), dated $SOURCE_DATE_EPOCH"
  echo "This machine ($(. /etc/os-release && echo "$PRETTY_NAME")):"
  dpkg-query -W -f='  ${Package} ${Version}\n' $tools 2>/dev/null | awk 'NF == 2' || true
  source scripts/windows-env.sh
  if ! windows_host_ready && [[ " ${kinds[*]} " == *" windows "* || " ${kinds[*]} " == *" web "* ]]; then
    source scripts/debian13.sh
    echo "The Debian 13 root that built the Windows and web games (their SDL3, SDL3_image, SDL3_ttf" \
      "and FreeType from the sources scripts/debian-sources.sh names):"
    d13_sh "dpkg-query -W -f='  \${Package} \${Version}\n' $(echo $tools) 2>/dev/null | awk 'NF == 2' || true"
  fi
} >"$out/BUILDINFO.txt"

cd "$out"
files=()
for f in brambix_"$version"_*.deb "brambix-$version-windows-x86_64.zip" "brambix-$version-web.zip"; do
  [[ -f $f ]] && files+=("$f")
done
sha256sum -- "${files[@]}" >SHA256SUMS
echo "Brambix $version in $out:"
while read -r sum name; do
  printf '  %-40s %10d bytes  sha256 %s\n' "$name" "$(stat -c %s "$name")" "$sum"
done <SHA256SUMS
