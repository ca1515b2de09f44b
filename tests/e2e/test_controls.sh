#!/usr/bin/env bash
# Controls the player chose: with controls.json binding walk_right to the Right arrow the
# game walks right on Right and not on D, and --controls lists it; a file with faults
# starts the game with the defaults and the notice names the entry.
source "$(dirname "$0")/lib.sh"
e2e_init controls "$@"

start_x
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME/brambix"
CONTROLS=$XDG_CONFIG_HOME/brambix/controls.json
PLAYER=("${GAME[@]}")
TRUNK_X=$(tile_x -1) TRUNK_Y=$(tile_y 0)
# The trunk left of the player, at DX pixels from where it stands at the start.
trunk_at() { shows_picture $((TRUNK_X + $1)) "$TRUNK_Y" 64 wood.png; }
# Walked right by 10 frames or a few more (the key is read held until the game is
# stopped to let it go): the world moved left by 6 pixels a frame.
trunk_walked() {
    local dx
    for dx in $(seq -60 -6 -96); do
        trunk_at "$dx" && return 0
    done
    return 1
}

# walks RUN KEY WHERE: in a game started as RUN, after KEY was held for 10 frames the
# trunk is WHERE (trunk_at 0: as it was; trunk_walked: walked right).
walks() {
    local run=$1 key=$2
    shift 2
    GAME=("${PLAYER[@]}" --record "$run.brx")
    E2E_RECORDING=$WORK/$run.brx
    start_game "$WORK"
    wait_for_game
    until_shot 3 "$run-start" trunk_at 0 || fail "$run: the trunk is not left of the player at the start"
    hold "$key" 10
    until_shot 3 "$run-walked" "$@" || fail "$run: after $key was held for 10 frames, not $*"
    say "ok: $run: after $key was held for 10 frames, $*"
}

printf '{"walk_right": ["Right"]}\n' >"$CONTROLS"
(cd "$WORK" && "${PLAYER[@]}" --controls >controls.out 2>controls.err) || fail "--controls ended with status $?"
grep -qE '^walk_right +Right$' "$WORK/controls.out" && grep -qF "file: $CONTROLS" "$WORK/controls.out" &&
    [ ! -s "$WORK/controls.err" ] || fail "--controls: $(cat "$WORK/controls.out" "$WORK/controls.err")"
say 'ok: --controls lists walk_right on Right and names the file'
walks bound-d d trunk_at 0
stop_game 'D bound to nothing'
walks bound-right Right trunk_walked
stop_game 'walking on Right'
[ ! -s "$WORK/game.err" ] || fail "a good controls file is not silent: $(cat "$WORK/game.err")"

printf '{"walk_right": ["Rihgt"], "hold_ms": 5}\n' >"$CONTROLS"
walks faulty d trunk_walked
stop_game 'a faulty controls file'
grep -qF "\"walk_right\": no key or button is named \"Rihgt\"" "$WORK/game.err" &&
    grep -qF '"hold_ms": is 5' "$WORK/game.err" || fail "the notice does not name the faulty entries: $(cat "$WORK/game.err")"
say 'ok: a faulty controls file starts with the defaults and names each faulty entry'
