// A drawing surface for the tests: records every drawing call, with the pen,
// brush and font it was made with, as a line of text. Text is 5 pixels wide
// per byte.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/graphics.h"

namespace chizro::test {

class TRecordingCanvas final : public TCanvas {
public:
  explicit TRecordingCanvas(TRect clip = {0, 0, 688, 451}) : clip_(clip) {}

  TRect ClipRect() const override { return clip_; }
  void SetClip(TRect clip) { clip_ = clip; }

  void FillRect(const TRect& r) override { Add("fill" + Box(r)); }
  void Rectangle(const TRect& r) override { Add("rectangle" + Box(r)); }
  void Polygon(std::span<const TPoint> points) override { Add("polygon" + Points(points)); }
  void Polyline(std::span<const TPoint> points) override { Add("polyline" + Points(points)); }
  void TextOut(int x, int y, std::string_view text) override {
    Add("text [" + std::string(text) + "]" + Points(std::array{TPoint{x, y}}));
  }
  int TextWidth(std::string_view text) override { return static_cast<int>(text.size()) * 5; }
  void StretchDraw(const TRect& r, const TBitmap& image) override {
    Add("image " + std::to_string(image.Width()) + "x" + std::to_string(image.Height()) + Box(r));
  }

  // One line a call: what was drawn and where, then " pen" colour, style,
  // width, " brush" colour, style, " font" colour, size.
  std::string Calls;

private:
  static std::string Points(std::span<const TPoint> points) {
    std::string s;
    for (const TPoint& p : points) s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    return s;
  }
  static std::string Box(const TRect& r) {
    return Points(std::array{TPoint{r.left, r.top}, TPoint{r.right, r.bottom}});
  }
  void Add(const std::string& what) {
    const auto n = [](unsigned v) { return " " + std::to_string(v); };
    Calls += what + " pen" + n(Pen().Color) + n(Pen().Style) + n(Pen().Width) + " brush" +
             n(Brush().Color) + n(Brush().Style) + " font" + n(Font().Color) + n(Font().Size) +
             "\n";
  }

  TRect clip_;
};

// An image of a given size that draws nothing.
class TFakeBitmap final : public TBitmap {
public:
  TFakeBitmap(int width, int height) : width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }

private:
  int width_;
  int height_;
};

}  // namespace chizro::test
