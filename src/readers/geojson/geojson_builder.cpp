#include "readers/geojson/geojson_builder.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wclass-memaccess"
#endif
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/feature_set.h"
#include "readers/common/file_scan.h"
#include "readers/common/zip_source.h"

namespace chizro {
namespace {

// The deepest nesting of arrays and objects read (a MultiPolygon inside a
// feature inside a collection is 8 deep).
constexpr std::size_t kMaxDepth = 64;

// The bytes of a leaf for RapidJSON, read in blocks, with the line and the
// column (in bytes, from 1) of the next byte.
class TJsonStream {
public:
  using Ch = char;
  explicit TJsonStream(TByteSource& source) : source_(source) {
    Fill();
    // A byte order mark is no JSON.
    if (end_ - pos_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF')
      pos_ += 3;
  }
  Ch Peek() const { return pos_ < end_ ? buffer_[pos_] : '\0'; }
  Ch Take() {
    if (pos_ >= end_) return '\0';
    const Ch c = buffer_[pos_++];
    ++tell_;
    if (c == '\n') {
      ++Line;
      Column = 1;
    } else {
      ++Column;
    }
    if (pos_ >= end_) Fill();
    return c;
  }
  std::size_t Tell() const { return tell_; }
  // Writing is not used (the reader parses in place never).
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  std::size_t PutEnd(Ch*) { return 0; }

  unsigned long long Line = 1;
  unsigned long long Column = 1;
  const std::string& Error() const { return source_.Error; }

private:
  void Fill() {
    pos_ = 0;
    end_ = source_.Read(buffer_, sizeof buffer_);
  }
  TByteSource& source_;
  char buffer_[1 << 16];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::size_t tell_ = 0;
};

// The words of an error at a column of the line the place names.
std::string AtColumn(unsigned long long column, const std::string& detail) {
  return std::to_string(column) + " 列目: " + detail;
}

// RapidJSON's complaint in the reader's words.
std::string ParseErrorText(rapidjson::ParseErrorCode code) {
  using namespace rapidjson;
  switch (code) {
    case kParseErrorDocumentEmpty:
      return "JSON が空です";
    case kParseErrorDocumentRootNotSingular:
      return "JSON の値のあとに余分な文字があります";
    case kParseErrorValueInvalid:
      return "JSON の値として読めない文字があります";
    case kParseErrorObjectMissName:
      return "オブジェクトのメンバー名がありません";
    case kParseErrorObjectMissColon:
      return "オブジェクトのメンバー名のあとに ':' がありません";
    case kParseErrorObjectMissCommaOrCurlyBracket:
      return "オブジェクトに ',' か '}' がありません";
    case kParseErrorArrayMissCommaOrSquareBracket:
      return "配列に ',' か ']' がありません";
    case kParseErrorStringUnicodeEscapeInvalidHex:
    case kParseErrorStringUnicodeSurrogateInvalid:
    case kParseErrorStringEscapeInvalid:
      return "文字列のエスケープが誤っています";
    case kParseErrorStringMissQuotationMark:
      return "文字列が閉じていません (ファイルが途中で終わっています)";
    case kParseErrorStringInvalidEncoding:
      return "文字列が UTF-8 ではありません";
    case kParseErrorNumberTooBig:
    case kParseErrorNumberMissFraction:
    case kParseErrorNumberMissExponent:
      return "数値が誤っています";
    default:
      break;
  }
  return std::string("JSON の構文が誤っています (") + GetParseError_En(code) + ")";
}

// What stopped the handler.
struct TStop {
  bool Foreign = false;  // valid JSON so far, but not GeoJSON
  std::string Detail;
  TErrorPlace Place;
};

bool IsGeometryType(std::string_view t) {
  return t == "Point" || t == "MultiPoint" || t == "LineString" || t == "MultiLineString" ||
         t == "Polygon" || t == "MultiPolygon" || t == "GeometryCollection";
}

// The EPSG code of a legacy "crs" name ("EPSG:6668",
// "urn:ogc:def:crs:EPSG::6668", OGC's "CRS84" for WGS 84), or 0.
int EpsgOfName(std::string_view name) {
  if (name.find("CRS84") != std::string_view::npos) return 4326;
  if (name.find("EPSG") == std::string_view::npos) return 0;
  std::size_t end = name.size();
  while (end > 0 && (name[end - 1] < '0' || name[end - 1] > '9')) --end;
  std::size_t begin = end;
  while (begin > 0 && name[begin - 1] >= '0' && name[begin - 1] <= '9') --begin;
  int code = 0;
  std::from_chars(name.data() + begin, name.data() + end, code);
  return code;
}

// One part of a feature's geometry, waiting for the feature's end, where
// its properties are known.
struct TPart {
  TGeomKind Kind;
  bool Exterior;
  TFPointGrp Points;
};

// The SAX handler. The frames of the values open now say what each value
// is; coordinates are gathered per geometry object and turned into parts
// at its end, when its "type" is known whatever the order of its members.
class TGeoJsonHandler {
public:
  TGeoJsonHandler(TJsonStream& stream, TFeatureSet& set) : stream_(stream), set_(set) {}

  // --- RapidJSON's handler interface.
  bool Null() { return Scalar(std::string(), false); }
  bool Bool(bool b) { return Scalar(b ? "true" : "false", false); }
  bool Int(int) { return true; }
  bool Uint(unsigned) { return true; }
  bool Int64(std::int64_t) { return true; }
  bool Uint64(std::uint64_t) { return true; }
  bool Double(double) { return true; }
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    return Scalar(std::string(s, n), true);
  }
  bool String(const char* s, rapidjson::SizeType n, bool) { return Scalar(std::string(s, n), false); }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    key_.assign(s, n);
    return true;
  }
  bool StartObject() {
    const TFrame parent = frames_.empty() ? TFrame::Top : frames_.back().Kind;
    TFrame kind = TFrame::Skip;
    switch (parent) {
      case TFrame::Top:
        kind = TFrame::Root;
        BeginFeature();
        BeginGeometry();
        break;
      case TFrame::Features:
        kind = TFrame::Feature;
        BeginFeature();
        break;
      case TFrame::Root:
      case TFrame::Feature:
        if (key_ == "geometry") {
          kind = TFrame::Geometry;
          BeginGeometry();
        } else if (key_ == "properties") {
          kind = TFrame::Properties;
        } else if (key_ == "crs" && parent == TFrame::Root) {
          kind = TFrame::Crs;
        }
        break;
      case TFrame::Geometries:
        kind = TFrame::Geometry;
        BeginGeometry();
        break;
      case TFrame::Crs:
        if (key_ == "properties") kind = TFrame::CrsProps;
        break;
      case TFrame::Properties:
        // A property whose value is an object: kept by its name, empty.
        AddProperty(std::string());
        break;
      case TFrame::Coords:
        return Stop("coordinates にオブジェクトがあります");
      default:
        break;
    }
    return Push(kind);
  }
  bool EndObject(rapidjson::SizeType) {
    const TFrame kind = frames_.back().Kind;
    frames_.pop_back();
    switch (kind) {
      case TFrame::Root:
        if (rootType_.empty()) return Foreign("GeoJSON ではありません (最上位のオブジェクトに type がありません)");
        if (!EndGeometry()) return false;
        if (rootType_ != "FeatureCollection") EndFeature();
        break;
      case TFrame::Feature:
        EndFeature();
        break;
      case TFrame::Geometry:
        return EndGeometry();
      default:
        break;
    }
    return true;
  }
  bool StartArray() {
    const TFrame parent = frames_.empty() ? TFrame::Top : frames_.back().Kind;
    TFrame kind = TFrame::Skip;
    switch (parent) {
      case TFrame::Top:
        return Foreign("GeoJSON ではありません (最上位が配列です)");
      case TFrame::Root:
        if (key_ == "features") {
          kind = TFrame::Features;
          break;
        }
        [[fallthrough]];
      case TFrame::Geometry:
        if (key_ == "coordinates") {
          kind = TFrame::Coords;
          depth_ = 1;
          hadCoordinates_ = true;
        } else if (key_ == "geometries") {
          kind = TFrame::Geometries;
        }
        break;
      case TFrame::Coords:
        kind = TFrame::Coords;
        if (numbers_ > 0) return Stop("座標の位置に数値と配列が混じっています");
        ++depth_;
        break;
      case TFrame::Properties:
        AddProperty(std::string());
        break;
      default:
        break;
    }
    return Push(kind);
  }
  bool EndArray(rapidjson::SizeType) {
    const TFrame kind = frames_.back().Kind;
    frames_.pop_back();
    if (kind != TFrame::Coords) return true;
    if (numbers_ > 0) {
      // A position: longitude (easting) and latitude (northing); a third
      // number (the height) and any after it are not read.
      if (numbers_ < 2) return Stop("座標の位置に数値が 2 つありません");
      if (positionDepth_ != 0 && positionDepth_ != depth_)
        return Stop("coordinates の入れ子の深さがそろっていません");
      positionDepth_ = depth_;
      points_.push_back(TFPoint{xy_[0], xy_[1]});
      numbers_ = 0;
    } else {
      ends_.push_back({depth_, points_.size()});
    }
    --depth_;
    return true;
  }

  // --- The outcome.
  std::optional<TStop> Stopped;
  std::optional<int> CrsCode;   // the legacy crs member's EPSG code (0: not understood)
  std::string CrsName;          // its name as written
  std::string RootType;

private:
  enum class TFrame : std::uint8_t {
    Top, Root, Features, Feature, Geometry, Geometries, Properties, Crs, CrsProps, Coords, Skip
  };
  struct TFrameState {
    TFrame Kind;
  };

  bool Push(TFrame kind) {
    if (frames_.size() >= kMaxDepth) return Stop("入れ子が深すぎます (" + std::to_string(kMaxDepth) + " 段まで)");
    frames_.push_back({kind});
    return true;
  }

  bool Stop(const std::string& detail) {
    Stopped = TStop{false, AtColumn(stream_.Column, detail), TErrorPlace::Line(stream_.Line)};
    return false;
  }
  bool Foreign(const std::string& detail) {
    Stopped = TStop{true, AtColumn(stream_.Column, detail), TErrorPlace::Line(stream_.Line)};
    return false;
  }

  bool Scalar(std::string value, bool number) {
    if (frames_.empty()) return Foreign("GeoJSON ではありません (最上位がオブジェクトではありません)");
    switch (frames_.back().Kind) {
      case TFrame::Root:
        if (key_ == "type") {
          rootType_ = value;
          RootType = value;
          if (value != "FeatureCollection" && value != "Feature" && !IsGeometryType(value))
            return Foreign("GeoJSON ではありません (type '" + value + "')");
          if (IsGeometryType(value)) geometryType_ = value;
        }
        break;
      case TFrame::Feature:
        if (key_ == "type" && value != "Feature")
          return Stop("features の要素の type が 'Feature' ではありません ('" + value + "')");
        break;
      case TFrame::Geometry:
        if (key_ == "type") {
          if (!IsGeometryType(value)) return Stop("geometry の type '" + value + "' は GeoJSON の図形ではありません");
          geometryType_ = value;
        }
        break;
      case TFrame::Properties:
        AddProperty(std::move(value));
        break;
      case TFrame::CrsProps:
        if (key_ == "name") {
          CrsName = value;
          CrsCode = EpsgOfName(value);
        }
        break;
      case TFrame::Coords: {
        if (!number) return Stop("座標が数値ではありません");
        if (numbers_ < 2) {
          double v = 0;
          const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
          if (ec != std::errc{} || end != value.data() + value.size() || !std::isfinite(v))
            return Stop("座標 '" + value + "' を読めません");
          xy_[numbers_] = v;
        }
        ++numbers_;
        break;
      }
      default:
        break;
    }
    return true;
  }

  void AddProperty(std::string value) {
    names_.push_back(key_);
    values_.push_back(std::move(value));
  }

  void BeginFeature() {
    names_.clear();
    values_.clear();
    parts_.clear();
  }
  void EndFeature() {
    set_.BeginFeature(++number_, names_, values_);
    if (parts_.empty()) set_.SkipEmpty();
    for (TPart& part : parts_) {
      switch (part.Kind) {
        case TGeomKind::Point:
          for (const TFPoint& p : part.Points) set_.AddPoint(p);
          break;
        case TGeomKind::Line:
          set_.AddLine(std::move(part.Points));
          break;
        case TGeomKind::Polygon:
          set_.AddRing(std::move(part.Points), part.Exterior);
          break;
      }
    }
    parts_.clear();
  }

  void BeginGeometry() {
    geometryType_.clear();
    points_.clear();
    ends_.clear();
    positionDepth_ = 0;
    hadCoordinates_ = false;
  }

  // The geometry's coordinates as parts, by its type.
  bool EndGeometry() {
    const std::string type = geometryType_;
    geometryType_.clear();
    if (!hadCoordinates_) {
      points_.clear();
      ends_.clear();
      return true;  // a collection, or a geometry without coordinates (empty)
    }
    hadCoordinates_ = false;
    if (type.empty()) return Stop("coordinates のある geometry に type がありません");
    int expected = 0;
    if (type == "Point")
      expected = 1;
    else if (type == "MultiPoint" || type == "LineString")
      expected = 2;
    else if (type == "MultiLineString" || type == "Polygon")
      expected = 3;
    else if (type == "MultiPolygon")
      expected = 4;
    if (expected == 0) return Stop("type '" + type + "' に coordinates があります");
    if (positionDepth_ != 0 && positionDepth_ != expected)
      return Stop("coordinates の入れ子の深さが type '" + type + "' に合いません");
    if (points_.empty()) {
      ends_.clear();
      return true;
    }
    if (expected <= 2) {
      if (type == "LineString")
        parts_.push_back({TGeomKind::Line, false, std::move(points_)});
      else
        parts_.push_back({TGeomKind::Point, false, std::move(points_)});
    } else {
      // A line or ring ends where an array one level above the positions
      // ends; a polygon of a MultiPolygon where one two levels above does.
      const bool polygon = type != "MultiLineString";
      std::size_t from = 0;
      bool first = true;
      for (const auto& [depth, at] : ends_) {
        if (depth == expected - 1) {
          TFPointGrp ring(points_.begin() + static_cast<std::ptrdiff_t>(from),
                          points_.begin() + static_cast<std::ptrdiff_t>(at));
          from = at;
          if (polygon)
            parts_.push_back({TGeomKind::Polygon, first, std::move(ring)});
          else
            parts_.push_back({TGeomKind::Line, false, std::move(ring)});
          first = false;
        } else if (depth == expected - 2) {
          first = true;
        }
      }
    }
    points_ = TFPointGrp{};
    ends_.clear();
    return true;
  }

  TJsonStream& stream_;
  TFeatureSet& set_;
  std::vector<TFrameState> frames_;
  std::string key_;
  std::string rootType_;
  long long number_ = 0;
  // The feature being read.
  std::vector<std::string> names_, values_;
  std::vector<TPart> parts_;
  // The geometry being read.
  std::string geometryType_;
  bool hadCoordinates_ = false;
  int depth_ = 0;          // of the coordinates array open now (1: coordinates itself)
  int positionDepth_ = 0;  // of the positions seen, 0 before the first
  int numbers_ = 0;        // in the position open now
  double xy_[2] = {0, 0};
  TFPointGrp points_;
  std::vector<std::pair<int, std::size_t>> ends_;  // arrays closed: depth, points before
};

// One read of a file: the features into `set`, and what stopped it.
struct TJsonRead {
  std::optional<TStop> Stop;
  std::optional<int> CrsCode;
  std::string CrsName;
};

TJsonRead ReadJson(const std::string& fileName, TFeatureSet& set) {
  std::unique_ptr<TByteSource> source = OpenSource(fileName);
  TJsonStream stream(*source);
  TGeoJsonHandler handler(stream, set);
  rapidjson::Reader reader;
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag |
                              rapidjson::kParseNumbersAsStringsFlag |
                              rapidjson::kParseValidateEncodingFlag;
  const rapidjson::ParseResult ok = reader.Parse<kFlags>(stream, handler);
  TJsonRead read;
  read.CrsCode = handler.CrsCode;
  read.CrsName = handler.CrsName;
  if (handler.Stopped) {
    read.Stop = handler.Stopped;
  } else if (!ok) {
    read.Stop = TStop{false, AtColumn(stream.Column, ParseErrorText(ok.Code())),
                      TErrorPlace::Line(stream.Line)};
  }
  if (!stream.Error().empty())
    read.Stop = TStop{false, AtColumn(stream.Column, stream.Error()), TErrorPlace::Line(stream.Line)};
  return read;
}

[[noreturn]] void Fail(const std::string& fileName, const TStop& stop) {
  EInOutError error(stop.Detail);
  error.Locate(fileName, stop.Place);
  throw error;
}

// The system of the file, with a notice when it is assumed.
TFeatureCrs CrsOfRead(const TJsonRead& read, const TExtentBuilder& extent, std::string& notice) {
  if (read.CrsCode) {
    if (const std::optional<TFeatureCrs> crs = CrsOfEpsg(*read.CrsCode)) return *crs;
    return AssumedCrs(extent, "crs の '" + read.CrsName + "' には対応していません", notice);
  }
  const bool degrees = extent.Empty || (extent.Rect.left >= -180 && extent.Rect.right <= 180 &&
                                        extent.Rect.bottom >= -90 && extent.Rect.top <= 90);
  if (degrees) return TFeatureCrs{TCoordMode::LatLon, {}, TDatum::Wgs84};
  return AssumedCrs(extent, "crs がなく、座標が緯度経度の範囲にありません", notice);
}

std::unique_ptr<TMapLeaf> ScanLeaf(TMapLeafGrp& leaves, const std::string& leafFileName,
                                   std::string* foreign, bool build, const TFeatureRules& rules) {
  TFeatureSet set(rules, build);
  const TJsonRead read = ReadJson(leafFileName, set);
  if (read.Stop && read.Stop->Foreign && !set.AnyFigure()) {
    if (foreign) {
      *foreign = Quoted(leafFileName) + ": " + read.Stop->Detail;
      return nullptr;
    }
    Fail(leafFileName, *read.Stop);
  }
  if (read.Stop && !set.AnyFigure()) Fail(leafFileName, *read.Stop);
  std::unique_ptr<TMapLeaf> leaf = NewFileLeaf(leaves, leafFileName);
  std::string notice;
  SetLeafCrs(*leaf, CrsOfRead(read, set.Extent, notice));
  leaf->Notice = notice;
  if (set.Skipped > 0)
    leaf->Notice += (leaf->Notice.empty() ? "" : " ") + std::string("空の図形 ") +
                    std::to_string(set.Skipped) + " 件を飛ばしました。";
  if (set.Extent.Empty && !read.Stop) {
    if (!build) Fail(leafFileName, TStop{false, "図形がありません", {}});
  }
  if (!build || read.Stop) {
    // Placed by what was read; the load builds the figures (and reports an
    // error).
    leaf->Extent = set.Extent.Rect;
    return leaf;
  }
  set.AttachTo(*leaf);
  FinishBuiltLeaf(*leaf);
  if (!leaf->HasFigures()) leaf->Loaded = true;
  return leaf;
}

TFileScan GeoJsonScan(const TFeatureRules& rules) {
  TFileScan scan;
  scan.Endings = {".geojson", ".json"};
  scan.NestedArchives = true;
  scan.What = "GeoJSON ";
  scan.ReadLeaf = [&rules](TMapLeafGrp& leaves, const std::string& leafFileName,
                           std::string* foreign, bool build) {
    return ScanLeaf(leaves, leafFileName, foreign, build, rules);
  };
  return scan;
}

}  // namespace

TMapBuilder_GeoJson::TMapBuilder_GeoJson() = default;
TMapBuilder_GeoJson::~TMapBuilder_GeoJson() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_GeoJson::OpenFile(TMapLeafGrp& leaves,
                                                        const std::string& fileName) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  return GeoJsonScan(rules).OpenFile(leaves, fileName);
}

TMapLeafGrp* TMapBuilder_GeoJson::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  return GeoJsonScan(rules).OpenFolder(leaves, folderName);
}

void TMapBuilder_GeoJson::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                   double /*scale*/) {
  const TFeatureRules rules = TFeatureRules::ForProgram(ProgramFolder());
  TFeatureSet set(rules, true);
  const TJsonRead read = ReadJson(leaf.FileName, set);
  std::string notice;
  SetLeafCrs(leaf, CrsOfRead(read, set.Extent, notice));
  set.AttachTo(leaf);
  if (read.Stop) Fail(leaf.FileName, *read.Stop);
  leaf.Loaded = true;
}

}  // namespace chizro
