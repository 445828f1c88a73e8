// The GDI canvas painting into a DIB section.
#include "win/gdi_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>

#include "win/gdi_bitmap.h"

namespace chizro {
namespace {

constexpr TColor kRed = MakeColor(255, 0, 0);
constexpr TColor kBlue = MakeColor(0, 0, 255);
// The same colours as the section holds them, 0x00RRGGBB.
constexpr std::uint32_t kRedPixel = 0xFF0000;
constexpr std::uint32_t kBluePixel = 0x0000FF;
constexpr std::uint32_t kWhitePixel = 0xFFFFFF;
constexpr std::uint32_t kGreyPixel = 0x808080;
constexpr int kWidth = 100;
constexpr int kHeight = 80;

const std::string kTokyo = "\x93\x8C\x8B\x9E";  // 東京
const std::string kPGothic =
    "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック

// A white 32-bit section in a memory device context, with a canvas on it.
class GdiCanvasTest : public ::testing::Test {
protected:
  GdiCanvasTest() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<std::uint32_t*>(bits);
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, section);
    ownPen = GetCurrentObject(dc, OBJ_PEN);
    ownFont = GetCurrentObject(dc, OBJ_FONT);
    Fill(kWhitePixel);
    canvas = std::make_unique<TGdiCanvas>(dc, TRect{0, 0, kWidth, kHeight});
  }
  ~GdiCanvasTest() override {
    canvas.reset();
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(section);
  }

  void Fill(std::uint32_t colour) {
    GdiFlush();
    std::fill(pixels, pixels + kWidth * kHeight, colour);
  }
  std::uint32_t At(int x, int y) {
    GdiFlush();
    return pixels[y * kWidth + x] & 0xFFFFFF;
  }
  // Counts the pixels of a colour in a rectangle.
  int Count(const TRect& r, std::uint32_t colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == colour ? 1 : 0;
    return n;
  }

  HBITMAP section = nullptr;
  std::uint32_t* pixels = nullptr;
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
  HGDIOBJ ownPen = nullptr;  // the device context's before the canvas
  HGDIOBJ ownFont = nullptr;
  std::unique_ptr<TGdiCanvas> canvas;
};

TEST_F(GdiCanvasTest, PolygonsAreFilledAlternatelyAndOutlined) {
  canvas->SetPen({kBlue, kPenSolid, 1});
  canvas->SetBrush({kRed, kBrushSolid});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  canvas->Polygon(square);
  EXPECT_EQ(At(30, 30), kRedPixel);
  EXPECT_EQ(At(30, 10), kBluePixel);
  EXPECT_EQ(At(10, 30), kBluePixel);
  EXPECT_EQ(At(70, 30), kWhitePixel);

  // A five-pointed star drawn in one stroke: its centre is enclosed twice
  // and stays empty; its points are filled.
  Fill(kWhitePixel);
  canvas->SetPen({kBlue, kPenClear, 1});
  TPoint star[5];
  for (int i = 0; i < 5; ++i) {
    const double angle = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
    star[i] = {50 + static_cast<int>(std::lround(35 * std::cos(angle))),
               40 + static_cast<int>(std::lround(35 * std::sin(angle)))};
  }
  canvas->Polygon(star);
  EXPECT_EQ(At(50, 42), kWhitePixel) << "the centre";
  EXPECT_EQ(At(50, 12), kRedPixel) << "the top point";
}

TEST_F(GdiCanvasTest, FillsStayInsideTheRectangleAndHatchesLeaveGaps) {
  canvas->SetBrush({kBlue, kBrushSolid});
  canvas->FillRect({0, 0, 40, 40});
  EXPECT_EQ(Count({0, 0, 40, 40}, kBluePixel), 40 * 40);
  EXPECT_EQ(Count({0, 0, kWidth, kHeight}, kBluePixel), 40 * 40);

  Fill(kWhitePixel);
  canvas->SetBrush({kBlue, kBrushCross});
  canvas->FillRect({0, 0, 40, 40});
  const int blue = Count({0, 0, 40, 40}, kBluePixel);
  EXPECT_GT(blue, 100);
  EXPECT_GT(Count({0, 0, 40, 40}, kWhitePixel), 40 * 40 / 2) << "the gaps keep the background";
  EXPECT_EQ(blue + Count({0, 0, 40, 40}, kWhitePixel), 40 * 40);
  EXPECT_EQ(Count({0, 0, kWidth, kHeight}, kBluePixel), blue) << "nothing outside";
  EXPECT_GT(Count({39, 0, 40, 40}, kBluePixel), 0) << "the last column is filled";
  EXPECT_GT(Count({0, 39, 40, 40}, kBluePixel), 0) << "the last row is filled";
}

TEST_F(GdiCanvasTest, ClearPenAndBrushDrawNothing) {
  canvas->SetPen({kBlue, kPenClear, 1});
  canvas->SetBrush({kRed, kBrushClear});
  const TPoint square[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  canvas->Polygon(square);
  canvas->Polyline(square);
  canvas->Rectangle({0, 0, 60, 60});
  canvas->FillRect({0, 0, kWidth, kHeight});
  EXPECT_EQ(Count({0, 0, kWidth, kHeight}, kWhitePixel), kWidth * kHeight);
}

TEST_F(GdiCanvasTest, RectangleOutlinesInsideItsBounds) {
  canvas->SetPen({kBlue, kPenSolid, 1});
  canvas->SetBrush({kRed, kBrushSolid});
  canvas->Rectangle({10, 10, 20, 20});
  EXPECT_EQ(At(10, 10), kBluePixel);
  EXPECT_EQ(At(19, 19), kBluePixel);
  EXPECT_EQ(At(15, 15), kRedPixel);
  EXPECT_EQ(At(20, 20), kWhitePixel);
}

// A plain GDI pen wider than one pixel is always solid; the canvas keeps
// the dashes.
TEST_F(GdiCanvasTest, WidePensKeepTheirDashes) {
  const TPoint line[] = {{5, 20}, {95, 20}};
  canvas->SetPen({kBlue, kPenDash, 3});
  canvas->Polyline(line);
  const int dashed = Count({5, 20, 95, 21}, kBluePixel);
  EXPECT_GT(dashed, 30);
  EXPECT_LT(dashed, 85) << "gaps between the dashes";
  EXPECT_GT(Count({5, 21, 95, 22}, kBluePixel), 30) << "three pixels wide";

  canvas->SetPen({kBlue, kPenSolid, 3});
  const TPoint below[] = {{5, 40}, {95, 40}};
  canvas->Polyline(below);
  EXPECT_GE(Count({5, 40, 95, 41}, kBluePixel), 89);
}

TEST_F(GdiCanvasTest, JapaneseTextIsWrittenBelowAndRightOfItsPosition) {
  TFont font;
  font.Name = kPGothic;
  font.Size = 9;  // 12 pixels at 96 ppi
  font.Color = kBlue;
  canvas->SetFont(font);
  const int w = canvas->TextWidth(kTokyo);
  EXPECT_GE(w, 20);
  EXPECT_LE(w, 28);
  EXPECT_GT(canvas->TextWidth(kTokyo + kTokyo), w);
  EXPECT_EQ(canvas->TextWidth(""), 0);

  Fill(kGreyPixel);
  canvas->SetBrush({kBlue, kBrushClear});
  canvas->TextOut(10, 10, kTokyo);
  canvas->SetBrush({kColorWhite, kBrushSolid});
  canvas->TextOut(10, 40, kTokyo);
  const TRect transparent{10, 10, 10 + w, 24};
  const TRect opaque{10, 40, 10 + w, 54};
  EXPECT_GT(Count(transparent, kBluePixel), 10);
  EXPECT_EQ(Count(transparent, kWhitePixel), 0) << "no box without a solid brush";
  EXPECT_GT(Count(opaque, kBluePixel), 10);
  EXPECT_GT(Count(opaque, kWhitePixel), 10) << "the label stands on a white box";
  EXPECT_EQ(Count({0, 0, kWidth, 9}, kBluePixel), 0) << "nothing above the position";
  EXPECT_EQ(Count({0, 0, 9, kHeight}, kBluePixel), 0) << "nothing left of the position";
}

TEST(GdiCanvasFonts, WindowsFacesFallBackToIpaFacesOfTheSameKind) {
  const std::string gothic = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
  EXPECT_EQ(TGdiCanvas::FallbackFaces(kPGothic),
            (std::vector<std::wstring>{L"IPAPGothic", L"IPAGothic"}));
  EXPECT_EQ(TGdiCanvas::FallbackFaces(gothic),
            (std::vector<std::wstring>{L"IPAGothic", L"IPAPGothic"}));

  TFont font;
  font.Name = gothic;
  font.Size = 10;
  font.Bold = true;
  // A fallback face keeps the pitch of the face the font names.
  const LOGFONTW lf = TGdiCanvas::ToLogFont(font, 96, L"IPAGothic");
  EXPECT_EQ(lf.lfHeight, -13);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_STREQ(lf.lfFaceName, L"IPAGothic");
  EXPECT_STREQ(TGdiCanvas::ToLogFont(font, 96).lfFaceName, L"ＭＳ ゴシック");
}

TEST_F(GdiCanvasTest, BitmapsAreStretchedAndBlendedOverTheRectangle) {
  const TGdiBitmap red(TPixels{2, 2, {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000}});
  EXPECT_FALSE(red.HasAlpha());
  canvas->StretchDraw({10, 10, 30, 40}, red);
  EXPECT_EQ(Count({10, 10, 30, 40}, kRedPixel), 20 * 30);
  EXPECT_EQ(Count({0, 0, kWidth, kHeight}, kRedPixel), 20 * 30);

  // An icon's transparent corner leaves what lies below it.
  const TGdiBitmap icon(TPixels{2, 2, {0x00000000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}});
  EXPECT_TRUE(icon.HasAlpha());
  canvas->StretchDraw({50, 10, 70, 30}, icon);
  EXPECT_EQ(At(55, 15), kWhitePixel);
  EXPECT_EQ(At(65, 15), kBluePixel);
  EXPECT_EQ(At(55, 25), kBluePixel);
}

TEST_F(GdiCanvasTest, TheDeviceContextGetsItsOwnObjectsBackAndOursAreDeleted) {
  canvas->SetPen({kRed, kPenDot, 1});
  canvas->SetBrush({kRed, kBrushDiagCross});
  const HGDIOBJ ours[] = {GetCurrentObject(dc, OBJ_PEN), GetCurrentObject(dc, OBJ_BRUSH),
                          GetCurrentObject(dc, OBJ_FONT)};
  canvas.reset();
  for (HGDIOBJ object : ours) EXPECT_EQ(GetObjectType(object), 0u) << "deleted";
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), ownPen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), ownFont);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
}

}  // namespace
}  // namespace chizro
