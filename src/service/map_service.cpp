#include "service/map_service.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "output/output_settings.h"
#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/offscreen.h"

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

}  // namespace

std::string NothingNewMessage(const std::string& shownName, const TOpenTarget& target) {
  return "地図を開けませんでした。地図データではないか、既に開いています: " + shownName +
         " (データ種別 " + std::to_string(KindNumber(target.Kind)) +
         (target.Mode == TOpenMode::Folder ? "、フォルダ" : "") + ")";
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
  outcome.Target = TargetOf(request);
  const std::set<const TMapLeaf*> before = LeavesOf(*project_);
  try {
    project_->Open(request.Path, KindNumber(outcome.Target.Kind), outcome.Target.Mode);
  } catch (const EOpenCancelled&) {
    outcome.Cancelled = true;
  } catch (...) {
    outcome.Error = std::current_exception();
  }
  // What this open added, also when an error or a cancel cut it short.
  std::optional<TFRect> extent;
  for (const TMapLeaf* leaf : LeavesOf(*project_))
    if (!before.contains(leaf)) {
      ++outcome.Added;
      Widen(extent, leaf->Extent);
    }
  if (extent) outcome.Extent = *extent;
  return outcome;
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
