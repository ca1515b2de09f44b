#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Brambix needs that are not installed yet.
#   scripts/deps.sh          what building and playing needs
#   scripts/deps.sh --test   also what the tests and benchmarks need
# The game is built against SDL3 where the package archive has it (Debian 13 and later,
# Ubuntu 25.04 and later) and against SDL2 elsewhere (Debian 12, older Ubuntu).
set -euo pipefail

packages=(g++ cmake make pkg-config nlohmann-json3-dev)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev libx11-dev xvfb xdotool x11-utils imagemagick evilwm
            clang libclang-rt-dev desktop-file-utils appstream lintian dpkg-dev file ccache nodejs)
fi
sdl3=(libsdl3-dev libsdl3-image-dev libsdl3-ttf-dev)
sdl2=(libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev)

installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}
all_installed() {
  local p
  for p in "$@"; do
    installed "$p" || return 1
  done
}
# Whether the package lists offer every one of the given packages.
all_offered() {
  local p
  for p in "$@"; do
    # Read the whole answer first: grep -q leaving early would fail the pipe.
    [[ $(apt-cache policy "$p" 2>/dev/null) == *"Candidate: "[0-9]* ]] || return 1
  done
}

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
updated=0
update_lists() {
  if [[ $updated -eq 0 ]]; then
    "${sudo[@]}" apt-get update -q
    updated=1
  fi
}

# SDL3 when it is installed or on offer; SDL2 when that is installed and SDL3 is not on
# offer; otherwise the package lists are refreshed and asked again.
if all_installed "${sdl3[@]}" || all_offered "${sdl3[@]}"; then
  packages+=("${sdl3[@]}")
elif all_installed "${sdl2[@]}"; then
  packages+=("${sdl2[@]}")
else
  echo "Brambix: looking up which SDL the package archive offers"
  update_lists
  if all_offered "${sdl3[@]}"; then
    packages+=("${sdl3[@]}")
  else
    packages+=("${sdl2[@]}")
  fi
fi

# Liberation Sans 2: fonts-liberation2 where SDL2 is used (Debian 12, older Ubuntu);
# where SDL3 is (Debian 13, Ubuntu 25.04), fonts-liberation holds it and
# fonts-liberation2 is only a transitional package.
if [[ " ${packages[*]} " == *" libsdl3-dev "* ]]; then
  packages+=(fonts-liberation)
else
  packages+=(fonts-liberation2)
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Brambix: installing missing packages: ${missing[*]}"
update_lists
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
