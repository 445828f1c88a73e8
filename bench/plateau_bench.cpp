// The PLATEAU (CityGML) reader on a generated building model of about 50 MB,
// laid out as a published third-order mesh file: a grid of buildings, each
// with its usage, measured height and storeys, a footprint (lod0FootPrint)
// and a LOD1 solid (ground, roof and four walls). The load of the leaf (every
// footprint built and labelled; the solids passed over) is reported in MB/s
// with the peak resident memory. The whole-download figures (a 300 MB zip of
// 60 files against ogr2ogr) come from bench/compare.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench_file.h"
#include "model/map_leaf.h"
#include "readers/plateau/plateau_builder.h"

namespace {

using namespace chizro;

class BenchFile {
public:
  static const BenchFile& Get() {
    static const BenchFile file;
    return file;
  }
  const std::string& Path() const { return file_.Path(); }
  std::size_t Bytes() const { return file_.Bytes(); }

private:
  bench::TBenchFile file_{"53394611_bldg_6697_op", ".gml"};

  BenchFile() {
    const auto put = [&](const char* s) { file_.Put(s); };
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<core:CityModel "
        "xmlns:core=\"http://www.opengis.net/citygml/2.0\" "
        "xmlns:bldg=\"http://www.opengis.net/citygml/building/2.0\" "
        "xmlns:gml=\"http://www.opengis.net/gml\">\n\t<gml:boundedBy>\n\t\t<gml:Envelope "
        "srsName=\"http://www.opengis.net/def/crs/EPSG/0/6697\" srsDimension=\"3\">\n"
        "\t\t\t<gml:lowerCorner>35.675 139.7625 0</gml:lowerCorner>\n"
        "\t\t\t<gml:upperCorner>35.683333 139.775 100</gml:upperCorner>\n"
        "\t\t</gml:Envelope>\n\t</gml:boundedBy>\n");
    char buf[4096];
    char ring[1024];
    // About 4.3 kB per building: 110 by 110 of them, 7.5 m apart.
    const int n = 110;
    const double dlat = 0.008333 / n, dlon = 0.0125 / n;
    const auto square = [&](double lat, double lon, double z, bool reverse) {
      const double la[5] = {lat, lat, lat + dlat * 0.6, lat + dlat * 0.6, lat};
      const double lo[5] = {lon, lon + dlon * 0.6, lon + dlon * 0.6, lon, lon};
      int at = 0;
      for (int k = 0; k < 5; ++k) {
        const int i = reverse ? 4 - k : k;
        at += std::snprintf(ring + at, sizeof ring - static_cast<std::size_t>(at),
                            "%s%.12f %.12f %.3f", k ? " " : "", la[i], lo[i], z);
      }
    };
    const char* polygon =
        "\t\t\t\t\t\t\t<gml:surfaceMember>\n\t\t\t\t\t\t\t\t<gml:Polygon>\n"
        "\t\t\t\t\t\t\t\t\t<gml:exterior>\n\t\t\t\t\t\t\t\t\t\t<gml:LinearRing>\n"
        "\t\t\t\t\t\t\t\t\t\t\t<gml:posList>%s</gml:posList>\n"
        "\t\t\t\t\t\t\t\t\t\t</gml:LinearRing>\n\t\t\t\t\t\t\t\t\t</gml:exterior>\n"
        "\t\t\t\t\t\t\t\t</gml:Polygon>\n\t\t\t\t\t\t\t</gml:surfaceMember>\n";
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        const double lat = 35.675 + r * dlat, lon = 139.7625 + c * dlon;
        const double ground = 5 + (r % 7), height = 3 + (c % 40) * 1.3;
        std::snprintf(buf, sizeof buf,
                      "\t<core:cityObjectMember>\n\t\t<bldg:Building gml:id=\"bldg_%06d\">\n"
                      "\t\t\t<bldg:usage codeSpace=\"../../codelists/Building_usage.xml\">411"
                      "</bldg:usage>\n\t\t\t<bldg:measuredHeight uom=\"m\">%.1f"
                      "</bldg:measuredHeight>\n\t\t\t<bldg:storeysAboveGround>%d"
                      "</bldg:storeysAboveGround>\n\t\t\t<bldg:lod0FootPrint>\n"
                      "\t\t\t\t<gml:MultiSurface>\n",
                      r * n + c, height, 1 + static_cast<int>(height / 3.2));
        put(buf);
        square(lat, lon, ground, false);
        std::snprintf(buf, sizeof buf, polygon, ring);
        put(buf);
        put("\t\t\t\t</gml:MultiSurface>\n\t\t\t</bldg:lod0FootPrint>\n\t\t\t<bldg:lod1Solid>\n"
            "\t\t\t\t<gml:Solid>\n\t\t\t\t\t<gml:exterior>\n\t\t\t\t\t\t<gml:CompositeSurface>\n");
        for (int face = 0; face < 6; ++face) {
          square(lat + face * 1e-7, lon, face == 1 ? ground + height : ground, face == 0);
          std::snprintf(buf, sizeof buf, polygon, ring);
          put(buf);
        }
        put("\t\t\t\t\t\t</gml:CompositeSurface>\n\t\t\t\t\t</gml:exterior>\n"
            "\t\t\t\t</gml:Solid>\n\t\t\t</bldg:lod1Solid>\n\t\t</bldg:Building>\n"
            "\t</core:cityObjectMember>\n");
      }
    put("</core:CityModel>\n");
    file_.Close();
  }
};

void BM_PlateauLoad(benchmark::State& state) {
  const BenchFile& file = BenchFile::Get();
  TMapBuilder_Plateau reader;
  TMapLeafGrp leaves(nullptr);
  auto leaf = reader.OpenFile(leaves, file.Path());
  std::size_t figures = 0;
  for (auto _ : state) {
    leaf->Unload();
    reader.LoadLeaf(*leaf, nullptr, 0);
    figures = 0;
    for (const auto& grp : leaf->FigGrps) figures += static_cast<std::size_t>(grp->Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
  state.counters["figures"] = static_cast<double>(figures);
  state.counters["peak_rss_MB"] = bench::PeakRssMb();
}
BENCHMARK(BM_PlateauLoad)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
