// Draw classes on a recording canvas: drawing order by Order, visibility and
// scale ranges, pixels of every figure kind, symbol and label placement.
#include "model/draw_class.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "defs/recording_canvas.h"
#include "model/class_def.h"
#include "model/map_figure.h"
#include "model/map_view.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::TCallKind;
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

  // The class codes of the drawn figures, in drawing order, by their first
  // vertex's x (each test gives each class its own x).
  std::vector<int> DrawnX() const {
    std::vector<int> xs;
    for (const auto& call : canvas.Calls)
      if (call.Kind == TCallKind::Polygon || call.Kind == TCallKind::Polyline)
        xs.push_back(call.Points.at(0).x);
    return xs;
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
  EXPECT_EQ(DrawnX(), (std::vector<int>{20, 60})) << "A first, so that B lies on top";
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
  EXPECT_TRUE(canvas.Calls.empty()) << "classes without figures or definition draw nothing";
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
  EXPECT_TRUE(canvas.Calls.empty());
}

TEST_F(DrawClassTest, PolygonsAndPolylinesGoThroughThePixelTransformWithTheClassStyles) {
  Def("P", 0);
  Figure<TFigPolygon>("P", {{10, 10}, {20.9f, 10}, {20, 49.9f}, {10, 10}});
  Figure<TFigPolyline>("P", {{0, 100}, {200, 0}});
  Figure<TFigPolygon>("P", {{300, 10}, {310, 20}});  // outside the window
  Figure<TFigPolygon>("P", {});                      // no vertices
  Build();
  Paint();
  ASSERT_EQ(canvas.Calls.size(), 2u);
  const auto& polygon = canvas.Calls[0];
  EXPECT_EQ(polygon.Kind, TCallKind::Polygon);
  EXPECT_EQ(polygon.Points, (std::vector<TPoint>{{20, 180}, {41, 180}, {40, 100}, {20, 180}}));
  EXPECT_EQ(polygon.Pen.Color, kRed);
  EXPECT_EQ(polygon.Pen.Style, kPenDash);
  EXPECT_EQ(polygon.Pen.Width, 2);
  EXPECT_EQ(polygon.Brush.Color, kBlue);
  EXPECT_EQ(polygon.Brush.Style, kBrushCross);
  const auto& line = canvas.Calls[1];
  EXPECT_EQ(line.Kind, TCallKind::Polyline);
  EXPECT_EQ(line.Points, (std::vector<TPoint>{{0, 0}, {400, 200}}));
  EXPECT_EQ(line.Pen.Color, kRed);
}

TEST_F(DrawClassTest, RastersAreStretchedOverTheirExtent) {
  Def("R", 0);
  auto& raster = Figure<TFigRaster>("R", {});
  raster.Extent = {10, 90, 30.4f, 70};
  raster.Image = std::make_unique<TFakeBitmap>(3, 3);
  Figure<TFigRaster>("R", {}).Extent = {10, 90, 30, 70};  // no image
  Build();
  Paint();
  ASSERT_EQ(canvas.Calls.size(), 1u);
  EXPECT_EQ(canvas.Calls[0].Kind, TCallKind::StretchDraw);
  EXPECT_EQ(canvas.Calls[0].Rect, (TRect{20, 20, 60, 60}));
  EXPECT_EQ(canvas.Calls[0].Image, raster.Image.get());
}

struct SymbolCase {
  const char* Name;
  int SymSize;
  bool HasImage;
  TRect SymbolRect;  // {0,0,0,0}: no symbol drawn
  TPoint Label;
};

class DrawClassSymbolTest : public DrawClassTest,
                            public ::testing::WithParamInterface<SymbolCase> {};

// A point at pixel (100, 100) labelled "ab" (10 pixels wide).
TEST_P(DrawClassSymbolTest, SymbolCentredOnThePointAndLabelBelowIt) {
  const SymbolCase& c = GetParam();
  defs.Images.SetSize(c.SymSize, c.SymSize);
  TFakeBitmap* image = nullptr;
  if (c.HasImage) {
    auto bitmap = std::make_unique<TFakeBitmap>(32, 32);
    image = bitmap.get();
    defs.SymbolKeys.Add("sym", defs.Images.Add(std::move(bitmap)));
  }
  TClassDef& def = Def("7301", 0);
  def.SymbolIndex = c.HasImage ? 0 : -1;
  def.LabelOn = 1;
  Figure<TFigPoint>("7301", {{50, 50}}).AddText("ab");
  Figure<TFigPoint>("7301", {});  // no position: nothing to draw
  Build();
  Paint();

  const auto symbols = canvas.Of(TCallKind::StretchDraw);
  if (c.HasImage) {
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0].Rect, c.SymbolRect);
    EXPECT_EQ(symbols[0].Image, image);
  } else {
    EXPECT_TRUE(symbols.empty());
  }
  const auto labels = canvas.Of(TCallKind::TextOut);
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].Points[0], c.Label);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DrawClassSymbolTest,
    ::testing::Values(SymbolCase{"Even", 16, true, {92, 92, 108, 108}, {95, 110}},
                      SymbolCase{"OddRoundsDown", 15, true, {93, 93, 108, 108}, {95, 109}},
                      SymbolCase{"NoSymbolStillLabelled", 16, false, {}, {95, 110}}),
    test::RowName<SymbolCase>);

struct VisibilityCase {
  const char* Name;
  std::uint8_t Visible;
  float MinScale, MaxScale;
  bool Defined;
  bool Figures, Labels;
};

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
  EXPECT_EQ(canvas.Of(TCallKind::Polygon).size(), c.Figures ? 1u : 0u);
  EXPECT_EQ(canvas.Of(TCallKind::TextOut).size(), c.Labels ? 1u : 0u);
  EXPECT_EQ(grp.Items(0)->IsVisible(view), c.Figures);
}

// The view is at 1:2500.
INSTANTIATE_TEST_SUITE_P(
    Ranges, DrawClassVisibilityTest,
    ::testing::Values(VisibilityCase{"Shown", 1, 0, 0, true, true, true},
                      VisibilityCase{"HiddenClassKeepsItsLabels", 0, 0, 0, true, false, true},
                      VisibilityCase{"WithinBothBounds", 1, 2500, 2500, true, true, true},
                      VisibilityCase{"MinScaleAboveTheScale", 1, 5000, 0, true, false, false},
                      VisibilityCase{"MaxScaleBelowTheScale", 1, 0, 1000, true, false, false},
                      VisibilityCase{"HiddenAndOutOfRange", 0, 0, 1000, true, false, false},
                      VisibilityCase{"NoDefinition", 1, 0, 0, false, false, false}),
    test::RowName<VisibilityCase>);

TEST_F(DrawClassTest, LabelsComeFromTheConfiguredSourceCentredBelowTheAnchor) {
  TClassDef& byIndex = Def("I", 1);
  byIndex.LabelOn = 1;
  byIndex.LabelAttrIndex = 1;
  byIndex.OpaqueText = 1;
  TClassDef& byProp = Def("P", 2);
  byProp.LabelOn = 1;
  byProp.LabelSource = 1;
  byProp.LabelAttrName = "Name";
  TClassDef& other = Def("O", 3);
  other.LabelOn = 1;
  other.LabelSource = 2;
  TClassDef& negative = Def("N", 4);
  negative.LabelOn = 1;
  negative.LabelAttrIndex = -1;

  auto& a = Figure<TFigPolygon>("I", {{10, 10}, {20, 20}});
  a.AddText("zero");
  a.AddText("abc");  // 15 pixels: the left edge is 7 pixels left of the anchor
  Figure<TFigPolygon>("I", {{10, 10}}).AddText("only one");
  auto& b = Figure<TFigPolyline>("P", {{30, 40}});
  b.Props.Add("name", "prop");
  Figure<TFigPolyline>("P", {{30, 40}});  // no such property: no label
  Figure<TFigPolyline>("O", {{30, 40}}).AddText("never");
  Figure<TFigPolyline>("N", {{30, 40}}).AddText("never");
  auto& outside = Figure<TFigPolygon>("I", {{500, 10}});
  outside.AddText("x");
  outside.AddText("outside");
  Build();
  Paint();

  const auto labels = canvas.Of(TCallKind::TextOut);
  ASSERT_EQ(labels.size(), 2u);
  // Classes are labelled from the last to the first: P before I.
  EXPECT_EQ(labels[0].Text, "prop");
  EXPECT_EQ(labels[0].Points[0], (TPoint{60 - 10, 120 + 2}));
  EXPECT_EQ(labels[0].Brush.Style, kBrushClear) << "transparent label";
  EXPECT_EQ(labels[1].Text, "abc");
  EXPECT_EQ(labels[1].Points[0], (TPoint{20 - 7, 180 + 2}));
  EXPECT_EQ(labels[1].Brush.Style, kBrushSolid) << "opaque label on white";
  EXPECT_EQ(labels[1].Brush.Color, kColorWhite);
  EXPECT_EQ(labels[1].Font.Size, 12);
  EXPECT_EQ(labels[1].Pen.Color, kRed);
}

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
  EXPECT_EQ(grp.Count(), 0);
  EXPECT_EQ(grp.Find("Known"), nullptr);
  Figure<TFigPolygon>("Alpha", {{1, 1}});  // offered last, filed first: code order again
  Build();
  EXPECT_EQ(Order(), (Names{"Alpha", "Known", "Stray"}));
}

}  // namespace
}  // namespace chizro
