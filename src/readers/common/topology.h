// Topology working lists: the arcs (numbered polylines), polygons (named by
// the arcs of their boundary), points and attribute records that a reader
// collects while it parses a topological map file, and the joins that turn
// them into figure lists of a leaf.
//
// Each list is a string list keyed by the element's Name (keys may repeat).
// Nothing is sorted while a reader fills the lists; every join sorts the list
// it walks and every list it searches (without regard to letter case) and
// resolves each reference by binary search. Among equal keys the lookup uses
// the entry the binary search lands on.
//
// Coordinates are (x, y) doubles: (easting, northing) [m] or
// (longitude, latitude) [deg], as in the rest of the model.
#pragma once

#include <bitset>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "model/map_figure.h"
#include "model/map_object.h"
#include "platform/sorted.h"

namespace chizro {

class TMapLeaf;

// The arc kinds for which TArcList::AddToLeaf makes line figures: a set of
// integers 0..255. A kind outside that range (negative ones included) is
// never a member, and including one is ignored.
class TArcKinds final {
public:
  TArcKinds() = default;
  TArcKinds(std::initializer_list<int> kinds) {
    for (const int k : kinds) Include(k);
  }

  void Include(int kind) noexcept {
    if (InRange(kind)) bits_.set(static_cast<std::size_t>(kind));
  }
  bool Contains(int kind) const noexcept {
    return InRange(kind) && bits_.test(static_cast<std::size_t>(kind));
  }

private:
  static constexpr bool InRange(int kind) noexcept { return kind >= 0 && kind < 256; }
  std::bitset<256> bits_;
};

// An arc: a named polyline of the topology.
class TArcElement final {
public:
  // Appends one vertex; returns the new number of vertices.
  int AddPoint(TFPoint p) {
    Points.push_back(p);
    return static_cast<int>(Points.size());
  }

  std::string Name;  // identifier, the key in its list
  std::string Code;  // class code (4 characters in SDF data)
  int Kind = 0;      // type number; decides whether the arc is a line of its own
  TFPointGrp Points;
};

// An attribute record: the values that describe the arc, polygon or point of
// the same Name.
class TAtrElement final {
public:
  void AddValue(std::string s) { Values.push_back(std::move(s)); }

  std::string Name;
  std::string Code;
  std::vector<std::string> Values;  // in file order
};

// A polygon: its label point and the arcs of its boundary. An arc reference
// beginning with "-" names an arc to be walked backwards.
class TPgnElement final {
public:
  void AddArcRef(std::string s) { ArcRefs.push_back(std::move(s)); }

  std::string Name;
  std::string Code;
  double X = 0;  // label point
  double Y = 0;
  std::vector<std::string> ArcRefs;
};

// A point feature.
class TPntElement final {
public:
  std::string Name;
  std::string Code;
  double X = 0;
  double Y = 0;
};

// The list part shared by the four topology lists: the elements keyed by
// their Name, owned by the list.
template <class E>
class TTopologyList {
public:
  using Element = E;

  // Adds `e` under its current Name (duplicates are kept) and returns it;
  // null is ignored and gives null.
  E* AddElement(std::unique_ptr<E> e) {
    if (!e) return nullptr;
    E* raw = e.get();
    std::string key = raw->Name;
    items_.Add(std::move(key), std::move(e));
    sortedDistinct_ = false;
    return raw;
  }

  int Count() const noexcept { return static_cast<int>(items_.Count()); }
  // The element at position i in the list's current order.
  E& Items(int i) { return *items_[static_cast<std::size_t>(i)].Object; }
  const E& Items(int i) const { return *items_[static_cast<std::size_t>(i)].Object; }

  // Orders the list by key without regard to letter case. The joins sort a
  // list once for every list they join it with; the quick sort leaves a
  // sorted list of distinct keys as it is, so such a list is not sorted
  // again (one with equal keys is: the sort may reorder them).
  void Sort() {
    if (sortedDistinct_) return;
    items_.Sort();
    sortedDistinct_ = true;
    for (std::size_t i = 1; i < items_.Count(); ++i) {
      if (CompareText(items_[i - 1].Key, items_[i].Key) == 0) {
        sortedDistinct_ = false;
        break;
      }
    }
  }
  // Binary search in the sorted list: the element the search lands on, or
  // null. The list must have been sorted since its last AddElement.
  const E* Find(std::string_view key) const {
    std::size_t index = 0;
    return items_.Find(key, index) ? items_[index].Object.get() : nullptr;
  }

protected:
  TTopologyList() = default;
  ~TTopologyList() = default;
  TTopologyList(const TTopologyList&) = delete;
  TTopologyList& operator=(const TTopologyList&) = delete;

  TSortedStrings<std::unique_ptr<E>> items_;

private:
  bool sortedDistinct_ = false;  // sorted since the last AddElement, no key twice
};

class TArcList final : public TTopologyList<TArcElement> {
public:
  // Makes one line figure for every arc whose Kind is in `kinds`, in key
  // order, in a new polyline list named `className` attached to `leaf`.
  TFigPolylineGrp* AddToLeaf(TMapLeaf& leaf, std::string_view className, const TArcKinds& kinds);

  double OriginX = 0;  // offsets a reader adds to the coordinates of its file
  double OriginY = 0;
};

class TAtrList final : public TTopologyList<TAtrElement> {
public:
  // Makes one line figure for every attribute record whose arc exists in
  // `arcs` (whatever the arc's Kind): the arc's points, the record's class
  // code and values, the label at the arc's first point. Sorts both lists.
  TFigPolylineGrp* AddToLeaf(TMapLeaf& leaf, std::string_view className, TArcList& arcs);
};

class TPgnList final : public TTopologyList<TPgnElement> {
public:
  // Makes one polygon figure for every polygon: the points of its arcs in
  // reference order (reversed for "-" references; unknown arcs add
  // nothing), and the values of the attribute record of the same name.
  // Sorts all three lists.
  TFigPolygonGrp* AddToLeaf(TMapLeaf& leaf, std::string_view className, TAtrList& attrs,
                            TArcList& arcs);

  double OriginX = 0;
  double OriginY = 0;
};

class TPntList final : public TTopologyList<TPntElement> {
public:
  // Makes one point figure for every point, with the values of the attribute
  // record of the same name. Sorts both lists.
  TFigPointGrp* AddToLeaf(TMapLeaf& leaf, std::string_view className, TAtrList& attrs);

  double OriginX = 0;
  double OriginY = 0;
};

}  // namespace chizro
