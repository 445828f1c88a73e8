// Gauss-Krüger projection of the Japanese plane rectangular coordinate system.
//
// Forward: the meridian arc series in even powers of the eccentricity up to
// e^16, and the transverse Mercator series in powers of the longitude
// difference up to the eighth (X) and seventh (Y) order. Inverse: Newton
// iteration of the footpoint latitude on the meridian arc, then the inverse
// series in powers of the easting. Constants of Bessel 1841.
#include "coords/projection.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "coords/datum.h"
#include "platform/errors.h"

namespace chizro {
namespace {

// Bessel 1841 ellipsoid.
constexpr double kA = 6377397.155;                    // semi-major axis [m]
constexpr double kF = 299.152813;                     // inverse flattening
constexpr double kE2 = (2.0 * kF - 1.0) / (kF * kF);  // first eccentricity squared
constexpr double kEp2 = kE2 / (1.0 - kE2);            // second eccentricity squared

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kRadToDeg = 180.0 / std::numbers::pi;

// Meridian arc coefficients. The series are constant expressions, folded at
// compile time with the same IEEE arithmetic that a run-time evaluation would
// use, so no call pays for them.
constexpr double kE4 = kE2 * kE2;
constexpr double kE6 = kE4 * kE2;
constexpr double kE8 = kE6 * kE2;
constexpr double kE10 = kE8 * kE2;
constexpr double kE12 = kE10 * kE2;
constexpr double kE14 = kE12 * kE2;
constexpr double kE16 = kE14 * kE2;

constexpr double kArcA = 1.0 + 3.0 / 4.0 * kE2 + 45.0 / 64.0 * kE4 + 175.0 / 256.0 * kE6 +
                         11025.0 / 16384.0 * kE8 + 43659.0 / 65536.0 * kE10 +
                         693693.0 / 1048576.0 * kE12 + 19324305.0 / 29360128.0 * kE14 +
                         4927697775.0 / 7516192768.0 * kE16;
constexpr double kArcB = 3.0 / 4.0 * kE2 + 15.0 / 16.0 * kE4 + 525.0 / 512.0 * kE6 +
                         2205.0 / 2048.0 * kE8 + 72765.0 / 65536.0 * kE10 +
                         297297.0 / 262144.0 * kE12 + 135270135.0 / 117440512.0 * kE14 +
                         547521975.0 / 469762048.0 * kE16;
constexpr double kArcC = 15.0 / 64.0 * kE4 + 105.0 / 256.0 * kE6 + 2205.0 / 4096.0 * kE8 +
                         10395.0 / 16384.0 * kE10 + 1486485.0 / 2097152.0 * kE12 +
                         45090045.0 / 58720256.0 * kE14 + 766530765.0 / 939524096.0 * kE16;
constexpr double kArcD = 35.0 / 512.0 * kE6 + 315.0 / 2048.0 * kE8 + 31185.0 / 131072.0 * kE10 +
                         165165.0 / 524288.0 * kE12 + 45090045.0 / 117440512.0 * kE14 +
                         209053845.0 / 469762048.0 * kE16;
constexpr double kArcE = 315.0 / 16384.0 * kE8 + 3465.0 / 65536.0 * kE10 +
                         99099.0 / 1048576.0 * kE12 + 4099095.0 / 29360128.0 * kE14 +
                         348423075.0 / 1879048192.0 * kE16;
constexpr double kArcF = 693.0 / 131072.0 * kE10 + 9009.0 / 524288.0 * kE12 +
                         4099095.0 / 117440512.0 * kE14 + 26801775.0 / 469762048.0 * kE16;
constexpr double kArcG =
    3003.0 / 2097152.0 * kE12 + 315315.0 / 58720256.0 * kE14 + 11486475.0 / 939524096.0 * kE16;
constexpr double kArcH = 45045.0 / 117440512.0 * kE14 + 765765.0 / 469762048.0 * kE16;
constexpr double kArcI = 765765.0 / 7516192768.0 * kE16;

// Footpoint iteration: stop when a step moves less than this [rad], or after
// kMaxFootpointSteps steps.
constexpr double kFootpointTolerance = 1e-14;
constexpr int kMaxFootpointSteps = 101;

// A footpoint latitude whose cosine is below this lies at a pole (within a few
// micrometres) or beyond it, where the series break down.
constexpr double kPoleCos = 1e-12;

// Zone origins as published with the coordinate system, in packed
// degree-minute form (129.3 is 129°30'), indexed by zone - 1.
struct TPackedOrigin {
  double lat;
  double lon;
};
constexpr std::array<TPackedOrigin, kMaxZone> kZoneOrigins = {{
    {33.0, 129.3},   // I
    {33.0, 131.0},   // II
    {36.0, 132.1},   // III
    {33.0, 133.3},   // IV
    {36.0, 134.2},   // V
    {36.0, 136.0},   // VI
    {36.0, 137.1},   // VII
    {36.0, 138.3},   // VIII
    {36.0, 139.5},   // IX
    {40.0, 140.5},   // X
    {44.0, 140.15},  // XI
    {44.0, 142.15},  // XII
    {44.0, 144.15},  // XIII
    {26.0, 142.0},   // XIV
    {26.0, 127.3},   // XV
    {26.0, 124.0},   // XVI
    {26.0, 131.0},   // XVII
    {20.0, 136.0},   // XVIII
    {26.0, 154.0},   // XIX
}};

[[noreturn, gnu::cold, gnu::noinline]] void ThrowZoneError(int zone) { throw EZoneError(zone); }

// Radius of curvature at the pole, c = a / sqrt(1 - e^2) [m].
double PolarRadius() { return kA / std::sqrt(1.0 - kE2); }

// What every conversion in a zone starts from: the origin [deg] and [rad]
// and its meridian arc [m], worked out once per zone.
struct TZoneConstants {
  double lat0;     // [deg]
  double lon0;     // [deg]
  double phi0;     // [rad]
  double lambda0;  // [rad]
  double s0;       // [m]
};

// The constants of a zone; the bounds check keeps every zone number from
// reading outside the table.
const TZoneConstants& Zone(int zone) {
  if (zone < kMinZone || zone > kMaxZone) ThrowZoneError(zone);
  static const std::array<TZoneConstants, kMaxZone> zones = [] {
    std::array<TZoneConstants, kMaxZone> z{};
    for (std::size_t i = 0; i < z.size(); ++i) {
      TZoneConstants& c = z[i];
      c.lat0 = DmsToDeg(kZoneOrigins[i].lat);
      c.lon0 = DmsToDeg(kZoneOrigins[i].lon);
      c.phi0 = c.lat0 * kDegToRad;
      c.lambda0 = c.lon0 * kDegToRad;
      c.s0 = MeridianArc(c.phi0);
    }
    return z;
  }();
  return zones[static_cast<std::size_t>(zone - kMinZone)];
}

}  // namespace

double MeridianArc(double phi) {
  // Smallest terms first, so that they are not lost against A*phi.
  double sum = kArcI / 16.0 * std::sin(16.0 * phi);
  sum -= kArcH / 14.0 * std::sin(14.0 * phi);
  sum += kArcG / 12.0 * std::sin(12.0 * phi);
  sum -= kArcF / 10.0 * std::sin(10.0 * phi);
  sum += kArcE / 8.0 * std::sin(8.0 * phi);
  sum -= kArcD / 6.0 * std::sin(6.0 * phi);
  sum += kArcC / 4.0 * std::sin(4.0 * phi);
  sum -= kArcB / 2.0 * std::sin(2.0 * phi);
  sum += kArcA * phi;
  return kA * (1.0 - kE2) * sum;
}

void ZoneOrigin(int zone, double& latDeg, double& lonDeg) {
  const TZoneConstants& z = Zone(zone);
  latDeg = z.lat0;
  lonDeg = z.lon0;
}

void LatLonToXY(int zone, double& X, double& Y, double lat, double lon) {
  const TZoneConstants& z = Zone(zone);
  const double phi = lat * kDegToRad;
  const double dl = lon * kDegToRad - z.lambda0;

  const double s = MeridianArc(phi);

  const double cosPhi = std::cos(phi);
  const double t = std::tan(phi);
  const double eta2 = kEp2 * cosPhi * cosPhi;
  const double n = PolarRadius() / std::sqrt(1.0 + eta2);

  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double t6 = t4 * t2;
  const double eta4 = eta2 * eta2;
  const double cos2 = cosPhi * cosPhi;
  const double cos4 = cos2 * cos2;
  const double cos6 = cos4 * cos2;
  const double dl2 = dl * dl;
  const double dl4 = dl2 * dl2;
  const double dl6 = dl4 * dl2;

  const double x =
      kZoneScale *
      (s - z.s0 +
       n * cos2 * t * dl2 *
           (1.0 / 2.0 + (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4) * cos2 * dl2 / 24.0 +
            (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2) * cos4 * dl4 / 720.0 +
            (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6) * cos6 * dl6 / 40320.0));
  const double y = kZoneScale * n * cosPhi * dl *
                   (1.0 + (1.0 - t2 + eta2) * cos2 * dl2 / 6.0 +
                    (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2) * cos4 * dl4 / 120.0 +
                    (61.0 - 479.0 * t2 + 179.0 * t4 - t6) * cos6 * dl6 / 5040.0);
  X = x;
  Y = y;
}

void XYToLatLon(int zone, double& lat, double& lon, double X, double Y) {
  const TZoneConstants& z = Zone(zone);
  const double m = X / kZoneScale + z.s0;

  // Footpoint latitude: the latitude whose meridian arc is m. Newton steps on
  // the arc, starting from the origin latitude; about three steps within a
  // zone.
  double phi1 = z.phi0;
  double previous = phi1;
  int step = 0;
  do {
    ++step;
    previous = phi1;
    const double s1 = MeridianArc(phi1);
    const double sinPhi1 = std::sin(phi1);
    const double w = 1.0 - kE2 * sinPhi1 * sinPhi1;
    const double sqrtW = std::sqrt(w);
    phi1 = phi1 +
           2.0 * (s1 - m) * (w * sqrtW) /
               (3.0 * kE2 * (s1 - m) * sinPhi1 * std::cos(phi1) * sqrtW - 2.0 * kA * (1.0 - kE2));
  } while (std::fabs(phi1 - previous) >= kFootpointTolerance && step < kMaxFootpointSteps);

  const double cosPhi1 = std::cos(phi1);
  // At a pole (or past one) every meridian meets and the series divide by
  // cos(phi1): answer the pole itself on the zone's central meridian rather
  // than let infinities or NaN reach the model.
  if (cosPhi1 < kPoleCos) {
    lat = phi1 > 0.0 ? 90.0 : -90.0;
    lon = z.lon0;
    return;
  }

  const double y = Y / kZoneScale;
  const double t = std::tan(phi1);
  const double eta2 = kEp2 * cosPhi1 * cosPhi1;
  const double n = PolarRadius() / std::sqrt(1.0 + eta2);

  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double t6 = t4 * t2;
  const double eta4 = eta2 * eta2;
  const double n2 = n * n;
  const double n3 = n2 * n;
  const double n4 = n2 * n2;
  const double n5 = n4 * n;
  const double n6 = n4 * n2;
  const double n7 = n6 * n;
  const double n8 = n4 * n4;
  const double y2 = y * y;
  const double y3 = y2 * y;
  const double y4 = y2 * y2;
  const double y5 = y4 * y;
  const double y6 = y4 * y2;
  const double y7 = y6 * y;
  const double y8 = y4 * y4;

  const double phi =
      phi1 +
      t * (-(1.0 + eta2) * y2 / (2.0 * n2) +
           (5.0 + 3.0 * t2 + 6.0 * eta2 - 6.0 * t2 * eta2 - 3.0 * eta4 - 9.0 * t2 * eta4) * y4 /
               (24.0 * n4) -
           (61.0 + 90.0 * t2 + 45.0 * t4 + 107.0 * eta2 - 162.0 * t2 * eta2 - 45.0 * t4 * eta2) *
               y6 / (720.0 * n6) +
           (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6) * y8 / (40320.0 * n8));
  const double lambda =
      z.lambda0 + y / (n * cosPhi1) - (1.0 + 2.0 * t2 + eta2) * y3 / (6.0 * n3 * cosPhi1) +
      (5.0 + 28.0 * t2 + 24.0 * t4 + 6.0 * eta2 + 8.0 * t2 * eta2) * y5 / (120.0 * n5 * cosPhi1) -
      (61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6) * y7 / (5040.0 * n7 * cosPhi1);

  lat = phi * kRadToDeg;
  lon = lambda * kRadToDeg;
}

void LatLonToXY(int zone, float& X, float& Y, double lat, double lon) {
  double x = 0.0;
  double y = 0.0;
  LatLonToXY(zone, x, y, lat, lon);
  X = static_cast<float>(x);
  Y = static_cast<float>(y);
}

void XYToLatLon(int zone, float& lat, float& lon, double X, double Y) {
  double phi = 0.0;
  double lambda = 0.0;
  XYToLatLon(zone, phi, lambda, X, Y);
  lat = static_cast<float>(phi);
  lon = static_cast<float>(lambda);
}

}  // namespace chizro
