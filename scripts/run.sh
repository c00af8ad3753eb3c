#!/usr/bin/env bash
# Installs what is needed, builds, makes the demo root when it is missing,
# and opens the window on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BIN="${JC_BUILD_DIR:-build}/bin/jumincheck"
ROOT="${JC_DEMO_ROOT:-demo-root}"
if [ ! -f "$ROOT/TELVARO/TELVARO.ini" ]; then
  "$BIN" demo "$ROOT"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: opening the window on a virtual display (xvfb-run)." >&2
  exec xvfb-run -a "$BIN" --root "$ROOT"
fi
exec "$BIN" --root "$ROOT"
