// The drawing surface port. The view and the draw classes paint through it;
// the window and the converter implement it with QPainter, the tests with a
// recorder.
//
// Like a GDI device context, the surface holds a current pen, brush and font
// that the drawing calls use. Coordinates are device pixels, x to the right
// and y downward, with (0, 0) at the surface's top-left corner.
#pragma once

#include <span>
#include <string_view>

#include "platform/graphics.h"

namespace chizro {

// A device pixel.
struct TPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle of device pixels (y grows downward); right and bottom lie just
// outside it.
struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

class TCanvas {
public:
  virtual ~TCanvas() = default;

  // The clip rectangle of the surface [px].
  virtual TRect ClipRect() const = 0;

  // The current drawing state. Setting it takes effect for the next call.
  void SetPen(const TPen& pen) {
    pen_ = pen;
    PenChanged();
  }
  void SetBrush(const TBrush& brush) {
    brush_ = brush;
    BrushChanged();
  }
  void SetFont(const TFont& font) {
    font_ = font;
    FontChanged();
  }
  const TPen& Pen() const noexcept { return pen_; }
  const TBrush& Brush() const noexcept { return brush_; }
  const TFont& Font() const noexcept { return font_; }

  // Fills `r` with the brush, without an outline.
  virtual void FillRect(const TRect& r) = 0;
  // Outlines `r` with the pen and fills it with the brush.
  virtual void Rectangle(const TRect& r) = 0;
  // A closed polygon through `points`, filled with the brush (alternate
  // filling) and outlined with the pen.
  virtual void Polygon(std::span<const TPoint> points) = 0;
  // An open line through `points` with the pen.
  virtual void Polyline(std::span<const TPoint> points) = 0;
  // Writes Shift_JIS `text` with the font, its cell's top-left corner at
  // (x, y). A solid brush puts the text on a box of the brush colour; any
  // other brush leaves the background as it is.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // The width [px] that TextOut would give `text` with the current font.
  virtual int TextWidth(std::string_view text) = 0;
  // Draws `image` stretched over `r`.
  virtual void StretchDraw(const TRect& r, const TBitmap& image) = 0;

protected:
  TCanvas() = default;
  TCanvas(const TCanvas&) = default;
  TCanvas& operator=(const TCanvas&) = default;

  virtual void PenChanged() {}
  virtual void BrushChanged() {}
  virtual void FontChanged() {}

private:
  TPen pen_;
  TBrush brush_;
  TFont font_;
};

}  // namespace chizro
