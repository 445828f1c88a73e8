// The map model driven by a fake reader: opening, placing the view, lazy
// loading by paint, and coordinate-system changes of the whole tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/fake_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "readers/data_kinds.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::FakeBuilders;
using test::FakeData;
using test::FakeFile;
using test::ProjTransform;

constexpr int kKind = 11;

// A 100 m square in zone 9 plane coordinates near Tokyo.
std::vector<TFPoint> Square(double x0, double y0, double size = 100) {
  return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

// A file of one polygon of class 5101, labelled at its first vertex.
FakeFile Sheet(std::vector<TFPoint> points, TCoordMode mode = TCoordMode::Plane,
               TDatum datum = TDatum::Jgd2000, int zone = 0, bool atOpen = false) {
  TFRect r{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const TFPoint& p : points) {
    r.left = std::min(r.left, p.x);
    r.right = std::max(r.right, p.x);
    r.top = std::max(r.top, p.y);
    r.bottom = std::min(r.bottom, p.y);
  }
  const TFPoint label = points[0];
  return {r,     {{TFigKind::Polygon, "5101", std::move(points), label, {}}}, mode, datum, zone,
          atOpen};
}

class MapModelTest : public ::testing::Test {
protected:
  TMapTheme& Theme(int i = 0) { return *project.Themes->Items(i); }
  TMapLeaf& Leaf(int i, int theme = 0) { return *Theme(theme).Leaves->Items(i); }
  const TFigure& Figure(const TMapLeaf& leaf) { return *leaf.FigGrps.at(0)->Items(0); }

  // A paint with a 1000 x 1000 pixel box centred on (x, y).
  void PaintAt(double x, double y) { PaintAt(project, x, y); }
  static void PaintAt(TMapProject& p, double x, double y) {
    p.View->DeviceRect = {0, 0, 1000, 1000};
    p.View->PixelsPerInch = 96;
    p.SetScale(2500);
    p.View->CenterX = x;
    p.View->CenterY = y;
    p.Draw();
  }

  test::TempDir dir;
  FakeData data;
  FakeBuilders reader{kKind, data};
  TMapProject project{reader, nullptr, dir.Path().string()};
};

// The view goes to the first open that gives a leaf, and later opens of the
// kind widen its one theme without moving the view.
TEST_F(MapModelTest, TwoFilesOfOneKindGiveOneThemeWithTheUnionExtent) {
  data.Files["a"] = Sheet(Square(0, 0));
  data.Files["b"] = Sheet(Square(300, -200, 50));
  project.Open("not-a-map", kKind, TOpenMode::File);
  EXPECT_FALSE(project.Placed);
  project.Open("a", kKind, TOpenMode::File);
  EXPECT_TRUE(project.Placed);
  EXPECT_EQ(project.View->WorldRect, (TFRect{0, 100, 100, 0}));
  project.Open("b", kKind, TOpenMode::File);
  ASSERT_EQ(project.Themes->Count(), 1);
  ASSERT_EQ(Theme().Leaves->Count(), 2);
  EXPECT_EQ(Theme().Extent, (TFRect{0, 100, 350, -200}));
  EXPECT_DOUBLE_EQ(Theme().CenterX, 175);
  EXPECT_DOUBLE_EQ(Theme().CenterY, -50);
  EXPECT_DOUBLE_EQ(project.View->CenterX, 50);
  EXPECT_DOUBLE_EQ(project.View->CenterY, 50);
}

TEST_F(MapModelTest, ThemeChoosesDefinitionFileAndLoadsItsTitle) {
  std::filesystem::create_directory(dir.Path() / "def");
  test::WriteFile(dir.File("def/Sdf25.ini"),
                  "[MapTheme]\nThemeTitle=1/2500\n[C_5101]\n"
                  "Visible=1,0,0\nPen=0,0,1\nBrush=0,1\nFont=0,x,9,0,0,0,0,0\n");
  data.Files["a"] = Sheet(Square(0, 0));
  project.Open("a", kKind, TOpenMode::File);
  EXPECT_EQ(Theme().DefFileName, (dir.Path() / "def" / "Sdf25.ini").string());
  EXPECT_EQ(Theme().Title, "1/2500");
  EXPECT_EQ(Theme().ClassDefs->Count(), 1);
  // A kind without a definition file still gets its theme.
  project.Open("x", 77, TOpenMode::File);
  EXPECT_EQ(Theme(1).DefFileName, "");
}

TEST_F(MapModelTest, LeavesLoadInViewAndUnloadAtTheThirdPaintOutside) {
  data.Files["near"] = Sheet(Square(0, 0));
  data.Files["far"] = Sheet(Square(50000, 50000));
  project.Open("near", kKind, TOpenMode::File);
  project.Open("far", kKind, TOpenMode::File);
  PaintAt(50, 50);
  EXPECT_TRUE(Leaf(0).Loaded);
  EXPECT_FALSE(Leaf(1).Loaded) << "a leaf outside the view is never loaded";
  EXPECT_EQ(data.LoadLog, std::vector<std::string>{"near"});
  for (int paint = 1; paint <= 2; ++paint) {
    PaintAt(-90000, -90000);
    EXPECT_TRUE(Leaf(0).Loaded) << "paint " << paint << " outside";
  }
  PaintAt(-90000, -90000);
  EXPECT_FALSE(Leaf(0).Loaded);
  EXPECT_EQ(Leaf(0).FigGrpCount(), 0);
  EXPECT_EQ(Leaf(0).DrawClasses->Count(), 0);
  PaintAt(50, 50);
  EXPECT_TRUE(Leaf(0).Loaded);
  EXPECT_EQ(data.LoadLog.size(), 2u);

  // A leaf built at its open and never in view goes at the second paint.
  data.Files["built"] = Sheet(Square(-50000, -50000));
  data.Files["built"].LoadAtOpen = true;
  project.Open("built", kKind, TOpenMode::File);
  ASSERT_TRUE(Leaf(2).Loaded);
  PaintAt(50, 50);
  EXPECT_TRUE(Leaf(2).Loaded) << "first paint outside";
  PaintAt(50, 50);
  EXPECT_FALSE(Leaf(2).Loaded) << "second paint outside";
}

TEST_F(MapModelTest, ALeafWhoseLoadFailsKeepsItsFiguresAndIsNotReadAgainAtEveryPaint) {
  data.Files["bad"] = Sheet(Square(-10000, -20000), TCoordMode::Plane, TDatum::Tokyo, 0);
  data.Files["bad"].FailAfterFigures = true;
  project.Open("bad", kKind, TOpenMode::File);
  const TFRect extent = Leaf(0).Extent;
  EXPECT_THROW(PaintAt(extent.left + 10, extent.bottom + 10), EConvertError);
  EXPECT_EQ(Leaf(0).LoadError, "'x1' は数値ではありません");
  ASSERT_EQ(Leaf(0).FigGrpCount(), 1);
  // What was built is in the project's system like the extent.
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, extent.left, 0.01);
  EXPECT_NO_THROW(PaintAt(extent.left + 10, extent.bottom + 10));
  EXPECT_EQ(data.LoadLog.size(), 1u);
}

TEST_F(MapModelTest, FirstThemeOpenedIsPaintedLast) {
  data.Files["a"] = Sheet(Square(0, 0));
  data.Files["b"] = Sheet(Square(0, 0));
  reader.Set(12, data);
  project.Open("a", kKind, TOpenMode::File);
  project.Open("b", 12, TOpenMode::File);
  PaintAt(50, 50);
  EXPECT_EQ(data.LoadLog, (std::vector<std::string>{"b", "a"}));
}

TEST_F(MapModelTest, ModeRoundTripReturnsTheWholeTree) {
  data.Files["a"] = Sheet(Square(12345, -23456), TCoordMode::Plane, TDatum::Jgd2000, 0, true);
  project.Open("a", kKind, TOpenMode::File);
  const TFRect viewRect = project.View->WorldRect;
  const TFRect themeExtent = Theme().Extent;
  const TFRect leafExtent = Leaf(0).Extent;
  const auto points = Figure(Leaf(0)).Points;
  project.SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Jgd2000);  // the same system: nothing moves
  EXPECT_EQ(Figure(Leaf(0)).Points, points);
  EXPECT_EQ(project.View->WorldRect, viewRect);

  project.SetCoordSystem(TCoordMode::LatLon, TZone::Stated(9), TDatum::Jgd2000);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].y, 35.79, 0.01);   // latitude
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, 139.97, 0.01);  // longitude
  EXPECT_NEAR(project.View->WorldRect.left, 139.97, 0.01);

  project.SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Jgd2000);
  // There and back through degrees held as doubles: well under a millimetre.
  const double tolX = 1e-6;
  const double tolY = 1e-6;
  EXPECT_NEAR(project.View->WorldRect.left, viewRect.left, tolX);
  EXPECT_NEAR(project.View->WorldRect.top, viewRect.top, tolY);
  EXPECT_NEAR(Theme().Extent.right, themeExtent.right, tolX);
  EXPECT_NEAR(Leaf(0).Extent.bottom, leafExtent.bottom, tolY);
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(Figure(Leaf(0)).Points[i].x, points[i].x, tolX);
    EXPECT_NEAR(Figure(Leaf(0)).Points[i].y, points[i].y, tolY);
  }
}

// A millimetre, the unit survey coordinates are given in.
constexpr double kPlaneTolerance = 0.001;

TEST_F(MapModelTest, DatumChangeInPlaneModeMovesTheWindowByTheShift) {
  data.Files["a"] = Sheet(Square(-5000, -40000));
  project.Open("a", kKind, TOpenMode::File);
  const TFRect before = project.View->WorldRect;
  project.SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Tokyo);
  // JGD2000 / zone IX (GRS80) to Tokyo / zone IX (Bessel 1841).
  const TFPoint expected = ProjTransform("EPSG:2451", "EPSG:30169", before.left, before.top);
  EXPECT_NEAR(project.View->WorldRect.left, expected.x, kPlaneTolerance);
  EXPECT_NEAR(project.View->WorldRect.top, expected.y, kPlaneTolerance);
  EXPECT_EQ(Leaf(0).Datum, TDatum::Tokyo);
}

TEST_F(MapModelTest, UnsetZoneConvertsWithTheProjectsZoneAndBadZonesAreRefused) {
  data.Files["a"] = Sheet(Square(0, 0), TCoordMode::Plane, TDatum::Jgd2000, 0, true);
  project.Open("a", kKind, TOpenMode::File);
  Leaf(0).Zone = TZone::Unstated();
  Theme().Zone = TZone::Unstated();
  project.SetCoordSystem(TCoordMode::LatLon, TZone::Stated(9), TDatum::Jgd2000);
  // Zone 9's origin is 36N 139 50E.
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].y, 36.0, 1e-4);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, 139.0 + 50.0 / 60.0, 1e-4);

  project.SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Jgd2000);
  Leaf(0).Zone = TZone::Stated(25);
  try {
    project.SetCoordSystem(TCoordMode::LatLon, TZone::Stated(9), TDatum::Jgd2000);
    ADD_FAILURE() << "zone 25 converted";
  } catch (const EZoneError& e) {
    EXPECT_EQ(e.Zone(), 25);
    EXPECT_NE(std::string(e.what()).find("25"), std::string::npos);
  }
}

// Files opened in turn into a project of JGD2000 and zone IX (until data
// states another zone), and where PROJ puts the first vertex and the
// extent's top-left corner of one of them: data of another datum, another
// zone or in degrees comes into the project's system whether the reader
// built it at open or a paint loads it later. The first data that states a
// zone chooses the project's, degrees the zone the law gives their place,
// unless the zone is fixed.
struct ArrivalCase {
  const char* Name;
  std::vector<std::pair<std::string, FakeFile>> Files;
  bool ZoneFixed;
  int Zone;  // the project's zone after the opens
  int Leaf;  // the leaf checked
};
void PrintTo(const ArrivalCase& row, std::ostream* os) { *os << row.Name; }

// The EPSG code of the system a file's data is in.
std::string EpsgOf(const FakeFile& f) {
  const int code = f.CoordMode == TCoordMode::LatLon ? 4612
                   : f.Datum == TDatum::Tokyo        ? 30160 + f.Zone
                                                     : 2442 + f.Zone;
  return "EPSG:" + std::to_string(code);
}

class MapModelArrivalTest : public MapModelTest,
                            public ::testing::WithParamInterface<ArrivalCase> {};

TEST_P(MapModelArrivalTest, DataComesIntoTheProjectsSystemAsProjPutsIt) {
  const ArrivalCase& c = GetParam();
  project.ZoneFixed = c.ZoneFixed;
  for (const auto& [name, file] : c.Files) {
    data.Files[name] = file;
    project.Open(name, kKind, TOpenMode::File);
  }
  EXPECT_EQ(project.Zone.Number(), c.Zone);
  const FakeFile& file = c.Files.at(static_cast<std::size_t>(c.Leaf)).second;
  const TFPoint p = file.Figures.at(0).Points.at(0);
  const std::string system = "EPSG:" + std::to_string(2442 + c.Zone);  // JGD2000
  const TFPoint vertex = ProjTransform(EpsgOf(file), system, p.x, p.y);
  const TFPoint corner = ProjTransform(EpsgOf(file), system, file.Extent.left, file.Extent.top);
  TMapLeaf& leaf = Leaf(c.Leaf);
  EXPECT_EQ(leaf.Datum, TDatum::Jgd2000);
  EXPECT_EQ(leaf.Zone.Number(), c.Zone);
  EXPECT_NEAR(leaf.Extent.left, corner.x, kPlaneTolerance);
  EXPECT_NEAR(leaf.Extent.top, corner.y, kPlaneTolerance);
  PaintAt(vertex.x, vertex.y);
  ASSERT_TRUE(leaf.Loaded);
  EXPECT_NEAR(Figure(leaf).Points[0].x, vertex.x, kPlaneTolerance);
  EXPECT_NEAR(Figure(leaf).Points[0].y, vertex.y, kPlaneTolerance);
}

// Squares around Tokyo (zone IX, Tokyo datum), Nagoya (zone VII) and
// 36N 139.9E in degrees.
const FakeFile kTokyoAtOpen =
    Sheet(Square(-5994.469, -35363.475), TCoordMode::Plane, TDatum::Tokyo, 9, true);
const FakeFile kTokyoByPaint =
    Sheet(Square(-5994.469, -35363.475), TCoordMode::Plane, TDatum::Tokyo, 9);
const FakeFile kNagoyaAtOpen =
    Sheet(Square(-33400, -88700, 200), TCoordMode::Plane, TDatum::Jgd2000, 7, true);
const FakeFile kNagoyaByPaint =
    Sheet(Square(-33400, -88700, 200), TCoordMode::Plane, TDatum::Jgd2000, 7);
const FakeFile kDegrees =
    Sheet({{139.9, 36.0}, {139.91, 36.01}}, TCoordMode::LatLon, TDatum::Jgd2000, 0, true);
const FakeFile kZoneIX = Sheet(Square(-6000, -35400), TCoordMode::Plane, TDatum::Jgd2000, 9, true);
// Degrees in Fukuoka city (zone II by the notice) and Tottori city (zone V).
const FakeFile kFukuokaDegrees =
    Sheet({{130.40, 33.59}, {130.41, 33.60}}, TCoordMode::LatLon, TDatum::Jgd2000, 0, true);
const FakeFile kTottoriDegrees =
    Sheet({{134.23, 35.50}, {134.24, 35.51}}, TCoordMode::LatLon, TDatum::Jgd2000, 0, true);

const ArrivalCase kArrivals[] = {
    {"TokyoDatumAtOpen", {{"t", kTokyoAtOpen}}, false, 9, 0},
    {"TokyoDatumByAPaint", {{"t", kTokyoByPaint}}, false, 9, 0},
    {"Degrees", {{"ll", kDegrees}}, false, 9, 0},
    {"FirstZoneStatedIsTheProjects", {{"n", kNagoyaAtOpen}}, false, 7, 0},
    {"LaterDataOfAnotherZone", {{"n", kNagoyaAtOpen}, {"t", kZoneIX}}, false, 7, 1},
    {"DegreesNearTokyoChooseZoneIX", {{"ll", kDegrees}, {"n", kNagoyaByPaint}}, false, 9, 1},
    {"FixedZone", {{"n", kNagoyaByPaint}}, true, 9, 0},
    {"DegreesInFukuokaGoToZoneII", {{"f", kFukuokaDegrees}}, false, 2, 0},
    {"DegreesInTottoriGoToZoneVAndLaterDataFollows",
     {{"t", kTottoriDegrees}, {"n", kNagoyaByPaint}},
     false,
     5,
     1},
};

INSTANTIATE_TEST_SUITE_P(Opens, MapModelArrivalTest, ::testing::ValuesIn(kArrivals),
                         test::RowName<ArrivalCase>);

// A reader may name a leaf by another path than the one given, as the sheet
// reader names a sheet by its folder.
TEST_F(MapModelTest, ALeafIsOpenOnceWhicheverOfItsFilesIsGiven) {
  for (const std::string sheet : {"/maps/09LD183", "/maps/09LD184"}) {
    data.Files[sheet + "/s.txt"] = Sheet(Square(0, 0));
    data.Files[sheet + "/s.txt"].LeafFile = sheet;
  }
  for (const char* name :
       {"/maps/09LD183/s.txt", "/maps/09LD183", "/maps/09LD183/s.txt", "/maps/09LD184/s.txt"})
    project.Open(name, kKind, TOpenMode::File);
  EXPECT_EQ(Theme().Leaves->Count(), 2);
}

TEST_F(MapModelTest, LeavesAddedBeforeAFolderScanFailsAreConvertedToo) {
  data.Files["/maps/a"] = Sheet(Square(-10000, -20000), TCoordMode::Plane, TDatum::Tokyo);
  data.Files["/maps/b"] = Sheet(Square(0, 0), TCoordMode::Plane, TDatum::Tokyo, 0, true);
  data.Files["/maps/b"].FailAfterFigures = true;
  EXPECT_THROW(project.Open("/maps", kKind, TOpenMode::Folder), EConvertError);
  ASSERT_EQ(Theme().Leaves->Count(), 1);
  EXPECT_EQ(Leaf(0).Datum, TDatum::Jgd2000);
  EXPECT_GT(std::hypot(Leaf(0).Extent.left + 10000, Leaf(0).Extent.top + 19900), 300.0);
  EXPECT_EQ(Theme().Extent, Leaf(0).Extent);
}

}  // namespace
}  // namespace chizro
