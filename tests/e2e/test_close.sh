#!/usr/bin/env bash
# Ending the game: the window's close request (what a window manager sends when the
# player closes the window) and SIGTERM both end it with status 0, quietly.
source "$(dirname "$0")/lib.sh"
e2e_init close "$@"

XCLOSE=$(xclose_tool) || exit 1
start_x

# ---------------------------------------------------------------- close request
start_game
wait_for_game
xprop -id "$WID" WM_PROTOCOLS | grep -q 'WM_DELETE_WINDOW' ||
    fail "the window does not take close requests: $(xprop -id "$WID" WM_PROTOCOLS)"
say 'ok: the window takes close requests (WM_DELETE_WINDOW)'
# Closing in the middle of play, with the inventory screen open.
press e
until_shot 3 inventory-open eval 'color_near "$(pixel "$LAST_SHOT" 241 251)" "$PANEL_SLOT_FILL" 0' ||
    fail 'E did not open the inventory screen'
"$XCLOSE" "$WID" || fail 'could not send the close request'
wait_exit 5
[ "$GAME_STATUS" -eq 0 ] || fail "after the close request the game ended with status $GAME_STATUS"
say 'ok: the close request ends the game with status 0'
find_window && fail 'the window is still there after the game ended'
[ ! -s "$WORK/game.out" ] && [ ! -s "$WORK/game.err" ] || fail 'the game printed something (see game.out, game.err)'
say 'ok: nothing printed'

# ---------------------------------------------------------------- SIGTERM
start_game
wait_for_game
stop_game 'SIGTERM'
say 'ok: SIGTERM ends the game with status 0'
find_window && fail 'the window is still there after the game ended'
[ ! -s "$WORK/game.out" ] && [ ! -s "$WORK/game.err" ] || fail 'the game printed something (see game.out, game.err)'
say 'PASS'
