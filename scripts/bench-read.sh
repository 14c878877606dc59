#!/usr/bin/env bash
# Reading benchmarks as whole processes: every cell of a generated workbook
# read through the public API (bench_read) beside the peers, each run three
# times, medians printed. Peak resident memory per cell is the process's
# peak divided by the cells read.
# The update benchmark opens the same .xlsx in update mode, changes one cell
# and saves it, beside openpyxl's load and save.
#   usage: scripts/bench-read.sh BUILD_DIR [xls|xlsx|update|all]
set -euo pipefail
build="${1:?usage: scripts/bench-read.sh BUILD_DIR [xls|xlsx|update|all]}"
which="${2:-all}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${TMPDIR:-/tmp}/vel-bench-read"
mkdir -p "$work"
[ -d "$root/bench/node_modules/xlsx" ] || (cd "$root/bench" && npm install --no-audit --no-fund >/dev/null)

# Median wall seconds and peak KiB of three runs of a command, into w and p.
run3() {
    local walls=() peaks=()
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time.log" "$@" >/dev/null 2>&1
        read -r w p < "$work/time.log"
        walls+=("$w")
        peaks+=("$p")
    done
    w=$(printf '%s\n' "${walls[@]}" | sort -n | sed -n 2p)
    p=$(printf '%s\n' "${peaks[@]}" | sort -n | sed -n 2p)
}

# A reader's figures: cells per second and bytes per cell.
measure() {
    local name=$1 cells=$2
    shift 2
    run3 "$@"
    awk -v n="$name" -v w="$w" -v p="$p" -v c="$cells" 'BEGIN {
        printf "%-22s %8.3f s %10.2f M cells/s %9.1f MiB %8.1f bytes/cell\n", n, w, c / w / 1e6, p / 1024, p * 1024 / c }'
}

# A job's figures: seconds and peak memory.
measure_job() {
    local name=$1
    shift
    run3 "$@"
    awk -v n="$name" -v w="$w" -v p="$p" 'BEGIN { printf "%-22s %8.3f s %9.1f MiB\n", n, w, p / 1024 }'
}

if [ "$which" = xls ] || [ "$which" = all ]; then
    xls="$work/data-60k.xls"
    if [ ! -f "$xls" ]; then
        /usr/bin/python3 "$root/bench/make_xls_input.py" "$work/data-60k.xlsx" 60000
        (cd "$work" && soffice -env:UserInstallation="file://$work/lo" --headless --convert-to xls data-60k.xlsx >/dev/null 2>&1)
    fi
    cells=600000
    echo "== .xls, 60,000 rows x 10 columns ($cells cells)"
    measure "velmora (C API)" $cells "$build/bench/bench_read" "$xls"
    measure "xlrd" $cells /usr/bin/python3 "$root/bench/peers/xlrd_read.py" "$xls"
    [ -x "$build/bench/freexl_read" ] && measure "libfreexl" $cells "$build/bench/freexl_read" "$xls"
    measure "SheetJS" $cells node "$root/bench/peers/sheetjs_read.js" "$xls"
fi

xlsx="$work/data-200k.xlsx"
if [ "$which" != xls ] && [ ! -f "$xlsx" ]; then
    /usr/bin/python3 "$root/bench/make_xlsx_input.py" "$work/plain-200k.xlsx" 200000
    # LibreOffice recalculates and stores the formulas' cached values.
    (cd "$work" && mkdir -p calc && soffice -env:UserInstallation="file://$work/lo" --headless \
        --convert-to xlsx --outdir calc plain-200k.xlsx >/dev/null 2>&1 && mv calc/plain-200k.xlsx "$xlsx")
fi

if [ "$which" = xlsx ] || [ "$which" = all ]; then
    cells=$(/usr/bin/python3 - "$xlsx" <<'PY'
import sys, openpyxl
n = 0
for ws in openpyxl.load_workbook(sys.argv[1], read_only=True, data_only=True).worksheets:
    for row in ws.iter_rows(values_only=True):
        n += sum(1 for v in row if v is not None and v != "")
print(n)
PY
)
    echo "== .xlsx, 200,000 rows x 10 columns ($cells cells)"
    measure "velmora (C API)" "$cells" "$build/bench/bench_read" "$xlsx"
    measure "openpyxl read-only" "$cells" /usr/bin/python3 "$root/bench/peers/openpyxl_read.py" "$xlsx"
    measure "SheetJS" "$cells" node "$root/bench/peers/sheetjs_read.js" "$xlsx"
    measure "ExcelJS streaming" "$cells" node "$root/bench/peers/exceljs_read.js" "$xlsx"
fi

if [ "$which" = update ] || [ "$which" = all ]; then
    echo "== update one cell of the .xlsx of 200,000 rows x 10 columns and save"
    measure_job "velmora (C API)" "$build/bench/bench_update" "$xlsx" "$work/updated.xlsx"
    measure_job "openpyxl load+save" /usr/bin/python3 "$root/bench/peers/openpyxl_update.py" "$xlsx" "$work/updated-openpyxl.xlsx"
fi
