# Shared helpers for the end-to-end tests: a private X server (Xvfb), the real game in
# it, real input through XTest (xdotool), screenshots (ImageMagick's import) and checks
# on their pixels.
#
# A script sources this file, then calls e2e_init NAME BINARY RUN-DIR, and starts the
# game as "${GAME[@]}". With BRAMBIX_E2E_LAUNCHER set (to "wine") the binary is the
# Windows build, started through it: the game is then ended with a window close (Windows
# has no SIGTERM), a fatal error also shows a message box, and paths in its messages are
# Windows paths. Every helper
# that fails ends the script with status 1 and a message naming the screenshot to look
# at. The work folder (screenshots, game output) is removed after a passing run unless
# BRAMBIX_E2E_KEEP is set, and kept after a failing one.

set -u

E2E_TITLE='Brambix ULTIMATE'
E2E_LAUNCHER=${BRAMBIX_E2E_LAUNCHER:-}
E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Colours the game draws (r g b).
BACKGROUND='30 30 30'
PANEL_SLOT_FILL='80 80 80'
GRID_CELL_FILL='100 100 100'
RESULT_FILL='150 150 150'
RED_OF_HEART_AND_MEAT='184 50 40'

# Window layout at the start position: the player's sprite, tile (0, 0), is at
# (368, 268); tile (tx, ty) covers x 368 + 64 tx .. +64, y 268 + 64 ty .. +64.
tile_x() { echo $((368 + 64 * $1)); }
tile_y() { echo $((268 + 64 * $1)); }
hotbar_x() { echo $((275 + 50 * $1)); }          # y 540
inv_x() { echo $((240 + 45 * ($1 % 7))); }
inv_y() { echo $((250 + 45 * ($1 / 7))); }
cell22_x() { echo $((320 + 45 * ($1 % 2))); }
cell22_y() { echo $((100 + 45 * ($1 / 2))); }
cell33_x() { echo $((300 + 45 * ($1 % 3))); }
cell33_y() { echo $((80 + 45 * ($1 / 3))); }

E2E_FAILED=0
XVFB_PID=''
GAME_PID=''
WID=''
LAST_SHOT=''

say() { printf '%s\n' "$*"; }

fail() {
    E2E_FAILED=1
    printf 'FAIL: %s\n' "$*" >&2
    if [ -n "$LAST_SHOT" ]; then
        printf '      last screenshot: %s\n' "$LAST_SHOT" >&2
    fi
    exit 1
}

# stop_process PID NAME: ends a process this script started, TERM first, KILL after 5 s;
# never waits longer than that.
stop_process() {
    local pid=$1 i
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        printf '%s (pid %s) did not end 5 s after SIGTERM: killed\n' "$2" "$pid" >&2
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    local status=$?
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill -KILL "$GAME_PID" 2>/dev/null
        wait "$GAME_PID" 2>/dev/null
    fi
    [ -n "$XVFB_PID" ] && stop_process "$XVFB_PID" Xvfb
    if [ "$status" -ne 0 ] || [ "$E2E_FAILED" -ne 0 ] || [ -n "${BRAMBIX_E2E_KEEP:-}" ]; then
        printf 'work folder kept: %s\n' "$WORK" >&2
        for f in "$WORK"/game*.err; do
            [ -s "$f" ] && { printf -- '--- %s:\n' "$f" >&2; head -n 20 "$f" >&2; }
        done
    else
        rm -rf "$WORK"
    fi
    exit "$status"
}

# e2e_init NAME BINARY RUN-DIR
e2e_init() {
    local name=$1
    if [ $# -ne 3 ]; then
        printf 'usage: bash %s PATH-TO-BRAMBIX RUN-DIR\n' "$0" >&2
        exit 2
    fi
    BIN=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
    RUN_DIR=$(cd "$3" && pwd)
    if [ -n "$E2E_LAUNCHER" ]; then
        [ -f "$BIN" ] || { printf 'no game binary at %s\n' "$BIN" >&2; exit 2; }
        # shellcheck disable=SC2206 # a command and its words, e.g. "wine"
        GAME=($E2E_LAUNCHER "$BIN")
    else
        [ -x "$BIN" ] || { printf 'no game binary at %s\n' "$BIN" >&2; exit 2; }
        GAME=("$BIN")
    fi
    [ -d "$RUN_DIR/assets" ] || { printf 'no assets folder in %s\n' "$RUN_DIR" >&2; exit 2; }
    local tool
    for tool in Xvfb xdotool xwininfo xprop import convert; do
        command -v "$tool" >/dev/null || { printf 'missing tool: %s\n' "$tool" >&2; exit 2; }
    done
    # In a sanitizer build the game still stops at the first memory error or undefined
    # behaviour, but its leak check is left to the tests without a display: in a real X
    # session it reports what the display stack (D-Bus, SDL's X11 back end, the GL
    # driver, unloaded by then) keeps at exit, which the game cannot free.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    WORK=$(mktemp -d "/tmp/brambix-e2e-$name.XXXXXX")
    trap e2e_cleanup EXIT
    # A private session folder, as a desktop session gives every program: without one,
    # libraries that SDL probes for a display complain on standard error by themselves.
    mkdir -m 700 "$WORK/runtime"
    export XDG_RUNTIME_DIR="$WORK/runtime"
    # A configuration folder of its own: the controls.json of whoever runs the tests
    # never reaches the game.
    export XDG_CONFIG_HOME="$WORK/config"
    trap 'exit 130' INT TERM
}

# xdo ARGS...: xdotool with a time limit (its --sync options wait for X events that may
# never come); fails when it did not finish within 10 s.
xdo() {
    timeout 10 xdotool "$@"
}

# poll SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; fails after SECONDS.
poll() {
    local limit=$1
    shift
    local end=$((SECONDS + limit + 1))
    local start_ns
    start_ns=$(date +%s%N)
    while true; do
        "$@" && return 0
        if [ $((($(date +%s%N) - start_ns) / 1000000)) -ge $((limit * 1000)) ] || [ "$SECONDS" -ge "$end" ]; then
            return 1
        fi
        sleep 0.05
    done
}

# Starts a private X server with a 24-bit screen (E2E_SCREEN_SIZE, default 1024x768)
# and exports DISPLAY. The display number is picked at random from a wide range rather
# than the first free one: a server's lock file lives in its own /tmp, but its abstract
# socket is shared with every root on the machine (a chroot, the host), where the first
# free number may well be taken; a server that cannot listen ends at once, and another
# number is tried.
start_x() {
    local dfile="$WORK/display" try n
    for try in 1 2 3 4 5; do
        n=$((200 + RANDOM % 30000))
        [ -e "/tmp/.X$n-lock" ] && continue
        : >"$dfile"
        # -noreset: by default the server resets when its last client leaves, and a game
        # started again in that moment cannot connect ("SDL/TTF initialization failed!").
        Xvfb ":$n" -displayfd 3 -screen 0 "${E2E_SCREEN_SIZE:-1024x768}x24" -nolisten tcp -s 0 -noreset \
            3>"$dfile" >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        # The number is written once the server listens; a server that cannot ends.
        poll 10 eval 'grep -q "^[0-9]" "$dfile" || ! kill -0 "$XVFB_PID" 2>/dev/null'
        if grep -q '^[0-9]' "$dfile" && kill -0 "$XVFB_PID" 2>/dev/null; then
            # Wine's desktop stays on the display its first program was started on: a
            # new one, kept running for the script, is started for this server.
            # Its services start with it, away from the game's output.
            if [ "$E2E_LAUNCHER" = wine ]; then
                wineserver -k 2>/dev/null
                wineserver -p </dev/null >/dev/null 2>&1
                DISPLAY=":$n" timeout 60 wine wineboot </dev/null >/dev/null 2>&1
            fi
            export DISPLAY=":$n"
            unset WAYLAND_DISPLAY
            # Whatever the caller's environment says, the game is to use the X server.
            unset SDL_VIDEODRIVER SDL_VIDEO_DRIVER
            return 0
        fi
        stop_process "$XVFB_PID" Xvfb
        XVFB_PID=''
    done
    fail "Xvfb did not start on any of five display numbers (last log: $WORK/xvfb.log)"
}

game_alive() { [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; }

# start_game [RUN-DIR]: starts the game from RUN-DIR (default: the run dir given to the
# script), its output in $WORK/game.out and $WORK/game.err.
start_game() {
    local dir=${1:-$RUN_DIR}
    (cd "$dir" && exec "${GAME[@]}" >"$WORK/game.out" 2>"$WORK/game.err") &
    GAME_PID=$!
}

# find_window: sets WID to the game's mapped (viewable) window; fails when there is none.
find_window() {
    WID=$(xdo search --onlyvisible --name "^${E2E_TITLE}\$" 2>/dev/null | head -n 1)
    [ -n "$WID" ]
}

# The game's window is mapped and is still the same mapped window a moment later: SDL
# creates, destroys and creates its window again while starting.
window_settled() {
    find_window || return 1
    local first=$WID
    sleep 0.3
    find_window && [ "$WID" = "$first" ]
}

window_or_exit() { window_settled || ! game_alive; }

# Waits for the game's window, gives it the keyboard and waits for a first drawn frame
# (the selected hotbar slot's red fill).
wait_for_game() {
    poll 15 window_or_exit || fail "no window titled '$E2E_TITLE' that stayed mapped within 15 s"
    if ! game_alive; then
        # Ended by itself: reaping it cannot block.
        local status=0
        wait "$GAME_PID" || status=$?
        GAME_PID=''
        kill -0 "$XVFB_PID" 2>/dev/null || fail "the X server (Xvfb, $DISPLAY) is gone: something else ended it"
        fail "the game ended with status $status before showing its window"
    fi
    xdo mousemove --window "$WID" --sync 400 450 >/dev/null 2>&1
    xdo windowfocus --sync "$WID" >/dev/null 2>&1 || xdo windowfocus "$WID" ||
        fail "could not give the game's window the keyboard within 10 s"
    poll 10 first_frame_drawn || fail "the game drew no frame within 10 s"
}

first_frame_drawn() {
    shot first >/dev/null 2>&1 || return 1
    color_near "$(pixel "$LAST_SHOT" 277 542)" '219 96 76' 70
}

# shot NAME: screenshot of the game window into $WORK/NAME.png; sets LAST_SHOT.
shot() {
    LAST_SHOT="$WORK/$1.png"
    timeout 10 import -window "$WID" "$LAST_SHOT"
}

# mean FILE X Y W H: the mean colour of a rectangle, as "r g b" (0-255).
mean() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off \
        -format '%[fx:int(255*mean.r+0.5)] %[fx:int(255*mean.g+0.5)] %[fx:int(255*mean.b+0.5)]' info:
}

pixel() { mean "$1" "$2" "$3" 1 1; }

# color_near "r g b" "R G B" TOLERANCE: every channel within TOLERANCE.
color_near() {
    local a b i
    read -r -a a <<<"$1"
    read -r -a b <<<"$2"
    [ "${#a[@]}" -eq 3 ] && [ "${#b[@]}" -eq 3 ] || return 1
    for i in 0 1 2; do
        local d=$((a[i] - b[i]))
        [ "${d#-}" -le "$3" ] || return 1
    done
}

# The game draws pictures scaled with nearest-pixel sampling. Where a window pixel's centre
# falls exactly on the edge between two source pixels (at 40 of 64, every fifth row and
# column), the renderer's floating point may take either one, and a GL renderer does not
# take the same one on every row. So a square is compared with the picture sampled at a
# few offsets (ImageMagick's -sample), pixel by pixel: a pixel differs only when it
# matches none of them. Only the picture's own (opaque) pixels are compared, so whatever
# shows through around it does not matter, and the bottom-right corner, where a stack
# count may be drawn, is left out.
SAMPLE_OFFSETS='50x50 40x40 60x60 40x60 60x40'
count_corner() { echo "$(($1 / 2)),$(($1 * 9 / 20)) $(($1 - 1)),$(($1 - 1))"; }

# square_mismatch X Y SIZE PICTURE: how many of the picture's pixels in the square at X, Y
# of the last screenshot differ from every sampling of the picture.
square_mismatch() {
    local offset i=0 pic="$RUN_DIR/assets/$4" size=$3
    local diffs=()
    convert "$LAST_SHOT" -crop "${size}x${size}+$1+$2" +repage -alpha off "$WORK/square.png"
    for offset in $SAMPLE_OFFSETS; do
        # The picture as drawn, black where it is transparent or a count may be, and the
        # mask of the pixels compared (white).
        convert "$pic" -define "sample:offset=$offset" -sample "${size}x${size}!" \
            \( +clone -alpha extract -threshold 50% -fill black -draw "rectangle $(count_corner "$size")" \
            -write "$WORK/opaque.png" +delete \) \
            -background black -alpha remove -alpha off -fill black -draw "rectangle $(count_corner "$size")" \
            "$WORK/expected.png"
        convert "$WORK/square.png" "$WORK/opaque.png" -compose multiply -composite "$WORK/got.png"
        # White where the pixel differs from this sampling.
        compare -fuzz 4% -metric AE -highlight-color white -lowlight-color black -compose src \
            "$WORK/got.png" "$WORK/expected.png" "$WORK/diff-$i.png" 2>/dev/null
        diffs+=("$WORK/diff-$i.png")
        i=$((i + 1))
    done
    convert "${diffs[@]}" -alpha off -evaluate-sequence min -threshold 50% -format '%[fx:int(mean*w*h+0.5)]' info:
}

# shows_picture X Y SIZE PICTURE: the square at X, Y of the last screenshot shows PICTURE
# (a file of the assets), drawn SIZE by SIZE: at most 3% of the square's pixels differ.
shows_picture() {
    local n
    n=$(square_mismatch "$@")
    [ "$n" -le $(($3 * $3 * 3 / 100)) ]
}

# expect_picture WHAT X Y SIZE PICTURE
expect_picture() {
    local what=$1
    shift
    local n
    n=$(square_mismatch "$@")
    [ "$n" -le $(($3 * $3 * 3 / 100)) ] ||
        fail "$what: expected the picture $4; $n pixels differ"
    say "ok: $what shows $4"
}

# expect_empty_slot WHAT X Y FILL: an opaque slot of the screens shows only its fill.
expect_empty_slot() {
    local got
    got=$(mean "$LAST_SHOT" $(($2 + 1)) $(($3 + 1)) 38 38)
    color_near "$got" "$4" 1 || fail "$1: expected an empty slot of fill ($4), found mean ($got)"
    say "ok: $1 is empty"
}

# count_shown X Y: whether a stack count is drawn in the slot at X, Y: white text in its
# bottom-right corner. No item picture has a pixel whose three channels are all above 248,
# and every digit has a few.
count_shown() {
    local n
    n=$(convert "$LAST_SHOT" -crop "17x21+$(($1 + 22))+$(($2 + 18))" +repage -alpha off \
        -separate -evaluate-sequence min -threshold 97% -format '%[fx:int(mean*w*h+0.5)]' info:)
    [ "$n" -ge 3 ]
}

expect_count_shown() {
    count_shown "$2" "$3" || fail "$1: no count drawn"
    say "ok: $1 shows a count"
}

expect_no_count() {
    count_shown "$2" "$3" && fail "$1: a count is drawn"
    say "ok: $1 shows no count"
}

# Creatures. Their bodies are the one place where these colours occur in the world
# (the crafting table's saw is near-white too, but fewer than 100 pixels).
PIG_PINK='238 155 176'
WOOL_WHITE='244 240 228' # sheep and cow alike

clip_box() { # X0 Y0 X1 Y1 -> "x y w h" inside the window
    local x0=$1 y0=$2 x1=$3 y1=$4
    [ "$x0" -lt 0 ] && x0=0
    [ "$y0" -lt 0 ] && y0=0
    [ "$x1" -gt 800 ] && x1=800
    [ "$y1" -gt 600 ] && y1=600
    echo "$x0 $y0 $((x1 - x0)) $((y1 - y0))"
}

# creature_near X Y: whether a creature's square could be under X, Y within the next few
# frames (creatures walk 1.2 pixels a frame).
creature_near() {
    local bx by bw bh
    read -r bx by bw bh <<<"$(clip_box $(($1 - 84)) $(($2 - 84)) $(($1 + 84)) $(($2 + 84)))"
    [ "$(count_color "$LAST_SHOT" "$bx" "$by" "$bw" "$bh" "$PIG_PINK" 2)" -gt 0 ] && return 0
    [ "$(count_color "$LAST_SHOT" "$bx" "$by" "$bw" "$bh" "$WOOL_WHITE" 2)" -gt 100 ]
}

_no_creature_near() { ! creature_near "$@"; }

# world_click X Y [BUTTON]: a click on the world once no creature is about to be under
# the pointer, so that it reaches the tile.
world_click() {
    until_still 10 before-world-click _no_creature_near "$1" "$2" ||
        fail "a creature stayed near ($1, $2) for 10 s"
    send_click "$1" "$2" "${3:-1}"
    thaw
    settle
}

# color_mask FILE X Y W H "r g b" FUZZ%: a black picture with the pixels near the colour white
# (written to $WORK/mask.png).
color_mask() {
    local target="rgb(${6// /,})"
    convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off \
        -fuzz "$7%" -fill 'rgb(1,2,3)' -opaque "$target" \
        -fuzz 0 -fill black +opaque 'rgb(1,2,3)' -fill white -opaque 'rgb(1,2,3)' "$WORK/mask.png"
}

# count_color FILE X Y W H "r g b" FUZZ%: how many pixels of the rectangle have about that colour.
count_color() {
    color_mask "$@"
    convert "$WORK/mask.png" -format '%[fx:int(mean*w*h+0.5)]' info:
}

# color_box FILE X Y W H "r g b" FUZZ%: "count x0 y0 x1 y1" of the pixels of about that colour
# (window coordinates, inclusive); only the count (0) when there are none.
color_box() {
    color_mask "$@"
    local out n box
    out=$(convert "$WORK/mask.png" -bordercolor black -border 1 2>/dev/null \
        -format '%[fx:int(mean*w*h+0.5)] %@' info:)
    n=${out%% *}
    if [ "$n" -eq 0 ]; then
        echo 0
        return
    fi
    box=${out#* }
    local bw bh bx by
    bw=${box%%x*}
    box=${box#*x}
    bh=${box%%+*}
    box=${box#*+}
    bx=${box%%+*}
    by=${box#*+}
    echo "$n $(($2 + bx - 1)) $(($3 + by - 1)) $(($2 + bx - 1 + bw - 1)) $(($3 + by - 1 + bh - 1))"
}

# Input. The game reads the pointer position when it handles a click, not the one carried
# by the event, so after a click the pointer stays put until the game has surely handled
# it: two frames drawn, counted in its recording when the script has it write one
# (E2E_RECORDING, the game started with --record), else E2E_STEP seconds (it draws about
# 60 frames a second on an idle machine).
E2E_STEP=${BRAMBIX_E2E_STEP:-0.12}
E2E_RECORDING=''

# frames_drawn: how many whole frames the recording holds (docs/replays.md: a header,
# then per frame a byte of flags and the parts they announce).
frames_drawn() {
    od -An -v -tu1 "$E2E_RECORDING" 2>/dev/null | awk '
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        function varint() { while (p < n && b[p++] >= 128) {} }
        function skip(k) { p += k }
        END {
            p = 11 + b[10] + 16  # magic, version, the game version text, digest, start tick
            frames = 0
            while (p < n) {
                f = b[p++]
                if (f % 2 >= 1) varint()
                if (f % 4 >= 2) varint()
                if (f % 8 >= 4) {
                    count = 0; shift = 1
                    while (p < n) { v = b[p++]; count += (v % 128) * shift; shift *= 128; if (v < 128) break }
                    for (e = 0; e < count && p < n; e++) {
                        kind = b[p++]
                        if (kind == 1) varint()
                        if (kind == 2) { varint(); skip(8) }
                    }
                }
                if (f % 16 >= 8) skip(8)
                if (f % 32 >= 16) skip(28)
                if (p > n) break
                frames++
            }
            print frames
        }'
}

# wait_frames N WHAT: waits until the game has drawn N more frames (counted in its
# recording); fails when it has not within 60 s, saying what it waited for.
wait_frames() {
    local want=$(($(frames_drawn) + $1)) end=$((SECONDS + 60))
    until [ "$(frames_drawn)" -ge "$want" ]; do
        [ "$SECONDS" -lt "$end" ] ||
            fail "the game did not draw $1 frames $2 within 60 s (it stands at $(frames_drawn), waited for $want)"
        sleep 0.01
    done
}

# settle: lets the game handle the input just sent (see above).
settle() {
    if [ -z "$E2E_RECORDING" ]; then
        sleep "$E2E_STEP"
        return
    fi
    wait_frames 2 'after the input'
}

# freeze, thaw: stop and continue the game's process. Between a screenshot and the input
# that acts on what it shows, the game is stopped: creatures walk on every frame, and a
# busy machine may take seconds to look at a screenshot. Input sent meanwhile waits in
# the game's queue and is read by its next frame, with the world at most a frame further.
freeze() { kill -STOP "$GAME_PID" 2>/dev/null; }
thaw() { kill -CONT "$GAME_PID" 2>/dev/null; }

# move X Y: moves the pointer to a window position and waits until it is there. (xdotool's
# --sync waits for a motion that never comes when the pointer is already in place.)
POINTER_AT=''
move() {
    [ "$POINTER_AT" = "$1 $2" ] && return 0
    xdo mousemove --window "$WID" --sync "$1" "$2" >/dev/null ||
        fail "the pointer did not reach ($1, $2) within 10 s"
    POINTER_AT="$1 $2"
}

# click X Y [BUTTON]: a click at a window position (button 1 left, 3 right); send_click
# leaves out the wait for the game to handle it.
send_click() {
    move "$1" "$2"
    sleep 0.03
    xdo mousedown "${3:-1}" mouseup "${3:-1}" || fail "xdotool could not click within 10 s"
}
click() {
    send_click "$@"
    settle
}

# click_slot X Y [BUTTON]: a click in the middle of the 40 by 40 slot whose top-left is X, Y,
# on an open screen. Then the pointer rests in a corner of the panel away from every slot,
# as the stack it carries is drawn around it.
click_slot() {
    click $(($1 + 20)) $(($2 + 20)) "${3:-1}"
    move 575 475
}

# press KEY: one key press and release (the game acts on the key-down event).
press() {
    xdo key "$1" || fail "xdotool could not press $1 within 10 s"
    settle
}

# hold KEY FRAMES: keeps a key down while the game draws FRAMES frames (it reads held keys
# once a frame, so a walk goes as far however fast the machine); the game is stopped while
# the key goes up, so that no frame is drawn after the count with the key still down.
hold() {
    [ -n "$E2E_RECORDING" ] || fail 'hold counts frames in the recording: E2E_RECORDING is not set'
    xdo keydown "$1" || fail "xdotool could not press $1 within 10 s"
    wait_frames "$2" "with $1 held"
    freeze
    xdo keyup "$1" || fail "xdotool could not release $1 within 10 s"
    thaw
    settle
}

# expect_color WHAT "r g b" "R G B" TOLERANCE
expect_color() {
    color_near "$2" "$3" "$4" || fail "$1: colour ($2), expected ($3) within $4"
    say "ok: $1 ($2)"
}

# until_shot SECONDS NAME CHECK-COMMAND...: screenshots until the check (run after each
# shot, which it reads as $LAST_SHOT) passes; the game draws at its own pace, so a change
# shows a frame or two after the input.
# With a recording the limit is counted in the frames the game draws in SECONDS on an idle
# machine (60 a second); the wall clock then only bounds a game that stopped drawing.
# until_still: the same, then once the check passes the game is stopped and the check made
# again on a new shot; it returns with the game stopped when that passes too, for the input
# that acts on what the shot showed (then thaw). Creatures choose where to go by the clock,
# so the game runs while they are waited for.
until_still() { E2E_STILL=1 until_shot "$@"; }
until_shot() {
    local limit=$1 name=$2
    shift 2
    _until_shot_once() {
        shot "$name" && "$@" || return 1
        [ -z "${E2E_STILL:-}" ] && return 0
        freeze
        shot "$name" && "$@" && return 0
        thaw
        return 1
    }
    [ -n "$E2E_RECORDING" ] || {
        poll "$limit" _until_shot_once "$@"
        return
    }
    local last=$(($(frames_drawn) + 60 * limit)) end=$((SECONDS + 30 * limit + 30))
    until _until_shot_once "$@"; do
        [ "$(frames_drawn)" -lt "$last" ] && [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.05
    done
}

# Path of the helper that sends a window close request; built here when the build did
# not make it.
xclose_tool() {
    local candidate
    for candidate in "${BRAMBIX_XCLOSE:-}" "$(dirname "$BIN")/../tests/e2e/brambix_xclose"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    local built="$WORK/brambix_xclose"
    if [ ! -x "$built" ]; then
        ${CXX:-c++} -O1 -o "$built" "$E2E_LIB_DIR/tools/xclose.cpp" -lX11 >"$WORK/xclose-build.log" 2>&1 ||
            fail "cannot build the close-request helper (log: $WORK/xclose-build.log)"
    fi
    echo "$built"
}

# wait_exit SECONDS: waits for the game to end and sets GAME_STATUS to its exit status;
# fails when it is still running after SECONDS.
wait_exit() {
    poll "$1" eval '! game_alive' || fail "the game was still running $1 s after being asked to close"
    # It has ended: reaping it cannot block.
    GAME_STATUS=0
    wait "$GAME_PID" || GAME_STATUS=$?
    GAME_PID=''
}

# stop_game WHAT: ends the game with SIGTERM, as a desktop does at logout (on Windows,
# which has none, with the window's close request), and fails unless it ends within 5 s
# with status 0.
stop_game() {
    if [ -n "$E2E_LAUNCHER" ]; then
        "$(xclose_tool)" "$WID" || fail "$1: could not send the close request"
    else
        kill -TERM "$GAME_PID"
    fi
    wait_exit 5
    [ "$GAME_STATUS" -eq 0 ] || fail "$1: when asked to end, the game ended with status $GAME_STATUS"
}

# game_path DIR: DIR as the game names it in its messages.
game_path() {
    if [ -n "$E2E_LAUNCHER" ]; then
        winepath -w "$1" 2>/dev/null
    else
        (cd "$1" && pwd -P)
    fi
}

# answer_box WID: presses Return in the message box WID until it has gone, for at most
# 10 s: a key that arrives while Wine is still setting the box up is lost.
answer_box() {
    _box_answered() {
        xdo windowfocus --sync "$1" >/dev/null 2>&1
        xdo key --window "$1" Return >/dev/null 2>&1
        sleep 0.3
        ! xdo search --onlyvisible --name '^Brambix$' 2>/dev/null | grep -qx "$1"
    }
    poll 10 _box_answered "$1" || fail "the message box (window $1) was still there after 10 s of pressing Return"
}

# run_to_end NAME DIR BOX [ENV-ARGUMENTS...]: runs the game from DIR, with the
# environment changed by env(1) ENV-ARGUMENTS, until it ends by itself (at most
# RUN_TO_END_S seconds, 20 unless set); its output in $WORK/NAME.out and
# $WORK/game-NAME.err; sets RUN_STATUS. On Windows a fatal error also shows a message box
# titled Brambix: with BOX "box" it must appear, and it is answered with Enter.
run_to_end() {
    local name=$1 dir=$2 box=$3
    shift 3
    (cd "$dir" && exec env "$@" timeout "${RUN_TO_END_S:-20}" "${GAME[@]}" >"$WORK/$name.out" 2>"$WORK/game-$name.err") &
    local pid=$!
    if [ -n "$E2E_LAUNCHER" ] && [ "$box" = box ]; then
        local box
        poll 15 eval 'box=$(xdo search --onlyvisible --name "^Brambix\$" 2>/dev/null | head -n 1); [ -n "$box" ]' ||
            fail "$name: no message box titled Brambix within 15 s"
        LAST_SHOT="$WORK/box-$name.png"
        timeout 10 import -window "$box" "$LAST_SHOT" >/dev/null 2>&1
        say "ok: $name: a message box (screenshot $LAST_SHOT)"
        answer_box "$box"
    fi
    RUN_STATUS=0
    wait "$pid" || RUN_STATUS=$?
}
