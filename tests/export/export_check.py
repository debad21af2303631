#!/usr/bin/env python3
"""Checks an export against the rows of its tables, reading .xls workbooks
with python3-xlrd and .xlsx workbooks with python3-openpyxl (and, when
asked, either with LibreOffice).

    export_check.py PLAN.json

PLAN.json:
  {"workbooks": [path, ...],            # in the order their sheets were written
   "tables": [{"sheet": name,           # name of the table's first sheet
               "csv": path,             # `brevantis-cli rows FILE TABLE --all`
               "types": {column: type}}, ...],  # as `analyze` shows them
   "format": "xls",                     # or "xlsx"
   "libreoffice": false}

The sheets of all workbooks, in order, must be the tables' sheets in order
(no empty default sheet left): the first named as given, continuation sheets with "_1", "_2", ...;
each with the column names in row 1 and at most 65,535 rows below
(1,048,575 in .xlsx). In .xls every value is a text cell equal to the
CSV's (UTF-8; cut at a zero byte and at 32,767 characters, counted in
UTF-16 units as a cell holds them). In .xlsx cells are typed: a number of a
number column is a number equal to the CSV's (currency with a currency
format), a date a date and time equal to it (format yyyy-mm-dd hh:mm:ss),
a boolean TRUE or FALSE, an absent value an empty cell; what a sheet cannot
hold as a number or date exactly, and every other value, is text equal to
the CSV's. Header cells are bold on light yellow with thin borders, data
cells centred with thin borders (.xls text cells: the quote prefix). With
LibreOffice, .xls values are compared too, .xlsx sheets and rows only.
Exit status 0 when everything matches, 1 otherwise.
"""

import csv
import datetime
import io
import math
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


NUMBER_TYPES = ("BYTE", "INT", "LONG", "COUNTER", "CURRENCY", "SINGLE", "DOUBLE", "NUMERIC", "BIGINT")
US_DATE = re.compile(r"^(\d\d)/(\d\d)/(\d{2,}) (\d\d):(\d\d):(\d\d)$")
ISO_DATE = re.compile(r"^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)$")


def parse_date(text):
    """(year, month, day, hour, minute, second) of a date as the CSV or a
    text cell shows it; None for anything else. A two-digit year stays as
    it is (compared modulo 100)."""
    m = US_DATE.match(text)
    if m:
        month, day, year, h, mi, sec = (int(g) for g in m.groups())
        return year, month, day, h, mi, sec, len(m.group(3)) == 2
    m = ISO_DATE.match(text)
    if m:
        return tuple(int(g) for g in m.groups()) + (False,)
    return None


def same_year(year, text_year, short):
    """A two-digit year (of the older rendering, which also showed 1899 as
    2001) names the year modulo 100."""
    if not short:
        return year == text_year
    return year % 100 == text_year or (year == 1899 and text_year == 1)


def same_date(cell, text):
    """A date cell (datetime, or time for a time of day alone) against the
    CSV's date text, to the second."""
    parsed = parse_date(text)
    if parsed is None:
        return False
    year, month, day, h, mi, sec, short = parsed
    if isinstance(cell, datetime.time):
        return (cell.hour, cell.minute, cell.second) == (h, mi, sec)
    if (cell.month, cell.day, cell.hour, cell.minute, cell.second) != (month, day, h, mi, sec):
        return False
    return same_year(cell.year, year, short)


def typed_problem(cell, text, kind):
    """Why an .xlsx cell does not hold the CSV's value text as its column's
    kind ("number", "date", "bit" or "text") wants it; None when it does."""
    value = cell.value
    if value is None:
        return None if text in ("", "NULL") else "empty"
    if isinstance(value, bool):
        return None if kind == "bit" and text == ("1" if value else "0") else "boolean"
    if isinstance(value, (int, float)):
        try:
            ok = kind in ("number", "currency") and math.isclose(value, float(text), rel_tol=1e-6, abs_tol=1e-9)
        except ValueError:
            ok = False
        return None if ok else "number"
    if isinstance(value, (datetime.datetime, datetime.time)):
        ok = kind == "date" and same_date(value, text) and cell.number_format in (
            "yyyy-mm-dd hh:mm:ss", "hh:mm:ss")
        return None if ok else "date"
    value = ESCAPED.sub(lambda m: chr(int(m.group(1), 16)), value)
    if cell.data_type != "s" or cell.number_format != "@":
        return "text cell"
    if kind in ("number", "currency"):
        # Only what a double cannot hold exactly stays text.
        digits = re.sub(r"[^0-9]", "", text).lstrip("0")
        return None if value == text and len(digits) > 15 else "text for a number"
    if kind == "date" and parse_date(value) and parse_date(text):
        # Dates a sheet does not show as dates: their ISO text.
        mine, theirs = parse_date(value), parse_date(text)
        same = mine[1:6] == theirs[1:6] and same_year(mine[0], theirs[0], theirs[6])
        return None if same else "date text"
    return None if same_ole(value) == text else "text"


def column_kind(type_name):
    if type_name == "CURRENCY":
        return "currency"
    if type_name.startswith(NUMBER_TYPES):
        return "number"
    if type_name.startswith(("DATE", "DATETIME")):
        return "date"
    if type_name in ("BIT", "BOOLEAN"):
        return "bit"
    return "text"


def expected_sheets(tables, fmt):
    """(name, header, rows, kinds) of every sheet the tables give, in order."""
    sheets = []
    per_sheet = ROWS_PER_SHEET[fmt]
    for table in tables:
        rows = read_rows(table["csv"], fmt)
        header, data = rows[0], rows[1:]
        types = table.get("types", {})
        kinds = [column_kind(types.get(name, "")) for name in header]
        header = [as_cell(v) for v in header]
        data = [[as_cell(v) for v in row] for row in data]
        chunks = [data[i:i + per_sheet] for i in range(0, len(data), per_sheet)] or [[]]
        for n, chunk in enumerate(chunks):
            name = table["sheet"] if n == 0 else continuation_name(table["sheet"], n)
            sheets.append((name, header, chunk, kinds))
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
    for (path, book, sheet), (name, header, rows, _) in zip(found, expected):
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
    import zipfile
    found = []
    for path in plan["workbooks"]:
        with zipfile.ZipFile(path) as archive:
            damaged = archive.testzip()  # every entry inflated, its CRC and size checked
        if damaged:
            problems.append("zipfile: %s: entry %s is damaged" % (os.path.basename(path), damaged))
        book = openpyxl.load_workbook(path, read_only=True)
        for sheet in book.worksheets:
            found.append((path, sheet))
    names = [s.title for _, s in found]
    if names != [e[0] for e in expected]:
        problems.append("openpyxl: sheets %r, not %r" % (names[:40], [e[0] for e in expected][:40]))
        return
    for (path, sheet), (name, header, rows, kinds) in zip(found, expected):
        where = "openpyxl: %s sheet %r" % (os.path.basename(path), name)
        have = list(sheet.iter_rows())
        if len(have) != len(rows) + 1:
            problems.append("%s has %d rows, not %d" % (where, len(have), len(rows) + 1))
            continue
        names = [c.value if isinstance(c.value, str) else "" for c in have[0]]
        names = [ESCAPED.sub(lambda m: chr(int(m.group(1), 16)), v) for v in names]
        if names[:len(header)] != header:
            problems.append("%s header is %r, not %r" % (where, names[:8], header[:8]))
            continue
        for r, (cells, row) in enumerate(zip(have[1:], rows)):
            cells = list(cells) + [None] * (len(row) - len(cells))
            wrong = [(c, cell, v) for c, (cell, v, kind) in enumerate(zip(cells, row, kinds))
                     if cell is None and v not in ("", "NULL")
                     or cell is not None and typed_problem(cell, v, kind)]
            if wrong:
                c, cell, v = wrong[0]
                problems.append("%s row %d column %d is %r (%s), not %r" % (
                    where, r + 2, c + 1, None if cell is None else cell.value,
                    None if cell is None else typed_problem(cell, v, kinds[c]), v))
                break
        for r in sorted({0, 1, len(rows)}):
            if r > len(rows):
                continue
            for c, cell in enumerate(have[r][:len(header)]):
                b = cell.border
                edges = (b.left.style, b.right.style, b.top.style, b.bottom.style)
                ok = cell.alignment.horizontal == "center" and edges == ("thin",) * 4
                if r == 0:
                    ok = ok and cell.font.b and cell.fill.fill_type == "solid" and \
                        cell.fill.fgColor.rgb.endswith("FFFFCC")
                else:
                    ok = ok and not cell.font.b
                    if isinstance(cell.value, (int, float)) and kinds[c] == "currency":
                        ok = ok and "$" in cell.number_format
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
        for (name, rows), (_, header, data, _) in zip(found, expected):
            if plan.get("format", "xls") == "xlsx":
                # Typed cells come out as LibreOffice shows them.
                if len(rows) != len(data) + 1:
                    problems.append("LibreOffice: sheet %r has %d rows" % (name, len(rows)))
                continue
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
