#!/usr/bin/python3
"""The csv of `velmora dump` as LibreOffice reads it.

  csv_in_libreoffice.py VELMORA WORKDIR [CORPUS_DIR]    (VEL_SHARED_DIR/corpus instead, when set)

Dumps a book written by `velmora run` (commas, quotes, Japanese, leading zeros, blanks) and a few corpus
workbooks as csv; a headless LibreOffice reads each with every column as text and saves it as csv again:
it must have read the records the csv module reads. Exits 77 when LibreOffice is missing.
"""
import csv
import os
import shutil
import subprocess
import sys

CORPUS = ["parseexcel__Test97J.xls", "sheetjs__rich_text_stress.xlsx", "xlsxwriter__shared_strings01.xlsx",
          "poi__NumberFormatTests.xlsx"]
SCRIPT = ('A1="a, b" B1="say ""hi""" C1=日本語 D1=007\n'
          'A2=1.5 B2=" padded" C2="semi;colon" D2=x\n'
          'A4=after-a-gap\n')


def records(path):
    """The records of a csv file less what LibreOffice does not keep: trailing empty fields and records;
    a line break inside a cell it keeps as a line feed."""
    with open(path, newline="", encoding="utf-8") as f:
        rows = [[c.replace("\r\n", "\n").replace("\r", "\n") for c in r] for r in csv.reader(f)]
    for r in rows:
        while r and r[-1] == "":
            r.pop()
    while rows and not rows[-1]:
        rows.pop()
    return rows


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__)
        return 2
    velmora, work = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("SKIP: LibreOffice is not installed (Debian package libreoffice-calc-nogui)")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "out"))
    with open(os.path.join(work, "tricky.txt"), "w", encoding="utf-8") as f:
        f.write(SCRIPT)
    subprocess.run([velmora, "run", os.path.join(work, "tricky.txt")], check=True, stdout=subprocess.DEVNULL)
    books = [os.path.join(work, "tricky.xlsx")]
    corpus = argv[3] if len(argv) == 4 else ""
    if os.environ.get("VEL_SHARED_DIR"):
        corpus = os.path.join(os.environ["VEL_SHARED_DIR"], "corpus")
    books += [os.path.join(corpus, name) for name in CORPUS if os.path.exists(os.path.join(corpus, name))]
    if len(books) == 1:
        print("note: no corpus; the book written here only")
    dumps = []
    for n, book in enumerate(books):
        dumps.append(os.path.join(work, "dump%d.csv" % n))
        with open(dumps[-1], "wb") as f:
            subprocess.run([velmora, "dump", book, "--sheet", "1"], check=True, stdout=f)

    # Every column as text (format 2), so LibreOffice keeps what it read.
    columns = "/".join("%d/2" % c for c in range(1, 200))
    run = subprocess.run([office, "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                          "--norestore", "--infilter=CSV:44,34,76,1," + columns,
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
        if ours == theirs:
            print("%s: %d records agree" % (os.path.basename(path), len(ours)))
            continue
        failures += 1
        first = next((i for i, (a, b) in enumerate(zip(ours, theirs)) if a != b), min(len(ours), len(theirs)))
        print("FAIL: %s record %d: dump %r, LibreOffice %r (%d and %d records)" %
              (path, first + 1, ours[first:first + 1], theirs[first:first + 1], len(ours), len(theirs)))
    print("%d csv dumps, %d read otherwise by LibreOffice" % (len(dumps), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
