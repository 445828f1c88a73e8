#include "win/canvas/gdi_canvas.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <initializer_list>
#include <limits>

#include "win/canvas/gdi_bitmap.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

constexpr std::size_t kMaxCachedTexts = 20000;

bool SamePen(const TPen& a, const TPen& b) noexcept {
  return a.Color == b.Color && a.Style == b.Style && a.Width == b.Width;
}

bool SameBrush(const TBrush& a, const TBrush& b) noexcept {
  return a.Color == b.Color && a.Style == b.Style;
}

bool SameFont(const TFont& a, const TFont& b) noexcept {
  return a.Color == b.Color && a.Name == b.Name && a.Size == b.Size && a.Bold == b.Bold &&
         a.Italic == b.Italic && a.Underline == b.Underline && a.StrikeOut == b.StrikeOut;
}

DWORD ToGdiPenStyle(int style) {
  switch (style) {
    case kPenDash:
      return PS_DASH;
    case kPenDot:
      return PS_DOT;
    case kPenDashDot:
      return PS_DASHDOT;
    case kPenDashDotDot:
      return PS_DASHDOTDOT;
    case kPenInsideFrame:
      return PS_INSIDEFRAME;
    default:  // solid and unknown numbers; clear is handled by the caller
      return PS_SOLID;
  }
}

// The hatch of a brush style, or -1 for a solid brush (and unknown numbers).
int ToGdiHatch(int style) {
  switch (style) {
    case kBrushHorizontal:
      return HS_HORIZONTAL;
    case kBrushVertical:
      return HS_VERTICAL;
    case kBrushFDiagonal:
      return HS_FDIAGONAL;
    case kBrushBDiagonal:
      return HS_BDIAGONAL;
    case kBrushCross:
      return HS_CROSS;
    case kBrushDiagCross:
      return HS_DIAGCROSS;
    default:
      return -1;
  }
}

bool IsSolid(const TBrush& brush) {
  return brush.Style != kBrushClear && ToGdiHatch(brush.Style) < 0;
}

bool Contains(const std::wstring& face, std::initializer_list<const wchar_t*> parts) {
  for (const wchar_t* part : parts)
    if (face.find(part) != std::wstring::npos) return true;
  return false;
}

// The kind of Japanese face a Windows face name stands for. "ＭＳ Ｐゴシック",
// "MS UI Gothic" and the like are proportional; "ＭＳ ゴシック" and "ＭＳ 明朝"
// are fixed-pitch.
struct TFaceKind {
  bool Mincho = false;
  bool Proportional = true;
};

TFaceKind KindOf(const std::wstring& face) {
  return {
      Contains(face, {L"明朝", L"Mincho"}),
      Contains(face, {L"Ｐ", L"UI", L"PGothic", L"PMincho"}) || !Contains(face, {L"ＭＳ", L"MS "})};
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

// Counts of points and characters as GDI takes them.
int ClampedCount(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

}  // namespace

TGdiCanvas::TGdiCanvas(HDC dc, const TRect& clip, int pixelsPerInch)
    : dc_(dc), clip_(clip), pixelsPerInch_(pixelsPerInch), savedState_(SaveDC(dc)) {
  SetBkMode(dc_, TRANSPARENT);
  SetPolyFillMode(dc_, ALTERNATE);
  SetStretchBltMode(dc_, COLORONCOLOR);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  PenChanged();
  BrushChanged();
  FontChanged();
  made_ = true;
}

TGdiCanvas::~TGdiCanvas() {
  // Puts the device context's own objects back before deleting ours.
  if (savedState_ != 0) RestoreDC(dc_, savedState_);
  for (HGDIOBJ object : {pen_, brush_, font_})
    if (object) DeleteObject(object);
  if (memoryDc_) DeleteDC(memoryDc_);
}

void TGdiCanvas::Select(HGDIOBJ object, bool made, HGDIOBJ& owned) {
  if (!object) return;  // GDI could not make it: the previous one stays
  SelectObject(dc_, object);
  if (owned) DeleteObject(owned);
  owned = made ? object : nullptr;
}

LOGFONTW TGdiCanvas::ToLogFont(const TFont& font, int pixelsPerInch, std::wstring face) {
  LOGFONTW lf{};
  // Points at the surface's resolution; a negative height asks for the
  // character height without the internal leading, the font's em.
  const double pixels =
      std::clamp(font.Size * static_cast<double>(pixelsPerInch) / 72.0, 1.0, 10000.0);
  lf.lfHeight = -static_cast<LONG>(std::lround(pixels));
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.Italic ? TRUE : FALSE;
  lf.lfUnderline = font.Underline ? TRUE : FALSE;
  lf.lfStrikeOut = font.StrikeOut ? TRUE : FALSE;
  // Japanese, so that a missing face is replaced by a Japanese one of the
  // same kind as the face the font names.
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = NONANTIALIASED_QUALITY;
  const TFaceKind kind = KindOf(SjisToWide(font.Name));
  lf.lfPitchAndFamily = static_cast<BYTE>((kind.Proportional ? VARIABLE_PITCH : FIXED_PITCH) |
                                          (kind.Mincho ? FF_ROMAN : FF_MODERN));
  if (face.empty()) face = SjisToWide(font.Name);
  const std::size_t n = std::min(face.size(), std::size(lf.lfFaceName) - 1);
  std::wmemcpy(lf.lfFaceName, face.data(), n);
  lf.lfFaceName[n] = L'\0';
  return lf;
}

std::vector<std::wstring> TGdiCanvas::FallbackFaces(std::string_view faceName) {
  const TFaceKind kind = KindOf(SjisToWide(faceName));
  std::vector<std::wstring> faces;
  auto add = [&](const wchar_t* f) {
    if (std::find(faces.begin(), faces.end(), f) == faces.end()) faces.emplace_back(f);
  };
  if (kind.Mincho) {
    add(kind.Proportional ? L"IPAPMincho" : L"IPAMincho");
    add(L"IPAPMincho");
    add(L"IPAMincho");
  }
  add(kind.Proportional ? L"IPAPGothic" : L"IPAGothic");
  add(L"IPAPGothic");
  add(L"IPAGothic");
  return faces;
}

bool TGdiCanvas::FaceInstalled(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  auto [it, added] = faces_.try_emplace(face, false);
  if (added) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wmemcpy(lf.lfFaceName, face.c_str(), face.size() + 1);
    bool found = false;
    EnumFontFamiliesExW(dc_, &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    it->second = found;
  }
  return it->second;
}

void TGdiCanvas::PenChanged() {
  const TPen& pen = Pen();
  if (made_ && SamePen(pen, madePen_)) return;
  madePen_ = pen;
  if (pen.Style == kPenClear) {
    Select(GetStockObject(NULL_PEN), false, pen_);
    return;
  }
  const DWORD style = ToGdiPenStyle(pen.Style);
  if (pen.Width <= 1) {
    // Width 0 and 1 are both one pixel.
    Select(CreatePen(static_cast<int>(style), 1, pen.Color), true, pen_);
    return;
  }
  // A plain wide pen would be solid whatever its style; a geometric one
  // keeps the dashes.
  const LOGBRUSH brush{BS_SOLID, pen.Color, 0};
  Select(ExtCreatePen(PS_GEOMETRIC | style | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                      static_cast<DWORD>(pen.Width), &brush, 0, nullptr),
         true, pen_);
}

void TGdiCanvas::BrushChanged() {
  const TBrush& brush = Brush();
  if (made_ && SameBrush(brush, madeBrush_)) return;
  madeBrush_ = brush;
  if (brush.Style == kBrushClear) {
    Select(GetStockObject(NULL_BRUSH), false, brush_);
    return;
  }
  const int hatch = ToGdiHatch(brush.Style);
  Select(hatch < 0 ? CreateSolidBrush(brush.Color) : CreateHatchBrush(hatch, brush.Color), true,
         brush_);
}

void TGdiCanvas::FontChanged() {
  const TFont& font = Font();
  if (made_ && SameFont(font, madeFont_)) return;
  madeFont_ = font;
  // The face asked for, else the first installed fallback, else the face
  // asked for again, for the system's font mapper to replace.
  std::wstring face = SjisToWide(font.Name);
  if (!FaceInstalled(face)) {
    for (const std::wstring& fallback : FallbackFaces(font.Name)) {
      if (FaceInstalled(fallback)) {
        face = fallback;
        break;
      }
    }
  }
  const LOGFONTW lf = ToLogFont(font, pixelsPerInch_, face);
  Select(CreateFontIndirectW(&lf), true, font_);
}

const std::wstring& TGdiCanvas::Wide(std::string_view sjis) {
  if (texts_.size() >= kMaxCachedTexts) texts_.clear();
  auto [it, added] = texts_.try_emplace(std::string(sjis));
  if (added) it->second = SjisToWide(sjis);
  return it->second;
}

const POINT* TGdiCanvas::Points(std::span<const TPoint> points) {
  points_.clear();
  for (const TPoint& p : points) points_.push_back({p.x, p.y});
  return points_.data();
}

void TGdiCanvas::FillRect(const TRect& r) {
  if (Brush().Style == kBrushClear || r.right <= r.left || r.bottom <= r.top) return;
  if (IsSolid(Brush())) {
    const RECT rect{r.left, r.top, r.right, r.bottom};
    ::FillRect(dc_, &rect, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
    return;
  }
  // A hatch through a figure fill, which leaves the gaps transparent. Without
  // a pen a rectangle loses its right column and bottom row, hence the +1.
  const HGDIOBJ pen = SelectObject(dc_, GetStockObject(NULL_PEN));
  ::Rectangle(dc_, r.left, r.top, r.right + 1, r.bottom + 1);
  SelectObject(dc_, pen);
}

void TGdiCanvas::Rectangle(const TRect& r) {
  if (Pen().Style == kPenClear) {
    FillRect(r);
    return;
  }
  // The outline runs along the rectangle's last row and column, inside it.
  ::Rectangle(dc_, r.left, r.top, r.right, r.bottom);
}

void TGdiCanvas::Polygon(std::span<const TPoint> points) {
  if (points.empty()) return;
  ::Polygon(dc_, Points(points), ClampedCount(points.size()));
}

void TGdiCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  ::Polyline(dc_, Points(points), ClampedCount(points.size()));
}

void TGdiCanvas::TextOut(int x, int y, std::string_view text) {
  const std::wstring& s = Wide(text);
  if (s.empty()) return;
  SetTextColor(dc_, Font().Color);
  const bool box = IsSolid(Brush());
  if (box) {
    // The text cell on a box of the brush colour.
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, Brush().Color);
  }
  ExtTextOutW(dc_, x, y, 0, nullptr, s.data(), static_cast<UINT>(ClampedCount(s.size())), nullptr);
  if (box) SetBkMode(dc_, TRANSPARENT);
}

int TGdiCanvas::TextWidth(std::string_view text) {
  const std::wstring& s = Wide(text);
  SIZE size{};
  if (s.empty() || !GetTextExtentPoint32W(dc_, s.data(), ClampedCount(s.size()), &size)) return 0;
  return size.cx;
}

void TGdiCanvas::StretchDraw(const TRect& r, const TBitmap& image) {
  const auto* bitmap = dynamic_cast<const TGdiBitmap*>(&image);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (!bitmap || !bitmap->Handle() || width <= 0 || height <= 0) return;
  if (!memoryDc_) memoryDc_ = CreateCompatibleDC(dc_);
  if (!memoryDc_) return;
  const HGDIOBJ previous = SelectObject(memoryDc_, bitmap->Handle());
  if (bitmap->HasAlpha()) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc_, r.left, r.top, width, height, memoryDc_, 0, 0, bitmap->Width(),
                  bitmap->Height(), blend);
  } else {
    StretchBlt(dc_, r.left, r.top, width, height, memoryDc_, 0, 0, bitmap->Width(),
               bitmap->Height(), SRCCOPY);
  }
  // A bitmap can be selected into one device context at a time.
  SelectObject(memoryDc_, previous);
}

}  // namespace chizro
