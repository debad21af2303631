#!/usr/bin/env python3
"""Checks an export against the rows of its tables, reading .xls workbooks
with python3-xlrd and .xlsx workbooks with python3-openpyxl (and, when
asked, either with LibreOffice).

    export_check.py PLAN.json

PLAN.json:
  {"workbooks": [path, ...],            # in the order their sheets were written
   "tables": [{"sheet": name,           # name of the table's first sheet
               "csv": path}, ...],      # `brevantis-cli rows FILE TABLE --all`
   "format": "xls",                     # or "xlsx"
   "libreoffice": false}

The sheets of all workbooks, in order, must be the tables' sheets in order
(no empty default sheet left): the first named as given, continuation sheets with "_1", "_2", ...;
each with the column names in row 1 and at most 65,535 rows below
(1,048,575 in .xlsx), every value a text cell equal to the CSV's (UTF-8; cut
at a zero byte and at 32,767 characters, counted in UTF-16 units as a cell
holds them). Header cells are bold on light yellow with thin borders, data
cells are text (.xls: the quote prefix; .xlsx: the text number format),
centred, with thin borders. Exit status 0 when everything matches, 1
otherwise.
"""

import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROWS_PER_SHEET = {"xls": 65535, "xlsx": 1048575}
MAX_CELL = 32767
ESCAPED = re.compile(r"_x([0-9A-Fa-f]{4})_")


def cut_units(text, units):
    """The start of text with at most `units` UTF-16 units: a character
    beyond U+FFFF counts two and is never cut in half."""
    used = 0
    for i, c in enumerate(text):
        used += 2 if ord(c) > 0xFFFF else 1
        if used > units:
            return text[:i]
    return text


def read_rows(path, fmt):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")  # strict: the program writes UTF-8 only
    return list(csv.reader(io.StringIO(text, newline="")))


OLE_FILE = re.compile(r"^.*/(?:TempOLeFiles|OLE Objects)/Ole\d+\.")


def same_ole(value):
    """OLE files are numbered in the order a writer writes them, and an
    export keeps them in its own folder: an export of all tables and `rows`
    of one table name them differently."""
    return OLE_FILE.sub("OLE#.", value)


def as_cell(value):
    return same_ole(cut_units(value.split("\0", 1)[0], MAX_CELL))


def continuation_name(first, n):
    suffix = "_%d" % n
    return cut_units(first, 31 - len(suffix)) + suffix


def expected_sheets(tables, fmt):
    """(name, header, rows) of every sheet the tables give, in order."""
    sheets = []
    per_sheet = ROWS_PER_SHEET[fmt]
    for table in tables:
        rows = read_rows(table["csv"], fmt)
        header, data = rows[0], rows[1:]
        header = [as_cell(v) for v in header]
        data = [[as_cell(v) for v in row] for row in data]
        chunks = [data[i:i + per_sheet] for i in range(0, len(data), per_sheet)] or [[]]
        for n, chunk in enumerate(chunks):
            name = table["sheet"] if n == 0 else continuation_name(table["sheet"], n)
            sheets.append((name, header, chunk))
    return sheets


def check_xlrd(plan, expected, problems):
    import xlrd
    found = []
    for path in plan["workbooks"]:
        with open(os.devnull, "w") as quiet:
            book = xlrd.open_workbook(path, formatting_info=True, logfile=quiet)
        for sheet in book.sheets():
            found.append((path, book, sheet))
    names = [s.name for _, _, s in found]
    if names != [e[0] for e in expected]:
        problems.append("xlrd: sheets %r, not %r" % (names[:40], [e[0] for e in expected][:40]))
        return
    for (path, book, sheet), (name, header, rows) in zip(found, expected):
        where = "xlrd: %s sheet %r" % (os.path.basename(path), name)
        want = [header] + rows
        if sheet.nrows != len(want):
            problems.append("%s has %d rows, not %d" % (where, sheet.nrows, len(want)))
            continue
        for r, row in enumerate(want):
            cells = sheet.row(r)
            # An absent value is a formatted cell without a value (blank).
            have = [same_ole(c.value) if c.ctype == xlrd.XL_CELL_TEXT else "" for c in cells]
            have += [""] * (len(row) - len(have))
            if have[:len(row)] != row or any(c.ctype not in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_EMPTY,
                                                               xlrd.XL_CELL_BLANK) for c in cells):
                problems.append("%s row %d is %r, not %r" % (where, r + 1, have[:8], row[:8]))
                break
        for r in sorted({0, 1, len(want) - 1}):
            if r >= len(want):
                continue
            for c in range(len(want[r])):
                xf = book.xf_list[sheet.cell_xf_index(r, c)]
                edges = (xf.border.left_line_style, xf.border.right_line_style,
                         xf.border.top_line_style, xf.border.bottom_line_style)
                weight = book.font_list[xf.font_index].weight
                if r == 0:
                    ok = (weight == 700 and xf.background.fill_pattern == 1
                          and xf.background.pattern_colour_index == 26 and edges == (1, 1, 1, 1))
                else:
                    ok = (weight == 400 and xf.lotus_123_prefix and xf.alignment.hor_align == 2
                          and edges == (1, 1, 1, 1))
                if not ok:
                    problems.append("%s cell (%d, %d) is not formatted as a %s cell"
                                    % (where, r, c, "header" if r == 0 else "data"))


def check_openpyxl(plan, expected, problems):
    import openpyxl
    found = []
    for path in plan["workbooks"]:
        book = openpyxl.load_workbook(path, read_only=True)
        for sheet in book.worksheets:
            found.append((path, sheet))
    names = [s.title for _, s in found]
    if names != [e[0] for e in expected]:
        problems.append("openpyxl: sheets %r, not %r" % (names[:40], [e[0] for e in expected][:40]))
        return
    for (path, sheet), (name, header, rows) in zip(found, expected):
        where = "openpyxl: %s sheet %r" % (os.path.basename(path), name)
        want = [header] + rows
        have = list(sheet.iter_rows())
        if len(have) != len(want):
            problems.append("%s has %d rows, not %d" % (where, len(have), len(want)))
            continue
        for r, (cells, row) in enumerate(zip(have, want)):
            values = [ESCAPED.sub(lambda m: chr(int(m.group(1), 16)), c.value)
                      if isinstance(c.value, str) else "" for c in cells]
            values += [""] * (len(row) - len(values))
            if [same_ole(v) for v in values[:len(row)]] != row or any(
                    c.value is not None and c.data_type != "s" for c in cells):
                problems.append("%s row %d is %r, not %r" % (where, r + 1, values[:8], row[:8]))
                break
        for r in sorted({0, 1, len(want) - 1}):
            if r >= len(want):
                continue
            for c, cell in enumerate(have[r][:len(want[r])]):
                b = cell.border
                edges = (b.left.style, b.right.style, b.top.style, b.bottom.style)
                ok = cell.alignment.horizontal == "center" and edges == ("thin",) * 4
                if r == 0:
                    ok = ok and cell.font.b and cell.fill.fill_type == "solid" and \
                        cell.fill.fgColor.rgb.endswith("FFFFCC")
                else:
                    ok = ok and not cell.font.b and cell.number_format == "@"
                if not ok:
                    problems.append("%s cell (%d, %d) is not formatted as a %s cell"
                                    % (where, r, c, "header" if r == 0 else "data"))


def check_libreoffice(plan, expected, problems):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIP LibreOffice: not installed")
        return
    work = tempfile.mkdtemp(prefix="export-check-lo-")
    try:
        found = []
        for i, path in enumerate(plan["workbooks"]):
            out = os.path.join(work, str(i))
            run = subprocess.run(
                [soffice, "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                 "--norestore", "--infilter=" + ("MS Excel 97" if plan.get("format", "xls") == "xls"
                                                else "Calc MS Excel 2007 XML"), "--convert-to",
                 "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                 "--outdir", out, path],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=1800)
            written = re.findall(r"^Writing sheet (.*) -> (.*)$", run.stdout, re.MULTILINE)
            if not written:
                problems.append("LibreOffice: could not load %s" % path)
                return
            for name, f in written:
                with open(f, newline="", encoding="utf-8") as h:
                    rows = list(csv.reader(h))
                found.append((name, rows))

        def lines(text):  # LibreOffice turns CR into LF
            return text.replace("\r\n", "\n").replace("\r", "\n")

        if [n for n, _ in found] != [e[0] for e in expected]:
            problems.append("LibreOffice: sheets %r" % [n for n, _ in found][:40])
            return
        for (name, rows), (_, header, data) in zip(found, expected):
            want = [[lines(v) for v in row] for row in [header] + data]
            width = len(want[0])
            have = [[lines(same_ole(v)) for v in (row + [""] * width)[:width]] for row in rows]
            if have != want:
                problems.append("LibreOffice: sheet %r differs" % name)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        plan = json.load(f)
    fmt = plan.get("format", "xls")
    expected = expected_sheets(plan["tables"], fmt)
    problems = []
    try:
        (check_xlrd if fmt == "xls" else check_openpyxl)(plan, expected, problems)
        if plan.get("libreoffice"):
            check_libreoffice(plan, expected, problems)
    except Exception as error:  # a reader that chokes on a file
        problems.append("%s: %s" % (type(error).__name__, error))
    for p in problems[:20]:
        print(p)
    print("OK" if not problems else "FAIL")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
