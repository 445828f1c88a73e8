// The view: turns world coordinates of the project's system into window
// pixels and back, keeps the map's centre and scale, and starts the painting
// of all themes (which also loads and unloads leaves by visibility).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/geometry.h"
#include "model/map_object.h"
#include "platform/canvas.h"

namespace chizro {

class TMapProject;

class TMapView final : public TMapObject {
public:
  explicit TMapView(TMapProject* project);

  TMapProject* Project() const noexcept { return project_; }

  // Stores the canvas and reads its clip rectangle into DeviceRect.
  void SetCanvas(TCanvas* canvas);
  void SetWorldRect(const TFRect& r);
  // The paint: clears the canvas to white, recomputes the transform and the
  // world window from centre and scale, then paints every theme (which loads
  // the leaves that came into view). Works without a canvas too: the leaves
  // are then loaded and their draw classes ordered, and nothing is painted.
  void Draw();
  // Recomputes PaperFactor, the pixels per unit and the world window from
  // centre, scale and DeviceRect without painting (the part of Draw before
  // the themes are painted).
  void UpdateTransform();

  // Metres per world unit in x and y near the centre: 1 in plane rectangular
  // mode; in latitude/longitude mode the ground length of one degree of
  // longitude (fx) and of latitude (fy) [m/deg], from a one-degree step.
  void UnitFactors(double& fx, double& fy) const;

  // Device pixel [px] to world point, with the window of the latest paint.
  // A paint box without width or height maps every pixel to the window's
  // bottom-left corner.
  void DcToWc(TPoint p, TFPoint& w) const;
  // World point to device pixel [px], the fraction discarded toward zero.
  // Results beyond +-kMaxDeviceCoord (far off the window) are held there.
  TPoint WcToDc(double x, double y) const noexcept;
  // Whether `r` meets WorldRect; rectangles that only touch meet.
  bool Intersects(const TFRect& r) const noexcept;
  // The screen space the labels of a paint take: true, and `r` [px] taken,
  // when it overlaps no label taken before in this paint; false when it
  // would cover one (the label is then not drawn). Each Draw starts empty.
  bool TakeLabelSpace(const TRect& r);

  static constexpr int kMaxDeviceCoord = 1 << 30;

  TFRect WorldRect;
  TCanvas* Canvas = nullptr;
  bool ClearBackground = true;
  TRect DeviceRect;
  double PxPerUnitX = 0;  // [px per world unit]
  double PxPerUnitY = 0;
  double WorldWidth = 0;  // [world units]
  double WorldHeight = 0;
  double CenterX = 0;
  double CenterY = 0;
  double DeviceWidth = 0;  // [px]
  double DeviceHeight = 0;
  double PixelsPerInch = 96;
  double PaperFactor = 0;  // 254000 / PixelsPerInch
  double Scale = 0;        // scale denominator

private:
  TMapProject* project_;
  // The rectangles taken, and for each cell of kLabelCell pixels square the
  // ones that reach into it, so that a label is checked against its
  // neighbours only.
  static constexpr int kLabelCell = 64;
  std::vector<TRect> labels_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> labelCells_;
};

}  // namespace chizro
