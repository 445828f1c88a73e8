// Leaves loaded ahead on worker threads: a walk over the leaves of a folder
// that paints each in turn (as the output does) leaves every leaf exactly as
// the same walk without workers does, errors and lazy unloads included.
#include "model/leaf_prefetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "model/fake_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "readers/data_kinds.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::FakeBuilders;
using test::FakeData;
using test::FakeFile;
using test::FigureData;

constexpr int kKind = 11;

// A folder "city" of 4 x 3 sheets of 0.01° in latitude and longitude near
// Tokyo (so every load is converted into the project's plane system), each
// with a block of buildings and a road. Sheet `failing` (if any) fails after
// building its figures.
void MakeCity(FakeData& data, int failing = -1) {
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) {
      const int n = row * 4 + col;
      const double west = 139.70 + 0.01 * col;
      const double south = 35.60 + 0.01 * row;
      FakeFile file;
      file.Extent = {west, south + 0.01, west + 0.01, south};
      file.CoordMode = TCoordMode::LatLon;
      file.Datum = TDatum::Jgd2000;
      for (int k = 0; k < 20; ++k) {
        const double x = west + 0.0004 * (k + 1);
        const double y = south + 0.0003 * (k % 7 + 1);
        file.Figures.push_back(FigureData{TFigKind::Polygon,
                                          "5101",
                                          {{x, y}, {x + 0.0001, y}, {x + 0.0001, y + 0.0001}, {x, y}},
                                          {x, y},
                                          {"B" + std::to_string(n) + "-" + std::to_string(k)}});
      }
      file.Figures.push_back(FigureData{
          TFigKind::Polyline, "2101", {{west, south}, {west + 0.01, south + 0.01}}, {west, south}, {}});
      file.FailAfterFigures = n == failing;
      char name[32];
      std::snprintf(name, sizeof name, "city/%02d", n);
      data.Files[name] = std::move(file);
    }
  }
}

// What a walk left behind: each leaf's dump after its paint, the error of
// each paint, and the state of every leaf at the end.
struct Walk {
  std::vector<std::string> Dumps;
  std::vector<std::string> Errors;
  std::vector<std::string> End;
  std::size_t Loads = 0;
};

// Paints each leaf of the project's first theme in turn, centred, as the
// output does; with `workers` > 0 through a prefetch of that many workers.
Walk WalkLeaves(TMapProject& project, unsigned workers, std::size_t stopAfter = 1000) {
  TMapView& view = *project.View;
  view.DeviceRect = {0, 0, 100, 100};
  view.PixelsPerInch = 96;
  project.SetScale(2500);
  TMapTheme& theme = *project.Themes->Items(0);
  std::vector<TMapLeaf*> order;
  for (int i = 0; i < theme.Leaves->Count(); ++i) order.push_back(theme.Leaves->Items(i));

  Walk walk;
  {
    std::unique_ptr<TLeafPrefetch> prefetch;
    if (workers > 0) {
      prefetch = std::make_unique<TLeafPrefetch>(theme, order, workers);
      EXPECT_EQ(prefetch->Workers(), workers);
      EXPECT_EQ(theme.Prefetch, prefetch.get());
    }
    for (std::size_t i = 0; i < order.size() && i < stopAfter; ++i) {
      TMapLeaf& leaf = *order[i];
      if (prefetch) prefetch->Reach(leaf);
      view.CenterX = (leaf.Extent.left + leaf.Extent.right) / 2;
      view.CenterY = (leaf.Extent.top + leaf.Extent.bottom) / 2;
      std::string error;
      try {
        project.Draw();
      } catch (const std::exception& e) {
        error = e.what();
      }
      walk.Errors.push_back(error);
      walk.Dumps.push_back(test::DumpLeaf(leaf));
    }
  }
  EXPECT_EQ(theme.Prefetch, nullptr) << "the prefetch detaches when it ends";
  for (TMapLeaf* leaf : order)
    walk.End.push_back(leaf->FileName + (leaf->Loaded ? " loaded " : " unloaded ") +
                       std::to_string(leaf->FigGrpCount()) + " idle " +
                       std::to_string(leaf->IdleCount) + " error '" + leaf->LoadError + "'");
  return walk;
}

Walk WalkCity(unsigned workers, int failing = -1, std::size_t stopAfter = 1000) {
  test::TempDir dir;
  FakeData data;
  data.Concurrent = true;
  MakeCity(data, failing);
  FakeBuilders reader{kKind, data};
  TMapProject project{reader, nullptr, dir.Path().string()};
  project.Open("city", kKind, TOpenMode::Folder);
  Walk walk = WalkLeaves(project, workers, stopAfter);
  walk.Loads = data.LoadLog.size();
  return walk;
}

TEST(LeafPrefetchTest, LeavesLoadedAheadEndUpAsLoadedInTurn) {
  const Walk serial = WalkCity(0);
  ASSERT_EQ(serial.Dumps.size(), 12u);
  // The dumps hold the converted figures, not an empty leaf.
  EXPECT_NE(serial.Dumps[5].find("B5-19"), std::string::npos);
  for (const unsigned workers : {1u, 2u, 3u}) {
    const Walk ahead = WalkCity(workers);
    EXPECT_EQ(ahead.Dumps, serial.Dumps) << workers << " workers";
    EXPECT_EQ(ahead.Errors, serial.Errors) << workers << " workers";
    // The paint count decides loads and unloads as before: the sheets far
    // behind the last one are freed in both walks alike.
    EXPECT_EQ(ahead.End, serial.End) << workers << " workers";
    EXPECT_EQ(ahead.Loads, serial.Loads) << "each sheet is read once, as in turn";
  }
  EXPECT_TRUE(std::any_of(serial.End.begin(), serial.End.end(), [](const std::string& s) {
    return s.find(" unloaded ") != std::string::npos;
  })) << "the walk frees sheets it has left, so the comparison covers unloads";
}

TEST(LeafPrefetchTest, AFailedLoadAheadFailsItsPaintWithWhatWasBuilt) {
  const Walk serial = WalkCity(0, 6);
  const Walk ahead = WalkCity(2, 6);
  EXPECT_EQ(serial.Errors[6], "'x1' は数値ではありません");
  EXPECT_EQ(ahead.Errors, serial.Errors);
  EXPECT_EQ(ahead.Dumps, serial.Dumps) << "the figures built before the error stay";
  EXPECT_EQ(ahead.End, serial.End);
}

TEST(LeafPrefetchTest, AWalkEndedEarlyDropsWhatWasLoadedAhead) {
  // Leaves loaded ahead but never painted stay unloaded in the model.
  const Walk ahead = WalkCity(3, -1, 2);
  ASSERT_EQ(ahead.End.size(), 12u);
  for (std::size_t i = 2; i < ahead.End.size(); ++i)
    EXPECT_NE(ahead.End[i].find(" unloaded 0 "), std::string::npos) << ahead.End[i];
}

TEST(LeafPrefetchTest, AReaderThatCannotLoadConcurrentlyIsNotPrefetched) {
  test::TempDir dir;
  FakeData data;
  MakeCity(data);
  FakeBuilders reader{kKind, data};
  TMapProject project{reader, nullptr, dir.Path().string()};
  project.Open("city", kKind, TOpenMode::Folder);
  TMapTheme& theme = *project.Themes->Items(0);
  TLeafPrefetch prefetch(theme, {theme.Leaves->Items(0), theme.Leaves->Items(1)}, 2);
  EXPECT_EQ(prefetch.Workers(), 0u);
  EXPECT_EQ(theme.Prefetch, nullptr);
  EXPECT_FALSE(prefetch.Load(*theme.Leaves->Items(0)));
}

// The shipped readers that load ahead, on folders of their test data (bad
// files among them: their errors come out at the same paints).
struct FolderCase {
  const char* Name;
  int Kind;
  const char* Folder;  // below tests/data, or the source tree with "samples/"
};
void PrintTo(const FolderCase& row, std::ostream* os) { *os << row.Name; }

class LeafPrefetchFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(LeafPrefetchFolder, LoadsAheadAsInTurn) {
  const FolderCase& c = GetParam();
  const std::string folder = std::string(c.Folder).starts_with("samples/")
                                 ? test::SourcePath(c.Folder)
                                 : test::DataPath(c.Folder);
  auto walk = [&](unsigned workers) {
    TMapProject project{DefaultBuilders(), nullptr, test::SourcePath()};
    try {
      project.Open(folder, c.Kind, TOpenMode::Folder);
    } catch (const std::exception&) {
      // A bad file of the folder: the others are open.
    }
    return WalkLeaves(project, workers);
  };
  const Walk serial = walk(0);
  ASSERT_GE(serial.Dumps.size(), 2u);
  const Walk ahead = walk(2);
  EXPECT_EQ(ahead.Dumps, serial.Dumps);
  EXPECT_EQ(ahead.Errors, serial.Errors);
  EXPECT_EQ(ahead.End, serial.End);
}

INSTANTIATE_TEST_SUITE_P(Readers, LeafPrefetchFolder,
                         ::testing::Values(FolderCase{"SdfSamples", KindNumber(TKind::Sdf2500), "samples/sdf"},
                                           FolderCase{"SdfDisc", KindNumber(TKind::Sdf2500), "sdf/disc"},
                                           FolderCase{"Fgd", KindNumber(TKind::Fgd), "fgd"},
                                           FolderCase{"Moj", KindNumber(TKind::Moj), "moj"}),
                         [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace chizro
