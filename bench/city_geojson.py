#!/usr/bin/env python3
"""Writes the linework of a generated SDF city (every arc of every layer of
every sheet, as tools/sdfgen writes them) as one GeoJSON FeatureCollection of
LineStrings in the sheets' plane coordinates, so that another converter can
be timed on the same lines as chizro-convert.

    python3 bench/city_geojson.py CITY_DIR OUT.geojson
"""
import os
import sys


def arcs(path):
    """(code, [(x, y), ...]) of each arc record of an .ARC file, the
    coordinates made absolute from the header's origin."""
    with open(path, "rb") as f:
        lines = f.read().decode("shift_jis", "replace").splitlines()
    if not lines:
        return
    head = lines[0].split(",")
    north0, east0 = float(head[8]), float(head[9])
    i = 1
    while i < len(lines):
        rec = lines[i].split(",")
        i += 1
        if not rec[0].startswith("L"):
            continue
        n = int(rec[3])
        pts = []
        for line in lines[i:i + n]:
            a, b = line.split(",")[:2]
            pts.append((east0 + float(b), north0 + float(a)))
        i += n
        yield rec[0][1:], pts


def main():
    city, out = sys.argv[1], sys.argv[2]
    count = vertices = 0
    with open(out, "w", encoding="utf-8") as f:
        f.write('{"type":"FeatureCollection","features":[\n')
        first = True
        for root, _dirs, files in sorted(os.walk(city)):
            for name in sorted(files):
                if not name.upper().endswith(".ARC"):
                    continue
                for code, pts in arcs(os.path.join(root, name)):
                    if len(pts) < 2:
                        continue
                    f.write(("" if first else ",\n") + '{"type":"Feature","properties":{"code":"' +
                            code + '"},"geometry":{"type":"LineString","coordinates":[' +
                            ",".join("[%.2f,%.2f]" % p for p in pts) + "]}}")
                    first = False
                    count += 1
                    vertices += len(pts)
        f.write("\n]}\n")
    print("%s: %d lines, %d vertices" % (out, count, vertices))


if __name__ == "__main__":
    main()
