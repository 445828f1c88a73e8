// The GPX reader on a generated track of about 100 MB, laid out as a
// cycling computer's GPX 1.1 log converted by a desktop tool: one point a
// second with elevation, time and a heart-rate extension, a new segment at
// every pause. Opening reads the file whole and builds its lines; reported
// in MB/s.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target gpx_bench && build-rel/bench/gpx_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "model/map_leaf.h"
#include "readers/gpx/gpx_builder.h"

namespace {

using namespace chizro;
namespace fs = std::filesystem;

constexpr std::size_t kTargetBytes = 100u << 20;
constexpr int kPointsPerSegment = 3600;

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
  long Points() const { return points_; }

private:
  BenchFile()
      : path_((fs::temp_directory_path() / ("track-" + std::to_string(::getpid()) + ".gpx"))
                  .string()) {
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
        " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\">\n"
        " <metadata><name>bench</name></metadata>\n <trk>\n  <name>ride</name>\n  <trkseg>\n";
    doc.reserve(kTargetBytes + (1u << 20));
    char line[512];
    double lat = 35.0;
    double lon = 139.0;
    for (long i = 0; doc.size() < kTargetBytes; ++i) {
      if (i > 0 && i % kPointsPerSegment == 0) doc += "  </trkseg>\n  <trkseg>\n";
      lat += 0.00004 * ((i / 500) % 2 == 0 ? 1 : -0.5);
      lon += 0.00005;
      const long s = i % 86400;
      std::snprintf(line, sizeof line,
                    "   <trkpt lat=\"%.9f\" lon=\"%.9f\">\n    <ele>%.1f</ele>\n"
                    "    <time>2024-05-03T%02ld:%02ld:%02ldZ</time>\n"
                    "    <extensions><gpxtpx:TrackPointExtension><gpxtpx:hr>%ld</gpxtpx:hr>"
                    "</gpxtpx:TrackPointExtension></extensions>\n   </trkpt>\n",
                    lat, lon, 20.0 + static_cast<double>(i % 300) / 10, s / 3600, s / 60 % 60,
                    s % 60, 100 + i % 60);
      doc += line;
      points_ = i + 1;
    }
    doc += "  </trkseg>\n </trk>\n</gpx>\n";
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f || std::fwrite(doc.data(), 1, doc.size(), f) != doc.size()) std::abort();
    std::fclose(f);
    bytes_ = doc.size();
  }

  std::string path_;
  std::size_t bytes_ = 0;
  long points_ = 0;
};

void BM_GpxOpen(benchmark::State& state) {
  const BenchFile& file = BenchFile::Get();
  TMapBuilder_Gpx reader;
  std::size_t vertices = 0;
  for (auto _ : state) {
    TMapLeafGrp leaves(nullptr);
    auto leaf = reader.OpenFile(leaves, file.Path());
    vertices = 0;
    for (const auto& grp : leaf->FigGrps)
      for (const auto& fig : grp->Figures()) vertices += fig->Points.size();
    benchmark::DoNotOptimize(leaf.get());
  }
  if (vertices != static_cast<std::size_t>(file.Points())) state.SkipWithError("points lost");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Bytes()));
  state.counters["MB"] = static_cast<double>(file.Bytes()) / (1 << 20);
  state.counters["points"] = static_cast<double>(file.Points());
}
BENCHMARK(BM_GpxOpen)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
