#include "model/map_view.h"

#include <cmath>

#include "coords/projection.h"
#include "model/map_project.h"

namespace chizro {
namespace {

// A pixel coordinate from its exact value: the fraction discarded toward
// zero, values far off the window held at the limit (so that no conversion
// overflows), NaN (a view without scale) at 0.
int ToDevice(double v) noexcept {
  constexpr double limit = TMapView::kMaxDeviceCoord;
  if (!(v == v)) return 0;
  if (v > limit) return TMapView::kMaxDeviceCoord;
  if (v < -limit) return -TMapView::kMaxDeviceCoord;
  return static_cast<int>(std::trunc(v));
}

}  // namespace

TMapView::TMapView(TMapProject* project) : project_(project) {}

void TMapView::SetCanvas(TCanvas* canvas) {
  Canvas = canvas;
  if (Canvas) DeviceRect = Canvas->ClipRect();
}

void TMapView::SetWorldRect(const TFRect& r) {
  WorldRect = r;
  WorldWidth = r.right - r.left;
  WorldHeight = r.top - r.bottom;
}

void TMapView::UnitFactors(double& fx, double& fy) const {
  fx = 1;
  fy = 1;
  if (!project_ || project_->CoordMode == TCoordMode::Plane) return;
  const double cx = CenterX;
  const double cy = CenterY;
  // The projection gives X as the northing and Y as the easting; the world's
  // x (longitude) goes with the easting.
  const TEllipsoid& ellipsoid = EllipsoidOfDatum(project_->Datum);
  const TPlanePoint p0 = LatLonToXY(ellipsoid, project_->Zone.Number(), cy, cx);
  const TPlanePoint p1 = LatLonToXY(ellipsoid, project_->Zone.Number(), cy + 1.0, cx + 1.0);
  fx = std::fabs(p1.Y - p0.Y);
  fy = std::fabs(p1.X - p0.X);
}

void TMapView::UpdateTransform() {
  DeviceWidth = static_cast<double>(DeviceRect.right - DeviceRect.left);
  DeviceHeight = static_cast<double>(DeviceRect.bottom - DeviceRect.top);
  // The screen scale: 254000 / ppi (2645.83 at 96 ppi), so one metre at
  // 1:2500 is about 1.06 pixels.
  PaperFactor = 254000.0 / PixelsPerInch;
  double fx = 1;
  double fy = 1;
  UnitFactors(fx, fy);
  const double perUnit = PaperFactor / Scale;
  PxPerUnitX = perUnit * fx;
  PxPerUnitY = perUnit * fy;
  WorldWidth = DeviceWidth / PxPerUnitX;
  WorldHeight = DeviceHeight / PxPerUnitY;
  WorldRect.left = CenterX - WorldWidth / 2.0;
  WorldRect.right = CenterX + WorldWidth / 2.0;
  WorldRect.top = CenterY + WorldHeight / 2.0;
  WorldRect.bottom = CenterY - WorldHeight / 2.0;
}

void TMapView::Draw() {
  labels_.clear();
  labelCells_.clear();
  SetCanvas(Canvas);
  if (Canvas) {
    Canvas->SetBrush({kColorWhite, kBrushSolid});
    if (ClearBackground) Canvas->FillRect(Canvas->ClipRect());
  }
  UpdateTransform();
  if (project_) project_->Themes->Draw(*this);
}

void TMapView::DcToWc(TPoint p, TFPoint& w) const {
  const double dw = DeviceRect.right - DeviceRect.left;
  const double dh = DeviceRect.bottom - DeviceRect.top;
  if (dw <= 0 || dh <= 0) {
    w = {WorldRect.left, WorldRect.bottom};
    return;
  }
  w.x = p.x * WorldWidth / dw + WorldRect.left;
  w.y = (dh - p.y) * WorldHeight / dh + WorldRect.bottom;
}

TPoint TMapView::WcToDc(double x, double y) const noexcept {
  // A vertex exactly on the window's edge gives exactly 0.
  return {ToDevice((x - WorldRect.left) * PxPerUnitX), ToDevice((WorldRect.top - y) * PxPerUnitY)};
}

bool TMapView::Intersects(const TFRect& r) const noexcept {
  return !(r.left > WorldRect.right || r.top < WorldRect.bottom || r.right < WorldRect.left ||
           r.bottom > WorldRect.top);
}

bool TMapView::TakeLabelSpace(const TRect& r) {
  auto cell = [](int v) { return v >= 0 ? v / kLabelCell : -((-v + kLabelCell - 1) / kLabelCell); };
  const int x0 = cell(r.left), x1 = cell(r.right - 1);
  const int y0 = cell(r.top), y1 = cell(r.bottom - 1);
  auto key = [](int x, int y) {
    return (static_cast<std::int64_t>(x) << 32) ^ static_cast<std::uint32_t>(y);
  };
  // A label far off the window takes space in many cells for nothing.
  if (static_cast<std::int64_t>(x1 - x0 + 1) * (y1 - y0 + 1) > 256) return true;
  for (int x = x0; x <= x1; ++x)
    for (int y = y0; y <= y1; ++y) {
      const auto found = labelCells_.find(key(x, y));
      if (found == labelCells_.end()) continue;
      for (const std::size_t i : found->second) {
        const TRect& o = labels_[i];
        if (r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom)
          return false;
      }
    }
  labels_.push_back(r);
  for (int x = x0; x <= x1; ++x)
    for (int y = y0; y <= y1; ++y) labelCells_[key(x, y)].push_back(labels_.size() - 1);
  return true;
}

}  // namespace chizro
