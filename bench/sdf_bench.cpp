// The SDF 1:2500 reader on generated sheets (tools/sdfgen): loading a dense
// sheet, parsing its largest file alone, splitting coordinate lines, and
// scanning a folder of 100 sheets.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target sdf_bench && build-rel/bench/sdf_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "model/class_def.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "readers/sdf/sdf2500_builder.h"
#include "readers/common/topology.h"
#include "sdfgen/sdf_city.h"

namespace {

using namespace chizro;
namespace fs = std::filesystem;

// Generated data, written once per process into the temporary folder.
class BenchData {
public:
  static BenchData& Get() {
    static BenchData data;
    return data;
  }
  ~BenchData() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  struct Sheet {
    std::string Path;
    sdfgen::TStats Stats;
  };

  // One dense sheet (09LD183) at `density`.
  const Sheet& DenseSheet(double density) {
    auto it = sheets_.find(density);
    if (it != sheets_.end()) return it->second;
    const fs::path dir = root_ / ("d" + std::to_string(density));
    sdfgen::TCityOptions o;
    o.Origin = "09LD183";
    o.SheetsX = o.SheetsY = 1;
    o.Density = density;
    const sdfgen::TStats stats = sdfgen::WriteCity(dir, o);
    return sheets_.emplace(density, Sheet{(dir / "09LD183").string(), stats}).first->second;
  }

  // A 10 x 10 city, light, for folder scans.
  const std::string& City() {
    if (city_.empty()) {
      sdfgen::TCityOptions o;
      o.Density = 0.05;
      o.Buildings = 0;
      o.ControlPoints = 0;
      sdfgen::WriteCity(root_ / "city", o);
      city_ = (root_ / "city").string();
    }
    return city_;
  }

private:
  BenchData()
      : root_(fs::temp_directory_path() / ("chizro-sdf-bench-" + std::to_string(::getpid()))) {}

  fs::path root_;
  std::map<double, Sheet> sheets_;
  std::string city_;
};

// Definitions in which the block and road layers are shown at 1:2500.
const TClassDefGrp& KeyClasses() {
  static const std::unique_ptr<TClassDefGrp> defs = [] {
    auto d = std::make_unique<TClassDefGrp>();
    for (const char* code : {"1108", "2110"})
      d->Add(std::make_unique<TClassDef>(code, d.get()))->Visible = 1;
    return d;
  }();
  return *defs;
}

// LoadLeaf of a whole dense sheet: every layer file read, parsed and joined
// into figure lists. "vertices/s" counts the coordinate lines of the sheet's
// arc files (the figures hold more: polygons repeat their arcs' points).
void BM_SdfLoadLeaf(benchmark::State& state) {
  const double density = static_cast<double>(state.range(0)) / 10.0;
  const BenchData::Sheet& sheet = BenchData::Get().DenseSheet(density);
  TMapLeafGrp leaves(nullptr);
  TMapBuilder_Sdf2500 builder;
  const auto leaf = builder.OpenFile(leaves, sheet.Path);
  long long figures = 0, figureVertices = 0;
  for (auto _ : state) {
    state.PauseTiming();
    leaf->Unload();
    state.ResumeTiming();
    builder.LoadLeaf(*leaf, &KeyClasses(), 2500);
    benchmark::DoNotOptimize(leaf->FigGrps.data());
  }
  for (const auto& g : leaf->FigGrps) {
    figures += g->Count();
    for (const auto& f : g->Figures()) figureVertices += f->PointCount();
  }
  using benchmark::Counter;
  state.counters["vertices/s"] =
      Counter(static_cast<double>(sheet.Stats.Vertices), Counter::kIsIterationInvariantRate);
  state.counters["figure_vertices/s"] =
      Counter(static_cast<double>(figureVertices), Counter::kIsIterationInvariantRate);
  state.counters["bytes/s"] = Counter(static_cast<double>(sheet.Stats.Bytes),
                                      Counter::kIsIterationInvariantRate, Counter::kIs1024);
  state.counters["vertices"] = static_cast<double>(sheet.Stats.Vertices);
  state.counters["figures"] = static_cast<double>(figures);
  state.counters["MB"] = static_cast<double>(sheet.Stats.Bytes) / 1e6;
}
BENCHMARK(BM_SdfLoadLeaf)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The building arcs alone, parsed into a topology list: the reader's line
// and field splitting and number conversion without the joins.
void BM_SdfParseBuildingArcs(benchmark::State& state) {
  const BenchData::Sheet& sheet = BenchData::Get().DenseSheet(2.0);
  const std::string path = sheet.Path + "/TATEMONO/TATEMONO.ARC";
  long long points = 0;
  for (auto _ : state) {
    sdf2500::TRecordLines lines(path);
    TArcList arcs;
    sdf2500::ReadArcFile(lines, arcs);
    points = 0;
    for (int i = 0; i < arcs.Count(); ++i)
      points += static_cast<long long>(arcs.Items(i).Points.size());
    benchmark::DoNotOptimize(points);
  }
  state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(points),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SdfParseBuildingArcs)->Unit(benchmark::kMillisecond)->UseRealTime();

// Splitting one coordinate line: the reader's view splitter against the
// shared splitter that builds a string per field.
void BM_SdfCommaFields(benchmark::State& state) {
  TCommaFields f;
  const std::string line = "1234.56,789.01";
  for (auto _ : state) {
    f.Split(line);
    benchmark::DoNotOptimize(f[1].data());
  }
}
BENCHMARK(BM_SdfCommaFields);

void BM_SplitCommaTextCoordinateLine(benchmark::State& state) {
  std::vector<std::string> fields;
  const std::string line = "1234.56,789.01";
  for (auto _ : state) {
    SplitCommaText(line, fields);
    benchmark::DoNotOptimize(fields.data());
  }
}
BENCHMARK(BM_SplitCommaTextCoordinateLine);

// OpenFolder on 100 sheets: only their description files are read.
void BM_SdfOpenFolder100Sheets(benchmark::State& state) {
  const std::string& city = BenchData::Get().City();
  for (auto _ : state) {
    TMapLeafGrp leaves(nullptr);
    TMapBuilder_Sdf2500 builder;
    builder.OpenFolder(leaves, city);
    if (leaves.Count() != 100) state.SkipWithError("expected 100 sheets");
  }
}
BENCHMARK(BM_SdfOpenFolder100Sheets)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
