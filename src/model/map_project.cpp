#include "model/map_project.h"

#include <algorithm>
#include <cmath>

#include "coords/projection.h"
#include "coords/zone_of_place.h"
#include "model/map_leaf.h"

namespace chizro {

TMapProject::TMapProject(const TBuilderRegistry& builders, TBitmapLoader* images,
                         std::string programFolder)
    : View(std::make_unique<TMapView>(this)),
      Themes(std::make_unique<TMapThemeGrp>(this)),
      builders_(builders),
      images_(images),
      programFolder_(std::move(programFolder)) {}

TMapProject::~TMapProject() {
  Themes.reset();
  View.reset();
}

void TMapProject::Open(const std::string& fileName, int dataKind, TOpenMode openMode) {
  TMapTheme* theme = nullptr;
  try {
    theme = Themes->Open(fileName, dataKind, openMode);
  } catch (...) {
    // A folder scan that failed part-way keeps the units it opened: settle
    // them as any open does before the error goes on to the caller.
    for (int i = 0; i < Themes->Count(); ++i)
      if (Themes->Items(i)->DataKind == dataKind) Settle(Themes->Items(i));
    throw;
  }
  Settle(theme);
}

void TMapProject::Settle(TMapTheme* theme) {
  SetCoordSystem(CoordMode, Zone, Datum);
  if (!theme) return;
  if (!theme->Zone.IsStated()) theme->Zone = Zone;
  // The view goes to the first data that actually opened: a first file that
  // gave nothing must not pin the view to an empty theme at (0, 0).
  if (!Placed && theme->Leaves->Count() > 0) {
    View->CenterX = theme->CenterX;
    View->CenterY = theme->CenterY;
    View->SetWorldRect(theme->Extent);
    Placed = true;
  }
}

void TMapProject::SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum) {
  for (int i = 0; i < Themes->Count(); ++i) Themes->Items(i)->SetCoordSystem(mode, zone, datum);
  TFRect rect = View->WorldRect;
  const TCoordChange change = TCoordChange::Between({CoordMode, Datum, Zone}, {mode, datum, zone});
  change.Apply(rect);
  change.Apply(View->CenterX, View->CenterY);
  Zone = zone;
  CoordMode = mode;
  Datum = datum;
  View->SetWorldRect(rect);
}

void TMapProject::SetContourInterval(double metres) {
  contourInterval_ = std::isfinite(metres) && metres > 0 ? metres : 0;
  for (int i = 0; i < Themes->Count(); ++i) {
    TMapTheme* theme = Themes->Items(i);
    if (theme->Builder && theme->Leaves) theme->Builder->ContourIntervalChanged(*theme->Leaves);
  }
}

void TMapProject::AdoptDataZone(const TMapLeaf& leaf) {
  if (dataZone_.IsStated() || Placed) return;
  TZone zone = leaf.Zone;
  if (leaf.CoordMode == TCoordMode::LatLon) {
    // The leaf is still in its own system: x longitude, y latitude [deg].
    const TFRect& r = leaf.Extent;
    zone = TZone::Stated(ZoneOfPlace((r.top + r.bottom) / 2, (r.left + r.right) / 2));
  }
  if (!zone.IsPlaneZone()) return;
  dataZone_ = zone;
  if (!ZoneFixed && zone != Zone) SetCoordSystem(CoordMode, zone, Datum);
}

void TMapProject::ChooseZone(TZone zone) {
  if (zone.IsPlaneZone()) {
    ZoneFixed = true;
  } else {
    ZoneFixed = false;
    zone = dataZone_.IsStated() ? dataZone_ : Zone;
  }
  if (zone != Zone) SetCoordSystem(CoordMode, zone, Datum);
  if (ZoneFixed) PlaceAwaitingLeaves();
}

void TMapProject::PlaceAwaitingLeaves() {
  for (int t = 0; t < Themes->Count(); ++t) {
    TMapLeafGrp& leaves = *Themes->Items(t)->Leaves;
    for (int i = 0; i < leaves.Count(); ++i) {
      TMapLeaf& leaf = *leaves.Items(i);
      if (!leaf.AwaitsZone || leaf.CoordMode != TCoordMode::Plane) continue;
      leaf.Zone = Zone;
      leaf.Datum = Datum;
      leaf.AwaitsZone = false;
      leaf.Notice.clear();
      // The leaf did not move: where it is now is where its loads start.
      leaf.RecordSourceState();
    }
  }
}

void TMapProject::AddNotice(std::string notice) { notices_.push_back(std::move(notice)); }

std::vector<std::string> TMapProject::TakeNotices() {
  std::vector<std::string> notices = std::move(notices_);
  notices_.clear();
  for (int t = 0; t < Themes->Count(); ++t) {
    const TMapLeafGrp& leaves = *Themes->Items(t)->Leaves;
    for (int i = 0; i < leaves.Count(); ++i) {
      TMapLeaf& leaf = *leaves.Items(i);
      if (leaf.Notice.empty() || leaf.NoticeTaken) continue;
      leaf.NoticeTaken = true;
      if (std::find(notices.begin(), notices.end(), leaf.Notice) == notices.end())
        notices.push_back(leaf.Notice);
    }
  }
  return notices;
}

void TMapProject::Draw() { View->Draw(); }

void TMapProject::SetCanvas(TCanvas* canvas) { View->SetCanvas(canvas); }

void TMapProject::SetPixelsPerInch(double value) { View->PixelsPerInch = value; }

double TMapProject::GetScale() const { return View->Scale; }

void TMapProject::SetScale(double value) { View->Scale = value; }

}  // namespace chizro
