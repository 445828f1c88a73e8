#include "readers/moj/moj_builder.h"

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/label_point.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "model/survey_data.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/control_points.h"
#include "readers/common/file_scan.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/utf8_guard.h"
#include "readers/common/xml_parser.h"
#include "readers/common/xml_split.h"
#include "readers/common/xml_text.h"
#include "readers/common/zip_source.h"

namespace chizro {

namespace xc = XERCES_CPP_NAMESPACE;
namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kMojNamespace = u"http://www.moj.go.jp/MINJI/tizuxml";
constexpr std::u16string_view kZmnNamespace = u"http://www.moj.go.jp/MINJI/tizuzumen";

// Longest element text kept, and the largest coordinate taken [m]: local
// systems aside, plane rectangular coordinates stay within a few hundred km.
constexpr std::size_t kMaxTextLength = 4096;
constexpr double kMaxCoordinate = 1e8;

std::string SjisOf(std::u16string_view text) { return Utf8ToSjis(Utf8Of(text)); }

// A point of the model in the coordinate type it stores.
using TCoord = decltype(TFPoint::x);
TFPoint ModelPoint(double x, double y) { return {static_cast<TCoord>(x), static_cast<TCoord>(y)}; }

// (easting, northing) [m].
using TXY = TFPoint;
// A ring of a surface, its first point not repeated at its end.
using TRing = TFPointGrp;

// A position to the millimetre: what makes two vertices the same.
struct TMm {
  std::int64_t x;
  std::int64_t y;
  friend bool operator==(const TMm&, const TMm&) = default;
};
TMm MmOf(TXY p) { return {std::llround(p.x * 1000), std::llround(p.y * 1000)}; }
struct TMmHash {
  std::size_t operator()(const TMm& m) const noexcept {
    const std::uint64_t h = static_cast<std::uint64_t>(m.x) * 0x9E3779B97F4A7C15ull ^
                            (static_cast<std::uint64_t>(m.y) + 0x632BE59BD9B4E019ull +
                             (static_cast<std::uint64_t>(m.x) << 6));
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

// A problem found while the figures are built: the reader's words and the
// element (with its id) they are about.
struct TProblem {
  std::string Detail;
  TErrorPlace Place;
  bool Empty() const { return Detail.empty(); }
};

// The coordinate system of a file: a zone 1..19, or 0 for 任意座標系.
std::optional<int> ZoneOfSystem(std::u16string_view text) {
  if (text == u"任意座標系") return 0;
  constexpr std::u16string_view kHead = u"公共座標";
  constexpr std::u16string_view kTail = u"系";
  if (!text.starts_with(kHead) || !text.ends_with(kTail)) return std::nullopt;
  text = text.substr(kHead.size(), text.size() - kHead.size() - kTail.size());
  if (text.empty() || text.size() > 2) return std::nullopt;
  int zone = 0;
  for (const char16_t c : text) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'０' && c <= u'９') digit = c - u'０';
    if (digit < 0) return std::nullopt;
    zone = zone * 10 + digit;
  }
  if (zone < kMinZone || zone > kMaxZone || text.front() == u'0' || text.front() == u'０')
    return std::nullopt;
  return zone;
}

// 線種別: the rank decides which class a segment shared by several lines
// takes. A line of an unknown kind counts as a 筆界線.
struct TLineKind {
  std::u16string_view Name;
  int Rank;
};
constexpr int kRankUndrawn = 0;
constexpr int kRankParcel = 1;
constexpr TLineKind kLineKinds[] = {
    {u"未描画線", kRankUndrawn},
    {u"筆界線", kRankParcel},
    {u"小字界線", 2},
    {u"丁目界線", 3},
    {u"大字界線", 4},
    {u"市区町村界線", 5},
    {u"都道府県界線", 6},
};
constexpr int kRankCount = 7;

int RankOf(std::u16string_view kind) {
  for (const TLineKind& k : kLineKinds)
    if (k.Name == kind) return k.Rank;
  return kRankParcel;
}

// Placeholder parcels: lot numbers that stand for land outside the map.
constexpr std::u16string_view kPlaceholders[] = {u"地区外", u"別図", u"道", u"水", u"長狭物不明"};
constexpr int kPlaceholderCount = static_cast<int>(std::size(kPlaceholders));

// The placeholder kind of a lot number ("地区外-43774"), or -1.
int PlaceholderOf(std::u16string_view lot) {
  for (int i = 0; i < kPlaceholderCount; ++i) {
    const std::u16string_view head = kPlaceholders[i];
    if (lot.size() > head.size() && lot.starts_with(head) &&
        (lot[head.size()] == u'-' || lot[head.size()] == u'－'))
      return i;
  }
  return -1;
}

// The class codes, in Shift_JIS.
struct TCodes {
  std::array<std::string, kRankCount> Lines;
  std::array<std::string, kPlaceholderCount> PlaceholderLines;
  std::array<std::string, kPlaceholderCount> PlaceholderParcels;
  std::string Parcel, Control, BoundaryPoint, BoundaryPointNo, Frame;
};
const TCodes& Codes() {
  static const TCodes codes = [] {
    TCodes c;
    for (const TLineKind& k : kLineKinds)
      c.Lines[static_cast<std::size_t>(k.Rank)] = SjisOf(k.Name);
    for (int i = 0; i < kPlaceholderCount; ++i) {
      const auto at = static_cast<std::size_t>(i);
      c.PlaceholderParcels[at] = SjisOf(kPlaceholders[at]);
      c.PlaceholderLines[at] = SjisOf(std::u16string(kPlaceholders[at]) + u"界線");
    }
    c.Parcel = SjisOf(u"筆");
    c.Control = SjisOf(u"基準点");
    c.BoundaryPoint = SjisOf(u"筆界点");
    c.BoundaryPointNo = SjisOf(u"筆界点番号");
    c.Frame = SjisOf(u"図郭");
    return c;
  }();
  return codes;
}

// Compact ids (a letter, a digit count and a number) and their slots. The
// ids of a file are numbered on in each letter, mostly, and a part of a file
// read in parts refers to a run of them: the slots of a letter and digit
// count (of the first 16 met) are a table indexed by the number from the
// first number met, while the numbers stay within 1024 and eight times as
// many as there are; other ids go to a hash table. A table takes at most
// 8 KiB and some 64 bytes an id.
class TCompactSlots {
public:
  static constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;

  // The slot of `key`; `next` when the key is new (`added` tells).
  std::uint32_t Intern(std::uint64_t key, std::uint32_t next, bool& added) {
    added = false;
    TClass* c = ClassOf(key);
    // The number from the table's first (wrapping round below it).
    const std::uint64_t at = c ? (key & kNumberMask) - c->Base : 0;
    if (c && at < c->Slots.size() && c->Slots[at] != kNoSlot) return c->Slots[at];
    if (!sparse_.empty())
      if (const auto it = sparse_.find(key); it != sparse_.end()) return it->second;
    added = true;
    if (c && at < kDenseFloor + 8 * c->Count) {
      std::vector<std::uint32_t>& slots = c->Slots;
      if (at >= slots.size())
        slots.resize(std::max<std::size_t>(at + 1, slots.size() * 2), kNoSlot);
      slots[at] = next;
      ++c->Count;
    } else {
      sparse_.emplace(key, next);
    }
    return next;
  }

  // Every key with its slot.
  template <class Each>
  void ForEach(Each&& each) const {
    for (const TClass& c : classes_)
      for (std::size_t at = 0; at < c.Slots.size(); ++at)
        if (c.Slots[at] != kNoSlot) each((c.Class << kNumberBits) | (c.Base + at), c.Slots[at]);
    for (const auto& [key, slot] : sparse_) each(key, slot);
  }

private:
  static constexpr int kNumberBits = 50;
  static constexpr std::uint64_t kNumberMask = (std::uint64_t{1} << kNumberBits) - 1;
  static constexpr std::uint64_t kDenseFloor = 1024;

  struct TClass {
    std::uint64_t Class = 0;
    std::uint64_t Base = 0;
    std::size_t Count = 0;
    std::vector<std::uint32_t> Slots;
  };

  static constexpr std::size_t kMaxClasses = 16;

  // The table of a letter and digit count; null once there are enough.
  TClass* ClassOf(std::uint64_t key) {
    const std::uint64_t id = key >> kNumberBits;
    if (last_ < classes_.size() && classes_[last_].Class == id) return &classes_[last_];
    for (std::size_t i = 0; i < classes_.size(); ++i)
      if (classes_[i].Class == id) {
        last_ = i;
        return &classes_[i];
      }
    if (classes_.size() >= kMaxClasses) return nullptr;
    last_ = classes_.size();
    classes_.push_back({id, key & kNumberMask, 0, {}});
    return &classes_.back();
  }

  std::vector<TClass> classes_;
  std::size_t last_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t> sparse_;
};

// The ids of the geometry, interned to dense slots. Ids of the form the
// files use ("P000000001": one letter and up to 15 digits) are kept as one
// number; others as text.
class TIds {
public:
  enum TKind : std::uint8_t { kNone, kPoint, kCurve, kSurface };
  struct TSlot {
    TKind Kind = kNone;
    std::uint32_t Index = 0;
  };

  std::uint32_t Slot(std::u16string_view id) {
    if (const std::optional<std::uint64_t> key = Compact(id)) {
      bool added = false;
      const std::uint32_t slot =
          compact_.Intern(*key, static_cast<std::uint32_t>(Slots.size()), added);
      if (added) Slots.emplace_back();
      return slot;
    }
    const auto [it, added] =
        other_.try_emplace(std::u16string(id), static_cast<std::uint32_t>(Slots.size()));
    if (added) Slots.emplace_back();
    return it->second;
  }

  // The id of a slot, for messages (a search: errors only).
  std::string Text(std::uint32_t slot) const {
    std::string text;
    compact_.ForEach([&](std::uint64_t key, std::uint32_t s) {
      if (s != slot) return;
      text.assign(1, static_cast<char>(key >> 56));
      const std::string digits = std::to_string(key & ((std::uint64_t{1} << 50) - 1));
      const std::size_t width = static_cast<std::size_t>((key >> 50) & 0x3F);
      text.append(width > digits.size() ? width - digits.size() : 0, '0');
      text += digits;
    });
    if (!text.empty()) return text;
    for (const auto& [id, s] : other_)
      if (s == slot) return Utf8Of(id);
    return "?";
  }

  std::vector<TSlot> Slots;

  // Takes in the ids of a later part of the document (read in parts, each
  // with ids of its own): the slot here of each of the part's slots, and its
  // definitions with their indices moved on by `base` (by kind). Empty when
  // an id is defined in both, which a read of the whole reports.
  std::vector<std::uint32_t> Take(const TIds& part, const std::array<std::uint32_t, 4>& base) {
    std::vector<std::uint32_t> slots(part.Slots.size());
    const auto intern = [this](auto& map, const auto& key) {
      const auto [it, added] = map.try_emplace(key, static_cast<std::uint32_t>(Slots.size()));
      if (added) Slots.emplace_back();
      return it->second;
    };
    Slots.reserve(Slots.size() + part.Slots.size());
    part.compact_.ForEach([&](std::uint64_t key, std::uint32_t slot) {
      bool added = false;
      slots[slot] = compact_.Intern(key, static_cast<std::uint32_t>(Slots.size()), added);
      if (added) Slots.emplace_back();
    });
    for (const auto& [id, slot] : part.other_) slots[slot] = intern(other_, id);
    for (std::size_t s = 0; s < part.Slots.size(); ++s) {
      const TSlot defined = part.Slots[s];
      if (defined.Kind == kNone) continue;
      TSlot& mine = Slots[slots[s]];
      if (mine.Kind != kNone) return {};
      mine = {defined.Kind, defined.Index + base[defined.Kind]};
    }
    return slots;
  }

private:
  static std::optional<std::uint64_t> Compact(std::u16string_view id) {
    if (id.size() < 2 || id.size() > 16) return std::nullopt;
    const char16_t letter = id[0];
    if (!((letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z')))
      return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : id.substr(1)) {
      if (c < u'0' || c > u'9') return std::nullopt;
      value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return (std::uint64_t{letter} << 56) | (std::uint64_t{id.size() - 1} << 50) | value;
  }

  TCompactSlots compact_;
  std::unordered_map<std::u16string, std::uint32_t> other_;
};

// A vertex of a curve before the document is resolved: a point index, or
// (top bit set) the slot of a referenced point.
constexpr std::uint32_t kSlotRef = 0x80000000u;
constexpr std::size_t kMaxPoints = kSlotRef - 1;

struct TMark {
  std::uint32_t Slot = 0;
  bool Control = false;
  bool HasShape = false;
  std::string Name, Kind;  // 名称 or 点番名; 基準点種別
};

struct TLine {
  std::uint32_t Slot = 0;
  bool HasShape = false;
  int Rank = kRankParcel;
  std::string Where;
};

enum TParcelText { kLot, kOaza, kChome, kKoaza, kAccuracy, kCoordKind, kParcelTexts };

struct TParcel {
  std::uint32_t Slot = 0;
  bool HasShape = false;
  std::string Id;
  std::u16string Lot;
  std::array<std::string, kParcelTexts> Texts;
};

// Corners in ring order: lower left, lower right, upper right, upper left.
struct TFrame {
  std::string Number, Scale;
  std::array<TXY, 4> Corners{};
  std::array<bool, 4> Has{};
};

enum class TSection { None, Spatial, Thematic, Frame };
enum class TGeom { None, Point, Curve, Surface };
enum class TItem { None, Control, BoundaryPoint, Line, Parcel };
enum class TField {
  None,
  System,
  Name,
  ControlKind,
  LineKind,
  Oaza,
  Chome,
  Koaza,
  Lot,
  Accuracy,
  CoordKind,
  SheetNo,
  SheetScale,
  X,
  Y
};

TField ItemFieldOf(std::u16string_view name) {
  if (name == u"名称" || name == u"点番名") return TField::Name;
  if (name == u"基準点種別") return TField::ControlKind;
  if (name == u"線種別") return TField::LineKind;
  if (name == u"大字名") return TField::Oaza;
  if (name == u"丁目名") return TField::Chome;
  if (name == u"小字名") return TField::Koaza;
  if (name == u"地番") return TField::Lot;
  if (name == u"精度区分") return TField::Accuracy;
  if (name == u"座標値種別") return TField::CoordKind;
  return TField::None;
}

int CornerOf(std::u16string_view name) {
  if (name == u"左下座標") return 0;
  if (name == u"右下座標") return 1;
  if (name == u"右上座標") return 2;
  if (name == u"左上座標") return 3;
  return -1;
}

// Leading and trailing blanks of an element's text are layout.
std::u16string_view TrimText(std::u16string_view s) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The SAX2 handler: reads the header and every coordinate (for the extent),
// and when building keeps the geometry and the thematic items for Build.
class TMojHandler final : public TSaxHandlerBase {
public:
  TMojHandler(std::string fileName, bool build) : fileName_(std::move(fileName)), build_(build) {}

  // The header.
  std::optional<int> Zone;  // 0: 任意座標系
  std::string SystemText;   // UTF-8
  TExtentBuilder Extent;

  // The element being read (`zmn:GM_Curve id="C000000003"`), else the line.
  TErrorPlace Where() const override {
    std::string where = WhereText();
    return where.empty() ? TErrorPlace::Line(Line()) : TErrorPlace::Element(std::move(where));
  }
  const std::string& FileName() const { return fileName_; }

  void startElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const /*qname*/, const xc::Attributes& attrs) override {
    MarkLine();
    ++depth_;
    const std::u16string_view name = View(localname);
    if (depth_ == 1) {
      if (!IsMoj(uri) || name != u"地図") {
        const std::u16string_view ns = View(uri);
        std::string found = "ルート要素 '" + Utf8Of(name) + "'";
        found += ns.empty() ? " (名前空間なし)" : " (名前空間 '" + Utf8Of(ns) + "')";
        throw TXmlStop{"地図XMLではありません: " + found, TErrorPlace::Line(Line()), true};
      }
      return;
    }
    if (depth_ == 2) {
      section_ = TSection::None;
      if (name == u"空間属性") {
        section_ = TSection::Spatial;
      } else if (name == u"主題属性") {
        section_ = TSection::Thematic;
      } else if (name == u"図郭") {
        section_ = TSection::Frame;
        frames_.emplace_back();
        whereFrame_ = "図郭 (" + std::to_string(frames_.size()) + " 番目)";
      } else if (name == u"座標系") {
        Capture(TField::System);
      }
      return;
    }
    switch (section_) {
      case TSection::Spatial:
        StartSpatial(uri, name, attrs);
        break;
      case TSection::Thematic:
        StartThematic(name, attrs);
        break;
      case TSection::Frame:
        if (depth_ == 3) {
          corner_ = CornerOf(name);
          if (corner_ >= 0)
            StartPosition();
          else if (name == u"地図番号")
            Capture(TField::SheetNo);
          else if (name == u"縮尺分母")
            Capture(TField::SheetScale);
        } else if (depth_ == 4 && corner_ >= 0 && IsZmn(uri)) {
          CaptureXY(name);
        }
        break;
      case TSection::None:
        break;
    }
  }

  void endElement(const XMLCh* const uri, const XMLCh* const localname,
                  const XMLCh* const /*qname*/) override {
    MarkLine();
    const int depth = depth_--;
    if (field_ != TField::None && depth == fieldDepth_) EndCapture();
    if (depth <= 1) return;
    if (depth == 2) {
      if (section_ == TSection::Frame) whereFrame_.clear();
      section_ = TSection::None;
      return;
    }
    const std::u16string_view name = View(localname);
    switch (section_) {
      case TSection::Spatial:
        if (depth == 3) {
          EndGeometry();
        } else if (geom_ != TGeom::None && IsZmn(uri)) {
          if (name == u"DirectPosition" || name == u"GM_Position.direct")
            EndPosition();
          else if (name == u"GM_Ring")
            EndRing();
        }
        break;
      case TSection::Thematic:
        if (depth == 3) EndItem();
        break;
      case TSection::Frame:
        if (depth == 3 && corner_ >= 0) {
          EndPosition();
          corner_ = -1;
        }
        break;
      case TSection::None:
        break;
    }
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (field_ == TField::None || text_.size() >= kMaxTextLength) return;
    text_.append(chars, std::min<std::size_t>(length, kMaxTextLength - text_.size()));
  }

  // A namespace declared on a child of the root: a part of the document
  // read on its own would not know it (readers/common/xml_split.h).
  void startPrefixMapping(const XMLCh* const /*prefix*/, const XMLCh* const /*uri*/) override {
    if (depth_ == 1) SectionNamespace = true;
  }
  bool SectionNamespace = false;

  [[noreturn]] void Stop(const std::string& detail, const TErrorPlace& place) const override {
    throw TXmlStop{detail, place};
  }

  // The items of a later part after `items`, their slots made this one's;
  // taken whole when there are none yet.
  template <class Item>
  static void MoveItems(std::vector<Item>& items, std::vector<Item>& from,
                        const std::vector<std::uint32_t>& slots) {
    for (Item& item : from) item.Slot = slots[item.Slot];
    if (items.empty()) {
      items.swap(from);
      return;
    }
    items.reserve(items.size() + from.size());
    std::move(from.begin(), from.end(), std::back_inserter(items));
  }

  // Appends what a later part of the document kept, both read to their end
  // with `build`: what one read of the two in a row would have kept. False
  // when they cannot be joined so (an id defined in both, more points or
  // ids than one read takes): the document is then read in one piece, which
  // reports it.
  bool Append(TMojHandler& part) {
    if (Points.size() + part.Points.size() > kMaxPoints) return false;
    const auto pointBase = static_cast<std::uint32_t>(Points.size());
    const auto vertexBase = static_cast<std::uint32_t>(CurveVertices.size());
    const auto ringCurveBase = static_cast<std::uint32_t>(RingCurves.size());
    const auto ringBase = static_cast<std::uint32_t>(RingStart.size() - 1);
    std::array<std::uint32_t, 4> base{};
    base[TIds::kPoint] = pointBase;
    base[TIds::kCurve] = static_cast<std::uint32_t>(CurveSlots.size());
    base[TIds::kSurface] = static_cast<std::uint32_t>(SurfaceSlots.size());
    const std::vector<std::uint32_t> slots = Ids.Take(part.Ids, base);
    if (slots.size() != part.Ids.Slots.size() || Ids.Slots.size() >= kSlotRef) return false;

    if (part.Zone) {
      Zone = part.Zone;
      SystemText = part.SystemText;
    }
    Extent.Add(part.Extent);
    Points.insert(Points.end(), part.Points.begin(), part.Points.end());
    CurveVertices.reserve(CurveVertices.size() + part.CurveVertices.size());
    for (const std::uint32_t v : part.CurveVertices)
      CurveVertices.push_back(v & kSlotRef ? kSlotRef | slots[v & ~kSlotRef] : v + pointBase);
    for (std::size_t i = 1; i < part.CurveStart.size(); ++i)
      CurveStart.push_back(part.CurveStart[i] + vertexBase);
    for (const std::uint32_t slot : part.CurveSlots) CurveSlots.push_back(slots[slot]);
    for (const std::uint32_t slot : part.RingCurves) RingCurves.push_back(slots[slot]);
    for (std::size_t i = 1; i < part.RingStart.size(); ++i)
      RingStart.push_back(part.RingStart[i] + ringCurveBase);
    for (std::size_t i = 1; i < part.SurfaceRingStart.size(); ++i)
      SurfaceRingStart.push_back(part.SurfaceRingStart[i] + ringBase);
    for (const std::uint32_t slot : part.SurfaceSlots) SurfaceSlots.push_back(slots[slot]);
    MoveItems(Marks, part.Marks, slots);
    MoveItems(Lines, part.Lines, slots);
    MoveItems(Parcels, part.Parcels, slots);
    if (ItemProblem.Empty()) ItemProblem = std::move(part.ItemProblem);
    for (TFrame& frame : part.frames_) frames_.push_back(std::move(frame));
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const { throw TXmlStop{what, Where()}; }

  // What was kept for building.
  TIds Ids;
  std::vector<TXY> Points;
  std::vector<std::uint32_t> CurveVertices;
  std::vector<std::uint32_t> CurveStart{0};  // one more than the curves
  std::vector<std::uint32_t> CurveSlots;
  std::vector<std::uint32_t> RingCurves;  // curve slots
  std::vector<std::uint32_t> RingStart{0};
  std::vector<std::uint32_t> SurfaceRingStart{0};
  std::vector<std::uint32_t> SurfaceSlots;
  std::vector<TMark> Marks;
  std::vector<TLine> Lines;
  std::vector<TParcel> Parcels;
  TProblem ItemProblem;  // the first item without a shape
  const std::vector<TFrame>& Frames() const { return frames_; }
  std::vector<TFrame>& Frames() { return frames_; }

private:
  bool IsMoj(const XMLCh* uri) { return IsNamespace(uri, moj_, kMojNamespace); }
  bool IsZmn(const XMLCh* uri) { return IsNamespace(uri, zmn_, kZmnNamespace); }

  void Capture(TField field) {
    field_ = field;
    fieldDepth_ = depth_;
    text_.clear();
  }

  void CaptureXY(std::u16string_view name) {
    if (name == u"X")
      Capture(TField::X);
    else if (name == u"Y")
      Capture(TField::Y);
  }

  void EndCapture() {
    const TField field = field_;
    field_ = TField::None;
    const std::u16string_view text = TrimText(text_);
    switch (field) {
      case TField::X:
      case TField::Y: {
        const double value = Number(text, field == TField::X ? "zmn:X" : "zmn:Y");
        (field == TField::X ? posX_ : posY_) = value;
        (field == TField::X ? hasX_ : hasY_) = true;
        break;
      }
      case TField::System:
        SystemText = Utf8Of(text);
        Zone = ZoneOfSystem(text);
        if (!Zone) Fail("未知の座標系 '" + SystemText + "'");
        break;
      case TField::SheetNo:
        frames_.back().Number = SjisText(text);
        whereFrame_ = "図郭 (地図番号 " + Utf8Of(text) + ")";
        break;
      case TField::SheetScale:
        frames_.back().Scale = SjisText(text);
        break;
      default:
        EndItemField(field, text);
        break;
    }
  }

  double Number(std::u16string_view text, const char* element) const {
    char buffer[64] = {};
    std::size_t n = 0;
    for (const char16_t c : text) {
      if (n >= sizeof buffer || c >= 0x80) {
        n = sizeof buffer + 1;
        break;
      }
      buffer[n++] = static_cast<char>(c);
    }
    double value = 0;
    const char* first = buffer;
    const char* last = buffer + std::min(n, sizeof buffer);
    if (first != last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (n > sizeof buffer || ec != std::errc{} || ptr != last || first == last)
      Fail(std::string(element) + " '" + Utf8Of(text.substr(0, 20)) + "' は数値ではありません");
    if (!(std::fabs(value) <= kMaxCoordinate))
      Fail(std::string(element) + " '" + Utf8Of(text.substr(0, 20)) + "' が範囲を超えています");
    return value;
  }

  void StartPosition() {
    hasX_ = hasY_ = false;
    posOpen_ = true;
  }

  // A position is complete: zmn:X north, zmn:Y east.
  void EndPosition() {
    if (!posOpen_) return;
    posOpen_ = false;
    if (!hasX_ || !hasY_)
      Fail(std::string("座標の ") + (hasX_ ? "zmn:Y" : "zmn:X") + " がありません");
    const TXY p{posY_, posX_};
    hasX_ = hasY_ = false;
    Extent.Add(ModelPoint(p.x, p.y));
    if (section_ == TSection::Frame) {
      TFrame& frame = frames_.back();
      frame.Corners[static_cast<std::size_t>(corner_)] = p;
      frame.Has[static_cast<std::size_t>(corner_)] = true;
      return;
    }
    if (!build_) return;
    if (Points.size() >= kMaxPoints) Fail("点が多すぎます");
    const auto index = static_cast<std::uint32_t>(Points.size());
    Points.push_back(p);
    if (geom_ == TGeom::Point) {
      if (pointDone_) Fail("位置が二つあります");
      pointDone_ = true;
      pointIndex_ = index;
    } else if (geom_ == TGeom::Curve) {
      CurveVertices.push_back(index);
    }
  }

  std::uint32_t IdRef(const xc::Attributes& attrs, const char* element) {
    const std::u16string_view ref = View(attrs.getValue(u"idref"));
    if (ref.empty()) Fail(std::string(element) + " に idref がありません");
    return Ids.Slot(ref);
  }

  void StartSpatial(const XMLCh* uri, std::u16string_view name, const xc::Attributes& attrs) {
    if (!IsZmn(uri)) return;
    if (depth_ == 3) {
      geom_ = name == u"GM_Point"     ? TGeom::Point
              : name == u"GM_Curve"   ? TGeom::Curve
              : name == u"GM_Surface" ? TGeom::Surface
                                      : TGeom::None;
      if (geom_ == TGeom::None) return;
      const std::u16string_view id = View(attrs.getValue(u"id"));
      SetWhere(geom_ == TGeom::Point   ? "zmn:GM_Point"
               : geom_ == TGeom::Curve ? "zmn:GM_Curve"
                                       : "zmn:GM_Surface",
               id);
      if (id.empty()) Fail("id がありません");
      pointDone_ = false;
      if (!build_) return;
      slot_ = Ids.Slot(id);
      if (Ids.Slots[slot_].Kind != TIds::kNone) Fail("id が重複しています");
      return;
    }
    switch (geom_) {
      case TGeom::Point:
        if (name == u"DirectPosition")
          StartPosition();
        else
          CaptureXY(name);
        break;
      case TGeom::Curve:
        if (name == u"GM_Position.direct") {
          StartPosition();
        } else if (name == u"X" || name == u"Y") {
          CaptureXY(name);
        } else if (name == u"GM_PointRef.point" && build_) {
          const std::uint32_t slot = IdRef(attrs, "zmn:GM_PointRef.point");
          if (slot >= kSlotRef) Fail("id が多すぎます");
          CurveVertices.push_back(kSlotRef | slot);
        }
        break;
      case TGeom::Surface:
        if (name == u"GM_CompositeCurve.generator" && build_)
          RingCurves.push_back(IdRef(attrs, "zmn:GM_CompositeCurve.generator"));
        break;
      case TGeom::None:
        break;
    }
  }

  void EndRing() {
    if (!build_ || geom_ != TGeom::Surface) return;
    if (RingCurves.size() == RingStart.back()) Fail("zmn:GM_Ring に曲線がありません");
    RingStart.push_back(static_cast<std::uint32_t>(RingCurves.size()));
  }

  void EndGeometry() {
    const TGeom geom = geom_;
    geom_ = TGeom::None;
    if (build_) {
      switch (geom) {
        case TGeom::Point:
          if (!pointDone_) Fail("位置がありません");
          Ids.Slots[slot_] = {TIds::kPoint, pointIndex_};
          break;
        case TGeom::Curve:
          if (CurveVertices.size() - CurveStart.back() < 2) Fail("曲線の頂点が足りません");
          Ids.Slots[slot_] = {TIds::kCurve, static_cast<std::uint32_t>(CurveSlots.size())};
          CurveSlots.push_back(slot_);
          CurveStart.push_back(static_cast<std::uint32_t>(CurveVertices.size()));
          break;
        case TGeom::Surface:
          if (RingStart.size() - 1 == SurfaceRingStart.back()) Fail("面に境界がありません");
          Ids.Slots[slot_] = {TIds::kSurface, static_cast<std::uint32_t>(SurfaceSlots.size())};
          SurfaceSlots.push_back(slot_);
          SurfaceRingStart.push_back(static_cast<std::uint32_t>(RingStart.size() - 1));
          break;
        case TGeom::None:
          break;
      }
    }
    whereName_ = nullptr;
  }

  void StartThematic(std::u16string_view name, const xc::Attributes& attrs) {
    if (depth_ == 3) {
      item_ = name == u"基準点"                            ? TItem::Control
              : name == u"筆界点"                          ? TItem::BoundaryPoint
              : name == u"筆界線" || name == u"仮行政界線" ? TItem::Line
              : name == u"筆"                              ? TItem::Parcel
                                                           : TItem::None;
      if (item_ == TItem::None) return;
      const std::u16string_view id = View(attrs.getValue(u"id"));
      SetWhere(item_ == TItem::Control         ? "基準点"
               : item_ == TItem::BoundaryPoint ? "筆界点"
               : item_ == TItem::Parcel        ? "筆"
               : name == u"筆界線"             ? "筆界線"
                                               : "仮行政界線",
               id);
      mark_ = TMark{};
      mark_.Control = item_ == TItem::Control;
      line_ = TLine{};
      parcel_ = TParcel{};
      if (item_ == TItem::Parcel) parcel_.Id = Utf8Of(id);
      return;
    }
    if (depth_ != 4 || item_ == TItem::None) return;
    if (name == u"形状") {
      if (!build_) return;
      const std::uint32_t slot = IdRef(attrs, "形状");
      mark_.Slot = line_.Slot = parcel_.Slot = slot;
      mark_.HasShape = line_.HasShape = parcel_.HasShape = true;
      return;
    }
    const TField field = ItemFieldOf(name);
    if (field != TField::None) Capture(field);
  }

  void EndItemField(TField field, std::u16string_view text) {
    if (!build_) return;
    switch (field) {
      case TField::Name:
        mark_.Name = SjisText(text);
        if (whereId_.empty() && !whereNamed_) {
          whereNamed_ = true;
          whereText_.assign(text);
        }
        break;
      case TField::ControlKind:
        mark_.Kind = SjisText(text);
        break;
      case TField::LineKind:
        line_.Rank = RankOf(text);
        break;
      case TField::Oaza:
        parcel_.Texts[kOaza] = SjisText(text);
        break;
      case TField::Chome:
        parcel_.Texts[kChome] = SjisText(text);
        break;
      case TField::Koaza:
        parcel_.Texts[kKoaza] = SjisText(text);
        break;
      case TField::Lot:
        parcel_.Texts[kLot] = SjisText(text);
        parcel_.Lot = text;
        break;
      case TField::Accuracy:
        parcel_.Texts[kAccuracy] = SjisText(text);
        break;
      case TField::CoordKind:
        parcel_.Texts[kCoordKind] = SjisText(text);
        break;
      default:
        break;
    }
  }

  // An item without its shape is passed over: the rest of the file is still
  // read, and the first such item is reported after the load.
  void EndItem() {
    const TItem item = item_;
    item_ = TItem::None;
    if (build_ && item != TItem::None) {
      const bool shaped = mark_.HasShape;  // set together for every kind
      if (!shaped) {
        if (ItemProblem.Empty()) ItemProblem = {"形状がありません", Where()};
      } else if (item == TItem::Line) {
        line_.Where = WhereText();
        Lines.push_back(std::move(line_));
      } else if (item == TItem::Parcel) {
        if (parcel_.Id.empty()) parcel_.Id = Utf8Of(parcel_.Lot);
        Parcels.push_back(std::move(parcel_));
      } else {
        Marks.push_back(std::move(mark_));
      }
    }
    whereName_ = nullptr;
  }

  // A text in Shift_JIS. CP932 keeps every ASCII character as its byte (lot
  // and point numbers mostly are); other texts are converted once and then
  // taken from a table, as the same 大字名, 精度区分 and 座標値種別 come back
  // in parcel after parcel.
  std::string SjisText(std::u16string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; }))
      return std::string(text.begin(), text.end());
    if (const auto it = sjis_.find(text); it != sjis_.end()) return it->second;
    std::string sjis = SjisOf(text);
    if (sjis_.size() < kSjisTexts) sjis_.emplace(std::u16string(text), sjis);
    return sjis;
  }

  // The element being read, for messages; set at its start (`name` in
  // UTF-8), written out only when a message needs it.
  void SetWhere(const char* name, std::u16string_view id) {
    whereName_ = name;
    whereId_.assign(id);
    whereNamed_ = false;
  }
  std::string WhereText() const {
    if (!whereFrame_.empty()) return whereFrame_;
    if (!whereName_) return {};
    std::string where = whereName_;
    if (!whereId_.empty())
      where += " id=\"" + Utf8Of(whereId_) + "\"";
    else if (whereNamed_)
      where += " (" + Utf8Of(whereText_) + ")";
    return where;
  }

  struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view text) const noexcept {
      return std::hash<std::u16string_view>{}(text);
    }
  };
  static constexpr std::size_t kSjisTexts = 4096;
  std::unordered_map<std::u16string, std::string, TTextHash, std::equal_to<>> sjis_;

  std::string fileName_;
  bool build_;
  const XMLCh* moj_ = nullptr;
  const XMLCh* zmn_ = nullptr;
  int depth_ = 0;
  TSection section_ = TSection::None;
  TGeom geom_ = TGeom::None;
  TItem item_ = TItem::None;
  TField field_ = TField::None;
  int fieldDepth_ = 0;
  std::u16string text_;
  // What WhereText writes: a sheet's words, else the element's name and
  // its id (or the 名称 or 点番名 of an item without one).
  std::string whereFrame_;
  const char* whereName_ = nullptr;
  std::u16string whereId_;
  std::u16string whereText_;
  bool whereNamed_ = false;
  double posX_ = 0, posY_ = 0;
  bool hasX_ = false, hasY_ = false;
  bool posOpen_ = false;
  int corner_ = -1;
  std::uint32_t slot_ = 0;
  bool pointDone_ = false;
  std::uint32_t pointIndex_ = 0;
  TMark mark_;
  TLine line_;
  TParcel parcel_;
  std::vector<TFrame> frames_;
};

// ---------------------------------------------------------------------------
// Building the figures once the document has been read.

class TBuild {
public:
  explicit TBuild(TMojHandler& h) : h_(h) {}

  std::unique_ptr<TFigPolylineGrp> Polylines = std::make_unique<TFigPolylineGrp>();
  std::unique_ptr<TFigPointGrp> Points = std::make_unique<TFigPointGrp>();
  TProblem Error;  // the first problem met

  // Once the parcels' rings are joined, the boundaries are made here while a
  // second thread makes the marks' points, and then both make the parcels'
  // label points, a run of them at a time (each only reads what was kept);
  // the figures come in the order and with the first problem of one
  // thread's build.
  void Run() {
    ResolveCurves();
    RankCurves();
    Parcels();
    std::vector<std::unique_ptr<TFigPoint>> marks;
    TProblem marksError;
    std::atomic<std::size_t> nextLabel{0};
    const auto labels = [this, &nextLabel] {
      constexpr std::size_t kRun = 256;
      for (std::size_t from; (from = nextLabel.fetch_add(kRun)) < ready_.size();)
        LabelPoints(from, std::min(from + kRun, ready_.size()));
    };
    std::exception_ptr failed;
    std::thread worker;
    try {
      worker = std::thread([&] {
        try {
          Marks(marks, marksError);
          labels();
        } catch (...) {
          failed = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread: all of it here, in turn.
    }
    {
      struct TJoin {
        std::thread& Worker;
        ~TJoin() {
          if (Worker.joinable()) Worker.join();
        }
      } join{worker};
      Boundaries();
      if (!worker.joinable()) Marks(marks, marksError);
      labels();
    }
    if (failed) std::rethrow_exception(failed);
    ParcelFigures();
    for (std::unique_ptr<TFigPoint>& fig : marks) Points->Add(std::move(fig));
    if (Error.Empty()) Error = std::move(marksError);
    Frames();
  }

  // The named points (基準点 by 名称, 筆界点 by 点番名) and every parcel's
  // outer ring through them; a ring vertex that no point names is a point
  // without a name. Vertices are the same point when they agree to the
  // millimetre, as the boundaries are joined.
  void Survey(TSurveyData& data) {
    parcelRings_ = &surveyRings_;
    ResolveCurves();
    RankCurves();
    Parcels();
    parcelRings_ = nullptr;
    std::unordered_map<TMm, std::uint32_t, TMmHash> named;
    for (const TMark& mark : h_.Marks) {
      const TIds::TSlot s = h_.Ids.Slots[mark.Slot];
      if (s.Kind != TIds::kPoint) continue;
      const TXY p = h_.Points[s.Index];
      if (!named.try_emplace(MmOf(p), static_cast<std::uint32_t>(data.Points.size())).second)
        continue;
      data.Points.push_back({mark.Name, p.x, p.y, std::nullopt});
    }
    for (auto& [lot, rings] : surveyRings_) {
      TSurveyParcel parcel{lot, {}};
      for (const TXY& p : rings.front()) {
        const auto [it, added] =
            named.try_emplace(MmOf(p), static_cast<std::uint32_t>(data.Points.size()));
        if (added) data.Points.push_back({std::string(), p.x, p.y, std::nullopt});
        parcel.Ring.push_back(it->second);
      }
      data.HolesSkipped += rings.size() - 1;
      data.Parcels.push_back(std::move(parcel));
    }
  }

private:
  // Keeps the first problem; the message (which may search the ids) is
  // made for that one only.
  template <class What>
  void Problem(const std::string& where, What&& what) {
    if (Error.Empty()) Error = {what(), TErrorPlace::Element(where)};
  }

  std::string CurveName(std::uint32_t curve) const {
    return "zmn:GM_Curve id=\"" + h_.Ids.Text(h_.CurveSlots[curve]) + "\"";
  }

  // Point references of the curves become point indices.
  void ResolveCurves() {
    const std::size_t curves = h_.CurveSlots.size();
    curveBad_.assign(curves, false);
    for (std::size_t c = 0; c < curves; ++c) {
      for (std::uint32_t i = h_.CurveStart[c]; i < h_.CurveStart[c + 1]; ++i) {
        std::uint32_t& v = h_.CurveVertices[i];
        if (!(v & kSlotRef)) continue;
        const TIds::TSlot slot = h_.Ids.Slots[v & ~kSlotRef];
        if (slot.Kind != TIds::kPoint) {
          Problem(CurveName(static_cast<std::uint32_t>(c)), [&] {
            return "参照先の点 " + h_.Ids.Text(v & ~kSlotRef) + " がありません";
          });
          curveBad_[c] = true;
          break;
        }
        v = slot.Index;
      }
    }
  }

  // The curve a slot names, or nullopt with the problem noted.
  std::optional<std::uint32_t> CurveOf(std::uint32_t slot, const std::string& where) {
    return CurveOf(slot, [&where] { return where; });
  }
  template <class Where>
  std::optional<std::uint32_t> CurveOf(std::uint32_t slot, const Where& where) {
    const TIds::TSlot s = h_.Ids.Slots[slot];
    if (s.Kind != TIds::kCurve) {
      if (Error.Empty()) Error = {"参照先の曲線 " + h_.Ids.Text(slot) + " がありません",
                                  TErrorPlace::Element(where())};
      return std::nullopt;
    }
    if (curveBad_[s.Index]) return std::nullopt;
    return s.Index;
  }

  void RankCurves() {
    curveRank_.assign(h_.CurveSlots.size(), -1);
    curveOwners_.assign(h_.CurveSlots.size(), 0);
    for (const TLine& line : h_.Lines)
      if (const auto curve = CurveOf(line.Slot, line.Where))
        curveRank_[*curve] = static_cast<std::int8_t>(std::max<int>(curveRank_[*curve], line.Rank));
  }

  TXY Vertex(std::uint32_t i) const { return h_.Points[h_.CurveVertices[i]]; }

  // Joins the curves of a ring end to end, each in whichever direction meets
  // the last; empty with the problem noted when they do not join or close.
  // `where()` names the ring for a problem (made then only: naming a slot
  // searches the ids).
  template <class Where>
  TRing JoinRing(std::uint32_t first, std::uint32_t last, const Where& where,
                 std::vector<std::uint32_t>& curves) {
    TRing ring;
    for (std::uint32_t r = first; r < last; ++r) {
      const auto curve = CurveOf(h_.RingCurves[r], where);
      if (!curve) return {};
      curves.push_back(*curve);
      const std::uint32_t a = h_.CurveStart[*curve], b = h_.CurveStart[*curve + 1];
      const TMm head = MmOf(Vertex(a)), tail = MmOf(Vertex(b - 1));
      bool reverse = false;
      if (!ring.empty()) {
        const TMm end = MmOf(ring.back());
        if (head == end) {
          reverse = false;
        } else if (tail == end) {
          reverse = true;
        } else if (r == first + 1 && (head == MmOf(ring.front()) || tail == MmOf(ring.front()))) {
          // The first curve runs the other way.
          std::reverse(ring.begin(), ring.end());
          reverse = tail == MmOf(ring.back());
        } else {
          if (Error.Empty())
            Error = {"境界の曲線 " + h_.Ids.Text(h_.RingCurves[r]) + " が前の曲線とつながりません",
                     TErrorPlace::Element(where())};
          return {};
        }
      }
      const std::size_t skip = ring.empty() ? 0 : 1;
      if (!reverse)
        for (std::uint32_t i = a + static_cast<std::uint32_t>(skip); i < b; ++i)
          ring.push_back(Vertex(i));
      else
        for (std::uint32_t i = b - static_cast<std::uint32_t>(skip); i-- > a;)
          ring.push_back(Vertex(i));
    }
    if (ring.size() < 4 || !(MmOf(ring.front()) == MmOf(ring.back()))) {
      if (Error.Empty()) Error = {"境界が閉じていません", TErrorPlace::Element(where())};
      return {};
    }
    ring.pop_back();
    return ring;
  }

  // A parcel whose rings joined, waiting for its label point.
  struct TReady {
    const TParcel* Parcel;
    int Placeholder;
    std::vector<TRing> Rings;
    TXY At;
  };

  void LabelPoints(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) ready_[i].At = LabelPoint(ready_[i].Rings);
  }

  // The parcels' points, in file order, at their label points.
  void ParcelFigures() {
    const TCodes& codes = Codes();
    for (const TReady& r : ready_) {
      auto fig = std::make_unique<TFigPoint>();
      fig->ClassCode = r.Placeholder < 0
                           ? codes.Parcel
                           : codes.PlaceholderParcels[static_cast<std::size_t>(r.Placeholder)];
      fig->Points.push_back(ModelPoint(r.At.x, r.At.y));
      fig->LabelX = fig->Points[0].x;
      fig->LabelY = fig->Points[0].y;
      fig->Texts.assign(r.Parcel->Texts.begin(), r.Parcel->Texts.end());
      fig->UpdateExtent();
      Points->Add(std::move(fig));
    }
    ready_.clear();
  }

  // Joins the rings of every parcel, marks the curves each parcel borders,
  // and keeps the parcels whose rings joined for their points (or hands the
  // rings to the survey data).
  void Parcels() {
    for (const TParcel& parcel : h_.Parcels) {
      const auto where = [&parcel] { return "筆 id=\"" + parcel.Id + "\""; };
      const int placeholder = PlaceholderOf(parcel.Lot);
      const std::uint8_t owner =
          placeholder < 0 ? std::uint8_t{1} : static_cast<std::uint8_t>(2u << placeholder);
      const TIds::TSlot s = h_.Ids.Slots[parcel.Slot];
      if (s.Kind != TIds::kSurface) {
        Problem(where(), [&] { return "参照先の面 " + h_.Ids.Text(parcel.Slot) + " がありません"; });
        continue;
      }
      std::vector<TRing> rings;
      std::vector<std::uint32_t> curves;
      bool ok = true;
      for (std::uint32_t r = h_.SurfaceRingStart[s.Index]; r < h_.SurfaceRingStart[s.Index + 1];
           ++r) {
        TRing ring = JoinRing(
            h_.RingStart[r], h_.RingStart[r + 1],
            [&] { return where() + " の面 " + h_.Ids.Text(parcel.Slot); }, curves);
        if (ring.empty()) {
          ok = false;
          break;
        }
        rings.push_back(std::move(ring));
      }
      // The boundary is drawn from the curves that joined, also when the
      // ring failed; the label needs the whole ring.
      for (const std::uint32_t c : curves) curveOwners_[c] |= owner;
      if (!ok) continue;
      if (parcelRings_) {
        parcelRings_->emplace_back(parcel.Texts[kLot], std::move(rings));
        continue;
      }
      ready_.push_back({&parcel, placeholder, std::move(rings), {}});
    }
  }

  // The class of a segment from the highest rank of its curves and the
  // parcels it borders.
  const std::string& SegmentClass(int rank, std::uint8_t owners) const {
    const TCodes& codes = Codes();
    if (rank == kRankParcel && owners != 0 && !(owners & 1)) {
      for (int i = 0; i < kPlaceholderCount; ++i)
        if (owners & (2u << i)) return codes.PlaceholderLines[static_cast<std::size_t>(i)];
    }
    return codes.Lines[static_cast<std::size_t>(rank)];
  }

  // Every segment of the boundary curves once.
  void Boundaries() {
    struct TSegment {
      std::int8_t Rank = -1;
      std::uint8_t Owners = 0;
      bool Written = false;
    };
    std::unordered_map<TMm, std::uint32_t, TMmHash> vertexIds;
    std::unordered_map<std::uint64_t, std::uint32_t> segmentIds;
    std::vector<TSegment> segments;
    vertexIds.reserve(h_.Points.size());
    // Each step of a curve is at most one segment.
    segmentIds.reserve(h_.CurveVertices.size());
    segments.reserve(h_.CurveVertices.size() / 2);
    // The vertex of each point, looked up once a point: the points of the
    // curves come back from curve to curve.
    constexpr std::uint32_t kNoVertex = 0xFFFFFFFFu;
    std::vector<std::uint32_t> pointVertex(h_.Points.size(), kNoVertex);
    const auto vertexId = [&](std::uint32_t i) {
      std::uint32_t& v = pointVertex[h_.CurveVertices[i]];
      if (v == kNoVertex)
        v = vertexIds.try_emplace(MmOf(Vertex(i)), static_cast<std::uint32_t>(vertexIds.size()))
                .first->second;
      return v;
    };
    // Segment number of each vertex step of the used curves (none for a step
    // that does not move).
    constexpr std::uint32_t kNoSegment = 0xFFFFFFFFu;
    std::vector<std::uint32_t> stepSegment(h_.CurveVertices.size(), kNoSegment);
    const std::size_t curves = h_.CurveSlots.size();
    for (std::size_t c = 0; c < curves; ++c) {
      if (curveBad_[c] || (curveRank_[c] < 0 && curveOwners_[c] == 0)) continue;
      const int rank = curveRank_[c] < 0 ? kRankParcel : curveRank_[c];
      std::uint32_t prev = vertexId(h_.CurveStart[c]);
      for (std::uint32_t i = h_.CurveStart[c] + 1; i < h_.CurveStart[c + 1]; ++i) {
        const std::uint32_t v = vertexId(i);
        if (v == prev) continue;
        const std::uint64_t key = (std::uint64_t{std::min(v, prev)} << 32) | std::max(v, prev);
        prev = v;
        const auto [it, added] =
            segmentIds.try_emplace(key, static_cast<std::uint32_t>(segments.size()));
        if (added) segments.emplace_back();
        TSegment& seg = segments[it->second];
        seg.Rank = static_cast<std::int8_t>(std::max<int>(seg.Rank, rank));
        seg.Owners |= curveOwners_[c];
        stepSegment[i] = it->second;
      }
    }
    // Runs of unwritten segments of one class along each curve.
    TFPointGrp run;
    const std::string* runClass = nullptr;
    const auto flush = [&] {
      if (run.size() >= 2) {
        auto fig = std::make_unique<TFigPolyline>();
        fig->ClassCode = *runClass;
        const TFPoint mid = run[run.size() / 2];
        fig->LabelX = mid.x;
        fig->LabelY = mid.y;
        fig->Points.swap(run);
        fig->UpdateExtent();
        Polylines->Add(std::move(fig));
      }
      run.clear();
      runClass = nullptr;
    };
    for (std::size_t c = 0; c < curves; ++c) {
      if (curveBad_[c] || (curveRank_[c] < 0 && curveOwners_[c] == 0)) continue;
      for (std::uint32_t i = h_.CurveStart[c] + 1; i < h_.CurveStart[c + 1]; ++i) {
        const std::uint32_t s = stepSegment[i];
        if (s == kNoSegment) continue;
        TSegment& seg = segments[s];
        if (seg.Written) {
          flush();
          continue;
        }
        seg.Written = true;
        const std::string& cls = SegmentClass(seg.Rank, seg.Owners);
        const TXY a = Vertex(i - 1), b = Vertex(i);
        if (runClass != &cls || run.empty() || !(run.back() == ModelPoint(a.x, a.y))) {
          flush();
          runClass = &cls;
          run.push_back(ModelPoint(a.x, a.y));
        }
        run.push_back(ModelPoint(b.x, b.y));
      }
      flush();
    }
  }

  // The marks' points into `figures`, the first problem into `error`.
  void Marks(std::vector<std::unique_ptr<TFigPoint>>& figures, TProblem& error) const {
    const TCodes& codes = Codes();
    figures.reserve(h_.Marks.size() * 2);
    for (const TMark& mark : h_.Marks) {
      const TIds::TSlot s = h_.Ids.Slots[mark.Slot];
      if (s.Kind != TIds::kPoint) {
        if (error.Empty())
          error = {"参照先の点 " + h_.Ids.Text(mark.Slot) + " がありません",
                   TErrorPlace::Element(std::string(mark.Control ? "基準点" : "筆界点") + " (" +
                                        SjisToUtf8(mark.Name) + ")")};
        continue;
      }
      const TXY p = h_.Points[s.Index];
      const auto add = [&](const std::string& code, bool texts) {
        auto fig = std::make_unique<TFigPoint>();
        fig->ClassCode = code;
        fig->Points.push_back(ModelPoint(p.x, p.y));
        fig->LabelX = fig->Points[0].x;
        fig->LabelY = fig->Points[0].y;
        if (texts && !mark.Name.empty()) {
          fig->Texts.push_back(mark.Name);
          if (mark.Control) fig->Texts.push_back(mark.Kind);
        }
        fig->UpdateExtent();
        figures.push_back(std::move(fig));
      };
      if (mark.Control) {
        add(codes.Control, true);
      } else {
        add(codes.BoundaryPoint, false);
        if (!mark.Name.empty()) add(codes.BoundaryPointNo, true);
      }
    }
  }

  void Frames() {
    for (const TFrame& frame : h_.Frames()) {
      auto fig = std::make_unique<TFigPolyline>();
      fig->ClassCode = Codes().Frame;
      int count = 0;
      for (std::size_t i = 0; i < 4; ++i) {
        if (!frame.Has[i]) continue;
        fig->Points.push_back(ModelPoint(frame.Corners[i].x, frame.Corners[i].y));
        ++count;
      }
      if (count < 2) continue;
      if (count == 4) fig->Points.push_back(fig->Points.front());
      fig->LabelX = fig->Points[0].x;
      fig->LabelY = fig->Points[0].y;
      if (!frame.Number.empty()) fig->Texts = {frame.Number, frame.Scale};
      fig->UpdateExtent();
      Polylines->Add(std::move(fig));
    }
  }

  TMojHandler& h_;
  std::vector<std::pair<std::string, std::vector<TRing>>> surveyRings_;
  std::vector<std::pair<std::string, std::vector<TRing>>>* parcelRings_ = nullptr;
  std::vector<bool> curveBad_;
  std::vector<std::int8_t> curveRank_;
  std::vector<std::uint8_t> curveOwners_;
  std::vector<TReady> ready_;
};

// ---------------------------------------------------------------------------
// Opening.

// One text for every such file, so that opening many says it once.
constexpr const char* kLocalNotice =
    "任意座標系の地図XMLを開きました。公共座標系に位置付けられていないため、"
    "ほかのデータとの位置関係は合っていません (ファイルの座標のまま表示します)。";

void SetLeafSystem(TMapLeaf& leaf, int zone) {
  leaf.CoordMode = TCoordMode::Plane;
  if (zone > 0) {
    leaf.Zone = TZone::Stated(zone);
    leaf.Datum = TDatum::Jgd2000;
    return;
  }
  // Local coordinates stay as they are: no zone stated (the theme's is
  // used) and the theme's datum, so nothing converts them.
  leaf.Zone = TZone::Local();
  if (const TMapTheme* theme = leaf.Theme())
    leaf.Datum = theme->Datum;
  else
    leaf.Datum = TDatum::Jgd2000;
}

// ---------------------------------------------------------------------------
// Placement of a map in 任意座標系 by control points.

// The control points of a map: its sidecar, else the project's file; empty
// when there is neither, or while its placement is redone.
std::string ControlFileFor(const TMapProject* project, const std::string& leafFileName) {
  if (project && project->Unplaced.count(leafFileName)) return {};
  const std::string sidecar = SidecarOf(leafFileName);
  if (IsFile(sidecar)) return sidecar;
  return project ? project->ControlFile : std::string();
}

// True when the control file has points for the map (a zip's sidecar may
// hold only other members'); false when it does not read.
bool HasPointsFor(const std::string& controlFile, const std::string& leafFileName) {
  try {
    return !ReadControlFile(controlFile).ForMap(leafFileName).Entries.empty();
  } catch (const EChizroError&) {
    return false;
  }
}

const TMapProject* ProjectOf(const TMapLeafGrp* leaves) {
  const TMapTheme* theme = leaves ? leaves->Theme() : nullptr;
  return theme ? theme->Project() : nullptr;
}

// What placing a file came to: the placement, or the notice why not.
struct TPlaced {
  std::optional<TMapPlacement> Placement;
  std::string Notice;
};

// Fits the control points to the named points of a file read with its
// geometry (`build`): 基準点 by 名称, 筆界点 by 点番名. The sheets are the
// frames with all four corners.
TPlaced PlaceByControl(const TMojHandler& h, const std::string& leafFileName,
                       const std::string& controlFile, TFitKind kind) {
  TPlaced out;
  try {
    const TControlFile control = ReadControlFile(controlFile).ForMap(leafFileName);
    // Points for other maps only (a zip's sidecar before this member is
    // placed): the map stays in its own coordinates, as without a file.
    if (control.Entries.empty()) {
      out.Notice = kLocalNotice;
      return out;
    }
    const auto named = [&h](const std::string& name) -> std::optional<TFPoint> {
      for (const TMark& mark : h.Marks) {
        if (mark.Name != name) continue;
        const TIds::TSlot s = h.Ids.Slots[mark.Slot];
        if (s.Kind == TIds::kPoint) return h.Points[s.Index];
      }
      return std::nullopt;
    };
    std::vector<std::vector<TFPoint>> sheets;
    for (const TFrame& frame : h.Frames())
      if (frame.Has[0] && frame.Has[1] && frame.Has[2] && frame.Has[3])
        sheets.emplace_back(frame.Corners.begin(), frame.Corners.end());
    out.Placement = TMapPlacement::Fit(control, named, sheets, kind);
    out.Notice = out.Placement->Summary();
  } catch (const EChizroError& e) {
    out.Notice = std::string(kLocalNotice) + "位置合わせできません: " + e.what();
  }
  return out;
}

// Every position of the file into the zone: points (and the inline
// positions of curves) by the fit of the sheet they lie in, each frame's
// corners by the fit of its own sheet.
void ApplyPlacement(TMojHandler& h, const TMapPlacement& placement) {
  for (TXY& p : h.Points) p = placement.Apply(p);
  for (TFrame& frame : h.Frames()) {
    TFPoint middle{0, 0};
    int n = 0;
    for (std::size_t i = 0; i < 4; ++i)
      if (frame.Has[i]) {
        middle.x += frame.Corners[i].x;
        middle.y += frame.Corners[i].y;
        ++n;
      }
    if (n == 0) continue;
    middle = {middle.x / n, middle.y / n};
    for (std::size_t i = 0; i < 4; ++i)
      if (frame.Has[i]) frame.Corners[i] = placement.ApplyAt(middle, frame.Corners[i]);
  }
  h.Extent = {};
  for (const TXY& p : h.Points) h.Extent.Add(p);
  for (const TFrame& frame : h.Frames())
    for (std::size_t i = 0; i < 4; ++i)
      if (frame.Has[i]) h.Extent.Add(frame.Corners[i]);
}

// The bytes of a 地図XML file with the control characters in its texts
// replaced by "?": the registry once published files with them, and XML
// forbids them (readers/common/utf8_guard.h).
struct TMojSource {
  explicit TMojSource(const std::string& leafFileName)
      : File(OpenSource(leafFileName)), Bytes(*File) {}
  std::unique_ptr<TByteSource> File;
  TControlCharFilter Bytes;
};

// A file read to its end or to its error: the handler with what it kept,
// what stopped the read, and the control characters replaced (how many, and
// the line of the first).
struct TMojRead {
  std::unique_ptr<TMojHandler> Handler;
  TXmlStop Result;
  std::uint64_t Replaced = 0;
  std::uint64_t FirstLine = 0;
};

// What the user is told of the replaced characters: the file and the line
// of the first; "" when none was.
std::string ControlCharNotice(const std::string& leafFileName, const TMojRead& read) {
  if (read.Replaced == 0) return {};
  return LocatedText(leafFileName,
                     "制御文字 " + std::to_string(read.Replaced) +
                         " 個を '?' に置き換えて読みました (XML では使えない文字です)",
                     TErrorPlace::Line(read.FirstLine));
}

// The sections whose records a large file is cut between, by their local
// names: the geometry and the thematic items (the sheets are few).
const std::vector<TXmlSection>& MojSections() {
  static const std::vector<TXmlSection> sections = {
      {"空間属性", {"GM_Point", "GM_Curve", "GM_Surface"}},
      {"主題属性", {"基準点", "筆界点", "筆界線", "仮行政界線", "筆"}},
  };
  return sections;
}

constexpr unsigned kMaxParts = 16;

// Reads the parts of a file on `threads` threads (the calling one among
// them: it reports the progress of the parts it reads and sees a cancel),
// each taking the next part not yet taken, so that parts of unequal cost
// even out. Once no part is left to take, the calling thread appends the
// finished parts in file order to the first one's handler while the others
// read on. Null when a part stopped with an error, had a control character
// replaced or a namespace declared on a section, or the parts do not join
// (an id defined in two of them): the file is then read in one piece, as one
// read reports it, with its errors at their true places.
std::unique_ptr<TMojHandler> ReadInParts(const std::string& fileName,
                                         const std::vector<TXmlPart>& parts, std::int64_t size,
                                         unsigned threads) {
  const std::size_t n = parts.size();
  std::vector<std::unique_ptr<TMojHandler>> handlers;
  for (std::size_t i = 0; i < n; ++i) handlers.push_back(std::make_unique<TMojHandler>(fileName, true));
  // Per part: 0 while it is read, 1 read to its end cleanly, 2 not. A mutex
  // and a condition variable, not std::atomic::wait: MinGW's libstdc++ can
  // miss the wake-up of an atomic wait and hang.
  std::vector<int> state(n, 0);
  std::mutex stateMutex;
  std::condition_variable stateChanged;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::atomic<std::int64_t> done{0};
  const auto finish = [&](std::size_t i, int how) {
    if (how != 1) stop = true;
    {
      const std::lock_guard<std::mutex> lock(stateMutex);
      state[i] = how;
    }
    stateChanged.notify_all();
  };
  const auto waitFor = [&](std::size_t i) {
    std::unique_lock<std::mutex> lock(stateMutex);
    stateChanged.wait(lock, [&] { return state[i] != 0; });
    return state[i];
  };
  const auto readParts = [&](bool calling) {
    for (std::size_t i; (i = next++) < n;) {
      int how = 2;
      try {
        if (!stop) {
          const std::unique_ptr<TByteSource> source =
              OpenXmlPart(fileName, parts[i], done, size, stop, calling);
          TControlCharFilter bytes(*source);
          const TXmlStop result = ParseToEnd(bytes, *handlers[i]);
          if (result.Detail.empty() && bytes.Replaced == 0 && !handlers[i]->SectionNamespace)
            how = 1;
        }
      } catch (...) {
        finish(i, 2);
        throw;
      }
      finish(i, how);
    }
  };
  std::vector<std::thread> workers;
  std::exception_ptr cancelled;
  bool joined = false;
  try {
    for (unsigned t = 1; t < threads && t < n; ++t)
      workers.emplace_back([&readParts, &finish, &next, n] {
        try {
          readParts(false);
        } catch (...) {
          // The part this thread was reading stops the others; parts still
          // untaken are marked by whoever takes them.
          for (std::size_t i; (i = next++) < n;) finish(i, 2);
        }
      });
    readParts(true);
    joined = true;
    for (std::size_t i = 0; i < n && joined; ++i) {
      if (waitFor(i) != 1 || (i > 0 && !handlers[0]->Append(*handlers[i]))) joined = false;
      if (i > 0) handlers[i].reset();
    }
  } catch (const EOpenCancelled&) {
    cancelled = std::current_exception();
  } catch (...) {
    // No thread, or a part could not be opened, or no memory: one read tells.
  }
  if (!joined) stop = true;
  for (std::thread& t : workers) t.join();
  if (cancelled) std::rethrow_exception(cancelled);
  if (!joined) return nullptr;
  return std::move(handlers[0]);
}

// Reads a file whole. A plain file to be built that is as large as `split`
// says is read in parts on several cores (readers/common/xml_split.h): the
// result is the one read's.
TMojRead ReadMoj(const std::string& leafFileName, bool build, const TMojSplit& split) {
  TMojRead read;
  if (build && !TLeafPath::Parse(leafFileName).InArchive()) {
    std::error_code ec;
    const auto size = static_cast<std::int64_t>(fs::file_size(FsPath(leafFileName), ec));
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // By default eight parts a core, which the threads take in turn: the
    // last part read is short, and so is the wait for it.
    const unsigned parts = split.Parts ? split.Parts : cores >= 2 ? 8 * cores : 1;
    if (!ec && size >= split.FromBytes && parts >= 2) {
      std::vector<TXmlPart> cut;
      try {
        cut = SplitXmlSections(leafFileName, size, std::min(parts, kMaxParts), MojSections());
      } catch (const EInOutError&) {
        // Not readable: the one read below says so in its words.
      }
      if (cut.size() >= 2) {
        read.Handler = ReadInParts(leafFileName, cut, size, std::max(2u, cores));
        if (read.Handler) {
          if (split.Joined) ++*split.Joined;
          return read;
        }
      }
    }
  }
  TMojSource source(leafFileName);
  read.Handler = std::make_unique<TMojHandler>(leafFileName, build);
  read.Result = ParseToEnd(source.Bytes, *read.Handler);
  read.Replaced = source.Bytes.Replaced;
  read.FirstLine = source.Bytes.FirstLine;
  return read;
}

// Reads a file for its system and extent. With `build` the same pass builds
// the figures too, and a file read whole without an error gives a loaded
// leaf: a file opened on its own is painted straight away, and reading it a
// second time would double the work. A file with an error keeps nothing
// here: its load reads it again and reports.
std::unique_ptr<TMapLeaf> ScanLeaf(TMapLeafGrp& leaves, const std::string& leafFileName,
                                   std::string* notMoj, bool build, const TMojSplit& split) {
  TMojRead read = ReadMoj(leafFileName, build, split);
  TMojHandler& handler = *read.Handler;
  const TXmlStop& result = read.Result;
  if (result.Foreign) return PassOverForeign(leafFileName, result, notMoj);
  if (!handler.Zone) {
    if (!result.Detail.empty()) throw XmlError(leafFileName, result.Detail, result.Place);
    throw EInOutError(Quoted(leafFileName) + " には座標系がありません");
  }
  if (handler.Extent.Empty) {
    if (!result.Detail.empty()) throw XmlError(leafFileName, result.Detail, result.Place);
    throw EInOutError(Quoted(leafFileName) + " には座標がありません");
  }
  std::unique_ptr<TMapLeaf> leaf = NewFileLeaf(leaves, leafFileName);
  SetLeafSystem(*leaf, *handler.Zone);
  if (*handler.Zone == 0) leaf->Notice = kLocalNotice;
  const TMapProject* project = ProjectOf(&leaves);
  const std::string control = ControlFileFor(project, leafFileName);
  if (!control.empty() && *handler.Zone != 0 && IsFile(SidecarOf(leafFileName)) &&
      HasPointsFor(control, leafFileName))
    leaf->Notice = "公共座標の地図XMLには位置合わせをしません (すでに位置付けられています): " +
                   PathForMessage(SidecarOf(leafFileName));
  if (!control.empty() && *handler.Zone == 0 && result.Detail.empty()) {
    // The fit needs the named points: a scan that kept no geometry reads
    // the file again with it.
    std::unique_ptr<TMojHandler> full;
    if (!build) full = ReadMoj(leafFileName, true, split).Handler;
    TMojHandler& h = full ? *full : handler;
    TPlaced placed =
        PlaceByControl(h, leafFileName, control, project ? project->Fit : TFitKind::Helmert);
    leaf->Notice = placed.Notice;
    if (placed.Placement) {
      ApplyPlacement(h, *placed.Placement);
      leaf->Zone = project ? project->Zone : TZone::Stated(9);
      leaf->Datum = TDatum::Jgd2000;
      leaf->PlacedByControl = true;
      if (full) handler.Extent = h.Extent;
    }
  }
  if (const std::string replaced = ControlCharNotice(leafFileName, read); !replaced.empty())
    leaf->Notice = leaf->Notice.empty() ? replaced : leaf->Notice + "\n" + replaced;
  leaf->Extent = handler.Extent.Rect;
  if (build && result.Detail.empty()) {
    TBuild figures(handler);
    bool built = false;
    try {
      figures.Run();
      built = handler.ItemProblem.Empty() && figures.Error.Empty();
    } catch (const std::bad_alloc&) {
    }
    if (built) {
      leaf->AddFigGrp(std::move(figures.Polylines))->UpdateExtents();
      leaf->AddFigGrp(std::move(figures.Points))->UpdateExtents();
      FinishBuiltLeaf(*leaf);
    }
  }
  return leaf;
}

// The scan of 地図XML files, zips (also zips in zips) and folders; a large
// plain file is read in parts as `split` says.
TFileScan MojScan(const TMojSplit& split) {
  TFileScan scan;
  scan.Endings = {".xml"};
  scan.NestedArchives = true;
  scan.What = "地図XML";
  scan.ReadLeaf = [&split](TMapLeafGrp& leaves, const std::string& leafFileName,
                           std::string* notMoj, bool build) {
    return ScanLeaf(leaves, leafFileName, notMoj, build, split);
  };
  return scan;
}

}  // namespace

TMapBuilder_Moj::TMapBuilder_Moj(TMojSplit split) : split_(split) { EnsureXercesRuntime(); }

TMapBuilder_Moj::~TMapBuilder_Moj() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Moj::OpenFile(TMapLeafGrp& leaves,
                                                    const std::string& fileName) {
  return MojScan(split_).OpenFile(leaves, fileName);
}

TMapLeafGrp* TMapBuilder_Moj::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  return MojScan(split_).OpenFolder(leaves, folderName);
}

void TMapBuilder_Moj::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/, double /*scale*/) {
  TMojRead read = ReadMoj(leaf.FileName, true, split_);
  TMojHandler& handler = *read.Handler;
  const TXmlStop& result = read.Result;
  const TZone opened = leaf.Zone;
  if (handler.Zone) SetLeafSystem(leaf, *handler.Zone);
  if (handler.Zone == 0 && result.Detail.empty()) {
    const TMapProject* project = ProjectOf(leaf.Leaves());
    const std::string control = ControlFileFor(project, leaf.FileName);
    if (!control.empty()) {
      TPlaced placed = PlaceByControl(handler, leaf.FileName, control,
                                      project ? project->Fit : TFitKind::Helmert);
      leaf.Notice = placed.Notice;
      if (placed.Placement) {
        ApplyPlacement(handler, *placed.Placement);
        // In the zone it was placed in when it opened.
        leaf.Zone = opened.IsStated()           ? opened
                    : project                   ? project->Zone
                                                : TZone::Stated(9);
        leaf.Datum = TDatum::Jgd2000;
      }
    }
  }
  if (!handler.Extent.Empty) leaf.Extent = handler.Extent.Rect;
  // What was read is built, also when the parse stopped with an error.
  TBuild build(handler);
  TProblem buildError;
  try {
    build.Run();
    buildError = handler.ItemProblem.Empty() ? build.Error : handler.ItemProblem;
  } catch (const std::bad_alloc&) {
    buildError = {"メモリが足りません", {}};
  }
  leaf.AddFigGrp(std::move(build.Polylines))->UpdateExtents();
  leaf.AddFigGrp(std::move(build.Points))->UpdateExtents();
  if (!result.Detail.empty()) throw XmlError(leaf.FileName, result.Detail, result.Place);
  if (!handler.Zone) throw EInOutError(Quoted(leaf.FileName) + " には座標系がありません");
  if (!buildError.Empty()) throw XmlError(leaf.FileName, buildError.Detail, buildError.Place);
  leaf.Loaded = true;
}

bool TMapBuilder_Moj::SurveyData(const TMapLeaf& leaf, TSurveyData& data) {
  TMojRead read = ReadMoj(leaf.FileName, true, split_);
  TMojHandler& handler = *read.Handler;
  const TXmlStop& result = read.Result;
  if (!result.Detail.empty()) throw XmlError(leaf.FileName, result.Detail, result.Place);
  if (!handler.Zone) throw EInOutError(Quoted(leaf.FileName) + " には座標系がありません");
  if (*handler.Zone == 0) {
    // A placed map hands out its points where it is drawn.
    const TMapProject* project = ProjectOf(leaf.Leaves());
    const std::string control = ControlFileFor(project, leaf.FileName);
    if (!control.empty()) {
      TPlaced placed = PlaceByControl(handler, leaf.FileName, control,
                                      project ? project->Fit : TFitKind::Helmert);
      if (placed.Placement) ApplyPlacement(handler, *placed.Placement);
    }
  }
  TBuild build(handler);
  build.Survey(data);
  const TProblem& problem = handler.ItemProblem.Empty() ? build.Error : handler.ItemProblem;
  if (!problem.Empty()) throw XmlError(leaf.FileName, problem.Detail, problem.Place);
  return true;
}

}  // namespace chizro
