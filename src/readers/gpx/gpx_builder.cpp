#include "readers/gpx/gpx_builder.h"

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "coords/datum.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "platform/text_case.h"
#include "readers/common/reader_util.h"
#include "readers/common/utf8_guard.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_text.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

constexpr std::u16string_view kGpx10Namespace = u"http://www.topografix.com/GPX/1/0";
constexpr std::u16string_view kGpx11Namespace = u"http://www.topografix.com/GPX/1/1";

constexpr std::string_view kTrackClass = "TRK";
constexpr std::string_view kRouteClass = "RTE";
constexpr std::string_view kWaypointClass = "WPT";

// Longest text of a name, elevation or time kept, and longest coordinate
// attribute read.
constexpr std::size_t kMaxTextLength = 4096;
constexpr std::size_t kMaxNumberLength = 64;

// A model point from a position [deg] read in double precision.
TFPoint ModelPoint(double lon, double lat) {
  using TCoord = decltype(TFPoint::x);
  return {static_cast<TCoord>(lon), static_cast<TCoord>(lat)};
}

// Thrown out of the handler's callbacks to end a parse.
struct TParseStop {
  std::string Detail;  // the reader's words
  TErrorPlace Place;
  bool NotGpx = false;
};

// The elements of the GPX schema the handler acts on.
enum class TElem { Other, Wpt, Rte, Rtept, Trk, Trkseg, Trkpt, Name, Ele, Time };

TElem ElemOf(std::u16string_view name) {
  // By first letter: this runs for every element of the file.
  if (name.empty()) return TElem::Other;
  switch (name[0]) {
    case u't':
      return name == u"trkpt"    ? TElem::Trkpt
             : name == u"trkseg" ? TElem::Trkseg
             : name == u"trk"    ? TElem::Trk
             : name == u"time"   ? TElem::Time
                                 : TElem::Other;
    case u'w':
      return name == u"wpt" ? TElem::Wpt : TElem::Other;
    case u'r':
      return name == u"rtept" ? TElem::Rtept : name == u"rte" ? TElem::Rte : TElem::Other;
    case u'n':
      return name == u"name" ? TElem::Name : TElem::Other;
    case u'e':
      return name == u"ele" ? TElem::Ele : TElem::Other;
    default:
      return TElem::Other;
  }
}

// Leading and trailing XML blanks of an element's text are layout.
std::u16string_view TrimXml(std::u16string_view s) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// A line being read: its vertices and the rectangle around them.
struct TLine {
  TFPointGrp Points;
  TExtentBuilder Box;
  void Add(TFPoint p) {
    Points.push_back(p);
    Box.Add(p);
  }
  void Clear() {
    Points.clear();
    Box = {};
  }
};

// The SAX2 handler: builds the figures as the elements stream past.
class TGpxHandler final : public TSaxHandlerBase {
public:
  explicit TGpxHandler(std::string fileName) : fileName_(std::move(fileName)) {
    tracks_->Name = kTrackClass;
    routes_->Name = kRouteClass;
    waypoints_->Name = kWaypointClass;
  }

  // The rectangle around every figure built.
  TExtentBuilder Extent;

  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TParseStop{detail, place};
  }

  bool AnyFigure() const { return !Extent.Empty; }

  // Ends the figures that were open when the parse stopped: a segment or
  // route cut short is drawn as far as it was read, a waypoint whose start
  // tag was read is drawn at its position.
  void Finish() {
    if (inSegment_) EndSegment();
    if (inTrack_) EndTrack();
    if (inRoute_) EndRoute();
    if (inWaypoint_) EndWaypoint();
  }

  // Appends the three lists to the leaf.
  void AttachTo(TMapLeaf& leaf) {
    leaf.AddFigGrp(std::move(tracks_))->UpdateExtents();
    leaf.AddFigGrp(std::move(routes_))->UpdateExtents();
    leaf.AddFigGrp(std::move(waypoints_))->UpdateExtents();
  }

  void startElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& attrs) override {
    MarkLine();
    const int depth = ++depth_;
    if (depth == 1) {
      StartRoot(uri, localname);
      return;
    }
    if (depth > 4 || !IsGpx(uri)) return;
    const TElem elem = ElemOf(View(localname));
    if (depth == 2) {
      switch (elem) {
        case TElem::Wpt:
          waypointAt_ = ReadPosition(attrs, "wpt");
          inWaypoint_ = true;
          name_.clear();
          ele_.clear();
          time_.clear();
          break;
        case TElem::Rte:
          inRoute_ = true;
          name_.clear();
          line_.Clear();
          break;
        case TElem::Trk:
          inTrack_ = true;
          name_.clear();
          break;
        default:
          break;
      }
      return;
    }
    if (depth == 3) {
      if (elem == TElem::Name || (inWaypoint_ && (elem == TElem::Ele || elem == TElem::Time))) {
        if (inWaypoint_ || inRoute_ || inTrack_) StartText(elem);
      } else if (inRoute_ && elem == TElem::Rtept) {
        line_.Add(ReadPosition(attrs, "rtept"));
      } else if (inTrack_ && elem == TElem::Trkseg) {
        inSegment_ = true;
        line_.Clear();
      }
      return;
    }
    // depth 4
    if (inSegment_ && elem == TElem::Trkpt) line_.Add(ReadPosition(attrs, "trkpt"));
  }

  void endElement(const XMLCh* const /*uri*/, const XMLCh* const /*localname*/,
                  const XMLCh* const /*qname*/) override {
    MarkLine();
    const int depth = depth_--;
    if (depth == 3 && text_ != TElem::Other) {
      EndText();
      return;
    }
    if (depth == 3 && inSegment_) {
      EndSegment();
      return;
    }
    if (depth != 2) return;
    if (inWaypoint_) EndWaypoint();
    if (inRoute_) EndRoute();
    if (inTrack_) EndTrack();
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (text_ == TElem::Other || depth_ != 3 || textValue_.size() >= kMaxTextLength) return;
    textValue_.append(chars, std::min<std::size_t>(length, kMaxTextLength - textValue_.size()));
  }

private:
  void StartRoot(const XMLCh* uri, const XMLCh* localname) {
    const std::u16string_view ns = View(uri);
    const std::u16string_view name = View(localname);
    if (name == u"gpx" && (ns.empty() || ns == kGpx10Namespace || ns == kGpx11Namespace)) {
      gpxUri_ = uri;
      gpxNs_ = ns;
      return;
    }
    std::string found = "ルート要素 '" + Utf8Of(name) + "'";
    found += ns.empty() ? " (名前空間なし)" : " (名前空間 '" + Utf8Of(ns) + "')";
    throw TParseStop{"GPX 1.0 / 1.1 ではありません: " + found, TErrorPlace::Line(Line()), true};
  }

  // True for an element of the root's namespace. The parser hands out the
  // same pointer for the same URI, so the root's is compared first.
  bool IsGpx(const XMLCh* uri) const { return uri == gpxUri_ || View(uri) == gpxNs_; }

  [[noreturn]] void Fail(const std::string& what) const { throw TParseStop{what, Where()}; }

  // The lat and lon attributes of a wpt, rtept or trkpt.
  TFPoint ReadPosition(const xc::Attributes& attrs, const char* element) const {
    const double lat = ReadDegrees(attrs, u"lat", "lat", element, 90);
    const double lon = ReadDegrees(attrs, u"lon", "lon", element, 180);
    return ModelPoint(lon, lat);
  }

  double ReadDegrees(const xc::Attributes& attrs, const char16_t* attr, const char* attrName,
                     const char* element, double limit) const {
    const XMLCh* value = attrs.getValue(attr);
    if (!value) Fail(std::string(element) + " に " + attrName + " 属性がありません");
    const std::u16string_view text = TrimXml(View(value));
    char buffer[kMaxNumberLength];
    std::size_t n = 0;
    bool ascii = text.size() <= kMaxNumberLength;
    for (std::size_t i = 0; ascii && i < text.size(); ++i) {
      if (text[i] >= 0x80) ascii = false;
      buffer[n++] = static_cast<char>(text[i]);
    }
    const char* first = buffer;
    const char* last = buffer + n;
    if (first != last && *first == '+') ++first;
    double degrees = 0;
    const auto [ptr, ec] = std::from_chars(first, last, degrees);
    const auto quoted = [&] {
      std::string s = Utf8Of(text.substr(0, 20));
      if (text.size() > 20) s += "...";
      return std::string(element) + " の " + attrName + " '" + s + "'";
    };
    if (!ascii || ec != std::errc{} || ptr != last || first == last || !std::isfinite(degrees))
      Fail(quoted() + " は数値ではありません");
    if (std::fabs(degrees) > limit) Fail(quoted() + " は範囲を超えています");
    return degrees;
  }

  void StartText(TElem elem) {
    text_ = elem;
    textValue_.clear();
  }

  void EndText() {
    std::string value = Utf8ToSjis(Utf8Of(TrimXml(textValue_)));
    switch (text_) {
      case TElem::Name:
        name_ = std::move(value);
        break;
      case TElem::Ele:
        ele_ = std::move(value);
        break;
      case TElem::Time:
        time_ = std::move(value);
        break;
      default:
        break;
    }
    text_ = TElem::Other;
  }

  // A line of the class: named by its running number, labelled at its
  // middle vertex. Lines of fewer than two points draw nothing.
  std::unique_ptr<TFigPolyline> MakeLine(std::string_view code, int& count) {
    if (line_.Points.size() < 2) return nullptr;
    auto fig = std::make_unique<TFigPolyline>();
    fig->Name = ZeroPadded(++count, 10);
    fig->ClassCode = code;
    const TFPoint mid = line_.Points[line_.Points.size() / 2];
    fig->LabelX = mid.x;
    fig->LabelY = mid.y;
    Extent.Add(line_.Box);
    fig->Points.swap(line_.Points);
    line_.Clear();
    return fig;
  }

  void EndSegment() {
    inSegment_ = false;
    if (auto fig = MakeLine(kTrackClass, trackCount_)) segments_.push_back(std::move(fig));
    line_.Clear();
  }

  // The segments of a track wait for its end, where its name is known
  // whatever the order of the elements.
  void EndTrack() {
    inTrack_ = false;
    for (auto& fig : segments_) {
      if (!name_.empty()) fig->Texts = {name_};
      tracks_->Add(std::move(fig));
    }
    segments_.clear();
  }

  void EndRoute() {
    inRoute_ = false;
    if (auto fig = MakeLine(kRouteClass, routeCount_)) {
      if (!name_.empty()) fig->Texts = {name_};
      routes_->Add(std::move(fig));
    }
    line_.Clear();
  }

  void EndWaypoint() {
    inWaypoint_ = false;
    auto fig = std::make_unique<TFigPoint>();
    fig->Name = ZeroPadded(++waypointCount_, 10);
    fig->ClassCode = kWaypointClass;
    fig->LabelX = waypointAt_.x;
    fig->LabelY = waypointAt_.y;
    fig->AddPoint(waypointAt_);
    if (!name_.empty()) fig->Texts = {name_, ele_, time_};
    Extent.Add(waypointAt_);
    waypoints_->Add(std::move(fig));
  }

  std::string fileName_;
  const XMLCh* gpxUri_ = nullptr;
  std::u16string_view gpxNs_;
  int depth_ = 0;
  bool inWaypoint_ = false;
  bool inRoute_ = false;
  bool inTrack_ = false;
  bool inSegment_ = false;
  TElem text_ = TElem::Other;
  std::u16string textValue_;
  std::string name_, ele_, time_;
  TFPoint waypointAt_;
  TLine line_;
  std::vector<std::unique_ptr<TFigPolyline>> segments_;
  int trackCount_ = 0;
  int routeCount_ = 0;
  int waypointCount_ = 0;
  std::unique_ptr<TFigPolylineGrp> tracks_ = std::make_unique<TFigPolylineGrp>();
  std::unique_ptr<TFigPolylineGrp> routes_ = std::make_unique<TFigPolylineGrp>();
  std::unique_ptr<TFigPointGrp> waypoints_ = std::make_unique<TFigPointGrp>();
};

// One parse of one file. Never throws for data errors: the outcome says
// whether the document was GPX and what stopped the parse.
struct TParseResult {
  bool NotGpx = false;
  std::string Error;  // the reader's words; empty when the whole document was read
  TErrorPlace Place;
};

void SetCutError(TParseResult& result, const TUtf8Guard& guard) {
  result.Error = guard.CutDetail();
  result.Place = TErrorPlace::Line(guard.CutLine);
}

TParseResult Parse(const std::string& fileName, TGpxHandler& handler) {
  TParseResult result;
  std::unique_ptr<TByteSource> source = OpenSource(fileName);
  TUtf8Guard guard(*source);
  try {
    ParseHardened(guard, handler);
  } catch (const TParseStop& stop) {
    result.NotGpx = stop.NotGpx;
    result.Error = stop.Detail;
    result.Place = stop.Place;
    // A document cut at a byte that is not UTF-8 ends early: the parser's
    // complaint about that end is the cut. An error of the handler came
    // before it.
    if (guard.Explains(handler.ParserErrorLine())) SetCutError(result, guard);
  } catch (const xc::OutOfMemoryException&) {
    result.Error = "メモリが足りません";
    result.Place = handler.Where();
  } catch (const xc::XMLException& e) {
    result.Error = XmlParserMessageJa(Utf8Of(View(e.getMessage())));
    result.Place = handler.Where();
  }
  // A document that parsed to its end without the bytes after the cut (the
  // cut fell after the root's end) is damaged all the same.
  if (result.Error.empty() && guard.Cut) SetCutError(result, guard);
  // A read error of the file explains an XML error after it.
  if (!guard.Error.empty()) {
    result.Error = guard.Error;
    result.Place = handler.Where();
  }
  handler.Finish();
  return result;
}

void SetLeafSystem(TMapLeaf& leaf) {
  leaf.CoordMode = TCoordMode::LatLon;
  leaf.Datum = TDatum::Wgs84;
}

}  // namespace

TMapBuilder_Gpx::TMapBuilder_Gpx() { EnsureXercesRuntime(); }

TMapBuilder_Gpx::~TMapBuilder_Gpx() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Gpx::OpenFile(TMapLeafGrp& leaves,
                                                    const std::string& fileName) {
  if (!IsFile(fileName)) return nullptr;
  TGpxHandler handler(fileName);
  const TParseResult result = Parse(fileName, handler);
  if (result.NotGpx || (!result.Error.empty() && !handler.AnyFigure()))
    throw XmlError(fileName, result.Error, result.Place);
  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->FileName = fileName;
  leaf->SheetName = BaseName(fileName);
  leaf->Name = leaf->SheetName;
  SetLeafSystem(*leaf);
  if (handler.AnyFigure()) leaf->Extent = handler.Extent.Rect;
  if (!result.Error.empty()) return leaf;  // the first paint loads it and reports the damage
  handler.AttachTo(*leaf);
  if (!handler.AnyFigure()) leaf->NoFigureReason = "航跡、経路、地点がありません";
  leaf->Loaded = true;
  leaf->IdleCount = 1;
  return leaf;
}

void TMapBuilder_Gpx::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/, double /*scale*/) {
  TGpxHandler handler(leaf.FileName);
  const TParseResult result = Parse(leaf.FileName, handler);
  SetLeafSystem(leaf);
  if (handler.AnyFigure()) leaf.Extent = handler.Extent.Rect;
  // What was built stays, also when the parse stopped with an error.
  handler.AttachTo(leaf);
  if (!result.Error.empty()) throw XmlError(leaf.FileName, result.Error, result.Place);
  if (!handler.AnyFigure()) leaf.NoFigureReason = "航跡、経路、地点がありません";
  leaf.Loaded = true;
}

}  // namespace chizro
