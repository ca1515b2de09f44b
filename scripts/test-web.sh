#!/usr/bin/env bash
# The CI step for the browser: builds dist/web (scripts/build-web.sh), serves it on
# 127.0.0.1 and plays it (tests/web/browser_test.py, comparing its first frame with the
# desktop game's, built from the same tree) in three engines, each from Debian's packages:
# headless Chromium through chromedriver, WebKitGTK's MiniBrowser through WebKitWebDriver
# and Firefox ESR over WebDriver BiDi, the last two under Xvfb (Firefox offers WebGL only
# with an X display). Runs in the Debian 13 root of scripts/debian13.sh where this system
# is older (needs root; it asks sudo otherwise). Says each engine's counts and ends with
# "N passed, N failed, N skipped"; one engine's failure fails the step.
#
#   BRAMBIX_BROWSERS   the engines to play in (default "chromium webkit firefox")
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
    exec sudo --preserve-env=BRAMBIX_DEBIAN13_ROOT,BRAMBIX_WEB_LIBS,BRAMBIX_BROWSERS,BRAMBIX_WEB_CCACHE bash "$0" "$@"
  fi
  source scripts/debian13.sh
  started=$SECONDS
  d13_make_root "$log_dir/debootstrap.log" || summary_fail "making the Debian 13 root"
  echo "== web: updating the Debian 13 root and installing emscripten, Chromium, WebKitGTK and Firefox"
  d13_packages "$log_dir/packages.log" "${D13_WEB_BUILD_PACKAGES[@]}" "${D13_BROWSER_PACKAGES[@]}" ||
    summary_fail "installing packages"
  echo "   ready after $((SECONDS - started)) s"
  name=brambix-web-test-$$
  work=$(d13_copy_project "$name") || summary_fail "cannot copy the project into the root"
  trap 'd13_drop_project "$name"' EXIT
  d13_sh "cd $work && BRAMBIX_WEB_IN_ROOT=1 bash scripts/test-web.sh"
  status=$?
  cp -r "$D13_ROOT$work/build-logs/web/." "$log_dir/" 2>/dev/null
  # The page as built, before any row played it: a release of this commit takes it as it is.
  if [[ -d $D13_ROOT$work/build-web-built ]]; then
    rm -rf dist/web && mkdir -p dist && cp -r "$D13_ROOT$work/build-web-built" dist/web && d13_made_from dist/web
  fi
  echo "== web: $((SECONDS - started)) s in all"
  exit "$status"
fi

# Inside Debian 13 (or a system as recent). The compiled objects of both builds are kept
# between runs (ccache, outside the copy of the project).
export BRAMBIX_WEB_CCACHE=${BRAMBIX_WEB_CCACHE:-/var/cache/brambix/web-ccache}
export CCACHE_DIR=$BRAMBIX_WEB_CCACHE CCACHE_BASEDIR=$src
bash scripts/build-web.sh || summary_fail "building dist/web (logs: build-logs/web)"
rm -rf build-web-built && cp -r dist/web build-web-built
# A first visit moves each file of dist/web once at most, from a server that compresses
# nothing: a phone on a slow network plays within seconds only while that stays small.
# (What it moves now, 280 kB with the Controls and Recipes panels, with a little room:
# the wasm links no font library, no C++ streams and only the parts of SDL that a WebGL
# renderer uses; the scripts are minified, and all of the page's but its head's are packed.)
budget=290000
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
# Each engine in a folder of its own (the pictures a failing row keeps). Its waits count
# the frames the page draws; this bound only ends a page that hangs (a busy machine draws
# a few frames a second, and one engine's run then takes ten minutes).
status=0 passed=0 failed=0 skipped=0 counts=()
for engine in ${BRAMBIX_BROWSERS:-chromium webkit firefox}; do
  echo "== web: playing http://127.0.0.1:$port/ in $engine"
  mkdir -p "$log_dir/$engine"
  display=()
  [[ $engine != chromium ]] && display=(xvfb-run -a -s "-screen 0 1280x1024x24")
  started=$SECONDS
  (cd "$log_dir/$engine" && BRAMBIX_BROWSER=$engine WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 \
    timeout 1500 "${display[@]}" python3 "$src/tests/web/browser_test.py" "http://127.0.0.1:$port/" \
    "$log_dir/first-frame-desktop.bmp" "$host/run/assets" "$src/dist/web" $(cd "$serve" && ls replays/*.brx)) 2>&1 |
    tee "$log_dir/$engine.log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[A-Za-z]+: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped$' "$log_dir/$engine.log" | tail -n 1)
  [[ $rc -eq 124 ]] && line="$engine: 0 passed, 1 failed, 0 skipped (did not end within 1500 s)"
  [[ -n $line ]] || line="$engine: 0 passed, 1 failed, 0 skipped (no summary)"
  read -r p f s <<<"$(sed -E 's/^[^:]+: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/' <<<"$line")"
  [[ $rc -ne 0 && $f -eq 0 ]] && f=1
  passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
  counts+=("$line in $((SECONDS - started)) s")
  [[ $rc -eq 0 ]] || status=1
done
echo
printf '%s\n' "${counts[@]}"
echo "Brambix in the browser: $([[ $status -eq 0 ]] && echo PASS || echo FAIL)"
echo "$passed passed, $failed failed, $skipped skipped"
exit "$status"
