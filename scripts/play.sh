#!/usr/bin/env bash
# Installs what is missing, builds Brambix and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBRAMBIX_TESTS=OFF > /dev/null
cmake --build build -j"$(nproc)" --target brambix
# The game reads its assets relative to the working directory.
cd build/run
exec ./brambix "$@"
