#!/usr/bin/python3
"""Checks a workbook written by the package writer against expectations,
reading it with openpyxl (a reader we did not write).

usage: check_xlsx.py FILE.xlsx EXPECT.json

EXPECT.json: {"sheet_names": [...], "props": {attr: value},
 "sheets": {name: {"zoom", "show_grid", "state", "freeze", "widths": {col: w},
   "heights": {row: h}, "hidden_rows": [...], "merged": [...], "orientation",
   "paper_size", "protected", "autofilter", "row_breaks": [...],
   "header_center", "footer_right",
   "cells": {ref: {"value", "fill", "pattern", "gradient", "bold", "italic",
     "underline", "font_color", "font_name", "font_size", "number_format",
     "horizontal", "vertical", "wrap", "border_left", "border_bottom",
     "hyperlink", "location"}}}},
 "max_cells": {name: [max_row, max_column]}}
Prints every mismatch; exit status 1 when there is one.
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


def check_cell(where, cell, want):
    for key, value in want.items():
        w = f"{where} {key}"
        if key == "value":
            got = cell.value
            if hasattr(got, "isoformat"):
                got = got.isoformat()
            expect(w, got, value)
        elif key == "fill":
            expect(w, color(cell.fill.fgColor), value)
        elif key == "pattern":
            expect(w, cell.fill.patternType, value)
        elif key == "gradient":
            expect(w, cell.fill.type == "gradient" or getattr(cell.fill, "tagname", "") == "gradientFill", value)
        elif key == "bold":
            expect(w, bool(cell.font.b), value)
        elif key == "italic":
            expect(w, bool(cell.font.i), value)
        elif key == "underline":
            expect(w, cell.font.u, value)
        elif key == "font_color":
            expect(w, color(cell.font.color), value)
        elif key == "font_name":
            expect(w, cell.font.name, value)
        elif key == "font_size":
            expect(w, float(cell.font.sz), float(value))
        elif key == "number_format":
            expect(w, cell.number_format, value)
        elif key == "horizontal":
            expect(w, cell.alignment.horizontal, value)
        elif key == "vertical":
            expect(w, cell.alignment.vertical, value)
        elif key == "wrap":
            expect(w, bool(cell.alignment.wrap_text), value)
        elif key == "border_left":
            expect(w, cell.border.left.style, value)
        elif key == "border_bottom":
            expect(w, cell.border.bottom.style, value)
        elif key == "hyperlink":
            expect(w, cell.hyperlink.target if cell.hyperlink else None, value)
        elif key == "location":
            expect(w, cell.hyperlink.location if cell.hyperlink else None, value)
        else:
            problems.append(f"{w}: unknown expectation")


def check_sheet(ws, want):
    name = ws.title
    for key, value in want.items():
        w = f"[{name}] {key}"
        if key == "cells":
            for ref, cw in value.items():
                check_cell(f"[{name}]!{ref}", ws[ref], cw)
        elif key == "zoom":
            expect(w, ws.sheet_view.zoomScale, value)
        elif key == "show_grid":
            expect(w, ws.sheet_view.showGridLines in (None, True), value)
        elif key == "state":
            expect(w, ws.sheet_state, value)
        elif key == "freeze":
            expect(w, ws.freeze_panes, value)
        elif key == "widths":
            for col, width in value.items():
                expect(f"{w} {col}", ws.column_dimensions[col].width, float(width))
        elif key == "heights":
            for row, height in value.items():
                expect(f"{w} {row}", ws.row_dimensions[int(row)].height, float(height))
        elif key == "hidden_rows":
            for row in value:
                expect(f"{w} {row}", ws.row_dimensions[row].hidden, True)
        elif key == "merged":
            expect(w, sorted(str(r) for r in ws.merged_cells.ranges), sorted(value))
        elif key == "orientation":
            expect(w, ws.page_setup.orientation, value)
        elif key == "paper_size":
            expect(w, int(ws.page_setup.paperSize), value)
        elif key == "protected":
            expect(w, bool(ws.protection.sheet), value)
        elif key == "password":
            expect(w, ws.protection.password, value)
        elif key == "autofilter":
            expect(w, ws.auto_filter.ref, value)
        elif key == "row_breaks":
            expect(w, [b.id for b in ws.row_breaks.brk], value)
        elif key == "header_center":
            expect(w, ws.oddHeader.center.text, value)
        elif key == "footer_right":
            expect(w, ws.oddFooter.right.text, value)
        elif key == "max":
            expect(w, [ws.max_row, ws.max_column], value)
        else:
            problems.append(f"{w}: unknown expectation")


def main():
    path, expect_path = sys.argv[1], sys.argv[2]
    with open(expect_path, encoding="utf-8") as f:
        want = json.load(f)
    wb = openpyxl.load_workbook(path, keep_vba=path.endswith(".xlsm"))
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
