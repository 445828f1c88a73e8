// The drawing surface on a GDI device context: the Windows window paints its
// map through it, and the converter paints offscreen into a DIB section.
//
// Colours are 0x00BBGGRR, GDI's COLORREF. Pen styles are GDI's (dash, dot,
// dash-dot, dash-dot-dot, null, inside-frame); pens wider than one pixel are
// geometric with round ends and joins. Brush styles are GDI's too (solid,
// null, the six hatches), hatches drawn on a transparent background. Fonts
// are sized in points at the canvas's pixels per inch; a face that is not
// installed falls back to the IPA faces, then to the system's choice for
// Japanese. Text arrives as Shift_JIS and is converted to UTF-16 here, at the
// edge.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/canvas.h"
#include "win/canvas/win_api.h"

namespace chizro {

class TGdiCanvas final : public TCanvas {
public:
  // Paints on `dc` (not owned; it must outlive the canvas) whose clip
  // rectangle is `clip`. The device context's state is saved here and
  // restored by the destructor, which also deletes the pens, brushes and
  // fonts the canvas made.
  TGdiCanvas(HDC dc, const TRect& clip, int pixelsPerInch = 96);
  ~TGdiCanvas() override;
  TGdiCanvas(const TGdiCanvas&) = delete;
  TGdiCanvas& operator=(const TGdiCanvas&) = delete;

  TRect ClipRect() const override { return clip_; }
  // Follows a resized surface.
  void SetClipRect(const TRect& clip) { clip_ = clip; }

  void FillRect(const TRect& r) override;
  void Rectangle(const TRect& r) override;
  void Polygon(std::span<const TPoint> points) override;
  void Polyline(std::span<const TPoint> points) override;
  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;
  void StretchDraw(const TRect& r, const TBitmap& image) override;

  // The font at `pixelsPerInch` with the face `face` (UTF-16; the font's
  // own face when empty).
  static LOGFONTW ToLogFont(const TFont& font, int pixelsPerInch, std::wstring face = {});
  // The installed faces tried after a face name (Shift_JIS bytes).
  static std::vector<std::wstring> FallbackFaces(std::string_view faceName);

protected:
  void PenChanged() override;
  void BrushChanged() override;
  void FontChanged() override;

private:
  const std::wstring& Wide(std::string_view sjis);
  bool FaceInstalled(const std::wstring& face);
  // Selects `object` and deletes the one of its kind this canvas made
  // before; `owned` becomes `object` when `made`, else null.
  void Select(HGDIOBJ object, bool made, HGDIOBJ& owned);
  const POINT* Points(std::span<const TPoint> points);

  HDC dc_;
  TRect clip_;
  int pixelsPerInch_;
  int savedState_;
  // The objects this canvas made and selected (stock objects are not held).
  HGDIOBJ pen_ = nullptr;
  HGDIOBJ brush_ = nullptr;
  HGDIOBJ font_ = nullptr;
  // What the selected objects were made from: setting the same again makes
  // no new object.
  TPen madePen_;
  TBrush madeBrush_;
  TFont madeFont_;
  bool made_ = false;
  HDC memoryDc_ = nullptr;  // the source of StretchDraw, made on first use
  std::vector<POINT> points_;
  // Labels repeat from paint to paint; their UTF-16 forms are kept.
  std::unordered_map<std::string, std::wstring> texts_;
  std::unordered_map<std::wstring, bool> faces_;
};

}  // namespace chizro
