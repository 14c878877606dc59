#!/usr/bin/env python3
"""Checks that every include of the library points down its floors.

Each folder under lib/ has a floor; a file may include headers of its own
folder and of lower floors only. The public header velmora.h (with
XLS_BOOK) is for lib/api/ alone; velmora_codes.h (numbers only) is for
everyone. The programs on the library (app/, tools/velmora/) see it
through the public headers only.
Prints every upward include and exits 1 when there is one.
"""
import pathlib
import re
import sys

FLOORS = {
    "core": 0,
    "io": 1, "cfb": 1, "xml": 1,
    "model": 2,
    "property": 3, "formula": 3, "xls": 3,
    "import": 4, "xlsx": 4,
    "book": 5,
    "api": 6,
}
# Programs on the library: each includes its own headers and the public ones.
PROGRAMS = ("app", "tools/velmora")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path: pathlib.Path, lib: pathlib.Path) -> str:
    return path.relative_to(lib).parts[0]


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    lib = root / "lib"
    faults = []
    for path in sorted(lib.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".c") or not path.is_file():
            continue
        own = folder_of(path, lib)
        if own not in FLOORS:
            faults.append(f"{path.relative_to(root)}: folder '{own}' has no floor")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            where = f"{path.relative_to(root)}:{number}"
            if target == "velmora_codes.h":
                continue
            if target == "velmora.h":
                if own != "api":
                    faults.append(f"{where}: only lib/api includes velmora.h")
                continue
            top = target.split("/")[0]
            if top not in FLOORS:
                faults.append(f"{where}: '{target}' is not a library header")
            elif top != own and FLOORS[top] >= FLOORS[own]:
                faults.append(f"{where}: {own} (floor {FLOORS[own]}) includes {target} (floor {FLOORS[top]})")
    for program in PROGRAMS:
        folder = root / program
        if not folder.is_dir():
            continue
        own_headers = {p.name for p in folder.glob("*.h")}
        for path in sorted(folder.glob("*.[ch]*")):
            for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                m = INCLUDE.match(line)
                if m and m.group(1) not in own_headers and m.group(1) not in ("velmora.h", "velmora_codes.h"):
                    faults.append(f"{path.relative_to(root)}:{number}: the program includes {m.group(1)}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} include(s) point the wrong way", file=sys.stderr)
        return 1
    print("check-layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
