// The view's transform: world window from centre and scale, world to pixel
// and back, the background clear, and the latitude/longitude unit factors.
#include "model/map_view.h"
#include "readers/data_kinds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "model/map_project.h"
#include "support/recording_canvas.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::TRecordingCanvas;

class MapViewTest : public ::testing::Test {
protected:
  // A paint of a `w` x `h` box at 96 ppi and 1:2500, centred on (cx, cy).
  void Paint(TMapView& v, int w, int h, double cx, double cy) {
    canvas.SetClip({0, 0, w, h});
    v.SetCanvas(&canvas);
    v.PixelsPerInch = 96;
    v.Scale = 2500;
    v.CenterX = cx;
    v.CenterY = cy;
    v.Draw();
  }

  TRecordingCanvas canvas;
  TMapView view{nullptr};
};

TEST_F(MapViewTest, PaintDerivesTheWorldWindowFromCentreAndScaleAndPixelsMapBack) {
  Paint(view, 688, 451, 1000, 2000);
  // One metre is 1.0583 pixels at 96 ppi and 1:2500: 688 pixels show 650.08
  // metres, around the centre.
  EXPECT_NEAR(view.WorldWidth, 650.0787, 1e-3);
  EXPECT_NEAR(view.WorldHeight, 426.1417, 1e-3);
  EXPECT_NEAR(view.WorldRect.left, 1000 - 325.0394, 1e-3);
  EXPECT_NEAR(view.WorldRect.top, 2000 + 213.0709, 1e-3);

  // Pixels back to the world by the latest paint (450 pixels high).
  Paint(view, 688, 450, 1000, 2000);
  TFPoint w;
  view.DcToWc({344, 225}, w);  // the centre pixel keeps the centre
  EXPECT_NEAR(w.x, 1000, 1e-3);
  EXPECT_NEAR(w.y, 2000, 1e-3);
  view.DcToWc({0, 450}, w);
  EXPECT_DOUBLE_EQ(w.x, view.WorldRect.left);
  EXPECT_DOUBLE_EQ(w.y, view.WorldRect.bottom);
  view.DcToWc({688, 0}, w);
  EXPECT_NEAR(w.x, view.WorldRect.right, 1e-3);
  EXPECT_NEAR(w.y, view.WorldRect.top, 1e-3);
}

TEST_F(MapViewTest, PaintClearsTheCurrentClipRectangleToWhite) {
  Paint(view, 688, 451, 0, 0);
  canvas.Calls.clear();
  canvas.SetClip({0, 0, 300, 200});  // the window was resized
  view.Draw();
  EXPECT_EQ(canvas.Calls.substr(0, canvas.Calls.find(" font")),
            "fill 0,0 300,200 pen 0 0 1 brush 16777215 0");
  EXPECT_DOUBLE_EQ(view.DeviceWidth, 300);

  canvas.Calls.clear();
  canvas.SetBrush({kColorBlack, kBrushCross});
  view.ClearBackground = false;
  view.Draw();
  EXPECT_EQ(canvas.Calls, "");
  EXPECT_EQ(canvas.Brush().Color, kColorWhite) << "the brush is set even without clearing";
}

struct PixelCase {
  const char* Name;
  double X, Y;
  TPoint Expected;
};
void PrintTo(const PixelCase& row, std::ostream* os) { *os << row.Name; }

class WcToDcTest : public ::testing::TestWithParam<PixelCase> {};

// Window left 100, top 200, two pixels per unit: exact in binary.
TEST_P(WcToDcTest, DiscardsTheFractionTowardZero) {
  TMapView v(nullptr);
  v.SetWorldRect({100, 200, 400, 50});
  v.PxPerUnitX = 2;
  v.PxPerUnitY = 2;
  const PixelCase& c = GetParam();
  EXPECT_EQ(v.WcToDc(c.X, c.Y), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, WcToDcTest,
    ::testing::Values(PixelCase{"TopLeftCorner", 100, 200, {0, 0}},
                      PixelCase{"HalfAPixelLeftOfTheEdge", 99.75, 200, {0, 0}},
                      PixelCase{"OneAndAHalfPixelsLeft", 99.25, 200, {-1, 0}},
                      PixelCase{"HalfAPixelAboveTheTop", 100, 200.25, {0, 0}},
                      PixelCase{"OneAndAHalfPixelsAbove", 100, 200.75, {0, -1}},
                      PixelCase{"InsideRoundsDown", 100.9, 199.1, {1, 1}},
                      PixelCase{"FarRightIsHeld", 1e30, 200, {TMapView::kMaxDeviceCoord, 0}},
                      PixelCase{"FarBelowIsHeld", 100, -1e30, {0, TMapView::kMaxDeviceCoord}},
                      PixelCase{"FarLeftIsHeld", -1e30, 200, {-TMapView::kMaxDeviceCoord, 0}}),
    test::RowName<PixelCase>);

// A view never given a scale maps to pixels without overflow; an empty paint
// box neither fails nor divides by zero.
TEST_F(MapViewTest, DegenerateViewsNeitherFailNorOverflow) {
  TMapView v(nullptr);
  v.Scale = 0;  // infinite pixels per unit
  v.UpdateTransform();
  EXPECT_LE(std::abs(v.WcToDc(5, 5).x), TMapView::kMaxDeviceCoord);
  v.PxPerUnitX = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(v.WcToDc(5, 5).x, 0);
  Paint(view, 0, 0, 10, 20);
  EXPECT_DOUBLE_EQ(view.WorldWidth, 0);
  TFPoint w{-1, -1};
  view.DcToWc({5, 5}, w);
  EXPECT_EQ(w, (TFPoint{10, 20}));
}

struct RectCase {
  const char* Name;
  TFRect R;
  bool Meets;
};
void PrintTo(const RectCase& row, std::ostream* os) { *os << row.Name; }

class IntersectsTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(IntersectsTest, TouchingRectanglesMeet) {
  TMapView v(nullptr);
  v.SetWorldRect({0, 100, 200, 0});
  EXPECT_EQ(v.Intersects(GetParam().R), GetParam().Meets);
}

INSTANTIATE_TEST_SUITE_P(Sides, IntersectsTest,
                         ::testing::Values(RectCase{"Inside", {10, 90, 20, 80}, true},
                                           RectCase{"Covering", {-10, 110, 210, -10}, true},
                                           RectCase{"OnTheRightEdge", {200, 50, 300, 40}, true},
                                           RectCase{
                                               "RightOfTheWindow", {200.5, 50, 300, 40}, false},
                                           RectCase{"OnTheTopEdge", {10, 150, 20, 100}, true},
                                           RectCase{"BelowTheWindow", {10, -0.5, 20, -10}, false}),
                         test::RowName<RectCase>);

TEST(MapViewUnits, LatitudeLongitudeShowsTheSameGroundAsPlaneCoordinates) {
  TMapProject project{DefaultBuilders()};
  TRecordingCanvas canvas;
  project.SetCanvas(&canvas);
  project.SetPixelsPerInch(96);
  project.SetScale(2500);
  project.View->CenterX = 139.5;
  project.View->CenterY = 35.5;
  project.CoordMode = TCoordMode::LatLon;
  project.Draw();
  double fx = 0;
  double fy = 0;
  project.View->UnitFactors(fx, fy);
  // About 90 km per degree of longitude and 110.9 km per degree of latitude
  // over the degree north-east of 35.5 degrees north.
  EXPECT_NEAR(fx, 90000, 600);
  EXPECT_NEAR(fy, 110900, 600);
  EXPECT_NEAR(project.View->WorldWidth * fx, 650.0787, 650 * 0.01);
  EXPECT_NEAR(project.View->WorldHeight * fy, 426.1417, 426 * 0.01);
}

// The labels of a paint: a rectangle that overlaps one taken before is
// refused, one that only touches it or lies apart is taken, anywhere on the
// plane (also left of and above the window, across the grid's cells); the
// next paint starts empty.
TEST_F(MapViewTest, LabelSpaceRefusesOverlapsOnlyAndEachPaintStartsEmpty) {
  Paint(view, 688, 451, 0, 0);
  struct Row {
    TRect Rect;
    bool Taken;
  };
  const Row rows[] = {
      {{100, 100, 160, 112}, true},
      {{150, 105, 210, 117}, false},   // overlaps the first by 10 x 7
      {{160, 100, 220, 112}, true},    // touches it on the right
      {{100, 112, 160, 124}, true},    // touches it below
      {{159, 111, 161, 113}, false},   // the corner where three meet
      {{-70, -20, -10, -8}, true},     // above and left of the window
      {{-30, -14, 30, -2}, false},     // across the cells at 0 into it
      {{-10, -20, 50, -8}, true},      // beside it
      {{0, 300, 688, 320}, true},      // the window's width, over many cells
      {{340, 310, 350, 330}, false},   // into its middle
  };
  for (const Row& row : rows)
    EXPECT_EQ(view.TakeLabelSpace(row.Rect), row.Taken)
        << row.Rect.left << "," << row.Rect.top << " " << row.Rect.right << "," << row.Rect.bottom;
  Paint(view, 688, 451, 0, 0);
  EXPECT_TRUE(view.TakeLabelSpace({150, 105, 210, 117}));
}

}  // namespace
}  // namespace chizro
