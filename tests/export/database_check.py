#!/usr/bin/env python3
"""Checks a SQLite export of an Access file against mdbtools' mdb-export,
value by value, for every user table mdb-tables lists.

    database_check.py EXPORT.sqlite ACCESS_FILE

Numbers are compared as numbers (to a float's precision, which is all a
Single has), dates as timestamps (to the second), bytes by their
hexadecimal digits, texts as texts; an absent value must be NULL where
mdb-export prints an unquoted empty field, and a quoted field must not be
NULL. Where mdb-export cannot print a value, the value is passed over and
counted: a date before 1900 ("1900-01-00 ..."), bytes that start with a
zero byte (printed empty), a text beyond the length it cuts texts to, and
every value of a column whose type it does not know (complex columns,
BigInt, extended dates: mdb-schema's "Unknown_00xx"). GUIDs compare without
their hyphens, of which mdb-export drops one. System tables (MSys...) are
left out, as the export leaves them. Prints one line of figures, then the
first differences; exit status 0 when every compared value is equal, 1
otherwise, 2 when mdbtools cannot read the file.
"""

import math
import re
import sqlite3
import subprocess
import sys

DATE_FORMAT = "%Y-%m-%d %H:%M:%S"


def mdb(*args):
    return subprocess.run(["mdb-" + args[0]] + list(args[1:]), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=True).stdout


def parse_csv(data):
    """Rows of (text, quoted) fields: mdb-export quotes text-like fields and
    leaves numbers and absent values bare."""
    rows, row, field, quoted, in_quotes, i = [], [], [], False, False, 0
    text = data.decode("utf-8", "surrogateescape")
    while i < len(text):
        c = text[i]
        if in_quotes:
            if c == '"' and text[i + 1:i + 2] == '"':
                field.append('"')
                i += 1
            elif c == '"':
                in_quotes = False
            else:
                field.append(c)
        elif c == '"':
            in_quotes = quoted = True
        elif c == ",":
            row.append(("".join(field), quoted))
            field, quoted = [], False
        elif c == "\n":
            row.append(("".join(field), quoted))
            rows.append(row)
            row, field, quoted = [], [], False
        else:
            field.append(c)
        i += 1
    if field or row:
        row.append(("".join(field), quoted))
        rows.append(row)
    return rows


def unknown_columns(access):
    """{table: {column, ...}} of the columns mdb-schema gives no type."""
    unknown, table = {}, None
    for line in mdb("schema", access).decode("utf-8", "replace").split("\n"):
        m = re.match(r"^CREATE TABLE \[(.*)\]$", line)
        if m:
            table = m.group(1)
            continue
        m = re.match(r"^\t\[(.*)\]\t+Unknown_00[0-9A-Fa-f]{2}", line)
        if m and table is not None:
            unknown.setdefault(table, set()).add(m.group(1))
    return unknown


def same(ours, theirs, quoted):
    """Whether our SQLite value equals mdb-export's field; None when the
    field is one mdb-export cannot print (a date before 1900)."""
    if isinstance(ours, bytes) and ours.startswith(b"\0") and not quoted and theirs == "":
        return None
    if not quoted and theirs == "":
        return ours is None or ours == ""
    if ours is None:
        return False
    if isinstance(ours, bytes):
        return ours.hex().upper() == theirs.upper()
    if isinstance(ours, (int, float)):
        try:
            return math.isclose(float(ours), float(theirs), rel_tol=1e-6, abs_tol=1e-9)
        except ValueError:
            return False
    if theirs.startswith("1900-01-00") or (len(theirs) < len(ours) and ours.startswith(theirs)):
        return None
    if ours.startswith("{") and ours.endswith("}") and len(ours) == 38:
        # A GUID, which -b hex prints as the hexadecimal digits of its text.
        try:
            theirs = bytes.fromhex(theirs).decode("ascii")
        except ValueError:
            pass
        return ours.replace("-", "") == theirs.replace("-", "")
    return ours == theirs


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    export, access = sys.argv[1:]
    db = sqlite3.connect("file:%s?mode=ro" % export, uri=True)
    db.text_factory = lambda b: b.decode("utf-8", "surrogateescape")
    ours_tables = {r[0] for r in db.execute("SELECT name FROM sqlite_master WHERE type = 'table'")}
    try:
        tables = [t for t in mdb("tables", "-1", access).decode("utf-8").split("\n")
                  if t and not t.startswith("MSys")]
        unknown = unknown_columns(access)
    except subprocess.CalledProcessError:
        print("%s: mdbtools cannot read it" % access)
        return 2
    compared = equal = passed = 0
    problems = []
    for table in tables:
        if table not in ours_tables:
            problems.append("table %r missing" % table)
            continue
        rows = parse_csv(mdb("export", "-b", "hex", "-T", DATE_FORMAT, "-D", DATE_FORMAT, access, table))
        header = [name for name, _ in rows[0]] if rows else []
        columns = [r[1] for r in db.execute('PRAGMA table_info("%s")' % table.replace('"', '""'))]
        missing = [n for n in header if n not in columns]
        if missing:
            problems.append("%s: columns %r missing" % (table, missing))
            continue
        quoted_names = ", ".join('"%s"' % n.replace('"', '""') for n in header)
        ours = db.execute('SELECT %s FROM "%s"' % (quoted_names, table.replace('"', '""'))).fetchall()
        if len(ours) != len(rows) - 1:
            problems.append("%s: %d rows, mdb-export %d" % (table, len(ours), len(rows) - 1))
            continue
        for r, (mine, theirs) in enumerate(zip(ours, rows[1:])):
            for c, (value, (text, quoted)) in enumerate(zip(mine, theirs)):
                verdict = None if header[c] in unknown.get(table, ()) else same(value, text, quoted)
                if verdict is None:
                    passed += 1
                    continue
                compared += 1
                if verdict:
                    equal += 1
                elif len(problems) < 20:
                    problems.append("%s row %d %s: ours %r, mdb-export %r%s" % (
                        table, r + 1, header[c], value[:40] if isinstance(value, (str, bytes)) else value,
                        text[:60], "" if quoted else " (bare)"))
    print("%s: %d tables, %d values compared, %d equal, %d passed over (values mdb-export cannot print)"
          % (access, len(tables), compared, equal, passed))
    for p in problems:
        print("  " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
