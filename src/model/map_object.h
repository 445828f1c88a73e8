// The base of every map model object, and the bounds-checked access to the
// model's owning lists.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"

namespace chizro {

// The objects of the model are held through owning lists (std::unique_ptr)
// and never copied. Each kind that needs its owner keeps a typed pointer to
// it (TMapLeaf::Leaves, TMapLeafGrp::Theme, TMapTheme::Themes, ...).
class TMapObject {
public:
  TMapObject() = default;
  virtual ~TMapObject() = default;
  TMapObject(const TMapObject&) = delete;
  TMapObject& operator=(const TMapObject&) = delete;

  std::string Name;
};

// Member `i` of an owning list, with the runtime's list-index error outside
// 0..count-1.
template <class Ptr>
auto ItemAt(const std::vector<Ptr>& items, int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= items.size()) throw EListIndexError(i);
  return items[static_cast<std::size_t>(i)].get();
}

}  // namespace chizro
