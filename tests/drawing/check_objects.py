#!/usr/bin/python3
"""Checks the objects of a workbook written by the library with openpyxl and
Python's XML parser (readers we did not write).

usage: check_objects.py FILE.xlsx EXPECT.json
EXPECT.json: {sheet: {"pictures": [{"col", "row", "width", "height"}] (pixels, anchor 0-based),
   "comments": {ref: {"text", "author"}}, "tables": {name: {"ref", "columns"}},
   "charts": [{"type", "series": [{"val", "cat", "tx"}]}], "sparklines": [[formula, cell]], "background": true}}
The note boxes of every VML part must stand at the sheet's comment cells.
Prints every mismatch; exit status 1 when there is one.
"""
import json
import posixpath
import sys
import zipfile
import xml.etree.ElementTree as ET

import openpyxl
from openpyxl.utils.cell import coordinate_to_tuple

EMU = 9525
NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
      "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
      "x14": "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main",
      "xm": "http://schemas.microsoft.com/office/excel/2006/main",
      "x": "urn:schemas-microsoft-com:office:excel"}
R_ID = "{%s}id" % NS["r"]
problems = []


def expect(what, got, want):
    if got != want:
        problems.append(f"{what}: got {got!r}, want {want!r}")


def ref_of(node):
    """The formula of a chart data source (numRef or strRef)."""
    for r in (getattr(node, "numRef", None), getattr(node, "strRef", None)):
        if r is not None:
            return r.f
    return None


def series_of(s):
    """A chart series as its value, category and title formulas (those it has)."""
    tx = s.tx.strRef.f if s.tx is not None and s.tx.strRef is not None else None
    entry = {"val": ref_of(s.val) or ref_of(s.yVal), "cat": ref_of(s.cat) or ref_of(s.xVal), "tx": tx}
    return {k: v for k, v in entry.items() if v}


def sheet_parts(z):
    """Sheet name -> worksheet part name, from the workbook and its rels."""
    wb = ET.fromstring(z.read("xl/workbook.xml"))
    targets = {r.get("Id"): r.get("Target") for r in ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))}
    return {s.get("name"): "xl/" + targets[s.get(R_ID)] for s in wb.find("m:sheets", NS)}


def rels_of(z, part):
    """Relationship id -> (type, target part or external address)."""
    path = posixpath.join(posixpath.dirname(part), "_rels", posixpath.basename(part) + ".rels")
    out = {}
    for r in ET.fromstring(z.read(path)) if path in z.namelist() else []:
        target = r.get("Target")
        if r.get("TargetMode") != "External":
            target = posixpath.normpath(posixpath.join(posixpath.dirname(part), target))
        out[r.get("Id")] = (r.get("Type").rsplit("/", 1)[-1], target)
    return out


def check_xml_side(z, name, part, want):
    root = ET.fromstring(z.read(part))
    rels = rels_of(z, part)
    if "sparklines" in want:
        got = [[s.find("xm:f", NS).text, s.find("xm:sqref", NS).text] for s in root.iter("{%s}sparkline" % NS["x14"])]
        expect(f"[{name}] sparklines", got, want["sparklines"])
    if "background" in want:
        pic = root.find("m:picture", NS)
        kind, target = rels.get(pic.get(R_ID), ("", "")) if pic is not None else ("", "")
        expect(f"[{name}] background picture", kind == "image" and target in z.namelist(), want["background"])
    for kind, target in rels.values():
        if kind == "vmlDrawing":
            vml = ET.fromstring(z.read(target))  # a real XML parser: VML has no schema
            cells = sorted((int(c.find("x:Row", NS).text), int(c.find("x:Column", NS).text))
                           for c in vml.iter("{%s}ClientData" % NS["x"]))
            want_cells = sorted((r - 1, c - 1) for r, c in map(coordinate_to_tuple, want.get("comments", {})))
            expect(f"[{name}] note boxes", cells, want_cells)


def check_sheet(ws, want):
    name = ws.title
    if "pictures" in want:
        got = [{"col": i.anchor._from.col, "row": i.anchor._from.row, "width": round(i.anchor.ext.width / EMU),
                "height": round(i.anchor.ext.height / EMU)} for i in ws._images]
        expect(f"[{name}] pictures", got, want["pictures"])
    for ref, cw in want.get("comments", {}).items():
        c = ws[ref].comment
        # The text may start with the author's name line.
        got = (c.author, c.text.replace("\r\n", "\n")[-len(cw["text"]):]) if c else None
        expect(f"[{name}] {ref} comment (author, end of text)", got, (cw["author"], cw["text"]))
    if "tables" in want:
        got = {t.name: {"ref": t.ref, "columns": [c.name for c in t.tableColumns]} for t in ws.tables.values()}
        expect(f"[{name}] tables", got, want["tables"])
    if "charts" in want:
        got = [{"type": ch.tagname, "series": [series_of(s) for s in ch.series]} for ch in ws._charts]
        expect(f"[{name}] charts", got, want["charts"])


def main():
    with open(sys.argv[2], encoding="utf-8") as f:
        want = json.load(f)
    wb = openpyxl.load_workbook(sys.argv[1])
    with zipfile.ZipFile(sys.argv[1]) as z:
        parts = sheet_parts(z)
        for name, sw in want.items():
            if name not in wb.sheetnames:
                problems.append(f"sheet {name!r} missing")
                continue
            check_sheet(wb[name], sw)
            check_xml_side(z, name, parts[name], sw)
    print("\n".join(problems[:40]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
