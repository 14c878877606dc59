#!/usr/bin/python3
"""The update peer: openpyxl loads a workbook, changes one cell and saves it.
   usage: openpyxl_update.py FILE OUT"""
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
book.worksheets[0]["B2"] = 12345
book.save(sys.argv[2])
