#include "readers/plateau/plateau_builder.h"

#include <xercesc/sax2/Attributes.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "coords/datum.h"
#include "model/class_def.h"
#include "model/label_point.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/file_scan.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_text.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

constexpr std::u16string_view kGmlPrefix = u"http://www.opengis.net/gml";

// Longest number token of a coordinate list, and longest property text kept.
constexpr std::size_t kMaxNumberLength = 64;
constexpr std::size_t kMaxTextLength = 4096;

// The values PLATEAU writes for "not known" (measured height, storeys).
constexpr double kNoValue = 9999;

std::string SjisOf(std::string_view utf8) { return Utf8ToSjis(std::string(utf8)); }

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// The coordinate systems of the models: latitude and longitude of JGD2011
// with or without the height.
struct TSrs {
  int Epsg = 0;
  unsigned Dimension = 2;
  friend bool operator==(const TSrs&, const TSrs&) = default;
};

// "http://www.opengis.net/def/crs/EPSG/0/6697", "EPSG:6697",
// "urn:ogc:def:crs:EPSG::6697" and the like: the number at the end.
std::optional<TSrs> ParseSrsName(std::string_view name) {
  name = TrimBlanks(name);
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  const std::string_view number = name.substr(digits);
  if (number == "6697") return TSrs{6697, 3};
  if (number == "6668") return TSrs{6668, 2};
  return std::nullopt;
}

// A number of a property text; nothing when it is not one.
std::optional<double> NumberOf(std::string_view text) {
  text = TrimBlanks(text);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || ptr != text.data() + text.size() || text.empty() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

// A value that stands for itself, not for "unknown".
bool Known(double value) { return value > -kNoValue && value < kNoValue; }

// "12.3m 4F": the measured height to the decimetre and the storeys above
// ground, each left out when absent or unknown.
std::string BuildingLabel(const std::string& height, const std::string& storeys) {
  std::string label;
  char buffer[64];
  if (const auto h = NumberOf(height); h && Known(*h) && *h >= 0) {
    std::snprintf(buffer, sizeof buffer, "%.1fm", *h);
    label = buffer;
  }
  if (const auto s = NumberOf(storeys); s && Known(*s) && *s >= 0 && *s == std::floor(*s)) {
    std::snprintf(buffer, sizeof buffer, "%.0fF", *s);
    if (!label.empty()) label += ' ';
    label += buffer;
  }
  return label;
}

// A rate as a percentage: cities write 0.6 or 60, 2 or 200. No rate is
// 20 % or less as a percentage (the lowest coverage is 30 %, the lowest floor
// area rate 50 %), and none is 20 or more as a ratio (the highest is 13).
std::string Percentage(const std::string& text) {
  const auto v = NumberOf(text);
  if (!v || !Known(*v) || *v < 0) return "-";
  const double pct = *v < 20 ? *v * 100 : *v;
  const double tenths = std::round(pct * 10) / 10;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, tenths == std::floor(tenths) ? "%.0f" : "%.1f", tenths);
  return buffer;
}

// "第一種住居地域 60/200": the name and the two rates (either may be "-").
std::string ZoneLabel(const std::string& name, const std::string& coverage,
                      const std::string& floorArea) {
  std::string label = name;
  if (!TrimBlanks(coverage).empty() || !TrimBlanks(floorArea).empty()) {
    if (!label.empty()) label += ' ';
    label += Percentage(coverage) + "/" + Percentage(floorArea);
  }
  return label;
}

// The kind of an urf zone by its element, the class when its function has
// no class of its own.
std::string ZoneKind(std::u16string_view element) {
  static const std::pair<std::u16string_view, const char*> kKinds[] = {
      {u"UseDistrict", "用途地域"},
      {u"HeightControlDistrict", "高度地区"},
      {u"FirePreventionDistrict", "防火地域"},
      {u"SpecialUseDistrict", "特別用途地区"},
      {u"HighLevelUseDistrict", "高度利用地区"},
      {u"ScenicDistrict", "景観地区"},
      {u"DistrictPlan", "地区計画"},
      {u"AreaClassification", "区域区分"},
      {u"UrbanPlanningArea", "都市計画区域"},
  };
  for (const auto& [name, kind] : kKinds)
    if (name == element) return kind;
  return "都市計画";
}

// The label point of rings in latitude and longitude. A convex footprint
// without holes (most buildings) is labelled at its centroid; any other at
// the pole of inaccessibility, which LabelPoint finds in metres, so the rings
// are taken to a local plane around their first point (metres along the
// parallel and the meridian) and the point brought back.
TFPoint LabelPointOf(const std::vector<TFPointGrp>& rings) {
  if (rings.empty() || rings.front().empty()) return {};
  constexpr double kMetresPerDegree = 111320;
  const TFPoint origin = rings.front().front();
  const double east = kMetresPerDegree * std::cos(origin.y * 3.14159265358979323846 / 180);
  std::vector<TFPointGrp> local = rings;
  for (TFPointGrp& ring : local)
    for (TFPoint& p : ring) p = {(p.x - origin.x) * east, (p.y - origin.y) * kMetresPerDegree};
  const std::optional<TFPoint> centroid =
      local.size() == 1 ? ConvexCentroid(local.front()) : std::nullopt;
  const TFPoint at = centroid ? *centroid : LabelPoint(local);
  return {origin.x + at.x / east, origin.y + at.y / kMetresPerDegree};
}

// The area of a ring, unsigned, in the square of its units.
double RingArea(const TFPointGrp& ring) {
  double twice = 0;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    twice += ring[j].x * ring[i].y - ring[i].x * ring[j].y;
  return std::fabs(twice) / 2;
}

// A polygon as read: its rings, exterior first, and for a solid's face the
// lowest and highest height of its exterior.
struct TPoly {
  std::vector<TFPointGrp> Rings;
  double LowZ = 0;
  double HighZ = 0;
};

// A city object being read: a building, a building part or a zone.
enum class TObject { Building, Part, Zone };
// Where the geometry being read goes.
enum class TGeom { None, FootPrint, RoofEdge, Solid, Zone };

struct TFrame {
  TObject Kind = TObject::Building;
  int Depth = 0;
  std::u16string Element;
  std::string Id;
  std::string Name, Usage, UsageSpace, Height, Storeys;
  std::string Function, FunctionSpace, Coverage, FloorArea;
  std::vector<TPoly> FootPrint, RoofEdge, Solid, Zone;
  std::u16string ZoneLod;  // the lodN MultiSurface the zone's polygons come from
};

// The properties whose text is kept.
enum class TProp { None, Name, Usage, Height, Storeys, Function, Coverage, FloorArea };

}  // namespace

// The names of codes for one file: from its download's code lists, then from
// the shipped table.
class TPlateauCodeNames {
public:
  TPlateauCodeNames(TPlateauCodes& codes, std::string leafFileName, std::string programFolder)
      : codes_(codes),
        leafFileName_(std::move(leafFileName)),
        programFolder_(std::move(programFolder)) {}

  // The name (UTF-8) of `code` in the list `codeSpace`, or empty.
  std::string Name(const std::string& codeSpace, const std::string& code) {
    const std::string_view key = TrimBlanks(code);
    if (key.empty()) return {};
    const std::string listName = BaseName(std::string(TrimBlanks(codeSpace)));
    if (listName.empty()) return {};
    for (const auto& table :
         {codes_.List(ListPath(codeSpace, listName)), codes_.Shipped(programFolder_, listName)}) {
      if (!table) continue;
      const auto it = table->find(std::string(key));
      if (it != table->end()) return it->second;
    }
    return {};
  }

private:
  // Where the code list lies: in the "codelists" folder beside the "udx"
  // folder above the file; for a file outside such a tree, where a codeSpace
  // made of "../" steps and "codelists/<name>" points from the file's folder.
  std::string ListPath(const std::string& codeSpace, const std::string& listName) const {
    // Only plain names: the list is looked up, never a path the file spells.
    for (const char c : listName)
      if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
        return {};
    if (!EndsWithNoCase(listName, ".xml")) return {};
    TLeafPath path = TLeafPath::Parse(leafFileName_);
    std::string& inner = path.Members.empty() ? path.File : path.Members.back();
    std::string folder = inner;
    for (char& c : folder)
      if (c == '\\') c = '/';
    // The "udx" folder: the last path step of that name.
    std::size_t udx = std::string::npos;
    for (std::size_t at = folder.find("udx/"); at != std::string::npos;
         at = folder.find("udx/", at + 1))
      if (at == 0 || folder[at - 1] == '/') udx = at;
    if (udx != std::string::npos) {
      inner = inner.substr(0, udx) + "codelists/" + listName;
      return path.Text();
    }
    std::string_view steps = TrimBlanks(codeSpace);
    std::size_t up = 0;
    while (steps.starts_with("../")) {
      steps.remove_prefix(3);
      ++up;
    }
    if (steps != "codelists/" + listName) return {};
    std::size_t cut = folder.rfind('/');
    for (std::size_t i = 0; i < up && cut != std::string::npos && cut > 0; ++i)
      cut = folder.rfind('/', cut - 1);
    if (cut == std::string::npos) return {};
    inner = inner.substr(0, cut + 1) + "codelists/" + listName;
    return path.Text();
  }

  TPlateauCodes& codes_;
  std::string leafFileName_;
  std::string programFolder_;
};

namespace {

// The SAX2 handler of a code list (gml:Dictionary): each gml:Definition's
// gml:name is the code, its gml:description the name.
class TCodeListHandler final : public TSaxHandlerBase {
public:
  TPlateauCodes::TTable Table;

  void startElement(const XMLCh* const /*uri*/, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& /*attrs*/) override {
    const std::u16string_view name = View(localname);
    if (name == u"Definition") {
      code_.clear();
      description_.clear();
      inDefinition_ = true;
    } else if (inDefinition_ && (name == u"name" || name == u"description")) {
      text_ = name == u"name" ? &code_ : &description_;
      text_->clear();
    }
  }
  void endElement(const XMLCh* const /*uri*/, const XMLCh* const localname,
                  const XMLCh* const /*qname*/) override {
    const std::u16string_view name = View(localname);
    if (name == u"Definition" && inDefinition_) {
      const std::string code(TrimBlanks(Utf8Of(code_)));
      if (!code.empty() && Table.size() < 100000)
        Table.emplace(code, std::string(TrimBlanks(Utf8Of(description_))));
      inDefinition_ = false;
    }
    text_ = nullptr;
  }
  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (text_ && text_->size() < kMaxTextLength)
      text_->append(chars, std::min<std::size_t>(length, kMaxTextLength - text_->size()));
  }
  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TXmlStop{detail, place};
  }

private:
  bool inDefinition_ = false;
  std::u16string code_, description_;
  std::u16string* text_ = nullptr;
};

// The handler of a city model: builds polygons (or, when scanning, reads
// the root's envelope and stops) as the elements stream past.
class TPlateauHandler final : public TSaxHandlerBase {
public:
  TPlateauHandler(std::string fileName, bool build, TPlateauCodeNames& names,
                  const std::set<std::string>& classes)
      : polygons_(std::make_unique<TFigPolygonGrp>()),
        fileName_(std::move(fileName)),
        build_(build),
        names_(names),
        classes_(classes) {}

  std::optional<TSrs> Srs;
  TExtentBuilder Figures;
  TExtentBuilder Bounds;  // the root's gml:boundedBy
  std::unique_ptr<TFigPolygonGrp> polygons_;

  TErrorPlace Where() const override {
    if (!frames_.empty()) {
      const TFrame& f = frames_.back();
      const std::string element = Prefix(f.Kind) + Utf8Of(f.Element);
      if (!f.Id.empty()) return TErrorPlace::Element(element + " gml:id=\"" + f.Id + "\"");
      return TErrorPlace::Line(Line(), element);
    }
    return TErrorPlace::Line(Line());
  }

  void startElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& attrs) override {
    MarkLine();
    ++depth_;
    const std::u16string_view name = View(localname);
    const std::u16string_view ns = View(uri);
    if (depth_ == 1) {
      if (name != u"CityModel" || !Contains(ns, u"citygml")) {
        std::string found = "ルート要素 '" + Utf8Of(name) + "'";
        found += ns.empty() ? " (名前空間なし)" : " (名前空間 '" + Utf8Of(ns) + "')";
        throw TXmlStop{"3D都市モデル (CityGML) ではありません: " + found, TErrorPlace::Line(Line()),
                       true};
      }
      return;
    }
    const bool gml = ns.starts_with(kGmlPrefix);
    if (depth_ == 2 && gml && name == u"boundedBy") {
      inRootBounds_ = true;
      return;
    }
    if (gml) {
      if (const XMLCh* srs = attrs.getValue(u"srsName")) TakeSrs(Utf8Of(View(srs)));
      StartGml(name, attrs);
      return;
    }
    // City objects: a building (and its parts), an urf zone.
    const bool bldg = Contains(ns, u"citygml/building");
    const bool urf = !bldg && Contains(ns, u"/urf/");
    if (bldg && (name == u"Building" || name == u"BuildingPart")) {
      StartFrame(name == u"Building" ? TObject::Building : TObject::Part, name, attrs);
      return;
    }
    if (urf && frames_.empty() && depth_ == 3) {
      StartFrame(TObject::Zone, name, attrs);
      return;
    }
    if (frames_.empty() || depth_ != frames_.back().Depth + 1) return;
    // A property of the object being read.
    TFrame& f = frames_.back();
    if (f.Kind == TObject::Zone) {
      if (!urf) return;
      if (name == u"function") {
        prop_ = TProp::Function;
        f.FunctionSpace = AttrText(attrs, u"codeSpace");
      } else if (name == u"buildingCoverageRate") {
        prop_ = TProp::Coverage;
      } else if (name == u"floorAreaRate") {
        prop_ = TProp::FloorArea;
      } else if (name.starts_with(u"lod") && name.ends_with(u"MultiSurface") &&
                 (f.ZoneLod.empty() || f.ZoneLod == name)) {
        f.ZoneLod = name;
        StartGeometry(TGeom::Zone);
      }
    } else if (bldg) {
      if (name == u"usage") {
        prop_ = TProp::Usage;
        f.UsageSpace = AttrText(attrs, u"codeSpace");
      } else if (name == u"measuredHeight") {
        prop_ = TProp::Height;
      } else if (name == u"storeysAboveGround") {
        prop_ = TProp::Storeys;
      } else if (name == u"lod0FootPrint") {
        StartGeometry(TGeom::FootPrint);
      } else if (name == u"lod0RoofEdge") {
        StartGeometry(TGeom::RoofEdge);
      } else if (name == u"lod1Solid" && f.FootPrint.empty() && f.RoofEdge.empty()) {
        // The solid is read only for a building without a footprint (the
        // footprint comes first in the schema's order): its numbers are most
        // of a LOD1 model's bytes.
        StartGeometry(TGeom::Solid);
      }
    }
    if (prop_ != TProp::None) text_.clear();
  }

  void endElement(const XMLCh* const uri, const XMLCh* const localname,
                  const XMLCh* const /*qname*/) override {
    MarkLine();
    const int depth = depth_--;
    const std::u16string_view name = View(localname);
    if (depth == 2 && inRootBounds_) {
      inRootBounds_ = false;
      // A scan has what it needs from the root's envelope: the system and
      // the extent, which the figures lie within.
      if (!build_ && Srs && !Bounds.Empty) throw TXmlStop{};
      return;
    }
    if (!frames_.empty()) {
      TFrame& f = frames_.back();
      if (depth == f.Depth) {
        EndFrame();
        return;
      }
      if (depth == f.Depth + 1) {
        if (prop_ != TProp::None) EndProp(f);
        prop_ = TProp::None;
        if (geom_ != TGeom::None) geom_ = TGeom::None;
        return;
      }
    }
    if (!View(uri).starts_with(kGmlPrefix)) return;
    if (inNumbers_ &&
        (name == u"posList" || name == u"pos" || name == u"lowerCorner" || name == u"upperCorner"))
      EndNumbers(name);
    else if (geom_ != TGeom::None && name == u"LinearRing")
      EndRing();
    else if (geom_ != TGeom::None && name == u"Polygon")
      EndPolygon();
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (inNumbers_) {
      for (XMLSize_t i = 0; i < length; ++i) {
        const XMLCh c = chars[i];
        if (c == u' ' || c == u'\n' || c == u'\r' || c == u'\t') {
          if (!token_.empty()) FlushToken();
        } else {
          if (token_.size() >= kMaxNumberLength || c >= 0x80) {
            token_.push_back('?');
            FlushToken();
          }
          token_.push_back(static_cast<char>(c));
        }
      }
      return;
    }
    if (prop_ != TProp::None && text_.size() < kMaxTextLength)
      text_.append(chars, std::min<std::size_t>(length, kMaxTextLength - text_.size()));
  }

  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TXmlStop{detail, place};
  }
  [[noreturn]] void Fail(const std::string& what) const { throw TXmlStop{what, Where()}; }

private:
  static std::string Prefix(TObject kind) { return kind == TObject::Zone ? "urf:" : "bldg:"; }

  static std::string AttrText(const xc::Attributes& attrs, std::u16string_view name) {
    const XMLCh* value = attrs.getValue(name.data());
    return value ? Utf8Of(View(value)) : std::string();
  }

  void TakeSrs(const std::string& name) {
    const std::optional<TSrs> srs = ParseSrsName(name);
    if (!srs) Fail("srsName '" + name.substr(0, 200) + "' は読めません (EPSG:6697 または 6668)");
    if (Srs && !(*Srs == *srs)) Fail("srsName が途中で変わります: '" + name.substr(0, 200) + "'");
    Srs = srs;
  }

  void StartFrame(TObject kind, std::u16string_view name, const xc::Attributes& attrs) {
    TFrame f;
    f.Kind = kind;
    f.Depth = depth_;
    f.Element = name;
    f.Id = AttrText(attrs, u"gml:id").substr(0, 200);
    frames_.push_back(std::move(f));
    geom_ = TGeom::None;
    prop_ = TProp::None;
  }

  void StartGeometry(TGeom geom) { geom_ = geom; }

  void StartGml(std::u16string_view name, const xc::Attributes& attrs) {
    if (name == u"name" && !frames_.empty() && depth_ == frames_.back().Depth + 1) {
      prop_ = TProp::Name;
      text_.clear();
      return;
    }
    const bool corner = inRootBounds_ && (name == u"lowerCorner" || name == u"upperCorner");
    if (inRootBounds_ && name == u"Envelope") {
      // The envelope's srsDimension is that of its corners.
      envelopeDimension_ = DimensionOf(attrs);
      return;
    }
    if (geom_ == TGeom::None && !corner) return;
    if (name == u"Polygon") {
      poly_.Rings.clear();
    } else if (name == u"exterior") {
      exterior_ = true;
    } else if (name == u"interior") {
      exterior_ = false;
    } else if (name == u"LinearRing") {
      ring_.clear();
      ringZ_.clear();
    } else if (name == u"posList" || name == u"pos" || corner) {
      inNumbers_ = true;
      numbers_.clear();
      token_.clear();
      dimension_ = DimensionOf(attrs);
      if (corner && !dimension_) dimension_ = envelopeDimension_;
    }
  }

  // The srsDimension an element gives (2 or 3), or 0 for none.
  unsigned DimensionOf(const xc::Attributes& attrs) const {
    const XMLCh* dim = attrs.getValue(u"srsDimension");
    if (!dim) return 0;
    const std::string text = Utf8Of(View(dim));
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || ptr != text.data() + text.size() || value < 2 || value > 3)
      Fail("srsDimension '" + text.substr(0, 20) + "' は読めません");
    return value;
  }

  void FlushToken() {
    double value = 0;
    const char* first = token_.data();
    const char* last = first + token_.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || ptr != last || first == last || !std::isfinite(value))
      Fail("座標 '" + token_.substr(0, 20) + "' は数値ではありません");
    numbers_.push_back(value);
    token_.clear();
  }

  void EndNumbers(std::u16string_view element) {
    inNumbers_ = false;
    if (!token_.empty()) FlushToken();
    if (!Srs) Fail("srsName のない座標があります");
    const bool corner = element == u"lowerCorner" || element == u"upperCorner";
    // A corner of the envelope has the system's dimension; a position list
    // its own srsDimension or the system's.
    const unsigned dim = dimension_ ? dimension_ : Srs->Dimension;
    if (numbers_.empty()) Fail("gml:" + Utf8Of(element) + " に座標がありません");
    if (numbers_.size() % dim != 0 || ((corner || element == u"pos") && numbers_.size() != dim))
      Fail("gml:" + Utf8Of(element) + " の座標の数 " + std::to_string(numbers_.size()) + " が " +
           std::to_string(dim) + " 次元の座標に合いません");
    for (std::size_t i = 0; i + dim <= numbers_.size(); i += dim) {
      // "latitude longitude [height]"; the model holds (longitude, latitude).
      const TFPoint p{numbers_[i + 1], numbers_[i]};
      if (std::fabs(p.x) > 360 || std::fabs(p.y) > 90) Fail("緯度経度が範囲を超えています");
      if (corner) {
        Bounds.Add(p);
        continue;
      }
      Figures.Add(p);
      ring_.push_back(p);
      ringZ_.push_back(dim == 3 ? numbers_[i + 2] : 0.0);
    }
  }

  void EndRing() {
    if (ring_.size() < 3) Fail("リングの頂点が足りません");
    if (exterior_ && !poly_.Rings.empty()) Fail("面に外周が二つあります");
    if (!exterior_ && poly_.Rings.empty()) Fail("外周より先に内周があります");
    if (exterior_) {
      const auto [low, high] = std::minmax_element(ringZ_.begin(), ringZ_.end());
      poly_.LowZ = *low;
      poly_.HighZ = *high;
    }
    poly_.Rings.push_back(std::move(ring_));
    ring_ = TFPointGrp();
  }

  void EndPolygon() {
    if (poly_.Rings.empty()) return;
    TFrame& f = frames_.back();
    std::vector<TPoly>& into = geom_ == TGeom::FootPrint  ? f.FootPrint
                               : geom_ == TGeom::RoofEdge ? f.RoofEdge
                               : geom_ == TGeom::Solid    ? f.Solid
                                                          : f.Zone;
    into.push_back(std::move(poly_));
    poly_ = TPoly();
  }

  void EndProp(TFrame& f) {
    std::string value(TrimBlanks(Utf8Of(text_)));
    switch (prop_) {
      case TProp::Name:
        f.Name = std::move(value);
        break;
      case TProp::Usage:
        f.Usage = std::move(value);
        break;
      case TProp::Height:
        f.Height = std::move(value);
        break;
      case TProp::Storeys:
        f.Storeys = std::move(value);
        break;
      case TProp::Function:
        f.Function = std::move(value);
        break;
      case TProp::Coverage:
        f.Coverage = std::move(value);
        break;
      case TProp::FloorArea:
        f.FloorArea = std::move(value);
        break;
      case TProp::None:
        break;
    }
    text_.clear();
  }

  // The ground face of a solid: the horizontal faces (flat to a
  // centimetre) at the lowest height, those within a centimetre of it.
  static std::vector<TPoly> GroundFaces(std::vector<TPoly>& solid) {
    constexpr double kFlat = 0.01;
    double lowest = 0;
    bool any = false;
    for (const TPoly& p : solid)
      if (p.HighZ - p.LowZ <= kFlat && (!any || p.LowZ < lowest)) {
        lowest = p.LowZ;
        any = true;
      }
    std::vector<TPoly> ground;
    for (TPoly& p : solid)
      if (any && p.HighZ - p.LowZ <= kFlat && p.LowZ - lowest <= kFlat)
        ground.push_back(std::move(p));
    return ground;
  }

  // The class of a name: the name itself when the definition file has a
  // class of it, else `fallback`.
  std::string ClassOf(const std::string& nameSjis, const std::string& fallback) const {
    return !nameSjis.empty() && classes_.count(nameSjis) ? nameSjis : fallback;
  }

  void EndFrame() {
    TFrame f = std::move(frames_.back());
    frames_.pop_back();
    geom_ = TGeom::None;
    prop_ = TProp::None;
    if (f.Kind == TObject::Part && f.Usage.empty() && !frames_.empty()) {
      f.Usage = frames_.back().Usage;
      f.UsageSpace = frames_.back().UsageSpace;
    }
    std::vector<TPoly> polys;
    std::string code;
    std::vector<std::string> texts;
    if (f.Kind == TObject::Zone) {
      polys = std::move(f.Zone);
      const std::string function = SjisOf(names_.Name(f.FunctionSpace, f.Function));
      code = ClassOf(function, SjisOf(ZoneKind(f.Element)));
      const std::string name = !function.empty() ? function : SjisOf(f.Name);
      texts = {ZoneLabel(name, SjisOf(f.Coverage), SjisOf(f.FloorArea)), SjisOf(f.Name)};
    } else {
      polys = !f.FootPrint.empty()  ? std::move(f.FootPrint)
              : !f.RoofEdge.empty() ? std::move(f.RoofEdge)
                                    : GroundFaces(f.Solid);
      const std::string usage = SjisOf(names_.Name(f.UsageSpace, f.Usage));
      code = ClassOf(usage, SjisOf("建物"));
      texts = {BuildingLabel(f.Height, f.Storeys), SjisOf(f.Name), usage};
    }
    if (!build_) return;
    // A building drawn as several polygons is labelled once, on the largest;
    // each piece of a zone is an area of its own and is labelled.
    std::size_t labelled = polys.size();
    if (f.Kind != TObject::Zone) {
      double largest = -1;
      for (std::size_t i = 0; i < polys.size(); ++i)
        if (const double area = RingArea(polys[i].Rings.front()); area > largest) {
          largest = area;
          labelled = i;
        }
    }
    for (std::size_t i = 0; i < polys.size(); ++i) {
      TPoly& poly = polys[i];
      const bool texts0 = labelled == polys.size() || labelled == i;
      const TFPoint at = LabelPointOf(poly.Rings);
      for (std::size_t r = 0; r < poly.Rings.size(); ++r) {
        auto fig = std::make_unique<TFigPolygon>();
        fig->ClassCode = code;
        fig->Points = std::move(poly.Rings[r]);
        if (r == 0) {
          fig->LabelX = at.x;
          fig->LabelY = at.y;
          // A figure without a label has no texts, so that none is written.
          if (texts0 && (!texts[0].empty() || !texts[1].empty())) fig->Texts = texts;
        } else {
          fig->LabelX = fig->Points.front().x;
          fig->LabelY = fig->Points.front().y;
        }
        fig->UpdateExtent();
        polygons_->Add(std::move(fig));
      }
    }
  }

  std::string fileName_;
  bool build_;
  TPlateauCodeNames& names_;
  const std::set<std::string>& classes_;
  int depth_ = 0;
  bool inRootBounds_ = false;
  std::vector<TFrame> frames_;
  TGeom geom_ = TGeom::None;
  TProp prop_ = TProp::None;
  std::u16string text_;
  bool exterior_ = true;
  bool inNumbers_ = false;
  unsigned dimension_ = 0;
  unsigned envelopeDimension_ = 0;
  std::string token_;
  std::vector<double> numbers_;
  TPoly poly_;
  TFPointGrp ring_;
  std::vector<double> ringZ_;
};

void SetLeafSystem(TMapLeaf& leaf) {
  leaf.CoordMode = TCoordMode::LatLon;
  leaf.Zone = TZone::OfStored(0);
  // JGD2011 is held as the JGD2000 frame, as the other readers do.
  leaf.Datum = TDatum::Jgd2000;
}

// The class codes of the definition file, which a code's name may become.
const std::set<std::string>& DefinedClasses(const std::string& programFolder) {
  static std::mutex mutex;
  static std::map<std::string, std::set<std::string>> byFolder;
  const std::lock_guard<std::mutex> lock(mutex);
  auto [it, added] = byFolder.try_emplace(programFolder);
  if (added) {
    TClassDefGrp defs;
    try {
      if (defs.LoadFromFile(ProgramPath(programFolder, "\\def\\Plateau.ini"), nullptr,
                            programFolder))
        for (int i = 0; i < defs.Count(); ++i) it->second.insert(defs.Items(i)->Name);
    } catch (const EChizroError&) {
      // A broken definition file is reported by the theme; the codes'
      // names then fall back to the general classes.
    }
  }
  return it->second;
}

std::unique_ptr<TMapLeaf> ScanLeaf(TMapLeafGrp& leaves, const std::string& leafFileName,
                                   std::string* foreign, bool build, TPlateauCodes& codes,
                                   const std::string& programFolder) {
  std::unique_ptr<TByteSource> source = OpenSource(leafFileName);
  TPlateauCodeNames names(codes, leafFileName, programFolder);
  TPlateauHandler handler(leafFileName, build, names, DefinedClasses(programFolder));
  const TXmlStop result = ParseToEnd(*source, handler);
  if (result.Foreign) return PassOverForeign(leafFileName, result, foreign);
  TExtentBuilder extent = handler.Bounds;
  extent.Add(handler.Figures);
  if (!handler.Srs || extent.Empty) {
    if (!result.Detail.empty()) throw XmlError(leafFileName, result.Detail, result.Place);
    throw EInOutError(Quoted(leafFileName) + " には座標がありません");
  }
  std::unique_ptr<TMapLeaf> leaf = NewFileLeaf(leaves, leafFileName);
  SetLeafSystem(*leaf);
  leaf->Extent = extent.Rect;
  if (build && result.Detail.empty()) {
    leaf->AddFigGrp(std::move(handler.polygons_))->UpdateExtents();
    FinishBuiltLeaf(*leaf);
  }
  return leaf;
}

TFileScan PlateauScan(TPlateauCodes& codes, const std::string& programFolder) {
  TFileScan scan;
  scan.Endings = {".gml"};
  scan.What = "3D都市モデル (CityGML) ";
  scan.ReadLeaf = [&codes, programFolder](TMapLeafGrp& leaves, const std::string& leafFileName,
                                          std::string* foreign, bool build) {
    return ScanLeaf(leaves, leafFileName, foreign, build, codes, programFolder);
  };
  return scan;
}

}  // namespace

std::shared_ptr<const TPlateauCodes::TTable> TPlateauCodes::List(const std::string& leafPath) {
  if (leafPath.empty()) return nullptr;
  const std::lock_guard<std::mutex> lock(mutex_);
  auto [it, added] = lists_.try_emplace(leafPath);
  if (!added) return it->second;
  auto table = std::make_shared<TTable>();
  try {
    const TLeafPath path = TLeafPath::Parse(leafPath);
    if (path.InArchive() || IsFile(path.File)) {
      std::unique_ptr<TByteSource> source = OpenSource(leafPath);
      TCodeListHandler handler;
      if (ParseToEnd(*source, handler).Detail.empty()) *table = std::move(handler.Table);
    }
  } catch (const EChizroError&) {
    // A list that cannot be opened gives no names; the shipped table is next.
  }
  it->second = std::move(table);
  return it->second;
}

std::shared_ptr<const TPlateauCodes::TTable> TPlateauCodes::Shipped(
    const std::string& programFolder, const std::string& listName) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!shippedRead_) {
    shippedRead_ = true;
    // One code a line: "<list file>\t<code>\t<name>", UTF-8; "#" begins a
    // comment line.
    try {
      const std::string text = ReadWholeFile(ProgramPath(programFolder, "\\def\\PlateauCodes.txt"));
      std::size_t start = 0;
      while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = TrimBlanks(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) continue;
        auto& table = shipped_[std::string(line.substr(0, tab1))];
        if (!table) table = std::make_shared<TTable>();
        table->emplace(std::string(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                       std::string(TrimBlanks(line.substr(tab2 + 1))));
      }
    } catch (const EChizroError&) {
      // Without the table, codes outside a download's code lists have no name.
    }
  }
  const auto it = shipped_.find(listName);
  return it == shipped_.end() ? nullptr : it->second;
}

TMapBuilder_Plateau::TMapBuilder_Plateau() : codes_(std::make_unique<TPlateauCodes>()) {
  EnsureXercesRuntime();
}

TMapBuilder_Plateau::~TMapBuilder_Plateau() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Plateau::OpenFile(TMapLeafGrp& leaves,
                                                        const std::string& fileName) {
  return PlateauScan(*codes_, ProgramFolder()).OpenFile(leaves, fileName);
}

TMapLeafGrp* TMapBuilder_Plateau::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  return PlateauScan(*codes_, ProgramFolder()).OpenFolder(leaves, folderName);
}

void TMapBuilder_Plateau::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                   double /*scale*/) {
  std::unique_ptr<TByteSource> source = OpenSource(leaf.FileName);
  TPlateauCodeNames names(*codes_, leaf.FileName, ProgramFolder());
  TPlateauHandler handler(leaf.FileName, true, names, DefinedClasses(ProgramFolder()));
  const TXmlStop result = ParseToEnd(*source, handler);
  if (handler.Srs) SetLeafSystem(leaf);
  TExtentBuilder extent = handler.Bounds;
  extent.Add(handler.Figures);
  if (!extent.Empty) leaf.Extent = extent.Rect;
  // What was built stays, also when the parse stopped with an error.
  leaf.AddFigGrp(std::move(handler.polygons_))->UpdateExtents();
  if (!result.Detail.empty()) throw XmlError(leaf.FileName, result.Detail, result.Place);
  leaf.Loaded = true;
}

}  // namespace chizro
