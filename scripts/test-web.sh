#!/usr/bin/env bash
# The CI step for the browser: builds dist/web (scripts/build-web.sh), serves it on
# 127.0.0.1 and plays it in headless Chromium through WebDriver (tests/web/browser_test.py),
# comparing its first frame with the desktop game's, built from the same tree. Runs in
# the Debian 13 root of scripts/debian13.sh where this system is older (needs root; it
# asks sudo otherwise). Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
log_dir=$src/build-logs/web
mkdir -p "$log_dir"

summary_fail() {
  echo "Brambix in the browser: FAIL: $*"
  echo "0 passed, 1 failed"
  exit 1
}

if [[ -z ${BRAMBIX_WEB_IN_ROOT:-} ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    exec sudo --preserve-env=BRAMBIX_DEBIAN13_ROOT,BRAMBIX_WEB_LIBS bash "$0" "$@"
  fi
  source scripts/debian13.sh
  started=$SECONDS
  d13_make_root "$log_dir/debootstrap.log" || summary_fail "making the Debian 13 root"
  echo "== web: updating the Debian 13 root and installing emscripten and Chromium"
  d13_packages "$log_dir/packages.log" emscripten dpkg-dev binaryen zopfli terser chromium chromium-driver \
    python3-selenium python3-pil || summary_fail "installing packages"
  echo "   ready after $((SECONDS - started)) s"
  name=brambix-web-test-$$
  work=$(d13_copy_project "$name") || summary_fail "cannot copy the project into the root"
  trap 'd13_drop_project "$name"' EXIT
  d13_sh "cd $work && BRAMBIX_WEB_IN_ROOT=1 bash scripts/test-web.sh"
  status=$?
  cp -r "$D13_ROOT$work/build-logs/web/." "$log_dir/" 2>/dev/null
  echo "== web: $((SECONDS - started)) s in all"
  exit "$status"
fi

# Inside Debian 13 (or a system as recent).
bash scripts/build-web.sh || summary_fail "building dist/web (logs: build-logs/web)"
# A first visit moves each file of dist/web once at most, from a server that compresses
# nothing: a phone on a slow network plays within seconds only while that stays small.
# (What it moves now, with a little room: the wasm links no font library, no C++ streams
# and only the parts of SDL that a WebGL renderer uses; the page's scripts are minified.)
budget=325000
moved=$(cat dist/web/* | wc -c)
((moved <= budget)) || summary_fail "a first visit moves up to $moved bytes, past its budget of $budget"
echo "== web: a first visit moves at most $moved bytes (budget $budget)"

echo "== web: the desktop game's first frame, for comparison"
host=$src/build-web-host
cmake --build "$host" -j "${BRAMBIX_JOBS:-2}" --target brambix >>"$log_dir/host.log" 2>&1 ||
  summary_fail "building the desktop game (log: build-logs/web/host.log)"
rm -f "$host"/run/SDL_window*.bmp
# SDL's offscreen driver with the software renderer saves every frame it shows.
(cd "$host/run" && SDL_VIDEO_DRIVER=offscreen SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 \
  SDL_VIDEO_OFFSCREEN_SAVE_FRAMES=1 exec ./brambix) >"$log_dir/desktop.log" 2>&1 &
game=$!
for _ in $(seq 100); do
  frame=$(ls "$host"/run/SDL_window*-00000001.bmp 2>/dev/null | head -n 1)
  [[ -n $frame ]] && [[ $(ls "$host"/run/SDL_window*-00000002.bmp 2>/dev/null) ]] && break
  kill -0 "$game" 2>/dev/null || break
  sleep 0.1
done
kill -TERM "$game" 2>/dev/null
for _ in $(seq 50); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$game" 2>/dev/null
wait "$game" 2>/dev/null
[[ -n ${frame:-} ]] || summary_fail "the desktop game showed no frame within 10 s (log: build-logs/web/desktop.log)"
mv "$frame" "$log_dir/first-frame-desktop.bmp"
rm -f "$host"/run/SDL_window*.bmp

# A free port on the loopback, then the server, which the test waits for (bounded).
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# The page's files and, beside them, the committed replays that the page verifies.
serve=$src/build-web-serve
rm -rf "$serve" && mkdir -p "$serve/replays" && ln -s "$src"/dist/web/* "$serve/" && cp tests/replays/*.brx "$serve/replays/"
python3 -m http.server --bind 127.0.0.1 --directory "$serve" "$port" >"$log_dir/server.log" 2>&1 &
server=$!
trap 'kill -TERM "$server" 2>/dev/null; wait "$server" 2>/dev/null' EXIT
echo "== web: playing http://127.0.0.1:$port/ in headless Chromium"
# Its waits count the frames the page draws; this bound only ends a page that hangs (a
# busy machine draws a few frames a second, and the whole test then takes ten minutes).
cd "$log_dir" && timeout 1500 python3 "$src/tests/web/browser_test.py" "http://127.0.0.1:$port/" \
  "$log_dir/first-frame-desktop.bmp" "$host/run/assets" "$src/dist/web" $(cd "$serve" && ls replays/*.brx)
status=$?
[[ $status -eq 124 ]] && summary_fail "the browser test did not end within 1500 s"
exit "$status"
