#include "readers/common/feature_set.h"

#include <proj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "model/map_leaf.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "platform/sorted.h"

namespace chizro {
namespace {

// The box of Japan's territory with a margin [deg]: data in degrees fits in
// it, plane coordinates in metres almost never do (they would have to lie
// within 154 m of a zone's origin).
constexpr double kJapanWest = 122.0;
constexpr double kJapanEast = 154.5;
constexpr double kJapanSouth = 20.0;
constexpr double kJapanNorth = 46.0;

// The least confidence (per cent) of PROJ's identification that is taken.
constexpr int kMinConfidence = 70;

void SilentLog(void* /*data*/, int /*level*/, const char* /*message*/) {}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> SplitComma(std::string_view text) {
  std::vector<std::string> out;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view part = TrimBlanks(text.substr(0, comma));
    if (!part.empty()) out.emplace_back(part);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

// The value of the field named `name` (ASCII letter case aside), or null.
const std::string* FieldValue(const std::vector<std::string>& names,
                              const std::vector<std::string>& values, std::string_view name) {
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
    if (SameAscii(names[i], name)) return &values[i];
  return nullptr;
}

// "{field}" of the template replaced by the field's value (nothing for a
// field the feature does not have); other text as it stands.
std::string FillTemplate(std::string_view tmpl, const std::vector<std::string>& names,
                         const std::vector<std::string>& values) {
  std::string out;
  while (!tmpl.empty()) {
    const std::size_t open = tmpl.find('{');
    const std::size_t close = open == std::string_view::npos ? open : tmpl.find('}', open);
    if (close == std::string_view::npos) {
      out.append(tmpl);
      break;
    }
    out.append(tmpl.substr(0, open));
    if (const std::string* v = FieldValue(names, values, tmpl.substr(open + 1, close - open - 1)))
      out.append(*v);
    tmpl.remove_prefix(close + 1);
  }
  return std::string(TrimBlanks(out));
}

int IdentifyWktWithProj(const std::string& wkt, std::string& foundName);

}  // namespace

std::optional<TFeatureCrs> CrsOfEpsg(int code) {
  if (code == 4612 || code == 6668) return TFeatureCrs{TCoordMode::LatLon, {}, TDatum::Jgd2000};
  if (code >= 2443 && code <= 2461)
    return TFeatureCrs{TCoordMode::Plane, TZone::Stated(code - 2442), TDatum::Jgd2000};
  if (code >= 6669 && code <= 6687)
    return TFeatureCrs{TCoordMode::Plane, TZone::Stated(code - 6668), TDatum::Jgd2000};
  if (code == 4301) return TFeatureCrs{TCoordMode::LatLon, {}, TDatum::Tokyo};
  if (code >= 30161 && code <= 30179)
    return TFeatureCrs{TCoordMode::Plane, TZone::Stated(code - 30160), TDatum::Tokyo};
  if (code == 4326) return TFeatureCrs{TCoordMode::LatLon, {}, TDatum::Wgs84};
  return std::nullopt;
}

int IdentifyWkt(const std::string& wkt, std::string* name) {
  // The files of one download share their .prj: each text is identified
  // once (PROJ's search of its database takes a good part of a second).
  struct TKnown {
    int Code;
    std::string Name;
  };
  static std::mutex mutex;
  static std::map<std::string, TKnown> known;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto it = known.find(wkt); it != known.end()) {
      if (name) *name = it->second.Name;
      return it->second.Code;
    }
  }
  std::string identifiedName;
  const int code = IdentifyWktWithProj(wkt, identifiedName);
  {
    const std::lock_guard<std::mutex> lock(mutex);
    constexpr std::size_t kMaxKnown = 64;
    if (known.size() >= kMaxKnown) known.clear();
    known.emplace(wkt, TKnown{code, identifiedName});
  }
  if (name) *name = identifiedName;
  return code;
}

namespace {

// True when `text` begins, after blanks, as WKT does: a keyword and "[" or
// "(". Anything else is no coordinate system; it is never handed to PROJ,
// whose general entry point would take it for a name to search its
// database for.
bool LooksLikeWkt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  const std::size_t start = i;
  while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z') ||
                             text[i] == '_'))
    ++i;
  return i > start && i < text.size() && (text[i] == '[' || text[i] == '(');
}

// The longest .prj text identified; a coordinate system is a few KB.
constexpr std::size_t kMaxWkt = 64 * 1024;

int IdentifyWktWithProj(const std::string& wkt, std::string& foundName) {
  if (wkt.size() > kMaxWkt || !LooksLikeWkt(wkt)) return 0;
  std::string* name = &foundName;
  PJ_CONTEXT* ctx = proj_context_create();
  if (!ctx) return 0;
  SetProjSearchPath(ctx);
  proj_log_level(ctx, PJ_LOG_NONE);
  proj_log_func(ctx, nullptr, &SilentLog);
  int found = 0;
  if (PJ* crs = proj_create_from_wkt(ctx, wkt.c_str(), nullptr, nullptr, nullptr)) {
    PJ* base = crs;
    if (proj_get_type(crs) == PJ_TYPE_BOUND_CRS) base = proj_get_source_crs(ctx, crs);
    if (base) {
      if (name)
        if (const char* n = proj_get_name(base)) *name = n;
      int* confidence = nullptr;
      if (PJ_OBJ_LIST* list = proj_identify(ctx, base, "EPSG", nullptr, &confidence)) {
        // The candidates come best first; the first of the systems placed
        // here is taken, else the first code at all (not placed: a notice).
        int other = 0;
        const int count = proj_list_get_count(list);
        for (int i = 0; i < count && found == 0; ++i) {
          if (confidence[i] < kMinConfidence) continue;
          PJ* candidate = proj_list_get(ctx, list, i);
          const char* code = candidate ? proj_get_id_code(candidate, 0) : nullptr;
          const int number = code ? std::atoi(code) : 0;
          proj_destroy(candidate);
          if (number <= 0) continue;
          if (CrsOfEpsg(number))
            found = number;
          else if (other == 0)
            other = number;
        }
        if (found == 0) found = other;
        proj_list_destroy(list);
      }
      proj_int_list_destroy(confidence);
      if (base != crs) proj_destroy(base);
    }
    proj_destroy(crs);
  }
  proj_context_destroy(ctx);
  return found;
}

}  // namespace

TFeatureCrs AssumedCrs(const TExtentBuilder& extent, const std::string& why, std::string& notice) {
  const bool degrees = !extent.Empty && extent.Rect.left >= kJapanWest &&
                       extent.Rect.right <= kJapanEast && extent.Rect.bottom >= kJapanSouth &&
                       extent.Rect.top <= kJapanNorth;
  if (degrees) {
    notice = why + "。座標が日本の経緯度の範囲にあるため、JGD2011 の緯度経度として読みました。";
    return TFeatureCrs{TCoordMode::LatLon, {}, TDatum::Jgd2000};
  }
  notice = why + "。座標を平面直角座標とみなし、プロジェクトの系に置きました。位置を確かめてください。";
  return TFeatureCrs{TCoordMode::Plane, {}, TDatum::Jgd2000};
}

void SetLeafCrs(TMapLeaf& leaf, const TFeatureCrs& crs) {
  leaf.CoordMode = crs.Mode;
  leaf.Zone = crs.Zone;
  leaf.Datum = crs.Datum;
}

TFeatureRules TFeatureRules::Load(const std::string& defFile) {
  TFeatureRules rules;
  const TIniFile ini(defFile);
  for (const std::string& section : ini.ReadSections()) {
    if (section.starts_with("C_")) {
      rules.Classes.push_back(SjisToUtf8(std::string_view(section).substr(2)));
      continue;
    }
    if (!section.starts_with("D_")) continue;
    TDatasetRule rule;
    rule.Name = SjisToUtf8(std::string_view(section).substr(2));
    rule.Fields = SplitComma(SjisToUtf8(ini.ReadString(section, "Fields", "")));
    rule.Class = SjisToUtf8(ini.ReadString(section, "Class", ""));
    rule.ClassField = SjisToUtf8(ini.ReadString(section, "ClassField", ""));
    rule.Label = SjisToUtf8(ini.ReadString(section, "Label", ""));
    if (rule.Fields.empty() || rule.Class.empty()) continue;
    rules.Rules.push_back(std::move(rule));
  }
  return rules;
}

TFeatureRules TFeatureRules::ForProgram(const std::string& programFolder) {
  return Load(ProgramPath(programFolder, "\\def\\Shape.ini"));
}

const TDatasetRule* TFeatureRules::Match(const std::vector<std::string>& fields) const {
  for (const TDatasetRule& rule : Rules) {
    const bool all = std::all_of(rule.Fields.begin(), rule.Fields.end(), [&](const std::string& f) {
      return std::any_of(fields.begin(), fields.end(),
                         [&](const std::string& g) { return SameAscii(f, g); });
    });
    if (all) return &rule;
  }
  return nullptr;
}

bool TFeatureRules::HasClass(std::string_view code) const {
  return std::any_of(Classes.begin(), Classes.end(),
                     [&](const std::string& c) { return SameAscii(c, code); });
}

TFeatureSet::TFeatureSet(const TFeatureRules& rules, bool build) : rules_(rules), build_(build) {}

void TFeatureSet::BeginFeature(long long number, const std::vector<std::string>& names,
                               const std::vector<std::string>& values) {
  number_ = number;
  names_ = &names;
  values_ = &values;
  exterior_ = nullptr;
  if (!build_) return;
  if (!matched_ || names != matchedNames_) {
    matchedNames_ = names;
    rule_ = rules_.Match(names);
    matched_ = true;
  }
  if (rule_) {
    std::string code = rule_->Class;
    if (!rule_->ClassField.empty())
      if (const std::string* v = FieldValue(names, values, rule_->ClassField)) {
        const std::string specific = code + "_" + std::string(TrimBlanks(*v));
        if (rules_.HasClass(specific)) code = specific;
      }
    ruleClass_ = Utf8ToSjis(code);
    label_ = Utf8ToSjis(FillTemplate(rule_->Label, names, values));
  } else {
    ruleClass_.clear();
    label_.clear();
    for (const char* key : {"名称", "name"})
      if (const std::string* v = FieldValue(names, values, key)) {
        label_ = Utf8ToSjis(TrimBlanks(*v));
        break;
      }
  }
}

std::string TFeatureSet::ClassOf(TGeomKind kind) const {
  if (!ruleClass_.empty()) return ruleClass_;
  switch (kind) {
    case TGeomKind::Polygon:
      return Utf8ToSjis("面");
    case TGeomKind::Line:
      return Utf8ToSjis("線");
    case TGeomKind::Point:
      break;
  }
  return Utf8ToSjis("点");
}

void TFeatureSet::Decorate(TFigure& fig, TGeomKind kind) {
  fig.ClassCode = ClassOf(kind);
  fig.Name = ZeroPadded(static_cast<int>(std::min<long long>(number_, 2147483647)), 10);
  if (!label_.empty()) fig.Texts = {label_};
  if (names_ && values_) {
    for (std::size_t i = 0; i < names_->size() && i < values_->size(); ++i)
      fig.Props.Add(Utf8ToSjis((*names_)[i]), Utf8ToSjis((*values_)[i]));
    if (!names_->empty()) fig.Props.Sort();
  }
  ++figures_;
}

void TFeatureSet::AddPoint(TFPoint p) {
  Extent.Add(p);
  if (!build_) {
    ++figures_;
    return;
  }
  TFigPoint* fig = points_->New();
  Decorate(*fig, TGeomKind::Point);
  fig->AddPoint(p);
  fig->LabelX = p.x;
  fig->LabelY = p.y;
}

bool TFeatureSet::Takes(const TFPointGrp& points) {
  for (const TFPoint& p : points) Extent.Add(p);
  if (points.size() < 2) {
    ++Skipped;
    return false;
  }
  if (!build_) {
    ++figures_;
    return false;
  }
  return true;
}

void TFeatureSet::AddLine(TFPointGrp points) {
  if (!Takes(points)) return;
  TFigPolyline* fig = lines_->New();
  Decorate(*fig, TGeomKind::Line);
  const TFPoint mid = points[points.size() / 2];
  fig->LabelX = mid.x;
  fig->LabelY = mid.y;
  fig->Points = std::move(points);
}

void TFeatureSet::AddRing(TFPointGrp points, bool exterior) {
  if (!Takes(points)) return;
  TFigPolygon* fig = polygons_->New();
  if (exterior || !exterior_) {
    Decorate(*fig, TGeomKind::Polygon);
    TExtentBuilder box;
    for (const TFPoint& p : points) box.Add(p);
    const TFPoint mid = box.Middle();
    fig->LabelX = mid.x;
    fig->LabelY = mid.y;
    exterior_ = fig;
  } else {
    // A hole: the class of its polygon, no texts, so that it is not
    // labelled twice.
    fig->ClassCode = exterior_->ClassCode;
    fig->Name = exterior_->Name;
    fig->LabelX = exterior_->LabelX;
    fig->LabelY = exterior_->LabelY;
    ++figures_;
  }
  fig->Points = std::move(points);
}

void TFeatureSet::AttachTo(TMapLeaf& leaf) {
  if (!Extent.Empty) leaf.Extent = Extent.Rect;
  leaf.AddFigGrp(std::move(polygons_))->UpdateExtents();
  leaf.AddFigGrp(std::move(lines_))->UpdateExtents();
  leaf.AddFigGrp(std::move(points_))->UpdateExtents();
  polygons_ = std::make_unique<TFigPolygonGrp>();
  lines_ = std::make_unique<TFigPolylineGrp>();
  points_ = std::make_unique<TFigPointGrp>();
  if (figures_ == 0)
    leaf.NoFigureReason =
        "図形がありません (空の図形 " + std::to_string(Skipped) + " 件)";
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF)
      n = 1;
    else if (c >= 0xE0 && c <= 0xEF)
      n = 2;
    else if (c >= 0xF0 && c <= 0xF4)
      n = 3;
    else
      return false;
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

std::string Utf8OfUnknown(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : SjisToUtf8(bytes);
}

}  // namespace chizro
