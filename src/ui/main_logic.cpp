#include "ui/main_logic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

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
#include "service/map_service.h"

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
// archive of two or more, and each MB of a large file. The window opens at
// the first report worth showing.
class TOpenReports final : public TOpenProgress {
public:
  explicit TOpenReports(TMainHost& host) : host_(host) {}

  void Files(const std::string& name, std::int64_t done, std::int64_t total) override {
    if (total < 2) return;
    files_ = true;
    Show(name + " (" + std::to_string(done + 1) + "/" + std::to_string(total) + ")", done, total);
  }
  void Bytes(const std::string& name, std::int64_t done, std::int64_t total) override {
    // Inside an archive the files are the steps.
    if (files_ || total < kLargeFileBytes) return;
    constexpr std::int64_t kMb = 1024 * 1024;
    const std::int64_t mb = done / kMb;
    if (mb == shownMb_) return;
    shownMb_ = mb;
    Show(
        name + " (" + std::to_string(mb) + " / " + std::to_string((total + kMb - 1) / kMb) + " MB)",
        mb, (total + kMb - 1) / kMb);
  }
  bool Cancelled() override { return box_ && box_->Cancelled(); }

private:
  void Show(const std::string& text, std::int64_t done, std::int64_t total) {
    if (!box_) box_ = host_.StartOpenProgress();
    if (!box_) return;
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
  std::unique_ptr<TOpenProgressBox> box_;
  bool files_ = false;
  std::int64_t shownMb_ = -1;
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
  Guard([&] {
    const std::set<const TMapLeaf*> before = Leaves();
    TOpenOutcome outcome;
    {
      TBusy busy(host_);
      project_->SetCanvas(nullptr);
      TOpenReports reports(host_);
      const TOpenProgressScope scope(&reports);
      outcome = service_->Open({choice->FileName, choice->DataKind});
    }
    // The view goes to what this open added, also when an error or a cancel
    // cut it short; an open that added nothing leaves the view as it was.
    if (outcome.Added > 0) {
      project_->SetPixelsPerInch(host_.PixelsPerInch());
      FitExtent(outcome.Extent, outcome.Target.Kind == TKind::Sdf2500);
      if (outcome.Target.Kind != TKind::Sdf2500) FitToDrawn(before, outcome.Extent);
      loaded_ = true;
    }
    // A cancel is the user's own choice: no message. What opened before an
    // error is shown; the error goes to the message box.
    if (outcome.Cancelled) return;
    if (outcome.Error) std::rethrow_exception(outcome.Error);
    if (outcome.NothingNew())
      host_.ShowNotice(NothingNewMessage(choice->ShownName, outcome.Target));
    for (const std::string& notice : project_->TakeNotices()) host_.ShowNotice(notice);
  });
  Refresh();
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
  host_.RepaintImage();
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
    // The canvas lives for this paint only; the view keeps the device size.
    project_->SetCanvas(nullptr);
  });
}

void TMainLogic::Click(int x, int y) {
  if (!loaded_) return;
  UpdateView();
  TFPoint w;
  project_->View->DcToWc({x, y}, w);
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
  // A leaf that fails to load says so here, once; the paint does not load
  // it again.
  const auto loadInView = [&] {
    UpdateView();
    project_->SetCanvas(nullptr);
    Guard([&] { project_->Draw(); });
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

namespace {

// "IX" for 9: the zones as surveyors write them.
std::string Roman(int n) {
  static constexpr std::pair<int, const char*> kDigits[] = {
      {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
  std::string out;
  for (const auto& [value, text] : kDigits)
    while (n >= value) {
      out += text;
      n -= value;
    }
  return out;
}

std::string Fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

}  // namespace

TStatusLine TMainLogic::Status() const {
  TStatusLine status;
  const TMapProject& p = *project_;
  const std::string datum(DatumName(p.Datum));
  status.System = p.CoordMode == TCoordMode::Plane && p.Zone.IsPlaneZone()
                      ? Roman(p.Zone.Number()) + "系 " + datum
                      : "緯度経度 " + datum;
  if (!loaded_) return status;
  status.Scale = "1:" + Fixed(std::round(p.GetScale()), 0);
  if (!cursor_) return status;
  TFPoint w;
  p.View->DcToWc(*cursor_, w);
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
  status.Plane = "X " + Fixed(plane.X, 2) + " m  Y " + Fixed(plane.Y, 2) + " m";
  status.LatLon = std::string(geo.Lat < 0 ? "南緯 " : "北緯 ") + Fixed(std::fabs(geo.Lat), 6) +
                  "°  " + (geo.Lon < 0 ? "西経 " : "東経 ") + Fixed(std::fabs(geo.Lon), 6) + "°";
  return status;
}

}  // namespace chizro
