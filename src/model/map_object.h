// The base of every map model object, and the bounds-checked access to the
// model's owning lists.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"

namespace chizro {

class TMapObject {
public:
  explicit TMapObject(TMapObject* owner) : Owner(owner) {}
  virtual ~TMapObject() = default;
  TMapObject(const TMapObject&) = delete;
  TMapObject& operator=(const TMapObject&) = delete;

  std::string Name;
  TMapObject* Owner;  // not owned: the object that created this one
};

// Member `i` of an owning list, with the runtime's list-index error outside
// 0..count-1.
template <class Ptr>
auto ItemAt(const std::vector<Ptr>& items, int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= items.size()) throw EListIndexError(i);
  return items[static_cast<std::size_t>(i)].get();
}

}  // namespace chizro
