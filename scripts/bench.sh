#!/bin/sh
# Runs the benchmarks of a build folder configured with -DVEL_BUILD_BENCH=ON.
# Usage: scripts/bench.sh [BUILD_DIR] [quick]
#   quick: smaller runs, for a smoke check.
set -eu
BUILD=${1:-build-bench}
MODE=${2:-full}
if [ ! -d "$BUILD/bench" ]; then
    echo "no benchmarks in $BUILD (configure with -DVEL_BUILD_BENCH=ON)" >&2
    exit 1
fi

run() {
    name=$1
    shift
    echo "== $name"
    "$BUILD/bench/$name" "$@"
}

# Fill colours as the frame converter sends them (sheets of 160 x 120 cells).
if [ "$MODE" = quick ]; then
    run bench_fill 30
else
    run bench_fill 300
fi
