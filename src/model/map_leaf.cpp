#include "model/map_leaf.h"

#include <algorithm>
#include <exception>

#include "model/draw_class.h"
#include "model/leaf_prefetch.h"
#include "model/map_builder.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/map_view.h"
#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/file_path.h"

namespace chizro {

TMapLeaf::TMapLeaf(TMapLeafGrp* owner)
    : DrawClasses(std::make_unique<TDrawClassGrp>()), leaves_(owner) {
  if (const TMapTheme* theme = Theme()) {
    Datum = theme->Datum;
    CoordMode = theme->CoordMode;
    Zone = theme->Zone;
  }
}

TMapLeaf::~TMapLeaf() = default;

TMapTheme* TMapLeaf::Theme() const noexcept { return leaves_ ? leaves_->Theme() : nullptr; }

TZone TMapLeaf::EffectiveZone() const {
  // Local coordinates are in no zone: a change of zone leaves them as they
  // are (TCoordChange moves nothing from an unstated zone).
  if (Zone.IsStated() || Zone.IsLocal()) return Zone;
  const TMapTheme* theme = Theme();
  return theme ? theme->EffectiveZone() : Zone;
}

void TMapLeaf::SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum) {
  const TCoordChange change =
      TCoordChange::Between({CoordMode, Datum, EffectiveZone()}, {mode, datum, zone});
  if (!change.Any()) return;
  change.Apply(Extent);
  for (TFPoint& p : Corners) change.Apply(p.x, p.y);
  for (auto& grp : FigGrps) grp->Convert(change);
  CoordMode = mode;
  Datum = datum;
  if (zone.IsStated()) Zone = zone;
}

bool TMapLeaf::HasFigures() const noexcept {
  for (const auto& grp : FigGrps)
    for (const auto& fig : grp->Figures())
      if (!fig->Points.empty() || fig->Kind() == TFigKind::Raster) return true;
  return false;
}

void TMapLeaf::RecordSourceState() { source_ = {true, CoordMode, Datum, Zone, Extent, Corners}; }

TCoordSystem TMapLeaf::SourceSystem() const {
  if (!source_.Valid) return {CoordMode, Datum, Zone};
  return {source_.CoordMode, source_.Datum, source_.Zone};
}

void TMapLeaf::RestoreSourceState() {
  if (!source_.Valid) return;
  CoordMode = source_.CoordMode;
  Datum = source_.Datum;
  Zone = source_.Zone;
  Extent = source_.Extent;
  Corners = source_.Corners;
}

std::unique_ptr<TMapLeaf> TMapLeaf::LoadCopy() const {
  auto copy = std::make_unique<TMapLeaf>(leaves_);
  copy->Name = Name;
  copy->SheetName = SheetName;
  copy->FileName = FileName;
  copy->Corners = Corners;
  copy->Extent = Extent;
  copy->Datum = Datum;
  copy->CoordMode = CoordMode;
  copy->Zone = Zone;
  copy->Notice = Notice;
  copy->NoticeTaken = NoticeTaken;
  copy->AwaitsZone = AwaitsZone;
  copy->PlacedByControl = PlacedByControl;
  copy->source_ = source_;
  copy->RestoreSourceState();
  return copy;
}

void TMapLeaf::TakeLoad(TMapLeaf& loaded) {
  Name = std::move(loaded.Name);
  SheetName = std::move(loaded.SheetName);
  Corners = loaded.Corners;
  Extent = loaded.Extent;
  Datum = loaded.Datum;
  CoordMode = loaded.CoordMode;
  Zone = loaded.Zone;
  FigGrps = std::move(loaded.FigGrps);
  Loaded = loaded.Loaded;
  NoFigureReason = std::move(loaded.NoFigureReason);
  Notice = std::move(loaded.Notice);
  NoticeTaken = loaded.NoticeTaken;
}

bool TMapLeaf::UpdateLoad(TMapView& view) {
  if (view.Intersects(Extent)) {
    if (Loaded || !LoadError.empty()) return false;
    IdleCount = 1;
    if (TMapTheme* theme = Theme()) theme->LoadLeaf(*this);
    return true;
  }
  --IdleCount;
  if (IdleCount < -1 && Loaded) {
    Unload();
    return true;
  }
  return false;
}

void TMapLeaf::Unload() {
  // The draw classes point into the figures: they go first.
  DrawClasses->Clear();
  if (TMapTheme* theme = Theme(); theme && theme->Prefetch)
    theme->Prefetch->Discard(std::move(FigGrps));
  FigGrps.clear();
  Loaded = false;
  IdleCount = 0;
}

void TMapLeaf::PrepareDrawClasses(const TClassDefGrp& classDefs) {
  if (!Loaded) return;
  DrawClasses->AddClassDefs(classDefs);
  for (const auto& grp : FigGrps)
    for (const auto& fig : grp->Figures()) DrawClasses->AddFigure(*fig);
}

void TMapLeaf::DrawFigures(TMapView& view) {
  if (view.Intersects(Extent)) DrawClasses->Draw(view);
}

void TMapLeaf::DrawTexts(TMapView& view) {
  if (view.Intersects(Extent)) DrawClasses->DrawText(view);
}

TMapLeafGrp::TMapLeafGrp(TMapTheme* theme) : theme_(theme) {}

TMapLeafGrp::~TMapLeafGrp() = default;

bool TMapLeafGrp::Open(const std::string& fileName) {
  if (!theme_) return false;
  const std::size_t before = items_.size();
  // Leaves the reader added are in the data's own system: remember it for
  // later loads, then bring them into the theme's system. This holds for
  // the leaves added before a scan that stops with an error, too, and for
  // those an archive opened as a file keeps when its open is cancelled.
  // The first of them that states a zone may choose the project's zone
  // before any is converted.
  auto adopt = [&] {
    for (std::size_t i = before; i < items_.size(); ++i) items_[i]->RecordSourceState();
    if (TMapProject* project = theme_->Project())
      for (std::size_t i = before; i < items_.size(); ++i) project->AdoptDataZone(*items_[i]);
    for (std::size_t i = before; i < items_.size(); ++i)
      items_[i]->SetCoordSystem(theme_->CoordMode, theme_->Zone, theme_->Datum);
  };
  if (theme_->OpenMode != TOpenMode::File) {
    try {
      if (theme_->Builder) theme_->Builder->OpenFolder(*this, fileName);
    } catch (...) {
      adopt();
      UpdateExtent();
      throw;
    }
    adopt();
  } else {
    if (FindByFileName(fileName)) return false;
    std::unique_ptr<TMapLeaf> leaf;
    try {
      leaf = theme_->OpenLeaf(fileName);
    } catch (const EOpenCancelled&) {
      adopt();
      UpdateExtent();
      throw;
    }
    if (!leaf) return false;
    // A reader may name the leaf by another path than the one given (a
    // sheet's folder for its description file): that one must not be open
    // either.
    if (!SamePath(leaf->FileName, fileName) && FindByFileName(leaf->FileName)) return false;
    // A file read to its end that gave nothing to draw is not a map: say so
    // rather than add an empty leaf that would end in an empty drawing.
    if (leaf->Loaded && !leaf->HasFigures())
      throw ENoFigures(fileName, leaf->NoFigureReason.empty() ? "読み取れる地物がありません"
                                                              : leaf->NoFigureReason);
    Add(std::move(leaf));
  }
  UpdateExtent();
  return true;
}

TMapLeaf* TMapLeafGrp::Add(std::unique_ptr<TMapLeaf> leaf) {
  if (!leaf) return nullptr;
  items_.push_back(std::move(leaf));
  return items_.back().get();
}

std::unique_ptr<TMapLeaf> TMapLeafGrp::Remove(const TMapLeaf* leaf) {
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [leaf](const std::unique_ptr<TMapLeaf>& l) { return l.get() == leaf; });
  if (it == items_.end()) return nullptr;
  std::unique_ptr<TMapLeaf> taken = std::move(*it);
  items_.erase(it);
  UpdateExtent();
  return taken;
}

TMapLeaf* TMapLeafGrp::FindByFileName(const std::string& fileName) const {
  for (const auto& leaf : items_)
    if (SamePath(leaf->FileName, fileName)) return leaf.get();
  return nullptr;
}

TMapLeaf* TMapLeafGrp::FindBySheetName(const std::string& sheetName) const {
  for (const auto& leaf : items_)
    if (leaf->SheetName == sheetName) return leaf.get();
  return nullptr;
}

void TMapLeafGrp::UpdateExtent() {
  if (!items_.empty()) {
    Extent = items_[0]->Extent;
    Zone = items_[0]->Zone;
    for (std::size_t i = 1; i < items_.size(); ++i) {
      const TFRect& r = items_[i]->Extent;
      Extent.left = std::min(Extent.left, r.left);
      Extent.top = std::max(Extent.top, r.top);
      Extent.right = std::max(Extent.right, r.right);
      Extent.bottom = std::min(Extent.bottom, r.bottom);
    }
  }
  CenterX = (Extent.left + Extent.right) / 2;
  CenterY = (Extent.top + Extent.bottom) / 2;
  if (theme_) {
    theme_->Extent = Extent;
    theme_->CenterX = CenterX;
    theme_->CenterY = CenterY;
  }
  UpdateDrawClasses();
}

void TMapLeafGrp::UpdateDrawClasses() {
  if (!theme_) return;
  for (auto& leaf : items_) leaf->PrepareDrawClasses(*theme_->ClassDefs);
  // Written only when it changes: readers loading ahead on other threads
  // read the theme's datum meanwhile.
  if (!items_.empty() && theme_->Datum != items_[0]->Datum) theme_->Datum = items_[0]->Datum;
}

void TMapLeafGrp::Draw(TMapView& view) {
  bool changed = false;
  // A leaf whose data failed to load does not blank the paint: every other
  // leaf loads and everything is drawn (the failed leaf with what it read
  // before its error), then the first error ends the paint.
  std::exception_ptr error;
  for (auto& leaf : items_) {
    try {
      changed = leaf->UpdateLoad(view) || changed;
    } catch (...) {
      changed = true;
      if (!error) error = std::current_exception();
    }
  }
  if (changed) UpdateDrawClasses();
  for (auto& leaf : items_) leaf->DrawFigures(view);
  for (auto& leaf : items_) leaf->DrawTexts(view);
  if (error) std::rethrow_exception(error);
}

}  // namespace chizro
