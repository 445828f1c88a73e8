#!/usr/bin/python3
"""Generates src/coords/zone_of_place_fix.inc: municipalities whose outline
decides the zone ahead of the grid of zone_of_place_table.inc, where that
grid's small-scale boundaries put a place in the wrong zone:

  * in Hokkaido, every municipality, so that the XI/XII/XIII lines run
    along the municipal boundaries the notice draws them by (the grid's
    errors there reach well beyond the municipalities on the lines: トマム
    of 占冠村 fell in XIII);
  * elsewhere, the municipalities that the grid gives the neighbouring
    prefecture's zone at a point well inside them (tools/zonegen/
    municipality_points.py lists one point inside every municipality):
    上島町 (愛媛県) and 直島町 (香川県), islands off another prefecture's
    coast, and 境港市 (鳥取県) and 木曽岬町 (三重県) on a prefectural border.

Usage (plain Python 3):

    python3 tools/zonegen/make_zone_fix.py N03-21_01_210101.json \
        --fine 38356.json 37364.json 31204.json 24303.json \
        > src/coords/zone_of_place_fix.inc

Sources:
  * Hokkaido: 国土数値情報 行政区域データ N03 (2021), simplified to 1 % by
    SmartNews Media Research Institute (github.com/smartnews-smri/
    japan-topography, data/municipality/geojson/s0010/N03-21_01_210101.json).
    Its outlines are a few hundred metres off, which is far less than the
    width of any municipality on Hokkaido's zone lines.
  * The four municipalities elsewhere: N03 (2022) at full resolution, one
    file per municipality named by its code (github.com/geolonia/
    japanese-admins, docs/<prefecture>/<code>.json). At 1 % the small
    islands of 上島町 and 直島町 were cut away or shrunk to a few vertices,
    so that a site near their coasts fell back to the grid and the zone of
    Hiroshima or Okayama. These outlines are thinned here by Douglas-Peucker
    to FINE_TOLERANCE_M, which keeps every island and every place more than
    that far inside the coast.
Credit: 「国土数値情報（行政区域データ）（国土交通省）を加工して作成」.
Vertices are kept to 1e-5 degree.
"""

import json
import math
import os
import sys

sys.path.insert(0, __file__.rsplit("/", 1)[0])
from municipality_points import law_zone  # noqa: E402

OTHER_CODES = {"38356", "37364", "31204", "24303"}

# The most a thinned outline of the fine source strays from the original [m].
FINE_TOLERANCE_M = 3.0


def polygons(feature):
    g = feature["geometry"]
    return g["coordinates"] if g["type"] == "MultiPolygon" else [g["coordinates"]]


def thin(points, tolerance_m):
    """Douglas-Peucker on the open polyline `points` (lon, lat), distances on
    a local plane [m]; the first and last points stay."""
    kx = 111320.0 * math.cos(math.radians(points[0][1]))
    ky = 110950.0
    keep = [False] * len(points)
    keep[0] = keep[-1] = True
    stack = [(0, len(points) - 1)]
    while stack:
        a, b = stack.pop()
        ax, ay = points[a][0] * kx, points[a][1] * ky
        dx, dy = points[b][0] * kx - ax, points[b][1] * ky - ay
        length = math.hypot(dx, dy)
        far, far_i = -1.0, -1
        for i in range(a + 1, b):
            px, py = points[i][0] * kx - ax, points[i][1] * ky - ay
            d = abs(dx * py - dy * px) / length if length > 0 else math.hypot(px, py)
            if d > far:
                far, far_i = d, i
        if far > tolerance_m:
            keep[far_i] = True
            stack += [(a, far_i), (far_i, b)]
    return [p for p, k in zip(points, keep) if k]


def thin_ring(ring, tolerance_m):
    """A closed ring (first vertex repeated last) thinned in two halves, cut
    at the vertex farthest from the first, so that neither half is closed."""
    pts = ring[:-1]
    far = max(range(len(pts)), key=lambda i: (pts[i][0] - pts[0][0]) ** 2 + (pts[i][1] - pts[0][1]) ** 2)
    if far == 0:
        return ring
    out = thin(pts[:far + 1], tolerance_m) + thin(pts[far:] + [pts[0]], tolerance_m)[1:]
    return out


def main():
    args = sys.argv[1:]
    fine = args[args.index("--fine") + 1:] if "--fine" in args else []
    coarse = args[:args.index("--fine")] if "--fine" in args else args
    areas = {}
    for path in coarse:
        with open(path, encoding="utf-8") as f:
            for feature in json.load(f)["features"]:
                code = feature["properties"].get("N03_007")
                if not code or code in OTHER_CODES and fine:
                    continue
                areas.setdefault(code, []).extend(polygons(feature))
    for path in fine:
        code = os.path.splitext(os.path.basename(path))[0]
        if code not in OTHER_CODES:
            sys.exit("%s: not one of the municipalities taken at full resolution" % path)
        with open(path, encoding="utf-8") as f:
            for feature in json.load(f)["features"]:
                areas.setdefault(code, []).extend(
                    [[thin_ring(r, FINE_TOLERANCE_M) for r in poly] for poly in polygons(feature)])

    def zone_of(code):
        # Hokkaido's zones go by municipality alone; elsewhere by prefecture
        # (the split prefectures are not among the codes taken).
        return law_zone(int(code), 43.0, 142.0) if code.startswith("01") else law_zone(int(code), 35.0, 135.0)

    def key(v):
        return (round(v[0] * 1e5), round(v[1] * 1e5))

    taken = sorted(c for c in areas if c.startswith("01")) + sorted(OTHER_CODES)

    vertices, rings, out_areas = [], [], []
    for code in taken:
        first_ring = len(rings)
        xs, ys = [], []
        for poly in areas[code]:
            for ring in poly:
                pts = []
                for v in ring[:-1]:
                    if not pts or key(v) != pts[-1]:
                        pts.append(key(v))
                while len(pts) > 1 and pts[-1] == pts[0]:
                    pts.pop()
                if len(pts) < 3:
                    continue
                rings.append((len(vertices) // 2, len(pts), min(x for x, _ in pts), min(y for _, y in pts),
                              max(x for x, _ in pts), max(y for _, y in pts)))
                for x, y in pts:
                    vertices += [x, y]
                    xs.append(x)
                    ys.append(y)
        out_areas.append((code, zone_of(code), first_ring, len(rings) - first_ring,
                          min(xs), min(ys), max(xs), max(ys)))

    print("// Generated by tools/zonegen/make_zone_fix.py; do not edit.")
    if fine:
        print("// Municipal outlines: 国土数値情報 行政区域データ N03; Hokkaido's (2021)")
        print("// simplified to 1 % (github.com/smartnews-smri/japan-topography), the others")
        print("// (2022) at full resolution (github.com/geolonia/japanese-admins) thinned to %g m." %
              FINE_TOLERANCE_M)
    else:
        print("// Municipal outlines: 国土数値情報 行政区域データ N03 (2021), simplified to 1 %")
        print("// (github.com/smartnews-smri/japan-topography).")
    print("// 「国土数値情報（行政区域データ）（国土交通省）を加工して作成」.")
    print("// Longitude, latitude in 1e-5 degree.")
    print("struct TFixArea {")
    print("  int Zone;")
    print("  std::uint32_t FirstRing, RingCount;")
    print("  std::int32_t West, South, East, North;")
    print("};")
    print("struct TFixRing {")
    print("  std::uint32_t First, Count;  // vertices")
    print("  std::int32_t West, South, East, North;")
    print("};")
    print("constexpr TFixArea kFixAreas[] = {")
    for code, zone, fr, rc, w, s, e, n in out_areas:
        print("    {%d, %d, %d, %d, %d, %d, %d},  // %s" % (zone, fr, rc, w, s, e, n, code))
    print("};")
    print("constexpr TFixRing kFixRings[] = {")
    for i in range(0, len(rings), 2):
        print("    " + " ".join("{%d, %d, %d, %d, %d, %d}," % r for r in rings[i:i + 2]))
    print("};")
    print("constexpr std::int32_t kFixVertices[] = {")
    for i in range(0, len(vertices), 10):
        print("    " + ",".join(str(v) for v in vertices[i:i + 10]) + ",")
    print("};")
    print("// %d municipalities, %d rings, %d vertices." % (len(out_areas), len(rings), len(vertices) // 2),
          file=sys.stderr)


if __name__ == "__main__":
    main()
