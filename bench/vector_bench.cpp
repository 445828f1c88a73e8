// The binary vector reader and the topology joins: the two ways readers turn
// a sheet's worth of data into figures.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "readers/common/topology.h"
#include "readers/vector/vector_builder.h"

namespace {

using namespace chizro;

void PutI32(std::string& out, std::int32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  out.append(b, 4);
}
void PutF32(std::string& out, float v) {
  char b[4];
  std::memcpy(b, &v, 4);
  out.append(b, 4);
}

// A vector file of `figures` polygons of 50 vertices with two texts each.
std::string WriteVectorFile(int figures) {
  std::string data(592, '\0');
  data[0] = 'H';
  std::memcpy(&data[8], "BENCH", 5);
  const std::int32_t plane = 1, jgd = 2, zone = 9, blocks = 1;
  std::memcpy(&data[316], &jgd, 4);
  std::memcpy(&data[320], &plane, 4);
  std::memcpy(&data[324], &zone, 4);
  std::memcpy(&data[588], &blocks, 4);
  std::string block(264, '\0');
  std::memcpy(&block[1], "1108", 4);
  std::memcpy(&block[260], &figures, 4);
  data += block;
  for (int f = 0; f < figures; ++f) {
    PutI32(data, 0);
    PutI32(data, 3);
    data += std::string("\x01\0\0\0", 4);
    for (int i = 0; i < 6; ++i) PutF32(data, static_cast<float>(f));
    PutI32(data, 50);
    PutI32(data, 2);
    PutI32(data, 0);
    for (int v = 0; v < 50; ++v) {
      PutF32(data, static_cast<float>(f % 300) * 10.0f + static_cast<float>(v));
      PutF32(data, static_cast<float>(f / 300) * 10.0f + static_cast<float>(v % 5));
    }
    for (const char* text : {"1108", "\x8A\x58\x8B\xE6"}) {
      PutI32(data, static_cast<std::int32_t>(std::strlen(text)));
      data += text;
    }
  }
  const auto path = std::filesystem::temp_directory_path() /
                    ("chizro-bench-" + std::to_string(figures) + ".vec");
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  return path.string();
}

void BM_VectorLoadLeaf(benchmark::State& state) {
  const int figures = static_cast<int>(state.range(0));
  const std::string path = WriteVectorFile(figures);
  TMapBuilder_Vector reader;
  TMapLeafGrp leaves(nullptr);
  for (auto _ : state) {
    auto leaf = reader.OpenFile(leaves, path);
    reader.LoadLeaf(*leaf, nullptr, 0);
    benchmark::DoNotOptimize(leaf->FigGrps.size());
  }
  state.SetItemsProcessed(state.iterations() * figures * 50);  // vertices
  std::filesystem::remove(path);
}
BENCHMARK(BM_VectorLoadLeaf)->Arg(20000)->Unit(benchmark::kMillisecond);

// A grid of square blocks: every inner arc is shared by two polygons. Timed:
// the sorts and lookups of the join.
void BM_PolygonJoin(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::int64_t vertices = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TArcList arcs;
    TPgnList pgns;
    TAtrList atrs;
    char name[32];
    auto addArc = [&](const char* prefix, int i, int j, double x0, double y0, double dx, double dy) {
      auto arc = std::make_unique<TArcElement>();
      std::snprintf(name, sizeof name, "%s%d_%d", prefix, i, j);
      arc->Name = name;
      arc->Code = "1108";
      for (int k = 0; k <= 10; ++k)
        arc->AddPoint({x0 + dx * static_cast<double>(k) / 10, y0 + dy * static_cast<double>(k) / 10});
      arcs.AddElement(std::move(arc));
    };
    for (int i = 0; i <= side; ++i)
      for (int j = 0; j <= side; ++j) {
        addArc("h", i, j, static_cast<double>(i) * 50, static_cast<double>(j) * 50, 50, 0);
        addArc("v", i, j, static_cast<double>(i) * 50, static_cast<double>(j) * 50, 0, 50);
      }
    for (int i = 0; i < side; ++i)
      for (int j = 0; j < side; ++j) {
        auto pgn = std::make_unique<TPgnElement>();
        std::snprintf(name, sizeof name, "p%d_%d", i, j);
        pgn->Name = name;
        pgn->Code = "1108";
        char ref[32];
        std::snprintf(ref, sizeof ref, "h%d_%d", i, j);
        pgn->AddArcRef(ref);
        std::snprintf(ref, sizeof ref, "v%d_%d", i + 1, j);
        pgn->AddArcRef(ref);
        std::snprintf(ref, sizeof ref, "-h%d_%d", i, j + 1);
        pgn->AddArcRef(ref);
        std::snprintf(ref, sizeof ref, "-v%d_%d", i, j);
        pgn->AddArcRef(ref);
        auto atr = std::make_unique<TAtrElement>();
        atr->Name = name;
        atr->Code = "1108";
        atr->AddValue("1");
        atrs.AddElement(std::move(atr));
        pgns.AddElement(std::move(pgn));
      }
    TMapLeafGrp leaves(nullptr);
    TMapLeaf leaf(&leaves);
    state.ResumeTiming();
    TFigPolygonGrp* grp = pgns.AddToLeaf(leaf, "GAIKU", atrs, arcs);
    vertices += static_cast<std::int64_t>(grp->Count()) * 44;
    // The lists are freed in the timed part: a reader frees them too.
  }
  state.SetItemsProcessed(vertices);
}
BENCHMARK(BM_PolygonJoin)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
