#include "defs/draw_class.h"

#include <algorithm>
#include <cstdio>

#include "defs/class_def.h"
#include "model/map_figure.h"
#include "model/map_view.h"
#include "platform/ini_file.h"

namespace chizro {

TDrawClass::TDrawClass(std::string code, const TClassDef* classDef)
    : TMapObject(nullptr), ClassDef(classDef) {
  Name = std::move(code);
}

void TDrawClass::AddFigure(const TFigure& figure) {
  if (held_.insert(&figure).second) Figures.push_back(&figure);
}

bool TDrawClass::IsVisible(const TMapView& view) const {
  return ClassDef && !Figures.empty() && ClassDef->IsVisibleAt(view.Scale);
}

std::string TDrawClassGrp::Fold(std::string_view code) {
  std::string key(code);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
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
  byCode_.emplace(Fold(raw->Name), raw);
  return raw;
}

TDrawClass* TDrawClassGrp::Find(std::string_view code) const {
  const auto it = byCode_.find(Fold(code));
  return it == byCode_.end() ? nullptr : it->second;
}

void TDrawClassGrp::AddClassDefs(const TClassDefGrp& classDefs) {
  for (int i = 0; i < classDefs.Count(); ++i) {
    const TClassDef* def = classDefs.Items(i);
    if (!Find(def->Name)) Insert(def->Name, def);
  }
}

void TDrawClassGrp::AddFigure(const TFigure& figure) {
  TDrawClass* cls = Find(figure.ClassCode);
  if (!cls) cls = Insert(figure.ClassCode, nullptr);
  cls->AddFigure(figure);
}

void TDrawClassGrp::Clear() {
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
  (void)view;  // figures are painted through the view's canvas by the drawing layer
}

void TDrawClassGrp::DrawText(TMapView& view) { (void)view; }

}  // namespace chizro
