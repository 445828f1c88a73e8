#include "readers/enc/enc_builder.h"
#include "platform/file_path.h"
#include "readers/common/reader_util.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <vector>

#include "coords/datum.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/program_dir.h"
#include "readers/enc/iso8211_listing.h"
#include "readers/common/text_filer.h"

namespace chizro {

namespace {

constexpr int kMinAttribute = 1;
constexpr int kMaxAttribute = 499;
constexpr std::int32_t kClassSounding = 129;
constexpr std::int32_t kPrimPoint = 1;
constexpr std::int32_t kPrimLine = 2;
constexpr std::int32_t kPrimArea = 3;
constexpr std::int32_t kOrientReverse = 2;
constexpr std::int32_t kUsageExterior = 1;
constexpr std::int32_t kUsageTruncated = 3;  // exterior, cut by the data limit

// Vertices the features may take in all: an edge is shared by a few
// features, so a listing whose features point at its edges far more often
// than that is not a chart but a way to exhaust memory.
constexpr std::size_t kVertexBudgetBase = 1'000'000;
constexpr std::size_t kVertexBudgetPerStored = 64;

// One entry of the attribute name table.
struct TAttribute {
  std::string Name;
  bool Taken = false;  // type A, E, F or S
};

using TAttributeTable = std::vector<TAttribute>;  // indexed by code, 0..499

TAttributeTable LoadAttributeTable(const std::string& programFolder) {
  const std::string data = ReadWholeFile(ProgramPath(programFolder, "\\def\\EncAttr.ini"));
  TAttributeTable table(kMaxAttribute + 1);
  std::vector<std::string> items;
  for (const std::string& line : TTextFiler::SplitLines(data)) {
    if (SplitCommaText(line, items) == 0) continue;
    const std::int32_t code = StrToInt(items[0]);
    if (code < kMinAttribute || code > kMaxAttribute) continue;
    TAttribute& entry = table[static_cast<std::size_t>(code)];
    entry = {};
    if (items.size() >= 3) {
      const std::string& type = items[2];
      entry.Taken = type == "A" || type == "E" || type == "F" || type == "S";
      entry.Name = items[1];
    }
  }
  return table;
}

// A record identifier: a 32-bit integer, or an unsigned one as S-57 has it.
std::int64_t RecordId(std::string_view text) {
  if (const auto v = TryStrToInt(text)) return *v;
  std::uint32_t u = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), u);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw EConvertError(text);
  return u;
}

struct TNamedValue {
  std::string_view Name;  // into the attribute table
  std::string Value;
};

struct TPointFeature {
  std::int32_t Class = 0;
  TEncVertex Position;
  std::vector<TNamedValue> Values;
};

struct TLineFeature {
  std::int32_t Class = 0;
  std::vector<TEncVertex> Vertices;
};

struct TAreaFeature {
  std::int32_t Class = 0;
  std::vector<TEncVertex> Vertices;
  TExtentBuilder Box;
  // The box's size in square arc-seconds: the order of the areas.
  double Size = 0;
  std::vector<TNamedValue> Values;
};

// Builds the features of one listing from its "FRID" records.
class TFeatureAssembler {
public:
  TFeatureAssembler(const TEncListing& listing, const TAttributeTable& attributes,
                    const std::string& fileName)
      : listing_(listing),
        attributes_(attributes),
        fileName_(fileName),
        budget_(kVertexBudgetBase + kVertexBudgetPerStored * listing.StoredVertexCount()) {}

  void Feature(const TFieldLine& frid, TLineCursor& cursor) {
    RecordId(frid.Subfield("RCID", 0));
    StrToInt(frid.Subfield("GRUP", 0));
    const std::int32_t objl = StrToInt(frid.Subfield("OBJL", 0));
    const std::int32_t prim = StrToInt(frid.Subfield("PRIM", 0));
    switch (prim) {
      case kPrimPoint:
        PointFeature(objl, cursor);
        break;
      case kPrimLine:
        LineFeature(objl, cursor);
        break;
      case kPrimArea:
        AreaFeature(objl, cursor);
        break;
      default:
        break;
    }
  }

  std::vector<TPointFeature> Points;
  std::vector<TLineFeature> Lines;
  std::vector<TAreaFeature> Areas;

private:
  // The lines of the record up to its end: `visit` gets each field line.
  template <class Visit>
  void ReadRecord(TLineCursor& cursor, Visit visit) {
    std::string_view line;
    while (cursor.Next(line)) {
      if (ListingLineKind(line) == TListingLineKind::RecordEnd) return;
      const std::string_view tag = ListingTag(line);
      if (tag == "FSPT" || tag == "ATTF") {
        field_.Assign(line);
        visit(tag);
      }
    }
  }

  void Spend(std::size_t vertices) {
    if (vertices > budget_)
      throw EInOutError(Quoted(fileName_) + " の図形は頂点が多すぎます (記録された頂点の " +
                        std::to_string(kVertexBudgetPerStored) + " 倍を超えます)");
    budget_ -= vertices;
  }

  void PointFeature(std::int32_t objl, TLineCursor& cursor) {
    const TVectorRecord* node = nullptr;
    std::vector<TNamedValue> values;
    ReadRecord(cursor, [&](std::string_view tag) {
      if (tag == "FSPT") {
        node = listing_.FindVectorRecord(field_.Subfield("NAME", 0));
        if (node && node->Vertices.empty()) node = nullptr;
      } else {
        DecodeValues(values);
      }
    });
    if (!node) return;
    if (objl != kClassSounding) {
      Spend(1);
      Points.push_back({objl, node->Vertices.front(), std::move(values)});
      return;
    }
    Spend(node->Vertices.size());
    for (const TEncVertex& v : node->Vertices) {
      char buffer[64];
      const auto result =
          std::to_chars(buffer, buffer + sizeof buffer, v.z, std::chars_format::fixed, 1);
      TPointFeature& p = Points.emplace_back();
      p.Class = objl;
      p.Position = v;
      p.Values.push_back({"DEPTH", std::string(buffer, result.ptr)});
    }
  }

  void LineFeature(std::int32_t objl, TLineCursor& cursor) {
    std::vector<TNamedValue> ignored;
    ReadRecord(cursor, [&](std::string_view tag) {
      if (tag == "ATTF") {
        DecodeValues(ignored);
        return;
      }
      TLineFeature& line = Lines.emplace_back();
      line.Class = objl;
      TExtentBuilder box;
      const std::int32_t count = field_.RepeatCount();
      field_.Subfields("NAME", names_);
      field_.Subfields("ORNT", orients_);
      for (std::int32_t k = 0; k < count; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        const std::string_view name = i < names_.size() ? names_[i] : std::string_view();
        const std::int32_t ornt = StrToInt(i < orients_.size() ? orients_[i] : std::string_view());
        AppendEdge(line.Vertices, box, name, ornt);
      }
    });
  }

  void AreaFeature(std::int32_t objl, TLineCursor& cursor) {
    TAreaFeature area;
    area.Class = objl;
    bool started = false;
    ReadRecord(cursor, [&](std::string_view tag) {
      if (tag == "ATTF") {
        DecodeValues(area.Values);
        return;
      }
      // A boundary given in several pointer fields is one boundary.
      started = true;
      const std::int32_t count = field_.RepeatCount();
      field_.Subfields("NAME", names_);
      field_.Subfields("ORNT", orients_);
      field_.Subfields("USAG", usages_);
      for (std::int32_t k = 0; k < count; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        const std::string_view name = i < names_.size() ? names_[i] : std::string_view();
        const std::int32_t ornt = StrToInt(i < orients_.size() ? orients_[i] : std::string_view());
        const std::int32_t usag = StrToInt(i < usages_.size() ? usages_[i] : std::string_view());
        // The exterior boundary runs along the cell's limit where the area
        // is cut by it: those edges belong to the ring in their place.
        // Interior boundaries (2) stay out.
        if (usag == kUsageExterior || usag == kUsageTruncated)
          AppendEdge(area.Vertices, area.Box, name, ornt);
      }
      const TFRect& r = area.Box.Rect;
      area.Size =
          std::abs(double{r.right} - r.left) * 3600 * (std::abs(double{r.top} - r.bottom) * 3600);
    });
    if (started) Areas.push_back(std::move(area));
  }

  // Appends the edge a pointer names, with its begin and end nodes, in the
  // given orientation, and widens `box` over the new vertices.
  void AppendEdge(std::vector<TEncVertex>& vertices, TExtentBuilder& box, std::string_view pointer,
                  std::int32_t ornt) {
    const TVectorRecord* edge = listing_.FindVectorRecord(pointer);
    if (!edge) return;
    const bool reverse = ornt == kOrientReverse;
    const std::size_t first = vertices.size();
    Spend(edge->Vertices.size() + 2);
    if (edge->PointerCount != 2) {
      if (reverse)
        vertices.insert(vertices.end(), edge->Vertices.rbegin(), edge->Vertices.rend());
      else
        vertices.insert(vertices.end(), edge->Vertices.begin(), edge->Vertices.end());
    } else {
      // A node that cannot be found is left out rather than put at
      // latitude 0, longitude 0.
      const TVectorRecord* begin = listing_.FindVectorRecord(edge->Pointer(0));
      const TVectorRecord* end = listing_.FindVectorRecord(edge->Pointer(1));
      if (reverse) std::swap(begin, end);
      if (begin && !begin->Vertices.empty()) vertices.push_back(begin->Vertices.front());
      if (reverse)
        vertices.insert(vertices.end(), edge->Vertices.rbegin(), edge->Vertices.rend());
      else
        vertices.insert(vertices.end(), edge->Vertices.begin(), edge->Vertices.end());
      if (end && !end->Vertices.empty()) vertices.push_back(end->Vertices.front());
    }
    for (std::size_t i = first; i < vertices.size(); ++i)
      box.Add(TFPoint{vertices[i].x, vertices[i].y});
  }

  // The named values of the current "ATTF" field: attributes of the table
  // whose type is A, E, F or S, in field order.
  void DecodeValues(std::vector<TNamedValue>& values) {
    const std::int32_t count = field_.RepeatCount();
    field_.Subfields("ATTL", codes_);
    field_.Subfields("ATVL", texts_);
    for (std::int32_t k = 0; k < count; ++k) {
      const std::size_t i = static_cast<std::size_t>(k);
      const std::int32_t code = StrToInt(i < codes_.size() ? codes_[i] : std::string_view());
      if (code < kMinAttribute || code > kMaxAttribute) continue;
      const TAttribute& attribute = attributes_[static_cast<std::size_t>(code)];
      if (!attribute.Taken) continue;
      values.push_back({attribute.Name, TEncListing::DecodeHexText(
                                            i < texts_.size() ? texts_[i] : std::string_view())});
    }
  }

  const TEncListing& listing_;
  const TAttributeTable& attributes_;
  const std::string& fileName_;
  std::size_t budget_;
  TFieldLine field_;
  std::vector<std::string_view> names_, orients_, usages_, codes_, texts_;
};

void SetValues(TFigure& fig, const std::vector<TNamedValue>& values) {
  // Appended and sorted once: one sort per value would make a feature with
  // a huge number of attributes a hang.
  for (const TNamedValue& v : values) fig.Props.Add(std::string(v.Name), v.Value);
  if (!values.empty()) fig.Props.Sort();
}

void SetVertices(TFigure& fig, const std::vector<TEncVertex>& vertices) {
  fig.Points.reserve(vertices.size());
  for (const TEncVertex& v : vertices) fig.AddPoint({v.x, v.y});
  if (!vertices.empty()) {
    const TEncVertex& mid = vertices[vertices.size() / 2];
    fig.LabelX = mid.x;
    fig.LabelY = mid.y;
  }
}

// True when the file starts as an ISO 8211 file does: the chart cell itself
// rather than its listing.
bool LooksLikeCell(std::string_view text) {
  if (text.size() < 24) return false;
  for (std::size_t i = 0; i < 5; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return text[6] == 'L' && (text[5] == '1' || text[5] == '2' || text[5] == '3');
}

// The listing of a chart cell, its vector records read, with the factors
// it gives in `comf` and `somf`.
void ReadVectors(TEncListing& listing, const std::string& fileName, std::int32_t& comf,
                 std::int32_t& somf) {
  if (LooksLikeCell(listing.Text()))
    throw EInOutError(Quoted(fileName) +
                      " は S-57 セル (ISO 8211) です。chizro-enclist でレコード一覧に変換して"
                      "から開いてください");
  listing.ReadVectorPass(comf, somf);
}

// Attaches, each when it has figures, the polygons (smaller areas after
// larger ones, so that they are drawn on top), polylines and points of the
// features assembled, and gives the leaf the box of every vertex built.
void AttachFeatures(TMapLeaf& leaf, TFeatureAssembler& features) {
  std::stable_sort(features.Areas.begin(), features.Areas.end(),
                   [](const TAreaFeature& a, const TAreaFeature& b) { return a.Size < b.Size; });
  TExtentBuilder box;
  auto cover = [&](const TFigure& fig) {
    for (const TFPoint& p : fig.Points) box.Add(p);
  };
  if (!features.Areas.empty()) {
    auto* polygons = leaf.AddFigGrp(std::make_unique<TFigPolygonGrp>());
    polygons->Name = leaf.Name;
    for (const TAreaFeature& area : features.Areas) {
      TFigPolygon* fig = polygons->New();
      fig->ClassCode = std::to_string(area.Class);
      SetVertices(*fig, area.Vertices);
      SetValues(*fig, area.Values);
      cover(*fig);
    }
    polygons->UpdateExtents();
  }
  if (!features.Lines.empty()) {
    auto* polylines = leaf.AddFigGrp(std::make_unique<TFigPolylineGrp>());
    polylines->Name = leaf.Name;
    for (const TLineFeature& line : features.Lines) {
      TFigPolyline* fig = polylines->New();
      fig->ClassCode = std::to_string(line.Class);
      SetVertices(*fig, line.Vertices);
      cover(*fig);
    }
    polylines->UpdateExtents();
  }
  if (!features.Points.empty()) {
    auto* points = leaf.AddFigGrp(std::make_unique<TFigPointGrp>());
    points->Name = leaf.Name;
    for (const TPointFeature& point : features.Points) {
      TFigPoint* fig = points->New();
      fig->ClassCode = std::to_string(point.Class);
      fig->AddPoint({point.Position.x, point.Position.y});
      fig->LabelX = point.Position.x;
      fig->LabelY = point.Position.y;
      SetValues(*fig, point.Values);
      cover(*fig);
    }
    points->UpdateExtents();
  }
  if (box.Empty) {
    leaf.NoFigureReason = "座標のある地物がありません";
    return;
  }
  const TFRect& r = box.Rect;
  leaf.Extent = r;
  leaf.Corners = {TFPoint{r.left, r.bottom}, TFPoint{r.left, r.top}, TFPoint{r.right, r.top},
                  TFPoint{r.right, r.bottom}};
}

}  // namespace

void TMapBuilder_Enc::PrepareLeaf(TMapLeaf& leaf) const {
  const std::string base = BaseName(leaf.FileName);
  const std::size_t dot = base.find_last_of('.');
  leaf.SheetName = dot == std::string::npos ? base : base.substr(0, dot);
  leaf.Name = base.substr(0, 3);
  leaf.Datum = TDatum::Wgs84;
}

void TMapBuilder_Enc::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/, double /*scale*/) {
  const TAttributeTable attributes = LoadAttributeTable(ProgramFolder());
  const std::string fileName = leaf.FileName;
  TEncListing listing = TEncListing::FromFile(fileName);
  ReadVectors(listing, fileName, Comf, Somf);
  TFeatureAssembler features(listing, attributes, fileName);
  ReadThenAttach(
      [&] {
        listing.ScanFeatureLines(
            [&](const TFieldLine& frid, TLineCursor& cursor) { features.Feature(frid, cursor); });
      },
      [&] { AttachFeatures(leaf, features); });
  leaf.Loaded = true;
}

}  // namespace chizro
