#!/usr/bin/env bash
# Builds the game for web browsers (scripts/build-web.sh) and serves dist/web on this
# machine only, at the address it prints; Ctrl+C stops the server.
#   BRAMBIX_WEB_PORT   the port (default 8000; a free one when that is taken)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-web.sh
port=${BRAMBIX_WEB_PORT:-8000}
if ! python3 -c 'import socket, sys; socket.socket().bind(("127.0.0.1", int(sys.argv[1])))' "$port" 2>/dev/null; then
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
fi
echo
echo "Brambix is served at http://127.0.0.1:$port/ : open it in a browser. Ctrl+C stops the server."
exec python3 -m http.server --bind 127.0.0.1 --directory dist/web "$port"
