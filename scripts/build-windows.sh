#!/usr/bin/env bash
# Cross-builds the Windows program with MinGW (cmake/mingw.cmake).
#   scripts/build-windows.sh 32   the 32-bit program and crypto module, the
#                                 build a pharmacy PC runs (./build-win32, or
#                                 $JC_WIN32_BUILD_DIR); without its tests
#                                 unless -DJC_BUILD_TESTS=ON is given
#   scripts/build-windows.sh 64   the same sources as a 64-bit program with
#                                 the tests, which run under 64-bit Wine
#                                 (./build-win64, or $JC_WIN64_BUILD_DIR)
# Further arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
BITS="${1:-}"
shift || true
case "$BITS" in
  32) ARCH=i686; BUILD_DIR="${JC_WIN32_BUILD_DIR:-build-win32}"; DEFAULTS=(-DJC_BUILD_TESTS=OFF) ;;
  64) ARCH=x86_64; BUILD_DIR="${JC_WIN64_BUILD_DIR:-build-win64}"; DEFAULTS=(-DJC_BUILD_TESTS=ON) ;;
  *) echo "usage: scripts/build-windows.sh 32|64 [cmake arguments]" >&2; exit 2 ;;
esac
GEN=()
if command -v ninja >/dev/null 2>&1; then GEN=(-G Ninja); fi
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" "${GEN[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DJC_MINGW_ARCH="$ARCH" \
    -DCMAKE_BUILD_TYPE=Release "${DEFAULTS[@]}" "$@"
elif [ "$#" -gt 0 ]; then
  cmake -S . -B "$BUILD_DIR" "$@"
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
