// Draw classes: a leaf's loaded figures grouped by class code, each tied to
// the class definition of that code. The group's enumeration order is by class
// code while it is built and by drawing order (the definitions' Order) once it
// has been drawn; the JW_CAD writer walks it in that order.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/map_object.h"

namespace chizro {

class TClassDef;
class TClassDefGrp;
class TFigure;
class TMapView;

class TDrawClass final : public TMapObject {
public:
  TDrawClass(std::string code, const TClassDef* classDef);

  // Appends a figure unless the class holds it already.
  void AddFigure(const TFigure& figure);
  // Has a definition, holds a figure, and its definition shows it at the
  // view's scale.
  bool IsVisible(const TMapView& view) const;

  const TClassDef* ClassDef;
  std::vector<const TFigure*> Figures;

private:
  std::unordered_set<const TFigure*> held_;
};

class TDrawClassGrp final {
public:
  // One draw class per class definition, in the group's order, unless the
  // code has one already.
  void AddClassDefs(const TClassDefGrp& classDefs);
  // Files a figure under its class code, creating a class without definition
  // for a code that has none.
  void AddFigure(const TFigure& figure);
  void Clear();
  // Puts the classes into drawing order: by the definitions' Order written as
  // five-digit text, compared without regard to case.
  void SortByOrder();
  // Paints the figures and, in a second pass, the labels.
  void Draw(TMapView& view);
  void DrawText(TMapView& view);

  // The class of a code (without regard to letter case), or null.
  TDrawClass* Find(std::string_view code) const;
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TDrawClass* Items(int i) const { return items_.at(static_cast<std::size_t>(i)).get(); }

private:
  TDrawClass* Insert(std::string code, const TClassDef* classDef);
  static std::string Fold(std::string_view code);

  std::vector<std::unique_ptr<TDrawClass>> items_;
  std::unordered_map<std::string, TDrawClass*> byCode_;
  bool inCodeOrder_ = true;
};

// Layer definitions: each theme owns an (empty) list of them.
class TLayerDefGrp final : public TMapObject {
public:
  TLayerDefGrp() : TMapObject(nullptr) {}
  int Count() const noexcept { return 0; }
};

}  // namespace chizro
