#!/usr/bin/python3
"""Checks a workbook written by the package writer against expectations, read with openpyxl.

usage: check_xlsx.py FILE.xlsx EXPECT.json
EXPECT.json: {"sheet_names": [...], "props": {attr: value}, "sheets": {name: {key: value, "widths": {col: w},
 "heights": {row: h}, "hidden_rows": [...], "merged": [...], "cells": {ref: {key: value}}}}}, the keys those of
SHEET and CELL below. Prints every mismatch; exit status 1 when there is one.
"""
import json
import sys

import openpyxl

problems = []


def expect(what, got, want):
    if isinstance(want, float) or isinstance(got, float):
        ok = got is not None and want is not None and abs(float(got) - float(want)) < 1e-6
    elif isinstance(want, str) and isinstance(got, str):
        ok = got.lower() == want.lower()
    else:
        ok = got == want
    if not ok:
        problems.append(f"{what}: got {got!r}, want {want!r}")


def color(c):
    return None if c is None else c.rgb


# What openpyxl reads for each expectation of a cell, and of a sheet.
CELL = {
    "value": lambda c: c.value.isoformat() if hasattr(c.value, "isoformat") else c.value,
    "fill": lambda c: color(c.fill.fgColor),
    "pattern": lambda c: c.fill.patternType,
    "gradient": lambda c: c.fill.type == "gradient" or getattr(c.fill, "tagname", "") == "gradientFill",
    "bold": lambda c: bool(c.font.b),
    "font_color": lambda c: color(c.font.color),
    "font_name": lambda c: c.font.name,
    "font_size": lambda c: float(c.font.sz),
    "number_format": lambda c: c.number_format,
    "horizontal": lambda c: c.alignment.horizontal,
    "vertical": lambda c: c.alignment.vertical,
    "wrap": lambda c: bool(c.alignment.wrap_text),
    "border_left": lambda c: c.border.left.style,
    "border_bottom": lambda c: c.border.bottom.style,
    "hyperlink": lambda c: c.hyperlink.target if c.hyperlink else None,
    "location": lambda c: c.hyperlink.location if c.hyperlink else None,
}
SHEET = {
    "zoom": lambda ws: ws.sheet_view.zoomScale,
    "show_grid": lambda ws: ws.sheet_view.showGridLines in (None, True),
    "state": lambda ws: ws.sheet_state,
    "freeze": lambda ws: ws.freeze_panes,
    "orientation": lambda ws: ws.page_setup.orientation,
    "paper_size": lambda ws: int(ws.page_setup.paperSize),
    "protected": lambda ws: bool(ws.protection.sheet),
    "password": lambda ws: ws.protection.password,
    "autofilter": lambda ws: ws.auto_filter.ref,
    "row_breaks": lambda ws: [b.id for b in ws.row_breaks.brk],
    "header_center": lambda ws: ws.oddHeader.center.text,
    "footer_right": lambda ws: ws.oddFooter.right.text,
    "max": lambda ws: [ws.max_row, ws.max_column],
    "merged": lambda ws: sorted(str(r) for r in ws.merged_cells.ranges),  # expected sorted too
}


def check_sheet(ws, want):
    name = ws.title
    for key, value in want.items():
        w = f"[{name}] {key}"
        if key == "cells":
            for ref, cw in value.items():
                for k, v in cw.items():
                    if k in CELL:
                        expect(f"[{name}]!{ref} {k}", CELL[k](ws[ref]), v)
                    else:
                        problems.append(f"[{name}]!{ref} {k}: unknown expectation")
        elif key == "widths":
            for col, width in value.items():
                expect(f"{w} {col}", ws.column_dimensions[col].width, float(width))
        elif key == "heights":
            for row, height in value.items():
                expect(f"{w} {row}", ws.row_dimensions[int(row)].height, float(height))
        elif key == "hidden_rows":
            for row in value:
                expect(f"{w} {row}", ws.row_dimensions[row].hidden, True)
        elif key in SHEET:
            expect(w, SHEET[key](ws), value)
        else:
            problems.append(f"{w}: unknown expectation")


def main():
    with open(sys.argv[2], encoding="utf-8") as f:
        want = json.load(f)
    wb = openpyxl.load_workbook(sys.argv[1], keep_vba=sys.argv[1].endswith(".xlsm"))
    if "sheet_names" in want:
        expect("sheet names", wb.sheetnames, want["sheet_names"])
    for key, value in want.get("props", {}).items():
        expect(f"property {key}", getattr(wb.properties, key), value)
    for name, sw in want.get("sheets", {}).items():
        if name not in wb.sheetnames:
            problems.append(f"sheet {name!r} missing")
            continue
        check_sheet(wb[name], sw)
    for p in problems[:50]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
