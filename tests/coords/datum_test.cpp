#include "coords/datum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "coords/projection.h"
#include "test_support.h"

namespace chizro {
namespace {

double Deg(int d, int m, double s) { return d + m / 60.0 + s / 3600.0; }

// Packed ddd.mmss values; the binary rounding of the decimal input must not
// cost a minute.
struct TDmsRow {
  const char* Name;
  double packed, degrees;
};
void PrintTo(const TDmsRow& row, std::ostream* os) { *os << row.Name; }
const TDmsRow kDmsRows[] = {
    {"TenMinutes", 132.1, Deg(132, 10, 0)},
    {"ThirtyMinutes", 129.3, 129.5},
    {"FifteenMinutes", 140.15, 140.25},
    {"WholeDegrees", 36.0, 36.0},
    {"WholeDegreesRoundedDown", std::nextafter(36.0, 0.0), 36.0},
    {"FractionalSeconds", 35.391751480, Deg(35, 39, 17.5148)},
    {"LastSecondOfADegree", 35.5959, Deg(35, 59, 59)},
    {"NegativeTenMinutes", -132.1, -Deg(132, 10, 0)},
    {"NegativeSeconds", -0.0030, -Deg(0, 0, 30)},
};

class DmsTest : public testing::TestWithParam<TDmsRow> {};

TEST_P(DmsTest, UnpacksDespiteBinaryRounding) {
  EXPECT_NEAR(DmsToDeg(GetParam().packed), GetParam().degrees, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(Angles, DmsTest, testing::ValuesIn(kDmsRows), test::RowName<TDmsRow>);

// Ground distance [m] between two nearby points, through zone 9.
double Distance(double lat1, double lon1, double lat2, double lon2) {
  const TPlanePoint p1 = LatLonToXY(kGrs80, 9, lat1, lon1);
  const TPlanePoint p2 = LatLonToXY(kGrs80, 9, lat2, lon2);
  return std::hypot(p2.X - p1.X, p2.Y - p1.Y) / kZoneScale;
}

// The Japanese datum origin (日本経緯度原点) in both datums as the Survey
// Act's enforcement order (測量法施行令) gave it: TOKYO before 2002, JGD2000
// from its 2002 revision until 2011.
const double kTokyoLat = Deg(35, 39, 17.5148);
const double kTokyoLon = Deg(139, 44, 40.5020);
const double kJgdLat = Deg(35, 39, 29.1572);
const double kJgdLon = Deg(139, 44, 28.8759);

struct TDatumPair {
  const char* Name;
  TDatum src, dst;
  bool shifts;
};
void PrintTo(const TDatumPair& row, std::ostream* os) { *os << row.Name; }
const TDatumPair kDatumPairs[] = {
    {"Jgd2000ToWgs84", TDatum::Jgd2000, TDatum::Wgs84, false},
    {"Wgs84ToJgd2000", TDatum::Wgs84, TDatum::Jgd2000, false},
    {"TokyoToTokyo", TDatum::Tokyo, TDatum::Tokyo, false},
    {"TokyoToJgd2000", TDatum::Tokyo, TDatum::Jgd2000, true},
    {"Wgs84ToTokyo", TDatum::Wgs84, TDatum::Tokyo, true},
};

class ConvertDatumTest : public testing::TestWithParam<TDatumPair> {};

TEST_P(ConvertDatumTest, MovesTheDatumOriginOnlyBetweenTokyoAndTheWorldDatums) {
  const TDatumPair& pair = GetParam();
  const bool fromTokyo = pair.src == TDatum::Tokyo;
  const double lat = fromTokyo ? kTokyoLat : kJgdLat;
  const double lon = fromTokyo ? kTokyoLon : kJgdLon;
  const TLatLon out = ConvertDatum(pair.src, pair.dst, {lat, lon});
  if (!pair.shifts) {
    EXPECT_EQ(out.Lat, lat);
    EXPECT_EQ(out.Lon, lon);
    return;
  }
  EXPECT_LT(
      Distance(out.Lat, out.Lon, fromTokyo ? kJgdLat : kTokyoLat, fromTokyo ? kJgdLon : kTokyoLon),
      1.5);
  const TLatLon back = ConvertDatum(pair.dst, pair.src, out);
  EXPECT_NEAR(back.Lat, lat, 1e-7);
  EXPECT_NEAR(back.Lon, lon, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(Datums, ConvertDatumTest, testing::ValuesIn(kDatumPairs),
                         test::RowName<TDatumPair>);

struct TMethodRow {
  const char* Name;
  TShiftMethod Method;
};
void PrintTo(const TMethodRow& row, std::ostream* os) { *os << row.Name; }
const TMethodRow kMethods[] = {
    {"Database", TShiftMethod::Database},
    {"Pipeline", TShiftMethod::Pipeline},
    {"Builtin", TShiftMethod::Builtin},
};

class TokyoJgdShiftTest : public testing::TestWithParam<TMethodRow> {};

TEST_P(TokyoJgdShiftTest, MovesTheGeodeticOriginOntoItsPublishedPositionBothWays) {
  const TShiftMethod method = GetParam().Method;
  const TTokyoJgdShift shift(method);
  if (shift.Method() != method) GTEST_SKIP() << "PROJ cannot set this method up here";
  const bool viaProj = method != TShiftMethod::Builtin;
  const TShiftedPoint toJgd = shift.TokyoToJgd({kTokyoLat, kTokyoLon});
  EXPECT_EQ(toJgd.ByProj, viaProj);
  EXPECT_LT(Distance(toJgd.Point.Lat, toJgd.Point.Lon, kJgdLat, kJgdLon), 1.5);
  const TShiftedPoint toTokyo = shift.JgdToTokyo({kJgdLat, kJgdLon});
  EXPECT_EQ(toTokyo.ByProj, viaProj);
  EXPECT_LT(Distance(toTokyo.Point.Lat, toTokyo.Point.Lon, kTokyoLat, kTokyoLon), 1.5);
}

INSTANTIATE_TEST_SUITE_P(Methods, TokyoJgdShiftTest, testing::ValuesIn(kMethods),
                         test::RowName<TMethodRow>);

TEST(DatumShiftTest, PipelineAndBuiltinTranslationAgreeAcrossJapan) {
  const TTokyoJgdShift pipeline(TShiftMethod::Pipeline);
  ASSERT_EQ(pipeline.Method(), TShiftMethod::Pipeline);
  for (const TLatLon point : {TLatLon{24.3, 123.8}, {kTokyoLat, kTokyoLon}, {45.4, 141.7}}) {
    const TLatLon byProj = pipeline.TokyoToJgd(point).Point;
    const TLatLon builtin = HelmertTokyoToJgd(point);
    EXPECT_NEAR(builtin.Lat, byProj.Lat, 1e-9);
    EXPECT_NEAR(builtin.Lon, byProj.Lon, 1e-9);
    const TLatLon backByProj = pipeline.JgdToTokyo(point).Point;
    const TLatLon backBuiltin = HelmertJgdToTokyo(point);
    EXPECT_NEAR(backBuiltin.Lat, backByProj.Lat, 1e-9);
    EXPECT_NEAR(backBuiltin.Lon, backByProj.Lon, 1e-9);
  }
}

}  // namespace
}  // namespace chizro
