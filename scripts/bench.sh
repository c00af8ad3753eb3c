#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the tests), then measures the
# real program's time and peak memory per operation on demo roots of two
# sizes, so that growth with the data shows.
#
#   scripts/bench.sh [BENCHMARK ARGS...]
#
# JC_BENCH_SIZES    customers of the two demo roots (default "100000 1000000");
#                   each root is made once in the build folder and kept.
# JC_BENCH_PROGRAMS the Google Benchmark programs to run (default: all);
#                   "none" runs only the per-operation measurement.
# JC_BENCH_OPERATIONS=0 skips the per-operation measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD="${JC_BUILD_DIR:-build-bench}"
JC_BUILD_DIR="$BUILD" bash scripts/build.sh -DJC_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
programs="${JC_BENCH_PROGRAMS:-$(cd "$BUILD/bin" && ls bench_* | tr '\n' ' ')}"
if [ "$programs" != "none" ]; then
  for b in $programs; do
    echo "== $b"
    "$BUILD/bin/$b" "$@"
  done
fi
[ "${JC_BENCH_OPERATIONS:-1}" = "0" ] && exit 0

# Every operation once, through the real program, on a copy of each demo
# root; the pauses between pages, passes and tables are skipped (a preloaded
# library makes every sleep return at once), everything else is as shipped.
echo "== operations: wall time and peak memory (resident set) per operation"
python3 - "$BUILD" ${JC_BENCH_SIZES:-100000 1000000} <<'EOF'
import os, resource, shutil, subprocess, sys, time

build = os.path.abspath(sys.argv[1])
program = os.path.join(build, "bin", "jumincheck")
shim = os.path.join(build, "bin", "libjc_skip_pauses.so")
env = dict(os.environ, LD_PRELOAD=shim)
env.pop("JUMINCHECK_SQL_TRACE", None)

operations = [
    ["audit-customers"],
    ["audit-dispensing", "--table", "PS_MAIN"],
    ["report-normal"],
    ["build-mapping"],
    ["verify-mapping"],
    ["encrypt-tables", "--yes"],
    ["migration-status"],
]

def measure(args):
    # Peak resident set of the one child this runs, in MB: a fresh
    # interpreter per run, so that RUSAGE_CHILDREN holds that child alone.
    code = ("import resource,subprocess,sys,time;t=time.time();"
            "r=subprocess.run(sys.argv[1:],stdout=subprocess.DEVNULL,stderr=subprocess.DEVNULL).returncode;"
            "print(r,time.time()-t,resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    out = subprocess.run([sys.executable, "-c", code] + args, env=env, capture_output=True, text=True).stdout.split()
    return int(out[0]), float(out[1]), int(out[2]) / 1024.0

rows = []
for size in sys.argv[2:]:
    demo = os.path.join(build, "bench-demo-%s" % size)
    if not os.path.exists(os.path.join(demo, "store")):
        shutil.rmtree(demo, ignore_errors=True)
        t = time.time()
        subprocess.run([program, "demo", demo, "--customers", size, "--seed", "1"], check=True,
                       stdout=subprocess.DEVNULL)
        print("made the demo root of %s customers in %.0f s" % (size, time.time() - t), flush=True)
    work = os.path.join(build, "bench-work")
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(demo, work)
    for op in operations:
        status, seconds, mb = measure([program, "--root", work] + op)
        rows.append((size, " ".join(op), status, seconds, mb))
        print("%9s  %-36s status %d  %8.1f s  %7.1f MB" % rows[-1], flush=True)
    shutil.rmtree(work, ignore_errors=True)

sizes = sys.argv[2:]
if len(sizes) == 2:
    print("\npeak memory growth from %s to %s customers:" % tuple(sizes))
    for op in operations:
        name = " ".join(op)
        a = [r for r in rows if r[0] == sizes[0] and r[1] == name][0]
        b = [r for r in rows if r[0] == sizes[1] and r[1] == name][0]
        print("  %-36s %7.1f MB -> %7.1f MB  (x%.2f)" % (name, a[4], b[4], b[4] / a[4]))
EOF
