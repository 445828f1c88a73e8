#include "coords/zone_of_place.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "test_support.h"

namespace chizro {
namespace {

// Places and the zone the law gives them. The zones are read from the notice
// that defines the plane rectangular coordinate system (平成14年国土交通省告示
// 第9号, as last amended in 2010: its table of zones and areas) for the
// prefecture, municipality or island each place lies in.
//
// Coordinates (JGD2011, degrees, rounded to 0.0001°): prefectural offices
// after the national mapping agency's list of the latitude and longitude of
// the prefectural offices; city halls and islands after the same agency's
// maps; the extreme islands after the agency's published extreme points of
// Japan (沖ノ鳥島 20°25'31"N 136°04'11"E, 南鳥島 24°16'59"N 153°59'11"E).
// Each lies within 5 km of the GeoNames point of its town (a second, separate
// source), and several kilometres inside its prefecture or municipality.
struct TPlace {
  const char* Name;
  const char* Prefecture;  // as the notice names it
  double Lat, Lon;
  int Zone;
};

void PrintTo(const TPlace& p, std::ostream* os) { *os << p.Name; }

const TPlace kPrefecturalOffices[] = {
    {"Hokkaido_Sapporo", "北海道", 43.0642, 141.3469, 12},
    {"Aomori", "青森県", 40.8244, 140.7400, 10},
    {"Iwate_Morioka", "岩手県", 39.7036, 141.1527, 10},
    {"Miyagi_Sendai", "宮城県", 38.2689, 140.8721, 10},
    {"Akita", "秋田県", 39.7186, 140.1024, 10},
    {"Yamagata", "山形県", 38.2404, 140.3633, 10},
    {"Fukushima", "福島県", 37.7500, 140.4676, 9},
    {"Ibaraki_Mito", "茨城県", 36.3418, 140.4468, 9},
    {"Tochigi_Utsunomiya", "栃木県", 36.5657, 139.8836, 9},
    {"Gunma_Maebashi", "群馬県", 36.3911, 139.0608, 9},
    {"Saitama", "埼玉県", 35.8569, 139.6489, 9},
    {"Chiba", "千葉県", 35.6047, 140.1233, 9},
    {"Tokyo_Shinjuku", "東京都", 35.6895, 139.6917, 9},
    {"Kanagawa_Yokohama", "神奈川県", 35.4478, 139.6425, 9},
    {"Niigata", "新潟県", 37.9026, 139.0236, 8},
    {"Toyama", "富山県", 36.6953, 137.2113, 7},
    {"Ishikawa_Kanazawa", "石川県", 36.5947, 136.6256, 7},
    {"Fukui", "福井県", 36.0652, 136.2216, 6},
    {"Yamanashi_Kofu", "山梨県", 35.6642, 138.5684, 8},
    {"Nagano", "長野県", 36.6513, 138.1810, 8},
    {"Gifu", "岐阜県", 35.3912, 136.7223, 7},
    {"Shizuoka", "静岡県", 34.9769, 138.3831, 8},
    {"Aichi_Nagoya", "愛知県", 35.1802, 136.9066, 7},
    {"Mie_Tsu", "三重県", 34.7303, 136.5086, 6},
    {"Shiga_Otsu", "滋賀県", 35.0045, 135.8686, 6},
    {"Kyoto", "京都府", 35.0214, 135.7556, 6},
    {"Osaka", "大阪府", 34.6863, 135.5200, 6},
    {"Hyogo_Kobe", "兵庫県", 34.6913, 135.1830, 5},
    {"Nara", "奈良県", 34.6851, 135.8328, 6},
    {"Wakayama", "和歌山県", 34.2260, 135.1675, 6},
    {"Tottori", "鳥取県", 35.5036, 134.2383, 5},
    {"Shimane_Matsue", "島根県", 35.4723, 133.0505, 3},
    {"Okayama", "岡山県", 34.6618, 133.9344, 5},
    {"Hiroshima", "広島県", 34.3966, 132.4594, 3},
    {"Yamaguchi", "山口県", 34.1860, 131.4705, 3},
    {"Tokushima", "徳島県", 34.0658, 134.5593, 4},
    {"Kagawa_Takamatsu", "香川県", 34.3401, 134.0434, 4},
    {"Ehime_Matsuyama", "愛媛県", 33.8416, 132.7657, 4},
    {"Kochi", "高知県", 33.5597, 133.5311, 4},
    {"Fukuoka", "福岡県", 33.6064, 130.4181, 2},
    {"Saga", "佐賀県", 33.2494, 130.2988, 2},
    {"Nagasaki", "長崎県", 32.7503, 129.8696, 1},
    {"Kumamoto", "熊本県", 32.7898, 130.7417, 2},
    {"Oita", "大分県", 33.2382, 131.6126, 2},
    {"Miyazaki", "宮崎県", 31.9111, 131.4239, 2},
    {"Kagoshima", "鹿児島県", 31.5602, 130.5581, 2},
    {"Okinawa_Naha", "沖縄県", 26.2124, 127.6809, 15},
};

const TPlace kCityHallsAndIslands[] = {
    // Cities that the nearest zone origin would put in the wrong zone.
    {"KobeCityHall", "兵庫県", 34.6901, 135.1955, 5},
    {"HimejiCityHall", "兵庫県", 34.8154, 134.6854, 5},
    {"MaebashiCityHall", "群馬県", 36.3895, 139.0634, 9},
    {"HamamatsuCityHall", "静岡県", 34.7108, 137.7261, 8},
    {"KitakyushuCityHall", "福岡県", 33.8834, 130.8752, 2},
    {"FukuokaCityHall", "福岡県", 33.5902, 130.4017, 2},
    {"NagasakiCityHall", "長崎県", 32.7503, 129.8779, 1},
    {"KagoshimaCityHall", "鹿児島県", 31.5966, 130.5571, 2},
    {"YokohamaCityHall", "神奈川県", 35.4437, 139.6380, 9},
    {"KyotoCityHall", "京都府", 35.0116, 135.7681, 6},
    {"SakaiCityHall", "大阪府", 34.5733, 135.4828, 6},
    // Hokkaido by municipality: XI, XII, XIII.
    {"OtaruCityHall", "北海道", 43.1907, 140.9947, 11},
    {"HakodateCityHall", "北海道", 41.7687, 140.7288, 11},
    {"DateCityHall", "北海道", 42.4719, 140.8750, 11},
    {"MuroranCityHall", "北海道", 42.3152, 140.9738, 12},
    {"SapporoCityHall", "北海道", 43.0621, 141.3544, 12},
    {"AsahikawaCityHall", "北海道", 43.7715, 142.3649, 12},
    {"WakkanaiCityHall", "北海道", 45.4156, 141.6730, 12},
    {"KushiroCityHall", "北海道", 42.9849, 144.3820, 13},
    {"ObihiroCityHall", "北海道", 42.9236, 143.1966, 13},
    {"KitamiCityHall", "北海道", 43.8030, 143.8945, 13},
    {"AbashiriCityHall", "北海道", 44.0206, 144.2733, 13},
    {"NemuroCityHall", "北海道", 43.3301, 145.5828, 13},
    // Tokyo's islands: IX north of 28°N, then XIV, XVIII, XIX.
    {"HachijojimaTownHall", "東京都", 33.1125, 139.7894, 9},
    {"ChichijimaOgasawaraVillageOffice", "東京都", 27.0945, 142.1920, 14},
    {"Okinotorishima", "東京都", 20.4253, 136.0697, 18},
    {"Minamitorishima", "東京都", 24.2831, 153.9864, 19},
    // Kagoshima: the Amami islands are I, the other islands II.
    {"AmamiCityHallNaze", "鹿児島県", 28.3774, 129.4938, 1},
    {"TokunoshimaIsland", "鹿児島県", 27.8160, 128.9580, 1},
    {"YakushimaMiyanouradake", "鹿児島県", 30.3364, 130.5044, 2},
    // Okinawa by longitude: XV, XVI, XVII.
    {"NahaCityHall", "沖縄県", 26.2124, 127.6792, 15},
    {"KumejimaTownHall", "沖縄県", 26.3406, 126.8048, 15},
    {"MiyakojimaCityHall", "沖縄県", 24.8054, 125.2811, 16},
    {"IshigakiCityHall", "沖縄県", 24.3406, 124.1557, 16},
    {"MinamidaitoVillageOffice", "沖縄県", 25.8288, 131.2320, 17},
};

class ZoneOfPlaceTest : public testing::TestWithParam<TPlace> {};

TEST_P(ZoneOfPlaceTest, LandsInTheZoneTheNoticeGivesIt) {
  const TPlace& p = GetParam();
  EXPECT_EQ(ZoneOfPlace(p.Lat, p.Lon), p.Zone);
}

TEST_P(ZoneOfPlaceTest, ItsZoneListsItsPrefecture) {
  const TPlace& p = GetParam();
  EXPECT_NE(std::string(ZoneAreasText(p.Zone)).find(p.Prefecture), std::string::npos)
      << ZoneAreasText(p.Zone);
}

INSTANTIATE_TEST_SUITE_P(PrefecturalOffices, ZoneOfPlaceTest,
                         testing::ValuesIn(kPrefecturalOffices), test::RowName<TPlace>);
INSTANTIATE_TEST_SUITE_P(CityHallsAndIslands, ZoneOfPlaceTest,
                         testing::ValuesIn(kCityHallsAndIslands), test::RowName<TPlace>);

// At sea: the zone of the nearest land within reach; farther out, the zone
// whose origin is nearest (origins from the notice; distances on the sphere
// worked out by hand).
struct TSeaPoint {
  const char* Name;
  double Lat, Lon;
  int Zone;
};

void PrintTo(const TSeaPoint& p, std::ostream* os) { *os << p.Name; }

const TSeaPoint kSeaPoints[] = {
    // Mid Tokyo Bay, between Tokyo, Chiba and Kanagawa (all IX).
    {"TokyoBay", 35.45, 139.85, 9},
    // Off Cape Muroto, 10 km out (Kochi, IV).
    {"OffCapeMuroto", 33.15, 134.20, 4},
    // East of Kikaijima, 6 km off its coast: Amami (I) reaches to 130°13'E.
    {"OffKikaijima", 28.32, 130.10, 1},
    // Off Cape Soya, 10 km north of Hokkaido's northern tip (XII).
    {"OffCapeSoya", 45.61, 141.94, 12},
    // The Pacific 400 km from land: origin XIX (26°N 154°E) is 5.6° away,
    // XIV (26°N 142°E) 8.8°.
    {"PacificEastOfOgasawara", 30.0, 150.0, 19},
    // The East China Sea west of Kyushu, over 100 km from land: origin I
    // (33°N 129°30'E) is 2.6° away, XV (26°N 127°30'E) 4.9°.
    {"EastChinaSea", 31.0, 127.5, 1},
    // Outside the table's extent: the Sea of Okhotsk north-east of Hokkaido,
    // nearest to origin XIII (44°N 144°15'E).
    {"SeaOfOkhotsk", 47.0, 146.0, 13},
};

class ZoneAtSeaTest : public testing::TestWithParam<TSeaPoint> {};

TEST_P(ZoneAtSeaTest, NearestLandOrNearestOrigin) {
  const TSeaPoint& p = GetParam();
  EXPECT_EQ(ZoneOfPlace(p.Lat, p.Lon), p.Zone);
}

INSTANTIATE_TEST_SUITE_P(Sea, ZoneAtSeaTest, testing::ValuesIn(kSeaPoints),
                         test::RowName<TSeaPoint>);

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
