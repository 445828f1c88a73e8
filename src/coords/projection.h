// Plane rectangular coordinates of the nineteen Japanese zones: a transverse
// Mercator (Gauss-Krüger) projection on the Bessel 1841 ellipsoid with the
// classical series for the meridian arc, and its inverse by iteration of the
// footpoint latitude.
//
// The same ellipsoid is used for points of every datum; the datum itself is
// changed separately (coords/datum.h). All functions are pure, allocate
// nothing and are safe to call per vertex from any thread.
//
// Axes: X is the northing and Y the easting from the zone origin [m], with no
// false origin. Latitude and longitude are decimal degrees, east and north
// positive. The vertical value always comes first in an argument list.
#pragma once

namespace chizro {

// Zone numbers of the Japanese plane rectangular coordinate system.
inline constexpr int kMinZone = 1;
inline constexpr int kMaxZone = 19;

// Scale factor on the central meridian of every zone.
inline constexpr double kZoneScale = 0.9999;

// Length of the Bessel 1841 meridian arc from the equator to latitude
// phiRad [rad], in metres. Negative south of the equator.
double MeridianArc(double phiRad);

// Origin of `zone` in decimal degrees. Throws EZoneError outside 1..19.
void ZoneOrigin(int zone, double& latDeg, double& lonDeg);

// Latitude/longitude [deg] to plane rectangular X (north), Y (east) [m] in
// `zone`. Throws EZoneError outside 1..19.
void LatLonToXY(int zone, double& X, double& Y, double lat, double lon);

// Plane rectangular X (north), Y (east) [m] in `zone` to latitude/longitude
// [deg]. Throws EZoneError outside 1..19.
void XYToLatLon(int zone, double& lat, double& lon, double X, double Y);

// Single-precision forms for the model's stored points: the inputs are the
// widened stored values, the results are rounded to float. Inputs are taken by
// value, so a point may be converted in place (out y, out x, in y, in x).
void LatLonToXY(int zone, float& X, float& Y, double lat, double lon);
void XYToLatLon(int zone, float& lat, float& lon, double X, double Y);

}  // namespace chizro
