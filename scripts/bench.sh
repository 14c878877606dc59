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

# The .xls decoder alone: 60,000 rows x 10 columns of numbers, dates and
# texts, made once with openpyxl and converted by LibreOffice.
XLS_DIR=${TMPDIR:-/tmp}/vel-bench-xls
mkdir -p "$XLS_DIR"
[ -f "$XLS_DIR/decode60k.xls" ] || "$BUILD/bench/bench_xls_decode" prepare "$XLS_DIR/decode60k.xls" 60000
if [ "$MODE" = quick ]; then
    run bench_xls_decode run "$XLS_DIR/decode60k.xls" 5
else
    run bench_xls_decode run "$XLS_DIR/decode60k.xls" 30
fi

# The frame workbook end to end (put + save), ours beside libxlsxwriter in
# its normal and constant-memory modes, each run in a fresh process.
FRAMES_DIR=${TMPDIR:-/tmp}/vel-bench-frames
mkdir -p "$FRAMES_DIR"
if [ "$MODE" = quick ]; then SIZES="30"; else SIZES="30 300 1000"; fi
for n in $SIZES; do
    for input in plain noise; do
        frames="$FRAMES_DIR/frames-$n-$input.rgb"
        [ -f "$frames" ] || "$BUILD/bench/bench_save" prepare "$n" "$frames" "$input"
        echo "== bench_save N=$n input=$input"
        "$BUILD/bench/bench_save" run "$frames" "$FRAMES_DIR/velmora.xlsx"
        if [ -x "$BUILD/bench/xlsxwriter_peer" ]; then
            "$BUILD/bench/xlsxwriter_peer" "$frames" "$FRAMES_DIR/xlsxwriter.xlsx"
            "$BUILD/bench/xlsxwriter_peer" "$frames" "$FRAMES_DIR/xlsxwriter.xlsx" constant
        fi
    done
done

# Reading foundations: inflating and XML reading of a big worksheet that our
# writer makes (200,000 rows x 10 columns; 2,000 rows in a quick run).
ROWS=200000
[ "$MODE" = quick ] && ROWS=2000
book="$FRAMES_DIR/read-$ROWS.xlsx"
[ -f "$book" ] || "$BUILD/bench/bench_xml_read" make "$book" "$ROWS"
run bench_xml_read run "$book"
