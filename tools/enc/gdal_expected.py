#!/usr/bin/env python3
"""Records what GDAL's S-57 driver reads from a chart cell, as the expected
answer for chizro's ENC reader (tests/readers/enc/enc_gdal_test.cpp compares the
figures chizro builds from the cell's listing with it).

Needs Debian's python3-gdal (and gdal-data); the tests themselves do not.

    tools/enc/gdal_expected.py tests/data/enc/JP4TEST1.000 > tests/data/enc/JP4TEST1.gdal.txt

Output, one feature after the other, in GDAL's order:

    FEATURE <OBJL> <NONE|POINT|LINE|AREA> <n> x1 y1 [z1] x2 y2 [z2] ...
    ATTR <acronym> <String|Integer|Real|StringList|IntegerList> <value>

A point's z is the sounding depth (soundings are split into one point each).
An area gives its exterior ring as GDAL closes it. Attributes follow their
feature: those of the feature record (ATTF) that are set; national ones
(NATF) and the record's own fields are left out. A list value is written as
its items joined by commas.
"""
import csv
import sys

from osgeo import gdal, ogr

CATALOGUE = "/usr/share/gdal/s57attributes.csv"
# Fields GDAL adds from the feature record itself rather than its attributes.
RECORD_FIELDS = {"RCID", "PRIM", "GRUP", "OBJL", "RVER", "AGEN", "FIDN", "FIDS", "LNAM",
                 "LNAM_REFS", "FFPT_RIND", "DEPTH"}


def national_acronyms():
    with open(CATALOGUE, newline="", encoding="latin-1") as f:
        return {row["Acronym"] for row in csv.DictReader(f) if 300 <= int(row["Code"]) < 400}


def coords(geometry, with_z):
    points = geometry.GetPoints() or []
    out = []
    for p in points:
        out += [p[0], p[1]] + ([p[2]] if with_z else [])
    return len(points), out


def main(argv):
    gdal.UseExceptions()
    path = argv[1]
    skip = RECORD_FIELDS | national_acronyms()
    ds = gdal.OpenEx(path, gdal.OF_VECTOR,
                     open_options=["SPLIT_MULTIPOINT=ON", "ADD_SOUNDG_DEPTH=ON"])
    print(f"# GDAL {gdal.__version__} S-57 driver on {path.split('/')[-1]}, "
          "SPLIT_MULTIPOINT=ON ADD_SOUNDG_DEPTH=ON")
    for index in range(ds.GetLayerCount()):
        layer = ds.GetLayer(index)
        if layer.GetName() == "DSID":
            continue
        definition = layer.GetLayerDefn()
        for feature in layer:
            objl = feature.GetField("OBJL")
            geometry = feature.GetGeometryRef()
            if geometry is None:
                line = f"FEATURE {objl} NONE 0"
            else:
                kind = ogr.GT_Flatten(geometry.GetGeometryType())
                if kind == ogr.wkbPoint:
                    with_z = objl == 129
                    n, values = coords(geometry, with_z)
                    line = f"FEATURE {objl} POINT {n}"
                elif kind == ogr.wkbLineString:
                    n, values = coords(geometry, False)
                    line = f"FEATURE {objl} LINE {n}"
                elif kind == ogr.wkbPolygon:
                    n, values = coords(geometry.GetGeometryRef(0), False)
                    line = f"FEATURE {objl} AREA {n}"
                else:
                    raise SystemExit(f"unexpected geometry {geometry.GetGeometryName()}")
                line += "".join(f" {v:.9f}" for v in values)
            print(line)
            for i in range(definition.GetFieldCount()):
                field = definition.GetFieldDefn(i)
                name = field.GetName()
                if name in skip or not feature.IsFieldSetAndNotNull(i):
                    continue
                kind = field.GetFieldTypeName(field.GetType())
                value = feature.GetField(i)
                if isinstance(value, list):
                    value = ",".join(str(v) for v in value)
                print(f"ATTR {name} {kind} {value}")


if __name__ == "__main__":
    main(sys.argv)
