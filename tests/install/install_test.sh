#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a newcomer would.
#   usage: install_test.sh BUILD_DIR SOURCE_DIR WORK_DIR [CONSUMER_FLAGS]
# CONSUMER_FLAGS (the sanitizer flags of a sanitizer build) are added to
# every compile and link of the examples.
set -euo pipefail

build="$1" src="$2" work="$3" flags="${4:-}"
fail() { echo "FAIL: $*" >&2; exit 1; }
need_file() { [ -f "$1" ] || fail "not installed: ${1#"$prefix"/}"; }

rm -rf "$work"
mkdir -p "$work/run"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log"

pc="$(find "$prefix" -name velmora.pc)"
[ -n "$pc" ] || fail "velmora.pc not installed"
libdir="$(dirname "$(dirname "$pc")")"

# ---- the files, the soname links, the exported symbols
need_file "$prefix/include/velmora.h"
need_file "$prefix/include/velmora_codes.h"
need_file "$libdir/libvelmora.a"
need_file "$libdir/cmake/velmora/velmoraConfig.cmake"
need_file "$libdir/cmake/velmora/velmoraConfigVersion.cmake"
need_file "$prefix/bin/velmora"
need_file "$prefix/share/man/man1/velmora.1"
[ "$(readlink "$libdir/libvelmora.so")" = libvelmora.so.2 ] || fail "libvelmora.so does not point at libvelmora.so.2"
[ "$(readlink "$libdir/libvelmora.so.2")" = libvelmora.so.2.0.0 ] || fail "libvelmora.so.2 does not point at the library"
need_file "$libdir/libvelmora.so.2.0.0"
grep -q 'SONAME.*\[libvelmora\.so\.2\]' <<< "$(readelf -d "$libdir/libvelmora.so.2.0.0")" || fail "soname is not libvelmora.so.2"
cmake -DLIBRARY="$libdir/libvelmora.so.2.0.0" -P "$src/tests/api/check_exports.cmake"

# ---- pkg-config: the public include folder, the library, nothing internal
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# (blanks normalised: pkg-config ends its answer with one)
cflags="$(echo $(pkg-config --cflags velmora))"
libs="$(echo $(pkg-config --libs velmora))"
static_libs="$(echo $(pkg-config --static --libs velmora))"
[ "$(pkg-config --modversion velmora)" = 2.0.0.0 ] || fail "pkg-config version"
[ "$cflags" = "-I$prefix/include" ] || fail "pkg-config --cflags gives '$cflags'"
[ "$libs" = "-L$libdir -lvelmora" ] || fail "pkg-config --libs gives '$libs'"
for l in -lminizip -lz -lexpat -lpng -ljpeg -lstdc++; do
  [[ " $static_libs " = *" $l "* ]] || fail "pkg-config --static --libs lacks $l: $static_libs"
done

# ---- the examples, as the README of examples/ says: cc example.c $(pkg-config ...)
export LD_LIBRARY_PATH="$libdir"
for ex in report read_column fill_template; do
  # shellcheck disable=SC2086
  cc -std=c99 -Wall -Wextra -Werror -pedantic $flags -o "$work/$ex" "$src/examples/$ex.c" \
     $(pkg-config --cflags --libs velmora) || fail "$ex.c does not compile against the installed tree"
done
cd "$work/run"
"$work/report" report.xlsx > /dev/null || fail "report"
column="$("$work/read_column" report.xlsx A)"
[ "$(echo "$column" | sed -n '1p;3,7p' | tr '\n' '|')" = "Quarterly sales|Region|North|South|East|Total|" ] ||
  fail "read_column printed: $column"
[ "$("$work/read_column" report.xlsx C | sed -n 4p)" = 1350 ] || fail "read_column of column C"
"$work/fill_template" report.xlsx filled.xlsx 'B5=999' > /dev/null || fail "fill_template"
[ "$("$work/read_column" filled.xlsx B | sed -n 5p)" = 999 ] || fail "fill_template did not fill B5"
[ "$("$work/read_column" report.xlsx B | sed -n 5p)" != 999 ] || fail "fill_template changed its template"

# The static library with what pkg-config --static names; no libvelmora.so needed.
# shellcheck disable=SC2086
cc -std=c99 $flags -o "$work/read_column_static" "$src/examples/read_column.c" $cflags \
   ${static_libs/ -lvelmora / -l:libvelmora.a } || fail "static link with pkg-config --static"
grep -q libvelmora <<< "$(readelf -d "$work/read_column_static")" && fail "the static link needs libvelmora.so"
[ "$(env -u LD_LIBRARY_PATH "$work/read_column_static" report.xlsx B | sed -n 4p)" = 1200 ] || fail "static read_column"

# ---- a CMake project using find_package(velmora)
cmake -S "$src/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/consumer.log" ||
  { cat "$work/consumer.log"; fail "find_package(velmora)"; }
cmake --build "$work/consumer" >> "$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "consumer build"; }
"$work/consumer/report" cmake.xlsx > /dev/null || fail "report built with CMake"
grep -q libvelmora <<< "$(readelf -d "$work/consumer/read_column_static")" && fail "velmora::velmora_static needs libvelmora.so"
[ "$(env -u LD_LIBRARY_PATH "$work/consumer/read_column_static" cmake.xlsx A | sed -n 4p)" = North ] ||
  fail "read_column built with CMake"

# ---- the installed programs
[ "$("$prefix/bin/velmora" --version)" = "velmora 2.0.0.0 (library 2.0.0.0)" ] || fail "installed velmora --version"
[ "$("$prefix/bin/velmora" dump report.xlsx --range A3:C4)" = $'Region,Q1,Q2\r\nNorth,1200,1350\r' ] ||
  fail "installed velmora dump"
if [ -f "$prefix/bin/gridcinema" ]; then
  [ "$("$prefix/bin/gridcinema" --version)" = "gridcinema 2.0.0.0" ] || fail "installed gridcinema --version"
  need_file "$prefix/share/man/man1/gridcinema.1"
  need_file "$prefix/share/applications/gridcinema.desktop"
  need_file "$prefix/share/icons/hicolor/scalable/apps/gridcinema.svg"
  for size in 16 22 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/gridcinema.png"
    need_file "$icon"
    python3 - "$icon" "$size" <<'PY' || fail "icon $icon is not a ${size}x${size} PNG"
import struct, sys
head = open(sys.argv[1], "rb").read(24)
size = int(sys.argv[2])
sys.exit(0 if head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (size, size) else 1)
PY
  done
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$prefix/share/applications/gridcinema.desktop" || fail "desktop entry"
  fi
fi
echo "install ok: $prefix"
