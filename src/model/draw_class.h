// Draw classes: a leaf's loaded figures grouped by class code, each tied to
// the class definition of that code. The group paints the figures class by
// class with each class's pen, brush and point symbol, then the labels in a
// second pass. Its enumeration order is by class code while it is built and by
// drawing order (the definitions' Order) once it has been drawn; the JW_CAD
// writer walks it in that order.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/map_object.h"
#include "platform/canvas.h"

namespace chizro {

class TClassDef;
class TClassDefGrp;
class TFigure;
class TMapView;

// A set of figure addresses: open addressing with linear probing, for the
// hold-once check that runs for every figure of a leaf at every load.
class TFigureSet final {
public:
  // True when `figure` was not in the set (and is now).
  bool Insert(const TFigure* figure);
  void Clear() noexcept {
    slots_.clear();
    count_ = 0;
  }

private:
  void Grow();
  std::vector<const TFigure*> slots_;  // null: empty slot; size a power of two
  std::size_t count_ = 0;
};

class TDrawClass final : public TMapObject {
public:
  TDrawClass(std::string code, const TClassDef* classDef);

  // Appends a figure unless the class holds it already.
  void AddFigure(const TFigure& figure);
  // Has a definition, holds a figure, and its definition shows it at the
  // view's scale.
  bool IsVisible(const TMapView& view) const;
  // Whether the definition labels at the view's scale: LabelOn set and the
  // scale within the bounds (the Visible flag is not consulted).
  bool IsLabelled(const TMapView& view) const;

  // The label of a figure of this class: Texts[LabelAttrIndex] (LabelSource
  // 0) or the property LabelAttrName (LabelSource 1); empty when there is
  // none.
  std::string LabelOf(const TFigure& figure) const;

  const TClassDef* ClassDef;
  std::vector<const TFigure*> Figures;

private:
  TFigureSet held_;
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
  // text of at least five digits ("00012"), compared without regard to case.
  // A class without definition has the empty text and so comes first.
  void SortByOrder();
  // Puts the classes into drawing order, then paints the figures of every
  // visible class on the view's canvas, from the last class to the first, so
  // that smaller orders lie on top. Without a canvas only the order is set.
  void Draw(TMapView& view);
  // Paints the labels, class by class from the last to the first.
  void DrawText(TMapView& view);

  // The class of a code (without regard to letter case), or null.
  TDrawClass* Find(std::string_view code) const;
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TDrawClass* Items(int i) const { return ItemAt(items_, i); }

private:
  TDrawClass* Insert(std::string code, const TClassDef* classDef);
  void DrawFigures(const TDrawClass& cls, const TMapView& view, TCanvas& canvas);

  std::vector<std::unique_ptr<TDrawClass>> items_;
  std::unordered_map<std::string, TDrawClass*> byCode_;
  TDrawClass* last_ = nullptr;  // the class found last: figures come in runs of one code
  // Every figure held, in the order first offered. A leaf offers its figures
  // again, in the same order, whenever a leaf of its theme is loaded or
  // unloaded; a figure that stands at the replay position is held already.
  std::vector<const TFigure*> offered_;
  std::size_t replay_ = 0;
  bool inCodeOrder_ = true;
  std::vector<TPoint> pixels_;  // vertices of the figure being drawn, reused
};

// Layer definitions: each theme owns an (empty) list of them.
class TLayerDefGrp final : public TMapObject {
public:
  int Count() const noexcept { return 0; }
};

}  // namespace chizro
