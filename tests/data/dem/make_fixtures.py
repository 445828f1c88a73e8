#!/usr/bin/env python3
"""Writes the elevation-model fixtures of this folder: small made-up DEM files
in the layout of the 基盤地図情報 数値標高モデル download (JPGIS GML).

Run from this folder: python3 make_fixtures.py
"""
import math
import zipfile

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<Dataset xsi:schemaLocation="http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd"
\txmlns:gml="http://www.opengis.net/gml/3.2"
\txmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
\txmlns="http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema" gml:id="Dataset1">
\t<DEM gml:id="DEM001">
\t\t<type>5mメッシュ（標高）</type>
\t\t<mesh>{mesh}</mesh>
\t\t<coverage gml:id="DEM001-3">
\t\t\t<gml:boundedBy>
\t\t\t\t<gml:Envelope srsName="{srs}">
\t\t\t\t\t<gml:lowerCorner>{s:.9f} {w:.9f}</gml:lowerCorner>
\t\t\t\t\t<gml:upperCorner>{n:.9f} {e:.9f}</gml:upperCorner>
\t\t\t\t</gml:Envelope>
\t\t\t</gml:boundedBy>
\t\t\t<gml:gridDomain>
\t\t\t\t<gml:Grid dimension="2" gml:id="DEM001-4">
\t\t\t\t\t<gml:limits>
\t\t\t\t\t\t<gml:GridEnvelope>
\t\t\t\t\t\t\t<gml:low>0 0</gml:low>
\t\t\t\t\t\t\t<gml:high>{hx} {hy}</gml:high>
\t\t\t\t\t\t</gml:GridEnvelope>
\t\t\t\t\t</gml:limits>
\t\t\t\t\t<gml:axisLabels>x y</gml:axisLabels>
\t\t\t\t</gml:Grid>
\t\t\t</gml:gridDomain>
\t\t\t<gml:rangeSet>
\t\t\t\t<gml:DataBlock>
\t\t\t\t\t<gml:rangeParameters><gml:QuantityList uom="DEM構成点"></gml:QuantityList></gml:rangeParameters>
<gml:tupleList>
"""
TAIL = """</gml:tupleList>
\t\t\t\t</gml:DataBlock>
\t\t\t</gml:rangeSet>
\t\t\t<gml:coverageFunction>
\t\t\t\t<gml:GridFunction>
\t\t\t\t\t<gml:sequenceRule order="{order}">Linear</gml:sequenceRule>
\t\t\t\t\t<gml:startPoint>{sx} {sy}</gml:startPoint>
\t\t\t\t</gml:GridFunction>
\t\t\t</gml:coverageFunction>
\t\t</coverage>
\t</DEM>
</Dataset>
"""

CELL = 0.2 / 3600  # DEM5A: 0.2 seconds of arc
W, H = 60, 40      # cells of one fixture tile
WEST0, NORTH0 = 130.5, 33.6


def terrain(x, y):
    """Elevation [m] at cell (x, y) of the whole fixture area (x east, y south)."""
    v = 40 + 0.15 * x - 0.1 * y
    v += 35 * math.exp(-((x - 45) ** 2 + (y - 30) ** 2) / 300.0)
    v += 25 * math.exp(-((x - 85) ** 2 + (y - 50) ** 2) / 200.0)
    v -= 20 * math.exp(-((x - 70) ** 2 + (y - 20) ** 2) / 150.0)
    v += 3 * math.sin(x / 7.0) * math.cos(y / 5.0)
    return round(v, 2)


def tile_xml(col, row, values=None, start=(0, 0), count=None, order="+x-y",
             srs="fguuid:jgd2011.bl", width=W, height=H):
    w = WEST0 + col * W * CELL
    n = NORTH0 - row * H * CELL
    head = HEAD.format(mesh="49305%d%d" % (row, col), srs=srs, s=n - height * CELL, w=w,
                       n=n, e=w + width * CELL, hx=width - 1, hy=height - 1)
    if values is None:
        values = [terrain(col * W + x, row * H + y) for y in range(H) for x in range(W)]
    first = start[1] * W + start[0]
    values = values[first:]
    if count is not None:
        values = values[:count]
    lines = []
    for v in values:
        if v is None:
            lines.append("データなし,-9999.")
        else:
            lines.append("地表面,%.2f" % v)
    return head + "\n".join(lines) + "\n" + TAIL.format(order=order, sx=start[0], sy=start[1])


def name(col, row):
    return "FG-GML-4930-5%d-%d%d-DEM5A-20240101.xml" % (row, col, col)


def write(path, text, bom=False):
    with open(path, "wb") as f:
        f.write((b"\xef\xbb\xbf" if bom else b"") + text.encode("utf-8"))


def main():
    # A 2 x 2 block, one surface, each tile complete; two begin with a BOM.
    with zipfile.ZipFile("block_2x2.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for row in range(2):
            for col in range(2):
                data = tile_xml(col, row).encode("utf-8")
                if (row + col) % 2:
                    data = b"\xef\xbb\xbf" + data
                z.writestr(name(col, row), data)
    # The same block's upper row with its east tile cut short: the west tile
    # is contoured, the east one reported.
    with zipfile.ZipFile("cut_tile.zip", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(name(0, 0), tile_xml(0, 0))
        text = tile_xml(1, 0)
        z.writestr(name(1, 0), text[: len(text) // 2])
    # One tile alone (the GDAL comparison of a single grid).
    write("single.xml", tile_xml(0, 0))
    # A tile with holes: the list starts at (7, 3) and ends 5 rows early,
    # and a patch and a line of cells have no data.
    values = [terrain(x, y) for y in range(H) for x in range(W)]
    for y in range(H):
        for x in range(W):
            if (30 <= x < 38 and 12 <= y < 17) or (y == 25 and 10 <= x < 50):
                values[y * W + x] = None
    write("holes.xml", tile_xml(0, 0, values=values, start=(7, 3),
                                count=W * H - (3 * W + 7) - 5 * W))
    # Decoding cases, on a 4 x 3 grid that a hand can check.
    def small_tile(values, start=(0, 0), order="+x-y", bom=False, srs="fguuid:jgd2011.bl",
                   high=(3, 2), extra=""):
        w, n = WEST0, NORTH0
        head = HEAD.format(mesh="493050", srs=srs, s=n - 3 * CELL, w=w, n=n, e=w + 4 * CELL,
                           hx=high[0], hy=high[1])
        body = "".join("地表面,%s\n" % v if not v.startswith("-9999") else "データなし,%s\n" % v
                       for v in values)
        return head + body + extra + TAIL.format(order=order, sx=start[0], sy=start[1])
    twelve = ["%d.00" % i for i in range(12)]
    write("plain.xml", small_tile(twelve))
    write("bom.xml", small_tile(twelve), bom=True)
    write("jgd2024.xml", small_tile(twelve, srs="fguuid:jgd2024.bl"))
    write("start_point.xml", small_tile(["5.00", "6.00", "7.00"], start=(1, 1)))
    write("nodata.xml", small_tile(["0.00", "-9999.", "2.00", "3.00"] + twelve[4:]))
    write("too_many.xml", small_tile(twelve + ["12.00"]))
    write("start_overflow.xml", small_tile(twelve[:4], start=(1, 2)))
    write("wrong_grid.xml", small_tile(twelve, high=(2, 2)))
    write("rule_plus_y.xml", small_tile(twelve, order="+x+y"))
    write("bad_value.xml", small_tile(twelve[:5] + ["5,00"] + twelve[6:]))
    write("srs_unknown.xml", small_tile(twelve, srs="fguuid:tokyo.bl"))
    text = small_tile(twelve)
    write("broken.xml", text[: text.index("地表面,6.00")])


if __name__ == "__main__":
    main()
