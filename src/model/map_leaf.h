// Leaves: one loaded unit of map data (an SDF sheet folder, or one file of
// another kind), and the leaf list of a theme. Leaves are loaded lazily: a
// reader may create a leaf with only its rectangle; the list loads its figures
// when the leaf comes into the view and frees them when it has stayed out.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/map_figure.h"
#include "model/map_object.h"

namespace chizro {

class TClassDefGrp;
class TDrawClassGrp;
class TMapLeafGrp;
class TMapTheme;
class TMapView;

class TMapLeaf final : public TMapObject {
public:
  // Takes Datum, CoordMode and Zone from the owning list's theme.
  explicit TMapLeaf(TMapLeafGrp* owner);
  ~TMapLeaf() override;

  TMapLeafGrp* Leaves() const noexcept { return leaves_; }
  TMapTheme* Theme() const noexcept;

  // Appends a figure list (null is ignored) and returns it.
  template <class Grp>
  Grp* AddFigGrp(std::unique_ptr<Grp> grp) {
    Grp* raw = grp.get();
    if (raw) FigGrps.push_back(std::move(grp));
    return raw;
  }
  int FigGrpCount() const noexcept { return static_cast<int>(FigGrps.size()); }

  // Converts the leaf's extent, corners and figures into the given mode,
  // zone and datum, from its own (the zone its theme's when the leaf has
  // none); afterwards the leaf is in `zone` (kept when `zone` is 0).
  void SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum);

  // Loads the leaf when its extent meets the view, and frees it at the third
  // paint in a row that it lies outside. True when something changed.
  bool UpdateLoad(TMapView& view);
  void Unload();
  void PrepareDrawClasses(const TClassDefGrp& classDefs);
  void DrawFigures(TMapView& view);
  void DrawTexts(TMapView& view);

  // The zone used for this leaf's conversions.
  TZone EffectiveZone() const;

  // The coordinate system and geometry the reader gave the leaf when it was
  // opened. Figures are always built in that system, so the leaf is put back
  // into it before every load and converted into the theme's system after.
  void RecordSourceState();
  void RestoreSourceState();
  // That system: the one the reader builds the leaf's figures in.
  TCoordSystem SourceSystem() const;
  // The extent the reader gave the leaf, in SourceSystem().
  const TFRect& SourceExtent() const noexcept { return source_.Valid ? source_.Extent : Extent; }

  // A leaf of the same list to load in this one's place (on another thread):
  // its names, file, notice and the system and geometry a load starts from,
  // without figures. TakeLoad then moves what its load built into this leaf.
  std::unique_ptr<TMapLeaf> LoadCopy() const;
  void TakeLoad(TMapLeaf& loaded);

  // Path text when taken from the file or folder name, map text when taken
  // from the data (model/map_object.h).
  std::string SheetName;
  std::string FileName;  // path text
  std::array<TFPoint, 4> Corners{};
  TFRect Extent;
  TDatum Datum = TDatum::Tokyo;
  TCoordMode CoordMode = TCoordMode::Plane;
  TZone Zone;
  std::vector<std::unique_ptr<TFigGrp>> FigGrps;
  std::unique_ptr<TDrawClassGrp> DrawClasses;
  bool Loaded = false;
  int IdleCount = 0;
  // The message of the error that stopped the latest load, empty when none.
  // A leaf whose load failed is not read again at every paint (the error
  // would come back with each one); the JW_CAD output refuses to run over it.
  std::string LoadError;
  // Why the latest load built no figure, in the reader's words (UTF-8, for
  // instance "航跡点がありません"); empty when it built some or said nothing.
  std::string NoFigureReason;
  // What the user should know about this leaf's data once it is open, in the
  // reader's words (UTF-8; for instance that it is not placed relative to
  // other data); empty when nothing. Reported once, by TakeNotices.
  std::string Notice;
  bool NoticeTaken = false;
  // Plane coordinates of a zone the file does not name (SIMA), drawn as
  // they are (Zone local) until the user chooses the project's zone, which
  // then becomes the leaf's without moving it (TMapProject::ChooseZone).
  bool AwaitsZone = false;
  // Drawn in arbitrary coordinates (任意座標) and placed in the zone by
  // control points (its sidecar or the project's file).
  bool PlacedByControl = false;

  // True when some figure has a vertex to draw and write (or is a raster).
  bool HasFigures() const noexcept;

private:
  struct SourceState {
    bool Valid = false;
    TCoordMode CoordMode = TCoordMode::Plane;
    TDatum Datum = TDatum::Tokyo;
    TZone Zone;
    TFRect Extent;
    std::array<TFPoint, 4> Corners{};
  };

  TMapLeafGrp* leaves_;
  SourceState source_;
};

class TMapLeafGrp final : public TMapObject {
public:
  explicit TMapLeafGrp(TMapTheme* theme);
  ~TMapLeafGrp() override;

  TMapTheme* Theme() const noexcept { return theme_; }

  // Opens a file (TOpenMode::File) or has the reader scan a folder. False
  // when the file is already open or the reader made nothing of it. A file
  // that the reader loaded whole without a single figure is not added: it
  // throws ENoFigures with the reader's NoFigureReason. A folder scan that
  // throws keeps the leaves it added before.
  bool Open(const std::string& fileName);
  TMapLeaf* Add(std::unique_ptr<TMapLeaf> leaf);
  // Takes `leaf` out of the list and hands it over; null when it is not in it.
  std::unique_ptr<TMapLeaf> Remove(const TMapLeaf* leaf);
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TMapLeaf* Items(int i) const { return ItemAt(items_, i); }
  // The leaf of a file, by the platform's rule for letter case in file
  // names (SamePath).
  TMapLeaf* FindByFileName(const std::string& fileName) const;
  TMapLeaf* FindBySheetName(const std::string& sheetName) const;

  void UpdateExtent();
  void UpdateDrawClasses();
  void Draw(TMapView& view);

  TZone Zone;
  TFRect Extent;
  double CenterX = 0;
  double CenterY = 0;

private:
  TMapTheme* theme_;
  std::vector<std::unique_ptr<TMapLeaf>> items_;
};

}  // namespace chizro
