// Points and rectangles of the map model, and the in-place conversions of a
// stored point between coordinate modes and datums.
//
// Stored points are (x, y) doubles: (easting, northing) [m] in plane
// rectangular mode, (longitude, latitude) [deg] in latitude/longitude mode.
// Survey and cadastral coordinates are given to the millimetre; a float would
// have a 1.4 m step in longitude and 16-31 mm in metres far from the origin.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "coords/datum.h"
#include "coords/zone.h"

namespace chizro {

struct TFPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const TFPoint&, const TFPoint&) = default;
};

using TFPointGrp = std::vector<TFPoint>;

// top >= bottom: y grows upward, as on a map.
struct TFRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  friend bool operator==(const TFRect&, const TFRect&) = default;
};

// Coordinate modes. The values are the codes the binary vector file stores.
enum class TCoordMode : std::int32_t {
  Plane = 1,   // plane rectangular [m]
  LatLon = 2,  // latitude/longitude [deg]
};

// The mode of a stored code; nothing for any other code.
constexpr std::optional<TCoordMode> CoordModeOfCode(std::int32_t code) noexcept {
  if (code < 1 || code > 2) return std::nullopt;
  return static_cast<TCoordMode>(code);
}
constexpr std::int32_t CodeOfCoordMode(TCoordMode mode) noexcept {
  return static_cast<std::int32_t>(mode);
}

// The coordinate system a set of stored points is in. In plane rectangular
// mode the points are on the ellipsoid of the datum (coords/projection.h); in
// latitude/longitude mode the zone is the one they go to in plane mode. A
// zone that is not stated (unstated, or local coordinates) is the zone of the
// other side of a change.
struct TCoordSystem {
  TCoordMode Mode = TCoordMode::Plane;
  TDatum Datum = TDatum::Tokyo;
  TZone Zone;
};

// Moves a point from one system to another, in one pass in double precision:
// plane rectangular points go to latitude/longitude on the ellipsoid and in
// the zone of their system, through the datum shift when the two frames
// differ (coords/datum.h), and back to plane rectangular coordinates on the
// ellipsoid and in the zone of the target. Throws EZoneError when a zone
// that takes part is outside 1..19.
void ConvertPoint(const TCoordSystem& from, const TCoordSystem& to, double& x, double& y);

// A change of coordinate system as the model applies it to every point of an
// object.
struct TCoordChange {
  TCoordSystem From;
  TCoordSystem To;
  bool ModeChanged = false;
  bool DatumChanged = false;  // the datum differs
  bool ZoneChanged = false;   // both zones stated and different
  bool Moves = false;         // points change their numbers

  static TCoordChange Between(const TCoordSystem& from, const TCoordSystem& to) {
    TCoordChange c;
    c.From = from;
    c.To = to;
    c.ModeChanged = from.Mode != to.Mode;
    c.DatumChanged = from.Datum != to.Datum;
    c.ZoneChanged = from.Zone.IsStated() && to.Zone.IsStated() && from.Zone != to.Zone;
    // JGD2000 and WGS84 are one frame on one ellipsoid: between them only
    // the code changes. Zones matter only to points that stay plane.
    const bool frameChanged = IsJgd2000Frame(from.Datum) != IsJgd2000Frame(to.Datum);
    c.Moves = c.ModeChanged || frameChanged || (to.Mode != TCoordMode::LatLon && c.ZoneChanged);
    return c;
  }

  void Apply(double& x, double& y) const {
    if (Moves) ConvertPoint(From, To, x, y);
  }
  // A rectangle goes through its top-left and bottom-right corners, put in
  // order again: far from a zone's meridian the grid is turned enough for the
  // converted corners to swap sides, which would leave a box upside down that
  // no view ever meets.
  void Apply(TFRect& r) const {
    if (!Moves) return;
    Apply(r.left, r.top);
    Apply(r.right, r.bottom);
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.bottom > r.top) std::swap(r.bottom, r.top);
  }
  // Anything to record: the mode, the datum or the zone differ.
  bool Any() const { return ModeChanged || DatumChanged || ZoneChanged; }
};

}  // namespace chizro
