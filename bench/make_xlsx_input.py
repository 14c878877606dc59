#!/usr/bin/python3
"""Writes the .xlsx of the reading benchmarks: ROWS rows x 10 columns of
integers, decimals, pooled ASCII and Japanese shared strings, dates,
percentages, unique texts, formulas with cached values and a column that is
every other row empty (openpyxl writes the formulas; their cached values are
added afterwards by LibreOffice when asked, see scripts/bench-read.sh)."""
import datetime
import sys

import openpyxl
from openpyxl.cell import WriteOnlyCell

out, rows = sys.argv[1], int(sys.argv[2])
pool = ["alpha", "beta", "gamma", "delta", "東京", "大阪", "名古屋", "札幌", "福岡", "仙台",
        "京都", "神戸", "横浜", "川崎", "千葉", "埼玉"]
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet("Data")
start = datetime.date(2020, 1, 1)
percent = None
for r in range(1, rows + 1):
    pct = WriteOnlyCell(ws, value=(r % 1000) / 1000.0)
    pct.number_format = "0.0%"
    ws.append([
        r,                                   # integer
        r * 0.37 + 0.01,                     # decimal
        pool[r % len(pool)],                 # pooled shared string
        start + datetime.timedelta(days=r % 3650),  # date
        pct,                                 # percentage
        "unique text %d" % r,                # unique shared string
        "=A%d*2" % r,                        # formula
        (r % 97) - 48,                       # small signed integer
        pool[(r * 5) % len(pool)] + "支店",   # pooled Japanese
        r / 7.0 if r % 2 else None,          # half-empty column
    ])
wb.save(out)
