#!/usr/bin/python3
"""check_fills.py BOOK RAW W H RATIO EVERY GRAY

Compares each cell's fill in BOOK (read with openpyxl) with the quantised pixel it came from: sheet s from
frame s * EVERY of RAW (bgr24 frames of W x H), cell (k, c) from pixel (c * RATIO, k * RATIO). Prints
"sheets=N cells=M bad=B" and the first mismatches.
"""
import sys

import openpyxl

book, raw, w, h, ratio, every, gray = sys.argv[1:8]
w, h, ratio, every, gray = int(w), int(h), int(ratio), int(every), gray == "1"
data = open(raw, "rb").read()
frame = w * h * 3
wb = openpyxl.load_workbook(book)
cells = bad = 0
for s, ws in enumerate(wb.worksheets):
    base = s * every * frame
    if base + frame > len(data):
        print("sheet %d has no frame %d" % (s + 1, s * every))
        bad += 1
        continue
    for k, y in enumerate(range(0, h, ratio)):
        for c, x in enumerate(range(0, w, ratio)):
            p = base + (y * w + x) * 3
            b, g, r = data[p], data[p + 1], data[p + 2]
            want = "%02X%02X%02X" % (((b + g + r) // 3,) * 3 if gray else (r & 0xF8, g & 0xF8, b & 0xF8))
            fill = ws.cell(row=k + 1, column=c + 1).fill
            got = str(fill.fgColor.rgb).upper()[-6:] if fill is not None and fill.fill_type == "solid" else "none"
            cells += 1
            if got != want:
                bad += 1
                if bad <= 5:
                    print("sheet %d cell %s: %s, want %s" % (s + 1, ws.cell(row=k + 1, column=c + 1).coordinate, got, want))
print("sheets=%d cells=%d bad=%d" % (len(wb.worksheets), cells, bad))
