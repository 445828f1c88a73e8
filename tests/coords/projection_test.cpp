#include "coords/projection.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

constexpr double kMillimetre = 1e-3;
constexpr double kDegreeTolerance = 1e-8;

// Simpson integration of the meridian radius of curvature a(1-e^2)/W^3 (by
// hand, in Python); the quadrant is Bessel's 10 000 855.764 m.
TEST(MeridianArcTest, BesselArcLengths) {
  EXPECT_NEAR(MeridianArc(kBessel1841, 36.0 * kDegToRad), 3985146.0533, 1e-4);
  EXPECT_NEAR(MeridianArc(kBessel1841, 90.0 * kDegToRad), 10000855.7644, 1e-4);
  EXPECT_EQ(MeridianArc(kBessel1841, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(MeridianArc(kBessel1841, -36.0 * kDegToRad),
                   -MeridianArc(kBessel1841, 36.0 * kDegToRad));
}

// Points whose plane coordinates are known: PROJ 9's cs2cs on the plane
// rectangular systems as EPSG defines them, from EPSG:4301 (Tokyo) to
// EPSG:30169 on Bessel 1841 and from EPSG:4612 (JGD2000) to EPSG:2451 on
// GRS80, whose figures WGS 84's ellipsoid gives to the millimetre. X north, Y
// east [m]. What the grid of EpsgZoneTest below leaves out: a point two
// degrees from the origin, one given to a tenth of a millimetre, and WGS 84.
struct TKnownPoint {
  const char* Name;
  TDatum datum;  // the datum the coordinates are in
  int zone;
  double lat, lon, X, Y;
};
void PrintTo(const TKnownPoint& row, std::ostream* os) { *os << row.Name; }

const TKnownPoint kKnownPoints[] = {
    {"Zone9FarSouthWest", TDatum::Tokyo, 9, 34.0, 138.0, -220320.224, -169345.909},
    {"Zone9Tsukuba", TDatum::Tokyo, 9, 36.104583, 140.084583, 11631.3563, 22618.7053},
    {"TokyoStationWgs84", TDatum::Wgs84, 9, 35.6812, 139.7671, -35367.230, -5995.185},
};

class KnownPointTest : public testing::TestWithParam<TKnownPoint> {};

TEST_P(KnownPointTest, DatumPicksTheEllipsoidForwardWithinAMillimetreAndInverse) {
  const TKnownPoint& p = GetParam();
  const TEllipsoid& e = EllipsoidOfDatum(p.datum);
  const TPlanePoint plane = LatLonToXY(e, p.zone, p.lat, p.lon);
  EXPECT_NEAR(plane.X, p.X, kMillimetre);
  EXPECT_NEAR(plane.Y, p.Y, kMillimetre);
  const TLatLon geo = XYToLatLon(e, p.zone, p.X, p.Y);
  EXPECT_NEAR(geo.Lat, p.lat, kDegreeTolerance);
  EXPECT_NEAR(geo.Lon, p.lon, kDegreeTolerance);
}

INSTANTIATE_TEST_SUITE_P(Points, KnownPointTest, testing::ValuesIn(kKnownPoints),
                         test::RowName<TKnownPoint>);

int EpsgOfZone(TDatum datum, int zone) { return (datum == TDatum::Tokyo ? 30160 : 2442) + zone; }

// Zone origins as 平成14年国土交通省告示第9号 publishes them: latitude [deg],
// longitude [deg] and [min].
struct TPublishedOrigin {
  int lat, lonDeg, lonMin;
};
constexpr TPublishedOrigin kPublishedOrigins[kMaxZone] = {
    {33, 129, 30}, {33, 131, 0},  {36, 132, 10}, {33, 133, 30}, {36, 134, 20},
    {36, 136, 0},  {36, 137, 10}, {36, 138, 30}, {36, 139, 50}, {40, 140, 50},
    {44, 140, 15}, {44, 142, 15}, {44, 144, 15}, {26, 142, 0},  {26, 127, 30},
    {26, 124, 0},  {26, 131, 0},  {20, 136, 0},  {26, 154, 0}};

// Every zone of both datums against PROJ's EPSG definitions, over a grid of
// about 1.5 degrees around the origin (the origins are thus checked too), and
// back from plane coordinates out to 300 km.
class EpsgZoneTest : public testing::TestWithParam<int> {};

TEST_P(EpsgZoneTest, AgreesWithEpsgWithinAMillimetreAndRoundTripsWithinAMicrometre) {
  const int zone = GetParam();
  const TPublishedOrigin& origin = kPublishedOrigins[zone - 1];
  const double lat0 = origin.lat;
  const double lon0 = origin.lonDeg + origin.lonMin / 60.0;
  for (const TDatum datum : {TDatum::Tokyo, TDatum::Jgd2000}) {
    // PROJ's geographic-to-projected operation in (longitude, latitude) and
    // (east, north) order.
    const std::string geographic = datum == TDatum::Tokyo ? "EPSG:4301" : "EPSG:4612";
    const std::string projected = "EPSG:" + std::to_string(EpsgOfZone(datum, zone));
    for (const double dLat : {-0.7, 0.0, 0.8}) {
      for (const double dLon : {-0.9, 0.35, 1.2}) {
        const TFPoint en = test::ProjTransform(geographic, projected, lon0 + dLon, lat0 + dLat);
        const TPlanePoint p = LatLonToXY(EllipsoidOfDatum(datum), zone, lat0 + dLat, lon0 + dLon);
        EXPECT_NEAR(p.Y, en.x, kMillimetre) << projected;
        EXPECT_NEAR(p.X, en.y, kMillimetre) << projected;
      }
    }
    // The plane coordinates come back from latitude and longitude.
    for (const double X : {-250000.0, -1234.5, 98765.4, 300000.0}) {
      for (const double Y : {-150000.0, 0.0, 42.25, 170000.0}) {
        const TLatLon geo = XYToLatLon(EllipsoidOfDatum(datum), zone, X, Y);
        const TPlanePoint back = LatLonToXY(EllipsoidOfDatum(datum), zone, geo.Lat, geo.Lon);
        EXPECT_NEAR(back.X, X, 1e-6);
        EXPECT_NEAR(back.Y, Y, 1e-6);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllZones, EpsgZoneTest, testing::Range(kMinZone, kMaxZone + 1),
                         [](const auto& row) { return "Zone" + std::to_string(row.param); });

TEST(ProjectionTest, ZonesOutsideTheTableThrow) {
  for (const int zone : {0, 20, -1}) {
    EXPECT_THROW(LatLonToXY(kGrs80, zone, 36.0, 140.0), EZoneError);
    EXPECT_THROW(XYToLatLon(kGrs80, zone, 0.0, 0.0), EZoneError);
  }
}

TEST(ProjectionTest, InverseAtAndBeyondThePoleGivesThePoleOnTheCentralMeridian) {
  const double toPole = kZoneScale * (MeridianArc(kBessel1841, 90.0 * kDegToRad) -
                                      MeridianArc(kBessel1841, 36.0 * kDegToRad));
  for (const double X : {toPole, toPole + 5000.0}) {
    const TLatLon geo = XYToLatLon(kBessel1841, 9, X, 1000.0);
    EXPECT_EQ(geo.Lat, 90.0);
    EXPECT_NEAR(geo.Lon, 139.0 + 50.0 / 60.0, 1e-12);
  }
}

}  // namespace
}  // namespace chizro
