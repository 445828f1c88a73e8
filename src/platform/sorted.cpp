#include "platform/sorted.h"

#include <algorithm>

namespace chizro {

namespace {

unsigned char Fold(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    // Equal bytes fold alike: most keys of a list share a long prefix.
    if (a[i] == b[i]) continue;
    const unsigned char ca = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char cb = Fold(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string FoldedText(std::string_view text) {
  std::string key(text);
  for (char& c : key) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return key;
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

}  // namespace chizro
