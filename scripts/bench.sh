#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
JC_BUILD_DIR="${JC_BUILD_DIR:-build-bench}" bash scripts/build.sh -DJC_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
for b in "${JC_BUILD_DIR:-build-bench}"/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
