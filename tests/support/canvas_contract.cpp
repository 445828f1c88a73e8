// The drawing surface's contract (platform/canvas.h), checked on the pixels
// of each front end's canvas.
#include "support/canvas_contract.h"

#include <cmath>
#include <numbers>
#include <string>

namespace chizro::test {

int TCanvasSurface::Count(const TRect& r, TColor colour) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += At(x, y) == colour ? 1 : 0;
  return n;
}

namespace {

constexpr TColor kRed = MakeColor(255, 0, 0);
constexpr TColor kBlue = MakeColor(0, 0, 255);
constexpr TColor kGrey = MakeColor(128, 128, 128);
constexpr TColor kWhite = kColorWhite;
constexpr int kW = TCanvasSurface::kWidth;
constexpr int kH = TCanvasSurface::kHeight;
const TRect kAll{0, 0, kW, kH};
const std::string kTokyo = "\x93\x8C\x8B\x9E";  // 東京 in Shift_JIS
const std::string kPGothic =
    "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック

TEST_P(CanvasContract, PolygonsAreFilledAlternatelyAndOutlined) {
  TCanvas& c = surface->Canvas();
  c.SetPen({kBlue, kPenSolid, 1});
  c.SetBrush({kRed, kBrushSolid});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  c.Polygon(square);
  EXPECT_EQ(surface->At(30, 30), kRed);
  EXPECT_EQ(surface->At(30, 10), kBlue);
  EXPECT_EQ(surface->At(10, 30), kBlue);
  EXPECT_EQ(surface->At(70, 30), kWhite);

  // A five-pointed star drawn in one stroke: its centre is enclosed twice
  // and stays empty; its points are filled.
  surface->Fill(kWhite);
  TCanvas& d = surface->Canvas();
  d.SetPen({kBlue, kPenClear, 1});
  d.SetBrush({kRed, kBrushSolid});
  TPoint star[5];
  for (int i = 0; i < 5; ++i) {
    const double angle = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
    star[i] = {50 + static_cast<int>(std::lround(35 * std::cos(angle))),
               40 + static_cast<int>(std::lround(35 * std::sin(angle)))};
  }
  d.Polygon(star);
  EXPECT_EQ(surface->At(50, 42), kWhite) << "the centre";
  EXPECT_EQ(surface->At(50, 12), kRed) << "the top point";
}

TEST_P(CanvasContract, ClearPenAndBrushDrawNothing) {
  TCanvas& c = surface->Canvas();
  c.SetPen({kBlue, kPenClear, 1});
  c.SetBrush({kRed, kBrushClear});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  c.Polygon(square);
  c.Polyline(square);
  c.Rectangle({0, 0, 60, 60});
  c.FillRect(kAll);
  EXPECT_EQ(surface->Count(kAll, kWhite), kW * kH);
}

TEST_P(CanvasContract, PolylinesStayOpen) {
  TCanvas& c = surface->Canvas();
  c.SetPen({kRed, kPenSolid, 1});
  const TPoint line[] = {{5, 5}, {5, 60}, {60, 60}};
  c.Polyline(line);
  EXPECT_EQ(surface->At(5, 30), kRed);
  EXPECT_EQ(surface->At(30, 60), kRed);
  EXPECT_EQ(surface->At(30, 32), kWhite) << "not closed";
}

TEST_P(CanvasContract, FillsStayInsideTheRectangleAndHatchesLeaveGaps) {
  TCanvas& c = surface->Canvas();
  c.SetBrush({kBlue, kBrushSolid});
  c.FillRect({0, 0, 40, 40});
  EXPECT_EQ(surface->Count({0, 0, 40, 40}, kBlue), 40 * 40);
  EXPECT_EQ(surface->Count(kAll, kBlue), 40 * 40);

  surface->Fill(kWhite);
  TCanvas& d = surface->Canvas();
  d.SetBrush({kBlue, kBrushCross});
  d.FillRect({0, 0, 40, 40});
  const int blue = surface->Count({0, 0, 40, 40}, kBlue);
  EXPECT_GT(blue, 100);
  EXPECT_GT(surface->Count({0, 0, 40, 40}, kWhite), 40 * 40 / 2) << "the gaps keep the background";
  EXPECT_EQ(blue + surface->Count({0, 0, 40, 40}, kWhite), 40 * 40);
  EXPECT_EQ(surface->Count(kAll, kBlue), blue) << "nothing outside";
  EXPECT_GT(surface->Count({39, 0, 40, 40}, kBlue), 0) << "the last column is filled";
  EXPECT_GT(surface->Count({0, 39, 40, 40}, kBlue), 0) << "the last row is filled";
}

TEST_P(CanvasContract, RectangleOutlinesInsideItsBounds) {
  TCanvas& c = surface->Canvas();
  c.SetPen({kBlue, kPenSolid, 1});
  c.SetBrush({kRed, kBrushSolid});
  c.Rectangle({10, 10, 20, 20});
  EXPECT_EQ(surface->At(10, 10), kBlue);
  EXPECT_EQ(surface->At(19, 19), kBlue);
  EXPECT_EQ(surface->At(15, 15), kRed);
  EXPECT_EQ(surface->At(20, 20), kWhite);
}

TEST_P(CanvasContract, WidePensKeepTheirDashes) {
  TCanvas& c = surface->Canvas();
  const TPoint line[] = {{5, 20}, {95, 20}};
  c.SetPen({kBlue, kPenDash, 3});
  c.Polyline(line);
  const int dashed = surface->Count({5, 20, 95, 21}, kBlue);
  EXPECT_GT(dashed, 30);
  EXPECT_LT(dashed, 85) << "gaps between the dashes";
  EXPECT_GT(surface->Count({5, 21, 95, 22}, kBlue), 30) << "three pixels wide";

  TCanvas& d = surface->Canvas();
  d.SetPen({kBlue, kPenSolid, 3});
  const TPoint below[] = {{5, 40}, {95, 40}};
  d.Polyline(below);
  EXPECT_GE(surface->Count({5, 40, 95, 41}, kBlue), 89);
}

TEST_P(CanvasContract, BitmapsAreStretchedOverTheRectangle) {
  const auto red = surface->Bitmap(2, 2, kRed);
  surface->Canvas().StretchDraw({10, 10, 30, 40}, *red);
  EXPECT_EQ(surface->Count({10, 10, 30, 40}, kRed), 20 * 30);
  EXPECT_EQ(surface->Count(kAll, kRed), 20 * 30);
}

TEST_P(CanvasContract, JapaneseTextIsWrittenBelowAndRightOfItsPosition) {
  TFont font;
  font.Name = kPGothic;
  font.Size = 9;  // 12 pixels at 96 ppi
  font.Color = kBlue;
  TCanvas& c = surface->Canvas();
  c.SetFont(font);
  const int w = c.TextWidth(kTokyo);
  EXPECT_GE(w, 20);
  EXPECT_LE(w, 28);
  EXPECT_GT(c.TextWidth(kTokyo + kTokyo), w);
  EXPECT_EQ(c.TextWidth(""), 0);

  surface->Fill(kGrey);
  TCanvas& d = surface->Canvas();
  d.SetFont(font);
  d.SetBrush({kBlue, kBrushClear});
  d.TextOut(10, 10, kTokyo);
  d.SetBrush({kColorWhite, kBrushSolid});
  d.TextOut(10, 40, kTokyo);
  const TRect transparent{10, 10, 10 + w, 24};
  const TRect opaque{10, 40, 10 + w, 54};
  EXPECT_GT(surface->Count(transparent, kBlue), 10);
  EXPECT_EQ(surface->Count(transparent, kWhite), 0) << "no box without a solid brush";
  EXPECT_GT(surface->Count(opaque, kBlue), 10);
  EXPECT_GT(surface->Count(opaque, kWhite), 10) << "the label stands on a white box";
  EXPECT_EQ(surface->Count({0, 0, kW, 9}, kBlue), 0) << "nothing above the position";
  EXPECT_EQ(surface->Count({0, 0, 9, kH}, kBlue), 0) << "nothing left of the position";
}

}  // namespace
}  // namespace chizro::test
