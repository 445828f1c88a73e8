// The view: turns world coordinates of the project's system into window
// pixels and back, keeps the map's centre and scale, and starts the painting
// of all themes (which also loads and unloads leaves by visibility).
#pragma once

#include "model/geometry.h"
#include "model/map_object.h"

namespace chizro {

class TCanvas;
class TMapProject;

// A rectangle of device pixels (y grows downward).
struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct TPoint {
  int x = 0;
  int y = 0;
};

class TMapView final : public TMapObject {
public:
  explicit TMapView(TMapProject* project);

  TMapProject* Project() const noexcept { return project_; }

  // Stores the canvas and reads its clip rectangle into DeviceRect.
  void SetCanvas(TCanvas* canvas);
  void SetWorldRect(const TFRect& r);
  // The paint: recomputes the world window from centre and scale, clears the
  // canvas, then paints every theme.
  void Draw();
  // Recomputes the transform and world window from centre, scale and
  // DeviceRect without painting (the first half of Draw).
  void UpdateTransform();

  // Device pixel [px] to world point, with the window of the latest paint.
  void DcToWc(TPoint p, TFPoint& w) const;
  // World point to device pixel [px], the fraction discarded toward zero.
  TPoint WcToDc(float x, float y) const;
  // Whether `r` meets WorldRect; rectangles that only touch meet.
  bool Intersects(const TFRect& r) const noexcept;

  TFRect WorldRect;
  TCanvas* Canvas = nullptr;
  bool ClearBackground = true;
  TRect DeviceRect;
  float PxPerUnitX = 0;  // [px per world unit]
  float PxPerUnitY = 0;
  float WorldWidth = 0;  // [world units]
  float WorldHeight = 0;
  float CenterX = 0;
  float CenterY = 0;
  float DeviceWidth = 0;  // [px]
  float DeviceHeight = 0;
  float PixelsPerInch = 96;
  float PaperFactor = 0;
  float Scale = 0;  // scale denominator

private:
  TMapProject* project_;
};

}  // namespace chizro
