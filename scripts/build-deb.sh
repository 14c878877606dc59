#!/usr/bin/env bash
# Builds the Debian packages (libvelmora2, libvelmora-dev, velmora,
# gridcinema) from the tree with dpkg-buildpackage, in a copy of the tree
# under OUT, so that nothing is written beside the repository.
#   usage: scripts/build-deb.sh [OUT]        (default build-deb)
# The .deb files end up in OUT.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-build-deb}"
[[ "$out" = /* ]] || out="$root/$out"
version="$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)"
src="$out/src/velmora-$version"

rm -rf "$out"
mkdir -p "$src"
# The tree as it stands: tracked and new files, nothing that git ignores,
# no build folders.
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     grep -zv -e '^build' -e '^out/' | tar -cf - --null --no-recursion -T -) | tar -xf - -C "$src"
else
  tar -C "$root" --exclude='./build*' --exclude=./out -cf - . | tar -xf - -C "$src"
fi
rm -rf "$src/tests"   # the package build builds no tests

cd "$src"
DEB_BUILD_OPTIONS="parallel=${JOBS:-2} nocheck noautodbgsym" dpkg-buildpackage -b -us -uc
mv "$out"/src/*.deb "$out"/src/*.changes "$out"/src/*.buildinfo "$out"/
rm -rf "$out/src"
ls -l "$out"/*.deb
