// What the datum shift (coords/datum.h) and the projection
// (coords/projection.h) share, defined here once: degrees and radians, a
// point in latitude/longitude, and the two ellipsoids of the datums with the
// constants the projection's series need, worked out at compile time.
#pragma once

#include <numbers>

namespace chizro {

// Degrees to radians and back.
inline constexpr double kDegToRad = std::numbers::pi / 180.0;
inline constexpr double kRadToDeg = 180.0 / std::numbers::pi;

// A point in latitude/longitude [deg], east and north positive.
struct TLatLon {
  double Lat;
  double Lon;
};

// An ellipsoid with everything the series need, worked out at compile time.
struct TEllipsoid {
  int Index;           // row of the per-ellipsoid zone table
  double A;            // semi-major axis [m]
  double InvF;         // inverse flattening
  double E2;           // first eccentricity squared
  double Ep2;          // second eccentricity squared
  double PolarRadius;  // a / sqrt(1 - e^2) [m]
  double ArcScale;     // a (1 - e^2) [m]
  // Meridian arc coefficients: series in even powers of e up to e^16.
  double ArcA, ArcB, ArcC, ArcD, ArcE, ArcF, ArcG, ArcH, ArcI;
};

namespace detail {
// Square root by Newton steps, for constant expressions.
constexpr double ConstSqrt(double v) {
  double r = v < 1.0 ? 1.0 : v;
  for (int i = 0; i < 64; ++i) {
    const double next = 0.5 * (r + v / r);
    if (next == r) break;
    r = next;
  }
  return r;
}

constexpr TEllipsoid MakeEllipsoid(int index, double a, double invF) {
  const double e2 = (2.0 * invF - 1.0) / (invF * invF);
  const double e4 = e2 * e2;
  const double e6 = e4 * e2;
  const double e8 = e6 * e2;
  const double e10 = e8 * e2;
  const double e12 = e10 * e2;
  const double e14 = e12 * e2;
  const double e16 = e14 * e2;
  TEllipsoid e{};
  e.Index = index;
  e.A = a;
  e.InvF = invF;
  e.E2 = e2;
  e.Ep2 = e2 / (1.0 - e2);
  e.PolarRadius = a / ConstSqrt(1.0 - e2);
  e.ArcScale = a * (1.0 - e2);
  e.ArcA = 1.0 + 3.0 / 4.0 * e2 + 45.0 / 64.0 * e4 + 175.0 / 256.0 * e6 + 11025.0 / 16384.0 * e8 +
           43659.0 / 65536.0 * e10 + 693693.0 / 1048576.0 * e12 + 19324305.0 / 29360128.0 * e14 +
           4927697775.0 / 7516192768.0 * e16;
  e.ArcB = 3.0 / 4.0 * e2 + 15.0 / 16.0 * e4 + 525.0 / 512.0 * e6 + 2205.0 / 2048.0 * e8 +
           72765.0 / 65536.0 * e10 + 297297.0 / 262144.0 * e12 + 135270135.0 / 117440512.0 * e14 +
           547521975.0 / 469762048.0 * e16;
  e.ArcC = 15.0 / 64.0 * e4 + 105.0 / 256.0 * e6 + 2205.0 / 4096.0 * e8 + 10395.0 / 16384.0 * e10 +
           1486485.0 / 2097152.0 * e12 + 45090045.0 / 58720256.0 * e14 +
           766530765.0 / 939524096.0 * e16;
  e.ArcD = 35.0 / 512.0 * e6 + 315.0 / 2048.0 * e8 + 31185.0 / 131072.0 * e10 +
           165165.0 / 524288.0 * e12 + 45090045.0 / 117440512.0 * e14 +
           209053845.0 / 469762048.0 * e16;
  e.ArcE = 315.0 / 16384.0 * e8 + 3465.0 / 65536.0 * e10 + 99099.0 / 1048576.0 * e12 +
           4099095.0 / 29360128.0 * e14 + 348423075.0 / 1879048192.0 * e16;
  e.ArcF = 693.0 / 131072.0 * e10 + 9009.0 / 524288.0 * e12 + 4099095.0 / 117440512.0 * e14 +
           26801775.0 / 469762048.0 * e16;
  e.ArcG = 3003.0 / 2097152.0 * e12 + 315315.0 / 58720256.0 * e14 + 11486475.0 / 939524096.0 * e16;
  e.ArcH = 45045.0 / 117440512.0 * e14 + 765765.0 / 469762048.0 * e16;
  e.ArcI = 765765.0 / 7516192768.0 * e16;
  return e;
}
}  // namespace detail

// Bessel 1841, the ellipsoid of the TOKYO datum.
inline constexpr TEllipsoid kBessel1841 = detail::MakeEllipsoid(0, 6377397.155, 299.152813);
// GRS80, the ellipsoid of JGD2000 (and of WGS84 in the JGD2000 frame).
inline constexpr TEllipsoid kGrs80 = detail::MakeEllipsoid(1, 6378137.0, 298.257222101);
inline constexpr int kEllipsoidCount = 2;

}  // namespace chizro
