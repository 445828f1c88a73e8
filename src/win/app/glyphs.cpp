#include "win/app/glyphs.h"

namespace chizro {
namespace {

// A pen and a brush selected into a device context for the life of the
// object.
class TTools final {
public:
  TTools(HDC dc, COLORREF pen, int width, COLORREF brush)
      : dc_(dc),
        pen_(CreatePen(PS_SOLID, width, pen)),
        brush_(CreateSolidBrush(brush)),
        oldPen_(SelectObject(dc, pen_)),
        oldBrush_(SelectObject(dc, brush_)) {}
  ~TTools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  TTools(const TTools&) = delete;
  TTools& operator=(const TTools&) = delete;

private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

void Line(HDC dc, int x, int y, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x + x1, y + y1, nullptr);
  LineTo(dc, x + x2, y + y2);
}

const COLORREF kInk = RGB(40, 40, 40);

}  // namespace

void DrawGlyph(HDC dc, int x, int y, TGlyph glyph) {
  switch (glyph) {
    case TGlyph::Open: {  // an open folder
      {
        TTools tools(dc, kInk, 1, RGB(240, 200, 80));
        Rectangle(dc, x + 1, y + 4, x + 13, y + 14);
      }
      TTools tools(dc, kInk, 1, RGB(250, 225, 130));
      const POINT flap[] = {{x + 3, y + 7}, {x + 15, y + 7}, {x + 12, y + 13}, {x + 1, y + 13}};
      Polygon(dc, flap, 4);
      break;
    }
    case TGlyph::Output: {  // a sheet with an arrow into it
      {
        TTools tools(dc, kInk, 1, RGB(255, 255, 255));
        Rectangle(dc, x + 6, y + 1, x + 15, y + 15);
      }
      TTools tools(dc, RGB(30, 90, 200), 2, RGB(30, 90, 200));
      Line(dc, x, y, 1, 8, 10, 8);
      Line(dc, x, y, 7, 5, 10, 8);
      Line(dc, x, y, 7, 11, 10, 8);
      break;
    }
    case TGlyph::Settings: {  // a list with ticks
      TTools tools(dc, kInk, 1, RGB(255, 255, 255));
      Rectangle(dc, x + 1, y + 1, x + 15, y + 15);
      const HBRUSH tick = CreateSolidBrush(RGB(30, 140, 60));
      for (int row = 0; row < 3; ++row) {
        const int ly = 4 + row * 7 / 2;
        Line(dc, x, y, 6, ly, 13, ly);
        const RECT r = {x + 3, y + ly - 1, x + 5, y + ly + 1};
        FillRect(dc, &r, tick);
      }
      DeleteObject(tick);
      break;
    }
    case TGlyph::Back: {  // an arrow back to the left
      TTools tools(dc, RGB(200, 60, 40), 2, RGB(200, 60, 40));
      Line(dc, x, y, 2, 8, 14, 8);
      Line(dc, x, y, 6, 4, 2, 8);
      Line(dc, x, y, 6, 12, 2, 8);
      break;
    }
    case TGlyph::None:
      break;
  }
}

}  // namespace chizro
