#!/usr/bin/python3
"""Compares column A of one sheet, as openpyxl reads its cached values (data_only=True), with the first
column of a csv export of the same formulas recalculated elsewhere. Prints each disagreement and a count;
exits 1 unless all ROWS rows agree.

usage: compare_cached.py FILE.xlsx SHEET FILE.csv ROWS
"""
import csv
import math
import sys

import openpyxl


def agree(cached, shown):
    if isinstance(cached, bool):
        return shown == ("TRUE" if cached else "FALSE")
    if isinstance(cached, (int, float)):
        try:
            return math.isclose(float(shown), cached, rel_tol=1e-12, abs_tol=1e-12)
        except ValueError:
            return False
    return shown == ("" if cached is None else cached)


path, name, rows = sys.argv[1], sys.argv[2], int(sys.argv[4])
values, formulas = openpyxl.load_workbook(path, data_only=True)[name], openpyxl.load_workbook(path)[name]
with open(sys.argv[3], encoding="utf-8", errors="replace", newline="") as f:
    shown = [row[0] if row else "" for row in csv.reader(f)]
agreeing = 0
for r in range(1, rows + 1):
    cached, text = values.cell(r, 1).value, shown[r - 1] if r <= len(shown) else None
    if text is not None and agree(cached, text):
        agreeing += 1
    else:
        print(f"={formulas.cell(r, 1).value}: LibreOffice shows {text!r}, the library cached {cached!r}")
print(f"formulas agreeing with LibreOffice: {agreeing} of {rows}")
sys.exit(0 if agreeing == rows and len(shown) == rows == values.max_row else 1)
