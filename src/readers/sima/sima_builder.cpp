#include "readers/sima/sima_builder.h"

#include <charconv>
#include <utility>

#include "coords/datum.h"
#include "model/label_point.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/survey_data.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/archive_leaves.h"
#include "readers/common/reader_util.h"
#include "readers/common/sima_records.h"

namespace chizro {
namespace {

struct TCodes {
  std::string Point = Utf8ToSjis("座標点");
  std::string Height = Utf8ToSjis("標高");
  std::string Parcel = Utf8ToSjis("画地");
};
const TCodes& Codes() {
  static const TCodes codes;
  return codes;
}

// One text for every such file, so that opening several says it once.
constexpr const char* kUnplacedNotice =
    "SIMAファイルは座標系を持たないため、ファイルの座標のまま表示します。"
    "出力設定で座標系を選ぶと (変換プログラムでは --zone で系を指定すると)、"
    "その系の平面直角座標として位置付けます。";

// A height as the file gives it, to the millimetre, without trailing zeros.
std::string HeightText(double h) {
  char buf[64];
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, h, std::chars_format::fixed, 3);
  if (ec != std::errc()) return {};
  std::string s(buf, end);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string NumberText(std::int64_t n) { return n == 0 ? std::string() : std::to_string(n); }

struct TRead {
  TSimaData Data;
  std::optional<TSimaFault> Fault;
};

TRead Read(const std::string& fileName) {
  TRead read;
  read.Fault = ReadSimaRecords(ReadWholeFile(fileName), read.Data);
  return read;
}

TExtentBuilder ExtentOf(const TSimaData& data) {
  TExtentBuilder box;
  for (const TSimaPoint& p : data.Points) box.Add(TFPoint{p.Y, p.X});
  return box;
}

// The three lists of what was read.
void Attach(const TSimaData& data, TMapLeaf& leaf) {
  const TCodes& codes = Codes();
  auto points = std::make_unique<TFigPointGrp>();
  auto heights = std::make_unique<TFigPointGrp>();
  auto parcels = std::make_unique<TFigPolygonGrp>();
  int n = 0;
  for (const TSimaPoint& p : data.Points) {
    const TFPoint at{p.Y, p.X};
    auto fig = std::make_unique<TFigPoint>();
    fig->Name = ZeroPadded(++n, 10);
    fig->ClassCode = codes.Point;
    fig->AddPoint(at);
    fig->LabelX = at.x;
    fig->LabelY = at.y;
    fig->Texts = {p.Name, NumberText(p.Number), p.H ? HeightText(*p.H) : std::string()};
    fig->UpdateExtent();
    if (p.H) {
      auto h = std::make_unique<TFigPoint>();
      h->Name = fig->Name;
      h->ClassCode = codes.Height;
      h->AddPoint(at);
      h->LabelX = at.x;
      h->LabelY = at.y;
      h->Texts = {fig->Texts[2]};
      h->UpdateExtent();
      heights->Add(std::move(h));
    }
    points->Add(std::move(fig));
  }
  n = 0;
  for (const TSimaParcel& parcel : data.Parcels) {
    auto fig = std::make_unique<TFigPolygon>();
    fig->Name = ZeroPadded(++n, 10);
    fig->ClassCode = codes.Parcel;
    for (const std::uint32_t i : parcel.Ring) fig->AddPoint({data.Points[i].Y, data.Points[i].X});
    if (fig->Points.empty()) continue;
    fig->AddPoint(fig->Points.front());  // drawn and written closed
    const std::optional<TFPoint> centroid = ConvexCentroid(fig->Points);
    const TFPoint at = centroid ? *centroid : LabelPoint({fig->Points});
    fig->LabelX = at.x;
    fig->LabelY = at.y;
    fig->Texts = {parcel.Name, NumberText(parcel.Number)};
    fig->UpdateExtent();
    parcels->Add(std::move(fig));
  }
  leaf.AddFigGrp(std::move(parcels))->UpdateExtents();
  leaf.AddFigGrp(std::move(points))->UpdateExtents();
  leaf.AddFigGrp(std::move(heights))->UpdateExtents();
}

// Plane coordinates in the zone the project has settled on, or the file's
// own, awaiting the user's zone, while it has none.
void SetOpenedSystem(TMapLeafGrp& leaves, TMapLeaf& leaf) {
  leaf.CoordMode = TCoordMode::Plane;
  leaf.Datum = TDatum::Jgd2000;
  const TMapTheme* theme = leaves.Theme();
  const TMapProject* project = theme ? theme->Project() : nullptr;
  const TZone zone = project ? project->SettledZone() : TZone::Unstated();
  if (zone.IsPlaneZone()) {
    leaf.Zone = zone;
    leaf.Datum = project->Datum;
    return;
  }
  leaf.Zone = TZone::Local();
  if (project) leaf.Datum = project->Datum;
  leaf.AwaitsZone = true;
  leaf.Notice = kUnplacedNotice;
}

[[noreturn]] void ThrowFault(const std::string& fileName, const TSimaFault& fault) {
  EInOutError e(fault.Detail);
  e.Locate(fileName, fault.Place);
  throw e;
}

}  // namespace

TMapBuilder_Sima::TMapBuilder_Sima() = default;
TMapBuilder_Sima::~TMapBuilder_Sima() = default;

std::unique_ptr<TMapLeaf> TMapBuilder_Sima::OpenFile(TMapLeafGrp& leaves,
                                                     const std::string& fileName) {
  if (!IsFile(fileName)) return nullptr;
  const TRead read = Read(fileName);
  if (!read.Data.AnyRecord && !read.Fault)
    ThrowFault(fileName, {"SIMA ファイルではありません (G00, A01, D00 などのレコードがありません)",
                          TErrorPlace::Line(1)});
  if (read.Fault && read.Data.Points.empty()) ThrowFault(fileName, *read.Fault);
  auto leaf = NewFileLeaf(leaves, fileName);
  SetOpenedSystem(leaves, *leaf);
  const TExtentBuilder box = ExtentOf(read.Data);
  if (!box.Empty) leaf->Extent = box.Rect;
  if (read.Fault) return leaf;  // the first paint loads it and reports the fault
  Attach(read.Data, *leaf);
  if (read.Data.Points.empty()) leaf->NoFigureReason = "座標点がありません";
  leaf->Loaded = true;
  leaf->IdleCount = 1;
  return leaf;
}

void TMapBuilder_Sima::LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* /*classDefs*/, double /*scale*/) {
  const TRead read = Read(leaf.FileName);
  const TExtentBuilder box = ExtentOf(read.Data);
  if (!box.Empty) leaf.Extent = box.Rect;
  Attach(read.Data, leaf);  // what was read stays, also before a fault
  if (read.Fault) ThrowFault(leaf.FileName, *read.Fault);
  if (read.Data.Points.empty()) leaf.NoFigureReason = "座標点がありません";
  leaf.Loaded = true;
}

bool TMapBuilder_Sima::SurveyData(const TMapLeaf& leaf, TSurveyData& data) {
  const TRead read = Read(leaf.FileName);
  if (read.Fault) ThrowFault(leaf.FileName, *read.Fault);
  const auto base = static_cast<std::uint32_t>(data.Points.size());
  for (const TSimaPoint& p : read.Data.Points) data.Points.push_back({p.Name, p.Y, p.X, p.H});
  for (const TSimaParcel& parcel : read.Data.Parcels) {
    TSurveyParcel out{parcel.Name, {}};
    for (const std::uint32_t i : parcel.Ring) out.Ring.push_back(base + i);
    data.Parcels.push_back(std::move(out));
  }
  return true;
}

}  // namespace chizro
