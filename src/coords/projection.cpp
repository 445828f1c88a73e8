// Gauss-Krüger projection of the Japanese plane rectangular coordinate system.
//
// The zones, their origins and the scale factor 0.9999 are those of the
// notice that defines the system (平成14年国土交通省告示第9号).
//
// The series are the classical ones that the Geospatial Information Authority
// of Japan published for survey calculations, and that the formula collection
// of the public survey standard (作業規程の準則, 付録6 計算式集) gave, before
// both moved to Kawase's series in the third flattening (K. Kawase, "A General
// Formula for Calculating Meridian Arc Length and its Application to
// Coordinate Conversion in the Gauss-Krüger Projection", Bulletin of the GSI
// 59, 2011; 河瀬和重, 国土地理院時報 121, 2011), which this file does not use:
// - meridian arc: a (1 - e^2) (A phi - B/2 sin 2phi + C/4 sin 4phi - ... +
//   I/16 sin 16phi), coefficients A to I in even powers of e up to e^16;
// - forward: the series in t = tan phi, eta^2 = e'^2 cos^2 phi and the
//   longitude difference, to the eighth order for X and the seventh for Y;
// - inverse: the footpoint latitude by Newton steps on the meridian arc, then
//   the series in the easting to the eighth (latitude) and seventh
//   (longitude) order.
// Over the area of a zone the two families agree within a millimetre.
//
// The ellipsoid's constants and series coefficients are constant expressions
// (TEllipsoid); the meridian arc of each zone origin is worked out once per
// ellipsoid.
#include "coords/projection.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "coords/datum.h"
#include "coords/geodesy.h"
#include "platform/errors.h"

namespace chizro {
namespace {

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

// What every conversion in a zone starts from: the origin [deg] and [rad]
// and its meridian arc [m] on each ellipsoid, worked out once per zone.
struct TZoneConstants {
  double lat0;                             // [deg]
  double lon0;                             // [deg]
  double phi0;                             // [rad]
  double lambda0;                          // [rad]
  std::array<double, kEllipsoidCount> s0;  // [m], by TEllipsoid::Index
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
      for (const TEllipsoid* e : {&kBessel1841, &kGrs80})
        c.s0[static_cast<std::size_t>(e->Index)] = MeridianArc(*e, c.phi0);
    }
    return z;
  }();
  return zones[static_cast<std::size_t>(zone - kMinZone)];
}

double OriginArc(const TZoneConstants& z, const TEllipsoid& ell) {
  return z.s0[static_cast<std::size_t>(ell.Index)];
}

[[gnu::always_inline]] inline double Arc(const TEllipsoid& e, double phi) {
  // Smallest terms first, so that they are not lost against A*phi.
  double sum = e.ArcI / 16.0 * std::sin(16.0 * phi);
  sum -= e.ArcH / 14.0 * std::sin(14.0 * phi);
  sum += e.ArcG / 12.0 * std::sin(12.0 * phi);
  sum -= e.ArcF / 10.0 * std::sin(10.0 * phi);
  sum += e.ArcE / 8.0 * std::sin(8.0 * phi);
  sum -= e.ArcD / 6.0 * std::sin(6.0 * phi);
  sum += e.ArcC / 4.0 * std::sin(4.0 * phi);
  sum -= e.ArcB / 2.0 * std::sin(2.0 * phi);
  sum += e.ArcA * phi;
  return e.ArcScale * sum;
}

[[gnu::always_inline]] inline TPlanePoint Forward(const TEllipsoid& e, int zone, double lat,
                                                  double lon) {
  const TZoneConstants& z = Zone(zone);
  const double phi = lat * kDegToRad;
  const double dl = lon * kDegToRad - z.lambda0;

  const double s = Arc(e, phi);

  const double cosPhi = std::cos(phi);
  const double t = std::tan(phi);
  const double eta2 = e.Ep2 * cosPhi * cosPhi;
  const double n = e.PolarRadius / std::sqrt(1.0 + eta2);

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
      (s - OriginArc(z, e) +
       n * cos2 * t * dl2 *
           (1.0 / 2.0 + (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4) * cos2 * dl2 / 24.0 +
            (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2) * cos4 * dl4 / 720.0 +
            (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6) * cos6 * dl6 / 40320.0));
  const double y = kZoneScale * n * cosPhi * dl *
                   (1.0 + (1.0 - t2 + eta2) * cos2 * dl2 / 6.0 +
                    (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2) * cos4 * dl4 / 120.0 +
                    (61.0 - 479.0 * t2 + 179.0 * t4 - t6) * cos6 * dl6 / 5040.0);
  return {x, y};
}

[[gnu::always_inline]] inline TLatLon Inverse(const TEllipsoid& e, int zone, double X, double Y) {
  const TZoneConstants& z = Zone(zone);
  const double m = X / kZoneScale + OriginArc(z, e);

  // Footpoint latitude: the latitude whose meridian arc is m. Newton steps on
  // the arc, starting from the origin latitude; about three steps within a
  // zone.
  double phi1 = z.phi0;
  double previous = phi1;
  int step = 0;
  do {
    ++step;
    previous = phi1;
    const double s1 = Arc(e, phi1);
    const double sinPhi1 = std::sin(phi1);
    const double w = 1.0 - e.E2 * sinPhi1 * sinPhi1;
    const double sqrtW = std::sqrt(w);
    phi1 = phi1 + 2.0 * (s1 - m) * (w * sqrtW) /
                      (3.0 * e.E2 * (s1 - m) * sinPhi1 * std::cos(phi1) * sqrtW - 2.0 * e.ArcScale);
  } while (std::fabs(phi1 - previous) >= kFootpointTolerance && step < kMaxFootpointSteps);

  const double cosPhi1 = std::cos(phi1);
  // At a pole (or past one) every meridian meets and the series divide by
  // cos(phi1): answer the pole itself on the zone's central meridian rather
  // than let infinities or NaN reach the model.
  if (cosPhi1 < kPoleCos) return {phi1 > 0.0 ? 90.0 : -90.0, z.lon0};

  const double y = Y / kZoneScale;
  const double t = std::tan(phi1);
  const double eta2 = e.Ep2 * cosPhi1 * cosPhi1;
  const double n = e.PolarRadius / std::sqrt(1.0 + eta2);

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

  return {phi * kRadToDeg, lambda * kRadToDeg};
}

}  // namespace

double MeridianArc(const TEllipsoid& e, double phi) { return Arc(e, phi); }

// The two ellipsoids of the datums get copies of the series with their
// constants folded in; any other ellipsoid is read at run time.
TPlanePoint LatLonToXY(const TEllipsoid& e, int zone, double lat, double lon) {
  if (&e == &kGrs80) return Forward(kGrs80, zone, lat, lon);
  if (&e == &kBessel1841) return Forward(kBessel1841, zone, lat, lon);
  return Forward(e, zone, lat, lon);
}

TLatLon XYToLatLon(const TEllipsoid& e, int zone, double X, double Y) {
  if (&e == &kGrs80) return Inverse(kGrs80, zone, X, Y);
  if (&e == &kBessel1841) return Inverse(kBessel1841, zone, X, Y);
  return Inverse(e, zone, X, Y);
}

}  // namespace chizro
