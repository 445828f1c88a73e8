#include "ui/glyphs.h"

#include "platform/graphics.h"

namespace chizro {
namespace {

constexpr TColor kInk = MakeColor(40, 40, 40);

void Tools(TCanvas& canvas, TColor pen, int width, TColor brush) {
  canvas.SetPen(TPen{pen, kPenSolid, width});
  canvas.SetBrush(TBrush{brush, kBrushSolid});
}

void Line(TCanvas& canvas, int x, int y, int x1, int y1, int x2, int y2) {
  const TPoint line[] = {{x + x1, y + y1}, {x + x2, y + y2}};
  canvas.Polyline(line);
}

// A horizontal arrow at mid-height, 2 px wide: its tip at tipX, its shaft
// from tailX, its head `head` px long and high on either side.
void Arrow(TCanvas& canvas, int x, int y, TColor color, int tipX, int tailX, int head) {
  Tools(canvas, color, 2, color);
  const int back = tailX > tipX ? tipX + head : tipX - head;
  Line(canvas, x, y, tailX, 8, tipX, 8);
  Line(canvas, x, y, back, 8 - head, tipX, 8);
  Line(canvas, x, y, back, 8 + head, tipX, 8);
}

}  // namespace

void DrawGlyph(TCanvas& canvas, int x, int y, TGlyph glyph) {
  switch (glyph) {
    case TGlyph::Open: {  // an open folder
      Tools(canvas, kInk, 1, MakeColor(240, 200, 80));
      canvas.Rectangle({x + 1, y + 4, x + 13, y + 14});
      Tools(canvas, kInk, 1, MakeColor(250, 225, 130));
      const TPoint flap[] = {{x + 3, y + 7}, {x + 15, y + 7}, {x + 12, y + 13}, {x + 1, y + 13}};
      canvas.Polygon(flap);
      break;
    }
    case TGlyph::Output: {  // a sheet with an arrow into it
      Tools(canvas, kInk, 1, kColorWhite);
      canvas.Rectangle({x + 6, y + 1, x + 15, y + 15});
      Arrow(canvas, x, y, MakeColor(30, 90, 200), 10, 1, 3);
      break;
    }
    case TGlyph::Settings: {  // a list with ticks
      Tools(canvas, kInk, 1, kColorWhite);
      canvas.Rectangle({x + 1, y + 1, x + 15, y + 15});
      canvas.SetBrush(TBrush{MakeColor(30, 140, 60), kBrushSolid});  // the ticks
      for (int row = 0; row < 3; ++row) {
        const int ly = 4 + row * 7 / 2;
        Line(canvas, x, y, 6, ly, 13, ly);
        canvas.FillRect({x + 3, y + ly - 1, x + 5, y + ly + 1});
      }
      break;
    }
    case TGlyph::Back: {  // an arrow back to the left
      Arrow(canvas, x, y, MakeColor(200, 60, 40), 2, 14, 4);
      break;
    }
    case TGlyph::None:
      break;
  }
}

}  // namespace chizro
