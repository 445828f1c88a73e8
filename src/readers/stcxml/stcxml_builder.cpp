#include "readers/stcxml/stcxml_builder.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/validators/DTD/DTDEntityDecl.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "coords/projection.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/euc_jp.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_text.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;

namespace {

// Names compared with the DOM's node names (exact, case-sensitive).
constexpr const XMLCh* kMetricGeospace = u"MetricGeospace";
constexpr const XMLCh* kCoordinates = u"Coordinates";
constexpr const XMLCh* kGeometricFeature = u"GeometricFeature";
constexpr const XMLCh* kGeometry = u"Geometry";
constexpr const XMLCh* kProperty = u"Property";
constexpr const XMLCh* kText = u"#text";
constexpr const XMLCh* kCategory = u"category";
constexpr const XMLCh* kSpatialReferenceSystem = u"spatialreferencesystem";
constexpr const XMLCh* kPropertyTypeName = u"propertytypename";

constexpr std::string_view kKeyCode = "KEY_CODE";
constexpr std::string_view kMoji = "MOJI";
constexpr std::string_view kXCode = "X_CODE";
constexpr std::string_view kYCode = "Y_CODE";

constexpr const char* kClassCode = "TYO";

// Entity expansions allowed to the scanner. Entity declarations are refused
// outright (see TSafeDomParser), so this only backs that rule up.
constexpr XMLSize_t kEntityExpansionLimit = 1000;

// UTF-16 text of the DOM in Shift_JIS (CP932). ASCII, the bulk of a boundary
// file (coordinates, codes), is copied as it is.
std::string ToSjis(const XMLCh* text) {
  if (!text) return {};
  std::string out;
  const XMLCh* p = text;
  for (; *p; ++p) {
    if (*p >= 0x80) break;
    out.push_back(static_cast<char>(*p));
  }
  if (!*p) return out;
  // Not plain ASCII: through UTF-8 into CP932. A lone surrogate becomes
  // U+FFFD, which has no CP932 form and comes out as "?".
  return Utf8ToSjis(Utf8Of(text));
}

// The parser's words in Japanese (names it quotes kept).
std::string MessageOf(const XMLCh* message) {
  const std::string sjis = ToSjis(message);
  return XmlParserMessageJa(SjisToUtf8(sjis));
}

// The first node named `name` in document order within the subtree of
// `start`, `start` itself included. Walks the tree without recursion, so a
// deeply nested document cannot exhaust the stack.
const xc::DOMNode* FindNode(const xc::DOMNode* start, const XMLCh* name) {
  const xc::DOMNode* n = start;
  while (n) {
    if (xc::XMLString::equals(n->getNodeName(), name)) return n;
    if (const xc::DOMNode* child = n->getFirstChild()) {
      n = child;
      continue;
    }
    while (n != start && !n->getNextSibling()) n = n->getParentNode();
    if (n == start) return nullptr;
    n = n->getNextSibling();
  }
  return nullptr;
}

constexpr XMLCh kId[] = u"id";

// The value of an attribute, or empty text when the node has no such
// attribute (or no attributes at all).
std::string Attribute(const xc::DOMNode* node, const XMLCh* name) {
  const xc::DOMNamedNodeMap* attributes = node->getAttributes();
  if (!attributes) return {};
  const xc::DOMNode* attribute = attributes->getNamedItem(name);
  return attribute ? ToSjis(attribute->getNodeValue()) : std::string();
}

// The first text node inside `node`, if any.
const xc::DOMNode* FirstText(const xc::DOMNode* node) { return FindNode(node, kText); }

// The child after `node`'s first `skip` children, or null.
const xc::DOMNode* ChildFrom(const xc::DOMNode* node, int skip) {
  const xc::DOMNode* child = node->getFirstChild();
  for (int i = 0; i < skip && child; ++i) child = child->getNextSibling();
  return child;
}

// Thrown out of the parser's callbacks to end a parse.
struct TParseStop {
  std::string Message;
};

// Parse errors: warnings and recoverable errors (validation is off, so these
// are rare) are let pass; a fatal error ends the parse with its position.
class TErrorHandler final : public xc::ErrorHandler {
public:
  void warning(const xc::SAXParseException& /*e*/) override {}
  void error(const xc::SAXParseException& /*e*/) override {}
  void fatalError(const xc::SAXParseException& e) override {
    throw TParseStop{MessageOf(e.getMessage()) + " (行 " + std::to_string(e.getLineNumber()) +
                     ", 列 " + std::to_string(e.getColumnNumber()) + ")"};
  }
  void resetErrors() override {}
};

// The DOM parser with entity declarations refused: a boundary file has no
// use for them, and they are what entity-expansion bombs and external
// entities are made of.
class TSafeDomParser final : public xc::XercesDOMParser {
public:
  void entityDecl(const xc::DTDEntityDecl& decl, const bool /*isPEDecl*/,
                  const bool /*isIgnored*/) override {
    throw TParseStop{"実体宣言 '" + MessageOf(decl.getName()) +
                     "' を含む XML 文書は読み込めません"};
  }
};

struct TDocumentRelease {
  void operator()(xc::DOMDocument* doc) const noexcept {
    if (doc) doc->release();
  }
};
using TDocumentPtr = std::unique_ptr<xc::DOMDocument, TDocumentRelease>;

}  // namespace

struct TMapBuilder_STCXML::TParser {
  TParser() {
    Security.setEntityExpansionLimit(kEntityExpansionLimit);
    HardenDomParser(Dom, Security);
    Dom.setDoNamespaces(false);
    Dom.setCreateEntityReferenceNodes(false);
    Dom.setErrorHandler(&Errors);
  }

  // Parses the bytes of a file; the document belongs to the caller.
  TDocumentPtr Parse(const std::string& bytes, const std::string& fileName) {
    std::string utf8;
    const bool eucJp = kConvertEucJp && DeclaresEucJp(bytes);
    if (eucJp) utf8 = EucJpToUtf8(bytes);
    const std::string& text = eucJp ? utf8 : bytes;
    xc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                 u"chizro-xml", false);
    if (eucJp) source.setEncoding(u"UTF-8");
    std::string problem;
    try {
      Dom.parse(source);
      TDocumentPtr doc(Dom.adoptDocument());
      if (!doc)
        problem = "文書がありません";
      else
        return doc;
    } catch (const TParseStop& stop) {
      problem = stop.Message;
    } catch (const xc::OutOfMemoryException&) {
      problem = "メモリが足りません";
    } catch (const xc::XMLException& e) {
      problem = MessageOf(e.getMessage());
    } catch (const xc::DOMException& e) {
      problem = MessageOf(e.getMessage());
    }
    Dom.resetDocumentPool();
    throw EInOutError(Quoted(fileName) + " は XML として読めません: " + problem);
  }

  // The runtime is started before any other member is made. Members are
  // destroyed in reverse order: the parser first, then what it refers to.
  struct TRuntime {
    TRuntime() { EnsureXercesRuntime(); }
  } Runtime;
  xc::SecurityManager Security;
  TErrorHandler Errors;
  TSafeDomParser Dom;
};

TMapBuilder_STCXML::TMapBuilder_STCXML()
    : TSingleFileBuilder(TCoordMode::Plane), parser_(std::make_unique<TParser>()) {}

TMapBuilder_STCXML::~TMapBuilder_STCXML() = default;

namespace {

// The space's name and zone: the "category" and item 3 of the
// "spatialreferencesystem" of the space.
int ReadSpace(TMapLeaf& leaf, const xc::DOMNode* space) {
  leaf.Name = Attribute(space, kCategory);
  leaf.SheetName = leaf.Name;
  std::vector<std::string> items;
  SplitCommaText(Attribute(space, kSpatialReferenceSystem), items);
  if (items.size() < 4) throw EListIndexError(static_cast<long long>(items.size()));
  const int zone = StrToInt(items[3]);
  if (zone < kMinZone || zone > kMaxZone) throw EZoneError(zone);
  leaf.Zone = TZone::Stated(zone);
  return zone;
}

// The space's own extent, when its coordinates hold four numbers (left,
// bottom, right, top).
bool ReadSpaceExtent(TMapLeaf& leaf, const xc::DOMNode* space) {
  const xc::DOMNode* coords = FindNode(space, kCoordinates);
  const xc::DOMNode* text = coords ? FirstText(coords) : nullptr;
  if (!text) return false;
  std::vector<std::string> items;
  SplitCommaText(ToSjis(text->getNodeValue()), items);
  if (items.size() != 4) return false;
  leaf.Extent.left = StrToFloat(items[0]);
  leaf.Extent.bottom = StrToFloat(items[1]);
  leaf.Extent.right = StrToFloat(items[2]);
  leaf.Extent.top = StrToFloat(items[3]);
  return true;
}

// The coordinate text of a feature's geometry, or null.
const xc::DOMNode* FeatureCoordinates(const xc::DOMNode* feature) {
  const xc::DOMNode* geometry = FindNode(feature, kGeometry);
  const xc::DOMNode* coords = geometry ? FindNode(geometry, kCoordinates) : nullptr;
  return coords ? FirstText(coords) : nullptr;
}

// Key code, texts and label point from the properties of a feature (its
// children after the first two, which hold its geometry and description).
// The label is the point of "X_CODE" and "Y_CODE" projected into `zone`, or
// else the middle of the feature's box.
void ReadProperties(const xc::DOMNode* feature, TDatum datum, int zone, const TExtentBuilder& box,
                    TFigure& polygon) {
  double labelLon = 0;
  double labelLat = 0;
  bool hasLon = false;
  bool hasLat = false;
  for (const xc::DOMNode* part = ChildFrom(feature, 2); part; part = part->getNextSibling()) {
    const xc::DOMNode* property = FindNode(part, kProperty);
    if (!property) continue;
    const xc::DOMNode* valueText = FirstText(property);
    if (!valueText) continue;
    const std::string type = Attribute(property, kPropertyTypeName);
    if (type == kKeyCode) {
      polygon.Name = ToSjis(valueText->getNodeValue());
    } else if (type == kMoji) {
      polygon.AddText(ToSjis(valueText->getNodeValue()));
    } else if (type == kXCode) {
      labelLon = StrToFloat(ToSjis(valueText->getNodeValue()));
      hasLon = true;
    } else if (type == kYCode) {
      labelLat = StrToFloat(ToSjis(valueText->getNodeValue()));
      hasLat = true;
    }
  }
  if (hasLon && hasLat) {
    const TPlanePoint label = LatLonToXY(EllipsoidOfDatum(datum), zone, labelLat, labelLon);
    polygon.LabelX = label.Y;
    polygon.LabelY = label.X;
  } else {
    // No label point of its own: the middle of the feature, rather than
    // the point of another feature or of latitude 0, longitude 0.
    const TFPoint middle = box.Middle();
    polygon.LabelX = middle.x;
    polygon.LabelY = middle.y;
  }
}

// One polygon and one polyline of the same vertices for a feature with at
// least one coordinate pair.
void AddFeature(const xc::DOMNode* feature, const TMapLeaf& leaf, int zone,
                TFigPolygonGrp& polygons, TFigPolylineGrp& polylines, TExtentBuilder& allVertices) {
  const xc::DOMNode* coordText = FeatureCoordinates(feature);
  if (!coordText) return;
  std::vector<std::string> items;
  SplitCommaText(ToSjis(coordText->getNodeValue()), items);
  if (items.size() < 2) return;

  TFigPolygon* polygon = polygons.New();
  TFigPolyline* polyline = polylines.New();
  polygon->ClassCode = kClassCode;
  polyline->ClassCode = kClassCode;
  const std::size_t n = items.size() / 2;
  polygon->Points.reserve(n);
  polyline->Points.reserve(n);
  TExtentBuilder box;
  for (std::size_t j = 0; j < n; ++j) {
    const TFPoint p{StrToFloat(items[2 * j]), StrToFloat(items[2 * j + 1])};
    polygon->AddPoint(p);
    polyline->AddPoint(p);
    box.Add(p);
    allVertices.Add(p);
  }
  ReadProperties(feature, leaf.Datum, zone, box, *polygon);
  polyline->LabelX = polygon->LabelX;
  polyline->LabelY = polygon->LabelY;
}

}  // namespace

void TMapBuilder_STCXML::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                                  double /*scale*/) {
  const std::string fileName = leaf.FileName;
  const TDocumentPtr doc = parser_->Parse(ReadWholeFile(fileName), fileName);
  const xc::DOMNode* space = FindNode(doc.get(), kMetricGeospace);
  if (!space) {
    // A document of another schema.
    leaf.NoFigureReason = "既知の分類の地物がありません: MetricGeospace 要素がありません";
    leaf.Loaded = true;
    return;
  }
  const int zone = ReadSpace(leaf, space);
  const bool spaceExtent = ReadSpaceExtent(leaf, space);

  auto* polygons = leaf.AddFigGrp(std::make_unique<TFigPolygonGrp>());
  auto* polylines = leaf.AddFigGrp(std::make_unique<TFigPolylineGrp>());
  polygons->Name = leaf.Name;
  polylines->Name = leaf.Name;
  TExtentBuilder allVertices;
  auto finish = [&] {
    polygons->UpdateExtents();
    polylines->UpdateExtents();
  };
  ReadThenAttach(
      [&] {
        // The first child of the space describes the space itself.
        int ordinal = 0;
        for (const xc::DOMNode* child = ChildFrom(space, 1); child; child = child->getNextSibling())
          if (const xc::DOMNode* feature = FindNode(child, kGeometricFeature)) {
            ++ordinal;
            // An error names the feature: by its id, else by its place.
            LocatedAt(
                leaf.FileName,
                [&] {
                  const std::string id = Attribute(feature, kId);
                  return TErrorPlace::Element(
                      id.empty() ? "GeometricFeature (" + std::to_string(ordinal) + " 番目)"
                                 : "GeometricFeature id=\"" + SjisToUtf8(id) + "\"");
                },
                [&] { AddFeature(feature, leaf, zone, *polygons, *polylines, allVertices); });
          }
      },
      finish);
  // Without an extent of its own the leaf takes the box of its features, so
  // that the view finds it.
  if (!spaceExtent && !allVertices.Empty) leaf.Extent = allVertices.Rect;
  leaf.Loaded = true;
}

}  // namespace chizro
