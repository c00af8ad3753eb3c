#!/usr/bin/env bash
# Installs what is needed, builds, makes the demo root when it is missing,
# and opens the window on it (only where there is a display).
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
  # A window on a virtual display would be invisible: say so instead.
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are not set): the window cannot be shown." >&2
  echo "Run it on a desktop session, or use the command line: $BIN --root $ROOT --help" >&2
  exit 2
fi
exec "$BIN" --root "$ROOT"
