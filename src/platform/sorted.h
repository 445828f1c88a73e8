// Generic sorted containers: the quick sort whose order of equal elements the
// class definitions rely on, a string list kept sorted without regard to
// letter case, and the case-insensitive comparison both use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chizro {

// Case-insensitive comparison of ASCII letters; other bytes compare as they are.
// Inline: the sorts and binary searches of the readers call it millions of
// times for short keys.
inline unsigned char FoldCase(char c) noexcept {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}
inline int CompareText(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Equal bytes fold alike: most keys of a list share a long prefix.
    if (a[i] == b[i]) continue;
    const unsigned char ca = FoldCase(a[i]);
    const unsigned char cb = FoldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The first eight bytes of `key` with letter case folded, the first in the
// highest byte, padded with zeros. Two keys whose prefixes differ compare
// (by CompareText) as their prefixes do as integers: at the first differing
// byte both are folded bytes, or the shorter key has ended (a zero against a
// byte above it); equal prefixes decide nothing.
inline std::uint64_t FoldedPrefix(std::string_view key) noexcept {
  std::uint64_t p = 0;
  for (std::size_t i = 0; i < 8; ++i) p = (p << 8) | (i < key.size() ? FoldCase(key[i]) : 0u);
  return p;
}
bool SameText(std::string_view a, std::string_view b) noexcept;
// `text` with its ASCII letters in capitals, byte by byte: two texts give the
// same key exactly when SameText finds them equal.
std::string FoldedText(std::string_view text);

// In-place quick sort of list[0..count-1] by `compare` (negative: a before b).
// Not stable: the partition scheme below decides where equal elements end,
// and callers (class definitions sorted by drawing order) rely on exactly
// this scheme, so it is written out rather than left to std::sort. The scheme
// runs over references to the elements (the pivot is an element, not a slot),
// so move-only elements sort too.
template <class T, class Compare>
void QuickSort(std::vector<T>& list, Compare compare) {
  if (list.size() < 2) return;
  std::vector<T*> refs;
  refs.reserve(list.size());
  for (T& item : list) refs.push_back(&item);
  struct Sorter {
    std::vector<T*>& items;
    Compare& cmp;
    T* At(std::ptrdiff_t k) const { return items[static_cast<std::size_t>(k)]; }
    void Sort(std::ptrdiff_t l, std::ptrdiff_t r) {
      std::ptrdiff_t i;
      do {
        i = l;
        std::ptrdiff_t j = r;
        T* const pivot = At((l + r) / 2);
        do {
          while (cmp(*At(i), *pivot) < 0) ++i;
          while (cmp(*At(j), *pivot) > 0) --j;
          if (i <= j) {
            std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
            ++i;
            --j;
          }
        } while (i <= j);
        if (l < j) Sort(l, j);
        l = i;
      } while (i < r);
    }
  };
  Sorter{refs, compare}.Sort(0, static_cast<std::ptrdiff_t>(refs.size()) - 1);
  std::vector<T> sorted;
  sorted.reserve(list.size());
  for (T* ref : refs) sorted.push_back(std::move(*ref));
  list = std::move(sorted);
}

// A string list with an object attached to each entry, kept sorted without
// regard to letter case. Duplicates are allowed: Add appends, Sort orders.
template <class T>
class TSortedStrings {
public:
  struct Entry {
    std::string Key;
    T Object;
  };

  void Add(std::string key, T object) { entries_.push_back({std::move(key), std::move(object)}); }
  void Sort() {
    if (entries_.size() < 2) return;
    // Sorted as keys with their folded prefixes, so that most comparisons
    // are one of integers; the order is CompareText's all the same.
    struct Item {
      std::uint64_t Prefix;
      Entry* Of;
    };
    std::vector<Item> items;
    items.reserve(entries_.size());
    for (Entry& e : entries_) items.push_back({FoldedPrefix(e.Key), &e});
    QuickSort(items, [](const Item& a, const Item& b) {
      if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix ? -1 : 1;
      return CompareText(a.Of->Key, b.Of->Key);
    });
    std::vector<Entry> sorted;
    sorted.reserve(entries_.size());
    for (const Item& item : items) sorted.push_back(std::move(*item.Of));
    entries_ = std::move(sorted);
  }
  // Binary search; on a match returns true with the index of the entry the
  // search lands on first (among equal keys, not necessarily the first).
  bool Find(std::string_view key, std::size_t& index) const {
    std::ptrdiff_t l = 0;
    std::ptrdiff_t h = static_cast<std::ptrdiff_t>(entries_.size()) - 1;
    while (l <= h) {
      const std::ptrdiff_t i = (l + h) / 2;
      const int c = CompareText(entries_[static_cast<std::size_t>(i)].Key, key);
      if (c < 0) {
        l = i + 1;
      } else {
        h = i - 1;
        if (c == 0) {
          index = static_cast<std::size_t>(i);
          return true;
        }
      }
    }
    index = static_cast<std::size_t>(l);
    return false;
  }

  std::size_t Count() const noexcept { return entries_.size(); }
  const Entry& operator[](std::size_t i) const { return entries_[i]; }
  Entry& operator[](std::size_t i) { return entries_[i]; }
  void Clear() noexcept { entries_.clear(); }

private:
  std::vector<Entry> entries_;
};

// The object stored with `key` in a sorted list, or null when the key is absent.
template <class T>
const T* FindObject(const TSortedStrings<T>& list, std::string_view key) {
  std::size_t index = 0;
  return list.Find(key, index) ? &list[index].Object : nullptr;
}

}  // namespace chizro
