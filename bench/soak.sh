#!/usr/bin/env bash
# A soak of the real game: random play with window resizes and F11 under Xvfb with a
# small window manager, printing the game's resident memory every 10 seconds.
#   bench/soak.sh BUILD_DIR [SECONDS]      (default 900)
# Prints "seconds rss_MiB" lines and, at the end, the change since the second minute.
set -uo pipefail
build=${1:?usage: bench/soak.sh BUILD_DIR [SECONDS]}
seconds=${2:-900}
for tool in Xvfb evilwm xdotool; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
work=$(mktemp -d)
n=$((200 + RANDOM % 300))
Xvfb ":$n" -screen 0 1920x1280x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=":$n"
mkdir -m 700 "$work/xdg"
export XDG_RUNTIME_DIR="$work/xdg"
game=
cleanup() {
  [[ -n $game ]] && kill "$game" 2>/dev/null && timeout 10 tail --pid="$game" -f /dev/null
  kill "$wm" "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
sleep 1
evilwm -bw 0 >"$work/wm.log" 2>&1 &
wm=$!
(cd "$build/run" && exec ./brambix >"$work/game.log" 2>&1) &
game=$!
wid=
for _ in $(seq 50); do
  wid=$(xdotool search --onlyvisible --name 'Brambix' 2>/dev/null | head -n 1) && [[ -n $wid ]] && break
  sleep 0.2
done
[[ -n $wid ]] || { echo "no game window after 10 s" >&2; exit 1; }

rss() { awk '/^VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$game/status"; }
keys=(w a s d 1 2 3 4 5 e)
start=$SECONDS next=0 at_two=
while ((SECONDS - start < seconds)); do
  kill -0 "$game" 2>/dev/null || { echo "the game ended: $(tail -n 3 "$work/game.log")" >&2; exit 1; }
  elapsed=$((SECONDS - start))
  if ((elapsed >= next)); then
    echo "$elapsed $(rss)"
    ((elapsed >= 120)) && [[ -z $at_two ]] && at_two=$(rss)
    next=$((next + 10))
  fi
  case $((RANDOM % 10)) in
    0) xdotool windowsize "$wid" $((200 + RANDOM % 1700)) $((150 + RANDOM % 1100)) 2>/dev/null ;;
    1) xdotool key --window "$wid" F11 2>/dev/null ;;
    2 | 3) xdotool mousemove --window "$wid" $((RANDOM % 800)) $((RANDOM % 600)) click $((RANDOM % 2 * 2 + 1)) 2>/dev/null ;;
    *) key=${keys[RANDOM % 10]} && xdotool keydown --window "$wid" "$key" sleep 0.2 keyup --window "$wid" "$key" 2>/dev/null ;;
  esac
  sleep 0.1
done
echo "end $(rss) MiB; after two minutes ${at_two:-?} MiB"
