#!/usr/bin/env bash
# The game's window as it first appears: its title and size, and the first picture: the
# player on the trunk at the middle, ten hearts in the top-left corner, and the hotbar
# with its first slot selected, every slot translucent over the grass.
source "$(dirname "$0")/lib.sh"
e2e_init window "$@"

start_x
start_game
wait_for_game

# ---------------------------------------------------------------- title and size
title=$(xdo getwindowname "$WID")
[ "$title" = "$E2E_TITLE" ] || fail "window title '$title', expected '$E2E_TITLE'"
say "ok: the window is titled '$title'"
[ "$(xdo search --name 'Brambix' | wc -l)" -eq 1 ] || fail 'more than one window of the game'

info=$(xwininfo -id "$WID")
width=$(sed -n 's/^ *Width: *//p' <<<"$info")
height=$(sed -n 's/^ *Height: *//p' <<<"$info")
[ "$width" = 800 ] && [ "$height" = 600 ] || fail "window size ${width}x${height}, expected 800x600"
say 'ok: the window is 800 by 600'
grep -q 'Map State: IsViewable' <<<"$info" || fail 'the window is not shown'

# ---------------------------------------------------------------- the first picture
# Along the bottom of the window the start shows nothing but grass: tiles of 64 pixels
# whose corners lie at x = 368 + 64 k, y = 268 + 64 k.
convert -size 864x664 "tile:$RUN_DIR/assets/grass.png" -crop 800x600+16+52 +repage -alpha off "$WORK/grass-world.png"

# Hearts: heart i is the heart picture at (10 + 25 i, 10), 20 by 20; ten of them.
hearts_drawn() {
    local i
    for i in 0 1 2 3 4 5 6 7 8 9; do
        shows_picture $((10 + 25 * i)) 10 20 healt.png || return 1
    done
}
until_shot 5 hearts hearts_drawn || fail 'the top-left corner does not show ten hearts'
say 'ok: ten hearts'
[ "$(count_color "$LAST_SHOT" 255 0 60 40 "$RED_OF_HEART_AND_MEAT" 0)" -eq 0 ] || fail 'an eleventh heart is drawn'
say 'ok: no eleventh heart'

# Hotbar: five 40 by 40 slots at (275 + 50 i, 540); the fill is (255, 80, 80) at alpha 200
# for the selected slot 0 and (80, 80, 80) at alpha 200 for the others, over the grass.
slot_fill_expected() { # I FILL OUT
    convert "$WORK/grass-world.png" -crop "40x40+$(hotbar_x "$1")+540" +repage \
        \( -size 40x40 "xc:rgba(${2// /,},0.78431)" \) -composite -alpha off "$3"
}
hotbar_drawn() {
    local i fill n
    for i in 0 1 2 3 4; do
        if [ "$i" -eq 0 ]; then fill='255 80 80'; else fill='80 80 80'; fi
        slot_fill_expected "$i" "$fill" "$WORK/slot-expected.png"
        convert "$LAST_SHOT" -crop "40x40+$(hotbar_x "$i")+540" +repage -alpha off "$WORK/slot-got.png"
        n=$(compare -metric AE -fuzz 2% "$WORK/slot-got.png" "$WORK/slot-expected.png" null: 2>&1 | cut -d' ' -f1)
        [ "${n%.*}" -le 16 ] || { say "hotbar slot $i: $n pixels differ from the translucent fill"; return 1; }
    done
}
until_shot 5 hotbar hotbar_drawn || fail 'the hotbar is not five translucent slots with slot 0 selected'
say 'ok: hotbar slot 0 red and slots 1 to 4 grey, translucent over the grass'
read -r r g b <<<"$(mean "$LAST_SHOT" 275 540 40 40)"
[ "$r" -gt 180 ] && [ "$g" -lt 130 ] || fail "hotbar slot 0 is not reddish: ($r $g $b)"
for i in 1 2 3 4; do
    read -r r g b <<<"$(mean "$LAST_SHOT" "$(hotbar_x $i)" 540 40 40)"
    [ "$r" -lt 110 ] || fail "hotbar slot $i is not grey: ($r $g $b)"
done
# Between and beside the slots the grass shows as it is.
for x in 265 320 370 420 470 520; do
    color_near "$(pixel "$LAST_SHOT" $x 560)" "$(pixel "$WORK/grass-world.png" $x 560)" 0 ||
        fail "the hotbar covers x = $x (no gap between slots, or a slot too wide)"
done
say 'ok: 10-pixel gaps between the hotbar slots'

# The player stands on the trunk in the middle of the window: the standing picture over
# the wood of tile (0, 0), unscaled.
expect_picture 'the middle of the window' 368 268 64 plgo1.png
[ "$(count_color "$LAST_SHOT" 0 0 800 600 "$BACKGROUND" 0)" -eq 0 ] || fail 'the background shows through the world'
say 'PASS'
