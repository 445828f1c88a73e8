#include "readers/common/control_points.h"

#include <charconv>
#include <cmath>

#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/leaf_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/sima_records.h"
#include "readers/common/text_decode.h"
#include "readers/common/text_filer.h"

namespace chizro {
namespace {

[[noreturn]] void Fail(const std::string& fileName, std::uint64_t line, const std::string& detail) {
  EInOutError e(detail);
  e.Locate(fileName, TErrorPlace::Line(line));
  throw e;
}

bool EndsWithSim(const std::string& fileName) {
  if (fileName.size() < 4) return false;
  std::string end = fileName.substr(fileName.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".sim";
}

void ReadSima(const std::string& fileName, std::string bytes, TControlFile& file) {
  TSimaData data;
  if (const auto fault = ReadSimaRecords(std::move(bytes), data))
    Fail(fileName, fault->Place.Number, fault->Detail);
  for (const TSimaPoint& p : data.Points) {
    if (p.Name.empty()) continue;
    file.Entries.push_back({p.Name, std::nullopt, std::nullopt, p.X, p.Y, p.Line, {}});
  }
}

void ReadList(const std::string& fileName, const std::string& text, TControlFile& file) {
  TLineCursor lines(text);
  std::string_view line;
  bool first = true;
  std::vector<std::string_view> f;
  std::string map;  // the part being read: "" for every map
  while (lines.Next(line)) {
    const std::uint64_t at = lines.LineNumber();
    const std::string_view trimmed = TrimSimaField(line);
    // The text is Shift_JIS here, as are the fit line's words.
    static const std::string prefix = Utf8ToSjis(kFitLinePrefix);
    static const std::string affine = Utf8ToSjis(kAffineFitName);
    static const std::string helmert = Utf8ToSjis(kHelmertFitName);
    // Without the space after the colon: a part line with an empty name
    // is trimmed to "# 地図:".
    static const std::string mapPrefix =
        Utf8ToSjis(std::string(TrimSimaField(std::string_view(kMapLinePrefix))));
    if (trimmed.starts_with(prefix)) {
      const std::string_view name = TrimSimaField(trimmed.substr(prefix.size()));
      TFitKind fit = TFitKind::Helmert;
      if (name == affine)
        fit = TFitKind::Affine;
      else if (name != helmert)
        Fail(fileName, at,
             "変換 '" + SjisToUtf8(name) + "' は使えません (ヘルマート変換かアフィン変換)");
      if (map.empty())
        file.Fit = fit;
      else
        file.MapFits.emplace_back(map, fit);
      continue;
    }
    if (trimmed.starts_with(mapPrefix)) {
      map = SjisToUtf8(TrimSimaField(trimmed.substr(mapPrefix.size())));
      if (map.empty()) Fail(fileName, at, "地図の名前がありません");
      continue;
    }
    if (trimmed.empty() || trimmed.front() == '#') continue;
    SplitSimaFields(line, f);
    const bool header = first && f.size() >= 5 && f[1] == "x" && f[2] == "y" && f[3] == "X" &&
                        f[4] == "Y";
    first = false;
    if (header) continue;
    if (f.size() < 5) Fail(fileName, at, "項目が足りません (名前,x,y,X,Y の 5 つが必要です)");
    if (f[0].empty()) Fail(fileName, at, "点の名前がありません");
    TControlEntry e;
    e.Name = std::string(f[0]);
    e.Line = at;
    e.Map = map;
    if (!f[1].empty() || !f[2].empty()) {
      e.x = DecimalField(f[1]);
      e.y = DecimalField(f[2]);
      if (!e.x) Fail(fileName, at, "x '" + std::string(f[1]) + "' は数値ではありません");
      if (!e.y) Fail(fileName, at, "y '" + std::string(f[2]) + "' は数値ではありません");
    }
    const auto X = DecimalField(f[3]);
    if (!X) Fail(fileName, at, "X '" + std::string(f[3]) + "' は数値ではありません");
    const auto Y = DecimalField(f[4]);
    if (!Y) Fail(fileName, at, "Y '" + std::string(f[4]) + "' は数値ではありません");
    e.X = *X;
    e.Y = *Y;
    file.Entries.push_back(std::move(e));
  }
}

// Even-odd rule.
bool Inside(const std::vector<TFPoint>& ring, TFPoint p) {
  bool in = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const TFPoint a = ring[i], b = ring[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
      in = !in;
  }
  return in;
}

}  // namespace

TControlFile ReadControlFile(const std::string& fileName) {
  TControlFile file;
  file.FileName = fileName;
  std::string bytes = ReadWholeFile(fileName);
  if (EndsWithSim(fileName) || LooksLikeSima(std::string_view(bytes).substr(0, 4096)))
    ReadSima(fileName, std::move(bytes), file);
  else
    ReadList(fileName, TextAsSjis(std::move(bytes)), file);
  if (file.Entries.empty()) Fail(fileName, 1, "基準にする点がありません");
  return file;
}

std::string ControlMapName(const std::string& leafFileName) {
  const TLeafPath path = TLeafPath::Parse(leafFileName);
  if (path.InArchive()) {
    std::string name;
    for (const std::string& member : path.Members)
      name += (name.empty() ? "" : std::string(1, TLeafPath::kSeparator)) + member;
    return name;
  }
  const std::size_t cut = path.File.find_last_of("/\\");
  return cut == std::string::npos ? path.File : path.File.substr(cut + 1);
}

bool ControlMapMatches(const std::string& map, const std::string& leafFileName) {
  if (map.empty()) return true;
  const std::string name = ControlMapName(leafFileName);
  if (map == name) return true;
  // A member also answers to its last name, without the zips it is in.
  const std::size_t cut = name.find_last_of("/|");
  return cut != std::string::npos && map == name.substr(cut + 1);
}

TControlFile TControlFile::ForMap(const std::string& leafFileName) const {
  TControlFile out;
  out.FileName = FileName;
  out.Fit = Fit;
  for (const auto& [map, fit] : MapFits)
    if (ControlMapMatches(map, leafFileName)) out.Fit = fit;
  for (const TControlEntry& e : Entries)
    if (ControlMapMatches(e.Map, leafFileName)) out.Entries.push_back(e);
  return out;
}

std::string SidecarOf(const std::string& leafFileName) {
  return TLeafPath::Parse(leafFileName).File + ".gcp";
}

TFPoint TMapPlacement::Apply(TFPoint local) const { return ApplyAt(local, local); }

TFPoint TMapPlacement::ApplyAt(TFPoint where, TFPoint local) const {
  const TPlaneTransform* t = &whole_;
  for (const TSheetFit& sheet : sheets_)
    if (Inside(sheet.Ring, where)) {
      t = &sheet.Transform;
      break;
    }
  // The file's x is north (the model's y), its y east.
  double X = 0, Y = 0;
  t->Apply(local.y, local.x, X, Y);
  return {Y, X};
}

TMapPlacement TMapPlacement::Fit(
    const TControlFile& control,
    const std::function<std::optional<TFPoint>(const std::string&)>& named,
    const std::vector<std::vector<TFPoint>>& sheets, TFitKind kind) {
  std::vector<TControlPoint> points;
  std::vector<TFPoint> at;  // model positions in the file
  for (const TControlEntry& e : control.Entries) {
    TFPoint local{};
    if (e.x && e.y) {
      local = {*e.y, *e.x};
    } else {
      const auto found = named(e.Name);
      if (!found)
        Fail(control.FileName, e.Line,
             "点 '" + SjisToUtf8(e.Name) + "' が地図にありません (筆界点の点番名か基準点の名称)");
      local = *found;
    }
    points.push_back({SjisToUtf8(e.Name), local.y, local.x, e.X, e.Y});
    at.push_back(local);
  }
  if (control.Fit) kind = *control.Fit;
  TMapPlacement placement;
  const TControlFit whole = FitControlPoints(points, kind);
  placement.whole_ = whole.Transform;
  placement.summary_ = "位置合わせ: " + FitSummary(whole, points) + " (" +
                       PathForMessage(control.FileName) + ")";
  const std::size_t needed = kind == TFitKind::Helmert ? 2 : 3;
  int sheetNumber = 0;
  for (const std::vector<TFPoint>& ring : sheets) {
    ++sheetNumber;
    if (ring.size() < 3) continue;
    std::vector<TControlPoint> inside;
    for (std::size_t i = 0; i < points.size(); ++i)
      if (Inside(ring, at[i])) inside.push_back(points[i]);
    if (inside.size() < needed) continue;
    try {
      const TControlFit fit = FitControlPoints(inside, kind);
      placement.sheets_.push_back({ring, fit.Transform});
      placement.summary_ += "、図郭 " + std::to_string(sheetNumber) + ": " + FitSummary(fit, inside);
    } catch (const EControlFitError&) {
      // Points of one sheet on a line: the sheet takes the whole map's fit.
    }
  }
  return placement;
}

}  // namespace chizro
