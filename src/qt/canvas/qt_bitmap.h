// Images for the model through QImage: the bitmap loader that symbol images
// and raster figures are loaded with, and the bitmap type the QPainter canvas
// draws.
#pragma once

#include <QImage>

#include <memory>
#include <string>

#include "platform/graphics.h"

namespace chizro {

class TQtBitmap final : public TBitmap {
public:
  explicit TQtBitmap(QImage image) : Image(std::move(image)) {}
  int Width() const override { return Image.width(); }
  int Height() const override { return Image.height(); }

  QImage Image;
};

// Reads the file's bytes itself (the path is taken byte for byte, as the
// definition files spell it) and lets QImage recognise the format from the
// content, whatever the extension. Null when the file is missing or is no
// image Qt can read.
class TQtBitmapLoader final : public TBitmapLoader {
public:
  TQtBitmapLoader() = default;
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override;
  std::unique_ptr<TBitmap> LoadIcon(const std::string& path) override;
};

}  // namespace chizro
