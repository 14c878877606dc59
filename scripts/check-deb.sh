#!/usr/bin/env bash
# Checks the Debian packages that build-deb.sh made: lintian finds no errors;
# they install with apt on this machine; the installed programs convert a
# clip and read the workbook back, and the development files build the
# examples; then they are purged and must leave no file behind. Run as root.
#   usage: scripts/check-deb.sh [DIR]        (default build-deb)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="${1:-build-deb}"
[[ "$dir" = /* ]] || dir="$root/$dir"
packages=(gridcinema velmora libvelmora-dev libvelmora2)
fail() { echo "check-deb: FAIL: $*" >&2; exit 1; }
shopt -s nullglob
debs=("$dir"/*.deb)
[ ${#debs[@]} -eq ${#packages[@]} ] || fail "expected ${#packages[@]} packages in $dir, found ${#debs[@]}"

echo "== lintian"
lintian --fail-on error --display-level ">=warning" "${debs[@]}" || fail "lintian reports errors"

installed() { [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]; }
for p in "${packages[@]}"; do
  if installed "$p"; then
    echo "check-deb: $p is installed from an earlier run; purging it first"
    apt-get purge -y -qq "${packages[@]}" > /dev/null
    break
  fi
done

echo "== apt install ./*.deb"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "${debs[@]}" > "$dir/apt-install.log" 2>&1 || { cat "$dir/apt-install.log"; fail "apt install"; }
for p in "${packages[@]}"; do installed "$p" || fail "$p is not installed"; done
files="$dir/installed-files.txt"
dpkg -L "${packages[@]}" | sort -u > "$files"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "== the installed programs"
[ "$(command -v velmora)" = /usr/bin/velmora ] || fail "velmora is not /usr/bin/velmora"
velmora --version
gridcinema --version
grep -Eq 'libvelmora\.so\.2 => (/usr)?/lib/' <<< "$(ldd /usr/bin/gridcinema)" || fail "gridcinema does not use the installed library"
ffmpeg -v error -y -f lavfi -i testsrc2=size=160x120:rate=10:duration=2 -f lavfi -i sine=frequency=440:duration=2 \
  -shortest clip.avi
gridcinema convert clip.avi --output clip.xlsm || fail "gridcinema convert"
velmora dump clip.xlsm --format json > clip.json || fail "velmora dump of the converted clip"
python3 - clip.json <<'PY' || fail "the dump of the converted clip"
import json, sys
book = json.load(open(sys.argv[1], encoding="utf-8"))
sheets = book["sheets"]
assert len(sheets) >= 15, "%d sheets" % len(sheets)
assert all(len(s["rows"]) == 30 and len(s["rows"][0]) == 40 for s in sheets), "not 30 rows of 40 cells"
print("velmora dump: %d sheets of 30 x 40 cells" % len(sheets))
PY
printf 'A1=Item B1=Price\nA2=Tea B2=350\n' > prices.txt
velmora run prices.txt > /dev/null
[ "$(velmora dump prices.xlsx)" = $'Item,Price\r\nTea,350\r' ] || fail "velmora run and dump"
grep -q 'VELMORA: Release' <<< "$(velmora help)" || fail "velmora help"
man -w velmora gridcinema > /dev/null || fail "manual pages"
desktop-file-validate /usr/share/applications/gridcinema.desktop || fail "desktop entry"

echo "== the development files"
examples=/usr/share/doc/libvelmora-dev/examples
for ex in report read_column fill_template; do
  [ -f "$examples/$ex.c" ] || fail "$examples/$ex.c is missing"
  cc -std=c99 -Wall -Werror -o "$ex" "$examples/$ex.c" $(pkg-config --cflags --libs velmora) || fail "$ex.c"
done
./report report.xlsx > /dev/null && [ "$(./read_column report.xlsx A | sed -n 4p)" = North ] || fail "examples"
mkdir consumer
cat > consumer/CMakeLists.txt <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(velmora 2 REQUIRED)
add_executable(read_column $examples/read_column.c)
target_link_libraries(read_column PRIVATE velmora::velmora_static)
CMAKE
cmake -S consumer -B consumer/build > /dev/null && cmake --build consumer/build > /dev/null || fail "find_package(velmora)"
[ "$(consumer/build/read_column report.xlsx A | sed -n 4p)" = North ] || fail "static example built with CMake"

echo "== apt purge"
cd /
apt-get purge -y -qq "${packages[@]}" > "$dir/apt-purge.log" 2>&1 || { cat "$dir/apt-purge.log"; fail "apt purge"; }
for p in "${packages[@]}"; do installed "$p" && fail "$p is still installed"; done
left=0
while IFS= read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left behind: $f"; left=1; fi
done < "$files"
[ $left -eq 0 ] || fail "files left after purging"
echo "check-deb: the packages pass lintian, install, work and remove cleanly"
