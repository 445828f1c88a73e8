// The 地図XML (登記所備付地図) reader on a generated file of about 100 MB, laid
// out as a ward's download: a grid of parcels, each carrying its own boundary
// curves (so that every shared side is there twice, in opposite directions),
// points referenced by id, a boundary point and a boundary line item for
// each, and the parcels with their lot numbers. Opening (one pass for the
// coordinate system and the extent) and loading (every figure built, shared
// boundaries merged) are reported in MB/s; the peak resident memory of the
// process is reported after the load. The placed variant is the same file
// in 任意座標系 with a control-point sidecar ("<file>.gcp", four of its
// boundary points), so that every position is placed before the figures
// are built. Rates are of the wall time: a large file is read on all cores.
// Run the variants one by one (--benchmark_filter) for their own peak
// memory.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target moj_bench && build-rel/bench/moj_bench
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <memory>
#include <string>
#include <system_error>

#include "bench_file.h"
#include "model/map_leaf.h"
#include "readers/moj/moj_builder.h"

namespace {

using namespace chizro;
using bench::PeakRssMb;
using bench::TBenchFile;
namespace fs = std::filesystem;

// The user and system time of every thread of the process so far [s].
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The generated file: in 公共座標9系, or (`placed`) in 任意座標系 with its
// sidecar.
class BenchFile {
public:
  static const BenchFile& Get(bool placed) {
    static const BenchFile plain(false);
    static const BenchFile local(true);
    return placed ? local : plain;
  }
  ~BenchFile() {
    std::error_code ec;
    fs::remove(sidecar_, ec);
  }
  const std::string& Path() const { return file_.Path(); }
  std::size_t Bytes() const { return file_.Bytes(); }

private:
  explicit BenchFile(bool placed)
      : file_(placed ? "13101-0000-local" : "13101-0000", ".xml"), sidecar_(Path() + ".gcp") {
    const auto put = [&](const std::string& s) { file_.Put(s); };
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<地図 xmlns=\"http://www.moj.go.jp/MINJI/tizuxml\" "
        "xmlns:zmn=\"http://www.moj.go.jp/MINJI/tizuzumen\">\n"
        "\t<version>ver1.0</version>\n\t<地図名>bench</地図名>\n"
        "\t<市区町村コード>13101</市区町村コード>\n\t<市区町村名>千代田区</市区町村名>\n"
        "\t<座標系>" +
        std::string(placed ? "任意座標系" : "公共座標9系") +
        "</座標系>\n\t<測地系判別>測量</測地系判別>\n\t<空間属性>\n");
    // About 5.8 kB per parcel with its share of the points: a square grid of n by n parcels of 10
    // m, with a vertex in the middle of each side.
    const int n = 132;
    const int side = 2 * n + 1;  // grid points per row, 5 m apart
    char buf[512];
    const auto pid = [&](int i, int j) { return i * side + j + 1; };
    for (int i = 0; i < side; ++i)
      for (int j = 0; j < side; ++j) {
        std::snprintf(buf, sizeof buf,
                      "\t\t<zmn:GM_Point id=\"P%09d\">\n\t\t\t<zmn:GM_Point.position>\n"
                      "\t\t\t\t<zmn:DirectPosition>\n\t\t\t\t\t<zmn:X>%.3f</zmn:X>\n"
                      "\t\t\t\t\t<zmn:Y>%.3f</zmn:Y>\n\t\t\t\t</zmn:DirectPosition>\n"
                      "\t\t\t</zmn:GM_Point.position>\n\t\t</zmn:GM_Point>\n",
                      pid(i, j), -36000.0 + i * 5.0 + (j % 7) * 0.001, -6000.0 + j * 5.0);
        put(buf);
      }
    int curve = 0;
    const auto column = [&](int p) {
      std::snprintf(buf, sizeof buf,
                    "\t\t\t\t\t\t<zmn:GM_PointArray.column>\n"
                    "\t\t\t\t\t\t\t<zmn:GM_Position.indirect>\n"
                    "\t\t\t\t\t\t\t\t<zmn:GM_PointRef.point idref=\"P%09d\"/>\n"
                    "\t\t\t\t\t\t\t</zmn:GM_Position.indirect>\n"
                    "\t\t\t\t\t\t</zmn:GM_PointArray.column>\n",
                    p);
      put(buf);
    };
    // Each parcel's four sides, counter-clockwise: its own curves.
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        const int i = 2 * r, j = 2 * c;
        const int corners[5][2] = {{i, j}, {i, j + 2}, {i + 2, j + 2}, {i + 2, j}, {i, j}};
        for (int k = 0; k < 4; ++k) {
          std::snprintf(buf, sizeof buf,
                        "\t\t<zmn:GM_Curve id=\"C%09d\">\n"
                        "\t\t\t<zmn:GM_OrientablePrimitive.orientation>+"
                        "</zmn:GM_OrientablePrimitive.orientation>\n"
                        "\t\t\t<zmn:GM_OrientablePrimitive.primitive idref=\"C%09d\"/>\n"
                        "\t\t\t<zmn:GM_Curve.segment>\n\t\t\t\t<zmn:GM_LineString>\n"
                        "\t\t\t\t\t<zmn:GM_LineString.controlPoint>\n",
                        curve + 1, curve + 1);
          put(buf);
          ++curve;
          const int* a = corners[k];
          const int* b = corners[k + 1];
          column(pid(a[0], a[1]));
          column(pid((a[0] + b[0]) / 2, (a[1] + b[1]) / 2));
          column(pid(b[0], b[1]));
          put("\t\t\t\t\t</zmn:GM_LineString.controlPoint>\n\t\t\t\t</zmn:GM_LineString>\n"
              "\t\t\t</zmn:GM_Curve.segment>\n\t\t</zmn:GM_Curve>\n");
        }
      }
    for (int s = 0; s < n * n; ++s) {
      std::snprintf(buf, sizeof buf,
                    "\t\t<zmn:GM_Surface id=\"F%09d\">\n\t\t\t<zmn:GM_Surface.patch>\n"
                    "\t\t\t\t<zmn:GM_Polygon>\n\t\t\t\t\t<zmn:GM_Polygon.boundary>\n"
                    "\t\t\t\t\t\t<zmn:GM_SurfaceBoundary>\n"
                    "\t\t\t\t\t\t\t<zmn:GM_SurfaceBoundary.exterior>\n"
                    "\t\t\t\t\t\t\t\t<zmn:GM_Ring>\n",
                    s + 1);
      put(buf);
      for (int k = 0; k < 4; ++k) {
        std::snprintf(buf, sizeof buf,
                      "\t\t\t\t\t\t\t\t\t<zmn:GM_CompositeCurve.generator idref=\"C%09d\"/>\n",
                      4 * s + k + 1);
        put(buf);
      }
      put("\t\t\t\t\t\t\t\t</zmn:GM_Ring>\n\t\t\t\t\t\t\t</zmn:GM_SurfaceBoundary.exterior>\n"
          "\t\t\t\t\t\t</zmn:GM_SurfaceBoundary>\n\t\t\t\t\t</zmn:GM_Polygon.boundary>\n"
          "\t\t\t\t</zmn:GM_Polygon>\n\t\t\t</zmn:GM_Surface.patch>\n\t\t</zmn:GM_Surface>\n");
    }
    put("\t</空間属性>\n\t<主題属性>\n");
    for (int p = 1; p <= side * side; ++p) {
      std::snprintf(buf, sizeof buf,
                    "\t\t<筆界点>\n\t\t\t<点番名>%d</点番名>\n\t\t\t<形状 idref=\"P%09d\"/>\n"
                    "\t\t</筆界点>\n",
                    p, p);
      put(buf);
    }
    for (int k = 1; k <= curve; ++k) {
      std::snprintf(buf, sizeof buf,
                    "\t\t<筆界線>\n\t\t\t<形状 idref=\"C%09d\"/>\n\t\t\t<線種別>筆界線</線種別>\n"
                    "\t\t</筆界線>\n",
                    k);
      put(buf);
    }
    for (int s = 0; s < n * n; ++s) {
      std::snprintf(buf, sizeof buf,
                    "\t\t<筆 id=\"H%09d\">\n\t\t\t<大字コード>001</大字コード>\n"
                    "\t\t\t<大字名>丸の内</大字名>\n\t\t\t<地番>%d-%d</地番>\n"
                    "\t\t\t<形状 idref=\"F%09d\"/>\n\t\t\t<精度区分>甲一</精度区分>\n"
                    "\t\t\t<座標値種別>測量成果</座標値種別>\n\t\t</筆>\n",
                    s + 1, s / 10 + 1, s % 10 + 1, s + 1);
      put(buf);
    }
    put("\t</主題属性>\n</地図>\n");
    file_.Close();
    if (placed) {
      // The four outer corners by their 点番名, moved 100 km north and
      // turned by a small angle: a similarity that the fit finds exactly.
      std::FILE* f = std::fopen(sidecar_.c_str(), "wb");
      if (!f) std::abort();
      std::fputs("名前,x,y,X,Y\n", f);
      const double turn = 0.001;
      for (const auto& [i, j] : {std::pair{0, 0}, {0, side - 1}, {side - 1, side - 1}, {side - 1, 0}}) {
        const double x = -36000.0 + i * 5.0 + (j % 7) * 0.001, y = -6000.0 + j * 5.0;
        std::fprintf(f, "%d,,,%.4f,%.4f\n", pid(i, j),
                     100000.0 + x * std::cos(turn) - y * std::sin(turn),
                     x * std::sin(turn) + y * std::cos(turn));
      }
      if (std::fclose(f) != 0) std::abort();
    }
  }

  TBenchFile file_;
  std::string sidecar_;
};

void BM_MojOpen(benchmark::State& state, bool placed) {
  const BenchFile& file = BenchFile::Get(placed);
  TMapBuilder_Moj reader;
  for (auto _ : state) {
    TMapLeafGrp leaves(nullptr);
    auto leaf = reader.OpenFile(leaves, file.Path());
    benchmark::DoNotOptimize(leaf.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
}
BENCHMARK_CAPTURE(BM_MojOpen, plain, false)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK_CAPTURE(BM_MojOpen, placed, true)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

void BM_MojLoad(benchmark::State& state, bool placed) {
  const BenchFile& file = BenchFile::Get(placed);
  TMapBuilder_Moj reader;
  TMapLeafGrp leaves(nullptr);
  auto leaf = reader.OpenFile(leaves, file.Path());
  if (placed && !leaf->Zone.IsStated()) {
    state.SkipWithError("the control points did not place the file");
    return;
  }
  std::size_t figures = 0;
  const double cpuBefore = ProcessCpuSeconds();
  for (auto _ : state) {
    leaf->Unload();
    reader.LoadLeaf(*leaf, nullptr, 0);
    figures = 0;
    for (const auto& grp : leaf->FigGrps) figures += static_cast<std::size_t>(grp->Count());
  }
  // The CPU time of all threads per load: on a machine shared with other
  // work the wall time says little, and this is what the cores must give.
  state.counters["process_cpu_ms"] =
      (ProcessCpuSeconds() - cpuBefore) * 1000 / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
  state.counters["figures"] = static_cast<double>(figures);
  state.counters["peak_rss_MB"] = PeakRssMb();
}
BENCHMARK_CAPTURE(BM_MojLoad, plain, false)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK_CAPTURE(BM_MojLoad, placed, true)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

}  // namespace
