// A drawing surface for the tests: records every drawing call with the pen,
// brush and font it was made with. Text is 5 pixels wide per byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"
#include "platform/graphics.h"

namespace chizro::test {

enum class TCallKind { FillRect, Rectangle, Polygon, Polyline, TextOut, StretchDraw };

struct TCanvasCall {
  TCallKind Kind;
  TRect Rect;                  // FillRect, Rectangle, StretchDraw
  std::vector<TPoint> Points;  // Polygon, Polyline; TextOut: its position
  std::string Text;            // TextOut
  const TBitmap* Image = nullptr;
  TPen Pen;
  TBrush Brush;
  TFont Font;
};

class TRecordingCanvas final : public TCanvas {
public:
  explicit TRecordingCanvas(TRect clip = {0, 0, 688, 451}) : clip_(clip) {}

  static constexpr int kCharWidth = 5;

  TRect ClipRect() const override { return clip_; }
  void SetClip(TRect clip) { clip_ = clip; }

  void FillRect(const TRect& r) override { Add(TCallKind::FillRect).Rect = r; }
  void Rectangle(const TRect& r) override { Add(TCallKind::Rectangle).Rect = r; }
  void Polygon(std::span<const TPoint> points) override {
    Add(TCallKind::Polygon).Points.assign(points.begin(), points.end());
  }
  void Polyline(std::span<const TPoint> points) override {
    Add(TCallKind::Polyline).Points.assign(points.begin(), points.end());
  }
  void TextOut(int x, int y, std::string_view text) override {
    TCanvasCall& call = Add(TCallKind::TextOut);
    call.Points = {{x, y}};
    call.Text = text;
  }
  int TextWidth(std::string_view text) override {
    return static_cast<int>(text.size()) * kCharWidth;
  }
  void StretchDraw(const TRect& r, const TBitmap& image) override {
    TCanvasCall& call = Add(TCallKind::StretchDraw);
    call.Rect = r;
    call.Image = &image;
  }

  // The calls of one kind, in order.
  std::vector<TCanvasCall> Of(TCallKind kind) const {
    std::vector<TCanvasCall> out;
    for (const TCanvasCall& c : Calls)
      if (c.Kind == kind) out.push_back(c);
    return out;
  }

  std::vector<TCanvasCall> Calls;

private:
  TCanvasCall& Add(TCallKind kind) {
    Calls.push_back({kind, {}, {}, {}, nullptr, Pen(), Brush(), Font()});
    return Calls.back();
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
