#include "coords/zone_of_place.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "coords/geodesy.h"
#include "coords/projection.h"

namespace chizro {
namespace {

#include "coords/zone_of_place_table.inc"
#include "coords/zone_of_place_fix.inc"

// Region codes of the table beyond the zones 1-13.
constexpr int kOpenSea = 0;
constexpr int kTokyo = 20;
constexpr int kKagoshima = 21;
constexpr int kOkinawa = 22;

// The region code of a table cell. A row is a sequence of runs of equal
// code; each run starts with a byte holding the code (low 5 bits) and, in the
// high 3 bits, the run's length less one for runs of 1 to 7 cells, or 7 for a
// longer run whose length less 8 follows as a little-endian base-128 number.
int CodeOfCell(int row, int col) {
  const std::uint8_t* p = kTableRuns + kTableRowStart[row];
  const std::uint8_t* const end = kTableRuns + kTableRowStart[row + 1];
  int first = 0;  // first column of the current run
  while (p < end) {
    const unsigned head = *p++;
    unsigned length = (head >> 5) + 1;
    if (length == 8) {
      unsigned extra = 0;
      for (unsigned shift = 0; p < end && shift < 28; shift += 7) {
        const unsigned byte = *p++;
        extra |= (byte & 0x7Fu) << shift;
        if ((byte & 0x80u) == 0) break;
      }
      length += extra;
    }
    first += static_cast<int>(length);
    if (col < first) return static_cast<int>(head & 0x1Fu);
  }
  return kOpenSea;
}

// The zone of the municipality of zone_of_place_fix.inc whose outline holds
// the point (`x`, `y` in 1e-5 degree of longitude and latitude), or 0. The
// rings of a municipality are taken together, even-odd, so holes hold out.
int FixedZone(double x, double y) {
  for (const TFixArea& area : kFixAreas) {
    if (x < area.West || x > area.East || y < area.South || y > area.North) continue;
    bool in = false;
    for (std::uint32_t r = area.FirstRing; r < area.FirstRing + area.RingCount; ++r) {
      const TFixRing& ring = kFixRings[r];
      // The ray runs east: a ring wholly west of the point, or above or
      // below it, crosses it nowhere (most of the islands of a town).
      if (y < ring.South || y > ring.North || x > ring.East) continue;
      const std::int32_t* v = kFixVertices + 2 * static_cast<std::size_t>(ring.First);
      for (std::uint32_t i = 0, j = ring.Count - 1; i < ring.Count; j = i++) {
        const double xi = v[2 * i], yi = v[2 * i + 1], xj = v[2 * j], yj = v[2 * j + 1];
        if ((yi > y) != (yj > y) && x < xi + (y - yi) * (xj - xi) / (yj - yi)) in = !in;
      }
    }
    if (in) return area.Zone;
  }
  return 0;
}

// The zone whose origin is nearest to the point along the sphere. The
// origins are those of the projection (its inverse at X = Y = 0).
int NearestOriginZone(double lat, double lon) {
  struct TOrigin {
    double sinLat, cosLat, sinLon, cosLon;
  };
  static const std::array<TOrigin, kMaxZone> origins = [] {
    std::array<TOrigin, kMaxZone> o{};
    for (int zone = kMinZone; zone <= kMaxZone; ++zone) {
      const TLatLon origin = XYToLatLon(kGrs80, zone, 0.0, 0.0);
      TOrigin& t = o[static_cast<std::size_t>(zone - kMinZone)];
      t.sinLat = std::sin(origin.Lat * kDegToRad);
      t.cosLat = std::cos(origin.Lat * kDegToRad);
      t.sinLon = std::sin(origin.Lon * kDegToRad);
      t.cosLon = std::cos(origin.Lon * kDegToRad);
    }
    return o;
  }();
  const double sinLat = std::sin(lat * kDegToRad);
  const double cosLat = std::cos(lat * kDegToRad);
  const double sinLon = std::sin(lon * kDegToRad);
  const double cosLon = std::cos(lon * kDegToRad);
  int best = kMinZone;
  double bestCos = -2.0;  // cosine of the central angle: larger is nearer
  for (int zone = kMinZone; zone <= kMaxZone; ++zone) {
    const TOrigin& t = origins[static_cast<std::size_t>(zone - kMinZone)];
    const double cosDLon = cosLon * t.cosLon + sinLon * t.sinLon;
    const double c = sinLat * t.sinLat + cosLat * t.cosLat * cosDLon;
    if (c > bestCos) {
      bestCos = c;
      best = zone;
    }
  }
  return best;
}

// Tokyo: zone IX, except the islands south of 28°N: XVIII west of 140°30'E,
// XIX east of 143°E, XIV between.
int TokyoZone(double lat, double lon) {
  if (lat > 28.0) return 9;
  if (lon < 140.5) return 18;
  return lon <= 143.0 ? 14 : 19;
}

// Kagoshima: zone II, except the islands within 27°N-32°N and 128°18'E-130°E,
// the Amami islands up to 130°13'E, which are zone I. No part of the
// mainland lies within the box; the Amami islands lie south of 28°36'N.
int KagoshimaZone(double lat, double lon) {
  constexpr double kWest = 128.0 + 18.0 / 60.0;
  constexpr double kAmamiEast = 130.0 + 13.0 / 60.0;
  constexpr double kAmamiNorth = 28.6;
  if (lat < 27.0 || lat > 32.0 || lon < kWest) return 2;
  if (lon <= 130.0) return 1;
  return lat <= kAmamiNorth && lon <= kAmamiEast ? 1 : 2;
}

// Okinawa: XVI west of 126°E, XVII east of 130°E, XV between.
int OkinawaZone(double lon) {
  if (lon < 126.0) return 16;
  return lon <= 130.0 ? 15 : 17;
}

}  // namespace

int ZoneOfPlace(double latitudeDeg, double longitudeDeg) {
  if (!std::isfinite(latitudeDeg) || !std::isfinite(longitudeDeg)) return 0;
  if (const int fixed = FixedZone(longitudeDeg * 1e5, latitudeDeg * 1e5)) return fixed;
  const double r = std::floor((latitudeDeg - kTableLat0) * kTableRowsPerDeg);
  const double c = std::floor((longitudeDeg - kTableLon0) * kTableColsPerDeg);
  int code = kOpenSea;
  if (r >= 0.0 && r < kTableRows && c >= 0.0 && c < kTableCols)
    code = CodeOfCell(static_cast<int>(r), static_cast<int>(c));
  switch (code) {
    case kOpenSea:
      return NearestOriginZone(latitudeDeg, longitudeDeg);
    case kTokyo:
      return TokyoZone(latitudeDeg, longitudeDeg);
    case kKagoshima:
      return KagoshimaZone(latitudeDeg, longitudeDeg);
    case kOkinawa:
      return OkinawaZone(longitudeDeg);
    default:
      return code;
  }
}

const char* ZoneAreasText(int zone) {
  static constexpr const char* kAreas[kMaxZone] = {
      // I
      "長崎県・鹿児島県のうち北緯27度から32度、東経128度18分から130度までの区域の島々"
      "(奄美群島は東経130度13分まで)",
      // II
      "福岡県・佐賀県・熊本県・大分県・宮崎県・鹿児島県(1系の区域を除く)",
      "山口県・島根県・広島県",                                    // III
      "香川県・愛媛県・徳島県・高知県",                            // IV
      "兵庫県・鳥取県・岡山県",                                    // V
      "京都府・大阪府・福井県・滋賀県・三重県・奈良県・和歌山県",  // VI
      "石川県・富山県・岐阜県・愛知県",                            // VII
      "新潟県・長野県・山梨県・静岡県",                            // VIII
      // IX
      "東京都(14・18・19系の区域を除く)・福島県・栃木県・茨城県・埼玉県・千葉県・"
      "群馬県・神奈川県",
      "青森県・秋田県・山形県・岩手県・宮城県",  // X
      // XI
      "北海道のうち小樽市・函館市・伊達市・北斗市、後志・渡島・檜山の振興局の区域、"
      "豊浦町・壮瞥町・洞爺湖町",
      "北海道(11・13系の区域を除く)",  // XII
      // XIII
      "北海道のうち北見市・帯広市・釧路市・網走市・根室市、十勝・釧路・根室の振興局の区域、"
      "美幌町・津別町・斜里町・清里町・小清水町・訓子府町・置戸町・佐呂間町・大空町",
      "東京都のうち北緯28度以南、東経140度30分から143度までの区域(小笠原諸島ほか)",  // XIV
      "沖縄県のうち東経126度から130度までの区域(沖縄本島ほか)",                      // XV
      "沖縄県のうち東経126度以西の区域(宮古・八重山)",                               // XVI
      "沖縄県のうち東経130度以東の区域(大東諸島)",                                   // XVII
      "東京都のうち北緯28度以南、東経140度30分以西の区域(沖ノ鳥島)",                 // XVIII
      "東京都のうち北緯28度以南、東経143度以東の区域(南鳥島)",                       // XIX
  };
  if (zone < kMinZone || zone > kMaxZone) return "";
  return kAreas[zone - kMinZone];
}

}  // namespace chizro
