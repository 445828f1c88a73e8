// The SIMA reader on a generated survey file of about 50 MB: a job's worth
// of boundary points (A01 with name and height, every fourth without a
// height) and parcels of six points each through them, in Shift_JIS with
// CR LF as surveying programs write it. Opening reads the file whole and
// builds its points and parcels; reported in MB/s.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target sima_bench && build-rel/bench/sima_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_file.h"
#include "model/map_leaf.h"
#include "readers/sima/sima_builder.h"

namespace {

using namespace chizro;

constexpr std::size_t kTargetBytes = 50u << 20;
constexpr long kPointsPerRow = 1000;

// The generated file, written once per process.
class BenchFile {
public:
  static const BenchFile& Get() {
    static const BenchFile file;
    return file;
  }
  const std::string& Path() const { return file_.Path(); }
  std::size_t Bytes() const { return file_.Bytes(); }
  long Points() const { return points_; }

private:
  BenchFile() {
    // Points on a grid of 10 m, parcels over each cell of two rows.
    std::string points = "G00,01,bench,\r\nZ00,\x8d\xc0\x95\x57\xc3\xde\xb0\xc0,\r\nA00,\r\n";
    std::string parcels = "Z00,\x8b\xe6\x89\xe6\xc3\xde\xb0\xc0,\r\n";
    points.reserve(kTargetBytes);
    parcels.reserve(kTargetBytes / 2);
    char line[256];
    long n = 0;
    while (points.size() + parcels.size() < kTargetBytes) {
      ++n;
      const long row = (n - 1) / kPointsPerRow, col = (n - 1) % kPointsPerRow;
      const double x = -35000.0 + 10.0 * static_cast<double>(row) + 0.001 * static_cast<double>(n % 7);
      const double y = 12000.0 + 10.0 * static_cast<double>(col);
      if (n % 4 == 0)
        std::snprintf(line, sizeof line, "A01,%ld,K%ld,%.3f,%.3f,,\r\n", n, n, x, y);
      else
        std::snprintf(line, sizeof line, "A01,%ld,K%ld,%.3f,%.3f,%.3f,\r\n", n, n, x, y,
                      20.0 + static_cast<double>(n % 100) / 10);
      points += line;
      // A parcel of six points once a cell of the row below is complete.
      if (row > 0 && col >= 2 && col % 2 == 0) {
        std::snprintf(line, sizeof line, "D00,%ld,%ld-%ld,\r\n", n, row, col);
        parcels += line;
        for (const long p : {n - 2 - kPointsPerRow, n - 1 - kPointsPerRow, n - kPointsPerRow, n,
                             n - 1, n - 2}) {
          std::snprintf(line, sizeof line, "B01,%ld,K%ld,\r\n", p, p);
          parcels += line;
        }
        parcels += "D99,\r\n";
      }
    }
    file_.Put(points);
    file_.Put("A99,\r\n");
    file_.Put(parcels);
    file_.Close();
    points_ = n;
  }

  bench::TBenchFile file_{"points", ".sim"};
  long points_ = 0;
};

void BM_SimaOpen(benchmark::State& state) {
  const BenchFile& file = BenchFile::Get();
  TMapBuilder_Sima reader;
  std::size_t points = 0;
  for (auto _ : state) {
    TMapLeafGrp leaves(nullptr);
    auto leaf = reader.OpenFile(leaves, file.Path());
    points = static_cast<std::size_t>(leaf->FigGrps.at(1)->Count());
    benchmark::DoNotOptimize(leaf.get());
  }
  if (points != static_cast<std::size_t>(file.Points())) state.SkipWithError("points lost");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
  state.counters["points"] = static_cast<double>(file.Points());
}
BENCHMARK(BM_SimaOpen)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
