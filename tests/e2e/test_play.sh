#!/usr/bin/env bash
# A player's session in the real game, driven with the mouse and keyboard: hunt a
# creature, break a tree trunk, craft planks and a crafting table on the inventory
# screen, place the table and craft sticks at it, then walk over to the meat and pick it up.
# The session is recorded (with whole-pixel scaling, the same picture at 800x600), and
# the replay played back must end in the same state.
source "$(dirname "$0")/lib.sh"
e2e_init play "$@"

start_x
PLAYER=("${GAME[@]}")
REPLAY=$(game_path "$WORK")/play.brx
# Named from the folder it is started in, which is not the data folder the game moves to.
GAME+=(--whole-pixels --record play.brx)
E2E_RECORDING=$WORK/play.brx  # input waits count its frames
start_game "$WORK"
wait_for_game

# Hotbar, inventory and grid squares used below (top-left corners).
HOT0=$(hotbar_x 0) HOT1=$(hotbar_x 1) HOT2=$(hotbar_x 2)
INV0X=$(inv_x 0) INV0Y=$(inv_y 0)
RES22X=430 RES22Y=122
RES33X=450 RES33Y=125

# ---------------------------------------------------------------- the world at the start
shot start
# The trunk left of the player: tiles (-1, -1) and (-1, 0).
TRUNK_X=$(tile_x -1)
TRUNK_TOP=$(tile_y -1)
expect_picture 'tile (-1, 0) at the start' "$TRUNK_X" "$(tile_y 0)" 64 wood.png
expect_picture 'tile (-1, -1) at the start' "$TRUNK_X" "$TRUNK_TOP" 64 wood.png
[ "$(count_color "$LAST_SHOT" 0 0 800 600 "$BACKGROUND" 0)" -eq 0 ] ||
    fail 'the background colour shows before anything was broken'
# An empty hotbar slot 0 looks about as it did at the start (the red fill over the grass;
# a creature passing under it changes little, any item picture a lot).
HOT0_EMPTY=$(mean "$LAST_SHOT" "$HOT0" 540 40 40)
hotbar_slot0_empty() { color_near "$(mean "$LAST_SHOT" "$HOT0" 540 40 40)" "$HOT0_EMPTY" 20; }

# ---------------------------------------------------------------- hunting
# A creature is found by the colour of its body: one pig, or one sheep or cow, alone in
# a part of the window and away from the player (whose reach would pick the meat up at
# once). Creatures walk 1.2 pixels a frame, so the game is stopped from the screenshot to
# the click; the middle of a creature's body lies more than 25 pixels inside its square.
find_creature() {
    local colour region n x0 y0 x1 y1 rx ry rw rh
    for colour in "$PIG_PINK" "$WOOL_WHITE"; do
        for region in '0 40 800 490' '0 40 400 245' '400 40 400 245' '0 285 400 245' '400 285 400 245' \
            '200 40 400 245' '200 285 400 245'; do
            read -r rx ry rw rh <<<"$region"
            read -r n x0 y0 x1 y1 <<<"$(color_box "$LAST_SHOT" $rx $ry $rw $rh "$colour" 2)"
            [ "$n" -ge 500 ] || continue
            [ $((x1 - x0)) -lt 64 ] && [ $((y1 - y0)) -lt 64 ] || continue
            [ "$x0" -gt "$rx" ] && [ "$y0" -gt "$ry" ] && [ "$x1" -lt $((rx + rw - 1)) ] && [ "$y1" -lt $((ry + rh - 1)) ] || continue
            local cx=$(((x0 + x1) / 2)) cy=$(((y0 + y1) / 2))
            [ $(((cx - 400) * (cx - 400) + (cy - 300) * (cy - 300))) -gt $((120 * 120)) ] || continue
            [ "$cy" -gt 80 ] && [ "$cy" -lt 470 ] || continue # the meat clear of the hearts and the hotbar
            echo "$cx $cy $colour"
            return 0
        done
    done
    return 1
}

creature_found() { found=$(find_creature); }
until_still 10 hunt creature_found || fail 'found no creature standing alone in the window'
read -r PREY_X PREY_Y PREY_R PREY_G PREY_B <<<"$found"
send_click "$PREY_X" "$PREY_Y"
thaw
settle
say "clicked a creature at ($PREY_X, $PREY_Y)"

# The creature is gone and one meat lies where it stood (32 by 32, in the middle of its
# square): look within 64 pixels of the click.
read -r AX AY AW AH <<<"$(clip_box $((PREY_X - 64)) $((PREY_Y - 64)) $((PREY_X + 64)) $((PREY_Y + 64)))"
meat_dropped() {
    local body n
    body=$(count_color "$LAST_SHOT" "$AX" "$AY" "$AW" "$AH" "$PREY_R $PREY_G $PREY_B" 2)
    read -r n MEAT_X0 MEAT_Y0 _ _ <<<"$(color_box "$LAST_SHOT" "$AX" "$AY" "$AW" "$AH" "$RED_OF_HEART_AND_MEAT" 0)"
    [ "$body" -lt 100 ] && [ "$n" -ge 150 ] && [ "$n" -le 260 ]
}
until_shot 3 hunted meat_dropped ||
    fail "after the click on the creature at ($PREY_X, $PREY_Y) no meat lies there (or the creature is still there)"
[ "$(count_color "$LAST_SHOT" 0 0 800 600 "$BACKGROUND" 0)" -eq 0 ] ||
    fail 'the click on the creature broke a tile'
hotbar_slot0_empty || fail 'hotbar slot 0 holds something after the kill'
say "ok: the creature left meat at about ($MEAT_X0, $MEAT_Y0)"

# ---------------------------------------------------------------- breaking the trunk
world_click $((TRUNK_X + 32)) $(($(tile_y 0) + 32))
world_click $((TRUNK_X + 32)) $((TRUNK_TOP + 32))
trunk_broken() {
    [ "$(count_color "$LAST_SHOT" "$TRUNK_X" "$TRUNK_TOP" 64 128 "$BACKGROUND" 0)" -ge 7500 ]
}
until_shot 3 broken trunk_broken || fail 'the two trunk tiles do not show the background after two left clicks'
say 'ok: the broken trunk tiles show the background (30, 30, 30)'
expect_picture 'hotbar slot 0 after breaking two wood tiles' "$HOT0" 540 40 wood.png
expect_count_shown 'hotbar slot 0 (2 wood)' "$HOT0" 540

# ---------------------------------------------------------------- inventory screen
# The world under the panel, a creature perhaps walking there, is measured with the game
# stopped just before E and again three frames after it.
freeze
shot before-inventory
WORLD_UNDER_PANEL=$(mean "$LAST_SHOT" 245 85 60 100)
xdo key e || fail 'xdotool could not press e within 10 s'
thaw
wait_frames 3 'after E'
freeze
shot inventory-open
inventory_open() { color_near "$(pixel "$LAST_SHOT" $((INV0X + 1)) $((INV0Y + 1)))" "$PANEL_SLOT_FILL" 0; }
inventory_open || fail 'E did not open the inventory screen'
read -r r g b <<<"$WORLD_UNDER_PANEL"
expect_color 'the world under the panel, darkened' "$(mean "$LAST_SHOT" 245 85 60 100)" \
    "$((r * 75 / 255)) $((g * 75 / 255)) $((b * 75 / 255))" 4
thaw
for i in 0 6 14 20; do
    expect_empty_slot "inventory slot $i" "$(inv_x $i)" "$(inv_y $i)" "$PANEL_SLOT_FILL"
done
for k in 0 1 2 3; do
    expect_empty_slot "2x2 cell $k" "$(cell22_x $k)" "$(cell22_y $k)" "$GRID_CELL_FILL"
done
expect_empty_slot 'the 2x2 result slot' $RES22X $RES22Y "$RESULT_FILL"
expect_picture 'hotbar slot 0 under the inventory screen' "$HOT0" 540 40 wood.png

# Planks: the two wood into cell 0; the result offers 4 planks.
click_slot "$HOT0" 540
click_slot "$(cell22_x 0)" "$(cell22_y 0)"
until_shot 3 planks-offered shows_picture $RES22X $RES22Y 40 planks.png ||
    fail 'one wood in the 2x2 grid: the result slot does not show planks'
say 'ok: the result slot shows planks'
expect_count_shown 'the result slot (4 planks)' $RES22X $RES22Y
expect_picture '2x2 cell 0' "$(cell22_x 0)" "$(cell22_y 0)" 40 wood.png
expect_count_shown '2x2 cell 0 (2 wood)' "$(cell22_x 0)" "$(cell22_y 0)"
hotbar_slot0_empty || fail 'hotbar slot 0 still shows something after its stack was picked up'

# Take the planks twice: each take uses one wood; the second empties the grid.
click_slot $RES22X $RES22Y
until_shot 3 planks-taken-once eval 'shows_picture $RES22X $RES22Y 40 planks.png && ! count_shown $(cell22_x 0) $(cell22_y 0)' ||
    fail 'after taking the planks once: expected planks offered again and 1 wood left in cell 0'
expect_picture '2x2 cell 0 (1 wood left)' "$(cell22_x 0)" "$(cell22_y 0)" 40 wood.png
click_slot $RES22X $RES22Y
until_shot 3 planks-taken-twice eval 'color_near "$(mean "$LAST_SHOT" $((RES22X + 1)) $((RES22Y + 1)) 38 38)" "$RESULT_FILL" 1' ||
    fail 'after taking the planks twice the result slot is not empty'
expect_empty_slot '2x2 cell 0 after two takes' "$(cell22_x 0)" "$(cell22_y 0)" "$GRID_CELL_FILL"
# The 8 planks on the pointer go down into inventory slot 0.
click_slot "$INV0X" "$INV0Y"
until_shot 3 planks-stored shows_picture "$INV0X" "$INV0Y" 40 planks.png ||
    fail 'inventory slot 0 does not show the planks put down there'
say 'ok: inventory slot 0 shows planks'
expect_count_shown 'inventory slot 0 (8 planks)' "$INV0X" "$INV0Y"

# Crafting table: pick up the 8 planks, set one down in each 2x2 cell with the right
# button, put the other 4 back, take the table into hotbar slot 1.
click_slot "$INV0X" "$INV0Y"
for k in 0 1 2 3; do
    click_slot "$(cell22_x $k)" "$(cell22_y $k)" 3
done
click_slot "$INV0X" "$INV0Y"
until_shot 3 table-offered shows_picture $RES22X $RES22Y 40 crafting.png ||
    fail 'a plank in each 2x2 cell: the result slot does not show a crafting table'
say 'ok: the result slot shows a crafting table'
expect_no_count 'the result slot (1 crafting table)' $RES22X $RES22Y
for k in 0 1 2 3; do
    expect_picture "2x2 cell $k" "$(cell22_x $k)" "$(cell22_y $k)" 40 planks.png
    expect_no_count "2x2 cell $k (1 plank)" "$(cell22_x $k)" "$(cell22_y $k)"
done
expect_picture 'inventory slot 0 (planks put back)' "$INV0X" "$INV0Y" 40 planks.png
expect_count_shown 'inventory slot 0 (4 planks)' "$INV0X" "$INV0Y"
click_slot $RES22X $RES22Y
click_slot "$HOT1" 540
until_shot 3 table-in-hotbar shows_picture "$HOT1" 540 40 crafting.png ||
    fail 'hotbar slot 1 does not show the crafting table put there'
say 'ok: hotbar slot 1 shows the crafting table'
expect_no_count 'hotbar slot 1 (1 crafting table)' "$HOT1" 540
expect_empty_slot 'the 2x2 result slot after taking the table' $RES22X $RES22Y "$RESULT_FILL"
for k in 0 1 2 3; do
    expect_empty_slot "2x2 cell $k after taking the table" "$(cell22_x $k)" "$(cell22_y $k)" "$GRID_CELL_FILL"
done

press e
# Closed: the world there is no longer darkened (to 75/255, a sheep walking there or not).
inventory_closed() { [ "$(mean "$LAST_SHOT" 245 85 60 100 | cut -d' ' -f2)" -gt $((g * 3 / 4)) ]; }
until_shot 3 inventory-closed inventory_closed || fail 'E did not close the inventory screen'
say 'ok: E closed the inventory screen'
expect_picture 'hotbar slot 1 after closing' "$HOT1" 540 40 crafting.png

# ---------------------------------------------------------------- placing the table
hold 2 2
slot0_deselected() { [ "$(pixel "$LAST_SHOT" $((HOT0 + 1)) 541 | cut -d' ' -f1)" -lt 140 ]; }
until_shot 3 slot2-selected slot0_deselected || fail 'key 2 did not move the selection off hotbar slot 0'
say 'ok: key 2 moved the selection off slot 0'
TABLE_X=$(tile_x 1) TABLE_Y=$(tile_y 0)
until_shot 10 before-placing shows_picture "$TABLE_X" "$TABLE_Y" 64 grass.png ||
    fail 'tile (1, 0) did not show grass, with no creature over it, before placing'
say 'ok: tile (1, 0) shows grass before placing'
world_click $((TABLE_X + 32)) $((TABLE_Y + 32)) 3
until_shot 3 table-placed shows_picture "$TABLE_X" "$TABLE_Y" 64 crafting.png ||
    fail 'a right click on tile (1, 0) with the crafting table selected did not place it'
say 'ok: the crafting table stands on tile (1, 0)'
slot1_selected_empty() { [ "$(pixel "$LAST_SHOT" $((HOT1 + 1)) 541 | cut -d' ' -f1)" -gt 180 ] &&
    ! shows_picture "$HOT1" 540 40 crafting.png; }
slot1_selected_empty || fail 'hotbar slot 1 should be selected and empty after placing its one table'
say 'ok: hotbar slot 1 is selected and empty'

# ---------------------------------------------------------------- the crafting table screen
world_click $((TABLE_X + 32)) $((TABLE_Y + 32)) 3
table_open() { color_near "$(pixel "$LAST_SHOT" 301 81)" "$GRID_CELL_FILL" 0; }
until_shot 3 table-open table_open || fail 'a right click on the placed table did not open the 3x3 screen'
say 'ok: the crafting table screen is open'
for i in 0 4 8; do
    expect_empty_slot "3x3 cell $i" "$(cell33_x $i)" "$(cell33_y $i)" "$GRID_CELL_FILL"
done
expect_empty_slot 'the 3x3 result slot' $RES33X $RES33Y "$RESULT_FILL"
color_near "$(pixel "$LAST_SHOT" 440 130)" "$RESULT_FILL" 10 && fail 'the 2x2 result slot shows on the crafting table screen'
expect_picture 'inventory slot 0 at the table' "$INV0X" "$INV0Y" 40 planks.png
shot table-screen-open

# Sticks: two planks one above the other (cells 0 and 3).
click_slot "$INV0X" "$INV0Y"
click_slot "$(cell33_x 0)" "$(cell33_y 0)" 3
click_slot "$(cell33_x 3)" "$(cell33_y 3)" 3
until_shot 3 sticks-offered shows_picture $RES33X $RES33Y 40 stick.png ||
    fail 'two planks one above the other at the table: the result slot does not show sticks'
say 'ok: the 3x3 result slot shows sticks'
expect_count_shown 'the 3x3 result slot (4 sticks)' $RES33X $RES33Y
click_slot "$INV0X" "$INV0Y"
click_slot $RES33X $RES33Y
click_slot "$HOT2" 540
until_shot 3 sticks-in-hotbar shows_picture "$HOT2" 540 40 stick.png ||
    fail 'hotbar slot 2 does not show the sticks put there'
say 'ok: hotbar slot 2 shows the sticks'
expect_count_shown 'hotbar slot 2 (4 sticks)' "$HOT2" 540
expect_empty_slot 'the 3x3 result slot after taking the sticks' $RES33X $RES33Y "$RESULT_FILL"
expect_empty_slot '3x3 cell 0 after taking the sticks' "$(cell33_x 0)" "$(cell33_y 0)" "$GRID_CELL_FILL"
expect_empty_slot '3x3 cell 3 after taking the sticks' "$(cell33_x 3)" "$(cell33_y 3)" "$GRID_CELL_FILL"
expect_picture 'inventory slot 0 (2 planks left)' "$INV0X" "$INV0Y" 40 planks.png
cp "$LAST_SHOT" "$WORK/table-sticks-crafted.png"

# E at the table shows the inventory screen; a second E returns to play.
press e
inventory_after_table() {
    color_near "$(pixel "$LAST_SHOT" 321 101)" "$GRID_CELL_FILL" 0 &&
        color_near "$(pixel "$LAST_SHOT" 431 123)" "$RESULT_FILL" 0 &&
        ! color_near "$(pixel "$LAST_SHOT" 301 81)" "$GRID_CELL_FILL" 10
}
until_shot 3 inventory-after-table inventory_after_table || fail 'E at the crafting table did not show the inventory screen'
say 'ok: E at the table shows the inventory screen'
press e
until_shot 3 back-to-play inventory_closed || fail 'the second E did not return to play'
say 'ok: the second E returns to play'

# ---------------------------------------------------------------- walking to the meat
# The broken trunk is the one patch of background in the world: where it lies tells how
# far the world has scrolled.
dark_box() { color_box "$LAST_SHOT" 0 40 800 490 "$BACKGROUND" 0; }
read -r _ DARK_X0 DARK_Y0 _ _ <<<"$(dark_box)"
[ "$DARK_X0" -eq "$TRUNK_X" ] && [ "$DARK_Y0" -eq "$TRUNK_TOP" ] ||
    fail "before walking the broken trunk is at ($DARK_X0, $DARK_Y0), not ($TRUNK_X, $TRUNK_TOP)"

meat_in_hotbar() { [ "$(count_color "$LAST_SHOT" "$HOT0" 540 40 40 "$RED_OF_HEART_AND_MEAT" 0)" -ge 150 ]; }
# walk_axis DELTA KEY-BACK KEY-ON: 6 pixels a frame, rounded down; what is left is walked
# after the next look.
walk_axis() {
    [ "${1#-}" -ge 6 ] || return 0
    if [ "$1" -gt 0 ]; then hold "$3" $(($1 / 6)); else hold "$2" $((-$1 / 6)); fi
}
picked=''
for step in $(seq 1 15); do
    shot "walk-$step"
    if meat_in_hotbar; then
        picked=yes
        break
    fi
    # A meat partly under a creature or the player is walked to as far as it shows.
    read -r n x0 y0 _ _ <<<"$(color_box "$LAST_SHOT" 0 40 800 490 "$RED_OF_HEART_AND_MEAT" 0)"
    if [ "$n" -lt 20 ]; then # hidden under a creature, or just picked up
        wait_frames 12 'with the meat hidden'
        continue
    fi
    # The meat's top-left corner, from the red part of its picture, against the player's.
    dx=$((x0 - 10 - 368)) dy=$((y0 - 6 - 268))
    if [ $((dx * dx + dy * dy)) -lt $((24 * 24)) ]; then
        wait_frames 6 'with the meat in reach'
        continue
    fi
    walk_axis "$dx" a d
    walk_axis "$dy" w s
done
[ -n "$picked" ] || fail 'walking to the meat did not put it into hotbar slot 0'
say 'ok: walking over the meat put it into hotbar slot 0'

read -r n x0 y0 x1 y1 <<<"$(dark_box)"
[ "$n" -ge 7500 ] && [ $((x1 - x0)) -eq 63 ] && [ $((y1 - y0)) -eq 127 ] ||
    fail "the broken trunk is not wholly in view after walking ($n pixels, $x0,$y0 - $x1,$y1)"
SCROLL_X=$((x0 - TRUNK_X)) SCROLL_Y=$((y0 - TRUNK_TOP))
[ "$SCROLL_X" -ne 0 ] || [ "$SCROLL_Y" -ne 0 ] || fail 'the world did not scroll while walking'
[ $((SCROLL_X % 6)) -eq 0 ] && [ $((SCROLL_Y % 6)) -eq 0 ] ||
    fail "the world scrolled by ($SCROLL_X, $SCROLL_Y), not by whole steps of 6 pixels"
say "ok: the world scrolled by ($SCROLL_X, $SCROLL_Y) while walking"
if [ $((TABLE_X + SCROLL_X)) -ge 0 ] && [ $((TABLE_X + SCROLL_X + 64)) -le 800 ]; then
    until_shot 3 table-after-walk shows_picture $((TABLE_X + SCROLL_X)) $((TABLE_Y + SCROLL_Y)) 64 crafting.png ||
        fail 'the placed crafting table did not scroll with the world'
    say 'ok: the placed crafting table scrolled with the world'
fi

# ---------------------------------------------------------------- the replay
# A second game recording into the same file is refused at once, naming it; the first
# records on, as the verdict below shows.
GAME=("${PLAYER[@]}" --record "$REPLAY")
run_to_end second "$RUN_DIR" box
[ "$RUN_STATUS" -eq 1 ] && [ "$(tr -d '\r' <"$WORK/game-second.err")" = \
    "Brambix: cannot write the replay $REPLAY: another Brambix is writing it" ] ||
    fail "a second recording into the same file: status $RUN_STATUS, $(cat "$WORK/game-second.err")"
say "ok: a second recording into the same file is refused: $(cat "$WORK/game-second.err")"
stop_game 'the recorded session'
GAME=("${PLAYER[@]}" --replay "$REPLAY" --verify)
RUN_TO_END_S=60 run_to_end verify "$RUN_DIR" nobox
[ "$RUN_STATUS" -eq 0 ] && grep -q 'frames, state matches' "$WORK/verify.out" ||
    fail "the recorded session did not play back to the same state (status $RUN_STATUS: $(cat "$WORK/verify.out" "$WORK/game-verify.err"))"
say "ok: the recorded session plays back to the same state ($(tr -d '\r' <"$WORK/verify.out"))"
[ ! -s "$WORK/game.err" ] || fail "the recorded session printed: $(cat "$WORK/game.err")"
say 'PASS'
