#!/usr/bin/env bash
# Configures and builds jumincheck into ./build (or $JC_BUILD_DIR).
# Extra arguments go to cmake's configure step (e.g. -DJC_BUILD_BENCH=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${JC_BUILD_DIR:-build}"
GEN=()
if command -v ninja >/dev/null 2>&1; then GEN=(-G Ninja); fi
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" "${GEN[@]}" -DJC_BUILD_BENCH=OFF "$@"
elif [ "$#" -gt 0 ]; then
  cmake -S . -B "$BUILD_DIR" "$@"
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
