#!/usr/bin/env python3
"""Reads a workbook with every spreadsheet reader at hand and compares what
each one shows with what the test wrote.

    check_workbook.py WORKBOOK EXPECTED.json

EXPECTED.json:
  {"sheets": [{"name": N, "rows": [[text, ...], ...]}
              | {"name": N, "generated": {"rows": R, "columns": C, "header": "H{c}",
                                          "cell": "s{s}r{v}c{c}", "modulo": M}}],
   "header_cells": [[sheet, row, column], ...],   # bold, light yellow, centred, thin borders
   "data_cells": [[sheet, row, column], ...]}     # centred, thin borders, quote prefix
A generated sheet has the header row header.format(c=column), then rows
1 to R - 1 of cell.format(s=sheet, c=column, v=row % modulo).

Readers: python3-xlrd (values, names, formats), LibreOffice (forced
"MS Excel 97" filter, private profile; values and names through CSV) and
gnumeric's ssconvert (values and names through CSV, which gnumeric begins at
the first used row and column). A reader that is not
installed is skipped. Exit status: 0 when every reader at hand agrees, 1
when one does not, 77 when no reader is installed.
"""

import concurrent.futures
import csv
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

TIMEOUT = 1800


def trimmed(row):
    end = len(row)
    while end and row[end - 1] == "":
        end -= 1
    return row[:end]


class Expected:
    def __init__(self, wanted):
        self.wanted = wanted
        self.names = [s["name"] for s in wanted["sheets"]]

    def row_count(self, s):
        sheet = self.wanted["sheets"][s]
        return sheet["generated"]["rows"] if "generated" in sheet else len(sheet["rows"])

    def row(self, s, r):
        """The texts of row r, without trailing empty cells."""
        sheet = self.wanted["sheets"][s]
        if "generated" in sheet:
            g = sheet["generated"]
            if r >= g["rows"]:
                return []
            if r == 0:
                return [g["header"].format(c=c) for c in range(g["columns"])]
            return [g["cell"].format(s=s, c=c, v=r % g["modulo"]) for c in range(g["columns"])]
        rows = sheet["rows"]
        return trimmed(rows[r]) if r < len(rows) else []


def compare_rows(reader, expected, s, row, nrows, problems):
    """row(r) gives the reader's texts of row r, without trailing empty cells."""
    for r in range(max(expected.row_count(s), nrows)):
        want = expected.row(s, r)
        have = row(r) if r < nrows else []
        if have != want:
            c = next((c for c in range(max(len(want), len(have)))
                      if (want[c] if c < len(want) else "") != (have[c] if c < len(have) else "")), 0)
            problems.append("%s: sheet %r cell (%d, %d) is %r, not %r"
                            % (reader, expected.names[s], r, c,
                               (have[c] if c < len(have) else "")[:60], (want[c] if c < len(want) else "")[:60]))
            return


def check_xlrd(path, expected):
    try:
        import xlrd
    except ImportError:
        return None
    problems = []
    with open(os.devnull, "w") as quiet:
        book = xlrd.open_workbook(path, formatting_info=True, on_demand=True, logfile=quiet)
    if book.sheet_names() != expected.names:
        return ["xlrd: sheets %r, not %r" % (book.sheet_names(), expected.names)]
    formats = {}
    for kind in ("header_cells", "data_cells"):
        for s, r, c in expected.wanted.get(kind, []):
            formats.setdefault(s, []).append((kind, r, c))
    text, empty = xlrd.XL_CELL_TEXT, (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK)
    for s in range(len(expected.names)):
        sheet = book.sheet_by_index(s)

        def row(r):
            return trimmed([v if t == text else "" if t in empty else "<not text: %r>" % (v,)
                            for t, v in zip(sheet.row_types(r), sheet.row_values(r))])

        compare_rows("xlrd", expected, s, row, sheet.nrows, problems)
        for kind, r, c in formats.get(s, []):
            where = "xlrd: sheet %r cell (%d, %d)" % (expected.names[s], r, c)
            if r >= sheet.nrows or c >= sheet.ncols:
                problems.append(where + " is missing")
                continue
            xf = book.xf_list[sheet.cell_xf_index(r, c)]
            edges = (xf.border.left_line_style, xf.border.right_line_style,
                     xf.border.top_line_style, xf.border.bottom_line_style)
            if edges != (1, 1, 1, 1):
                problems.append(where + " borders %r" % (edges,))
            if xf.alignment.hor_align != 2:
                problems.append(where + " alignment %d" % xf.alignment.hor_align)
            weight = book.font_list[xf.font_index].weight
            if kind == "header_cells":
                if weight != 700:
                    problems.append(where + " font weight %d" % weight)
                if xf.background.fill_pattern != 1 or xf.background.pattern_colour_index != 26:
                    problems.append(where + " fill %d colour %d" % (xf.background.fill_pattern,
                                                                   xf.background.pattern_colour_index))
            elif not xf.lotus_123_prefix:
                problems.append(where + " has no quote prefix")
        book.unload_sheet(s)
    return problems


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.reader(f))


def first_used(expected, s):
    """Row and column of the sheet's first used row and column."""
    rows = [expected.row(s, r) for r in range(expected.row_count(s))]
    used = [r for r, row in enumerate(rows) if row]
    if not used:
        return 0, 0
    return used[0], min(next(c for c, v in enumerate(row) if v != "") for row in rows if row)


def compare_csv_sheets(reader, expected, names, files, from_first_used=False):
    """from_first_used: the CSV begins at the first used row and column
    rather than at A1 (gnumeric)."""
    if names != expected.names:
        return ["%s: sheets %r, not %r" % (reader, names, expected.names)]
    problems = []
    for s, name in enumerate(names):
        rows = read_csv(files[s])
        top, left = first_used(expected, s) if from_first_used else (0, 0)

        def row(r):
            if r < top:
                return []
            return trimmed([""] * left + rows[r - top]) if left else trimmed(rows[r - top])

        compare_rows(reader, expected, s, row, len(rows) + top, problems)
    return problems


def check_libreoffice(path, expected):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        return None
    work = tempfile.mkdtemp(prefix="check-workbook-lo-")
    try:
        out = os.path.join(work, "out")
        # Forced filter: otherwise a file LibreOffice cannot load is imported
        # as plain text and the conversion still succeeds.
        run = subprocess.run(
            [soffice, "-env:UserInstallation=file://" + os.path.join(work, "profile"),
             "--headless", "--norestore", "--infilter=MS Excel 97", "--convert-to",
             "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
             "--outdir", out, path],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=TIMEOUT)
        written = re.findall(r"^Writing sheet (.*) -> (.*)$", run.stdout, re.MULTILINE)
        files = [f for _, f in written]
        if not written or not all(os.path.exists(f) for f in files):
            return ["LibreOffice: could not load the workbook: " + run.stdout.strip()[-300:]]
        return compare_csv_sheets("LibreOffice", expected, [n for n, _ in written], files)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check_gnumeric(path, expected):
    ssconvert = shutil.which("ssconvert")
    if not ssconvert:
        return None
    work = tempfile.mkdtemp(prefix="check-workbook-gnumeric-")
    try:
        run = subprocess.run(
            [ssconvert, "-I", "Gnumeric_Excel:excel", "-S", path, os.path.join(work, "%n-%s.csv")],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=TIMEOUT)
        found = []
        for f in os.listdir(work):
            m = re.match(r"^(\d+)-(.*)\.csv$", f)
            if m:
                found.append((int(m.group(1)), m.group(2), os.path.join(work, f)))
        found.sort()
        if run.returncode != 0 or not found:
            return ["gnumeric: could not load the workbook: " + run.stdout.strip()[-300:]]
        return compare_csv_sheets("gnumeric", expected, [n for _, n, _ in found], [f for _, _, f in found],
                                  from_first_used=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    path = os.path.abspath(sys.argv[1])
    with open(sys.argv[2], encoding="utf-8") as f:
        expected = Expected(json.load(f))
    status, ran = 0, 0

    def timed(check):
        started = time.monotonic()
        try:
            problems = check(path, expected)
        except Exception as error:  # a reader that chokes on the file
            problems = ["%s: %s" % (type(error).__name__, error)]
        return problems, time.monotonic() - started

    # The readers run side by side: on a large workbook each takes minutes.
    checks = (("xlrd", check_xlrd), ("LibreOffice", check_libreoffice), ("gnumeric", check_gnumeric))
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(checks)) as pool:
        runs = [(name, pool.submit(timed, check)) for name, check in checks]
    for name, run in runs:
        problems, seconds = run.result()
        if problems is None:
            print("SKIP %s: not installed" % name)
            continue
        ran += 1
        if problems:
            status = 1
            print("FAIL %s (%.1f s)" % (name, seconds))
            for p in problems[:10]:
                print("  " + p)
        else:
            print("PASS %s (%.1f s)" % (name, seconds))
    return status if ran else 77


if __name__ == "__main__":
    sys.exit(main())
