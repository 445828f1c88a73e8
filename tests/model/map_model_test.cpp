// The map model driven by a fake reader: opening, placing the view, lazy
// loading by paint, and coordinate-system changes of the whole tree.
#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "readers/data_kinds.h"
#include "model/fake_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::FakeData;
using test::FakeFile;
using test::FakeBuilders;

constexpr int kKind = 11;

// A 100 m square in zone 9 plane coordinates near Tokyo.
std::vector<TFPoint> Square(float x0, float y0, float size = 100) {
  return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

// A file of one polygon of class 5101, labelled at its first vertex.
FakeFile Sheet(std::vector<TFPoint> points, int mode = kModePlane, int datum = 2, int zone = 0,
               bool atOpen = false) {
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
  void PaintAt(float x, float y) { PaintAt(project, x, y); }
  static void PaintAt(TMapProject& p, float x, float y) {
    p.View->DeviceRect = {0, 0, 1000, 1000};
    p.View->PixelsPerInch = 96;
    p.SetScale(2500);
    p.View->CenterX = x;
    p.View->CenterY = y;
    p.Draw();
  }

  test::TempDir dir;
  test::ScopedProgramDir home{dir.Path().string()};
  FakeData data;
  FakeBuilders reader{kKind, data};
  TMapProject project{reader};
};

TEST_F(MapModelTest, TwoFilesOfOneKindGiveOneThemeWithTheUnionExtent) {
  data.Files["a"] = Sheet(Square(0, 0));
  data.Files["b"] = Sheet(Square(300, -200, 50));
  EXPECT_TRUE(project.Open("a", kKind, 2));
  const float cx = project.View->CenterX;
  EXPECT_TRUE(project.Open("b", kKind, 2));
  ASSERT_EQ(project.Themes->Count(), 1);
  ASSERT_EQ(Theme().Leaves->Count(), 2);
  EXPECT_EQ(Theme().Extent, (TFRect{0, 100, 350, -200}));
  EXPECT_FLOAT_EQ(Theme().CenterX, 175);
  EXPECT_FLOAT_EQ(Theme().CenterY, -50);
  EXPECT_FLOAT_EQ(project.View->CenterX, cx) << "later opens must not move the view";
  EXPECT_FLOAT_EQ(project.View->CenterX, 50);
}

TEST_F(MapModelTest, ViewIsPlacedOnTheFirstOpenThatGivesALeaf) {
  data.Files["good"] = Sheet(Square(1000, 2000));
  EXPECT_TRUE(project.Open("not-a-map", kKind, 2));
  EXPECT_FALSE(project.Placed);
  project.Open("good", kKind, 2);
  EXPECT_TRUE(project.Placed);
  EXPECT_FLOAT_EQ(project.View->CenterX, 1050);
  EXPECT_FLOAT_EQ(project.View->CenterY, 2050);
  EXPECT_EQ(project.View->WorldRect, (TFRect{1000, 2100, 1100, 2000}));
}

TEST_F(MapModelTest, ThemeChoosesDefinitionFileAndLoadsItsTitle) {
  std::filesystem::create_directory(dir.Path() / "def");
  test::WriteFile(dir.File("def/Sdf25.ini"),
                  "[MapTheme]\nThemeTitle=1/2500\n[C_5101]\n"
                  "Visible=1,0,0\nPen=0,0,1\nBrush=0,1\nFont=0,x,9,0,0,0,0,0\n");
  data.Files["a"] = Sheet(Square(0, 0));
  project.Open("a", kKind, 2);
  EXPECT_EQ(Theme().DefFileName, (dir.Path() / "def" / "Sdf25.ini").string());
  EXPECT_EQ(Theme().Title, "1/2500");
  EXPECT_EQ(Theme().ClassDefs->Count(), 1);
  // A kind without a definition file still gets its theme.
  project.Open("x", 77, 2);
  EXPECT_EQ(Theme(1).DefFileName, "");
}

TEST_F(MapModelTest, LeavesLoadInViewAndUnloadAtTheThirdPaintOutside) {
  data.Files["near"] = Sheet(Square(0, 0));
  data.Files["far"] = Sheet(Square(50000, 50000));
  project.Open("near", kKind, 2);
  project.Open("far", kKind, 2);
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
}

TEST_F(MapModelTest, ALeafWhoseLoadFailsKeepsItsFiguresAndIsNotReadAgainAtEveryPaint) {
  data.Files["bad"] = Sheet(Square(-10000, -20000), kModePlane, 1, 0);
  data.Files["bad"].FailAfterFigures = true;
  project.Open("bad", kKind, 2);
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
  project.Open("a", kKind, 2);
  project.Open("b", 12, 2);
  PaintAt(50, 50);
  EXPECT_EQ(data.LoadLog, (std::vector<std::string>{"b", "a"}));
}

TEST_F(MapModelTest, DrawClassesHoldEachFigureOnceAcrossLoads) {
  data.Files["a"] = Sheet(Square(0, 0));
  data.Files["b"] = Sheet(Square(2000, 0));
  project.Open("a", kKind, 2);
  project.Open("b", kKind, 2);
  PaintAt(50, 50);
  PaintAt(2050, 50);  // loads b, runs the draw class update for a again
  ASSERT_TRUE(Leaf(0).Loaded);
  ASSERT_TRUE(Leaf(1).Loaded);
  const TDrawClass* cls = Leaf(0).DrawClasses->Find("5101");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->Figures.size(), 1u);
}

// Vertices of the loaded leaf must be the same whether the reader built them
// at open or later, and after an unload and reload.
TEST_F(MapModelTest, LazyLoadInAnotherDatumMatchesLoadingAtOnce) {
  const auto tokyo = Square(-10000, -20000);
  data.Files["lazy"] = Sheet(tokyo, kModePlane, 1, 0, false);
  data.Files["eager"] = Sheet(tokyo, kModePlane, 1, 0, true);
  project.Open("eager", kKind, 2);
  project.Open("lazy", kKind, 2);
  const TMapLeaf& eager = Leaf(0);
  const TMapLeaf& lazy = Leaf(1);
  ASSERT_TRUE(eager.Loaded);
  EXPECT_EQ(lazy.Extent, eager.Extent);
  EXPECT_EQ(lazy.Datum, 2);

  PaintAt(eager.Extent.left + 50, eager.Extent.bottom + 50);
  ASSERT_TRUE(lazy.Loaded);
  EXPECT_EQ(Figure(lazy).Points, Figure(eager).Points);
  EXPECT_EQ(Figure(lazy).Extent, Figure(eager).Extent);
  // The TOKYO datum lies some 450 m from JGD2000 here: the points moved.
  EXPECT_GT(
      std::hypot(Figure(lazy).Points[0].x - tokyo[0].x, Figure(lazy).Points[0].y - tokyo[0].y),
      300.0);

  const auto firstLoad = Figure(lazy).Points;
  for (int i = 0; i < 3; ++i) PaintAt(-900000, -900000);
  ASSERT_FALSE(lazy.Loaded);
  ASSERT_FALSE(eager.Loaded);
  PaintAt(eager.Extent.left + 50, eager.Extent.bottom + 50);
  ASSERT_TRUE(lazy.Loaded);
  ASSERT_TRUE(eager.Loaded);
  EXPECT_EQ(Figure(lazy).Points, firstLoad);
  EXPECT_EQ(Figure(eager).Points, firstLoad);
  EXPECT_EQ(lazy.Extent, eager.Extent) << "a reload must not convert the extent again";
}

TEST_F(MapModelTest, LatLonDataReloadsIntoPlaneCoordinates) {
  // 0.01 degree square at 36N 139.9E, loaded at open (as a reader of a
  // latitude/longitude file does), then unloaded and reloaded.
  data.Files["ll"] = Sheet({{139.9f, 36.0f}, {139.91f, 36.0f}, {139.91f, 36.01f}, {139.9f, 36.01f}},
                           kModeLatLon, 2, 0, true);
  project.Open("ll", kKind, 2);
  const TMapLeaf& leaf = Leaf(0);
  double X = 0, Y = 0;
  LatLonToXY(kGrs80, 9, X, Y, double{36.0f}, double{139.9f});
  EXPECT_NEAR(Figure(leaf).Points[0].x, Y, 0.01);
  EXPECT_NEAR(Figure(leaf).Points[0].y, X, 0.01);
  const auto first = Figure(leaf).Points;
  for (int i = 0; i < 4; ++i) PaintAt(-900000, -900000);
  ASSERT_FALSE(leaf.Loaded);
  PaintAt(static_cast<float>(Y) + 10, static_cast<float>(X) + 10);
  ASSERT_TRUE(leaf.Loaded);
  EXPECT_EQ(Figure(leaf).Points, first) << "reloaded figures left in degrees";
}

TEST_F(MapModelTest, ModeRoundTripReturnsTheWholeTree) {
  data.Files["a"] = Sheet(Square(12345, -23456), kModePlane, 2, 0, true);
  project.Open("a", kKind, 2);
  const TFRect viewRect = project.View->WorldRect;
  const TFRect themeExtent = Theme().Extent;
  const TFRect leafExtent = Leaf(0).Extent;
  const auto points = Figure(Leaf(0)).Points;
  project.SetCoordSystem(kModePlane, 9, 2);  // the same system: nothing moves
  EXPECT_EQ(Figure(Leaf(0)).Points, points);
  EXPECT_EQ(project.View->WorldRect, viewRect);

  project.SetCoordSystem(kModeLatLon, 9, 2);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].y, 35.79, 0.01);   // latitude
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, 139.97, 0.01);  // longitude
  EXPECT_NEAR(project.View->WorldRect.left, 139.97, 0.01);

  project.SetCoordSystem(kModePlane, 9, 2);
  // Degrees held as floats: a step of 1.5e-5 deg of longitude (1.4 m here)
  // and 3.8e-6 deg of latitude (0.4 m); the way back rounds to half of that.
  const float tolX = 0.75f;
  const float tolY = 0.25f;
  EXPECT_NEAR(project.View->WorldRect.left, viewRect.left, tolX);
  EXPECT_NEAR(project.View->WorldRect.top, viewRect.top, tolY);
  EXPECT_NEAR(Theme().Extent.right, themeExtent.right, tolX);
  EXPECT_NEAR(Leaf(0).Extent.bottom, leafExtent.bottom, tolY);
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(Figure(Leaf(0)).Points[i].x, points[i].x, tolX);
    EXPECT_NEAR(Figure(Leaf(0)).Points[i].y, points[i].y, tolY);
  }
}

// PROJ's transformation between two of its CRS, in (east, north) order for
// projected and (longitude, latitude) for geographic ones: the oracle for
// whole conversions of the model.
TFPoint ProjTransform(const char* from, const char* to, double x, double y) {
  PJ* op = proj_create_crs_to_crs(PJ_DEFAULT_CTX, from, to, nullptr);
  EXPECT_NE(op, nullptr) << from << " -> " << to;
  if (!op) return {};
  PJ* normalized = proj_normalize_for_visualization(PJ_DEFAULT_CTX, op);
  proj_destroy(op);
  const PJ_COORD c = proj_trans(normalized, PJ_FWD, proj_coord(x, y, 0, 0));
  proj_destroy(normalized);
  return {static_cast<float>(c.xy.x), static_cast<float>(c.xy.y)};
}

// Float coordinates of some 10^5 m hold steps of 8 mm; the datum shift may
// take a grid or the three-parameter translation, as PROJ ranks them.
constexpr float kPlaneTolerance = 0.02f;

TEST_F(MapModelTest, DatumChangeInPlaneModeMovesTheWindowByTheShift) {
  data.Files["a"] = Sheet(Square(-5000, -40000));
  project.Open("a", kKind, 2);
  const TFRect before = project.View->WorldRect;
  project.SetCoordSystem(kModePlane, 9, 1);
  // JGD2000 / zone IX (GRS80) to Tokyo / zone IX (Bessel 1841).
  const TFPoint expected = ProjTransform("EPSG:2451", "EPSG:30169", before.left, before.top);
  EXPECT_NEAR(project.View->WorldRect.left, expected.x, kPlaneTolerance);
  EXPECT_NEAR(project.View->WorldRect.top, expected.y, kPlaneTolerance);
  EXPECT_EQ(Leaf(0).Datum, 1);
}

TEST_F(MapModelTest, UnsetZoneConvertsWithTheProjectsZoneAndBadZonesAreRefused) {
  data.Files["a"] = Sheet(Square(0, 0), kModePlane, 2, 0, true);
  project.Open("a", kKind, 2);
  Leaf(0).Zone = 0;
  Theme().Zone = 0;
  project.SetCoordSystem(kModeLatLon, 9, 2);
  // Zone 9's origin is 36N 139 50E.
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].y, 36.0, 1e-4);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, 139.0 + 50.0 / 60.0, 1e-4);

  project.SetCoordSystem(kModePlane, 9, 2);
  Leaf(0).Zone = 25;
  try {
    project.SetCoordSystem(kModeLatLon, 9, 2);
    ADD_FAILURE() << "zone 25 converted";
  } catch (const EZoneError& e) {
    EXPECT_EQ(e.Zone(), 25);
    EXPECT_NE(std::string(e.what()).find("25"), std::string::npos);
  }
}

// A square in zone 7 plane coordinates around Nagoya, and the same corner
// as PROJ puts it into zone 9 (JGD2000 / zone VII to zone IX).
const std::vector<TFPoint> kNagoya = Square(-33400, -88700, 200);

TEST_F(MapModelTest, FirstDataThatStatesAZoneChoosesTheProjectsZone) {
  data.Files["nagoya"] = Sheet(kNagoya, kModePlane, 2, 7, true);
  data.Files["tokyo"] = Sheet(Square(-6000, -35400), kModePlane, 2, 9, true);
  project.Open("nagoya", kKind, 2);
  EXPECT_EQ(project.Zone, 7);
  EXPECT_EQ(Theme().Zone, 7);
  EXPECT_EQ(Figure(Leaf(0)).Points, kNagoya) << "data in the project's zone moves not";

  // Later data of another zone comes into zone 7 through latitude/longitude.
  project.Open("tokyo", kKind, 2);
  EXPECT_EQ(project.Zone, 7);
  const TFPoint expected = ProjTransform("EPSG:2451", "EPSG:2449", -6000, -35400);
  EXPECT_EQ(Leaf(1).Zone, 7);
  EXPECT_NEAR(Figure(Leaf(1)).Points[0].x, expected.x, kPlaneTolerance);
  EXPECT_NEAR(Figure(Leaf(1)).Points[0].y, expected.y, kPlaneTolerance);
  const TFPoint topLeft = ProjTransform("EPSG:2451", "EPSG:2449", -6000, -35300);
  EXPECT_NEAR(Leaf(1).Extent.left, topLeft.x, kPlaneTolerance);
  EXPECT_NEAR(Leaf(1).Extent.top, topLeft.y, kPlaneTolerance);
}

TEST_F(MapModelTest, LatLonDataFirstOrAFixedZoneKeepsTheZone) {
  const TFPoint expected = ProjTransform("EPSG:2449", "EPSG:2451", kNagoya[0].x, kNagoya[0].y);
  for (const bool fixed : {false, true}) {
    SCOPED_TRACE(fixed ? "fixed zone" : "latitude/longitude first");
    TMapProject p{reader};
    data.Files["ll"] = Sheet({{139.9f, 36.0f}, {139.91f, 36.01f}}, kModeLatLon, 2, 0, true);
    data.Files["nagoya"] = Sheet(kNagoya, kModePlane, 2, 7);
    if (fixed)
      p.ZoneFixed = true;
    else
      p.Open("ll", kKind, 2);
    p.Open("nagoya", kKind, 2);
    EXPECT_EQ(p.Zone, 9);
    TMapLeaf& leaf = *p.Themes->Items(0)->Leaves->Items(fixed ? 0 : 1);
    // Loaded later, the figures come from the zone-7 file into zone 9 too.
    PaintAt(p, expected.x, expected.y);
    ASSERT_TRUE(leaf.Loaded);
    EXPECT_NEAR(Figure(leaf).Points[0].x, expected.x, kPlaneTolerance);
    EXPECT_NEAR(Figure(leaf).Points[0].y, expected.y, kPlaneTolerance);
  }
}

TEST_F(MapModelTest, TokyoSheetComesIntoAJgd2000ProjectOnGrs80) {
  data.Files["t"] = Sheet(Square(-5994.469f, -35363.475f), kModePlane, 1, 9, true);
  project.Open("t", kKind, 2);
  EXPECT_EQ(Leaf(0).Datum, 2);
  // Tokyo / zone IX (Bessel) to JGD2000 / zone IX (GRS80), datum shift between.
  const TFPoint expected = ProjTransform("EPSG:30169", "EPSG:2451", -5994.469, -35363.475);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].x, expected.x, kPlaneTolerance);
  EXPECT_NEAR(Figure(Leaf(0)).Points[0].y, expected.y, kPlaneTolerance);
}

// A reader that names its leaves by the folder of the file it is given, as
// the sheet reader does for a sheet's description file.
class FolderNamingBuilder final : public TMapBuilder {
public:
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = fileName.substr(0, fileName.rfind('/'));
    return leaf;
  }
  TMapLeafGrp* OpenFolder(TMapLeafGrp&, const std::string&) override { return nullptr; }
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, float) override { leaf.Loaded = true; }
};

TEST(LeafList, ALeafIsOpenOnceWhicheverOfItsFilesIsGiven) {
  FakeBuilders reader(13, [] { return std::make_unique<FolderNamingBuilder>(); });
  TMapProject project{reader};
  project.Open("/maps/09LD183/09LD183.txt", 13, 2);
  project.Open("/maps/09LD183", 13, 2);
  project.Open("/maps/09LD183/09LD183.txt", 13, 2);
  project.Open("/maps/09LD184/09LD184.txt", 13, 2);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 2);
}

// A folder reader that adds one TOKYO leaf, then meets a broken unit.
class BrokenFolderBuilder final : public TMapBuilder {
public:
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp&, const std::string&) override { return nullptr; }
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folder) override {
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = folder + "/a";
    leaf->Datum = 1;
    leaf->Extent = {-10000, -20000, -9900, -20100};
    leaves.Add(std::move(leaf));
    throw EListIndexError(6);
  }
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, float) override { leaf.Loaded = true; }
};

TEST(LeafList, LeavesAddedBeforeAFolderScanFailsAreConvertedToo) {
  FakeBuilders reader(14, [] { return std::make_unique<BrokenFolderBuilder>(); });
  TMapProject project{reader};
  EXPECT_THROW(project.Open("/maps", 14, 1), EListIndexError);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  EXPECT_EQ(leaf.Datum, 2);
  EXPECT_GT(std::hypot(leaf.Extent.left + 10000, leaf.Extent.top + 20000), 300.0);
  EXPECT_EQ(project.Themes->Items(0)->Extent, leaf.Extent);
}

}  // namespace
}  // namespace chizro
