#!/usr/bin/python3
"""Checks workbooks saved in update mode against the workbooks they came from.

usage: check_update.py MANIFEST, lines ORIGINAL<TAB>UPDATED<TAB>SHEET<TAB>CELL<TAB>VALUE<TAB>FILL (RRGGBB or "-").
Entries other than the REGENERATED ones stay byte-identical and in order; openpyxl reads every value and
formula as it was but the changed cell's new value (and fill); after a new fill, the regenerated parts have
no schema fault the original ones did not have. Prints the differences, exits 1 when any.
"""
import datetime
import io
import os
import re
import subprocess
import sys
import zipfile
import warnings
from xml.etree import ElementTree

import openpyxl
from openpyxl.utils.datetime import to_excel

warnings.simplefilter("ignore")
# What a raw copy of an entry keeps besides its content.
COPIED_FACTS = ("date_time", "compress_type", "compress_size", "CRC", "extra", "create_system", "create_version",
                "internal_attr", "external_attr")
ROW_FACTS = ("ht", "customHeight", "hidden", "outlineLevel", "collapsed", "thickTop", "thickBot", "ph")
REGENERATED = re.compile(r"^(xl/sharedStrings\.xml|xl/styles\.xml|xl/workbook\.xml|\[Content_Types\]\.xml|"
                         r"xl/_rels/workbook\.xml\.rels|xl/worksheets/sheet\d+\.xml)$")


def cells(path, data_only):
    book = openpyxl.load_workbook(path, data_only=data_only, keep_vba=False)
    return book, {(ws.title, c.coordinate): c.value for ws in book.worksheets for row in ws.iter_rows() for c in row
                  if c.value is not None}


def regenerated_faults(path):
    """Schema faults of the parts written anew, without the line numbers, which differ between the files."""
    validate = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "validate-xlsx")
    out = subprocess.run([validate, "--quiet", "--max-errors", "0", path], capture_output=True, text=True).stdout
    return {m.group(1) + m.group(2) for m in re.finditer(r"^FAIL  ([^:\n]*):[^:\n]*(.*)$", out, re.M)
            if REGENERATED.match(m.group(1))}


def row_facts(data):
    """Each row's attributes that an update keeps (numbers in hundredths), defaults left out."""
    rows = {}
    for n, (_, e) in enumerate(ElementTree.iterparse(io.BytesIO(data))):
        if e.tag.endswith("}row"):
            facts = {k: int(float(v) * 100 + 0.5) if k in ("ht", "outlineLevel") else v in ("1", "true")
                     for k, v in e.attrib.items() if k in ROW_FACTS}
            if e.get("customFormat") in ("1", "true"):
                facts["s"] = e.get("s")
            facts = {k: v for k, v in facts.items() if v}
            if facts:
                rows[e.get("r", n)] = facts
            e.clear()
    return rows


def same(a, b):
    # Dates and times as the serial numbers they were stored as.
    a, b = [to_excel(v) if isinstance(v, (datetime.datetime, datetime.date, datetime.time)) else v for v in (a, b)]
    if isinstance(a, float) or isinstance(b, float):
        try:
            return abs(float(a) - float(b)) <= 1e-9 * max(1.0, abs(float(a)))
        except (TypeError, ValueError):
            return False
    return a == b


def check(original, updated, sheet, cell, value, fill):
    faults = []
    with zipfile.ZipFile(original) as zo, zipfile.ZipFile(updated) as zu:
        names_o = [i.filename for i in zo.infolist()]
        names_u = [i.filename for i in zu.infolist()]
        if names_u[:len(names_o)] != names_o:
            faults.append("entries changed order or went missing: %s" % sorted(set(names_o) - set(names_u)))
        for extra in names_u[len(names_o):]:
            if not REGENERATED.match(extra):
                faults.append("new entry " + extra)
        for info in zo.infolist():
            if re.match(r"xl/worksheets/[^/]+\.xml$", info.filename) and info.filename in names_u:
                before, after = row_facts(zo.read(info)), row_facts(zu.read(info.filename))
                faults += ["%s row %s: %s became %s" % (info.filename, r, before.get(r), after.get(r))
                           for r in sorted(set(before) | set(after), key=str) if before.get(r) != after.get(r)][:3]
            if REGENERATED.match(info.filename) or info.filename not in names_u:
                continue
            if zo.read(info) != zu.read(info.filename):
                faults.append("entry changed: " + info.filename)
            changed = [f for f in COPIED_FACTS if getattr(zu.getinfo(info.filename), f) != getattr(info, f)]
            if changed:
                faults.append("entry %s: %s changed" % (info.filename, ", ".join(changed)))
    try:
        want = float(value)
    except ValueError:
        want = value
    for data_only in (True, False):
        _, before = cells(original, data_only)
        book, after = cells(updated, data_only)
        before[(sheet, cell)] = want
        for k in set(before) | set(after):
            if not same(before.get(k), after.get(k)):
                faults.append("%s!%s: expected %r, read %r (data_only=%s)" % (*k, before.get(k), after.get(k), data_only))
        if fill != "-" and not data_only:
            rgb = book[sheet][cell].fill.fgColor.rgb
            if not isinstance(rgb, str) or not rgb.upper().endswith(fill.upper()):
                faults.append("%s!%s fill %r, expected %s" % (sheet, cell, rgb, fill))
    if fill != "-":
        faults += ["new schema fault " + f for f in sorted(regenerated_faults(updated) - regenerated_faults(original))]
    return faults


def main():
    bad = 0
    for line in open(sys.argv[1], encoding="utf-8"):
        fields = line.rstrip("\n").split("\t")
        faults = check(*fields) if len(fields) == 6 else []
        for f in faults[:10]:
            print("%s: %s" % (fields[1].rsplit("/", 1)[-1], f))
        bad += len(faults)
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
