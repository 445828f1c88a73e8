#include "model/map_view.h"

#include <cmath>

#include "coords/projection.h"
#include "model/map_project.h"
#include "platform/canvas.h"

namespace chizro {

TMapView::TMapView(TMapProject* project) : TMapObject(project), project_(project) {}

void TMapView::SetCanvas(TCanvas* canvas) {
  Canvas = canvas;
  if (Canvas) DeviceRect = Canvas->ClipRect();
}

void TMapView::SetWorldRect(const TFRect& r) {
  WorldRect = r;
  WorldWidth = r.right - r.left;
  WorldHeight = r.top - r.bottom;
}

void TMapView::UpdateTransform() {
  DeviceWidth = static_cast<float>(DeviceRect.right - DeviceRect.left);
  DeviceHeight = static_cast<float>(DeviceRect.bottom - DeviceRect.top);
  // The factor the screen scale has always been computed with: 254000 / ppi
  // (2645.83 at 96 ppi), so one metre at 1:2500 is about 1.06 pixels.
  PaperFactor = 254000.0f / PixelsPerInch;
  float fx = 1;
  float fy = 1;
  if (project_ && project_->CoordMode != kModePlane) {
    // Metres per degree of longitude and latitude near the centre.
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    LatLonToXY(project_->Zone, x0, y0, static_cast<double>(CenterY), static_cast<double>(CenterX));
    LatLonToXY(project_->Zone, x1, y1, static_cast<double>(CenterY) + 1.0,
               static_cast<double>(CenterX) + 1.0);
    // X is the northing, Y the easting: x of the world is Y of the projection.
    fx = static_cast<float>(std::fabs(y1 - y0));
    fy = static_cast<float>(std::fabs(x1 - x0));
  }
  PxPerUnitX = PaperFactor / Scale * fx;
  PxPerUnitY = PaperFactor / Scale * fy;
  WorldWidth = DeviceWidth / PxPerUnitX;
  WorldHeight = DeviceHeight / PxPerUnitY;
  WorldRect.left = CenterX - WorldWidth / 2;
  WorldRect.right = CenterX + WorldWidth / 2;
  WorldRect.top = CenterY + WorldHeight / 2;
  WorldRect.bottom = CenterY - WorldHeight / 2;
}

void TMapView::Draw() {
  SetCanvas(Canvas);
  if (Canvas && ClearBackground) Canvas->FillRect(DeviceRect, 0x00FFFFFF);
  UpdateTransform();
  if (project_) project_->Themes->Draw(*this);
}

void TMapView::DcToWc(TPoint p, TFPoint& w) const {
  const float dw = static_cast<float>(DeviceRect.right - DeviceRect.left);
  const float dh = static_cast<float>(DeviceRect.bottom - DeviceRect.top);
  if (dw <= 0 || dh <= 0) {  // no visible paint box: nothing to map
    w = {WorldRect.left, WorldRect.bottom};
    return;
  }
  w.x = static_cast<float>(p.x) * WorldWidth / dw + WorldRect.left;
  w.y = (dh - static_cast<float>(p.y)) * WorldHeight / dh + WorldRect.bottom;
}

TPoint TMapView::WcToDc(float x, float y) const {
  return {static_cast<int>(std::trunc((x - WorldRect.left) * PxPerUnitX)),
          static_cast<int>(std::trunc((WorldRect.top - y) * PxPerUnitY))};
}

bool TMapView::Intersects(const TFRect& r) const noexcept {
  return !(r.left > WorldRect.right || r.top < WorldRect.bottom || r.right < WorldRect.left ||
           r.bottom > WorldRect.top);
}

}  // namespace chizro
