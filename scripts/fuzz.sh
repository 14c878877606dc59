#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
shared=${VEL_SHARED_DIR:-../shared}
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets built" >&2
  exit 1
fi
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus="$build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  base=${name#fuzz_}
  # The differential XML target reads the same documents as the XML target.
  [ "$base" = xml_diff ] && base=xml
  seeds="fuzz/seeds/$base"
  dict="fuzz/$base.dict"
  args=(-max_total_time="$seconds" -print_final_stats=0)
  [ -f "$dict" ] && args+=(-dict="$dict")
  dirs=("$corpus")
  if [ -d "$seeds" ]; then dirs+=("$seeds"); fi
  # The reader targets also start from the small workbooks of the shared
  # corpus, copied at run time (they are not part of the repository).
  case "$name" in
    fuzz_xls) ext=xls ;;
    fuzz_zip|fuzz_xlsx) ext=xlsx ;;
    *) ext= ;;
  esac
  if [ -n "$ext" ] && [ -d "$shared/corpus" ]; then
    real="$build/fuzz/shared-seeds-$name"
    mkdir -p "$real"
    find "$shared/corpus" -maxdepth 1 -name "*.$ext" -size -64k -exec cp -f {} "$real" \;
    dirs+=("$real")
  fi
  echo "fuzz: $name for ${seconds}s"
  "$t" "${args[@]}" "${dirs[@]}" 2>"$build/fuzz/$name.log" || { tail -50 "$build/fuzz/$name.log"; exit 1; }
  grep -E '^(#[0-9]+\s+DONE|Done)' "$build/fuzz/$name.log" | tail -1 || true
done
