#include "coords/datum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "coords/projection.h"
#include "test_support.h"

namespace chizro {
namespace {

double Deg(int d, int m, double s) { return d + m / 60.0 + s / 3600.0; }

struct TDmsRow {
  const char* Name;
  double packed, degrees;
};
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

TEST_P(DmsTest, ConvertsBothWaysDespiteBinaryRounding) {
  const TDmsRow& row = GetParam();
  EXPECT_NEAR(DmsToDeg(row.packed), row.degrees, 1e-13);
  EXPECT_NEAR(DegToDms(row.degrees), row.packed, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(Angles, DmsTest, testing::ValuesIn(kDmsRows), test::RowName<TDmsRow>);

// Whole minutes and seconds of every size of angle come back from the packed
// form unchanged, including those whose packed value falls a hair below a
// minute mark (1/6 degree packs as 0.09999999999999999).
TEST(DmsRoundTripTest, DegreesSurvivePackingAndUnpacking) {
  for (int i = -4000; i <= 4000; i += 7) {
    for (const double deg : {i / 60.0, i / 3600.0 * 11.0, i * 0.0451}) {
      EXPECT_NEAR(DmsToDeg(DegToDms(deg)), deg, 1e-12) << deg;
    }
  }
}

// Ground distance [m] between two nearby points, through zone 9.
double Distance(double lat1, double lon1, double lat2, double lon2) {
  double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
  LatLonToXY(kGrs80, 9, x1, y1, lat1, lon1);
  LatLonToXY(kGrs80, 9, x2, y2, lat2, lon2);
  return std::hypot(x2 - x1, y2 - y1) / kZoneScale;
}

// The old origin of Japanese longitude and latitude in both datums (GSI).
const double kTokyoLat = Deg(35, 39, 17.5148);
const double kTokyoLon = Deg(139, 44, 40.5020);
const double kJgdLat = Deg(35, 39, 29.1572);
const double kJgdLon = Deg(139, 44, 28.8759);

// Codes other than JGD2000 and WGS84 are TOKYO.
struct TDatumPair {
  const char* Name;
  int src, dst;
  bool shifts;
};
const TDatumPair kDatumPairs[] = {
    {"Jgd2000ToWgs84", 2, 3, false}, {"Wgs84ToJgd2000", 3, 2, false},
    {"TokyoToTokyo", 1, 1, false},   {"UnknownCodesAreTokyo", 0, 4, false},
    {"TokyoToJgd2000", 1, 2, true},  {"Wgs84ToTokyo", 3, 1, true},
    {"CodeZeroToWgs84", 0, 3, true}, {"Jgd2000ToCodeFour", 2, 4, true},
};

class ConvertDatumTest : public testing::TestWithParam<TDatumPair> {};

TEST_P(ConvertDatumTest, MovesTheGeodeticOriginOnlyBetweenTokyoAndTheWorldDatums) {
  const TDatumPair& pair = GetParam();
  const bool fromTokyo = pair.src != kDatumJgd2000 && pair.src != kDatumWgs84;
  const double lat = fromTokyo ? kTokyoLat : kJgdLat;
  const double lon = fromTokyo ? kTokyoLon : kJgdLon;
  double outLat = NAN, outLon = NAN;
  ConvertDatum(pair.src, pair.dst, lat, lon, outLat, outLon);
  if (!pair.shifts) {
    EXPECT_EQ(outLat, lat);
    EXPECT_EQ(outLon, lon);
    return;
  }
  EXPECT_LT(
      Distance(outLat, outLon, fromTokyo ? kJgdLat : kTokyoLat, fromTokyo ? kJgdLon : kTokyoLon),
      1.5);
  double backLat = NAN, backLon = NAN;
  ConvertDatum(pair.dst, pair.src, outLat, outLon, backLat, backLon);
  EXPECT_NEAR(backLat, lat, 1e-7);
  EXPECT_NEAR(backLon, lon, 1e-7);

  // The single-precision form widens, converts and rounds; the model calls it in place.
  double fLat = static_cast<double>(lat);
  double fLon = static_cast<double>(lon);
  ConvertDatum(pair.src, pair.dst, double{fLat}, double{fLon}, outLat, outLon);
  ConvertDatum(pair.src, pair.dst, fLat, fLon, fLat, fLon);
  EXPECT_EQ(fLat, static_cast<double>(outLat));
  EXPECT_EQ(fLon, static_cast<double>(outLon));
}

INSTANTIATE_TEST_SUITE_P(DatumCodes, ConvertDatumTest, testing::ValuesIn(kDatumPairs),
                         test::RowName<TDatumPair>);

class TokyoJgdShiftTest : public testing::TestWithParam<TShiftMethod> {};

TEST_P(TokyoJgdShiftTest, MovesTheGeodeticOriginOntoItsPublishedPositionBothWays) {
  const TTokyoJgdShift shift(GetParam());
  if (shift.Method() != GetParam()) GTEST_SKIP() << "PROJ cannot set this method up here";
  const bool viaProj = GetParam() != TShiftMethod::Builtin;
  double lat = NAN, lon = NAN;
  EXPECT_EQ(shift.TokyoToJgd(kTokyoLat, kTokyoLon, lat, lon), viaProj);
  EXPECT_LT(Distance(lat, lon, kJgdLat, kJgdLon), 1.5);
  EXPECT_EQ(shift.JgdToTokyo(kJgdLat, kJgdLon, lat, lon), viaProj);
  EXPECT_LT(Distance(lat, lon, kTokyoLat, kTokyoLon), 1.5);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, TokyoJgdShiftTest,
    testing::Values(TShiftMethod::Database, TShiftMethod::Pipeline, TShiftMethod::Builtin),
    [](const auto& row) {
      return std::string(row.index == 0 ? "Database" : row.index == 1 ? "Pipeline" : "Builtin");
    });

TEST(DatumShiftTest, PipelineAndBuiltinTranslationAgreeAcrossJapan) {
  const TTokyoJgdShift pipeline(TShiftMethod::Pipeline);
  ASSERT_EQ(pipeline.Method(), TShiftMethod::Pipeline);
  for (const auto& [lat, lon] : {std::pair{24.3, 123.8}, {kTokyoLat, kTokyoLon}, {45.4, 141.7}}) {
    double pLat = NAN, pLon = NAN, bLat = NAN, bLon = NAN;
    pipeline.TokyoToJgd(lat, lon, pLat, pLon);
    HelmertTokyoToJgd(lat, lon, bLat, bLon);
    EXPECT_NEAR(bLat, pLat, 1e-9);
    EXPECT_NEAR(bLon, pLon, 1e-9);
    pipeline.JgdToTokyo(lat, lon, pLat, pLon);
    HelmertJgdToTokyo(lat, lon, bLat, bLon);
    EXPECT_NEAR(bLat, pLat, 1e-9);
    EXPECT_NEAR(bLon, pLon, 1e-9);
  }
}

TEST(DmsConvTest, ShiftsInPlaceAndCopiesForSameOrUnknownNames) {
  double point[2] = {35.391751480, 139.444050200};
  DmsConv("TOKYO", "JGD2000", point, point);
  EXPECT_LT(Distance(DmsToDeg(point[0]), DmsToDeg(point[1]), kJgdLat, kJgdLon), 1.5);

  for (const char* dst : {"WGS 84", "WGS84", "NAD27", static_cast<const char*>(nullptr)}) {
    const double in[2] = {35.5, 139.5};
    double out[2] = {0.0, 0.0};
    DmsConv("JGD2000", dst, in, out);
    EXPECT_EQ(out[0], 35.5);
    EXPECT_EQ(out[1], 139.5);
  }
}

}  // namespace
}  // namespace chizro
