#!/usr/bin/env bash
# Verifies every committed replay (tests/replays/*.brx) with a built game, without a
# window: one verdict line each. Exits 1 when any replay does not match.
# Usage: scripts/verify-replays.sh GAME [LAUNCHER...]   e.g. GAME=dist/x/brambix.exe LAUNCHER=wine
set -uo pipefail
game=$(realpath "$1")
shift
cd "$(dirname "$0")/.."
status=0
for replay in tests/replays/*.brx; do
  "$@" "$game" --replay "$replay" --verify 2>&1 || status=1
done
exit $status
