#include "readers/fgd/fgd_dem.h"

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "coords/datum.h"
#include "model/geometry.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/ini_file.h"
#include "platform/text_case.h"
#include "readers/common/contour.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/utf8_guard.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_text.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

// "主曲線" and "計曲線" in Shift_JIS.
const char* const kMainContourCode = "\x8e\xe5\x8b\xc8\x90\xfc";
const char* const kIndexContourCode = "\x8c\x76\x8b\xc8\x90\xfc";

namespace {

constexpr std::u16string_view kFgdNamespace = u"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema";
constexpr std::u16string_view kGmlNamespace = u"http://www.opengis.net/gml/3.2";
constexpr std::size_t kMaxText = 256;       // text of a header element kept
constexpr std::size_t kMaxKindLength = 64;  // the 種別 of a tuple [UTF-16 units]
constexpr std::size_t kMaxValueLength = 32;
constexpr int kMaxSide = 1 << 15;
// Values at or below this are the producers' "no data" (-9999.).
constexpr double kNoData = -9999;

using TCoord = decltype(TFPoint::x);

// Thrown out of the handler's callbacks to end a parse.
struct TStop {
  enum { Error, NotFgd, NotDem, HeaderDone } Why = Error;
  std::string Detail;  // the reader's words
  TErrorPlace Place;
};

enum class TElem {
  Other,
  Envelope,
  LowerCorner,
  UpperCorner,
  Low,
  High,
  TupleList,
  SequenceRule,
  StartPoint
};

TElem ElemOf(std::u16string_view name) {
  if (name == u"Envelope") return TElem::Envelope;
  if (name == u"lowerCorner") return TElem::LowerCorner;
  if (name == u"upperCorner") return TElem::UpperCorner;
  if (name == u"low") return TElem::Low;
  if (name == u"high") return TElem::High;
  if (name == u"tupleList") return TElem::TupleList;
  if (name == u"sequenceRule") return TElem::SequenceRule;
  if (name == u"startPoint") return TElem::StartPoint;
  return TElem::Other;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t'; }

// The blank-separated numbers of an element's text; false when one is not a
// number.
template <class T>
bool Numbers(std::string_view text, std::vector<T>& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\r' || text[i] == '\t'))
      ++i;
    if (i == text.size()) break;
    std::size_t j = i;
    while (j < text.size() && !(text[j] == ' ' || text[j] == '\n' || text[j] == '\r' || text[j] == '\t'))
      ++j;
    const char* first = text.data() + i;
    const char* last = text.data() + j;
    if (*first == '+') ++first;
    T value{};
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || ptr != last || first == last) return false;
    if constexpr (std::is_floating_point_v<T>)
      if (!std::isfinite(value)) return false;
    out.push_back(value);
    i = j;
  }
  return true;
}

bool AcceptedSrs(std::string name) {
  name = LowerAscii(std::move(name));
  return name == "fguuid:jgd2000.bl" || name == "fguuid:jgd2011.bl" ||
         name == "fguuid:jgd2024.bl";
}

class TDemHandler final : public TSaxHandlerBase {
public:
  TDemHandler(std::string path, bool headerOnly, TDemTile* tile)
      : path_(std::move(path)), headerOnly_(headerOnly), tile_(tile) {}

  TDemHeader Header;
  bool HaveEnvelope = false;

  [[noreturn]] void Fail(const std::string& what) const {
    throw TStop{TStop::Error, what, Where()};
  }
  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TStop{TStop::Error, detail, place};
  }

  void startElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& attrs) override {
    ++depth_;
    MarkLine();
    const std::u16string_view name = View(localname);
    if (depth_ == 1) {
      if (View(uri) != kFgdNamespace || name != u"Dataset")
        throw TStop{TStop::NotFgd, "基盤地図情報 (FGD GML) ではありません", Where()};
      return;
    }
    if (depth_ == 2) {
      if (View(uri) != kFgdNamespace) return;
      if (name != u"DEM") {
        if (sawDem_) return;
        throw TStop{TStop::NotDem, "数値標高モデル (DEM) ではありません", Where()};
      }
      if (sawDem_) Fail("DEM 地物が 2 つ以上あります");
      sawDem_ = true;
      inDem_ = true;
      return;
    }
    if (!inDem_ || View(uri) != kGmlNamespace) return;
    elem_ = ElemOf(name);
    text_.clear();
    switch (elem_) {
      case TElem::Envelope: {
        const XMLCh* srs = attrs.getValue(u"srsName");
        const std::string srsName = srs ? Utf8Of(View(srs)) : std::string();
        if (!AcceptedSrs(srsName))
          Fail(srs ? "未知の srsName '" + srsName + "'" : "gml:Envelope に srsName がありません");
        break;
      }
      case TElem::TupleList:
        StartTuples();
        break;
      case TElem::SequenceRule: {
        const XMLCh* order = attrs.getValue(u"order");
        const std::string o = order ? Utf8Of(View(order)) : std::string();
        if (o != "+x-y")
          Fail("未知の並び順 (gml:sequenceRule order='" + o.substr(0, 40) +
               "'); 読めるのは '+x-y' です");
        sawRule_ = true;
        break;
      }
      default:
        break;
    }
  }

  void endElement(const XMLCh* const /*uri*/, const XMLCh* const /*localname*/,
                  const XMLCh* const /*qname*/) override {
    const int depth = depth_--;
    MarkLine();
    if (depth == 2) {
      inDem_ = false;
      return;
    }
    if (!inDem_) return;
    const TElem elem = elem_;
    elem_ = TElem::Other;
    switch (elem) {
      case TElem::LowerCorner:
      case TElem::UpperCorner: {
        std::vector<double> v;
        if (!Numbers(text_, v) || v.size() != 2)
          Fail("gml:" + std::string(elem == TElem::LowerCorner ? "lowerCorner" : "upperCorner") +
               " '" + text_.substr(0, 40) + "' は緯度と経度ではありません");
        (elem == TElem::LowerCorner ? lower_ : upper_) = {v[0], v[1]};
        (elem == TElem::LowerCorner ? haveLower_ : haveUpper_) = true;
        break;
      }
      case TElem::Low:
      case TElem::High: {
        std::vector<long long> v;
        if (!Numbers(text_, v) || v.size() != 2)
          Fail("gml:" + std::string(elem == TElem::Low ? "low" : "high") + " '" +
               text_.substr(0, 40) + "' は 2 つの整数ではありません");
        (elem == TElem::Low ? low_ : high_) = {v[0], v[1]};
        (elem == TElem::Low ? haveLow_ : haveHigh_) = true;
        break;
      }
      case TElem::TupleList:
        EndTuples();
        break;
      case TElem::StartPoint: {
        std::vector<long long> v;
        if (!Numbers(text_, v) || v.size() != 2)
          Fail("gml:startPoint '" + text_.substr(0, 40) + "' は 2 つの整数ではありません");
        start_ = {v[0], v[1]};
        break;
      }
      default:
        break;
    }
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (inTuples_) {
      Tuples(chars, length);
      return;
    }
    if (elem_ == TElem::Other || elem_ == TElem::Envelope || elem_ == TElem::SequenceRule) return;
    for (XMLSize_t i = 0; i < length && text_.size() < kMaxText; ++i)
      text_.push_back(chars[i] < 0x80 ? static_cast<char>(chars[i]) : '?');
  }


  // Checks the end of the document and places the tuples by the start point.
  void Finish() {
    if (!sawDem_) throw TStop{TStop::NotDem, "数値標高モデル (DEM) ではありません", Where()};
    if (!tile_) return;
    if (!sawTuples_) Fail("gml:tupleList がありません");
    if (!sawRule_) Fail("gml:sequenceRule がありません");
    const std::size_t width = static_cast<std::size_t>(Header.Width);
    const std::size_t cells = width * static_cast<std::size_t>(Header.Height);
    if (start_[0] < 0 || start_[1] < 0 || start_[0] >= Header.Width || start_[1] >= Header.Height)
      Fail("gml:startPoint (" + std::to_string(start_[0]) + " " + std::to_string(start_[1]) +
           ") がグリッド " + GridText() + " の外です");
    const std::size_t skip =
        static_cast<std::size_t>(start_[1]) * width + static_cast<std::size_t>(start_[0]);
    std::vector<float>& v = tile_->Values;
    if (skip + v.size() > cells)
      Fail("タプルの数 " + std::to_string(v.size()) + " が開始点 (" + std::to_string(start_[0]) +
           " " + std::to_string(start_[1]) + ") からのグリッド " + GridText() +
           " のセルの数を超えています");
    v.insert(v.begin(), skip, std::numeric_limits<float>::quiet_NaN());
    v.resize(cells, std::numeric_limits<float>::quiet_NaN());
  }

private:
  std::string GridText() const {
    return std::to_string(Header.Width) + "×" + std::to_string(Header.Height);
  }

  // The header is complete where the values begin.
  void StartTuples() {
    if (!haveLower_ || !haveUpper_) Fail("gml:tupleList の前に gml:Envelope がありません");
    if (!haveLow_ || !haveHigh_) Fail("gml:tupleList の前に gml:GridEnvelope がありません");
    if (sawTuples_) Fail("gml:tupleList が 2 つ以上あります");
    sawTuples_ = true;
    Header.Path = path_;
    Header.South = lower_[0];
    Header.West = lower_[1];
    Header.North = upper_[0];
    Header.East = upper_[1];
    if (!(Header.North > Header.South) || !(Header.East > Header.West) || Header.South < -90 ||
        Header.North > 90 || Header.West < -180 || Header.East > 360)
      Fail("gml:Envelope の範囲が正しくありません");
    const long long w = high_[0] - low_[0] + 1;
    const long long h = high_[1] - low_[1] + 1;
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide ||
        static_cast<std::size_t>(w) * static_cast<std::size_t>(h) > kMaxDemTileCells)
      Fail("gml:GridEnvelope の大きさ " + std::to_string(w) + "×" + std::to_string(h) +
           " は読めません");
    Header.Width = static_cast<int>(w);
    Header.Height = static_cast<int>(h);
    HaveEnvelope = true;
    if (headerOnly_) throw TStop{TStop::HeaderDone, {}, {}};
    cells_ = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    tile_->Header = Header;
    tile_->Values.clear();
    tile_->Values.reserve(cells_);
    inTuples_ = true;
    afterComma_ = false;
    kindLength_ = 0;
    value_.clear();
  }

  void EndTuples() {
    if (kindLength_ > 0 || afterComma_) EndTuple();
    inTuples_ = false;
  }

  void Tuples(const XMLCh* chars, XMLSize_t length) {
    for (XMLSize_t i = 0; i < length; ++i) {
      const char16_t c = chars[i];
      if (IsBlank(c)) {
        if (kindLength_ > 0 || afterComma_) EndTuple();
      } else if (afterComma_) {
        if (c >= 0x80 || value_.size() >= kMaxValueLength)
          Fail("タプルの値 '" + value_ + "…' は数値ではありません");
        value_.push_back(static_cast<char>(c));
      } else if (c == u',') {
        afterComma_ = true;
      } else if (++kindLength_ > kMaxKindLength) {
        Fail("タプルが \"種別,値\" ではありません");
      }
    }
  }

  void EndTuple() {
    if (!afterComma_) Fail("タプルが \"種別,値\" ではありません (値がありません)");
    const char* first = value_.data();
    const char* last = first + value_.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || ptr != last || first == last || !std::isfinite(value) ||
        std::fabs(value) > 1e6)
      Fail("タプルの値 '" + value_ + "' は標高ではありません");
    if (tile_->Values.size() >= cells_)
      Fail("タプルの数がグリッド " + GridText() + " のセルの数 " + std::to_string(cells_) +
           " を超えています");
    tile_->Values.push_back(value <= kNoData ? std::numeric_limits<float>::quiet_NaN()
                                             : static_cast<float>(value));
    afterComma_ = false;
    kindLength_ = 0;
    value_.clear();
  }

  std::string path_;
  bool headerOnly_;
  TDemTile* tile_;
  int depth_ = 0;
  bool sawDem_ = false;
  bool inDem_ = false;
  TElem elem_ = TElem::Other;
  std::string text_;
  std::array<double, 2> lower_{}, upper_{};
  std::array<long long, 2> low_{}, high_{}, start_{};
  bool haveLower_ = false, haveUpper_ = false, haveLow_ = false, haveHigh_ = false;
  bool sawTuples_ = false, sawRule_ = false;
  bool inTuples_ = false;
  bool afterComma_ = false;
  std::size_t kindLength_ = 0;
  std::string value_;
  std::size_t cells_ = 0;
};

// One parse; what stopped it.
TStop Parse(TByteSource& source, TDemHandler& handler) {
  TUtf8Guard guard(source);
  // A byte that is not UTF-8 ended the document early: the parser's
  // complaint about that end, or a parse that ran to the end of what it was
  // handed, is the damaged byte's doing.
  const auto cut = [&] { return TStop{TStop::Error, guard.CutDetail(), TErrorPlace::Line(guard.CutLine)}; };
  try {
    ParseHardened(guard, handler);
    if (guard.Cut) return cut();
    handler.Finish();
    return TStop{TStop::HeaderDone, {}, {}};
  } catch (TStop& stop) {
    if (stop.Why == TStop::Error && guard.Explains(handler.ParserErrorLine())) return cut();
    if (stop.Why == TStop::Error && !guard.Error.empty()) {
      stop.Detail = guard.Error;
      stop.Place = handler.Where();
    }
    return stop;
  } catch (const xc::OutOfMemoryException&) {
    return TStop{TStop::Error, "メモリが足りません", handler.Where()};
  } catch (const xc::XMLException& e) {
    return TStop{TStop::Error, XmlParserMessageJa(Utf8Of(View(e.getMessage()))), handler.Where()};
  }
}

std::string CellTag(const TDemHeader& h) {
  // The cell's height in arc seconds, as the product names it (0.2, 0.4).
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", h.CellY() * 3600);
  return text;
}

bool SameCell(const TDemHeader& a, const TDemHeader& b) {
  return std::fabs(a.CellX() - b.CellX()) <= 1e-3 * a.CellX() &&
         std::fabs(a.CellY() - b.CellY()) <= 1e-3 * a.CellY();
}

bool Touch(const TDemHeader& a, const TDemHeader& b) {
  const double tx = a.CellX() / 2, ty = a.CellY() / 2;
  return a.West <= b.East + tx && b.West <= a.East + tx && a.South <= b.North + ty &&
         b.South <= a.North + ty;
}

std::string LevelText(double elevation) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f", elevation);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

TDemKind ReadDemHeader(TByteSource& source, const std::string& path, TDemHeader& header) {
  EnsureXercesRuntime();
  TDemHandler handler(path, true, nullptr);
  const TStop stop = Parse(source, handler);
  switch (stop.Why) {
    case TStop::NotFgd:
      return TDemKind::NotFgd;
    case TStop::NotDem:
      return TDemKind::NotDem;
    case TStop::Error:
      throw XmlError(path, stop.Detail, stop.Place);
    case TStop::HeaderDone:
      break;
  }
  if (!handler.HaveEnvelope) throw XmlError(path, "gml:tupleList がありません", {});
  header = handler.Header;
  return TDemKind::Dem;
}

TDemKind ReadDemHeader(const std::string& path, TDemHeader& header) {
  std::unique_ptr<TByteSource> source = OpenSource(path);
  return ReadDemHeader(*source, path, header);
}

void DecodeDem(TByteSource& source, const std::string& path, TDemTile& tile) {
  EnsureXercesRuntime();
  tile.Values.clear();
  TDemHandler handler(path, false, &tile);
  const TStop stop = Parse(source, handler);
  if (stop.Why != TStop::HeaderDone) {
    tile.Values.clear();
    throw XmlError(path, stop.Detail, stop.Place);
  }
}

void DecodeDem(const std::string& path, TDemTile& tile) {
  std::unique_ptr<TByteSource> source = OpenSource(path);
  DecodeDem(*source, path, tile);
}

int NominalCellMetres(const TDemHeader& header) {
  const double metres = header.CellY() * 3600 * 30.87;  // an arc second of latitude
  return metres < 2.5 ? 1 : metres < 7.5 ? 5 : 10;
}

double DefaultContourInterval(const std::string& defFileName, int cellMetres) {
  const double builtIn = cellMetres <= 1 ? 1 : cellMetres <= 5 ? 2 : 10;
  if (defFileName.empty()) return builtIn;
  const TIniFile ini(defFileName);
  const std::string text = ini.ReadString("Contour", "DEM" + std::to_string(cellMetres), "");
  double value = 0;
  const std::string_view v = TrimBlanks(text);
  const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc{} || ptr != v.data() + v.size() || !(value > 0) || !std::isfinite(value))
    return builtIn;
  return value;
}

std::vector<std::vector<TDemHeader>> GroupDemTiles(std::vector<TDemHeader> tiles) {
  std::stable_sort(tiles.begin(), tiles.end(),
                   [](const TDemHeader& a, const TDemHeader& b) { return a.Path < b.Path; });
  const std::size_t n = tiles.size();
  std::vector<std::size_t> parent(n);
  std::iota(parent.begin(), parent.end(), std::size_t{0});
  const auto root = [&](std::size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (SameCell(tiles[i], tiles[j]) && Touch(tiles[i], tiles[j])) {
        const std::size_t a = root(i), b = root(j);
        parent[std::max(a, b)] = std::min(a, b);
      }
  std::vector<std::vector<TDemHeader>> sets;
  std::vector<std::size_t> setOfRoot(n, n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t r = root(i);
    if (setOfRoot[r] == n) {
      setOfRoot[r] = sets.size();
      sets.emplace_back();
    }
    sets[setOfRoot[r]].push_back(tiles[i]);
  }
  return sets;
}

TDemGrid DemFrame(const std::vector<TDemHeader>& tiles, const std::string& setName) {
  TDemGrid grid;
  if (tiles.empty()) return grid;
  double west = tiles[0].West, east = tiles[0].East, south = tiles[0].South,
         north = tiles[0].North;
  for (const TDemHeader& t : tiles) {
    west = std::min(west, t.West);
    east = std::max(east, t.East);
    south = std::min(south, t.South);
    north = std::max(north, t.North);
  }
  grid.CellX = tiles[0].CellX();
  grid.CellY = tiles[0].CellY();
  grid.West = west;
  grid.North = north;
  const double w = std::round((east - west) / grid.CellX);
  const double h = std::round((north - south) / grid.CellY);
  // The tiles of a download fill most of the box they span; a box many times
  // their own cells comes from envelopes that do not fit together, and would
  // make memory and time follow numbers in the files rather than their data.
  double tileCells = 0;
  for (const TDemHeader& t : tiles) tileCells += static_cast<double>(t.Width) * t.Height;
  if (w < 1 || h < 1 || w > 1e6 || h > 1e6 || w * h > static_cast<double>(kMaxDemSetCells) ||
      w * h > kMaxDemSpread * tileCells)
    throw EInOutError(Quoted(setName) + ": 標高タイルをつないだグリッド " + LevelText(w) + "×" +
                      LevelText(h) + " は大きすぎます");
  grid.Width = static_cast<int>(w);
  grid.Height = static_cast<int>(h);
  grid.Values.assign(static_cast<std::size_t>(grid.Width) * static_cast<std::size_t>(grid.Height),
                     std::numeric_limits<float>::quiet_NaN());
  return grid;
}

void PlaceTile(TDemGrid& grid, const TDemTile& tile) {
  const TDemHeader& h = tile.Header;
  const std::size_t tw = static_cast<std::size_t>(h.Width);
  if (tile.Values.size() != tw * static_cast<std::size_t>(h.Height)) return;
  const long long col0 = std::llround((h.West - grid.West) / grid.CellX);
  const long long row0 = std::llround((grid.North - h.North) / grid.CellY);
  for (long long r = 0; r < h.Height; ++r) {
    const long long gr = row0 + r;
    if (gr < 0 || gr >= grid.Height) continue;
    const float* src = tile.Values.data() + static_cast<std::size_t>(r) * tw;
    float* row = grid.Values.data() + static_cast<std::size_t>(gr) * static_cast<std::size_t>(grid.Width);
    for (long long c = 0; c < h.Width; ++c) {
      const long long gc = col0 + c;
      if (gc < 0 || gc >= grid.Width) continue;
      float& dst = row[gc];
      if (std::isnan(dst)) dst = src[c];
    }
  }
}

void ContourIntoLeaf(const TDemGrid& grid, double interval, TMapLeaf& leaf,
                     const std::string& setName) {
  // The values stand at the cells' centres, but the surface reaches the
  // cells' outer edge: a frame of nodes on that edge, each with the value of
  // the cell inside it, carries the lines on to the edge.
  const std::size_t w = static_cast<std::size_t>(grid.Width);
  const std::size_t h = static_cast<std::size_t>(grid.Height);
  const std::size_t pw = w + 2;
  std::vector<float> framed((w + 2) * (h + 2));
  for (std::size_t r = 0; r < h + 2; ++r) {
    const std::size_t sr = std::clamp<std::size_t>(r, 1, h) - 1;
    const float* src = grid.Values.data() + sr * w;
    float* dst = framed.data() + r * pw;
    dst[0] = src[0];
    std::copy(src, src + w, dst + 1);
    dst[w + 1] = src[w - 1];
  }
  TContourSet set;
  const TContourStatus status = TraceContours(framed.data(), grid.Width + 2, grid.Height + 2,
                                              interval, set);
  // Framed node numbers to cell numbers: the frame lies half a cell out.
  const auto unframe = [](double v, double n) {
    return v < 1 ? (v - 1) / 2 : v > n ? n - 1 + (v - n) / 2 : v - 1;
  };
  const double nx = grid.Width, ny = grid.Height;
  auto lines = std::make_unique<TFigPolylineGrp>();
  for (const TContourSet::Line& l : set.Lines) {
    auto fig = std::make_unique<TFigPolyline>();
    const bool index = l.Level % 5 == 0;
    fig->ClassCode = index ? kIndexContourCode : kMainContourCode;
    if (index) fig->Texts.push_back(LevelText(static_cast<double>(l.Level) * interval));
    fig->Points.reserve(l.Count);
    for (std::size_t i = l.First; i < l.First + l.Count; ++i) {
      const TContourSet::Point& p = set.Points[i];
      const double x = unframe(p.x, nx), y = unframe(p.y, ny);
      fig->Points.push_back({static_cast<TCoord>(grid.West + (x + 0.5) * grid.CellX),
                             static_cast<TCoord>(grid.North - (y + 0.5) * grid.CellY)});
    }
    const TFPoint mid = fig->Points[fig->Points.size() / 2];
    fig->LabelX = mid.x;
    fig->LabelY = mid.y;
    fig->UpdateExtent();
    lines->Add(std::move(fig));
  }
  leaf.AddFigGrp(std::move(lines))->UpdateExtents();
  if (status == TContourStatus::TooManyLevels)
    throw EInOutError(Quoted(setName) + ": 等高線の間隔 " + LevelText(interval) +
                      " m は標高の幅に対して細かすぎます");
  if (status == TContourStatus::TooManyPoints)
    throw EInOutError(Quoted(setName) + ": 等高線の間隔 " + LevelText(interval) +
                      " m では等高線の点が多すぎます (間隔を広げてください)");
}

std::vector<std::unique_ptr<TMapLeaf>> TDemSets::MakeLeaves(TMapLeafGrp& leaves,
                                                            const std::string& container,
                                                            std::vector<TDemHeader> tiles) {
  std::vector<std::unique_ptr<TMapLeaf>> made;
  std::map<std::string, int> perTag;
  for (std::vector<TDemHeader>& set : GroupDemTiles(std::move(tiles))) {
    const std::string tag = CellTag(set.front());
    const int n = ++perTag[tag];
    std::string name;
    std::string sheet;
    if (set.size() == 1) {
      name = set.front().Path;
      sheet = BaseName(TLeafPath::Parse(name).Innermost());
      sheet = sheet.substr(0, sheet.rfind('.'));
    } else {
      const std::string label = "DEM-" + tag + "s" + (n > 1 ? "-" + std::to_string(n) : "");
      name = TLeafPath{container, {label}}.Text();
      sheet = BaseName(container) + " " + label;
    }
    if (leaves.FindByFileName(name)) continue;
    TExtentBuilder extent;
    for (const TDemHeader& t : set) {
      extent.Add(TFPoint{static_cast<TCoord>(t.West), static_cast<TCoord>(t.South)});
      extent.Add(TFPoint{static_cast<TCoord>(t.East), static_cast<TCoord>(t.North)});
    }
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = name;
    leaf->SheetName = sheet;
    leaf->Name = sheet;
    leaf->CoordMode = TCoordMode::LatLon;
    leaf->Datum = TDatum::Jgd2000;
    leaf->Zone = TZone::Unstated();
    leaf->Extent = extent.Rect;
    sets_[name] = TSet{std::move(set), {}};
    made.push_back(std::move(leaf));
  }
  return made;
}

void TDemSets::AddBroken(const std::string& leafFileName, std::exception_ptr error) {
  sets_[leafFileName] = TSet{{}, std::move(error)};
}

bool TDemSets::Has(const std::string& leafFileName) const {
  return sets_.contains(leafFileName);
}

void TDemSets::Load(TMapLeaf& leaf, double interval, const std::string& defFileName) const {
  const auto it = sets_.find(leaf.FileName);
  if (it == sets_.end()) throw EInOutError(Quoted(leaf.FileName) + " は標高タイルの組ではありません");
  const TSet& set = it->second;
  if (set.Error) std::rethrow_exception(set.Error);
  leaf.CoordMode = TCoordMode::LatLon;
  leaf.Datum = TDatum::Jgd2000;
  leaf.Zone = TZone::Unstated();
  TDemGrid grid = DemFrame(set.Tiles, leaf.FileName);
  // The first tile's error goes on as it is, naming its file and line.
  std::exception_ptr firstError;
  TDemTile tile;
  for (const TDemHeader& header : set.Tiles) {
    try {
      DecodeDem(header.Path, tile);
      // The tile as opened is where it goes: a file changed since gives an error.
      if (tile.Header.Width != header.Width || tile.Header.Height != header.Height ||
          tile.Header.West != header.West || tile.Header.North != header.North)
        throw EInOutError(Quoted(header.Path) + " は開いた後で変わりました");
      PlaceTile(grid, tile);
    } catch (const EChizroError& e) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (interval <= 0) interval = DefaultContourInterval(defFileName, NominalCellMetres(set.Tiles.front()));
  ContourIntoLeaf(grid, interval, leaf, leaf.FileName);
  // The leaf covers the cells with values, not the tiles' outer edge: a tile
  // of an island is mostly without data, and the view fits to what is drawn.
  int left = grid.Width, right = -1, top = grid.Height, bottom = -1;
  for (int r = 0; r < grid.Height; ++r)
    for (int c = 0; c < grid.Width; ++c)
      if (!std::isnan(grid.Values[static_cast<std::size_t>(r) * static_cast<std::size_t>(grid.Width) +
                                  static_cast<std::size_t>(c)])) {
        left = std::min(left, c);
        right = std::max(right, c);
        top = std::min(top, r);
        bottom = std::max(bottom, r);
      }
  if (right >= 0) {
    leaf.Extent.left = static_cast<TCoord>(grid.West + left * grid.CellX);
    leaf.Extent.right = static_cast<TCoord>(grid.West + (right + 1) * grid.CellX);
    leaf.Extent.top = static_cast<TCoord>(grid.North - top * grid.CellY);
    leaf.Extent.bottom = static_cast<TCoord>(grid.North - (bottom + 1) * grid.CellY);
  }
  if (firstError) std::rethrow_exception(firstError);
  leaf.Loaded = true;
}

void TDemSets::Reset(TMapLeafGrp& leaves) const {
  for (int i = 0; i < leaves.Count(); ++i) {
    TMapLeaf* leaf = leaves.Items(i);
    if (!Has(leaf->FileName)) continue;
    if (leaf->Loaded || !leaf->LoadError.empty() || leaf->FigGrpCount() > 0) leaf->Unload();
    leaf->LoadError.clear();
  }
}

}  // namespace chizro
