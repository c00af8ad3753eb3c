#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
#   scripts/test.sh             the plain build, in ./build (or $JC_BUILD_DIR)
#   scripts/test.sh --sanitize  a build with clang, AddressSanitizer and
#                               UndefinedBehaviorSanitizer in ./build-sanitize
#                               (or $JC_SANITIZE_BUILD_DIR); any finding fails
#                               its test, and the fuzz targets run as libFuzzer
#                               programs for a few seconds each
set -euo pipefail
cd "$(dirname "$0")/.."
SANITIZE=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) SANITIZE=1 ;;
    *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
  esac
done
bash scripts/install-deps.sh
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
