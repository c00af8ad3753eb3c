#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
#   scripts/test.sh             the plain build, in ./build (or $JC_BUILD_DIR)
#   scripts/test.sh --sanitize  a build with clang, AddressSanitizer and
#                               UndefinedBehaviorSanitizer in ./build-sanitize
#                               (or $JC_SANITIZE_BUILD_DIR); any finding fails
#                               its test, and the fuzz targets run as libFuzzer
#                               programs for a few seconds each
#   scripts/test.sh --windows   the Windows program: the 32-bit program and
#                               crypto module built (./build-win32) and checked
#                               without running them; their 64-bit twin built
#                               with the tests (./build-win64) and tested under
#                               64-bit Wine, the stand-in server's tests run
#                               with the Windows program included (these use
#                               the Linux build's test program, built first)
set -euo pipefail
cd "$(dirname "$0")/.."
SANITIZE=0
WINDOWS=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) SANITIZE=1 ;;
    --windows) WINDOWS=1 ;;
    *) echo "usage: scripts/test.sh [--sanitize | --windows]" >&2; exit 2 ;;
  esac
done
bash scripts/install-deps.sh
if [ "$WINDOWS" = 1 ]; then
  bash scripts/install-windows-deps.sh
  bash scripts/build.sh
  HOST_BUILD_DIR="$(cd "${JC_BUILD_DIR:-build}" && pwd)"
  bash scripts/build-windows.sh 32
  bash scripts/check-windows-build.sh "${JC_WIN32_BUILD_DIR:-build-win32}"
  bash scripts/package.sh "${JC_WIN32_BUILD_DIR:-build-win32}" dist/jumincheck-setup.exe
  bash scripts/build-windows.sh 64 -DJC_HOST_BUILD_DIR="$HOST_BUILD_DIR"
  bash scripts/check-windows-build.sh "${JC_WIN64_BUILD_DIR:-build-win64}"
  cd "${JC_WIN64_BUILD_DIR:-build-win64}"
  exec ctest --output-on-failure -j"$(nproc)" ${JC_CTEST_ARGS:-}
fi
if [ "$SANITIZE" = 1 ]; then
  # The runtime's options apply to the build too: it runs the test programs
  # to list their tests.
  source scripts/sanitizers/env.sh
  export JC_BUILD_DIR="${JC_SANITIZE_BUILD_DIR:-build-sanitize}"
  CC=clang CXX=clang++ bash scripts/build.sh -DJC_SANITIZE=ON
else
  bash scripts/build.sh
fi
cd "${JC_BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)" ${JC_CTEST_ARGS:-}
