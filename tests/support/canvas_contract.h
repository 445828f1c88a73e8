// What every drawing surface of the program promises, as one suite that the
// Qt canvas and the GDI canvas both run: a front end instantiates
// `CanvasContract` with a factory of its surface.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/canvas.h"

namespace chizro::test {

// A 100 x 80 pixel image with a canvas painting on it.
class TCanvasSurface {
public:
  static constexpr int kWidth = 100;
  static constexpr int kHeight = 80;

  virtual ~TCanvasSurface() = default;
  // The canvas; a Fill or an At may replace it, so take it again after
  // either.
  virtual TCanvas& Canvas() = 0;
  // Paints the whole image in one colour, outside the canvas.
  virtual void Fill(TColor colour) = 0;
  // The colour of a pixel once everything drawn so far has landed.
  virtual TColor At(int x, int y) = 0;
  // A bitmap of w x h pixels of one opaque colour.
  virtual std::unique_ptr<TBitmap> Bitmap(int w, int h, TColor colour) = 0;

  // The pixels of `colour` in [left, right) x [top, bottom).
  int Count(const TRect& r, TColor colour);
};

struct TCanvasSurfaceKind {
  const char* Name;
  std::unique_ptr<TCanvasSurface> (*Make)();
};
inline void PrintTo(const TCanvasSurfaceKind& kind, std::ostream* os) { *os << kind.Name; }

class CanvasContract : public ::testing::TestWithParam<TCanvasSurfaceKind> {
protected:
  void SetUp() override {
    surface = GetParam().Make();
    surface->Fill(kColorWhite);
  }
  std::unique_ptr<TCanvasSurface> surface;
};

inline std::string CanvasKindName(const ::testing::TestParamInfo<TCanvasSurfaceKind>& info) {
  return info.param.Name;
}

}  // namespace chizro::test
