#!/usr/bin/env python3
"""Records what GDAL's contour generator makes of the elevation fixtures of
this folder: for each grid and interval the number of lines and their total
length (in degrees, the grid's own units). The tests compare the reader's
contours with this record. Needs gdal_contour (Debian: gdal-bin).

Run from this folder: python3 gdal_contours.py > gdal_contours.txt
"""
import json
import math
import os
import re
import subprocess
import tempfile
import zipfile

CASES = [  # fixture, interval [m]
    ("single.xml", 1.0),
    ("single.xml", 2.0),
    ("single.xml", 5.0),
    ("block_2x2.zip", 1.0),
    ("block_2x2.zip", 2.0),
    ("block_2x2.zip", 5.0),
    ("holes.xml", 1.0),
    ("holes.xml", 2.0),
]


def tiles(path):
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            return [z.read(n).decode("utf-8-sig") for n in sorted(z.namelist())]
    with open(path, encoding="utf-8-sig") as f:
        return [f.read()]


def decode(text):
    """A tile as (south, west, north, east, width, height, values by row from the north)."""
    s, w = map(float, re.search(r"<gml:lowerCorner>(.*?)</", text).group(1).split())
    n, e = map(float, re.search(r"<gml:upperCorner>(.*?)</", text).group(1).split())
    lx, ly = map(int, re.search(r"<gml:low>(.*?)</", text).group(1).split())
    hx, hy = map(int, re.search(r"<gml:high>(.*?)</", text).group(1).split())
    width, height = hx - lx + 1, hy - ly + 1
    assert 'order="+x-y"' in text
    sx, sy = map(int, re.search(r"<gml:startPoint>(.*?)</", text).group(1).split())
    body = re.search(r"<gml:tupleList>(.*?)</gml:tupleList>", text, re.S).group(1)
    values = [None] * (width * height)
    for i, t in enumerate(body.split()):
        v = float(t.split(",")[1])
        values[sy * width + sx + i] = None if v <= -9999 else v
    return s, w, n, e, width, height, values


def mosaic(path):
    ts = [decode(t) for t in tiles(path)]
    cell = (ts[0][3] - ts[0][1]) / ts[0][4]
    west = min(t[1] for t in ts)
    north = max(t[2] for t in ts)
    width = round((max(t[3] for t in ts) - west) / cell)
    height = round((north - min(t[0] for t in ts)) / cell)
    grid = [None] * (width * height)
    for s, w, n, e, tw, th, values in ts:
        c0, r0 = round((w - west) / cell), round((north - n) / cell)
        for r in range(th):
            for c in range(tw):
                if grid[(r0 + r) * width + c0 + c] is None:
                    grid[(r0 + r) * width + c0 + c] = values[r * tw + c]
    return west, north, cell, width, height, grid


def main():
    print("# fixture interval lines total_length_deg  (gdal_contour, %s)" %
          subprocess.run(["gdalinfo", "--version"], capture_output=True,
                         text=True).stdout.strip())
    for fixture, interval in CASES:
        west, north, cell, width, height, grid = mosaic(fixture)
        with tempfile.TemporaryDirectory() as tmp:
            asc = os.path.join(tmp, "grid.asc")
            with open(asc, "w") as f:
                f.write("ncols %d\nnrows %d\nxllcorner %.12f\nyllcorner %.12f\n"
                        "cellsize %.15g\nNODATA_value -9999\n" %
                        (width, height, west, north - height * cell, cell))
                for r in range(height):
                    f.write(" ".join("-9999" if v is None else "%.2f" % v
                                     for v in grid[r * width:(r + 1) * width]) + "\n")
            out = os.path.join(tmp, "contours.geojson")
            subprocess.run(["gdal_contour", "-q", "-i", str(interval), "-snodata", "-9999", "-a", "elev", "-f",
                            "GeoJSON", asc, out], check=True)
            with open(out) as f:
                features = json.load(f)["features"]
        lines = 0
        length = 0.0
        for feat in features:
            geom = feat["geometry"]
            parts = geom["coordinates"] if geom["type"] == "MultiLineString" else [
                geom["coordinates"]]
            for part in parts:
                lines += 1
                length += sum(math.dist(part[i], part[i + 1]) for i in range(len(part) - 1))
        print("%s %g %d %.12g" % (fixture, interval, lines, length))


if __name__ == "__main__":
    main()
