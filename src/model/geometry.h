// Points and rectangles of the map model, and the in-place conversions of a
// stored point between coordinate modes and datums.
//
// Stored points are (x, y) single-precision floats: (easting, northing) [m] in
// plane rectangular mode, (longitude, latitude) [deg] in latitude/longitude
// mode. Conversions compute in double precision and store back once.
#pragma once

#include <vector>

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

// Moves a point into `mode`: to latitude/longitude when mode is 2, otherwise
// to plane rectangular coordinates of `zone`. Throws EZoneError for a zone
// outside 1..19.
void ConvertPointMode(int mode, int zone, float& x, float& y);

// Moves a point from datum `from` to datum `to`. In plane rectangular mode
// the point passes through latitude/longitude of `zone` and comes back into
// the same zone.
void ConvertPointDatum(int coordMode, int zone, int from, int to, float& x, float& y);

// Both steps, in the order the model always applies them: mode first, then
// datum (in the new mode).
struct TCoordChange {
  int Mode = kModePlane;
  int Zone = 0;
  int FromDatum = 0;
  int ToDatum = 0;
  bool ModeChanged = false;
  bool DatumChanged = false;

  // The change from (fromMode, fromDatum) to (toMode, toDatum); the zone is
  // filled in by the caller once it knows that anything changes.
  static TCoordChange Between(int fromMode, int fromDatum, int toMode, int toDatum) {
    TCoordChange c;
    c.Mode = toMode;
    c.FromDatum = fromDatum;
    c.ToDatum = toDatum;
    c.ModeChanged = fromMode != toMode;
    c.DatumChanged = fromDatum != toDatum;
    return c;
  }

  void Apply(float& x, float& y) const {
    if (ModeChanged) ConvertPointMode(Mode, Zone, x, y);
    if (DatumChanged) ConvertPointDatum(Mode, Zone, FromDatum, ToDatum, x, y);
  }
  void Apply(TFRect& r) const {
    Apply(r.left, r.top);
    Apply(r.right, r.bottom);
  }
  bool Any() const { return ModeChanged || DatumChanged; }
};

}  // namespace chizro
