// Contour lines of the FGD elevation model on a generated 2nd-mesh block of
// DEM5A: 10 × 10 tiles of 225 × 150 cells (0.2 seconds of arc), 3.4 million
// cells of hilly ground (up to about 2.5 m rise per cell), at a 2 m interval.
//   BM_DemTrace          marching squares and line joining alone
//   BM_DemContourBlock   the same into the leaf's figures (主曲線, 計曲線)
//   BM_DemLoadZip        the whole load from a zip of the 100 tile files:
//                        decoding, mosaic and contours
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-bench --target dem_bench && build-bench/bench/dem_bench
#include <benchmark/benchmark.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "model/map_leaf.h"
#include "readers/common/contour.h"
#include "readers/fgd/fgd_builder.h"
#include "readers/fgd/fgd_dem.h"

namespace {

using namespace chizro;
namespace fs = std::filesystem;

constexpr int kTilesX = 10, kTilesY = 10;
constexpr int kTileW = 225, kTileH = 150;
constexpr int kWidth = kTilesX * kTileW, kHeight = kTilesY * kTileH;
constexpr double kCell = 0.2 / 3600;
constexpr double kWest = 139.0, kNorth = 35.75;
constexpr double kInterval = 2;

float Elevation(int x, int y) {
  const double fx = x, fy = y;
  return static_cast<float>(200 + 150 * std::sin(fx / 300) * std::cos(fy / 250) +
                            60 * std::sin(fx / 70 + fy / 90) +
                            15 * std::sin(fx / 13) * std::sin(fy / 17));
}

const TDemGrid& Block() {
  static const TDemGrid grid = [] {
    TDemGrid g;
    g.West = kWest;
    g.North = kNorth;
    g.CellX = g.CellY = kCell;
    g.Width = kWidth;
    g.Height = kHeight;
    g.Values.resize(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        g.Values[static_cast<std::size_t>(y) * kWidth + x] =
            std::round(Elevation(x, y) * 100) / 100;
    return g;
  }();
  return grid;
}

std::string TileXml(int tx, int ty) {
  const double west = kWest + tx * kTileW * kCell, north = kNorth - ty * kTileH * kCell;
  char head[1024];
  std::snprintf(head, sizeof head,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<Dataset xmlns:gml=\"http://www.opengis.net/gml/3.2\" "
                "xmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\" gml:id=\"Dataset1\">\n"
                "<DEM gml:id=\"DEM001\"><type>5mメッシュ（標高）</type><coverage gml:id=\"c\">\n"
                "<gml:boundedBy><gml:Envelope srsName=\"fguuid:jgd2011.bl\">"
                "<gml:lowerCorner>%.9f %.9f</gml:lowerCorner>"
                "<gml:upperCorner>%.9f %.9f</gml:upperCorner></gml:Envelope></gml:boundedBy>\n"
                "<gml:gridDomain><gml:Grid dimension=\"2\" gml:id=\"g\"><gml:limits>"
                "<gml:GridEnvelope><gml:low>0 0</gml:low><gml:high>%d %d</gml:high>"
                "</gml:GridEnvelope></gml:limits></gml:Grid></gml:gridDomain>\n"
                "<gml:rangeSet><gml:DataBlock><gml:tupleList>\n",
                north - kTileH * kCell, west, north, west + kTileW * kCell, kTileW - 1,
                kTileH - 1);
  std::string doc = head;
  doc.reserve(doc.size() + static_cast<std::size_t>(kTileW) * kTileH * 20);
  char line[48];
  for (int y = 0; y < kTileH; ++y)
    for (int x = 0; x < kTileW; ++x) {
      std::snprintf(line, sizeof line, "地表面,%.2f\n",
                    static_cast<double>(Elevation(tx * kTileW + x, ty * kTileH + y)));
      doc += line;
    }
  doc +=
      "</gml:tupleList></gml:DataBlock></gml:rangeSet>\n"
      "<gml:coverageFunction><gml:GridFunction>"
      "<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>"
      "<gml:startPoint>0 0</gml:startPoint></gml:GridFunction></gml:coverageFunction>\n"
      "</coverage></DEM></Dataset>\n";
  return doc;
}

// The block as a download zip, written once per process.
class BenchZip {
public:
  static const BenchZip& Get() {
    static const BenchZip zip;
    return zip;
  }
  ~BenchZip() {
    std::error_code ec;
    fs::remove(path_, ec);
  }
  const std::string& Path() const { return path_; }
  // The bytes of the tile files in the zip, uncompressed.
  std::size_t Bytes() const { return bytes_; }

private:
  BenchZip()
      : path_((fs::temp_directory_path() /
               ("FG-GML-5339-DEM5A-" + std::to_string(::getpid()) + ".zip"))
                  .string()) {
    int error = 0;
    zip_t* zip = zip_open(path_.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (int ty = 0; ty < kTilesY; ++ty)
      for (int tx = 0; tx < kTilesX; ++tx) {
        std::string* doc = new std::string(TileXml(tx, ty));
        bytes_ += doc->size();
        char name[64];
        std::snprintf(name, sizeof name, "FG-GML-5339-%d%d-DEM5A-20240101.xml", ty, tx);
        zip_source_t* src = zip_source_buffer(zip, doc->data(), doc->size(), 0);
        zip_file_add(zip, name, src, ZIP_FL_OVERWRITE);
        docs_.emplace_back(doc);
      }
    zip_close(zip);
    docs_.clear();
  }
  std::string path_;
  std::size_t bytes_ = 0;
  std::vector<std::unique_ptr<std::string>> docs_;
};

void BM_DemTrace(benchmark::State& state) {
  const TDemGrid& g = Block();
  TContourSet set;
  for (auto _ : state) {
    TraceContours(g.Values.data(), g.Width, g.Height, kInterval, set);
    benchmark::DoNotOptimize(set.Points.data());
  }
  state.counters["lines"] = static_cast<double>(set.Lines.size());
  state.counters["points"] = static_cast<double>(set.Points.size());
  state.counters["cells/s"] = benchmark::Counter(static_cast<double>(g.Values.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DemTrace)->Unit(benchmark::kMillisecond);

void BM_DemContourBlock(benchmark::State& state) {
  const TDemGrid& g = Block();
  TMapLeafGrp leaves(nullptr);
  int lines = 0;
  for (auto _ : state) {
    TMapLeaf leaf(&leaves);
    ContourIntoLeaf(g, kInterval, leaf, "block");
    lines = leaf.FigGrps.front()->Count();
  }
  state.counters["lines"] = lines;
}
BENCHMARK(BM_DemContourBlock)->Unit(benchmark::kMillisecond);

void BM_DemLoadZip(benchmark::State& state) {
  const std::string& zip = BenchZip::Get().Path();
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, zip);
  if (!leaf) {
    state.SkipWithError("no leaf");
    return;
  }
  int lines = 0;
  for (auto _ : state) {
    leaf->Unload();
    reader.LoadLeaf(*leaf, nullptr, 0);
    lines = leaf->FigGrps.front()->Count();
  }
  state.counters["lines"] = lines;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(BenchZip::Get().Bytes()));
  state.counters["MB"] = static_cast<double>(BenchZip::Get().Bytes()) / (1 << 20);
}
BENCHMARK(BM_DemLoadZip)->Unit(benchmark::kMillisecond);

}  // namespace
