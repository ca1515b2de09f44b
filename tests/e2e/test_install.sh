#!/usr/bin/env bash
# The installed game: cmake --install into a temporary prefix (DESTDIR), the desktop
# entry, AppStream data and icons it installs, the command line, and the installed
# program started from an unrelated folder, with its data found beside it, named by
# BRAMBIX_DATA_DIR, partly missing, or nowhere.
source "$(dirname "$0")/lib.sh"
e2e_init install "$@"

BUILD_DIR=${BRAMBIX_BUILD_DIR:-$(dirname "$BIN")/..}
[ -f "$BUILD_DIR/CMakeCache.txt" ] || fail "no build folder at $BUILD_DIR (set BRAMBIX_BUILD_DIR)"
APP_ID=org.brambix.Brambix
PREFIX=/opt/brambix-e2e
DEST="$WORK/dest"
ROOT="$DEST$PREFIX"
INSTALLED="$ROOT/bin/brambix"
ELSEWHERE="$WORK/elsewhere" # a working folder with nothing of the game in it: another project's assets/
mkdir -p "$ELSEWHERE/assets" && touch "$ELSEWHERE/assets/style.css"

# ---------------------------------------------------------------- installing
DESTDIR="$DEST" timeout 120 cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install failed (log: $WORK/install.log)"
for f in bin/brambix share/brambix/assets/recipes.json share/brambix/assets/arial.ttf \
    share/brambix/assets/grass.png share/brambix/assets/sheep2.png "share/applications/$APP_ID.desktop" \
    "share/metainfo/$APP_ID.metainfo.xml" share/man/man6/brambix.6.gz share/doc/brambix/copyright; do
    [ -s "$ROOT/$f" ] || fail "cmake --install did not install $f under the prefix"
done
[ "$(find "$ROOT/share/brambix/assets" -name '*.png' | wc -l)" -eq 21 ] || fail 'not the 21 pictures installed'
zcat "$ROOT/share/man/man6/brambix.6.gz" | grep -qF "$PREFIX/share/brambix" || fail "the manual does not name $PREFIX/share/brambix"
for n in 16 32 48 64 128 256; do
    icon="$ROOT/share/icons/hicolor/${n}x$n/apps/$APP_ID.png"
    file -b "$icon" | grep -q "PNG image data, $n x $n," || fail "icon ${n}x$n: $(file -b "$icon")"
done
say "ok: installed under DESTDIR + $PREFIX, with icons of 16 to 256 pixels ($(du -sk "$DEST" | cut -f1) KiB)"

timeout 60 desktop-file-validate "$ROOT/share/applications/$APP_ID.desktop" >"$WORK/desktop.log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$WORK/desktop.log")"
grep -qx "Icon=$APP_ID" "$ROOT/share/applications/$APP_ID.desktop" || fail 'the desktop entry does not name the icon'
# AppStream 1.0 calls any warning a failed validation; errors, and warnings but the
# missing home page (the game has none), fail here (the rest is shown).
timeout 60 appstreamcli validate --no-net "$ROOT/share/metainfo/$APP_ID.metainfo.xml" >"$WORK/appstream.log" 2>&1
grep -q 'Validation' "$WORK/appstream.log" && ! grep -q '^E:' "$WORK/appstream.log" &&
    ! grep '^W:' "$WORK/appstream.log" | grep -qv url-homepage-missing ||
    fail "appstreamcli validate: $(cat "$WORK/appstream.log")"
say "ok: desktop-file-validate passes, appstreamcli validate finds no errors: $(grep -E '^[WI]:' "$WORK/appstream.log" | tr '\n' ' ')"

# ---------------------------------------------------------------- the command line
# answer NAME ARGS...: runs the installed program with ARGS from the unrelated folder, no
# display needed; sets STATUS, output in $WORK/NAME.out and NAME.err.
answer() {
    local name=$1
    shift
    STATUS=0
    (cd "$ELSEWHERE" && exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$INSTALLED" "$@" \
        >"$WORK/$name.out" 2>"$WORK/$name.err") || STATUS=$?
}
answer help --help
[ "$STATUS" -eq 0 ] && [ ! -s "$WORK/help.err" ] || fail "--help: status $STATUS, $(cat "$WORK/help.err")"
for word in --version 'walk up (held)' 'select hotbar slot 5' 'E, Pad Top' F11 Alt+Enter BRAMBIX_DATA_DIR 'working folder' share/brambix; do
    grep -qF -- "$word" "$WORK/help.out" || fail "--help does not mention '$word'"
done
answer version --version
[ "$STATUS" -eq 0 ] && grep -qE '^brambix [0-9]+\.[0-9]+\.[0-9]+ \(SDL[23] [0-9.]+\)$' "$WORK/version.out" ||
    fail "--version: status $STATUS, '$(cat "$WORK/version.out")'"
# The recipes of the installed book: each product once, in the order of the book, and
# the file, named as the game found it.
answer recipes --recipes
[ "$STATUS" -eq 0 ] && [ ! -s "$WORK/recipes.err" ] || fail "--recipes: status $STATUS, $(cat "$WORK/recipes.err")"
grep ': makes ' "$WORK/recipes.out" >"$WORK/recipes.products"
printf '%s\n' 'planks: makes 4; no crafting table needed' 'stick: makes 4; no crafting table needed' \
    'crafting table: makes 1; no crafting table needed' 'wooden axe: makes 1; needs a crafting table' \
    'wooden pickaxe: makes 1; needs a crafting table' 'wooden shovel: makes 1; needs a crafting table' \
    'wooden hoe: makes 1; needs a crafting table' 'wooden sword: makes 1; needs a crafting table' |
    diff - "$WORK/recipes.products" >"$WORK/recipes.diff" || fail "--recipes: products differ: $(cat "$WORK/recipes.diff")"
grep -A3 '^wooden pickaxe:' "$WORK/recipes.out" | tail -n 3 | diff - <(printf '    PPP   P = planks\n    .S.   S = stick\n    .S.   . = empty\n') ||
    fail '--recipes: the pickaxe is not drawn as its rows and legend'
[ "$(tail -n 1 "$WORK/recipes.out")" = "file: $ROOT/share/brambix/assets/recipes.json" ] ||
    fail "--recipes does not end with the book's file: $(tail -n 1 "$WORK/recipes.out")"
answer bogus --fly
[ "$STATUS" -eq 2 ] && [ ! -s "$WORK/bogus.out" ] && grep -q -- '--fly' "$WORK/bogus.err" &&
    grep -q '^Usage: brambix' "$WORK/bogus.err" || fail "an unknown option: status $STATUS, $(head -n 2 "$WORK/bogus.err")"
# An answer that cannot be written (a full disk, a closed output) is a failure, said in a
# line on standard error, whatever buffers it.
for option in --help --version --controls --recipes; do
    for output in /dev/full closed; do
        STATUS=0
        (cd "$ELSEWHERE" && export XDG_CONFIG_HOME="$WORK/no-config" && if [ "$output" = closed ]; then
            exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$INSTALLED" "$option" >&-
        else
            exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$INSTALLED" "$option" >"$output"
        fi) 2>"$WORK/unwritten.err" || STATUS=$?
        [ "$STATUS" -eq 1 ] && [ "$(wc -l <"$WORK/unwritten.err")" -eq 1 ] &&
            grep -qE '^brambix: cannot write the [a-z]+ to standard output: .' "$WORK/unwritten.err" ||
            fail "$option to $output: status $STATUS, '$(cat "$WORK/unwritten.err")'"
    done
done
say "ok: --help, --version, --controls and --recipes answer with status 0 (1 and a line to a full disk or a closed output), an unknown option with the usage and 2"

# ---------------------------------------------------------------- no data anywhere
# The program alone, away from its data: one line naming every place tried, status 1,
# before any window (no display is given either).
mkdir -p "$WORK/lonely/bin"
cp "$INSTALLED" "$WORK/lonely/bin/brambix"
STATUS=0
(cd "$ELSEWHERE" && exec env -u BRAMBIX_DATA_DIR -u DISPLAY timeout 10 "$WORK/lonely/bin/brambix" \
    >"$WORK/nodata.out" 2>"$WORK/game-nodata.err") || STATUS=$?
[ "$STATUS" -eq 1 ] || fail "with no data folder anywhere the status was $STATUS, expected 1"
[ "$(wc -l <"$WORK/game-nodata.err")" -eq 1 ] || fail "not one line: $(cat "$WORK/game-nodata.err")"
for place in "$ELSEWHERE" "$WORK/lonely/bin" "$WORK/lonely/share/brambix"; do
    grep -qF -- "$place" "$WORK/game-nodata.err" || fail "the message does not name $place: $(cat "$WORK/game-nodata.err")"
done
[ ! -s "$WORK/nodata.out" ] || fail 'with no data the game wrote to standard output'
say "ok: no data folder: '$(cat "$WORK/game-nodata.err")', status 1"

# ---------------------------------------------------------------- the installed game
start_x
# The first picture of the world at the start: grass at tile (-5, 3), wood at (-1, -1)
# and leaves at (-2, -3), each unscaled; creatures wander, so a few tries are allowed.
# world_shows GRASS-PICTURE: that first picture, with GRASS-PICTURE where grass is.
world_shows() {
    shows_picture "$(tile_x -5)" "$(tile_y 3)" 64 "$1" &&
        shows_picture "$(tile_x -1)" "$(tile_y -1)" 64 wood.png &&
        shows_picture "$(tile_x -2)" "$(tile_y -3)" 64 leaf.png
}
# play_installed NAME [VAR=VALUE...]: the installed game, started from the unrelated
# folder with the environment given, up to its first frame.
play_installed() {
    local name=$1
    shift
    (cd "$ELSEWHERE" && exec env "$@" "$INSTALLED" >"$WORK/$name.out" 2>"$WORK/game-$name.err") &
    GAME_PID=$!
    wait_for_game
}

play_installed installed -u BRAMBIX_DATA_DIR
until_shot 5 installed world_shows grass.png || fail 'the installed game does not show grass, wood and leaves'
say 'ok: the installed game, started elsewhere, shows grass, wood and leaves'
class=$(xprop -id "$WID" WM_CLASS)
grep -qF "\"$APP_ID\"" <<<"$class" || fail "the window does not report the application id: $class"
xprop -id "$WID" _NET_WM_ICON | grep -qF 'Icon (64 x 64)' || fail "the window shows no icon of the game's own"
say "ok: the window reports $class and shows the game's icon"
stop_game 'the installed game'
[ ! -s "$WORK/installed.out" ] && [ ! -s "$WORK/game-installed.err" ] || fail 'a normal start printed something'
say 'ok: a normal start prints nothing'

# BRAMBIX_DATA_DIR wins over the data beside the program: a copy whose grass is leaves.
cp -rL "$ROOT/share/brambix" "$WORK/data-copy"
cp "$WORK/data-copy/assets/leaf.png" "$WORK/data-copy/assets/grass.png"
play_installed variable BRAMBIX_DATA_DIR="$WORK/data-copy"
until_shot 5 variable world_shows leaf.png || fail "BRAMBIX_DATA_DIR's pictures are not the ones drawn"
stop_game 'with BRAMBIX_DATA_DIR'
[ ! -s "$WORK/game-variable.err" ] || fail "with BRAMBIX_DATA_DIR: $(cat "$WORK/game-variable.err")"
say 'ok: the data folder named by BRAMBIX_DATA_DIR is the one used'

# A BRAMBIX_DATA_DIR whose assets/ holds none of the game's files is passed over, with one line saying so.
mkdir -p "$WORK/no-assets/assets"
play_installed misnamed BRAMBIX_DATA_DIR="$WORK/no-assets"
stop_game 'with a BRAMBIX_DATA_DIR that holds no assets'
[ "$(wc -l <"$WORK/game-misnamed.err")" -eq 1 ] && grep -qF "$WORK/no-assets, which holds none of the game's data files" "$WORK/game-misnamed.err" ||
    fail "a BRAMBIX_DATA_DIR without assets: expected one line naming it: $(cat "$WORK/game-misnamed.err")"
say "ok: a BRAMBIX_DATA_DIR without assets: $(cat "$WORK/game-misnamed.err")"

# A picture missing, another over its size limit, another and the font FIFOs (opening
# them would block): one line each, naming the file and the data folder, and the game plays on.
cp -rL "$ROOT/share/brambix" "$WORK/data-partial"
rm "$WORK/data-partial/assets/grass.png" "$WORK/data-partial/assets/arial.ttf"
rm "$WORK/data-partial/assets/leaf.png" && mkfifo "$WORK/data-partial/assets/leaf.png" "$WORK/data-partial/assets/arial.ttf"
truncate -s 17M "$WORK/data-partial/assets/healt.png"
play_installed partial BRAMBIX_DATA_DIR="$WORK/data-partial"
until_shot 5 partial eval '[ "$(count_color "$LAST_SHOT" "$(tile_x -5)" "$(tile_y 3)" 64 64 "$BACKGROUND" 0)" -eq 4096 ]' ||
    fail 'without grass.png the grass tiles do not show the background'
poll 5 eval '[ "$(wc -l <"$WORK/game-partial.err")" -ge 4 ]' || fail "not four lines: $(cat "$WORK/game-partial.err")"
stop_game 'without grass.png, the hearts and the font'
err="$WORK/game-partial.err"
[ "$(wc -l <"$err")" -eq 4 ] || fail "expected four lines, got: $(cat "$err")"
grep 'assets/leaf\.png' "$err" | grep -qF 'FIFO' || fail "no line names the FIFO leaf.png: $(cat "$err")"
grep 'assets/healt\.png' "$err" | grep -qF 'larger than the limit of 16 MiB' || fail "no line names the limit: $(cat "$err")"
grep 'assets/grass\.png' "$err" | grep -qF "$WORK/data-partial" || fail "no line names grass.png and the folder: $(cat "$err")"
grep 'assets/arial\.ttf' "$err" | grep -F "$WORK/data-partial" | grep -qF 'FIFO' || fail "no line names arial.ttf and the folder: $(cat "$err")"
say "ok: a missing, an oversized and a FIFO picture and a FIFO font, one line each: $(tr '\n' '|' <"$err")"
say 'PASS'
