#!/usr/bin/env python3
"""Writes a generated FGD building file (BldA) of about 50 MB, laid out as
fgd_bench lays out its own: buildings of 7 to 12 vertices on a grid over a
city-centre 3rd-mesh cell, coordinates with 9 decimals as the download writes
them.

    python3 bench/fgd_gen.py OUT.xml [MEGABYTES]
"""
import sys


def main():
    out = sys.argv[1]
    target = (int(sys.argv[2]) if len(sys.argv) > 2 else 50) << 20
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<Dataset xsi:schemaLocation="http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema '
        'FGD_GMLSchema.xsd"\n\txmlns:gml="http://www.opengis.net/gml/3.2"\n'
        '\txmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"\n'
        '\txmlns:xlink="http://www.w3.org/1999/xlink"\n'
        '\txmlns="http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema"\n\tgml:id="Dataset1">\n'
        '<description>基盤地図情報メタデータ ID=fmdid:15-3101</description>\n'
    ]
    size = len(parts[0].encode())
    i = 0
    while size < target:
        fid = "K6_%d" % (i + 1)
        s = ('<BldA gml:id="%s">\n<fid>fgoid:10-00200-15-6101-%d</fid>\n'
             '<lfSpanFr gml:id="%s-1"><gml:timePosition>2023-01-01</gml:timePosition></lfSpanFr>\n'
             '<devDate gml:id="%s-2"><gml:timePosition>2023-01-01</gml:timePosition></devDate>\n'
             '<orgGILvl>2500</orgGILvl>\n<vis>表示</vis>\n<area><gml:Surface gml:id="%s-3" '
             'srsName="fguuid:jgd2011.bl"><gml:patches><gml:PolygonPatch>'
             '<gml:exterior><gml:Ring><gml:curveMember><gml:Curve gml:id="%s-4">'
             '<gml:segments><gml:LineStringSegment><gml:posList>\n'
             % (fid, i + 1, fid, fid, fid, fid))
        lat0 = 35.675 + (i // 400 % 400) * 0.0000208
        lon0 = 139.7625 + (i % 400) * 0.0000312
        n = 6 + i % 6
        for k in range(n + 1):
            j = k % n
            lat = lat0 + 0.00001 * (0 if j < n // 2 else 1) + j * 0.0000004
            lon = lon0 + 0.00002 * (j % 3) / 2.0
            s += "%.9f %.9f\n" % (lat, lon)
        s += ('</gml:posList></gml:LineStringSegment></gml:segments></gml:Curve></gml:curveMember>'
              '</gml:Ring></gml:exterior></gml:PolygonPatch></gml:patches></gml:Surface></area>\n'
              '<type>%s</type>\n</BldA>\n' % ("堅ろう建物" if i % 5 == 0 else "普通建物"))
        parts.append(s)
        size += len(s.encode())
        i += 1
    parts.append("</Dataset>\n")
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(parts))
    print("%s: %d buildings, %d bytes" % (out, i, size + len("</Dataset>\n")))


if __name__ == "__main__":
    main()
