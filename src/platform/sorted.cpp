#include "platform/sorted.h"

namespace chizro {

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

}  // namespace chizro
