// Painting the window's map, as a drag repaints it: a full dense SDF 1:2500
// sheet at 1:2500, and the generated 10 x 10 city at 1:25000, onto a
// 688 x 451 image at 96 pixels per inch (the window's paint box). The
// sheets are loaded by a first paint before the timing; each iteration is
// one paint of the loaded view, clear included.
//
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DCHIZRO_BUILD_BENCH=ON
//   cmake --build build-rel --target paint_bench && build-rel/bench/paint_bench
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/graphics.h"
#include "platform/offscreen.h"
#include "platform/program_dir.h"
#include "readers/data_kinds.h"
#include "sdfgen/sdf_city.h"

namespace {

using namespace chizro;
namespace fs = std::filesystem;

constexpr int kWidth = 688;
constexpr int kHeight = 451;
constexpr int kPixelsPerInch = 96;

// Fonts need the application object; the offscreen platform needs no
// display.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "paint_bench";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QGuiApplication> app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
  }();
}

// The generated sheet and city, written once per process.
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
  // One dense sheet (09LD183), as the converter benchmark's city has them.
  std::string Sheet() {
    const fs::path dir = root_ / "sheet";
    if (!fs::exists(dir)) {
      sdfgen::TCityOptions o;
      o.Origin = "09LD183";
      o.SheetsX = o.SheetsY = 1;
      sdfgen::WriteCity(dir, o);
    }
    return (dir / "09LD183" / "09LD183.txt").string();
  }
  // The 10 x 10 city of bench/convert_city.sh.
  std::string City() {
    const fs::path dir = root_ / "city";
    if (!fs::exists(dir)) sdfgen::WriteCity(dir, sdfgen::TCityOptions{});
    return dir.string();
  }

private:
  BenchData()
      : root_(fs::temp_directory_path() / ("chizro-paint-bench-" + std::to_string(::getpid()))) {}
  fs::path root_;
};

// A project as the window makes it, painting on an image of the paint box's
// size, with its bitmap loader for the symbols.
struct TScene {
  TScene() {
    EnsureApplication();
    surface = MakeOffscreenSurface(kWidth, kHeight, kPixelsPerInch);
    project.View->ClearBackground = true;
    project.SetPixelsPerInch(kPixelsPerInch);
  }

  // Centres the view on everything open at `scale` and paints once, which
  // loads what comes into view.
  void Place(double scale) {
    TFRect all = project.Themes->Items(0)->Extent;
    project.View->CenterX = (all.left + all.right) / 2;
    project.View->CenterY = (all.top + all.bottom) / 2;
    project.SetScale(scale);
    project.SetCanvas(&surface->Canvas());
    project.Draw();
  }

  std::unique_ptr<TBitmapLoader> loader = MakeBitmapLoader();
  std::unique_ptr<TOffscreenSurface> surface;
  TMapProject project{DefaultBuilders(), loader.get(), CHIZRO_SOURCE_DIR};
};

void BM_PaintSheet2500(benchmark::State& state) {
  TScene scene;
  scene.project.Open(BenchData::Get().Sheet(), KindNumber(TKind::Sdf2500), TOpenMode::File);
  scene.Place(2500);
  for (auto _ : state) scene.project.Draw();
}
BENCHMARK(BM_PaintSheet2500)->Unit(benchmark::kMillisecond);

void BM_PaintCity25000(benchmark::State& state) {
  TScene scene;
  scene.project.Open(BenchData::Get().City(), KindNumber(TKind::Sdf2500), TOpenMode::Folder);
  scene.Place(25000);
  int loaded = 0;
  const TMapLeafGrp& leaves = *scene.project.Themes->Items(0)->Leaves;
  for (int i = 0; i < leaves.Count(); ++i) loaded += leaves.Items(i)->Loaded ? 1 : 0;
  for (auto _ : state) scene.project.Draw();
  state.counters["sheets_in_view"] = loaded;
}
BENCHMARK(BM_PaintCity25000)->Unit(benchmark::kMillisecond);

}  // namespace
