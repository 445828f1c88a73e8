// The control-point fit on its own: Helmert and affine least squares over
// 2 to 1000 points (a surveyor gives 3 to 20), and the placement of a
// position by the fitted transform, which a placed map pays for each of
// its coordinates.
//
//   cmake --preset build-bench && cmake --build --preset build-bench --target fit_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "coords/control_fit.h"

namespace {

using namespace chizro;

// Points spread over a sheet, placed by a similarity with a little noise.
std::vector<TControlPoint> Points(int n) {
  std::vector<TControlPoint> points;
  const double s = 1.0003, r = 0.35;
  for (int i = 0; i < n; ++i) {
    const double x = 1000 + 300 * std::sin(i * 1.7), y = 2000 + 400 * std::cos(i * 0.9);
    const double noise = 0.002 * std::sin(i * 12.3);
    points.push_back({"P", x, y, -297400 + s * (std::cos(r) * x - std::sin(r) * y) + noise,
                      -34100 + s * (std::sin(r) * x + std::cos(r) * y) - noise});
  }
  return points;
}

void BM_Fit(benchmark::State& state, TFitKind kind) {
  const std::vector<TControlPoint> points = Points(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(FitControlPoints(points, kind));
}
BENCHMARK_CAPTURE(BM_Fit, Helmert, TFitKind::Helmert)->Arg(2)->Arg(4)->Arg(20)->Arg(1000);
BENCHMARK_CAPTURE(BM_Fit, Affine, TFitKind::Affine)->Arg(3)->Arg(4)->Arg(20)->Arg(1000);

void BM_Apply(benchmark::State& state) {
  const TControlFit fit = FitControlPoints(Points(4), TFitKind::Helmert);
  double x = 1000, y = 2000, X = 0, Y = 0;
  for (auto _ : state) {
    fit.Transform.Apply(x, y, X, Y);
    benchmark::DoNotOptimize(X);
    benchmark::DoNotOptimize(Y);
    x += 0.001;
  }
}
BENCHMARK(BM_Apply);

}  // namespace
