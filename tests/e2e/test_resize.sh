#!/usr/bin/env bash
# The window at other sizes, as a player resizes it: the same 800 by 600 picture scaled
# to fit with black bars beside it, clicks landing where the pointer is and none on the
# bars; F11 and Alt+Enter switch to fullscreen and back. On X, fullscreen is a service
# of the window manager, so this X server runs a small one (evilwm, no borders).
source "$(dirname "$0")/lib.sh"
e2e_init resize "$@"
command -v evilwm >/dev/null || { printf 'missing tool: evilwm\n' >&2; exit 2; }

SCREEN_W=1920 SCREEN_H=1280
E2E_SCREEN_SIZE=${SCREEN_W}x${SCREEN_H}
start_x
evilwm -fn fixed -bw 0 >"$WORK/wm.log" 2>&1 &
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
poll 10 wm_ready || fail "the window manager did not start (log: $WORK/wm.log)"
start_game
wait_for_game
xdotool windowmove --sync "$WID" 40 40 >/dev/null 2>&1 || xdotool windowmove "$WID" 40 40

# "x y w h" of the game's window on the screen.
geometry() {
    xwininfo -id "$WID" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}'
}
size_is() { read -r _ _ w h <<<"$(geometry)" && [ "$w" = "$1" ] && [ "$h" = "$2" ]; }

# heart_scaled X Y SCALE: the last screenshot shows the first heart of the start
# screenshot, SCALE times larger, at X, Y.
heart_scaled() {
    local n
    n=$(convert "$LAST_SHOT" -crop "$((20 * $3))x$((20 * $3))+$1+$2" +repage -alpha off \
        \( "$WORK/small.png" -crop 20x20+10+10 +repage -sample "$((100 * $3))%" \) \
        -metric AE -fuzz 2% -compare -format '%[distortion]' info: 2>/dev/null)
    [ "${n%.*}" -eq 0 ] 2>/dev/null
}

# resize W H: sizes the window and waits for a frame drawn at that size (the first heart,
# scaled like the picture, at the picture's corner). W and H hold the picture a whole
# number of times.
resize() {
    xdotool windowsize "$WID" "$1" "$2"
    poll 5 size_is "$1" "$2" || fail "the window did not take the size $1x$2 (it is $(geometry))"
    local scale=$(($1 * 600 < $2 * 800 ? $1 / 800 : $2 / 600))
    local left=$((($1 - 800 * scale) / 2)) top=$((($2 - 600 * scale) / 2))
    until_shot 5 "at-$1x$2" heart_scaled $((left + 10 * scale)) $((top + 10 * scale)) "$scale" ||
        fail "no frame of the picture drawn at $1x$2"
}

# Colours found only in the creatures' pictures.
CREATURE_ONLY='#fbc3d0 #e07f96 #ee9bb0 #c9667c #c8bd9f #c9c6bc #4a4340 #f3f1ea #d3ccbb #3d302b #f4f0e4 #2b2624'

# creature_mask IMAGE OUT: where creatures may be in IMAGE (a picture at 800 by 600): a
# creature's square around every pixel of their colours, and a thin band along the edges,
# where one may show no more than its outline.
creature_mask() {
    local args=() c
    for c in $CREATURE_ONLY; do args+=(-opaque "$c"); done
    convert "$1" -alpha off -fuzz 1% -fill 'rgb(1,2,3)' "${args[@]}" -fuzz 0 -fill black +opaque 'rgb(1,2,3)' \
        -fill white -opaque 'rgb(1,2,3)' -scale 12.5% -threshold 0 -morphology Dilate Square:9 -sample 800x600! \
        -shave 8x8 -bordercolor white -border 8x8 "$2"
}

# differs_from_small IMAGE X Y SCALE: how many pixels of the picture in IMAGE, drawn at
# X, Y at SCALE times, differ from the 800 by 600 start screenshot scaled by nearest
# pixels, leaving out where creatures are in either.
differs_from_small() {
    local size="$((800 * $4))x$((600 * $4))"
    convert "$1" -crop "$size+$2+$3" +repage -alpha off -sample 800x600! "$WORK/picture-small.png"
    creature_mask "$WORK/small.png" "$WORK/mask-a.png"
    creature_mask "$WORK/picture-small.png" "$WORK/mask-b.png"
    convert "$WORK/mask-a.png" "$WORK/mask-b.png" -compose lighten -composite -negate -sample "$size!" "$WORK/keep.png"
    convert "$1" -crop "$size+$2+$3" +repage -alpha off \( "$WORK/small.png" -sample "$size!" \) \
        -compose difference -composite -separate -evaluate-sequence max -threshold 1% \
        "$WORK/keep.png" -compose multiply -composite -format '%[fx:int(mean*w*h+0.5)]' info:
}

# not_in_blocks IMAGE: how many pixels of IMAGE differ from the pixel their 2x2 block
# shows when sampled, creatures included.
not_in_blocks() {
    convert "$1" -alpha off \( +clone -sample 50% -sample 200% \) -metric AE -compare -format '%[distortion]' info:
}

black_pixels() { count_color "$LAST_SHOT" "$1" "$2" "$3" "$4" '0 0 0' 0; }

# ---------------------------------------------------------------- 800 by 600
shot small
# Grass tiles of the start, away from the hearts and the hotbar, as candidates.
GRASS_TILES=()
for tile in '1 0' '3 2' '-3 2' '4 -2' '-4 -2' '2 3' '-2 3' '5 1' '-5 1' '0 3'; do
    read -r tx ty <<<"$tile"
    shows_picture "$(tile_x "$tx")" "$(tile_y "$ty")" 64 grass.png && GRASS_TILES+=("$tile")
done
[ "${#GRASS_TILES[@]}" -gt 0 ] || fail 'none of the candidate tiles shows grass at the start'

# ---------------------------------------------------------------- twice the size
resize 1600 1200
n=$(not_in_blocks "$LAST_SHOT")
[ "$n" -eq 0 ] || fail "at 1600x1200, $n pixels break the picture's 2x2 blocks"
n=$(differs_from_small "$LAST_SHOT" 0 0 2)
[ "$n" -eq 0 ] || fail "at 1600x1200, $n pixels differ from the 800x600 picture scaled 2x (creatures left out)"
say 'ok: at 1600x1200 the picture is the 800x600 one, every pixel a 2x2 block'

# ---------------------------------------------------------------- a wider window: bars
resize 1000 600
[ "$(black_pixels 0 0 100 600)" -eq 60000 ] || fail 'at 1000x600 the left 100 columns are not all black'
[ "$(black_pixels 900 0 100 600)" -eq 60000 ] || fail 'at 1000x600 the right 100 columns are not all black'
n=$(differs_from_small "$LAST_SHOT" 100 0 1)
[ "$n" -eq 0 ] || fail "at 1000x600, $n pixels between the bars differ from the 800x600 picture"
say 'ok: at 1000x600 the picture sits between two black bars of 100 pixels'

# ---------------------------------------------------------------- a click at twice the size

# creature_near_2x X Y: a creature's colour within 84 picture pixels of the point (X, Y) of
# the picture at twice the size (creatures walk 1.2 pixels a frame).
creature_near_2x() {
    local args=() c n
    for c in $CREATURE_ONLY; do args+=(-opaque "$c"); done
    n=$(convert "$LAST_SHOT" -crop "336x336+$(($1 - 168))+$(($2 - 168))" +repage -alpha off -fuzz 1% \
        -fill 'rgb(1,2,3)' "${args[@]}" -fuzz 0 -fill black +opaque 'rgb(1,2,3)' -fill white -opaque 'rgb(1,2,3)' \
        -format '%[fx:int(mean*w*h+0.5)]' info:)
    [ "$n" -gt 0 ]
}

# A grass tile with no creature about: its centre at twice the size.
free_grass_tile() {
    local tile
    for tile in "${GRASS_TILES[@]}"; do
        read -r TX TY <<<"$tile"
        creature_near_2x $((2 * $(tile_x "$TX") + 64)) $((2 * $(tile_y "$TY") + 64)) || return 0
    done
    return 1
}

resize 1600 1200
until_shot 15 before-click free_grass_tile || fail 'creatures stayed near every candidate grass tile for 15 s'
X0=$((2 * $(tile_x "$TX"))) Y0=$((2 * $(tile_y "$TY")))
click $((X0 + 64)) $((Y0 + 64))
# Exactly that tile: the background shows in its square (most of it, as a creature may
# walk over it) and nowhere else.
tile_broken() {
    local all in_square
    all=$(count_color "$LAST_SHOT" 0 0 1600 1200 "$BACKGROUND" 0)
    in_square=$(count_color "$LAST_SHOT" "$X0" "$Y0" 128 128 "$BACKGROUND" 0)
    [ "$all" -eq "$in_square" ] && [ "$in_square" -ge $((128 * 128 / 2)) ]
}
until_shot 3 clicked tile_broken ||
    fail "the click at ($((X0 + 64)), $((Y0 + 64))) did not break exactly tile ($TX, $TY) at ($X0, $Y0): background found at $(color_box "$LAST_SHOT" 0 0 1600 1200 "$BACKGROUND" 0)"
say "ok: a click at ($((X0 + 64)), $((Y0 + 64))) broke exactly tile ($TX, $TY), drawn at twice the size"

# ---------------------------------------------------------------- a click on a bar
resize 1000 600
cp "$LAST_SHOT" "$WORK/before-bar.png"
expect_picture 'hotbar slot 0 after breaking a grass tile' 375 540 40 grass.png
slot1=$(mean "$LAST_SHOT" 425 540 40 40)
click 50 300
click 950 300
shot after-bar
# The background shows only where tile ($TX, $TY) was broken (a creature may walk over it).
[ "$(count_color "$LAST_SHOT" 100 0 800 600 "$BACKGROUND" 0)" -eq \
    "$(count_color "$LAST_SHOT" $((100 + $(tile_x "$TX"))) "$(tile_y "$TY")" 64 64 "$BACKGROUND" 0)" ] ||
    fail "after clicks on the bars, a tile other than tile ($TX, $TY) is broken"
count_shown 375 540 && fail 'after clicks on the bars, hotbar slot 0 holds more than one item'
color_near "$(mean "$LAST_SHOT" 425 540 40 40)" "$slot1" 20 || fail 'after clicks on the bars, hotbar slot 1 changed'
say 'ok: clicks on the bars change nothing'

# ---------------------------------------------------------------- fullscreen
resize 800 600
xdotool windowmove --sync "$WID" 40 40 >/dev/null 2>&1 || xdotool windowmove "$WID" 40 40
poll 5 eval '[ "$(geometry)" = "40 40 800 600" ]' || fail "the window is at $(geometry), not 40 40 800 600"
for keys in F11 alt+Return; do
    press "$keys"
    poll 5 eval '[ "$(geometry)" = "0 0 $SCREEN_W $SCREEN_H" ]' ||
        fail "$keys did not make the window cover the ${SCREEN_W}x${SCREEN_H} screen (it is at $(geometry))"
    # 1920x1280 holds the picture at 1280/600 times, 1706 pixels wide, between bars of 106.
    until_shot 5 "fullscreen-$keys" eval '[ "$(black_pixels 0 0 100 1280)" -eq 128000 ] && [ "$(black_pixels 1820 0 100 1280)" -eq 128000 ]' ||
        fail "$keys: the fullscreen picture does not stand between black bars"
    say "ok: $keys made the window cover the screen, the picture between black bars"
    press "$keys"
    poll 5 eval '[ "$(geometry)" = "40 40 800 600" ]' ||
        fail "$keys again did not give the window back its size and place (it is at $(geometry))"
    say "ok: $keys again gave the window back its 800x600 at (40, 40)"
done
until_shot 5 back heart_scaled 10 10 1 || fail 'no picture drawn at 800x600 after fullscreen'
say 'PASS'
