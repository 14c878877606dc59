#!/usr/bin/python3
"""Independent checks of generated compound files and VBA projects.

Subcommands (exit status 0 = all checks passed, messages on stdout):
  cfb MANIFEST FILE [MANIFEST FILE ...]
                      structure of FILE, and its streams against MANIFEST
                      (lines "path<TAB>size<TAB>crc32", path with '/')
  project FILE        structure, then the VBA project content of FILE
  libreoffice XLSM DIR
                      convert XLSM into DIR with LibreOffice, then find the
                      VBA modules in the Basic libraries of the .ods
  package XLSM BIN    the macro parts of a package written by the library

The compound-file walk, the decompressor and the decryptor here are written
from the format description, independently of the C++ code under test
(whose decompressor is checked against the published examples).
"""
import re
import struct
import subprocess
import sys
import zipfile
import zlib
import xml.etree.ElementTree as ET

import olefile

FREESECT, ENDOFCHAIN, FATSECT, DIFSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC
NOSTREAM = 0xFFFFFFFF
SHEETS = 1000


class CheckError(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise CheckError(msg)


# ---------------------------------------------------------------- structure

def check_structure(data):
    """Walks header, DIFAT, FAT, directory, sibling trees and the mini
    stream; returns {path: bytes} for every stream."""
    need(len(data) >= 1024 and len(data) % 512 == 0, "file length %d is not whole sectors" % len(data))
    need(data[:8] == bytes.fromhex("D0CF11E0A1B11AE1"), "bad signature")
    (minor, major, order, shift, mini_shift) = struct.unpack_from("<5H", data, 0x18)
    need((minor, major, order, shift, mini_shift) == (0x3E, 3, 0xFFFE, 9, 6), "bad header versions/shifts")
    (n_dir, n_fat, dir_first, _txn, cutoff, minifat_first, n_minifat, difat_first, n_difat) = \
        struct.unpack_from("<9I", data, 0x28)
    need(n_dir == 0 and cutoff == 4096, "bad directory count or cutoff")
    n_sect = len(data) // 512 - 1

    view = memoryview(data)

    def sector(n):
        need(0 <= n < n_sect, "sector %d out of range" % n)
        return view[512 * (n + 1):512 * (n + 2)]

    fat_list = list(struct.unpack_from("<109I", data, 0x4C))
    difat_sects = []
    s = difat_first
    for _ in range(n_difat):
        need(s not in difat_sects, "DIFAT loop")
        difat_sects.append(s)
        ids = struct.unpack("<128I", sector(s))
        fat_list += ids[:127]
        s = ids[127]
    need(s == ENDOFCHAIN or n_difat == 0 and difat_first == ENDOFCHAIN, "DIFAT chain does not end")
    need(all(x == FREESECT for x in fat_list[n_fat:]), "DIFAT lists more than the FAT count")
    fat_sects = fat_list[:n_fat]
    need(len(set(fat_sects)) == n_fat, "FAT sector listed twice")
    fat = []
    for f in fat_sects:
        fat += struct.unpack("<128I", sector(f))
    need(len(fat) >= n_sect, "FAT does not cover the file")
    need(all(x == FREESECT for x in fat[n_sect:]), "FAT maps sectors past the end of the file")
    for f in fat_sects:
        need(fat[f] == FATSECT, "FAT sector %d not marked FATSECT" % f)
    for d in difat_sects:
        need(fat[d] == DIFSECT, "DIFAT sector %d not marked DIFSECT" % d)
    need(fat[:n_sect].count(FATSECT) == n_fat and fat[:n_sect].count(DIFSECT) == n_difat,
         "stray FATSECT/DIFSECT marks")

    owner = {}

    def follow(start, table, limit, what, used):
        chain, s = [], start
        while s != ENDOFCHAIN:
            need(0 <= s < limit, "%s: chain leaves the table at %#x" % (what, s))
            need(s not in used, "%s: sector %d used twice" % (what, s))
            used[s] = what
            chain.append(s)
            s = table[s]
        return chain

    def read_chain(start, what):
        return b"".join(sector(s) for s in follow(start, fat, n_sect, what, owner))

    dir_bytes = read_chain(dir_first, "directory")
    minifat_chain_bytes = read_chain(minifat_first, "mini FAT") if n_minifat else b""
    need(len(minifat_chain_bytes) == 512 * n_minifat, "mini FAT length disagrees with the header")
    minifat = list(struct.unpack("<%dI" % (len(minifat_chain_bytes) // 4), minifat_chain_bytes))

    entries = []
    for i in range(len(dir_bytes) // 128):
        e = dir_bytes[128 * i:128 * (i + 1)]
        name_len = struct.unpack_from("<H", e, 0x40)[0]
        etype, color = e[0x42], e[0x43]
        left, right, child = struct.unpack_from("<3I", e, 0x44)
        start, size, size_hi = struct.unpack_from("<3I", e, 0x74)
        if etype == 0:
            need(e[:0x44] == bytes(0x44) and (left, right, child) == (NOSTREAM,) * 3,
                 "unused entry %d is not blank" % i)
            entries.append(None)
            continue
        need(name_len % 2 == 0 and 2 <= name_len <= 64, "entry %d: bad name length" % i)
        name = e[:name_len - 2].decode("utf-16-le")
        need(e[name_len - 2:name_len] == b"\0\0" and e[name_len:64] == bytes(64 - name_len),
             "entry %d: name not NUL-terminated and zero-padded" % i)
        need(etype in (1, 2, 5) and color in (0, 1), "entry %d: bad type/colour" % i)
        need((etype == 5) == (i == 0), "entry %d: root entry misplaced" % i)
        need(size_hi == 0, "entry %d: size above 4 GB" % i)
        if etype == 1:
            need(start == 0 and size == 0, "storage %r: start/size not zero" % name)
        if etype == 2:
            need(child == NOSTREAM, "stream %r has children" % name)
        entries.append(dict(name=name, type=etype, color=color, left=left, right=right,
                            child=child, start=start, size=size))
    need(entries and entries[0] is not None, "no root entry")

    def key(name):
        return (len(name), name.upper())

    # Sibling trees: search order, red-black rules, every entry reached once.
    reached = {0}
    paths = {}
    todo = [(0, "")]
    while todo:
        sid, prefix = todo.pop()
        root = entries[sid]["child"]
        if root == NOSTREAM:
            continue
        need(entries[root]["color"] == 1, "tree under %r: root is red" % prefix)
        stack = [(root, None, None, 0)]
        black_heights = set()
        while stack:
            nid, lo, hi, blacks = stack.pop()
            if nid == NOSTREAM:
                black_heights.add(blacks)
                continue
            need(0 < nid < len(entries) and entries[nid] is not None, "bad sibling id %d" % nid)
            need(nid not in reached, "entry %d reached twice" % nid)
            reached.add(nid)
            n = entries[nid]
            k = key(n["name"])
            need((lo is None or lo < k) and (hi is None or k < hi), "tree order broken at %r" % n["name"])
            for side in ("left", "right"):
                c = n[side]
                if c != NOSTREAM and n["color"] == 0:
                    need(entries[c]["color"] == 1, "two red nodes in a row at %r" % n["name"])
            b = blacks + (1 if n["color"] == 1 else 0)
            stack.append((n["left"], lo, k, b))
            stack.append((n["right"], k, hi, b))
            path = prefix + n["name"]
            paths[nid] = path
            if n["type"] == 1:
                todo.append((nid, path + "/"))
            else:
                need(n["child"] == NOSTREAM, "stream with child")
        need(len(black_heights) == 1, "tree under %r: unequal black heights" % prefix)
    need(reached == {i for i, e in enumerate(entries) if e is not None}, "unreachable directory entries")

    root = entries[0]
    mini_bytes = read_chain(root["start"], "mini stream") if root["start"] != ENDOFCHAIN else b""
    need(len(mini_bytes) >= root["size"] and len(mini_bytes) - root["size"] < 512,
         "mini stream length disagrees with the root size")
    need(len(minifat) * 64 >= root["size"], "mini FAT shorter than the mini stream")
    mini_owner = {}
    streams = {}
    for nid, path in paths.items():
        e = entries[nid]
        if e["type"] != 2:
            continue
        if e["size"] == 0:
            need(e["start"] in (ENDOFCHAIN, 0), "%s: empty stream with a start" % path)
            streams[path] = b""
            continue
        if e["size"] < 4096:
            chain = follow(e["start"], minifat, root["size"] // 64, path, mini_owner)
            body = b"".join(mini_bytes[64 * s:64 * s + 64] for s in chain)
            need(len(chain) == (e["size"] + 63) // 64, "%s: mini chain length" % path)
        else:
            body = read_chain(e["start"], path)
            need(len(body) // 512 == (e["size"] + 511) // 512, "%s: chain length" % path)
        streams[path] = body[:e["size"]]
    # Every allocated FAT sector belongs to exactly one chain.
    for s in range(n_sect):
        if fat[s] not in (FREESECT, FATSECT, DIFSECT):
            need(s in owner, "sector %d is allocated but in no chain" % s)
    for s in range(len(minifat)):
        if minifat[s] != FREESECT:
            need(s in mini_owner, "mini sector %d is allocated but in no chain" % s)
    return streams


def check_with_olefile(path, streams):
    """olefile must list the same streams with the same bytes."""
    ole = olefile.OleFileIO(path)
    listed = {"/".join(p) for p in ole.listdir(streams=True, storages=False)}
    need(listed == set(streams), "olefile lists %d streams, the walk found %d" % (len(listed), len(streams)))
    for p, body in streams.items():
        need(ole.openstream(p).read() == body, "olefile reads %s differently" % p)
    ole.close()


# ---------------------------------------------------------------- VBA formats

def decompress(c):
    """Decompression of a VBA compressed container."""
    need(len(c) >= 1 and c[0] == 1, "container signature")
    out = bytearray()
    pos = 1
    while pos < len(c):
        need(pos + 2 <= len(c), "truncated chunk header")
        h = c[pos] | c[pos + 1] << 8
        size = (h & 0xFFF) + 3
        need((h >> 12) & 7 == 3, "chunk signature")
        end = pos + size
        need(end <= len(c), "truncated chunk")
        pos += 2
        if not h & 0x8000:
            need(size == 4098, "raw chunk size")
            out += c[pos:end]
            pos = end
            continue
        start = len(out)
        while pos < end:
            flags = c[pos]
            pos += 1
            for bit in range(8):
                if pos >= end:
                    break
                if not flags >> bit & 1:
                    out.append(c[pos])
                    pos += 1
                    continue
                token = c[pos] | c[pos + 1] << 8
                pos += 2
                diff = len(out) - start
                bits = 4
                while (1 << bits) < diff:
                    bits += 1
                length = (token & (0xFFFF >> bits)) + 3
                offset = (token >> (16 - bits)) + 1
                need(0 < offset <= diff, "copy token before the chunk")
                for _ in range(length):
                    out.append(out[-offset])
        need(len(out) - start <= 4096, "chunk decompresses to more than 4096 bytes")
    return bytes(out)


def decrypt(hex_text, project_id):
    """Decrypts a CMG/DPB/GC value; checks its version and key."""
    d = bytes.fromhex(hex_text)
    seed, version_enc, key_enc = d[0], d[1], d[2]
    need(seed ^ version_enc == 2, "encrypted value: version is not 2")
    key = seed ^ key_enc
    need(key == sum(project_id.encode("ascii")) & 0xFF, "encrypted value: key does not match the id")
    plain, enc1, enc2 = key, key_enc, version_enc
    out = []
    for b in d[3:]:
        p = b ^ ((enc2 + plain) & 0xFF)
        out.append(p)
        enc2, enc1, plain = enc1, b, p
    skip = (seed & 6) // 2
    length = struct.unpack("<I", bytes(out[skip:skip + 4]))[0]
    data = bytes(out[skip + 4:])
    need(len(data) == length, "encrypted value: length field %d for %d bytes" % (length, len(data)))
    return data


def parse_dir(d):
    """Record list of the dir stream -> (project dict, module list)."""
    pos = 0

    def rec(expect=None):
        nonlocal pos
        need(pos + 6 <= len(d), "dir truncated")
        rid, size = struct.unpack_from("<HI", d, pos)
        if expect is not None:
            need(rid == expect, "dir: record %#06x where %#06x expected at %d" % (rid, expect, pos))
        pos += 6
        if rid == 0x0009:  # version: size field 4, six payload bytes
            need(size == 4, "dir: version reserved field")
            size = 6
        body = d[pos:pos + size]
        need(len(body) == size, "dir record truncated")
        pos += size
        return rid, body

    proj = {}
    proj["syskind"] = struct.unpack("<I", rec(0x0001)[1])[0]
    rid, body = rec()
    if rid == 0x004A:
        rid, body = rec()
    need(rid == 0x0002, "dir: LCID missing")
    proj["lcid"] = struct.unpack("<I", body)[0]
    proj["lcid_invoke"] = struct.unpack("<I", rec(0x0014)[1])[0]
    proj["codepage"] = struct.unpack("<H", rec(0x0003)[1])[0]
    proj["name"] = rec(0x0004)[1]
    proj["docstring"] = rec(0x0005)[1]
    rec(0x0040)
    help1 = rec(0x0006)[1]
    need(rec(0x003D)[1] == help1, "dir: help file copies differ")
    rec(0x0007)
    need(rec(0x0008)[1] == bytes(4), "dir: library flags not zero")
    rec(0x0009)
    rid, body = rec()
    if rid == 0x000C:
        rec(0x003C)
        rid, body = rec()
    need(rid == 0x000F, "dir: references are not expected; got %#06x" % rid)
    count = struct.unpack("<H", body)[0]
    rec(0x0013)
    modules = []
    for _ in range(count):
        m = {}
        m["name"] = rec(0x0019)[1]
        rid, body = rec()
        if rid == 0x0047:
            m["name_unicode"] = body.decode("utf-16-le")
            rid, body = rec()
        need(rid == 0x001A, "dir: module stream name missing")
        m["stream"] = body
        m["stream_unicode"] = rec(0x0032)[1].decode("utf-16-le")
        rec(0x001C)
        rec(0x0048)
        m["offset"] = struct.unpack("<I", rec(0x0031)[1])[0]
        rec(0x001E)
        rec(0x002C)
        rid, body = rec()
        need(rid in (0x0021, 0x0022) and body == b"", "dir: module type")
        m["type"] = rid
        rid, body = rec()
        while rid in (0x0025, 0x0028):
            rid, body = rec()
        need(rid == 0x002B and body == b"", "dir: module terminator")
        modules.append(m)
    rid, body = rec(0x0010)
    need(body == b"" and pos == len(d), "dir: bytes after the terminator")
    return proj, modules


SHEET_ATTRIBUTES = [
    'Attribute VB_Name = "{name}"',
    'Attribute VB_Base = "0{{{base}}}"',
    "Attribute VB_GlobalNameSpace = False",
    "Attribute VB_Creatable = False",
    "Attribute VB_PredeclaredId = True",
    "Attribute VB_Exposed = True",
    "Attribute VB_TemplateDerived = False",
    "Attribute VB_Customizable = True",
]
WORKBOOK_CLASS = "00020819-0000-0000-C000-000000000046"
WORKSHEET_CLASS = "00020820-0000-0000-C000-000000000046"
QUESTION_CP932 = bytes.fromhex("93AE89E682F08DC490B682B582DC82B782A98148")
TITLE_CP932 = bytes.fromhex("8A6D9446")


def check_source(name, text, base):
    need(text.endswith(b"\r\n"), "%s: source does not end with CR LF" % name)
    need(b"\n" not in text.replace(b"\r\n", b"") and b"\r" not in text.replace(b"\r\n", b""),
         "%s: bare CR or LF in the source" % name)
    lines = text.decode("cp932").split("\r\n")[:-1]
    want = [a.format(name=name, base=base) for a in SHEET_ATTRIBUTES]
    need(lines[:8] == want, "%s: attribute lines differ: %r" % (name, lines[:8]))
    return lines


def check_project(path):
    data = open(path, "rb").read()
    streams = check_structure(data)
    check_with_olefile(path, streams)
    names = ["ThisWorkbook"] + ["Sheet%d" % k for k in range(1, SHEETS + 1)]
    want = {"PROJECT", "PROJECTwm", "VBA/_VBA_PROJECT", "VBA/dir"} | {"VBA/" + n for n in names}
    need(set(streams) == want, "stream set differs: extra %s, missing %s" %
         (sorted(set(streams) - want)[:5], sorted(want - set(streams))[:5]))
    need(streams["VBA/_VBA_PROJECT"] == bytes.fromhex("CC61FFFF000000"), "_VBA_PROJECT is not the no-cache form")

    proj, modules = parse_dir(decompress(streams["VBA/dir"]))
    need(proj["codepage"] == 932, "code page %d" % proj["codepage"])
    need(proj["name"] == b"VBAProject" and proj["lcid"] == 0x409, "project name/LCID")
    need([m["name"].decode("cp932") for m in modules] == names, "module names or order differ")
    for m in modules:
        n = m["name"].decode("cp932")
        need(m.get("name_unicode") == n and m["stream"] == m["name"] and m["stream_unicode"] == n,
             "%s: stream names differ" % n)
        need(m["type"] == 0x0022, "%s: not a document module" % n)
        need(m["offset"] == 0, "%s: source offset %d" % (n, m["offset"]))

    text = streams["PROJECT"]
    need(text.endswith(b"\r\n") and b"\n" not in text.replace(b"\r\n", b""), "PROJECT line ends")
    lines = text.decode("cp932").split("\r\n")[:-1]
    m = re.fullmatch(r'ID="(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})"', lines[0])
    need(m, "PROJECT: bad ID line %r" % lines[0])
    pid = m.group(1)
    need(lines[1:1 + len(names)] == ["Document=%s/&H00000000" % n for n in names], "PROJECT: Document lines")
    props = dict(l.split("=", 1) for l in lines[1 + len(names):] if "=" in l and not l.startswith("&H"))
    need(props.get("Name") == '"VBAProject"', "PROJECT: Name")
    need(decrypt(props["CMG"].strip('"'), pid) == bytes(4), "PROJECT: CMG is not 'unprotected'")
    need(decrypt(props["DPB"].strip('"'), pid) == b"\0", "PROJECT: DPB is not 'no password'")
    need(decrypt(props["GC"].strip('"'), pid) == b"\xff", "PROJECT: GC is not 'visible'")
    hi = lines.index("[Host Extender Info]")
    need(lines[hi - 1] == "" and lines[hi + 1] == "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000",
         "PROJECT: host extender section")
    if "[Workspace]" in lines:
        ws = lines.index("[Workspace]")
        need([l.split("=")[0] for l in lines[ws + 1:]] == names, "PROJECT: workspace lines")

    wm = streams["PROJECTwm"]
    pos = 0
    for n in names:
        a = n.encode("cp932") + b"\0"
        u = n.encode("utf-16-le") + b"\0\0"
        need(wm[pos:pos + len(a) + len(u)] == a + u, "PROJECTwm: entry %s" % n)
        pos += len(a) + len(u)
    need(wm[pos:] == b"\0\0", "PROJECTwm: terminator")

    wb = decompress(streams["VBA/ThisWorkbook"])
    need(QUESTION_CP932 in wb and TITLE_CP932 in wb, "ThisWorkbook: CP932 question/title bytes missing")
    lines = check_source("ThisWorkbook", wb, WORKBOOK_CLASS)
    code = [l.strip() for l in lines[8:]]
    # Nothing LibreOffice cannot run: no Declare (it hides the event
    # handler), no conditional compilation (every branch runs).
    for line in code:
        need(not re.match(r"(?i)((Private|Public)\s+)?Declare\b", line), "ThisWorkbook: Declare line %r" % line)
        need(not line.startswith("#"), "ThisWorkbook: conditional compilation %r" % line)
    expect_in_order = [
        "Private Sub Workbook_Open()",
        'If MsgBox("動画を再生しますか？", vbYesNo + vbQuestion, "確認") <> vbYes Then Exit Sub',
        "PlaySheets",
        "Public Sub PlaySheets()",
        "Me.Sheets(i).Select",
        "Pause 100",
        "Private Sub Pause(ByVal ms As Long)",
        "Application.Wait Now + ms / 86400000#",
    ]
    at = 0
    for want_line in expect_in_order:
        need(want_line in code[at:], "ThisWorkbook: %r missing or out of order" % want_line)
        at = code.index(want_line, at) + 1
    for k in range(1, SHEETS + 1):
        n = "Sheet%d" % k
        lines = check_source(n, decompress(streams["VBA/" + n]), WORKSHEET_CLASS)
        need(len(lines) == 8, "%s: code beyond the attributes" % n)
    print("project ok: %d bytes, %d streams, %d modules, dir %d bytes compressed" %
          (len(data), len(streams), len(modules), len(streams["VBA/dir"])))


def check_cfb(manifest, path):
    want = {}
    for line in open(manifest, encoding="utf-8"):
        if line.strip():
            p, size, crc = line.rstrip("\n").split("\t")
            want[p] = (int(size), int(crc))
    data = open(path, "rb").read()
    streams = check_structure(data)
    check_with_olefile(path, streams)
    need(set(streams) == set(want), "stream set differs: extra %s, missing %s" %
         (sorted(set(streams) - set(want))[:5], sorted(set(want) - set(streams))[:5]))
    for p, body in streams.items():
        need((len(body), zlib.crc32(body)) == want[p], "%s: content differs" % p)
    print("cfb ok: %d bytes, %d streams" % (len(data), len(streams)))


# ---------------------------------------------------------------- packages

def basic_modules(ods):
    """Module name -> (type, source) of the Basic libraries in an .ods."""
    out = {}
    with zipfile.ZipFile(ods) as z:
        for n in z.namelist():
            if not n.startswith("Basic/") or not n.endswith(".xml"):
                continue
            if n.endswith("script-lb.xml") or n.endswith("script-lc.xml"):
                continue
            root = ET.fromstring(z.read(n))
            attrs = {k.split("}")[-1]: v for k, v in root.attrib.items()}
            out[attrs.get("name", n)] = (attrs.get("moduleType", ""), root.text or "")
    return out


def check_libreoffice(xlsm, workdir):
    run = subprocess.run(["soffice", "--headless", "--norestore",
                          "-env:UserInstallation=file:///tmp/vba-lo-profile",
                          "--convert-to", "ods", "--outdir", workdir, xlsm],
                         capture_output=True, text=True, timeout=300)
    need(run.returncode == 0, "soffice failed: %s %s" % (run.stdout, run.stderr))
    ods = workdir + "/" + xlsm.rsplit("/", 1)[-1].rsplit(".", 1)[0] + ".ods"
    mods = basic_modules(ods)
    want = {"ThisWorkbook"} | {"Sheet%d" % k for k in range(1, SHEETS + 1)}
    need(want <= set(mods), "LibreOffice did not import %s" % sorted(want - set(mods))[:10])
    kind, src = mods["ThisWorkbook"]
    need(kind == "document", "ThisWorkbook imported as %r" % kind)
    for piece in ("動画を再生しますか？", "Me.Sheets(i).Select", "Sub Workbook_Open()"):
        need(piece in src, "LibreOffice source of ThisWorkbook lacks %r" % piece)
    need(mods["Sheet1"][0] == "document", "Sheet1 imported as %r" % mods["Sheet1"][0])
    print("libreoffice ok: %d modules imported" % len(mods))


def check_package(xlsm, bin_path):
    with zipfile.ZipFile(xlsm) as z:
        need(z.read("xl/vbaProject.bin") == open(bin_path, "rb").read(), "package holds another vbaProject.bin")
        ct = z.read("[Content_Types].xml").decode("utf-8")
        need('PartName="/xl/vbaProject.bin" ContentType="application/vnd.ms-office.vbaProject"' in ct,
             "vbaProject content type missing")
        need("application/vnd.ms-excel.sheet.macroEnabled.main+xml" in ct, "main part is not macro-enabled")
        rels = z.read("xl/_rels/workbook.xml.rels").decode("utf-8")
        need(re.search(r'Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject"[^>]*'
                       r'Target="vbaProject.bin"|Target="vbaProject.bin"[^>]*'
                       r'Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject"', rels),
             "vbaProject relationship missing")
        wb = z.read("xl/workbook.xml").decode("utf-8")
        need(re.search(r'<workbookPr[^>]*codeName="ThisWorkbook"', wb), "workbook code name missing")
        sheets = sorted(n for n in z.namelist() if re.fullmatch(r"xl/worksheets/sheet\d+\.xml", n))
        need(sheets, "no worksheets")
        for n in sheets:
            k = int(re.search(r"(\d+)", n.rsplit("/", 1)[1]).group(1))
            need(re.search(r'<sheetPr[^>]*codeName="Sheet%d"' % k, z.read(n).decode("utf-8")),
                 "%s: code name Sheet%d missing" % (n, k))
    print("package ok: %d sheets" % len(sheets))


def main(argv):
    try:
        if argv[1:2] == ["cfb"] and len(argv) % 2 == 0:
            for i in range(2, len(argv), 2):
                print(argv[i + 1] + ": ", end="")
                check_cfb(argv[i], argv[i + 1])
        elif argv[1:2] == ["project"]:
            check_project(argv[2])
        elif argv[1:2] == ["libreoffice"]:
            check_libreoffice(argv[2], argv[3])
        elif argv[1:2] == ["package"]:
            check_package(argv[2], argv[3])
        else:
            print(__doc__)
            return 2
    except CheckError as e:
        print("FAIL:", e)
        return 1
    except (IndexError, KeyError, ValueError, struct.error, zipfile.BadZipFile, OSError,
            subprocess.TimeoutExpired) as e:
        print("FAIL: malformed content (%s: %s)" % (type(e).__name__, e))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
