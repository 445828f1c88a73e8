// 地図XML in 任意座標系 placed by control points. The copies under
// tests/data/placement are the real 公共座標2系 excerpt moved by a known
// similarity and a known affine transform (tools/fixtures/placement); placed
// by four of their own 筆界点, every boundary vertex and boundary point must
// land within 0.1 mm of the original's, as Python's reading of the original
// records them (tests/data/sima/46505-3411-1_excerpt.parcels.tsv).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/sjis.h"
#include "readers/common/control_points.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

double Nearest(const std::vector<TFPoint>& places, TFPoint p) {
  double best = 1e300;
  for (const TFPoint& q : places) best = std::min(best, std::hypot(p.x - q.x, p.y - q.y));
  return best;
}

TMapLeaf& Open(TMapProject& project, const std::string& path) {
  project.ChooseZone(TZone::Stated(2));
  project.Open(path, KindNumber(TKind::Moj), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  if (!leaf.Loaded) theme.LoadLeaf(leaf);
  return leaf;
}

// Every vertex of the leaf's figures but the parcels' label points.
std::vector<TFPoint> Vertices(const TMapLeaf& leaf) {
  const std::string parcel = Utf8ToSjis("筆"), outside = Utf8ToSjis("地区外");
  std::vector<TFPoint> out;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures()) {
      if (fig->ClassCode == parcel || fig->ClassCode == outside) continue;
      out.insert(out.end(), fig->Points.begin(), fig->Points.end());
    }
  return out;
}

// A copy of the data file `map` as `name` in `dir`, with `sidecar` beside it
// as its ".gcp"; the copy's path.
std::string CopyWithSidecar(const TempDir& dir, const std::string& name, const std::string& map,
                            const std::string& sidecar) {
  const std::string copy = dir.File(name);
  fs::copy_file(DataPath(map), copy);
  fs::copy_file(DataPath(sidecar), copy + ".gcp");
  return copy;
}

struct TPlacementCase {
  const char* Name;
  const char* Map;      // under tests/data/placement
  const char* Control;  // a file under tests/data/placement for the project; empty: the sidecar
  TFitKind Fit;
  const char* Says;
};
void PrintTo(const TPlacementCase& c, std::ostream* os) { *os << c.Name; }
class MojPlacement : public ::testing::TestWithParam<TPlacementCase> {};

TEST_P(MojPlacement, EveryCornerLandsOnTheOriginal) {
  const TPlacementCase& c = GetParam();
  TempDir dir;
  std::string map = DataPath(std::string("placement/") + c.Map);
  if (*c.Control) {
    // A copy without its sidecar, placed by the project's file.
    const std::string copy = dir.File("map.xml");
    fs::copy_file(map, copy);
    map = copy;
  }
  TMapProject project{DefaultBuilders()};
  project.Fit = c.Fit;
  if (*c.Control) project.ControlFile = DataPath(std::string("placement/") + c.Control);
  TMapLeaf& leaf = Open(project, map);
  ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  EXPECT_EQ(leaf.Zone, TZone::Stated(2));
  EXPECT_NE(leaf.Notice.find(c.Says), std::string::npos) << leaf.Notice;
  const std::vector<TFPoint> places = MojExcerptPlaces();
  const std::vector<TFPoint> vertices = Vertices(leaf);
  ASSERT_GT(vertices.size(), 40u);
  for (const TFPoint& v : vertices) EXPECT_LT(Nearest(places, v), 0.0001) << v.x << " " << v.y;
  // Nothing lost: every corner and boundary point of the original is there.
  for (const TFPoint& p : places) EXPECT_LT(Nearest(vertices, p), 0.0001) << p.x << " " << p.y;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MojPlacement,
    ::testing::Values(
        TPlacementCase{"HelmertBySidecar", "local_helmert.xml", "", TFitKind::Helmert,
                       "位置合わせ: ヘルマート変換 4点 RMSE 0.000 m"},
        TPlacementCase{"AffineBySidecar", "local_affine.xml", "", TFitKind::Affine,
                       "位置合わせ: アフィン変換 4点 RMSE 0.000 m"},
        TPlacementCase{"BySimaPoints", "local_helmert.xml", "control.sim", TFitKind::Helmert,
                       "control.sim"},
        TPlacementCase{"ByPositionsInUtf8", "local_helmert.xml", "explicit_utf8.gcp",
                       TFitKind::Helmert, "ヘルマート変換 4点"},
        // The file's fit line wins over the project's fit.
        TPlacementCase{"TheFileAsksForAffine", "local_affine.xml", "affine_asked.gcp",
                       TFitKind::Helmert, "アフィン変換 4点 RMSE 0.000 m"}),
    RowName<TPlacementCase>);

// A zip of three 任意座標 maps with one sidecar: each of the first two is
// placed by the points of its own "# 地図:" part (the Helmert copy by three,
// the affine copy by four and its own fit line), the third, without a part,
// stays in its own coordinates with the plain notice.
TEST(MojPlacementZip, EachMemberIsPlacedByItsOwnPart) {
  TempDir dir;
  const std::string zip =
      CopyWithSidecar(dir, "maps.zip", "placement/two_maps.zip", "placement/two_maps.zip.gcp");
  TMapProject project{DefaultBuilders()};
  project.ChooseZone(TZone::Stated(2));
  project.Open(zip, KindNumber(TKind::Moj), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 3);
  const std::vector<TFPoint> places = MojExcerptPlaces();
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    if (!leaf.Loaded) theme.LoadLeaf(leaf);
    ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
    const std::string member = leaf.FileName.substr(leaf.FileName.rfind('|') + 1);
    if (member == "unplaced.xml") {
      EXPECT_TRUE(leaf.Zone.IsLocal());
      EXPECT_EQ(leaf.Notice.find("位置合わせできません"), std::string::npos) << leaf.Notice;
      EXPECT_NE(leaf.Notice.find("任意座標系の地図XML"), std::string::npos) << leaf.Notice;
      continue;
    }
    EXPECT_EQ(leaf.Zone, TZone::Stated(2)) << member;
    EXPECT_NE(leaf.Notice.find(member == "local_affine.xml" ? "アフィン変換 4点 RMSE 0.000 m"
                                                            : "ヘルマート変換 3点 RMSE 0.000 m"),
              std::string::npos)
        << leaf.Notice;
    const std::vector<TFPoint> vertices = Vertices(leaf);
    ASSERT_GT(vertices.size(), 40u);
    for (const TFPoint& v : vertices) EXPECT_LT(Nearest(places, v), 0.0001) << member;
  }
}

struct TUnplacedCase {
  const char* Name;
  const char* Control;  // under tests/data/placement
  std::vector<const char*> Says;
};
void PrintTo(const TUnplacedCase& c, std::ostream* os) { *os << c.Name; }
class MojUnplaced : public ::testing::TestWithParam<TUnplacedCase> {};

// A control file that does not serve leaves the map open where the file
// puts it, with the notice of arbitrary coordinates and the reason.
TEST_P(MojUnplaced, TheMapStaysInItsCoordinatesAndTheNoticeSaysWhy) {
  TempDir dir;
  const std::string copy = dir.File("map.xml");
  fs::copy_file(DataPath("placement/local_helmert.xml"), copy);
  TMapProject project{DefaultBuilders()};
  project.ControlFile = DataPath(std::string("placement/") + GetParam().Control);
  TMapLeaf& leaf = Open(project, copy);
  ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  EXPECT_TRUE(leaf.Zone.IsLocal());
  EXPECT_NE(leaf.Notice.find("任意座標系の地図XML"), std::string::npos) << leaf.Notice;
  for (const char* text : GetParam().Says)
    EXPECT_NE(leaf.Notice.find(text), std::string::npos) << text << " in " << leaf.Notice;
  // Local coordinates: near 1000, 2000, far from the zone's -297000.
  EXPECT_LT(std::fabs(leaf.Extent.bottom), 5000);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MojUnplaced,
    ::testing::Values(
        TUnplacedCase{"UnknownName", "bad/unknown_name.gcp", {"の 3 行目", "'K999'", "地図にありません"}},
        TUnplacedCase{"HalfAPosition", "bad/half_position.gcp", {"の 2 行目", "y '' は数値ではありません"}},
        TUnplacedCase{"NotANumber", "bad/not_a_number.gcp", {"の 2 行目", "'-34217.98x'"}},
        TUnplacedCase{"UnknownFit", "bad/unknown_fit.gcp", {"の 2 行目", "'射影変換'"}},
        TUnplacedCase{"MapWithoutName", "bad/empty_map.gcp", {"の 2 行目", "地図の名前がありません"}},
        TUnplacedCase{"NoSuchFile", "bad/none.gcp", {"none.gcp"}}),
    RowName<TUnplacedCase>);

TEST(MojPlacementRefused, APublicFileKeepsItsPlaceAndSaysSo) {
  TempDir dir;
  const std::string copy = CopyWithSidecar(dir, "public.xml", "moj/46505-3411-1_excerpt.xml",
                                           "placement/local_helmert.xml.gcp");
  TMapProject project{DefaultBuilders()};
  TMapLeaf& leaf = Open(project, copy);
  EXPECT_NE(leaf.Notice.find("公共座標の地図XMLには位置合わせをしません"), std::string::npos)
      << leaf.Notice;
  const std::vector<TFPoint> places = MojExcerptPlaces();
  for (const TFPoint& v : Vertices(leaf)) EXPECT_LT(Nearest(places, v), 0.0001);
}

// Two sheets surveyed apart: each with its own system, each placed by its
// own points; a point outside both takes the fit of all. Sheet A is the
// square 0..100 moved by +1000 north, sheet B the square 200..300 turned a
// quarter about its corner (200, 200) and moved by +2000 east.
TEST(MojPlacementSheets, ASheetWithItsOwnPointsGetsItsOwnFit) {
  TempDir dir;
  const std::string gcp = dir.File("sheets.gcp");
  WriteFile(gcp,
            "A1,10,10,1010,10\nA2,90,10,1090,10\nA3,10,90,1010,90\n"
            "B1,210,210,190,2210\nB2,290,210,190,2290\nB3,210,290,110,2210\n");
  const TControlFile control = ReadControlFile(gcp);
  // Sheets as model rings (east, north).
  const std::vector<std::vector<TFPoint>> sheets = {
      {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{200, 200}, {300, 200}, {300, 300}, {200, 300}}};
  const TMapPlacement placement = TMapPlacement::Fit(
      control, [](const std::string&) { return std::nullopt; }, sheets, TFitKind::Helmert);
  // Sheet A: north + 1000. Point x 50 north, y 20 east -> (east 20, north 1050).
  const TFPoint a = placement.Apply({20, 50});
  EXPECT_NEAR(a.x, 20, 1e-9);
  EXPECT_NEAR(a.y, 1050, 1e-9);
  // Sheet B: (x, y) -> X = 200 - (y - 200), Y = 2200 + (x - 200).
  const TFPoint b = placement.Apply({250, 230});  // x 230 north, y 250 east
  EXPECT_NEAR(b.y, 150, 1e-9);
  EXPECT_NEAR(b.x, 2230, 1e-9);
  EXPECT_NE(placement.Summary().find("図郭 1: ヘルマート変換 3点"), std::string::npos)
      << placement.Summary();
  EXPECT_NE(placement.Summary().find("図郭 2: ヘルマート変換 3点"), std::string::npos);
}

}  // namespace
}  // namespace chizro::test
