#include "readers/enc/iso8211_listing.h"
#include "readers/common/reader_util.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <functional>
#include <optional>

#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"

namespace chizro {

namespace {

constexpr std::size_t kTagStart = 1;
constexpr std::size_t kTagLength = 4;
constexpr std::size_t kContentStart = 6;
constexpr std::size_t kFirstSubfield = 2;
constexpr std::size_t kPointerLength = 12;

constexpr int kStoreIsolatedNode = 0;
constexpr int kStoreConnectedNode = 1;
constexpr int kStoreEdge = 2;

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The byte of two hex digits, or nothing.
std::optional<unsigned> HexByte(std::string_view pair) noexcept {
  const int hi = HexDigit(pair[0]);
  const int lo = HexDigit(pair[1]);
  if (hi < 0 || lo < 0) return std::nullopt;
  return static_cast<unsigned>(hi * 16 + lo);
}

// The store of a record name given as decimal text ("110", "120", "130").
int StoreOfName(std::string_view rcnm) noexcept {
  if (rcnm == "110") return kStoreIsolatedNode;
  if (rcnm == "120") return kStoreConnectedNode;
  if (rcnm == "130") return kStoreEdge;
  return -1;
}

// A count read from item 0, which must not be negative.
std::size_t CheckedCount(const TFieldLine& field) {
  const std::int32_t n = field.RepeatCount();
  if (n < 0) throw EListIndexError(n);
  return static_cast<std::size_t>(n);
}

// Reads `n` coordinate tuples of `width` numbers (y, x and optionally z)
// from items 2 onwards.
void ReadCoordinates(const TFieldLine& field, std::size_t width, std::int32_t comf,
                     std::int32_t somf, std::vector<TEncVertex>& vertices) {
  const std::size_t n = CheckedCount(field);
  // Every item is looked at in order; the first one missing is the error.
  if (n > 0 && (field.Count() < kFirstSubfield || (field.Count() - kFirstSubfield) / width < n))
    throw EListIndexError(static_cast<long long>(std::max(field.Count(), kFirstSubfield)));
  vertices.clear();
  vertices.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t at = kFirstSubfield + width * k;
    TEncVertex& v = vertices[k];
    v.y = StrToFloat(field.Item(at)) / comf;
    v.x = StrToFloat(field.Item(at + 1)) / comf;
    if (width == 3) v.z = StrToFloat(field.Item(at + 2)) / somf;
  }
}

std::int32_t Factor(const TFieldLine& dspm, std::string_view name) {
  const std::string_view text = dspm.Subfield(name, 0);
  const std::int32_t value = StrToInt(text);
  if (value <= 0)
    throw EInOutError("DSPM の " + std::string(name) + " " + std::to_string(value) +
                      " は使えません (正の整数が必要です)");
  return value;
}

}  // namespace

TListingLineKind ListingLineKind(std::string_view line) noexcept {
  if (line.starts_with("RECN")) return TListingLineKind::RecordStart;
  if (line.starts_with("****")) return TListingLineKind::RecordEnd;
  return TListingLineKind::Field;
}

std::string_view ListingTag(std::string_view line) noexcept {
  return line.size() > kTagStart ? line.substr(kTagStart, kTagLength) : std::string_view();
}

void TFieldLine::Assign(std::string_view line) {
  tag_ = ListingTag(line);
  const std::string_view content =
      line.size() > kContentStart ? line.substr(kContentStart) : std::string_view();
  items_.Split(content);
}

std::string_view TFieldLine::Item(std::size_t i) const { return items_.At(i); }

std::int32_t TFieldLine::RepeatCount() const { return StrToInt(Item(0)); }

std::string_view TFieldLine::Subfield(std::string_view name, int occurrence) const {
  if (occurrence < 0) return {};
  int seen = 0;
  for (std::size_t i = kFirstSubfield; i < items_.Count(); ++i) {
    const std::string_view item = items_[i];
    if (item.size() > name.size() && item[name.size()] == '=' && item.starts_with(name)) {
      if (seen == occurrence) return item.substr(name.size() + 1);
      ++seen;
    }
  }
  return {};
}

void TFieldLine::Subfields(std::string_view name, std::vector<std::string_view>& values) const {
  values.clear();
  for (std::size_t i = kFirstSubfield; i < items_.Count(); ++i) {
    const std::string_view item = items_[i];
    if (item.size() > name.size() && item[name.size()] == '=' && item.starts_with(name))
      values.push_back(item.substr(name.size() + 1));
  }
}

TEncListing TEncListing::FromFile(const std::string& fileName) {
  return TEncListing(ReadWholeFile(fileName), fileName);
}

TEncListing::TEncListing(std::string text, std::string fileName)
    : text_(std::move(text)), fileName_(std::move(fileName)) {}

void TEncListing::ReadVectorPass(std::int32_t& comf, std::int32_t& somf) {
  for (auto& store : stores_) store.clear();
  kept_.clear();
  storedVertices_ = 0;
  TLineCursor cursor(text_);
  TFieldLine field;
  std::string_view line;
  LocatedAt(
      fileName_, [&] { return TErrorPlace::Line(cursor.LineNumber()); },
      [&] {
        while (cursor.Next(line)) {
          if (ListingLineKind(line) != TListingLineKind::RecordStart) continue;
          while (cursor.Next(line)) {
            if (ListingLineKind(line) == TListingLineKind::RecordEnd) break;
            const std::string_view tag = ListingTag(line);
            if (tag == "DSPM") {
              field.Assign(line);
              const std::int32_t c = Factor(field, "COMF");
              const std::int32_t s = Factor(field, "SOMF");
              comf = c;
              somf = s;
            } else if (tag == "VRID") {
              field.Assign(line);
              ParseVectorRecord(field, cursor, comf, somf);
              break;
            }
          }
        }
      });
  for (auto& store : stores_) {
    std::stable_sort(store.begin(), store.end(),
                     [](const TStoreEntry& a, const TStoreEntry& b) { return a.Key < b.Key; });
  }
}

void TEncListing::ParseVectorRecord(const TFieldLine& vrid, TLineCursor& cursor, std::int32_t comf,
                                    std::int32_t somf) {
  const int store = StoreOfName(vrid.Subfield("RCNM", 0));
  if (store < 0) return;
  TStoreEntry entry;
  entry.Key = Keep(vrid.Subfield("RCID", 0));
  TVectorRecord& record = entry.Record;
  TFieldLine field;
  std::string_view line;
  while (cursor.Next(line)) {
    if (ListingLineKind(line) == TListingLineKind::RecordEnd) break;
    const std::string_view tag = ListingTag(line);
    if (tag == "SG2D" || tag == "SG3D") {
      field.Assign(line);
      ReadCoordinates(field, tag == "SG2D" ? 2 : 3, comf, somf, record.Vertices);
    } else if (tag == "VRPT") {
      field.Assign(line);
      const std::size_t n = CheckedCount(field);
      record.PointerCount = static_cast<int>(n);
      field.Subfields("NAME", record.Pointers);
      if (record.Pointers.size() > n) record.Pointers.resize(n);
      for (std::string_view& pointer : record.Pointers) pointer = Keep(pointer);
    }
  }
  storedVertices_ += record.Vertices.size();
  stores_[static_cast<std::size_t>(store)].push_back(std::move(entry));
}

std::string_view TEncListing::Keep(std::string_view value) {
  const char* begin = text_.data();
  const std::less<const char*> before;
  if (value.empty() ||
      (!before(value.data(), begin) && !before(begin + text_.size(), value.data() + value.size())))
    return value;
  return kept_.emplace_back(value);
}

void TEncListing::ScanFeatureLines(const TFeatureHandler& handler) const {
  TLineCursor cursor(text_);
  TFieldLine field;
  std::string_view line;
  LocatedAt(
      fileName_, [&] { return TErrorPlace::Line(cursor.LineNumber()); },
      [&] {
        while (cursor.Next(line)) {
          if (ListingLineKind(line) != TListingLineKind::Field || ListingTag(line) != "FRID")
            continue;
          field.Assign(line);
          handler(field, cursor);
        }
      });
}

const TVectorRecord* TEncListing::FindVectorRecord(std::string_view pointer) const {
  if (pointer.size() < kPointerLength) return nullptr;
  const std::optional<unsigned> rcnm = HexByte(pointer.substr(2, 2));
  if (!rcnm) return nullptr;
  int store = -1;
  switch (*rcnm) {
    case 110:
      store = kStoreIsolatedNode;
      break;
    case 120:
      store = kStoreConnectedNode;
      break;
    case 130:
      store = kStoreEdge;
      break;
    default:
      return nullptr;
  }
  std::uint32_t id = 0;
  for (int i = 3; i >= 0; --i) {
    const std::optional<unsigned> b =
        HexByte(pointer.substr(4 + 2 * static_cast<std::size_t>(i), 2));
    if (!b) return nullptr;
    id = (id << 8) | *b;
  }
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, id);
  const std::string_view key(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto& entries = stores_[static_cast<std::size_t>(store)];
  const auto it =
      std::lower_bound(entries.begin(), entries.end(), key,
                       [](const TStoreEntry& e, std::string_view k) { return e.Key < k; });
  return it != entries.end() && it->Key == key ? &it->Record : nullptr;
}

std::string TEncListing::DecodeHexText(std::string_view value) {
  std::string text;
  if (value.size() < 2) return text;
  text.reserve((value.size() - 2) / 2);
  for (std::size_t i = 2; i + 1 < value.size(); i += 2) {
    const std::string_view pair = value.substr(i, 2);
    const std::optional<unsigned> b = HexByte(pair);
    if (!b) throw EConvertError("$" + std::string(pair));
    if (*b == 0) break;
    text.push_back(static_cast<char>(*b));
  }
  return text;
}

}  // namespace chizro
