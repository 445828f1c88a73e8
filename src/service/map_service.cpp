#include "service/map_service.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "coords/zone_of_place.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "output/output_settings.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/offscreen.h"
#include "readers/control_sidecar.h"

namespace chizro {
namespace {

// The converter's view: pixels per inch of its offscreen surface.
constexpr int kPixelsPerInch = 96;

// Every leaf of the project.
std::set<const TMapLeaf*> LeavesOf(const TMapProject& project) {
  std::set<const TMapLeaf*> leaves;
  for (int t = 0; t < project.Themes->Count(); ++t) {
    const TMapLeafGrp& group = *project.Themes->Items(t)->Leaves;
    for (int i = 0; i < group.Count(); ++i) leaves.insert(group.Items(i));
  }
  return leaves;
}

// Paints the view once, then writes "temp.txt". The writer paints once per
// leaf so that each is loaded; no one sees those paints here, so only the
// last one, the preview (when asked for), reaches the canvas. Without a
// canvas the view keeps its size, and the same leaves load and unload.
TJwcStats PaintAndWrite(TMapService& service, TCanvas& canvas, const TConvertJob& job) {
  TMapProject& project = service.Project();
  project.SetPixelsPerInch(kPixelsPerInch);
  project.SetScale(job.Scale);
  const bool preview = !job.Preview.empty();
  // Without a preview no one sees this paint either: the view keeps its
  // size, and the leaves in it load all the same.
  if (!preview) project.SetCanvas(nullptr);
  project.Draw();
  return service.WriteJwc([&](int leaf, int leaves) {
    project.SetCanvas(preview && leaf + 1 == leaves ? &canvas : nullptr);
  });
}

// `extent` widened to take in both corners of `rect` (the rectangle they
// span when there is none yet).
void Widen(std::optional<TFRect>& extent, const TFRect& rect) {
  for (const TFPoint p : {TFPoint{rect.left, rect.bottom}, TFPoint{rect.right, rect.top}}) {
    if (!extent) {
      extent = TFRect{};
      extent->left = extent->right = p.x;
      extent->bottom = extent->top = p.y;
      continue;
    }
    extent->left = std::min(extent->left, p.x);
    extent->right = std::max(extent->right, p.x);
    extent->bottom = std::min(extent->bottom, p.y);
    extent->top = std::max(extent->top, p.y);
  }
}

std::string Degrees(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", std::fabs(v));
  return text;
}

// What the user should know about where the leaves of an open are, against
// the project's zone: a map of another zone is drawn rotated into the
// project's, and latitude/longitude data far from Japan is drawn in a zone
// that is not its own. Said once an open, for the first leaf that needs it.
std::string PlaceNotice(const TMapProject& project, const std::vector<const TMapLeaf*>& added) {
  if (project.CoordMode != TCoordMode::Plane || !project.Zone.IsPlaneZone()) return {};
  const std::string projectZone = ZoneName(project.Zone.Number());
  for (const TMapLeaf* leaf : added) {
    const TCoordSystem source = leaf->SourceSystem();
    int own = 0;
    if (source.Mode == TCoordMode::Plane) {
      if (!source.Zone.IsPlaneZone()) continue;  // local or unstated: noticed by its reader
      own = source.Zone.Number();
    } else {
      // x longitude, y latitude [deg].
      const TFRect& r = leaf->SourceExtent();
      const double lat = (r.top + r.bottom) / 2;
      const double lon = (r.left + r.right) / 2;
      if (!std::isfinite(lat) || !std::isfinite(lon)) continue;
      if (!InJapanZones(lat, lon))
        return "この地図は日本の平面直角座標系の範囲外 (" + std::string(lat < 0 ? "南緯 " : "北緯 ") +
               Degrees(lat) + "°、" + (lon < 0 ? "西経 " : "東経 ") + Degrees(lon) +
               "°) にあります。プロジェクトの " + projectZone +
               " に投影して表示しますが、距離と形は正しくありません。";
      own = ZoneOfPlace(lat, lon);
    }
    if (own != 0 && own != project.Zone.Number())
      return "この地図は " + ZoneName(own) + " です。プロジェクトは " + projectZone +
             " のため回転して表示します。出力設定で変更できます。";
  }
  return {};
}

}  // namespace

std::string ZoneName(int number) {
  static constexpr std::pair<int, const char*> kDigits[] = {
      {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
  std::string out;
  for (const auto& [value, text] : kDigits)
    while (number >= value) {
      out += text;
      number -= value;
    }
  return out + "系";
}

bool InJapanZones(double latitudeDeg, double longitudeDeg) {
  return latitudeDeg >= 20 && latitudeDeg <= 46 && longitudeDeg >= 122 && longitudeDeg <= 154.5;
}

std::string NothingNewMessage(const std::string& shownName, const TOpenTarget& target) {
  return "地図を開けませんでした。地図データではないか、既に開いています: " + shownName +
         " (データ種別 " + std::to_string(KindNumber(target.Kind)) +
         (target.Mode == TOpenMode::Folder ? "、フォルダ" : "") + ")";
}

std::string KindName(TKind kind) {
  const TDataKind* row = FindDataKind(kind);
  if (!row) return "データ種別 " + std::to_string(KindNumber(kind));
  const std::string caption = row->Filter;
  const auto bracket = caption.rfind(" (");
  return bracket == std::string::npos ? caption : caption.substr(0, bracket);
}

std::string OtherKindMessage(const std::string& shownName, TKind chosen, TKind content) {
  return shownName + " は " + KindName(chosen) + " ではなく " + KindName(content) + " のデータです";
}

TMapService::TMapService(std::string programFolder, TBitmapLoader* images)
    : programFolder_(std::move(programFolder)),
      project_(std::make_unique<TMapProject>(DefaultBuilders(), images, programFolder_)) {
  project_->View->ClearBackground = true;
  project_->CoordMode = TCoordMode::Plane;
  project_->Datum = TDatum::Jgd2000;
  project_->Zone = TZone::Stated(9);
}

TMapService::~TMapService() = default;

std::string TMapService::SettingsFile() const {
  return TOutputSettings::FileIn(programFolder_);
}

void TMapService::ApplyMapSettings(const TMapOverrides& overrides) {
  TOutputSettings settings;
  settings.Load(SettingsFile());
  project_->ChooseZone(overrides.Zone.IsStated() ? overrides.Zone : settings.Zone);
  const double interval =
      overrides.ContourInterval != 0 ? overrides.ContourInterval : settings.ContourInterval;
  if (interval != project_->ContourInterval()) project_->SetContourInterval(interval);
}

TOpenTarget TMapService::TargetOf(const TOpenRequest& request) const {
  if (IsDirectory(request.Path)) return KindOfFolder(request.Path, request.Kind);
  if (request.AsFolder)
    return {request.Kind == TKind::ByContent ? TKind::Sdf2500 : request.Kind, TOpenMode::Folder};
  return {request.Kind == TKind::ByContent ? KindOfFile(request.Path) : request.Kind,
          TOpenMode::File};
}

TOpenOutcome TMapService::Open(const TOpenRequest& request) {
  TOpenOutcome outcome;
  // A path that names nothing is said so, before any kind is judged.
  if (!IsRegularFile(request.Path) && !IsDirectory(request.Path)) {
    outcome.Target = {request.Kind == TKind::ByContent ? TKind::Sdf2500 : request.Kind,
                      TOpenMode::File};
    outcome.Error =
        std::make_exception_ptr(EInOutError(Quoted(request.Path) + ": ファイルが見つかりません"));
    return outcome;
  }
  outcome.Target = TargetOf(request);
  const std::set<const TMapLeaf*> before = LeavesOf(*project_);
  try {
    project_->Open(request.Path, KindNumber(outcome.Target.Kind), outcome.Target.Mode);
  } catch (const EOpenCancelled& e) {
    outcome.Cancelled = true;
    outcome.CancelledOf = e.Files;
  } catch (...) {
    outcome.Error = std::current_exception();
  }
  // What this open added, also when an error or a cancel cut it short.
  std::optional<TFRect> extent;
  std::vector<const TMapLeaf*> added;
  for (const TMapLeaf* leaf : LeavesOf(*project_))
    if (!before.contains(leaf)) {
      ++outcome.Added;
      Widen(extent, leaf->Extent);
      added.push_back(leaf);
    }
  if (extent) outcome.Extent = *extent;
  if (std::string notice = PlaceNotice(*project_, added); !notice.empty())
    project_->AddNotice(std::move(notice));
  // A file opened as a kind it is not, which that kind refused or found
  // nothing in: the kind its content shows, when another kind recognises it
  // (not the SDF map, which KindOfFile answers for a file it does not know,
  // nor the kind that reads any XML document).
  if (outcome.Added == 0 && !outcome.Cancelled && request.Kind != TKind::ByContent &&
      outcome.Target.Mode == TOpenMode::File && IsRegularFile(request.Path)) {
    const TKind content = KindOfFile(request.Path);
    const TDataKind* row = FindDataKind(content);
    if (content != TKind::Sdf2500 && row && !row->CatchAll &&
        row != FindDataKind(outcome.Target.Kind))
      outcome.ContentKind = content;
  }
  return outcome;
}

TOpenOutcome TMapService::Reopen(const TMapLeaf& leaf) {
  TMapLeafGrp* leaves = leaf.Leaves();
  const TMapTheme* theme = leaf.Theme();
  if (!leaves || !theme) throw EChizroError("開いていない地図です");
  const TKind kind = KindOfNumber(theme->DataKind);
  const std::string file = OpenedFileOf(leaf.FileName);
  leaves->Remove(&leaf);
  return Open({file, kind});
}

std::optional<TFRect> TMapService::Extent() const {
  std::optional<TFRect> extent;
  for (const TMapLeaf* leaf : LeavesOf(*project_)) Widen(extent, leaf->Extent);
  return extent;
}

TJwcStats TMapService::WriteJwc(const TJwcProgress& progress) {
  return ExportJwc(*project_, TJwcFiles::In(programFolder_), progress);
}

std::string SimaSummary(const TSimaStats& stats) {
  std::string s = "点 " + std::to_string(stats.Points) + "、画地 " + std::to_string(stats.Parcels) +
                  " を " + Quoted(stats.FileName) + " に書きました";
  if (stats.LeavesSkipped > 0)
    s += "。点や画地を持たない種類のデータ " + std::to_string(stats.LeavesSkipped) +
         " ファイルは書いていません (SIMA に書けるのは地図XML と SIMA です)";
  if (stats.HolesSkipped > 0)
    s += "。画地の穴 " + std::to_string(stats.HolesSkipped) + " は書いていません";
  if (stats.LocalLeaves > 0)
    s += "。任意座標のデータ " + std::to_string(stats.LocalLeaves) +
         " ファイルはファイルの座標のまま書きました";
  return s;
}

TSimaStats TMapService::WriteSima(const std::string& fileName, const TSimaProgress& progress) {
  return ExportSima(*project_, fileName, progress);
}

TConvertResult ConvertMaps(const TConvertJob& job, const TDrawingPorts& ports) {
  const auto start = std::chrono::steady_clock::now();
  const std::unique_ptr<TBitmapLoader> loader = ports.MakeLoader ? ports.MakeLoader() : nullptr;
  TMapService service(job.ProgramFolder, loader.get());
  service.ApplyMapSettings(job.Overrides);
  TMapProject& project = service.Project();
  project.ControlFile = job.ControlFile;
  project.Fit = job.Fit;
  const std::unique_ptr<TOffscreenSurface> surface =
      ports.MakeSurface ? ports.MakeSurface(job.Width, job.Height, kPixelsPerInch) : nullptr;
  if (!surface) throw std::runtime_error("その大きさの表示画像を作れません");
  project.SetCanvas(&surface->Canvas());

  TConvertResult result;
  for (const std::string& map : job.Maps) {
    const TOpenOutcome outcome = service.Open({map, job.Kind, job.Folder});
    if (outcome.Cancelled) throw EOpenCancelled();
    if (outcome.ContentKind)
      throw std::runtime_error(OtherKindMessage(Quoted(map), outcome.Target.Kind,
                                                *outcome.ContentKind) +
                               "。--kind を外すか変えてください");
    if (outcome.Error) {
      if (outcome.Added == 0) std::rethrow_exception(outcome.Error);
      // A scan that failed part-way: its good files are written, the error
      // is reported after them.
      try {
        std::rethrow_exception(outcome.Error);
      } catch (const EChizroError& e) {
        result.Partial.emplace_back(e.what());
      }
      continue;
    }
    if (outcome.NothingNew()) throw std::runtime_error(NothingNewMessage(Quoted(map), outcome.Target));
  }
  result.Notices = project.TakeNotices();
  if (!job.Sima.empty()) {
    result.Sima = service.WriteSima(job.Sima);
    if (!job.Preview.empty()) {
      // The preview shows the view as the output left it.
      project.SetPixelsPerInch(kPixelsPerInch);
      project.SetScale(job.Scale);
      project.Draw();
    }
  } else {
    result.Stats = PaintAndWrite(service, surface->Canvas(), job);
  }
  if (!job.Preview.empty() && !surface->SavePng(job.Preview))
    throw std::runtime_error("プレビュー " + Quoted(job.Preview) + " を書けません");
  result.Themes = project.Themes->Count();
  result.Zone = project.Zone;
  result.Datum = project.Datum;
  result.Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

}  // namespace chizro
