// The GDI canvas painting into a DIB section: the drawing contract, font
// faces, alpha blending and the device context's own objects.
#include "win/canvas/gdi_canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/canvas_contract.h"
#include "win/canvas/gdi_bitmap.h"

namespace chizro {
namespace {

using test::CanvasContract;

constexpr TColor kRed = MakeColor(255, 0, 0);
constexpr TColor kBlue = MakeColor(0, 0, 255);
const std::string kPGothic =
    "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック

// A 32-bit top-down section in a memory device context, with a canvas on it.
class TGdiSurface final : public test::TCanvasSurface {
public:
  TGdiSurface() {
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
    canvas = std::make_unique<TGdiCanvas>(dc, TRect{0, 0, kWidth, kHeight});
  }
  ~TGdiSurface() override {
    canvas.reset();
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(section);
  }

  TCanvas& Canvas() override { return *canvas; }
  // The section holds 0x00RRGGBB.
  void Fill(TColor colour) override {
    GdiFlush();
    const std::uint32_t pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    std::fill(pixels, pixels + kWidth * kHeight, pixel);
  }
  TColor At(int x, int y) override {
    GdiFlush();
    const std::uint32_t p = pixels[y * kWidth + x];
    return MakeColor(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                     static_cast<std::uint8_t>(p));
  }
  std::unique_ptr<TBitmap> Bitmap(int w, int h, TColor colour) override {
    const std::uint32_t argb =
        0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    return std::make_unique<TGdiBitmap>(
        TPixels{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), argb)});
  }

  HBITMAP section = nullptr;
  std::uint32_t* pixels = nullptr;
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
  HGDIOBJ ownPen = nullptr;  // the device context's before the canvas
  HGDIOBJ ownFont = nullptr;
  std::unique_ptr<TGdiCanvas> canvas;
};

INSTANTIATE_TEST_SUITE_P(Gdi, CanvasContract,
                         ::testing::Values(test::TCanvasSurfaceKind{
                             "Gdi", []() -> std::unique_ptr<test::TCanvasSurface> {
                               return std::make_unique<TGdiSurface>();
                             }}),
                         test::CanvasKindName);

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

// An icon's transparent corner leaves what lies below it.
TEST(GdiCanvas, BitmapsWithAlphaAreBlended) {
  TGdiSurface s;
  s.Fill(kColorWhite);
  const TGdiBitmap icon(TPixels{2, 2, {0x00000000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}});
  EXPECT_TRUE(icon.HasAlpha());
  EXPECT_FALSE(TGdiBitmap(TPixels{1, 1, {0xFFFF0000}}).HasAlpha());
  s.Canvas().StretchDraw({50, 10, 70, 30}, icon);
  EXPECT_EQ(s.At(55, 15), kColorWhite);
  EXPECT_EQ(s.At(65, 15), kBlue);
  EXPECT_EQ(s.At(55, 25), kBlue);
}

TEST(GdiCanvas, TheDeviceContextGetsItsOwnObjectsBackAndOursAreDeleted) {
  TGdiSurface s;
  auto& canvas = s.canvas;
  const HDC dc = s.dc;
  canvas->SetPen({kRed, kPenDot, 1});
  canvas->SetBrush({kRed, kBrushDiagCross});
  const HGDIOBJ ours[] = {GetCurrentObject(dc, OBJ_PEN), GetCurrentObject(dc, OBJ_BRUSH),
                          GetCurrentObject(dc, OBJ_FONT)};
  canvas.reset();
  for (HGDIOBJ object : ours) EXPECT_EQ(GetObjectType(object), 0u) << "deleted";
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), s.ownPen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), s.ownFont);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
}

}  // namespace
}  // namespace chizro
