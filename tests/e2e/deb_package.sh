#!/usr/bin/env bash
# The Debian package: cpack -G DEB from the build folder, its contents and dependencies,
# lintian, and, where this run may (as root, with no brambix package installed by
# anyone else), installing it with apt-get, playing /usr/bin/brambix from / and
# removing it again, also when a check fails. Skipped (status 77) in a sanitizer build.
source "$(dirname "$0")/lib.sh"
e2e_init deb "$@"

if [ "${BRAMBIX_SANITIZE:-OFF}" = ON ]; then
    say 'skipped: the package is made from the plain build'
    exit 77
fi
BUILD_DIR=${BRAMBIX_BUILD_DIR:-$(dirname "$BIN")/..}
[ -f "$BUILD_DIR/CPackConfig.cmake" ] || fail "no CPack configuration in $BUILD_DIR (set BRAMBIX_BUILD_DIR)"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool (bash scripts/deps.sh --test installs it)"
done
APP_ID=org.brambix.Brambix

# ---------------------------------------------------------------- building the package
# Packed with a umask that keeps everything private: the package's modes must not follow it.
(umask 077 && cd "$BUILD_DIR" && timeout 300 cpack -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1) ||
    fail "cpack -G DEB failed (log: $WORK/cpack.log)"
debs=("$WORK"/pkg/brambix_*_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single brambix_<version>_<arch>.deb: ${debs[*]}"
DEB=${debs[0]}
say "ok: $(basename "$DEB"), $(stat -c %s "$DEB") bytes"

timeout 60 dpkg-deb --contents "$DEB" | awk '{print $6}' >"$WORK/contents.txt"
for path in ./usr/bin/brambix ./usr/share/brambix/assets/recipes.json ./usr/share/brambix/assets/grass.png \
    ./usr/share/brambix/assets/arial.ttf "./usr/share/applications/$APP_ID.desktop" \
    "./usr/share/metainfo/$APP_ID.metainfo.xml" ./usr/share/man/man6/brambix.6.gz \
    ./usr/share/doc/brambix/copyright ./usr/share/doc/brambix/changelog.gz \
    "./usr/share/icons/hicolor/16x16/apps/$APP_ID.png" "./usr/share/icons/hicolor/256x256/apps/$APP_ID.png"; do
    grep -qxF -- "$path" "$WORK/contents.txt" || fail "the package lacks $path"
done
[ "$(grep -c '^\./usr/share/brambix/assets/.*\.png$' "$WORK/contents.txt")" -eq 21 ] || fail 'not the 21 pictures'
outside=$(grep -v -e '^\./usr/' -e '^\./$' "$WORK/contents.txt")
[ -z "$outside" ] || fail "files outside /usr: $outside"
# dpkg-shlibdeps names the SDL that the build linked: SDL2 or SDL3, with its image and font libraries.
depends=$(timeout 60 dpkg-deb --field "$DEB" Depends)
for lib in 'libsdl(2-2\.0-0|3-0)' 'libsdl[23]-image' 'libsdl[23]-ttf'; do
    grep -qE "$lib" <<<"$depends" || fail "the dependencies name no $lib: $depends"
done
loose=$(timeout 60 dpkg-deb --contents "$DEB" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print $1, $6}')
[ -z "$loose" ] || fail "folders not 0755 (umask $(umask)): $loose"
timeout 60 dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/share/man/man6/brambix.6.gz | zcat | grep -qF '/usr/share/brambix' ||
    fail 'the manual page does not name /usr/share/brambix'
say "ok: laid out under /usr, folders 0755, the manual names /usr/share/brambix; Depends: $depends"
# One version: the package's, its changelog's newest entry's (made from CHANGELOG.md) and
# the one the program prints.
version=$(timeout 60 dpkg-deb --field "$DEB" Version)
timeout 60 dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/share/doc/brambix/changelog.gz | zcat | head -n 1 |
    grep -qF "brambix ($version) " || fail "the changelog's newest entry is not version $version"
timeout 10 "$BIN" --version | grep -qF "brambix $version (" || fail "brambix --version does not say $version"
say "ok: the package, its changelog and brambix --version all say $version"

# Run as root (as here) lintian complains of that on standard error; only its tags count.
timeout 300 lintian --fail-on error "$DEB" >"$WORK/lintian.txt" 2>"$WORK/lintian.err" ||
    fail "lintian reports errors: $(grep '^E:' "$WORK/lintian.txt" | tr '\n' ' ')$(cat "$WORK/lintian.err")"
grep -q '^E:' "$WORK/lintian.txt" && fail "lintian reports errors: $(grep '^E:' "$WORK/lintian.txt")"
# The one warning allowed: the game has no home page to name. Lintian 2.1xx reports it
# as such, newer ones as the AppStream data lacking it, the one thing appstreamcli
# finds there (the install test holds it to that).
warnings=$(grep '^W:' "$WORK/lintian.txt" | grep -v -e ' no-homepage-field' -e ' appstream-metadata-validation-failed')
[ -z "$warnings" ] || fail "lintian warns: $warnings"
say "ok: lintian reports no errors and no warnings but a missing home page"

# ---------------------------------------------------------------- installing it
if [ "$(id -u)" -ne 0 ]; then
    say 'PASS (not installed: this run is not root)'
    exit 0
fi
# One package test at a time on this machine, whichever build folder it comes from.
lock_dir=/run/lock
[ -d "$lock_dir" ] && [ -w "$lock_dir" ] || lock_dir=/tmp
LOCK="$lock_dir/brambix-package-test.lock"
{ exec 9>"$LOCK"; } 2>/dev/null || fail "cannot open the lock file $LOCK"
flock -w 300 9 || fail "another package test held $LOCK for 300 s"
if dpkg-query -W -f='${Status}' brambix 2>/dev/null | grep -q 'installed'; then
    say 'PASS (not installed: a brambix package is already installed here, left as it is)'
    exit 0
fi

OURS=''
remove_package() {
    [ -n "$OURS" ] || return 0
    timeout 120 dpkg --purge brambix >"$WORK/purge.log" 2>&1 || printf 'could not remove brambix: see %s\n' "$WORK/purge.log" >&2
    OURS=''
}
trap 'status=$?; remove_package; (exit $status); e2e_cleanup' EXIT
OURS=1
DEBIAN_FRONTEND=noninteractive timeout 300 apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=120 "$DEB" >"$WORK/apt.log" 2>&1 || fail "apt-get install failed (log: $WORK/apt.log)"
[ -x /usr/bin/brambix ] && [ -e /usr/share/brambix/assets/arial.ttf ] || fail 'the package did not install a working layout'
say 'ok: installed with apt-get'

start_x
(cd / && exec env -u BRAMBIX_DATA_DIR /usr/bin/brambix >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
wait_for_game
world_shown() {
    shows_picture "$(tile_x -5)" "$(tile_y 3)" 64 grass.png && shows_picture "$(tile_x -1)" "$(tile_y -1)" 64 wood.png
}
until_shot 5 packaged world_shown || fail '/usr/bin/brambix started from / does not show grass and wood'
say 'ok: /usr/bin/brambix started from / shows the world'
stop_game 'the packaged game'
[ ! -s "$WORK/game.err" ] || fail "the packaged game printed: $(cat "$WORK/game.err")"
remove_package
[ ! -e /usr/bin/brambix ] && ! dpkg-query -W -f='${Status}' brambix 2>/dev/null | grep -q 'installed' ||
    fail 'brambix is still installed after dpkg --purge'
say 'ok: removed again'
say 'PASS'
