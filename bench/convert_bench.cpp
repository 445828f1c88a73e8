// Coordinate conversion of a whole leaf: the work a project does for every
// vertex when the user switches the coordinate system.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/map_figure.h"
#include "model/map_leaf.h"

namespace {

using namespace chizro;

// A leaf of `figures` polylines of 100 vertices each around zone 9's origin.
std::unique_ptr<TMapLeaf> MakeLeaf(TMapLeafGrp& leaves, int figures) {
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->CoordMode = TCoordMode::Plane;
  leaf->Datum = TDatum::Jgd2000;
  leaf->Zone = TZone::Stated(9);
  auto grp = std::make_unique<TFigPolylineGrp>();
  for (int f = 0; f < figures; ++f) {
    TFigPolyline* fig = grp->New();
    for (int v = 0; v < 100; ++v)
      fig->AddPoint({static_cast<double>(f % 1000) * 10.0f + static_cast<double>(v),
                     static_cast<double>(f / 1000) * 10.0f + static_cast<double>(v % 7)});
  }
  grp->UpdateExtents();
  leaf->AddFigGrp(std::move(grp));
  return leaf;
}

void BM_LeafModeRoundTrip(benchmark::State& state) {
  TMapLeafGrp leaves(nullptr);
  auto leaf = MakeLeaf(leaves, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    leaf->SetCoordSystem(TCoordMode::LatLon, TZone::Stated(9), TDatum::Jgd2000);
    leaf->SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Jgd2000);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 100 * 2);
}
BENCHMARK(BM_LeafModeRoundTrip)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LeafDatumChange(benchmark::State& state) {
  TMapLeafGrp leaves(nullptr);
  auto leaf = MakeLeaf(leaves, static_cast<int>(state.range(0)));
  TDatum datum = TDatum::Jgd2000;
  for (auto _ : state) {
    datum = datum == TDatum::Jgd2000 ? TDatum::Tokyo : TDatum::Jgd2000;
    leaf->SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), datum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 100);
}
BENCHMARK(BM_LeafDatumChange)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
