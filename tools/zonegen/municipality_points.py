#!/usr/bin/python3
"""Writes tests/data/coords/municipality_points.tsv: one point well inside
every municipality of Japan, with the plane rectangular zone the law
(平成14年国土交通省告示第9号) gives it, to test the zone lookup against the
notice's table rather than against itself.

Usage (plain Python 3, no other module):

    python3 tools/zonegen/municipality_points.py N03-21_01_210101.json ... \
        > tests/data/coords/municipality_points.tsv

Source: 国土数値情報 行政区域データ N03 (2021), simplified to 1 % by SmartNews
Media Research Institute (github.com/smartnews-smri/japan-topography,
data/municipality/geojson/s0010, one file per prefecture; free to use with
the ministry's credit). Credit: 「国土数値情報（行政区域データ）（国土交通省）
を加工して作成」.

The point of a municipality is the point of a 24 x 24 grid over its largest
polygon that lies farthest inside it (its distance to the outline is written
too, in km). The zone comes from the notice: by prefecture; in Hokkaido by
municipality (the lists of zone XI and XIII below, by local government code);
in Tokyo, Kagoshima and Okinawa by the notice's latitude and longitude
limits applied to the point.
"""

import json
import math
import sys

PREFECTURE_ZONE = {
    2: 10, 3: 10, 4: 10, 5: 10, 6: 10, 7: 9, 8: 9, 9: 9, 10: 9, 11: 9, 12: 9, 14: 9,
    15: 8, 16: 7, 17: 7, 18: 6, 19: 8, 20: 8, 21: 7, 22: 8, 23: 7, 24: 6, 25: 6, 26: 6,
    27: 6, 28: 5, 29: 6, 30: 6, 31: 5, 32: 3, 33: 5, 34: 3, 35: 3, 36: 4, 37: 4, 38: 4,
    39: 4, 40: 2, 41: 2, 42: 1, 43: 2, 44: 2, 45: 2,
}

# Hokkaido (codes without the check digit). Zone XI: the cities of Otaru,
# Hakodate, Date and Hokuto; the Shiribeshi, Oshima and Hiyama
# subprefectures; Toyoura, Sobetsu and Toyako. Zone XIII: the cities of
# Kitami, Obihiro, Kushiro, Abashiri and Nemuro; Bihoro, Tsubetsu, Shari,
# Kiyosato, Koshimizu, Kunneppu, Oketo, Saroma and Ozora; the Tokachi,
# Kushiro and Nemuro subprefectures (with the villages of the islands under
# Nemuro's, 1695-1700). Zone XII: the rest.
XI_CODES = ({1202, 1203, 1233, 1236, 1571, 1575, 1584}
            | set(range(1331, 1348)) | set(range(1361, 1372)) | set(range(1391, 1410)))
XIII_CODES = ({1206, 1207, 1208, 1211, 1223, 1543, 1544, 1545, 1546, 1547, 1549, 1550,
               1552, 1564}
              | set(range(1631, 1650)) | set(range(1661, 1669)) | set(range(1691, 1701)))


def law_zone(code, lat, lon):
    pref = code // 1000
    if pref == 1:
        return 11 if code in XI_CODES else 13 if code in XIII_CODES else 12
    if pref == 13:  # Tokyo
        if lat > 28.0:
            return 9
        return 18 if lon < 140.5 else 14 if lon <= 143.0 else 19
    if pref == 46:  # Kagoshima
        if lat < 27.0 or lat > 32.0 or lon < 128.3:
            return 2
        if lon <= 130.0:
            return 1
        return 1 if lat <= 28.6 and lon <= 130.0 + 13.0 / 60.0 else 2
    if pref == 47:  # Okinawa
        return 16 if lon < 126.0 else 15 if lon <= 130.0 else 17
    return PREFECTURE_ZONE[pref]


def inside(rings, x, y):
    c = False
    for ring in rings:
        for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                c = not c
    return c


def edge_km(rings, x, y):
    """Distance [km] from (x, y) to the nearest edge, on a local plane."""
    kx = 111.32 * math.cos(math.radians(y))
    ky = 110.57
    best = float("inf")
    for ring in rings:
        for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]):
            ax, ay = (x1 - x) * kx, (y1 - y) * ky
            bx, by = (x2 - x) * kx, (y2 - y) * ky
            dx, dy = bx - ax, by - ay
            t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, -(ax * dx + ay * dy) / (dx * dx + dy * dy)))
            best = min(best, math.hypot(ax + t * dx, ay + t * dy))
    return best


def deepest_inside(rings, box, n, edge):
    """The point of an n by n grid over the bounding box of `box` that lies
    inside `rings` farthest from their edges, as (distance, x, y) by
    `edge(rings, x, y)`; None when no grid point is inside."""
    xs = [v[0] for v in box]
    ys = [v[1] for v in box]
    best = None
    for i in range(1, n):
        for j in range(1, n):
            x = min(xs) + (max(xs) - min(xs)) * i / n
            y = min(ys) + (max(ys) - min(ys)) * j / n
            if inside(rings, x, y):
                d = edge(rings, x, y)
                if best is None or d > best[0]:
                    best = (d, x, y)
    return best


def area(ring):
    return abs(sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(ring, ring[1:] + ring[:1]))) / 2


def main():
    rows = {}
    for path in sys.argv[1:]:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for feature in data["features"]:
            p = feature["properties"]
            code = p.get("N03_007")
            if not code:
                continue  # land whose municipality is not settled
            g = feature["geometry"]
            polys = g["coordinates"] if g["type"] == "MultiPolygon" else [g["coordinates"]]
            name = (p.get("N03_001") or "") + (p.get("N03_003") or "") + (p.get("N03_004") or "")
            rows.setdefault(code, (name, []))[1].extend(polys)
    print("# code\tname\tlatitude\tlongitude\tzone\tdepth_km")
    for code in sorted(rows):
        name, polys = rows[code]
        largest = max(polys, key=lambda poly: area(poly[0]))
        rings = [[tuple(v) for v in r[:-1]] for r in largest]
        best = deepest_inside(rings, rings[0], 24, edge_km)
        if best is None:
            continue  # too small for the grid
        d, x, y = best
        print("%s\t%s\t%.5f\t%.5f\t%d\t%.2f" % (code, name, y, x, law_zone(int(code), y, x), d))


if __name__ == "__main__":
    main()
