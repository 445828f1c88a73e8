// The converter's surface on Qt: a QImage painted through TQtCanvas.
#include <QImage>
#include <QPainter>
#include <QString>

#include <optional>

#include "platform/offscreen.h"
#include "qt/canvas/qt_bitmap.h"
#include "qt/canvas/qt_canvas.h"

namespace chizro {
namespace {

class TQtOffscreenSurface final : public TOffscreenSurface {
public:
  TQtOffscreenSurface(QImage image, int pixelsPerInch) : image_(std::move(image)) {
    image_.fill(Qt::white);
    painter_.begin(&image_);
    canvas_.emplace(painter_, image_.rect(), pixelsPerInch);
  }

  TCanvas& Canvas() override { return *canvas_; }

  bool SavePng(const std::string& path) override {
    if (painter_.isActive()) painter_.end();
    return image_.save(QString::fromStdString(path), "PNG");
  }

private:
  QImage image_;
  QPainter painter_;
  std::optional<TQtCanvas> canvas_;
};

}  // namespace

std::unique_ptr<TOffscreenSurface> MakeOffscreenSurface(int width, int height, int pixelsPerInch) {
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return nullptr;
  return std::make_unique<TQtOffscreenSurface>(std::move(image), pixelsPerInch);
}

std::unique_ptr<TBitmapLoader> MakeBitmapLoader() { return std::make_unique<TQtBitmapLoader>(); }

}  // namespace chizro
