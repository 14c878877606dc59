#!/usr/bin/python3
"""Writes the .xlsx from which the .xls decode benchmark's input is made:
ROWS rows x 10 columns of numbers, dates and texts (openpyxl)."""
import datetime
import sys

import openpyxl

out, rows = sys.argv[1], int(sys.argv[2])
words = ["alpha", "beta", "gamma", "delta", "東京", "大阪", "名古屋", "札幌", "福岡", "仙台"]
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Data")
start = datetime.datetime(2020, 1, 1)
for r in range(rows):
    ws.append([
        r,
        r * 1.25,
        start + datetime.timedelta(days=r % 3650),
        words[r % len(words)],
        (r % 977) / 7.0,
        "row %d" % r,
        start + datetime.timedelta(minutes=r * 17),
        -r,
        words[(r * 7) % len(words)] + " " + str(r % 100),
        r / 3.0,
    ])
wb.save(out)
