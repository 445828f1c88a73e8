#include "ui/main_logic.h"

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "output/jwc_writer.h"
#include "output/output_settings.h"
#include "platform/canvas.h"

namespace chizro {
namespace {

constexpr TToolButton kToolButtons[] = {
    {"地図開", 0, 73, TGlyph::Open, &TMainLogic::OpenMap},
    {"JWCAD出力", 73, 96, TGlyph::Output, &TMainLogic::Output},
    {"拡大", 169, 35, TGlyph::None, &TMainLogic::ZoomIn},
    {"縮小", 204, 40, TGlyph::None, &TMainLogic::ZoomOut},
    {"出力設定", 244, 85, TGlyph::Settings, &TMainLogic::Settings},
    {"JWCADに戻る", 329, 112, TGlyph::Back, &TMainLogic::Back},
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
    std::vector<TFileType> list = {{"すべてのファイル (*)", "*", kKindSdf2500}};
    for (const TDataKind& kind : DataKinds())
      if (kind.SingleFile) list.push_back({kind.Filter, PatternsOf(kind.Filter), kind.Kind});
    return list;
  }();
  return types;
}

TMainLogic::TMainLogic(TMainHost& host)
    : host_(host), project_(std::make_unique<TMapProject>(DefaultBuilders())) {
  project_->View->ClearBackground = true;
  project_->CoordMode = kModePlane;
  project_->Datum = kDatumJgd2000;
  project_->Zone = 9;
  Guard([&] { ApplyMapSettings(); });
}

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
    const int before = LeafCount();
    auto settle = [&] {
      project_->SetPixelsPerInch(host_.PixelsPerInch());
      project_->SetScale(2500);
      loaded_ = true;
    };
    {
      TBusy busy(host_);
      project_->SetCanvas(nullptr);
      try {
        project_->Open(choice->FileName, choice->DataKind, kOpenFile);
      } catch (...) {
        // What opened before the error (sheets of a scan) is shown; the
        // error, and a file that gave no figure, goes to the message box.
        if (LeafCount() > before) settle();
        throw;
      }
      settle();
    }
    if (LeafCount() == before)
      host_.ShowNotice("地図を開けませんでした。地図データではないか、既に開いています:\n" +
                       choice->ShownName);
    for (const std::string& notice : project_->TakeNotices()) host_.ShowNotice(notice);
  });
  host_.RepaintImage();
}

void TMainLogic::Output() {
  if (!loaded_) return;
  Guard([&] {
    TBusy busy(host_);
    const int leaves =
        project_->Themes->Count() > 0 ? project_->Themes->Items(0)->Leaves->Count() : 0;
    std::unique_ptr<TProgress> progress;
    if (leaves > ProgressThreshold) progress = host_.StartProgress(leaves);
    // The output paints each leaf to load it; no window surface is needed.
    project_->SetCanvas(nullptr);
    ExportJwc(*project_, [&](int index, int) {
      if (progress) progress->Step(index);
    });
    if (progress) progress->Step(leaves);
  });
  host_.RepaintImage();
}

void TMainLogic::ZoomIn() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() / 1.5f);
  host_.RepaintImage();
}

void TMainLogic::ZoomOut() {
  if (!loaded_) return;
  project_->SetScale(project_->GetScale() * 1.5f);
  host_.RepaintImage();
}

void TMainLogic::Settings() {
  bool saved = false;
  Guard([&] { saved = host_.ShowSettings(); });
  if (!saved) return;
  Guard([&] {
    TBusy busy(host_);
    ApplyMapSettings();
  });
  host_.RepaintImage();
}

void TMainLogic::ApplyMapSettings() {
  TOutputSettings settings;
  settings.Load(TOutputSettings::DefaultFileName());
  project_->ChooseZone(settings.Zone);
  if (settings.ContourInterval != project_->ContourInterval())
    project_->SetContourInterval(settings.ContourInterval);
}

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
  TFPoint w;
  project_->View->DcToWc({x, y}, w);
  project_->View->CenterX = w.x;
  project_->View->CenterY = w.y;
  host_.RepaintImage();
}

}  // namespace chizro
