#include "model/map_theme.h"

#include <exception>

#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/leaf_prefetch.h"
#include "model/map_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/file_path.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"

namespace chizro {

TMapTheme::TMapTheme(TMapThemeGrp* owner)
    : Leaves(std::make_unique<TMapLeafGrp>(this)),
      LayerDefs(std::make_unique<TLayerDefGrp>()),
      ClassDefs(std::make_unique<TClassDefGrp>()),
      themes_(owner) {}

TMapTheme::~TMapTheme() {
  // Leaves first: their draw classes refer to the class definitions.
  Leaves.reset();
}

TMapProject* TMapTheme::Project() const noexcept { return themes_ ? themes_->Project() : nullptr; }

TZone TMapTheme::EffectiveZone() const {
  if (Zone.IsStated()) return Zone;
  const TMapProject* project = Project();
  return project ? project->Zone : Zone;
}

double TMapTheme::ViewScale() const {
  const TMapProject* project = Project();
  return project ? project->View->Scale : 0.0;
}

bool TMapTheme::Init() {
  const TMapProject* project = Project();
  const std::string relative = project ? project->Builders().DefFileForKind(DataKind) : "";
  DefFileName = relative.empty() ? std::string() : ProgramPath(project->ProgramFolder(), relative);
  Builder = project ? project->Builders().CreateBuilder(DataKind, project->Images()) : nullptr;
  if (Builder) Builder->SetProgramFolder(project->ProgramFolder());
  return LoadDefinitions(DefFileName);
}

bool TMapTheme::LoadDefinitions(const std::string& defFileName) {
  DefFileName = defFileName;
  if (defFileName.empty() || !IsRegularFile(defFileName)) return false;
  Title = TIniFile(defFileName).ReadString("MapTheme", "ThemeTitle", "");
  const TMapProject* project = Project();
  return project ? ClassDefs->LoadFromFile(defFileName, project->Images(), project->ProgramFolder())
                 : ClassDefs->LoadFromFile(defFileName);
}

void TMapTheme::SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum) {
  const TCoordChange change =
      TCoordChange::Between({CoordMode, Datum, EffectiveZone()}, {mode, datum, zone});
  if (change.Any()) {
    change.Apply(Extent);
    change.Apply(CenterX, CenterY);
    CoordMode = mode;
    Datum = datum;
    if (zone.IsStated()) Zone = zone;
  }
  for (int i = 0; i < Leaves->Count(); ++i) Leaves->Items(i)->SetCoordSystem(mode, zone, datum);
}

std::unique_ptr<TMapLeaf> TMapTheme::OpenLeaf(const std::string& fileName) {
  if (!Builder) return nullptr;
  std::unique_ptr<TMapLeaf> leaf = Builder->OpenFile(*Leaves, fileName);
  if (!leaf) return nullptr;
  leaf->RecordSourceState();
  // The leaf is not in the list yet: if it chooses the project's zone, the
  // project converts everything else and the leaf follows below.
  if (TMapProject* project = Project()) project->AdoptDataZone(*leaf);
  leaf->SetCoordSystem(CoordMode, Zone, Datum);
  return leaf;
}

void TMapTheme::LoadLeaf(TMapLeaf& leaf) {
  if (!Builder) return;
  // A leaf that holds figures (built at open, or loaded before) is read
  // afresh: its figures are in the theme's system, not the reader's, and the
  // reader adds to what a leaf holds.
  if (leaf.Loaded || leaf.FigGrpCount() > 0) leaf.Unload();
  if (Prefetch && Prefetch->Load(leaf)) return;
  // Figures are built in the system the reader stated at open; put the leaf
  // back into it so that the conversion below moves every part of it once.
  leaf.RestoreSourceState();
  auto finish = [&] { leaf.SetCoordSystem(CoordMode, Zone, Datum); };
  leaf.LoadError.clear();
  leaf.NoFigureReason.clear();
  try {
    Builder->LoadLeaf(leaf, ClassDefs.get(), ViewScale());
  } catch (const std::exception& e) {
    // Keep what was built, in the theme's system, and remember the error so
    // that the same bad data is not read again at every paint.
    if (leaf.FigGrpCount() > 0) leaf.Loaded = true;
    leaf.LoadError = e.what();
    finish();
    throw;
  }
  finish();
}

void TMapTheme::Draw(TMapView& view) { Leaves->Draw(view); }

TMapThemeGrp::TMapThemeGrp(TMapProject* project) : project_(project) {}

TMapThemeGrp::~TMapThemeGrp() = default;

TMapTheme* TMapThemeGrp::Open(const std::string& fileName, int dataKind, TOpenMode openMode) {
  for (auto& theme : items_) {
    if (theme->DataKind == dataKind) {
      theme->OpenMode = openMode;
      theme->Leaves->Open(fileName);
      return theme.get();
    }
  }
  items_.push_back(std::make_unique<TMapTheme>(this));
  TMapTheme* theme = items_.back().get();
  if (project_) {
    theme->Zone = project_->Zone;
    theme->CoordMode = project_->CoordMode;
    theme->Datum = project_->Datum;
  }
  theme->DataKind = dataKind;
  theme->FileName = fileName;
  theme->OpenMode = openMode;
  theme->Init();
  theme->Leaves->Open(fileName);
  return theme;
}

void TMapThemeGrp::Draw(TMapView& view) {
  // A theme whose data failed to load leaves the others drawn; its error
  // ends the paint after them.
  std::exception_ptr error;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (!(*it)->Visible) continue;
    try {
      (*it)->Draw(view);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace chizro
