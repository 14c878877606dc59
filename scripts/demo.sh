#!/usr/bin/env bash
# Makes a sample clip with ffmpeg and converts it into a workbook with the
# headless command line of gridcinema.
#   usage: scripts/demo.sh BUILD_DIR
set -euo pipefail

build="${1:?usage: scripts/demo.sh BUILD_DIR}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="$build/app/gridcinema"
[[ "$program" = /* ]] || program="$root/$program"

if [ ! -x "$program" ]; then
  echo "demo: $program not found; build first (make build)" >&2
  exit 1
fi
command -v ffmpeg >/dev/null || { echo "demo: ffmpeg is not installed" >&2; exit 1; }

out="$root/out"
mkdir -p "$out"
clip="$out/sample.avi"
# 5 s of a test pattern, 640 x 480 at 10 frames per second, with a 440 Hz tone.
ffmpeg -v error -y \
  -f lavfi -i testsrc2=size=640x480:rate=10:duration=5 \
  -f lavfi -i sine=frequency=440:duration=5 \
  -shortest "$clip"
echo "demo: sample clip $clip"

"$program" convert "$clip"
echo "demo: workbook $out/sample.xlsm (open it with LibreOffice Calc or Excel)"
