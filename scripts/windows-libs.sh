#!/usr/bin/env bash
# Builds the libraries the Windows game links statically (FreeType, SDL3, SDL3_image,
# SDL3_ttf) from Debian's source packages with mingw-w64, once: they are kept in
# $BRAMBIX_WINDOWS_LIBS_CACHE/<key>, the key naming the source versions, the compiler's
# version and a digest of the build options below. Prints the prefix on its last line.
# Runs on Debian 13 or later (in the Debian 13 root on older hosts); needs deb-src lines.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
source "$src/scripts/debian-sources.sh"
cache=${BRAMBIX_WINDOWS_LIBS_CACHE:-/var/cache/brambix/windows-libs}
jobs=${BRAMBIX_JOBS:-2}
sources=(freetype libsdl3 libsdl3-image libsdl3-ttf)

key=""
for s in "${sources[@]}"; do
  v=$(source_version "$s")
  [[ -n "$v" ]] || { echo "no source package $s: is there a deb-src line in the apt sources?" >&2; exit 1; }
  key+="$s-$v-"
done
key+=$( (x86_64-w64-mingw32-gcc-posix -dumpfullversion; grep -E '^build |^  -D' "$0") | sha256sum | cut -c1-12)
prefix=$cache/${key//[:+~]/_}
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

echo "== Windows libraries: building $key" >&2
mkdir -p "$cache"
work=$(mktemp -d "$cache/.work.XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
mkdir -p "$work/prefix"
cd "$work"
unpack_sources "$work" "${sources[@]}" || exit 1

# build NAME SOURCE-DIR CMAKE-OPTIONS...
build() {
  local name=$1 dir=$2
  shift 2
  echo "   $name" >&2
  cmake -S "$dir" -B "$work/build-$name" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DBRAMBIX_WINDOWS_LIBS="$work/prefix" \
    -DCMAKE_INSTALL_PREFIX="$work/prefix" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$work/$name.log" 2>&1 &&
    cmake --build "$work/build-$name" -j"$jobs" >>"$work/$name.log" 2>&1 &&
    cmake --install "$work/build-$name" >>"$work/$name.log" 2>&1 ||
    { tail -n 30 "$work/$name.log" >&2; echo "building $name failed" >&2; exit 1; }
}
dir_of() { echo "$work/$1-src"; }

build freetype "$(dir_of freetype)" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
# Debian's source has no prebuilt Direct3D shaders: OpenGL and software rendering remain.
build sdl3 "$(dir_of libsdl3)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST_LIBRARY=OFF -DSDL_TESTS=OFF \
  -DSDL_EXAMPLES=OFF -DSDL_RENDER_D3D=OFF -DSDL_RENDER_D3D11=OFF -DSDL_RENDER_D3D12=OFF -DSDL_GPU=OFF
# PNGs are read by SDL's own stb reader and written (SDLIMAGE_PNG_SAVE, on by default)
# by SDL's own writer, which the art tools use under Wine: no libpng or zlib.
build sdl3_image "$(dir_of libsdl3-image)" -DSDLIMAGE_VENDORED=OFF -DSDLIMAGE_BACKEND_STB=ON -DSDLIMAGE_PNG_LIBPNG=OFF \
  -DSDLIMAGE_DEPS_SHARED=OFF -DSDLIMAGE_AVIF=OFF -DSDLIMAGE_JXL=OFF -DSDLIMAGE_TIF=OFF -DSDLIMAGE_WEBP=OFF \
  -DSDLIMAGE_SAMPLES=OFF -DSDLIMAGE_TESTS=OFF
build sdl3_ttf "$(dir_of libsdl3-ttf)" -DSDLTTF_VENDORED=OFF -DSDLTTF_HARFBUZZ=OFF -DSDLTTF_PLUTOSVG=OFF \
  -DSDLTTF_SAMPLES=OFF -DSDLTTF_TESTS=OFF

# The licences of what the game carries inside it.
mkdir -p "$work/prefix/licences"
cp "$(dir_of libsdl3)/LICENSE.txt" "$work/prefix/licences/SDL3.txt"
cp "$(dir_of libsdl3-image)/LICENSE.txt" "$work/prefix/licences/SDL3_image.txt"
# The PNG reader built into SDL3 carries its licence at the end of its header.
sed -n '/^This software is available under 2 licenses/,$p' "$(dir_of libsdl3)/src/video/stb_image.h" |
  grep -v '^\*/' >"$work/prefix/licences/stb_image.txt"
cp "$(dir_of libsdl3-ttf)/LICENSE.txt" "$work/prefix/licences/SDL3_ttf.txt"
cp "$(dir_of freetype)/docs/FTL.TXT" "$work/prefix/licences/FreeType.txt"
rm -rf --one-file-system "$prefix"
mv "$work/prefix" "$prefix"
touch "$prefix/.complete"
echo "$prefix"
