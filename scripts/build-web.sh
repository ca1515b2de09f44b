#!/usr/bin/env bash
# Builds the game for web browsers into dist/web/: index.html, brambix.js.gz,
# brambix.wasm.gz, brambix.data.gz (the game and its pictures and recipe book, preloaded at /assets, built
# for size and packed with gzip: the page inflates them), favicon.png, and what makes the page
# installable and playable offline: manifest.json, its icons (icon-192.png,
# icon-512.png, apple-touch-icon.png) and the service worker sw.js. Any static file
# server can serve that folder.
#
# It needs emscripten 3.1.69 or later (Debian 13's package). Where the system has no such
# emscripten (Debian 12), it builds inside the Debian 13 root of scripts/debian13.sh
# (needs root; it asks sudo otherwise) and copies dist/web back here.
#
# SDL3, SDL3_image (for PNGs, which it reads with SDL's own reader) and SDL3_ttf with
# FreeType are built once with emscripten from Debian's source packages (`apt-get
# source`, which needs a deb-src line) and kept outside the clone, keyed on their
# versions, emscripten's and the build steps:
#   BRAMBIX_WEB_LIBS   where they are kept (default /var/cache/brambix/web-libs, or
#                      ~/.cache/brambix/web-libs for a user other than root)
# The pictures are drawn, the counts' glyphs rendered from the font and the favicon made
# by the project's tools built for this machine (build-web-host/), which also makes the
# desktop game of the same tree. The page's game links no font library (SDL3_ttf and
# FreeType are still built with the others, but nothing of them is linked).
#   BRAMBIX_WEB_CCACHE   a folder where ccache keeps the compiled objects of both builds
#                        between runs (the browser test's builds; a release is built
#                        without, so that its second build shares nothing with the first)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
out=$src/dist/web
log_dir=$src/build-logs/web
mkdir -p "$log_dir"
MIN_EMSCRIPTEN=3.1.69
# What the build needs in the Debian 13 root: emscripten, apt-get source's unpacking,
# binaryen's optimiser for the wasm, the packer, the game's script's minifier and the
# page's bundler (the list is in debian13.sh).

emscripten_usable() {
  command -v emcc >/dev/null || return 1
  local v
  v=$(emcc -dumpversion 2>/dev/null) || return 1
  [[ $(printf '%s\n%s\n' "$MIN_EMSCRIPTEN" "$v" | sort -V | head -n 1) == "$MIN_EMSCRIPTEN" ]]
}

# Debian 12 and other older systems: the same script inside the Debian 13 root.
if ! emscripten_usable; then
  if [[ -n ${BRAMBIX_WEB_IN_ROOT:-} ]]; then
    echo "Brambix: emscripten $MIN_EMSCRIPTEN or later is missing in the Debian 13 root" >&2
    exit 1
  fi
  if [[ $(id -u) -ne 0 ]]; then
    echo "Brambix: this system's emscripten is missing or older than $MIN_EMSCRIPTEN: building in a Debian 13 root (needs root)"
    exec sudo --preserve-env=BRAMBIX_DEBIAN13_ROOT,BRAMBIX_WEB_LIBS,BRAMBIX_WEB_CCACHE bash "$0" "$@"
  fi
  source scripts/debian13.sh
  d13_make_root "$log_dir/debootstrap.log"
  echo "== web: updating the Debian 13 root and installing emscripten"
  d13_packages "$log_dir/packages.log" "${D13_WEB_BUILD_PACKAGES[@]}"
  name=brambix-web-build-$$
  work=$(d13_copy_project "$name")
  trap 'd13_drop_project "$name"' EXIT
  status=0
  d13_sh "cd $work && BRAMBIX_WEB_IN_ROOT=1 bash scripts/build-web.sh" || status=$?
  cp -r "$D13_ROOT$work/build-logs/web/." "$log_dir/" 2>/dev/null
  [[ $status -eq 0 ]] || exit "$status"
  rm -rf "$out"
  mkdir -p "$(dirname "$out")"
  cp -r "$D13_ROOT$work/dist/web" "$out"
  d13_made_from "$out"
  echo "Brambix for the web: $out"
  exit 0
fi

jobs=${BRAMBIX_JOBS:-2}
cache=/var/cache/brambix
[[ $(id -u) -eq 0 ]] || cache=${XDG_CACHE_HOME:-$HOME/.cache}/brambix
libs_root=${BRAMBIX_WEB_LIBS:-$cache/web-libs}
# What building the game for this machine needs (the root has it already).
[[ -n ${BRAMBIX_WEB_IN_ROOT:-} ]] || bash scripts/deps.sh
lib_sources=(libsdl3 libsdl3-image libsdl3-ttf freetype)
source scripts/debian-sources.sh

# build_libs PREFIX: builds the four libraries, static, into PREFIX.
build_libs() {
  local prefix=$1 tmp status
  tmp=$(mktemp -d)
  (
    # Called as a condition, where set -e does not act: every step checks itself.
    must() { "$@" || { echo "failed: $*"; exit 1; }; }
    lib() {
      local name=$1 dir=$2
      shift 2
      # Built small, and as bitcode: the game's link optimises them with its own code.
      must emcmake cmake -S "$dir" -B "b-$name" -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_SHARED_LIBS=OFF \
        "-DCMAKE_C_FLAGS_MINSIZEREL=-Oz -flto -DNDEBUG" "-DCMAKE_CXX_FLAGS_MINSIZEREL=-Oz -flto -DNDEBUG" \
        "-DCMAKE_INSTALL_PREFIX=$prefix" "-DCMAKE_PREFIX_PATH=$prefix" "-DCMAKE_FIND_ROOT_PATH=$prefix" "$@"
      must cmake --build "b-$name" -j "$jobs"
      must cmake --install "b-$name"
    }
    must cd "$tmp"
    must unpack_sources "$tmp" "${lib_sources[@]}"
    # cut_source FILE TEXT REPLACEMENT: TEXT, which must be in that library source, made
    # REPLACEMENT. What the page never uses goes: JPEG decoding (the pictures are PNGs,
    # which SDL3_image reads with SDL's own reader; SDL decodes JPEG only for cameras);
    # the window icon made a PNG with its compressor (the page has its own icon, and the
    # game sets none in a browser); the log of every event that SDL prints on request;
    # WebGL's functions looked up by name; pad layouts guessed for other platforms' drivers.
    cut_source() {
      must python3 -c 'import sys; p, a, b = sys.argv[1:]; s = open(p).read(); assert a in s, p + ": no " + a
open(p, "w").write(s.replace(a, b))' "$@"
    }
    cut_source libsdl3-src/src/video/SDL_stb.c '#define STBI_ONLY_JPEG' ''
    cut_source libsdl3-src/src/video/SDL_stb.c 'void *pixels = stbi__jpeg_load(&s, &w, &h, &format, 4, &nv12, &ri);' \
      'void *pixels = NULL;'
    cut_source libsdl3-src/src/video/emscripten/SDL_emscriptenvideo.c 'device->SetWindowIcon = Emscripten_SetWindowIcon;' ''
    cut_source libsdl3-src/src/events/SDL_events.c 'if (SDL_EventLoggingVerbosity > 0) {' 'if (false) {'
    # The renderer calls WebGL's functions directly, as it does on phones, instead of
    # asking for each by name: a lookup by name links every WebGL function, and a table
    # of all their names, into the page (with -sGL_ENABLE_GET_PROC_ADDRESS=0 at the
    # game's link). SDL itself asks by name for a few only, which it still finds.
    cut_source libsdl3-src/src/render/opengles2/SDL_render_gles2.c $'#elif defined(SDL_VIDEO_DRIVER_ANDROID)\n#define __SDL_NOGETPROCADDR__\n' \
      $'#elif defined(SDL_VIDEO_DRIVER_ANDROID) || defined(SDL_VIDEO_DRIVER_EMSCRIPTEN)\n#define __SDL_NOGETPROCADDR__\n'
    cut_source libsdl3-src/src/video/emscripten/SDL_emscriptenopengles.c '    return emscripten_webgl_get_proc_address(proc);' \
      "$(cat <<'C'
    static const struct { const char *name; SDL_FunctionPointer func; } asked[] = {
        { "glGetString", (SDL_FunctionPointer)glGetString }, { "glGetIntegerv", (SDL_FunctionPointer)glGetIntegerv },
        { "glGetError", (SDL_FunctionPointer)glGetError }, { "glEnable", (SDL_FunctionPointer)glEnable },
        { "glDisable", (SDL_FunctionPointer)glDisable }, { "glBindFramebuffer", (SDL_FunctionPointer)glBindFramebuffer },
        { "glGetFramebufferAttachmentParameteriv", (SDL_FunctionPointer)glGetFramebufferAttachmentParameteriv },
    };
    for (size_t i = 0; i < SDL_arraysize(asked); i++) {
        if (SDL_strcmp(proc, asked[i].name) == 0) {
            return asked[i].func;
        }
    }
    SDL_SetError("No WebGL function %s", proc);
    return NULL;
C
)"
    # Only surfaces of the same colours are converted (the game's are all sRGB, 4 bytes a
    # pixel): others fail as SDL's unsupported blits do, without its floating-point path.
    cut_source libsdl3-src/src/video/SDL_blit.c '            blit = SDL_Blit_Slow_Float;' \
      $'            SDL_InvalidateMap(map);\n            return SDL_SetError("Blit combination not supported");'
    # The renderer compiles a shader when a draw first needs it, not all of them at start
    # (the vertex shader and the solid fill still are, so that a renderer that cannot
    # draw fails at once): a slow phone spent 30 - 45 ms on shaders the game never uses.
    # SDL's own path for a shader not compiled yet took its true/false result for the id.
    cut_source libsdl3-src/src/render/opengles2/SDL_render_gles2.c \
      'for (shader = 0; shader < GLES2_SHADER_FRAGMENT_TEXTURE_EXTERNAL_OES; ++shader) {' \
      'for (shader = 0; shader <= GLES2_SHADER_FRAGMENT_SOLID; ++shader) {'
    cut_source libsdl3-src/src/render/opengles2/SDL_render_gles2.c \
      $'    if (!vertex) {\n        vertex = GLES2_CacheShader(data, vtype, GL_VERTEX_SHADER);\n        if (!vertex) {' \
      $'    if (!vertex) {\n        vertex = GLES2_CacheShader(data, vtype, GL_VERTEX_SHADER) ? data->shader_id_cache[(Uint32)vtype] : 0;\n        if (!vertex) {'
    cut_source libsdl3-src/src/render/opengles2/SDL_render_gles2.c \
      $'    if (!fragment) {\n        fragment = GLES2_CacheShader(data, ftype, GL_FRAGMENT_SHADER);\n        if (!fragment) {' \
      $'    if (!fragment) {\n        fragment = GLES2_CacheShader(data, ftype, GL_FRAGMENT_SHADER) ? data->shader_id_cache[(Uint32)ftype] : 0;\n        if (!fragment) {'
    # Pads in a browser come from its Gamepad API, never from the USB and Windows drivers
    # whose pads SDL would otherwise map by guessing (with a table of their layouts).
    cut_source libsdl3-src/src/joystick/SDL_gamepad.c $'    if (SDL_IsJoystickHIDAPI(guid)) {\n        mapping = SDL_CreateMappingForHIDAPIGamepad(guid);\n    } else if (SDL_IsJoystickRAWINPUT(guid)) {\n        mapping = SDL_CreateMappingForRAWINPUTGamepad(guid);\n    } else if (SDL_IsJoystickWGI(guid)) {\n        mapping = SDL_CreateMappingForWGIGamepad(guid);\n    } else if (SDL_IsJoystickVIRTUAL(guid)) {' \
      '    if (SDL_IsJoystickVIRTUAL(guid)) {'
    # FreeType with the drivers of TrueType fonts alone (the game's font is one): the
    # others and their tables would only make the page slower to load.
    printf 'FT_USE_MODULE( %s )\n' "FT_Driver_ClassRec, tt_driver_class" "FT_Module_Class, sfnt_module_class" \
      "FT_Renderer_Class, ft_smooth_renderer_class" >freetype-src/include/freetype/config/ftmodule.h
    lib freetype freetype-src -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
      -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
    # Of SDL, only what the game uses in a browser: video, rendering, input and pads;
    # lean: no software renderer, RLE, YUV or special-cased blitters (the browser draws
    # with WebGL, and the generic converter stays for the odd surface).
    lib sdl libsdl3-src -DCMAKE_C_FLAGS=-DSDL_LEAN_AND_MEAN=1 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TESTS=OFF -DSDL_EXAMPLES=OFF -DSDL_AUDIO=OFF \
      -DSDL_CAMERA=OFF -DSDL_HAPTIC=OFF -DSDL_POWER=OFF -DSDL_SENSOR=OFF -DSDL_DIALOG=OFF -DSDL_GPU=OFF \
      -DSDL_RENDER_GPU=OFF -DSDL_VULKAN=OFF -DSDL_HIDAPI=OFF -DSDL_OFFSCREEN=OFF -DSDL_DUMMYVIDEO=OFF
    # Of SDL3_image, only the PNG reader: the game's pictures are all PNGs.
    lib image libsdl3-image-src -DSDLIMAGE_VENDORED=OFF -DSDLIMAGE_BACKEND_STB=ON -DSDLIMAGE_PNG_LIBPNG=OFF -DSDLIMAGE_SAMPLES=OFF \
      -DSDLIMAGE_TESTS=OFF -DSDLIMAGE_AVIF=OFF -DSDLIMAGE_JXL=OFF -DSDLIMAGE_TIF=OFF -DSDLIMAGE_WEBP=OFF \
      -DSDLIMAGE_JPG=OFF -DSDLIMAGE_BMP=OFF -DSDLIMAGE_GIF=OFF -DSDLIMAGE_LBM=OFF -DSDLIMAGE_PCX=OFF -DSDLIMAGE_PNM=OFF \
      -DSDLIMAGE_QOI=OFF -DSDLIMAGE_SVG=OFF -DSDLIMAGE_TGA=OFF -DSDLIMAGE_XCF=OFF -DSDLIMAGE_XPM=OFF -DSDLIMAGE_XV=OFF \
      -DSDLIMAGE_ANI=OFF -DSDLIMAGE_SAVE_PNG=OFF -DSDLIMAGE_SAVE_JPG=OFF -DSDLIMAGE_SAVE_AVIF=OFF
    lib ttf libsdl3-ttf-src -DSDLTTF_VENDORED=OFF -DSDLTTF_HARFBUZZ=OFF -DSDLTTF_PLUTOSVG=OFF -DSDLTTF_SAMPLES=OFF
  )
  status=$?
  rm -rf "$tmp"
  return "$status"
}

started=$SECONDS
key=$({
  emcc -dumpversion
  for p in "${lib_sources[@]}"; do echo "$p $(source_version "$p")"; done
  declare -f build_libs
} | sha256sum | cut -c1-16)
libs=$libs_root/$key
mkdir -p "$libs_root"
exec {lock}>"$libs_root/.lock"
flock "$lock"
if [[ ! -f $libs/.complete ]]; then
  echo "== web: building SDL3, SDL3_image, SDL3_ttf and FreeType with emscripten into $libs (log: build-logs/web/libs.log)"
  rm -rf "$libs"
  if ! build_libs "$libs" >"$log_dir/libs.log" 2>&1; then
    tail -n 30 "$log_dir/libs.log"
    echo "Brambix: building the web libraries failed (log: build-logs/web/libs.log)" >&2
    exit 1
  fi
  touch "$libs/.complete"
  echo "   built in $((SECONDS - started)) s"
else
  echo "== web: reusing the libraries in $libs"
fi
flock -u "$lock"

launcher=()
if [[ -n ${BRAMBIX_WEB_CCACHE:-} ]] && command -v ccache >/dev/null; then
  export CCACHE_DIR=$BRAMBIX_WEB_CCACHE CCACHE_BASEDIR=$src
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The pictures, the recipe book, the counts' glyphs and the favicon, drawn by the tools built for
# this machine (a build of emscripten's would need node to run).
host=$src/build-web-host
echo "== web: drawing the assets with the tools built for this machine"
cmake -S "$src" -B "$host" -DCMAKE_BUILD_TYPE=Release -DBRAMBIX_TESTS=OFF "${launcher[@]}" >"$log_dir/host.log" 2>&1 &&
  cmake --build "$host" -j "$jobs" --target brambix_assets pixelicon countglyphs >>"$log_dir/host.log" 2>&1 || {
  tail -n 30 "$log_dir/host.log"
  echo "Brambix: building the tools for this machine failed (log: build-logs/web/host.log)" >&2
  exit 1
}

# Emscripten finds packages only under its own roots, so the JSON library gets a prefix
# of its own rather than the system's include folder with the C library's headers.
web=$src/build-web
json=$web/json
json_headers "$json"
# The page's assets are the desktop's but the font. The game's only texts are the counts
# of stacks (an integer's digits, and a minus sign): their glyphs are rendered here from
# the same font file at the game's size (FONT_PT in src/shell/app/app.h) by the font
# library the desktop game draws with, and built into the page's game.
assets=$web/assets
rm -rf "$assets"
cp -r "$host/run/assets" "$assets"
rm "$assets/arial.ttf"
mkdir -p "$web"
"$host/tools/countglyphs/countglyphs" "$host/run/assets/arial.ttf" 14 "$web/count_glyphs.cpp" >>"$log_dir/host.log" 2>&1 || {
  tail -n 5 "$log_dir/host.log"
  echo "Brambix: rendering the counts' glyphs failed (log: build-logs/web/host.log)" >&2
  exit 1
}
grep '^countglyphs:' "$log_dir/host.log" | tail -n 1
echo "== web: building the game with emscripten (log: build-logs/web/game.log)"
# Configured afresh each time: a cache would keep the libraries found under an earlier key.
rm -f "$web/CMakeCache.txt"
# Built for size, optimised across the game and the libraries at the link.
emcmake cmake -S "$src" -B "$web" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-Oz -flto -DNDEBUG" \
  -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-Oz -flto" \
  "-DCMAKE_PREFIX_PATH=$libs;$json" "-DCMAKE_FIND_ROOT_PATH=$libs;$json" \
  "-DBRAMBIX_WEB_ASSETS=$assets" "-DBRAMBIX_WEB_COUNT_GLYPHS=$web/count_glyphs.cpp" "${launcher[@]}" >"$log_dir/game.log" 2>&1 &&
  cmake --build "$web" -j "$jobs" --target brambix >>"$log_dir/game.log" 2>&1 || {
  tail -n 30 "$log_dir/game.log"
  echo "Brambix: building the game with emscripten failed (log: build-logs/web/game.log)" >&2
  exit 1
}

# minify_script FILE: the game's script minified in place: its names are all shortened
# but those it shares with the page (the game's module, its file system and its run
# dependencies, which the page's own code calls). Run once the file is complete.
minify_script() {
  node - "$@" <<'EOF' || { echo "Brambix: minifying the game's script failed" >&2; exit 1; }
const {minify} = require('terser');
const fs = require('fs');
const shared = ['Module', 'FS', 'addRunDependency', 'removeRunDependency'];
(async () => {
  const path = process.argv[2];
  const out = await minify(fs.readFileSync(path, 'utf8'), {compress: {toplevel: true}, mangle: {toplevel: true, reserved: shared}});
  fs.writeFileSync(path, out.code);
})().catch(e => { console.error(String(e)); process.exit(1); });
EOF
}

# bundle ENTRY [NAME=VALUE...]: the page's module web/ENTRY with all it imports, as one
# minified script (an immediately run function: no module loading, no extra request),
# on standard output; each NAME in the code is replaced by the JSON VALUE.
bundle() {
  local entry=$1 define=()
  shift
  for d in "$@"; do define+=("--define:$d"); done
  esbuild "$src/web/$entry" --bundle --minify --format=iife --target=es2020 --charset=utf8 \
    --legal-comments=none --log-level=warning "${define[@]}" ||
    { echo "Brambix: bundling web/$entry failed" >&2; exit 1; }
}

# The game's script as the page runs it: emscripten leaves its names whole; shortened,
# it is a quarter less for a phone to download.
staged=$web/staged
rm -rf "$staged"
mkdir -p "$staged"
cp "$web/run/brambix.js" "$web/run/brambix.wasm" "$web/run/brambix.data" "$staged/"
minify_script "$staged/brambix.js"

rm -rf "$out"
mkdir -p "$out"
# The game's files go packed in gzip's format, whatever the server does: the page
# inflates them (unless the browser did already) and checks what they unpack to. Zopfli
# packs a twentieth smaller than gzip itself, with no names or times: the same files
# give the same bytes.
game=(brambix.js brambix.wasm brambix.data)
for f in "${game[@]}"; do
  zopfli --gzip -c "$staged/$f" >"$out/$f.gz"
done
cp "$src/dist/index.html" "$src/dist/manifest.json" "$out/"
# The page as it travels: without its comments and indents (its scripts are bundled in below).
python3 - "$out/index.html" <<'EOF'
import re
import sys
for path in sys.argv[1:]:
    with open(path, encoding='utf-8') as f:
        text = re.sub(r'<!--.*?-->\n?', '', f.read(), flags=re.S)
    text = re.sub(r'(?m)^\n', '', re.sub(r'(?m)^[ \t]+', '', text))
    text = re.sub(r'(?s)<style>.*?</style>', lambda m: re.sub(r'(?s)/\*.*?\*/\n?', '', m.group(0)), text)
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)
EOF

icons=$web/icon
rm -rf "$icons"
"$host/tools/pixelart/pixelicon" "$src/dist/icon.txt" "$icons" brambix 32 192 512 >>"$log_dir/host.log" 2>&1 &&
  "$host/tools/pixelart/pixelicon" --pad "$src/dist/icon.txt" "$icons" brambix 180 >>"$log_dir/host.log" 2>&1 ||
  { echo "Brambix: drawing the page's icons failed (log: build-logs/web/host.log)" >&2; exit 1; }
cp "$icons/32x32/apps/brambix.png" "$out/favicon.png"
cp "$icons/192x192/apps/brambix.png" "$out/icon-192.png"
cp "$icons/512x512/apps/brambix.png" "$out/icon-512.png"
cp "$icons/180x180/apps/brambix.png" "$out/apple-touch-icon.png"

# files_json NAME...: each file's size and SHA-256 digest, as the page and the service
# worker check them: "name": {"size": N, "sha256": "hex"}, ...; a game file's as it
# unpacks, with its packed file's name and size: ..., "packed": "name.gz", "packedSize": N}
files_json() {
  local f sep=""
  for f in "$@"; do
    if [[ -f $out/$f ]]; then
      printf '%s"%s": {"size": %d, "sha256": "%s"}' "$sep" "$f" "$(stat -c %s "$out/$f")" \
        "$(sha256sum "$out/$f" | cut -d' ' -f1)"
    else
      printf '%s"%s": {"size": %d, "sha256": "%s", "packed": "%s.gz", "packedSize": %d}' "$sep" "$f" \
        "$(stat -c %s "$staged/$f")" "$(sha256sum "$staged/$f" | cut -d' ' -f1)" "$f" "$(stat -c %s "$out/$f.gz")"
    fi
    sep=", "
  done
}
# The page names the game's version beside its notice and checks what it downloads; the
# service worker, every file it keeps, under a cache named after the version and these
# files' digests (by their names alone, so that the same files give the same name
# whatever folder they were built in).
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$web/CMakeCache.txt")
sed -i -e "s|/\* version \*/|$version|" "$out/index.html"
# The page's code: the head's in the page (<script>/* web/head.js */</script> takes its
# bundle, with the files as it checks them); the rest, page.js, packed and checked as the
# game's files are and asked for with them, so that the page's first response holds only
# what asks for them (a phone's slow network sends a first response whole before the
# page can ask for anything).
bundle page.js >"$staged/page.js"
zopfli --gzip -c "$staged/page.js" >"$out/page.js.gz"
bundle head.js "BRAMBIX_FILES={$(files_json "${game[@]}" page.js)}" >"$web/head.bundle.js"
python3 - "$out/index.html" "$web" <<'EOF'
import re
import sys
path, bundles = sys.argv[1:]
with open(path, encoding='utf-8') as f:
    page = f.read()
def bundled(m):
    with open(f'{bundles}/{m.group(1)}.bundle.js', encoding='utf-8') as f:
        code = f.read().strip()
    # The page's parser would end the script there.
    assert '</script' not in code.lower(), m.group(1) + ' holds </script'
    return '<script>' + code + '</script>'
page, n = re.subn(r'<script>/\* web/([a-z_]+)\.js \*/</script>', bundled, page)
assert n == 1, f'{n} of the 1 place of the page\'s code found in index.html'
with open(path, 'w', encoding='utf-8') as f:
    f.write(page)
EOF
kept=(index.html "${game[@]}" page.js manifest.json favicon.png icon-192.png icon-512.png apple-touch-icon.png)
version+=-$(cd "$out" && sha256sum index.html "${game[@]/%/.gz}" page.js.gz "${kept[@]:5}" | sha256sum | cut -c1-12)
bundle service_worker.js "BRAMBIX_FILES={$(files_json "${kept[@]}")}" "BRAMBIX_VERSION=\"$version\"" >"$out/sw.js"

echo "Brambix for the web in dist/web ($((SECONDS - started)) s):"
total=0
for f in "$out"/*; do
  total=$((total + $(stat -c %s "$f")))
  printf '  %-18s %9d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
# All that a first visit moves from a server that compresses nothing, the service
# worker's copies included (each file once).
echo "  in all: $total bytes"
