#!/usr/bin/env bash
# The window at other sizes, as a player resizes it: the same 800 by 600 picture scaled
# to fit with black bars beside it (with P, by whole numbers), clicks landing where the
# pointer is and none on the bars; F11 and Alt+Enter switch to fullscreen and back. On
# X, fullscreen is a service of the window manager, so this X server runs a small one
# (evilwm, no borders).
source "$(dirname "$0")/lib.sh"
e2e_init resize "$@"
command -v evilwm >/dev/null || { printf 'missing tool: evilwm\n' >&2; exit 2; }

E2E_SCREEN_SIZE=1920x1280
start_x
evilwm -fn fixed -bw 0 >"$WORK/wm.log" 2>&1 &
poll 10 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    fail "the window manager did not start (log: $WORK/wm.log)"
GAME+=(--record "$(game_path "$WORK")/resize.brx")
E2E_RECORDING=$WORK/resize.brx  # input waits count its frames
start_game
wait_for_game

geometry() { # "x y w h" of the game's window on the screen
    xwininfo -id "$WID" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}'
}
place() { # X Y W H: moves and sizes the window and waits until it is so
    xdo windowmove "$WID" "$1" "$2" windowsize "$WID" "$3" "$4"
    poll 5 eval "[ \"\$(geometry)\" = '$*' ]" || fail "the window is at $(geometry), not at $*"
}

# creature_mask IMAGE OUT: where creatures may be in IMAGE (a picture at 800 by 600): a
# creature's square around every pixel of a colour that only creatures have, and a thin
# band along the edges, where one may show no more than its outline.
creature_mask() {
    local args=() c
    for c in '#fbc3d0' '#e07f96' '#ee9bb0' '#c9667c' '#c8bd9f' '#c9c6bc' '#4a4340' '#f3f1ea' '#d3ccbb' \
        '#3d302b' '#f4f0e4' '#2b2624'; do args+=(-opaque "$c"); done
    convert "$1" -alpha off -fuzz 1% -fill 'rgb(1,2,3)' "${args[@]}" -fuzz 0 -fill black +opaque 'rgb(1,2,3)' \
        -fill white -opaque 'rgb(1,2,3)' -scale 12.5% -threshold 0 -morphology Dilate Square:9 -sample 800x600! \
        -shave 8x8 -bordercolor white -border 8x8 "$2"
}

# scaled_start X Y SCALE: the last screenshot shows at X, Y the start screenshot scaled
# SCALE times by nearest pixels, every pixel a block, apart from where creatures are.
scaled_start() {
    local size="$((800 * $3))x$((600 * $3))" n
    convert "$LAST_SHOT" -crop "$size+$1+$2" +repage -alpha off "$WORK/picture.png"
    n=$(convert "$WORK/picture.png" \( +clone -sample 800x600! -sample "$size!" \) -metric AE -compare \
        -format '%[distortion]' info:)
    [ "$n" -eq 0 ] || return 1
    convert "$WORK/picture.png" -sample 800x600! "$WORK/now.png"
    creature_mask "$WORK/small.png" "$WORK/mask-start.png"
    creature_mask "$WORK/now.png" "$WORK/mask-now.png"
    # The hearts are left out: on a busy machine the test may outlast the minute a heart lasts.
    n=$(convert "$WORK/now.png" "$WORK/small.png" -compose difference -composite -separate -evaluate-sequence max \
        -threshold 1% -fill black -draw 'rectangle 0,0,259,31' -alpha off \( "$WORK/mask-start.png" "$WORK/mask-now.png" -compose lighten -composite -negate \) \
        -compose multiply -composite -format '%[fx:int(mean*w*h+0.5)]' info:)
    [ "$n" -eq 0 ]
}

black() { [ "$(count_color "$LAST_SHOT" "$1" "$2" "$3" "$4" '0 0 0' 0)" -eq $(($3 * $4)) ]; }

# ---------------------------------------------------------------- the sizes
place 40 40 800 600
shot small
GRASS_TILES=() # grass at the start, away from the hearts and the hotbar
for tile in '1 0' '3 2' '-3 2' '4 -2' '-4 -2' '2 3' '-2 3' '5 1' '-5 1' '0 3'; do
    shows_picture $(tile_x ${tile% *}) $(tile_y ${tile#* }) 64 grass.png && GRASS_TILES+=("$tile")
done

place 40 40 1600 1200
until_shot 5 at-1600x1200 scaled_start 0 0 2 || fail 'at 1600x1200 the picture is not the 800x600 one scaled 2x'
say 'ok: at 1600x1200 the picture is the 800x600 one, every pixel a 2x2 block'
place 40 40 1000 600
until_shot 5 at-1000x600 eval 'black 0 0 100 600 && black 900 0 100 600 && scaled_start 100 0 1' ||
    fail 'at 1000x600 the picture does not stand between black bars of 100 pixels'
say 'ok: at 1000x600 the picture stands between black bars of 100 pixels'

# P: the picture at the largest whole multiple that fits, between wider bars; P again:
# the largest size (2.05 times), between bars of 30.
place 40 40 1700 1230
press p
until_shot 5 whole-pixels eval 'black 0 0 50 1230 && black 0 0 1700 15 && black 1650 0 50 1230 && scaled_start 50 15 2' ||
    fail 'with P at 1700x1230 the picture is not the 800x600 one twice the size between bars of 50 and 15'
say 'ok: with P at 1700x1230 the picture is twice the size, every pixel a 2x2 block, between bars of 50 and 15'
press p
until_shot 5 whole-pixels-off eval 'black 0 0 29 1230 && ! black 0 0 32 1230' || fail 'P again did not scale the picture to fill'
say 'ok: P again scales it to fill, between bars of 30'

# ---------------------------------------------------------------- clicks
free_grass_tile() { # sets TX TY: a grass tile of the start with no creature near it now
    convert "$LAST_SHOT" -sample 800x600! "$WORK/now.png"
    creature_mask "$WORK/now.png" "$WORK/mask-now.png"
    for tile in "${GRASS_TILES[@]}"; do
        read -r TX TY <<<"$tile"
        [ "$(pixel "$WORK/mask-now.png" $(($(tile_x "$TX") + 32)) $(($(tile_y "$TY") + 32)))" = '0 0 0' ] && return 0
    done
    return 1
}
place 40 40 1600 1200
until_shot 5 at-1600x1200 scaled_start 0 0 2 || fail 'no frame drawn at 1600x1200'
until_still 15 before-click free_grass_tile || fail 'creatures stayed near every candidate grass tile for 15 s'
X0=$((2 * $(tile_x "$TX"))) Y0=$((2 * $(tile_y "$TY")))
send_click $((X0 + 64)) $((Y0 + 64))
thaw
settle
broken_alone() { # X Y SIZE: the background shows in the square (most of it) and nowhere else
    local all in_square
    all=$(count_color "$LAST_SHOT" 0 0 1600 1200 "$BACKGROUND" 0)
    in_square=$(count_color "$LAST_SHOT" "$1" "$2" "$3" "$3" "$BACKGROUND" 0)
    [ "$all" -eq "$in_square" ] && [ "$in_square" -ge $(($3 * $3 / 2)) ]
}
until_shot 3 clicked broken_alone "$X0" "$Y0" 128 ||
    fail "the click at ($((X0 + 64)), $((Y0 + 64))) did not break exactly tile ($TX, $TY)"
say "ok: a click at ($((X0 + 64)), $((Y0 + 64))) broke exactly tile ($TX, $TY), drawn at twice the size"

place 40 40 1000 600
until_shot 5 before-bars eval 'black 0 0 100 600 && black 900 0 100 600' || fail 'no frame drawn at 1000x600'
slot1=$(mean "$LAST_SHOT" 425 540 40 40)
click 50 300
click 950 300
shot after-bars
broken_alone $((100 + $(tile_x "$TX"))) "$(tile_y "$TY")" 64 || fail 'after clicks on the bars, another tile is broken'
expect_picture 'hotbar slot 0' 375 540 40 grass.png
count_shown 375 540 && fail 'after clicks on the bars, hotbar slot 0 holds more than one item'
color_near "$(mean "$LAST_SHOT" 425 540 40 40)" "$slot1" 20 || fail 'after clicks on the bars, hotbar slot 1 changed'
say 'ok: clicks on the bars change nothing'

# ---------------------------------------------------------------- fullscreen
place 40 40 800 600
for keys in F11 alt+Return; do
    press "$keys"
    poll 5 eval '[ "$(geometry)" = "0 0 1920 1280" ]' || fail "$keys: the window is at $(geometry), not over the screen"
    # 1280/600 times: the picture 1706 pixels wide between bars of 106.
    until_shot 5 "fullscreen-$keys" eval 'black 0 0 100 1280 && black 1820 0 100 1280' ||
        fail "$keys: the fullscreen picture does not stand between black bars"
    say "ok: $keys made the window cover the screen, the picture between black bars"
    press "$keys"
    poll 5 eval '[ "$(geometry)" = "40 40 800 600" ]' || fail "$keys again: the window is at $(geometry), not back"
    say "ok: $keys again gave the window back its 800x600 at (40, 40)"
done

# ---------------------------------------------------------------- past the driver's limits
# A size no display has is taken back to 8192 on a side, and the game lives on.
xdo windowsize "$WID" 32767 32767
poll 10 eval '[ "$(geometry | cut -d" " -f3-)" = "8192 8192" ]' || fail "at 32767x32767 asked, the window is $(geometry)"
place 40 40 800 600
until_shot 5 after-huge eval 'color_near "$(mean "$LAST_SHOT" 425 540 40 40)" "$slot1" 20' || fail 'no frame after 32767x32767'
say 'ok: asked for 32767x32767, the window stays within 8192x8192 and the game plays on'
say 'PASS'
