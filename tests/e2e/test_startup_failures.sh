#!/usr/bin/env bash
# Starting up in poor conditions: no display at all (recording over an earlier replay),
# a replay to record that is a folder or cannot be written, a data folder of nothing but the
# game's own files, a recipe file that is not JSON, a recipe file too large for the
# memory there is, no recipe file (on Windows also with no standard error), from a
# folder whose path is longer than 260 characters.
source "$(dirname "$0")/lib.sh"
e2e_init startup "$@"

# Data folders whose paths are longer than the 260 characters of older Windows programs:
# the messages name them whole. Wine starts no program in such a folder (it says so on
# standard error), nor does winepath name it whole, so the game is started elsewhere and
# pointed at it by BRAMBIX_DATA_DIR.
LONG=long-$(printf '%0100d/%0100d/%0100d' 0 0 0)
long_path() { # DIR: DIR, under $WORK, as the game names it
    if [ -n "$E2E_LAUNCHER" ]; then
        printf '%s/%s' "$(game_path "$WORK")" "${1#"$WORK"/}" | tr / '\\'
    else
        game_path "$1"
    fi
}

# run_dir_copy NAME: a run folder of links to the real assets, except the recipe file,
# left for the caller to write (or not).
run_dir_copy() {
    local dir="$WORK/$1" f
    mkdir -p "$dir/assets"
    for f in "$RUN_DIR"/assets/*; do
        [ "$(basename "$f")" = recipes.json ] || ln -s "$f" "$dir/assets/"
    done
    echo "$dir"
}

# ---------------------------------------------------------------- no display
# Without any display the video library cannot start: the one message, status 1. (A
# session directory is given, as a desktop session has one: without it the Wayland
# client library, probed for a display, complains on standard error by itself.)
# Windows always has its video driver; there the window is what cannot be made.
# Asked to record over an earlier replay, the game leaves it as it was.
mkdir -m 700 "$WORK/xdg" "$WORK/folder.brx"
printf 'an earlier replay' >"$WORK/old.brx"
PLAYER=("${GAME[@]}")
GAME+=(--record "$(game_path "$WORK")/old.brx")
run_to_end nodisplay "$RUN_DIR" nobox -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u SDL_VIDEO_DRIVER \
    XDG_RUNTIME_DIR="$WORK/xdg"
[ "$RUN_STATUS" -eq 1 ] || fail "with no display the game ended with status $RUN_STATUS, expected 1"
if [ -n "$E2E_LAUNCHER" ]; then
    grep -qx 'Brambix: cannot create the window: .*' "$WORK/game-nodisplay.err"
else
    printf 'SDL/TTF initialization failed!\n' | cmp -s - "$WORK/game-nodisplay.err"
fi || fail "with no display, standard error was: $(cat "$WORK/game-nodisplay.err")"
[ "$(wc -l <"$WORK/game-nodisplay.err")" -eq 1 ] || fail "more than one line on standard error: $(cat "$WORK/game-nodisplay.err")"
[ ! -s "$WORK/nodisplay.out" ] || fail "with no display, the game wrote to standard output: $(cat "$WORK/nodisplay.out")"
say "ok: no display: '$(cat "$WORK/game-nodisplay.err")' on standard error, status 1"
[ "$(cat "$WORK/old.brx")" = 'an earlier replay' ] && [ ! -e "$WORK/old.brx.part" ] ||
    fail "a game that could not start changed the replay it was to record over, or left old.brx.part"

start_x

# ---------------------------------------------------------------- a replay that cannot be written
# A folder is refused before the game starts (on Windows in a message box too), with the reason.
GAME=("${PLAYER[@]}" --record "$(game_path "$WORK")/folder.brx")
run_to_end folder "$RUN_DIR" box
[ "$RUN_STATUS" -eq 1 ] && grep -q "^Brambix: cannot write the replay .*folder.brx: ." "$WORK/game-folder.err" ||
    fail "recording into a folder: status $RUN_STATUS, $(cat "$WORK/game-folder.err")"
say "ok: recording into a folder: $(cat "$WORK/game-folder.err")"
# The disk is full at the first frame: one line with the reason, and the game plays on.
if [ -z "$E2E_LAUNCHER" ]; then
    GAME=("${PLAYER[@]}" --record /dev/full)
    start_game && wait_for_game && stop_game 'while recording to a full disk'
    grep -qx 'Brambix: cannot write the replay /dev/full: No space left on device; the game plays on without recording' \
        "$WORK/game.err" || fail "recording to a full disk, standard error was: $(cat "$WORK/game.err")"
fi
GAME=("${PLAYER[@]}")

# ---------------------------------------------------------------- only the game's own files
# The 21 pictures, the font and the recipe book, and nothing else: not a word (the
# window's icon is inside the program).
OWN="$WORK/own-files-only"
mkdir -p "$OWN/assets"
for art in "$(dirname "$0")"/../../assets/art/*.txt; do
    ln -s "$RUN_DIR/assets/$(basename "$art" .txt).png" "$OWN/assets/"
done
ln -s "$RUN_DIR/assets/arial.ttf" "$RUN_DIR/assets/recipes.json" "$OWN/assets/"
[ "$(ls "$OWN/assets" | wc -l)" -eq 23 ] || fail "not 21 pictures, the font and the book: $(ls "$OWN/assets")"
start_game "$OWN"
wait_for_game
stop_game "with only the game's own files"
[ ! -s "$WORK/game.out" ] && [ ! -s "$WORK/game.err" ] ||
    fail "with only the game's own files the game printed: $(cat "$WORK/game.out" "$WORK/game.err")"
say "ok: a data folder of only the game's own files: nothing printed"

# ---------------------------------------------------------------- a broken recipe file
BROKEN=$(run_dir_copy "$LONG/broken-recipes")
printf '{\n  "recipes": [\n    {"name": "planks", "pattern": [2, 0, 0,\n' >"$BROKEN/assets/recipes.json"
run_to_end broken "$WORK" box BRAMBIX_DATA_DIR="$(long_path "$BROKEN")"
[ "$RUN_STATUS" -eq 1 ] || fail "with a recipe file that is not JSON the game ended with status $RUN_STATUS, expected 1"
grep -q 'assets/recipes.json' "$WORK/game-broken.err" && grep -q 'line' "$WORK/game-broken.err" &&
    grep -qF "(data folder $(long_path "$BROKEN"))" "$WORK/game-broken.err" ||
    fail "the message does not name the recipe file, the line and the data folder: $(cat "$WORK/game-broken.err")"
[ "$(wc -l <"$WORK/game-broken.err")" -eq 1 ] || fail "more than one line on standard error: $(cat "$WORK/game-broken.err")"
[ ! -s "$WORK/broken.out" ] || fail 'the game wrote to standard output'
say "ok: a recipe file that is not JSON: status 1 and '$(cat "$WORK/game-broken.err")'"
# --recipes reads the same book and says the same.
GAME=("${PLAYER[@]}" --recipes)
run_to_end broken-list "$WORK" box BRAMBIX_DATA_DIR="$(long_path "$BROKEN")"
GAME=("${PLAYER[@]}")
[ "$RUN_STATUS" -eq 1 ] && cmp -s "$WORK/game-broken.err" "$WORK/game-broken-list.err" && [ ! -s "$WORK/broken-list.out" ] ||
    fail "--recipes with a recipe file that is not JSON: status $RUN_STATUS, $(cat "$WORK/game-broken-list.err")"
say 'ok: --recipes with that file: the same line and status'

# ---------------------------------------------------------------- a book memory cannot hold
# A 55 MB book (under the size limit) with 400 MB of address space: the usual message and
# status 1, not an abort. AddressSanitizer cannot run in so little, nor can Wine.
if [ -z "$E2E_LAUNCHER" ] && ! ldd "$BIN" | grep -q libasan; then
    HUGE=$(run_dir_copy huge-recipes)
    python3 -c 'import sys; r = "{\"pattern\": [2,0,0,0,0,0,0,0,0], \"result\": 4, \"amount\": 4}"
sys.stdout.write("{\"recipes\": [" + ",".join([r] * 1000000) + "]}")' >"$HUGE/assets/recipes.json"
    # Reading 50 MB of recipes takes a while on a machine busy with other builds.
    RUN_TO_END_S=90 run_to_end huge "$HUGE" box bash -c 'ulimit -v 400000 && exec "$@"' bash
    [ "$RUN_STATUS" -eq 1 ] && grep -q 'assets/recipes.json: too large to load into memory' "$WORK/game-huge.err" ||
        fail "a book too large for memory: status $RUN_STATUS, standard error: $(cat "$WORK/game-huge.err")"
    say "ok: a book too large for memory: status 1 and '$(cat "$WORK/game-huge.err")'"
fi

# ---------------------------------------------------------------- no recipe file
# The game says so in one line and is played as usual, but a grid never offers a product.
NONE=$(run_dir_copy "$LONG/no-recipes")
BRAMBIX_DATA_DIR=$(long_path "$NONE") start_game "$WORK"
wait_for_game
say 'ok: without a recipe file the window appears'
world_click $(($(tile_x -1) + 32)) $(($(tile_y 0) + 32))
until_shot 3 broken eval '[ "$(count_color "$LAST_SHOT" $(tile_x -1) $(tile_y 0) 64 64 "$BACKGROUND" 0)" -ge 3500 ]' ||
    fail 'a left click on the trunk did not break it'
until_shot 3 wood-in-hotbar shows_picture "$(hotbar_x 0)" 540 40 wood.png ||
    fail 'the broken wood is not in hotbar slot 0'
press e
until_shot 3 inventory-open eval 'color_near "$(pixel "$LAST_SHOT" 241 251)" "$PANEL_SLOT_FILL" 0' ||
    fail 'E did not open the inventory screen'
click_slot "$(hotbar_x 0)" 540
click_slot "$(cell22_x 0)" "$(cell22_y 0)"
until_shot 3 wood-in-grid shows_picture "$(cell22_x 0)" "$(cell22_y 0)" 40 wood.png ||
    fail 'the wood did not go into 2x2 cell 0'
sleep 0.2
shot no-product
expect_empty_slot 'the result slot with wood in the grid and no recipes' 430 122 "$RESULT_FILL"
stop_game 'without a recipe file'
[ ! -s "$WORK/game.out" ] || fail 'without a recipe file the game wrote to standard output'
[ "$(wc -l <"$WORK/game.err")" -eq 1 ] && grep -q 'assets/recipes\.json' "$WORK/game.err" &&
    grep -qF "from the data folder $(long_path "$NONE"):" "$WORK/game.err" ||
    fail "without a recipe file, expected one line naming it and the data folder: $(cat "$WORK/game.err")"
say "ok: without a recipe file one line says so: $(cat "$WORK/game.err")"

# On Windows, with no standard error at all (as when started by a double click, or by
# start, which gives a windowed program none), the line is shown in a message box over
# the game; answered, the game plays on.
if [ -n "$E2E_LAUNCHER" ]; then
    (cd "$WORK" && exec env BRAMBIX_DATA_DIR="$(long_path "$NONE")" \
        "$E2E_LAUNCHER" start /wait /unix "$BIN" >"$WORK/unread.out" 2>"$WORK/game-unread.err") &
    GAME_PID=$!
    poll 15 eval 'box=$(xdo search --onlyvisible --name "^Brambix\$" 2>/dev/null | head -n 1); [ -n "$box" ]' ||
        fail 'with standard error closed, no message box titled Brambix within 15 s'
    LAST_SHOT="$WORK/box-notices.png"
    timeout 10 import -window "$box" "$LAST_SHOT" >/dev/null 2>&1
    answer_box "$box"
    wait_for_game
    stop_game 'after the notices box'
    say "ok: with standard error closed, the line is in a message box (screenshot $WORK/box-notices.png)"
fi
say 'PASS'
