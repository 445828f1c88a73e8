#include "readers/common/topology.h"

#include <cstddef>
#include <memory>

#include "model/map_leaf.h"

namespace chizro {

namespace {

// Creates a figure list of type Grp named `className` and attaches it to the
// leaf before it is filled, so that the leaf owns it from the start.
template <class Grp>
Grp* AttachGroup(TMapLeaf& leaf, std::string_view className) {
  auto grp = std::make_unique<Grp>();
  grp->Name = className;
  return leaf.AddFigGrp(std::move(grp));
}

// The longest arc name a "-" reference may carry.
constexpr std::size_t kMaxReversedArcName = 99;

// One resolved arc reference of a polygon boundary.
struct TArcWalk {
  const TArcElement* Arc;
  bool Backwards;
};

}  // namespace

TFigPolylineGrp* TArcList::AddToLeaf(TMapLeaf& leaf, std::string_view className,
                                     const TArcKinds& kinds) {
  TFigPolylineGrp* grp = AttachGroup<TFigPolylineGrp>(leaf, className);
  Sort();
  for (int i = 0; i < Count(); ++i) {
    const TArcElement& arc = Items(i);
    if (!kinds.Contains(arc.Kind)) continue;
    TFigPolyline* fig = grp->New();
    fig->ClassCode = arc.Code;
    fig->Name = arc.Name;
    fig->Points = arc.Points;
  }
  grp->UpdateExtents();
  return grp;
}

TFigPolylineGrp* TAtrList::AddToLeaf(TMapLeaf& leaf, std::string_view className, TArcList& arcs) {
  TFigPolylineGrp* grp = AttachGroup<TFigPolylineGrp>(leaf, className);
  Sort();
  arcs.Sort();
  for (int i = 0; i < Count(); ++i) {
    const TAtrElement& atr = Items(i);
    const TArcElement* arc = arcs.Find(atr.Name);
    if (!arc) continue;
    TFigPolyline* fig = grp->New();
    fig->ClassCode = atr.Code;
    fig->Name = atr.Name;
    // An arc without points leaves the label point where the figure has it.
    if (!arc->Points.empty()) {
      fig->LabelX = arc->Points.front().x;
      fig->LabelY = arc->Points.front().y;
    }
    fig->Points = arc->Points;
    fig->Texts = atr.Values;
  }
  grp->UpdateExtents();
  return grp;
}

TFigPolygonGrp* TPgnList::AddToLeaf(TMapLeaf& leaf, std::string_view className, TAtrList& attrs,
                                    TArcList& arcs) {
  TFigPolygonGrp* grp = AttachGroup<TFigPolygonGrp>(leaf, className);
  Sort();
  arcs.Sort();
  attrs.Sort();
  // Reused for every polygon: the arcs of its boundary are resolved first so
  // that its vertex array is allocated once at its final size.
  std::vector<TArcWalk> walks;
  for (int i = 0; i < Count(); ++i) {
    const TPgnElement& pgn = Items(i);
    TFigPolygon* fig = grp->New();
    fig->ClassCode = pgn.Code;
    fig->Name = pgn.Name;
    fig->LabelX = pgn.X;
    fig->LabelY = pgn.Y;

    walks.clear();
    std::size_t total = 0;
    for (const std::string& ref : pgn.ArcRefs) {
      const bool backwards = !ref.empty() && ref.front() == '-';
      const std::string_view name =
          backwards ? std::string_view(ref).substr(1, kMaxReversedArcName) : std::string_view(ref);
      if (const TArcElement* arc = arcs.Find(name)) {
        walks.push_back({arc, backwards});
        total += arc->Points.size();
      }
    }
    fig->Points.reserve(total);
    for (const TArcWalk& walk : walks) {
      const TFPointGrp& pts = walk.Arc->Points;
      if (walk.Backwards) {
        fig->Points.insert(fig->Points.end(), pts.rbegin(), pts.rend());
      } else {
        fig->Points.insert(fig->Points.end(), pts.begin(), pts.end());
      }
    }

    if (const TAtrElement* atr = attrs.Find(pgn.Name)) fig->Texts = atr->Values;
  }
  grp->UpdateExtents();
  return grp;
}

TFigPointGrp* TPntList::AddToLeaf(TMapLeaf& leaf, std::string_view className, TAtrList& attrs) {
  TFigPointGrp* grp = AttachGroup<TFigPointGrp>(leaf, className);
  Sort();
  attrs.Sort();
  for (int i = 0; i < Count(); ++i) {
    const TPntElement& pnt = Items(i);
    TFigPoint* fig = grp->New();
    fig->ClassCode = pnt.Code;
    fig->Name = pnt.Name;
    fig->LabelX = pnt.X;
    fig->LabelY = pnt.Y;
    fig->Points.reserve(1);
    fig->AddPoint({pnt.X, pnt.Y});
    // Looked up by the entry's key, which is the Name it was added under.
    if (const TAtrElement* atr = attrs.Find(items_[static_cast<std::size_t>(i)].Key)) {
      fig->Texts = atr->Values;
    }
  }
  grp->UpdateExtents();
  return grp;
}

}  // namespace chizro
