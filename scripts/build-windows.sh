#!/usr/bin/env bash
# Builds the Windows game: dist/brambix-<version>-windows-x86_64.zip holding brambix.exe
# (one static, windowed program), its assets, a README.txt for players and the licences
# of everything inside. Cross-built with mingw-w64 against SDL3, SDL3_image, SDL3_ttf and
# FreeType built from Debian's source packages (scripts/windows-libs.sh, cached).
# On Debian 13 or later it builds here; on older hosts inside the Debian 13 root
# (scripts/debian13.sh; needs root), copying the zip back into dist/.
#
#   BRAMBIX_WINDOWS_TESTS=ON   also cross-builds the tests (scripts/test-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh
source scripts/debian-sources.sh
source scripts/reproducible.sh
source scripts/packages.sh
# The zip is dated by the last commit, also when it is made in the Debian 13 root.
release_epoch
# The build runs its picture makers through Wine, which is chatty on standard error.
export WINEDEBUG=${WINEDEBUG:--all}

if ! windows_host_ready; then
  windows_in_root "brambix-windows-$$" "$PWD/build-logs/windows" "bash scripts/build-windows.sh"
  exit $?
fi

logs=build-logs/windows
build=build-windows
mkdir -p "$logs" dist
install_missing "$logs/packages.log" "${WINDOWS_PACKAGES[@]}" nlohmann-json3-dev fonts-liberation2 || exit 1

echo "== Windows: libraries"
libs=$(bash scripts/windows-libs.sh | tail -n 1)
# nlohmann/json is headers only: the host's copy, in a folder of its own so that the
# cross build sees nothing else of the host.
json=$PWD/$build/json
json_headers "$json"

echo "== Windows: the game"
# Compiled objects are kept between runs outside the clone; paths inside the clone
# are taken as relative, so a fresh copy of the project finds them too.
export CCACHE_DIR=${BRAMBIX_WINDOWS_CCACHE:-/var/cache/brambix/windows-ccache}
CCACHE_BASEDIR=$PWD
export CCACHE_BASEDIR
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBRAMBIX_WINDOWS_LIBS="$libs;$json" "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DBRAMBIX_TESTS="${BRAMBIX_WINDOWS_TESTS:-OFF}" >"$logs/configure.log" 2>&1 ||
  { tail -n 30 "$logs/configure.log"; exit 1; }
cmake --build "$build" -j"${BRAMBIX_JOBS:-2}" >"$logs/build.log" 2>&1 || { tail -n 40 "$logs/build.log"; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=brambix-$version-windows-x86_64
stage=$build/$name
rm -rf "$stage" "dist/$name.zip"
mkdir -p "$stage/licences"
x86_64-w64-mingw32-strip -o "$stage/brambix.exe" "$build/run/brambix.exe"
cp -r "$build/run/assets" "$stage/"
cp "$build/dist/windows/README.txt" "$stage/"
cp "$libs"/licences/*.txt "$stage/licences/"
cp /usr/share/doc/nlohmann-json3-dev/copyright "$stage/licences/nlohmann_json.txt"
font=$(readlink -f "$(sed -n 's/^BRAMBIX_FONT:FILEPATH=//p' "$build/CMakeCache.txt")")
cp "/usr/share/doc/$(dpkg-query -S "$font" | cut -d: -f1)/copyright" "$stage/licences/LiberationSans.txt"

# One file to copy: nothing but Windows' own DLLs may be needed beside it.
system_dlls='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|imm32|version|winmm|setupapi|cfgmgr32|msvcrt|ucrtbase|opengl32|dwmapi|uxtheme|comdlg32|hid|shlwapi|winspool|ws2_32|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$stage/brambix.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
if grep -Ev "$system_dlls" <<<"$imports"; then
  echo "brambix.exe needs the DLLs above, which Windows does not have"
  exit 1
fi
same_bytes_zip "$build" "$name" "$PWD/dist/$name.zip"
echo "brambix.exe imports only: $(tr '\n' ' ' <<<"$imports")"
echo "Windows game: dist/$name.zip ($(du -k "dist/$name.zip" | cut -f1) KB; brambix.exe $(du -k "$stage/brambix.exe" | cut -f1) KB)"
