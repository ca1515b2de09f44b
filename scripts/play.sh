#!/usr/bin/env bash
# Installs what is missing, builds Brambix and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
# Of the configure output, only the line saying which SDL the build uses (it changes
# when SDL3 or SDL2 is installed or removed); all of it when configuring fails.
if ! configure_log=$(cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRAMBIX_TESTS=OFF 2>&1); then
  printf '%s\n' "$configure_log"
  exit 1
fi
grep -m 1 'Brambix: .*using SDL' <<<"$configure_log" || true
cmake --build build -j"$(nproc)" --target brambix
# The game reads its assets relative to the working directory.
cd build/run
exec ./brambix "$@"
