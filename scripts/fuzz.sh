#!/usr/bin/env bash
# Long fuzz runs: each fuzz target (fuzz/) for SECONDS (default 60) in the
# sanitizer build (./build-sanitize, or $JC_SANITIZE_BUILD_DIR), one after the
# other. Each run's corpus grows in BUILD/fuzz-corpus/NAME, starting from the
# seeds in fuzz/corpus/NAME; an input that fails is kept in
# BUILD/fuzz-findings/. Prints the executions and findings of each run; exit
# status 1 when there was a finding.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]   targets: module_base64 codec_decrypt tsql ini
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE="$PWD"
SECONDS_EACH="${1:-60}"
shift || true
TARGETS=("$@")
if [ "${#TARGETS[@]}" -eq 0 ]; then TARGETS=(module_base64 codec_decrypt tsql ini); fi
bash scripts/install-deps.sh
source scripts/sanitizers/env.sh
BUILD="${JC_SANITIZE_BUILD_DIR:-build-sanitize}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DJC_BUILD_BENCH=OFF -DJC_SANITIZE=ON
fi
cmake --build "$BUILD" -j"$(nproc)" --target "${TARGETS[@]/#/fuzz_}"
BUILD="$(cd "$BUILD" && pwd)"
mkdir -p "$BUILD/fuzz-findings" "$BUILD/fuzz-logs"
status=0
for t in "${TARGETS[@]}"; do
  mkdir -p "$BUILD/fuzz-corpus/$t"
  before=$(find "$BUILD/fuzz-findings" -name "$t-*" | wc -l)
  log="$BUILD/fuzz-logs/$t.log"
  set +e
  (cd "$BUILD" && "$BUILD/bin/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -rss_limit_mb=2048 \
     -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-findings/$t-" \
     "$BUILD/fuzz-corpus/$t" "$SOURCE/fuzz/corpus/$t") >"$log" 2>&1
  rc=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || echo "?")
  after=$(find "$BUILD/fuzz-findings" -name "$t-*" | wc -l)
  corpus=$(find "$BUILD/fuzz-corpus/$t" -type f | wc -l)
  echo "$t: ${SECONDS_EACH}s, $runs executions, corpus $corpus inputs, $((after - before)) findings (exit $rc, log $log)"
  if [ "$rc" -ne 0 ] || [ "$after" -ne "$before" ]; then status=1; fi
done
exit $status
