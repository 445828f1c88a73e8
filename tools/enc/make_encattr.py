#!/usr/bin/env python3
"""Writes def/EncAttr.ini, the ENC reader's attribute name table, from the
IHO S-57 attribute catalogue as Debian's gdal-data package ships it
(/usr/share/gdal/s57attributes.csv; `apt-get install gdal-data`).

One line per attribute code 1..499, in code order:

    code,acronym,type letter,"attribute name"

The reader takes the acronym as the property name and keeps the values of
attributes of type A, E, F and S; the name in quotes is for the reader of
the file. Lines end with CR LF; the text is ASCII (hence also Shift_JIS).

usage: make_encattr.py [CATALOGUE] [OUTPUT]
"""
import csv
import sys

CATALOGUE = "/usr/share/gdal/s57attributes.csv"
OUTPUT = "def/EncAttr.ini"
FIRST, LAST = 1, 499


def main(argv):
    catalogue = argv[1] if len(argv) > 1 else CATALOGUE
    output = argv[2] if len(argv) > 2 else OUTPUT
    rows = {}
    with open(catalogue, newline="", encoding="latin-1") as f:
        for row in csv.DictReader(f):
            code = int(row["Code"])
            if FIRST <= code <= LAST:
                rows[code] = row
    lines = []
    for code in sorted(rows):
        row = rows[code]
        acronym = row["Acronym"].strip()
        kind = row["Attributetype"].strip()
        name = row["Attribute"].strip().replace('"', "'")
        for text in (acronym, kind):
            if not text or any(c in text for c in ' ,"'):
                raise SystemExit(f"{catalogue}: unusable entry for code {code}: {text!r}")
        name.encode("ascii")
        lines.append(f'{code},{acronym},{kind},"{name}"')
    with open(output, "w", newline="", encoding="ascii") as f:
        f.write("".join(line + "\r\n" for line in lines))
    print(f"{output}: {len(lines)} attributes")


if __name__ == "__main__":
    main(sys.argv)
