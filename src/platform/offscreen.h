// The offscreen-surface port: an image to paint on away from any window (the
// converter's preview) and the platform's image loader. The drawing side
// provides them: QImage and QPainter where Qt is (src/qt/canvas), a DIB section
// with GDI and GDI+ on Windows (src/win/canvas).
#pragma once

#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/graphics.h"

namespace chizro {

// A white image of fixed size with a canvas painting on it.
class TOffscreenSurface {
public:
  virtual ~TOffscreenSurface() = default;
  virtual TCanvas& Canvas() = 0;
  // Ends painting and writes the image to `path` (Shift_JIS bytes on
  // Windows) as a PNG file. False when it cannot be written.
  virtual bool SavePng(const std::string& path) = 0;

protected:
  TOffscreenSurface() = default;
  TOffscreenSurface(const TOffscreenSurface&) = default;
  TOffscreenSurface& operator=(const TOffscreenSurface&) = default;
};

// A surface of `width` x `height` pixels at `pixelsPerInch`, or null when
// none of that size can be made.
std::unique_ptr<TOffscreenSurface> MakeOffscreenSurface(int width, int height, int pixelsPerInch);

// The platform's loader of BMP and ICO files.
std::unique_ptr<TBitmapLoader> MakeBitmapLoader();

}  // namespace chizro
