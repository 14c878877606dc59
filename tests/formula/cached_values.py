#!/usr/bin/python3
"""Prints column A of one sheet as openpyxl reads its cached values (data_only=True) beside
the first column of a csv export, as a JSON array of [type name, value, csv text], one per row.

usage: cached_values.py FILE.xlsx SHEET FILE.csv
"""
import csv
import json
import sys

import openpyxl

sheet = openpyxl.load_workbook(sys.argv[1], data_only=True)[sys.argv[2]]
with open(sys.argv[3], encoding="utf-8", errors="replace", newline="") as f:
    shown = [row[0] if row else "" for row in csv.reader(f)]
cached = [row[0].value for row in sheet.iter_rows(min_col=1, max_col=1)]
print(json.dumps([[type(v).__name__, v, s] for v, s in zip(cached, shown + [None] * (len(cached) - len(shown)))]))
