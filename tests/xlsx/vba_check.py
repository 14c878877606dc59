#!/usr/bin/python3
"""Independent checks of generated compound files and VBA projects (exit status 0 = passed).

  cfb MANIFEST FILE [MANIFEST FILE ...]   FILE read by olefile (strict), its streams against
                                          MANIFEST (lines "path<TAB>size<TAB>crc32")
  project FILE                            the VBA project content of FILE
  package XLSM BIN                        the macro parts of a package written by the library

The decompressor and decryptor here are independent of the C++ code under test.
"""
import re
import struct
import sys
import zipfile
import zlib

import olefile

SHEETS = 1000


class CheckError(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise CheckError(msg)


def read_streams(path):
    """The file's bytes and {path: bytes} of every stream; olefile raises on any incorrect structure."""
    data = open(path, "rb").read()
    need(len(data) >= 1024 and len(data) % 512 == 0, "file length %d is not whole sectors" % len(data))
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    # olefile does not look at the marks of the FAT's and DIFAT's own sectors.
    n_fat, n_difat = struct.unpack_from("<I", data, 0x2C)[0], struct.unpack_from("<I", data, 0x48)[0]
    listed = struct.unpack_from("<109I", data, 0x4C)[:n_fat]
    need(list(ole.fat).count(0xFFFFFFFD) == n_fat and all(ole.fat[x] == 0xFFFFFFFD for x in listed),
         "FAT sectors not marked as such")
    need(list(ole.fat).count(0xFFFFFFFC) == n_difat, "DIFAT sectors not marked as such")
    # Nor at the order of the sibling trees, by which readers search names.
    def in_order(sid):
        e = ole.direntries[sid] if sid != 0xFFFFFFFF else None
        return in_order(e.sid_left) + [(len(e.name), e.name.upper())] + in_order(e.sid_right) if e else []
    for e in ole.direntries:
        if e is not None and e.entry_type in (1, 5):
            keys = in_order(e.sid_child)
            need(keys == sorted(keys) and len(set(keys)) == len(keys), "%s: siblings out of order" % e.name)
    streams = {"/".join(p): ole.openstream(p).read() for p in ole.listdir(streams=True, storages=False)}
    for p, body in streams.items():
        need(len(body) == ole.get_size(p), "%s: stream shorter than its size" % p)
    ole.close()
    return data, streams


def decompress(c):
    """Decompression of a VBA compressed container."""
    need(len(c) >= 1 and c[0] == 1, "container signature")
    out, pos = bytearray(), 1
    while pos < len(c):
        need(pos + 2 <= len(c), "truncated chunk header")
        h = struct.unpack_from("<H", c, pos)[0]
        end, pos, start = pos + (h & 0xFFF) + 3, pos + 2, len(out)
        need((h >> 12) & 7 == 3, "chunk signature")
        need(end <= len(c), "truncated chunk")
        if not h & 0x8000:
            need(end - pos == 4096, "raw chunk size")
            out += c[pos:end]
            pos = end
        while pos < end:
            flags, pos = c[pos], pos + 1
            for bit in range(8):
                if pos >= end:
                    break
                if not flags >> bit & 1:
                    out.append(c[pos])
                    pos += 1
                    continue
                token, pos = struct.unpack_from("<H", c, pos)[0], pos + 2
                diff, bits = len(out) - start, 4
                while (1 << bits) < diff:
                    bits += 1
                offset = (token >> (16 - bits)) + 1
                need(0 < offset <= diff, "copy token before the chunk")
                for _ in range((token & (0xFFFF >> bits)) + 3):
                    out.append(out[-offset])
        need(len(out) - start <= 4096, "chunk decompresses to more than 4096 bytes")
    return bytes(out)


def decrypt(hex_text, project_id):
    """Decrypts a CMG/DPB/GC value; checks its version and key."""
    d = bytes.fromhex(hex_text)
    seed, version_enc, key_enc = d[0], d[1], d[2]
    need(seed ^ version_enc == 2, "encrypted value: version is not 2")
    plain, enc1, enc2, out = seed ^ key_enc, key_enc, version_enc, []
    need(plain == sum(project_id.encode("ascii")) & 0xFF, "encrypted value: key does not match the id")
    for b in d[3:]:
        p = b ^ ((enc2 + plain) & 0xFF)
        out.append(p)
        enc2, enc1, plain = enc1, b, p
    skip = (seed & 6) // 2
    length, data = struct.unpack("<I", bytes(out[skip:skip + 4]))[0], bytes(out[skip + 4:])
    need(len(data) == length, "encrypted value: length field %d for %d bytes" % (length, len(data)))
    return data


def parse_dir(d):
    """Record list of the dir stream -> (project dict, module list)."""
    recs, pos = [], 0
    while pos < len(d):
        need(pos + 6 <= len(d), "dir truncated")
        rid, size = struct.unpack_from("<HI", d, pos)
        pos += 6
        if rid == 0x0009:  # version: size field 4, six payload bytes
            need(size == 4, "dir: version reserved field")
            size = 6
        need(pos + size <= len(d), "dir record %#06x truncated" % rid)
        recs.append((rid, d[pos:pos + size]))
        pos += size
    need(recs and recs[-1] == (0x0010, b""), "dir: no terminator at the end")
    ids = [r for r, _ in recs]
    need(ids[0] == 0x0001 and 0x000D not in ids and 0x000E not in ids, "dir: syskind first, no references")
    first = dict(reversed(recs))
    proj = dict(lcid=struct.unpack("<I", first[0x0002])[0], codepage=struct.unpack("<H", first[0x0003])[0],
                name=first[0x0004])
    need(first[0x0006] == first[0x003D], "dir: help file copies differ")
    count = struct.unpack("<H", first[0x000F])[0]
    fields = {0x0047: "name_unicode", 0x001A: "stream", 0x0032: "stream_unicode", 0x0031: "offset", 0x0021: "type",
              0x0022: "type"}
    modules = []
    for i, (rid, body) in enumerate(recs):
        if rid == 0x0019:
            m = {"name": body}
            for r, b in recs[i + 1:ids.index(0x002B, i)]:
                if r in fields:
                    m[fields[r]] = r if fields[r] == "type" else struct.unpack("<I", b)[0] if r == 0x0031 else b
            modules.append(m)
    need(len(modules) == count, "dir: %d modules, count says %d" % (len(modules), count))
    return proj, modules


SHEET_ATTRIBUTES = ['Attribute VB_Name = "{name}"', 'Attribute VB_Base = "0{{{base}}}"'] + [
    "Attribute VB_%s = %s" % kv for kv in (("GlobalNameSpace", "False"), ("Creatable", "False"),
                                           ("PredeclaredId", "True"), ("Exposed", "True"),
                                           ("TemplateDerived", "False"), ("Customizable", "True"))]
WORKBOOK_CLASS = "00020819-0000-0000-C000-000000000046"
WORKSHEET_CLASS = "00020820-0000-0000-C000-000000000046"
QUESTION_CP932 = bytes.fromhex("93AE89E682F08DC490B682B582DC82B782A98148")
TITLE_CP932 = bytes.fromhex("8A6D9446")


def crlf_lines(name, text):
    bare = text.replace(b"\r\n", b"")
    need(text.endswith(b"\r\n") and b"\n" not in bare and b"\r" not in bare, "%s: not lines ending in CR LF" % name)
    return text.decode("cp932").split("\r\n")[:-1]


def check_source(name, text, base):
    lines = crlf_lines(name, text)
    want = [a.format(name=name, base=base) for a in SHEET_ATTRIBUTES]
    need(lines[:8] == want, "%s: attribute lines differ: %r" % (name, lines[:8]))
    return lines


def check_project(path):
    data, streams = read_streams(path)
    names = ["ThisWorkbook"] + ["Sheet%d" % k for k in range(1, SHEETS + 1)]
    want = {"PROJECT", "PROJECTwm", "VBA/_VBA_PROJECT", "VBA/dir"} | {"VBA/" + n for n in names}
    need(set(streams) == want, "stream set differs: %s" % sorted(set(streams) ^ want)[:5])
    need(streams["VBA/_VBA_PROJECT"] == bytes.fromhex("CC61FFFF000000"), "_VBA_PROJECT is not the no-cache form")

    proj, modules = parse_dir(decompress(streams["VBA/dir"]))
    need(proj["codepage"] == 932, "code page %d" % proj["codepage"])
    need(proj["name"] == b"VBAProject" and proj["lcid"] == 0x409, "project name/LCID")
    need([m["name"].decode("cp932") for m in modules] == names, "module names or order differ")
    for m in modules:  # document modules, stream names as the module's, source at offset 0
        a, u = m["name"], m["name"].decode("cp932").encode("utf-16-le")
        need(m == dict(name=a, name_unicode=u, stream=a, stream_unicode=u, offset=0, type=0x0022),
             "module records differ: %r" % m)

    lines = crlf_lines("PROJECT", streams["PROJECT"])
    m = re.fullmatch(r'ID="(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})"', lines[0])
    need(m, "PROJECT: bad ID line %r" % lines[0])
    need(lines[1:1 + len(names)] == ["Document=%s/&H00000000" % n for n in names], "PROJECT: Document lines")
    props = dict(l.split("=", 1) for l in lines[1 + len(names):] if "=" in l and not l.startswith("&H"))
    need(props.get("Name") == '"VBAProject"', "PROJECT: Name")
    for key, plain in (("CMG", bytes(4)), ("DPB", b"\0"), ("GC", b"\xff")):  # unprotected, no password, visible
        need(decrypt(props[key].strip('"'), m.group(1)) == plain, "PROJECT: %s is not %r" % (key, plain))
    hi = lines.index("[Host Extender Info]")
    need(lines[hi - 1] == "" and lines[hi + 1] == "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000",
         "PROJECT: host extender section")
    if "[Workspace]" in lines:
        ws = lines.index("[Workspace]")
        need([l.split("=")[0] for l in lines[ws + 1:]] == names, "PROJECT: workspace lines")

    wm = b"".join(n.encode("cp932") + b"\0" + n.encode("utf-16-le") + b"\0\0" for n in names) + b"\0\0"
    need(streams["PROJECTwm"] == wm, "PROJECTwm: entries or terminator differ")

    wb = decompress(streams["VBA/ThisWorkbook"])
    need(QUESTION_CP932 in wb and TITLE_CP932 in wb, "ThisWorkbook: CP932 question/title bytes missing")
    # What the code does is the LibreOffice macro run's check (tests/app).
    check_source("ThisWorkbook", wb, WORKBOOK_CLASS)
    for n in names[1:]:
        lines = check_source(n, decompress(streams["VBA/" + n]), WORKSHEET_CLASS)
        need(len(lines) == 8, "%s: code beyond the attributes" % n)
    print("project ok: %d bytes, %d streams, %d modules, dir %d bytes compressed" %
          (len(data), len(streams), len(modules), len(streams["VBA/dir"])))


def check_cfb(manifest, path):
    rows = [line.rstrip("\n").split("\t") for line in open(manifest, encoding="utf-8") if line.strip()]
    want = {p: (int(size), int(crc)) for p, size, crc in rows}
    data, streams = read_streams(path)
    got = {p: (len(body), zlib.crc32(body)) for p, body in streams.items()}
    need(got == want, "streams differ (path, size, CRC): %s" % sorted(set(got.items()) ^ set(want.items()))[:5])
    print("cfb ok: %d bytes, %d streams" % (len(data), len(streams)))


def check_package(xlsm, bin_path):
    with zipfile.ZipFile(xlsm) as z:
        need(z.read("xl/vbaProject.bin") == open(bin_path, "rb").read(), "package holds another vbaProject.bin")
        ct = z.read("[Content_Types].xml").decode("utf-8")
        need('PartName="/xl/vbaProject.bin" ContentType="application/vnd.ms-office.vbaProject"' in ct,
             "vbaProject content type missing")
        need("application/vnd.ms-excel.sheet.macroEnabled.main+xml" in ct, "main part is not macro-enabled")
        rels = re.findall(r"<Relationship\b[^>]*>", z.read("xl/_rels/workbook.xml.rels").decode("utf-8"))
        need(any('Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject"' in r and
                 'Target="vbaProject.bin"' in r for r in rels), "vbaProject relationship missing")
        wb = z.read("xl/workbook.xml").decode("utf-8")
        need(re.search(r'<workbookPr[^>]*codeName="ThisWorkbook"', wb), "workbook code name missing")
        sheets = [m for m in map(re.compile(r"xl/worksheets/sheet(\d+)\.xml").fullmatch, z.namelist()) if m]
        need(sheets, "no worksheets")
        for m in sheets:
            need(re.search(r'<sheetPr[^>]*codeName="Sheet%s"' % m.group(1), z.read(m.group(0)).decode("utf-8")),
                 "%s: code name Sheet%s missing" % m.group(0, 1))
    print("package ok: %d sheets" % len(sheets))


def main(argv):
    try:
        if argv[1:2] == ["cfb"] and len(argv) % 2 == 0:
            for manifest, path in zip(argv[2::2], argv[3::2]):
                print(path + ": ", end="")
                check_cfb(manifest, path)
        elif argv[1:2] in (["project"], ["package"]):
            (check_project if argv[1] == "project" else check_package)(*argv[2:])
        else:
            print(__doc__)
            return 2
    except CheckError as e:
        print("FAIL:", e)
        return 1
    except (IndexError, KeyError, TypeError, ValueError, struct.error, zipfile.BadZipFile, OSError) as e:
        print("FAIL: malformed content (%s: %s)" % (type(e).__name__, e))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
