#include "model/map_figure.h"

#include "platform/graphics.h"

namespace chizro {

TFigure::~TFigure() = default;

std::string TFigure::GetProp(std::string_view key) const {
  const std::string* value = FindObject(Props, key);
  return value ? *value : std::string();
}

void TFigure::UpdateExtent() {
  if (Points.empty()) return;
  TFRect r{Points[0].x, Points[0].y, Points[0].x, Points[0].y};
  for (std::size_t i = 1; i < Points.size(); ++i) {
    const TFPoint& p = Points[i];
    if (r.left > p.x) r.left = p.x;
    if (r.right < p.x) r.right = p.x;
    if (r.bottom > p.y) r.bottom = p.y;
    if (r.top < p.y) r.top = p.y;
  }
  Extent = r;
}

void TFigure::Convert(const TCoordChange& change) {
  if (!change.Any()) return;
  change.Apply(Extent);
  change.Apply(LabelX, LabelY);
  for (TFPoint& p : Points) change.Apply(p.x, p.y);
}

TFigRaster::TFigRaster() : TFigure(TFigKind::Raster) {}
TFigRaster::~TFigRaster() = default;

TFigGrp::~TFigGrp() = default;

TFigure* TFigGrp::Append(std::unique_ptr<TFigure> fig) {
  if (!fig) return nullptr;
  items_.push_back(std::move(fig));
  return items_.back().get();
}

void TFigGrp::TakeAll(TFigGrp& other) {
  items_.reserve(items_.size() + other.items_.size());
  for (auto& fig : other.items_) items_.push_back(std::move(fig));
  other.items_.clear();
}

void TFigGrp::UpdateExtents() {
  for (auto& f : items_) f->UpdateExtent();
}

void TFigGrp::Convert(const TCoordChange& change) {
  for (auto& f : items_) f->Convert(change);
}

}  // namespace chizro
