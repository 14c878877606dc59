#!/usr/bin/env bash
# Peak resident memory and time of `gridcinema convert` as a whole process,
# for 640 x 480 clips at ratio 4 (160 x 120 filled cells per sheet).
# The resident size of a one-sheet run stands for the process before its
# first sheet; the figure per filled cell is what the sheets add above it.
#   usage: scripts/bench-convert.sh BUILD_DIR [SHEETS...]   (default 300 1000)
set -euo pipefail
build="${1:?usage: scripts/bench-convert.sh BUILD_DIR [SHEETS...]}"
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(300 1000)
program="$build/app/gridcinema"
work="${TMPDIR:-/tmp}/vel-bench-convert"
mkdir -p "$work"

peak_kib() {   # runs the command, prints "peak_kib seconds"
    local log="$work/time.log"
    /usr/bin/time -f "%M %e" -o "$log" "$@" >/dev/null
    cat "$log"
}

clip() {   # a clip long enough for $1 sheets (the converter grabs about ten a second)
    local n=$1 path="$work/clip-$1.avi"
    local seconds=$(( n / 10 + 2 ))
    [ -f "$path" ] || ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x480:rate=10:duration=$seconds" \
        -c:v mjpeg -q:v 3 "$path"
    echo "$path"
}

base_clip=$(clip 1)
read -r base_kib _ < <(peak_kib "$program" convert "$base_clip" --max-sheets 1 --ratio 4 --output "$work/base.xlsm")
echo "base: one sheet, peak $base_kib KiB"
for n in "${sizes[@]}"; do
    c=$(clip "$n")
    read -r kib secs < <(peak_kib "$program" convert "$c" --max-sheets "$n" --ratio 4 --output "$work/out-$n.xlsm")
    cells=$(( n * 160 * 120 ))
    per=$(awk -v k="$kib" -v b="$base_kib" -v c="$cells" 'BEGIN { printf "%.1f", (k - b) * 1024 / c }')
    echo "sheets $n: $secs s, peak $kib KiB, $per bytes per filled cell above the base"
done
