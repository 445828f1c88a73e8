#include "model/draw_class.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/class_def.h"
#include "model/map_figure.h"
#include "model/map_view.h"
#include "platform/ini_file.h"
#include "platform/sorted.h"

namespace chizro {
namespace {

// Half of a pixel size, rounded down (also for negative sizes).
int FloorHalf(int v) noexcept { return v >= 0 ? v / 2 : -((1 - v) / 2); }

// The symbol image size of a class [px]: its definition group's image list.
void SymbolSize(const TClassDef& def, int& w, int& h) {
  w = def.Group ? def.Group->Images.Width() : TClassDefGrp::kDefaultSymSize;
  h = def.Group ? def.Group->Images.Height() : TClassDefGrp::kDefaultSymSize;
}

}  // namespace

bool TFigureSet::Insert(const TFigure* figure) {
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const std::size_t mask = slots_.size() - 1;
  // Figures are heap blocks: the low bits carry no information.
  std::size_t i = (reinterpret_cast<std::uintptr_t>(figure) >> 4) * 0x9E3779B97F4A7C15ull >> 20;
  for (i &= mask; slots_[i] != nullptr; i = (i + 1) & mask)
    if (slots_[i] == figure) return false;
  slots_[i] = figure;
  ++count_;
  return true;
}

void TFigureSet::Grow() {
  std::vector<const TFigure*> old(std::max<std::size_t>(16, slots_.size() * 2), nullptr);
  old.swap(slots_);
  count_ = 0;
  for (const TFigure* f : old)
    if (f) Insert(f);
}

TDrawClass::TDrawClass(std::string code, const TClassDef* classDef) : ClassDef(classDef) {
  Name = std::move(code);
}

void TDrawClass::AddFigure(const TFigure& figure) {
  if (held_.Insert(&figure)) Figures.push_back(&figure);
}

bool TDrawClass::IsVisible(const TMapView& view) const {
  return ClassDef && !Figures.empty() && ClassDef->IsVisibleAt(view.Scale);
}

bool TDrawClass::IsLabelled(const TMapView& view) const {
  if (!ClassDef || ClassDef->LabelOn == 0) return false;
  if (ClassDef->MinScale > 0 && ClassDef->MinScale > view.Scale) return false;
  if (ClassDef->MaxScale > 0 && ClassDef->MaxScale < view.Scale) return false;
  return true;
}

std::string TDrawClass::LabelOf(const TFigure& figure) const {
  if (!ClassDef) return {};
  if (ClassDef->LabelSource == 0) {
    // A negative index names no text.
    const int index = ClassDef->LabelAttrIndex;
    if (index >= 0 && static_cast<std::size_t>(index) < figure.Texts.size())
      return figure.Texts[static_cast<std::size_t>(index)];
    return {};
  }
  if (ClassDef->LabelSource == 1 && !ClassDef->LabelAttrName.empty())
    return figure.GetProp(ClassDef->LabelAttrName);
  return {};
}

TDrawClass* TDrawClassGrp::Insert(std::string code, const TClassDef* classDef) {
  auto cls = std::make_unique<TDrawClass>(std::move(code), classDef);
  TDrawClass* raw = cls.get();
  auto at = items_.end();
  if (inCodeOrder_) {
    at = std::upper_bound(items_.begin(), items_.end(), raw->Name,
                          [](const std::string& name, const std::unique_ptr<TDrawClass>& item) {
                            return CompareText(name, item->Name) < 0;
                          });
  }
  items_.insert(at, std::move(cls));
  byCode_.emplace(FoldedText(raw->Name), raw);
  return raw;
}

TDrawClass* TDrawClassGrp::Find(std::string_view code) const {
  if (last_ && SameText(last_->Name, code)) return last_;
  const auto it = byCode_.find(FoldedText(code));
  return it == byCode_.end() ? nullptr : it->second;
}

void TDrawClassGrp::AddClassDefs(const TClassDefGrp& classDefs) {
  replay_ = 0;  // a new round of AddFigure begins
  for (int i = 0; i < classDefs.Count(); ++i) {
    const TClassDef* def = classDefs.Items(i);
    if (!Find(def->Name)) Insert(def->Name, def);
  }
}

void TDrawClassGrp::AddFigure(const TFigure& figure) {
  if (replay_ < offered_.size() && offered_[replay_] == &figure) {
    ++replay_;
    return;
  }
  replay_ = offered_.size() + 1;  // out of step: check each figure from here on
  TDrawClass* cls = Find(figure.ClassCode);
  if (!cls) cls = Insert(figure.ClassCode, nullptr);
  const std::size_t held = cls->Figures.size();
  cls->AddFigure(figure);
  if (cls->Figures.size() != held) offered_.push_back(&figure);
  last_ = cls;
}

void TDrawClassGrp::Clear() {
  last_ = nullptr;
  offered_.clear();
  replay_ = 0;
  byCode_.clear();
  items_.clear();
  inCodeOrder_ = true;
}

void TDrawClassGrp::SortByOrder() {
  // The order key is the definition's Order as text of at least five digits;
  // a class without a definition sorts as "" and so comes first.
  std::vector<std::pair<std::string, std::unique_ptr<TDrawClass>>> keyed;
  keyed.reserve(items_.size());
  for (auto& item : items_) {
    std::string key;
    if (item->ClassDef) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%05d", static_cast<int>(item->ClassDef->Order));
      key = buf;
    }
    keyed.emplace_back(std::move(key), std::move(item));
  }
  QuickSort(keyed, [](const auto& a, const auto& b) { return CompareText(a.first, b.first); });
  for (std::size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].second);
  inCodeOrder_ = false;
}

void TDrawClassGrp::Draw(TMapView& view) {
  SortByOrder();
  TCanvas* canvas = view.Canvas;
  if (!canvas) return;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if ((*it)->IsVisible(view)) DrawFigures(**it, view, *canvas);
}

void TDrawClassGrp::DrawFigures(const TDrawClass& cls, const TMapView& view, TCanvas& canvas) {
  const TClassDef& def = *cls.ClassDef;
  canvas.SetPen(def.Pen);
  canvas.SetBrush(def.Brush);
  const TBitmap* symbol = def.Group ? def.Group->SymbolImage(def.SymbolIndex) : nullptr;
  int symbolW = 0;
  int symbolH = 0;
  SymbolSize(def, symbolW, symbolH);

  for (const TFigure* fig : cls.Figures) {
    if (!view.Intersects(fig->Extent)) continue;
    switch (fig->Kind()) {
      case TFigKind::Polygon:
      case TFigKind::Polyline: {
        if (fig->Points.empty()) break;
        pixels_.clear();
        for (const TFPoint& p : fig->Points) pixels_.push_back(view.WcToDc(p.x, p.y));
        if (fig->Kind() == TFigKind::Polygon)
          canvas.Polygon(pixels_);
        else
          canvas.Polyline(pixels_);
        break;
      }
      case TFigKind::Point: {
        if (!symbol || fig->Points.empty()) break;
        const TPoint at = view.WcToDc(fig->Points[0].x, fig->Points[0].y);
        const int left = at.x - FloorHalf(symbolW);
        const int top = at.y - FloorHalf(symbolH);
        canvas.StretchDraw({left, top, left + symbolW, top + symbolH}, *symbol);
        break;
      }
      case TFigKind::Raster: {
        const auto& raster = static_cast<const TFigRaster&>(*fig);
        if (!raster.Image) break;
        const TPoint tl = view.WcToDc(fig->Extent.left, fig->Extent.top);
        const TPoint br = view.WcToDc(fig->Extent.right, fig->Extent.bottom);
        canvas.StretchDraw({tl.x, tl.y, br.x, br.y}, *raster.Image);
        break;
      }
    }
  }
}

void TDrawClassGrp::DrawText(TMapView& view) {
  TCanvas* canvas = view.Canvas;
  if (!canvas) return;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    const TDrawClass& cls = **it;
    if (!cls.IsLabelled(view)) continue;
    const TClassDef& def = *cls.ClassDef;
    canvas->SetPen(def.Pen);
    // An opaque label stands on a white box; otherwise the map shows through.
    canvas->SetBrush(def.OpaqueText != 0 ? TBrush{kColorWhite, kBrushSolid}
                                         : TBrush{def.Brush.Color, kBrushClear});
    canvas->SetFont(def.Font);
    int symbolW = 0;
    int symbolH = 0;
    SymbolSize(def, symbolW, symbolH);
    // The label's height on the screen [px]: the font's size in points.
    const int h = static_cast<int>(std::ceil(def.Font.Size * view.PixelsPerInch / 72));
    for (const TFigure* fig : cls.Figures) {
      if (!view.Intersects(fig->Extent)) continue;
      const std::string text = cls.LabelOf(*fig);
      if (text.empty()) continue;
      const int w = canvas->TextWidth(text);
      // An area too small on the screen for its label (a narrow parcel and
      // its 地番 at this scale) does not show it: the label would stand on
      // its neighbours.
      if (fig->Kind() == TFigKind::Polygon &&
          ((fig->Extent.right - fig->Extent.left) * view.PxPerUnitX < w ||
           (fig->Extent.top - fig->Extent.bottom) * view.PxPerUnitY < h))
        continue;
      TPoint at = view.WcToDc(fig->LabelX, fig->LabelY);
      // A point's label goes below its symbol.
      if (fig->Kind() == TFigKind::Point) at.y += FloorHalf(symbolH);
      const int left = at.x - FloorHalf(w);
      // A label that would cover one drawn before it at this scale is left
      // off the screen (the JW_CAD output writes every label all the same).
      if (!view.TakeLabelSpace({left, at.y + 2, left + w, at.y + 2 + h})) continue;
      canvas->TextOut(left, at.y + 2, text);
    }
  }
}

}  // namespace chizro
