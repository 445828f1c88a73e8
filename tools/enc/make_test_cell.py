#!/usr/bin/env python3
"""Writes the small S-57 test cell tests/data/enc/JP4TEST1.000.

The cell is written byte by byte as ISO/IEC 8211, with the field
descriptions of S-57 edition 3.1, and lies at negative longitudes (around
150 W, 60 N) so that the reader's extent is tried where the longitudes are
below zero. It holds:

  vector records   isolated nodes (a buoy, a light, a sounding array),
                   connected nodes and edges, some with intermediate vertices
  areas            DEPARE 42 whose ring has a reversed edge and an interior
                   boundary (a hole), LNDARE 71 (the island in that hole,
                   with a national name in UCS-2), M_COVR 302 bounded only
                   by edges truncated at the data limit (USAG 3)
  lines            COALNE 30 of two edges, DEPCNT 43 on a reversed edge
  points           BOYLAT 17, LIGHTS 75, SOUNDG 129 of five soundings
  other            C_AGGR 400 (no geometry)

usage: make_test_cell.py [OUTPUT]
"""
import struct
import sys

OUTPUT = "tests/data/enc/JP4TEST1.000"
FT = b"\x1e"
UT = b"\x1f"
COMF = 10_000_000
SOMF = 100

# Field descriptions: tag, field controls, name, array descriptor, formats.
FIELDS = [
    ("0001", "0500;&   ", "ISO/IEC 8211 Record Identifier", "", "(b12)"),
    ("DSID", "1600;&   ", "Data set identification field",
     "RCNM!RCID!EXPP!INTU!DSNM!EDTN!UPDN!UADT!ISDT!STED!PRSP!PSDN!PRED!PROF!AGEN!COMT",
     "(b11,b14,2b11,3A,2A(8),R(4),b11,2A,b11,b12,A)"),
    ("DSSI", "1600;&   ", "Data set structure information field",
     "DSTR!AALL!NALL!NOMR!NOCR!NOGR!NOLR!NOIN!NOCN!NOED!NOFA", "(3b11,8b14)"),
    ("DSPM", "1600;&   ", "Data set parameter field",
     "RCNM!RCID!HDAT!VDAT!SDAT!CSCL!DUNI!HUNI!PUNI!COUN!COMF!SOMF!COMT",
     "(b11,b14,3b11,b14,4b11,2b14,A)"),
    ("VRID", "1600;&   ", "Vector record identifier field", "RCNM!RCID!RVER!RUIN",
     "(b11,b14,b12,b11)"),
    ("VRPT", "2600;&   ", "Vector record pointer field", "*NAME!ORNT!USAG!TOPI!MASK",
     "(B(40),4b11)"),
    ("SG2D", "2500;&   ", "2-D coordinate field", "*YCOO!XCOO", "(2b24)"),
    ("SG3D", "2500;&   ", "3-D coordinate (sounding array) field", "*YCOO!XCOO!VE3D",
     "(3b24)"),
    ("FRID", "1600;&   ", "Feature record identifier field",
     "RCNM!RCID!PRIM!GRUP!OBJL!RVER!RUIN", "(b11,b14,2b11,2b12,b11)"),
    ("FOID", "1600;&   ", "Feature object identifier field", "AGEN!FIDN!FIDS",
     "(b12,b14,b12)"),
    ("ATTF", "2600;&-A ", "Feature record attribute field", "*ATTL!ATVL", "(b12,A)"),
    ("NATF", "2600;&%/A", "Feature record national attribute field", "*ATTL!ATVL",
     "(b12,A)"),
    ("FSPT", "2600;&   ", "Feature record to spatial record pointer field",
     "*NAME!ORNT!USAG!MASK", "(B(40),3b11)"),
]


def b11(v):
    return struct.pack("<B", v)


def b12(v):
    return struct.pack("<H", v)


def b14(v):
    return struct.pack("<I", v)


def b24(v):
    return struct.pack("<i", v)


def text(s):
    return s.encode("latin-1") + UT


def record(leader_id, fields):
    """One record: leader, directory, field area. `fields` are (tag, bytes)."""
    area = b"".join(data for _, data in fields)
    size_len = max(1, len(str(max(len(data) for _, data in fields))))
    size_pos = max(1, len(str(len(area))))
    directory = b""
    pos = 0
    for tag, data in fields:
        directory += tag.encode() + str(len(data)).zfill(size_len).encode() + \
            str(pos).zfill(size_pos).encode()
        pos += len(data)
    directory += FT
    base = 24 + len(directory)
    total = base + len(area)
    if leader_id == "L":
        leader = f"{total:05d}3LE1 09{base:05d} ! {size_len}{size_pos}04"
    else:
        leader = f"{total:05d} D     {base:05d}   {size_len}{size_pos}04"
    assert len(leader) == 24
    return leader.encode() + directory + area


def ddr():
    pairs = "0001DSIDDSIDDSSI0001DSPM0001VRIDVRIDVRPTVRIDSG2DVRIDSG3D" \
            "0001FRIDFRIDFOIDFRIDATTFFRIDNATFFRIDFSPT"
    fields = [("0000", b"0000;&   " + UT + pairs.encode() + FT)]
    for tag, controls, name, labels, formats in FIELDS:
        fields.append((tag, (controls + name).encode() + UT + labels.encode() + UT +
                       formats.encode() + FT))
    return record("L", fields)


class Cell:
    def __init__(self):
        self.records = []
        self.number = 0

    def add(self, fields):
        self.number += 1
        self.records.append(record("D", [("0001", b12(self.number) + FT)] + fields))


def name(rcnm, rcid):
    return b11(rcnm) + b14(rcid)


def coord(value):
    return int(round(value * COMF))


# Positions (longitude, latitude).
NODES = {  # connected nodes 120
    1: (-150.00, 60.00), 2: (-149.90, 60.00), 3: (-149.90, 60.10), 4: (-150.00, 60.10),
    5: (-149.96, 60.04), 6: (-149.94, 60.04), 7: (-149.94, 60.06), 8: (-149.96, 60.06),
    9: (-150.05, 60.02), 10: (-150.02, 60.08), 11: (-150.01, 60.12),
    12: (-149.98, 60.02), 13: (-149.92, 60.08),
}
# Edges 130: begin node, end node, intermediate vertices.
EDGES = {
    1: (1, 2, [(-149.95, 59.99)]),
    2: (2, 3, []),
    3: (3, 4, [(-149.95, 60.11), (-149.97, 60.105)]),
    4: (1, 4, [(-150.01, 60.05)]),  # used reversed by the depth area
    5: (5, 6, []),
    6: (6, 7, [(-149.935, 60.05)]),
    7: (7, 8, []),
    8: (8, 5, []),
    9: (9, 10, [(-150.04, 60.04), (-150.035, 60.06), (-150.03, 60.07)]),
    10: (10, 11, [(-150.015, 60.10)]),
    11: (12, 13, [(-149.97, 60.05), (-149.95, 60.065)]),
}
BUOY = (-149.93, 60.03)
LIGHT = (-149.99, 60.09)
SOUNDINGS = [(-149.91, 60.01, 12.34), (-149.92, 60.02, 5.0), (-149.93, 60.015, 0.75),
             (-149.915, 60.035, 20.05), (-149.905, 60.045, 3.26)]


def vector_records(cell):
    cell.add([("VRID", b11(110) + b14(1) + b12(1) + b11(1) + FT),
              ("SG2D", b24(coord(BUOY[1])) + b24(coord(BUOY[0])) + FT)])
    cell.add([("VRID", b11(110) + b14(2) + b12(1) + b11(1) + FT),
              ("SG2D", b24(coord(LIGHT[1])) + b24(coord(LIGHT[0])) + FT)])
    sg3d = b"".join(b24(coord(lat)) + b24(coord(lon)) + b24(int(round(z * SOMF)))
                    for lon, lat, z in SOUNDINGS)
    cell.add([("VRID", b11(110) + b14(3) + b12(1) + b11(1) + FT), ("SG3D", sg3d + FT)])
    for rcid, (lon, lat) in NODES.items():
        cell.add([("VRID", b11(120) + b14(rcid) + b12(1) + b11(1) + FT),
                  ("SG2D", b24(coord(lat)) + b24(coord(lon)) + FT)])
    for rcid, (begin, end, vertices) in EDGES.items():
        vrpt = name(120, begin) + b11(255) + b11(255) + b11(1) + b11(255) + \
            name(120, end) + b11(255) + b11(255) + b11(2) + b11(255)
        fields = [("VRID", b11(130) + b14(rcid) + b12(1) + b11(1) + FT), ("VRPT", vrpt + FT)]
        if vertices:
            fields.append(("SG2D", b"".join(b24(coord(lat)) + b24(coord(lon))
                                            for lon, lat in vertices) + FT))
        cell.add(fields)


def feature(cell, rcid, prim, objl, attributes=(), national=(), pointers=()):
    fields = [("FRID", b11(100) + b14(rcid) + b11(prim) + b11(2 if objl < 300 else 1) +
               b12(objl) + b12(1) + b11(1) + FT),
              ("FOID", b12(550) + b14(rcid) + b12(1) + FT)]
    if attributes:
        fields.append(("ATTF", b"".join(b12(code) + text(value)
                                        for code, value in attributes) + FT))
    if national:
        fields.append(("NATF", b"".join(b12(code) + value.encode("utf-16-le") + b"\x1f\x00"
                                        for code, value in national) + b"\x1e\x00"))
    if pointers:
        fields.append(("FSPT", b"".join(name(rcnm, target) + b11(ornt) + b11(usag) + b11(255)
                                        for rcnm, target, ornt, usag in pointers) + FT))
    cell.add(fields)


def feature_records(cell):
    # Depth area: edges 1, 2, 3 forward and 4 reversed (node 4 back to node
    # 1), with the island's edges as its interior boundary.
    feature(cell, 1, 3, 42, [(87, "5"), (88, "10")],
            pointers=[(130, 1, 1, 1), (130, 2, 1, 1), (130, 3, 1, 1), (130, 4, 2, 1),
                      (130, 8, 2, 2), (130, 7, 2, 2), (130, 6, 2, 2), (130, 5, 2, 2)])
    feature(cell, 2, 3, 71, [(116, "Test Island")], national=[(301, "テスト島")],
            pointers=[(130, 5, 1, 1), (130, 6, 1, 1), (130, 7, 1, 1), (130, 8, 1, 1)])
    feature(cell, 3, 3, 302, [(18, "1")],
            pointers=[(130, 1, 1, 3), (130, 2, 1, 3), (130, 3, 1, 3), (130, 4, 2, 3)])
    feature(cell, 4, 2, 30, [(15, "1")], pointers=[(130, 9, 1, 255), (130, 10, 1, 255)])
    feature(cell, 5, 2, 43, [(174, "10")], pointers=[(130, 11, 2, 255)])
    feature(cell, 6, 1, 17,
            [(4, "2"), (36, "1"), (75, "3,4,3"), (116, "No 3"), (133, "50000")],
            pointers=[(110, 1, 255, 255)])
    feature(cell, 7, 1, 75, [(107, "2"), (142, "4"), (178, "5"), (75, "3")],
            pointers=[(110, 2, 255, 255)])
    feature(cell, 8, 1, 129, [(125, "1")], pointers=[(110, 3, 255, 255)])
    feature(cell, 9, 255, 400)


def main(argv):
    output = argv[1] if len(argv) > 1 else OUTPUT
    cell = Cell()
    cell.add([("DSID", b11(10) + b14(1) + b11(1) + b11(4) + text("JP4TEST1.000") + text("1") +
               text("0") + b"20240101" + b"20240101" + b"03.1" + b11(1) + text("") +
               text("2.0") + b11(1) + b12(550) + text("chizro test cell") + FT),
              ("DSSI", b11(2) + b11(1) + b11(2) + b14(0) + b14(0) + b14(9) + b14(0) +
               b14(3) + b14(len(NODES)) + b14(len(EDGES)) + b14(0) + FT)])
    cell.add([("DSPM", b11(20) + b14(1) + b11(2) + b11(17) + b11(23) + b14(22000) +
               b11(1) + b11(1) + b11(1) + b11(1) + b14(COMF) + b14(SOMF) + text("") + FT)])
    vector_records(cell)
    feature_records(cell)
    with open(output, "wb") as f:
        f.write(ddr() + b"".join(cell.records))
    print(f"{output}: {cell.number} records")


if __name__ == "__main__":
    main(sys.argv)
