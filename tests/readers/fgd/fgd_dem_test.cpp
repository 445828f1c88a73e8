// The elevation model of 基盤地図情報 and its contour lines, on fixtures
// written by tools/fixtures/dem/make_fixtures.py: the decoding rules on grids
// small enough to check by hand, marching squares on hand-computed grids,
// and the contours of a tile and of a 2 x 2 block against GDAL's contour
// generator (tests/data/dem/gdal_contours.txt, by tools/fixtures/dem/gdal_contours.py).
#include "readers/fgd/fgd_dem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "readers/common/contour.h"
#include "readers/data_kinds.h"
#include "readers/fgd/fgd_builder.h"
#include "test_support.h"

namespace chizro::test {
namespace {

const std::string kDem = std::string(CHIZRO_TEST_DATA_DIR) + "/dem/";
const std::string kSourceRoot = std::string(CHIZRO_TEST_DATA_DIR) + "/../..";
constexpr double kCell = 0.2 / 3600;  // DEM5A [deg]
const float kNaN = std::nanf("");

// ---------------------------------------------------------------- decoding

struct DecodeCase {
  const char* Name;
  const char* File;
  // Expected values of the 4 x 3 grid, "-" for no data; or empty and
  // Error set.
  const char* Values;
  const char* Error;
};
void PrintTo(const DecodeCase& row, std::ostream* os) { *os << row.Name; }

std::string ValuesText(const std::vector<float>& values) {
  std::string s;
  for (float v : values) {
    if (!s.empty()) s += ' ';
    s += std::isnan(v) ? std::string("-") : std::to_string(static_cast<int>(v));
  }
  return s;
}

class DemDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DemDecode, GivesTheGridOrNamesTheFileAndLine) {
  const DecodeCase& c = GetParam();
  TDemTile tile;
  const std::string path = kDem + c.File;
  if (c.Error[0] == '\0') {
    ASSERT_NO_THROW(DecodeDem(path, tile));
    EXPECT_EQ(tile.Header.Width, 4);
    EXPECT_EQ(tile.Header.Height, 3);
    // The envelope is the outer edge of the cells, "lat lon".
    EXPECT_DOUBLE_EQ(tile.Header.West, 130.5);
    EXPECT_DOUBLE_EQ(tile.Header.North, 33.6);
    EXPECT_NEAR(tile.Header.East - tile.Header.West, 4 * kCell, 1e-9);
    EXPECT_NEAR(tile.Header.North - tile.Header.South, 3 * kCell, 1e-9);
    EXPECT_EQ(ValuesText(tile.Values), c.Values);
    return;
  }
  const std::string message = MessageOf<EInOutError>([&] { DecodeDem(path, tile); });
  EXPECT_NE(message.find(c.File), std::string::npos) << message;
  EXPECT_NE(message.find(" 行"), std::string::npos) << message;
  EXPECT_NE(message.find(c.Error), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DemDecode,
    ::testing::Values(
        DecodeCase{"Plain", "plain.xml", "0 1 2 3 4 5 6 7 8 9 10 11", ""},
        DecodeCase{"ByteOrderMark", "bom.xml", "0 1 2 3 4 5 6 7 8 9 10 11", ""},
        DecodeCase{"Jgd2024", "jgd2024.xml", "0 1 2 3 4 5 6 7 8 9 10 11", ""},
        // startPoint "1 1": the first tuple is cell 1·4 + 1; the list ends
        // early, the cells after it have no data.
        DecodeCase{"StartPointAndEarlyEnd", "start_point.xml", "- - - - - 5 6 7 - - - -", ""},
        DecodeCase{"NoDataValue", "nodata.xml", "0 - 2 3 4 5 6 7 8 9 10 11", ""},
        DecodeCase{"MoreTuplesThanCells", "too_many.xml", "", "タプルの数"},
        DecodeCase{"StartPointPushesPastTheGrid", "start_overflow.xml", "", "タプルの数 4"},
        DecodeCase{"GridSmallerThanTheTuples", "wrong_grid.xml", "", "3×3"},
        DecodeCase{"UnknownSequenceRule", "rule_plus_y.xml", "", "+x+y"},
        DecodeCase{"ValueNotANumber", "bad_value.xml", "", "'5,00'"},
        DecodeCase{"UnknownSrsName", "srs_unknown.xml", "", "fguuid:tokyo.bl"},
        DecodeCase{"BrokenFile", "broken.xml", "", "XML として読めません"},
        DecodeCase{"ByteNotUtf8", "not_utf8.xml", "", "37 行目: 入出力エラー: UTF-8 として読めないバイト 0xFF"}),
    RowName<DecodeCase>);

TEST(DemHeader, VectorFilesAreNotDemAndOtherXmlIsNotFgd) {
  TDemHeader header;
  EXPECT_EQ(ReadDemHeader(std::string(CHIZRO_TEST_DATA_DIR) +
                              "/fgd/FG-GML-533946-BldA-20230101-0001.xml",
                          header),
            TDemKind::NotDem);
  EXPECT_EQ(ReadDemHeader(std::string(CHIZRO_TEST_DATA_DIR) + "/fgd/bad/other_namespace.xml",
                          header),
            TDemKind::NotFgd);
  ASSERT_EQ(ReadDemHeader(kDem + "single.xml", header), TDemKind::Dem);
  EXPECT_EQ(header.Width, 60);
  EXPECT_EQ(header.Height, 40);
  EXPECT_EQ(NominalCellMetres(header), 5);
}

// ------------------------------------------------------- marching squares

using Grid = std::vector<float>;

TContourSet Trace(const Grid& g, int width, double interval) {
  TContourSet set;
  EXPECT_EQ(TraceContours(g.data(), width, static_cast<int>(g.size()) / width, interval, set),
            TContourStatus::Ok);
  return set;
}

std::vector<TContourSet::Point> PointsOf(const TContourSet& set, std::size_t line) {
  const auto& l = set.Lines[line];
  return {set.Points.begin() + static_cast<std::ptrdiff_t>(l.First),
          set.Points.begin() + static_cast<std::ptrdiff_t>(l.First + l.Count)};
}

// Twice the signed area in map orientation (x east, y north = -row).
double SignedArea(const std::vector<TContourSet::Point>& p) {
  double a = 0;
  for (std::size_t i = 0; i + 1 < p.size(); ++i) a += p[i].x * -p[i + 1].y - p[i + 1].x * -p[i].y;
  return a;
}

TEST(MarchingSquares, APeakGivesOneClosedRingWithTheHighGroundOnItsRight) {
  // Centre 10 in a ring of 0: level 5 crosses each edge at its middle.
  const TContourSet set = Trace({0, 0, 0, 0, 10, 0, 0, 0, 0}, 3, 5);
  ASSERT_EQ(set.Lines.size(), 1u);
  EXPECT_TRUE(set.Lines[0].Closed);
  EXPECT_EQ(set.Lines[0].Level, 1);
  const auto p = PointsOf(set, 0);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p.front().x, p.back().x);
  EXPECT_EQ(p.front().y, p.back().y);
  for (const auto& q : p) EXPECT_DOUBLE_EQ(std::fabs(q.x - 1) + std::fabs(q.y - 1), 0.5);
  // Clockwise around the peak: the peak is on the right.
  EXPECT_LT(SignedArea(p), 0);
  // A pit runs the other way.
  const TContourSet pit = Trace({9, 9, 9, 9, 0, 9, 9, 9, 9}, 3, 5);
  ASSERT_EQ(pit.Lines.size(), 1u);
  EXPECT_GT(SignedArea(PointsOf(pit, 0)), 0);
}

TEST(MarchingSquares, LinesStopHalfACellShortOfANodeWithoutData) {
  // A ramp east (0, 5, 10 by column) with its centre node missing: level 2
  // runs at x = 0.4 down the west column of squares. The four squares
  // around the centre keep only their quarters away from it, so the line
  // turns along the inner edge of the top-left square's quarter there and
  // ends on its border with the missing node's quarter.
  const TContourSet set = Trace({0, 5, 10, 0, kNaN, 10, 0, 5, 10}, 3, 2);
  for (std::size_t i = 0; i < set.Lines.size(); ++i) {
    EXPECT_FALSE(set.Lines[i].Closed);
    for (const auto& q : PointsOf(set, i))
      EXPECT_FALSE(std::fabs(q.x - 1) < 0.5 - 1e-12 && std::fabs(q.y - 1) < 0.5 - 1e-12)
          << "(" << q.x << ", " << q.y << ") lies in the quarter of the missing node";
  }
  // Level 2: from the top edge at x = 0.4 into the top-left quarter, whose
  // corners are 0, 2.5 (top middle), 5/3 (centre: mean of 0, 5, 0) and 0;
  // it leaves by that quarter's east side at y = (2 - 2.5) / (5/3 - 2.5) / 2
  // and runs through the top-right quarter to the missing one's border. The
  // same again from the bottom edge. Every level (2 to 10) is two pieces,
  // north and south of the missing node.
  ASSERT_EQ(set.Lines.size(), 10u);
  bool found = false;
  for (std::size_t i = 0; i < set.Lines.size(); ++i) {
    // High ground (east) on the right: the north piece runs north, so
    // walk it backwards from the top edge.
    auto p = PointsOf(set, i);
    std::reverse(p.begin(), p.end());
    if (set.Lines[i].Level != 1 || p.front().y != 0) continue;
    found = true;
    EXPECT_DOUBLE_EQ(p.front().x, 0.4);
    ASSERT_GE(p.size(), 2u);
    EXPECT_DOUBLE_EQ(p[1].x, 0.5);
    EXPECT_NEAR(p[1].y, 0.5 * (2 - 2.5) / (5.0 / 3 - 2.5), 1e-12);
  }
  EXPECT_TRUE(found);
  // A peak with its north-west neighbour missing stays one closed ring,
  // cut short of the missing corner.
  const TContourSet peak = Trace({kNaN, 0, 0, 0, 10, 0, 0, 0, 0}, 3, 5);
  ASSERT_EQ(peak.Lines.size(), 1u);
  EXPECT_TRUE(peak.Lines[0].Closed);
  for (const auto& q : PointsOf(peak, 0)) EXPECT_FALSE(q.x < 0.5 && q.y < 0.5);
}

TEST(MarchingSquares, SaddlesFollowTheMeanOfTheSquare) {
  // 9 0 / 0 9, mean 4.5. Level 4 (mean above): the high corners are joined,
  // the lines cut off the low ones (top-right and bottom-left). Level 8
  // (mean below): they cut off the high corners.
  const TContourSet set = Trace({9, 0, 0, 9}, 2, 4);
  ASSERT_EQ(set.Lines.size(), 4u);
  std::vector<std::string> cuts;
  for (std::size_t i = 0; i < set.Lines.size(); ++i) {
    const auto p = PointsOf(set, i);
    ASSERT_EQ(p.size(), 2u);
    const double mx = (p[0].x + p[1].x) / 2, my = (p[0].y + p[1].y) / 2;
    cuts.push_back(std::to_string(set.Lines[i].Level) + (mx > 0.5 ? "E" : "W") +
                   (my > 0.5 ? "S" : "N"));
  }
  std::sort(cuts.begin(), cuts.end());
  EXPECT_EQ(cuts, (std::vector<std::string>{"1EN", "1WS", "2ES", "2WN"}));
}

TEST(MarchingSquares, AValueOnTheLevelGivesNoRepeatedPoint) {
  const TContourSet set = Trace({0, 5, 10, 0, 5, 10, 0, 5, 10}, 3, 5);
  ASSERT_EQ(set.Lines.size(), 2u);
  for (std::size_t i = 0; i < set.Lines.size(); ++i) {
    const auto p = PointsOf(set, i);
    for (std::size_t j = 1; j < p.size(); ++j)
      EXPECT_FALSE(p[j].x == p[j - 1].x && p[j].y == p[j - 1].y);
  }
  // Level 5 runs down the middle column, level 10 down the east one.
  const auto mid = PointsOf(set, set.Lines[0].Level == 1 ? 0 : 1);
  ASSERT_EQ(mid.size(), 3u);
  for (const auto& q : mid) EXPECT_DOUBLE_EQ(q.x, 1);
}

TEST(MarchingSquares, AnIntervalTooFineForTheReliefIsRefused) {
  TContourSet set;
  const Grid g{0, 1000, 0, 1000};
  EXPECT_EQ(TraceContours(g.data(), 2, 2, 0.001, set), TContourStatus::TooManyLevels);
  // Within the level bound, but 150,000 crossings on each of 300 edges:
  // refused before the crossings are laid out.
  Grid zigzag(2 * 301);
  for (std::size_t i = 0; i < zigzag.size(); ++i) zigzag[i] = (i + i / 301) % 2 ? 150000.f : 0.f;
  EXPECT_EQ(TraceContours(zigzag.data(), 301, 2, 1, set), TContourStatus::TooManyPoints);
}

// ------------------------------------------------------------ GDAL oracle

struct GdalRecord {
  int Lines = 0;
  double Length = 0;
};

GdalRecord Recorded(const std::string& fixture, double interval) {
  std::ifstream in(kDem + "gdal_contours.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string name;
    double i = 0;
    GdalRecord r;
    words >> name >> i >> r.Lines >> r.Length;
    if (name == fixture && i == interval) return r;
  }
  ADD_FAILURE() << "no GDAL record of " << fixture << " at " << interval;
  return {};
}

struct Measured {
  int Lines = 0;
  int Index = 0;  // 計曲線
  double Length = 0;
  bool LabelsRight = true;
};

Measured Measure(const TMapLeaf& leaf, double interval) {
  Measured m;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures()) {
      ++m.Lines;
      for (std::size_t i = 1; i < fig->Points.size(); ++i)
        m.Length += std::hypot(double{fig->Points[i].x} - fig->Points[i - 1].x,
                               double{fig->Points[i].y} - fig->Points[i - 1].y);
      if (fig->ClassCode == kIndexContourCode) {
        ++m.Index;
        // The label is the elevation, a multiple of five intervals.
        const double z = fig->Texts.empty() ? NAN : std::stod(fig->Texts[0]);
        m.LabelsRight &= std::fabs(std::remainder(z, 5 * interval)) < 1e-9;
      } else {
        m.LabelsRight &= fig->ClassCode == kMainContourCode && fig->Texts.empty();
      }
    }
  return m;
}

// The leaf's contours against GDAL's on `fixture` at `interval`: the length
// within one percent, the number of lines within a tenth (or two).
Measured ExpectLikeGdal(const TMapLeaf& leaf, const std::string& fixture, double interval) {
  const Measured m = Measure(leaf, interval);
  const GdalRecord gdal = Recorded(fixture, interval);
  EXPECT_NEAR(m.Length, gdal.Length, 0.01 * gdal.Length);
  EXPECT_NEAR(m.Lines, gdal.Lines, std::max(2.0, 0.1 * gdal.Lines));
  return m;
}

struct OracleCase {
  const char* Name;
  const char* Fixture;
  double Interval;
};
void PrintTo(const OracleCase& row, std::ostream* os) { *os << row.Name; }

class DemAgainstGdal : public ::testing::TestWithParam<OracleCase> {};

TEST_P(DemAgainstGdal, LengthWithinOnePercentAndLinesClose) {
  const OracleCase& c = GetParam();
  TMapProject project{DefaultBuilders(), nullptr, kSourceRoot};
  project.SetContourInterval(c.Interval);
  project.Open(kDem + c.Fixture, KindNumber(TKind::Fgd), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  // The block is one surface: one leaf over its four tiles.
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  // Measured in the data's own latitude/longitude, as GDAL measured.
  theme.Builder->LoadLeaf(leaf, nullptr, 0);
  ASSERT_TRUE(leaf.Loaded);
  const Measured m = ExpectLikeGdal(leaf, c.Fixture, c.Interval);
  EXPECT_GT(m.Index, 0);
  EXPECT_TRUE(m.LabelsRight);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DemAgainstGdal,
                         ::testing::Values(OracleCase{"Tile1m", "single.xml", 1},
                                           OracleCase{"Tile2m", "single.xml", 2},
                                           OracleCase{"Tile5m", "single.xml", 5},
                                           OracleCase{"Block1m", "block_2x2.zip", 1},
                                           OracleCase{"Block2m", "block_2x2.zip", 2},
                                           OracleCase{"Block5m", "block_2x2.zip", 5},
                                           // Start point, early end, holes.
                                           OracleCase{"Holes1m", "holes.xml", 1},
                                           OracleCase{"Holes2m", "holes.xml", 2}),
                         RowName<OracleCase>);

// ------------------------------------------------------- reader and model

TEST(DemReader, ABlockIsOneLeafOverItsTilesAndReopeningAddsNothing) {
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  auto leaf = reader.OpenFile(leaves, kDem + "block_2x2.zip");
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->FileName, kDem + "block_2x2.zip|DEM-0.2s");
  EXPECT_EQ(leaf->CoordMode, TCoordMode::LatLon);
  EXPECT_NEAR(leaf->Extent.left, 130.5, 1e-5);
  EXPECT_NEAR(leaf->Extent.top, 33.6, 1e-5);
  EXPECT_NEAR(leaf->Extent.right, 130.5 + 120 * kCell, 1e-5);
  EXPECT_NEAR(leaf->Extent.bottom, 33.6 - 80 * kCell, 1e-5);
  leaves.Add(std::move(leaf));
  EXPECT_FALSE(reader.OpenFile(leaves, kDem + "block_2x2.zip"));
}

TEST(DemReader, AFolderIsOneSurfaceAcrossItsFilesAndZips) {
  // The block's zip in a subfolder, and its north-west tile again as a file
  // of its own (overlapping: one value per cell is taken).
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "a");
  std::filesystem::copy_file(kDem + "block_2x2.zip", dir.Path() / "a" / "block_2x2.zip");
  std::filesystem::copy_file(kDem + "single.xml", dir.Path() / "single.xml");
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  ASSERT_EQ(reader.OpenFolder(leaves, dir.Path().string()), &leaves);
  ASSERT_EQ(leaves.Count(), 1);
  TMapLeaf& leaf = *leaves.Items(0);
  EXPECT_EQ(leaf.FileName, dir.Path().string() + "|DEM-0.2s");
  reader.LoadLeaf(leaf, nullptr, 0);
  ExpectLikeGdal(leaf, "block_2x2.zip", 2);
}

TEST(DemReader, ATileCutShortIsReportedAndTheOtherStaysContoured) {
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  auto leaf = reader.OpenFile(leaves, kDem + "cut_tile.zip");
  ASSERT_TRUE(leaf);
  try {
    reader.LoadLeaf(*leaf, nullptr, 0);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    // Named as the archive and its member, at the line the tile ends.
    EXPECT_EQ(e.FileName(), kDem + "cut_tile.zip|FG-GML-4930-50-11-DEM5A-20240101.xml");
    EXPECT_EQ(e.Place().Kind, TErrorPlace::TKind::Line) << e.what();
  }
  EXPECT_FALSE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  // Contours of the west tile alone: what GDAL finds on that tile at 2 m.
  ExpectLikeGdal(*leaf, "single.xml", 2);
}

TEST(DemInterval, TheProjectsIntervalReContoursAndZeroTakesTheDefinitionFile) {
  TMapProject project{DefaultBuilders(), nullptr, kSourceRoot};
  project.Open(kDem + "single.xml", KindNumber(TKind::Fgd), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  // "def\Fgd.ini" gives DEM5 2 m.
  theme.Builder->LoadLeaf(leaf, nullptr, 0);
  ExpectLikeGdal(leaf, "single.xml", 2);
  project.SetContourInterval(5);
  EXPECT_FALSE(leaf.Loaded);
  EXPECT_EQ(leaf.FigGrpCount(), 0);
  theme.Builder->LoadLeaf(leaf, nullptr, 0);
  ExpectLikeGdal(leaf, "single.xml", 5);
}

TEST(DemInterval, TheDefinitionFileKeysByCellSizeWithBuiltInFallbacks) {
  TempDir dir;
  const std::string def = dir.File("Fgd.ini");
  WriteFile(def, "[Contour]\r\nDEM5=2.5\r\nDEM10=zehn\r\n");
  EXPECT_DOUBLE_EQ(DefaultContourInterval(def, 5), 2.5);
  EXPECT_DOUBLE_EQ(DefaultContourInterval(def, 10), 10);
  EXPECT_DOUBLE_EQ(DefaultContourInterval(def, 1), 1);
  EXPECT_DOUBLE_EQ(DefaultContourInterval("", 5), 2);
}

}  // namespace
}  // namespace chizro::test
