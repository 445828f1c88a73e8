#include "platform/sorted.h"

namespace chizro {

std::string FoldedText(std::string_view text) {
  std::string key(text);
  for (char& c : key) c = static_cast<char>(FoldCase(c));
  return key;
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

}  // namespace chizro
