// The FGD (基盤地図情報 GML) reader on a generated building file of about
// 50 MB, laid out as a city-centre BldA file of a 3rd-mesh cell: opening (one
// pass for the coordinate system and the extent) and loading (every
// building built), reported in MB/s.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target fgd_bench && build-rel/bench/fgd_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "model/map_leaf.h"
#include "readers/fgd/fgd_builder.h"

namespace {

using namespace chizro;
namespace fs = std::filesystem;

constexpr std::size_t kTargetBytes = 50u << 20;

// The generated file, written once per process into the temporary folder.
class BenchFile {
public:
  static const BenchFile& Get() {
    static const BenchFile file;
    return file;
  }
  ~BenchFile() {
    std::error_code ec;
    fs::remove(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::size_t Bytes() const { return bytes_; }
  int Buildings() const { return buildings_; }

private:
  BenchFile()
      : path_((fs::temp_directory_path() /
               ("FG-GML-533946-BldA-20230101-" + std::to_string(::getpid()) + ".xml"))
                  .string()) {
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema "
        "FGD_GMLSchema.xsd\"\n\txmlns:gml=\"http://www.opengis.net/gml/3.2\"\n"
        "\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
        "\txmlns:xlink=\"http://www.w3.org/1999/xlink\"\n"
        "\txmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\"\n\tgml:id=\"Dataset1\">\n"
        "<description>基盤地図情報メタデータ ID=fmdid:15-3101</description>\n";
    doc.reserve(kTargetBytes + (1u << 20));
    char line[64];
    // Buildings of 7 to 12 vertices on a grid over the cell, 9 decimals as
    // the download writes them.
    for (int i = 0; doc.size() < kTargetBytes; ++i) {
      const std::string id = "K6_" + std::to_string(i + 1);
      doc += "<BldA gml:id=\"" + id + "\">\n<fid>fgoid:10-00200-15-6101-" + std::to_string(i + 1) +
             "</fid>\n<lfSpanFr gml:id=\"" + id +
             "-1\"><gml:timePosition>2023-01-01</gml:timePosition></lfSpanFr>\n<devDate gml:id=\"" +
             id +
             "-2\"><gml:timePosition>2023-01-01</gml:timePosition></devDate>\n"
             "<orgGILvl>2500</orgGILvl>\n<vis>表示</vis>\n<area><gml:Surface gml:id=\"" +
             id +
             "-3\" srsName=\"fguuid:jgd2011.bl\"><gml:patches><gml:PolygonPatch>"
             "<gml:exterior><gml:Ring><gml:curveMember><gml:Curve gml:id=\"" +
             id + "-4\"><gml:segments><gml:LineStringSegment><gml:posList>\n";
      const double lat0 = 35.675 + (i / 400 % 400) * 0.0000208;
      const double lon0 = 139.7625 + (i % 400) * 0.0000312;
      const int n = 6 + i % 6;
      for (int k = 0; k <= n; ++k) {
        const int j = k % n;
        const double lat = lat0 + 0.00001 * (j < n / 2 ? 0 : 1) + j * 0.0000004;
        const double lon = lon0 + 0.00002 * (j % 3) / 2.0;
        std::snprintf(line, sizeof line, "%.9f %.9f\n", lat, lon);
        doc += line;
      }
      doc +=
          "</gml:posList></gml:LineStringSegment></gml:segments></gml:Curve></gml:curveMember>"
          "</gml:Ring></gml:exterior></gml:PolygonPatch></gml:patches></gml:Surface></area>\n"
          "<type>";
      doc += i % 5 == 0 ? "堅ろう建物" : "普通建物";
      doc += "</type>\n</BldA>\n";
      buildings_ = i + 1;
    }
    doc += "</Dataset>\n";
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f || std::fwrite(doc.data(), 1, doc.size(), f) != doc.size()) std::abort();
    std::fclose(f);
    bytes_ = doc.size();
  }

  std::string path_;
  std::size_t bytes_ = 0;
  int buildings_ = 0;
};

void BM_FgdOpen(benchmark::State& state) {
  const BenchFile& file = BenchFile::Get();
  TMapBuilder_Fgd reader;
  for (auto _ : state) {
    TMapLeafGrp leaves(nullptr);
    auto leaf = reader.OpenFile(leaves, file.Path());
    benchmark::DoNotOptimize(leaf.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
}
BENCHMARK(BM_FgdOpen)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_FgdLoad(benchmark::State& state) {
  const BenchFile& file = BenchFile::Get();
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  auto leaf = reader.OpenFile(leaves, file.Path());
  std::size_t figures = 0;
  for (auto _ : state) {
    leaf->Unload();
    reader.LoadLeaf(*leaf, nullptr, 0);
    figures = static_cast<std::size_t>(leaf->FigGrps.front()->Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
  state.counters["buildings"] = static_cast<double>(figures);
}
BENCHMARK(BM_FgdLoad)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
