#include "readers/ksj/ksj_builder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/text_case.h"
#include "readers/common/text_filer.h"
#include "readers/common/topology.h"

namespace chizro {

namespace {

constexpr double kUnitsPerDegree = 36000.0;  // coordinates are in 1/36000 degree
constexpr int kItemsPerLine = 5;             // points or references per continuation line
constexpr std::size_t kPointWidth = 16;
constexpr std::size_t kRefWidth = 14;
constexpr char kSeparator = '@';

// What a data item makes of its file.
enum class TItemKind { None, Lines, Areas };

struct TItem {
  TItemKind Kind = TItemKind::None;
  bool Attributes = false;  // areas with data attribute records
};

TItem ItemOf(std::string_view code) {
  if (code == "N01" || code == "C23" || code == "C28") return {TItemKind::Lines, false};
  if (code == "N03" || code == "A09") return {TItemKind::Areas, true};
  if (code == "A03" || code == "A11") return {TItemKind::Areas, false};
  return {};
}

// Columns first..last (from 1, inclusive) of a line, cut at the line's end.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t last) {
  if (first > line.size()) return {};
  return line.substr(first - 1, last - first + 1);
}

std::string_view TextField(std::string_view line, std::size_t first, std::size_t last) {
  return TrimBlanks(Columns(line, first, last));
}

// A right-aligned integer: blanks, an optional sign, then digits to the end.
std::optional<std::int32_t> ParseRightAligned(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return std::nullopt;
  }
  if (s.empty()) return std::nullopt;
  std::int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || ptr != s.data() + s.size()) return std::nullopt;
  return value;
}

// An integer field. A field that the line's end cuts short holds blanks after
// its digits, so it is not a number either.
std::int32_t IntField(std::string_view line, std::size_t first, std::size_t last) {
  const std::size_t width = last - first + 1;
  const std::string_view field = Columns(line, first, last);
  if (field.size() == width) {
    if (const auto v = ParseRightAligned(field)) return *v;
  }
  std::string text(field);
  text.resize(width, ' ');
  throw EConvertError(text);
}

double Degrees(std::int32_t units) { return units / kUnitsPerDegree; }

// name part "@" number, the number with at least six digits.
std::string ArcName(std::string_view part, std::int32_t number) {
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%.6d", static_cast<int>(number));
  std::string name;
  name.reserve(part.size() + 1 + static_cast<std::size_t>(n));
  name.append(part);
  name.push_back(kSeparator);
  name.append(digits, static_cast<std::size_t>(n));
  return name;
}

// One pass over the file that collects the records the data item needs. A
// record's continuation lines are consumed with it, so that their text is
// never taken for a record of its own.
class TKsjReader {
public:
  TKsjReader(const TTextFiler& file, std::string_view code, TItem item)
      : file_(file), code_(code), item_(item) {}

  void Read() {
    const bool areas = item_.Kind == TItemKind::Areas;
    next_ = 1;  // the header line is never read
    while (next_ < file_.Count()) {
      const std::string& line = file_.GetLine(next_++);
      if (line.empty()) continue;
      if (line[0] == 'L') {
        ReadArc(line);
      } else if (areas && line[0] == 'A') {
        ReadArea(line);
      } else if (item_.Attributes && line.size() >= 2 && line[0] == 'D' && line[1] == 'A') {
        ReadAttributes(line);
      }
    }
  }

  // The 1-based line read last, for messages.
  int LineNumber() const { return std::min(next_, file_.Count()); }

  TArcList Arcs;
  TPgnList Polygons;
  TAtrList Attributes;
  TExtentBuilder Extent;

private:
  // The next continuation line; EListIndexError when the file has ended.
  const std::string& NextLine() { return file_.GetLine(next_++); }

  // Continuation lines still in the file, to bound what a count may reserve.
  std::size_t LinesLeft() const { return static_cast<std::size_t>(file_.Count() - next_); }

  void ReadArc(std::string_view line) {
    auto arc = std::make_unique<TArcElement>();
    const std::int32_t number = IntField(line, 28, 33);
    const std::int32_t count = IntField(line, 46, 51);
    arc->Name = ArcName(TextField(line, 4, 9), number);
    arc->Code = code_;
    arc->Kind = 0;
    if (count > 0) {
      arc->Points.reserve(std::min(static_cast<std::size_t>(count), LinesLeft() * kItemsPerLine));
    }
    for (std::int32_t read = 0; read < count;) {
      const std::string& points = NextLine();
      const int take = std::min(kItemsPerLine, count - read);
      for (int j = 0; j < take; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * kPointWidth;
        const TFPoint p{Degrees(IntField(points, at + 1, at + 8)),
                        Degrees(IntField(points, at + 9, at + 16))};
        arc->AddPoint(p);
        Extent.Add(p);
      }
      read += take;
    }
    Arcs.AddElement(std::move(arc));
  }

  void ReadArea(std::string_view line) {
    auto pgn = std::make_unique<TPgnElement>();
    const std::string_view part = TextField(line, 4, 9);
    pgn->X = Degrees(IntField(line, 10, 17));
    pgn->Y = Degrees(IntField(line, 18, 25));
    const std::string_view second = TextField(line, 26, 33);
    if (TextField(line, 34, 35) == "1") {
      pgn->Name = TextField(line, 36, 45);
    } else {
      pgn->Name.reserve(part.size() + 1 + second.size());
      pgn->Name.append(part);
      pgn->Name.push_back(kSeparator);
      pgn->Name.append(second);
    }
    pgn->Code = code_;
    const std::int32_t count = IntField(line, 46, 51);
    if (count > 0) {
      pgn->ArcRefs.reserve(std::min(static_cast<std::size_t>(count), LinesLeft() * kItemsPerLine));
    }
    for (std::int32_t read = 0; read < count;) {
      const std::string& refs = NextLine();
      const int take = std::min(kItemsPerLine, count - read);
      for (int j = 0; j < take; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * kRefWidth;
        pgn->AddArcRef(ArcName(TextField(refs, at + 1, at + 6), IntField(refs, at + 7, at + 12)));
      }
      read += take;
    }
    Polygons.AddElement(std::move(pgn));
  }

  void ReadAttributes(std::string_view line) {
    auto atr = std::make_unique<TAtrElement>();
    atr->Name = TextField(line, 4, 13);
    atr->Code = code_;
    if (code_ == "N03") {
      atr->Values.reserve(4);
      for (std::size_t first = 17; first <= 65; first += 16) {
        atr->AddValue(std::string(TextField(line, first, first + 15)));
      }
    } else {
      atr->Values.reserve(4);
      atr->AddValue(atr->Name);
      atr->AddValue(std::string(TextField(line, 17, 21)));
      atr->AddValue(std::string(TextField(line, 22, 25)));
      atr->AddValue(std::string(TextField(line, 26, 26)));
    }
    Attributes.AddElement(std::move(atr));
  }

  const TTextFiler& file_;
  std::string code_;
  TItem item_;
  int next_ = 1;
};

}  // namespace

void TMapBuilder_Ksj::PrepareLeaf(TMapLeaf& leaf) const {
  leaf.SheetName = BaseName(leaf.FileName);
  // The data item code; file names on Windows carry no case, the codes do.
  leaf.Name = UpperAscii(leaf.SheetName.substr(0, 3));
}

void TMapBuilder_Ksj::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/,
                               double /*scale*/) {
  const std::string code = leaf.Name;
  const TItem item = ItemOf(code);
  if (item.Kind == TItemKind::None) {
    // A file of another data item (a ledger, a mesh file) has none of the
    // classes read here.
    leaf.NoFigureReason = "既知の分類の地物がありません: データ項目 '" + code + "'";
    leaf.Loaded = true;
    return;
  }
  const TTextFiler file(leaf.FileName);
  TKsjReader reader(file, code, item);
  auto attach = [&] {
    if (!reader.Extent.Empty) leaf.Extent = reader.Extent.Rect;
    if (item.Kind == TItemKind::Areas)
      reader.Polygons.AddToLeaf(leaf, code, reader.Attributes, reader.Arcs);
    reader.Arcs.AddToLeaf(leaf, code, TArcKinds{0});
  };
  ReadThenAttach(
      [&] {
        LocatedAt(
            leaf.FileName,
            [&] { return TErrorPlace::Line(static_cast<unsigned long long>(reader.LineNumber())); },
            [&] { reader.Read(); });
      },
      attach);
  leaf.Loaded = true;
}

}  // namespace chizro
