#include "ui/main_logic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "platform/canvas.h"
#include "platform/errors.h"
#include "model/map_builder.h"
#include "model/map_figure.h"
#include "model/survey_data.h"
#include "platform/convert.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/control_sidecar.h"
#include "service/map_service.h"
#include "ui/placement_logic.h"

namespace chizro {
namespace {

// The zoom of "拡大", "縮小", a wheel notch and the fit's steps.
constexpr double kZoomStep = 1.5;
// The scale of a new SDF sheet and the closest a fit goes.
constexpr double kStartScale = 2500;
// 1:2500 * 1.5^30 is about 1:480 million: beyond any map of the earth.
constexpr int kMaxFitSteps = 30;
// An arrow key moves the map by this part of the window.
constexpr int kArrowPart = 4;

constexpr TToolButton kToolButtons[] = {
    {"地図開", 0, 73, TGlyph::Open, &TMainLogic::OpenMap},
    {"JWCAD出力", 73, 96, TGlyph::Output, &TMainLogic::Output},
    {"SIMA出力", 169, 72, TGlyph::None, &TMainLogic::OutputSima},
    {"拡大", 241, 35, TGlyph::None, &TMainLogic::ZoomIn},
    {"縮小", 276, 40, TGlyph::None, &TMainLogic::ZoomOut},
    {"出力設定", 316, 85, TGlyph::Settings, &TMainLogic::Settings},
    {"JWCADに戻る", 401, 112, TGlyph::Back, &TMainLogic::Back},
};

// The busy cursor for the life of the object.
class TBusy final {
public:
  explicit TBusy(TMainHost& host) : host_(host) { host_.SetBusy(true); }
  ~TBusy() { host_.SetBusy(false); }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

private:
  TMainHost& host_;
};

// The open's reports shown in the host's progress window: each file of an
// archive or folder of two or more, else each MB of the file. The window
// opens at the first report of such an archive or folder or of a large
// file, and for any other open at the first report once the open has taken
// kOpenProgressDelay; then every change of the text is shown, and the
// window's cancel button is asked at every report (which lets it answer
// between the shown steps: an open whose files are all read before its
// leaves are built, as the FGD download's, still stops).
class TOpenReports final : public TOpenProgress {
public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  TOpenReports(TMainHost& host, TClock clock)
      : host_(host), clock_(std::move(clock)), start_(clock_()) {}

  void Files(const std::string& name, std::int64_t done, std::int64_t total) override {
    if (total < 2) return;
    files_ = true;
    Update(name + " (" + std::to_string(done + 1) + "/" + std::to_string(total) + ")", done, total,
           true);
  }
  void Bytes(const std::string& name, std::int64_t done, std::int64_t total) override {
    // Inside an archive or folder the files are the steps.
    if (files_) {
      Update(text_, done_, total_, false);
      return;
    }
    constexpr std::int64_t kMb = 1024 * 1024;
    const std::int64_t mb = done / kMb;
    const std::int64_t mbs = (total + kMb - 1) / kMb;
    Update(name + " (" + std::to_string(mb) + " / " + std::to_string(mbs) + " MB)", mb, mbs,
           total >= kLargeFileBytes);
  }
  bool Cancelled() override { return box_ && box_->Cancelled(); }

private:
  // The window's text and bar are now `text` at `done` of `total`: shown
  // when they changed, the window opened `now` (an archive or folder of
  // files, a large file) or at the first report after the delay.
  void Update(const std::string& text, std::int64_t done, std::int64_t total, bool now) {
    const bool changed = text != text_ || !shownOnce_;
    text_ = text;
    done_ = done;
    total_ = total;
    if (!box_) {
      if (!now && clock_() - start_ < kOpenProgressDelay) return;
      box_ = host_.StartOpenProgress();
      if (!box_) return;
    }
    if (!changed) return;
    shownOnce_ = true;
    box_->Show(text, static_cast<int>(done), static_cast<int>(total));
    // The screenshot scripts hold each step on the screen for a while, to
    // catch the progress window of a small file; the window keeps
    // repainting and its cancel button answers meanwhile.
    static const long holdMs = [] {
      const char* value = std::getenv("CHIZRO_TEST_OPEN_STEP_MS");
      return value ? std::strtol(value, nullptr, 10) : 0L;
    }();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdMs);
    while (holdMs > 0 && !box_->Cancelled() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      box_->Show(text, static_cast<int>(done), static_cast<int>(total));
    }
  }

  TMainHost& host_;
  TClock clock_;
  std::chrono::steady_clock::time_point start_;
  std::unique_ptr<TOpenProgressBox> box_;
  bool files_ = false;
  bool shownOnce_ = false;
  std::string text_;
  std::int64_t done_ = 0;
  std::int64_t total_ = 0;
};

// The name patterns inside the brackets that end a filter caption.
std::string PatternsOf(const std::string& caption) {
  const auto open = caption.rfind('(');
  const auto close = caption.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return "*";
  return caption.substr(open + 1, close - open - 1);
}

}  // namespace

std::span<const TToolButton> ToolButtons() { return kToolButtons; }

const std::vector<TFileType>& OpenFileTypes() {
  static const std::vector<TFileType> types = [] {
    std::vector<TFileType> list = {{"すべてのファイル (*)", "*", TKind::ByContent}};
    for (const TDataKind* kind : DataKinds())
      if (kind->SingleFile) list.push_back({kind->Filter, PatternsOf(kind->Filter), kind->Kind});
    return list;
  }();
  return types;
}

TMainLogic::TMainLogic(TMainHost& host, TBitmapLoader* images, std::string programFolder)
    : host_(host),
      service_(std::make_unique<TMapService>(std::move(programFolder), images)),
      project_(&service_->Project()) {
  Guard([&] { ApplyMapSettings(); });
}

TMapProject& TMainLogic::Project() noexcept { return *project_; }

TMainLogic::~TMainLogic() = default;

bool TMainLogic::Guard(const std::function<void()>& step) {
  return Guarded(step, [this](const std::string& message) { host_.ShowError(message); });
}

bool TMainLogic::OnlyLocal() const {
  bool any = false;
  for (int t = 0; t < project_->Themes->Count(); ++t) {
    const TMapLeafGrp& leaves = *project_->Themes->Items(t)->Leaves;
    for (int i = 0; i < leaves.Count(); ++i) {
      if (!leaves.Items(i)->Zone.IsLocal()) return false;
      any = true;
    }
  }
  return any;
}

bool TMainLogic::LocalAt(const TFPoint& w) const {
  bool local = false;
  for (int t = 0; t < project_->Themes->Count(); ++t) {
    const TMapLeafGrp& leaves = *project_->Themes->Items(t)->Leaves;
    for (int i = 0; i < leaves.Count(); ++i) {
      const TMapLeaf& leaf = *leaves.Items(i);
      const TFRect& e = leaf.Extent;
      if (w.x < std::min(e.left, e.right) || w.x > std::max(e.left, e.right) ||
          w.y < std::min(e.bottom, e.top) || w.y > std::max(e.bottom, e.top))
        continue;
      if (!leaf.Zone.IsLocal()) return false;
      local = true;
    }
  }
  return local;
}

int TMainLogic::LeafCount() const {
  int count = 0;
  for (int i = 0; i < project_->Themes->Count(); ++i)
    count += project_->Themes->Items(i)->Leaves->Count();
  return count;
}

void TMainLogic::OpenMap() {
  std::optional<TOpenChoice> choice;
  if (!Guard([&] { choice = host_.ChooseFile(); })) return;
  if (!choice || choice->FileName.empty()) return;
  OpenChoice(*choice);
}

void TMainLogic::OpenChoice(const TOpenChoice& choice) {
  std::optional<TKind> offered;
  // The view as the user has it: an open that errors comes back to it.
  const bool hadMap = loaded_;
  const TFPoint centre{project_->View->CenterX, project_->View->CenterY};
  const double scale = project_->GetScale();
  Guard([&] {
    const std::set<const TMapLeaf*> before = Leaves();
    TOpenOutcome outcome;
    {
      TBusy busy(host_);
      project_->SetCanvas(nullptr);
      TOpenReports reports(host_, Clock);
      const TOpenProgressScope scope(&reports);
      outcome = service_->Open({choice.FileName, choice.DataKind});
    }
    // The view goes to what this open added, also when a cancel cut it
    // short; an open that added nothing, or that an error refused while
    // other maps were open, leaves the view where the user had it.
    if (outcome.Added > 0 && !(outcome.Error && loaded_)) {
      project_->SetPixelsPerInch(host_.PixelsPerInch());
      FitExtent(outcome.Extent, outcome.Target.Kind == TKind::Sdf2500);
    }
    if (outcome.Added > 0) loaded_ = true;
    for (const std::string& notice : project_->TakeNotices()) host_.ShowNotice(notice);
    // What the open added loads now, where the view went (no one sees this
    // paint): a file cut short fails here rather than at the next paint,
    // and is refused as an error of the open is, the view where it was.
    if (outcome.Added > 0 && !outcome.Error) {
      try {
        // Fitted to the extent the reader gave, the view then fits what
        // the new leaves draw (an elevation model its cells with values),
        // and comes in to where some class of theirs shows.
        if (outcome.Target.Kind != TKind::Sdf2500) FitToDrawn(before, outcome.Extent);
        project_->Draw();
      } catch (...) {
        if (hadMap) {
          project_->View->CenterX = centre.x;
          project_->View->CenterY = centre.y;
          project_->SetScale(scale);
          UpdateView();
        }
        throw;
      }
    }
    // A cancel is the user's own choice: what was taken before it is said.
    if (outcome.Cancelled) {
      if (outcome.Added > 0)
        host_.ShowNotice("開くのを中止しました。" +
                         (outcome.CancelledOf > 0
                              ? std::to_string(outcome.CancelledOf) + " ファイルのうち、"
                              : std::string()) +
                         "それまでに読んだ " + std::to_string(outcome.Added) +
                         " ファイルは開いたままです。");
      return;
    }
    if (outcome.ContentKind) {
      offered = outcome.ContentKind;
      return;
    }
    if (outcome.Error) std::rethrow_exception(outcome.Error);
    if (outcome.NothingNew())
      host_.ShowNotice(NothingNewMessage(choice.ShownName, outcome.Target));
  });
  Refresh();
  if (offered &&
      host_.Ask(OtherKindMessage(choice.ShownName, choice.DataKind, *offered) + "。" +
                KindName(*offered) + " として開きますか?"))
    OpenChoice({choice.FileName, choice.ShownName, *offered});
}

void TMainLogic::Output() {
  if (!loaded_) return;
  // The output moves the view over every leaf to load it: the user's view
  // comes back afterwards, also after an error.
  const TMapView& view = *project_->View;
  const TFPoint centre{view.CenterX, view.CenterY};
  const double scale = project_->GetScale();
  Guard([&] {
    TBusy busy(host_);
    const int leaves =
        project_->Themes->Count() > 0 ? project_->Themes->Items(0)->Leaves->Count() : 0;
    std::unique_ptr<TProgress> progress;
    if (leaves > ProgressThreshold) progress = host_.StartProgress(leaves);
    // The output paints each leaf to load it; no window surface is needed.
    project_->SetCanvas(nullptr);
    try {
      service_->WriteJwc([&](int index, int) {
        if (progress) progress->Step(index);
      });
    } catch (...) {
      project_->View->CenterX = centre.x;
      project_->View->CenterY = centre.y;
      project_->SetScale(scale);
      throw;
    }
    if (progress) progress->Step(leaves);
  });
  project_->View->CenterX = centre.x;
  project_->View->CenterY = centre.y;
  project_->SetScale(scale);
  Refresh();
}

void TMainLogic::OutputSima() {
  if (!loaded_) return;
  const std::optional<TSaveChoice> choice = host_.ChooseSaveFile(kSimaFileType, "chizro.sim");
  if (!choice) return;
  Guard([&] {
    TBusy busy(host_);
    const int leaves = LeafCount();
    std::unique_ptr<TProgress> progress;
    if (leaves > ProgressThreshold) progress = host_.StartProgress(leaves);
    TSimaStats stats = service_->WriteSima(choice->FileName, [&](int index, int) {
      if (progress) progress->Step(index);
    });
    if (progress) progress->Step(leaves);
    stats.FileName = choice->ShownName;
    host_.ShowNotice(SimaSummary(stats) + "。");
  });
}

void TMainLogic::ZoomIn() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() / kZoomStep);
  Refresh();
}

void TMainLogic::ZoomOut() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() * kZoomStep);
  Refresh();
}

void TMainLogic::Settings() {
  bool saved = false;
  Guard([&] { saved = host_.ShowSettings(service_->SettingsFile()); });
  if (!saved) return;
  Guard([&] {
    TBusy busy(host_);
    ApplyMapSettings();
  });
  // The zone in the status line follows at once, not at the next move.
  Refresh();
}

void TMainLogic::ApplyMapSettings() { service_->ApplyMapSettings(); }

void TMainLogic::Back() { host_.Close(); }

void TMainLogic::Paint(TCanvas& canvas) {
  if (!loaded_) return;
  Guard([&] {
    project_->SetCanvas(&canvas);
    try {
      project_->Draw();
    } catch (...) {
      project_->SetCanvas(nullptr);
      throw;
    }
    if (placement_) PaintPlacement(canvas);
    // The canvas lives for this paint only; the view keeps the device size.
    project_->SetCanvas(nullptr);
  });
}

void TMainLogic::PaintPlacement(TCanvas& canvas) {
  const TMapView& view = *project_->View;
  TFont font;
  font.Size = 9;
  canvas.SetBrush({kColorWhite, kBrushClear});
  for (const TPlacementMarker& m : placement_->Markers()) {
    // The map's points red, their public places blue, the point waiting
    // for its place orange and larger.
    const TColor color = m.Role == TPlacementMarker::TRole::Local    ? MakeColor(220, 0, 0)
                         : m.Role == TPlacementMarker::TRole::Target ? MakeColor(0, 0, 220)
                                                                     : MakeColor(255, 140, 0);
    const int r = m.Role == TPlacementMarker::TRole::Picked ? 9 : 6;
    const TPoint c = view.WcToDc(m.At.x, m.At.y);
    canvas.SetPen({color, kPenSolid, 2});
    const TPoint h[] = {{c.x - r, c.y}, {c.x + r + 1, c.y}};
    const TPoint v[] = {{c.x, c.y - r}, {c.x, c.y + r + 1}};
    canvas.Polyline(h);
    canvas.Polyline(v);
    canvas.Rectangle({c.x - r / 2 - 1, c.y - r / 2 - 1, c.x + r / 2 + 2, c.y + r / 2 + 2});
    font.Color = color;
    canvas.SetFont(font);
    canvas.TextOut(c.x + r + 2, c.y - r - 12, Utf8ToSjis(m.Label));
  }
}

std::optional<TFPoint> TMainLogic::NearestPublicVertex(TFPoint at, double reach) const {
  std::optional<TFPoint> best;
  double bestDistance = reach;
  const double scale = project_->GetScale();
  for (const TMapLeaf* leaf : Leaves()) {
    if (leaf->Zone.IsLocal() || !leaf->Loaded || !leaf->DrawClasses) continue;
    const TFRect& e = leaf->Extent;
    if (at.x < std::min(e.left, e.right) - reach || at.x > std::max(e.left, e.right) + reach ||
        at.y < std::min(e.bottom, e.top) - reach || at.y > std::max(e.bottom, e.top) + reach)
      continue;
    // Only what is drawn at this scale can be meant.
    for (int i = 0; i < leaf->DrawClasses->Count(); ++i) {
      const TDrawClass& cls = *leaf->DrawClasses->Items(i);
      const TClassDef* def = cls.ClassDef;
      if (!def || !def->Visible || !def->IsVisibleAt(scale)) continue;
      for (const TFigure* fig : cls.Figures)
        for (const TFPoint& p : fig->Points) {
          const double d = std::hypot(p.x - at.x, p.y - at.y);
          if (d <= bestDistance) {
            bestDistance = d;
            best = p;
          }
        }
    }
  }
  return best;
}

void TMainLogic::StartPlacement() {
  if (placement_) {
    host_.ShowPlacement();
    return;
  }
  if (!loaded_) return;
  Guard([&] {
    // The map to place: a 地図XML in arbitrary coordinates, not yet placed
    // or placed by its sidecar (to be placed again); the one under the
    // view's centre first, and of two there the one not yet placed.
    const TFPoint centre{project_->View->CenterX, project_->View->CenterY};
    const TMapLeaf* target = nullptr;
    TMapTheme* targetTheme = nullptr;
    int best = -1;
    for (int t = 0; t < project_->Themes->Count(); ++t) {
      TMapTheme& theme = *project_->Themes->Items(t);
      if (theme.DataKind != KindNumber(TKind::Moj) || !theme.Builder) continue;
      for (int i = 0; i < theme.Leaves->Count(); ++i) {
        const TMapLeaf& leaf = *theme.Leaves->Items(i);
        if (leaf.AwaitsZone) continue;
        const bool unplaced = leaf.Zone.IsLocal();
        if (!unplaced && !leaf.PlacedByControl) continue;
        const TFRect& e = leaf.Extent;
        const bool under = centre.x >= std::min(e.left, e.right) &&
                           centre.x <= std::max(e.left, e.right) &&
                           centre.y >= std::min(e.bottom, e.top) &&
                           centre.y <= std::max(e.bottom, e.top);
        const int score = (under ? 2 : 0) + (unplaced ? 1 : 0);
        if (score > best) {
          best = score;
          target = &leaf;
          targetTheme = &theme;
        }
      }
    }
    if (!target) {
      host_.ShowNotice(
          "位置合わせする地図がありません。位置合わせは、任意座標系の地図XMLを開いてから行います。");
      return;
    }
    if (!target->Zone.IsLocal()) {
      // Placed by its sidecar: opened again in its own coordinates, where
      // its points are picked, until the dialog ends.
      const std::string file = target->FileName;
      project_->Unplaced.insert(file);
      redoing_ = file;
      target = ReopenForPlacement(*target, false);
      if (!target) throw EChizroError(Quoted(file) + " を開き直せませんでした");
    }
    TSurveyData data;
    {
      TBusy busy(host_);
      targetTheme->Builder->SurveyData(*target, data);
    }
    if (data.Points.empty())
      throw EChizroError(Quoted(target->FileName) + " には筆界点も基準点もありません");
    placementSidecar_ = {};
    const std::string sidecar = ControlSidecarOf(target->FileName);
    if (IsRegularFile(sidecar)) {
      // A sidecar that does not read (it is why the map is not placed) is
      // shown, and the dialog starts without it.
      try {
        placementSidecar_ = ReadControlPoints(sidecar);
      } catch (const EChizroError& e) {
        host_.ShowError(e.what());
      }
    }
    // A zip's sidecar may hold the parts of other members, kept when OK
    // writes this map's.
    const TControlPointList existing = ControlPointsOf(placementSidecar_, target->FileName);
    placementZone_ = project_->Zone;
    const std::string zone = project_->Zone.IsPlaneZone() ? ZoneName(project_->Zone.Number()) : "";
    placement_ = std::make_unique<TPlacementLogic>(
        target->FileName, std::move(data.Points), existing,
        [this](TFPoint at, double reach) { return NearestPublicVertex(at, reach); }, zone);
  });
  if (!placement_) {
    PlaceAgainBySidecar();
    return;
  }
  host_.ShowPlacement();
  Refresh();
}

void TMainLogic::PlaceAgainBySidecar() {
  if (redoing_.empty()) return;
  const std::string file = std::exchange(redoing_, {});
  project_->Unplaced.erase(file);
  if (const TMapLeaf* leaf = LeafOfFile(file)) Guard([&] { ReopenForPlacement(*leaf, false); });
}

void TMainLogic::PlacementEdited() { host_.RepaintImage(); }

bool TMainLogic::FinishPlacement(bool accept) {
  if (!placement_) return true;
  if (!accept) {
    placement_.reset();
    // A placement redone and cancelled: the map goes back to where its
    // sidecar places it.
    PlaceAgainBySidecar();
    Refresh();
    return true;
  }
  if (!placement_->CanAccept()) {
    host_.ShowError(placement_->Summary());
    return false;
  }
  if (!(project_->Zone == placementZone_)) {
    host_.ShowError(
        "位置合わせの途中でプロジェクトの座標系が変わりました。点の公共座標は前の座標系のものです。"
        "キャンセルして、位置合わせをやり直してください。");
    return false;
  }
  const std::string leafFile = placement_->LeafFileName();
  if (!Guard([&] {
        WriteControlPoints(ControlSidecarOf(leafFile),
                           WithMapPoints(placementSidecar_, leafFile, placement_->List()));
      }))
    return false;
  placement_.reset();
  project_->Unplaced.erase(leafFile);
  redoing_.clear();
  const TMapLeaf* leaf = LeafOfFile(leafFile);
  if (!leaf) {
    Refresh();
    return true;
  }
  // The map opens again from its file, placed by the sidecar just written;
  // the view goes to where it now is, and the fit's summary is said.
  Guard([&] { ReopenForPlacement(*leaf, true); });
  Refresh();
  return true;
}

const TMapLeaf* TMainLogic::ReopenForPlacement(const TMapLeaf& leaf, bool sayNotices) {
  const std::string file = leaf.FileName;
  // The leaf is closed by the reopen: its address may come back for the
  // new one, which must count as added.
  std::set<const TMapLeaf*> before = Leaves();
  before.erase(&leaf);
  TOpenOutcome outcome;
  {
    TBusy busy(host_);
    project_->SetCanvas(nullptr);
    outcome = service_->Reopen(leaf);
  }
  if (outcome.Added > 0) {
    project_->SetPixelsPerInch(host_.PixelsPerInch());
    FitExtent(outcome.Extent, false);
    FitToDrawn(before, outcome.Extent);
  }
  // The map is on the screen, without the markers, before its notices are
  // said.
  Refresh();
  std::vector<std::string> notices = project_->TakeNotices();
  if (sayNotices)
    for (const std::string& notice : notices) host_.ShowNotice(notice);
  if (outcome.Error) std::rethrow_exception(outcome.Error);
  return LeafOfFile(file);
}

const TMapLeaf* TMainLogic::LeafOfFile(const std::string& fileName) const {
  for (const TMapLeaf* l : Leaves())
    if (l->FileName == fileName) return l;
  return nullptr;
}

void TMainLogic::Click(int x, int y) {
  if (!loaded_) return;
  UpdateView();
  TFPoint w;
  project_->View->DcToWc({x, y}, w);
  if (placement_) {
    const TMapView& view = *project_->View;
    const double reach = view.PxPerUnitX > 0 ? kSnapPixels / view.PxPerUnitX : 0;
    placement_->Click(w, reach);
    host_.PlacementChanged();
    host_.RepaintImage();
    return;
  }
  project_->View->CenterX = w.x;
  project_->View->CenterY = w.y;
  Refresh();
}

void TMainLogic::UpdateView() {
  TMapView& view = *project_->View;
  const TPoint size = host_.ImageSize();
  view.DeviceRect = {0, 0, size.x, size.y};
  view.PixelsPerInch = host_.PixelsPerInch();
  view.UpdateTransform();
}

void TMainLogic::Refresh() {
  host_.RepaintImage();
  host_.ShowStatus(Status());
}

void TMainLogic::FitAll() {
  if (!loaded_) return;
  const std::optional<TFRect> all = service_->Extent();
  if (!all) return;
  Guard([&] {
    FitExtent(*all, false);
    FitToDrawn({}, *all);
  });
  Refresh();
}

void TMainLogic::FitExtent(const TFRect& extent, bool keepStart) {
  TMapView& view = *project_->View;
  view.CenterX = (extent.left + extent.right) / 2;
  view.CenterY = (extent.bottom + extent.top) / 2;
  double scale = kStartScale;
  project_->SetScale(scale);
  if (!keepStart) {
    UpdateView();
    // Pixels per world unit at 1:2500; the extent's size in pixels shrinks
    // by the factor of the scale.
    const double wide = std::fabs(extent.right - extent.left) * view.PxPerUnitX;
    const double high = std::fabs(extent.top - extent.bottom) * view.PxPerUnitY;
    const double room = std::min(view.DeviceWidth, view.DeviceHeight) > 0
                            ? std::max(wide / view.DeviceWidth, high / view.DeviceHeight)
                            : 0;
    // Far enough out for a whole country, and no more: a broken extent
    // must not send the scale to infinity.
    for (int step = 0; step < kMaxFitSteps && room * kStartScale / scale > 1; ++step)
      scale *= kZoomStep;
    project_->SetScale(scale);
  }
  UpdateView();
}

std::set<const TMapLeaf*> TMainLogic::Leaves() const {
  std::set<const TMapLeaf*> leaves;
  for (int i = 0; i < project_->Themes->Count(); ++i) {
    const TMapLeafGrp& grp = *project_->Themes->Items(i)->Leaves;
    for (int j = 0; j < grp.Count(); ++j) leaves.insert(grp.Items(j));
  }
  return leaves;
}

void TMainLogic::FitToDrawn(const std::set<const TMapLeaf*>& before, const TFRect& extent) {
  std::vector<const TMapLeaf*> added;
  for (const TMapLeaf* leaf : Leaves())
    if (!before.contains(leaf)) added.push_back(leaf);
  if (added.empty()) return;
  // A leaf that fails to load throws here, once (the paint does not load
  // it again): the caller says so and puts the view back.
  const auto loadInView = [&] {
    UpdateView();
    project_->SetCanvas(nullptr);
    project_->Draw();
  };
  loadInView();
  std::optional<TFRect> drawn;
  for (const TMapLeaf* leaf : added) {
    if (!drawn) drawn = leaf->Extent;
    drawn->left = std::min(drawn->left, leaf->Extent.left);
    drawn->right = std::max(drawn->right, leaf->Extent.right);
    drawn->bottom = std::min(drawn->bottom, leaf->Extent.bottom);
    drawn->top = std::max(drawn->top, leaf->Extent.top);
  }
  if (drawn->left != extent.left || drawn->right != extent.right ||
      drawn->bottom != extent.bottom || drawn->top != extent.top) {
    FitExtent(*drawn, false);
    loadInView();
  }
  const double scale = project_->GetScale();
  double coarsest = 0;
  for (const TMapLeaf* leaf : added)
    for (int i = 0; i < leaf->DrawClasses->Count(); ++i) {
      const TDrawClass& cls = *leaf->DrawClasses->Items(i);
      const TClassDef* def = cls.ClassDef;
      if (!def || !def->Visible || cls.Figures.empty()) continue;
      if (def->IsVisibleAt(scale)) return;
      // A class shown only farther out does not help here.
      if (def->MaxScale > 0 && def->MaxScale < scale && def->MinScale <= def->MaxScale)
        coarsest = std::max(coarsest, def->MaxScale);
    }
  if (coarsest <= 0) return;
  project_->SetScale(coarsest);
  loadInView();
}

void TMainLogic::PanPixels(double dx, double dy) {
  TMapView& view = *project_->View;
  UpdateView();
  if (view.PxPerUnitX <= 0 || view.PxPerUnitY <= 0) return;
  view.CenterX += dx / view.PxPerUnitX;
  view.CenterY -= dy / view.PxPerUnitY;
}

void TMainLogic::ZoomAbout(double scale, int x, int y) {
  TMapView& view = *project_->View;
  UpdateView();
  TFPoint before;
  view.DcToWc({x, y}, before);
  project_->SetScale(scale);
  // In latitude/longitude the pixels per degree depend on the centre: a
  // second pass takes up what the first one moved.
  for (int pass = 0; pass < 2; ++pass) {
    UpdateView();
    TFPoint after;
    view.DcToWc({x, y}, after);
    view.CenterX += before.x - after.x;
    view.CenterY += before.y - after.y;
  }
  UpdateView();
}

void TMainLogic::Wheel(int x, int y, int steps) {
  if (!loaded_ || steps == 0) return;
  Guard([&] { ZoomAbout(project_->GetScale() * std::pow(kZoomStep, -steps), x, y); });
  cursor_ = TPoint{x, y};
  Refresh();
}

void TMainLogic::MouseDown(int x, int y) {
  if (!loaded_) return;
  press_ = TPoint{x, y};
  pressCentre_ = {project_->View->CenterX, project_->View->CenterY};
  dragging_ = false;
}

void TMainLogic::MouseMove(int x, int y) {
  cursor_ = TPoint{x, y};
  if (loaded_ && press_) {
    const int dx = x - press_->x;
    const int dy = y - press_->y;
    if (!dragging_ && std::max(std::abs(dx), std::abs(dy)) > kDragSlop) dragging_ = true;
    if (dragging_) {
      project_->View->CenterX = pressCentre_.x;
      project_->View->CenterY = pressCentre_.y;
      Guard([&] { PanPixels(-dx, -dy); });
      host_.RepaintImage();
    }
  }
  host_.ShowStatus(Status());
}

void TMainLogic::MouseUp(int x, int y) {
  if (!press_) return;
  const bool dragged = dragging_;
  press_.reset();
  dragging_ = false;
  if (!dragged) Click(x, y);
}

void TMainLogic::MouseLeave() {
  cursor_.reset();
  host_.ShowStatus(Status());
}

void TMainLogic::Key(TMapKey key) {
  if (!loaded_) return;
  const TPoint size = host_.ImageSize();
  switch (key) {
    case TMapKey::ZoomIn:
      ZoomIn();
      return;
    case TMapKey::ZoomOut:
      ZoomOut();
      return;
    case TMapKey::FitAll:
      FitAll();
      return;
    case TMapKey::Left:
      PanPixels(-size.x / kArrowPart, 0);
      break;
    case TMapKey::Right:
      PanPixels(size.x / kArrowPart, 0);
      break;
    case TMapKey::Up:
      PanPixels(0, -size.y / kArrowPart);
      break;
    case TMapKey::Down:
      PanPixels(0, size.y / kArrowPart);
      break;
  }
  Refresh();
}

TStatusLine TMainLogic::Status() const {
  TStatusLine status;
  const TMapProject& p = *project_;
  const std::string datum(DatumName(p.Datum));
  TFPoint w;
  if (loaded_ && cursor_) p.View->DcToWc(*cursor_, w);
  // In arbitrary coordinates: all that is open, or what lies under the
  // cursor (a map not yet placed beside placed data: its positions are not
  // the zone's).
  const bool local = OnlyLocal() || (loaded_ && cursor_ && LocalAt(w));
  status.System = local ? "任意座標"
                  : p.CoordMode == TCoordMode::Plane && p.Zone.IsPlaneZone()
                      ? ZoneName(p.Zone.Number()) + " " + datum
                      : "緯度経度 " + datum;
  if (!loaded_) return status;
  status.Scale = "1:" + FixedText(std::round(p.GetScale()), 0);
  if (!cursor_) return status;
  const TEllipsoid& ellipsoid = EllipsoidOfDatum(p.Datum);
  TPlanePoint plane{w.y, w.x};
  TLatLon geo{w.y, w.x};
  try {
    if (p.CoordMode == TCoordMode::Plane)
      geo = XYToLatLon(ellipsoid, p.Zone.Number(), plane.X, plane.Y);
    else
      plane = LatLonToXY(ellipsoid, p.Zone.Number(), geo.Lat, geo.Lon);
  } catch (const EChizroError&) {
    return status;  // no zone to state a plane position in
  }
  status.Plane = "X " + FixedText(plane.X, 2) + " m  Y " + FixedText(plane.Y, 2) + " m";
  // Arbitrary coordinates have no latitude/longitude, and outside the area
  // of Japan's zones the zone's projection gives none worth reading.
  if (local || !std::isfinite(geo.Lat) || !std::isfinite(geo.Lon) ||
      !InJapanZones(geo.Lat, geo.Lon))
    return status;
  status.LatLon = std::string(geo.Lat < 0 ? "南緯 " : "北緯 ") + FixedText(std::fabs(geo.Lat), 6) +
                  "°  " + (geo.Lon < 0 ? "西経 " : "東経 ") + FixedText(std::fabs(geo.Lon), 6) + "°";
  return status;
}

}  // namespace chizro
