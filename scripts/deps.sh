#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Brambix needs that are not installed yet.
#   scripts/deps.sh          what building and playing needs
#   scripts/deps.sh --test   also what the tests and benchmarks need
set -euo pipefail

packages=(g++ cmake make pkg-config nlohmann-json3-dev
          libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev fonts-liberation2)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev libx11-dev xvfb xdotool x11-utils imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Brambix: installing missing packages: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
