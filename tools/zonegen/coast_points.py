#!/usr/bin/python3
"""Writes tests/data/coords/island_coast_points.tsv: points on the islands of
上島町 (愛媛県) and 直島町 (香川県), each a few tens of metres inside the
coast, with the zone the law (平成14年国土交通省告示第9号) gives the
prefecture, to test the zone lookup near the coasts of islands that lie off
another prefecture's shore.

Usage (plain Python 3):

    python3 tools/zonegen/coast_points.py 38356.json 37364.json \\
        > tests/data/coords/island_coast_points.tsv

Source: 国土数値情報 行政区域データ N03 (2022) at full resolution, one file per
municipality named by its code (github.com/geolonia/japanese-admins,
docs/<prefecture>/<code>.json), the same files make_zone_fix.py thins.
Credit: 「国土数値情報（行政区域データ）（国土交通省）を加工して作成」.

The points come from the full outlines, not from the thinned ones the lookup
holds. For every island (ring) of at least MIN_AREA_M2: from its northern-,
eastern-, southern- and westernmost vertex, the first point straight inland
(south, west, north, east) whose distance to the outline of the municipality
lies within DEPTH_M; an island too small for that gives the point of a grid
over it farthest inside, if that is at least DEPTH_M[0] inside.
"""

import json
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from municipality_points import deepest_inside, inside, law_zone  # noqa: E402

MIN_AREA_M2 = 3000.0
DEPTH_M = (20.0, 60.0)

# Islands named by a point near their middle (latitude, longitude).
NAMES = {
    "38356": [("岩城島", 34.2585, 133.1470), ("弓削島", 34.2637, 133.2156),
              ("生名島", 34.2704, 133.1756), ("佐島", 34.2391, 133.1867),
              ("赤穂根島", 34.2388, 133.1626), ("魚島", 34.1772, 133.3178),
              ("高井神島", 34.1910, 133.2705), ("豊島", 34.2317, 133.2576),
              ("江ノ島", 34.1685, 133.3623)],
    "37364": [("直島", 34.4562, 133.9865), ("井島", 34.4918, 134.0180),
              ("向島", 34.4681, 134.0036)],
}
TOWNS = {"38356": "上島町", "37364": "直島町"}


def local(lat):
    return 111320.0 * math.cos(math.radians(lat)), 110950.0


def edge_m(rings, x, y):
    kx, ky = local(y)
    best = float("inf")
    for ring in rings:
        for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
            ax, ay = (x1 - x) * kx, (y1 - y) * ky
            dx, dy = (x2 - x1) * kx, (y2 - y1) * ky
            dd = dx * dx + dy * dy
            t = 0.0 if dd == 0 else max(0.0, min(1.0, -(ax * dx + ay * dy) / dd))
            best = min(best, math.hypot(ax + t * dx, ay + t * dy))
    return best


def area_m2(ring):
    kx, ky = local(ring[0][1])
    return abs(sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]))) / 2 * kx * ky


def near(ring, rings):
    """The rings within 3 km of `ring`: the only ones its points can be near."""
    xs = [v[0] for v in ring]
    ys = [v[1] for v in ring]
    m = 0.03
    return [r for r in rings
            if min(v[0] for v in r) < max(xs) + m and max(v[0] for v in r) > min(xs) - m
            and min(v[1] for v in r) < max(ys) + m and max(v[1] for v in r) > min(ys) - m]


def points_of(ring, rings):
    kx, ky = local(ring[0][1])
    found = []
    extremes = [(max(ring, key=lambda v: v[1]), (0, -1), "北岸"), (max(ring, key=lambda v: v[0]), (-1, 0), "東岸"),
                (min(ring, key=lambda v: v[1]), (0, 1), "南岸"), (min(ring, key=lambda v: v[0]), (1, 0), "西岸")]
    for (x0, y0), (ux, uy), side in extremes:
        for step in range(5, 400, 5):
            x, y = x0 + ux * step / kx, y0 + uy * step / ky
            if not inside(rings, x, y):
                continue
            d = edge_m(rings, x, y)
            if DEPTH_M[0] <= d <= DEPTH_M[1]:
                found.append((side, y, x, d))
                break
            if d > DEPTH_M[1]:
                break
    if found:
        return found
    best = deepest_inside(rings, ring, 30, edge_m)
    if best is None or best[0] < DEPTH_M[0]:
        return []
    d, x, y = best
    return [("中央", y, x, d)]


def main():
    print("# Points a few tens of metres inside the coasts of the islands of 上島町 (愛媛県)")
    print("# and 直島町 (香川県), and the zone of the notice. Made by tools/zonegen/coast_points.py")
    print("# from 国土数値情報 行政区域データ N03 (2022); 「国土数値情報（行政区域データ）")
    print("# （国土交通省）を加工して作成」.")
    print("# code\tisland\tside\tlatitude\tlongitude\tzone\tdepth_m")
    for path in sys.argv[1:]:
        code = os.path.splitext(os.path.basename(path))[0]
        with open(path, encoding="utf-8") as f:
            features = json.load(f)["features"]
        rings = []
        for feature in features:
            g = feature["geometry"]
            for poly in g["coordinates"] if g["type"] == "MultiPolygon" else [g["coordinates"]]:
                rings += [[tuple(v) for v in r[:-1]] for r in poly]
        islands = sorted((r for r in rings if area_m2(r) >= MIN_AREA_M2), key=area_m2, reverse=True)
        for ring in islands:
            cx = sum(v[0] for v in ring) / len(ring)
            cy = sum(v[1] for v in ring) / len(ring)
            name = next((n for n, la, lo in NAMES.get(code, []) if abs(la - cy) < 0.005 and abs(lo - cx) < 0.006),
                        "%sの島(%.3f,%.3f)" % (TOWNS.get(code, code), cy, cx))
            for side, y, x, d in points_of(ring, near(ring, rings)):
                print("%s\t%s\t%s\t%.6f\t%.6f\t%d\t%.0f" % (code, name, side, y, x, law_zone(int(code), y, x), d))


if __name__ == "__main__":
    main()
