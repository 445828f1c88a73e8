// Figures: the drawable map objects that readers build (polygons, polylines,
// points, rasters), and the figure lists that hold them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "model/map_object.h"
#include "platform/sorted.h"

namespace chizro {

class TBitmap;

enum class TFigKind : std::uint8_t { Polygon, Polyline, Point, Raster };

class TFigure : public TMapObject {
public:
  ~TFigure() override;

  TFigKind Kind() const noexcept { return kind_; }

  void AddPoint(TFPoint p) { Points.push_back(p); }
  int PointCount() const noexcept { return static_cast<int>(Points.size()); }
  void AddText(std::string s) { Texts.push_back(std::move(s)); }
  // The value of a property (names compare without regard to case), or empty.
  std::string GetProp(std::string_view key) const;

  // Recomputes Extent from Points; a figure without points keeps its Extent.
  void UpdateExtent();

  // Brings the extent's two corners, the label point and every vertex into
  // the new system (`change` says what changed). The extent is converted by
  // its corners, not recomputed.
  void Convert(const TCoordChange& change);

  std::string ClassCode;  // map text (Shift_JIS), see model/map_object.h
  TFPointGrp Points;
  double LabelX = 0;
  double LabelY = 0;
  TFRect Extent;
  std::vector<std::string> Texts;     // map text
  TSortedStrings<std::string> Props;  // map text, names and values

protected:
  explicit TFigure(TFigKind kind) : kind_(kind) {}

private:
  TFigKind kind_;
};

class TFigPolygon final : public TFigure {
public:
  TFigPolygon() : TFigure(TFigKind::Polygon) {}
};

class TFigPolyline final : public TFigure {
public:
  TFigPolyline() : TFigure(TFigKind::Polyline) {}
};

class TFigPoint final : public TFigure {
public:
  TFigPoint() : TFigure(TFigKind::Point) {}
};

class TFigRaster final : public TFigure {
public:
  TFigRaster();
  ~TFigRaster() override;
  std::unique_ptr<TBitmap> Image;
};

// A list of figures of one kind; owns its figures.
class TFigGrp : public TMapObject {
public:
  ~TFigGrp() override;

  TFigKind Kind() const noexcept { return kind_; }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TFigure* Items(int i) const { return ItemAt(items_, i); }
  const std::vector<std::unique_ptr<TFigure>>& Figures() const noexcept { return items_; }

  void UpdateExtents();
  void Convert(const TCoordChange& change);
  // Moves every figure of `other`, a list of the same kind, to the end of
  // this one, in order.
  void TakeAll(TFigGrp& other);

protected:
  explicit TFigGrp(TFigKind kind) : kind_(kind) {}
  TFigure* Append(std::unique_ptr<TFigure> fig);

private:
  TFigKind kind_;
  std::vector<std::unique_ptr<TFigure>> items_;
};

// The typed lists: New creates and appends a figure of the list's kind; Add
// takes one made elsewhere (null is ignored and gives null).
template <class Fig, TFigKind K>
class TFigGrpOf final : public TFigGrp {
public:
  using Figure = Fig;
  TFigGrpOf() : TFigGrp(K) {}
  Fig* New() { return static_cast<Fig*>(Append(std::make_unique<Fig>())); }
  Fig* Add(std::unique_ptr<Fig> fig) { return static_cast<Fig*>(Append(std::move(fig))); }
  Fig* Item(int i) const { return static_cast<Fig*>(Items(i)); }
};

using TFigPolygonGrp = TFigGrpOf<TFigPolygon, TFigKind::Polygon>;
using TFigPolylineGrp = TFigGrpOf<TFigPolyline, TFigKind::Polyline>;
using TFigPointGrp = TFigGrpOf<TFigPoint, TFigKind::Point>;
using TFigRasterGrp = TFigGrpOf<TFigRaster, TFigKind::Raster>;

}  // namespace chizro
