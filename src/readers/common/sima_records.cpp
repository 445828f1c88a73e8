#include "readers/common/sima_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "readers/common/reader_util.h"
#include "readers/common/text_decode.h"
#include "readers/common/text_filer.h"

namespace chizro {

std::string_view TrimSimaField(std::string_view s) noexcept {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void SplitSimaFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      const std::string_view last = TrimSimaField(line.substr(start));
      if (!last.empty() || fields.empty()) fields.push_back(last);
      return;
    }
    fields.push_back(TrimSimaField(line.substr(start, comma - start)));
    start = comma + 1;
  }
}

namespace {

bool IsCode(std::string_view field, std::string_view code) noexcept {
  if (field.size() != code.size()) return false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    char c = field[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != code[i]) return false;
  }
  return true;
}

// A point or parcel number: the whole field an integer; anything else
// (empty, "0", text) is none, and the name decides.
std::int64_t NumberOf(std::string_view field) noexcept {
  std::int64_t n = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), n);
  if (ec != std::errc() || end != field.data() + field.size() || n < 0) return 0;
  return n;
}

struct TRef {
  std::int64_t Number;
  std::string Name;
  std::uint64_t Line;
};

struct TPendingParcel {
  TSimaParcel Parcel;
  std::vector<TRef> Refs;
};

class TReader {
public:
  explicit TReader(TSimaData& data) : data_(data) {}

  std::optional<TSimaFault> Run(std::string_view text) {
    TLineCursor lines(text);
    std::string_view line;
    std::optional<TSimaFault> fault;
    while (!fault && lines.Next(line)) fault = Record(line, lines.LineNumber());
    if (!fault && open_) EndParcel();  // a last parcel without its D99
    return Resolve(std::move(fault));
  }

private:
  static TSimaFault Fault(std::uint64_t line, std::string detail) {
    return {std::move(detail), TErrorPlace::Line(line)};
  }

  std::optional<TSimaFault> Record(std::string_view line, std::uint64_t at) {
    if (TrimSimaField(line).empty() || line == "\x1A") return std::nullopt;
    SplitSimaFields(line, fields_);
    const std::string_view code = fields_[0];
    if (IsCode(code, "A01")) return Point(at);
    if (IsCode(code, "D00")) {
      if (open_) EndParcel();
      data_.AnyRecord = true;
      open_ = true;
      pending_.emplace_back();
      TSimaParcel& p = pending_.back().Parcel;
      p.Number = fields_.size() > 1 ? NumberOf(fields_[1]) : 0;
      p.Name = fields_.size() > 2 ? std::string(fields_[2]) : std::string();
      p.Line = at;
      return std::nullopt;
    }
    if (IsCode(code, "B01")) {
      data_.AnyRecord = true;
      if (!open_) return Fault(at, "B01 (画地の点) が D00 (画地の始まり) の外にあります");
      if (fields_.size() < 3 && (fields_.size() < 2 || NumberOf(fields_[1]) == 0))
        return Fault(at, "B01 レコードの項目が足りません (点番号か点名が必要です)");
      pending_.back().Refs.push_back(
          {NumberOf(fields_[1]), fields_.size() > 2 ? std::string(fields_[2]) : std::string(), at});
      return std::nullopt;
    }
    if (IsCode(code, "D99")) {
      data_.AnyRecord = true;
      if (open_) EndParcel();
      return std::nullopt;
    }
    if (IsCode(code, "G00")) {
      data_.AnyRecord = true;
      if (fields_.size() > 2) data_.Title = std::string(fields_[2]);
      return std::nullopt;
    }
    if (IsCode(code, "Z00") || IsCode(code, "A00") || IsCode(code, "A99")) {
      data_.AnyRecord = true;
      return std::nullopt;
    }
    ++data_.Skipped;
    return std::nullopt;
  }

  std::optional<TSimaFault> Point(std::uint64_t at) {
    data_.AnyRecord = true;
    if (fields_.size() < 5)
      return Fault(at, "A01 レコードの項目が足りません (点番号、点名、X、Y が必要です)");
    TSimaPoint p;
    p.Number = NumberOf(fields_[1]);
    p.Name = std::string(fields_[2]);
    p.Line = at;
    const auto x = DecimalField(fields_[3]);
    if (!x) return Fault(at, "X '" + std::string(fields_[3]) + "' は数値ではありません");
    const auto y = DecimalField(fields_[4]);
    if (!y) return Fault(at, "Y '" + std::string(fields_[4]) + "' は数値ではありません");
    p.X = *x;
    p.Y = *y;
    if (fields_.size() > 5 && !fields_[5].empty()) {
      const auto h = DecimalField(fields_[5]);
      if (!h) return Fault(at, "標高 '" + std::string(fields_[5]) + "' は数値ではありません");
      p.H = *h;
    }
    data_.Points.push_back(std::move(p));
    return std::nullopt;
  }

  void EndParcel() { open_ = false; }

  // Finds the point a B01 names.
  std::optional<std::uint32_t> Find(const TRef& ref) const {
    if (ref.Number != 0) {
      const auto [first, last] = byNumber_.equal_range(ref.Number);
      std::optional<std::uint32_t> any;
      for (auto it = first; it != last; ++it) {
        if (!any || it->second < *any) any = it->second;
        if (!ref.Name.empty() && data_.Points[it->second].Name == ref.Name) return it->second;
      }
      if (any && (ref.Name.empty() || !byName_.contains(ref.Name))) return any;
    }
    if (!ref.Name.empty()) {
      const auto it = byName_.find(ref.Name);
      if (it != byName_.end()) return it->second;
    }
    return std::nullopt;
  }

  // Parcels become rings of point indices, in order, up to the first that
  // names a point the file does not have (or that was read after the first
  // fault of the records).
  std::optional<TSimaFault> Resolve(std::optional<TSimaFault> fault) {
    for (std::uint32_t i = 0; i < data_.Points.size(); ++i) {
      const TSimaPoint& p = data_.Points[i];
      if (p.Number != 0) byNumber_.emplace(p.Number, i);
      if (!p.Name.empty()) byName_.try_emplace(p.Name, i);
    }
    const std::uint64_t stop = fault ? fault->Place.Number : ~std::uint64_t{0};
    for (TPendingParcel& pending : pending_) {
      if (pending.Parcel.Line >= stop) break;
      std::vector<std::uint32_t>& ring = pending.Parcel.Ring;
      bool whole = true;
      for (const TRef& ref : pending.Refs) {
        const auto at = Find(ref);
        if (!at) {
          if (ref.Line < stop) {
            std::string what = ref.Name.empty() ? "番号 " + std::to_string(ref.Number)
                                                : "'" + ref.Name + "'";
            return Fault(ref.Line, "画地 '" + pending.Parcel.Name + "' の点 " + what +
                                       " がファイルにありません");
          }
          whole = false;
          break;
        }
        if (!ring.empty() && ring.back() == *at) continue;  // the same point twice in a row
        ring.push_back(*at);
      }
      if (!whole) break;
      // A ring written closed names its first point again at the end.
      if (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
      data_.Parcels.push_back(std::move(pending.Parcel));
    }
    return fault;
  }

  TSimaData& data_;
  std::vector<std::string_view> fields_;
  std::vector<TPendingParcel> pending_;
  bool open_ = false;
  std::unordered_multimap<std::int64_t, std::uint32_t> byNumber_;
  std::unordered_map<std::string, std::uint32_t> byName_;
};

}  // namespace

std::optional<TSimaFault> ReadSimaRecords(std::string text, TSimaData& data) {
  const std::string sjis = TextAsSjis(std::move(text));
  TReader reader(data);
  return reader.Run(sjis);
}

bool LooksLikeSima(std::string_view head) noexcept {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  TLineCursor lines(head);
  std::string_view line;
  int seen = 0;
  while (seen < 3 && lines.Next(line)) {
    line = TrimSimaField(line);
    if (line.empty()) continue;
    if (lines.Remaining() == 0 && line.size() < 4) return seen > 0;  // cut by the head's end
    if (line.size() < 4) return false;
    const std::string_view code = line.substr(0, 3);
    const std::string_view rest = TrimSimaField(line.substr(3));
    if (rest.empty() || rest.front() != ',') return false;
    if (!(IsCode(code, "G00") || IsCode(code, "Z00") || IsCode(code, "A00") ||
          IsCode(code, "A01") || IsCode(code, "Z01")))
      return seen > 0 && (code[0] >= 'A' && code[0] <= 'Z');
    ++seen;
  }
  return seen > 0;
}

}  // namespace chizro
