// The project: root of the map object tree. Holds the one coordinate system
// that everything loaded is kept in, opens files into themes and places the
// view on the first data opened.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "coords/control_fit.h"
#include "coords/datum.h"
#include "model/map_object.h"
#include "model/map_theme.h"
#include "model/map_view.h"
#include "platform/program_dir.h"

namespace chizro {

class TMapLeaf;

class TMapProject final : public TMapObject {
public:
  // `builders` gives the themes their definition files and readers; it
  // outlives the project. Symbol images and raster figures load through
  // `images` (not owned, outlives the project); without one none load.
  // Its definition files and symbol images are in `programFolder`.
  explicit TMapProject(const TBuilderRegistry& builders, TBitmapLoader* images = nullptr,
                       std::string programFolder = ProgramDir());
  ~TMapProject() override;

  const TBuilderRegistry& Builders() const noexcept { return builders_; }
  TBitmapLoader* Images() const noexcept { return images_; }
  // The program directory the project reads its definition files from.
  const std::string& ProgramFolder() const noexcept { return programFolder_; }

  // Opens a file or folder into the theme of its data-kind code, found or
  // created. Errors of the reader go on to the caller; what a folder scan
  // opened before its error stays in the project, placed as after any open.
  void Open(const std::string& fileName, int dataKind, TOpenMode openMode);
  // Brings every theme, leaf and figure and the view's window into the system.
  void SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum);
  // Offered by the leaf lists with the system of each leaf a reader made,
  // before it is converted. Until data has been placed, the first data that
  // names a zone chooses the project's zone, unless the zone is fixed: plane
  // data the zone it states (1..19), latitude/longitude data the zone the
  // law gives the place at the middle of its extent (ZoneOfPlace). Data
  // whose zone is unstated or local chooses nothing. Later data follows.
  void AdoptDataZone(const TMapLeaf& leaf);
  // The zone the user chose: a stated zone of 1 to 19 fixes it (everything
  // open is converted into it); automatic (or any other) hands it back to
  // the first data ("自動"), as far as any is open.
  // Leaves awaiting a zone (TMapLeaf::AwaitsZone) take a stated zone
  // chosen here as their own, where they are.
  void ChooseZone(TZone zone);
  // The zone that data without a zone of its own (SIMA) is in: the project's
  // when the user fixed it or data chose it, else unstated.
  TZone SettledZone() const noexcept {
    return ZoneFixed || dataZone_.IsStated() ? Zone : TZone::Unstated();
  }
  // The notices of leaves not reported yet (each text once), marked as
  // reported: the front end shows them after an open.
  std::vector<std::string> TakeNotices();
  // A notice about the project as a whole (where an open's data is against
  // the project's zone), given out by the next TakeNotices.
  void AddNotice(std::string notice);
  void Draw();
  void SetCanvas(TCanvas* canvas);
  void SetPixelsPerInch(double value);
  double GetScale() const;
  void SetScale(double value);
  // The interval of the contour lines drawn from elevation models [m]; 0
  // takes each model's default by cell size from its definition file.
  double ContourInterval() const noexcept { return contourInterval_; }
  // Sets the interval (0, a negative or a non-finite value: the default) and
  // has the readers drop the contours already built, which the next paint
  // draws at the new interval.
  void SetContourInterval(double metres);

  TDatum Datum = TDatum::Jgd2000;
  TCoordMode CoordMode = TCoordMode::Plane;
  // The project's zone: always one of the 19.
  TZone Zone = TZone::Stated(9);
  // True while the zone is not the data's to choose: a zone given on the
  // command line or chosen in the settings.
  bool ZoneFixed = false;
  // Control points for maps in arbitrary coordinates (任意座標): a
  // control-point or SIMA file that places every such map without a
  // sidecar of its own (empty: none), and the fit to use.
  std::string ControlFile;
  TFitKind Fit = TFitKind::Helmert;
  // Maps (their leaves' file names) opened without any control points,
  // whatever their sidecar: a placement being redone shows the map in its
  // own coordinates until the new points are saved.
  std::set<std::string> Unplaced;
  std::unique_ptr<TMapView> View;
  std::unique_ptr<TMapThemeGrp> Themes;
  bool Placed = false;

private:
  const TBuilderRegistry& builders_;
  TBitmapLoader* images_;
  std::string programFolder_;
  double contourInterval_ = 0;
  TZone dataZone_;  // the zone the first data chose, unstated before any did
  std::vector<std::string> notices_;  // of AddNotice, not taken yet

  // Brings what an open added into the project's system and places the view
  // on the first data that opened.
  void Settle(TMapTheme* theme);
  // Gives the leaves awaiting a zone the project's.
  void PlaceAwaitingLeaves();
};

}  // namespace chizro
