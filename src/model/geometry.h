// Points and rectangles of the map model, and the in-place conversions of a
// stored point between coordinate modes and datums.
//
// Stored points are (x, y) single-precision floats: (easting, northing) [m] in
// plane rectangular mode, (longitude, latitude) [deg] in latitude/longitude
// mode. Conversions compute in double precision and store back once.
#pragma once

#include <vector>

#include "coords/datum.h"

namespace chizro {

struct TFPoint {
  float x = 0;
  float y = 0;
  friend bool operator==(const TFPoint&, const TFPoint&) = default;
};

using TFPointGrp = std::vector<TFPoint>;

// top >= bottom: y grows upward, as on a map.
struct TFRect {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  friend bool operator==(const TFRect&, const TFRect&) = default;
};

// Coordinate modes.
inline constexpr int kModePlane = 1;   // plane rectangular [m]
inline constexpr int kModeLatLon = 2;  // latitude/longitude [deg]

// The coordinate system a set of stored points is in. In plane rectangular
// mode the points are on the ellipsoid of the datum (coords/projection.h); in
// latitude/longitude mode the zone is the one they go to in plane mode. Zone
// 0 stands for "not stated": the zone of the other side of a change.
struct TCoordSystem {
  int Mode = kModePlane;
  int Datum = 0;
  int Zone = 0;
};

// Moves a point from one system to another, in one pass in double precision:
// plane rectangular points go to latitude/longitude on the ellipsoid and in
// the zone of their system, through the datum shift when the two frames
// differ (coords/datum.h), and back to plane rectangular coordinates on the
// ellipsoid and in the zone of the target. Throws EZoneError when a zone
// that takes part is outside 1..19.
void ConvertPoint(const TCoordSystem& from, const TCoordSystem& to, float& x, float& y);

// A change of coordinate system as the model applies it to every point of an
// object.
struct TCoordChange {
  TCoordSystem From;
  TCoordSystem To;
  bool ModeChanged = false;
  bool DatumChanged = false;  // the datum code differs
  bool ZoneChanged = false;   // both zones stated and different
  bool Moves = false;         // points change their numbers

  static TCoordChange Between(const TCoordSystem& from, const TCoordSystem& to) {
    TCoordChange c;
    c.From = from;
    c.To = to;
    c.ModeChanged = from.Mode != to.Mode;
    c.DatumChanged = from.Datum != to.Datum;
    c.ZoneChanged = from.Zone != 0 && to.Zone != 0 && from.Zone != to.Zone;
    // JGD2000 and WGS84 are one frame on one ellipsoid: between them only
    // the code changes. Zones matter only to points that stay plane.
    const bool frameChanged = IsJgd2000Frame(from.Datum) != IsJgd2000Frame(to.Datum);
    c.Moves = c.ModeChanged || frameChanged || (to.Mode != kModeLatLon && c.ZoneChanged);
    return c;
  }

  void Apply(float& x, float& y) const {
    if (Moves) ConvertPoint(From, To, x, y);
  }
  void Apply(TFRect& r) const {
    Apply(r.left, r.top);
    Apply(r.right, r.bottom);
  }
  // Anything to record: the mode, the datum code or the zone differ.
  bool Any() const { return ModeChanged || DatumChanged || ZoneChanged; }
};

}  // namespace chizro
