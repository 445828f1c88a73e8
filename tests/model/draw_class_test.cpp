// Draw classes on a recording canvas: drawing order by Order, visibility and
// scale ranges, pixels of every figure kind, symbol and label placement.
#include "model/draw_class.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/class_def.h"
#include "model/map_figure.h"
#include "model/map_view.h"
#include "support/leaf_dump.h"
#include "support/recording_canvas.h"

namespace chizro {
namespace {

using test::TFakeBitmap;
using test::TRecordingCanvas;
using Names = std::vector<std::string>;

constexpr TColor kRed = MakeColor(255, 0, 0);
constexpr TColor kBlue = MakeColor(0, 0, 255);

class DrawClassTest : public ::testing::Test {
protected:
  DrawClassTest() {
    // Window x 0..200, y 0..100, two pixels per metre: pixel (2x, 200 - 2y).
    view.SetWorldRect({0, 100, 200, 0});
    view.PxPerUnitX = 2;
    view.PxPerUnitY = 2;
    view.Scale = 2500;
    view.Canvas = &canvas;
  }

  TClassDef& Def(const std::string& code, int order) {
    TClassDef* def = defs.Add(std::make_unique<TClassDef>(code, nullptr));
    def->Order = order;
    def->Visible = 1;
    def->Pen = {kRed, kPenDash, 2};
    def->Brush = {kBlue, kBrushCross};
    def->Font.Size = 12;
    return *def;
  }

  template <class Fig>
  Fig& Figure(const std::string& code, std::vector<TFPoint> points) {
    auto fig = std::make_unique<Fig>();
    fig->ClassCode = code;
    fig->Points = std::move(points);
    if (!fig->Points.empty()) {
      fig->LabelX = fig->Points[0].x;
      fig->LabelY = fig->Points[0].y;
    }
    fig->UpdateExtent();
    Fig& ref = *fig;
    figures.push_back(std::move(fig));
    return ref;
  }

  // The group as a leaf builds it: definitions first, then every figure.
  void Build() {
    grp.AddClassDefs(defs);
    for (const auto& fig : figures) grp.AddFigure(*fig);
  }

  void Paint() {
    grp.Draw(view);
    grp.DrawText(view);
  }

  Names Order() const {
    Names names;
    for (int i = 0; i < grp.Count(); ++i) names.push_back(grp.Items(i)->Name);
    return names;
  }

  // The calls of the canvas without their pens, brushes and fonts.
  std::string Shapes() const {
    std::string shapes;
    for (std::size_t at = 0; at < canvas.Calls.size();) {
      const std::size_t end = canvas.Calls.find('\n', at);
      shapes += canvas.Calls.substr(at, canvas.Calls.find(" pen ", at) - at) + "\n";
      at = end + 1;
    }
    return shapes;
  }

  TClassDefGrp defs;
  std::vector<std::unique_ptr<TFigure>> figures;
  TDrawClassGrp grp;
  TRecordingCanvas canvas;
  TMapView view{nullptr};
};

TEST_F(DrawClassTest, SmallerOrderIsDrawnLastAndEnumeratedFirst) {
  Def("A", 12);
  Def("B", 7);
  Figure<TFigPolygon>("A", {{10, 10}, {20, 10}, {20, 20}});
  Figure<TFigPolygon>("B", {{30, 10}, {40, 10}, {40, 20}});
  Build();
  EXPECT_EQ(Order(), (Names{"A", "B"})) << "by code while built";

  Paint();
  EXPECT_EQ(Order(), (Names{"B", "A"}));
  EXPECT_EQ(Shapes(), "polygon 20,180 40,180 40,160\npolygon 60,180 80,180 80,160\n")
      << "A first, so that B lies on top";
  // Lookup still works in the new order.
  EXPECT_EQ(grp.Find("a"), grp.Items(1));
}

TEST_F(DrawClassTest, EqualOrdersLandWhereTheQuickSortPutsThemAndUndefinedClassesFirst) {
  Def("A", 0);
  Def("B", 0);
  Def("C", 0);
  Figure<TFigPolyline>("Z", {{1, 1}});  // no definition: sorts as ""
  Build();
  ASSERT_EQ(Order(), (Names{"A", "B", "C", "Z"}));
  // Pivot B: Z and A swap, then B and C; the left part (Z C) stays, the
  // right part (B A) swaps around its pivot B: Z C A B.
  grp.Draw(view);
  EXPECT_EQ(Order(), (Names{"Z", "C", "A", "B"}));
  EXPECT_EQ(canvas.Calls, "") << "classes without figures or definition draw nothing";
}

TEST_F(DrawClassTest, OrdersAreComparedAsFiveDigitTexts) {
  Def("Neg", -3);
  Def("Six", 100000);
  Def("Two", 2);
  Def("Mid", 99999);
  Build();
  grp.SortByOrder();
  // "-0003" < "00002" < "100000" < "99999"
  EXPECT_EQ(Order(), (Names{"Neg", "Two", "Six", "Mid"}));
}

TEST_F(DrawClassTest, WithoutCanvasTheOrderIsSetAndNothingPainted) {
  Def("A", 2);
  Def("B", 1);
  Figure<TFigPolygon>("A", {{10, 10}});
  Build();
  view.Canvas = nullptr;
  Paint();
  EXPECT_EQ(Order(), (Names{"B", "A"}));
  EXPECT_EQ(canvas.Calls, "");
}

// Every kind of figure at once, with the classes of
// tests/data/defs/draw_scene.ini, against draw_scene.txt beside it.
// Vertices go through the pixel transform (x 2x, y 200 - 2y, fractions
// dropped); figures outside the window or without vertices, and rasters
// without an image, are not drawn. Labels come from the class's source (text
// index or property name, none for other sources or a negative index),
// centred 2 pixels below the anchor, on white when the class is opaque; the
// classes are labelled from the last to the first.
TEST_F(DrawClassTest, ASceneOfEveryKindPaintsAsItsGolden) {
  ASSERT_TRUE(defs.LoadFromFile(test::DataPath("defs/draw_scene.ini")));
  Figure<TFigPolygon>("G", {{10, 10}, {20.9, 10}, {20, 49.9}, {10, 10}});
  Figure<TFigPolyline>("G", {{0, 100}, {200, 0}});
  Figure<TFigPolygon>("G", {{300, 10}, {310, 20}});
  Figure<TFigPolygon>("G", {});
  auto& raster = Figure<TFigRaster>("R", {});
  raster.Extent = {10, 90, 30.4, 70};
  raster.Image = std::make_unique<TFakeBitmap>(3, 3);
  Figure<TFigRaster>("R", {}).Extent = {10, 90, 30, 70};
  auto& a = Figure<TFigPolygon>("I", {{10, 10}, {20, 20}});
  a.AddText("zero");
  a.AddText("abc");
  Figure<TFigPolygon>("I", {{10, 10}}).AddText("only one");
  Figure<TFigPolyline>("P", {{30, 40}}).Props.Add("name", "prop");
  Figure<TFigPolyline>("P", {{30, 40}});
  Figure<TFigPolyline>("O", {{30, 40}}).AddText("never");
  Figure<TFigPolyline>("N", {{30, 40}}).AddText("never");
  auto& outside = Figure<TFigPolygon>("I", {{500, 10}});
  outside.AddText("x");
  outside.AddText("outside");
  Build();
  Paint();
  test::ExpectGolden(canvas.Calls, "defs/draw_scene.txt");
}

struct SymbolCase {
  const char* Name;
  int SymSize;
  bool HasImage;
  const char* Drawn;
};
void PrintTo(const SymbolCase& row, std::ostream* os) { *os << row.Name; }

class DrawClassSymbolTest : public DrawClassTest,
                            public ::testing::WithParamInterface<SymbolCase> {};

// A point at pixel (100, 100) labelled "ab" (10 pixels wide).
TEST_P(DrawClassSymbolTest, SymbolCentredOnThePointAndLabelBelowIt) {
  const SymbolCase& c = GetParam();
  defs.Images.SetSize(c.SymSize, c.SymSize);
  if (c.HasImage)
    defs.SymbolKeys.Add("sym", defs.Images.Add(std::make_unique<TFakeBitmap>(32, 32)));
  TClassDef& def = Def("7301", 0);
  def.SymbolIndex = c.HasImage ? 0 : -1;
  def.LabelOn = 1;
  Figure<TFigPoint>("7301", {{50, 50}}).AddText("ab");
  Figure<TFigPoint>("7301", {});  // no position: nothing to draw
  Build();
  Paint();

  EXPECT_EQ(Shapes(), c.Drawn);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DrawClassSymbolTest,
    ::testing::Values(SymbolCase{"Even", 16, true, "image 32x32 92,92 108,108\ntext [ab] 95,110\n"},
                      SymbolCase{"OddRoundsDown", 15, true,
                                 "image 32x32 93,93 108,108\ntext [ab] 95,109\n"},
                      SymbolCase{"NoSymbolStillLabelled", 16, false, "text [ab] 95,110\n"}),
    test::RowName<SymbolCase>);

struct VisibilityCase {
  const char* Name;
  std::uint8_t Visible;
  double MinScale, MaxScale;
  bool Defined;
  bool Figures, Labels;
};
void PrintTo(const VisibilityCase& row, std::ostream* os) { *os << row.Name; }

class DrawClassVisibilityTest : public DrawClassTest,
                                public ::testing::WithParamInterface<VisibilityCase> {};

TEST_P(DrawClassVisibilityTest, FiguresAndLabelsFollowTheDefinition) {
  const VisibilityCase& c = GetParam();
  if (c.Defined) {
    TClassDef& def = Def("K", 0);
    def.Visible = c.Visible;
    def.MinScale = c.MinScale;
    def.MaxScale = c.MaxScale;
    def.LabelOn = 1;
  }
  Figure<TFigPolygon>("K", {{10, 10}, {20, 20}}).AddText("name");
  Build();
  Paint();
  EXPECT_EQ(Shapes(), std::string(c.Figures ? "polygon 20,180 40,160\n" : "") +
                          (c.Labels ? "text [name] 10,182\n" : ""));
  EXPECT_EQ(grp.Items(0)->IsVisible(view), c.Figures);
}

// The view is at 1:2500; the scale bounds are checked with the class
// definitions.
INSTANTIATE_TEST_SUITE_P(
    Ranges, DrawClassVisibilityTest,
    ::testing::Values(VisibilityCase{"Shown", 1, 0, 0, true, true, true},
                      VisibilityCase{"HiddenClassKeepsItsLabels", 0, 0, 0, true, false, true},
                      VisibilityCase{"OutOfRangeHidesTheLabelsToo", 1, 5000, 0, true, false, false},
                      VisibilityCase{"NoDefinition", 1, 0, 0, false, false, false}),
    test::RowName<VisibilityCase>);

TEST_F(DrawClassTest, FiguresAreHeldOnceAndUnknownCodesGetAClassOfTheirOwn) {
  Def("Known", 0);
  auto& fig = Figure<TFigPolygon>("known", {{1, 1}});
  Figure<TFigPolygon>("Stray", {{1, 1}});
  Build();
  Build();  // offered again, as after another leaf's load
  ASSERT_EQ(Order(), (Names{"Known", "Stray"}));
  EXPECT_EQ(grp.Find("KNOWN")->Figures, (std::vector<const TFigure*>{&fig}));
  EXPECT_EQ(grp.Find("stray")->ClassDef, nullptr);
  EXPECT_EQ(grp.Find("Known")->ClassDef, defs.Items(0));
  grp.Clear();
  EXPECT_EQ(grp.Find("Known"), nullptr);
}

}  // namespace
}  // namespace chizro
