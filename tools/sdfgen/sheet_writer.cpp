#include "sdfgen/sheet_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <set>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

#include "coords/projection.h"
#include "platform/sjis.h"

namespace chizro::sdfgen {
namespace {

void AppendCm(std::string& out, long long cm) {
  if (cm < 0) {
    out += '-';
    cm = -cm;
  }
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, cm / 100);
  out.append(buf, r.ptr);
  out += '.';
  const int frac = static_cast<int>(cm % 100);
  out += static_cast<char>('0' + frac / 10);
  out += static_cast<char>('0' + frac % 10);
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

const std::string& Sjis(std::string_view utf8) {
  static std::unordered_map<std::string, std::string> cache;
  auto it = cache.find(std::string(utf8));
  if (it == cache.end()) it = cache.emplace(std::string(utf8), Utf8ToSjis(utf8)).first;
  return it->second;
}

}  // namespace

TSheetWriter::TSheetWriter(const TCityOptions& o, const TSheetId& id) : o_(o), id_(id) {
  name_ = SheetName(id);
  y0cm_ = ToCm(id.Bottom());
  x0cm_ = ToCm(id.Left());
  frame_ = {THalfPlane{1, 0, -id.Left()}, THalfPlane{-1, 0, id.Right()},
            THalfPlane{0, 1, -id.Bottom()}, THalfPlane{0, -1, id.Top()}};
  // land: v - slope u - v0 >= 0, written in x, y
  const double c = std::cos(kAngle), s = std::sin(kAngle);
  // u = dx c + dy s ; v = -dx s + dy c
  const double a = -s - kCoastSlope * c, b = c - kCoastSlope * s;
  land_ = {a, b, -(a * kOriginX + b * kOriginY) - kCoastV0};
  // the sheet in grid coordinates
  const TXY corners[] = {{id.Left(), id.Bottom()},
                         {id.Right(), id.Bottom()},
                         {id.Right(), id.Top()},
                         {id.Left(), id.Top()}};
  umin_ = vmin_ = 1e300;
  umax_ = vmax_ = -1e300;
  for (const TXY& p : corners) {
    const TUV q = ToUV(p);
    umin_ = std::min(umin_, q.u);
    umax_ = std::max(umax_, q.u);
    vmin_ = std::min(vmin_, q.v);
    vmax_ = std::max(vmax_, q.v);
  }
  us_ = LinesBetween(o.Seed, kTagU, umin_ - 60, umax_ + 60, o.Density);
  vs_ = LinesBetween(o.Seed, kTagV, vmin_ - 60, vmax_ + 60, o.Density);
}

TStats TSheetWriter::Write(const std::filesystem::path& outDir) {
  Administrative();
  Blocks();
  Roads();
  Railways();
  Water();
  ControlPoints();
  return Save(outDir);
}

TCmRing TSheetWriter::Clip(const TRing& ring, TTag frameTag, TTag coastTag) const {
  TRing r = ring;
  for (const THalfPlane& h : frame_) {
    r = ClipRing(r, h, frameTag);
    if (r.empty()) return {};
  }
  r = ClipRing(r, land_, coastTag);
  TCmRing out;
  for (const TVertex& v : r) {
    const TCm p{ToCm(v.P.x), ToCm(v.P.y)};
    if (!out.empty() && out.back().P == p) {
      out.back().Edge = v.Edge;
      continue;
    }
    out.push_back({p, v.Edge});
  }
  while (out.size() > 1 && out.back().P == out.front().P) out.pop_back();
  if (out.size() < 3 || AreaCm(out) < 5000.0) return {};  // under 0.5 m^2
  return out;
}

bool TSheetWriter::InSheet(TXY p) const {
  return p.x >= id_.Left() && p.x < id_.Right() && p.y >= id_.Bottom() && p.y < id_.Top();
}

bool TSheetWriter::OnLand(TXY p) const { return land_.Eval(p) >= 0; }

bool TSheetWriter::ClipSegment(TXY& p, TXY& q) const {
  auto clip = [&](const THalfPlane& h) {
    const double dp = h.Eval(p), dq = h.Eval(q);
    if (dp < 0 && dq < 0) return false;
    if (dp < 0) p = Crossing(p, q, h);
    if (dq < 0) q = Crossing(p, q, h);
    return true;
  };
  for (const THalfPlane& h : frame_)
    if (!clip(h)) return false;
  if (!clip(land_)) return false;
  return std::hypot(q.x - p.x, q.y - p.y) >= 0.05;
}

void TSheetWriter::AppendYX(std::string& out, const TCm& p) const {
  AppendCm(out, p.y - y0cm_);
  out += ',';
  AppendCm(out, p.x - x0cm_);
  out += "\r\n";
}

int TSheetWriter::AddArc(TLayerFile& f, TTag tag, const std::vector<TCm>& pts) {
  const int name = f.NextName++;
  std::string& b = f.Body;
  b += 'L';
  AppendCode(b, tag.Code);
  b += ',';
  AppendInt(b, tag.Kind);
  b += ',';
  AppendInt(b, name);
  b += ',';
  AppendInt(b, static_cast<long long>(pts.size()));
  b += "\r\n";
  for (const TCm& p : pts) AppendYX(b, p);
  ++f.Records;
  f.Lines += static_cast<long long>(pts.size());
  stats_.Arcs += 1;
  stats_.Vertices += static_cast<long long>(pts.size());
  return name;
}

int TSheetWriter::AddPolygon(TLayerFile& f, int code, const TCm& label,
                             const std::vector<std::string>& refs) {
  const int name = f.NextName++;
  std::string& b = f.Body;
  AppendHead(b, 'A', code, name);
  AppendInt(b, static_cast<long long>(refs.size()));
  b += ',';
  AppendCm(b, label.y - y0cm_);
  b += ',';
  AppendCm(b, label.x - x0cm_);
  b += "\r\n";
  for (const std::string& r : refs) {
    b += r;
    b += "\r\n";
  }
  ++f.Records;
  f.Lines += static_cast<long long>(refs.size());
  stats_.Polygons += 1;
  return name;
}

int TSheetWriter::AddPoint(TLayerFile& f, int code, const TCm& p) {
  const int name = f.NextName++;
  std::string& b = f.Body;
  AppendHead(b, 'P', code, name);
  AppendCm(b, p.y - y0cm_);
  b += ',';
  AppendCm(b, p.x - x0cm_);
  b += "\r\n";
  ++f.Records;
  stats_.Points += 1;
  return name;
}

void TSheetWriter::AddAttr(TLayerFile& f, char letter, int code, int name,
                           std::initializer_list<std::string> values) {
  std::string& b = f.Body;
  AppendHead(b, letter, code, name);
  AppendInt(b, static_cast<long long>(values.size()));
  for (const std::string& v : values) {
    b += ',';
    b += Sjis(v);
  }
  b += "\r\n";
  ++f.Records;
  stats_.Attributes += 1;
}

void TSheetWriter::AppendCode(std::string& b, int code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04d", code);
  b += buf;
}

void TSheetWriter::AppendHead(std::string& b, char letter, int code, int name) {
  b += letter;
  AppendCode(b, code);
  b += ',';
  AppendInt(b, name);
  b += ',';
}

std::vector<TCm> TSheetWriter::Points(const TCmRing& r, std::size_t from, std::size_t count) {
  std::vector<TCm> pts;
  pts.reserve(count);
  for (std::size_t i = 0; i < count; ++i) pts.push_back(r[(from + i) % r.size()].P);
  return pts;
}

std::vector<std::string> TSheetWriter::PrivateRing(TLayerFile& f, const TCmRing& r, bool split) {
  std::vector<std::string> refs;
  const std::size_t n = r.size();
  std::size_t start = n;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(r[i].Edge == r[(i + n - 1) % n].Edge)) {
      start = i;
      break;
    }
  }
  std::vector<std::pair<std::size_t, std::size_t>> runs;  // first vertex, edges
  if (start == n) {
    if (split && n >= 4) {
      runs.push_back({0, n / 2});
      runs.push_back({n / 2, n - n / 2});
    } else {
      runs.push_back({0, n});
    }
  } else {
    std::size_t i = start;
    do {
      std::size_t len = 1;
      while (r[(i + len) % n].Edge == r[i].Edge && (i + len) % n != start) ++len;
      runs.push_back({i, len});
      i = (i + len) % n;
    } while (i != start);
  }
  bool backwards = false;
  for (const auto& [first, edges] : runs) {
    std::vector<TCm> pts = Points(r, first, edges + 1);
    if (backwards) std::reverse(pts.begin(), pts.end());
    const int name = AddArc(f, r[first].Edge, pts);
    std::string ref = backwards ? "-" : "";
    ref += std::to_string(name);
    refs.push_back(std::move(ref));
    backwards = !backwards;
  }
  return refs;
}

std::string TSheetWriter::SharedEdge(const TCm& p, const TCm& q, TTag tag) {
  const TEdgeKey key = p < q ? TEdgeKey{p, q} : TEdgeKey{q, p};
  auto it = edges_.find(key);
  if (it == edges_.end()) {
    const int name = AddArc(gyousei_, tag, {p, q});
    it = edges_.emplace(key, std::make_pair(name, p)).first;
  }
  std::string ref = it->second.second == p ? "" : "-";
  ref += std::to_string(it->second.first);
  return ref;
}

void TSheetWriter::Administrative() {
  struct TCell {
    long long m, n, mu, mv;
    bool east;
    TCmRing ring;
    std::vector<std::string> refs;
  };
  std::vector<TCell> cells;
  const TTag frameTag{1106, kKindClosure};
  const TTag coastTag{1106, kKindClosure};
  for (std::size_t a = 0; a + 1 < us_.size(); ++a) {
    if (us_[a].Minor != 0) continue;
    std::size_t a2 = a + 1;
    while (a2 < us_.size() && us_[a2].Minor != 0) ++a2;
    if (a2 >= us_.size()) break;
    for (std::size_t b = 0; b + 1 < vs_.size(); ++b) {
      if (vs_[b].Minor != 0) continue;
      std::size_t b2 = b + 1;
      while (b2 < vs_.size() && vs_[b2].Minor != 0) ++b2;
      if (b2 >= vs_.size()) break;
      const TLine &w = us_[a], &e = us_[a2], &s = vs_[b], &nl = vs_[b2];
      const TRing ring = RingFromUV({{{w.Pos, s.Pos}, {s.Level, kKindLine}},
                                     {{e.Pos, s.Pos}, {e.Level, kKindLine}},
                                     {{e.Pos, nl.Pos}, {nl.Level, kKindLine}},
                                     {{w.Pos, nl.Pos}, {w.Level, kKindLine}}});
      TCmRing r = Clip(ring, frameTag, coastTag);
      if (r.empty()) continue;
      TCell cell{w.Main,
                 s.Main,
                 MunicipalityU(w.Main),
                 MunicipalityV(s.Main),
                 EastPrefecture(w.Main),
                 std::move(r),
                 {}};
      for (std::size_t i = 0; i < cell.ring.size(); ++i) {
        const TCmVertex& p = cell.ring[i];
        const TCmVertex& q = cell.ring[(i + 1) % cell.ring.size()];
        cell.refs.push_back(SharedEdge(p.P, q.P, p.Edge));
      }
      cells.push_back(std::move(cell));
    }
  }
  // districts
  for (const TCell& c : cells) {
    const int name = AddPolygon(tyomePgn_, 1106, Centroid(c.ring), c.refs);
    const std::string town = TownName(o_.Seed, c.m, c.n);
    char code[24];
    std::snprintf(code, sizeof code, "%s%04lld", MunicipalityCode(c.mu, c.mv, c.east).c_str(),
                  Mod(c.m * 37 + c.n * 11, 9000) + 1);
    AddAttr(tyomeAtr_, 'A', 1106, name, {code, town + Kanji(ChomeNumber(c.m, c.n)) + "丁目"});
  }
  // municipalities: the edges of their districts that no other district of
  // the same municipality shares, chained into rings
  std::map<std::tuple<long long, long long, bool>, std::vector<const TCell*>> groups;
  for (const TCell& c : cells) groups[{c.mu, c.mv, c.east}].push_back(&c);
  for (const auto& [key, members] : groups) {
    std::map<TEdgeKey, int> uses;
    for (const TCell* c : members)
      for (std::size_t i = 0; i < c->ring.size(); ++i) {
        const TCm p = c->ring[i].P, q = c->ring[(i + 1) % c->ring.size()].P;
        ++uses[p < q ? TEdgeKey{p, q} : TEdgeKey{q, p}];
      }
    std::map<TCm, std::pair<TCm, std::string>> next;  // boundary edge by start
    for (const TCell* c : members)
      for (std::size_t i = 0; i < c->ring.size(); ++i) {
        const TCm p = c->ring[i].P, q = c->ring[(i + 1) % c->ring.size()].P;
        if (uses[p < q ? TEdgeKey{p, q} : TEdgeKey{q, p}] == 1) next[p] = {q, c->refs[i]};
      }
    while (!next.empty()) {
      TCmRing ring;
      std::vector<std::string> refs;
      TCm at = next.begin()->first;
      while (true) {
        auto it = next.find(at);
        if (it == next.end()) break;
        ring.push_back({at, {}});
        refs.push_back(it->second.second);
        at = it->second.first;
        next.erase(it);
      }
      if (ring.size() < 3) continue;
      const auto& [mu, mv, east] = key;
      const int name = AddPolygon(sityoPgn_, 1105, Centroid(ring), refs);
      AddAttr(sityoAtr_, 'A', 1105, name,
              {MunicipalityCode(mu, mv, east), MunicipalityName(mu, mv, east)});
    }
  }
}

TSheetWriter::TGround TSheetWriter::GroundOf(long long m, int i, long long n, int j) const {
  const double r = Rand01(o_.Seed, {kTagGround, m, i, n, j});
  if (r < 0.02) return TGround::Park;
  if (r < 0.03) return TGround::School;
  if (r < 0.04) return TGround::Shrine;
  if (r < 0.045) return TGround::Cemetery;
  if (r < 0.055) return TGround::Other;
  return TGround::None;
}

void TSheetWriter::Blocks() {
  const TTag blockLine{1108, kKindLine};
  const TTag blockClosure{1108, kKindClosure};
  for (std::size_t a = 0; a + 1 < us_.size(); ++a) {
    const TLine &w = us_[a], &e = us_[a + 1];
    for (std::size_t b = 0; b + 1 < vs_.size(); ++b) {
      const TLine &s = vs_[b], &nl = vs_[b + 1];
      const double u0 = w.Pos + w.Half, u1 = e.Pos - e.Half;
      const double v0 = s.Pos + s.Half, v1 = nl.Pos - nl.Half;
      if (u1 - u0 < 6 || v1 - v0 < 6) continue;
      // quick reject: far outside the sheet
      if (u1 < umin_ - 10 || u0 > umax_ + 10 || v1 < vmin_ - 10 || v0 > vmax_ + 10) continue;
      // the block, with its corners cut by 1.5 m
      const double k = 1.5;
      std::vector<std::pair<TUV, TTag>> pts = {
          {{u0 + k, v0}, blockLine}, {{u1 - k, v0}, blockLine}, {{u1, v0 + k}, blockLine},
          {{u1, v1 - k}, blockLine}, {{u1 - k, v1}, blockLine}, {{u0 + k, v1}, blockLine},
          {{u0, v1 - k}, blockLine}, {{u0, v0 + k}, blockLine}};
      const TCmRing r = Clip(RingFromUV(pts), blockClosure, blockLine);
      if (r.empty()) continue;
      // block number within its district
      const int kU = MinorCount(
          kTagU, MainPos(o_.Seed, kTagU, w.Main + 1) - MainPos(o_.Seed, kTagU, w.Main), o_.Density);
      const int number = 1 + w.Minor + s.Minor * kU;
      const bool split = Rand01(o_.Seed, {kTagSplit, w.Main, w.Minor, s.Main, s.Minor}) < 0.25;
      const auto refs = PrivateRing(gaikuArc_, r, split);
      const int name = AddPolygon(gaikuPgn_, 1108, Centroid(r), refs);
      AddAttr(gaikuAtr_, 'A', 1108, name, {std::to_string(number)});

      const TGround g = GroundOf(w.Main, w.Minor, s.Main, s.Minor);
      const std::string town = TownName(o_.Seed, w.Main, s.Main);
      if (g != TGround::None) {
        Ground(g, town, u0, v0, u1, v1, w, s);
      } else {
        Lots(u0, v0, u1, v1, w, s);
      }
    }
  }
}

void TSheetWriter::Ground(TGround g, const std::string& town, double u0, double v0, double u1,
                          double v1, const TLine& w, const TLine& s) {
  static const int codes[] = {0, 6242, 6243, 6244, 6215, 6200};
  const int code = codes[static_cast<int>(g)];
  const double in = 2.0;
  const TCmRing r = Clip(RingFromUV(Rect(u0 + in, v0 + in, u1 - in, v1 - in, {code, kKindLine})),
                         {code, kKindClosure}, {code, kKindLine});
  if (r.empty()) return;
  const std::uint64_t h = Hash(o_.Seed, {kTagPublic, w.Main, w.Minor, s.Main, s.Minor});
  std::string title;
  switch (g) {
    case TGround::Park:
      title = town + (h % 3 == 0 ? "児童遊園" : "公園");
      break;
    case TGround::School: {
      static const char* const kinds[] = {"小学校", "中学校", "高等学校"};
      title = (h % 2 ? town : "第" + Kanji(static_cast<int>(1 + h % 9))) + kinds[(h >> 8) % 3];
      break;
    }
    case TGround::Shrine: {
      static const char* const kinds[] = {"八幡神社", "稲荷神社", "天満宮"};
      static const char* const temples[] = {"長福寺", "法善寺", "西光寺", "正覚寺", "光明寺"};
      title = h % 2 ? town + kinds[(h >> 8) % 3] : std::string(temples[(h >> 8) % 5]);
      break;
    }
    case TGround::Cemetery:
      title = town + (h % 2 ? "霊園" : "墓地");
      break;
    default: {
      static const char* const kinds[] = {"運動場", "グラウンド", "清掃工場", "浄水場"};
      title = town + kinds[(h >> 8) % 4];
      break;
    }
  }
  const auto refs = PrivateRing(othersArc_, r, false);
  const int name = AddPolygon(zyoutiPgn_, code, Centroid(r), refs);
  AddAttr(zyoutiAtr_, 'A', code, name, {title});

  const double cu = (u0 + u1) / 2, cv = (v0 + v1) / 2;
  if (g == TGround::School || g == TGround::Shrine) {
    // the school building or the main hall
    const double hu = std::min(35.0, (u1 - u0) / 2 - 6), hv = std::min(9.0, (v1 - v0) / 6);
    if (hu > 3 && hv > 2) Building(cu - hu, cv + hv * 0.5, cu + hu, cv + hv * 2.5, 0, title);
  }
  if (g == TGround::Park && (u1 - u0) > 40 && (v1 - v0) > 30 && (h >> 20) % 2 == 0) {
    // a pond
    const double ru = (u1 - u0) / 5, rv = (v1 - v0) / 5;
    std::vector<std::pair<TUV, TTag>> pts;
    for (int i = 0; i < 12; ++i) {
      const double t = 2 * std::numbers::pi * i / 12;
      const double wob = 1 + 0.15 * (Rand01(o_.Seed, {kTagPond, w.Main, s.Main, i}) - 0.5);
      pts.push_back(
          {{cu + ru * wob * std::cos(t), cv + rv * wob * std::sin(t)}, {5105, kKindLine}});
    }
    const TCmRing p = Clip(RingFromUV(pts), {5105, kKindClosure}, {5105, kKindLine});
    if (!p.empty()) {
      const auto prefs = PrivateRing(mizuArc_, p, false);
      const int pname = AddPolygon(mizuPgn_, 5105, Centroid(p), prefs);
      AddAttr(mizuAtr_, 'A', 5105, pname, {h % 2 ? "弁天池" : town + "池"});
    }
  }
}

void TSheetWriter::Lots(double u0, double v0, double u1, double v1, const TLine& w,
                        const TLine& s) {
  const double width = u1 - u0, height = v1 - v0;
  const bool alongU = width >= height;
  const double len = alongU ? width : height, depth = alongU ? height : width;
  const double lot = std::max(5.0, kLot / std::sqrt(std::max(o_.Density, 0.05)));
  const int count = std::max(1, static_cast<int>(len / lot));
  const int rows = depth > 24 ? 2 : 1;
  const double rowDepth = std::min(rows == 2 ? depth / 2 : depth, 18.0);
  const std::uint64_t pub = Hash(o_.Seed, {kTagPublic, w.Main, w.Minor, s.Main, s.Minor});
  if (pub % 1000 < 8 && len > 30 && depth > 20) {
    // a public building filling the block
    static const char* const kinds[] = {"区役所", "郵便局", "消防署",   "警察署", "図書館",
                                        "公民館", "保育園", "区民会館", "体育館", "病院"};
    const std::string title = TownName(o_.Seed, w.Main, s.Main) + kinds[(pub >> 10) % 10];
    Building(u0 + 4, v0 + 4, u1 - 4, v1 - 4, 1, title);
    return;
  }
  for (int row = 0; row < rows; ++row) {
    for (int i = 0; i < count; ++i) {
      if (Rand01(o_.Seed, {kTagLot, w.Main, w.Minor, s.Main, s.Minor, row, i}) >= o_.Buildings)
        continue;
      const double a0 = i * len / count + 0.8, a1 = (i + 1) * len / count - 0.8;
      const double back = 1.5 + 3.0 * Rand01(o_.Seed, {kTagBuilding, w.Main, s.Main, row, i});
      double d0 = 1.5, d1 = rowDepth - back;
      if (row == 1) {
        d0 = depth - d1;
        d1 = depth - 1.5;
      }
      if (a1 - a0 < 3 || d1 - d0 < 3) continue;
      if (alongU) {
        Building(u0 + a0, v0 + d0, u0 + a1, v0 + d1, -1, {}, row, i, w, s);
      } else {
        Building(u0 + d0, v0 + a0, u0 + d1, v0 + a1, -1, {}, row, i, w, s);
      }
    }
  }
}

void TSheetWriter::Building(double u0, double v0, double u1, double v1, int kind,
                            const std::string& title, int row, int lot, const TLine& w,
                            const TLine& s) {
  const TTag tag{3500, kKindLine};
  const double shape =
      kind >= 0 ? 0.0 : Rand01(o_.Seed, {kTagShape, w.Main, w.Minor, s.Main, s.Minor, row, lot});
  std::vector<std::pair<TUV, TTag>> pts;
  const double du = u1 - u0, dv = v1 - v0;
  if (shape < 0.5 || du < 6 || dv < 6) {
    pts = Rect(u0, v0, u1, v1, tag);
  } else if (shape < 0.8) {
    const double cu = u0 + du * 0.55, cv = v0 + dv * 0.5;
    pts = {{{u0, v0}, tag}, {{u1, v0}, tag}, {{u1, cv}, tag},
           {{cu, cv}, tag}, {{cu, v1}, tag}, {{u0, v1}, tag}};
  } else {
    const double c = std::min(du, dv) * 0.3;
    pts = {{{u0, v0}, tag}, {{u1 - c, v0}, tag}, {{u1, v0 + c}, tag},
           {{u1, v1}, tag}, {{u0 + c, v1}, tag}, {{u0, v1 - c}, tag}};
  }
  const TCmRing r = Clip(RingFromUV(pts), {3500, kKindClosure}, tag);
  if (r.empty()) return;
  const auto refs = PrivateRing(tatemonoArc_, r, false);
  const int name = AddPolygon(tatemonoPgn_, 3500, Centroid(r), refs);
  if (kind >= 0) AddAttr(tatemonoAtr_, 'A', 3500, name, {std::to_string(kind + 1), title});
}

void TSheetWriter::Roads() {
  auto roadName = [&](const TLine& l, bool alongV) -> std::vector<std::string> {
    if (l.Type == TLineType::Minor) return {"3"};
    if (l.Level != 1106)
      return {"1", "国道" + FullWidthDigits(Mod(l.Main * 7 + (alongV ? 3 : 0), 20) + 1) + "号"};
    return {"2", (alongV ? "都道" : "区道") + FullWidthDigits(300 + Mod(l.Main * 13, 200)) + "号"};
  };
  auto street = [&](const TLine& l, const std::vector<TLine>& cross, bool alongV) {
    if (l.Type == TLineType::River || l.Type == TLineType::Rail) return;
    for (std::size_t i = 0; i + 1 < cross.size(); ++i) {
      const TUV a = alongV ? TUV{l.Pos, cross[i].Pos} : TUV{cross[i].Pos, l.Pos};
      const TUV b = alongV ? TUV{l.Pos, cross[i + 1].Pos} : TUV{cross[i + 1].Pos, l.Pos};
      TXY p = ToXY(a), q = ToXY(b);
      if (!ClipSegment(p, q)) continue;
      const int name =
          AddArc(roadArc_, {2110, kKindLine}, {{ToCm(p.x), ToCm(p.y)}, {ToCm(q.x), ToCm(q.y)}});
      const auto values = roadName(l, alongV);
      if (values.size() == 1) {
        AddAttr(roadAtr_, 'L', 2110, name, {values[0]});
      } else {
        AddAttr(roadAtr_, 'L', 2110, name, {values[0], values[1]});
      }
    }
  };
  for (const TLine& l : us_) street(l, vs_, true);
  for (const TLine& l : vs_) street(l, us_, false);
}

void TSheetWriter::Railways() {
  for (const TLine& rail : vs_) {
    if (rail.Type != TLineType::Rail) continue;
    std::vector<const TLine*> mains;
    for (const TLine& l : us_)
      if (l.Minor == 0) mains.push_back(&l);
    for (std::size_t i = 0; i + 1 < mains.size(); ++i) {
      TXY p = ToXY({mains[i]->Pos, rail.Pos}), q = ToXY({mains[i + 1]->Pos, rail.Pos});
      if (!ClipSegment(p, q)) continue;
      const int name = AddArc(othersArc_, {2300, kKindAttrLine},
                              {{ToCm(p.x), ToCm(p.y)}, {ToCm(q.x), ToCm(q.y)}});
      AddAttr(tetudouAtr_, 'L', 2300, name, {RailwayName(rail.Main)});
    }
    for (std::size_t i = 0; i + 1 < us_.size(); ++i) {
      const double u0 = us_[i].Pos + us_[i].Half, u1 = us_[i + 1].Pos - us_[i + 1].Half;
      if (u1 - u0 < 5) continue;
      const TCmRing r = Clip(
          RingFromUV(Rect(u0, rail.Pos - rail.Half, u1, rail.Pos + rail.Half, {6241, kKindLine})),
          {6241, kKindClosure}, {6241, kKindLine});
      if (r.empty()) continue;
      const auto refs = PrivateRing(othersArc_, r, false);
      const int name = AddPolygon(zyoutiPgn_, 6241, Centroid(r), refs);
      AddAttr(zyoutiAtr_, 'A', 6241, name, {RailwayName(rail.Main) + "用地"});
    }
    for (const TLine* m : mains) {
      if (Mod(m->Main, 3) != 0 || m->Type == TLineType::River) continue;
      const TXY p = ToXY({m->Pos, rail.Pos});
      if (!InSheet(p) || !OnLand(p)) continue;
      const int name = AddPoint(ekiPnt_, 2420, {ToCm(p.x), ToCm(p.y)});
      AddAttr(ekiAtr_, 'P', 2420, name, {TownName(o_.Seed, m->Main, rail.Main) + "駅"});
    }
  }
}

void TSheetWriter::Water() {
  for (const TLine& l : us_) {
    if (l.Type != TLineType::River) continue;
    const double hw = 18;
    const TRing ring = RingFromUV({{{l.Pos - hw, vmin_ - 100}, {5101, kKindClosure}},
                                   {{l.Pos + hw, vmin_ - 100}, {5101, kKindLine}},
                                   {{l.Pos + hw, vmax_ + 100}, {5101, kKindClosure}},
                                   {{l.Pos - hw, vmax_ + 100}, {5101, kKindLine}}});
    const TCmRing r = Clip(ring, {5101, kKindClosure}, {5101, kKindClosure});
    if (r.empty()) continue;
    const auto refs = PrivateRing(mizuArc_, r, false);
    const int name = AddPolygon(mizuPgn_, 5101, Centroid(r), refs);
    AddAttr(mizuAtr_, 'A', 5101, name, {RiverName(l.Main)});
  }
  // the coast line across the sheet
  const double ua = umin_ - 100, ub = umax_ + 100;
  TXY p = ToXY({ua, kCoastV0 + kCoastSlope * ua}), q = ToXY({ub, kCoastV0 + kCoastSlope * ub});
  bool inside = true;
  for (const THalfPlane& h : frame_) {
    const double dp = h.Eval(p), dq = h.Eval(q);
    if (dp < 0 && dq < 0) {
      inside = false;
      break;
    }
    if (dp < 0) p = Crossing(p, q, h);
    if (dq < 0) q = Crossing(p, q, h);
  }
  if (inside && std::hypot(q.x - p.x, q.y - p.y) > 0.05) {
    AddArc(mizuArc_, {5106, kKindLine}, {{ToCm(p.x), ToCm(p.y)}, {ToCm(q.x), ToCm(q.y)}});
  }
}

void TSheetWriter::ControlPoints() {
  for (const TLine& a : us_) {
    if (a.Type == TLineType::River) continue;
    for (const TLine& b : vs_) {
      if (b.Type == TLineType::Rail) continue;
      const double r = Rand01(o_.Seed, {kTagControl, a.Main, a.Minor, b.Main, b.Minor});
      if (r >= o_.ControlPoints) continue;
      const TXY p = ToXY({a.Pos + 2.5, b.Pos + 2.5});
      if (!InSheet(p) || !OnLand(p)) continue;
      const TCm cm{ToCm(p.x), ToCm(p.y)};
      const int name = AddPoint(sankakuPnt_, 7301, cm);
      const auto [lat, lon] = XYToLatLon(o_.Tokyo ? kBessel1841 : kGrs80, id_.Zone, p.y, p.x);
      const bool triangulation = r < o_.ControlPoints * 0.1;
      const std::string town = TownName(o_.Seed, a.Main, b.Main);
      char code[24];
      std::snprintf(code, sizeof code, "TR%s%05d", Mesh(lat, lon).substr(0, 4).c_str(),
                    static_cast<int>(
                        Hash(o_.Seed, {kTagControl, a.Main, b.Main, a.Minor, b.Minor}) % 100000));
      char height[16];
      std::snprintf(height, sizeof height, "%.2f",
                    2.0 + 30.0 * Rand01(o_.Seed, {kTagControl, a.Main, b.Main}));
      const std::string pointName =
          triangulation ? town : town + FullWidthDigits(1 + static_cast<long long>(r * 997) % 99);
      AddAttr(
          sankakuAtr_, 'P', 7301, name,
          {Mesh(lat, lon), code, pointName, triangulation ? "四等三角点" : "街区多角点", height});
    }
  }
}

std::string TSheetWriter::Mesh(double lat, double lon) {
  const double y = lat * 1.5, x = lon - 100;
  const int p1 = static_cast<int>(std::floor(y)), p2 = static_cast<int>(std::floor(x));
  const int s1 = static_cast<int>(std::floor((y - p1) * 8)),
            s2 = static_cast<int>(std::floor((x - p2) * 8));
  const int t1 = static_cast<int>(std::floor(((y - p1) * 8 - s1) * 10));
  const int t2 = static_cast<int>(std::floor(((x - p2) * 8 - s2) * 10));
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%d%d%d%d", p1, p2, s1, s2, t1, t2);
  return buf;
}

std::string TSheetWriter::Header(const TLayerFile& f, std::string_view type) const {
  std::string h = "FH," + name_ + "," + f.Name.substr(0, f.Name.find('.')) + "," +
                  std::string(type) + ",2500,2004," + std::to_string(id_.Zone) + "," +
                  (o_.Tokyo ? "0" : "1") + ",";
  AppendCm(h, y0cm_);
  h += ',';
  AppendCm(h, x0cm_);
  h += ",1500.00,2000.00,";
  AppendInt(h, f.Records);
  h += ',';
  AppendInt(h, f.Lines);
  h += ",0,0\r\n";
  return h;
}

std::string TSheetWriter::Description(const std::vector<const TLayerFile*>& files) const {
  auto real = [](double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return std::string(buf);
  };
  std::string d;
  auto line = [&](const std::string& utf8) {
    d += Sjis(utf8);
    d += "\r\n";
  };
  char opts[96];
  std::snprintf(opts, sizeof opts, "seed=%llu density=%.2f",
                static_cast<unsigned long long>(o_.Seed), o_.Density);
  line("数値地図2500（空間データ基盤）形式の合成データ");
  line("chizro sdfgen");
  line(opts);
  line("架空の市街地です（実在の地物ではありません）");
  line(name_);
  line("2500");
  line(std::to_string(id_.Zone) + "," + real(id_.Bottom()) + "," + real(id_.Left()) + "," +
       real(id_.Top()) + "," + real(id_.Right()) + "," + real(id_.Top()) + "," + real(id_.Left()) +
       "," + real(id_.Bottom()) + "," + real(id_.Right()) + "," + (o_.Tokyo ? "0" : "1"));
  line("メートル");
  std::string neighbours;
  const int dr[] = {-1, -1, 0, 1, 1, 1, 0, -1}, dc[] = {0, 1, 1, 1, 0, -1, -1, -1};
  for (int k = 0; k < 8; ++k) {
    TSheetId n = id_;
    n.Row += dr[k];
    n.Col += dc[k];
    if (!neighbours.empty()) neighbours += ',';
    if (n.Row >= 0 && n.Row < 400 && n.Col >= 0 && n.Col < 160) neighbours += SheetName(n);
  }
  line(neighbours);
  line(name_ + ".txt");
  std::string folder;
  for (const TLayerFile* f : files) {
    if (f->Folder != folder) {
      folder = f->Folder;
      line(name_ + "\\" + folder);
    }
    line(name_ + "\\" + folder + "\\" + f->Name);
  }
  return d;
}

TStats TSheetWriter::Save(const std::filesystem::path& outDir) {
  const std::filesystem::path sheetDir = outDir / name_;
  std::filesystem::create_directories(sheetDir);
  const std::vector<std::pair<const TLayerFile*, std::string_view>> files = {
      {&gyousei_, "ARC"},     {&sityoPgn_, "PGN"},    {&sityoAtr_, "ATR"},   {&tyomePgn_, "PGN"},
      {&tyomeAtr_, "ATR"},    {&gaikuArc_, "ARC"},    {&gaikuPgn_, "PGN"},   {&gaikuAtr_, "ATR"},
      {&roadArc_, "ARC"},     {&roadAtr_, "ATR"},     {&othersArc_, "ARC"},  {&tetudouAtr_, "ATR"},
      {&zyoutiPgn_, "PGN"},   {&zyoutiAtr_, "ATR"},   {&ekiPnt_, "PNT"},     {&ekiAtr_, "ATR"},
      {&mizuArc_, "ARC"},     {&mizuPgn_, "PGN"},     {&mizuAtr_, "ATR"},    {&tatemonoArc_, "ARC"},
      {&tatemonoPgn_, "PGN"}, {&tatemonoAtr_, "ATR"}, {&sankakuPnt_, "PNT"}, {&sankakuAtr_, "ATR"}};
  std::vector<const TLayerFile*> list;
  for (const auto& [f, type] : files) list.push_back(f);
  TStats s = stats_;
  s.Sheets = 1;
  auto save = [&](const std::filesystem::path& path, const std::string& a, const std::string& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(a.data(), static_cast<std::streamsize>(a.size()));
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    s.Files += 1;
    s.Bytes += static_cast<long long>(a.size() + b.size());
  };
  save(sheetDir / (name_ + ".txt"), Description(list), {});
  for (const auto& [f, type] : files) {
    std::filesystem::create_directories(sheetDir / f->Folder);
    save(sheetDir / f->Folder / f->Name, Header(*f, type), f->Body);
  }
  return s;
}

}  // namespace chizro::sdfgen
