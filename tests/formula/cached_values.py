#!/usr/bin/python3
"""Prints the cached values of column A of one sheet as openpyxl reads them
(data_only=True), as a JSON array of [type name, value] pairs, one per row.

usage: cached_values.py FILE.xlsx SHEET
"""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1], data_only=True)
sheet = book[sys.argv[2]]
print(json.dumps([[type(row[0].value).__name__, row[0].value]
                  for row in sheet.iter_rows(min_col=1, max_col=1)]))
