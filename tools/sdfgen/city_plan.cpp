#include "sdfgen/city_plan.h"

#include <cmath>
#include <cstdio>

#include "sdfgen/sdf_city.h"

namespace chizro::sdfgen {

using detail::Mix;

std::uint64_t Hash(std::uint64_t seed, std::initializer_list<long long> parts) {
  std::uint64_t h = Mix(seed);
  for (const long long p : parts) h = Mix(h ^ static_cast<std::uint64_t>(p));
  return h;
}

double Rand01(std::uint64_t seed, std::initializer_list<long long> parts) {
  return static_cast<double>(Hash(seed, parts) >> 11) * 0x1.0p-53;
}

long long FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

long long Mod(long long a, long long b) { return a - FloorDiv(a, b) * b; }

TXY ToXY(TUV p) {
  const double c = std::cos(kAngle), s = std::sin(kAngle);
  return {kOriginX + p.u * c - p.v * s, kOriginY + p.u * s + p.v * c};
}

TUV ToUV(TXY p) {
  const double c = std::cos(kAngle), s = std::sin(kAngle);
  const double dx = p.x - kOriginX, dy = p.y - kOriginY;
  return {dx * c + dy * s, -dx * s + dy * c};
}

double MainPos(std::uint64_t seed, long long tag, long long m) {
  const double spacing = tag == kTagU ? kMainU : kMainV;
  return static_cast<double>(m) * spacing + (Rand01(seed, {tag, m}) - 0.5) * 2 * kJitter;
}

TLine MainLine(std::uint64_t seed, long long tag, long long m) {
  TLine l;
  l.Pos = MainPos(seed, tag, m);
  l.Main = m;
  l.Type = TLineType::Road;
  l.Half = 7;
  if (tag == kTagU) {
    if (Mod(m, 11) == 3) {
      l.Type = TLineType::River;
      l.Half = 22;
    }
    l.Level = m == 25 ? 1101 : (Mod(m, 11) == 3 || Mod(m, 11) == 8 ? 1103 : 1106);
  } else {
    if (Mod(m, 8) == 2) {
      l.Type = TLineType::Rail;
      l.Half = 12;
    }
    l.Level = Mod(m, 13) == 6 ? 1104 : 1106;
  }
  return l;
}

int MinorCount(long long tag, double width, double density) {
  const double spacing = (tag == kTagU ? kMinorU : kMinorV) / std::sqrt(std::max(density, 0.05));
  return std::max(1, static_cast<int>(std::lround(width / spacing)));
}

std::vector<TLine> LinesBetween(std::uint64_t seed, long long tag, double lo, double hi,
                                double density) {
  const double spacing = tag == kTagU ? kMainU : kMainV;
  const long long m0 = static_cast<long long>(std::floor(lo / spacing)) - 2;
  const long long m1 = static_cast<long long>(std::ceil(hi / spacing)) + 2;
  std::vector<TLine> lines;
  for (long long m = m0; m <= m1; ++m) {
    const TLine a = MainLine(seed, tag, m);
    lines.push_back(a);
    if (m == m1) break;
    const TLine b = MainLine(seed, tag, m + 1);
    const int k = MinorCount(tag, b.Pos - a.Pos, density);
    for (int i = 1; i < k; ++i) {
      TLine l;
      l.Pos = a.Pos + (b.Pos - a.Pos) * i / k;
      l.Type = TLineType::Minor;
      l.Level = 0;
      l.Main = m;
      l.Minor = i;
      l.Half = 3;
      lines.push_back(l);
    }
  }
  return lines;
}

long long MunicipalityU(long long m) {
  // u boundaries at m = 3 and 8 (mod 11)
  const long long base = FloorDiv(m - 3, 11);
  return base * 2 + (Mod(m - 3, 11) >= 5 ? 1 : 0);
}

long long MunicipalityV(long long n) { return FloorDiv(n - 6, 13); }

const std::vector<std::string_view>& TownNames() {
  static const std::vector<std::string_view> names = {
      "本町",   "栄町",     "緑町",   "旭町",   "寿町",   "幸町",     "錦町",   "宮本町",
      "桜町",   "八幡町",   "元町",   "新町",   "東町",   "西町",     "南町",   "北町",
      "相生町", "日の出町", "若葉町", "松が丘", "梅が丘", "富士見町", "千歳町", "住吉町",
      "宝町",   "清水町",   "大和町", "末広町", "弥生町", "春日町",   "昭和町", "平和町",
      "港町",   "浜町",     "仲町",   "上町",   "柳町",   "泉町",     "朝日町", "高砂町"};
  return names;
}

std::string Kanji(int n) {
  static const char* const digits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (n < 10) return digits[n];
  if (n < 20) return std::string("十") + (n % 10 ? digits[n % 10] : "");
  return std::string(digits[n / 10]) + "十" + (n % 10 ? digits[n % 10] : "");
}

std::string FullWidthDigits(long long n) {
  static const char* const digits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
  const std::string ascii = std::to_string(n);
  std::string out;
  for (const char c : ascii) out += c == '-' ? "－" : digits[c - '0'];
  return out;
}

std::string TownName(std::uint64_t seed, long long m, long long n) {
  const auto& towns = TownNames();
  const std::uint64_t h = Hash(seed, {kTagTown, FloorDiv(m, 3), FloorDiv(n, 2)});
  return std::string(towns[h % towns.size()]);
}

int ChomeNumber(long long m, long long n) {
  return 1 + static_cast<int>(Mod(m, 3)) + 3 * static_cast<int>(Mod(n, 2));
}

bool EastPrefecture(long long m) { return m >= 25; }

std::string MunicipalityName(long long mu, long long mv, bool east) {
  static const std::vector<std::string_view> wards = {"本郷区", "桜川区", "若葉区", "緑ヶ丘区",
                                                      "東浜区", "西原区", "南台区", "北山区",
                                                      "青葉区", "朝日区", "大和区", "千歳区"};
  static const std::vector<std::string_view> cities = {"浦野市", "海浜市", "葛川市", "市野市"};
  const auto& list = east ? cities : wards;
  return std::string(
      list[static_cast<std::size_t>(Mod(mu * 5 + mv * 3, static_cast<long long>(list.size())))]);
}

std::string MunicipalityCode(long long mu, long long mv, bool east) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d%03lld", east ? 12 : 13,
                101 + Mod(mu * 5 + mv * 3, east ? 4 : 12) + (east ? 100 : 0));
  return buf;
}

std::string RiverName(long long m) {
  static const std::vector<std::string_view> names = {"緑川", "桜川", "新堀川", "古川"};
  return std::string(names[static_cast<std::size_t>(Mod(FloorDiv(m, 11), 4))]);
}

std::string RailwayName(long long n) {
  static const std::vector<std::string_view> names = {"東西電鉄本線", "湾岸鉄道線",
                                                      "中央急行電鉄線", "北部鉄道線"};
  return std::string(names[static_cast<std::size_t>(Mod(FloorDiv(n, 8), 4))]);
}

TXY Crossing(TXY p, TXY q, const THalfPlane& h) {
  if (q.x < p.x || (q.x == p.x && q.y < p.y)) std::swap(p, q);
  const double dp = h.Eval(p), dq = h.Eval(q);
  const double t = dp / (dp - dq);
  return {p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
}

TRing ClipRing(const TRing& ring, const THalfPlane& h, TTag border) {
  TRing out;
  const std::size_t n = ring.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TVertex& p = ring[i];
    const TVertex& q = ring[(i + 1) % n];
    const bool pin = h.Eval(p.P) >= 0, qin = h.Eval(q.P) >= 0;
    if (pin) out.push_back(p);
    if (pin != qin) {
      const TXY x = Crossing(p.P, q.P, h);
      out.push_back({x, pin ? border : p.Edge});
    }
  }
  return out;
}

long long ToCm(double metres) { return std::llround(metres * 100.0); }

double AreaCm(const TCmRing& r) {
  double a = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const TCm& p = r[i].P;
    const TCm& q = r[(i + 1) % r.size()].P;
    a += static_cast<double>(p.x) * static_cast<double>(q.y) -
         static_cast<double>(q.x) * static_cast<double>(p.y);
  }
  return a / 2;  // [cm^2]
}

TCm Centroid(const TCmRing& r) {
  double a = 0, cx = 0, cy = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const double px = static_cast<double>(r[i].P.x), py = static_cast<double>(r[i].P.y);
    const double qx = static_cast<double>(r[(i + 1) % r.size()].P.x);
    const double qy = static_cast<double>(r[(i + 1) % r.size()].P.y);
    const double w = px * qy - qx * py;
    a += w;
    cx += (px + qx) * w;
    cy += (py + qy) * w;
  }
  if (a == 0) return r.front().P;
  return {std::llround(cx / (3 * a)), std::llround(cy / (3 * a))};
}

TRing RingFromUV(const std::vector<std::pair<TUV, TTag>>& pts) {
  TRing r;
  r.reserve(pts.size());
  for (const auto& [p, tag] : pts) r.push_back({ToXY(p), tag});
  return r;
}

std::vector<std::pair<TUV, TTag>> Rect(double u0, double v0, double u1, double v1, TTag tag) {
  return {{{u0, v0}, tag}, {{u1, v0}, tag}, {{u1, v1}, tag}, {{u0, v1}, tag}};
}

}  // namespace chizro::sdfgen
