// Plane rectangular coordinates of the nineteen Japanese zones: a transverse
// Mercator (Gauss-Krüger) projection with the classical series for the
// meridian arc, and its inverse by iteration of the footpoint latitude.
//
// The zones are defined on the ellipsoid of the datum the coordinates are in:
// Bessel 1841 for the TOKYO datum, GRS80 for JGD2000 (and WGS84, held in the
// JGD2000 frame), defined in coords/geodesy.h. Every function takes the
// ellipsoid; EllipsoidOfDatum picks it by datum. The datum itself is changed
// separately (coords/datum.h).
// All functions are pure, allocate nothing and are safe to call per vertex
// from any thread.
//
// Axes: X is the northing and Y the easting from the zone origin [m], with no
// false origin. Latitude and longitude are decimal degrees, east and north
// positive. The vertical value always comes first.
#pragma once

#include "coords/datum.h"
#include "coords/geodesy.h"

namespace chizro {

// Zone numbers of the Japanese plane rectangular coordinate system.
inline constexpr int kMinZone = 1;
inline constexpr int kMaxZone = 19;

// Scale factor on the central meridian of every zone.
inline constexpr double kZoneScale = 0.9999;

// The ellipsoid of a datum: GRS80 for JGD2000 and WGS84, Bessel 1841 for
// TOKYO.
constexpr const TEllipsoid& EllipsoidOfDatum(TDatum datum) noexcept {
  return IsJgd2000Frame(datum) ? kGrs80 : kBessel1841;
}

// Length of the meridian arc of `ell` from the equator to latitude phiRad
// [rad], in metres. Negative south of the equator.
double MeridianArc(const TEllipsoid& ell, double phiRad);

// A point in plane rectangular coordinates [m].
struct TPlanePoint {
  double X;  // northing
  double Y;  // easting
};

// Latitude/longitude [deg] to plane rectangular coordinates in `zone` on
// `ell`. Throws EZoneError outside 1..19.
TPlanePoint LatLonToXY(const TEllipsoid& ell, int zone, double lat, double lon);

// Plane rectangular X (north), Y (east) [m] in `zone` on `ell` to
// latitude/longitude. Throws EZoneError outside 1..19.
TLatLon XYToLatLon(const TEllipsoid& ell, int zone, double X, double Y);

}  // namespace chizro
