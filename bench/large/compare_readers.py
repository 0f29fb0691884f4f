#!/usr/bin/env python3
"""Runs two builds of tabrova-dxf on the same workbooks and ranges and reports any difference in
the DXF, the --dump-table JSON, the messages or the exit status. For checking a change of the
workbook reader against the reader before it.

  compare_readers.py OLD_TABROVA_DXF NEW_TABROVA_DXF WORKBOOK_OR_FOLDER... [--range REF]...

Every worksheet of every workbook is read with its saved selection, with A1:AD60 and with each
--range given.
"""
import argparse
import pathlib
import re
import subprocess
import sys
import tempfile
import zipfile


def sheet_names(path):
    try:
        with zipfile.ZipFile(path) as z:
            xml = z.read("xl/workbook.xml").decode("utf-8", "replace")
    except (zipfile.BadZipFile, KeyError, OSError):
        return [None]
    names = re.findall(r'<(?:\w+:)?sheet\b[^>]*\bname="([^"]*)"', xml)
    unescape = {"&amp;": "&", "&lt;": "<", "&gt;": ">", "&quot;": '"', "&apos;": "'"}
    return [re.sub(r"&\w+;", lambda m: unescape.get(m.group(0), m.group(0)), n) for n in names]


def run(tool, book, sheet, rng, out):
    out.mkdir(parents=True, exist_ok=True)
    args = [tool, "-q", "-o", str(out / "t.dxf"), "--dump-table", str(out / "t.json")]
    if sheet is not None:
        args += ["--sheet", sheet]
    if rng:
        args += ["--range", rng]
    p = subprocess.run(args + [str(book)], capture_output=True)
    files = {n: (out / n).read_bytes() if (out / n).exists() else None for n in ("t.dxf", "t.json")}
    for n in files:
        (out / n).unlink(missing_ok=True)
    return p.returncode, p.stdout, p.stderr, files


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("books", nargs="+")
    ap.add_argument("--range", action="append", default=[])
    a = ap.parse_args()
    books = []
    for b in a.books:
        p = pathlib.Path(b)
        books += sorted(p.glob("*.xlsx")) if p.is_dir() else [p]
    runs = differ = 0
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        for book in books:
            for sheet in sheet_names(book):
                for rng in [None, "A1:AD60"] + a.range:
                    old = run(a.old, book, sheet, rng, tmp / "old")
                    new = run(a.new, book, sheet, rng, tmp / "new")
                    runs += 1
                    if old != new:
                        differ += 1
                        what = [k for k, (x, y) in
                                zip(("status", "stdout", "stderr", "files"), zip(old, new)) if x != y]
                        print(f"DIFFERS {book.name} [{sheet}] {rng or 'selection'}: {', '.join(what)}")
                        if "stderr" in what:
                            print("  old:", old[2].decode(errors="replace").strip()[:300])
                            print("  new:", new[2].decode(errors="replace").strip()[:300])
    print(f"{runs} reads, {differ} differ")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
