#!/usr/bin/python3
"""Peer: every value of an .xlsx through openpyxl in read-only mode (Debian's python3-openpyxl)."""
import sys
import time

import openpyxl

t0 = time.monotonic()
book = openpyxl.load_workbook(sys.argv[1], read_only=True, data_only=True)
cells = 0
for sheet in book.worksheets:
    for row in sheet.iter_rows(values_only=True):
        for value in row:
            if value is not None and value != "":
                cells += 1
print("openpyxl cells %d  total %.3f s" % (cells, time.monotonic() - t0))
