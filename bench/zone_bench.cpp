// The lookup of the zone the law gives a place: its cost per call on land, at
// sea near land, and on the open sea (nearest origin), and the bytes of its
// table (the counter "table_bytes"). Places per second are the items
// processed.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "coords/zone_of_place.h"

namespace table {
#include "coords/zone_of_place_table.inc"
}

namespace {

using namespace chizro;

constexpr std::size_t kPoints = 4096;

struct LatLon {
  double lat;
  double lon;
};

// Uniform random places in a box, always the same ones.
std::vector<LatLon> Random(double lat0, double lat1, double lon0, double lon1) {
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> lat(lat0, lat1);
  std::uniform_real_distribution<double> lon(lon0, lon1);
  std::vector<LatLon> points(kPoints);
  for (LatLon& p : points) p = {lat(rng), lon(rng)};
  return points;
}

void Run(benchmark::State& state, const std::vector<LatLon>& points) {
  for (auto _ : state)
    for (const LatLon& p : points) benchmark::DoNotOptimize(ZoneOfPlace(p.lat, p.lon));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
  state.counters["table_bytes"] =
      static_cast<double>(sizeof(table::kTableRuns) + sizeof(table::kTableRowStart));
}

// Western Honshu and Shikoku, land and inland sea: the rows with the most runs.
void BM_ZoneOfPlace_Land(benchmark::State& state) { Run(state, Random(33.5, 35.5, 132.0, 136.0)); }

// The whole table's extent, mostly sea: near land the table decides, beyond
// 50 km the nearest origin.
void BM_ZoneOfPlace_Extent(benchmark::State& state) {
  Run(state, Random(20.0, 46.0, 122.0, 154.0));
}

// Far from Japan, outside the table: the nearest origin alone.
void BM_ZoneOfPlace_OpenSea(benchmark::State& state) {
  Run(state, Random(0.0, 15.0, 160.0, 180.0));
}

BENCHMARK(BM_ZoneOfPlace_Land);
BENCHMARK(BM_ZoneOfPlace_Extent);
BENCHMARK(BM_ZoneOfPlace_OpenSea);

}  // namespace
