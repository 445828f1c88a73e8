#include "coords/zone_of_place.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace chizro {
namespace {

// Places and the zone the law gives them, on land and at sea, from
// tests/data/coords/zone_places.txt (its head says where the zones and the
// coordinates come from).
struct TPlace {
  std::string Name;
  std::string Prefecture;  // as the notice names it; "-" at sea
  double Lat, Lon;
  int Zone;
};

void PrintTo(const TPlace& p, std::ostream* os) { *os << p.Name; }

// The places of one set of the file ("office", "city" or "sea").
std::vector<TPlace> Places(const std::string& set) {
  std::vector<TPlace> places;
  std::istringstream file(
      test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/coords/zone_places.txt"));
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    std::string kind;
    TPlace p;
    if (words >> kind >> p.Name >> p.Prefecture >> p.Lat >> p.Lon >> p.Zone && kind == set)
      places.push_back(p);
  }
  return places;
}

class ZoneOfPlaceTest : public testing::TestWithParam<TPlace> {};

// On land its zone lists its prefecture; at sea it is the nearest land's
// zone or that of the nearest origin.
TEST_P(ZoneOfPlaceTest, LandsInTheZoneTheNoticeGivesIt) {
  const TPlace& p = GetParam();
  EXPECT_EQ(ZoneOfPlace(p.Lat, p.Lon), p.Zone);
  if (p.Prefecture == "-") return;
  EXPECT_NE(std::string(ZoneAreasText(p.Zone)).find(p.Prefecture), std::string::npos)
      << ZoneAreasText(p.Zone);
}

INSTANTIATE_TEST_SUITE_P(PrefecturalOffices, ZoneOfPlaceTest, testing::ValuesIn(Places("office")),
                         test::RowName<TPlace>);
INSTANTIATE_TEST_SUITE_P(CityHallsAndIslands, ZoneOfPlaceTest, testing::ValuesIn(Places("city")),
                         test::RowName<TPlace>);
INSTANTIATE_TEST_SUITE_P(Sea, ZoneOfPlaceTest, testing::ValuesIn(Places("sea")),
                         test::RowName<TPlace>);

// One point inside every municipality (tests/data/coords/municipality_points.tsv)
// lands in the zone the notice gives its prefecture or, in Hokkaido, the
// municipality itself; among them 遠軽町 and 南富良野町 (XII, beside
// XIII) and the islands of 上島町 (愛媛県, IV, off Hiroshima's coast).
TEST(ZoneOfPlaceMunicipalities, EveryMunicipalityLandsInTheZoneOfTheNotice) {
  std::istringstream file(
      test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/coords/municipality_points.tsv"));
  int count = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string code, name;
    double lat = 0, lon = 0;
    int zone = 0;
    ASSERT_TRUE(std::getline(fields, code, '\t') && std::getline(fields, name, '\t') &&
                fields >> lat >> lon >> zone)
        << line;
    EXPECT_EQ(ZoneOfPlace(lat, lon), zone) << code << " " << name << " " << lat << " " << lon;
    ++count;
  }
  EXPECT_EQ(count, 1902);
}

// Points a few tens of metres inside the coasts of every island of 上島町
// (愛媛県, IV, off Hiroshima's coast: III) and 直島町 (香川県, IV, off
// Okayama's: V), from the full outlines (tests/data/coords/
// island_coast_points.tsv, made by tools/zonegen/coast_points.py), land in
// the zone the notice gives the prefecture: the small islands too.
TEST(ZoneOfPlaceMunicipalities, IslandCoastsLandInTheirPrefecturesZone) {
  std::istringstream file(
      test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/coords/island_coast_points.tsv"));
  std::set<std::string> islands;
  int count = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string code, island, side;
    double lat = 0, lon = 0;
    int zone = 0;
    ASSERT_TRUE(std::getline(fields, code, '\t') && std::getline(fields, island, '\t') &&
                std::getline(fields, side, '\t') && fields >> lat >> lon >> zone)
        << line;
    EXPECT_EQ(ZoneOfPlace(lat, lon), zone) << code << " " << island << " " << side << " " << lat
                                           << " " << lon;
    islands.insert(code + island);
    ++count;
  }
  EXPECT_EQ(count, 134);
  for (const char* island : {"38356岩城島", "38356弓削島", "38356生名島", "38356佐島", "38356魚島",
                             "38356高井神島", "38356赤穂根島", "37364直島", "37364井島"})
    EXPECT_TRUE(islands.contains(island)) << island;
}

TEST(ZoneOfPlaceEdgeTest, NonFiniteCoordinatesHaveNoZone) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ZoneOfPlace(nan, 139.0), 0);
  EXPECT_EQ(ZoneOfPlace(35.0, nan), 0);
  EXPECT_EQ(ZoneOfPlace(inf, 139.0), 0);
  EXPECT_EQ(ZoneOfPlace(35.0, -inf), 0);
}

TEST(ZoneOfPlaceEdgeTest, EveryCornerOfTheWorldGetsAZone) {
  for (double lat = -90.0; lat <= 90.0; lat += 7.5)
    for (double lon = -180.0; lon <= 360.0; lon += 7.5) {
      const int zone = ZoneOfPlace(lat, lon);
      EXPECT_GE(zone, 1) << lat << ' ' << lon;
      EXPECT_LE(zone, 19) << lat << ' ' << lon;
    }
}

}  // namespace
}  // namespace chizro
