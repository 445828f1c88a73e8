#include "readers/sdf/sdf2500_builder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <utility>

#include "coords/datum.h"
#include "model/class_def.h"
#include "model/map_leaf.h"
#include "model/open_progress.h"
#include "platform/comma_text.h"
#include "platform/convert.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/ini_file.h"
#include "platform/sorted.h"
#include "platform/text_case.h"
#include "readers/common/reader_util.h"
#include "readers/common/text_filer.h"
#include "readers/common/topology.h"

namespace chizro {

namespace sdf2500 {

namespace {

constexpr char kEndOfFile = '\x1a';

constexpr char kSep = static_cast<char>(std::filesystem::path::preferred_separator);

}  // namespace

// ---------------------------------------------------------------------------
// TRecordLines

TRecordLines::TRecordLines(const std::string& fileName) : fileName_(fileName) {
  // A folder opens as a stream on some systems; only a file has lines.
  SetText(!fileName.empty() && IsFile(fileName) ? ReadWholeFile(fileName) : std::string());
}

TRecordLines TRecordLines::FromText(std::string text) {
  TRecordLines lines;
  lines.SetText(std::move(text));
  return lines;
}

void TRecordLines::SetText(std::string text) {
  data_ = std::move(text);
  const void* nul = std::memchr(data_.data(), 0, data_.size());
  std::size_t end =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data_.data()) : data_.size();
  // Files copied from DOS-era discs may end with the end-of-file byte
  // (Ctrl-Z), before or after the last line end.
  while (end > 0 &&
         (data_[end - 1] == kEndOfFile || data_[end - 1] == '\r' || data_[end - 1] == '\n'))
    --end;
  cursor_ = TLineCursor(std::string_view(data_.data(), end));
  index_ = 0;
}

bool TRecordLines::Next(std::string_view& line) noexcept {
  // Lines of blanks only (empty ones included) carry nothing: passed over.
  while (cursor_.Next(line)) {
    if (TrimBlanks(line).empty()) continue;
    ++index_;
    return true;
  }
  return false;
}

std::string_view TRecordLines::Need() {
  std::string_view line;
  if (!Next(line)) throw EListIndexError(index_);
  return line;
}

// ---------------------------------------------------------------------------
// TDirIndex

TDirIndex::TDirIndex(std::string dir) : dir_(std::move(dir)) {
  if (dir_.empty()) return;
  std::error_code ec;
  std::filesystem::directory_iterator it(FsPath(dir_), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    Entry e;
    e.Name = PathText(it->path().filename());
    std::error_code typeEc;
    e.IsDir = it->is_directory(typeEc);
    e.IsFile = it->is_regular_file(typeEc);
    entries_.push_back(std::move(e));
  }
  // The order in which a Windows file system lists a folder: by name with
  // letter case ignored (ties by the bytes, so the order is always the same).
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    const int c = CompareText(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Name < b.Name;
  });
}

const TDirIndex::Entry* TDirIndex::Lookup(std::string_view name) const {
  const Entry* caseless = nullptr;
  for (const Entry& e : entries_) {
    if (e.Name == name) return &e;
    if (!caseless && SameText(e.Name, name)) caseless = &e;
  }
  return caseless;
}

std::string TDirIndex::PathOf(std::string_view name) const {
  std::string path = dir_;
  if (!path.empty() && !EndsWithSeparator(path)) path += kSep;
  path += name;
  return path;
}

std::string TDirIndex::FindFile(std::string_view name) const {
  const Entry* e = Lookup(name);
  return e && e->IsFile ? PathOf(e->Name) : std::string();
}

std::string TDirIndex::FindDir(std::string_view name) const {
  const Entry* e = Lookup(name);
  return e && e->IsDir ? PathOf(e->Name) : std::string();
}

// ---------------------------------------------------------------------------
// The file parsers

namespace {

// A record line: item 0 begins with the record letter.
bool IsRecord(std::string_view item0, char letter) noexcept {
  return !item0.empty() && item0.front() == letter;
}

// Characters 2 to 5 of item 0: the four digits after the letter.
std::string RecordCode(std::string_view item0) { return std::string(item0.substr(1, 4)); }

// A real item. Items hold no blanks (blanks separate fields), so a plain
// decimal number, the common case, converts directly; anything else goes
// the way of StrToFloat, which gives the same value or the conversion error.
double Real(std::string_view item) {
  const char* first = item.data();
  const char* last = first + item.size();
  if (double value = 0; ShortDecimal(item, value)) return value;
  const char* digit = first != last && *first == '-' ? first + 1 : first;
  if (digit != last && *digit >= '0' && *digit <= '9') {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc{} && ptr == last) return value;
  }
  return StrToFloat(item);
}

// A coordinate item plus the file's offset.
double Offset(std::string_view item, double origin) { return Real(item) + origin; }

// The header line of a layer file: item 9 is the x offset, item 8 the y one.
template <class List>
void ReadOrigin(TRecordLines& lines, TCommaFields& f, List& list) {
  f.Split(lines.Need());
  list.OriginX = StrToFloat(f.At(9));
  list.OriginY = StrToFloat(f.At(8));
}

// A count read from the file sizes nothing before its lines have been read:
// reserve no more than the bytes left could hold.
std::size_t ReserveFor(int count, const TRecordLines& lines) noexcept {
  if (count <= 0) return 0;
  return std::min<std::size_t>(static_cast<std::size_t>(count), lines.Remaining() / 2 + 1);
}

}  // namespace

void ReadArcFile(TRecordLines& lines, TArcList& arcs) {
  LocatedAt(
      lines.FileName(), [&] { return TErrorPlace::Line(lines.LineNumber()); },
      [&] {
        TCommaFields f;
        ReadOrigin(lines, f, arcs);
        std::string_view line;
        while (lines.Next(line)) {
          f.Split(line);
          if (!IsRecord(f.At(0), 'L')) continue;
          auto arc = std::make_unique<TArcElement>();
          arc->Code = RecordCode(f[0]);
          arc->Kind = StrToInt(f.At(1));
          arc->Name = f.At(2);
          const int n = StrToInt(f.At(3));
          arc->Points.reserve(ReserveFor(n, lines));
          for (int i = 0; i < n; ++i) {
            f.Split(lines.Need());
            TFPoint p;
            p.x = Offset(f.At(1), arcs.OriginX);
            p.y = Offset(f.At(0), arcs.OriginY);
            arc->Points.push_back(p);
          }
          arcs.AddElement(std::move(arc));
        }
      });
}

void ReadPgnFile(TRecordLines& lines, TPgnList& pgns) {
  LocatedAt(
      lines.FileName(), [&] { return TErrorPlace::Line(lines.LineNumber()); },
      [&] {
        TCommaFields f;
        ReadOrigin(lines, f, pgns);
        std::string_view line;
        while (lines.Next(line)) {
          f.Split(line);
          if (!IsRecord(f.At(0), 'A')) continue;
          auto pgn = std::make_unique<TPgnElement>();
          pgn->Code = RecordCode(f[0]);
          pgn->Name = f.At(1);
          const int n = StrToInt(f.At(2));
          pgn->Y = Offset(f.At(3), pgns.OriginY);
          pgn->X = Offset(f.At(4), pgns.OriginX);
          pgn->ArcRefs.reserve(ReserveFor(n, lines));
          // Each following line, whole, names one arc ("-" first: backwards).
          for (int i = 0; i < n; ++i) pgn->AddArcRef(std::string(lines.Need()));
          pgns.AddElement(std::move(pgn));
        }
      });
}

void ReadPntFile(TRecordLines& lines, TPntList& pnts) {
  LocatedAt(
      lines.FileName(), [&] { return TErrorPlace::Line(lines.LineNumber()); },
      [&] {
        TCommaFields f;
        ReadOrigin(lines, f, pnts);
        std::string_view line;
        while (lines.Next(line)) {
          f.Split(line);
          if (!IsRecord(f.At(0), 'P')) continue;
          auto pnt = std::make_unique<TPntElement>();
          pnt->Code = RecordCode(f[0]);
          pnt->Name = f.At(1);
          pnt->Y = Offset(f.At(2), pnts.OriginY);
          pnt->X = Offset(f.At(3), pnts.OriginX);
          pnts.AddElement(std::move(pnt));
        }
      });
}

void ReadAtrFile(TRecordLines& lines, TAtrList& atrs) {
  LocatedAt(
      lines.FileName(), [&] { return TErrorPlace::Line(lines.LineNumber()); },
      [&] {
        TCommaFields f;
        lines.Need();  // the header line: skipped, but it must be there
        std::string_view line;
        while (lines.Next(line)) {
          f.Split(line);
          const std::string_view item0 = f.At(0);
          if (!(IsRecord(item0, 'A') || IsRecord(item0, 'L') || IsRecord(item0, 'P'))) continue;
          auto atr = std::make_unique<TAtrElement>();
          atr->Code = RecordCode(item0);
          atr->Name = f.At(1);
          const int n = StrToInt(f.At(2));
          if (n > 0) {
            const std::size_t present = f.Count() - 3;  // items 3 .. Count-1
            if (static_cast<std::size_t>(n) > present + kMaxMissingAttrValues) {
              throw EListIndexError(static_cast<long long>(f.Count()));
            }
            atr->Values.reserve(static_cast<std::size_t>(n));
            for (std::size_t v = 0; v < static_cast<std::size_t>(n); ++v) {
              atr->Values.emplace_back(v < present ? f[3 + v] : std::string_view());
            }
          }
          atrs.AddElement(std::move(atr));
        }
      });
}

}  // namespace sdf2500

// ---------------------------------------------------------------------------
// The reader

namespace {

using sdf2500::TDirIndex;
using sdf2500::TRecordLines;

// The arc kinds drawn as lines of their own.
const TArcKinds& SdfArcKinds() {
  static const TArcKinds kinds{0, 1, 2, 3, 4};
  return kinds;
}

// Items of the zone line: zone and two corners (first edition), or zone,
// four corners and the datum flag.
constexpr std::size_t kFirstEditionItems = 5;
constexpr std::size_t kLaterEditionItems = 10;

void ReadArcs(const std::string& path, TArcList& arcs) {
  TRecordLines lines(path);
  sdf2500::ReadArcFile(lines, arcs);
}

void ReadAtrs(const std::string& path, TAtrList& atrs) {
  TRecordLines lines(path);
  sdf2500::ReadAtrFile(lines, atrs);
}

// Polygons of `base` (base.PGN with base.ATR, the attribute file read without
// an existence test) joined with `arcs`, when the polygon file exists.
void AddPolygons(TMapLeaf& leaf, const TDirIndex& layer, const std::string& base,
                 std::string_view className, TArcList& arcs) {
  const std::string pgnPath = layer.FindFile(base + ".PGN");
  if (pgnPath.empty()) return;
  TPgnList pgns;
  {
    TRecordLines lines(pgnPath);
    sdf2500::ReadPgnFile(lines, pgns);
  }
  TAtrList atrs;
  ReadAtrs(layer.FindFile(base + ".ATR"), atrs);
  pgns.AddToLeaf(leaf, className, atrs, arcs);
}

// Points of `base` (base.PNT with base.ATR), when the point file exists.
void AddPoints(TMapLeaf& leaf, const TDirIndex& layer, const std::string& base,
               std::string_view className) {
  const std::string pntPath = layer.FindFile(base + ".PNT");
  if (pntPath.empty()) return;
  TPntList pnts;
  {
    TRecordLines lines(pntPath);
    sdf2500::ReadPntFile(lines, pnts);
  }
  TAtrList atrs;
  ReadAtrs(layer.FindFile(base + ".ATR"), atrs);
  pnts.AddToLeaf(leaf, className, atrs);
}

// Steps 2, 4 and 5: the layer folder, its arc file, polygon file and
// attribute file all carry the layer's name.
void AddAreaLayer(TMapLeaf& leaf, const TDirIndex& sheet, const std::string& name) {
  const TDirIndex layer(sheet.FindDir(name));
  const std::string arcPath = layer.FindFile(name + ".ARC");
  if (arcPath.empty()) return;
  TArcList arcs;
  ReadArcs(arcPath, arcs);
  AddPolygons(leaf, layer, name, name, arcs);
  arcs.AddToLeaf(leaf, name, SdfArcKinds());
}

bool ClassVisible(const TClassDefGrp* classDefs, std::string_view code, double scale) {
  return classDefs != nullptr && classDefs->IsClassVisible(code, scale);
}

// Step 9: the frame ring through the four corners and the frame point,
// labelled with the sheet name, at the middle of corners 1 and 3.
void AddFrame(TMapLeaf& leaf) {
  static constexpr const char* kFrame = "ZUKAKU";
  static constexpr const char* kFrameCode = "0000";
  const auto& c = leaf.Corners;

  TArcList arcs;
  auto arc = std::make_unique<TArcElement>();
  arc->Name = kFrame;
  arc->Code = kFrameCode;
  arc->Kind = 0;
  arc->Points = {c[0], c[1], c[2], c[3], c[0]};
  arcs.AddElement(std::move(arc));
  arcs.AddToLeaf(leaf, kFrame, SdfArcKinds());

  TAtrList atrs;
  auto atr = std::make_unique<TAtrElement>();
  atr->Name = kFrame;
  atr->Code = kFrameCode;
  atr->AddValue(leaf.Name);
  atrs.AddElement(std::move(atr));

  TPntList pnts;
  auto pnt = std::make_unique<TPntElement>();
  pnt->Name = kFrame;
  pnt->Code = kFrameCode;
  pnt->X = (c[0].x + c[2].x) / 2;
  pnt->Y = (c[0].y + c[2].y) / 2;
  pnts.AddElement(std::move(pnt));
  pnts.AddToLeaf(leaf, kFrame, atrs);
}

// A description file N.txt in the folder, found without regard to case.
std::string DescriptionFile(const std::string& folder, std::string_view name) {
  return TDirIndex(folder).FindFile(std::string(name) + ".txt");
}

// A sheet folder found by a scan: its path and its name.
struct TFoundSheet {
  std::string Path;
  std::string Name;
};

// Scans one folder for the sheets to open, in the order they are met;
// `visited` keeps a folder that is reached again through a link from being
// scanned forever. A sheet already in the list is passed over; one met twice
// in a folder is listed once.
void ScanFolder(TMapLeafGrp& leaves, const std::string& folder,
                std::set<std::filesystem::path>& visited, std::vector<TFoundSheet>& found) {
  std::error_code ec;
  const auto canonical = std::filesystem::weakly_canonical(FsPath(folder), ec);
  if (!ec && !visited.insert(canonical).second) return;

  enum class TState { None, Found, WrongZone };
  TState state = TState::None;
  std::string lastSheet;
  std::set<std::string> listed;  // each sheet of this folder is listed once
  const TDirIndex dir(folder);
  for (const TDirIndex::Entry& e : dir.Entries()) {
    const std::string& name = e.Name;
    if (name.empty() || name.front() == '.') continue;
    const std::string path = dir.PathOf(name);
    if (name.size() == 7 && NumberLiteral(std::string_view(name).substr(0, 2)) &&
        NumberLiteral(std::string_view(name).substr(4, 3)) && e.IsDir &&
        !DescriptionFile(path, name).empty()) {
      const int zone = NumberLiteral(std::string_view(name).substr(0, 2)).value_or(0);
      if (!leaves.Zone.IsStated()) leaves.Zone = TZone::Stated(zone);
      if (zone == leaves.Zone.Number()) {
        lastSheet = name;
        state = TState::Found;
      } else {
        state = TState::WrongZone;
      }
    }
    switch (state) {
      case TState::Found:
        if (!leaves.FindBySheetName(lastSheet) && listed.insert(lastSheet).second)
          found.push_back({dir.PathOf(lastSheet), lastSheet});
        break;
      case TState::WrongZone:
        return;
      case TState::None:
        if (e.IsDir) ScanFolder(leaves, path, visited, found);
        break;
    }
  }
}

}  // namespace

std::unique_ptr<TMapLeaf> TMapBuilder_Sdf2500::OpenSheet(TMapLeafGrp& leaves,
                                                         const std::string& folder) {
  const std::string name = BaseName(folder);
  if (name.empty()) return nullptr;
  const std::string descPath = DescriptionFile(folder, name);
  if (descPath.empty()) return nullptr;

  // The lines before the sheet name are free text of any number (producer,
  // dates, a source note that may run over two lines): the name line is
  // found by its content. Blank lines are not counted.
  std::vector<std::string_view> lines;
  std::vector<unsigned long long> numbers;  // each line's number in the file
  TRecordLines desc(descPath);
  for (std::string_view line; desc.Next(line);) {
    lines.push_back(line);
    numbers.push_back(desc.LineNumber());
  }
  const std::string wanted = UpperAscii(name);
  std::size_t at = 0;
  while (at < lines.size() && UpperAscii(TrimBlanks(lines[at])) != wanted) ++at;
  if (at == lines.size()) return nullptr;
  std::size_t reading = at;  // the line being read, for messages
  auto line = [&](std::size_t i) {
    reading = i;
    if (i >= lines.size()) throw EListIndexError(static_cast<long long>(i));
    return lines[i];
  };

  auto leaf = std::make_unique<TMapLeaf>(&leaves);
  leaf->SheetName = name;
  leaf->FileName = folder;
  leaf->Name = name;
  leaf->CoordMode = TCoordMode::Plane;

  LocatedAt(
      descPath,
      [&] {
        return TErrorPlace::Line(reading < numbers.size() ? numbers[reading] : desc.LineNumber());
      },
      [&] {
        StrToFloat(line(at + 1));  // the scale; not used further

        // The zone line follows the scale, or follows the unit line that some
        // editions put first: the first of the two that holds a zone and a corner.
        TCommaFields f;
        if (f.Split(line(at + 2)) < kFirstEditionItems && at + 3 < lines.size() &&
            f.Split(line(at + 3)) < kFirstEditionItems)
          f.Split(line(at + 2));
        leaf->Zone = TZone::OfStored(StrToInt(f.At(0)));
        auto real = [&](std::size_t i) { return StrToFloat(f.At(i)); };
        auto& c = leaf->Corners;
        // Every corner is a pair (northing, easting).
        c[0].y = real(1);
        c[0].x = real(2);
        c[2].y = real(3);
        c[2].x = real(4);
        if (f.Count() < kLaterEditionItems) {
          // The first edition (1997) gives the south-west and north-east corners
          // only, in the TOKYO datum.
          c[1] = {c[0].x, c[2].y};
          c[3] = {c[2].x, c[0].y};
          leaf->Datum = TDatum::Tokyo;
        } else {
          c[1].y = real(5);
          c[1].x = real(6);
          c[3].y = real(7);
          c[3].x = real(8);
          leaf->Datum = f.At(9) == "0" ? TDatum::Tokyo : TDatum::Jgd2000;
        }
      });
  const auto& c = leaf->Corners;
  leaf->Extent.top = c[1].y;
  leaf->Extent.left = c[1].x;
  leaf->Extent.bottom = c[3].y;
  leaf->Extent.right = c[3].x;
  return leaf;
}

std::unique_ptr<TMapLeaf> TMapBuilder_Sdf2500::OpenFile(TMapLeafGrp& leaves,
                                                        const std::string& fileName) {
  // The description file stands for its folder, its extension in any case:
  // disc file names are in capitals ("07MD623.TXT").
  std::string folder = fileName;
  const std::size_t sep = FindLastOf(fileName, "\\:/");
  const std::size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
  const std::size_t dot = fileName.rfind('.');
  if (dot != std::string::npos && dot >= nameStart &&
      SameText(std::string_view(fileName).substr(dot), ".txt")) {
    folder = sep == std::string::npos ? std::string() : fileName.substr(0, sep);
  }
  return OpenSheet(leaves, folder);
}

TMapLeafGrp* TMapBuilder_Sdf2500::OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) {
  std::set<std::filesystem::path> visited;
  std::vector<TFoundSheet> found;
  ScanFolder(leaves, folderName, visited, found);
  // The sheets are opened in the order met, each a step of the open's
  // progress. A sheet that cannot be opened does not stop the scan: its
  // error is reported after the others. A sheet of the same name opened
  // from an earlier folder is passed over.
  std::vector<std::string> failures;
  const auto total = static_cast<std::int64_t>(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    const TFoundSheet& sheet = found[i];
    ReportOpenFiles(PathForMessage(sheet.Name), static_cast<std::int64_t>(i), total);
    if (leaves.FindBySheetName(sheet.Name)) continue;
    try {
      leaves.Add(OpenSheet(leaves, sheet.Path));
    } catch (const EChizroError& error) {
      failures.push_back(Quoted(sheet.Path) + ": " + error.what());
    }
  }
  if (!failures.empty()) throw EScanError(failures);
  return &leaves;
}

void TMapBuilder_Sdf2500::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) {
  const TDirIndex sheet(leaf.FileName);

  // 1. Administrative boundaries: municipalities and districts.
  {
    const TDirIndex layer(sheet.FindDir("GYOUSEI"));
    const std::string arcPath = layer.FindFile("GYOUSEI.ARC");
    if (!arcPath.empty()) {
      TArcList arcs;
      ReadArcs(arcPath, arcs);
      AddPolygons(leaf, layer, "SI_TYO", "SITYO", arcs);
      AddPolygons(leaf, layer, "TYOME", "TYOME", arcs);
      arcs.AddToLeaf(leaf, "SITYO", SdfArcKinds());
    }
  }

  // 2. Town blocks, only when they are shown at this scale.
  if (ClassVisible(classDefs, "1108", scale)) AddAreaLayer(leaf, sheet, "GAIKU");

  // 3. Grounds and railways.
  const TDirIndex others(sheet.FindDir("OTHERS"));
  {
    const TDirIndex& layer = others;
    const std::string arcPath = layer.FindFile("OTHERS.ARC");
    if (!arcPath.empty()) {
      TArcList arcs;
      ReadArcs(arcPath, arcs);
      AddPolygons(leaf, layer, "ZYOUTI", "ZYOUTI", arcs);
      const std::string railPath = layer.FindFile("TETUDOU.ATR");
      if (!railPath.empty()) {
        TAtrList rails;
        ReadAtrs(railPath, rails);
        rails.AddToLeaf(leaf, "TETUDOU", arcs);
      }
      arcs.AddToLeaf(leaf, "OTHERS", SdfArcKinds());
    }
  }

  // 4., 5. Water and buildings.
  AddAreaLayer(leaf, sheet, "MIZU");
  AddAreaLayer(leaf, sheet, "TATEMONO");

  // 6. Roads, only when shown: the network arcs named by the attribute file.
  if (ClassVisible(classDefs, "2110", scale)) {
    const TDirIndex layer(sheet.FindDir("ROAD"));
    const std::string atrPath = layer.FindFile("ROAD.ATR");
    if (!atrPath.empty()) {
      TArcList arcs;
      ReadArcs(layer.FindFile("ROADNTWK.ARC"), arcs);
      TAtrList atrs;
      ReadAtrs(atrPath, atrs);
      atrs.AddToLeaf(leaf, "ROAD", arcs);
    }
  }

  // 7., 8. Stations and control points.
  AddPoints(leaf, others, "EKI", "EKI");
  AddPoints(leaf, TDirIndex(sheet.FindDir("KIJUNTEN")), "SANKAKU", "SANKAKU");

  // 9. The sheet frame.
  AddFrame(leaf);
  leaf.Loaded = true;
}

}  // namespace chizro
