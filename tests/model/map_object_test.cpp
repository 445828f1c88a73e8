#include "model/map_object.h"
#include "platform/sorted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace chizro {
namespace {

using Item = std::pair<int, char>;  // key, identity

int ByKey(const Item& a, const Item& b) { return a.first - b.first; }

TEST(QuickSort, SortsAndPlacesEqualKeysWhereThePartitionLeavesThem) {
  std::vector<Item> items{{3, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}, {3, 'e'}, {0, 'f'}, {2, 'g'}};
  QuickSort(items, ByKey);
  // Worked by hand through the partition scheme (pivot at (L+R)/2, swap when
  // I <= J): the equal keys do not keep their input order.
  const std::vector<Item> expected{{0, 'f'}, {1, 'd'}, {1, 'b'}, {2, 'g'},
                                   {2, 'c'}, {3, 'a'}, {3, 'e'}};
  EXPECT_EQ(items, expected);
}

// Lists of every length up to 500, the empty one included.
TEST(QuickSort, SortsListsOfAnyLengthCompletely) {
  std::vector<Item> items;
  for (int i = 0; i <= 500; ++i) {
    std::vector<Item> sorted = items;
    QuickSort(sorted, ByKey);
    ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) {
      return a.first < b.first;
    })) << i;
    ASSERT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), items.begin(), items.end())) << i;
    items.push_back({(i * 7919) % 101, static_cast<char>('a' + i % 26)});
  }
}

// Distinct keys (caselessly) with long shared prefixes, keys that are prefixes
// of others and mixed case: the sorted order against a plain caseless
// lexicographic sort.
TEST(TSortedStrings, SortsDistinctKeysCaselessly) {
  std::vector<std::string> keys;
  std::mt19937 random(7);
  const std::string letters = "aB1zY-";
  std::set<std::string> seen;
  while (keys.size() < 400) {
    std::string key = (random() % 2) ? "SharedPrefix" : "";
    for (auto n = random() % 11; n > 0; --n) key += letters[random() % letters.size()];
    std::string folded = key;
    for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (seen.insert(folded).second) keys.push_back(key);
  }
  TSortedStrings<int> list;
  for (const std::string& key : keys) list.Add(key, 0);
  list.Sort();
  std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
  });
  for (std::size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(list[i].Key, keys[i]) << i;
}

TEST(FindObject, BinarySearchWithoutRegardToCase) {
  TSortedStrings<std::string> list;
  list.Add("Beta", "2");
  list.Add("alpha", "1");
  list.Add("GAMMA", "3");
  list.Sort();
  ASSERT_NE(FindObject(list, "ALPHA"), nullptr);
  EXPECT_EQ(*FindObject(list, "ALPHA"), "1");
  EXPECT_EQ(*FindObject(list, "gamma"), "3");
  EXPECT_EQ(FindObject(list, "delta"), nullptr);
  EXPECT_EQ(FindObject(TSortedStrings<std::string>{}, "x"), nullptr);
}

}  // namespace
}  // namespace chizro
