// Themes: all loaded data of one data kind, with its definition file, its
// reader, its class definitions and its leaves; and the project's theme list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/map_builder.h"
#include "model/map_object.h"

namespace chizro {

class TClassDefGrp;
class TLayerDefGrp;
class TLeafPrefetch;
class TMapLeaf;
class TMapLeafGrp;
class TMapProject;
class TMapThemeGrp;
class TMapView;

class TMapTheme final : public TMapObject {
public:
  explicit TMapTheme(TMapThemeGrp* owner);
  ~TMapTheme() override;

  TMapThemeGrp* Themes() const noexcept { return themes_; }
  TMapProject* Project() const noexcept;

  // Chooses the definition file and the reader by DataKind, then loads the
  // definitions. False when the definition file is missing.
  bool Init();
  bool LoadDefinitions(const std::string& defFileName);
  // Converts the theme and its leaves into the given mode, zone and datum.
  void SetCoordSystem(TCoordMode mode, TZone zone, TDatum datum);
  // Has the reader create one leaf for a file and converts it into the
  // theme's system. Null when the reader made nothing of it.
  std::unique_ptr<TMapLeaf> OpenLeaf(const std::string& fileName);
  // Has the reader build the leaf's figures and converts them into the
  // theme's system.
  void LoadLeaf(TMapLeaf& leaf);
  void Draw(TMapView& view);

  // The zone used for this theme's conversions (the project's when unset).
  TZone EffectiveZone() const;
  // The view's scale denominator, 0 without a project.
  double ViewScale() const;

  std::string Title;  // map text (Shift_JIS), see model/map_object.h
  int DataKind = 0;
  TOpenMode OpenMode = TOpenMode::File;
  TDatum Datum = TDatum::Tokyo;
  TCoordMode CoordMode = TCoordMode::Plane;
  TZone Zone;
  std::string FileName;  // path text
  std::unique_ptr<TMapLeafGrp> Leaves;
  std::unique_ptr<TLayerDefGrp> LayerDefs;
  std::unique_ptr<TClassDefGrp> ClassDefs;
  TFRect Extent;
  double CenterX = 0;
  double CenterY = 0;
  bool Visible = true;
  std::string DefFileName;  // path text
  std::unique_ptr<TMapBuilder> Builder;
  // Loads of leaves made ahead on other threads, which LoadLeaf takes when
  // one is there for its leaf; null when none (not owned).
  TLeafPrefetch* Prefetch = nullptr;

private:
  TMapThemeGrp* themes_;
};

class TMapThemeGrp final : public TMapObject {
public:
  explicit TMapThemeGrp(TMapProject* project);
  ~TMapThemeGrp() override;

  TMapProject* Project() const noexcept { return project_; }

  // Finds the theme of the data kind or creates it, then opens the file into
  // it. Always gives a theme.
  TMapTheme* Open(const std::string& fileName, int dataKind, TOpenMode openMode);
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TMapTheme* Items(int i) const { return ItemAt(items_, i); }
  // Paints the visible themes from the last to the first, so the first
  // opened lies on top.
  void Draw(TMapView& view);

private:
  TMapProject* project_;
  std::vector<std::unique_ptr<TMapTheme>> items_;
};

}  // namespace chizro
