// The plane rectangular projection, forward and inverse: the work done for
// every vertex when the project changes its coordinate mode. Points per
// second are the items processed.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "coords/projection.h"

namespace {

using namespace chizro;

constexpr int kZone = 9;
constexpr std::size_t kPoints = 4096;

struct LatLon {
  double lat;
  double lon;
};

// A grid over the Kanto plain, around zone 9's origin (36N, 139 50'E).
std::vector<LatLon> Grid() {
  std::vector<LatLon> points;
  points.reserve(kPoints);
  for (std::size_t i = 0; i < kPoints; ++i)
    points.push_back({35.0 + 1.5 * static_cast<double>(i % 64) / 64.0,
                      139.0 + 1.5 * static_cast<double>(i / 64) / 64.0});
  return points;
}

void BM_LatLonToXY(benchmark::State& state) {
  const std::vector<LatLon> points = Grid();
  for (auto _ : state) {
    for (const LatLon& p : points) {
      const TPlanePoint xy = LatLonToXY(kGrs80, kZone, p.lat, p.lon);
      benchmark::DoNotOptimize(xy.X);
      benchmark::DoNotOptimize(xy.Y);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_LatLonToXY);

void BM_XYToLatLon(benchmark::State& state) {
  std::vector<LatLon> plane;  // X, Y [m] of the same grid
  for (const LatLon& p : Grid()) {
    const TPlanePoint xy = LatLonToXY(kGrs80, kZone, p.lat, p.lon);
    plane.push_back({xy.X, xy.Y});
  }
  for (auto _ : state) {
    for (const LatLon& p : plane) {
      const TLatLon geo = XYToLatLon(kGrs80, kZone, p.lat, p.lon);
      benchmark::DoNotOptimize(geo.Lat);
      benchmark::DoNotOptimize(geo.Lon);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(plane.size()));
}
BENCHMARK(BM_XYToLatLon);

}  // namespace
