#!/usr/bin/env python3
"""Writes the benchmark inputs of the Shapefile and GeoJSON readers: a zoning
Shapefile (用途地域 polygons in the fields of 国土数値情報 A29, JGD2011
latitude/longitude, a Shift_JIS .dbf with its .cpg) and an administrative
area GeoJSON file (N03 fields, the legacy crs of JGD2011), both around Tokyo,
as large as asked.

    python3 bench/shape_gen.py shp  OUT.shp   [MEGABYTES, default 200]
    python3 bench/shape_gen.py json OUT.geojson [MEGABYTES, default 500]

Each polygon is a ring of VERTICES points around a centre on a grid, with a
little noise, so that no two are alike; the file is written in one pass.
"""
import math
import os
import random
import struct
import sys

VERTICES = 120
ZONES = [("第一種低層住居専用地域", "50", "100"), ("第二種中高層住居専用地域", "60", "200"),
         ("第一種住居地域", "60", "300"), ("近隣商業地域", "80", "300"), ("商業地域", "80", "600"),
         ("準工業地域", "60", "200"), ("工業地域", "60", "200")]


def ring(rng, cx, cy, r):
    pts = []
    for k in range(VERTICES - 1):
        a = -2 * math.pi * k / (VERTICES - 1)  # clockwise, as the format has exterior rings
        rr = r * (0.8 + 0.2 * rng.random())
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    pts.append(pts[0])
    return pts


def centres(count):
    side = int(math.ceil(math.sqrt(count)))
    for i in range(count):
        yield 139.0 + 1.0 * (i % side) / side, 35.3 + 0.8 * (i // side) / side


def write_shp(path, megabytes):
    rng = random.Random(1)
    record = 8 + 44 + 4 + 16 * VERTICES
    count = max(1, int(megabytes * 1e6) // record)
    base = path[:-4]
    fields = [("A29_001", 5), ("A29_004", 2), ("A29_005", 40), ("A29_006", 4), ("A29_007", 4)]
    reclen = 1 + sum(w for _, w in fields)
    with open(base + ".shp", "wb") as shp, open(base + ".shx", "wb") as shx, open(base + ".dbf", "wb") as dbf:
        size_words = (100 + count * record) // 2
        head = struct.pack(">7i", 9994, 0, 0, 0, 0, 0, size_words) + struct.pack("<2i4d4d", 1000, 5,
                                                                                      138.9, 35.2, 140.1, 36.2, 0, 0, 0, 0)
        shp.write(head)
        shx.write(struct.pack(">7i", 9994, 0, 0, 0, 0, 0, (100 + 8 * count) // 2) + head[28:])
        hlen = 32 + 32 * len(fields) + 1
        dbf.write(struct.pack("<4BIHH20x", 3, 124, 1, 1, count, hlen, reclen))
        for name, width in fields:
            dbf.write(struct.pack("<11sc4xB15x", name.encode(), b"C", width))
        dbf.write(b"\r")
        offset = 50
        for i, (cx, cy) in enumerate(centres(count)):
            pts = ring(rng, cx, cy, 0.0015)
            xs = [p[0] for p in pts]
            ys = [p[1] for p in pts]
            content = struct.pack("<i4d2i", 5, min(xs), min(ys), max(xs), max(ys), 1, VERTICES) + struct.pack("<i", 0)
            content += struct.pack("<%dd" % (2 * VERTICES), *[c for p in pts for c in p])
            shp.write(struct.pack(">2i", i + 1, len(content) // 2) + content)
            shx.write(struct.pack(">2i", offset, len(content) // 2))
            offset += 4 + len(content) // 2
            name, bcr, far = ZONES[i % len(ZONES)]
            row = b" "
            for (fname, width), value in zip(fields, ["13104", str(i % len(ZONES) + 1), name, bcr, far]):
                row += value.encode("cp932").ljust(width)[:width]
            dbf.write(row)
        dbf.write(b"\x1a")
    with open(base + ".cpg", "w") as f:
        f.write("CP932")
    with open(base + ".prj", "w") as f:
        f.write('GEOGCS["JGD2011",DATUM["Japanese_Geodetic_Datum_2011",SPHEROID["GRS_1980",6378137.0,'
                '298.257222101]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]]')


def write_json(path, megabytes):
    rng = random.Random(2)
    target = int(megabytes * 1e6)
    with open(path, "w", encoding="utf-8") as f:
        f.write('{"type":"FeatureCollection","name":"N03",'
                '"crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::6668"}},"features":[\n')
        written = 0
        i = 0
        side = 400
        while written < target:
            cx = 139.0 + 1.0 * (i % side) / side
            cy = 35.3 + 0.8 * ((i // side) % side) / side
            pts = ring(rng, cx, cy, 0.001)
            coords = ",".join("[%.9f,%.9f]" % p for p in pts)
            text = ('%s{"type":"Feature","properties":{"N03_001":"東京都","N03_002":null,"N03_003":null,'
                    '"N03_004":"区%d","N03_007":"13%03d"},"geometry":{"type":"Polygon","coordinates":[[%s]]}}'
                    % ("," if i else "", i, i % 1000, coords))
            f.write(text + "\n")
            written += len(text) + 1
            i += 1
        f.write("]}\n")


def main():
    kind, out = sys.argv[1], sys.argv[2]
    mb = float(sys.argv[3]) if len(sys.argv) > 3 else (200 if kind == "shp" else 500)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    (write_shp if kind == "shp" else write_json)(out, mb)


if __name__ == "__main__":
    main()
