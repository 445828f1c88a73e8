#!/usr/bin/env python3
"""Writes a generated PLATEAU building set as a city's download zip, for the
benchmarks: FILES third-order mesh cells of Tokyo (zone IX), each a
"<mesh>_bldg_6697_op.gml" under "<top>/udx/bldg/" with its buildings laid
out on a grid, each with a footprint (lod0FootPrint), a LOD1 solid (ground,
roof and walls), its usage, measured height, storeys and an ID block, as the
published models have them; and the usage code list under "<top>/codelists".

    python3 bench/plateau_gen.py OUT.zip [MEGABYTES [FILES]]

Defaults: 300 MB of CityGML in 60 files. The same arguments give the same
zip.
"""
import random
import sys
import zipfile

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<core:CityModel xmlns:core="http://www.opengis.net/citygml/2.0" xmlns:bldg="http://www.opengis.net/citygml/building/2.0" xmlns:gml="http://www.opengis.net/gml" xmlns:uro="https://www.geospatial.jp/iur/uro/3.0" xmlns:gen="http://www.opengis.net/citygml/generics/2.0">
\t<gml:boundedBy>
\t\t<gml:Envelope srsName="http://www.opengis.net/def/crs/EPSG/0/6697" srsDimension="3">
\t\t\t<gml:lowerCorner>{lat0:.9f} {lon0:.9f} 0</gml:lowerCorner>
\t\t\t<gml:upperCorner>{lat1:.9f} {lon1:.9f} 100</gml:upperCorner>
\t\t</gml:Envelope>
\t</gml:boundedBy>
"""
USAGES = [401, 402, 403, 404, 411, 412, 413, 414, 415, 421, 422, 431, 441, 452, 461]


def ring(points, z):
    return " ".join(f"{a:.12f} {b:.12f} {z:.3f}" for a, b in points)


def polygon(points, z, ind):
    return (f"{ind}<gml:surfaceMember>\n{ind}\t<gml:Polygon>\n{ind}\t\t<gml:exterior>\n"
            f"{ind}\t\t\t<gml:LinearRing>\n{ind}\t\t\t\t<gml:posList>{ring(points, z)}</gml:posList>\n"
            f"{ind}\t\t\t</gml:LinearRing>\n{ind}\t\t</gml:exterior>\n{ind}\t</gml:Polygon>\n"
            f"{ind}</gml:surfaceMember>\n")


def wall(a, b, z0, z1, ind):
    pts = f"{a[0]:.12f} {a[1]:.12f} {z0:.3f} {b[0]:.12f} {b[1]:.12f} {z0:.3f} {b[0]:.12f} {b[1]:.12f} {z1:.3f} {a[0]:.12f} {a[1]:.12f} {z1:.3f} {a[0]:.12f} {a[1]:.12f} {z0:.3f}"
    return (f"{ind}<gml:surfaceMember>\n{ind}\t<gml:Polygon>\n{ind}\t\t<gml:exterior>\n"
            f"{ind}\t\t\t<gml:LinearRing>\n{ind}\t\t\t\t<gml:posList>{pts}</gml:posList>\n"
            f"{ind}\t\t\t</gml:LinearRing>\n{ind}\t\t</gml:exterior>\n{ind}\t</gml:Polygon>\n"
            f"{ind}</gml:surfaceMember>\n")


def building(rng, n, lat, lon, dlat, dlon):
    # An L-shaped or rectangular footprint inside its grid cell.
    w, h = dlon * rng.uniform(0.4, 0.8), dlat * rng.uniform(0.4, 0.8)
    if rng.random() < 0.5:
        pts = [(lat, lon), (lat, lon + w), (lat + h, lon + w), (lat + h, lon)]
    else:
        pts = [(lat, lon), (lat, lon + w), (lat + h / 2, lon + w), (lat + h / 2, lon + w / 2),
               (lat + h, lon + w / 2), (lat + h, lon)]
    pts.append(pts[0])
    ground = rng.uniform(2, 30)
    height = rng.choice([rng.uniform(3, 60), -9999]) if rng.random() < 0.05 else rng.uniform(3, 60)
    storeys = max(1, int(height / 3.2)) if height > 0 else 9999
    s = [f'\t<core:cityObjectMember>\n\t\t<bldg:Building gml:id="bldg_{n:08d}">\n']
    if rng.random() < 0.1:
        s.append(f"\t\t\t<gml:name>ビル{n}</gml:name>\n")
    s.append(f'\t\t\t<bldg:usage codeSpace="../../codelists/Building_usage.xml">{rng.choice(USAGES)}</bldg:usage>\n')
    s.append(f'\t\t\t<bldg:measuredHeight uom="m">{height:.1f}</bldg:measuredHeight>\n')
    s.append(f"\t\t\t<bldg:storeysAboveGround>{storeys}</bldg:storeysAboveGround>\n")
    s.append("\t\t\t<bldg:lod0FootPrint>\n\t\t\t\t<gml:MultiSurface>\n")
    s.append(polygon(pts, ground, "\t\t\t\t\t"))
    s.append("\t\t\t\t</gml:MultiSurface>\n\t\t\t</bldg:lod0FootPrint>\n")
    top = ground + (height if height > 0 else 10)
    s.append("\t\t\t<bldg:lod1Solid>\n\t\t\t\t<gml:Solid>\n\t\t\t\t\t<gml:exterior>\n\t\t\t\t\t\t<gml:CompositeSurface>\n")
    ind = "\t\t\t\t\t\t\t"
    s.append(polygon(pts[::-1], ground, ind))
    s.append(polygon(pts, top, ind))
    for a, b in zip(pts, pts[1:]):
        s.append(wall(a, b, ground, top, ind))
    s.append("\t\t\t\t\t\t</gml:CompositeSurface>\n\t\t\t\t\t</gml:exterior>\n\t\t\t\t</gml:Solid>\n\t\t\t</bldg:lod1Solid>\n")
    s.append("\t\t\t<uro:buildingIDAttribute>\n\t\t\t\t<uro:BuildingIDAttribute>\n"
             f"\t\t\t\t\t<uro:buildingID>13101-bldg-{n}</uro:buildingID>\n"
             '\t\t\t\t\t<uro:prefecture codeSpace="../../codelists/Common_localPublicAuthorities.xml">13</uro:prefecture>\n'
             '\t\t\t\t\t<uro:city codeSpace="../../codelists/Common_localPublicAuthorities.xml">13101</uro:city>\n'
             "\t\t\t\t</uro:BuildingIDAttribute>\n\t\t\t</uro:buildingIDAttribute>\n")
    s.append("\t\t</bldg:Building>\n\t</core:cityObjectMember>\n")
    return "".join(s)


def main():
    out = sys.argv[1]
    megabytes = float(sys.argv[2]) if len(sys.argv) > 2 else 300
    files = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    per_file = megabytes * 1e6 / files
    rng = random.Random(20240101)
    top = "13101_chiyoda-ku_2023_citygml_1_op"
    n = 0
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        usage = "".join(f'\t<gml:dictionaryEntry>\n\t\t<gml:Definition gml:id="id{c}">\n\t\t\t<gml:description>用途{c}</gml:description>\n\t\t\t<gml:name>{c}</gml:name>\n\t\t</gml:Definition>\n\t</gml:dictionaryEntry>\n' for c in USAGES)
        z.writestr(zipfile.ZipInfo(f"{top}/codelists/Building_usage.xml", (2024, 1, 1, 0, 0, 0)),
                   '<?xml version="1.0" encoding="UTF-8"?>\n<gml:Dictionary xmlns:gml="http://www.opengis.net/gml" gml:id="Building_usage">\n' + usage + "</gml:Dictionary>\n")
        for f in range(files):
            # Third-order mesh cells (30" x 45") of Tokyo, ten to a row.
            row, col = divmod(f, 10)
            lat0 = 35 + 40 / 60 + (row * 30) / 3600
            lon0 = 139.75 + (col * 45) / 3600
            dlat, dlon = 30 / 3600, 45 / 3600
            # The cell's third-order mesh code (JIS X 0410) from its corner.
            lat15, lon100 = (lat0 + 1e-9) * 1.5, lon0 + 1e-9 - 100
            p, u = int(lat15), int(lon100)
            q, v = int((lat15 - p) * 8), int((lon100 - u) * 8)
            r, w = int(((lat15 - p) * 8 - q) * 10), int(((lon100 - u) * 8 - v) * 10)
            mesh = f"{p}{u}{q}{v}{r}{w}"
            parts = [HEAD.format(lat0=lat0, lon0=lon0, lat1=lat0 + dlat, lon1=lon0 + dlon)]
            size = len(parts[0])
            grid = 0
            while size < per_file:
                cells = 60
                r, c = divmod(grid % (cells * cells), cells)
                b = building(rng, n, lat0 + r * dlat / cells, lon0 + c * dlon / cells, dlat / cells, dlon / cells)
                parts.append(b)
                size += len(b.encode("utf-8"))
                grid += 1
                n += 1
            parts.append("</core:CityModel>\n")
            info = zipfile.ZipInfo(f"{top}/udx/bldg/{mesh}_bldg_6697_op.gml", (2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, "".join(parts).encode("utf-8"), compresslevel=1)
    print(f"{out}: {files} files, {n} buildings")


if __name__ == "__main__":
    main()
