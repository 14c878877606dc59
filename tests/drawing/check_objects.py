#!/usr/bin/python3
"""Checks the objects of a workbook written by the library, reading it with
openpyxl and Python's XML parser (readers we did not write).

usage: check_objects.py FILE.xlsx EXPECT.json

EXPECT.json: {sheet name: {
   "pictures": [{"col", "row", "width", "height"}],     (pixels; anchor cell 0-based)
   "comments": {ref: {"text", "author"}},
   "tables": {name: {"ref", "columns": [...]}},
   "charts": [{"type", "series": [{"val", "cat", "tx"}]}],
   "sparklines": [[formula, cell], ...],
   "background": true}}
Every VML part is parsed and its note boxes must name the sheet's comment
cells. Prints every mismatch; exit status 1 when there is one.
"""
import json
import posixpath
import sys
import zipfile
import xml.etree.ElementTree as ET

import openpyxl

EMU = 9525
problems = []


def expect(what, got, want):
    if got != want:
        problems.append(f"{what}: got {got!r}, want {want!r}")


def ref_of(node):
    """The formula of a chart data source (numRef or strRef)."""
    if node is None:
        return None
    for name in ("numRef", "strRef"):
        r = getattr(node, name, None)
        if r is not None:
            return r.f
    return None


def sheet_parts(z):
    """Sheet name -> worksheet part name, from the workbook and its rels."""
    ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
          "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships"}
    wb = ET.fromstring(z.read("xl/workbook.xml"))
    rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels}
    return {s.get("name"): "xl/" + targets[s.get("{%s}id" % ns["r"])] for s in wb.find("m:sheets", ns)}


def rels_of(z, part):
    path = posixpath.join(posixpath.dirname(part), "_rels", posixpath.basename(part) + ".rels")
    if path not in z.namelist():
        return {}
    out = {}
    for r in ET.fromstring(z.read(path)):
        target = r.get("Target")
        if r.get("TargetMode") != "External":
            target = posixpath.normpath(posixpath.join(posixpath.dirname(part), target))
        out[r.get("Id")] = (r.get("Type").rsplit("/", 1)[-1], target)
    return out


def check_xml_side(z, name, part, want):
    ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
          "x14": "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main",
          "xm": "http://schemas.microsoft.com/office/excel/2006/main"}
    root = ET.fromstring(z.read(part))
    rels = rels_of(z, part)
    if "sparklines" in want:
        got = [[s.find("xm:f", ns).text, s.find("xm:sqref", ns).text]
               for s in root.iter("{%s}sparkline" % ns["x14"])]
        expect(f"[{name}] sparklines", got, want["sparklines"])
    if "background" in want:
        pic = root.find("m:picture", ns)
        ok = pic is not None and rels.get(pic.get("{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"), ("",))[0] == "image"
        if ok:
            ok = rels[pic.get("{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id")][1] in z.namelist()
        expect(f"[{name}] background picture", ok, want["background"])
    # The note boxes of the VML part stand at the comment cells.
    for kind, target in rels.values():
        if kind != "vmlDrawing":
            continue
        vml = ET.fromstring(z.read(target))  # a real XML parser: VML has no schema
        x = "urn:schemas-microsoft-com:office:excel"
        cells = sorted((int(c.find("{%s}Row" % x).text), int(c.find("{%s}Column" % x).text))
                       for c in vml.iter("{%s}ClientData" % x))
        want_cells = sorted((openpyxl.utils.cell.coordinate_to_tuple(ref)[0] - 1,
                             openpyxl.utils.cell.coordinate_to_tuple(ref)[1] - 1)
                            for ref in want.get("comments", {}))
        expect(f"[{name}] note boxes", cells, want_cells)


def check_sheet(ws, want):
    name = ws.title
    if "pictures" in want:
        got = []
        for img in ws._images:
            a = img.anchor
            got.append({"col": a._from.col, "row": a._from.row,
                        "width": round(a.ext.width / EMU), "height": round(a.ext.height / EMU)})
        expect(f"[{name}] pictures", got, want["pictures"])
    for ref, cw in want.get("comments", {}).items():
        c = ws[ref].comment
        if c is None:
            problems.append(f"[{name}] {ref}: no comment")
            continue
        expect(f"[{name}] {ref} comment author", c.author, cw["author"])
        text = c.text.replace("\r\n", "\n")
        if not text.endswith(cw["text"]):
            problems.append(f"[{name}] {ref} comment text: got {text!r}, want it to end in {cw['text']!r}")
    if "tables" in want:
        got = {t.name: {"ref": t.ref, "columns": [c.name for c in t.tableColumns]} for t in ws.tables.values()}
        expect(f"[{name}] tables", got, want["tables"])
    if "charts" in want:
        got = []
        for ch in ws._charts:
            series = []
            for s in ch.series:
                entry = {"val": ref_of(s.val) or ref_of(s.yVal)}
                cat = ref_of(s.cat) or ref_of(s.xVal)
                if cat:
                    entry["cat"] = cat
                if s.tx is not None and s.tx.strRef is not None:
                    entry["tx"] = s.tx.strRef.f
                series.append(entry)
            got.append({"type": ch.tagname, "series": series})
        expect(f"[{name}] charts", got, want["charts"])


def main():
    path, expect_path = sys.argv[1], sys.argv[2]
    with open(expect_path, encoding="utf-8") as f:
        want = json.load(f)
    wb = openpyxl.load_workbook(path)
    with zipfile.ZipFile(path) as z:
        parts = sheet_parts(z)
        for name, sw in want.items():
            if name not in wb.sheetnames:
                problems.append(f"sheet {name!r} missing")
                continue
            check_sheet(wb[name], sw)
            check_xml_side(z, name, parts[name], sw)
    for p in problems[:40]:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
