#include "readers/fgd/fgd_builder.h"

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "platform/text_case.h"
#include "readers/fgd/fgd_dem.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/file_scan.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_split.h"
#include "readers/common/xml_text.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

constexpr std::u16string_view kFgdNamespace = u"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema";
constexpr std::u16string_view kGmlNamespace = u"http://www.opengis.net/gml/3.2";

// Longest number token of a coordinate list, and longest attribute text kept.
constexpr std::size_t kMaxNumberLength = 64;
constexpr std::size_t kMaxTextLength = 4096;

// Text of the document for the model (Shift_JIS) and for messages (UTF-8).
std::string SjisOf(std::u16string_view text) { return Utf8ToSjis(Utf8Of(text)); }

// A coordinate system named by an srsName.
struct TSrs {
  TCoordMode Mode = TCoordMode::LatLon;
  int Zone = 0;
  friend bool operator==(const TSrs&, const TSrs&) = default;
};

std::optional<TSrs> ParseSrsName(std::string name) {
  name = LowerAscii(name);
  std::string_view rest = name;
  constexpr std::string_view kPrefix = "fguuid:";
  if (!rest.starts_with(kPrefix)) return std::nullopt;
  rest.remove_prefix(kPrefix.size());
  // JGD2024 (downloads since April 2025) renames the frame of JGD2011; its
  // latitudes and longitudes are JGD2011's, held in the JGD2000 frame.
  if (rest.starts_with("jgd2000.") || rest.starts_with("jgd2011.") || rest.starts_with("jgd2024."))
    rest.remove_prefix(8);
  else
    return std::nullopt;
  if (rest == "bl") return TSrs{TCoordMode::LatLon, 0};
  if (!rest.starts_with('x') || rest.size() < 2 || rest.size() > 3) return std::nullopt;
  rest.remove_prefix(1);
  int zone = 0;
  const auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), zone);
  if (ec != std::errc{} || ptr != rest.data() + rest.size() || rest.front() == '0' ||
      zone < kMinZone || zone > kMaxZone)
    return std::nullopt;
  return TSrs{TCoordMode::Plane, zone};
}

// The simple properties of a feature whose text is kept.
enum class TProp { None, Name, Type, Alti, SbaNo, Level };

TProp PropOf(std::u16string_view name) {
  if (name == u"name") return TProp::Name;
  if (name == u"orgGILvl") return TProp::Level;
  if (name == u"type") return TProp::Type;
  if (name == u"alti") return TProp::Alti;
  if (name == u"sbaNo") return TProp::SbaNo;
  return TProp::None;
}

// The class code of a contour line of the download (Cntr): "Cntr計曲線" for
// an index contour, a multiple of five main intervals, else "Cntr主曲線"
// (also for an elevation that is not a number). The main interval follows
// the map level the line was taken from ("orgGILvl"), as the map symbol
// rules give it: 1 m up to level 1000, 2 m at 2500, 5 m up to 10000, 10 m at
// 25000 (the level of the downloads, also when none is given), 20 m beyond.
std::string ContourCode(const std::string& alti, const std::string& level) {
  double interval = 10;
  int denominator = 0;
  const auto [levelEnd, levelEc] =
      std::from_chars(level.data(), level.data() + level.size(), denominator);
  if (levelEc == std::errc{} && levelEnd == level.data() + level.size() && denominator > 0)
    interval = denominator <= 1000    ? 1
               : denominator <= 2500  ? 2
               : denominator <= 10000 ? 5
               : denominator <= 25000 ? 10
                                      : 20;
  double elevation = 0;
  const auto [end, ec] = std::from_chars(alti.data(), alti.data() + alti.size(), elevation);
  const bool index = ec == std::errc{} && end == alti.data() + alti.size() &&
                     std::isfinite(elevation) &&
                     std::fabs(std::remainder(elevation, 5 * interval)) < 1e-6;
  return std::string("Cntr") + (index ? kIndexContourCode : kMainContourCode);
}

// GML elements the handler acts on.
enum class TGml {
  Other,
  BoundedBy,
  Surface,
  Curve,
  LineString,
  Point,
  Envelope,
  Exterior,
  Interior,
  Ring,
  PosList,
  Pos,
  LowerCorner,
  UpperCorner
};

TGml GmlOf(std::u16string_view name) {
  // By first letter: this runs for every GML element of the file.
  if (name.empty()) return TGml::Other;
  switch (name[0]) {
    case u'b':
      return name == u"boundedBy" ? TGml::BoundedBy : TGml::Other;
    case u'S':
      return name == u"Surface" ? TGml::Surface : TGml::Other;
    case u'C':
      return name == u"Curve" ? TGml::Curve : TGml::Other;
    case u'L':
      return name == u"LineString"   ? TGml::LineString
             : name == u"LinearRing" ? TGml::Ring
                                     : TGml::Other;
    case u'P':
      return name == u"Point" ? TGml::Point : name == u"Polygon" ? TGml::Surface : TGml::Other;
    case u'E':
      return name == u"Envelope" ? TGml::Envelope : TGml::Other;
    case u'e':
      return name == u"exterior" ? TGml::Exterior : TGml::Other;
    case u'i':
      return name == u"interior" ? TGml::Interior : TGml::Other;
    case u'R':
      return name == u"Ring" ? TGml::Ring : TGml::Other;
    case u'p':
      return name == u"posList" ? TGml::PosList : name == u"pos" ? TGml::Pos : TGml::Other;
    case u'l':
      return name == u"lowerCorner" ? TGml::LowerCorner : TGml::Other;
    case u'u':
      return name == u"upperCorner" ? TGml::UpperCorner : TGml::Other;
    default:
      return TGml::Other;
  }
}

// Which of the two namespaces a URI is.
class TNamespaces {
public:
  bool IsFgd(const XMLCh* uri) { return IsNamespace(uri, fgd_, kFgdNamespace); }
  bool IsGml(const XMLCh* uri) { return IsNamespace(uri, gml_, kGmlNamespace); }

private:
  const XMLCh* fgd_ = nullptr;
  const XMLCh* gml_ = nullptr;
};

// The SAX2 handler: builds figures (or, when scanning, only the extent and
// the coordinate system) as the elements stream past.
class TFgdHandler final : public TSaxHandlerBase {
public:
  TFgdHandler(std::string fileName, bool build) : fileName_(std::move(fileName)), build_(build) {
    if (build_) {
      polygons_ = std::make_unique<TFigPolygonGrp>();
      polylines_ = std::make_unique<TFigPolylineGrp>();
      points_ = std::make_unique<TFigPointGrp>();
    }
  }

  // What was read.
  std::optional<TSrs> Srs;
  TExtentBuilder Figures;
  TExtentBuilder Bounds;  // the root's gml:boundedBy
  std::unique_ptr<TFigPolygonGrp> polygons_;
  std::unique_ptr<TFigPolylineGrp> polylines_;
  std::unique_ptr<TFigPointGrp> points_;

  // The feature being read (`BldA gml:id="K6_1"`; without an id, its
  // name on the parser's line), else the line.
  TErrorPlace Where() const override {
    if (inFeature_ && !featureId_.empty())
      return TErrorPlace::Element(Utf8Of(feature_) + " gml:id=\"" + featureId_ + "\"");
    return TErrorPlace::Line(Line(), inFeature_ ? Utf8Of(feature_) : std::string());
  }

  void startElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& attrs) override {
    MarkLine();
    ++depth_;
    const std::u16string_view name = View(localname);
    if (depth_ == 1) {
      const std::u16string_view ns = View(uri);
      if (!ns_.IsFgd(uri) || name != u"Dataset") {
        std::string found = "ルート要素 '" + Utf8Of(name) + "'";
        found += ns.empty() ? " (名前空間なし)" : " (名前空間 '" + Utf8Of(ns) + "')";
        throw TXmlStop{"基盤地図情報 (FGD GML) ではありません: " + found,
                         TErrorPlace::Line(Line()), true};
      }
      return;
    }
    if (depth_ == 2) {
      if (ns_.IsFgd(uri)) {
        inFeature_ = true;
        feature_ = name;
        featureId_ = Utf8Of(View(attrs.getValue(kGmlNamespace.data(), u"id")));
      } else if (ns_.IsGml(uri) && name == u"boundedBy") {
        inBounds_ = true;
      }
      return;
    }
    if (depth_ == 3 && inFeature_ && ns_.IsFgd(uri)) {
      prop_ = PropOf(name);
      if (prop_ != TProp::None) text_.clear();
      return;
    }
    if ((!inFeature_ && !inBounds_) || !ns_.IsGml(uri)) return;
    switch (GmlOf(name)) {
      case TGml::Surface:
      case TGml::Curve:
      case TGml::LineString:
      case TGml::Point:
      case TGml::Envelope:
        TakeSrs(attrs);
        if (!inRing_) line_.clear();
        break;
      case TGml::Exterior:
        exterior_ = true;
        break;
      case TGml::Interior:
        exterior_ = false;
        break;
      case TGml::Ring:
        inRing_ = true;
        line_.clear();
        break;
      case TGml::PosList:
      case TGml::Pos:
      case TGml::LowerCorner:
      case TGml::UpperCorner:
        inNumbers_ = true;
        numbers_.clear();
        token_.clear();
        break;
      default:
        break;
    }
  }

  void endElement(const XMLCh* const uri, const XMLCh* const localname,
                  const XMLCh* const /*qname*/) override {
    MarkLine();
    const int depth = depth_--;
    if (depth == 2) {
      if (inFeature_) EndFeature();
      inFeature_ = false;
      inBounds_ = false;
      return;
    }
    if (depth == 3 && inFeature_) {
      if (prop_ != TProp::None) EndProp();
      prop_ = TProp::None;
      return;
    }
    if ((!inFeature_ && !inBounds_) || !ns_.IsGml(uri)) return;
    const std::u16string_view name = View(localname);
    switch (GmlOf(name)) {
      case TGml::PosList:
      case TGml::Pos:
      case TGml::LowerCorner:
      case TGml::UpperCorner:
        EndNumbers(name);
        break;
      case TGml::Ring:
        inRing_ = false;
        if (inFeature_) EndRing();
        break;
      case TGml::Curve:
      case TGml::LineString:
        if (!inRing_ && inFeature_) EndLine();
        break;
      case TGml::Point:
        if (inFeature_) EndPoint();
        break;
      default:
        break;
    }
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
    if (prop_ != TProp::None && depth_ == 3 && text_.size() < kMaxTextLength)
      text_.append(chars, std::min<std::size_t>(length, kMaxTextLength - text_.size()));
  }

  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TXmlStop{detail, place};
  }
  [[noreturn]] void Fail(const std::string& what) const { throw TXmlStop{what, Where()}; }

private:
  void TakeSrs(const xc::Attributes& attrs) {
    const XMLCh* value = attrs.getValue(u"srsName");
    if (!value) {
      if (!Srs) Fail("srsName のない座標があります");
      return;
    }
    const std::string name = Utf8Of(View(value));
    const std::optional<TSrs> srs = ParseSrsName(name);
    if (!srs) Fail("未知の srsName '" + name + "'");
    if (Srs && *Srs != *srs) Fail("srsName '" + name + "' がファイルの座標系と異なります");
    Srs = srs;
    srsName_ = name;
  }

  void FlushToken() {
    double value = 0;
    const char* first = token_.data();
    const char* last = first + token_.size();
    if (first != last && *first == '+') ++first;
    if (!ShortDecimal(std::string_view(first, static_cast<std::size_t>(last - first)), value)) {
      const auto [ptr, ec] = std::from_chars(first, last, value);
      if (ec != std::errc{} || ptr != last || first == last)
        Fail("座標 '" + token_.substr(0, 20) + "' は数値ではありません");
    }
    numbers_.push_back(value);
    token_.clear();
  }

  // The numbers of a pos, posList or envelope corner as points of the model:
  // (longitude, latitude) or (easting, northing).
  void EndNumbers(std::u16string_view element) {
    inNumbers_ = false;
    if (!token_.empty()) FlushToken();
    if (!Srs) Fail("srsName のない座標があります");
    if (numbers_.size() % 2 != 0)
      Fail("gml:" + Utf8Of(element) + " の座標の数 " + std::to_string(numbers_.size()) +
           " が奇数です");
    if (numbers_.empty()) Fail("gml:" + Utf8Of(element) + " に座標がありません");
    const bool single = element != u"posList";
    if (single && numbers_.size() != 2)
      Fail("gml:" + Utf8Of(element) + " の座標の数 " + std::to_string(numbers_.size()) +
           " が 2 ではありません");
    for (std::size_t i = 0; i + 1 < numbers_.size(); i += 2) {
      // Both forms give the north-south value first: latitude, or X.
      const TFPoint p{static_cast<double>(numbers_[i + 1]), static_cast<double>(numbers_[i])};
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) Fail("座標が範囲を超えています");
      if (inBounds_ && !inFeature_) {
        Bounds.Add(p);
        continue;
      }
      Figures.Add(p);
      // A point repeated where two curve members or segments meet is one.
      if (build_ && !(i == 0 && !line_.empty() && line_.back() == p)) line_.push_back(p);
    }
  }

  void EndRing() {
    if (!build_) return;
    if (line_.size() < 2) Fail("リングの頂点が足りません");
    auto fig = std::make_unique<TFigPolygon>();
    TExtentBuilder box;
    for (const TFPoint& p : line_) box.Add(p);
    fig->LabelX = (box.Rect.left + box.Rect.right) / 2;
    fig->LabelY = (box.Rect.bottom + box.Rect.top) / 2;
    TakeLine(*fig);
    Pend(std::move(fig), exterior_);
  }

  void EndLine() {
    if (!build_) return;
    if (line_.size() < 2) Fail("線の頂点が足りません");
    auto fig = std::make_unique<TFigPolyline>();
    const TFPoint mid = line_[line_.size() / 2];
    fig->LabelX = mid.x;
    fig->LabelY = mid.y;
    TakeLine(*fig);
    Pend(std::move(fig), true);
  }

  void EndPoint() {
    if (!build_) return;
    if (line_.size() != 1) Fail("点の座標がありません");
    auto fig = std::make_unique<TFigPoint>();
    fig->LabelX = line_[0].x;
    fig->LabelY = line_[0].y;
    TakeLine(*fig);
    Pend(std::move(fig), true);
  }

  // The vertices go to the figure at their exact size; line_ keeps its room
  // for the next figure, so a figure's vertices are allocated once.
  void TakeLine(TFigure& fig) {
    fig.Points.assign(line_.begin(), line_.end());
    line_.clear();
  }

  // A figure waits for the feature's properties, which follow its geometry.
  // Interior rings get no texts, so that an area is labelled once.
  void Pend(std::unique_ptr<TFigure> fig, bool texts) {
    pending_.push_back(std::move(fig));
    pendingTexts_.push_back(texts);
  }

  void EndProp() {
    std::string value = SjisOf(text_);
    // Leading and trailing blanks of the element text are layout.
    const auto notBlank = [](char c) { return c != ' ' && c != '\n' && c != '\r' && c != '\t'; };
    value.erase(value.begin(), std::find_if(value.begin(), value.end(), notBlank));
    value.erase(std::find_if(value.rbegin(), value.rend(), notBlank).base(), value.end());
    switch (prop_) {
      case TProp::Name:
        name_ = std::move(value);
        hasName_ = true;
        break;
      case TProp::Type:
        type_ = std::move(value);
        break;
      case TProp::Alti:
        alti_ = std::move(value);
        break;
      case TProp::SbaNo:
        sbaNo_ = std::move(value);
        break;
      case TProp::Level:
        level_ = std::move(value);
        break;
      case TProp::None:
        break;
    }
  }

  void EndFeature() {
    if (build_ && !pending_.empty()) {
      std::string code = SjisOf(feature_);
      if ((feature_ == u"BldA" || feature_ == u"BldL") && !type_.empty()) code += type_;
      if (feature_ == u"Cntr") code = ContourCode(alti_, level_);
      const std::string& label = hasName_ ? name_ : !alti_.empty() ? alti_ : sbaNo_;
      for (std::size_t i = 0; i < pending_.size(); ++i) {
        std::unique_ptr<TFigure>& fig = pending_[i];
        fig->ClassCode = code;
        // A figure without a label text has no texts at all: the writer
        // puts out a label for every figure that has the text it labels by.
        if (pendingTexts_[i] && !label.empty()) {
          fig->Texts = {label, type_};
          if (!alti_.empty()) fig->Texts.push_back(alti_);
        }
        fig->UpdateExtent();
        switch (fig->Kind()) {
          case TFigKind::Polygon:
            polygons_->Add(std::unique_ptr<TFigPolygon>(static_cast<TFigPolygon*>(fig.release())));
            break;
          case TFigKind::Polyline:
            polylines_->Add(
                std::unique_ptr<TFigPolyline>(static_cast<TFigPolyline*>(fig.release())));
            break;
          default:
            points_->Add(std::unique_ptr<TFigPoint>(static_cast<TFigPoint*>(fig.release())));
            break;
        }
      }
    }
    pending_.clear();
    pendingTexts_.clear();
    name_.clear();
    type_.clear();
    alti_.clear();
    sbaNo_.clear();
    level_.clear();
    hasName_ = false;
    featureId_.clear();
  }

  std::string fileName_;
  bool build_;
  TNamespaces ns_;
  int depth_ = 0;
  bool inFeature_ = false;
  bool inBounds_ = false;
  bool inRing_ = false;
  bool exterior_ = true;
  bool inNumbers_ = false;
  std::u16string feature_;
  std::string featureId_;
  std::string srsName_;
  TProp prop_ = TProp::None;
  std::u16string text_;
  std::string token_;
  std::vector<double> numbers_;
  TFPointGrp line_;
  std::vector<std::unique_ptr<TFigure>> pending_;
  std::vector<bool> pendingTexts_;
  std::string name_, type_, alti_, sbaNo_, level_;
  bool hasName_ = false;
};

namespace fs = std::filesystem;

// The most parts a file is read in at once.
constexpr unsigned kMaxParts = 8;

void SetLeafSystem(TMapLeaf& leaf, const TSrs& srs) {
  leaf.CoordMode = srs.Mode;
  leaf.Zone = TZone::OfStored(srs.Zone);
  leaf.Datum = TDatum::Jgd2000;
}

// The leaf of a file read to its end (or stopped by `result`): its system
// and extent, and with `build` the figures, then Loaded. Null when the file
// is of another format (the reason in `notFgd`); EInOutError when nothing
// usable was read.
std::unique_ptr<TMapLeaf> LeafOfRead(TMapLeafGrp& leaves, const std::string& leafFileName,
                                     TFgdHandler& handler, const TXmlStop& result,
                                     std::string* notFgd, bool build) {
  if (result.Foreign) return PassOverForeign(leafFileName, result, notFgd);
  TExtentBuilder extent = handler.Bounds;
  extent.Add(handler.Figures);
  if (!handler.Srs || extent.Empty) {
    if (!result.Detail.empty()) throw XmlError(leafFileName, result.Detail, result.Place);
    throw EInOutError(Quoted(leafFileName) + " には座標がありません");
  }
  std::unique_ptr<TMapLeaf> leaf = NewFileLeaf(leaves, leafFileName);
  SetLeafSystem(*leaf, *handler.Srs);
  leaf->Extent = extent.Rect;
  if (build && result.Detail.empty()) {
    leaf->AddFigGrp(std::move(handler.polygons_))->UpdateExtents();
    leaf->AddFigGrp(std::move(handler.polylines_))->UpdateExtents();
    leaf->AddFigGrp(std::move(handler.points_))->UpdateExtents();
    FinishBuiltLeaf(*leaf);
  }
  return leaf;
}

// Reads the parts of a file at once, each on a thread of its own (the first
// on the calling one, which reports the progress and sees a cancel), and
// joins what they built in file order into the first part's handler. Null
// when a part stopped with an error or two parts name different systems:
// the file is then read in one piece, as one read would report it.
std::unique_ptr<TFgdHandler> ReadInParts(const std::string& fileName,
                                         const std::vector<TXmlPart>& parts, std::int64_t size) {
  const std::size_t n = parts.size();
  std::vector<std::unique_ptr<TFgdHandler>> handlers;
  for (std::size_t i = 0; i < n; ++i) handlers.push_back(std::make_unique<TFgdHandler>(fileName, true));
  std::vector<char> clean(n, 0);
  std::atomic<bool> stop{false};
  std::atomic<std::int64_t> done{0};
  const auto read = [&](std::size_t i) {
    const std::unique_ptr<TByteSource> source =
        OpenXmlPart(fileName, parts[i], done, size, stop, i == 0);
    const TXmlStop result = ParseToEnd(*source, *handlers[i]);
    clean[i] = result.Detail.empty() ? 1 : 0;
    if (!clean[i]) stop = true;
  };
  std::vector<std::thread> threads;
  std::exception_ptr cancelled;
  try {
    for (std::size_t i = 1; i < n; ++i)
      threads.emplace_back([&read, &stop, i] {
        try {
          read(i);
        } catch (...) {
          stop = true;
        }
      });
    read(0);
  } catch (const EOpenCancelled&) {
    stop = true;
    cancelled = std::current_exception();
  } catch (...) {
    // No thread, or the first part could not be opened: one read tells.
    stop = true;
  }
  for (std::thread& t : threads) t.join();
  if (cancelled) std::rethrow_exception(cancelled);
  if (threads.size() + 1 != n || std::count(clean.begin(), clean.end(), 1) != std::ptrdiff_t(n))
    return nullptr;

  TFgdHandler& first = *handlers[0];
  for (std::size_t i = 1; i < n; ++i) {
    TFgdHandler& part = *handlers[i];
    if (part.Srs) {
      if (first.Srs && *first.Srs != *part.Srs) return nullptr;
      first.Srs = part.Srs;
    }
    first.Figures.Add(part.Figures);
    first.Bounds.Add(part.Bounds);
    first.polygons_->TakeAll(*part.polygons_);
    first.polylines_->TakeAll(*part.polylines_);
    first.points_->TakeAll(*part.points_);
  }
  return std::move(handlers[0]);
}

// Reads a file to find its system and extent. Null when it is not FGD (with
// the reason in `notFgd`); EInOutError when nothing usable was read. With
// `build` the same pass builds the figures too, and a file read whole to its
// end gives a loaded leaf: a file opened on its own is painted straight away,
// so reading it a second time would only double the work. A file that stops
// with an error keeps nothing here: its load reads it again and reports.
// A plain file to be built that is as large as `split` says is read in parts
// on several cores.
std::unique_ptr<TMapLeaf> ScanLeaf(TMapLeafGrp& leaves, const std::string& leafFileName,
                                   std::string* notFgd, bool build, const TFgdSplit& split) {
  if (build && !TLeafPath::Parse(leafFileName).InArchive()) {
    std::error_code ec;
    const auto size = static_cast<std::int64_t>(fs::file_size(FsPath(leafFileName), ec));
    const unsigned parts = split.Parts ? split.Parts : std::thread::hardware_concurrency();
    if (!ec && size >= split.FromBytes && parts >= 2) {
      const std::vector<TXmlPart> cut =
          SplitXmlRecords(leafFileName, size, std::min(parts, kMaxParts));
      if (cut.size() >= 2)
        if (std::unique_ptr<TFgdHandler> handler = ReadInParts(leafFileName, cut, size))
          return LeafOfRead(leaves, leafFileName, *handler, TXmlStop{}, notFgd, build);
    }
  }
  std::unique_ptr<TByteSource> source = OpenSource(leafFileName);
  TFgdHandler handler(leafFileName, build);
  const TXmlStop result = ParseToEnd(*source, handler);
  return LeafOfRead(leaves, leafFileName, handler, result, notFgd, build);
}

// The elevation model files of a zip, folder or file are not a leaf each:
// the tiles that share a cell size and touch make one surface (TDemSets).
class TDemTiles final : public TFileGatherer {
public:
  explicit TDemTiles(TDemSets& dems) : dems_(dems) {}

  std::unique_ptr<TPart> Check(const std::string& leafFileName) const override {
    auto tile = std::make_unique<TTile>();
    if (ReadDemHeader(leafFileName, tile->Header) != TDemKind::Dem) return nullptr;
    return tile;
  }
  // Loading the leaf of a DEM file whose head failed reports the error.
  void Broken(const std::string& leafFileName, std::exception_ptr error) override {
    dems_.AddBroken(leafFileName, std::move(error));
  }
  std::vector<std::unique_ptr<TMapLeaf>> MakeLeaves(TMapLeafGrp& leaves,
                                                    const std::string& container,
                                                    std::vector<std::unique_ptr<TPart>> parts) override {
    std::vector<TDemHeader> tiles;
    tiles.reserve(parts.size());
    for (auto& part : parts) tiles.push_back(std::move(static_cast<TTile&>(*part).Header));
    return dems_.MakeLeaves(leaves, container, std::move(tiles));
  }

private:
  struct TTile final : TPart {
    TDemHeader Header;
  };
  TDemSets& dems_;
};

// The scan of FGD files, zips and folders; a large plain file opened on its
// own is read in parts as `split` says.
TFileScan FgdScan(TDemTiles& tiles, const TFgdSplit& split) {
  TFileScan scan;
  scan.Endings = {".xml"};
  scan.What = "基盤地図情報 (FGD GML) ";
  scan.ReadLeaf = [&split](TMapLeafGrp& leaves, const std::string& leafFileName,
                           std::string* notFgd, bool build) {
    return ScanLeaf(leaves, leafFileName, notFgd, build, split);
  };
  scan.Gatherer = &tiles;
  return scan;
}

}  // namespace

TMapBuilder_Fgd::TMapBuilder_Fgd(TFgdSplit split)
    : dems_(std::make_unique<TDemSets>()), split_(split) {
  EnsureXercesRuntime();
}

TMapBuilder_Fgd::~TMapBuilder_Fgd() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Fgd::OpenFile(TMapLeafGrp& leaves,
                                                    const std::string& fileName) {
  TDemTiles tiles(*dems_);
  return FgdScan(tiles, split_).OpenFile(leaves, fileName);
}

TMapLeafGrp* TMapBuilder_Fgd::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  TDemTiles tiles(*dems_);
  return FgdScan(tiles, split_).OpenFolder(leaves, folderName);
}

void TMapBuilder_Fgd::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/, double /*scale*/) {
  if (dems_->Has(leaf.FileName)) {
    const TMapTheme* theme = leaf.Theme();
    const TMapProject* project = theme ? theme->Project() : nullptr;
    dems_->Load(leaf, project ? project->ContourInterval() : 0,
                theme ? theme->DefFileName : std::string());
    return;
  }
  std::unique_ptr<TByteSource> source = OpenSource(leaf.FileName);
  TFgdHandler handler(leaf.FileName, true);
  const TXmlStop result = ParseToEnd(*source, handler);
  if (handler.Srs) SetLeafSystem(leaf, *handler.Srs);
  TExtentBuilder extent = handler.Bounds;
  extent.Add(handler.Figures);
  if (!extent.Empty) leaf.Extent = extent.Rect;
  // What was built stays, also when the parse stopped with an error.
  leaf.AddFigGrp(std::move(handler.polygons_))->UpdateExtents();
  leaf.AddFigGrp(std::move(handler.polylines_))->UpdateExtents();
  leaf.AddFigGrp(std::move(handler.points_))->UpdateExtents();
  if (!result.Detail.empty()) throw XmlError(leaf.FileName, result.Detail, result.Place);
  leaf.Loaded = true;
}

void TMapBuilder_Fgd::ContourIntervalChanged(TMapLeafGrp& leaves) { dems_->Reset(leaves); }

}  // namespace chizro
