#!/usr/bin/python3
"""The csv of `velmora dump` as LibreOffice reads it.

  csv_in_libreoffice.py VELMORA WORKDIR [CORPUS_DIR]

(VEL_SHARED_DIR, when set, names the folder holding the corpus instead.)
Dumps a book written by `velmora run` (commas, quotes, Japanese, leading
zeros, blanks) and a few corpus workbooks (one sheet each) as csv, opens
every csv in a headless LibreOffice with all columns imported as text and
saves it again as csv: the records LibreOffice read must be the records the
csv module reads from the dump (trailing empty fields and records aside,
which LibreOffice does not keep, and line breaks inside a cell, which it
keeps as line feeds). Exits 77 with the reason when LibreOffice
is missing.
"""
import csv
import os
import shutil
import subprocess
import sys

SKIP = 77
CORPUS = [("parseexcel__Test97J.xls", "1"), ("sheetjs__rich_text_stress.xlsx", "1"),
          ("xlsxwriter__shared_strings01.xlsx", "1"), ("poi__NumberFormatTests.xlsx", "1")]
SCRIPT = ('A1="a, b" B1="say ""hi""" C1=日本語 D1=007\n'
          'A2=1.5 B2=" padded" C2="semi;colon" D2=x\n'
          'A4=after-a-gap\n')


def records(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = [r for r in csv.reader(f)]
    trimmed = []
    for r in rows:
        while r and r[-1] == "":
            r = r[:-1]
        # LibreOffice keeps a line break inside a cell as a line feed.
        trimmed.append([f.replace("\r\n", "\n").replace("\r", "\n") for f in r])
    while trimmed and not trimmed[-1]:
        trimmed.pop()
    return trimmed


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__)
        return 2
    velmora, work = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("SKIP: LibreOffice is not installed (Debian package libreoffice-calc-nogui)")
        return SKIP
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "out"))
    with open(os.path.join(work, "tricky.txt"), "w", encoding="utf-8") as f:
        f.write(SCRIPT)
    subprocess.run([velmora, "run", os.path.join(work, "tricky.txt")], check=True, stdout=subprocess.DEVNULL)
    books = [(os.path.join(work, "tricky.xlsx"), "1")]
    corpus = argv[3] if len(argv) == 4 else None
    if os.environ.get("VEL_SHARED_DIR"):
        corpus = os.path.join(os.environ["VEL_SHARED_DIR"], "corpus")
    if corpus and os.path.isdir(corpus):
        books += [(os.path.join(corpus, name), sheet) for name, sheet in CORPUS
                  if os.path.exists(os.path.join(corpus, name))]
    else:
        print("note: no corpus; the book written here only")
    dumps = []
    for n, (book, sheet) in enumerate(books):
        path = os.path.join(work, "dump%d.csv" % n)
        with open(path, "wb") as f:
            subprocess.run([velmora, "dump", book, "--sheet", sheet], check=True, stdout=f)
        dumps.append(path)

    # Every column as text (format 2), so LibreOffice keeps what it read.
    columns = "/".join("%d/2" % c for c in range(1, 200))
    profile = "file://" + os.path.join(work, "profile")
    run = subprocess.run([office, "-env:UserInstallation=" + profile, "--headless", "--norestore",
                          "--infilter=CSV:44,34,76,1," + columns,
                          "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1",
                          "--outdir", os.path.join(work, "out")] + dumps,
                         capture_output=True, text=True, timeout=240)
    failures = 0
    for path in dumps:
        back = os.path.join(work, "out", os.path.basename(path))
        if not os.path.exists(back):
            print("FAIL: LibreOffice did not convert %s\n%s%s" % (path, run.stdout, run.stderr))
            failures += 1
            continue
        ours, theirs = records(path), records(back)
        if ours != theirs:
            failures += 1
            for i, (a, b) in enumerate(zip(ours, theirs)):
                if a != b:
                    print("FAIL: %s record %d: dump %r, LibreOffice %r" % (path, i + 1, a[:8], b[:8]))
                    break
            else:
                print("FAIL: %s: %d records, LibreOffice read %d" % (path, len(ours), len(theirs)))
        else:
            print("%s: %d records agree" % (os.path.basename(path), len(ours)))
    if failures:
        return 1
    print("%d csv dumps read alike by LibreOffice" % len(dumps))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
