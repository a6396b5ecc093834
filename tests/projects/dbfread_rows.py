"""Prints the rows of a dBase table as python3-dbfread reads them, for comparison by the tests.

Usage: dbfread_rows.py TABLE

Output: one block per live row, each column as NAME=value on its own line (dates as
YYYY-MM-DD, a blank date as <None>), the block ending with a line "--"; then "#deleted N", the
number of rows marked deleted.
"""
import sys

from dbfread import DBF


def text(value):
    if value is None:
        return "<None>"
    if hasattr(value, "isoformat"):
        return value.isoformat()
    return str(value)


def main():
    table = DBF(sys.argv[1], encoding="utf-8", char_decode_errors="strict")
    out = sys.stdout
    for row in table:
        for name, value in row.items():
            out.write("%s=%s\n" % (name, text(value)))
        out.write("--\n")
    out.write("#deleted %d\n" % len(list(table.deleted)))


if __name__ == "__main__":
    main()
